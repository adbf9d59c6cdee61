// The main window's commands: opening files into viewer windows, the status bar, and every menu command
// that acts on the active viewer window.
#include "app/Brview1.h"

#include "app/Brview2.h"
#include "app/Brview6.h"
#include "app/Brview7.h"
#include "app/Compare.h"
#include "app/FileChoice.h"
#include "app/HelpWindow.h"
#include "app/Input.h"
#include "app/Launch.h"
#include "app/PrintDlg.h"
#include "app/SearchLink.h"
#include "app/StoppableWork.h"
#include "app/WindowArrangement.h"
#include "archive/ArchivePage.h"
#include "archive/ZIPLIST.h"
#include "base/ErrorCodes.h"
#include "base/HyExceptions.h"
#include "common/Alert.h"
#include "common/Ask.h"
#include "common/CursorScope.h"
#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "common/InputGate.h"
#include "image/MultiImg.h"
#include "platform/Cp1252.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformFiles.h"
#include "platform/TempCopies.h"
#include "viewer/HvColor.h"
#include "viewer/HvFxFnt.h"
#include "viewer/HvRangeWriter.h"
#include "viewer/HvRegexSearch.h"
#include "viewer/HvViewr.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>

namespace hy::app {

using viewer::kUndeterminedTotal;
using viewer::LineNumber;

namespace {
    const QString kTitle = QStringLiteral("Halcyra Viewer");

    QString CleanAbsolute(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

    QChar LocaleTimeSeparator()
    {
        for (const QChar c : QLocale().timeFormat(QLocale::ShortFormat)) {
            if (!c.isLetter() && !c.isSpace())
                return c;
        }
        return QLatin1Char(':');
    }

    bool ClosingDown() { return QCoreApplication::closingDown(); }
} // namespace

void TMainForm::ConnectCommands()
{
    const auto on = [this](const char* name, void (TMainForm::*slot)()) {
        connect(Action(name), &QAction::triggered, this, [this, slot]() { (this->*slot)(); });
    };
    on("Open1", &TMainForm::OpenClick);
    on("SaveAs1", &TMainForm::SaveAsClick);
    on("Close1", &TMainForm::CloseClick);
    on("CloseAll1", &TMainForm::CloseAllClick);
    on("ToClipboard1", &TMainForm::ToClipboardClick);
    on("ToFile1", &TMainForm::ToFileClick);
    on("SelectAll1", &TMainForm::SelectAllClick);
    on("Find1", &TMainForm::FindClick);
    on("FindNext1", &TMainForm::FindNextClick);
    on("GotoLine1", &TMainForm::GotoLineClick);
    on("Standard1", &TMainForm::StandardClick);
    on("Hex1", &TMainForm::HexClick);
    on("Native1", &TMainForm::NativeClick);
    on("ExpandTabs1", &TMainForm::ExpandTabsClick);
    on("HexFilter1", &TMainForm::HexFilterClick);
    on("SynchronizeScrolling1", &TMainForm::SynchronizeScrollingClick);
    on("LineNumbers1", &TMainForm::LineNumbersClick);
    on("WrapLines1", &TMainForm::WrapLinesClick);
    on("Follow1", &TMainForm::FollowClick);
    on("CopyWithCrLf1", &TMainForm::CopyWithCrLfClick);
    on("TileVertical1", &TMainForm::TileVertical);
    on("TileHorizontal1", &TMainForm::TileHorizontal);
    on("Cascade1", &TMainForm::Cascade);
    connect(Action("ArrangeIcons1"), &QAction::triggered, this, [this]() {
        int x = 0;
        const int bottom = m_mdiArea->viewport()->height();
        for (QMdiSubWindow* f : m_mdiArea->subWindowList()) {
            if (!f->isMinimized())
                continue;
            f->move(x, bottom - f->height());
            x += f->width();
        }
    });
    connect(Action("Refresh1"), &QAction::triggered, this, [this]() {
        if (TChildForm* c = ActiveChild())
            RefreshViewer(c);
    });
    connect(Action("RefreshAll1"), &QAction::triggered, this, &TMainForm::RefreshAllViewers);
    connect(Action("Information1"), &QAction::triggered, this, [this]() {
        if (TChildForm* c = ActiveChild())
            ShowFileInfo(c->FileName(), this);
    });
    const auto closeActive = [this](TChildForm* c) {
        return [this, c]() {
            // A viewed member's copy outlives its window: the other program gets the file, and it goes
            // when this program ends.
            if (c->DeleteOnClose())
                platform::TempCopies().Keep(c->FileName());
            if (QMdiSubWindow* f = FrameOf(c))
                f->close();
        };
    };
    connect(Action("UseTextEditor1"), &QAction::triggered, this, [this, closeActive]() {
        if (TChildForm* c = ActiveChild())
            UseTextEditor(c->FileName(), m_settings.Editor, closeActive(c));
    });
    connect(Action("UseAssociatedApplication1"), &QAction::triggered, this, [this, closeActive]() {
        if (TChildForm* c = ActiveChild())
            UseAssociatedApplication(c->FileName(), closeActive(c));
    });
    connect(Action("Run1"), &QAction::triggered, this, [this]() {
        if (TChildForm* c = ActiveChild())
            RunProgram(c->FileName(), this);
    });
    connect(Action("ShowClipboard1"), &QAction::triggered, this, [this]() { ShowClipboard(this); });
    connect(Action("Compare1"), &QAction::triggered, this, [this]() { CompareFiles(*this); });
    connect(Action("Print1"), &QAction::triggered, this, [this]() { PrintClick(*this); });
    connect(Action("FileSearch1"), &QAction::triggered, this, [this]() { ShowFileSearch(this); });
    connect(Action("SetPreferences1"), &QAction::triggered, this, [this]() { SetPreferences(this); });
    connect(Action("Contents1"), &QAction::triggered, this, []() { HelpWindow()->ShowContents(); });
    connect(Action("TopicSearch1"), &QAction::triggered, this, []() { HelpWindow()->ShowSearch(); });
    connect(Action("HowToUseHelp1"), &QAction::triggered, this, []() { HelpWindow()->ShowHowToUse(); });
    connect(Action("UsingTheViewer1"), &QAction::triggered, this, [this]() { ShowHelpContext(250, this); });

    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* frame) {
        auto* child = frame ? qobject_cast<TChildForm*>(frame->widget()) : nullptr;
        if (child)
            m_lastActive = child;
        // A batch of files brings the status up to date once, at its end.
        if (m_batch > 0)
            return;
        if (child) {
            if (child->Loaded()) {
                UpdateStatus();
                UpdateCommands(!frame->isMinimized());
            }
        } else if (Children().size() <= 1) {
            ClearStatus();
            UpdateCommands(false);
        }
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive || m_firstShow)
            return;
        // Not from inside a long read or a batch of files: the refresh waits until it ends.
        m_refreshPending = true;
        ScheduleIdleWork();
    });
}

QList<TChildForm*> TMainForm::Children() const { return m_children; }

TChildForm* TMainForm::ActiveChild() const
{
    if (QMdiSubWindow* f = m_mdiArea->activeSubWindow())
        return qobject_cast<TChildForm*>(f->widget());
    // Without focus (offscreen, or the main window inactive) the most recent window stands in.
    if (m_lastActive && m_children.contains(m_lastActive.data()))
        return m_lastActive;
    const QList<QMdiSubWindow*> order = m_mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = order.crbegin(); it != order.crend(); ++it) {
        auto* c = qobject_cast<TChildForm*>((*it)->widget());
        if (c && m_children.contains(c))
            return c;
    }
    return nullptr;
}

void TMainForm::AddChild(TChildForm* child)
{
    m_children.append(child);
    connect(child, &QObject::destroyed, this, [this, child]() { RemoveChild(child); });
}

void TMainForm::ForgetOpenName(TChildForm* child)
{
    for (auto it = m_openNames.begin(); it != m_openNames.end();) {
        if (it.value() == child)
            it = m_openNames.erase(it);
        else
            ++it;
    }
}

void TMainForm::RemoveChild(TChildForm* child)
{
    if (!m_children.removeOne(child))
        return;
    ForgetOpenName(child);
    if (m_longWork.remove(child) && m_longWork.isEmpty()) {
        m_infoPanel->setText(m_infoUnderRead);
        ScheduleIdleWork();
    }
}

QMdiSubWindow* TMainForm::FrameOf(TChildForm* child) const
{
    return child ? qobject_cast<QMdiSubWindow*>(child->parentWidget()) : nullptr;
}

void TMainForm::SetViewerFromSettings(TChildForm* child, bool hex)
{
    viewer::THvFileViewer* v = child->FileViewer();
    try {
        v->FixedFont()->SetName(m_settings.FontName);
    } catch (const std::exception&) {
        // A font that is not fixed-pitch leaves the viewer's own.
    }
    if (m_settings.FontSize > 0)
        v->FixedFont()->SetSize(m_settings.FontSize);
    v->FixedFont()->SetStyle(unsigned(m_settings.FontStyle));
    const TColorElement& normal = m_settings.Colors[0];
    const TColorElement& selected = m_settings.Colors[1];
    v->SetColor(ColorFromSetting(normal.BackColor));
    v->SetMarginColor(ColorFromSetting(normal.BackColor));
    v->FixedFont()->SetColor(ColorFromSetting(normal.TextColor));
    v->HighlightColors()->SetBackColor(ColorFromSetting(selected.BackColor));
    v->HighlightColors()->SetTextColor(ColorFromSetting(selected.TextColor));
    v->HighlightColors()->SetUseDefault(false);
    v->SetInHexMode(hex);
    v->SetFilterChars(Action("HexFilter1")->isChecked());
    v->SetExpandTabs(Action("ExpandTabs1")->isChecked());
    v->SetTabSize(m_settings.TabSize);
    v->SetShowLineNumbers(Action("LineNumbers1")->isChecked());
    v->SetWrapLines(Action("WrapLines1")->isChecked());
    v->SetCopyWithCrLf(Action("CopyWithCrLf1")->isChecked());
}

bool TMainForm::RefuseUnopenable(const QString& fileName)
{
    // Folders, devices and pipes are refused before anything opens them: opening a pipe waits for a writer.
    int code = 0;
    const platform::EntryKind kind = platform::KindOf(fileName, &code);
    QString what;
    if (kind == platform::EntryKind::Directory)
        what = QStringLiteral("is a folder, not a file.");
    else if (kind == platform::EntryKind::Other)
        what = QStringLiteral("is a device or pipe, not a regular file.");
    else
        return false;
    m_lastOpenFailed = true;
    ShowError(platform::DisplayFileName(fileName) + QLatin1Char('\r') + what);
    return true;
}

TChildForm* TMainForm::NewChild(bool hex)
{
    auto* child = new TChildForm(this);
    QMdiSubWindow* frame = AddFrame(child);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setMinimumSize(kChildMinWidth, kChildMinHeight);
    frame->resize(qMax(kChildMinWidth, m_mdiArea->viewport()->width() * 2 / 3),
        qMax(kChildMinHeight, m_mdiArea->viewport()->height() * 2 / 3));
    AddChild(child);
    connect(frame, &QMdiSubWindow::windowStateChanged, child, [this, child, frame]() {
        if (!child->Loaded())
            return;
        child->UpdateCaption();
        // A minimised active window offers no file commands; restored, it offers them again.
        const bool infoEnabled = Action("Information1")->isEnabled();
        if (frame->isMinimized() && child == ActiveChild() && infoEnabled)
            UpdateCommands(false);
        else if (!frame->isMinimized() && !infoEnabled)
            UpdateCommands(true);
    });
    SetViewerFromSettings(child, hex);
    return child;
}

bool TMainForm::OpenFileInViewer(const QString& fileName, ViewMode mode, bool deleteOnClose)
{
    return OpenFile(nullptr, fileName, mode, deleteOnClose);
}

bool TMainForm::OpenFileInDdeViewer(QPointer<TChildForm>& window, const QString& fileName)
{
    return OpenFile(&window, fileName, ViewMode::BySettings, false);
}

bool TMainForm::OpenFile(QPointer<TChildForm>* ddeWindow, const QString& fileName, ViewMode mode, bool deleteOnClose)
{
    // A file shown already is brought forward instead; the DDE window shows whatever it is asked to.
    m_lastOpenFailed = false;
    const QString wanted = CleanAbsolute(fileName);
    TChildForm* shown = ddeWindow ? nullptr : m_openNames.value(wanted);
    if (shown) {
        QMdiSubWindow* f = FrameOf(shown);
        if (f->isMinimized())
            f->showNormal();
        m_mdiArea->setActiveSubWindow(f);
        shown->FileViewer()->setFocus();
        return false;
    }
    TChildForm* child = ddeWindow ? ddeWindow->data() : nullptr;
    if (RefuseUnopenable(fileName)) {
        // The DDE window stays for the next file, empty.
        if (child) {
            child->ResetViewer();
            ForgetOpenName(child);
            UpdateStatus();
            UpdateCommands(true);
        }
        return false;
    }

    const bool hex = OpensInHex(mode, m_currentTextHex);
    // A DDE window made for this file goes again when the file does not open; one that was there stays.
    const bool keepOnFailure = child != nullptr;
    if (child) {
        child->ResetViewer();
        ForgetOpenName(child);
        m_mdiArea->setActiveSubWindow(FrameOf(child));
    } else {
        child = NewChild(hex);
        if (ddeWindow)
            *ddeWindow = child;
    }
    // A file the DDE window shows again beside its own window keeps the name of the window opened first.
    if (!m_openNames.contains(wanted))
        m_openNames.insert(wanted, child);
    QMdiSubWindow* frame = FrameOf(child);
    child->SetFileName(fileName);
    child->setWindowTitle(platform::DisplayFileName(fileName));
    child->SetKind(PageKind::Text);
    child->SetDeleteOnClose(deleteOnClose);
    child->SetFileStamp(FileDateTime(fileName));

    const auto fail = [&]() {
        m_lastOpenFailed = true;
        if (keepOnFailure) {
            // The DDE window stays for the next file, empty.
            child->ResetViewer();
            ForgetOpenName(child);
            child->SetLoaded(true);
            frame->show();
            UpdateStatus();
            UpdateCommands(true);
            return false;
        }
        child->SetDeleteOnClose(deleteOnClose);
        RemoveChild(child);
        frame->close();
        if (ddeWindow)
            *ddeWindow = nullptr;
        return false;
    };
    const auto showPage = [&](const TPageChoice& choice) {
        if (choice.Kind == PageKind::Text)
            child->RemoveThirdTab();
        else
            child->SetThirdTab(PageName(choice.Kind));
        child->ShowPage(PageName(choice.Tab == 2 ? choice.Kind : PageKind::Text), choice.Tab);
    };

    try {
        const bool exists = platform::KindOf(fileName) == platform::EntryKind::RegularFile;
        const TPageRules rules { m_settings.ShowImageFiles, m_settings.ShowArchiveFiles, m_settings.ShowMediaFiles,
            m_mediaExtensions, m_currentTextHex };
        const TPageChoice choice = ChoosePage(fileName, mode, rules, exists);
        if (choice.Kind == PageKind::Image) {
            if (!exists) {
                ShowAlert(kTitle, platform::DisplayFileName(fileName) + QStringLiteral("\rDoes not exist!"));
                return fail();
            }
            TCursorScope wait;
            m_progressGauge->setValue(0);
            m_progressGauge->setGeometry(m_infoPanel->rect().adjusted(2, 2, -2, -2));
            m_progressGauge->show();
            // The picture is read on a thread of its own: the windows stay painted and answering meanwhile. The
            // user's input is held until the picture is in, but Esc stops it.
            bool escaped = false;
            TMultiImage::SetProgressCallback([this, &escaped](int percent) {
                if (ClosingDown() || escaped)
                    return 0;
                m_progressGauge->setValue(percent);
                QCoreApplication::processEvents();
                return escaped ? 0 : 1;
            });
            ++m_opening;
            bool pictureShown = false;
            {
                TInputGate gate(escaped);
                pictureShown = child->LoadImage();
            }
            --m_opening;
            ScheduleIdleWork();
            TMultiImage::SetProgressCallback({});
            m_progressGauge->hide();
            const TPageChoice page
                = PageAfterPicture(choice, mode, rules, pictureShown, TMultiImage::ReadsExtension(fileName));
            if (page.Kind == PageKind::Image) {
                child->SetKind(PageKind::Image);
                showPage(page);
                if (!ddeWindow)
                    FitImageWindow(child, frame, mode == ViewMode::BySettings || mode == ViewMode::Native);
            } else {
                // A file whose name only resembles a picture's and that holds none is text.
                showPage(page);
            }
        } else if (choice.Kind == PageKind::Archive) {
            child->LoadArchive();
            child->SetKind(PageKind::Archive);
            showPage(choice);
        } else if (choice.Kind == PageKind::Media) {
            QString error;
            {
                TCursorScope wait;
                error = child->OpenMedia();
            }
            if (!error.isEmpty()) {
                ShowAlert(QStringLiteral("Media Player"), error);
                child->SetKind(PageKind::Text);
                showPage({ PageKind::Text, hex ? 1 : 0 });
            } else {
                child->SetKind(PageKind::Media);
                showPage(choice);
            }
        } else {
            showPage(choice);
        }
        // The DDE window keeps its pages for whatever kind of file comes next.
        if (!ddeWindow)
            child->DeleteUnusedPages();

        child->FileViewer()->SetFileName(fileName);
        child->FileViewer()->SetIsOpen(true);
    } catch (const std::exception& e) {
        m_opening = 0;
        ScheduleIdleWork();
        TMultiImage::SetProgressCallback({});
        m_progressGauge->hide();
        const auto* io = dynamic_cast<const EInOutError*>(&e);
        if (io && child->Kind() != PageKind::Text
            && (io->ErrorCode() == kErrorFileNotFound || io->ErrorCode() == kErrorPathNotFound))
            ShowAlert(kTitle, platform::DisplayFileName(fileName) + QStringLiteral("\rDoes not exist!"));
        else
            ShowException(e);
        return fail();
    }

    child->SetLoaded(true);
    if (m_batch > 0) {
        // A batch shows its windows together when it ends.
        m_batchFrames.append(frame);
        return true;
    }
    frame->show();
    KeepInsideClientArea(frame);
    m_mdiArea->setActiveSubWindow(frame);
    // The DDE window leaves the keyboard where it was.
    if (!ddeWindow && child->Kind() == PageKind::Text)
        child->FileViewer()->setFocus();
    else if (!ddeWindow && child->Kind() == PageKind::Archive && child->ActivePageName() == QLatin1String("Archive"))
        child->ArchivePage()->ZipList()->setFocus();
    UpdateStatus();
    UpdateCommands(true);
    return true;
}

QMdiSubWindow* TMainForm::AddFrame(TChildForm* child)
{
    // The client area raises a new window past every other window it holds, looking at each of them in
    // turn, unless the new one stays on top: with thousands of windows that look would cost more than the
    // file. The window is added staying on top and then made an ordinary window.
    auto* frame = new QMdiSubWindow(nullptr, Qt::SubWindow | Qt::WindowStaysOnTopHint);
    // The window's own menu brings Close shortcuts of its own; every one of them would sit in one sorted
    // table that each new window has to make room in, so File > Close carries them once for all windows.
    // Its icons are loaded anew for every window: the menu does without them.
    if (QMenu* menu = frame->systemMenu()) {
        for (QAction* action : menu->actions()) {
            action->setShortcuts({});
            action->setIcon(QIcon());
        }
    }
    frame->setWidget(child);
    m_mdiArea->addSubWindow(frame);
    frame->setWindowFlags(Qt::SubWindow);
    return frame;
}

void TMainForm::ShowBatchFrames()
{
    QList<QPointer<QMdiSubWindow>> frames;
    frames.swap(m_batchFrames);
    QMdiSubWindow* last = nullptr;
    for (QMdiSubWindow* frame : frames) {
        if (!frame)
            continue;
        // A window that shows makes itself active, which makes every other window give up being active
        // and moves the focus (each window hears of every focus change): with thousands of windows that
        // costs the square of their number. A disabled window does not make itself active: the windows
        // show disabled and the last one is made active once, below.
        frame->setEnabled(false);
        frame->show();
        frame->setEnabled(true);
        KeepInsideClientArea(frame);
        last = frame;
    }
    if (!last)
        return;
    m_mdiArea->setActiveSubWindow(last);
    auto* child = qobject_cast<TChildForm*>(last->widget());
    if (child && child->Kind() == PageKind::Text)
        child->FileViewer()->setFocus();
}

int TMainForm::OpenFiles(const QStringList& names, bool stopAtOpen, ViewMode mode)
{
    QList<TBatchName> batch;
    batch.reserve(names.size());
    for (const QString& name : names)
        batch.append({ name, m_currentTextHex });
    return OpenBatch(batch, stopAtOpen, mode);
}

int TMainForm::OpenBatch(const QList<TBatchName>& names, bool stopAtOpen, ViewMode mode)
{
    if (names.isEmpty())
        return 0;
    ++m_batch;
    int handled = 0;
    {
        TStoppableWork work(statusBar());
        const QString total = ThousandsText(names.size());
        for (const TBatchName& name : names) {
            const auto text = [&]() {
                return QStringLiteral("Opening %1 of %2... Press Esc to stop.").arg(ThousandsText(handled + 1), total);
            };
            if (work.Step(text))
                break;
            ++handled;
            m_currentTextHex = name.TextHex;
            if (!OpenFileInViewer(name.Name, mode, false) && (stopAtOpen || m_lastOpenFailed))
                break;
        }
    }
    --m_batch;
    ShowBatchFrames();
    UpdateStatus();
    UpdateCommands(true);
    ScheduleIdleWork();
    return handled;
}

void TMainForm::KeepInsideClientArea(QMdiSubWindow* frame)
{
    // The client area puts a new window where it overlaps the others least, which may reach past its edges:
    // the window is moved (and, when larger, made smaller) so that all of it, title bar and buttons, is inside.
    if (frame->isMaximized() || frame->isMinimized())
        return;
    const QRect inside = FitInside(frame->geometry(), QRect(QPoint(0, 0), m_mdiArea->viewport()->size()));
    if (inside != frame->geometry())
        frame->setGeometry(inside);
}

void TMainForm::FitImageWindow(TChildForm* child, QMdiSubWindow* frame, bool sizeToPicture)
{
    const TMultiImage* image = child->ImageViewer();
    if (sizeToPicture && image) {
        const int tabHeight = child->TabSet()->sizeHint().height();
        // Never narrower than its tabs, so "Image" stays in view beside "Standard" and "Hex".
        const int width = qMax(qMax(100, image->ImageWidth()), child->TabSet()->sizeHint().width());
        const QSize client(width, qMax(100, image->ImageHeight() + tabHeight));
        // The frame adds its title bar and border around the client area.
        const QSize frameExtra = frame->size() - frame->contentsRect().size();
        frame->resize(client + frameExtra.expandedTo(QSize(0, 0)));
    }
    // The window stays inside the main window's free area.
    const QSize area = m_mdiArea->viewport()->size();
    QRect g = frame->geometry();
    if (area.width() < g.left() + g.width()) {
        g.moveLeft(qMax(0, area.width() - g.width()));
        if (area.width() < g.width())
            g.setWidth(area.width());
    }
    if (area.height() < g.top() + g.height()) {
        g.moveTop(qMax(0, area.height() - g.height()));
        if (area.height() < g.height())
            g.setHeight(area.height());
    }
    frame->setGeometry(g);
}

void TMainForm::ViewerStatusChanged(TChildForm* child)
{
    UpdateStatus();
    // Windows whose lines are still being counted have no line numbers to share or take.
    if (!Action("SynchronizeScrolling1")->isChecked() || child != ActiveChild() || child->FileViewer()->CountingLines())
        return;
    const LineNumber first = child->FileViewer()->FirstVisibleLine();
    for (TChildForm* other : Children()) {
        if (other == child || other->FileViewer()->CountingLines())
            continue;
        viewer::THvFileViewer* v = other->FileViewer();
        v->ScrollToLine(qMin(v->LineTotal() - 1, first));
    }
}

void TMainForm::ShowLongWork(TChildForm* child, bool running)
{
    // The message goes in the info panel: a status bar message would cover the panels beside it.
    if (running) {
        if (m_longWork.isEmpty())
            m_infoUnderRead = m_infoPanel->text();
        m_longWork.insert(child);
        m_infoPanel->setText(QStringLiteral("Reading the file... Press Esc to stop."));
    } else if (m_longWork.remove(child) && m_longWork.isEmpty()) {
        m_infoPanel->setText(m_infoUnderRead);
        ScheduleIdleWork();
    }
}

void TMainForm::SetInfoText(const QString& text)
{
    if (m_longWork.isEmpty())
        m_infoPanel->setText(text);
    else
        m_infoUnderRead = text;
}

void TMainForm::ShowViewerNote(const QString& note)
{
    m_viewerNote = note;
    UpdateStatus();
    QTimer::singleShot(10000, this, [this, note]() {
        if (m_viewerNote != note)
            return;
        m_viewerNote.clear();
        UpdateStatus();
    });
}

void TMainForm::ChildClosing(TChildForm* closing)
{
    RemoveChild(closing);
    // The closing window still counts.
    const int count = int(Children().size()) + 1;
    QAction* sync = Action("SynchronizeScrolling1");
    if (sync->isChecked() && count <= 2)
        sync->setChecked(false);
    ClearStatus();
    UpdateCommands(count > 1);
}

void TMainForm::UpdateStatus()
{
    TChildForm* child = ActiveChild();
    if (!child || !child->Loaded()) {
        if (!child)
            ClearStatus();
        return;
    }
    // An emptied DDE window shows no file and says nothing of one.
    if (child->FileName().isEmpty()) {
        ClearStatus();
        UpdateCopyCommands(child);
        return;
    }
    const QString page = child->ActivePageName();
    viewer::THvFileViewer* v = child->FileViewer();
    const qint64 fileSize = v->FileSize();
    const QMdiSubWindow* frame = FrameOf(child);
    const bool minimized = frame && frame->isMinimized();
    if (page == QLatin1String("Text")) {
        const viewer::TextPosition pos = v->CaretLocation();
        const bool counting = v->CountingLines() && !v->InHexMode();
        if (counting)
            m_cursorPosPanel->setText(BytePositionText(v->CaretOffset(), fileSize, pos.Index));
        else
            m_cursorPosPanel->setText(QStringLiteral("%1:%2").arg(pos.Line + 1).arg(pos.Index + 1));
        if (v->LineTotal() == kUndeterminedTotal
            && (v->InHexMode() || fileSize < 512000 || m_settings.CalcFileLength)) {
            TCursorScope wait;
            v->ClampLine(kUndeterminedTotal);
        }
        const LineNumber total = v->LineTotal();
        // An empty file has no line to find: it reads as none rather than as a count still to come.
        const QString lines = counting ? CountingLinesText(v->CountProgress())
            : fileSize == 0            ? LineCountText(0, false)
                                       : LineCountText(total, total == kUndeterminedTotal);
        SetInfoText(m_viewerNote.isEmpty() ? TextInfoText(lines, fileSize)
                                           : m_viewerNote + QLatin1Char(' ') + TextInfoText(lines, fileSize));
        bool showChar = false;
        if (!v->InHexMode() && v->LineTotal() != 0) {
            const viewer::TextPosition at = v->CaretCharLocation();
            const viewer::TCell cell = v->Layout().CellAt(at.Line, at.Index);
            if (cell.Length > 0) {
                const bool valid = cell.Type != viewer::TCell::Replacement
                    && !(cell.Type == viewer::TCell::Placeholder
                        && v->EffectiveEncoding() == viewer::TTextEncoding::Windows1252 && cell.Code >= 0x80
                        && cell.Code < 0xA0);
                m_charPanel->setText(CharPanelText(cell.Code, valid));
                showChar = true;
            }
        }
        // A minimised window shows no character of its own.
        SetCharPanelWanted(showChar && !minimized && child->TabSet()->currentIndex() == 0);
        QString encoding = viewer::EncodingName(v->EffectiveEncoding());
        if (v->Encoding() == viewer::TTextEncoding::Auto)
            encoding += QStringLiteral(" (Auto)");
        m_encodingPanel->setText(encoding);
        m_encodingPanel->setVisible(true);
    } else if (page == QLatin1String("Image")) {
        m_encodingPanel->hide();
        m_cursorPosPanel->clear();
        const TMultiImage* img = child->ImageViewer();
        SetInfoText(ImageInfoText(
            img->ImageWidth(), img->ImageHeight(), img->ImageBitsPerPixel(), img->ImagePlanes(), fileSize));
        SetCharPanelWanted(false);
    } else if (page == QLatin1String("Archive")) {
        m_cursorPosPanel->clear();
        SetInfoText(ArchiveInfoText(child->ArchivePage()->MemberCount()));
        SetCharPanelWanted(false);
    } else if (page == QLatin1String("Media")) {
        m_encodingPanel->hide();
        m_cursorPosPanel->clear();
        SetInfoText(MediaLengthText(child->MediaLength(), LocaleTimeSeparator()));
        SetCharPanelWanted(false);
    }
    m_followPanel->setVisible(page == QLatin1String("Text") && v->Follow());
    UpdateCopyCommands(child);
}

void TMainForm::UpdateCopyCommands(TChildForm* child)
{
    const QString page = child ? child->ActivePageName() : QString();
    const bool text = page == QLatin1String("Text");
    const bool toClipboard
        = (page == QLatin1String("Image") && child->HasGraphic()) || (text && child->FileViewer()->HasSelection());
    const bool toFile = (text && child->FileViewer()->HasSelection())
        || (page == QLatin1String("Archive") && child->ArchivePage()->SelectedCount() > 0);
    Action("ToClipboard1")->setEnabled(toClipboard);
    Action("ToClipboard2")->setEnabled(toClipboard);
    Action("ToFile1")->setEnabled(toFile);
    Action("Copy1")->setEnabled(toClipboard || toFile);
}

void TMainForm::UpdateCommands(bool enabled)
{
    for (const char* name : { "SaveAs1", "Close1", "CloseAll1", "Information1", "EditFile1", "Print1", "Compare1",
             "SelectAll1", "Standard1", "Hex1", "Native1", "SynchronizeScrolling1" })
        Action(name)->setEnabled(enabled);
    Action("Run1")->setVisible(false);
    for (const char* name : { "Copy1", "ToClipboard1", "ToClipboard2", "ToFile1", "Find1", "FindNext1", "GotoLine1",
             "ExpandTabs1", "HexFilter1", "Encoding1", "WrapLines1", "Follow1" })
        Action(name)->setEnabled(false);

    TChildForm* child = enabled ? ActiveChild() : nullptr;
    if (!child) {
        SetCharPanelWanted(false);
        if (Children().isEmpty()) {
            for (const char* name : { "SaveAs1", "Close1", "CloseAll1", "Information1", "EditFile1", "Print1",
                     "Compare1", "SelectAll1", "Standard1", "Hex1", "Native1", "SynchronizeScrolling1" })
                Action(name)->setEnabled(false);
        }
    } else {
        viewer::THvFileViewer* v = child->FileViewer();
        const LineNumber total = v->LineTotal();
        const QString page = child->ActivePageName();
        const bool text = page == QLatin1String("Text");
        const int tab = child->TabSet()->currentIndex();
        if (tab != 0)
            SetCharPanelWanted(false);
        Action("Print1")->setEnabled(total > 0 && (text || page == QLatin1String("Image")));
        UpdateCopyCommands(child);
        Action("SelectAll1")->setEnabled(text || page == QLatin1String("Archive"));
        Action("Standard1")->setChecked(text && !v->InHexMode());
        Action("Hex1")->setChecked(text && v->InHexMode());
        QAction* native = Action("Native1");
        if (child->TabSet()->count() < 3) {
            native->setVisible(false);
        } else {
            native->setText(QLatin1Char('&') + child->TabSet()->tabText(2));
            native->setChecked(!text);
            native->setVisible(true);
        }
        if (text) {
            Action("Find1")->setEnabled(total > 0);
            Action("GotoLine1")->setEnabled(total > 0);
            Action("FindNext1")->setEnabled(total > 0 && !m_search.Text.isEmpty());
            Action("ExpandTabs1")->setEnabled(!v->InHexMode());
            Action("ExpandTabs1")->setChecked(v->ExpandTabs());
            Action("HexFilter1")->setEnabled(v->InHexMode());
            Action("HexFilter1")->setChecked(v->FilterChars());
            Action("Encoding1")->setEnabled(true);
            Action(EncodingActionName(v->Encoding()))->setChecked(true);
            Action("WrapLines1")->setEnabled(!v->InHexMode());
            Action("Follow1")->setEnabled(true);
            Action("Follow1")->setChecked(v->Follow());
        }
        const bool program = IsProgramFile(child->FileName());
        if (QAction* assoc = Action("UseAssociatedApplication1"))
            assoc->setEnabled(!program);
        Action("Run1")->setVisible(program && m_settings.AllowAppLaunching);
        // An emptied DDE window has no file to save, describe, edit or print.
        if (child->FileName().isEmpty()) {
            for (const char* name : { "SaveAs1", "Information1", "EditFile1", "Print1", "SelectAll1" })
                Action(name)->setEnabled(false);
        }
    }
}

void TMainForm::RefreshViewer(TChildForm* child)
{
    if (!child)
        return;
    try {
        if (child->Refresh()) {
            UpdateStatus();
            UpdateCommands(true);
        }
    } catch (const std::exception& e) {
        ShowException(e);
    }
}

void TMainForm::RefreshAllViewers()
{
    const QList<TChildForm*> children = Children();
    for (auto it = children.crbegin(); it != children.crend(); ++it)
        RefreshViewer(*it);
    if (TChildForm* c = ActiveChild()) {
        if (c->ActivePageName() == QLatin1String("Text"))
            c->FileViewer()->setFocus();
    }
}

namespace {
    // The viewer windows that are not minimised, in creation order.
    QList<QMdiSubWindow*> ArrangedFrames(QMdiArea* area)
    {
        QList<QMdiSubWindow*> frames;
        for (QMdiSubWindow* f : area->subWindowList(QMdiArea::CreationOrder)) {
            if (!f->isMinimized())
                frames << f;
        }
        return frames;
    }

    void PlaceFrames(const QList<QMdiSubWindow*>& frames, const QList<QRect>& rects)
    {
        for (int i = 0; i < frames.size() && i < rects.size(); ++i) {
            if (frames.at(i)->isMaximized())
                frames.at(i)->showNormal();
            frames.at(i)->setGeometry(rects.at(i));
        }
    }
} // namespace

void TMainForm::TileVertical()
{
    const QList<QMdiSubWindow*> frames = ArrangedFrames(m_mdiArea);
    PlaceFrames(frames, TileRects(int(frames.size()), m_mdiArea->viewport()->size(), true));
}

void TMainForm::TileHorizontal()
{
    const QList<QMdiSubWindow*> frames = ArrangedFrames(m_mdiArea);
    PlaceFrames(frames, TileRects(int(frames.size()), m_mdiArea->viewport()->size(), false));
}

void TMainForm::Cascade()
{
    const QList<QMdiSubWindow*> frames = ArrangedFrames(m_mdiArea);
    if (frames.isEmpty())
        return;
    // Each window moves down and right by its title bar, so that every caption stays in view.
    const QMdiSubWindow* first = frames.first();
    const int step = qMax(16, first->widget() ? first->widget()->mapTo(first, QPoint(0, 0)).y() : 0);
    PlaceFrames(frames, CascadeRects(int(frames.size()), m_mdiArea->viewport()->size(), step));
    for (QMdiSubWindow* f : frames)
        f->raise();
    if (QMdiSubWindow* active = m_mdiArea->activeSubWindow())
        active->raise();
}

void TMainForm::OpenClick()
{
    QString file;
    ViewMode mode = ViewMode::BySettings;
    if (!ChooseFileToOpen(this, file, mode))
        return;
    if (m_settings.WindowsFileSelector)
        m_settings.LastDir = DirectoryOf(file);
    if (OpenFileInViewer(file, mode, false)) {
        const QList<TChildForm*> children = Children();
        if (children.size() == 1 && children.first()->Kind() == PageKind::Text)
            TileVertical();
    }
}

void TMainForm::CloseClick()
{
    if (QMdiSubWindow* f = FrameOf(ActiveChild()))
        f->close();
}

void TMainForm::CloseAllClick()
{
    const QList<QMdiSubWindow*> frames = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (auto it = frames.crbegin(); it != frames.crend(); ++it)
        (*it)->close();
}

void TMainForm::SearchWindow(
    TChildForm* child, const QString& text, unsigned options, bool allWindows, bool setSelection)
{
    viewer::THvFileViewer* v = child->FileViewer();
    if (child->ActivePageName() != QLatin1String("Text"))
        child->ShowPage(QStringLiteral("Text"), v->InHexMode() ? 1 : 0);
    LineNumber sl = 0, el = 0;
    qint64 si = 0, ei = 0;
    if (setSelection && v->SelectionBounds(sl, si, ei, el))
        v->SelectRange(sl, si, true, ei, el);
    // Each window matches the text as characters in its own encoding.
    const bool found = v->SearchFor(text, options);
    if (!found && v->WorkStopped())
        return; // stopped with Esc: nothing to report
    if (!found) {
        const QString message = allWindows ? QStringLiteral("Cannot find \"%1\" in \r%2").arg(text, child->FileName())
                                           : QStringLiteral("Cannot find \"%1\".").arg(text);
        ShowAlert(QStringLiteral("Search Results"), message);
    } else if (v->SelectionBounds(sl, si, ei, el)) {
        // Showing both ends brings the whole match into view. The caret ends where the search left it, so a
        // backward search goes on before the match rather than finding it again.
        const bool backward = options & viewer::soBackward;
        v->SelectRange(sl, si, backward, ei, el);
        v->SelectRange(sl, si, !backward, ei, el);
    }
}

bool TMainForm::SearchPatternValid()
{
    // An invalid pattern is reported and nothing is searched.
    const QString error = m_search.Regex ? viewer::RegexError(m_search.Text) : QString();
    if (!error.isEmpty())
        ShowAlert(QStringLiteral("Find"), QStringLiteral("Invalid regular expression: %1.").arg(error));
    return error.isEmpty();
}

void TMainForm::FindClick()
{
    const bool several = Children().size() > 1;
    TSearchDialog dialog(m_search, several, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_search = dialog.State();
    if (!m_search.Text.isEmpty())
        RunFind();
}

void TMainForm::RunFind()
{
    if (!SearchPatternValid())
        return;
    const unsigned options = m_search.FindOptions();
    const QList<TChildForm*> children = Children();
    if (children.size() > 1 && m_search.AllFiles) {
        TileVertical();
        for (auto it = children.crbegin(); it != children.crend(); ++it)
            SearchWindow(*it, m_search.Text, options, true, true);
    } else if (TChildForm* c = ActiveChild()) {
        SearchWindow(c, m_search.Text, options, false, true);
    }
    UpdateCommands(true);
}

void TMainForm::FindNextClick()
{
    if (m_search.Text.isEmpty() || !SearchPatternValid())
        return;
    const unsigned options = m_search.FindOptions() & ~unsigned(viewer::soWholeFile);
    const QList<TChildForm*> children = Children();
    if (children.size() > 1 && m_search.AllFiles) {
        for (auto it = children.crbegin(); it != children.crend(); ++it)
            SearchWindow(*it, m_search.Text, options, true, false);
    } else if (TChildForm* c = ActiveChild()) {
        SearchWindow(c, m_search.Text, options, false, false);
    }
    UpdateCommands(true);
}

void TMainForm::GotoLineClick()
{
    TChildForm* child = ActiveChild();
    if (!child)
        return;
    viewer::THvFileViewer* v = child->FileViewer();
    QString text = QString::number(v->CaretLocation().Line + 1);
    // While the total is unknown the prompt shows the largest line number a user can mean.
    const QString total = QString::number(v->LineTotal() == kUndeterminedTotal ? qint64(2147483647) : v->LineTotal());
    if (!GetInput(this, QStringLiteral("Go to Line"),
            QStringLiteral("Enter new line number (1 to ") + total + QStringLiteral("):"), text, 207, true))
        return;
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok) {
        ShowAlert(
            QStringLiteral("Go to Line"), QStringLiteral("Valid line numbers are 1 to ") + total + QLatin1Char('.'));
        return;
    }
    GotoLine(n);
}

void TMainForm::GotoLine(qint64 lineNumber)
{
    if (TChildForm* child = ActiveChild())
        child->FileViewer()->PlaceCaretOnLine(lineNumber - 1);
}

void TMainForm::SelectAllClick()
{
    TChildForm* child = ActiveChild();
    if (child && child->ActivePageName() == QLatin1String("Text"))
        child->FileViewer()->SelectEntireFile(false);
    else if (child && child->ActivePageName() == QLatin1String("Archive"))
        child->ArchivePage()->SelectAll();
    UpdateCommands(true);
}

void TMainForm::ToClipboardClick()
{
    TChildForm* child = ActiveChild();
    if (!child)
        return;
    const QString page = child->ActivePageName();
    if (page == QLatin1String("Text"))
        child->FileViewer()->CopySelection();
    else if (page == QLatin1String("Image") && child->HasGraphic())
        child->ImageViewer()->CopyToClipboard();
}

int TMainForm::WriteSelectionToFile(const QString& target)
{
    TChildForm* child = ActiveChild();
    if (!child || !child->FileViewer()->HasSelection())
        return 0;
    // A large selection shows its progress in the status bar and stops with Esc.
    TStoppableWork work(statusBar());
    const QString name = platform::DisplayFileName(NameOf(target));
    return child->FileViewer()->WriteSelection(target, [&](qint64 done, qint64 total) {
        return !work.Step([&]() {
            const qint64 percent = total > 0 ? done * 100 / total : 100;
            return QStringLiteral("Copying the selection to %1: %2%... Press Esc to stop.").arg(name).arg(percent);
        });
    });
}

void TMainForm::ToFileClick()
{
    // On the Archive page the selected members are extracted to a folder.
    if (TChildForm* child = ActiveChild(); child && child->ActivePageName() == QLatin1String("Archive")) {
        child->ArchivePage()->CopyZipButtonClick();
        return;
    }
    QString target;
    if (!ChooseSaveTarget(this, QStringLiteral("Copy To File"), m_settings.LastDir, target))
        return;
    if (QFileInfo::exists(target)
        && !AskYesNo(QStringLiteral("Save As"), QStringLiteral("Replace existing: ") + target + QLatin1Char('?')))
        return;
    m_settings.LastDir = DirectoryOf(target);
    const int code = WriteSelectionToFile(target);
    if (code != 0 && code != kErrorSearchStopped)
        ShowAlert(QStringLiteral("Copy To File"),
            QStringLiteral("The selection was not written to\r") + platform::DisplayFileName(target)
                + QStringLiteral("\r\r") + ErrorText(code));
}

int TMainForm::SaveActiveFileAs(const QString& target)
{
    TChildForm* child = ActiveChild();
    if (!child)
        return 0;
    m_settings.LastDir = DirectoryOf(target);
    TStoppableWork work(statusBar());
    const QString name = platform::DisplayFileName(NameOf(target));
    return FileCopy(child->FileViewer()->FileName(), target, [&](qint64 done, qint64 total) {
        return !work.Step([&]() {
            const qint64 percent = total > 0 ? done * 100 / total : 100;
            return QStringLiteral("Saving %1: %2%... Press Esc to stop.").arg(name).arg(percent);
        });
    });
}

void TMainForm::SaveAsClick()
{
    TChildForm* child = ActiveChild();
    if (!child)
        return;
    const QString source = child->FileViewer()->FileName();
    const QString name = NameOf(source);
    QString dir = DirectoryOf(CleanAbsolute(source));
    if (dir.isEmpty())
        dir = m_settings.LastDir;
    QString target = name;
    if (!ChooseSaveTarget(this, QStringLiteral("Save ") + name + QStringLiteral(" As"), dir, target))
        return;
    if (CleanAbsolute(target) == CleanAbsolute(source)) {
        ShowAlert(QStringLiteral("Save As"), QStringLiteral("There's no need to save the file over itself."));
        return;
    }
    if (QFileInfo::exists(target)
        && !AskYesNo(QStringLiteral("Save As"), QStringLiteral("Replace existing: ") + target + QLatin1Char('?')))
        return;
    const int code = SaveActiveFileAs(target);
    if (code == kErrorCopySameFile)
        ShowAlert(QStringLiteral("Save As"), QStringLiteral("There's no need to save the file over itself."));
    else if (code != 0 && code != kErrorSearchStopped)
        ShowErrorCode(code);
}

void TMainForm::ExpandTabsClick()
{
    // The action has toggled its own mark already; every viewer follows it.
    const bool expand = Action("ExpandTabs1")->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetExpandTabs(expand);
    UpdateCommands(true);
}

void TMainForm::HexFilterClick()
{
    const bool filter = Action("HexFilter1")->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetFilterChars(filter);
    UpdateCommands(true);
}

void TMainForm::StandardClick()
{
    if (TChildForm* c = ActiveChild()) {
        c->FileViewer()->SetInHexMode(false);
        c->ShowPage(QStringLiteral("Text"), 0);
    }
    UpdateCommands(true);
}

void TMainForm::HexClick()
{
    if (TChildForm* c = ActiveChild()) {
        c->FileViewer()->SetInHexMode(true);
        c->ShowPage(QStringLiteral("Text"), 1);
    }
    UpdateCommands(true);
}

void TMainForm::NativeClick()
{
    TChildForm* c = ActiveChild();
    if (c && c->TabSet()->count() >= 3)
        c->ShowPage(c->TabSet()->tabText(2), 2);
    UpdateCommands(true);
}

void TMainForm::EncodingClick(viewer::TTextEncoding encoding)
{
    TChildForm* c = ActiveChild();
    if (c && c->ActivePageName() == QLatin1String("Text")) {
        try {
            c->FileViewer()->SetEncoding(encoding);
        } catch (const std::exception& e) {
            ShowException(e);
        }
    }
    UpdateStatus();
    UpdateCommands(true);
}

void TMainForm::LineNumbersClick()
{
    const bool show = Action("LineNumbers1")->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetShowLineNumbers(show);
    UpdateCommands(true);
}

void TMainForm::FollowClick()
{
    if (TChildForm* child = ActiveChild())
        child->FileViewer()->SetFollow(Action("Follow1")->isChecked());
    UpdateStatus();
}

void TMainForm::WrapLinesClick()
{
    const bool wrap = Action("WrapLines1")->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetWrapLines(wrap);
    UpdateCommands(true);
}

void TMainForm::CopyWithCrLfClick()
{
    const bool crlf = Action("CopyWithCrLf1")->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetCopyWithCrLf(crlf);
}

const char* EncodingActionName(viewer::TTextEncoding encoding, bool twin)
{
    using viewer::TTextEncoding;
    switch (encoding) {
    case TTextEncoding::Auto:
        return twin ? "EncodingAuto2" : "EncodingAuto1";
    case TTextEncoding::Utf8:
        return twin ? "EncodingUtf82" : "EncodingUtf81";
    case TTextEncoding::Windows1252:
        return twin ? "EncodingWindows12522" : "EncodingWindows12521";
    case TTextEncoding::Iso8859_1:
        return twin ? "EncodingIso885912" : "EncodingIso885911";
    case TTextEncoding::Utf16LE:
        return twin ? "EncodingUtf16Le2" : "EncodingUtf16Le1";
    case TTextEncoding::Utf16BE:
        return twin ? "EncodingUtf16Be2" : "EncodingUtf16Be1";
    }
    return "EncodingAuto1";
}

void TMainForm::SynchronizeScrollingClick()
{
    QAction* sync = Action("SynchronizeScrolling1");
    // The action toggled itself; decide from the state it had before.
    const bool wasOn = !sync->isChecked();
    const QList<TChildForm*> children = Children();
    if (children.size() < 2) {
        sync->setChecked(wasOn);
        ShowAlert(kTitle,
            QStringLiteral("You must open at least two files before you\rcan use the synchronized scrolling feature."));
        return;
    }
    if (!wasOn) {
        for (TChildForm* c : children) {
            c->FileViewer()->SetInHexMode(false);
            c->ShowPage(QStringLiteral("Text"), 0);
            c->FileViewer()->MoveCaretTo(0, 0, false);
        }
    }
    UpdateCommands(true);
}

} // namespace hy::app

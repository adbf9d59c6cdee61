// The main window's commands: opening files into viewer windows, the status bar, and every menu command
// that acts on the active viewer window.
#include "app/Brview1.h"

#include "app/Brview2.h"
#include "app/Brview7.h"
#include "app/Compare.h"
#include "app/FileChoice.h"
#include "app/HelpWindow.h"
#include "app/HighlightDlg.h"
#include "app/Input.h"
#include "app/PrintDlg.h"
#include "app/SearchLink.h"
#include "app/StoppableWork.h"
#include "base/ErrorCodes.h"
#include "base/HyExceptions.h"
#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "core/program/WindowArrangement.h"
#include "core/viewer/HvRangeWriter.h"
#include "core/viewer/HvRegexSearch.h"
#include "platform/Cp1252.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformFiles.h"
#include "platform/SettingsStore.h"
#include "platform/TempCopies.h"
#include "ui/archive/ArchivePage.h"
#include "ui/archive/ZIPLIST.h"
#include "ui/common/Alert.h"
#include "ui/common/Ask.h"
#include "ui/common/CursorScope.h"
#include "ui/common/InputGate.h"
#include "ui/document/PdfPage.h"
#include "ui/image/MultiImg.h"
#include "ui/image/PictureView.h"
#include "ui/launch/Brview6.h"
#include "ui/launch/ClipView.h"
#include "ui/launch/Launch.h"
#include "ui/viewer/HvColor.h"
#include "ui/viewer/HvFilterPane.h"
#include "ui/viewer/HvFindBar.h"
#include "ui/viewer/HvFxFnt.h"
#include "ui/viewer/HvViewr.h"

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

using namespace hy::base;
using namespace hy::common;
using namespace hy::image;
using namespace hy::launch;
using namespace hy::program;
using namespace hy::settings;
using namespace hy::viewer;

using viewer::kUndeterminedTotal;
using viewer::LineNumber;

namespace {
    QString CleanAbsolute(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

    QChar LocaleTimeSeparator()
    {
        for (const QChar c : QLocale().timeFormat(QLocale::ShortFormat)) {
            if (!c.isLetter() && !c.isSpace())
                return c;
        }
        return QLatin1Char(':');
    }
} // namespace

void TMainForm::RefreshClick()
{
    if (TChildForm* c = ActiveChild())
        RefreshViewer(c);
}

void TMainForm::InformationClick()
{
    if (TChildForm* c = ActiveChild())
        ShowFileInfo(c->FileName(), this, c->CompressedSizes());
}

namespace {
    // What closes a window whose file went to another program. A viewed member's copy outlives its window:
    // the other program gets the file, and it goes when this program ends.
    std::function<void()> CloserOf(TChildForm* c, QMdiSubWindow* frame)
    {
        return [c = QPointer<TChildForm>(c), frame = QPointer<QMdiSubWindow>(frame)]() {
            if (c && c->DeleteOnClose())
                platform::TempCopies().Keep(c->FileName());
            if (frame)
                frame->close();
        };
    }
} // namespace

void TMainForm::UseTextEditorClick()
{
    if (TChildForm* c = ActiveChild())
        UseTextEditor(c->FileName(), m_settings.Editor, CloserOf(c, FrameOf(c)));
}

void TMainForm::UseAssociatedApplicationClick()
{
    if (TChildForm* c = ActiveChild())
        UseAssociatedApplication(c->FileName(), CloserOf(c, FrameOf(c)));
}

void TMainForm::RunClick()
{
    if (TChildForm* c = ActiveChild())
        RunProgram(c->FileName(), this);
}

void TMainForm::ShowClipboardClick() { TClipboardViewer::Open(m_clipboardViewer, this); }
void TMainForm::CompareClick() { CompareFiles(*this); }
void TMainForm::PrintFileClick() { PrintClick(*this); }
void TMainForm::FileSearchClick() { ShowFileSearch(this, m_fileSearch); }
void TMainForm::SetPreferencesClick() { SetPreferences(this); }
void TMainForm::ContentsClick() { HelpWindow()->ShowContents(); }
void TMainForm::TopicSearchClick() { HelpWindow()->ShowSearch(); }
void TMainForm::HowToUseHelpClick() { HelpWindow()->ShowHowToUse(); }
void TMainForm::UsingTheViewerClick() { ShowHelpContext(250, this); }
void TMainForm::SmallBarClick() { SetButtonBar(1); }
void TMainForm::LargeBarClick() { SetButtonBar(2); }
void TMainForm::NoBarClick() { SetButtonBar(0); }
void TMainForm::ShowStatusBarClick() { statusBar()->setVisible(!statusBar()->isVisible()); }

void TMainForm::ConnectCommands()
{
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* frame) {
        auto* child = frame ? qobject_cast<TChildForm*>(frame->widget()) : nullptr;
        if (child)
            m_lastActive = child;
        NameCurrentTab();
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
    v->SetFilterChars(Action(TCommand::HexFilter)->isChecked());
    v->SetExpandTabs(Action(TCommand::ExpandTabs)->isChecked());
    v->SetTabSize(m_settings.TabSize);
    v->SetShowLineNumbers(Action(TCommand::LineNumbers)->isChecked());
    v->SetWrapLines(Action(TCommand::WrapLines)->isChecked());
    v->SetCopyWithCrLf(Action(TCommand::CopyWithCrLf)->isChecked());
    ApplyHighlightRules(child);
    child->FindBar()->SetMatchColors(
        ColorFromSetting(m_settings.Colors[2].BackColor), ColorFromSetting(m_settings.Colors[2].TextColor));
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
        const bool infoEnabled = Action(TCommand::Information)->isEnabled();
        if (frame->isMinimized() && child == ActiveChild() && infoEnabled)
            UpdateCommands(false);
        else if (!frame->isMinimized() && !infoEnabled)
            UpdateCommands(true);
    });
    SetViewerFromSettings(child, hex);
    // What the window tells of itself.
    connect(child, &TChildForm::StatusChanged, this, [this, child]() { ViewerStatusChanged(child); });
    connect(child, &TChildForm::LongWorkChanged, this, [this, child](bool running) { ShowLongWork(child, running); });
    connect(child, &TChildForm::NoteShown, this, &TMainForm::ShowViewerNote);
    connect(child, &TChildForm::TextModeChosen, this, &TMainForm::SetCurrentTextModeHex);
    connect(child, &TChildForm::PageShown, this, [this](PageKind page) {
        if (page != PageKind::Text)
            UpdateStatus();
        UpdateCommands(true);
    });
    connect(child, &TChildForm::SelectionChanged, this, [this, child]() {
        if (ActiveChild() == child)
            UpdateCommands(true);
    });
    // F3 and Shift+F3 follow the find bar while it is open.
    connect(child->FilterPane(), &viewer::THvFilterPane::Closed, this, [this, child]() {
        if (ActiveChild() == child)
            UpdateCommands(true);
    });
    for (auto signal : { &viewer::THvFindBar::QueryChanged, &viewer::THvFindBar::Closed }) {
        connect(child->FindBar(), signal, this, [this, child]() {
            if (ActiveChild() == child)
                UpdateCommands(true);
        });
    }
    connect(child, &TChildForm::PictureLoading, this, [this](bool running) {
        if (running) {
            ++m_opening;
            m_progressGauge->setValue(0);
            m_progressGauge->setGeometry(m_infoPanel->rect().adjusted(2, 2, -2, -2));
            m_progressGauge->show();
        } else {
            --m_opening;
            ScheduleIdleWork();
            m_progressGauge->hide();
        }
    });
    connect(child, &TChildForm::PictureProgress, m_progressGauge, &QProgressBar::setValue);
    connect(child, &TChildForm::Closing, this, [this, child]() { ChildClosing(child); });
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
    child->SetDeleteOnClose(deleteOnClose);

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

    try {
        TOpenRequest request;
        request.FileName = fileName;
        request.Mode = mode;
        request.Rules = { m_settings.ShowImageFiles, m_settings.ShowArchiveFiles, m_settings.ShowMediaFiles,
            m_mediaExtensions, m_currentTextHex };
        // The window of the command interface keeps its pages for whatever kind of file comes next.
        request.KeepPages = ddeWindow != nullptr;
        request.CountAllLines = m_settings.CalcFileLength;
        if (!child->Open(request))
            return fail();
        if (child->Kind() == PageKind::Image && !ddeWindow)
            FitImageWindow(child, frame, mode == ViewMode::BySettings || mode == ViewMode::Native);
    } catch (const std::exception& e) {
        const auto* io = dynamic_cast<const EInOutError*>(&e);
        if (io && child->Kind() != PageKind::Text
            && (io->ErrorCode() == kErrorFileNotFound || io->ErrorCode() == kErrorPathNotFound))
            ShowAlert(ProgramTitle(), platform::DisplayFileName(fileName) + QStringLiteral("\rDoes not exist!"));
        else
            ShowException(e);
        return fail();
    }

    child->SetLoaded(true);
    // Temporary copies (archive members) are no file to come back to.
    if (!deleteOnClose) {
        ReopenAtLastPlace(child, wanted);
        m_recent.Opened(wanted);
        m_recentSaveTimer->start();
    }
    if (m_batch > 0) {
        // A batch shows its windows together when it ends.
        m_batchFrames.append(frame);
        return true;
    }
    frame->show();
    KeepInsideClientArea(frame);
    m_mdiArea->setActiveSubWindow(frame);
    // The DDE window leaves the keyboard where it was.
    if (!ddeWindow)
        child->FocusPage();
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
    // A tab is named after the file and tells its full name as its tip.
    connect(frame, &QWidget::windowTitleChanged, this, [this, frame]() {
        LabelTab(frame);
        if (frame == m_mdiArea->currentSubWindow())
            NameCurrentTab();
    });
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
    // The tab bar lays its tabs out once, at the end, rather than again for every window.
    QTabBar* tabs = m_batch == 1 ? WindowTabs() : nullptr;
    const bool tabsShown = tabs && tabs->isVisible();
    if (tabsShown)
        tabs->hide();
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
    if (tabsShown)
        tabs->show();
    ShowBatchFrames();
    UpdateStatus();
    UpdateCommands(true);
    ScheduleIdleWork();
    return handled;
}

void TMainForm::ViewerStatusChanged(TChildForm* child)
{
    UpdateStatus();
    // Windows whose lines are still being counted have no line numbers to share or take.
    if (!Action(TCommand::SynchronizeScrolling)->isChecked() || child != ActiveChild()
        || child->FileViewer()->CountingLines())
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
    // A recent file remembers where it was left.
    const QString name = CleanAbsolute(closing->FileName());
    if (m_recent.Find(name) && closing->Kind() == PageKind::Text) {
        viewer::THvFileViewer* v = closing->FileViewer();
        const viewer::TTextEncoding chosen = v->Encoding();
        m_recent.Left({ name, v->CaretCharLocation().Line, v->InHexMode(),
            chosen == viewer::TTextEncoding::Auto ? QString() : viewer::EncodingName(chosen) });
        SaveRecentFiles();
    }
    RemoveChild(closing);
    TakeTabCloseButtonFrom(FrameOf(closing));
    // The closing window still counts.
    const int count = int(Children().size()) + 1;
    QAction* sync = Action(TCommand::SynchronizeScrolling);
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
    const PageKind page = child->ActivePage();
    viewer::THvFileViewer* v = child->FileViewer();
    const qint64 fileSize = v->FileSize();
    const QMdiSubWindow* frame = FrameOf(child);
    const bool minimized = frame && frame->isMinimized();
    if (page == PageKind::Text) {
        const viewer::TTextPosition pos = v->CaretLocation();
        const bool counting = v->CountingLines() && !v->InHexMode();
        if (counting)
            m_cursorPosPanel->setText(BytePositionText(v->CaretOffset(), fileSize, pos.Index));
        else
            m_cursorPosPanel->setText(QStringLiteral("%1:%2").arg(pos.Line + 1).arg(pos.Index + 1));
        // Hex rows follow from the file's size; text lines are counted when the file opens, never here.
        if (v->LineTotal() == kUndeterminedTotal && v->InHexMode())
            v->ClampLine(kUndeterminedTotal);
        const LineNumber total = v->LineTotal();
        // An empty file has no line to find: it reads as none rather than as a count still to come.
        const QString lines = counting ? CountingLinesText(v->CountProgress())
            : fileSize == 0            ? LineCountText(0, false)
                                       : LineCountText(total, total == kUndeterminedTotal);
        SetInfoText(m_viewerNote.isEmpty() ? TextInfoText(lines, fileSize)
                                           : m_viewerNote + QLatin1Char(' ') + TextInfoText(lines, fileSize));
        bool showChar = false;
        if (!v->InHexMode() && v->LineTotal() != 0) {
            const viewer::TTextPosition at = v->CaretCharLocation();
            const viewer::TCell cell = v->Layout().CellAt(at.Line, at.Index);
            if (cell.Length > 0) {
                // A placeholder for a byte the code page leaves undefined is no character either.
                const viewer::TTextEncoding enc = v->EffectiveEncoding();
                const bool valid = cell.Type != viewer::TCell::Replacement
                    && !(cell.Type == viewer::TCell::Placeholder && viewer::IsSingleByte(enc) && cell.Code < 0x100
                        && viewer::SingleByteTable(enc)[cell.Code] == viewer::kUndefinedChar);
                m_charPanel->setText(CharPanelText(cell.Code, valid));
                showChar = true;
            }
        }
        // A minimised window shows no character of its own.
        SetCharPanelWanted(showChar && !minimized && child->TabSet()->currentIndex() == 0);
        QString encoding = viewer::EncodingName(v->EffectiveEncoding());
        if (v->Encoding() == viewer::TTextEncoding::Auto)
            encoding = QStringLiteral("Auto: ") + encoding;
        m_encodingPanel->setText(encoding);
        SetPanelWanted(m_encodingPanel, true);
    } else if (page == PageKind::Image) {
        SetPanelWanted(m_encodingPanel, false);
        // The zoom of the picture on show.
        m_cursorPosPanel->setText(child->PictureView()->ZoomText());
        const TMultiImage* img = child->ImageViewer();
        SetInfoText(ImageInfoText(
            img->ImageWidth(), img->ImageHeight(), img->ImageBitsPerPixel(), img->ImagePlanes(), fileSize));
        SetCharPanelWanted(false);
    } else if (page == PageKind::Archive) {
        m_cursorPosPanel->clear();
        SetInfoText(ArchiveInfoText(child->ArchiveMemberCount()));
        SetCharPanelWanted(false);
    } else if (page == PageKind::Media) {
        SetPanelWanted(m_encodingPanel, false);
        m_cursorPosPanel->clear();
        SetInfoText(MediaLengthText(child->MediaLength(), LocaleTimeSeparator()));
        SetCharPanelWanted(false);
    } else if (page == PageKind::Pdf) {
        SetPanelWanted(m_encodingPanel, false);
        const document::TPdfPage* pdf = child->PdfPage();
        m_cursorPosPanel->setText(PdfPageText(pdf->CurrentPage(), pdf->PageCount()));
        SetInfoText(PdfInfoText(pdf->PageCount(), fileSize));
        SetCharPanelWanted(false);
    } else if (page == PageKind::Document) {
        SetPanelWanted(m_encodingPanel, false);
        m_cursorPosPanel->clear();
        SetInfoText(DocumentInfoText(fileSize));
        SetCharPanelWanted(false);
    }
    SetPanelWanted(m_followPanel, page == PageKind::Text && v->Follow());
    UpdateCopyCommands(child);
}

void TMainForm::UpdateCopyCommands(TChildForm* child)
{
    const bool toClipboard = child && child->CanCopyToClipboard();
    const bool toFile = child && child->CanCopyToFile();
    Action(TCommand::ToClipboard)->setEnabled(toClipboard);
    Action(TCommand::ToClipboard2)->setEnabled(toClipboard);
    Action(TCommand::ToFile)->setEnabled(toFile);
    Action(TCommand::Copy)->setEnabled(toClipboard || toFile);
}

void TMainForm::UpdateCommands(bool enabled)
{
    for (const TCommand c : { TCommand::SaveAs, TCommand::Close, TCommand::CloseAll, TCommand::Information,
             TCommand::EditFile, TCommand::Print, TCommand::Compare, TCommand::SelectAll, TCommand::Standard,
             TCommand::Hex, TCommand::Native, TCommand::SynchronizeScrolling })
        Action(c)->setEnabled(enabled);
    Action(TCommand::Run)->setVisible(false);
    for (const TCommand c :
        { TCommand::Copy, TCommand::ToClipboard, TCommand::ToClipboard2, TCommand::ToFile, TCommand::Find,
            TCommand::FindBar, TCommand::FindNext, TCommand::FindPrevious, TCommand::GotoLine, TCommand::ExpandTabs,
            TCommand::HexFilter, TCommand::Encoding, TCommand::WrapLines, TCommand::Follow, TCommand::Filter })
        Action(c)->setEnabled(false);

    TChildForm* child = enabled ? ActiveChild() : nullptr;
    UpdateZoomCommands(child);
    if (!child) {
        SetCharPanelWanted(false);
        if (Children().isEmpty()) {
            for (const TCommand c : { TCommand::SaveAs, TCommand::Close, TCommand::CloseAll, TCommand::Information,
                     TCommand::EditFile, TCommand::Print, TCommand::Compare, TCommand::SelectAll, TCommand::Standard,
                     TCommand::Hex, TCommand::Native, TCommand::SynchronizeScrolling })
                Action(c)->setEnabled(false);
        }
    } else {
        viewer::THvFileViewer* v = child->FileViewer();
        const LineNumber total = v->LineTotal();
        const PageKind page = child->ActivePage();
        const bool text = page == PageKind::Text;
        const int tab = child->TabSet()->currentIndex();
        if (tab != 0)
            SetCharPanelWanted(false);
        const bool pdf = page == PageKind::Pdf;
        Action(TCommand::Print)->setEnabled(total > 0 && (text || pdf || page == PageKind::Image));
        UpdateCopyCommands(child);
        Action(TCommand::SelectAll)->setEnabled(text || pdf || page == PageKind::Archive || page == PageKind::Document);
        // F4 goes to a page of a PDF document.
        Action(TCommand::GotoLine)->setText(pdf ? QStringLiteral("&Go to Page...") : QStringLiteral("&Go to Line..."));
        Action(TCommand::Standard)->setChecked(text && !v->InHexMode());
        Action(TCommand::Hex)->setChecked(text && v->InHexMode());
        QAction* native = Action(TCommand::Native);
        if (child->ThirdTab() == PageKind::Text) {
            native->setVisible(false);
        } else {
            native->setText(QLatin1Char('&') + PageName(child->ThirdTab()));
            native->setChecked(!text);
            native->setVisible(true);
        }
        if (text) {
            Action(TCommand::Find)->setEnabled(total > 0);
            Action(TCommand::GotoLine)->setEnabled(total > 0);
            Action(TCommand::FindBar)->setEnabled(total > 0);
            const bool again = total > 0 && (!m_search.Text.isEmpty() || ActiveFindBar());
            Action(TCommand::FindNext)->setEnabled(again);
            Action(TCommand::FindPrevious)->setEnabled(again);
            Action(TCommand::ExpandTabs)->setEnabled(!v->InHexMode());
            Action(TCommand::ExpandTabs)->setChecked(v->ExpandTabs());
            Action(TCommand::HexFilter)->setEnabled(v->InHexMode());
            Action(TCommand::HexFilter)->setChecked(v->FilterChars());
            Action(TCommand::Encoding)->setEnabled(true);
            EncodingAction(v->Encoding())->setChecked(true);
            Action(TCommand::WrapLines)->setEnabled(!v->InHexMode());
            Action(TCommand::Follow)->setEnabled(true);
            Action(TCommand::Follow)->setChecked(v->Follow());
            Action(TCommand::Filter)->setEnabled(total > 0);
            Action(TCommand::Filter)->setChecked(child->FilterPane()->isVisible());
        } else if (pdf) {
            for (const TCommand c : { TCommand::Find, TCommand::GotoLine })
                Action(c)->setEnabled(true);
            for (const TCommand c : { TCommand::FindNext, TCommand::FindPrevious })
                Action(c)->setEnabled(!m_search.Text.isEmpty());
        }
        const bool program = IsProgramFile(child->FileName());
        if (QAction* assoc = Action(TCommand::UseAssociatedApplication))
            assoc->setEnabled(!program);
        Action(TCommand::Run)->setVisible(program && m_settings.AllowAppLaunching);
        // An emptied DDE window has no file to save, describe, edit or print.
        if (child->FileName().isEmpty()) {
            for (const TCommand c :
                { TCommand::SaveAs, TCommand::Information, TCommand::EditFile, TCommand::Print, TCommand::SelectAll })
                Action(c)->setEnabled(false);
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
        if (c->ActivePage() == PageKind::Text)
            c->FileViewer()->setFocus();
    }
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
            TileAfterOpening();
    }
}

void TMainForm::CloseClick()
{
    if (QMdiSubWindow* f = FrameOf(ActiveChild()))
        f->close();
}

void TMainForm::CloseAllClick()
{
    // The tab bar lays out its tabs once, when they are gone, rather than again for every window closed.
    const QPointer<QTabBar> tabs = WindowTabs();
    const bool tabsShown = tabs && tabs->isVisible();
    if (tabsShown)
        tabs->hide();
    const QList<QMdiSubWindow*> frames = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (auto it = frames.crbegin(); it != frames.crend(); ++it)
        (*it)->close();
    if (tabsShown && tabs)
        tabs->show();
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
    const bool allFiles = children.size() > 1 && m_search.AllFiles;
    TChildForm* active = ActiveChild();
    if (active && !allFiles && active->ActivePage() == PageKind::Pdf) {
        // The PDF page searches the document's text.
        active->FindInPdf(m_search.Text, !m_search.DirectionDown, m_search.OriginTop);
    } else if (allFiles) {
        TileAfterOpening();
        SearchWindows(children, m_search.Text, options, true);
    } else if (active) {
        SearchWindow(active, m_search.Text, options, false, true);
    }
    UpdateCommands(true);
}

namespace {

    // Go to Page on the PDF page.
    void GotoPdfPage(QWidget* parent, document::TPdfPage& pdf)
    {
        QString text = QString::number(pdf.CurrentPage() + 1);
        const QString total = QString::number(pdf.PageCount());
        if (!GetInput(parent, QStringLiteral("Go to Page"),
                QStringLiteral("Enter new page number (1 to ") + total + QStringLiteral("):"), text, 207, true))
            return;
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok || n < 1 || n > pdf.PageCount()) {
            ShowAlert(QStringLiteral("Go to Page"),
                QStringLiteral("Valid page numbers are 1 to ") + total + QLatin1Char('.'));
            return;
        }
        pdf.GoToPage(n - 1);
    }

} // namespace

void TMainForm::GotoLineClick()
{
    TChildForm* child = ActiveChild();
    if (!child)
        return;
    if (child->ActivePage() == PageKind::Pdf) {
        GotoPdfPage(this, *child->PdfPage());
        return;
    }
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
    if (TChildForm* child = ActiveChild())
        child->SelectAll();
    UpdateCommands(true);
}

void TMainForm::ToClipboardClick()
{
    if (TChildForm* child = ActiveChild())
        child->CopyToClipboard();
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
    if (TChildForm* child = ActiveChild(); child && child->ActivePage() == PageKind::Archive) {
        child->ExtractSelectedMembers();
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
    const bool expand = Action(TCommand::ExpandTabs)->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetExpandTabs(expand);
    UpdateCommands(true);
}

void TMainForm::HexFilterClick()
{
    const bool filter = Action(TCommand::HexFilter)->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetFilterChars(filter);
    UpdateCommands(true);
}

void TMainForm::StandardClick()
{
    if (TChildForm* c = ActiveChild()) {
        c->FileViewer()->SetInHexMode(false);
        c->ShowPage(PageKind::Text, 0);
    }
    UpdateCommands(true);
}

void TMainForm::HexClick()
{
    if (TChildForm* c = ActiveChild()) {
        c->FileViewer()->SetInHexMode(true);
        c->ShowPage(PageKind::Text, 1);
    }
    UpdateCommands(true);
}

void TMainForm::NativeClick()
{
    TChildForm* c = ActiveChild();
    if (c && c->ThirdTab() != PageKind::Text)
        c->ShowPage(c->ThirdTab(), 2);
    UpdateCommands(true);
}

void TMainForm::EncodingClick(viewer::TTextEncoding encoding)
{
    TChildForm* c = ActiveChild();
    if (c && c->ActivePage() == PageKind::Text) {
        try {
            c->FileViewer()->SetEncoding(encoding);
            c->CountLines();
        } catch (const std::exception& e) {
            ShowException(e);
        }
    }
    UpdateStatus();
    UpdateCommands(true);
}

void TMainForm::LineNumbersClick()
{
    const bool show = Action(TCommand::LineNumbers)->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetShowLineNumbers(show);
    UpdateCommands(true);
}

void TMainForm::FollowClick()
{
    if (TChildForm* child = ActiveChild())
        child->FileViewer()->SetFollow(Action(TCommand::Follow)->isChecked());
    UpdateStatus();
}

void TMainForm::WrapLinesClick()
{
    const bool wrap = Action(TCommand::WrapLines)->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetWrapLines(wrap);
    UpdateCommands(true);
}

void TMainForm::CopyWithCrLfClick()
{
    const bool crlf = Action(TCommand::CopyWithCrLf)->isChecked();
    for (TChildForm* c : Children())
        c->FileViewer()->SetCopyWithCrLf(crlf);
}

void TMainForm::SynchronizeScrollingClick()
{
    QAction* sync = Action(TCommand::SynchronizeScrolling);
    // The action toggled itself; decide from the state it had before.
    const bool wasOn = !sync->isChecked();
    const QList<TChildForm*> children = Children();
    if (children.size() < 2) {
        sync->setChecked(wasOn);
        ShowAlert(ProgramTitle(),
            QStringLiteral("You must open at least two files before you\rcan use the synchronized scrolling feature."));
        return;
    }
    if (!wasOn) {
        for (TChildForm* c : children) {
            c->FileViewer()->SetInHexMode(false);
            c->ShowPage(PageKind::Text, 0);
            c->FileViewer()->MoveCaretTo(0, 0, false);
        }
    }
    UpdateCommands(true);
}

} // namespace hy::app

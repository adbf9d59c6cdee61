// The main window's tools for reading logs: the find bar and its repeat keys, the filter pane, the
// highlight rules and the recent files.
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
#include "ui/image/MultiImg.h"
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

using namespace hy::common;
using namespace hy::settings;

void TMainForm::FindBarClick()
{
    if (TChildForm* c = ActiveChild())
        c->OpenFindBar();
    UpdateCommands(true);
}

void TMainForm::FilterClick()
{
    if (TChildForm* c = ActiveChild())
        c->ToggleFilterPane();
    UpdateCommands(true);
}

void TMainForm::FindNextClick() { RepeatFind(false); }

void TMainForm::ApplyHighlightRules(TChildForm* child)
{
    std::vector<viewer::THvMarkRule> marks;
    const auto color = [](quint32 c) { return c == settings::kNoColor ? QColor() : QColor::fromRgb(QRgb(c)); };
    // The built-in set takes its colours for a dark text area where the text area is dark.
    const bool darkBack = child->FileViewer()->Color().lightness() < 128;
    for (const settings::THighlightRule& r : m_highlight.Effective(darkBack))
        marks.push_back({ { r.Pattern, r.MatchCase, false, r.Regex }, color(r.Back), color(r.Text), r.WholeLine });
    child->FileViewer()->SetMarkRules(std::move(marks));
}

void TMainForm::HighlightRulesClick()
{
    THighlightRulesDialog dialog(m_highlight, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_highlight = dialog.Result();
    try {
        platform::SettingsStore store;
        m_highlight.Save(store);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    for (TChildForm* c : Children())
        ApplyHighlightRules(c);
}

void TMainForm::SaveRecentFiles()
{
    m_recentSaveTimer->stop();
    try {
        platform::SettingsStore store;
        m_recent.Save(store);
    } catch (const std::exception& e) {
        ShowException(e);
    }
}

void TMainForm::ReopenAtLastPlaceClick()
{
    m_recent.SetReopenAtLastPlace(Action(TCommand::ReopenAtLastPlace)->isChecked());
    SaveRecentFiles();
}

void TMainForm::ClearRecentClick()
{
    m_recent.Clear();
    SaveRecentFiles();
}

void TMainForm::FileMenuAboutToShow()
{
    // The numbered items stand above Exit and its separator, with a separator of their own.
    qDeleteAll(m_recentItems);
    m_recentItems.clear();
    const QList<QAction*> items = m_fileMenu->actions();
    const qsizetype exitAt = items.indexOf(Action(TCommand::Exit));
    QAction* before = exitAt > 0 ? items[exitAt - 1] : Action(TCommand::Exit);
    const QList<settings::TRecentFile>& files = m_recent.Files();
    for (int i = 0; i < files.size(); ++i) {
        const QString name = files[i].Name;
        const bool gone = platform::KindOf(name) == platform::EntryKind::Missing;
        auto* a = new QAction(settings::RecentMenuText(i, platform::DisplayFileName(name))
                + (gone ? QStringLiteral("  (no longer there)") : QString()),
            m_fileMenu);
        a->setObjectName(QStringLiteral("Recent%1").arg(i + 1));
        if (gone) {
            QFont font = a->font();
            font.setItalic(true);
            a->setFont(font);
        }
        connect(a, &QAction::triggered, this, [this, name] { OpenRecent(name); });
        m_fileMenu->insertAction(before, a);
        m_recentItems << a;
    }
    Action(TCommand::ClearRecent)->setEnabled(!files.isEmpty());
}

void TMainForm::OpenRecent(const QString& name)
{
    if (platform::KindOf(name) == platform::EntryKind::Missing) {
        ShowAlert(ProgramTitle(), platform::DisplayFileName(name) + QStringLiteral("\rDoes not exist!"));
        return;
    }
    OpenFileInViewer(name, ViewMode::BySettings, false);
}

void TMainForm::ReopenAtLastPlace(TChildForm* child, const QString& name)
{
    const settings::TRecentFile* last = m_recent.Find(name);
    if (!last || !m_recent.ReopenAtLastPlace() || child->Kind() != PageKind::Text
        || child->ActivePage() != PageKind::Text)
        return;
    viewer::THvFileViewer* v = child->FileViewer();
    if (const std::optional<viewer::TTextEncoding> e = viewer::EncodingByName(last->Encoding))
        v->SetEncoding(*e);
    if (last->Hex != v->InHexMode())
        child->ShowPage(PageKind::Text, last->Hex ? 1 : 0);
    if (last->Line > 0 && !last->Hex)
        v->PlaceCaretOnLine(last->Line);
}

void TMainForm::FindPreviousClick() { RepeatFind(true); }

// The open find bar of the active window, with a pattern in it.
viewer::THvFindBar* TMainForm::ActiveFindBar() const
{
    TChildForm* c = ActiveChild();
    viewer::THvFindBar* bar = c ? c->FindBar() : nullptr;
    return bar && bar->isVisible() && !bar->Query().Text.isEmpty() ? bar : nullptr;
}

void TMainForm::RepeatFind(bool reverse)
{
    // An open find bar takes F3 and Shift+F3; else the Find dialog's search goes on, the other way with reverse.
    if (viewer::THvFindBar* bar = ActiveFindBar()) {
        if (reverse)
            bar->Previous();
        else
            bar->Next();
        return;
    }
    if (m_search.Text.isEmpty() || !SearchPatternValid())
        return;
    const unsigned options
        = (m_search.FindOptions() & ~unsigned(viewer::soWholeFile)) ^ (reverse ? unsigned(viewer::soBackward) : 0u);
    const QList<TChildForm*> children = Children();
    const bool allFiles = children.size() > 1 && m_search.AllFiles;
    TChildForm* active = ActiveChild();
    if (active && !allFiles && active->ActivePage() == PageKind::Pdf) {
        active->FindInPdf(m_search.Text, (options & viewer::soBackward) != 0, false);
    } else if (allFiles) {
        SearchWindows(children, m_search.Text, options, false);
    } else if (active) {
        SearchWindow(active, m_search.Text, options, false, false);
    }
    UpdateCommands(true);
}

} // namespace hy::app

// File > File Search...: the search windows over the main window.
#include "app/SearchLink.h"

#include "app/Brview1.h"
#include "app/Brview2.h"
#include "ui/search/Fsearch.h"

#include <QAction>
#include <QPointer>

namespace hy::app {

using namespace hy::search;
using namespace hy::settings;

TPreviewSettings PreviewSettingsOf(const TMainForm* form)
{
    TPreviewSettings s;
    if (!form)
        return s;
    const TViewerSettings& v = form->Settings();
    s.ShowSystemFiles = v.ShowSystemFiles;
    s.ShowImageFiles = v.ShowImageFiles;
    s.ShowArchiveFiles = v.ShowArchiveFiles;
    s.ShowMediaFiles = v.ShowMediaFiles;
    s.MediaExtensions = form->MediaExtensions();
    s.FontName = v.FontName;
    s.FontSize = v.FontSize;
    s.FontStyle = v.FontStyle;
    s.TextColor = ColorFromSetting(v.Colors[0].TextColor);
    s.BackColor = ColorFromSetting(v.Colors[0].BackColor);
    s.SelectedTextColor = ColorFromSetting(v.Colors[1].TextColor);
    s.SelectedBackColor = ColorFromSetting(v.Colors[1].BackColor);
    s.HexFilter = form->Action(TCommand::HexFilter)->isChecked();
    s.ExpandTabs = form->Action(TCommand::ExpandTabs)->isChecked();
    s.TabSize = v.TabSize;
    return s;
}

void ShowFileSearch(TMainForm* form, QPointer<TFileSearchDialog>& dialog)
{
    const QPointer<TMainForm> main(form);
    TSearchHooks hooks;
    hooks.MainWindow = form;
    hooks.Settings = [main]() { return PreviewSettingsOf(main); };
    hooks.OpenFile = [main](const QString& path, int viewHint) {
        return main && main->OpenFileInViewer(path, ViewMode(viewHint), false);
    };
    TFileSearchDialog::ShowFileSearch(dialog, hooks);
}

} // namespace hy::app

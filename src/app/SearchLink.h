// The main window's File Search command: it hands the search windows the program's settings and its
// way of opening files, and shows the File Search dialog that dialog holds, made first when there is none.
#pragma once

#include "ui/search/PreviewHost.h"

#include <QPointer>

namespace hy::search {
class TFileSearchDialog;
}

namespace hy::app {

class TMainForm;

void ShowFileSearch(TMainForm* form, QPointer<search::TFileSearchDialog>& dialog);

// What a preview pane takes from the main window's settings: file options, media list, font, colours, tabs.
search::TPreviewSettings PreviewSettingsOf(const TMainForm* form);

} // namespace hy::app

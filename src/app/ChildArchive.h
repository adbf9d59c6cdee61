// The Archive page of a viewer window, joined to the main window: the temporary and extraction folders
// from the settings, viewed members opened in windows that delete them, the directory selector, the
// status bar for progress and the commands that follow the selection.
#pragma once

class QWidget;

namespace hy::archive {
class TArchivePage;
}

namespace hy::app {

class TChildForm;
class TMainForm;

archive::TArchivePage* CreateChildArchivePage(TChildForm* child, TMainForm* main, QWidget* parent);

} // namespace hy::app

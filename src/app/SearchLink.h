// The main window's File Search command: it hands the search windows the program's settings and its
// way of opening files, and shows the File Search dialog.
#pragma once

namespace hy::app {

class TMainForm;

void ShowFileSearch(TMainForm* form);

} // namespace hy::app

// How windows below the application shell open a help topic: the shell installs its help window here at
// start-up, and dialogs ask for a context number without knowing the help window.
#pragma once

#include <functional>

class QWidget;

namespace hy::common {

using THelpHandler = std::function<void(int context, QWidget* from)>;

// Replaces the handler; returns the previous one.
THelpHandler SetHelpHandler(THelpHandler handler);
// Opens the topic of a context number; nothing while no handler is installed.
void ShowHelp(int context, QWidget* from);

} // namespace hy::common

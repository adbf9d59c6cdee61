// The program's own icon, which every window of the program carries.
#pragma once

#include <QIcon>

namespace hy::app {

// The icon in every size it is drawn in (16 to 256 pixels).
QIcon ProgramIcon();

// The sizes the icon is drawn in.
inline constexpr int kProgramIconSizes[] = { 16, 32, 48, 64, 128, 256 };

// The name of the program's desktop entry and icon in the desktop's menus and themes.
inline constexpr const char* kDesktopFileName = "org.halcyra.Viewer";

} // namespace hy::app

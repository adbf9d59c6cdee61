// The pictures of the main window's buttons: the desktop theme's, or drawn by the program itself.
#pragma once

#include <QIcon>

namespace hy::app {

enum class ButtonPicture { Open, SaveAs, Copy, Info, Edit, Print, Find, FindNext, DiskSearch, Exit };

// The button's icon: the desktop icon theme's standard icon of the command where the theme has one, else the
// program's own drawing (OwnButtonIcon), drawn at the size and scale each bar asks for: sharp at any scale.
// Either is made when a bar first paints it.
QIcon ButtonIcon(ButtonPicture picture);
QIcon OwnButtonIcon(ButtonPicture picture);
// The standard (freedesktop) name of the button's icon in icon themes.
const char* ThemeIconName(ButtonPicture picture);

} // namespace hy::app

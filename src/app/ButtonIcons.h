// The pictures of the main window's buttons, drawn by the program itself.
#pragma once

#include <QIcon>

namespace hy::app {

enum class ButtonPicture { Open, SaveAs, Copy, Info, Edit, Print, Find, FindNext, DiskSearch, Exit };

QIcon ButtonIcon(ButtonPicture picture);

} // namespace hy::app

// The 28 type icons of the file and archive lists (16 x 14 pixels, our own drawing), loaded once from
// the program's resources with their maroon background made transparent.
#pragma once

#include <QImage>

class QPainter;

namespace hy::filelist {

inline constexpr int kFileIconWidth = 16;
inline constexpr int kFileIconHeight = 14;

// Icon 1 to 28 (see TFileIcon); any other number gives the icon of other files (9).
const QImage& FileTypeIcon(int number);

// Draws an icon with its top-left corner at (x, y).
void DrawFileTypeIcon(QPainter& painter, int x, int y, int number);

} // namespace hy::filelist

// Where windows go: the viewer windows tiled or cascaded inside the main window's client area, and a stored
// main window brought onto the screen that is there now.
#pragma once

#include <QList>
#include <QRect>

namespace hy::program {

// The smallest a viewer window may be made.
inline constexpr int kChildMinWidth = 165;
inline constexpr int kChildMinHeight = 150;

// Side by side (vertical) or one above the other (horizontal), filling the area. Windows never get smaller
// than the minimum. Side by side, windows that do not all fit are laid out in as many rows as it takes; one
// above the other, they stay one column of full-width windows, overlapping by equal steps when they must.
QList<QRect> TileRects(int count, const QSize& area, bool vertical);

// Each window a good share of the area, each one step down and right of the one before; when the next
// step would leave the area, the steps start again from the top-left corner.
QList<QRect> CascadeRects(int count, const QSize& area, int step);

// Bounds that fit the available area: no larger than it, and moved so that they lie wholly inside it.
QRect FitInside(const QRect& bounds, const QRect& available);

} // namespace hy::program

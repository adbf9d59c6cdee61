// Tiling, cascading and fitting rectangles.
#include "app/WindowArrangement.h"

#include <algorithm>

namespace hy::app {

namespace {
    // The share of the length that the i-th of n gets, the last one taking what division left over.
    int Part(int length, int n, int i) { return i == n - 1 ? length - length / n * (n - 1) : length / n; }
} // namespace

QList<QRect> TileRects(int count, const QSize& area, bool vertical)
{
    QList<QRect> rects;
    if (count <= 0)
        return rects;
    const int along = vertical ? area.width() : area.height();
    const int across = vertical ? area.height() : area.width();
    const int minAlong = vertical ? kChildMinWidth : kChildMinHeight;
    const int minAcross = vertical ? kChildMinHeight : kChildMinWidth;
    const int perLine = std::clamp(along / minAlong, 1, count);
    const int lines = (count + perLine - 1) / perLine;
    const int lineLength = std::max(across / lines, minAcross);
    for (int i = 0; i < count; ++i) {
        const int line = i / perLine;
        const int inLine = std::min(perLine, count - line * perLine);
        const int index = i % perLine;
        const int size = std::max(Part(along, inLine, index), minAlong);
        const int start = along / inLine * index;
        const int acrossStart = std::min(line * lineLength, std::max(0, across - lineLength));
        const int acrossSize = line == lines - 1 ? std::max(across - acrossStart, minAcross) : lineLength;
        rects << (vertical ? QRect(start, acrossStart, size, acrossSize) : QRect(acrossStart, start, acrossSize, size));
    }
    return rects;
}

QList<QRect> CascadeRects(int count, const QSize& area, int step)
{
    QList<QRect> rects;
    step = std::max(step, 1);
    const int width = std::max(kChildMinWidth, area.width() * 3 / 4);
    const int height = std::max(kChildMinHeight, area.height() * 3 / 4);
    const int steps = std::max(1, std::min((area.width() - width) / step, (area.height() - height) / step) + 1);
    for (int i = 0; i < count; ++i) {
        const int k = i % steps;
        rects << QRect(k * step, k * step, width, height);
    }
    return rects;
}

QRect FitInside(const QRect& bounds, const QRect& available)
{
    if (available.isEmpty())
        return bounds;
    QRect r = bounds;
    r.setWidth(std::clamp(r.width(), 1, available.width()));
    r.setHeight(std::clamp(r.height(), 1, available.height()));
    r.moveLeft(std::clamp(r.left(), available.left(), available.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), available.top(), available.bottom() - r.height() + 1));
    return r;
}

} // namespace hy::app

// Tiling, cascading and fitting rectangles.
#include "core/program/WindowArrangement.h"

#include <algorithm>

namespace hy::program {

namespace {
    // The share of the length that the i-th of n gets, the last one taking what division left over.
    int Part(int length, int n, int i) { return i == n - 1 ? length - length / n * (n - 1) : length / n; }
} // namespace

QList<QRect> TileRects(int count, const QSize& area, bool vertical)
{
    QList<QRect> rects;
    if (count <= 0)
        return rects;
    if (!vertical) {
        // One above the other, each the full width, so that rows of text (a hex dump's offsets and all) read
        // whole in every window. When they do not fit at their smallest height, they overlap by equal steps,
        // the first at the top and the last ending at the bottom.
        const int width = std::max(area.width(), kChildMinWidth);
        const bool fit = area.height() / count >= kChildMinHeight;
        for (int i = 0; i < count; ++i) {
            if (fit) {
                rects << QRect(0, area.height() / count * i, width, Part(area.height(), count, i));
            } else {
                const int room = std::max(0, area.height() - kChildMinHeight);
                const int top = count > 1 ? int(qint64(room) * i / (count - 1)) : 0;
                rects << QRect(0, top, width, kChildMinHeight);
            }
        }
        return rects;
    }
    // Side by side, in as many rows as it takes for none to be narrower than the minimum.
    const int perRow = std::clamp(area.width() / kChildMinWidth, 1, count);
    const int rows = (count + perRow - 1) / perRow;
    const int rowHeight = std::max(area.height() / rows, kChildMinHeight);
    for (int i = 0; i < count; ++i) {
        const int row = i / perRow;
        const int inRow = std::min(perRow, count - row * perRow);
        const int index = i % perRow;
        const int width = std::max(Part(area.width(), inRow, index), kChildMinWidth);
        const int left = area.width() / inRow * index;
        const int top = std::min(row * rowHeight, std::max(0, area.height() - rowHeight));
        const int height = row == rows - 1 ? std::max(area.height() - top, kChildMinHeight) : rowHeight;
        rects << QRect(left, top, width, height);
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

} // namespace hy::program

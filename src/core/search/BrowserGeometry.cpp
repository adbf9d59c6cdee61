// The results browser's geometry.
#include "core/search/BrowserGeometry.h"

#include <algorithm>

namespace hy::search {

int ClampListSize(int size, int extent, int splitterSize)
{
    return std::clamp(size, 0, std::max(0, extent - splitterSize));
}

int FitListSize(int size, int extent, int splitterSize)
{
    if (size + splitterSize > extent)
        return std::max(0, extent / 2);
    return std::max(0, size);
}

TSplitPanes SplitPanes(const QRect& area, bool sideBySide, int listSize, bool preview, int splitterSize)
{
    TSplitPanes panes;
    if (!preview) {
        panes.list = area;
        return panes;
    }
    const int size = ClampListSize(listSize, SplitExtent(area, sideBySide), splitterSize);
    if (sideBySide) {
        panes.list = QRect(area.left(), area.top(), size, area.height());
        panes.splitter = QRect(area.left() + size, area.top(), splitterSize, area.height());
        panes.viewer = QRect(
            panes.splitter.right() + 1, area.top(), std::max(0, area.right() - panes.splitter.right()), area.height());
    } else {
        panes.list = QRect(area.left(), area.top(), area.width(), size);
        panes.splitter = QRect(area.left(), area.top() + size, area.width(), splitterSize);
        panes.viewer = QRect(area.left(), panes.splitter.bottom() + 1, area.width(),
            std::max(0, area.bottom() - panes.splitter.bottom()));
    }
    return panes;
}

TFindButtonsPlace FindButtonsPlace(int rowWidth, int tabsWidth, int prevWidth, int nextWidth)
{
    TFindButtonsPlace place;
    place.nextLeft = std::max(0, rowWidth - 4 - nextWidth);
    place.prevLeft = std::max(0, place.nextLeft - 8 - prevWidth);
    place.ownLine = place.prevLeft < tabsWidth + 4;
    return place;
}

} // namespace hy::search

// The geometry of the results browser: how its main area divides between the list pane, the splitter and
// the preview pane, and where the find buttons stand beside the tabs.
#pragma once

#include <QRect>

namespace hy::search {

inline constexpr int kSplitterSize = 4;

struct TSplitPanes {
    QRect list;
    QRect splitter; // empty without the preview
    QRect viewer; // empty without the preview
};

// The extent of the main area in the direction of the split: its width side by side, else its height.
inline int SplitExtent(const QRect& area, bool sideBySide) { return sideBySide ? area.width() : area.height(); }

// A list pane size as it is read from the settings: at least 0 and at most the area less the splitter.
int ClampListSize(int size, int extent, int splitterSize = kSplitterSize);
// A list pane size after the area changed: half the area when it would leave no room for the splitter.
int FitListSize(int size, int extent, int splitterSize = kSplitterSize);
// The panes: the list at the left (side by side) or the top with its size, then the splitter, then the
// preview filling the rest. Without the preview the list fills the area.
TSplitPanes SplitPanes(
    const QRect& area, bool sideBySide, int listSize, bool preview, int splitterSize = kSplitterSize);

// Where the find buttons stand in the tab row: "Find Next" with its right edge 4 pixels inside the row,
// "Find Prev" 8 pixels to its left. They share the tabs' line while Find Prev clears the tabs by 4 pixels;
// in a narrower row (the preview beside the list) they stand on a line of their own under the tabs, so
// that neither is cut off.
struct TFindButtonsPlace {
    int prevLeft = 0;
    int nextLeft = 0;
    bool ownLine = false;
    bool operator==(const TFindButtonsPlace&) const = default;
};
TFindButtonsPlace FindButtonsPlace(int rowWidth, int tabsWidth, int prevWidth, int nextWidth);

} // namespace hy::search

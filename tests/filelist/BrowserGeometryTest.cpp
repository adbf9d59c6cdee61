// How the results browser's main area divides, and where its find buttons stand.
#include "core/search/BrowserGeometry.h"

#include <gtest/gtest.h>

using namespace hy;
using namespace hy::search;

TEST(BrowserGeometry, ListSizesStayInsideTheArea)
{
    struct Case {
        int size;
        int extent;
        int clamped;
        int fitted;
    } cases[] = {
        { 250, 400, 250, 250 },
        { 5000, 400, 396, 200 }, // a stored split beyond the window: the list takes all but the splitter
        { -20, 400, 0, 0 },
        { 396, 400, 396, 396 },
        { 397, 400, 396, 200 }, // no room for the splitter: half the area
        { 10, 2, 0, 1 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClampListSize(c.size, c.extent), c.clamped) << c.size << " in " << c.extent;
        EXPECT_EQ(FitListSize(c.size, c.extent), c.fitted) << c.size << " in " << c.extent;
    }
}

TEST(BrowserGeometry, PanesFollowTheArrangement)
{
    const QRect area(5, 10, 400, 300);
    const TSplitPanes above = SplitPanes(area, false, 120, true);
    EXPECT_EQ(above.list, QRect(5, 10, 400, 120));
    EXPECT_EQ(above.splitter, QRect(5, 130, 400, 4));
    EXPECT_EQ(above.viewer, QRect(5, 134, 400, 176));
    const TSplitPanes beside = SplitPanes(area, true, 150, true);
    EXPECT_EQ(beside.list, QRect(5, 10, 150, 300));
    EXPECT_EQ(beside.splitter, QRect(155, 10, 4, 300));
    EXPECT_EQ(beside.viewer, QRect(159, 10, 246, 300));
    const TSplitPanes alone = SplitPanes(area, true, 150, false);
    EXPECT_EQ(alone.list, area);
    EXPECT_TRUE(alone.splitter.isNull());
}

// The find buttons stay whole inside the tab row: beside the tabs when there is room, else under them.
TEST(BrowserGeometry, FindButtonsStayInsideTheRow)
{
    const struct {
        int row, tabs, prev, next;
        TFindButtonsPlace want;
    } cases[] = {
        { 600, 190, 80, 80, { 428, 516, false } },
        { 400, 130, 78, 78, { 232, 318, false } },
        // The preview beside the list: the tabs and both buttons do not fit on one line.
        { 300, 190, 78, 78, { 132, 218, true } },
        { 300, 130, 80, 80, { 128, 216, true } },
        { 300, 120, 80, 80, { 128, 216, false } },
        // Narrower than the buttons themselves: they start at the left edge rather than before it.
        { 100, 130, 80, 80, { 0, 16, true } },
    };
    for (const auto& c : cases) {
        const TFindButtonsPlace got = FindButtonsPlace(c.row, c.tabs, c.prev, c.next);
        EXPECT_EQ(got, c.want) << c.row << " " << c.tabs;
        EXPECT_LE(got.nextLeft + c.next, std::max(c.row, c.next)) << c.row;
    }
}

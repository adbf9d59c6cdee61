// The viewer's geometry: the scroll-bar mappings for huge totals and long lines, the caret inside its cell,
// points to cells, the view that follows the caret, and the gutter's width.
#include "core/viewer/HvLayout.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace hy::viewer;

TEST(HvLayoutTest, VerticalScrollMappingStaysBelow16384Steps)
{
    struct Case {
        LineNumber Total;
        int Rows;
        LineNumber MaxTop;
        LineNumber Divisor;
        int Range;
    };
    const Case cases[] = {
        { 0, 10, 0, 1, 0 },
        { 5, 10, 0, 1, 0 },
        { 100, 10, 90, 1, 90 },
        { 16394, 10, 16384, 2, 8192 },
        { 16393, 10, 16383, 1, 16383 },
        { 2147483647, 20, 2147483627, 131072, 16383 },
    };
    for (const Case& c : cases) {
        const TVScrollMapping m = VerticalScrollMapping(c.Total, c.Rows);
        EXPECT_EQ(m.MaxTop, c.MaxTop) << c.Total;
        EXPECT_EQ(m.Divisor, c.Divisor) << c.Total;
        EXPECT_EQ(m.Range, c.Range) << c.Total;
    }
    // The undetermined total (the largest 64-bit line number) keeps the same bound.
    const TVScrollMapping huge = VerticalScrollMapping(kUndeterminedTotal, 30);
    EXPECT_LT(huge.Range, 16384);
    EXPECT_GT(huge.Range, 16000);
    EXPECT_EQ(huge.Position(huge.MaxTop), huge.Range);
    EXPECT_EQ(huge.Position(0), 0);
    EXPECT_LE(LineNumber(huge.Range) * huge.Divisor, huge.MaxTop);
}

TEST(HvLayoutTest, CaretCellGeometryFollowsShapeAndAlignment)
{
    // Cell 8 x 17; the caret's own size is 3 x 5 unless the shape links it to the cell.
    struct Case {
        TCaretShape Shape;
        TCaretAlign Align;
        TCaretCell Expected;
    };
    const Case cases[] = {
        { csBlock, caLeft, { 0, 0, 8, 17 } }, { csHalfBlock, caBottom, { 0, 9, 8, 8 } },
        { csHalfBlock, caTop, { 0, 0, 8, 8 } }, { csVertLine, caLeft, { 0, 0, 3, 17 } },
        { csVertLine, caRight, { 5, 0, 3, 17 } }, { csVertLine, caCenter, { 2, 0, 3, 17 } },
        { csHorzLine, caBottom, { 0, 12, 8, 5 } }, { csHorzLine, caTop, { 0, 0, 8, 5 } },
        { csCustom, caLeft, { 0, 6, 3, 5 } }, { csCustom, caTop, { 2, 0, 3, 5 } },
        { csCustom, caRight, { 5, 6, 3, 5 } }, { csCustom, caBottom, { 2, 12, 3, 5 } },
        { csCustom, caCenter, { 2, 6, 3, 5 } },
        { csBitmap, caCenter, { 2 - 1, 6 - 4, 3, 5 } }, // hot spot (1, 4) subtracted
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaretCellGeometry(c.Shape, c.Align, 3, 5, 8, 17, 1, 4), c.Expected) << c.Shape << "/" << c.Align;
}

TEST(HvLayoutTest, PointsOutsideTheTextMapOneStepBeyondTheView)
{
    TGridMetrics g;
    g.RowHeight = 10;
    g.CharWidth = 5;
    g.VisibleRows = 4;
    g.VisibleColumns = 6;
    g.FirstLine = 20;
    g.FirstColumn = 3;
    g.LineTotal = 100;
    struct Case {
        int X, Y;
        TGridCell Expected;
    };
    const Case cases[] = {
        { 0, 0, { 20, 3 } },
        { 12, 25, { 22, 5 } },
        { 29, 39, { 23, 8 } },
        { -1, -1, { 19, 2 } },
        { 30, 40, { 24, 9 } }, // right of the last column, below the last row
        { 500, 500, { 24, 9 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PointToCell(g, c.X, c.Y), c.Expected) << c.X << "," << c.Y;

    g.FirstLine = 0;
    g.FirstColumn = 0;
    g.LineTotal = 3;
    EXPECT_EQ(PointToCell(g, -5, -5), (TGridCell { 0, 0 }));
    EXPECT_EQ(PointToCell(g, 0, 35), (TGridCell { 2, 0 })); // clicks below the last line land on it
    EXPECT_EQ(PointToCell(g, 0, 100), (TGridCell { 2, 0 }));
}

TEST(HvLayoutTest, ViewFollowsTheCaret)
{
    TGridMetrics g;
    g.VisibleRows = 10;
    g.VisibleColumns = 20;
    g.FirstLine = 100;
    g.FirstColumn = 30;
    g.LineTotal = 1000;
    struct Case {
        LineNumber Line;
        int Column;
        bool KeepRow;
        LineNumber RowOffset;
        TViewOrigin Expected;
    };
    const Case cases[] = {
        { 105, 35, false, 0, { 100, 30 } }, // visible: unchanged
        { 99, 35, false, 0, { 99, 30 } }, // above: the caret's line on top
        { 110, 35, false, 0, { 101, 30 } }, // below: the caret's line at the bottom
        { 105, 29, false, 0, { 100, 0 } }, // left of the view: back to column 0
        { 105, 50, false, 0, { 100, 31 } }, // right: the caret's column at the right edge
        { 115, 35, true, 3, { 112, 30 } }, // keep the row: caret stays 3 rows down
        { 2, 35, true, 5, { 0, 30 } }, // not above line 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(ViewToShowCaret(g, c.Line, c.Column, c.KeepRow, c.RowOffset), c.Expected)
            << c.Line << ":" << c.Column;
}

TEST(HvLayoutTest, HorizontalRangeAndGutterWidth)
{
    // The first column may go as far as shows the extent's last cell; huge extents are divided down.
    EXPECT_EQ(HorizontalScrollMapping(100, 40).MaxFirst, 60);
    EXPECT_EQ(HorizontalScrollMapping(30, 40).MaxFirst, 0);
    const THScrollMapping huge = HorizontalScrollMapping(qint64(1) << 40, 80);
    EXPECT_LE(huge.Range, 1000000);
    EXPECT_EQ(huge.Position(huge.MaxFirst), huge.Range);
    EXPECT_EQ(GutterColumns(1), 5);
    EXPECT_EQ(GutterColumns(9999), 5);
    EXPECT_EQ(GutterColumns(10000), 6);
    EXPECT_EQ(GutterColumns(qint64(1) << 40), 14);
}

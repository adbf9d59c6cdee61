// The viewer's geometry and text rules: tabs and columns, the characters bytes show as, the scroll-bar
// mapping for huge totals, the caret inside its cell, points to cells, words and the text matcher.
#include "viewer/HvLayout.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace hy::viewer;

namespace {
int Column(const char* text, int index, int tab = 8) { return DisplayColumn(text, int(std::strlen(text)), index, tab); }
int Index(const char* text, int column, int tab = 8)
{
    return IndexFromColumn(text, int(std::strlen(text)), column, tab);
}
} // namespace

TEST(HvLayoutTest, TabsExpandToTheNextStop)
{
    struct Case {
        const char* Text;
        int Tab;
        const char* Expanded;
    };
    const Case cases[] = {
        { "a\tb", 8, "a       b" },
        { "\t", 8, "        " },
        { "12345678\tx", 8, "12345678        x" },
        { "1234567\tx", 8, "1234567 x" },
        { "a\t\tb", 4, "a       b" },
        { "no tabs", 3, "no tabs" },
        { "", 8, "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandTabs(c.Text, int(std::strlen(c.Text)), c.Tab), QByteArray(c.Expanded)) << c.Text;
}

TEST(HvLayoutTest, IndexesAndDisplayColumnsMapBothWays)
{
    const char* line = "ab\tcd\te"; // columns: a0 b1 tab2-7 c8 d9 tab10-15 e16
    struct Case {
        int Index;
        int Column;
    };
    for (const Case& c :
        { Case { 0, 0 }, { 1, 1 }, { 2, 2 }, { 3, 8 }, { 4, 9 }, { 5, 10 }, { 6, 16 }, { 7, 17 }, { 9, 19 } })
        EXPECT_EQ(Column(line, c.Index), c.Column) << "index " << c.Index;

    // A column inside a tab maps to the tab, the column where the tab ends to the character after it.
    for (const Case& c : { Case { 0, 0 }, { 2, 2 }, { 2, 5 }, { 2, 7 }, { 3, 8 }, { 4, 9 }, { 5, 10 }, { 5, 15 },
             { 6, 16 }, { 7, 17 }, { 7, 40 } })
        EXPECT_EQ(Index(line, c.Column), c.Index) << "column " << c.Column;

    EXPECT_EQ(Column("\t\t", 2, 4), 8);
    EXPECT_EQ(Index("\t\t", 4, 4), 1);
    EXPECT_EQ(Index("", 5), 0);
}

TEST(HvLayoutTest, UndisplayableBytesBecomeTheDefaultCharacter)
{
    for (int code : { 0, 9, 10, 27, 31, 127, 0x81, 0x8D, 0x8F, 0x90, 0x9D }) {
        EXPECT_FALSE(IsDisplayableByte(code)) << code;
        EXPECT_TRUE(DisplayChar(code).isNull()) << code;
    }
    EXPECT_EQ(DisplayChar(' '), QChar(' '));
    EXPECT_EQ(DisplayChar('A'), QChar('A'));
    EXPECT_EQ(DisplayChar(0x80), QChar(0x20AC)); // euro sign
    EXPECT_EQ(DisplayChar(0xE9), QChar(0xE9));

    QByteArray text("a\x01\tb\x81\xE9", 6);
    ReplaceUndisplayable(text);
    EXPECT_EQ(text,
        QByteArray("a\x7F\x7F"
                   "b\x7F\xE9"));
    EXPECT_EQ(DisplayString(text, QChar('#')), QString::fromUtf8("a##b#é"));
}

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
        const VScrollMapping m = VerticalScrollMapping(c.Total, c.Rows);
        EXPECT_EQ(m.MaxTop, c.MaxTop) << c.Total;
        EXPECT_EQ(m.Divisor, c.Divisor) << c.Total;
        EXPECT_EQ(m.Range, c.Range) << c.Total;
    }
    // The undetermined total (the largest 64-bit line number) keeps the same bound.
    const VScrollMapping huge = VerticalScrollMapping(kUndeterminedTotal, 30);
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
        CaretCell Expected;
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
    GridMetrics g;
    g.RowHeight = 10;
    g.CharWidth = 5;
    g.VisibleRows = 4;
    g.VisibleColumns = 6;
    g.FirstLine = 20;
    g.FirstColumn = 3;
    g.LineTotal = 100;
    struct Case {
        int X, Y;
        GridCell Expected;
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
    EXPECT_EQ(PointToCell(g, -5, -5), (GridCell { 0, 0 }));
    EXPECT_EQ(PointToCell(g, 0, 35), (GridCell { 2, 0 })); // clicks below the last line land on it
    EXPECT_EQ(PointToCell(g, 0, 100), (GridCell { 2, 0 }));
}

TEST(HvLayoutTest, ViewFollowsTheCaret)
{
    GridMetrics g;
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
        ViewOrigin Expected;
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

TEST(HvLayoutTest, WordBoundaries)
{
    const char* t = "  foo bar\tbaz  ";
    const int n = int(std::strlen(t));
    EXPECT_EQ(WordLeftIndex(t, n, 8), 6); // inside "bar": its first character
    EXPECT_EQ(WordLeftIndex(t, n, 6), 2); // on "bar"'s start: back over the blank to "foo"
    EXPECT_EQ(WordLeftIndex(t, n, 2), 0);
    EXPECT_EQ(WordLeftIndex(t, n, 0), -1);
    EXPECT_EQ(WordLeftIndex(t, n, 99), 10); // clamped to the end, then back over the blanks
    EXPECT_EQ(WordRightIndex(t, n, 2), 6);
    EXPECT_EQ(WordRightIndex(t, n, 7), 10);
    EXPECT_EQ(WordRightIndex(t, n, 10), n);
    EXPECT_EQ(WordRightIndex(t, n, n), -1);

    using R = std::pair<int, int>;
    EXPECT_EQ(WordRangeAt(t, n, 7), R(6, 10)); // word and its trailing blank (a tab)
    EXPECT_EQ(WordRangeAt(t, n, 5), R(2, 6)); // on the blank after "foo": foo and the blank
    EXPECT_EQ(WordRangeAt(t, n, 11), R(10, n));
    EXPECT_EQ(WordRangeAt(t, n, 500), R(10, n)); // past the end: the last word
    EXPECT_EQ(WordRangeAt(t, n, 0), R(0, 2)); // leading blanks: no word before them
}

TEST(HvLayoutTest, TextMatcherFindsFirstAndLastMatches)
{
    const QByteArray line("abcabcab ABC");
    const THvTextMatcher exact("abc", true);
    EXPECT_EQ(exact.FindFirst(line.constData(), int(line.size())), 0);
    EXPECT_EQ(exact.FindFirst(line.constData(), int(line.size()), 1), 3);
    EXPECT_EQ(exact.FindFirst(line.constData(), int(line.size()), 4), -1);
    EXPECT_EQ(exact.FindLast(line.constData(), int(line.size())), 3);
    EXPECT_EQ(exact.FindLast(line.constData(), 5), 0); // only matches wholly inside the part count

    const THvTextMatcher folded("abc", false);
    EXPECT_EQ(folded.FindLast(line.constData(), int(line.size())), 9);

    const THvTextMatcher overlapping("aa", true);
    EXPECT_EQ(overlapping.FindLast("aaaa", 4), 2);

    const THvTextMatcher single("B", false);
    EXPECT_EQ(single.FindFirst(line.constData(), int(line.size()), 2), 4);

    // Windows-1252 case folding: é (E9) matches É (C9), š (9A) matches Š (8A); ÷ stays itself.
    const THvTextMatcher accents("\xE9t\xE9 \x9A", false);
    EXPECT_EQ(accents.FindFirst("L'\xC9T\xC9 \x8A", 7), 2);
    EXPECT_EQ(THvTextMatcher("\xF7", false).FindFirst("\xD7", 1), -1);

    const QByteArray longText(255, 'x');
    const QByteArray hay = QByteArray(300, 'y') + longText + "z";
    EXPECT_EQ(THvTextMatcher(longText, true).FindFirst(hay.constData(), int(hay.size())), 300);
}

// The viewer widget with text of several encodings: the caret, selection, words and mouse go by characters,
// the line-number gutter, and wrapped lines that keep counting file lines.
#include "HvViewrTestSupport.h"

#include "core/viewer/HvCmd.h"
#include "core/viewer/HvCommands.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

class HvViewrTextTest : public ::testing::Test {
protected:
    HvViewrTextTest() { viewer.SetController(&controller); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&viewer, key, modifiers);
    }
    TTextPosition Caret() const { return viewer.CaretCharLocation(); }
    QPoint Cell(int column, int row) const
    {
        return QPoint(viewer.MarginWidth() + column * viewer.CharWidth() + 1, row * viewer.RowHeight() + 2);
    }

    THvController controller;
    TMemoryViewer viewer;
};

} // namespace

TEST_F(HvViewrTextTest, TheCaretMovesByCharactersAndColumnsCountCells)
{
    // a, é (2 bytes), 日 (3 bytes, 2 cells), e with a combining acute (3 bytes), x, an invalid byte.
    viewer.SetLines({ "a\xC3\xA9\xE6\x97\xA5"
                      "e\xCC\x81x\xFF",
        "\xE6\x97\xA5\xE6\x97\xA5"
        "b" });
    viewer.SetTextEncoding(TTextEncoding::Utf8);
    ShowGrid(viewer, 40, 5);
    const std::pair<qint64, qint64> stops[]
        = { { 0, 0 }, { 1, 1 }, { 3, 2 }, { 6, 4 }, { 9, 5 }, { 10, 6 }, { 11, 7 } };
    for (const auto& [index, column] : stops) {
        EXPECT_EQ(Caret().Index, index);
        EXPECT_EQ(viewer.CaretLocation().Index, column);
        Key(Qt::Key_Right);
    }
    EXPECT_EQ(Caret(), (TTextPosition { 1, 0 })) << "past the end: the next line";
    Key(Qt::Key_Left);
    for (auto it = std::rbegin(stops); it != std::rend(stops); ++it) {
        EXPECT_EQ(Caret().Index, it->first);
        Key(Qt::Key_Left);
    }
    // Up and down keep the column: column 4 of line 0 is column 4 of "日日b", the b.
    viewer.MoveCaretTo(0, 6, false);
    Key(Qt::Key_Down);
    EXPECT_EQ(Caret(), (TTextPosition { 1, 6 }));
    // Shift+Left selects the whole wide character, never half of it.
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 1, 3 }));
    EXPECT_EQ(viewer.SelectedText(), QStringLiteral("\u65E5"));
    // A click in the second cell of a wide character puts the caret on it.
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, Cell(3, 0));
    EXPECT_EQ(Caret(), (TTextPosition { 0, 3 }));
    // The same bytes as Windows-1252 are one character each.
    viewer.SetTextEncoding(TTextEncoding::Windows1252);
    viewer.MoveCaretTo(0, 0, false);
    Key(Qt::Key_End);
    EXPECT_EQ(viewer.CaretLocation().Index, 11);
}

TEST_F(HvViewrTextTest, WordsAndDoubleClicksGoByCharacters)
{
    viewer.SetLines({ "\xC3\xA9t\xC3\xA9 d\xC3\xA9j\xC3\xA0  \xE6\x97\xA5\xE6\x9C\xAC" });
    viewer.SetTextEncoding(TTextEncoding::Utf8);
    ShowGrid(viewer, 40, 5);
    Key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Caret().Index, 6) << "after été and its blank";
    Key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Caret().Index, 14);
    EXPECT_EQ(viewer.SelectedText(), QStringLiteral("\u00E9t\u00E9 d\u00E9j\u00E0  "));
    // 日本 starts at column 10; a double click on the second cell of 本 (columns 12-13) selects the word.
    QTest::mouseDClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, Cell(13, 0));
    EXPECT_EQ(viewer.SelectedText(), QStringLiteral("\u65E5\u672C"));
}

TEST_F(HvViewrTextTest, TheGutterShowsFileLineNumbersAndMovesTheText)
{
    viewer.SetLines(NumberedLines(120000));
    ShowGrid(viewer, 60, 10);
    EXPECT_EQ(viewer.MarginWidth(), 0);
    viewer.SetShowLineNumbers(true);
    EXPECT_EQ(viewer.MarginWidth(), 7 * viewer.CharWidth()) << "six digits and a blank";
    viewer.SetLines(NumberedLines(20));
    EXPECT_EQ(viewer.MarginWidth(), 5 * viewer.CharWidth()) << "never fewer than four digits";
    // A click at the first text cell is column 0; the caret's pixel lies right of the gutter.
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, Cell(2, 3));
    EXPECT_EQ(Caret(), (TTextPosition { 3, 2 }));
    EXPECT_EQ(
        viewer.CaretPixelPosition(), QPoint(viewer.MarginWidth() + 2 * viewer.CharWidth(), 3 * viewer.RowHeight()));
    // The gutter is painted in the margin colour with the numbers in it.
    viewer.SetMarginColor(QColor(200, 230, 255));
    const QImage image = viewer.viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(1, 1), QColor(200, 230, 255));
    bool digits = false;
    for (int x = 0; x < viewer.MarginWidth() && !digits; ++x)
        for (int y = 0; y < viewer.RowHeight() && !digits; ++y)
            digits = image.pixelColor(x, y) != QColor(200, 230, 255);
    EXPECT_TRUE(digits);
}

TEST_F(HvViewrTextTest, WrappedLinesKeepTheirNumbersWhileTheCaretGoesByRows)
{
    // Line 0 of 100 characters in a view 40 cells wide wraps at 39: rows start at 0, 39 and 78.
    viewer.SetLines({ QByteArray(100, 'w'), "short", "x y" });
    ShowGrid(viewer, 40, 6);
    viewer.SetWrapLines(true);
    viewer.MoveCaretTo(0, 5, false);
    Key(Qt::Key_Down);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 44 })) << "down a row, within the line";
    Key(Qt::Key_Down);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 83 }));
    EXPECT_EQ(viewer.CaretPixelPosition(), QPoint(5 * viewer.CharWidth(), 2 * viewer.RowHeight()));
    Key(Qt::Key_Down);
    EXPECT_EQ(Caret(), (TTextPosition { 1, 5 })) << "then the next file line";
    EXPECT_EQ(viewer.CaretPixelPosition().y(), 3 * viewer.RowHeight());
    Key(Qt::Key_Up);
    Key(Qt::Key_End);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 100 }));
    // Lines keep their numbers: go to line 3, bookmarks and the top line count file lines.
    viewer.PlaceCaret(2, 0);
    EXPECT_EQ(Caret(), (TTextPosition { 2, 0 }));
    viewer.SetBookmark(1, 2, 2);
    viewer.ScrollBy(0, 1);
    EXPECT_EQ(viewer.FirstVisibleLine(), 0);
    EXPECT_EQ(viewer.FirstVisibleRow(), 1);
    viewer.ScrollBy(0, 2);
    EXPECT_EQ(viewer.FirstVisibleLine(), 1);
    viewer.JumpToBookmark(1);
    EXPECT_EQ(Caret(), (TTextPosition { 2, 2 }));
    // A click on the second row of line 0 lands in it.
    viewer.ScrollToLine(0);
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, Cell(3, 1));
    EXPECT_EQ(Caret(), (TTextPosition { 0, 42 }));
    // Without wrap the view scrolls sideways again.
    viewer.SetWrapLines(false);
    Key(Qt::Key_End);
    EXPECT_GT(viewer.FirstVisibleColumn(), 0);
}

// Wrapped lines and the vertical scroll bar: its range covers the rows of long lines and dragging it moves
// through them; switching the line numbers or the wrap keeps the caret on screen.
#include "HvViewrTestSupport.h"

#include "core/viewer/HvLayout.h"

#include "support/TempFiles.h"
#include "support/TestWait.h"

#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

class HvViewrWrapTest : public ::testing::Test {
protected:
    HvViewrWrapTest() { viewer.SetController(&controller); }

    // Shows the viewer with its scroll bars, its text area cols x rows cells.
    void Show(int cols, int rows)
    {
        viewer.SetBorderStyle(bsNone);
        viewer.show();
        viewer.activateWindow();
        (void)QTest::qWaitForWindowActive(&viewer);
        const int bar = viewer.verticalScrollBar()->sizeHint().width();
        viewer.resize(cols * viewer.CharWidth() + bar, rows * viewer.RowHeight() + bar);
    }

    // Releases the thumb at position, as a drag does.
    void Drag(int position)
    {
        QScrollBar* bar = viewer.verticalScrollBar();
        bar->setSliderDown(true);
        bar->setSliderPosition(position);
        bar->setSliderDown(false);
    }

    // True when the caret's cell lies inside the text area.
    bool CaretOnScreen() const
    {
        const QPoint p = viewer.CaretPixelPosition();
        const QRect text(viewer.MarginWidth(), 0, viewer.VisibleColumns() * viewer.CharWidth(),
            viewer.VisibleRows() * viewer.RowHeight());
        return text.contains(p);
    }

    THvController controller;
    TMemoryViewer viewer;
};

// A line of words, about size bytes.
QByteArray Words(int size)
{
    QByteArray line;
    for (int i = 0; line.size() < size; ++i)
        line += "word" + QByteArray::number(i % 1000) + ' ';
    return line;
}

} // namespace

TEST(HvWrapScrollMapping, FewLinesShareTheStepsByRowsManyLinesGoByLines)
{
    // One line: every step is a part of its rows.
    const TWrapScrollMapping one = WrappedScrollMapping(1);
    EXPECT_GT(one.Range, 10000);
    EXPECT_EQ(one.Position(0, 0, 5000), 0);
    EXPECT_EQ(one.Position(0, 2500, 5000), (one.Range + 1) / 2);
    EXPECT_EQ(one.LineAt(one.Range / 2), 0);
    EXPECT_NEAR(double(one.RowAt(one.Range / 2, 5000)), 2500.0, 1.0);
    // A row's step leads back to the row: exactly while the line has fewer rows than there are steps, else
    // to a row within one step's worth of rows.
    for (const qint64 rows : { qint64(1), qint64(7), qint64(5000), qint64(40000000) }) {
        for (const qint64 row : { qint64(0), rows / 3, rows - 1 }) {
            const qint64 back = one.RowAt(one.Position(0, row, rows), rows);
            EXPECT_LE(std::abs(back - row), rows / (one.Range + 1)) << rows << ' ' << row;
        }
    }
    // A few lines: each line its own share, a row of line 2 after every row of line 1.
    const TWrapScrollMapping three = WrappedScrollMapping(3);
    EXPECT_LT(three.Position(1, 99, 100), three.Position(2, 0, 1));
    EXPECT_EQ(three.LineAt(three.Position(2, 0, 1)), 2);
    EXPECT_EQ(three.LineAt(three.Range), 2);
    // Many lines (and an undetermined total): by lines, as without wrap, rows no longer count.
    for (const LineNumber total : { LineNumber(100000), kUndeterminedTotal }) {
        const TWrapScrollMapping many = WrappedScrollMapping(total);
        EXPECT_LE(many.Range, 16384);
        EXPECT_EQ(many.Position(many.LineAt(1000), 50, 100), 1000);
        EXPECT_EQ(many.RowAt(1000, 100), 0);
    }
    EXPECT_EQ(WrappedScrollMapping(0).Range, 0);
}

TEST_F(HvViewrWrapTest, TheScrollBarCoversTheRowsOfAWrappedLongLineAndDraggingMovesThroughThem)
{
    // One line of 300,000 bytes: breaks at every width beyond 64 KiB, thousands of rows.
    const QByteArray line = QByteArray(300000, 'x');
    viewer.SetLines({ line });
    Show(80, 20);
    viewer.SetWrapLines(true);
    QScrollBar* bar = viewer.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 1000) << "the rows of the one line are in the range";
    const qint64 rows = (300000 + viewer.VisibleColumns() - 2) / (viewer.VisibleColumns() - 1);

    Drag(bar->maximum() / 2);
    EXPECT_EQ(viewer.FirstVisibleLine(), 0);
    EXPECT_NEAR(double(viewer.FirstVisibleRow()), double(rows / 2), double(rows) / bar->maximum() + 1);
    // The thumb stands where the row shown at the top starts.
    EXPECT_EQ(bar->value(), WrappedScrollMapping(1).Position(0, viewer.FirstVisibleRow(), rows));
    EXPECT_NEAR(bar->value(), bar->maximum() / 2, double(bar->maximum()) / rows + 1);

    Drag(bar->maximum());
    EXPECT_EQ(viewer.FirstVisibleRow(), rows - viewer.VisibleRows()) << "the last screen";
    Drag(0);
    EXPECT_EQ(viewer.FirstVisibleRow(), 0);

    // Keys and the arrows of the bar move the thumb with the rows.
    QTest::keyClick(&viewer, Qt::Key_PageDown);
    QTest::keyClick(&viewer, Qt::Key_PageDown);
    EXPECT_GT(viewer.FirstVisibleRow(), 0);
    EXPECT_EQ(bar->value(), WrappedScrollMapping(1).Position(0, viewer.FirstVisibleRow(), rows));
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), WrappedScrollMapping(1).Position(0, viewer.FirstVisibleRow(), rows));
    QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
    EXPECT_GE(bar->value(), bar->maximum() - 1);

    // Lines of words wrap on blanks: their rows are in the range too, and a drag lands among them.
    viewer.SetLines({ "first", Words(30000), "last" });
    const qint64 wordRows = viewer.Layout().RowCount(1, viewer.VisibleColumns() - 1);
    ASSERT_GT(wordRows, 100);
    Drag(WrappedScrollMapping(3).Position(1, wordRows / 2, wordRows));
    EXPECT_EQ(viewer.FirstVisibleLine(), 1);
    EXPECT_NEAR(double(viewer.FirstVisibleRow()), double(wordRows / 2), 1.0);
}

TEST_F(HvViewrWrapTest, SwitchingLineNumbersOrWrapKeepsTheCaretOnScreen)
{
    QList<QByteArray> lines = NumberedLines(200);
    lines[150] = Words(20000);
    viewer.SetLines(lines);
    Show(60, 12);
    struct Place {
        const char* name;
        LineNumber line;
        qint64 index;
    };
    const Place places[] = {
        { "at the right edge of a short line", 7, 6 },
        { "far into a long line", 150, 15000 },
        { "at the end of a long line", 150, kEndOfLineIndex },
        { "on the last line", 199, 3 },
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.name);
        for (const bool wrap : { false, true }) {
            SCOPED_TRACE(wrap ? "wrapped" : "not wrapped");
            viewer.SetWrapLines(wrap);
            viewer.SetShowLineNumbers(false);
            viewer.MoveCaretTo(place.line, place.index, false);
            // The caret at the right edge, where the gutter will take columns.
            if (!wrap && place.line == 7)
                viewer.ScrollBy(
                    viewer.CaretLocation().Index - viewer.VisibleColumns() + 1 - viewer.FirstVisibleColumn(), 0);
            ASSERT_TRUE(CaretOnScreen());
            const TTextPosition caret = viewer.CaretCharLocation();
            viewer.SetShowLineNumbers(true);
            EXPECT_TRUE(CaretOnScreen()) << "line numbers on";
            viewer.SetWrapLines(!wrap);
            EXPECT_TRUE(CaretOnScreen()) << "wrap switched";
            viewer.SetShowLineNumbers(false);
            EXPECT_TRUE(CaretOnScreen()) << "line numbers off";
            viewer.SetWrapLines(wrap);
            EXPECT_TRUE(CaretOnScreen()) << "wrap switched back";
            EXPECT_EQ(viewer.CaretCharLocation(), caret) << "the caret never moved";
        }
    }
}

TEST(HvViewrWrapFileTest, AFiveMegabyteLineOfAFileIsCoveredByTheScrollBar)
{
    // Numbered tokens of 8 bytes: a row of a line this long starts at width bytes times its number.
    QByteArray line;
    line.reserve(5 << 20);
    for (int i = 0; line.size() < (5 << 20); ++i)
        line += QByteArray::number(i).rightJustified(7, '0') + ' ';
    hy::test::TTempFolder dir;
    const QString path = dir.Write(QStringLiteral("one-line.json"), line);
    THvController controller;
    THvFileViewer viewer;
    viewer.SetController(&controller);
    viewer.SetBorderStyle(bsNone);
    viewer.SetFileName(path);
    viewer.SetIsOpen(true);
    viewer.resize(640, 300);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    viewer.SetWrapLines(true);
    QScrollBar* bar = viewer.verticalScrollBar();
    HY_ASSERT_SOON(bar->maximum() > 10000);
    const int width = viewer.VisibleColumns() - 1;
    const qint64 rows = (line.size() + width - 1) / width;

    bar->setSliderDown(true);
    bar->setSliderPosition(bar->maximum() / 4);
    bar->setSliderDown(false);
    EXPECT_NEAR(double(viewer.FirstVisibleRow()), double(rows / 4), double(rows) / bar->maximum() + 1);
    // The top row shows the bytes at its place in the line.
    const qint64 start = viewer.FirstVisibleRow() * width;
    EXPECT_EQ(viewer.TextOfRange(0, start, start + 16), QString::fromLatin1(line.mid(start, 16)));

    bar->setSliderDown(true);
    bar->setSliderPosition(bar->maximum());
    bar->setSliderDown(false);
    EXPECT_EQ(viewer.FirstVisibleRow(), rows - viewer.VisibleRows());
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(HvViewrWrapTest, AViewScrolledAwayFromTheCaretStaysWhereItIsWhenLineNumbersSwitch)
{
    viewer.SetLines(NumberedLines(500));
    Show(60, 12);
    for (const bool wrap : { false, true }) {
        SCOPED_TRACE(wrap ? "wrapped" : "not wrapped");
        viewer.SetWrapLines(wrap);
        viewer.PlaceCaret(3, 2);
        viewer.ScrollToLine(300);
        ASSERT_FALSE(CaretOnScreen());
        viewer.SetShowLineNumbers(!viewer.ShowLineNumbers());
        EXPECT_EQ(viewer.FirstVisibleLine(), 300);
        EXPECT_EQ(viewer.CaretCharLocation(), (TTextPosition { 3, 2 }));
    }
}

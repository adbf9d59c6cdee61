// The viewer widget's display and navigation, driven through real key, mouse and scroll-bar events
// against a viewer over lines in memory.
#include "HvViewrTestSupport.h"

#include "base/FontStyle.h"
#include "core/viewer/HvCmd.h"
#include "ui/viewer/HvCaret.h"
#include "ui/viewer/HvFxFnt.h"

#include "support/TestWait.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace hy::base;
using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

class HvViewrTest : public ::testing::Test {
protected:
    HvViewrTest() { viewer.SetController(&controller); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&viewer, key, modifiers);
    }
    TTextPosition Caret() const { return viewer.CaretCharLocation(); }

    THvController controller;
    TMemoryViewer viewer;
};

struct KeyStep {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    LineNumber Line;
    int Index;
};

void RunSteps(THvBaseViewer& viewer, const std::vector<KeyStep>& steps)
{
    int n = 0;
    for (const KeyStep& s : steps) {
        QTest::keyClick(&viewer, s.Key, s.Modifiers);
        EXPECT_EQ(viewer.CaretCharLocation(), (TTextPosition { s.Line, s.Index })) << "step " << n;
        ++n;
    }
}

} // namespace

TEST_F(HvViewrTest, CaretKeysMoveThroughTheText)
{
    viewer.SetLines({ "abc", "de", "", "fg hij  klm" });
    ShowGrid(viewer, 40, 10);
    RunSteps(viewer,
        {
            { Qt::Key_Right, kNone, 0, 1 }, { Qt::Key_End, kNone, 0, 3 },
            { Qt::Key_Right, kNone, 1, 0 }, // past the end: start of the next line
            { Qt::Key_Left, kNone, 0, 3 }, // at index 0: end of the previous line
            { Qt::Key_Down, kNone, 1, 2 }, // index clamped to the shorter line
            { Qt::Key_Down, kNone, 2, 0 }, { Qt::Key_Down, kNone, 3, 0 },
            { Qt::Key_Down, kNone, 3, 0 }, // last line: nothing
            { Qt::Key_Right, kCtrl | kShift, 3, 3 }, // word right: over "fg" and its blank
            { Qt::Key_Right, kCtrl, 3, 8 }, // Ctrl alone moves by words too
            { Qt::Key_Left, kCtrl, 3, 3 }, { Qt::Key_Left, kCtrl, 3, 0 },
            { Qt::Key_Left, kCtrl, 2, 0 }, // at index 0: end of the previous line (empty)
            { Qt::Key_End, kCtrl, 3, 11 }, { Qt::Key_Home, kNone, 3, 0 }, { Qt::Key_Home, kCtrl, 0, 0 },
            { Qt::Key_Left, kNone, 0, 0 }, // nothing before the start
        });
    EXPECT_FALSE(viewer.HasSelection());
}

TEST_F(HvViewrTest, RightAtTheEndOfTheLastLineLeavesCaretAndSelection)
{
    for (const bool undetermined : { false, true }) {
        SCOPED_TRACE(undetermined ? "total undetermined" : "total known");
        // Without a final line break the last line has text: at its end Right goes nowhere.
        viewer.SetLines({ "ab", "cd" }, undetermined);
        ShowGrid(viewer, 40, 10);
        viewer.MoveCaretTo(1, 2, false);
        for (const Qt::KeyboardModifiers m : { kNone, kShift, kCtrl, kCtrl | kShift }) {
            Key(Qt::Key_Right, m);
            EXPECT_EQ(Caret(), (TTextPosition { 1, 2 })) << int(m);
            EXPECT_FALSE(viewer.HasSelection());
        }
        // A selection that ends there stays as it is.
        viewer.MoveCaretTo(1, 0, false);
        Key(Qt::Key_End, kShift);
        for (const Qt::KeyboardModifiers m : { kShift, kCtrl | kShift }) {
            Key(Qt::Key_Right, m);
            EXPECT_EQ(Caret(), (TTextPosition { 1, 2 }));
            EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 1, 0 }));
            EXPECT_EQ(viewer.SelectionEnd(), (TTextPosition { 1, 2 }));
        }
        // Before the last line Right still goes on to the next line's start.
        viewer.MoveCaretTo(0, 2, false);
        Key(Qt::Key_Right, kShift);
        EXPECT_EQ(Caret(), (TTextPosition { 1, 0 }));
        EXPECT_TRUE(viewer.HasSelection());
    }

    // With a final line break the last line is empty and Right does nothing there.
    viewer.SetLines({ "ab", "" });
    viewer.MoveCaretTo(1, 0, false);
    Key(Qt::Key_Right);
    EXPECT_EQ(Caret(), (TTextPosition { 1, 0 }));
}

TEST_F(HvViewrTest, ShiftKeysExtendTheSelectionFromTheAnchor)
{
    viewer.SetLines({ "abcdef", "ghijkl", "mnopqr" });
    ShowGrid(viewer, 40, 10);
    viewer.MoveCaretTo(1, 3, false);
    Key(Qt::Key_Right, kShift);
    Key(Qt::Key_Down, kShift);
    EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 1, 3 }));
    EXPECT_EQ(viewer.SelectionEnd(), (TTextPosition { 2, 4 }));
    // Back over the anchor: the ends swap and the anchor stays fixed.
    Key(Qt::Key_Up, kShift);
    Key(Qt::Key_Up, kShift);
    EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 0, 4 }));
    EXPECT_EQ(viewer.SelectionEnd(), (TTextPosition { 1, 3 }));
    Key(Qt::Key_End, kShift | kCtrl);
    EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 1, 3 }));
    EXPECT_EQ(viewer.SelectionEnd(), (TTextPosition { 2, 6 }));
    // A move without Shift collapses onto the caret.
    Key(Qt::Key_Left);
    EXPECT_FALSE(viewer.HasSelection());
    EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 2, 5 }));
}

TEST_F(HvViewrTest, VerticalMovesKeepTheDisplayColumnAcrossTabs)
{
    viewer.SetLines({ "\tX", "abcdefghij", "a\tb" });
    ShowGrid(viewer, 40, 10);
    viewer.MoveCaretTo(1, 8, false);
    Key(Qt::Key_Up);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 1 }));
    EXPECT_EQ(viewer.CaretLocation(), (TTextPosition { 0, 8 }));
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(Caret(), (TTextPosition { 2, 2 }));
    EXPECT_EQ(viewer.CaretLocation().Index, 8);

    // Without tab expansion a tab is one column and the index is kept.
    viewer.SetExpandTabs(false);
    viewer.MoveCaretTo(1, 8, false);
    Key(Qt::Key_Up);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 2 }));
    EXPECT_EQ(viewer.CaretLocation(), (TTextPosition { 0, 2 }));
}

TEST_F(HvViewrTest, PagesKeepTheCaretRow)
{
    viewer.SetLines(NumberedLines(100));
    ShowGrid(viewer, 40, 5);
    ASSERT_EQ(viewer.VisibleRows(), 5);
    viewer.MoveCaretTo(2, 0, false);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Caret().Line, 6); // page = rows - 1
    EXPECT_EQ(viewer.FirstVisibleLine(), 4);
    Key(Qt::Key_PageDown, kShift);
    EXPECT_EQ(Caret().Line, 10);
    EXPECT_EQ(viewer.FirstVisibleLine(), 8);
    EXPECT_TRUE(viewer.HasSelection());
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Caret().Line, 6);
    EXPECT_EQ(viewer.FirstVisibleLine(), 4);

    Key(Qt::Key_PageDown, kCtrl); // bottom of the page
    EXPECT_EQ(Caret().Line, 8);
    Key(Qt::Key_PageUp, kCtrl); // top of the page
    EXPECT_EQ(Caret().Line, 4);
    // With the caret off the screen, the view comes to it instead.
    viewer.ScrollToLine(50);
    Key(Qt::Key_PageUp, kCtrl);
    EXPECT_EQ(viewer.FirstVisibleLine(), 4);
    EXPECT_EQ(Caret().Line, 4);
    viewer.ScrollToLine(50);
    Key(Qt::Key_PageDown, kCtrl);
    EXPECT_EQ(viewer.FirstVisibleLine(), 0);

    // A control one row high still pages by one line.
    viewer.resize(viewer.width(), viewer.RowHeight());
    ASSERT_EQ(viewer.VisibleRows(), 1);
    viewer.MoveCaretTo(10, 0, false);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Caret().Line, 11);
    EXPECT_EQ(viewer.FirstVisibleLine(), 11);
}

TEST_F(HvViewrTest, CtrlEndDeterminesTheTotalUnderTheHourglass)
{
    viewer.SetLines(NumberedLines(5000), true);
    ShowGrid(viewer, 40, 10);
    ASSERT_EQ(viewer.LineTotal(), kUndeterminedTotal);
    Key(Qt::Key_End, kCtrl);
    EXPECT_EQ(viewer.LineTotal(), 5000);
    EXPECT_EQ(Caret(), (TTextPosition { 4999, 9 }));
    EXPECT_EQ(viewer.FirstVisibleLine(), 4990);
    EXPECT_TRUE(viewer.SawHourglass);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(HvViewrTest, TheHourglassIsOneFlagAndEndsOnEveryPath)
{
    ShowGrid(viewer, 40, 10);
    viewer.ShowHourglass();
    viewer.ShowHourglass(); // nested: nothing more
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    viewer.HideHourglass();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    viewer.HideHourglass();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A failure while the cursor is shown still restores it.
    viewer.SetLines(NumberedLines(500), true);
    viewer.OnScanToEnd = [] { throw hy::base::EInOutError(QStringLiteral("Viewer triggered I/O error 30"), 30); };
    EXPECT_THROW(viewer.ExecuteCommand(ccLastPage), hy::base::EInOutError);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(viewer.HourglassShown());
}

TEST_F(HvViewrTest, WithoutCaretTheKeysScroll)
{
    const QByteArray prefix = "a line that is wider than the window is: ";
    viewer.SetLines(NumberedLines(100, prefix));
    ShowGrid(viewer, 40, 10);
    viewer.viewport()->repaint();
    viewer.SetShowCaret(false);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(viewer.FirstVisibleLine(), 2);
    Key(Qt::Key_Right);
    EXPECT_EQ(viewer.FirstVisibleColumn(), 1);
    Key(Qt::Key_Left);
    Key(Qt::Key_Up);
    EXPECT_EQ(viewer.FirstVisibleLine(), 1);
    EXPECT_EQ(viewer.FirstVisibleColumn(), 0);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));

    // Selecting keys do nothing at all.
    Key(Qt::Key_Right, kCtrl | kShift);
    Key(Qt::Key_Down, kShift);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
    EXPECT_EQ(viewer.FirstVisibleLine(), 1);
    EXPECT_FALSE(viewer.HasSelection());

    Key(Qt::Key_End);
    EXPECT_EQ(Caret(), (TTextPosition { 99, prefix.size() + 2 }));
    EXPECT_EQ(viewer.FirstVisibleLine(), 90);
    Key(Qt::Key_Home);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
    EXPECT_EQ(viewer.FirstVisibleLine(), 0);
}

TEST_F(HvViewrTest, ScrollByClampsAndReportsTheTopLine)
{
    QList<QByteArray> lines = NumberedLines(50);
    lines[3] = QByteArray(100, 'w');
    viewer.SetLines(lines);
    ShowGrid(viewer, 40, 10);
    viewer.viewport()->repaint();
    QSignalSpy top(&viewer, &THvBaseViewer::OnTopLineChanged);
    viewer.ScrollBy(0, 5);
    viewer.ScrollBy(0, 1000);
    viewer.ScrollBy(3, 0); // columns only: no top-line signal
    viewer.ScrollToLine(-7);
    ASSERT_EQ(top.count(), 3);
    EXPECT_EQ(top.at(0).at(0).toLongLong(), 5);
    EXPECT_EQ(top.at(1).at(0).toLongLong(), 40); // total - rows
    EXPECT_EQ(top.at(2).at(0).toLongLong(), 0);
    viewer.ScrollBy(10000, 0);
    EXPECT_EQ(viewer.FirstVisibleColumn(), 100 + 1 - 40) << "as far as the longest line seen and a cell after it";
    viewer.ScrollBy(-10000, 0);
    EXPECT_EQ(viewer.FirstVisibleColumn(), 0);
    EXPECT_EQ(top.count(), 3);
}

TEST_F(HvViewrTest, LongLinesScrollToTheirEnd)
{
    viewer.SetLines({ QByteArray(5000, 'x'), "short" });
    ShowGrid(viewer, 40, 5);
    Key(Qt::Key_End);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 5000 }));
    EXPECT_EQ(viewer.FirstVisibleColumn(), 5000 - 39);
    EXPECT_EQ(viewer.CaretPixelPosition(), QPoint(39 * viewer.CharWidth(), 0));
    Key(Qt::Key_Left);
    EXPECT_EQ(Caret().Index, 4999);
    viewer.MoveCaretTo(0, 4980, false);
    EXPECT_EQ(viewer.CaretPixelPosition(), QPoint((4980 - 4961) * viewer.CharWidth(), 0));
    // The horizontal range reaches the end of the longest line, whatever line the caret is on.
    Key(Qt::Key_Down);
    EXPECT_EQ(viewer.ColumnExtent(), 5001);
    EXPECT_EQ(viewer.FirstVisibleColumn(), 0);
}

TEST_F(HvViewrTest, VerticalScrollBarMapsHugeTotalsAndActsOnThumbRelease)
{
    viewer.SetLines(NumberedLines(100000), true);
    viewer.show();
    viewer.resize(400, 300);
    QScrollBar* bar = viewer.verticalScrollBar();
    const int rows = viewer.VisibleRows();
    const TVScrollMapping undetermined = VerticalScrollMapping(kUndeterminedTotal, rows);
    EXPECT_EQ(bar->maximum(), undetermined.Range);

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(viewer.FirstVisibleLine(), 1);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(viewer.FirstVisibleLine(), 1 + rows);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(viewer.FirstVisibleLine(), rows);

    // Dragging the thumb does not scroll; releasing it does, after the total is determined.
    bar->setSliderDown(true);
    bar->setSliderPosition(undetermined.Range / 2);
    EXPECT_EQ(viewer.FirstVisibleLine(), rows);
    EXPECT_EQ(viewer.LineTotal(), kUndeterminedTotal);
    bar->setSliderDown(false);
    EXPECT_EQ(viewer.LineTotal(), 100000);
    const TVScrollMapping known = VerticalScrollMapping(100000, rows);
    const LineNumber expected = LineNumber(undetermined.Range / 2) * known.Range / undetermined.Range * known.Divisor;
    EXPECT_EQ(viewer.FirstVisibleLine(), expected);
    EXPECT_EQ(bar->maximum(), known.Range);
    EXPECT_EQ(bar->value(), known.Position(expected));

    // With the total known a position maps through the divisor; the maximum shows the last screen.
    bar->setSliderDown(true);
    bar->setSliderPosition(1000);
    bar->setSliderDown(false);
    EXPECT_EQ(viewer.FirstVisibleLine(), 1000 * known.Divisor);
    bar->setSliderDown(true);
    bar->setSliderPosition(bar->maximum());
    bar->setSliderDown(false);
    EXPECT_EQ(viewer.FirstVisibleLine(), known.MaxTop);
    bar->setSliderDown(true);
    bar->setSliderPosition(0);
    bar->setSliderDown(false);
    EXPECT_EQ(viewer.FirstVisibleLine(), 0);
}

TEST_F(HvViewrTest, ThumbAtTheMaximumDeterminesTheEndFirst)
{
    viewer.SetLines(NumberedLines(300), true);
    viewer.show();
    viewer.resize(400, 300);
    QScrollBar* bar = viewer.verticalScrollBar();
    bar->setSliderDown(true);
    bar->setSliderPosition(bar->maximum());
    bar->setSliderDown(false);
    EXPECT_EQ(viewer.LineTotal(), 300);
    EXPECT_EQ(viewer.FirstVisibleLine(), 300 - viewer.VisibleRows());

    // A file shorter than the window goes to the top.
    viewer.SetLines(NumberedLines(3), true);
    bar->setSliderDown(true);
    bar->setSliderPosition(bar->maximum());
    bar->setSliderDown(false);
    EXPECT_EQ(viewer.LineTotal(), 3);
    EXPECT_EQ(viewer.FirstVisibleLine(), 0);
}

TEST_F(HvViewrTest, HorizontalScrollBar)
{
    viewer.SetLines({ "a", QByteArray(600, 'b'), "c" });
    viewer.show();
    viewer.resize(300, 200);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    viewer.viewport()->repaint();
    QCoreApplication::processEvents(); // the range follows a paint that found a wider line
    QScrollBar* bar = viewer.horizontalScrollBar();
    EXPECT_EQ(bar->maximum(), 601 - viewer.VisibleColumns());
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(viewer.FirstVisibleColumn(), 10);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(viewer.FirstVisibleColumn(), 9);
    bar->setSliderDown(true);
    bar->setSliderPosition(300);
    EXPECT_EQ(viewer.FirstVisibleColumn(), 9);
    bar->setSliderDown(false);
    EXPECT_EQ(viewer.FirstVisibleColumn(), 300);
    viewer.SetLines({});
    EXPECT_EQ(bar->maximum(), 0);
}

TEST_F(HvViewrTest, MouseClicksPlaceTheCaretAndShiftClickExtends)
{
    viewer.SetLines({ "a\tbc", "defghi", "jk" });
    ShowGrid(viewer, 40, 10);
    const int cw = viewer.CharWidth();
    const int rh = viewer.RowHeight();
    auto cell = [&](int column, int row) { return QPoint(column * cw + cw / 2, row * rh + rh / 2); };

    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, cell(3, 1));
    EXPECT_EQ(Caret(), (TTextPosition { 1, 3 }));
    EXPECT_TRUE(viewer.hasFocus());
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, cell(5, 0)); // inside the tab
    EXPECT_EQ(Caret(), (TTextPosition { 0, 1 }));
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, cell(8, 0)); // where the tab ends
    EXPECT_EQ(Caret(), (TTextPosition { 0, 2 }));
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, Qt::ShiftModifier, cell(30, 2)); // past the end
    EXPECT_EQ(Caret(), (TTextPosition { 2, 2 }));
    EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 0, 2 }));
    EXPECT_EQ(viewer.SelectionEnd(), (TTextPosition { 2, 2 }));
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, cell(1, 8)); // below the last line
    EXPECT_EQ(Caret(), (TTextPosition { 2, 1 }));
    EXPECT_FALSE(viewer.HasSelection());
}

TEST_F(HvViewrTest, DraggingOutsideScrollsOneLinePerStep)
{
    viewer.SetLines(NumberedLines(200));
    ShowGrid(viewer, 40, 10);
    viewer.ScrollToLine(100);
    const int rh = viewer.RowHeight();
    QWidget* port = viewer.viewport();
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, QPoint(5, rh / 2));
    EXPECT_EQ(Caret().Line, 100);
    QMouseEvent inside(QEvent::MouseMove, QPointF(5, 3 * rh + 1), port->mapToGlobal(QPointF(5, 3 * rh + 1)),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(port, &inside);
    EXPECT_EQ(Caret().Line, 103);
    EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 100, 0 }));

    // Above the window: one line beyond the view each step, while the button stays down.
    QMouseEvent above(QEvent::MouseMove, QPointF(5, -20), port->mapToGlobal(QPointF(5, -20)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(port, &above);
    EXPECT_EQ(viewer.FirstVisibleLine(), 99);
    EXPECT_EQ(Caret().Line, 99);
    HY_EXPECT_SOON(viewer.FirstVisibleLine() <= 95);
    EXPECT_EQ(Caret().Line, viewer.FirstVisibleLine());
    EXPECT_EQ(viewer.SelectionEnd(), (TTextPosition { 100, 0 }));
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, QPoint(5, -20));
    const LineNumber stopped = viewer.FirstVisibleLine();
    QMouseEvent after(QEvent::MouseMove, QPointF(5, -20), port->mapToGlobal(QPointF(5, -20)), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(port, &after);
    EXPECT_EQ(viewer.FirstVisibleLine(), stopped);
}

TEST_F(HvViewrTest, StatusIsDeliveredLaterAndCoalesced)
{
    viewer.SetLines({ "a\tb", "cd", "ef" });
    ShowGrid(viewer, 40, 10);
    QSignalSpy status(&viewer, &THvBaseViewer::OnShowStatus);
    HY_EXPECT_SOON(status.count() > 0); // the first paint reports the caret too
    status.clear();
    viewer.MoveCaretTo(1, 1, false);
    viewer.MoveCaretTo(2, 2, false);
    viewer.MoveCaretTo(0, 2, false);
    EXPECT_EQ(status.count(), 0);
    HY_EXPECT_SOON(status.count() > 0);
    EXPECT_EQ(status.first().at(0).toLongLong(), 0);
    EXPECT_EQ(status.first().at(1).toInt(), 8); // display column of "b"
}

TEST_F(HvViewrTest, UserCommandsAndOrdinaryKeys)
{
    QWidget form;
    struct KeySink : QObject {
        QList<int> Keys;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::KeyPress)
                Keys << static_cast<QKeyEvent*>(e)->key();
            return false;
        }
    } sink;
    form.installEventFilter(&sink);
    auto* child = new TMemoryViewer(&form);
    auto* formController = new THvController(&form);
    child->SetLines({ "abc" });
    form.show();
    EXPECT_EQ(child->EnsureController(), formController); // adopted from the form

    formController->EntryCommands()->AddCommand(u"Default", THvCommandRecord { 116, 0, 0, 0, 300 }); // F5
    QSignalSpy user(child, &THvBaseViewer::OnUserCommand);
    QTest::keyClick(child, Qt::Key_F5);
    ASSERT_EQ(user.count(), 1);
    EXPECT_EQ(user.first().at(0).toInt(), 300);
    EXPECT_TRUE(sink.Keys.isEmpty());

    // Keys that are no command, or commands the viewer has no action for, reach the form.
    QTest::keyClick(child, Qt::Key_A);
    QTest::keyClick(child, Qt::Key_Delete);
    QTest::keyClick(child, Qt::Key_Right);
    EXPECT_EQ(sink.Keys, (QList<int> { Qt::Key_A, Qt::Key_Delete }));
    EXPECT_EQ(child->CaretCharLocation(), (TTextPosition { 0, 1 }));
}

TEST_F(HvViewrTest, WithoutAnyControllerKeysCannotBeTranslated)
{
    TMemoryViewer lonely;
    EXPECT_THROW(lonely.EnsureController(), ENoControllerAssigned);
    {
        THvController temporary;
        lonely.SetController(&temporary);
        EXPECT_EQ(lonely.EnsureController(), &temporary);
    }
    EXPECT_EQ(lonely.Controller(), nullptr); // a destroyed controller is forgotten
}

TEST_F(HvViewrTest, BookmarksAreSetJumpedToAndClearedByAReset)
{
    viewer.SetLines(NumberedLines(100));
    ShowGrid(viewer, 40, 10);
    viewer.MoveCaretTo(42, 3, false);
    Key(Qt::Key_3, kCtrl | kShift);
    EXPECT_EQ(viewer.Bookmark(3), (TTextPosition { 42, 3 }));
    Key(Qt::Key_Home, kCtrl);
    Key(Qt::Key_4, kCtrl); // unset: nothing
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
    Key(Qt::Key_3, kCtrl);
    EXPECT_EQ(Caret(), (TTextPosition { 42, 3 }));
    viewer.SetBookmark(10, 5, 5); // out of range: ignored
    EXPECT_EQ(viewer.Bookmark(10).Line, -1);
    viewer.SetLines(NumberedLines(7));
    EXPECT_EQ(viewer.Bookmark(3).Line, -1);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
}

TEST_F(HvViewrTest, ResettingTheTotalResetsTheViewButSettingItDoesNot)
{
    viewer.SetLines(NumberedLines(100, "a line that is a good deal wider than the window, by far: "), true);
    ShowGrid(viewer, 40, 10);
    viewer.viewport()->repaint();
    viewer.MoveCaretTo(50, 2, false);
    viewer.MoveCaretTo(52, 4, true);
    viewer.ScrollBy(5, 0);
    viewer.SetLineTotal(100);
    EXPECT_EQ(Caret(), (TTextPosition { 52, 4 }));
    EXPECT_TRUE(viewer.HasSelection());
    EXPECT_EQ(viewer.FirstVisibleColumn(), 5);

    viewer.PlaceCaret(250, 3); // "Go to Line" past the end: the last line
    EXPECT_EQ(Caret(), (TTextPosition { 99, 3 }));
    EXPECT_FALSE(viewer.HasSelection());
    viewer.MoveCaretTo(50, 2, false);
    viewer.MoveCaretTo(52, 4, true);

    viewer.ResetLineTotal(100); // unchanged: nothing happens
    EXPECT_TRUE(viewer.HasSelection());
    viewer.ResetLineTotal(60);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
    EXPECT_FALSE(viewer.HasSelection());
    EXPECT_EQ(viewer.FirstVisibleColumn(), 0);
    EXPECT_EQ(viewer.FirstVisibleLine(), 0);
    viewer.ResetLineTotal(0);
    viewer.MoveCaretTo(3, 3, false); // no text: nothing moves
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
}

TEST_F(HvViewrTest, SizeNeverFallsBelowOneCell)
{
    viewer.SetLines(NumberedLines(5));
    viewer.show();
    viewer.resize(1, 1);
    EXPECT_GE(viewer.viewport()->width(), viewer.CharWidth()) << viewer.width() << " " << viewer.minimumWidth();
    EXPECT_GE(viewer.viewport()->height(), viewer.RowHeight());
    EXPECT_EQ(viewer.VisibleRows(), 1);
    EXPECT_GE(viewer.VisibleColumns(), 1);
}

TEST_F(HvViewrTest, TabSizeAndFontChangesUpdateTheGrid)
{
    viewer.SetLines({ "\tx" });
    ShowGrid(viewer, 40, 5);
    viewer.MoveCaretTo(0, 1, false);
    EXPECT_EQ(viewer.CaretLocation().Index, 8);
    viewer.SetTabSize(0); // ignored
    EXPECT_EQ(viewer.TabSize(), 8);
    viewer.SetTabSize(4);
    EXPECT_EQ(viewer.CaretLocation().Index, 4);

    const int rowHeight = viewer.RowHeight();
    viewer.FixedFont()->SetSize(20);
    EXPECT_GT(viewer.RowHeight(), rowHeight);
    EXPECT_GE(viewer.RowHeight(), QFontMetrics(viewer.FixedFont()->Font()).height() + 2);
}

// The fixed-font rules over whatever fonts this machine has; a rule whose situation the machine cannot
// show is skipped with a message.
TEST(HvFixedFontTest, FixedFamiliesAreFixedPitchAndTheFirstIsTheDefault)
{
    const QStringList& fixed = THvFixedFont::FixedFamilies();
    if (fixed.isEmpty())
        GTEST_SKIP() << "no fixed-pitch font is installed";
    for (const QString& family : fixed)
        EXPECT_TRUE(QFontInfo(QFont(family)).fixedPitch()) << family.toStdString();
    THvFixedFont font;
    EXPECT_EQ(font.Name(), fixed.first());
    font.SetStyle(fsBold | fsItalic);
    EXPECT_EQ(font.Style(), unsigned(fsBold | fsItalic));
}

// A font may start with a name given for the whole program (the settings' font): resolved as SetName resolves
// it, so that the settings' own name then changes nothing; a name that resolves to no fixed family leaves the
// first fixed family. Every family resolves as membership of the enumerated fixed families says.
TEST(HvFixedFontTest, FontsStartWithTheProgramsNameResolvedAsSetNameResolvesIt)
{
    const QStringList& fixed = THvFixedFont::FixedFamilies();
    if (fixed.isEmpty())
        GTEST_SKIP() << "no fixed-pitch font is installed";
    for (const QString& family : QFontDatabase::families()) {
        if (fixed.contains(family))
            EXPECT_EQ(THvFixedFont::ResolveFamily(family), family);
        else
            EXPECT_TRUE(THvFixedFont::ResolveFamily(family).isEmpty()) << family.toStdString();
    }
    const auto restore = qScopeGuard([] { THvFixedFont::SetStartName(QString()); });
    for (const char* name : { "Courier New", "Halcyra Absent Face" }) {
        const QString requested = QString::fromLatin1(name);
        THvFixedFont::SetStartName(requested);
        THvFixedFont started;
        EXPECT_EQ(started.Name(), THvFixedFont::ResolveFamily(requested)) << name;
        QSignalSpy changed(&started, &THvFixedFont::Changed);
        started.SetName(requested);
        EXPECT_EQ(changed.count(), 0) << name;
    }
    THvFixedFont::SetStartName(fixed.last());
    EXPECT_EQ(THvFixedFont().Name(), fixed.last());
    THvFixedFont::SetStartName(QString());
    EXPECT_EQ(THvFixedFont().Name(), fixed.first());
}

TEST(HvFixedFontTest, AnInstalledProportionalFaceIsRefused)
{
    QString proportional;
    for (const QString& family : QFontDatabase::families()) {
        const QFontInfo info { QFont(family) };
        if (!QFontDatabase::isFixedPitch(family) && info.family() == family && !info.fixedPitch()) {
            proportional = family;
            break;
        }
    }
    if (proportional.isEmpty() || THvFixedFont::FixedFamilies().isEmpty())
        GTEST_SKIP() << "needs a proportional and a fixed-pitch font installed";
    THvFixedFont font;
    const QString before = font.Name();
    QSignalSpy changed(&font, &THvFixedFont::Changed);
    font.SetName(proportional);
    EXPECT_EQ(font.Name(), before) << proportional.toStdString();
    EXPECT_EQ(changed.count(), 0);
    EXPECT_THROW(font.Assign(QFont(proportional)), EInvalidFixedFont);
}

TEST(HvFixedFontTest, AnAbsentFaceTakesTheFixedFaceTheFontSystemPutsInItsPlace)
{
    const QStringList& fixed = THvFixedFont::FixedFamilies();
    if (fixed.isEmpty())
        GTEST_SKIP() << "no fixed-pitch font is installed";
    const QString system = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    const QStringList installed = QFontDatabase::families();
    bool sawOwnSubstitute = false;
    for (const char* name : { "Courier New", "Courier", "Fixedsys", "Terminal", "Lucida Console", "Consolas",
             "Andale Mono", "Monaco", "Halcyra Absent Face" }) {
        const QString requested = QString::fromLatin1(name);
        if (installed.contains(requested, Qt::CaseInsensitive))
            continue;
        const QString substitute = QFontInfo(QFont(requested)).family();
        THvFixedFont font;
        font.SetName(requested);
        if (fixed.contains(substitute)) {
            EXPECT_EQ(font.Name(), substitute) << name;
            sawOwnSubstitute = sawOwnSubstitute || substitute != system;
        } else {
            EXPECT_EQ(font.Name(), fixed.contains(system) ? system : fixed.first()) << name;
        }
    }
    if (!sawOwnSubstitute)
        GTEST_SKIP() << "no absent face here is replaced by a fixed face other than the system fixed font";
}

TEST_F(HvViewrTest, TheCaretIsDrawnInItsCellAndBlinks)
{
    viewer.SetLines({ "abc", "def" });
    ShowGrid(viewer, 40, 5);
    auto shared = std::make_shared<THvCaret>();
    shared->SetShape(csBlock);
    shared->SetBlinkTime(20);
    viewer.SetCaret(shared);
    viewer.setFocus();
    HY_EXPECT_SOON(viewer.hasFocus());
    viewer.MoveCaretTo(1, 2, false);
    const int cw = viewer.CharWidth();
    const int rh = viewer.RowHeight();
    EXPECT_EQ(viewer.CaretPixelPosition(), QPoint(2 * cw, rh));

    // Block caret: the cell is inverted in one phase and plain in the other.
    const QPoint probe(2 * cw + 1, rh + 1);
    auto pixel = [&] { return viewer.viewport()->grab().toImage().pixelColor(probe * viewer.devicePixelRatioF()); };
    HY_EXPECT_SOON(pixel().lightness() < 100);
    HY_EXPECT_SOON(pixel().lightness() > 200);
    shared->SetShape(csHorzLine); // the change reaches the viewer that shares the caret
    EXPECT_EQ(viewer.Caret()->Shape(), csHorzLine);
}

TEST(HvCaretTest, TheLargestBlinkTimeGivesASteadyCaret)
{
    QWidget widget;
    THvSingleCaret single(&widget);
    auto caret = std::make_shared<THvCaret>();
    caret->SetShape(csBlock);
    caret->SetCaretWidth(8);
    caret->SetCaretHeight(18);
    single.SetCaret(caret);
    single.SetCellSize(8, 18);
    single.SetCellPosition(QPoint(16, 36));
    single.Create();
    struct Case {
        int blinkTime;
        bool blinks;
    };
    for (const Case c : { Case { THvCaret::kSteadyBlinkTime, false }, Case { 20, true }, Case { 65534, true } }) {
        caret->SetBlinkTime(c.blinkTime);
        EXPECT_EQ(single.IsBlinking(), c.blinks) << c.blinkTime;
        EXPECT_EQ(single.BlinkInterval() > 0, c.blinks) << c.blinkTime;
        EXPECT_TRUE(single.IsVisibleNow());
        EXPECT_EQ(single.Rect(), QRect(16, 36, 8, 18)); // a block fills its cell
    }
}

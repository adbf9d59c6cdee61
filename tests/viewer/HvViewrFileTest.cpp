// The file viewer on generated files: opening, reopening and closing reset the view, open errors reach
// the caller, the last screen determines the total, Hex rows are selected, copied and searched.
#include "core/viewer/HvBase.h"
#include "core/viewer/HvCommands.h"
#include "core/viewer/HvFileModel.h"
#include "ui/viewer/HvCaret.h"
#include "ui/viewer/HvColor.h"
#include "ui/viewer/HvViewr.h"

#include "support/TempFiles.h"
#include "support/TestWait.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace hy::viewer;

namespace {

class HvViewrFileTest : public ::testing::Test {
protected:
    HvViewrFileTest()
    {
        viewer.SetController(&controller);
        viewer.SetBorderStyle(bsNone);
    }

    QString Write(const QString& name, const QByteArray& content) { return dir.Write(name, content); }

    void Open(const QString& path)
    {
        viewer.SetFileName(path);
        viewer.SetIsOpen(true);
    }

    void Show()
    {
        viewer.resize(640, 240);
        viewer.show();
        viewer.activateWindow();
        (void)QTest::qWaitForWindowActive(&viewer);
    }

    TTextPosition Caret() const { return viewer.CaretCharLocation(); }

    hy::test::TTempFolder dir;
    THvController controller;
    THvFileViewer viewer;
};

} // namespace

TEST_F(HvViewrFileTest, OpeningReopeningAndClosingResetTheView)
{
    const QString path = Write(QStringLiteral("Mixed Case.txt"), "alpha\r\nbeta\r\ngamma");
    Open(path);
    EXPECT_TRUE(viewer.IsOpen());
    EXPECT_EQ(viewer.FileName(), path); // kept exactly as given
    EXPECT_EQ(viewer.FileSize(), 18);
    EXPECT_EQ(viewer.LineTotal(), kUndeterminedTotal);

    Show();
    QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(viewer.LineTotal(), 3);
    EXPECT_EQ(Caret(), (TTextPosition { 2, 5 }));
    QTest::keyClick(&viewer, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_TRUE(viewer.HasSelection());

    // The same name again reloads the file: the view starts over.
    viewer.SetFileName(path);
    EXPECT_TRUE(viewer.IsOpen());
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
    EXPECT_FALSE(viewer.HasSelection());

    viewer.SetIsOpen(false);
    EXPECT_EQ(viewer.LineTotal(), 0);
    EXPECT_EQ(viewer.FileSize(), 0);
    QTest::keyClick(&viewer, Qt::Key_Down);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));

    // A name set while closed is only recorded.
    viewer.SetFileName(dir.PathOf(QStringLiteral("other")));
    EXPECT_FALSE(viewer.IsOpen());
}

TEST_F(HvViewrFileTest, OpenErrorsReachTheCallerAndLeaveTheViewerClosed)
{
    Open(Write(QStringLiteral("good.txt"), "text"));
    Show();
    // Renaming an open viewer reopens it under the new name, which fails here.
    try {
        viewer.SetFileName(dir.PathOf(QStringLiteral("missing.txt")));
        ADD_FAILURE() << "no exception";
    } catch (const hy::base::EInOutError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Viewer: file not found"));
        EXPECT_EQ(e.ErrorCode(), 2);
    }
    EXPECT_FALSE(viewer.IsOpen());
    EXPECT_EQ(viewer.LineTotal(), 0);
    EXPECT_EQ(viewer.FileSize(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_THROW(viewer.SetIsOpen(true), hy::base::EInOutError);
    EXPECT_FALSE(viewer.IsOpen());
}

TEST_F(HvViewrFileTest, PaintingTheLastScreenDeterminesTheTotal)
{
    Open(Write(QStringLiteral("short.txt"), "one\ntwo\nthree\n"));
    EXPECT_EQ(viewer.LineTotal(), kUndeterminedTotal);
    Show();
    HY_ASSERT_EQ_SOON(viewer.LineTotal(), 4); // LF line ends; the final break leaves an empty last line
    HY_ASSERT_EQ_SOON(viewer.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
}

TEST_F(HvViewrFileTest, StandardSearchSelectsHitsFromTheCaret)
{
    Open(Write(QStringLiteral("cats.txt"), "one cat, two cats\r\nCAT\r\n"));
    Show();
    struct Step {
        unsigned Options;
        TTextPosition Start, End, Caret;
    };
    const Step steps[] = {
        { 0, { 0, 4 }, { 0, 7 }, { 0, 7 } },
        { 0, { 0, 13 }, { 0, 16 }, { 0, 16 } },
        { 0, { 1, 0 }, { 1, 3 }, { 1, 3 } },
        { soBackward, { 1, 0 }, { 1, 3 }, { 1, 0 } },
        { soBackward, { 0, 13 }, { 0, 16 }, { 0, 13 } },
    };
    for (const Step& s : steps) {
        EXPECT_TRUE(viewer.SearchFor("cat", s.Options));
        EXPECT_EQ(viewer.SelectionStart(), s.Start);
        EXPECT_EQ(viewer.SelectionEnd(), s.End);
        EXPECT_EQ(Caret(), s.Caret);
    }
    EXPECT_FALSE(viewer.SearchFor("dog", soWholeFile));
    EXPECT_EQ(Caret(), (TTextPosition { 0, 13 }));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(HvViewrFileTest, HexRowsAreSelectedCopiedAndSearched)
{
    // 48 bytes: "needle" at 5 (row 0), 17 and 24 (both row 1) and 40 (row 2).
    QByteArray bytes(48, 'x');
    for (int at : { 5, 17, 24, 40 })
        bytes.replace(at, 6, "needle");
    Open(Write(QStringLiteral("rows.bin"), bytes));
    Show();
    viewer.MoveCaretTo(0, 3, false);
    viewer.SetInHexMode(true);
    EXPECT_EQ(viewer.LineTotal(), 3);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 62 })); // the caret keeps its byte, in the character column
    int len = 0;
    EXPECT_EQ(QByteArray(viewer.LineText(0, len)).left(14), QByteArray("00000000  78 7"));
    EXPECT_EQ(len, 75);

    struct Step {
        unsigned Options;
        TTextPosition Start, End, Caret;
    };
    const Step steps[] = {
        { 0, { 1, 60 }, { 1, 66 }, { 1, 66 } }, // from the next row: 5 is skipped
        { 0, { 2, 67 }, { 2, 73 }, { 2, 73 } }, // 24 shares the caret's row
        { soBackward | soWholeFile, { 2, 67 }, { 2, 73 }, { 2, 67 } },
        { soBackward, { 1, 67 }, { 1, 73 }, { 1, 67 } },
    };
    for (const Step& s : steps) {
        EXPECT_TRUE(viewer.SearchFor("NEEDLE", s.Options));
        EXPECT_EQ(viewer.SelectionStart(), s.Start);
        EXPECT_EQ(viewer.SelectionEnd(), s.End);
        EXPECT_EQ(Caret(), s.Caret);
    }

    // Rows between the first and the last are copied whole.
    viewer.SelectRange(0, 70, true, 12, 2);
    QByteArray rows[3];
    for (int r = 0; r < 3; ++r)
        rows[r] = QByteArray(viewer.LineText(r, len), len);
    const QByteArray expected = rows[0].mid(70) + "\n" + rows[1] + "\n" + rows[2].left(12);
    EXPECT_EQ(viewer.SelectedText(), QString::fromLatin1(expected));
    viewer.CopySelection();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(expected));

    // Back in Standard view the caret stands on the byte it stood on in the dump (row 2's first byte).
    viewer.SetInHexMode(false);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 32 }));
    EXPECT_FALSE(viewer.HasSelection());
}

TEST_F(HvViewrFileTest, StandardAndHexViewsWithASelection)
{
    QByteArray text;
    for (int i = 0; i < 40; ++i)
        text += "Line " + QByteArray::number(i) + "\tcolumns\tand text \xE9\x80 \x01 end\r\n";
    Open(Write(QStringLiteral("shot.txt"), text));
    viewer.SetBorderStyle(bsSingle);
    viewer.HighlightColors()->SetBackColor(QColor(0, 0, 160));
    viewer.HighlightColors()->SetTextColor(Qt::white);
    viewer.Caret()->SetShape(csBlock);
    viewer.Caret()->SetBlinkTime(65535);
    Show();
    viewer.setFocus();
    viewer.SelectRange(2, 3, true, 12, 5);
    const QByteArray shots = qgetenv("HY_VIEWER_SHOTS");
    auto check = [&](const QString& name, int row, int column) {
        QApplication::processEvents();
        const QImage image = viewer.grab().toImage();
        if (!shots.isEmpty())
            image.save(QDir(QString::fromLocal8Bit(shots)).filePath(name));
        const QPoint cell = viewer.viewport()->mapTo(&viewer,
            QPoint(column * viewer.CharWidth() + viewer.CharWidth() / 2,
                int(row - viewer.FirstVisibleLine()) * viewer.RowHeight()));
        EXPECT_EQ(image.pixelColor(cell), QColor(0, 0, 160)) << name.toStdString();
    };
    check(QStringLiteral("viewer-standard.png"), 3, 2);

    viewer.SetInHexMode(true);
    viewer.SelectRange(1, 12, true, 65, 3);
    check(QStringLiteral("viewer-hex.png"), 2, 30);
}

TEST_F(HvViewrFileTest, EscStopsALongScanAndTheViewStaysAmongKnownLines)
{
    QByteArray line("0123456789abcdef0123456789\n");
    QByteArray content;
    content.reserve(24 << 20);
    while (content.size() < (24 << 20))
        content += line;
    Open(Write("long.txt", content));
    Show();
    THvCustomFileViewer::SetLongWorkDelay(0);
    QList<bool> longWork;
    QObject::connect(&viewer, &THvCustomFileViewer::OnLongWork, [&](bool running) { longWork << running; });

    // Esc arrives while the scan to the end is under way.
    QTimer::singleShot(0, &viewer, [this]() { QTest::keyClick(&viewer, Qt::Key_Escape); });
    viewer.ExecuteCommand(ccLastPage);
    EXPECT_TRUE(viewer.WorkStopped());
    EXPECT_EQ(viewer.LineTotal(), kUndeterminedTotal);
    EXPECT_LT(Caret().Line, content.size() / line.size());
    EXPECT_LE(Caret().Line, viewer.Model().FarthestLine());
    EXPECT_EQ(longWork, QList<bool>({ true, false }));

    // Without Esc the same command reaches the end.
    viewer.ExecuteCommand(ccLastPage);
    EXPECT_FALSE(viewer.WorkStopped());
    EXPECT_EQ(viewer.LineTotal(), content.size() / line.size() + 1);
    THvCustomFileViewer::SetLongWorkDelay(400);
}

TEST_F(HvViewrFileTest, AScanThatPaintingNeedsRunsAsALongReadThatEscStops)
{
    // One line of 40 MiB without a line end: whether line 1 exists is known only at the end of the file.
    const QByteArray content(40 << 20, 'w');
    Open(Write(QStringLiteral("one-line.txt"), content));
    THvCustomFileViewer::SetLongWorkDelay(0);
    QList<bool> longWork;
    bool duringPaint = false;
    bool escape = true;
    const auto connection = QObject::connect(&viewer, &THvCustomFileViewer::OnLongWork, [&](bool running) {
        longWork << running;
        if (!running)
            return;
        duringPaint = duringPaint || viewer.viewport()->paintingActive();
        if (escape)
            QTimer::singleShot(0, &viewer, [this]() { QTest::keyClick(&viewer, Qt::Key_Escape); });
    });
    Show();
    HY_ASSERT_SOON(longWork.size() == 2);
    EXPECT_FALSE(duringPaint); // the window painted; the scan ran after the paint
    EXPECT_TRUE(viewer.WorkStopped());
    EXPECT_EQ(viewer.LineTotal(), kUndeterminedTotal);
    int len = 0;
    EXPECT_EQ(QByteArray(viewer.LineText(0, len)), QByteArray(1023, 'w'));

    // Painting again does not start the stopped read over.
    viewer.viewport()->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(longWork.size(), 2);

    // A key that needs the next line goes on from where the read stopped, to the end.
    escape = false;
    const FileOffset before = viewer.Model().BytesRead();
    viewer.ExecuteCommand(ccDown);
    EXPECT_EQ(viewer.LineTotal(), 1);
    EXPECT_LT(viewer.Model().BytesRead() - before, content.size());
    EXPECT_LE(viewer.Model().BytesRead(), content.size() + (1 << 20));
    // Its end now known, the line costs nothing more to move along.
    const FileOffset settled = viewer.Model().BytesRead();
    for (int command : { ccEnd, ccRight, ccDown, ccLastPage, ccHome, ccUp, ccFirstPage })
        viewer.ExecuteCommand(command);
    viewer.viewport()->repaint();
    EXPECT_EQ(viewer.Model().BytesRead(), settled);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
    QObject::disconnect(connection);
    THvCustomFileViewer::SetLongWorkDelay(400);
}

TEST_F(HvViewrFileTest, ADialogOpenedDuringALongReadTakesItsInput)
{
    QByteArray content;
    while (content.size() < (24 << 20))
        content += "0123456789abcdef0123456789\n";
    Open(Write(QStringLiteral("long.txt"), content));
    Show();
    THvCustomFileViewer::SetLongWorkDelay(0);
    bool opened = false;
    bool closedByKey = false;
    bool anyRunning = false;
    bool keyReachedViewer = false;
    const TTextPosition caretBefore = Caret();
    const auto connection = QObject::connect(&viewer, &THvCustomFileViewer::OnLongWork, [&](bool running) {
        if (!running || opened)
            return;
        opened = true;
        // An alert raised while the read runs, as a failed hand-over would raise one.
        QTimer::singleShot(0, &viewer, [&]() {
            anyRunning = THvCustomFileViewer::AnyLongWorkRunning();
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Halcyra Viewer"), QStringLiteral("File not found!"),
                QMessageBox::Ok, &viewer);
            QTimer::singleShot(0, &box, [&]() {
                // Keys for the busy viewer are held back; Esc in the alert closes the alert.
                QTest::keyClick(&viewer, Qt::Key_Down);
                keyReachedViewer = Caret() != caretBefore;
                QTest::keyClick(&box, Qt::Key_Escape);
            });
            bool rescued = false;
            QTimer::singleShot(5000, &box, [&]() {
                rescued = true;
                box.done(0);
            });
            box.exec();
            closedByKey = !rescued;
        });
    });
    viewer.ExecuteCommand(ccLastPage);
    QObject::disconnect(connection);
    THvCustomFileViewer::SetLongWorkDelay(400);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(closedByKey);
    EXPECT_TRUE(anyRunning);
    EXPECT_FALSE(THvCustomFileViewer::AnyLongWorkRunning());
    EXPECT_FALSE(keyReachedViewer);
    EXPECT_FALSE(viewer.WorkStopped()); // the Esc was the alert's, not the read's
    EXPECT_EQ(viewer.LineTotal(), content.size() / 27 + 1);
}

TEST_F(HvViewrFileTest, AFileRewrittenWhileShownIsShownAsItNowIs)
{
    // Larger than the page cache, so that going back to the top reads from the file again.
    QByteArray before;
    for (int i = 0; i < 20000; ++i)
        before += "old line " + QByteArray::number(i) + "\n";
    const QString path = Write(QStringLiteral("rotating.log"), before);
    Open(path);
    Show();
    QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(viewer.LineTotal(), 20001);
    viewer.viewport()->repaint();
    auto rewrite = [&](const QByteArray& data, qint64 stamp) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
        f.close();
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::fromSecsSinceEpoch(stamp), QFileDevice::FileModificationTime));
    };
    auto shownRows = [&]() {
        QList<QByteArray> rows;
        for (LineNumber line = viewer.FirstVisibleLine(); line < viewer.FirstVisibleLine() + viewer.VisibleRows();
             ++line) {
            if (viewer.ClampLine(line) != line || line >= viewer.LineTotal())
                break;
            rows << viewer.DisplayLineText(line).toUtf8();
        }
        return rows;
    };

    // Shorter: the first read that comes up short (going to a line in the middle) shows the new file,
    // from its top.
    rewrite("new 0\nnew 1\nnew 2", 1000);
    viewer.PlaceCaret(10000, 0);
    HY_ASSERT_EQ_SOON(viewer.LineTotal(), 3);
    EXPECT_LT(Caret().Line, 3);
    EXPECT_EQ(viewer.FileSize(), 17);
    HY_EXPECT_SOON(Caret() == (TTextPosition { 0, 0 }));
    EXPECT_EQ(shownRows(), QList<QByteArray>({ "new 0", "new 1", "new 2" }));

    // Longer: nothing reads short; the application becoming active again looks at the file.
    QByteArray longer;
    for (int i = 0; i < 50; ++i)
        longer += "newer line " + QByteArray::number(i) + "\n";
    rewrite(longer, 2000);
    QTest::keyClick(&viewer, Qt::Key_Down);
    Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(viewer.FileSize(), longer.size());
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
    EXPECT_EQ(shownRows().value(1), QByteArray("newer line 1"));
    QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(viewer.LineTotal(), 51);
    EXPECT_FALSE(viewer.CheckFileOnDisk());
}

TEST_F(HvViewrFileTest, EncodingsDecodeTheFileAndAChangeKeepsThePlace)
{
    // UTF-16 LE with its mark: Auto reads it as such; as Windows-1252 its bytes are characters.
    QByteArray data("\xFF\xFE", 2);
    for (QChar c : QStringLiteral("caf\u00E9 \u65E5\u672C\nsecond line\n"))
        data += QByteArray(1, char(c.unicode() & 0xFF)) + QByteArray(1, char(c.unicode() >> 8));
    Open(Write(QStringLiteral("wide.txt"), data));
    Show();
    EXPECT_EQ(viewer.EffectiveEncoding(), TTextEncoding::Utf16LE);
    EXPECT_EQ(viewer.DisplayLineText(0), QStringLiteral("caf\u00E9 \u65E5\u672C"));
    viewer.MoveCaretTo(1, 6, false); // on the "o" of "second"
    const FileOffset place = viewer.CaretOffset();
    EXPECT_EQ(place, 2 + 2 * 8 + 6);
    viewer.SetEncoding(TTextEncoding::Windows1252);
    EXPECT_EQ(viewer.CaretOffset(), place) << "the caret keeps its byte";
    EXPECT_EQ(viewer.DisplayLineText(1).size(), 23) << "every byte a character now";
    viewer.SetEncoding(TTextEncoding::Auto);
    EXPECT_EQ(viewer.CaretOffset(), place);
    EXPECT_EQ(viewer.CaretCharLocation(), (TTextPosition { 1, 6 }));
}

TEST_F(HvViewrFileTest, ToFileWritesTheSelectedBytesExactly)
{
    // CR LF and LF line ends, zero bytes, invalid UTF-8 and a line of 2,000,000 characters.
    QByteArray data = QByteArray("one\r\ntw\0o\n\xC3\xA9t\xC3\xA9 \xFF\n", 18) + QByteArray(2000000, 'L') + "\nlast";
    Open(Write(QStringLiteral("mixed.txt"), data));
    Show();
    const QString target = dir.PathOf(QStringLiteral("part.bin"));
    auto written = [&]() {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    };
    viewer.SelectRange(0, 1, true, 3, 3); // from "ne" to inside the long line
    ASSERT_EQ(viewer.WriteSelection(target), 0);
    EXPECT_TRUE(written() == data.mid(1, 18 - 1 + 3));
    viewer.SelectEntireFile(false);
    ASSERT_EQ(viewer.WriteSelection(target), 0);
    EXPECT_TRUE(written() == data) << "everything, the last line's text too";
    // The long line's end is reached without reading it whole again.
    const FileOffset before = viewer.Model().BytesRead();
    viewer.MoveCaretTo(3, 0, false);
    viewer.ExecuteCommand(ccEnd);
    EXPECT_EQ(viewer.CaretCharLocation(), (TTextPosition { 3, 2000000 }));
    EXPECT_LT(viewer.Model().BytesRead() - before, 4 << 20);
    // In Hex view the selected dump bytes are written.
    viewer.SetInHexMode(true);
    viewer.SelectRange(0, HexCharColumn(8) + 2, true, HexCharColumn(8) + 1, 1);
    ASSERT_EQ(viewer.WriteSelection(target), 0);
    EXPECT_TRUE(written() == data.mid(2, 15));
}

TEST_F(HvViewrFileTest, EndOfALineWhoseEndIsUnknownIsALongReadThatEscStops)
{
    const QByteArray content(40 << 20, 'e');
    Open(Write(QStringLiteral("no-end.txt"), content)); // not shown: no paint starts a scan first
    THvCustomFileViewer::SetLongWorkDelay(0);
    bool escape = true;
    const auto connection = QObject::connect(&viewer, &THvCustomFileViewer::OnLongWork, [&](bool running) {
        if (running && escape)
            QTimer::singleShot(0, &viewer, [this]() { QTest::keyClick(&viewer, Qt::Key_Escape); });
    });
    viewer.ExecuteCommand(ccEnd);
    EXPECT_TRUE(viewer.WorkStopped());
    EXPECT_EQ(Caret(), (TTextPosition { 0, 0 })) << "stopped, the caret stays";
    escape = false;
    viewer.ExecuteCommand(ccEnd);
    EXPECT_EQ(Caret(), (TTextPosition { 0, 40 << 20 }));
    EXPECT_LE(viewer.Model().BytesRead(), (40 << 20) + (8 << 20)) << "the line was read once, not twice";
    QObject::disconnect(connection);
    THvCustomFileViewer::SetLongWorkDelay(400);
}

TEST_F(HvViewrFileTest, CtrlEndOnAnUncountedFileShowsTheEndAtOnceAndTheCountFillsInTheNumbers)
{
    const int lines = 200000;
    QByteArray data;
    for (int i = 0; i < lines; ++i)
        data += "entry " + QByteArray::number(i) + (i % 7 == 0 ? " with some more text\n" : "\n");
    data.chop(1);
    auto lineText = [this](LineNumber line) { return viewer.TextOfRange(line, 0, 200); };

    struct Step {
        const char* name;
        std::function<void()> act; // done while the count runs
        LineNumber caretLine; // where the caret is once the count is in
    };
    const Step steps[] = {
        { "nothing", [] {}, lines - 1 },
        { "Go to Line past the counted lines", [this] { viewer.PlaceCaretOnLine(150000); }, 150000 },
        { "Go to Line among the counted lines", [this] { viewer.PlaceCaretOnLine(3); }, 3 },
        { "Find backward from the end",
            [this] { EXPECT_TRUE(viewer.SearchFor(QStringLiteral("entry 100000"), soBackward)); }, 100000 },
        { "Find forward from the start",
            [this] {
                viewer.PlaceCaretOnLine(0);
                EXPECT_TRUE(viewer.SearchFor(QStringLiteral("entry 120001"), 0));
            },
            120001 },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Open(Write(QStringLiteral("big.log"), data));
        viewer.Model().SetTailThreshold(1);
        viewer.SetShowLineNumbers(true);
        Show();
        (void)lineText(10); // the first lines are counted
        QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
        ASSERT_NE(viewer.LineTotal(), kUndeterminedTotal);
        EXPECT_EQ(lineText(Caret().Line), QStringLiteral("entry 199999"));
        step.act();
        const LineNumber caretBefore = Caret().Line;
        const QString caretText = lineText(caretBefore);
        const QString topText = lineText(viewer.FirstVisibleLine());
        QTRY_VERIFY(!viewer.CountingLines());
        EXPECT_EQ(viewer.LineTotal(), lines);
        EXPECT_EQ(Caret().Line, step.caretLine);
        // The numbers changed, the place did not.
        EXPECT_EQ(lineText(Caret().Line), caretText);
        EXPECT_EQ(lineText(viewer.FirstVisibleLine()), topText);
        EXPECT_TRUE(lineText(step.caretLine).startsWith(QStringLiteral("entry ") + QString::number(step.caretLine)));
        viewer.SetIsOpen(false);
    }
}

TEST_F(HvViewrFileTest, TheCountOfCtrlEndIsReportedAsSoonAsItIsIn)
{
    // Lines all of one length: the estimate is exact, so no line is renumbered when the count comes in, and
    // the status still has to say that the count is done without waiting for the next progress report.
    QByteArray data;
    for (int i = 0; i < 200000; ++i)
        data += QByteArray::number(1000000 + i) + "\n";
    Open(Write(QStringLiteral("even.log"), data));
    viewer.Model().SetTailThreshold(1);
    Show();
    bool counted = false;
    const auto connection = QObject::connect(
        &viewer, &THvCustomFileViewer::OnShowStatus, [&](LineNumber, qint64) { counted = !viewer.CountingLines(); });
    QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
    ASSERT_TRUE(viewer.CountingLines());
    while (viewer.CountingLines())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(counted) << "the status was told once the count was in";
    EXPECT_EQ(viewer.LineTotal(), 200001);
    QObject::disconnect(connection);
}

TEST_F(HvViewrFileTest, FollowShowsNewLinesAndStaysAtTheEndOnlyWhileTheCaretIsThere)
{
    const QString path = Write(QStringLiteral("follow.log"), "one\ntwo\n");
    Open(path);
    Show();
    QStringList notes;
    QObject::connect(&viewer, &THvCustomFileViewer::OnFollowNote, [&](const QString& n) { notes << n; });
    viewer.SetFollow(true);
    EXPECT_EQ(Caret().Line, 2);
    auto writer = [&](const QString& command) {
        QProcess p;
        p.start(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), command.arg(path) });
        ASSERT_TRUE(p.waitForFinished(10000));
    };

    writer(QStringLiteral("printf 'three\\nfour\\n' >> '%1'"));
    QTRY_COMPARE(viewer.LineTotal(), 5);
    EXPECT_EQ(Caret().Line, 4); // it followed the end
    EXPECT_EQ(viewer.TextOfRange(2, 0, 10), QStringLiteral("three")); // the empty last line has grown

    viewer.PlaceCaret(1, 0); // scrolled up to read: the view stays where it is
    const LineNumber first = viewer.FirstVisibleLine();
    writer(QStringLiteral("printf 'five\\n' >> '%1'"));
    QTRY_COMPARE(viewer.LineTotal(), 6);
    EXPECT_EQ(Caret().Line, 1);
    EXPECT_EQ(viewer.FirstVisibleLine(), first);

    writer(QStringLiteral("mv '%1' '%1.1' && printf 'fresh\\nstart' > '%1'"));
    QTRY_COMPARE(notes.size(), 1);
    EXPECT_EQ(notes.at(0), QStringLiteral("The file was truncated or replaced; it was reopened from the start."));
    EXPECT_EQ(viewer.LineTotal(), 2);
    EXPECT_EQ(viewer.TextOfRange(Caret().Line, 0, 10), QStringLiteral("start"));

    viewer.SetFollow(false);
    EXPECT_FALSE(viewer.Follow());
}

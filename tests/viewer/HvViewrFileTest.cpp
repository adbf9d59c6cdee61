// The file viewer on generated files: opening, reopening and closing reset the view, open errors reach
// the caller, the last screen determines the total, Hex rows are selected, copied and searched.
#include "viewer/HvBase.h"
#include "viewer/HvCaret.h"
#include "viewer/HvColor.h"
#include "viewer/HvCommands.h"
#include "viewer/HvFileModel.h"
#include "viewer/HvViewr.h"

#include "support/TestWait.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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

    QString Write(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

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

    TextPosition Caret() const { return viewer.CaretCharLocation(); }

    QTemporaryDir dir;
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
    EXPECT_EQ(Caret(), (TextPosition { 2, 5 }));
    QTest::keyClick(&viewer, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_TRUE(viewer.HasSelection());

    // The same name again reloads the file: the view starts over.
    viewer.SetFileName(path);
    EXPECT_TRUE(viewer.IsOpen());
    EXPECT_EQ(Caret(), (TextPosition { 0, 0 }));
    EXPECT_FALSE(viewer.HasSelection());

    viewer.SetIsOpen(false);
    EXPECT_EQ(viewer.LineTotal(), 0);
    EXPECT_EQ(viewer.FileSize(), 0);
    QTest::keyClick(&viewer, Qt::Key_Down);
    EXPECT_EQ(Caret(), (TextPosition { 0, 0 }));

    // A name set while closed is only recorded.
    viewer.SetFileName(dir.filePath(QStringLiteral("other")));
    EXPECT_FALSE(viewer.IsOpen());
}

TEST_F(HvViewrFileTest, OpenErrorsReachTheCallerAndLeaveTheViewerClosed)
{
    Open(Write(QStringLiteral("good.txt"), "text"));
    Show();
    // Renaming an open viewer reopens it under the new name, which fails here.
    try {
        viewer.SetFileName(dir.filePath(QStringLiteral("missing.txt")));
        ADD_FAILURE() << "no exception";
    } catch (const hy::EInOutError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Viewer: file not found"));
        EXPECT_EQ(e.ErrorCode(), 2);
    }
    EXPECT_FALSE(viewer.IsOpen());
    EXPECT_EQ(viewer.LineTotal(), 0);
    EXPECT_EQ(viewer.FileSize(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_THROW(viewer.SetIsOpen(true), hy::EInOutError);
    EXPECT_FALSE(viewer.IsOpen());
}

TEST_F(HvViewrFileTest, PaintingTheLastScreenDeterminesTheTotal)
{
    Open(Write(QStringLiteral("short.txt"), "one\ntwo\nthree\n"));
    EXPECT_EQ(viewer.LineTotal(), kUndeterminedTotal);
    Show();
    HY_ASSERT_EQ_SOON(viewer.LineTotal(), 4); // LF line ends; the final break leaves an empty last line
    HY_ASSERT_EQ_SOON(viewer.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(Caret(), (TextPosition { 0, 0 }));
}

TEST_F(HvViewrFileTest, StandardSearchSelectsHitsFromTheCaret)
{
    Open(Write(QStringLiteral("cats.txt"), "one cat, two cats\r\nCAT\r\n"));
    Show();
    struct Step {
        unsigned Options;
        TextPosition Start, End, Caret;
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
    EXPECT_EQ(Caret(), (TextPosition { 0, 13 }));
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
    EXPECT_EQ(Caret(), (TextPosition { 0, 0 })); // a mode switch starts the view over
    int len = 0;
    EXPECT_EQ(QByteArray(viewer.LineText(0, len)).left(14), QByteArray("00000000  78 7"));
    EXPECT_EQ(len, 75);

    struct Step {
        unsigned Options;
        TextPosition Start, End, Caret;
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
    const QByteArray expected = rows[0].mid(70) + "\r\n" + rows[1] + "\r\n" + rows[2].left(12);
    EXPECT_EQ(viewer.SelectedBytes(), expected);
    viewer.CopySelection();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(expected));

    viewer.SetInHexMode(false);
    EXPECT_EQ(Caret(), (TextPosition { 0, 0 }));
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

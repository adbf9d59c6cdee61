// The file viewer at the edges of a file's text: Select All with Copy and To File in Standard and Hex view,
// and the caret at the end of a last line without a line end.
#include "viewer/HvBase.h"
#include "viewer/HvFileModel.h"
#include "viewer/HvLayout.h"
#include "viewer/HvViewr.h"

#include "support/TempFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

using namespace hy::viewer;

namespace {

class HvViewrWholeTextTest : public ::testing::Test {
protected:
    HvViewrWholeTextTest()
    {
        viewer.SetController(&controller);
        viewer.SetBorderStyle(bsNone);
    }

    void Open(const QByteArray& content, TTextEncoding encoding = TTextEncoding::Auto)
    {
        viewer.SetIsOpen(false);
        viewer.SetEncoding(encoding);
        viewer.SetFileName(dir.Write(QStringLiteral("f%1.txt").arg(++m_files), content));
        viewer.SetIsOpen(true);
        if (!viewer.isVisible()) {
            viewer.resize(640, 240);
            viewer.show();
            viewer.activateWindow();
            (void)QTest::qWaitForWindowActive(&viewer);
        }
    }

    // The bytes To File writes for the selection.
    QByteArray Written()
    {
        const QString target = dir.PathOf(QStringLiteral("written.bin"));
        QFile::remove(target);
        EXPECT_EQ(viewer.WriteSelection(target), 0);
        QFile f(target);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }

    // The text Copy puts on the clipboard.
    QString Copied()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("<before>"));
        viewer.CopySelection();
        return QGuiApplication::clipboard()->text();
    }

    TextPosition Caret() const { return viewer.CaretCharLocation(); }

    hy::test::TTempFolder dir;
    THvController controller;
    THvFileViewer viewer;

private:
    int m_files = 0;
};

} // namespace

TEST_F(HvViewrWholeTextTest, SelectAllCopiesAndWritesTheWholeFileInStandardAndHexView)
{
    struct Case {
        QByteArray Data;
        QString Text; // what Copy gives in Standard view (lines joined by LF)
    };
    const Case cases[] = {
        { "one\r\ntwo\r\nthree", QStringLiteral("one\ntwo\nthree") },
        { "one\r\ntwo\r\nthree\r\n", QStringLiteral("one\ntwo\nthree\n") },
        { "one\ntwo\nthree", QStringLiteral("one\ntwo\nthree") },
        { "one\rtwo\rthree", QStringLiteral("one\ntwo\nthree") },
        { "one\rtwo\n\nthree\r", QStringLiteral("one\ntwo\n\nthree") }, // a final CR ends no line
        { "x", QStringLiteral("x") },
        { QByteArray(40, 'h'), QString(40, QLatin1Char('h')) }, // Hex: two full rows and a short one
        { QByteArray(32, 'w') + "\n", QString(32, QLatin1Char('w')) + QLatin1Char('\n') },
        { QByteArray(32, 'r'), QString(32, QLatin1Char('r')) }, // Hex: full rows only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Data.toStdString());
        Open(c.Data);
        for (const bool caretAtEnd : { false, true }) {
            viewer.SetInHexMode(false);
            viewer.SelectEntireFile(caretAtEnd);
            EXPECT_EQ(Copied(), c.Text);
            EXPECT_EQ(Written(), c.Data) << "To File, Standard";

            viewer.SetInHexMode(true);
            viewer.SelectEntireFile(caretAtEnd);
            EXPECT_EQ(Written(), c.Data) << "To File, Hex";
            // Dump rows copy as they show: the last row with every byte of it.
            const qsizetype lastRow = (c.Data.size() - 1) / 16;
            const QStringList rows = Copied().split(QLatin1Char('\n'));
            ASSERT_EQ(rows.size(), lastRow + 1);
            const QByteArray lastBytes = c.Data.mid(lastRow * 16);
            EXPECT_EQ(
                rows.back().mid(10, 3 * lastBytes.size() - 1), QString::fromLatin1(lastBytes.toHex(' ').toUpper()));
            if (caretAtEnd) {
                EXPECT_EQ(Caret().Line, lastRow);
                EXPECT_EQ(viewer.CaretOffset(), c.Data.size()) << "after the last byte";
            }
        }
    }
}

TEST_F(HvViewrWholeTextTest, RightAtTheEndOfAFilesLastLineKeepsCaretAndSelection)
{
    QByteArray data;
    for (int i = 0; i < 199; ++i)
        data += "line " + QByteArray::number(i) + "\r\n";
    Open(data + "last");
    viewer.MoveCaretTo(199, 2, false); // reached without finding the end of the file
    QTest::keyClick(&viewer, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&viewer, Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(Caret(), (TextPosition { 199, 4 }));
    ASSERT_EQ(viewer.LineTotal(), kUndeterminedTotal);
    const Qt::KeyboardModifiers steps[]
        = { Qt::ShiftModifier, Qt::ShiftModifier | Qt::ControlModifier, Qt::NoModifier };
    for (const Qt::KeyboardModifiers m : steps) {
        QTest::keyClick(&viewer, Qt::Key_Right, m);
        EXPECT_EQ(Caret(), (TextPosition { 199, 4 })) << int(m);
        EXPECT_EQ(viewer.SelectionStart(), (TextPosition { 199, 2 }));
        EXPECT_EQ(viewer.SelectionEnd(), (TextPosition { 199, 4 }));
    }
    EXPECT_EQ(viewer.LineTotal(), 200) << "looking for the next line found the end";
}

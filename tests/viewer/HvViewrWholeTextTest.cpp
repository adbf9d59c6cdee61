// The file viewer at the edges of a file's text: Select All with Copy and To File in Standard and Hex view,
// a byte-order mark and U+FEFF, half a UTF-16 unit at the end, and replacement marks on screen.
#include "core/viewer/HvBase.h"
#include "core/viewer/HvFileModel.h"
#include "core/viewer/HvLayout.h"
#include "ui/viewer/HvViewr.h"

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

    TTextPosition Caret() const { return viewer.CaretCharLocation(); }

    hy::test::TTempFolder dir;
    THvController controller;
    THvFileViewer viewer;

private:
    int m_files = 0;
};

QByteArray Utf16(const QString& s, bool big)
{
    QByteArray out;
    for (const QChar c : s) {
        const char hi = char(c.unicode() >> 8);
        const char lo = char(c.unicode() & 0xFF);
        out.append(big ? hi : lo);
        out.append(big ? lo : hi);
    }
    return out;
}

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

TEST_F(HvViewrWholeTextTest, AByteOrderMarkIsNoTextButU_FEFFInsideALineIs)
{
    // A U+FEFF inside the first line, and one alone on the second.
    const QString text = QStringLiteral("Zoe \uFEFF.\r\n\uFEFF\r\nend");
    struct Case {
        const char* Name;
        QByteArray Data;
        TTextEncoding Encoding;
    };
    const Case cases[] = {
        { "UTF-8", "\xEF\xBB\xBF" + text.toUtf8(), TTextEncoding::Utf8 },
        { "UTF-16 LE", "\xFF\xFE" + Utf16(text, false), TTextEncoding::Utf16LE },
        { "UTF-16 BE", "\xFE\xFF" + Utf16(text, true), TTextEncoding::Utf16BE },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Open(c.Data);
        EXPECT_EQ(viewer.EffectiveEncoding(), c.Encoding);
        // The caret starts on the first character, and Home and Left keep it there.
        EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
        EXPECT_EQ(viewer.Layout().CellAt(0, 0).Code, U'Z');
        QTest::keyClick(&viewer, Qt::Key_Right);
        EXPECT_EQ(viewer.Layout().CellAt(Caret().Line, Caret().Index).Code, U'o');
        QTest::keyClick(&viewer, Qt::Key_Left);
        QTest::keyClick(&viewer, Qt::Key_Left);
        QTest::keyClick(&viewer, Qt::Key_Home);
        EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
        EXPECT_EQ(viewer.Layout().CellAt(0, 0).Code, U'Z');

        // Copies and printing (which takes the text as copies do) keep every U+FEFF but the mark.
        viewer.SelectEntireFile(false);
        EXPECT_EQ(Copied(), QStringLiteral("Zoe \uFEFF.\n\uFEFF\nend"));
        EXPECT_EQ(viewer.TextOfRange(0, 0, 100), QStringLiteral("Zoe \uFEFF."));
        EXPECT_EQ(Written(), c.Data) << "To File writes the file as it is, mark and all";

        // Searches see the text without the mark: the first word starts the file's first line.
        EXPECT_TRUE(viewer.SearchFor(QStringLiteral("zoe"), soWholeFile));
        EXPECT_EQ(Copied(), QStringLiteral("Zoe"));
        EXPECT_TRUE(viewer.SearchFor(QStringLiteral("^Zoe \uFEFF\\.$"), soWholeFile | soRegex | soMatchCase));
        EXPECT_EQ(Copied(), QStringLiteral("Zoe \uFEFF."));
        EXPECT_TRUE(viewer.SearchFor(QStringLiteral("\uFEFF"), soWholeFile | soBackward));
        EXPECT_EQ(viewer.SelectionStart().Line, 1) << "U+FEFF inside the text is found";
    }
}

TEST_F(HvViewrWholeTextTest, HalfAUtf16UnitAtTheEndShowsAsAReplacementMarkOnTheLineItEnds)
{
    struct Case {
        QByteArray Data; // after the little-endian byte-order mark
        QString Copy;
    };
    const Case cases[] = {
        { QByteArray("a\0\n\0b\0X", 7), QStringLiteral("a\nb\uFFFD") },
        { QByteArray("a\0\n\0X", 5), QStringLiteral("a\n\uFFFD") }, // right after an LF
        { QByteArray("a\0\r\0X", 5), QStringLiteral("a\n\uFFFD") }, // after a CR, which ends a line here
        { QByteArray("a\0\r\0\n\0X", 7), QStringLiteral("a\n\uFFFD") },
        { QByteArray("X", 1), QStringLiteral("\uFFFD") }, // after the mark alone
        { QByteArray("a\0\r\0", 4), QStringLiteral("a") }, // without the odd byte a final CR ends no line
    };
    for (const Case& c : cases) {
        const QByteArray data = "\xFF\xFE" + c.Data;
        SCOPED_TRACE(data.toHex(' ').toStdString());
        Open(data);
        ASSERT_EQ(viewer.EffectiveEncoding(), TTextEncoding::Utf16LE);
        viewer.SelectEntireFile(true);
        EXPECT_EQ(viewer.LineTotal(), c.Copy.count(QLatin1Char('\n')) + 1);
        EXPECT_EQ(Copied(), c.Copy);
        EXPECT_EQ(Written(), data);
        if (c.Copy.endsWith(QChar(QChar::ReplacementCharacter))) {
            const LineNumber last = viewer.LineTotal() - 1;
            EXPECT_EQ(viewer.Layout().CellAt(last, viewer.Layout().LineSize(last) - 1).Type, TCell::Replacement);
        }
    }
}

TEST_F(HvViewrWholeTextTest, HalfAUtf16UnitEndsTheLastLineAlsoWhenItIsFoundFromTheEnd)
{
    // A file large enough that the end is read backward and its lines counted on their own.
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("line %1\r").arg(i);
    for (const QByteArray& tail : { QByteArray("Z", 1), QByteArray("z\0Z", 3) }) {
        SCOPED_TRACE(tail.toHex(' ').toStdString());
        const QByteArray data = "\xFF\xFE" + Utf16(text, false) + tail;
        Open(data);
        viewer.Model().SetTailThreshold(1024);
        QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
        ASSERT_TRUE(viewer.WaitForLineCount());
        EXPECT_EQ(viewer.LineTotal(), 3001);
        EXPECT_EQ(Caret().Line, 3000);
        viewer.SelectRange(2999, 0, true, kEndOfLineIndex, 3000);
        EXPECT_EQ(
            Copied(), tail.size() == 1 ? QStringLiteral("line 2999\n\uFFFD") : QStringLiteral("line 2999\nz\uFFFD"));
    }
}

TEST_F(HvViewrWholeTextTest, ReplacementMarksAreDrawnWholeInTheirCells)
{
    Open("ab \xFF\xFE cd\n\xC3 \xE6\x97\nx", TTextEncoding::Utf8);
    viewer.MoveCaretTo(2, 1, false);
    QApplication::processEvents();
    const QImage image = viewer.viewport()->grab().toImage();
    const QColor background = image.pixelColor(image.width() - 1, image.height() - 1);
    const int w = viewer.CharWidth();
    const int h = viewer.RowHeight();
    auto inkIn = [&](int x0, int x1, int line) {
        int ink = 0;
        for (int x = x0; x < x1; ++x) {
            for (int y = line * h; y < (line + 1) * h; ++y)
                ink += image.pixelColor(x, y) != background;
        }
        return ink;
    };
    const std::pair<int, int> marks[] = { { 0, 3 }, { 0, 4 }, { 1, 0 }, { 1, 2 } }; // line, column
    for (const auto& [line, column] : marks) {
        SCOPED_TRACE(std::to_string(line) + ":" + std::to_string(column));
        ASSERT_EQ(viewer.Layout().CellAt(line, viewer.Layout().IndexAtColumn(line, column)).Type, TCell::Replacement);
        const int left = viewer.MarginWidth() + column * w;
        EXPECT_GT(inkIn(left + 1, left + w - 1, line), 0) << "the mark is drawn";
        // A mark cut at its cell's edges would reach them.
        EXPECT_EQ(inkIn(left, left + 1, line), 0);
        EXPECT_EQ(inkIn(left + w - 1, left + w, line), 0);
    }
}

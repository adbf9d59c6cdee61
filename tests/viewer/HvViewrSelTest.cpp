// Selection, clipboard copy, lines in display form, word selection, the line search and the painted
// highlight of the viewer widget, against a viewer over lines in memory.
#include "HvViewrTestSupport.h"

#include "core/viewer/HvCommands.h"
#include "core/viewer/HvLayout.h"
#include "ui/viewer/HvColor.h"
#include "ui/viewer/HvFxFnt.h"

#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

class HvViewrSelTest : public ::testing::Test {
protected:
    HvViewrSelTest() { viewer.SetController(&controller); }
    TTextPosition Caret() const { return viewer.CaretCharLocation(); }
    QByteArray Copied()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("<before>"));
        viewer.CopySelection();
        return QGuiApplication::clipboard()->text().toUtf8();
    }

    THvController controller;
    TMemoryViewer viewer;
};

} // namespace

TEST_F(HvViewrSelTest, SelectAllTakesEveryLineToTheEndOfTheLast)
{
    struct Case {
        QList<QByteArray> Lines;
        bool Undetermined;
        QByteArray Expected;
        TTextPosition End; // the caret with the caret at the end
    };
    const Case cases[] = {
        { { "one", "two", "three" }, false, "one\ntwo\nthree", { 2, 5 } }, // no final line break
        { { "one", "two", "" }, false, "one\ntwo\n", { 2, 0 } }, // final line break: the last line is empty
        { { "one", "two", "three" }, true, "one\ntwo\nthree", { 2, 5 } }, // the end is found first
        { { "single" }, false, "single", { 0, 6 } },
        { { "" }, false, "", { 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Lines.join('|').toStdString());
        viewer.SetLines({});
        viewer.SetLines(c.Lines, c.Undetermined);
        ShowGrid(viewer, 40, 10);
        viewer.SelectEntireFile(false);
        EXPECT_EQ(viewer.LineTotal(), c.Lines.size());
        EXPECT_EQ(viewer.SelectedText().toUtf8(), c.Expected);
        EXPECT_EQ(Caret(), (TTextPosition { 0, 0 }));
        viewer.SelectEntireFile(true);
        EXPECT_EQ(viewer.SelectedText().toUtf8(), c.Expected);
        EXPECT_EQ(Caret(), c.End);
    }
}

TEST_F(HvViewrSelTest, CopyJoinsLinesWithLfOrCrLfAndKeepsTabs)
{
    viewer.SetLines({ "first\tline", "middle", "", "last line" });
    ShowGrid(viewer, 40, 10);
    viewer.SelectRange(0, 2, true, 4, 3);
    EXPECT_EQ(Copied(), QByteArray("rst\tline\nmiddle\n\nlast"));
    viewer.SetCopyWithCrLf(true);
    EXPECT_EQ(Copied(), QByteArray("rst\tline\r\nmiddle\r\n\r\nlast"));
    viewer.SetCopyWithCrLf(false);
    viewer.SelectRange(1, 1, true, 4, 1);
    EXPECT_EQ(Copied(), QByteArray("idd"));

    // An empty selection copies nothing: the clipboard keeps what it had.
    viewer.MoveCaretTo(0, 0, false);
    EXPECT_EQ(Copied(), QByteArray("<before>"));
}

TEST_F(HvViewrSelTest, ClipboardTextIsTheTextDecodedInTheViewersEncoding)
{
    viewer.SetLines({ "caf\xC3\xA9 \xE6\x97\xA5", "caf\xE9 \x80", QByteArray("a\0b", 3) });
    ShowGrid(viewer, 40, 10);
    viewer.SetTextEncoding(TTextEncoding::Utf8);
    viewer.SelectRange(0, 0, true, 9, 0);
    EXPECT_EQ(viewer.SelectedText(), QString::fromUtf8("café 日"));
    // Bytes that are no UTF-8 come out as one replacement mark each; a zero byte as a space.
    viewer.SelectRange(1, 0, true, 6, 2);
    EXPECT_EQ(viewer.SelectedText(), QString::fromUtf8("caf\uFFFD \uFFFD\na b"));
    viewer.SetTextEncoding(TTextEncoding::Windows1252);
    viewer.SelectRange(1, 0, true, 6, 1);
    viewer.CopySelection();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("café €"));
}

TEST_F(HvViewrSelTest, CopyingMoreThan64MiBIsRefused)
{
    // 63 lines of 1 MiB with their LF, and 1 MiB - 63 bytes of the next line, make 64 MiB.
    constexpr int kMiB = 1 << 20;
    QList<QByteArray> lines;
    for (int i = 0; i < 66; ++i)
        lines << QByteArray(kMiB, char('a' + i % 26));
    viewer.SetLines(lines);
    ShowGrid(viewer, 40, 10);

    viewer.SelectRange(0, 0, true, kMiB - 63, 63);
    const QString text = viewer.SelectedText();
    EXPECT_EQ(text.size(), qsizetype(64) * kMiB);
    EXPECT_TRUE(text.endsWith(QString(kMiB - 63, QLatin1Char('a' + 63 % 26))));

    viewer.SelectRange(0, 0, true, kMiB - 62, 63);
    EXPECT_THROW(viewer.SelectedText(), hy::base::ERegionTooLarge);
    try {
        viewer.CopySelection();
        ADD_FAILURE() << "no exception";
    } catch (const hy::base::ERegionTooLarge& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Region is too large (> 64 MiB)"));
    }
    // Select All on a large text fails the same way.
    viewer.SetLines(NumberedLines(100000, "a longer line of text "));
    viewer.SelectEntireFile(false);
    EXPECT_NO_THROW(viewer.SelectedText());
}

TEST_F(HvViewrSelTest, SelectRangePutsTheCaretOnTheChosenEndAndShowsIt)
{
    viewer.SetLines(NumberedLines(200));
    ShowGrid(viewer, 40, 10);
    viewer.SelectRange(150, 2, true, 4, 160);
    EXPECT_EQ(Caret(), (TTextPosition { 160, 4 }));
    EXPECT_LE(viewer.FirstVisibleLine(), 160);
    EXPECT_GT(viewer.FirstVisibleLine() + viewer.VisibleRows(), 160);
    LineNumber startLine = 0, endLine = 0;
    qint64 startIndex = 0, endIndex = 0;
    EXPECT_TRUE(viewer.SelectionBounds(startLine, startIndex, endIndex, endLine));
    EXPECT_EQ(startLine, 150);
    EXPECT_EQ(startIndex, 2);
    EXPECT_EQ(endIndex, 4);
    EXPECT_EQ(endLine, 160);

    // Caret on the start; extending from there moves the start, the anchor being the end.
    viewer.SelectRange(20, 1, false, 3, 25);
    EXPECT_EQ(Caret(), (TTextPosition { 20, 1 }));
    EXPECT_EQ(viewer.FirstVisibleLine(), 20);
    viewer.ExecuteCommand(ccExtendDown);
    EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 21, 1 }));
    EXPECT_EQ(viewer.SelectionEnd(), (TTextPosition { 25, 3 }));

    // Indexes beyond a line are clamped to it.
    viewer.SelectRange(3, 50, true, 99, 4);
    EXPECT_EQ(viewer.SelectionStart(), (TTextPosition { 3, 6 }));
    EXPECT_EQ(viewer.SelectionEnd(), (TTextPosition { 4, 6 }));
    viewer.MoveCaretTo(0, 0, false);
    EXPECT_FALSE(viewer.SelectionBounds(startLine, startIndex, endIndex, endLine));
}

TEST_F(HvViewrSelTest, DoubleClickSelectsAWordWithItsTrailingBlanks)
{
    viewer.SetLines({ "alpha beta  gamma", "", "x\ty" });
    ShowGrid(viewer, 40, 10);
    const int cw = viewer.CharWidth();
    const int rh = viewer.RowHeight();
    auto at = [&](int column, int row) { return QPoint(column * cw + 1, row * rh + rh / 2); };
    struct Case {
        int Column, Row;
        TTextPosition Start, End;
    };
    const Case cases[] = {
        { 7, 0, { 0, 6 }, { 0, 12 } }, // "beta" and its two blanks
        { 10, 0, { 0, 6 }, { 0, 12 } }, // on the blanks: the word before them
        { 0, 0, { 0, 0 }, { 0, 6 } }, { 30, 0, { 0, 12 }, { 0, 17 } }, // beyond the end: the last word
        { 3, 2, { 2, 0 }, { 2, 2 } }, // inside the tab: "x" and the tab
    };
    for (const Case& c : cases) {
        viewer.MoveCaretTo(0, 0, false);
        QTest::mouseDClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, at(c.Column, c.Row));
        EXPECT_EQ(viewer.SelectionStart(), c.Start) << c.Column << "," << c.Row;
        EXPECT_EQ(viewer.SelectionEnd(), c.End) << c.Column << "," << c.Row;
        EXPECT_EQ(Caret(), c.End);
    }
    viewer.MoveCaretTo(0, 3, false);
    QTest::mouseDClick(viewer.viewport(), Qt::LeftButton, Qt::NoModifier, at(2, 1)); // empty line
    EXPECT_FALSE(viewer.HasSelection());
}

TEST_F(HvViewrSelTest, DisplayLineTextExpandsTabsAndReplacesUndisplayables)
{
    viewer.SetLines({ QByteArray("a\tb\x01\x81\xE9", 6), QByteArray(2000, 'z'), "" });
    ShowGrid(viewer, 40, 10);
    viewer.SetExpandTabs(false); // display form expands whatever the view does
    const QString glyph(viewer.DefaultCharGlyph());
    EXPECT_EQ(viewer.DisplayLineText(0), QStringLiteral("a       b") + glyph + glyph + QChar(0xE9));
    EXPECT_EQ(viewer.DisplayLineText(0, 4), QStringLiteral("a   "));
    EXPECT_EQ(viewer.DisplayLineText(1).size(), 1024);
    EXPECT_EQ(viewer.DisplayLineText(2), QString());
    const QString shown = viewer.DisplayLineText(0);
    EXPECT_EQ(shown.size(), 12);
    EXPECT_EQ(shown.at(9), viewer.DefaultCharGlyph());
    EXPECT_EQ(shown.at(11), QChar(0xE9));
    EXPECT_NE(viewer.DefaultCharGlyph(), QChar(' '));
}

TEST_F(HvViewrSelTest, PaintedHighlightCoversOnlySelectedCharacters)
{
    viewer.SetLines({ "0123456789", "", "abcdefgh", "tail" });
    ShowGrid(viewer, 20, 5);
    viewer.SetColor(Qt::white);
    viewer.FixedFont()->SetColor(Qt::black);
    viewer.HighlightColors()->SetBackColor(QColor(255, 0, 0));
    viewer.HighlightColors()->SetTextColor(Qt::white);
    viewer.SelectRange(0, 3, true, 4, 2); // from "3" on line 0 to before "e" on line 2
    viewer.SetShowCaret(false);

    const QImage image = viewer.viewport()->grab().toImage();
    if (const QByteArray dir = qgetenv("HY_VIEWER_SHOTS"); !dir.isEmpty())
        image.save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("viewer-selection.png")));
    const int cw = viewer.CharWidth();
    const int rh = viewer.RowHeight();
    // The cell's top-left pixel row lies above every glyph, so it shows the fill colour.
    auto fill = [&](int column, int row) { return image.pixelColor(column * cw + cw / 2, row * rh); };
    const QColor red(255, 0, 0);
    EXPECT_NE(fill(2, 0), red); // before the selection
    EXPECT_EQ(fill(3, 0), red); // first selected character
    EXPECT_EQ(fill(9, 0), red); // last character of the line
    EXPECT_NE(fill(10, 0), red); // past the line's text: no highlight
    EXPECT_NE(fill(0, 1), red); // an empty line in the selection shows none
    EXPECT_EQ(fill(3, 2), red);
    EXPECT_NE(fill(4, 2), red); // the end is exclusive
    EXPECT_NE(fill(0, 3), red);

    // Some dark (text) pixels inside the highlighted cells: the characters are drawn over the fill.
    bool textDrawn = false;
    for (int y = 0; y < rh && !textDrawn; ++y)
        for (int x = 3 * cw; x < 10 * cw && !textDrawn; ++x)
            textDrawn = image.pixelColor(x, y) != red;
    EXPECT_TRUE(textDrawn);
}

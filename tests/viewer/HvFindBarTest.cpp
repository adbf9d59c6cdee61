// The find bar over a file viewer: typing selects the first match from the caret, Enter and F3 walk forward
// and Shift+Enter and Shift+F3 back through every match (matches on page edges, in UTF-8 and Windows-1252),
// wrapping with a note at the ends; the bar numbers each match against the background count; Esc keeps the
// selection; bad patterns and absent text are said in the bar; every match on a line is marked for painting.
#include "ui/viewer/HvFindBar.h"
#include "core/viewer/HvFileModel.h"
#include "ui/viewer/HvViewr.h"

#include "support/CompressFixtures.h"
#include "support/TempFiles.h"
#include "support/TestWait.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace hy::viewer;

namespace {

struct TBarWindow {
    QWidget window;
    THvFileViewer* viewer = new THvFileViewer(&window);
    THvFindBar* bar = new THvFindBar(viewer, &window);
    THvController controller;

    TBarWindow(const QString& path, TTextEncoding encoding)
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(viewer, 1);
        layout->addWidget(bar);
        viewer->SetController(&controller);
        viewer->SetEncoding(encoding);
        viewer->SetFileName(path);
        viewer->SetIsOpen(true);
        window.resize(900, 400);
        window.show();
        window.activateWindow();
        (void)QTest::qWaitForWindowActive(&window);
    }

    // The selection as file offsets.
    std::pair<FileOffset, FileOffset> Selected()
    {
        const TTextPosition s = viewer->SelectionStart();
        const TTextPosition e = viewer->SelectionEnd();
        return { viewer->Model().LineStart(s.Line) + s.Index, viewer->Model().LineStart(e.Line) + e.Index };
    }
};

// Types text into a widget key by key, as a keyboard with those characters would.
void Type(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

// The offsets of every occurrence of needle, none overlapping.
std::vector<FileOffset> Occurrences(const QByteArray& data, const QByteArray& needle)
{
    std::vector<FileOffset> at;
    for (qsizetype i = data.indexOf(needle); i >= 0; i = data.indexOf(needle, i + needle.size()))
        at.push_back(i);
    return at;
}

// Lines of filler with the word placed across and beside 4096-byte page edges.
QByteArray PageEdgeText(const QByteArray& word)
{
    QByteArray out;
    for (int page = 1; page <= 6; ++page) {
        while (out.size() < page * 4096 - word.size() / 2 - 40)
            out += "the quick brown fox jumps\n";
        out += QByteArray(40 - (out.size() % 7), '.');
        out.truncate(page * 4096 - word.size() / 2);
        out += word + " and " + word + "\n";
    }
    return out + "last line " + word;
}

struct KeysCase {
    const char* name;
    TTextEncoding encoding;
    QByteArray word; // as the file holds it
    QString typed;
};

} // namespace

TEST(HvFindBar, KeysWalkEveryMatchAndNumberIt)
{
    const std::vector<KeysCase> cases = {
        { "utf8", TTextEncoding::Utf8, QByteArray("Grüße"), QStringLiteral("grüße") },
        { "windows-1252", TTextEncoding::Windows1252,
            QByteArray("Gr\xfc\xdf"
                       "e"),
            QStringLiteral("GRÜßE") },
    };
    hy::test::TTempFolder dir;
    for (const KeysCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray data = PageEdgeText(c.word);
        const std::vector<FileOffset> at = Occurrences(data, c.word);
        ASSERT_EQ(at.size(), 13u);
        TBarWindow w(dir.Write(QString::fromLatin1(c.name), data), c.encoding);
        w.bar->Open();
        Type(w.bar->Field(), c.typed);
        HY_ASSERT_SOON(w.viewer->HasSelection() && !w.bar->Counting());
        EXPECT_EQ(w.Selected(), std::make_pair(at[0], at[0] + FileOffset(c.word.size())));
        EXPECT_EQ(w.bar->StatusText(), QStringLiteral("match 1 of 13"));
        for (size_t i = 1; i < at.size(); ++i) {
            QTest::keyClick(w.bar->Field(), i % 2 ? Qt::Key_Return : Qt::Key_F3);
            ASSERT_EQ(w.Selected().first, at[i]) << i;
            EXPECT_EQ(w.bar->StatusText(), QStringLiteral("match %1 of 13").arg(i + 1));
        }
        EXPECT_TRUE(w.bar->NoteText().isEmpty());
        // Past the last match the search goes on from the start, and back before the first from the end.
        QTest::keyClick(w.bar->Field(), Qt::Key_Return);
        EXPECT_EQ(w.Selected().first, at[0]);
        EXPECT_EQ(w.bar->NoteText(), QStringLiteral("Reached the end; went on from the start"));
        QTest::keyClick(w.bar->Field(), Qt::Key_Return, Qt::ShiftModifier);
        EXPECT_EQ(w.Selected().first, at.back());
        EXPECT_EQ(w.bar->StatusText(), QStringLiteral("match 13 of 13"));
        EXPECT_EQ(w.bar->NoteText(), QStringLiteral("Reached the start; went on from the end"));
        QTest::keyClick(w.bar->Field(), Qt::Key_F3, Qt::ShiftModifier);
        EXPECT_EQ(w.Selected().first, at[11]);
        // Esc closes the bar and leaves the match selected, with the keyboard back in the text.
        QTest::keyClick(w.bar->Field(), Qt::Key_Escape);
        EXPECT_FALSE(w.bar->isVisible());
        EXPECT_EQ(w.Selected().first, at[11]);
        EXPECT_TRUE(w.viewer->hasFocus());
    }
}

TEST(HvFindBar, SaysWhatItCannotFindInTheBar)
{
    hy::test::TTempFolder dir;
    const QByteArray data = "alpha beta\nbetamax\nrebeta beta\n";
    TBarWindow w(dir.Write(QStringLiteral("t"), data), TTextEncoding::Utf8);
    w.bar->Open();
    struct Case {
        TMatchQuery query;
        QString status;
    } cases[] = {
        { { QStringLiteral("gamma") }, QStringLiteral("No matches") },
        { { QStringLiteral("beta") }, QStringLiteral("match 1 of 4") },
        { { QStringLiteral("beta"), false, true }, QStringLiteral("match 1 of 2") },
        { { QStringLiteral("^beta\\w+"), false, false, true }, QStringLiteral("match 1 of 1") },
        { { QStringLiteral("(beta"), false, false, true }, QStringLiteral("Invalid regular expression: ") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query.Text.toStdString());
        w.viewer->SelectRange(0, 0, true, 0, 0);
        w.bar->SetQuery(c.query);
        HY_EXPECT_SOON(!w.bar->Counting() && w.bar->StatusText().startsWith(c.status));
        EXPECT_TRUE(w.bar->StatusText().startsWith(c.status)) << w.bar->StatusText().toStdString();
    }
    // A whole word found after typing is the one that stands alone.
    w.viewer->SelectRange(0, 0, true, 0, 0);
    w.bar->SetQuery({ QStringLiteral("beta"), false, true });
    HY_ASSERT_SOON(w.viewer->HasSelection());
    EXPECT_EQ(w.Selected(), std::make_pair(FileOffset(6), FileOffset(10)));
    QTest::keyClick(w.bar->Field(), Qt::Key_Return);
    EXPECT_EQ(w.Selected(), std::make_pair(FileOffset(26), FileOffset(30)));
}

// A compressed file is counted in its decoded text, not in the bytes on disk.
TEST(HvFindBar, CountsACompressedFileInItsText)
{
    hy::test::TTempFolder dir;
    QByteArray data;
    for (int i = 0; i < 2000; ++i)
        data += (i % 100 == 7 ? "needle line " : "other line ") + QByteArray::number(i) + '\n';
    const QString path = hy::test::CompressInto(
        dir, QStringLiteral("t.log.gz"), data, QStringLiteral("gzip"), { QStringLiteral("-c") });
    ASSERT_FALSE(path.isEmpty());
    TBarWindow w(path, TTextEncoding::Utf8);
    w.bar->Open();
    w.bar->SetQuery({ QStringLiteral("needle") });
    HY_EXPECT_SOON(!w.bar->Counting() && w.bar->StatusText().startsWith(QStringLiteral("match 1 of 20")));
    EXPECT_TRUE(w.bar->StatusText().startsWith(QStringLiteral("match 1 of 20"))) << w.bar->StatusText().toStdString();
}

TEST(HvFindBar, MarksEveryMatchOnALineOverTheColourRules)
{
    hy::test::TTempFolder dir;
    TBarWindow w(dir.Write(QStringLiteral("m"), "ERROR disk error on ERRORS\nfine\n"), TTextEncoding::Utf8);
    THvMarkRule rule { { QStringLiteral("disk") }, Qt::red, Qt::white, true };
    w.viewer->SetMarkRules({ rule });
    w.bar->Open();
    w.bar->SetQuery({ QStringLiteral("error") });
    const std::vector<THvMark> marks = w.viewer->MarksOf(0);
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_TRUE(marks[0].WholeLine);
    EXPECT_EQ(marks[0].Back, QColor(Qt::red));
    const std::pair<qint64, qint64> spans[] = { { 0, 5 }, { 11, 16 }, { 20, 25 } };
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(std::make_pair(marks[i + 1].From, marks[i + 1].To), spans[i]);
        EXPECT_FALSE(marks[i + 1].WholeLine);
    }
    EXPECT_TRUE(w.viewer->MarksOf(1).empty());
    // Closed, the bar marks nothing more; Hex rows are never marked.
    w.bar->Close();
    EXPECT_EQ(w.viewer->MarksOf(0).size(), 1u);
    w.viewer->SetInHexMode(true);
    EXPECT_TRUE(w.viewer->MarksOf(0).empty());
}

TEST(HvFindBar, WholeLineRulesColourEveryRowOfAWrappedLine)
{
    hy::test::TTempFolder dir;
    const QByteArray longLine = "ERROR " + QByteArray(400, 'x') + "\n";
    TBarWindow w(dir.Write(QStringLiteral("wrap"), longLine + "fine\n"), TTextEncoding::Utf8);
    const QColor back(200, 0, 0);
    w.viewer->SetMarkRules({ { { QStringLiteral("error") }, back, QColor(), true } });
    w.viewer->SetWrapLines(true);
    QApplication::processEvents();
    const QImage shot = w.viewer->viewport()->grab().toImage();
    const int h = w.viewer->RowHeight();
    const int rows = int((longLine.size() - 1 + w.viewer->VisibleColumns() - 1) / w.viewer->VisibleColumns());
    ASSERT_GE(rows, 2);
    // The top pixel row of each screen row, at the right end of the text area, shows only the background.
    const int x = w.viewer->MarginWidth() + w.viewer->VisibleColumns() * w.viewer->CharWidth() - 2;
    for (int row = 0; row < rows; ++row)
        EXPECT_EQ(shot.pixelColor(x, row * h), back) << row;
    // The next line ("fine") and the empty rows below keep the window's colour.
    EXPECT_NE(shot.pixelColor(x, shot.height() - 2), back);
}

// Following a file that another process writes: what reaches the screen is the whole of what was written,
// the view stays at the end through growth, truncation and rotation, and an empty file is followed from its
// first byte. The tests read the screen itself: the window's pixels must be what a full repaint of the view
// draws now (nothing stale is left standing), and the rows that repaint draws are the file's lines.
#include "core/viewer/HvBase.h"
#include "core/viewer/HvFileModel.h"
#include "ui/viewer/HvCaret.h"
#include "ui/viewer/HvViewr.h"

#include "support/TempFiles.h"
#include "support/TestWait.h"

#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace hy::viewer;

namespace {

// A file viewer that tells the text of the rows it paints.
class TWatchedViewer : public THvFileViewer {
public:
    using THvFileViewer::THvFileViewer;

    // The rows on screen as text, one per visible row that shows a line; "<stale>" when the window's pixels
    // differ from what the view paints now (a row that was changed and never painted again).
    QStringList ScreenRows()
    {
        const QRect area(viewport()->mapTo(window(), QPoint(0, 0)), viewport()->size());
        const QImage shown = window()->screen()->grabWindow(window()->winId()).toImage().copy(area);
        m_painted.clear();
        const QImage fresh = viewport()->grab().toImage();
        if (shown.convertToFormat(QImage::Format_RGB32) != fresh.convertToFormat(QImage::Format_RGB32))
            return { QStringLiteral("<stale>") };
        QStringList rows;
        for (const QString& text : std::as_const(m_painted))
            rows << text;
        return rows;
    }
    QString LastScreenRow()
    {
        const QStringList rows = ScreenRows();
        return rows.isEmpty() ? QString() : rows.back();
    }

protected:
    void RowPainted(int row, LineNumber line, const std::vector<TCell>& cells) override
    {
        (void)line;
        QString text;
        qint64 column = cells.empty() ? 0 : cells.front().Column;
        for (const TCell& c : cells) {
            text += QString(std::max<qint64>(c.Column - column, 0), QLatin1Char(' '));
            text += c.Type == TCell::Glyph ? c.Text : QString(c.Width, QLatin1Char(' '));
            column = c.Column + c.Width;
        }
        m_painted[row] = text;
    }

private:
    QMap<int, QString> m_painted;
};

class HvViewrFollowTest : public ::testing::Test {
protected:
    HvViewrFollowTest()
    {
        viewer.SetController(&controller);
        viewer.SetBorderStyle(bsNone);
        viewer.Caret()->SetBlinkTime(THvCaret::kSteadyBlinkTime); // the caret's pixels stay put
        QObject::connect(&viewer, &THvCustomFileViewer::OnFollowNote, [this](const QString& n) { notes << n; });
    }

    void OpenShown(const QString& path)
    {
        viewer.SetFileName(path);
        viewer.SetIsOpen(true);
        viewer.resize(900, 10 * viewer.RowHeight());
        viewer.show();
        viewer.activateWindow();
        (void)QTest::qWaitForWindowActive(&viewer);
    }

    // Appends bytes as a writer does: one write to the file opened for appending.
    static void Append(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    // Runs a shell command in its own process (%1 is the file's path, quoted); the viewer follows while it runs.
    static void Shell(const QString& command, const QString& path)
    {
        QProcess p;
        p.start(QStringLiteral("/bin/sh"),
            { QStringLiteral("-c"), QString(command).replace(QStringLiteral("%1"), QLatin1Char('\'') + path + '\'') });
        ASSERT_TRUE(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 60000));
        ASSERT_EQ(p.exitCode(), 0) << command.toStdString() << p.readAllStandardError().toStdString();
    }

    // The view is at the end of the file: the caret on the empty line after the last line end, the line
    // before it on the screen's last rows.
    void ExpectAtTheEndShowing(const QString& lastLine)
    {
        auto showsEnd = [&] {
            const QStringList rows = viewer.ScreenRows();
            return rows.size() >= 2 && rows.at(rows.size() - 2) == lastLine && rows.back().isEmpty();
        };
        HY_EXPECT_SOON(showsEnd());
        EXPECT_TRUE(showsEnd()) << viewer.ScreenRows().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(viewer.CaretCharLocation().Line, viewer.LineTotal() - 1);
    }

    hy::test::TTempFolder dir;
    THvController controller;
    TWatchedViewer viewer;
    QStringList notes;
};

} // namespace

TEST_F(HvViewrFollowTest, AppendedLinesArePaintedWholeWhetherTheyArriveWholeOrInPieces)
{
    const QString path = dir.Write(QStringLiteral("app.log"), "first line\n");
    OpenShown(path);
    viewer.SetFollow(true);
    const QStringList start { QStringLiteral("first line"), QString() };
    HY_EXPECT_SOON(viewer.ScreenRows() == start);
    // Enough lines to scroll the view: it stays at the end, every row whole.
    QStringList expected { QStringLiteral("first line") };
    for (int i = 1; i <= 14; ++i) {
        const QString line = QStringLiteral("appended line number %1 with some more words").arg(i);
        SCOPED_TRACE(line.toStdString());
        Append(path, line.toLatin1() + '\n');
        expected << line;
        const QStringList screen
            = (expected.mid(std::max<int>(0, int(expected.size()) + 1 - viewer.VisibleRows())) << QString());
        HY_EXPECT_SOON(viewer.ScreenRows() == screen);
        EXPECT_EQ(viewer.ScreenRows(), screen);
    }
    // A line written in pieces shows each piece as it comes, and whole once it ends.
    QString sofar;
    for (const char* piece : { "a", "ppended in ", "pieces", " and ended\n" }) {
        Append(path, piece);
        sofar += QString::fromLatin1(piece).remove(QLatin1Char('\n'));
        HY_EXPECT_SOON(viewer.ScreenRows().contains(sofar));
        EXPECT_TRUE(viewer.ScreenRows().contains(sofar)) << sofar.toStdString();
    }
    EXPECT_EQ(viewer.LineTotal(), 17);
    EXPECT_EQ(viewer.LastScreenRow(), QString());
    EXPECT_EQ(viewer.CaretCharLocation().Line, 16);
}

TEST_F(HvViewrFollowTest, TruncatedAndRotatedFilesAreFollowedToTheirEndEveryTime)
{
    const QString path = dir.Write(QStringLiteral("app.log"), "old 1\nold 2\n");
    OpenShown(path);
    viewer.SetFollow(true);
    ExpectAtTheEndShowing(QStringLiteral("old 2"));

    struct Change {
        const char* name;
        const char* command; // %1 is the followed file
    };
    const Change changes[] = {
        { "truncated and written again", ": > %1 && printf 'a 1\\na 2\\na 3\\n' >> %1" },
        { "rotated: renamed, a new file made", "mv %1 %1.1 && printf 'b 1\\nb 2\\n' > %1" },
        { "truncated to nothing", ": > %1" },
        { "rewritten shorter in place", "printf 'c 1\\n' > %1" },
        { "rotated, the new file empty at first", "mv %1 %1.2 && : > %1" },
    };
    int round = 0;
    for (int repeat = 0; repeat < 2; ++repeat) {
        for (const Change& change : changes) {
            SCOPED_TRACE(change.name);
            const qsizetype notesBefore = notes.size();
            Shell(QString::fromLatin1(change.command), path);
            HY_EXPECT_SOON(notes.size() > notesBefore);
            // Whatever the file holds now, the view stands at its end and follows what is written next.
            const QString line = QStringLiteral("round %1 after the change").arg(++round);
            Append(path, line.toLatin1() + '\n');
            ExpectAtTheEndShowing(line);
            const QString more = QStringLiteral("round %1, one more line").arg(round);
            Append(path, more.toLatin1() + '\n');
            ExpectAtTheEndShowing(more);
        }
    }
    EXPECT_EQ(notes.back(), QStringLiteral("The file was truncated or replaced; it was reopened from the start."));
}

TEST_F(HvViewrFollowTest, FollowSwitchedOnOverAnEmptyFileShowsWhatIsWrittenFirst)
{
    for (const bool hex : { false, true }) {
        SCOPED_TRACE(hex ? "Hex" : "Standard");
        const QString path = dir.Write(hex ? QStringLiteral("empty.bin") : QStringLiteral("empty.log"), "");
        OpenShown(path);
        viewer.SetInHexMode(hex);
        viewer.SetFollow(true);
        Append(path, "the first line\nthe second line\n");
        if (hex) {
            HY_EXPECT_SOON(viewer.LineTotal() == 2 && viewer.ScreenRows().size() == 2);
            EXPECT_TRUE(viewer.ScreenRows().at(1).startsWith(QStringLiteral("00000010  68 65 20 73")))
                << viewer.ScreenRows().at(1).toStdString();
        } else {
            ExpectAtTheEndShowing(QStringLiteral("the second line"));
            EXPECT_EQ(viewer.ScreenRows().at(0), QStringLiteral("the first line"));
            EXPECT_EQ(viewer.LineTotal(), 3);
        }
        viewer.SetFollow(false);
        viewer.SetIsOpen(false);
    }
}

TEST_F(HvViewrFollowTest, AWriterThatAppendsTruncatesAndRotatesWithoutPauseEndsFollowedExactly)
{
    // The writer never waits for the viewer: whatever the viewer catches in between, it ends on the file
    // as it last is, at its end, with the exact total.
    const QString path = dir.Write(QStringLiteral("busy.log"), "");
    OpenShown(path);
    viewer.SetFollow(true);
    Shell(QStringLiteral("i=0; while [ $i -lt 40 ]; do"
                         "  j=0; while [ $j -lt 50 ]; do echo \"line $i.$j of a busy log\"; j=$((j+1)); done >> %1;"
                         "  case $((i % 8)) in 3) : > %1 ;; 6) mv %1 %1.old ;; esac; i=$((i+1));"
                         " done; echo 'the very last line' >> %1"),
        path);
    ExpectAtTheEndShowing(QStringLiteral("the very last line"));
    // The 50 lines written after the last rotation (round 38), the last one, and the empty line after it.
    EXPECT_EQ(viewer.LineTotal(), 52);
    EXPECT_EQ(viewer.ScreenRows().at(viewer.ScreenRows().size() - 3), QStringLiteral("line 39.49 of a busy log"));
}

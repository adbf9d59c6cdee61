// File > Compare in the main window: the refusals, the size question, the windows in Hex side by side with
// the first difference marked, the answers, Stop, and the result messages; and the progress window.
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/Progress.h"
#include "support/CompressFixtures.h"
#include "support/MainFormTest.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/common/Ask.h"
#include "ui/viewer/HvViewr.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

using namespace hy::app;
using namespace hy::settings;
using hy::test::ModalWatcher;

namespace {

// Answers every question with its first button (Yes) and closes alerts.
void AnswerYes(QDialog* d)
{
    if (auto* ask = qobject_cast<hy::common::TAskUserDialog*>(d))
        ask->YesButton->click();
    else
        d->accept();
}

class Compare : public hy::test::MainFormTest {
protected:
    void Open(const QList<QByteArray>& contents)
    {
        for (const QByteArray& content : contents) {
            const QString path = Make(QStringLiteral("file%1.bin").arg(m_files++), content);
            ASSERT_TRUE(m_form->OpenFileInViewer(path, ViewMode::Standard, false));
        }
    }

    // Runs File > Compare and returns "title|text" of every dialog it raised.
    QStringList Run(std::function<void(QDialog*)> answer = AnswerYes)
    {
        ModalWatcher watcher(std::move(answer));
        m_form->Action(hy::app::TCommand::Compare)->trigger();
        return watcher.Seen;
    }

    // Puts the first window into Hex view, narrow, with the caret at a row's end, which scrolls it sideways.
    void ScrollFirstSideways()
    {
        hy::viewer::THvFileViewer* scrolled = m_form->Children().first()->FileViewer();
        scrolled->SetInHexMode(true);
        m_form->FrameOf(m_form->Children().first())->resize(300, 300);
        HY_ASSERT_SOON(scrolled->VisibleColumns() < 75);
        scrolled->PlaceCaret(0, 74);
        ASSERT_GT(scrolled->FirstVisibleColumn(), 0);
    }

    int m_files = 0;
};

} // namespace

TEST_F(Compare, RefusesWithFewerThanTwoOrMoreThanFiveWindows)
{
    Open({ "a" });
    EXPECT_EQ(Run(), QStringList { "Halcyra Viewer|You must open two files before\nyou can use the compare feature." });
    Open({ "a", "b", "c", "d", "e", "f" }); // seven windows: six more
    EXPECT_EQ(Run(),
        QStringList { "Compare|I can only compare 5 files at a time.\nClose some of your open files and\ntry again." });
    for (TChildForm* c : m_form->Children())
        EXPECT_FALSE(c->FileViewer()->InHexMode()) << "nothing changes before the command refuses";
}

TEST_F(Compare, IdenticalFilesAreShownInHexSideBySideAndReportedIdentical)
{
    Open({ QByteArray(5000, 'x'), QByteArray(5000, 'x'), QByteArray(5000, 'x') });
    EXPECT_EQ(Run(), QStringList { "File Compare Results|The files are 100% identical." });
    const QRect area = m_form->ClientArea()->viewport()->rect();
    int top = -1;
    for (TChildForm* c : m_form->Children()) {
        EXPECT_TRUE(c->FileViewer()->InHexMode());
        EXPECT_EQ(c->TabSet()->currentIndex(), 1);
        const QRect g = m_form->FrameOf(c)->geometry();
        EXPECT_EQ(g.width(), area.width()) << "tiled horizontally: full width, one above the other";
        EXPECT_GT(g.top(), top);
        top = g.top();
    }
}

// Five files, one of them scrolled sideways before: the windows stand one above the other, each the full width
// of the client area and inside it, and each shows its rows from the offsets on wherever the row fits.
TEST_F(Compare, FiveWindowsAreTiledOneAboveTheOtherAtFullWidthWithTheirOffsetsInView)
{
    // Too low for five windows of their smallest height: they overlap, but stay one column.
    m_form->resize(1200, 700);
    Open({ QByteArray(300, 'x'), QByteArray(300, 'x'), QByteArray(300, 'x'), QByteArray(300, 'x'),
        QByteArray(300, 'x') });
    ASSERT_NO_FATAL_FAILURE(ScrollFirstSideways());

    EXPECT_EQ(Run(), QStringList { "File Compare Results|The files are 100% identical." });
    const QRect area = m_form->ClientArea()->viewport()->rect();
    QList<int> tops;
    for (TChildForm* c : m_form->Children()) {
        const QRect g = m_form->FrameOf(c)->geometry();
        EXPECT_EQ(g.left(), 0);
        EXPECT_EQ(g.width(), area.width()) << "the full width";
        EXPECT_TRUE(area.contains(g)) << "inside the client area";
        tops << g.top();
        hy::viewer::THvFileViewer* v = c->FileViewer();
        if (v->VisibleColumns() > 75) {
            EXPECT_EQ(v->FirstVisibleColumn(), 0) << "the offsets in view";
        }
    }
    std::sort(tops.begin(), tops.end());
    EXPECT_EQ(tops.size(), 5);
    EXPECT_EQ(std::unique(tops.begin(), tops.end()), tops.end()) << "one above the other, never side by side";
}

TEST_F(Compare, TheFirstDifferenceIsMarkedInEveryWindowAndAsked)
{
    QByteArray other(40, 'a');
    other[15] = 'b';
    Open({ QByteArray(40, 'a'), other });
    // A window in Hex view scrolled sideways comes back to the rows' start.
    ASSERT_NO_FATAL_FAILURE(ScrollFirstSideways());
    EXPECT_EQ(Run(),
        QStringList({ "File Compare|Compare has failed 16 bytes into the files.\n\nThe files are not identical.\n\n"
                      "Do you want to continue anyway?",
            "File Compare Results|The files contain 1 byte of dissimilar\ndata and therefore are not identical." }));
    for (TChildForm* c : m_form->Children()) {
        hy::viewer::LineNumber sl = -1, el = -1;
        qint64 si = 0, ei = 0;
        ASSERT_TRUE(c->FileViewer()->SelectionBounds(sl, si, ei, el));
        EXPECT_EQ(sl, 0);
        EXPECT_EQ(el, 0);
        EXPECT_EQ(si, 59);
        EXPECT_EQ(ei, 75);
        EXPECT_EQ(c->FileViewer()->CaretCharLocation().Index, 75);
        EXPECT_EQ(c->FileViewer()->FirstVisibleColumn(), 0);
    }

    // No at the question ends the run without a result.
    EXPECT_EQ(Run({}).size(), 1);
}

TEST_F(Compare, DifferentSizesAreAskedAboutAndCountedOnce)
{
    Open({ QByteArray(100, 'a'), QByteArray(120, 'a') });
    EXPECT_EQ(Run({}), QStringList { "Compare|Files are different sizes!\nCompare anyway?" });
    EXPECT_FALSE(m_form->Children().first()->FileViewer()->InHexMode()) << "No leaves the windows as they were";
    EXPECT_EQ(Run(),
        QStringList({ "Compare|Files are different sizes!\nCompare anyway?",
            "File Compare Results|The files contain 20 bytes of dissimilar\ndata and therefore are not identical." }));
}

TEST_F(Compare, AFileThatCannotBeReachedIsNamedWithItsError)
{
    Open({ "abc", "abc" });
    const QString gone = m_form->Children().at(1)->FileViewer()->FileName();
    ASSERT_TRUE(QFile::remove(gone));
    // The window's own refresh may report the file first when the program becomes active again.
    const QStringList seen = Run();
    EXPECT_TRUE(seen.contains("Compare|Unable to access file: " + gone + "\n\nFile not found!"))
        << seen.join('/').toStdString();
    EXPECT_EQ(seen.filter("Compare|").size(), 1);
}

TEST_F(Compare, StopInTheProgressWindowEndsTheRunWithoutAResult)
{
    const QByteArray big(int(3) << 20, 'z');
    Open({ big, big });
    TProgressReport* progress = TProgressReport::Of(m_form.get());
    QTimer stopper;
    bool clicked = false;
    QObject::connect(&stopper, &QTimer::timeout, [&]() {
        if (progress->isVisible() && !clicked) {
            clicked = true;
            progress->StopButton->click();
        }
    });
    stopper.start(0);
    const QStringList seen = Run();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(seen, QStringList { "Abort|Do you want to cancel this function?" });
    EXPECT_FALSE(progress->isVisible());
}

// A compressed log shown decompressed is compared as the viewer shows it: against its plain text it is
// identical, and a changed byte is asked about at its decoded offset. The decoded size need not be known yet.
TEST_F(Compare, ACompressedFileIsComparedAsItsDecodedText)
{
    const QByteArray text = hy::test::MakeLogText(200000, 3);
    hy::test::TTempFolder folder;
    const QString gz = hy::test::CompressInto(folder, QStringLiteral("app.log.gz"), text, "gzip", { "-c" });
    ASSERT_FALSE(gz.isEmpty());
    Open({ text });
    ASSERT_TRUE(m_form->OpenFileInViewer(gz, ViewMode::Standard, false));
    EXPECT_EQ(Run(), QStringList { "File Compare Results|The files are 100% identical." });

    QByteArray changed = text;
    changed[150000] = char(changed[150000] ^ 1);
    Open({ changed });
    for (TChildForm* c : m_form->Children()) {
        if (c->FileViewer()->FileName().endsWith(QStringLiteral("file0.bin")))
            m_form->FrameOf(c)->close();
    }
    HY_ASSERT_SOON(m_form->Children().size() == 2);
    EXPECT_EQ(Run(),
        QStringList({ "File Compare|Compare has failed 150,001 bytes into the files.\n\nThe files are not "
                      "identical.\n\n"
                      "Do you want to continue anyway?",
            "File Compare Results|The files contain 1 byte of dissimilar\ndata and therefore are not identical." }));
}

TEST(ProgressReport, GaugeShowsForLongWorkAndStopAsksFirst)
{
    TProgressReport report;
    report.Start(1);
    report.Update("Title", "Working", 0);
    EXPECT_TRUE(report.isVisible());
    EXPECT_FALSE(report.ProgressPanel->isVisible());
    EXPECT_EQ(report.height(), 80);
    EXPECT_EQ(report.StopButton->y(), 44);

    report.Start(4000000000LL);
    EXPECT_TRUE(report.windowTitle().isEmpty());
    EXPECT_TRUE(report.Prompt->text().isEmpty());
    report.Update("Copying", "Step one", 1000000000LL);
    report.Update(QString(), QString(), -1);
    EXPECT_EQ(report.windowTitle(), "Copying") << "an empty title keeps the caption";
    EXPECT_EQ(report.Prompt->text(), "Step one");
    EXPECT_TRUE(report.ProgressPanel->isVisible());
    EXPECT_EQ(report.height(), 133);
    EXPECT_EQ(report.StopButton->y(), 96);
    EXPECT_EQ(report.ProgressBar->value(), report.ProgressBar->maximum() / 4);
    report.Update(QString(), QString(), 9000000000LL);
    EXPECT_EQ(report.Position(), report.Total()) << "never past the total";

    {
        ModalWatcher no;
        report.StopButton->click();
        EXPECT_EQ(no.Seen, QStringList { "Abort|Do you want to cancel this function?" });
    }
    EXPECT_FALSE(report.Cancelled());
    {
        ModalWatcher yes(AnswerYes);
        QTest::keyClick(&report, Qt::Key_Escape);
        EXPECT_EQ(yes.Seen.size(), 1);
    }
    EXPECT_TRUE(report.Cancelled());
    EXPECT_TRUE(report.isVisible()) << "Escape asks; it does not close the window";
    report.Finish();
    EXPECT_FALSE(report.Cancelled());
    EXPECT_FALSE(report.isVisible());
}

// Every long action of the program, on data large enough to run for seconds, stopped the way a person stops
// it (Esc, or Stop and Yes): the program answers within a fifth of a second, and nothing is left behind (no
// partial file, no temporary folder, no thread still reading).
#include "PrintAnswers.h"
#include "app/Brview1.h"
#include "app/Brview2.h"
#include "app/Compare.h"
#include "app/PrintDlg.h"
#include "app/Progress.h"
#include "core/viewer/HvCommands.h"
#include "support/MainFormTest.h"
#include "support/ModalWatcher.h"
#include "support/TestWait.h"
#include "ui/archive/ArchivePage.h"
#include "ui/archive/ZIPLIST.h"
#include "ui/common/Ask.h"
#include "ui/filelist/FILELIST.h"
#include "ui/image/MultiImg.h"
#include "ui/search/Fsearch.h"
#include "ui/search/ProgressLine.h"
#include "ui/search/Psearch.h"
#include "ui/search/SrchAll.h"
#include "ui/search/Vsearch.h"
#include "ui/viewer/HvFilterPane.h"
#include "ui/viewer/HvFindBar.h"
#include "ui/viewer/HvViewr.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

using namespace hy::app;
using namespace hy::settings;
using namespace hy::viewer;
using hy::test::ModalWatcher;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers make every step several times slower.
constexpr qint64 kAnswerMs = 1000;
#else
constexpr qint64 kAnswerMs = 200;
#endif

// The time a stop may take: kAnswerMs on a machine with a processor to spare, longer in proportion when more
// work waits to run than there are processors (the tests run beside each other and beside other programs).
qint64 AnswerMs()
{
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1)
            load = 0;
        std::fclose(f);
    }
    const double cores = std::max(1, QThread::idealThreadCount());
    return qint64(double(kAnswerMs) * std::max(1.0, load / cores));
}

// How a stop went: milliseconds from the key (or the Yes that confirmed Stop) until the action had ended, and
// from Stop until its question showed; -1 for what never happened.
struct TStopTimes {
    qint64 ToEnd = -1;
    qint64 ToQuestion = -1;
};

// Runs work (which returns once the action has ended), presses stop as soon as running() says the action is
// under way, and times the answer: ended() is looked at every millisecond from the press on. A question the
// press raises is answered Yes, and the time to the end then counts from that Yes.
TStopTimes StopWhenRunning(const std::function<bool()>& running, const std::function<void()>& stop,
    const std::function<bool()>& ended, const std::function<void()>& work)
{
    TStopTimes times;
    QElapsedTimer since;
    bool pressed = false;
    ModalWatcher watcher([&](QDialog* d) {
        if (auto* ask = qobject_cast<hy::common::TAskUserDialog*>(d); ask && pressed && times.ToQuestion < 0) {
            times.ToQuestion = since.elapsed();
            since.restart();
            ask->YesButton->click();
        } else {
            d->reject();
        }
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        if (!pressed && running()) {
            pressed = true;
            since.start();
            stop();
        } else if (pressed && times.ToEnd < 0 && ended()) {
            times.ToEnd = since.elapsed();
        }
    });
    poll.start(1);
    work();
    if (pressed && times.ToEnd < 0 && QTest::qWaitFor(ended, 10000))
        times.ToEnd = since.elapsed();
    poll.stop();
    return times;
}

class LongActions : public hy::test::MainFormTest {
protected:
    // A file of size bytes that takes no room: it reads as zeros after the head.
    QString Sparse(const QString& name, qint64 size, const QByteArray& head = {})
    {
        const QString path = m_dir.PathOf(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(head) == head.size() && f.resize(size))
            << name.toStdString();
        return path;
    }
    // The same with a line end every MiB, so that every line is quick to show.
    QString SparseLines(const QString& name, qint64 size, const QByteArray& head = {})
    {
        const QString path = Sparse(name, size, head);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadWrite));
        for (qint64 at = (1 << 20) - 1; at < size; at += 1 << 20)
            EXPECT_TRUE(f.seek(at) && f.putChar('\n'));
        return path;
    }
    THvFileViewer* OpenText(const QString& path)
    {
        EXPECT_TRUE(m_form->OpenFileInViewer(path, ViewMode::Standard, false));
        return m_form->ActiveChild() ? m_form->ActiveChild()->FileViewer() : nullptr;
    }
    QStringList Files() const
    {
        return QDir(m_dir.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

constexpr qint64 kHuge = qint64(16) << 30;

} // namespace

TEST_F(LongActions, ALongReadStopsOnEsc)
{
    THvFileViewer* v = OpenText(Sparse("huge.log", kHuge));
    ASSERT_NE(v, nullptr);
    THvCustomFileViewer::SetLongWorkDelay(0);
    const auto restore = qScopeGuard([]() { THvCustomFileViewer::SetLongWorkDelay(400); });
    const TStopTimes t
        = StopWhenRunning([&]() { return v->LongWorkRunning(); }, [&]() { QTest::keyClick(v, Qt::Key_Escape); },
            [&]() { return !v->LongWorkRunning(); }, [&]() { v->ExecuteCommand(ccLastPage); });
    ASSERT_GE(t.ToEnd, 0) << "the read to the end was under way";
    EXPECT_LE(t.ToEnd, AnswerMs());
    EXPECT_TRUE(v->WorkStopped());
    EXPECT_EQ(v->LineTotal(), kUndeterminedTotal);
}

TEST_F(LongActions, ASearchOfAllWindowsStopsOnEscWithNothingReported)
{
    for (const char* name : { "a.log", "b.log", "c.log" })
        ASSERT_NE(OpenText(Sparse(name, kHuge)), nullptr);
    ModalWatcher watcher;
    TSearchState& search = m_form->SearchState();
    search.Text = "needle";
    search.AllFiles = true;
    bool ended = false;
    const TStopTimes t = StopWhenRunning([&]() { return m_form->InfoPanel()->text().startsWith("Reading the file"); },
        [&]() { QTest::keyClick(m_form.get(), Qt::Key_Escape); }, [&]() { return ended; },
        [&]() {
            m_form->RunFind();
            ended = true;
        });
    ASSERT_GE(t.ToEnd, 0) << "the search was under way";
    EXPECT_LE(t.ToEnd, AnswerMs());
    EXPECT_TRUE(watcher.Seen.isEmpty()) << watcher.Seen.join(' ').toStdString();
    EXPECT_FALSE(m_form->InfoPanel()->text().startsWith("Reading the file"));
}

TEST_F(LongActions, APictureLoadStopsOnEscAndItsReaderEnds)
{
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const QString png = m_dir.PathOf("large.png");
    ASSERT_TRUE(picture.save(png));
    // A decoder that would take a minute, asking its progress every millisecond as the real ones do.
    std::atomic<bool> finished { false };
    QElapsedTimer reading;
    std::atomic<qint64> endedAt { -1 };
    hy::image::TMultiImage::SetPictureReader(
        [&](hy::image::TImageKind, const QString&, int, bool, const hy::image::ProgressCallback& progress) {
            reading.start();
            for (int i = 0; i < 60000 && progress(i / 600) != 0; ++i)
                QThread::msleep(1);
            endedAt = reading.elapsed();
            finished = true;
            return hy::image::TDecodeResult::Failure(hy::image::ErrCorrupt, QStringLiteral("stopped"));
        });
    const auto reset = qScopeGuard([]() { hy::image::TMultiImage::SetPictureReader({}); });
    qint64 pressedAt = -1;
    const TStopTimes t = StopWhenRunning([&]() { return m_form->ProgressGauge()->isVisible(); },
        [&]() {
            pressedAt = reading.elapsed();
            QTest::keyClick(m_form.get(), Qt::Key_Escape);
        },
        [&]() { return !m_form->ProgressGauge()->isVisible(); },
        [&]() { m_form->OpenFileInViewer(png, ViewMode::BySettings, false); });
    ASSERT_GE(t.ToEnd, 0) << "the picture was being read";
    EXPECT_LE(t.ToEnd, AnswerMs());
    ASSERT_TRUE(QTest::qWaitFor([&]() { return finished.load(); }, 5000)) << "the reader was told to stop";
    EXPECT_LE(endedAt - pressedAt, AnswerMs()) << "the reader's thread ended soon after Esc";
}

TEST_F(LongActions, AnArchiveExtractionStopsOnEscWithoutAPartialFile)
{
    if (QStandardPaths::findExecutable("tar").isEmpty() || QStandardPaths::findExecutable("zstd").isEmpty())
        GTEST_SKIP() << "tar and zstd make the archive";
    // A member of 2 GiB of zeros: a small archive whose member takes seconds to write out.
    const QString zeros = Sparse("zeros.bin", qint64(2) << 30);
    QProcess tar;
    tar.setWorkingDirectory(m_dir.Path());
    tar.start("tar", { "--zstd", "-cf", "big.tar.zst", "zeros.bin" });
    ASSERT_TRUE(tar.waitForFinished(120000) && tar.exitCode() == 0);
    ASSERT_TRUE(QFile::remove(zeros));
    ASSERT_TRUE(m_form->OpenFileInViewer(m_dir.PathOf("big.tar.zst"), ViewMode::BySettings, false));
    TChildForm* child = m_form->Children().last();
    ASSERT_NE(child->ArchivePage(), nullptr);
    child->ArchivePage()->ZipList()->SelectAll();
    const QString dest = m_dir.PathOf("out");
    ASSERT_TRUE(QDir().mkpath(dest));
    hy::archive::TArchivePage::SetProgressDelay(0);
    const auto restore = qScopeGuard([]() { hy::archive::TArchivePage::SetProgressDelay(300); });
    bool extracting = false;
    const auto seen = QObject::connect(m_form->statusBar(), &QStatusBar::messageChanged,
        [&](const QString& m) { extracting = m.startsWith(QStringLiteral("Extracting")); });
    const TStopTimes t
        = StopWhenRunning([&]() { return extracting; }, [&]() { QTest::keyClick(m_form.get(), Qt::Key_Escape); },
            [&]() { return !extracting; }, [&]() { child->ExtractMembers(dest, false); });
    QObject::disconnect(seen);
    ASSERT_GE(t.ToEnd, 0) << "the member was being written";
    EXPECT_LE(t.ToEnd, AnswerMs());
    EXPECT_TRUE(QDir(dest).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())
        << "no partial file and no temporary file";
}

TEST_F(LongActions, ADiskSearchStopsOnStopAndYes)
{
    QDir().mkpath(m_dir.PathOf("a"));
    Sparse("a/huge.bin", kHuge);
    hy::search::TSearchHooks hooks;
    hooks.Settings = []() { return hy::search::TPreviewSettings(); };
    hooks.OpenFile = [](const QString&, int) { return true; };
    hy::search::TFileSearchDialog dialog(hooks);
    dialog.show();
    dialog.Location->setText(m_dir.Path());
    dialog.SearchString->setText(QStringLiteral("never there"));
    const TStopTimes t
        = StopWhenRunning([&]() { return dialog.ProgressDialog() && dialog.ProgressDialog()->isVisible(); },
            [&]() { dialog.ProgressDialog()->StopButton->click(); },
            [&]() { return !dialog.ProgressDialog()->isVisible(); }, [&]() { dialog.SearchButtonClick(); });
    ASSERT_GE(t.ToQuestion, 0) << "Stop asked first";
    EXPECT_LE(t.ToQuestion, AnswerMs());
    ASSERT_GE(t.ToEnd, 0);
    EXPECT_LE(t.ToEnd, AnswerMs());
    EXPECT_LT(dialog.Run().FilesSearched(), 1) << "the search ended inside the huge file";
    if (dialog.Results())
        delete dialog.Results();
}

TEST_F(LongActions, AWholeDriveWalkStopsOnStopAndYes)
{
    // The walk of the selector's search: every file below /usr, as many as any system has.
    QWidget owner;
    auto* list = new hy::filelist::TFileList(&owner);
    owner.show();
    hy::search::TFileSearchProgressDialog::WatchWholeDriveSearch(list, &owner);
    list->SetListDetails({ hy::filelist::ldFiles });
    list->SetSearchMode(hy::filelist::smSubDirectories);
    const auto progress = []() { return hy::test::FindWindow<hy::search::TFileSearchProgressDialog>(); };
    int code = 0;
    const TStopTimes t = StopWhenRunning([&]() { return progress() && progress()->isVisible(); },
        [&]() { progress()->StopButton->click(); }, [&]() { return !progress() || !progress()->isVisible(); },
        [&]() { code = list->SetMaskAndDirectory(QStringLiteral("*.*"), QStringLiteral("/usr")); });
    ASSERT_GE(t.ToQuestion, 0) << "Stop asked first";
    EXPECT_LE(t.ToQuestion, AnswerMs());
    ASSERT_GE(t.ToEnd, 0);
    EXPECT_LE(t.ToEnd, AnswerMs());
    EXPECT_EQ(code, -1000) << "the walk was stopped, not finished";
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(LongActions, ACompareStopsOnEscAndYes)
{
    ASSERT_NE(OpenText(Sparse("one.bin", kHuge)), nullptr);
    ASSERT_NE(OpenText(Sparse("two.bin", kHuge)), nullptr);
    TProgressReport* progress = TProgressReport::Of(m_form.get());
    const TStopTimes t
        = StopWhenRunning([&]() { return progress->isVisible(); }, [&]() { QTest::keyClick(progress, Qt::Key_Escape); },
            [&]() { return !progress->isVisible(); }, [&]() { CompareFiles(*m_form); });
    ASSERT_GE(t.ToQuestion, 0) << "Esc asked first";
    EXPECT_LE(t.ToQuestion, AnswerMs());
    ASSERT_GE(t.ToEnd, 0);
    EXPECT_LE(t.ToEnd, AnswerMs());
}

TEST_F(LongActions, PrintingStopsOnStopAndYesLeavingAWholeDocument)
{
    QByteArray text;
    for (int i = 0; i < 200000; ++i)
        text += "Line " + QByteArray::number(i) + " of a long listing to print\n";
    ASSERT_NE(OpenText(Make("listing.txt", text)), nullptr);
    QPrinter& printer = ProgramPrinter(*m_form);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = m_dir.PathOf("out.pdf");
    printer.setOutputFileName(pdf);
    m_form->Settings().Print.Copies = 1;
    TProgressReport* progress = TProgressReport::Of(m_form.get());
    bool printPressed = false;
    const TStopTimes t = StopWhenRunning([&]() { return progress->isVisible() && progress->Position() > 0; },
        [&]() { progress->StopButton->click(); }, [&]() { return !progress->isVisible(); },
        [&]() {
            // The print dialog is answered by a watcher of its own; the stop's question by the one above.
            ModalWatcher print([&](QDialog* d) {
                if (auto* dialog = qobject_cast<TPrintDialog*>(d); dialog && !printPressed) {
                    printPressed = true;
                    dialog->PrintButton->click();
                }
            });
            m_form->Action(TCommand::Print)->trigger();
        });
    ASSERT_TRUE(printPressed);
    ASSERT_GE(t.ToQuestion, 0) << "Stop asked first";
    EXPECT_LE(t.ToQuestion, AnswerMs());
    ASSERT_GE(t.ToEnd, 0);
    EXPECT_LE(t.ToEnd, AnswerMs());
    // As on paper, the pages printed before Stop are kept: a whole document of them, not a torn file.
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_TRUE(written.startsWith("%PDF-"));
    EXPECT_TRUE(written.trimmed().endsWith("%%EOF"));
}

TEST_F(LongActions, TheBackgroundCountStopsWhenTheFindBarCloses)
{
    THvFileViewer* v = OpenText(SparseLines("counted.log", kHuge));
    ASSERT_NE(v, nullptr);
    TChildForm* child = m_form->ActiveChild();
    child->OpenFindBar();
    THvFindBar* bar = child->FindBar();
    bar->SetQuery({ QStringLiteral("needle"), false, false, false });
    // Esc comes before the search as typed begins (a long read of its own, which Esc would stop first).
    ASSERT_TRUE(bar->isVisible());
    const TStopTimes t = StopWhenRunning([&]() { return bar->Counting(); },
        [&]() { QTest::keyClick(bar->Field(), Qt::Key_Escape); }, [&]() { return !bar->Counting(); },
        [&]() { (void)QTest::qWaitFor([&]() { return !bar->isVisible(); }, 10000); });
    ASSERT_GE(t.ToEnd, 0) << "the count was under way";
    EXPECT_LE(t.ToEnd, AnswerMs());
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(LongActions, AFilterFillStopsWhenItsPaneCloses)
{
    // A match on the first line ends the search as typed at once; the fill goes on through the file.
    THvFileViewer* v = OpenText(SparseLines("filtered.log", kHuge, "needle\n"));
    ASSERT_NE(v, nullptr);
    TChildForm* child = m_form->ActiveChild();
    child->OpenFindBar();
    child->FindBar()->SetQuery({ QStringLiteral("needle"), false, false, false });
    child->ToggleFilterPane();
    THvFilterPane* pane = child->FilterPane();
    const TStopTimes t = StopWhenRunning([&]() { return pane->Model()->Filling(); },
        [&]() { child->ToggleFilterPane(); }, [&]() { return !pane->Model()->Filling(); },
        [&]() { (void)QTest::qWaitFor([&]() { return !pane->isVisible(); }, 10000); });
    ASSERT_GE(t.ToEnd, 0) << "the fill was under way";
    EXPECT_LE(t.ToEnd, AnswerMs());
    EXPECT_FALSE(pane->isVisible());
    // The bar's own count of the 16 GiB stops with the bar.
    QTest::keyClick(child->FindBar()->Field(), Qt::Key_Escape);
}

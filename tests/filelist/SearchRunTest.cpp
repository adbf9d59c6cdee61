// A disk search's handler driving the list engine's tree walk over generated trees: criteria combined in
// order, the contents test through the viewer's file model, files that cannot be read, Stop, and how often
// the walk lets messages be processed. Every search that is not stopped also runs as the File Search
// dialog runs it, on worker threads in batches, and must list the same files with the same counts.
#include "core/search/SearchRun.h"

#include "common/HyUtils.h"
#include "core/filelist/FileListEngine.h"
#include "platform/PlatformFiles.h"
#include "support/QtPrinters.h"
#include "support/Tools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hy;
using namespace hy::base;
using namespace hy::common;
using namespace hy::filelist;
using namespace hy::platform;
using namespace hy::search;

namespace {

class SearchRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
        m_engine.SetPump({}, 0);
        m_engine.SetSearchMode(smSubDirectories);
        m_engine.SetListDetails({ ldFiles });
        m_engine.SetTextCase(tcNone);
        m_engine.SetOnAddFile(
            [this](TSearchRec& s, const QString& path, bool& ok, int& error) { m_run.AddFile(s, path, ok, error); });
        m_run.SetHooks({ {}, {}, [this]() { ++m_messages; }, [this]() { return m_stop; } });
    }

    QString Path(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }

    void Write(const QString& relative, const QByteArray& content, const QDateTime& modified = {})
    {
        QDir().mkpath(Path(relative).section(QLatin1Char('/'), 0, -2));
        QFile f(Path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        if (modified.isValid()) {
            ASSERT_EQ(SetFileDateTime(Path(relative), modified), 0);
        }
    }

    // Runs a search from the root and returns the found files relative to it, in list order.
    QStringList Search(TSearchCriteria criteria, const QDateTime& now = QDateTime(QDate(1997, 3, 15), QTime(12, 0)))
    {
        if (criteria.Location.isEmpty())
            criteria.Location = m_root;
        m_run.Begin(criteria, now);
        m_engine.SetFileMask(SearchMasks(criteria.Masks));
        m_engine.SetSearchMode(criteria.SubDirectories ? smSubDirectories : smNormal);
        m_engine.ReadDirectory(criteria.Location);
        m_run.End();
        const QStringList found = Listed(m_engine);
        if (m_engine.LastError() != kErrorSearchStopped)
            ExpectSameOnWorkers(criteria, now, found);
        return found;
    }

    QStringList Listed(const TFileListEngine& engine) const
    {
        QStringList found;
        for (int i = 0; i < engine.Count(); ++i)
            found << engine.EntryPath(i).mid(m_root.size() + 1);
        return found;
    }

    // The same search walked on worker threads: the same entries in the same order, the same counts.
    void ExpectSameOnWorkers(const TSearchCriteria& criteria, const QDateTime& now, const QStringList& found)
    {
        TFileListEngine engine;
        engine.SetPump({}, 0);
        engine.SetListDetails({ ldFiles });
        engine.SetTextCase(tcNone);
        engine.SetHandlerNeedsFacts(criteria.ByDate || criteria.ByTime || criteria.BySize);
        TSearchRun run;
        run.SetHooks({ {}, {}, {}, []() { return false; } });
        run.Begin(criteria, now);
        engine.SetParallelWalk([&](const TFileListEngine::TWalkBatch& batch) { return run.TakeBatch(batch); },
            [&](const std::atomic<bool>& stop) { return run.MakeFileTest(stop); });
        engine.SetFileMask(SearchMasks(criteria.Masks));
        engine.SetSearchMode(criteria.SubDirectories ? smSubDirectories : smNormal);
        engine.SetOnAddFile(
            [&run](TSearchRec& s, const QString& path, bool& ok, int& error) { run.AddFile(s, path, ok, error); });
        engine.ReadDirectory(criteria.Location);
        run.End();
        EXPECT_EQ(Listed(engine), found) << "on worker threads";
        EXPECT_EQ(engine.LastError(), m_engine.LastError());
        EXPECT_EQ(engine.SkippedDirectories(), m_engine.SkippedDirectories());
        EXPECT_EQ(run.FilesSearched(), m_run.FilesSearched());
        EXPECT_EQ(run.FilesFound(), m_run.FilesFound());
    }

    QTemporaryDir m_temp;
    QString m_root;
    TFileListEngine m_engine;
    TSearchRun m_run;
    int m_messages = 0;
    bool m_stop = false;
};

} // namespace

TEST_F(SearchRunTest, CriteriaCombineInOrderOverATree)
{
    const QDateTime jan5(QDate(1997, 1, 5), QTime(23, 30));
    Write("a.txt", "alpha needle", jan5);
    Write("sub/b.txt", "beta NEEDLE", QDateTime(QDate(1997, 1, 6), QTime(1, 0)));
    Write("sub/c.txt", "gamma", jan5);
    Write("sub/deep/d.txt", QByteArray(150, 'x') + "needle", QDateTime(QDate(1997, 2, 20), QTime(23, 0)));
    Write("sub/deep/e.log", "needle", jan5);
    Write("old.txt", "needle", QDateTime(QDate(1996, 6, 1), QTime(23, 0)));

    TSearchCriteria all;
    all.Masks = QString();
    EXPECT_EQ(
        Search(all), QStringList({ "a.txt", "old.txt", "sub/b.txt", "sub/c.txt", "sub/deep/d.txt", "sub/deep/e.log" }));
    EXPECT_EQ(m_run.FilesSearched(), 6);
    EXPECT_EQ(m_run.FilesFound(), 6);

    TSearchCriteria c;
    c.Masks = QStringLiteral("*.txt");
    c.ByDate = true;
    c.Date1 = QStringLiteral("01/01/1997");
    c.Date2 = QStringLiteral("03/01/1997");
    c.ByTime = true;
    c.Time1 = QStringLiteral("10:00 PM");
    c.Time2 = QStringLiteral("02:00 AM");
    EXPECT_EQ(Search(c), QStringList({ "a.txt", "sub/b.txt", "sub/c.txt", "sub/deep/d.txt" }));
    EXPECT_EQ(m_run.FilesSearched(), 5);

    c.BySize = true;
    c.SizeRule = TSizeRule::Between;
    c.Size1 = 5;
    c.Size2 = 12;
    EXPECT_EQ(Search(c), QStringList({ "a.txt", "sub/b.txt", "sub/c.txt" }));

    c.BySize = false;
    c.ByContents = true;
    c.Text = QStringLiteral("needle");
    EXPECT_EQ(Search(c), QStringList({ "a.txt", "sub/b.txt", "sub/deep/d.txt" }));
    c.MatchCase = true;
    EXPECT_EQ(Search(c), QStringList({ "a.txt", "sub/deep/d.txt" }));

    c.SubDirectories = false;
    EXPECT_EQ(Search(c), QStringList({ "a.txt" }));
}

// Files written just before and after midnight (their times set on the disk, in local time, as the search
// reads them back): a date range holds its last day to its end, and a time range across midnight holds the
// small hours.
TEST_F(SearchRunTest, DateRangesHoldTheirLastDayWhole)
{
    const QDateTime now(QDate(2024, 3, 15), QTime(12, 0));
    const QDate today = now.toLocalTime().date();
    const auto at
        = [&](int dayOffset, int h, int m, int s) { return QDateTime(today.addDays(dayOffset), QTime(h, m, s)); };
    Write("t-before-midnight.txt", "x", at(-1, 23, 59, 58));
    Write("t-after-midnight.txt", "x", at(0, 0, 0, 2));
    Write("t-this-evening.txt", "x", at(0, 23, 59, 58));
    Write("t-tomorrow.txt", "x", at(1, 0, 0, 0));
    Write("t-two-days-ago.txt", "x", at(-2, 23, 59, 58));
    Write("t-one-am.txt", "x", at(-5, 1, 0, 0));
    Write("t-midday.txt", "x", at(-3, 12, 0, 0));

    TSearchCriteria days;
    days.ByDate = true;
    days.DateRule = TDateRule::PreviousDays;
    TSearchCriteria months = days;
    months.DateRule = TDateRule::PreviousMonths;
    TSearchCriteria between = days;
    between.DateRule = TDateRule::Between;
    between.Date1 = today.addDays(-1).toString(QStringLiteral("MM/dd/yyyy"));
    between.Date2 = today.addDays(-1).toString(QStringLiteral("MM/dd/yyyy"));
    TSearchCriteria night;
    night.ByTime = true;
    night.Time1 = QStringLiteral("10:00 PM");
    night.Time2 = QStringLiteral("02:00 AM");

    const struct {
        const char* what;
        TSearchCriteria criteria;
        int count; // days or months
        QStringList found;
    } cases[] = {
        { "today", days, 0, { "t-after-midnight.txt", "t-this-evening.txt" } },
        { "today and yesterday", days, 1, { "t-after-midnight.txt", "t-before-midnight.txt", "t-this-evening.txt" } },
        { "this month", months, 0, { "t-after-midnight.txt", "t-this-evening.txt" } },
        { "yesterday alone", between, 0, { "t-before-midnight.txt" } },
        { "10 PM to 2 AM", night, 0,
            { "t-after-midnight.txt", "t-before-midnight.txt", "t-one-am.txt", "t-this-evening.txt", "t-tomorrow.txt",
                "t-two-days-ago.txt" } },
    };
    for (const auto& c : cases) {
        TSearchCriteria criteria = c.criteria;
        criteria.Days = criteria.Months = c.count;
        EXPECT_EQ(Search(criteria, now), c.found) << c.what;
    }
}

TEST_F(SearchRunTest, ContentsAreFoundWhereverTheyLieAndUnreadableFilesDoNotHoldThem)
{
    // Past the first read of a search and across block ends; in a file written in one-byte characters.
    QByteArray large(3 << 20, 'a');
    for (int i = 80; i < large.size(); i += 81)
        large[i] = '\n';
    large.replace(large.size() - 1000, 6, "needle");
    Write("large.txt", large);
    Write("latin.txt", "un caf\xe9 noir");
    Write("utf8.txt", "un caf\xc3\xa9 noir");
    Write("empty.txt", "");
    Write("locked.txt", "needle caf\xc3\xa9");
    Write("zz.txt", "needle");
    ASSERT_TRUE(QFile::setPermissions(Path("locked.txt"), QFileDevice::Permissions()));
    const bool readable = QFile(Path("locked.txt")).open(QIODevice::ReadOnly);

    TSearchCriteria c;
    c.ByContents = true;
    c.Text = QStringLiteral("NEEDLE");
    QStringList expected { "large.txt", "zz.txt" };
    if (readable)
        expected.insert(1, QStringLiteral("locked.txt")); // running as root: nothing is unreadable
    EXPECT_EQ(Search(c), expected);
    EXPECT_EQ(m_engine.LastError(), 0);
    EXPECT_EQ(m_run.FilesSearched(), 6);

    c.Text = QString::fromUtf8("caf\xc3\xa9");
    expected = QStringList { "latin.txt", "utf8.txt" };
    if (readable)
        expected.insert(1, QStringLiteral("locked.txt"));
    EXPECT_EQ(Search(c), expected);
}

TEST_F(SearchRunTest, ContentsAreFoundInTheEncodingEachFileIsIn)
{
    // "日本語のテキストを表示するソース表" in Shift_JIS (表 and ソ end in the byte of '\\'), a Russian sentence
    // in KOI8-R, Chinese in GBK, and UTF-32 with its byte-order mark: each file is read as Auto finds it.
    const QByteArray sjis = QByteArray::fromHex("93fa967b8cea82cc8365834c8358836782f0955c8ea682b782e9835c815b8358955c");
    const QByteArray koi8
        = QByteArray::fromHex("f3dfc5dbd820d6c520c5dda320dcd4c9c820cdd1c7cbc9c820c6d2c1cec3d5dad3cbc9c820c2d5cccfcb");
    const QByteArray gbk = QByteArray::fromHex("d6d0cec4cec4b1becafdbeddbfe2b5c4c4dac8dd");
    Write("gbk.txt", (gbk + "\n").repeated(20));
    Write("koi8.txt", (koi8 + "\n").repeated(20));
    Write("sjis.txt", (sjis + "\n").repeated(20));
    Write("utf32.txt", QByteArray("\xFF\xFE\0\0", 4) + QByteArray("\x1F\x04\0\0\\\0\0\0", 8));
    Write("zz.txt", "C:\\path");
    TSearchCriteria c;
    c.ByContents = true;
    c.Text = QStringLiteral("ソース表");
    EXPECT_EQ(Search(c), QStringList { "sjis.txt" });
    c.Text = QStringLiteral("ЭТИХ МЯГКИХ");
    EXPECT_EQ(Search(c), QStringList { "koi8.txt" });
    c.Text = QStringLiteral("数据库");
    EXPECT_EQ(Search(c), QStringList { "gbk.txt" });
    c.Text = QStringLiteral("п\\");
    EXPECT_EQ(Search(c), QStringList { "utf32.txt" });
    // The trail bytes that look like a backslash are no backslash.
    c.Text = QStringLiteral("\\");
    EXPECT_EQ(Search(c), (QStringList { "utf32.txt", "zz.txt" }));
}

TEST_F(SearchRunTest, ContentsEndingTheFileAreFoundWhenACaseVariantTakesMoreBytes)
{
    // The capital sharp s takes three bytes in UTF-8 and the small one two; the Kelvin sign three and k one.
    Write("a.txt",
        "ab stra\xc3\x9f"
        "e");
    Write("b.txt", "x k\xc3\xb6");
    Write("c.txt", "x \xe2\x84\xaa\xc3\x96");
    Write("d.txt", "stra\xc3\x9f");
    TSearchCriteria c;
    c.ByContents = true;
    c.Text = QStringLiteral("stra\u00DFe");
    EXPECT_EQ(Search(c), QStringList { "a.txt" });
    c.Text = QStringLiteral("k\u00F6");
    EXPECT_EQ(Search(c), (QStringList { "b.txt", "c.txt" }));
    c.MatchCase = true;
    EXPECT_EQ(Search(c), QStringList { "b.txt" });
}

TEST_F(SearchRunTest, CompressedFilesAreSearchedInsideOnlyWhenAsked)
{
    if (!hy::test::HaveTool(QStringLiteral("gzip")) || !hy::test::HaveTool(QStringLiteral("xz")))
        GTEST_SKIP() << "gzip or xz is not installed";
    QByteArray log;
    for (int i = 0; i < 20000; ++i)
        log += "request " + QByteArray::number(i) + " served\n";
    const QByteArray withNeedle = log + "the rare needle\n" + log;
    Write(QStringLiteral("plain.txt"), "the rare needle\n");
    Write(QStringLiteral("old/app.log.1.gz"), hy::test::RunTool(QStringLiteral("gzip"), { "-c" }, withNeedle).Output);
    Write(QStringLiteral("old/app.log.2.xz"), hy::test::RunTool(QStringLiteral("xz"), { "-c" }, withNeedle).Output);
    Write(QStringLiteral("old/other.gz"), hy::test::RunTool(QStringLiteral("gzip"), { "-c" }, log).Output);
    TSearchCriteria criteria;
    criteria.ByContents = true;
    criteria.Text = QStringLiteral("Rare Needle");
    EXPECT_EQ(Search(criteria), QStringList { QStringLiteral("plain.txt") });
    criteria.InsideCompressed = true;
    QStringList found = Search(criteria);
    found.sort();
    EXPECT_EQ(found,
        (QStringList {
            QStringLiteral("old/app.log.1.gz"), QStringLiteral("old/app.log.2.xz"), QStringLiteral("plain.txt") }));
}

TEST_F(SearchRunTest, StopEndsTheWalkAndKeepsWhatWasFound)
{
    for (int i = 0; i < 30; ++i)
        Write(QStringLiteral("f%1/file%2.txt").arg(i / 10).arg(i, 2, 10, QLatin1Char('0')), "x");
    int calls = 0;
    // Only the folders ask for messages here, however long the files take.
    m_run.SetMessageInterval(3600 * 1000);
    m_run.SetHooks({ {}, {},
        [&]() {
            if (++calls == 2)
                m_stop = true;
        },
        [this]() { return m_stop; } });
    TSearchCriteria c;
    const QStringList found = Search(c);
    EXPECT_EQ(m_engine.LastError(), kErrorSearchStopped);
    // The first folder's files were taken before the second folder asked for messages.
    EXPECT_EQ(found.size(), 10);
    EXPECT_EQ(m_run.FilesFound(), 10);
    EXPECT_LT(m_run.FilesSearched(), 30);

    // A stop asked for during a long contents search ends that file's search too.
    m_stop = false;
    calls = 0;
    Write("big/huge.txt", QByteArray(32 << 20, 'z'));
    c.Location = Path("big");
    c.ByContents = true;
    c.Text = QStringLiteral("needle");
    m_run.SetMessageInterval(0);
    m_run.SetHooks({ {}, {},
        [&]() {
            if (++calls == 3)
                m_stop = true;
        },
        [this]() { return m_stop; } });
    EXPECT_TRUE(Search(c).isEmpty());
    EXPECT_EQ(m_engine.LastError(), kErrorSearchStopped);
    EXPECT_EQ(calls, 3);
}

TEST_F(SearchRunTest, MessagesAreProcessedAtEveryFolderButNotForEveryFile)
{
    const int folders = 12;
    const int perFolder = 200;
    for (int f = 0; f < folders; ++f) {
        QDir().mkpath(Path(QStringLiteral("d%1").arg(f)));
        for (int i = 0; i < perFolder; ++i) {
            QFile file(Path(QStringLiteral("d%1/n%2.txt").arg(f).arg(i)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    m_run.SetMessageInterval(50);
    QElapsedTimer clock;
    clock.start();
    TSearchCriteria c;
    EXPECT_EQ(Search(c).size(), folders * perFolder);
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(m_messages, folders);
    // One round per folder, one on the first file, and one per interval that passed.
    EXPECT_LE(m_messages, folders + 1 + elapsed / 50 + 1);
}

TEST_F(SearchRunTest, FilesOverTwoGibibytesCompareBySize)
{
    const QByteArray p = platform::EncodeFileName(Path("sparse.bin"));
    const int fd = ::open(p.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const bool sized = ::ftruncate(fd, (qint64(3) << 30) + 5) == 0;
    ::close(fd);
    if (!sized)
        GTEST_SKIP() << "the temporary folder holds no sparse 3 GiB file";
    Write("small.bin", "12345");

    TSearchCriteria c;
    c.BySize = true;
    c.SizeRule = TSizeRule::GreaterThan;
    c.Size1 = qint64(2) << 30;
    EXPECT_EQ(Search(c), QStringList({ "sparse.bin" }));
    c.SizeRule = TSizeRule::EqualTo;
    c.Size1 = 5;
    EXPECT_EQ(Search(c), QStringList({ "small.bin" }));
    c.SizeRule = TSizeRule::LessThan;
    c.Size1 = qint64(3) << 30;
    EXPECT_EQ(Search(c), QStringList({ "small.bin" }));
}

// Nested folders, a link back to the top, a folder nobody may read, hidden entries, a link to a file, names
// that are not UTF-8, two masks that take the same files, a file larger than those read whole: one thread and
// the workers list the same (Search compares them), and what is found is what the files hold.
TEST_F(SearchRunTest, WorkersAndOneThreadAgreeOverAnAwkwardTree)
{
    for (int i = 0; i < 60; ++i) {
        const QByteArray text = i % 7 == 3 ? "notes: Hello World, again\n" : "notes: nothing here\n";
        Write(QStringLiteral("n%1/m%2/file%3.txt").arg(i % 3).arg(i % 5).arg(i), text);
    }
    Write("top.TXT", "HELLO WORLD");
    Write(".hidden/h.txt", "hello world");
    Write(".dot.txt", "hello world");
    Write("locked/inside.txt", "hello world");
    Write("locked/deeper/more.txt", "hello world");
    QByteArray large(300 << 10, 'x');
    large.append("\nhello world\n");
    Write("large/big.txt", large);
    ASSERT_EQ(::symlink(m_root.toLocal8Bit().constData(), Path("n0/loop").toLocal8Bit().constData()), 0);
    ASSERT_EQ(::symlink("top.TXT", Path("link.txt").toLocal8Bit().constData()), 0);
    const QByteArray odd = platform::EncodeFileName(m_root) + "/caf\xE9 hello.txt";
    const int fd = ::open(odd.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "hello world", 11), 11);
    ::close(fd);
    ASSERT_EQ(::chmod(Path("locked").toLocal8Bit().constData(), 0), 0);
    const bool lockedReadable = ::access(Path("locked/inside.txt").toLocal8Bit().constData(), R_OK) == 0;

    TSearchCriteria names;
    const QStringList all = Search(names);
    EXPECT_EQ(all.size(), 60 + 4 + (lockedReadable ? 2 : 0)); // hidden entries are not shown
    EXPECT_EQ(m_engine.SkippedDirectories(), lockedReadable ? 0 : 1);
    names.Masks = QStringLiteral("*.txt *.TXT file1*");
    EXPECT_EQ(Search(names), all);
    EXPECT_GT(m_run.FilesSearched(), 2 * all.size()); // each mask offers its files

    TSearchCriteria c;
    c.ByContents = true;
    c.Text = QStringLiteral("hello world");
    QStringList expected { "large/big.txt", "link.txt" };
    if (lockedReadable)
        expected << "locked/deeper/more.txt"
                 << "locked/inside.txt";
    for (int i = 3; i < 60; i += 7)
        expected << QStringLiteral("n%1/m%2/file%3.txt").arg(i % 3).arg(i % 5).arg(i);
    expected << "top.TXT";
    QStringList found = Search(c);
    EXPECT_EQ(found.size(), expected.size() + 1); // and the name that is not UTF-8
    found.removeIf([](const QString& name) { return name.startsWith(u"caf"); });
    found.sort();
    expected.sort();
    EXPECT_EQ(found, expected);
    c.MatchCase = true;
    found = Search(c);
    EXPECT_FALSE(found.contains("top.TXT"));
    EXPECT_TRUE(found.contains("large/big.txt"));
    ::chmod(Path("locked").toLocal8Bit().constData(), 0755);
}

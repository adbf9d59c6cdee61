// The list engine on folders generated in a temporary directory: kinds, orders, masks, text cases,
// navigation, the tree walk and its stop, unreadable and vanishing folders, links and awkward names.
#include "core/filelist/FileListEngine.h"

#include "common/HyUtils.h"
#include "platform/PlatformFiles.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace hy;
using namespace hy::base;
using namespace hy::common;
using namespace hy::filelist;
using namespace hy::platform;

namespace {

class FileListEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = m_temp.path();
        m_engine.SetPump({}, 0);
    }

    QString Path(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }

    void MakeDir(const QString& relative) { ASSERT_TRUE(QDir().mkpath(Path(relative))); }

    // A file with a size (sparse) and, when given, a modification time in local time.
    void MakeFile(const QString& relative, qint64 size = 0, const QDateTime& modified = {})
    {
        QDir().mkpath(Path(relative).section(QLatin1Char('/'), 0, -2));
        const QByteArray p = platform::EncodeFileName(Path(relative));
        const int fd = ::open(p.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << p.constData();
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        if (modified.isValid()) {
            const timespec times[2] = { { 0, UTIME_OMIT }, { time_t(modified.toSecsSinceEpoch()), 0 } };
            ASSERT_EQ(::utimensat(AT_FDCWD, p.constData(), times, 0), 0);
        }
    }

    // Reads a folder listing only subdirectories and files.
    void ReadPlain(const QString& relative)
    {
        m_engine.SetListDetails({ ldDirectories, ldFiles });
        m_engine.ReadDirectory(Path(relative));
    }

    QStringList Names()
    {
        QStringList names;
        for (int i = 0; i < m_engine.Count(); ++i)
            names << QString(QChar(m_engine.EntryKind(i))) + QLatin1Char(':') + m_engine.EntryName(i);
        return names;
    }

    QTemporaryDir m_temp;
    QString m_root;
    TFileListEngine m_engine;
};

} // namespace

TEST_F(FileListEngineTest, ListsEveryKindInItsOrder)
{
    MakeDir(QStringLiteral("top/sub"));
    MakeDir(QStringLiteral("top/.secret"));
    MakeFile(QStringLiteral("top/b.txt"), 9);
    MakeFile(QStringLiteral("top/A.exe"), 10);
    MakeFile(QStringLiteral("top/.profile"));
    m_engine.SetListDetails({ ldNewFile, ldDrives, ldSystemDirectories, ldDirectories, ldFiles });
    m_engine.ReadDirectory(Path(QStringLiteral("top")));
    ASSERT_EQ(m_engine.LastError(), 0);
    const QStringList names = Names();
    ASSERT_GE(names.size(), 7);
    EXPECT_EQ(names.first(), u"A:NEW");
    EXPECT_TRUE(names.contains(u"B:/"));
    EXPECT_EQ(names.mid(names.size() - 5),
        QStringList({ QStringLiteral("C:/"), QStringLiteral("D:.."), QStringLiteral("E:sub"), QStringLiteral("F:A.exe"),
            QStringLiteral("F:b.txt") }));
    EXPECT_EQ(m_engine.ListCount(), 3);
    EXPECT_EQ(m_engine.ListSize(), 19);

    m_engine.SetListOrder(flInverted);
    m_engine.ReadDirectory(m_engine.Directory());
    const QStringList inverted = Names();
    EXPECT_EQ(inverted.mid(1, 2), QStringList({ QStringLiteral("F:A.exe"), QStringLiteral("F:b.txt") }));
    EXPECT_TRUE(inverted.last().startsWith(u"B:/"));
    EXPECT_EQ(m_engine.EntryKind(m_engine.Count() - 1), ekDrive);

    m_engine.SetShowSystemFiles(true);
    m_engine.SetListOrder(flNormal);
    m_engine.ReadDirectory(m_engine.Directory());
    EXPECT_TRUE(Names().contains(u"E:.secret"));
    EXPECT_TRUE(Names().contains(u"F:.profile"));
}

TEST_F(FileListEngineTest, RootShowsNoSystemEntries)
{
    m_engine.SetListDetails({ ldSystemDirectories, ldDirectories });
    m_engine.ReadDirectory(QStringLiteral("/"));
    EXPECT_EQ(m_engine.FindEntry(ekParent, QStringLiteral("..")), -1);
    EXPECT_EQ(m_engine.FindEntry(ekRoot, QStringLiteral("/")), -1);
    EXPECT_GE(m_engine.FindEntry(ekDirectory, QStringLiteral("tmp")), 0);
}

TEST_F(FileListEngineTest, SortOrdersRekeyWithoutReading)
{
    MakeFile(QStringLiteral("s/ten.txt"), 10, QDateTime(QDate(2001, 1, 1), QTime(12, 0)));
    MakeFile(QStringLiteral("s/nine.bat"), 9, QDateTime(QDate(2003, 1, 1), QTime(12, 0)));
    MakeFile(QStringLiteral("s/huge.img"), 100'000'000'000, QDateTime(QDate(1999, 5, 1), QTime(8, 0)));
    MakeFile(QStringLiteral("s/big.img"), 99'999'999'999, QDateTime(QDate(2050, 5, 1), QTime(8, 0)));
    ReadPlain(QStringLiteral("s"));
    const struct {
        TFileListSortTypes sortBy;
        QStringList names;
    } cases[] = {
        { sbName, { "F:big.img", "F:huge.img", "F:nine.bat", "F:ten.txt" } },
        { sbType, { "F:nine.bat", "F:big.img", "F:huge.img", "F:ten.txt" } },
        { sbSize, { "F:nine.bat", "F:ten.txt", "F:big.img", "F:huge.img" } },
        { sbDate, { "F:huge.img", "F:ten.txt", "F:nine.bat", "F:big.img" } },
    };
    MakeFile(QStringLiteral("s/added later.txt"));
    for (const auto& c : cases) {
        m_engine.SetSortBy(c.sortBy);
        EXPECT_EQ(Names(), c.names) << c.sortBy;
    }
    EXPECT_EQ(m_engine.EntrySize(m_engine.FindEntry(ekFile, QStringLiteral("huge.img"))), 100'000'000'000);
}

TEST_F(FileListEngineTest, DetailsTexts)
{
    MakeFile(QStringLiteral("d/big.dat"), 1234567, QDateTime(QDate(2004, 7, 9), QTime(13, 45, 30)));
    MakeFile(QStringLiteral("d/old.dat"), 0, QDateTime(QDate(1975, 1, 1), QTime(0, 0)));
    MakeFile(QStringLiteral("d/.hidden.dat"));
    m_engine.SetShowSystemFiles(true);
    ReadPlain(QStringLiteral("d"));
    const auto big = m_engine.EntryDetails(m_engine.FindEntry(ekFile, QStringLiteral("big.dat")));
    EXPECT_EQ(big[fdName], u"big.dat");
    EXPECT_EQ(big[fdSize], u"1,234,567");
    const QLocale locale = QLocale::system();
    EXPECT_EQ(big[fdDate], locale.toString(QDate(2004, 7, 9), QLocale::ShortFormat));
    EXPECT_EQ(big[fdTime], locale.toString(QTime(13, 45, 30), QLocale::ShortFormat));
    EXPECT_EQ(big[fdAttr], u"");
    const auto old = m_engine.EntryDetails(m_engine.FindEntry(ekFile, QStringLiteral("old.dat")));
    EXPECT_EQ(old[fdDate], u"?");
    EXPECT_EQ(old[fdTime], u"?");
    const int hidden = m_engine.FindEntry(ekFile, QStringLiteral(".hidden.dat"));
    EXPECT_EQ(m_engine.EntryDetails(hidden)[fdAttr], u"H");
    EXPECT_EQ(DisplayedIcon(m_engine.EntryIcon(hidden), m_engine.EntryAttributes(hidden)), fiHiddenFile);
}

TEST_F(FileListEngineTest, MaskListsListEachFileOnce)
{
    MakeFile(QStringLiteral("m/a.txt"));
    MakeFile(QStringLiteral("m/B.DOC"));
    MakeFile(QStringLiteral("m/c.c"));
    MakeFile(QStringLiteral("m/my file.txt"));
    const struct {
        const char* mask;
        QStringList names;
    } cases[] = {
        { "*.txt *.doc", { "F:a.txt", "F:B.DOC", "F:my file.txt" } },
        { "*.txt,*.*", { "F:a.txt", "F:B.DOC", "F:c.c", "F:my file.txt" } },
        { "\"my file.txt\"", { "F:my file.txt" } },
        { "*.none", {} },
    };
    for (const auto& c : cases) {
        m_engine.SetFileMask(QString::fromUtf8(c.mask));
        ReadPlain(QStringLiteral("m"));
        EXPECT_EQ(Names(), c.names) << c.mask;
        EXPECT_EQ(m_engine.ListCount(), c.names.size());
    }
}

TEST_F(FileListEngineTest, TextCaseChangesWhatIsShownNeverTheName)
{
    MakeFile(QStringLiteral("t/Mixed Case.TXT"));
    for (TTextCase textCase : { tcLowerCase, tcUpperCase, tcAuto, tcNone }) {
        m_engine.SetTextCase(textCase);
        ReadPlain(QStringLiteral("t"));
        ASSERT_EQ(m_engine.Count(), 1);
        EXPECT_EQ(m_engine.EntryName(0), u"Mixed Case.TXT");
        EXPECT_EQ(m_engine.EntryDisplayName(0), ConvertCase(QStringLiteral("Mixed Case.TXT"), textCase));
        EXPECT_EQ(m_engine.EntryPath(0), Path(QStringLiteral("t/Mixed Case.TXT")));
        EXPECT_EQ(ProcessTextCase(), textCase);
    }
}

TEST_F(FileListEngineTest, NavigationResolvesAgainstTheListAndFocusesTheFolderLeft)
{
    MakeDir(QStringLiteral("dos/Bin"));
    MakeDir(QStringLiteral("dos/data"));
    const QString before = QDir::currentPath();
    m_engine.SetListDetails({ ldSystemDirectories, ldDirectories, ldFiles });
    m_engine.ReadDirectory(Path(QStringLiteral("dos")));
    m_engine.ReadDirectory(QStringLiteral("Bin"));
    EXPECT_EQ(m_engine.Directory(), Path(QStringLiteral("dos/Bin")));
    m_engine.ReadDirectory(QStringLiteral(".."));
    EXPECT_EQ(m_engine.Directory(), Path(QStringLiteral("dos")));
    ASSERT_GE(m_engine.FocusAfterRead(), 0);
    EXPECT_EQ(m_engine.EntryName(m_engine.FocusAfterRead()), u"Bin");
    m_engine.ReadDirectory(QStringLiteral("data"));
    EXPECT_EQ(m_engine.FocusAfterRead(), -1);
    EXPECT_EQ(QDir::currentPath(), before);
}

TEST_F(FileListEngineTest, DirectoriesThatCannotBeEnteredFallBackWithTheirCode)
{
    MakeDir(QStringLiteral("ok/.hidden"));
    MakeFile(QStringLiteral("ok/plain"));
    m_engine.SetListDetails({ ldDirectories, ldFiles });
    m_engine.ReadDirectory(Path(QStringLiteral("ok")));
    const struct {
        const char* target;
        int code;
    } cases[] = { { "missing", 3 }, { "plain", 3 }, { ".hidden", 3 } };
    for (const auto& c : cases) {
        m_engine.StoreDirectory(Path(QStringLiteral("ok")));
        m_engine.ReadDirectory(QString::fromUtf8(c.target));
        EXPECT_EQ(m_engine.LastError(), c.code) << c.target;
        EXPECT_EQ(m_engine.Directory(), QDir::currentPath()) << c.target;
    }
    m_engine.SetShowSystemFiles(true);
    m_engine.StoreDirectory(Path(QStringLiteral("ok")));
    m_engine.ReadDirectory(QStringLiteral(".hidden"));
    EXPECT_EQ(m_engine.LastError(), 0);
}

TEST_F(FileListEngineTest, SetMaskAndDirectoryRollsBack)
{
    MakeFile(QStringLiteral("r/a.txt"));
    MakeFile(QStringLiteral("r/b.doc"));
    ReadPlain(QStringLiteral("r"));
    EXPECT_EQ(m_engine.SetMaskAndDirectory(QStringLiteral("*.doc"), Path(QStringLiteral("nowhere"))), 3);
    EXPECT_EQ(m_engine.Directory(), Path(QStringLiteral("r")));
    EXPECT_EQ(m_engine.FileMask(), u"*.*");
    EXPECT_EQ(m_engine.Count(), 2);
    EXPECT_EQ(m_engine.LastError(), 0);
    EXPECT_EQ(m_engine.SetMaskAndDirectory(QStringLiteral("*.doc"), QString()), 0);
    EXPECT_EQ(Names(), QStringList({ QStringLiteral("F:b.doc") }));
}

TEST_F(FileListEngineTest, UnreadableFolders)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop the superuser";
    MakeDir(QStringLiteral("u/closed"));
    MakeDir(QStringLiteral("u/open"));
    MakeFile(QStringLiteral("u/open/x.txt"));
    ASSERT_EQ(::chmod(platform::EncodeFileName(Path(QStringLiteral("u/closed"))).constData(), 0), 0);
    ReadPlain(QStringLiteral("u/closed"));
    EXPECT_EQ(m_engine.LastError(), 5);
    m_engine.SetSearchMode(smSubDirectories);
    ReadPlain(QStringLiteral("u"));
    EXPECT_EQ(m_engine.LastError(), 0);
    EXPECT_EQ(m_engine.Count(), 1);
    EXPECT_EQ(m_engine.SkippedDirectories(), 1);
    ::chmod(platform::EncodeFileName(Path(QStringLiteral("u/closed"))).constData(), 0755);
}

namespace {

struct Offer {
    QString path;
    QString name;
    bool directory;
};

} // namespace

TEST_F(FileListEngineTest, WalkIsDepthFirstFilesBeforeSubdirectories)
{
    MakeDir(QStringLiteral("w/a/deep"));
    MakeDir(QStringLiteral("w/b"));
    MakeFile(QStringLiteral("w/top.txt"));
    MakeFile(QStringLiteral("w/skip.dat"));
    MakeFile(QStringLiteral("w/a/one.txt"));
    MakeFile(QStringLiteral("w/a/deep/two.txt"));
    MakeFile(QStringLiteral("w/b/three.txt"));
    std::vector<Offer> offers;
    m_engine.SetOnAddFile([&](TSearchRec& s, const QString& path, bool& ok, int& error) {
        EXPECT_TRUE(ok);
        EXPECT_EQ(error, 0);
        offers.push_back({ path, s.Name, bool(s.Attr & platform::faDirectory) });
        if (s.Name == u"b")
            ok = false;
    });
    m_engine.SetFileMask(QStringLiteral("*.txt"));
    m_engine.SetSearchMode(smSubDirectories);
    ReadPlain(QStringLiteral("w"));
    EXPECT_EQ(m_engine.LastError(), 0);

    // Each directory's files come before its subdirectories, and a subdirectory is walked when offered.
    auto position = [&](const QString& name) {
        for (size_t i = 0; i < offers.size(); ++i) {
            if (offers[i].name == name)
                return int(i);
        }
        return -1;
    };
    ASSERT_EQ(offers.size(), 6u);
    EXPECT_EQ(position(QStringLiteral("top.txt")), 0);
    EXPECT_EQ(position(QStringLiteral("one.txt")), position(QStringLiteral("a")) + 1);
    EXPECT_EQ(position(QStringLiteral("deep")), position(QStringLiteral("one.txt")) + 1);
    EXPECT_EQ(position(QStringLiteral("two.txt")), position(QStringLiteral("deep")) + 1);
    EXPECT_EQ(offers[size_t(position(QStringLiteral("deep")))].path, Path(QStringLiteral("w/a/deep")));
    EXPECT_EQ(offers[size_t(position(QStringLiteral("two.txt")))].path, Path(QStringLiteral("w/a/deep")));
    EXPECT_EQ(position(QStringLiteral("three.txt")), -1);

    EXPECT_EQ(Names(),
        QStringList({ "F:" + Path("w/a/deep/two.txt"), "F:" + Path("w/a/one.txt"), "F:" + Path("w/top.txt") }));
    EXPECT_EQ(m_engine.EntryPath(0), Path(QStringLiteral("w/a/deep/two.txt")));
}

// A walk on worker threads lists what the walk on the reading thread lists, in the same order and with the
// same icons, in every sort and list order: folders whose files and subfolders interleave in the order, names
// that differ in case only, a folder large enough to come over in several batches. The entries then change
// as any do (their facts read, the list sorted again), and a second walk lists them again.
TEST_F(FileListEngineTest, WorkersListWhatTheReadingThreadListsInItsOrder)
{
    const QStringList files = { QStringLiteral("a.txt"), QStringLiteral("A.TXT"), QStringLiteral("b/c.c"),
        QStringLiteral("b/C.CPP"), QStringLiteral("b.txt"), QStringLiteral("b c.jpeg"), QStringLiteral("b-d/e"),
        QStringLiteral("B/f.ZIP"), QStringLiteral("b/g/h.Bat"), QStringLiteral("b/g.dat/i.tar.gz"),
        QStringLiteral("\u00e4rger.txt"), QStringLiteral("\u00c4rger.TXT"), QStringLiteral("x/.hidden"),
        QStringLiteral("x/noext"), QStringLiteral("x/dot."), QStringLiteral("x/\u00e9t\u00e9.\u00c9t\u00e9") };
    for (const QString& f : files)
        MakeFile(f, f.size());
    for (int i = 0; i < 1300; ++i)
        MakeFile(QStringLiteral("many/") + (i % 2 ? QStringLiteral("F") : QStringLiteral("f")) + QString::number(i)
            + (i % 3 ? QStringLiteral(".txt") : QStringLiteral(".Log")));
    m_engine.SetListDetails({ ldSystemDirectories, ldFiles });
    m_engine.SetSearchMode(smSubDirectories);
    m_engine.SetShowSystemFiles(true);
    m_engine.SetWalkThreads(3);
    const TExtStringList categories = TExtStringList::FileCategories();

    const auto listing = [this]() {
        QStringList entries;
        for (int i = 0; i < m_engine.Count(); ++i)
            entries << QString(m_engine.Entry(i).constData(), m_engine.Entry(i).size());
        return entries;
    };
    for (const TFileListOrder order : { flNormal, flInverted }) {
        for (const TFileListSortTypes sortBy : { sbSize, sbType, sbName }) {
            const std::string label = std::to_string(order) + "/" + std::to_string(sortBy);
            m_engine.SetListOrder(order);
            m_engine.SetSortBy(sortBy);
            m_engine.SetParallelWalk({});
            m_engine.ReadDirectory(m_root);
            const QStringList alone = listing();
            ASSERT_EQ(alone.size(), files.size() + 1300 + 2) << label;
            int batches = 0;
            m_engine.SetParallelWalk([&](const TFileListEngine::TWalkBatch&) {
                ++batches;
                return 0;
            });
            for (int walk = 0; walk < 2; ++walk) {
                m_engine.ReadDirectory(m_root);
                EXPECT_EQ(m_engine.LastError(), 0) << label;
                EXPECT_EQ(listing(), alone) << label;
            }
            EXPECT_GT(batches, 2) << label;
            for (int i = 0; i < m_engine.Count(); ++i) {
                if (m_engine.EntryKind(i) == ekFile) {
                    ASSERT_EQ(m_engine.EntryIcon(i), categories.IconOf(NameOf(m_engine.EntryName(i))))
                        << m_engine.EntryName(i).toStdString();
                }
            }
        }
    }

    // Facts read later, and a new order, change the walk's entries as they change any.
    const int x = m_engine.FindEntry(ekFile, Path(QStringLiteral("b/g/h.Bat")));
    ASSERT_GE(x, 0);
    EXPECT_EQ(m_engine.EntrySize(x), QStringLiteral("b/g/h.Bat").size());
    m_engine.SetSortBy(sbSize);
    QStringList bySize;
    for (int i = 0; i < m_engine.Count(); ++i)
        bySize << m_engine.EntryName(i);
    m_engine.SetParallelWalk({});
    m_engine.ReadDirectory(m_root);
    QStringList aloneBySize;
    for (int i = 0; i < m_engine.Count(); ++i)
        aloneBySize << m_engine.EntryName(i);
    EXPECT_EQ(bySize, aloneBySize);
}

TEST_F(FileListEngineTest, WalkStopsAtANonZeroStatusKeepingWhatItTook)
{
    for (int d = 0; d < 3; ++d) {
        for (int f = 0; f < 3; ++f)
            MakeFile(QStringLiteral("s/d%1/f%2.txt").arg(d).arg(f));
    }
    int files = 0, calls = 0;
    m_engine.SetOnAddFile([&](TSearchRec& s, const QString&, bool&, int& error) {
        ++calls;
        if (!(s.Attr & platform::faDirectory) && ++files == 4)
            error = kErrorSearchStopped;
    });
    m_engine.SetSearchMode(smSubDirectories);
    ReadPlain(QStringLiteral("s"));
    EXPECT_EQ(m_engine.LastError(), kErrorSearchStopped);
    EXPECT_EQ(m_engine.Count(), 4);
    EXPECT_EQ(files, 4);
    EXPECT_EQ(calls, 6); // two subdirectories offered, four files
}

TEST_F(FileListEngineTest, WalkSurvivesFoldersThatVanishAndNeverFollowsLinks)
{
    MakeFile(QStringLiteral("v/gone/lost.txt"));
    MakeFile(QStringLiteral("v/kept/found.txt"));
    MakeFile(QStringLiteral("v/target/inside.txt"));
    ASSERT_EQ(::symlink("..", platform::EncodeFileName(Path(QStringLiteral("v/kept/loop"))).constData()), 0);
    ASSERT_EQ(::symlink(platform::EncodeFileName(Path(QStringLiteral("v/target"))).constData(),
                  platform::EncodeFileName(Path(QStringLiteral("v/link"))).constData()),
        0);
    m_engine.SetOnAddFile([&](TSearchRec& s, const QString& path, bool&, int&) {
        if (s.Name == u"gone")
            QDir(path).removeRecursively();
    });
    m_engine.SetSearchMode(smSubDirectories);
    ReadPlain(QStringLiteral("v"));
    EXPECT_EQ(m_engine.LastError(), 0);
    EXPECT_EQ(Names(), QStringList({ "F:" + Path("v/kept/found.txt"), "F:" + Path("v/target/inside.txt") }));
    EXPECT_EQ(m_engine.SkippedDirectories(), 1);
}

TEST_F(FileListEngineTest, NamesReachTheFileSystemExactly)
{
    const QByteArray raw[] = {
        QByteArray("latin1 \xe9t\xe9.txt"),
        QByteArray("new\nline.txt"),
        QByteArray("  blanks  .txt"),
        QByteArray("quo\"te's.txt"),
        QByteArray("-rf.txt"),
        QByteArray("pipe|in|name.txt"),
        QByteArray(251, 'x') + ".txt",
    };
    const QByteArray dir = platform::EncodeFileName(Path(QStringLiteral("n")));
    ASSERT_EQ(::mkdir(dir.constData(), 0755), 0);
    for (const QByteArray& name : raw) {
        const int fd = ::open((dir + '/' + name).constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, name.constData(), size_t(name.size())), name.size());
        ::close(fd);
    }
    for (TSearchModeTypes mode : { smNormal, smSubDirectories }) {
        m_engine.SetSearchMode(mode);
        ReadPlain(QStringLiteral("n"));
        ASSERT_EQ(m_engine.Count(), int(std::size(raw)));
        for (int i = 0; i < m_engine.Count(); ++i) {
            const QByteArray path = platform::EncodeFileName(m_engine.EntryPath(i));
            struct stat st { };
            ASSERT_EQ(::stat(path.constData(), &st), 0) << path.constData();
            EXPECT_EQ(m_engine.EntrySize(i), st.st_size);
            EXPECT_TRUE(std::find(std::begin(raw), std::end(raw), path.mid(dir.size() + 1)) != std::end(raw));
        }
    }
}

TEST_F(FileListEngineTest, WalkReadsFactsWhenAskedAndSkipsPseudoFileSystems)
{
    MakeFile(QStringLiteral("f/sized.txt"), 4321, QDateTime(QDate(2010, 2, 3), QTime(4, 5, 6)));
    m_engine.SetSearchMode(smSubDirectories);
    ReadPlain(QStringLiteral("f"));
    ASSERT_EQ(m_engine.Count(), 1);
    EXPECT_EQ(m_engine.ListSize(), 4321);
    EXPECT_EQ(m_engine.EntryTimeStamp(0),
        platform::PackedLocalTime(QDateTime(QDate(2010, 2, 3), QTime(4, 5, 6)).toSecsSinceEpoch()));
    EXPECT_TRUE(platform::IsPseudoFileSystem(QStringLiteral("/proc")));
    EXPECT_TRUE(platform::IsPseudoFileSystem(QStringLiteral("/sys")));
    EXPECT_FALSE(platform::IsPseudoFileSystem(m_root));
}

// A folder swapped for a link while the walk runs (the handler does the swap when the folder is offered, just
// before it is entered): the walk passes it over and never reports anything outside its tree. A fault would
// walk the link's target; the handler stops the walk at the first entry from outside, so it stays short.
TEST_F(FileListEngineTest, WalkNeverLeavesItsTreeWhenAFolderBecomesALink)
{
    MakeFile(QStringLiteral("outside/secret.txt"));
    MakeFile(QStringLiteral("outside/more/deeper.txt"));
    const QString outside = Path(QStringLiteral("outside"));
    const struct {
        const char* swapped; // relative to the tree
        QString target;
    } cases[] = {
        { "a", QStringLiteral("/") }, { "a", outside }, { "b/inner", outside },
        { "b/inner", QStringLiteral("..") }, // a loop back into the tree
    };
    for (const auto& c : cases) {
        const QString tree = Path(QStringLiteral("tree"));
        QDir(tree).removeRecursively();
        MakeFile(QStringLiteral("tree/top.txt"));
        MakeFile(QStringLiteral("tree/a/one.txt"));
        MakeFile(QStringLiteral("tree/b/two.txt"));
        MakeFile(QStringLiteral("tree/b/inner/three.txt"));
        MakeFile(QStringLiteral("tree/c/four.txt"));
        const QString swapped = tree + QLatin1Char('/') + QLatin1String(c.swapped);

        // Where an entry really is: the folder reported may be a link by now.
        const QString realTree = QFileInfo(tree).canonicalFilePath() + QLatin1Char('/');
        QStringList escaped;
        int swaps = 0;
        m_engine.SetOnAddFile([&](TSearchRec& s, const QString& path, bool&, int& error) {
            const bool folder = s.Attr & platform::faDirectory;
            const QString full = folder ? path : path + QLatin1Char('/') + s.Name;
            const QString real = QFileInfo(folder ? DirectoryOf(path) : path).canonicalFilePath() + QLatin1Char('/');
            if (!real.startsWith(realTree)) {
                escaped << full;
                error = kErrorSearchStopped;
                return;
            }
            if (full == swapped) {
                ++swaps;
                const QByteArray p = platform::EncodeFileName(swapped);
                ASSERT_EQ(::rename(p.constData(), (p + ".moved").constData()), 0);
                ASSERT_EQ(::symlink(platform::EncodeFileName(c.target).constData(), p.constData()), 0);
            }
        });
        m_engine.SetSearchMode(smSubDirectories);
        ReadPlain(QStringLiteral("tree"));

        const std::string label = std::string(c.swapped) + " -> " + c.target.toStdString();
        EXPECT_EQ(swaps, 1) << label;
        EXPECT_TRUE(escaped.isEmpty()) << label << ": " << escaped.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(m_engine.LastError(), 0) << label;
        EXPECT_EQ(m_engine.SkippedDirectories(), 1) << label;
        for (int i = 0; i < m_engine.Count(); ++i)
            EXPECT_TRUE(m_engine.EntryPath(i).startsWith(tree + QLatin1Char('/'))) << label;
        // The folders beside the swapped one are walked as before.
        EXPECT_GE(m_engine.FindEntry(ekFile, tree + QStringLiteral("/c/four.txt")), 0) << label;
        EXPECT_GE(m_engine.FindEntry(ekFile, tree + QStringLiteral("/top.txt")), 0) << label;
    }
}

// A walk on worker threads: the findings of a folder reach the reading thread while other folders are still
// being read, a stop reaches a worker that is busy with a file, and only what came over before the stop is
// listed.
TEST_F(FileListEngineTest, WorkersHandOverBatchesWhileTheWalkRunsAndStopAtOnce)
{
    MakeFile("a.txt");
    MakeFile("b.txt");
    MakeFile("sub/slow.txt");
    MakeFile("sub/deeper/c.txt");
    m_engine.SetListDetails({ ldFiles });
    m_engine.SetSearchMode(smSubDirectories);
    m_engine.SetTextCase(tcNone);
    m_engine.SetWalkThreads(2);

    // The test of slow.txt waits until the reading thread holds the top folder's entries: a walk that handed
    // nothing over before it ended would wait for ever.
    std::atomic<bool> topListed { false };
    const auto makeTest = [&](const std::atomic<bool>& stop) -> TFileListEngine::TFileTest {
        return [&topListed, &stop](const TDirectoryReader&, const QString&, const char* name, const TSearchRec&) {
            if (std::strcmp(name, "slow.txt") == 0) {
                while (!topListed && !stop)
                    std::this_thread::yield();
            }
            return true;
        };
    };
    qint64 files = 0;
    int folders = 0;
    m_engine.SetParallelWalk(
        [&](const TFileListEngine::TWalkBatch& batch) {
            files += batch.Files;
            folders += batch.Folders;
            if (m_engine.Count() >= 2)
                topListed = true;
            return 0;
        },
        makeTest);
    m_engine.ReadDirectory(m_root);
    EXPECT_EQ(m_engine.LastError(), 0);
    EXPECT_EQ(files, 4);
    EXPECT_EQ(folders, 3);
    ASSERT_EQ(m_engine.Count(), 4);
    EXPECT_EQ(m_engine.EntryPath(3), Path("sub/slow.txt"));

    // Stopped while a worker tests slow.txt, which it would do for ever: the walk ends, keeping the top
    // folder's entries and nothing after the stop.
    m_engine.SetParallelWalk(
        [&](const TFileListEngine::TWalkBatch&) { return m_engine.Count() >= 2 ? kErrorSearchStopped : 0; },
        [&](const std::atomic<bool>& stop) -> TFileListEngine::TFileTest {
            return [&stop](const TDirectoryReader&, const QString&, const char* name, const TSearchRec&) {
                while (std::strcmp(name, "slow.txt") == 0 && !stop)
                    std::this_thread::yield();
                return true;
            };
        });
    m_engine.ReadDirectory(m_root);
    EXPECT_EQ(m_engine.LastError(), kErrorSearchStopped);
    QStringList listed;
    for (int i = 0; i < m_engine.Count(); ++i)
        listed << m_engine.EntryPath(i);
    EXPECT_TRUE(listed.contains(Path("a.txt")) && listed.contains(Path("b.txt")));
    EXPECT_FALSE(listed.contains(Path("sub/slow.txt")));
}

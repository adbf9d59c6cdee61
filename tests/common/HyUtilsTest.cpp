// Text, list, path and file helpers.
#include "common/HyUtils.h"
#include "common/ErrorText.h"
#include "support/TempFiles.h"

#include <QDir>
#include <QFile>

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
using namespace hy::common;

namespace {

using hy::test::ReadAll;

mode_t ModeOf(const QString& path)
{
    struct stat st { };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// Permission refusals do not happen to root; such checks run in a child that has given root up.
int AsUnprivileged(const std::function<int()>& action)
{
    if (::geteuid() != 0)
        return action();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(255);
        ::_exit(action() & 0xFF);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(HyUtils, NumberTexts)
{
    const std::pair<qint64, const char*> thousands[]
        = { { 0, "0" }, { 999, "999" }, { 1000, "1,000" }, { 1234567, "1,234,567" }, { -1234, "-1,234" },
              { -123, "-123" }, { std::numeric_limits<qint64>::max(), "9,223,372,036,854,775,807" } };
    for (const auto& [value, text] : thousands)
        EXPECT_EQ(hy::common::ThousandsText(value), text);

    const std::pair<const char*, qint64> numbers[]
        = { { " 1 2 ", 12 }, { "-5", -5 }, { "", 0 }, { "abc", 0 }, { "12a", 0 }, { "  600", 600 } };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(hy::common::NumberFromText(QString::fromLatin1(text)), value) << text;

    struct Pad {
        qint64 value;
        int width;
        const char* text;
    };
    const Pad pads[] = { { 5, 3, "005" }, { -5, 3, "-05" }, { 123, 2, "123" }, { -123, 3, "-123" }, { -7, 0, "-7" },
        { 0, 2, "00" } };
    for (const auto& p : pads)
        EXPECT_EQ(hy::common::ZeroPadded(p.value, p.width), p.text) << p.value << " " << p.width;

    EXPECT_EQ(hy::common::PluralSuffix(1), "");
    EXPECT_EQ(hy::common::PluralSuffix(0), "s");
    EXPECT_EQ(hy::common::PluralSuffix(2), "s");
    EXPECT_EQ(hy::common::RemoveBlanks(QStringLiteral(" a b  c ")), "abc");
}

TEST(HyUtils, Wildcards)
{
    EXPECT_TRUE(hy::common::HasWildcards(QStringLiteral("a*")));
    EXPECT_TRUE(hy::common::HasWildcards(QStringLiteral("a?b")));
    EXPECT_FALSE(hy::common::HasWildcards(QStringLiteral("/a/b.txt")));
    struct Match {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Match cases[] = { { "*.txt", "a.txt", true }, { "*.txt", "a.TXT", false }, { "a?c", "abc", true },
        { "a?c", "ac", false }, { "*.*", "README", true }, { "a*b*c", "aXbYc", true }, { "a*b", "ab c", false },
        { "*", "", true }, { "*x", "xxx", true } };
    for (const auto& c : cases)
        EXPECT_EQ(hy::common::WildcardMatch(QString::fromLatin1(c.pattern), QString::fromLatin1(c.name)), c.matches)
            << c.pattern << " " << c.name;
}

TEST(HyUtils, PathParts)
{
    EXPECT_EQ(hy::common::JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(hy::common::JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(hy::common::JoinPath("/", "b"), "/b");
    EXPECT_EQ(hy::common::JoinPath("", "b"), "b");
    EXPECT_EQ(hy::common::DirectoryOf("/a/b.txt"), "/a");
    EXPECT_EQ(hy::common::DirectoryOf("/b.txt"), "/");
    EXPECT_EQ(hy::common::DirectoryOf("b.txt"), "");
    EXPECT_EQ(hy::common::DirectoryOf("/a/b/"), "/a/b");
    EXPECT_EQ(hy::common::DirectoryOf("x/*.txt"), "x");
    EXPECT_EQ(hy::common::AttributeLetters(hy::common::kAttrReadOnly | hy::common::kAttrHidden
                  | hy::common::kAttrSysFile | hy::common::kAttrArchive),
        "RHSA");
    EXPECT_EQ(
        hy::common::AttributeLetters(hy::common::kAttrArchive | hy::common::kAttrReadOnly | hy::common::kAttrDirectory),
        "RA");
    EXPECT_EQ(hy::common::AttributeLetters(hy::common::kAttrDirectory), "");
}

// The one matcher behind the page a file opens on and the icon it gets: a whole entry of a dotted list, in
// either stored form.
TEST(HyUtils, ExtensionsAreComparedWhole)
{
    const char* const images = ".BMP.ICO.WMF.PCX.ST.JPG.PNG.GIF.TIF.JPEG.TIFF.WEBP";
    const char* const padded = ".PAS.BAS.C...CPP";
    const struct {
        const char* extension;
        const char* list;
        bool in;
    } cases[] = {
        { ".PNG", images, true },
        { "PNG", images, true },
        { ".png", images, true },
        { ".ST", images, true },
        { ".TIFF", images, true },
        { ".S", images, false },
        { ".P", images, false },
        { ".JP", images, false },
        { ".NG", images, false },
        { ".PNG.", images, false },
        { ".", images, false },
        { "", images, false },
        { ".ZI", ".ZIP", false },
        { ".ZIP", ".ZIP", true },
        { ".C", padded, true },
        { ".CPP", padded, true },
        { ".CP", padded, false },
        { ".PA", padded, false },
        { ".", padded, false },
        { ".PNG", "", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(hy::common::ExtensionInList(QString::fromLatin1(c.extension), QString::fromLatin1(c.list)), c.in)
            << c.extension << " in " << c.list;
}

TEST(HyUtils, GetListItem)
{
    struct Item {
        const char* list;
        int n;
        const char* expected;
    };
    const Item cases[] = {
        { "10,20,600,400", 3, "600" },
        { "10,20,600,400", 4, "400" },
        { "10,20,600,400", 5, "def" },
        { "10, 20 ,30", 2, "20" },
        { "10, 20 ,30", 3, "30" },
        { "\"Courier New\",10", 1, "Courier New" },
        { "\"Courier New\",10", 2, "10" },
        { "a \"b c\",d", 2, "b c" },
        { "ab\"c d\"e f", 1, "abc de" },
        { "ab\"c d\"e f", 2, "f" },
        { "\"\" 5", 1, "def" },
        { "\"\" 5", 2, "5" },
        { " , a", 1, "a" },
        { "a,b", 0, "def" },
        { "", 1, "def" },
        { "\"unclosed, item", 1, "unclosed, item" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(hy::common::GetListItem(QString::fromLatin1(c.list), c.n, QStringLiteral("def")), c.expected)
            << c.list << " #" << c.n;

    // Only the first 255 characters count.
    EXPECT_EQ(hy::common::GetListItem(QString(252, QLatin1Char('x')) + QStringLiteral(" tail"), 2), "ta");
    EXPECT_EQ(hy::common::GetListItem(QString(255, QLatin1Char('x')) + QStringLiteral(" tail"), 2, "none"), "none");
}

TEST(HyUtils, ShellWords)
{
    struct Case {
        const char* text;
        QStringList words;
        bool ok;
    } cases[] = {
        { "/path/rec.sh --opt1 \"two words\" -x", { "/path/rec.sh", "--opt1", "two words", "-x" }, true },
        { "\"/opt/My Editor/ed\" --new", { "/opt/My Editor/ed", "--new" }, true },
        { "'/opt/My Editor/ed' 'a \"b\" c'", { "/opt/My Editor/ed", "a \"b\" c" }, true },
        { "ed --title=\"a b\"c", { "ed", "--title=a bc" }, true },
        { "ed a\\ b \"q\\\"t\" '\\n'", { "ed", "a b", "q\"t", "\\n" }, true },
        { "  spaced \t  out  ", { "spaced", "out" }, true },
        { "ed \"\" ''", { "ed", "", "" }, true },
        { "ed \"open ended", { "ed", "open ended" }, false },
        { "", {}, true },
    };
    for (const Case& c : cases) {
        bool ok = !c.ok;
        EXPECT_EQ(hy::common::SplitShellWords(QString::fromUtf8(c.text), &ok), c.words) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
}

TEST(HyUtils, EnvironmentValue)
{
    qputenv("HY_TEST_ENV_Value", "v1");
    EXPECT_EQ(hy::common::GetEnvVar(QStringLiteral("hy_test_env_value")), "v1");
    EXPECT_EQ(hy::common::EnvironmentValue(QStringLiteral("HY_TEST_ENV_VALUE")), "v1");
    EXPECT_EQ(hy::common::GetEnvVar(QStringLiteral("HY_TEST_ENV_VAL")), "");
    EXPECT_EQ(hy::common::GetEnvVar(QString()), "");
    qunsetenv("HY_TEST_ENV_Value");
    EXPECT_EQ(hy::common::GetEnvVar(QStringLiteral("hy_test_env_value")), "");
    EXPECT_FALSE(hy::common::WindowsDirectory().isEmpty());
}

TEST(HyUtils, PackedDates)
{
    const QDateTime t(QDate(2021, 5, 17), QTime(13, 45, 30));
    EXPECT_EQ(hy::common::UnpackDateTime(hy::common::PackDateTime(t)), t);
    EXPECT_EQ(
        hy::common::UnpackDateTime(hy::common::PackDateTime(QDateTime(QDate(2021, 5, 17), QTime(13, 45, 31)))), t);
    EXPECT_EQ(hy::common::UnpackDateTime(hy::common::PackDateTime(QDateTime(QDate(1970, 1, 1), QTime(5, 0)))),
        QDateTime(QDate(1980, 1, 1), QTime(0, 0)));
    EXPECT_FALSE(hy::common::UnpackDateTime(0).isValid());
}

class HyFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        ::chmod(QFile::encodeName(m_dir.Path()).constData(), 0777);
    }
    QString Path(const QString& name) const { return m_dir.PathOf(name); }
    void WriteFile(const QString& path, const QByteArray& data) { ASSERT_FALSE(m_dir.Write(path, data).isEmpty()); }
    hy::test::TTempFolder m_dir;
};

TEST_F(HyFiles, ExistenceSizeAndAttributes)
{
    WriteFile(Path("a.txt"), "hello");
    WriteFile(Path(".hidden"), "x");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe")).constData(), 0644), 0);

    EXPECT_TRUE(hy::common::FileExists(Path("a.txt")));
    EXPECT_TRUE(hy::common::FileExists(Path("*.txt")));
    EXPECT_TRUE(hy::common::FileExists(Path("?.t?t")));
    EXPECT_FALSE(hy::common::FileExists(Path("*.doc")));
    EXPECT_FALSE(hy::common::FileExists(Path("missing/*.txt")));
    EXPECT_EQ(hy::common::FileSize(Path("*.txt")), 5);
    EXPECT_EQ(hy::common::FileSize(Path("b.txt")), -1);
    EXPECT_EQ(hy::common::FileDate(Path("b.txt")), 0);
    EXPECT_NE(hy::common::FileDate(Path("a.txt")), 0);

    EXPECT_TRUE(hy::common::DirectoryExists(m_dir.Path()));
    EXPECT_TRUE(hy::common::DirectoryExists(m_dir.Path() + "/"));
    EXPECT_TRUE(hy::common::DirectoryExists(Path("*.txt")));
    EXPECT_TRUE(hy::common::DirectoryExists(QStringLiteral("/")));
    EXPECT_FALSE(hy::common::DirectoryExists(Path("a.txt")));
    EXPECT_FALSE(hy::common::DirectoryExists(Path("missing")));
    EXPECT_NE(hy::common::DirectoryAttributes(m_dir.Path()) & hy::common::kAttrDirectory, 0);
    EXPECT_EQ(hy::common::DirectoryAttributes(Path("a.txt")), 0);

    EXPECT_EQ(hy::common::FileAttributes(Path("a.txt")), 0);
    EXPECT_EQ(hy::common::FileAttributes(Path(".hidden")), hy::common::kAttrHidden);
    EXPECT_EQ(hy::common::FileAttributes(Path("pipe")), hy::common::kAttrSysFile);
    ::chmod(QFile::encodeName(Path("a.txt")).constData(), 0444);
    const QString file = Path("a.txt");
    EXPECT_EQ(AsUnprivileged([&] { return hy::common::FileAttributes(file); }), hy::common::kAttrReadOnly);
}

TEST_F(HyFiles, CreateDirectoriesAndDates)
{
    EXPECT_EQ(hy::common::CreateDirectories(Path("a/b/c/")), 0);
    EXPECT_TRUE(hy::common::DirectoryExists(Path("a/b/c")));
    EXPECT_EQ(hy::common::CreateDirectories(Path("a/b/c")), 0);
    WriteFile(Path("f"), "x");
    EXPECT_EQ(hy::common::CreateDirectories(Path("f/x")), 3);

    const QDateTime when(QDate(2010, 6, 15), QTime(12, 30, 0));
    EXPECT_EQ(hy::common::SetFileDate(Path("f"), hy::common::PackDateTime(when)), 0);
    EXPECT_EQ(hy::common::FileDateTime(Path("f")), when);
    EXPECT_EQ(hy::common::FileDate(Path("f")), hy::common::PackDateTime(when));
    EXPECT_EQ(hy::common::SetFileDate(Path("none"), hy::common::PackDateTime(when)), 2);
}

TEST_F(HyFiles, DeleteWithAndWithoutForce)
{
    WriteFile(Path("a"), "x");
    EXPECT_EQ(hy::common::FileDelete(Path("a"), false), 0);
    EXPECT_FALSE(hy::common::FileExists(Path("a")));
    EXPECT_EQ(hy::common::FileDelete(Path("a"), false), 2);
    EXPECT_EQ(hy::common::FileDelete(Path("no/a"), false), 3);

    ASSERT_TRUE(QDir(m_dir.Path()).mkdir("locked"));
    WriteFile(Path("locked/b"), "x");
    ::chmod(QFile::encodeName(Path("locked")).constData(), 0555);
    const QString b = Path("locked/b");
    const mode_t before = ModeOf(b);
    EXPECT_EQ(AsUnprivileged([&] { return hy::common::FileDelete(b, false); }), 5);
    EXPECT_EQ(AsUnprivileged([&] { return hy::common::FileDelete(b, true); }), 5);
    EXPECT_TRUE(hy::common::FileExists(b));
    EXPECT_EQ(ModeOf(b), before);
}

TEST_F(HyFiles, CopyCarriesContentDateAndPermissions)
{
    QByteArray data;
    for (int i = 0; i < 200000; ++i)
        data.append(char(i * 7));
    const QString src = Path("src.bin");
    WriteFile(src, data);
    ::chmod(QFile::encodeName(src).constData(), 0640);
    const QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6));
    ASSERT_EQ(hy::common::SetFileDateTime(src, when), 0);

    for (const qint64 size : { qint64(200000), hy::common::kCopyBlockSize, qint64(0) }) {
        WriteFile(src, data.left(size));
        ::chmod(QFile::encodeName(src).constData(), 0640);
        ASSERT_EQ(hy::common::SetFileDateTime(src, when), 0);
        const QString dst = Path(QStringLiteral("copy%1.bin").arg(size));
        ASSERT_EQ(hy::common::FileCopy(src, dst), 0) << size;
        EXPECT_EQ(ReadAll(dst), data.left(size));
        EXPECT_EQ(hy::common::FileDateTime(dst), when);
        EXPECT_EQ(ModeOf(dst), mode_t(0640));
    }
}

TEST_F(HyFiles, CopyRefusals)
{
    const QString src = Path("src.txt");
    WriteFile(src, "precious");

    EXPECT_EQ(hy::common::FileCopy(src, src), hy::base::kErrorCopySameFile);
    EXPECT_EQ(hy::common::FileCopy(src, m_dir.Path() + "/./src.txt"), hy::base::kErrorCopySameFile);
    // A second name of the same file must not empty it.
    ASSERT_EQ(::link(QFile::encodeName(src).constData(), QFile::encodeName(Path("link.txt")).constData()), 0);
    EXPECT_EQ(hy::common::FileCopy(src, Path("link.txt")), hy::base::kErrorCopySameFile);
    EXPECT_EQ(ReadAll(src), "precious");

    EXPECT_EQ(hy::common::FileCopy(Path("missing"), Path("x")), 2);
    EXPECT_EQ(hy::common::FileCopy(src, Path("nodir/x")), 3);
    EXPECT_EQ(hy::common::FileCopy(m_dir.Path(), Path("x")), 5);
    EXPECT_FALSE(hy::common::FileExists(Path("x")));

    ASSERT_TRUE(QDir(m_dir.Path()).mkdir("ro"));
    ::chmod(QFile::encodeName(Path("ro")).constData(), 0555);
    const QString target = Path("ro/copy.txt");
    EXPECT_EQ(AsUnprivileged([&] { return hy::common::FileCopy(src, target); }), 5);
    EXPECT_FALSE(hy::common::FileExists(target));

    // An existing target that may not be written stays as it was.
    WriteFile(Path("keep.txt"), "old");
    ::chmod(QFile::encodeName(Path("keep.txt")).constData(), 0444);
    const QString keep = Path("keep.txt");
    EXPECT_EQ(AsUnprivileged([&] { return hy::common::FileCopy(src, keep); }), 5);
    EXPECT_EQ(ReadAll(keep), "old");
}

TEST_F(HyFiles, CopyOfChangingSizeIsDeleted)
{
    // Files under /proc report size 0 but read back text: the copy comes out a different size.
    const QString dst = Path("status");
    EXPECT_EQ(hy::common::FileCopy(QStringLiteral("/proc/self/status"), dst), hy::base::kErrorCopySizeMismatch);
    EXPECT_FALSE(hy::common::FileExists(dst));

    // A failed copy over an existing file leaves that file as it was, and no temporary file behind.
    WriteFile(Path("existing.txt"), "old");
    EXPECT_EQ(hy::common::FileCopy(QStringLiteral("/proc/self/status"), Path("existing.txt")),
        hy::base::kErrorCopySizeMismatch);
    EXPECT_EQ(ReadAll(Path("existing.txt")), "old");
    EXPECT_EQ(QDir(m_dir.Path()).entryList(QDir::Files).filter("hycopy").size(), 0);
}

TEST_F(HyFiles, PipesAndDevicesAreNotCopied)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
    EXPECT_EQ(hy::common::FileCopy(Path("fifo"), Path("out")), 5);
    EXPECT_EQ(hy::common::FileCopy(QStringLiteral("/dev/zero"), Path("out")), 5);
    EXPECT_FALSE(hy::common::FileExists(Path("out")));
}

} // namespace

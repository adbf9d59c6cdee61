// The settings file: values come back exactly as written, values typed by hand are read as they stand, a
// file that cannot be written says why, and one that is no regular file or is too large is never waited on.
#include "platform/ProfileFile.h"

#include "base/HyExceptions.h"

#include "base/ErrorCodes.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformFiles.h"
#include "platform/SettingsStore.h"
#include "support/QtPrinters.h"
#include "support/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hy;
using namespace hy::platform;
using namespace hy::base;

TEST(ProfileFile, EveryValueRoundTrips)
{
    const QString values[] = {
        "10,20,600,400",
        "/path/rec.sh --opt1 \"two words\" -x",
        "\"/opt/My Editor/ed\" --new",
        "\"quoted\"",
        "\"",
        "\"\"",
        "ends with a backslash\\",
        "\"odd\\\"",
        "  lead and trail  ",
        "\ttab",
        "semi;colon # not a comment",
        "=eq=",
        "line\nbreak\r\n",
        "back\\slash \\\" \\n",
        "",
        QString::fromUtf8("Grüße €"),
    };
    hy::test::TTempFolder dir;
    const QString path = dir.PathOf("s.conf");
    {
        TProfileFile file;
        for (int i = 0; i < int(std::size(values)); ++i)
            file.Set("File Viewer", QString("v%1").arg(i), values[i]);
        ASSERT_EQ(TProfileFile::Save(path, file.Text()), 0);
    }
    const TProfileFile file(path);
    for (int i = 0; i < int(std::size(values)); ++i) {
        QString read = "unset";
        EXPECT_TRUE(file.Find("File Viewer", QString("v%1").arg(i), read));
        EXPECT_EQ(read, values[i]) << i;
    }
}

// A section of any name, one read from a file typed by hand included, is written so that it reads back as the
// same section: writing a file twice gives the same text.
TEST(ProfileFile, EverySectionNameRoundTrips)
{
    const QString names[] = {
        "File Viewer",
        "Old%20Style",
        "100% sure",
        "a]b",
        " edge blanks ",
        QString("form\ffeed"),
        QString::fromUtf8("Grüße"),
        QString(QChar(0)) + "nul",
        "",
    };
    hy::test::TTempFolder dir;
    const QString path = dir.PathOf("s.conf");
    TProfileFile file;
    for (int i = 0; i < int(std::size(names)); ++i)
        file.Set(names[i], "k", QString::number(i));
    ASSERT_EQ(TProfileFile::Save(path, file.Text()), 0);
    const TProfileFile again(path);
    for (int i = 0; i < int(std::size(names)); ++i) {
        QString read;
        EXPECT_TRUE(again.Find(names[i], "k", read)) << i;
        EXPECT_EQ(read, QString::number(i)) << i;
    }
    EXPECT_EQ(again.Text(), file.Text());
    // Plain names stay as a person would type them.
    EXPECT_TRUE(file.Text().startsWith("[File Viewer]\nk=0\n"));
}

TEST(ProfileFile, HandWrittenValuesAreTakenAsTheyStand)
{
    hy::test::TTempFolder dir;
    const QString path = dir.Write("s.conf",
        "; written by hand\n"
        "[File%20Viewer]\n"
        "Editor=/path/rec.sh --opt1 \"two words\" -x\n"
        "  Spaced  =  value with blanks  \n"
        "Quoted=\"a, b\"\n"
        "Windows=C:\\Tools\\ed.exe\n"
        "# another comment\n"
        "NoEquals\n"
        "\n"
        "[file viewer]\n"
        "Other=case of the section counts\n"
        "[File Viewer]\n"
        "Editor=the last one wins\n");
    ASSERT_FALSE(path.isEmpty());
    const TProfileFile file(path);
    const std::pair<const char*, const char*> cases[] = {
        { "Spaced", "value with blanks" },
        { "Quoted", "a, b" },
        { "Windows", "C:\\Tools\\ed.exe" },
        { "Editor", "the last one wins" },
    };
    for (const auto& [name, value] : cases) {
        QString read;
        EXPECT_TRUE(file.Find("File Viewer", name, read)) << name;
        EXPECT_EQ(read, QString::fromUtf8(value)) << name;
    }
    QString read;
    EXPECT_FALSE(file.Find("File Viewer", "NoEquals", read));
    EXPECT_FALSE(file.Find("File Viewer", "Other", read));
    EXPECT_TRUE(file.Find("FILE VIEWER", "other", read, Qt::CaseInsensitive));

    // The settings store reads the editor as it stands, and writes it back unchanged.
    dir.Write("e.conf", "[File Viewer]\nEditor=/path/rec.sh --opt1 \"two words\" -x\n");
    {
        SettingsStore store(dir.PathOf("e.conf"));
        const QString editor = store.ReadString("File Viewer", "Editor", "");
        EXPECT_EQ(editor, "/path/rec.sh --opt1 \"two words\" -x");
        store.WriteString("File Viewer", "Editor", editor);
        store.Flush();
    }
    EXPECT_EQ(hy::test::ReadAll(dir.PathOf("e.conf")), "[File Viewer]\nEditor=/path/rec.sh --opt1 \"two words\" -x\n");
}

TEST(ProfileFile, AStoreKeepsWhatAnotherWroteMeanwhile)
{
    hy::test::TTempFolder dir;
    const QString path = dir.PathOf("Halcyra/Brimlow.conf");
    SettingsStore first(path);
    SettingsStore second(path);
    first.WriteString("A", "one", "1");
    first.Flush();
    second.WriteString("A", "two", "2");
    second.Flush();
    SettingsStore third(path);
    EXPECT_EQ(third.ReadString("A", "one", ""), "1");
    EXPECT_EQ(third.ReadString("A", "two", ""), "2");
}

TEST(ProfileFile, AFileThatCannotBeWrittenSaysWhy)
{
    hy::test::TTempFolder dir;
    dir.Write("plainfile", "x");
    // A folder that cannot exist (its parent is a file) fails even for root, with the true cause.
    EXPECT_EQ(TProfileFile::Save(dir.PathOf("plainfile/s.conf"), "[A]\nb=c\n"), kErrorPathNotFound);
    EXPECT_EQ(TProfileFile::Save(dir.PathOf("plainfile/deeper/s.conf"), "[A]\nb=c\n"), kErrorPathNotFound);
    EXPECT_EQ(TProfileFile::Save(dir.PathOf(QString(300, 'n') + ".conf"), "[A]\n"), kErrorNameTooLong);
    // A failed save leaves nothing behind beside the target.
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList({ "plainfile" }));

    SettingsStore store(dir.PathOf("plainfile/s.conf"));
    store.WriteString("A", "b", "c");
    try {
        store.Flush();
        ADD_FAILURE() << "the flush should fail";
    } catch (const hy::base::EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), kErrorPathNotFound);
        EXPECT_TRUE(e.Message().contains(dir.PathOf("plainfile/s.conf")));
    }
}

// Settings files that are not regular files, or are too large, are refused at once and never written over.
TEST(ProfileFile, OnlyARegularFileOfBoundedSizeIsReadAndNoneOtherIsWaitedOn)
{
    hy::test::TTempFolder dir;
    const QString fifo = dir.PathOf("fifo.conf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString toZero = dir.PathOf("zero.conf");
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(toZero).constData()), 0);
    const QString folder = dir.PathOf("folder.conf");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray huge = "[A]\nb=c\n" + QByteArray(kMaxProfileFileSize, ';');
    const QString large = dir.Write("large.conf", huge);
    const QString fits = dir.Write("fits.conf", "[A]\nb=c\n" + QByteArray(kMaxProfileFileSize - 8, ';'));

    struct Case {
        QString path;
        int error;
    } cases[] = {
        { fifo, kErrorNotRegularFile },
        { toZero, kErrorNotRegularFile },
        { "/dev/null", kErrorNotRegularFile },
        { folder, kErrorNotRegularFile },
        { large, kErrorFileTooLarge },
        { fits, 0 },
        { dir.PathOf("missing.conf"), 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        // Opening the pipe to read would wait for a writer for ever.
        const TProfileFile file(c.path);
        EXPECT_EQ(file.ReadError(), c.error);
        QString value;
        EXPECT_EQ(file.Find("A", "b", value), c.path == fits);

        // The store reads defaults, and a flush writes over nothing it could not read.
        SettingsStore store(c.path);
        EXPECT_EQ(store.ReadError(), c.error);
        EXPECT_EQ(store.ReadInteger("A", "n", 7), 7);
        store.WriteString("A", "b", "new");
        if (c.error == 0) {
            EXPECT_NO_THROW(store.Flush());
            continue;
        }
        try {
            store.Flush();
            ADD_FAILURE() << "the flush should refuse";
        } catch (const hy::base::EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), c.error);
        }
    }
    EXPECT_EQ(hy::test::ReadAll(large), huge) << "a file too large is left as it was";
    EXPECT_EQ(QFileInfo(toZero).symLinkTarget(), "/dev/zero");
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());

    QByteArray contents = "old";
    EXPECT_EQ(ReadSmallFile(dir.Write("small", "12345"), 5, contents), 0);
    EXPECT_EQ(contents, "12345");
    EXPECT_EQ(ReadSmallFile(dir.Write("small", "123456"), 5, contents), kErrorFileTooLarge);
    EXPECT_TRUE(contents.isEmpty());
}

TEST(ProfileFile, AWinIniThatCannotBeReadCountsAsAbsent)
{
    hy::test::TTempFolder dir;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.Path()));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(WinIniPath()).path()));
    const QString stock = ReadProfileString("mci extensions", "wav", "none");
    ASSERT_EQ(stock, "waveaudio");
    dir.Write(WinIniPath(), "[mci extensions]\nwav=other\n");
    EXPECT_EQ(ReadProfileString("mci extensions", "wav", "none"), "other");
    QFile::remove(WinIniPath());
    ASSERT_EQ(::mkfifo(QFile::encodeName(WinIniPath()).constData(), 0600), 0);
    EXPECT_EQ(TProfileFile(WinIniPath()).ReadError(), kErrorNotRegularFile);
    EXPECT_EQ(ReadProfileString("mci extensions", "wav", "none"), stock);
    EXPECT_EQ(ReadProfileString("Extensions", "txt", "def"), "def");
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

// Entry kinds, copies that can be stopped, and files that take their name only when written whole.
#include "platform/PlatformFiles.h"

#include "base/ErrorCodes.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "support/QtPrinters.h"
#include "support/TempFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace hy;
using namespace hy::platform;
using namespace hy::base;

namespace {
QStringList Entries(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System); }
} // namespace

TEST(PlatformFiles, KindsOfEntries)
{
    hy::test::TTempFolder dir;
    const QString file = dir.Write("a.wav", "x");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.PathOf("fifo.wav")).constData(), 0600), 0);
    QFile::link(dir.PathOf("loop1"), dir.PathOf("loop2"));
    QFile::link(dir.PathOf("loop2"), dir.PathOf("loop1"));
    const QString odd = dir.Write(DecodeFileName("odd\xff\xfe.txt"), "bytes");
    ASSERT_FALSE(odd.isEmpty());
    struct Case {
        QString path;
        EntryKind kind;
        int code;
    } cases[] = {
        { file, EntryKind::RegularFile, 0 },
        { odd, EntryKind::RegularFile, 0 },
        { dir.Path(), EntryKind::Directory, 0 },
        { dir.PathOf("fifo.wav"), EntryKind::Other, 0 },
        { "/dev/null", EntryKind::Other, 0 },
        { dir.PathOf("missing"), EntryKind::Missing, kErrorFileNotFound },
        { dir.PathOf("loop1"), EntryKind::Missing, kErrorLinkLoop },
        { dir.PathOf(QString(300, 'n')), EntryKind::Missing, kErrorNameTooLong },
    };
    for (const Case& c : cases) {
        int code = -1;
        EXPECT_EQ(KindOf(c.path, &code), c.kind) << c.path.toStdString();
        EXPECT_EQ(code, c.code) << c.path.toStdString();
    }
    EXPECT_EQ(ReadFileFacts(odd).size, 5);
    EXPECT_TRUE(IsExecutableFile(dir.Write("run", "#!/bin/sh\n", 0755)));
    EXPECT_FALSE(IsExecutableFile(file));
    EXPECT_FALSE(IsExecutableFile(dir.Path()));
}

TEST(PlatformFiles, OpenForReadingTakesOnlyARegularFileAndNeverWaitsOnAPipe)
{
    hy::test::TTempFolder dir;
    const QString odd = dir.Write(DecodeFileName("odd\xff\xfe.txt"), "bytes");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.PathOf("fifo")).constData(), 0600), 0);
    {
        QFile file;
        ASSERT_EQ(OpenForReading(file, odd), 0);
        EXPECT_EQ(file.readAll(), "bytes");
    }
    const struct {
        QString Path;
        int Code;
    } refused[] = {
        { dir.PathOf("fifo"), kErrorAccessDenied },
        { dir.Path(), kErrorAccessDenied },
        { "/dev/null", kErrorAccessDenied },
        { dir.PathOf("missing"), kErrorFileNotFound },
    };
    for (const auto& c : refused) {
        QFile file;
        EXPECT_EQ(OpenForReading(file, c.Path), c.Code) << c.Path.toStdString();
        EXPECT_FALSE(file.isOpen()) << c.Path.toStdString();
    }
}

TEST(PlatformFiles, AStoppedCopyLeavesNoTargetAndKeepsAnOldOne)
{
    hy::test::TTempFolder dir;
    const QByteArray data(1 << 20, 'd');
    const QString source = dir.Write("source.bin", data);
    const QString target = dir.PathOf("target.bin");
    std::vector<qint64> seen;
    const auto stopAtThird = [&](qint64 done, qint64 total) {
        EXPECT_EQ(total, data.size());
        seen.push_back(done);
        return seen.size() < 3;
    };
    EXPECT_EQ(CopyFileData(source, target, 65536, stopAtThird), hy::base::kErrorSearchStopped);
    EXPECT_EQ(seen, (std::vector<qint64> { 65536, 131072, 196608 }));
    EXPECT_EQ(Entries(dir.Path()), QStringList({ "source.bin" }));

    dir.Write("target.bin", "old");
    EXPECT_EQ(CopyFileData(source, target, 65536, stopAtThird), hy::base::kErrorSearchStopped);
    EXPECT_EQ(hy::test::ReadAll(target), "old");

    // Told of every block to the end, the copy completes.
    seen.clear();
    EXPECT_EQ(CopyFileData(source, target, 65536,
                  [&](qint64 done, qint64) {
                      seen.push_back(done);
                      return true;
                  }),
        0);
    EXPECT_EQ(seen.back(), data.size());
    EXPECT_EQ(hy::test::ReadAll(target), data);
}

TEST(PlatformFiles, AReplacingFileTakesItsNameOnlyWhenWrittenWhole)
{
    hy::test::TTempFolder dir;
    const QString target = dir.Write("out.txt", "old");
    {
        TReplacingFile out(target);
        ASSERT_EQ(out.Open(), 0);
        EXPECT_EQ(out.Write("new text"), 0);
        EXPECT_EQ(hy::test::ReadAll(target), "old") << "nothing changes before the commit";
    }
    EXPECT_EQ(hy::test::ReadAll(target), "old") << "an abandoned write leaves the old file";
    EXPECT_EQ(Entries(dir.Path()), QStringList({ "out.txt" }));
    {
        TReplacingFile out(target);
        ASSERT_EQ(out.Open(), 0);
        EXPECT_EQ(out.Write("new text"), 0);
        EXPECT_EQ(out.Commit(), 0);
    }
    EXPECT_EQ(hy::test::ReadAll(target), "new text");

    // A device is not replaced by a file, and a folder that is a file gives its code.
    TReplacingFile device(QStringLiteral("/dev/null"));
    EXPECT_EQ(device.Open(), kErrorAccessDenied);
    TReplacingFile nowhere(dir.PathOf("out.txt/inside"));
    EXPECT_EQ(nowhere.Open(), kErrorPathNotFound);
    EXPECT_EQ(nowhere.Write("x"), kErrorPathNotFound);
    EXPECT_EQ(nowhere.Commit(), kErrorPathNotFound);
}

TEST(PlatformFiles, AReplacingFileKeepsTheModeOfWhatItReplacesAndANewOneGetsTheUsualMode)
{
    hy::test::TTempFolder dir;
    const mode_t saved = ::umask(027);
    const auto write = [](const QString& path) {
        TReplacingFile out(path);
        EXPECT_EQ(out.Open(), 0);
        EXPECT_EQ(out.Write("text"), 0);
        EXPECT_EQ(out.Commit(), 0);
    };
    const auto modeOf = [](const QString& path) {
        struct stat st { };
        EXPECT_EQ(::stat(EncodeFileName(path).constData(), &st), 0);
        return st.st_mode & 07777;
    };
    const QString fresh = dir.PathOf("fresh.txt");
    write(fresh);
    EXPECT_EQ(modeOf(fresh), 0640u) << "0666 less the creation mask";
    const QString shared = dir.Write("shared.txt", "old", 0664);
    write(shared);
    EXPECT_EQ(modeOf(shared), 0664u);
    const QString script = dir.Write("tool.sh", "old", 0750);
    write(script);
    EXPECT_EQ(modeOf(script), 0750u);
    ::umask(saved);
}

// The archives of every other kind, made by the real tools: their listings against the tools' own, the
// extracted bytes against the tools' extraction, and the refusals, the damaged and the encrypted ones.
#include "core/archive/ArchiveReader.h"
#include "core/archive/HyUnzip.h"
#include "support/TempFiles.h"
#include "support/Tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace hy::archive;
using hy::test::HaveTool;
using hy::test::RunTool;
using hy::test::TTempFolder;

namespace {

// A small tree: files of several sizes (one large enough to span many blocks), a folder inside a folder,
// an empty folder and a file with spaces in its name.
void MakeTree(const QString& root)
{
    QDir().mkpath(root + QStringLiteral("/tree/sub/deeper"));
    QDir().mkpath(root + QStringLiteral("/tree/empty"));
    QByteArray large;
    for (int i = 0; i < 40000; ++i)
        large += "line " + QByteArray::number(i * 7919 % 100003) + '\n';
    const std::pair<const char*, QByteArray> files[] = {
        { "tree/a.txt", "alpha\n" },
        { "tree/sub/b.log", large },
        { "tree/sub/deeper/c.bin", QByteArray(3000, '\0') + "end" },
        { "tree/with space.txt", "spaced\n" },
        { "tree/zero", QByteArray() },
    };
    for (const auto& [name, bytes] : files) {
        QFile f(root + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
}

QStringList Sorted(QStringList names)
{
    for (QString& n : names) {
        while (n.endsWith(QLatin1Char('/')))
            n.chop(1);
        if (n.startsWith(QStringLiteral("./")))
            n = n.mid(2);
    }
    names.removeAll(QString());
    names.removeAll(QStringLiteral("."));
    std::sort(names.begin(), names.end());
    return names;
}

QStringList NamesOf(const TArchiveReader& reader)
{
    QStringList names;
    for (const TArchiveMember& m : reader.Members())
        names.append(m.Name);
    return Sorted(names);
}

QStringList ToolLines(const QString& program, const QStringList& args, const QString& dir = QString())
{
    const hy::test::TToolResult r = RunTool(program, args, QByteArray(), dir);
    EXPECT_EQ(r.ExitCode, 0) << program.toStdString() << ": " << r.Errors.toStdString();
    return QString::fromUtf8(r.Output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Every regular file below root, by its path below root, with its bytes.
std::map<QString, QByteArray> FilesBelow(const QString& root)
{
    std::map<QString, QByteArray> files;
    QDir dir(root);
    const QFileInfoList entries
        = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& info : entries) {
        if (info.isSymLink())
            continue;
        if (info.isDir()) {
            for (const auto& [name, bytes] : FilesBelow(info.filePath()))
                files[info.fileName() + QLatin1Char('/') + name] = bytes;
        } else {
            files[info.fileName()] = hy::test::ReadAll(info.filePath());
        }
    }
    return files;
}

std::vector<int> AllIndexes(const TArchiveReader& reader)
{
    std::vector<int> all;
    for (const TArchiveMember& m : reader.Members())
        all.push_back(m.Index);
    return all;
}

// Extracts every member listed into the folder, made first when missing; the reader's status.
TArchiveStatus ExtractEvery(TArchiveReader& reader, const QString& folder, std::vector<TExtractResult>& results)
{
    QDir().mkpath(folder);
    TExtractOptions options;
    options.Folder = folder;
    return reader.Extract(AllIndexes(reader), options, results);
}

// Extracts every member into the folder; each one must come out.
void ExtractAll(TArchiveReader& reader, const QString& folder)
{
    std::vector<TExtractResult> results;
    ASSERT_EQ(ExtractEvery(reader, folder, results), TArchiveStatus::Ok);
    for (const TExtractResult& r : results)
        EXPECT_EQ(r.Code, 0) << r.Target.toStdString() << ": " << ArchiveResultText(r.Code).toStdString();
}

struct TArchiveMaker {
    const char* Name;
    const char* Program; // must be installed, besides tar
    QStringList Args; // run in the folder holding "tree"; %1 is the archive's path
};

} // namespace

TEST(ArchiveReader, EveryTarFilterAndOtherFormatsListAsTheToolsDo)
{
    TTempFolder folder;
    MakeTree(folder.Path());
    const QString out = folder.PathOf(QStringLiteral("archive"));
    const TArchiveMaker makers[] = {
        { "tar", "tar", { "-cf", "%1", "tree" } },
        { "tar.gz", "gzip", { "-czf", "%1", "tree" } },
        { "tar.bz2", "bzip2", { "-cjf", "%1", "tree" } },
        { "tar.xz", "xz", { "-cJf", "%1", "tree" } },
        { "tar.lzma", "xz", { "--lzma", "-cf", "%1", "tree" } },
        { "tar.lz", "lzip", { "--lzip", "-cf", "%1", "tree" } },
        { "tar.zst", "zstd", { "--zstd", "-cf", "%1", "tree" } },
        { "tar.lz4", "lz4", { "-I", "lz4", "-cf", "%1", "tree" } },
        { "tar.Z", "compress", { "-cZf", "%1", "tree" } },
    };
    const QStringList expected = Sorted(ToolLines(QStringLiteral("find"), { QStringLiteral("tree") }, folder.Path()));
    for (const TArchiveMaker& maker : makers) {
        if (!HaveTool(QString::fromLatin1(maker.Program)))
            continue;
        SCOPED_TRACE(maker.Name);
        const QString path = out + QLatin1Char('.') + QLatin1String(maker.Name);
        QStringList args = maker.Args;
        args.replaceInStrings(QStringLiteral("%1"), path);
        ASSERT_EQ(RunTool(QStringLiteral("tar"), args, QByteArray(), folder.Path()).ExitCode, 0);
        TArchiveReader reader(path);
        const TArchiveListing listing = reader.List();
        EXPECT_EQ(listing.Status, TArchiveStatus::Ok) << listing.Message.toStdString();
        EXPECT_EQ(NamesOf(reader), expected);
        // GNU tar tells every filter but lz4 by itself.
        const QStringList list = maker.Args.first() == QLatin1String("-I")
            ? QStringList { QStringLiteral("-I"), QStringLiteral("lz4"), QStringLiteral("-tf"), path }
            : QStringList { QStringLiteral("-tf"), path };
        EXPECT_EQ(NamesOf(reader), Sorted(ToolLines(QStringLiteral("tar"), list)));
        // A compressed tar cannot say a member's compressed size; a plain one can.
        const auto large = std::find_if(reader.Members().begin(), reader.Members().end(),
            [](const TArchiveMember& m) { return m.Name.endsWith(QStringLiteral("b.log")); });
        ASSERT_NE(large, reader.Members().end());
        EXPECT_GT(large->Size, 0);
        EXPECT_EQ(large->CompressedSize, QLatin1String(maker.Name) == QLatin1String("tar") ? large->Size : -1);
        EXPECT_FALSE(TArchiveReader::ContentFormat(path).isEmpty());
    }

    // The other kinds, each against its own tool's listing.
    struct TOther {
        const char* Name;
        const char* Program;
        QStringList Make; // run in the folder holding "tree"
        QStringList List; // the tool's listing, one name a line
    };
    const QString cpioInput
        = ToolLines(QStringLiteral("find"), { QStringLiteral("tree") }, folder.Path()).join('\n') + '\n';
    const TOther others[] = {
        { "7z", "7z", { "a", "-bd", "%1", "tree" }, {} },
        { "iso", "xorriso", { "-as", "mkisofs", "-R", "-o", "%1", "tree" }, {} },
        { "a", "ar", { "rc", "%1", "tree/a.txt", "tree/with space.txt" }, { "t", "%1" } },
    };
    for (const TOther& other : others) {
        if (!HaveTool(QString::fromLatin1(other.Program)))
            continue;
        SCOPED_TRACE(other.Name);
        const QString path = out + QLatin1Char('.') + QLatin1String(other.Name);
        QStringList make = other.Make;
        make.replaceInStrings(QStringLiteral("%1"), path);
        const hy::test::TToolResult made
            = RunTool(QString::fromLatin1(other.Program), make, QByteArray(), folder.Path());
        ASSERT_EQ(made.ExitCode, 0) << made.Errors.toStdString();
        TArchiveReader reader(path);
        const TArchiveListing listing = reader.List();
        EXPECT_EQ(listing.Status, TArchiveStatus::Ok) << listing.Message.toStdString();
        if (!other.List.isEmpty()) {
            QStringList list = other.List;
            list.replaceInStrings(QStringLiteral("%1"), path);
            EXPECT_EQ(NamesOf(reader), Sorted(ToolLines(QString::fromLatin1(other.Program), list)));
        } else {
            EXPECT_EQ(NamesOf(reader), Sorted(ToolLines(QStringLiteral("bsdtar"), { QStringLiteral("-tf"), path })));
            EXPECT_TRUE(NamesOf(reader).contains(QStringLiteral("tree/sub/b.log"))
                || NamesOf(reader).contains(QStringLiteral("sub/b.log")));
        }
    }
    if (HaveTool(QStringLiteral("cpio"))) {
        const QString path = out + QStringLiteral(".cpio");
        const hy::test::TToolResult made = RunTool(QStringLiteral("sh"),
            { QStringLiteral("-c"), QStringLiteral("cpio -o -H newc > '%1'").arg(path) }, cpioInput.toUtf8(),
            folder.Path());
        ASSERT_EQ(made.ExitCode, 0);
        TArchiveReader reader(path);
        EXPECT_EQ(reader.List().Status, TArchiveStatus::Ok);
        EXPECT_EQ(NamesOf(reader), expected);
    }
}

TEST(ArchiveReader, ExtractedBytesAreTheToolsOwn)
{
    TTempFolder folder;
    MakeTree(folder.Path());
    const QString path = folder.PathOf(QStringLiteral("t.tar.xz"));
    ASSERT_EQ(RunTool(QStringLiteral("tar"), { "-cJf", path, "tree" }, QByteArray(), folder.Path()).ExitCode, 0);
    const QString ours = folder.PathOf(QStringLiteral("ours"));
    const QString theirs = folder.PathOf(QStringLiteral("theirs"));
    QDir().mkpath(ours);
    QDir().mkpath(theirs);
    ASSERT_EQ(RunTool(QStringLiteral("tar"), { "-xJf", path, "-C", theirs }).ExitCode, 0);

    TArchiveReader reader(path);
    ASSERT_EQ(reader.List().Status, TArchiveStatus::Ok);
    ASSERT_NO_FATAL_FAILURE(ExtractAll(reader, ours));
    EXPECT_EQ(FilesBelow(ours), FilesBelow(theirs));
    std::vector<TExtractResult> results;
    TExtractOptions options;
    options.Folder = ours;
    EXPECT_TRUE(QFileInfo(ours + QStringLiteral("/tree/empty")).isDir());

    // A second extraction replaces nothing unless asked, and replaces what it is told to.
    ASSERT_EQ(reader.Extract({ 1, 2 }, options, results), TArchiveStatus::Ok);
    for (const TExtractResult& r : results) {
        if (!QFileInfo(r.Target).isDir()) {
            EXPECT_EQ(r.Code, kUnzipNotReplaced) << r.Target.toStdString();
        }
    }
    int asked = 0;
    options.ConfirmReplace = [&](const TArchiveMember&, const QString&) { return ++asked > 0; };
    ASSERT_EQ(reader.Extract(AllIndexes(reader), options, results), TArchiveStatus::Ok);
    EXPECT_GT(asked, 0);
    for (const TExtractResult& r : results)
        EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(FilesBelow(ours), FilesBelow(theirs));
}

// Cabinets (gcab) and LHA archives (jlha): the listing against the tool's own, the bytes of every member
// against the tool's extraction. rar has no free maker, so no rar is made here.
TEST(ArchiveReader, CabinetAndLhaArchivesListAndExtractAsTheirToolsDo)
{
    TTempFolder folder;
    MakeTree(folder.Path());
    const QStringList files { QStringLiteral("tree/a.txt"), QStringLiteral("tree/sub/b.log"),
        QStringLiteral("tree/sub/deeper/c.bin"), QStringLiteral("tree/with space.txt"), QStringLiteral("tree/zero") };
    struct TKind {
        const char* Name;
        const char* Program;
        QStringList Make; // run in the folder holding "tree"; %1 is the archive's path, the files follow
        QStringList List; // the tool's listing
        int NameFields; // fields of each listing line before the name (>= 0), or after it (< 0)
        QStringList Extract; // run in the folder to extract into
    };
    const TKind kinds[] = {
        { "cab", "gcab", { "-c", "-z", "%1" }, { "-l", "%1" }, -4, { "-x", "%1" } },
        { "lzh", "jlha", { "c", "%1" }, { "lq", "%1" }, 6, { "xq", "%1" } },
    };
    int made = 0;
    for (const TKind& kind : kinds) {
        if (!HaveTool(QString::fromLatin1(kind.Program))) {
            std::printf("skipped %s: %s is not installed\n", kind.Name, kind.Program);
            continue;
        }
        SCOPED_TRACE(kind.Name);
        ++made;
        const QString path = folder.PathOf(QStringLiteral("archive.") + QLatin1String(kind.Name));
        const auto args = [&](QStringList a) {
            a.replaceInStrings(QStringLiteral("%1"), path);
            return a;
        };
        const hy::test::TToolResult make
            = RunTool(QString::fromLatin1(kind.Program), args(kind.Make) + files, QByteArray(), folder.Path());
        ASSERT_EQ(make.ExitCode, 0) << make.Errors.toStdString();

        TArchiveReader reader(path);
        const TArchiveListing listing = reader.List();
        EXPECT_EQ(listing.Status, TArchiveStatus::Ok) << listing.Message.toStdString();
        EXPECT_FALSE(TArchiveReader::ContentFormat(path).isEmpty());
        QStringList toolNames;
        for (const QString& line : ToolLines(QString::fromLatin1(kind.Program), args(kind.List))) {
            QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (kind.NameFields >= 0)
                fields = fields.mid(kind.NameFields);
            else
                fields.resize(std::max<qsizetype>(0, fields.size() + kind.NameFields));
            toolNames.append(fields.join(QLatin1Char(' ')).replace(QLatin1Char('\\'), QLatin1Char('/')));
        }
        EXPECT_EQ(NamesOf(reader), Sorted(files));
        EXPECT_EQ(NamesOf(reader), Sorted(toolNames));
        const auto large = std::find_if(reader.Members().begin(), reader.Members().end(),
            [](const TArchiveMember& m) { return m.Name.endsWith(QStringLiteral("b.log")); });
        ASSERT_NE(large, reader.Members().end());
        EXPECT_EQ(large->Size, QFileInfo(folder.PathOf(QStringLiteral("tree/sub/b.log"))).size());

        const QString ours = folder.PathOf(QStringLiteral("ours-") + QLatin1String(kind.Name));
        const QString theirs = folder.PathOf(QStringLiteral("theirs-") + QLatin1String(kind.Name));
        QDir().mkpath(ours);
        QDir().mkpath(theirs);
        const hy::test::TToolResult extracted
            = RunTool(QString::fromLatin1(kind.Program), args(kind.Extract), QByteArray(), theirs);
        ASSERT_EQ(extracted.ExitCode, 0) << extracted.Errors.toStdString();
        ASSERT_NO_FATAL_FAILURE(ExtractAll(reader, ours));
        EXPECT_EQ(FilesBelow(ours).size(), size_t(files.size()));
        EXPECT_EQ(FilesBelow(ours), FilesBelow(theirs));
    }
    if (made == 0)
        GTEST_SKIP() << "neither gcab nor jlha is installed";
}

TEST(ArchiveReader, HostileMembersAreRefusedAndNothingLeavesTheFolder)
{
    if (!HaveTool(QStringLiteral("python3")))
        GTEST_SKIP() << "python3 is not installed";
    TTempFolder folder;
    const QString path = folder.PathOf(QStringLiteral("hostile.tar.gz"));
    // Names leading out, links of both kinds, a device, a FIFO and a setuid program, as tarfile writes them.
    const char* script = R"(
import io, sys, tarfile
t = tarfile.open(sys.argv[1], 'w:gz')
def add(name, data=b'', kind=tarfile.REGTYPE, mode=0o644, link=''):
    i = tarfile.TarInfo(name); i.type = kind; i.mode = mode; i.linkname = link; i.size = len(data)
    t.addfile(i, io.BytesIO(data) if data else None)
add('fine.txt', b'fine\n')
add('../escaped.txt', b'out\n')
add('/tmp/absolute-hyview-test.txt', b'abs\n')
add('dir/../../up.txt', b'up\n')
add('link', kind=tarfile.SYMTYPE, link='/etc/passwd')
add('hard', kind=tarfile.LNKTYPE, link='fine.txt')
add('dev', kind=tarfile.CHRTYPE)
add('fifo', kind=tarfile.FIFOTYPE)
add('setuid', b'#!/bin/sh\n', mode=0o4755)
t.close()
)";
    ASSERT_EQ(
        RunTool(QStringLiteral("python3"), { QStringLiteral("-c"), QString::fromLatin1(script), path }).ExitCode, 0);
    const QString into = folder.PathOf(QStringLiteral("inside/deep"));
    QDir().mkpath(into);

    TArchiveReader reader(path);
    ASSERT_EQ(reader.List().Status, TArchiveStatus::Ok);
    ASSERT_EQ(reader.Members().size(), 9u);
    std::vector<TExtractResult> results;
    TExtractOptions options;
    options.Folder = into;
    ASSERT_EQ(reader.Extract(AllIndexes(reader), options, results), TArchiveStatus::Ok);
    const int expected[] = { 0, kUnzipUnsafeName, kUnzipUnsafeName, kUnzipUnsafeName, kUnzipLinkMember,
        kArchiveHardLink, kArchiveSpecialMember, kArchiveSpecialMember, 0 };
    ASSERT_EQ(results.size(), 9u);
    for (size_t i = 0; i < results.size(); ++i)
        EXPECT_EQ(results[i].Code, expected[i]) << reader.Members()[i].Name.toStdString();
    EXPECT_TRUE(results[8].ModeStripped);
    struct stat st { };
    ASSERT_EQ(::stat(QFile::encodeName(into + QStringLiteral("/setuid")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07000, 0u);
    // Nothing but the two plain files was written, and nothing outside the folder.
    EXPECT_EQ(QDir(into).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden),
        (QStringList { QStringLiteral("fine.txt"), QStringLiteral("setuid") }));
    EXPECT_FALSE(QFileInfo::exists(folder.PathOf(QStringLiteral("inside/escaped.txt"))));
    EXPECT_FALSE(QFileInfo::exists(folder.PathOf(QStringLiteral("up.txt"))));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/absolute-hyview-test.txt")));

    // A link planted under a member's name, pointing at nothing yet, is a name taken: it is neither followed
    // to make the file it points at nor replaced without asking.
    const QString planted = folder.PathOf(QStringLiteral("planted"));
    QDir().mkpath(planted);
    const QString lure = folder.PathOf(QStringLiteral("lure.txt"));
    ASSERT_TRUE(QFile::link(lure, planted + QStringLiteral("/fine.txt")));
    options.Folder = planted;
    ASSERT_EQ(reader.Extract({ 0 }, options, results), TArchiveStatus::Ok);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].Code, kUnzipNotReplaced);
    EXPECT_FALSE(QFileInfo::exists(lure));
    EXPECT_TRUE(QFileInfo(planted + QStringLiteral("/fine.txt")).isSymLink());
}

TEST(ArchiveReader, DamagedEncryptedAndPlainFilesSayWhatTheyAre)
{
    TTempFolder folder;
    MakeTree(folder.Path());
    const QString tarPath = folder.PathOf(QStringLiteral("whole.tar"));
    ASSERT_EQ(RunTool(QStringLiteral("tar"), { "-cf", tarPath, "tree" }, QByteArray(), folder.Path()).ExitCode, 0);
    const QByteArray whole = hy::test::ReadAll(tarPath);

    // Cut inside the large member: what came before is listed, and the message says where reading stopped.
    const QString cut = folder.Write(QStringLiteral("cut.tar"), whole.left(whole.size() / 2));
    TArchiveReader damaged(cut);
    const TArchiveListing listing = damaged.List();
    EXPECT_EQ(listing.Status, TArchiveStatus::Failed);
    EXPECT_GT(damaged.Members().size(), 0u);
    EXPECT_LT(damaged.Members().size(), 10u);
    EXPECT_TRUE(listing.Message.contains(QStringLiteral("stopped at byte"))) << listing.Message.toStdString();
    EXPECT_GT(listing.StoppedAt, 0);
    // Extracting it writes what came whole; the member cut short is removed again, never left half written
    // under its name or a temporary one.
    const QString into = folder.PathOf(QStringLiteral("into"));
    std::vector<TExtractResult> results;
    EXPECT_EQ(ExtractEvery(damaged, into, results), TArchiveStatus::Failed);
    const auto cutShort = std::find_if(results.begin(), results.end(),
        [](const TExtractResult& r) { return r.Target.endsWith(QStringLiteral("b.log")); });
    ASSERT_NE(cutShort, results.end());
    EXPECT_EQ(cutShort->Code, kUnzipDamaged);
    for (const auto& [name, bytes] : FilesBelow(into)) {
        EXPECT_FALSE(name.endsWith(QStringLiteral("b.log"))) << name.toStdString();
        EXPECT_FALSE(name.contains(QStringLiteral(".hyarchive-"))) << name.toStdString();
    }

    // Not an archive: a compressed text and a plain one.
    const QString text = folder.Write(QStringLiteral("text.txt"), "just text\n");
    EXPECT_TRUE(TArchiveReader::ContentFormat(text).isEmpty());
    EXPECT_EQ(TArchiveReader(text).List().Status, TArchiveStatus::Failed);
    const hy::test::TToolResult gz = RunTool(QStringLiteral("gzip"), { QStringLiteral("-c") }, "just text\n");
    const QString gzPath = folder.Write(QStringLiteral("text.gz"), gz.Output);
    EXPECT_TRUE(TArchiveReader::ContentFormat(gzPath).isEmpty());
    // A tar whose name says nothing is told by its content.
    const QString noName = folder.Write(QStringLiteral("no-extension"), whole);
    EXPECT_FALSE(TArchiveReader::ContentFormat(noName).isEmpty());

    if (!HaveTool(QStringLiteral("7z")))
        return;
    const QString secret = folder.PathOf(QStringLiteral("secret.7z"));
    ASSERT_EQ(RunTool(QStringLiteral("7z"), { "a", "-bd", "-pSECRET", "-mhe=on", secret, "tree" }, QByteArray(),
                  folder.Path())
                  .ExitCode,
        0);
    TArchiveReader encrypted(secret);
    const TArchiveListing locked = encrypted.List();
    EXPECT_EQ(locked.Status, TArchiveStatus::Failed);
    EXPECT_EQ(locked.Message, QStringLiteral("encrypted archive: not supported"));
    EXPECT_TRUE(encrypted.Members().empty());
}

TEST(ArchiveReader, AStopEndsListingAndExtraction)
{
    TTempFolder folder;
    MakeTree(folder.Path());
    const QString path = folder.PathOf(QStringLiteral("t.tar.gz"));
    ASSERT_EQ(RunTool(QStringLiteral("tar"), { "-czf", path, "tree" }, QByteArray(), folder.Path()).ExitCode, 0);
    TArchiveReader reader(path);
    reader.SetProgress([](qint64, qint64) { return false; });
    EXPECT_EQ(reader.List().Status, TArchiveStatus::Stopped);

    reader.SetProgress({});
    ASSERT_EQ(reader.List().Status, TArchiveStatus::Ok);
    int calls = 0;
    reader.SetProgress([&](qint64 done, qint64 total) {
        EXPECT_LE(done, total);
        return ++calls < 1;
    });
    const QString into = folder.PathOf(QStringLiteral("into"));
    std::vector<TExtractResult> results;
    EXPECT_EQ(ExtractEvery(reader, into, results), TArchiveStatus::Stopped);
    // No half-written file is left behind, under its own name or a temporary one.
    for (const auto& [name, bytes] : FilesBelow(into))
        EXPECT_FALSE(name.contains(QStringLiteral(".hyarchive-"))) << name.toStdString();
}

// The archive list control with archives other than ZIP: a compressed tar lists its members with the sizes
// it cannot tell as unknown, extracts them with or without their folders, refuses links and devices, and a
// cut or encrypted archive says so.
#include "core/archive/ArchiveReader.h"
#include "core/archive/HyUnzip.h"
#include "support/TempFiles.h"
#include "support/Tools.h"
#include "ui/archive/ZIPLIST.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace hy::archive;
using hy::test::HaveTool;
using hy::test::RunTool;
using hy::test::TTempFolder;

namespace {

int IndexOf(const TZipList& list, const QString& name)
{
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Members().At(i).ArchiveName == name)
            return i;
    }
    return -1;
}

} // namespace

TEST(OtherArchiveList, ACompressedTarListsAndExtractsItsMembers)
{
    if (!HaveTool(QStringLiteral("python3")))
        GTEST_SKIP() << "python3 is not installed";
    TTempFolder folder;
    const QString path = folder.PathOf(QStringLiteral("backup"));
    const char* script = R"(
import io, sys, tarfile
t = tarfile.open(sys.argv[1], 'w:xz')
def add(name, data=b'', kind=tarfile.REGTYPE, link=''):
    i = tarfile.TarInfo(name); i.type = kind; i.linkname = link; i.size = len(data); i.mtime = 1700000000
    t.addfile(i, io.BytesIO(data) if data else None)
add('docs', kind=tarfile.DIRTYPE)
add('docs/readme.txt', b'read me\n' * 1000)
add('top.txt', b'top\n')
add('docs/link', kind=tarfile.SYMTYPE, link='readme.txt')
add('docs/hard', kind=tarfile.LNKTYPE, link='top.txt')
add('pipe', kind=tarfile.FIFOTYPE)
t.close()
)";
    ASSERT_EQ(
        RunTool(QStringLiteral("python3"), { QStringLiteral("-c"), QString::fromLatin1(script), path }).ExitCode, 0);

    TZipList list;
    list.SetFileName(path); // no extension: told by its content
    EXPECT_TRUE(list.IsOtherArchive());
    EXPECT_EQ(list.LastError(), 0);
    EXPECT_TRUE(list.ReadMessage().isEmpty()) << list.ReadMessage().toStdString();
    // Folders are not listed; every other member is, and counted.
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.ListCount(), 5);
    EXPECT_EQ(list.ListSize(), 8000 + 4);
    const int readme = IndexOf(list, QStringLiteral("docs/readme.txt"));
    ASSERT_GE(readme, 0);
    const auto details = list.MemberDetails(readme);
    EXPECT_EQ(details[zdCompSize], QStringLiteral("unknown"));
    EXPECT_EQ(details[zdOrigSize], QStringLiteral("8,000"));
    EXPECT_EQ(details[zdCompPcnt], QStringLiteral("?"));
    EXPECT_TRUE(list.Members().At(IndexOf(list, QStringLiteral("docs/link"))).IsLink);
    EXPECT_TRUE(list.Members().At(IndexOf(list, QStringLiteral("docs/hard"))).IsLink);

    // With its folders below the chosen folder, and under its name alone (as a viewed member is).
    const QString out = folder.PathOf(QStringLiteral("out"));
    QDir().mkpath(out + QStringLiteral("/flat"));
    EXPECT_EQ(list.ExtractMember(readme, out + QStringLiteral("/docs/readme.txt")), 0);
    EXPECT_EQ(hy::test::ReadAll(out + QStringLiteral("/docs/readme.txt")), QByteArray("read me\n").repeated(1000));
    EXPECT_EQ(list.ExtractMember(readme, out + QStringLiteral("/flat/readme.txt")), 0);
    EXPECT_EQ(hy::test::ReadAll(out + QStringLiteral("/flat/readme.txt")), QByteArray("read me\n").repeated(1000));
    // The list's caller asked before replacing: a second extraction replaces.
    EXPECT_EQ(list.ExtractMember(readme, out + QStringLiteral("/flat/readme.txt")), 0);

    const struct {
        const char* name;
        int code;
    } refused[] = {
        { "docs/link", kUnzipLinkMember },
        { "docs/hard", kArchiveHardLink },
        { "pipe", kArchiveSpecialMember },
    };
    for (const auto& r : refused) {
        const int index = IndexOf(list, QString::fromLatin1(r.name));
        ASSERT_GE(index, 0) << r.name;
        EXPECT_EQ(list.ExtractMember(index, out + QStringLiteral("/flat/x")), r.code) << r.name;
        EXPECT_FALSE(ArchiveResultText(r.code).isEmpty());
    }
    EXPECT_EQ(QDir(out + QStringLiteral("/flat")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
        QStringList { QStringLiteral("readme.txt") });

    // Extract To... of several members reads the archive once; each member gets its own result.
    const QString all = folder.PathOf(QStringLiteral("all"));
    QDir().mkpath(all);
    std::vector<int> indexes;
    for (int i = 0; i < list.Count(); ++i)
        indexes.push_back(i);
    const std::vector<std::pair<int, int>> results = list.ExtractOtherMembers(indexes, all);
    ASSERT_EQ(results.size(), indexes.size());
    for (const auto& [index, code] : results) {
        const QString name = list.Members().At(index).ArchiveName;
        const int want = name == QLatin1String("docs/link") ? int(kUnzipLinkMember)
            : name == QLatin1String("docs/hard")            ? int(kArchiveHardLink)
            : name == QLatin1String("pipe")                 ? int(kArchiveSpecialMember)
                                                            : 0;
        EXPECT_EQ(code, want) << name.toStdString();
    }
    EXPECT_EQ(hy::test::ReadAll(all + QStringLiteral("/docs/readme.txt")), QByteArray("read me\n").repeated(1000));
    EXPECT_EQ(hy::test::ReadAll(all + QStringLiteral("/top.txt")), QByteArray("top\n"));
    // Stopped by the progress handler: nothing more is written, and the members not reached say so.
    list.SetProgressHandler([](const QString&, int) { return false; });
    const QString stopped = folder.PathOf(QStringLiteral("stopped"));
    QDir().mkpath(stopped);
    for (const auto& [index, code] : list.ExtractOtherMembers(indexes, stopped))
        EXPECT_EQ(code, int(kUnzipStopped)) << index;
    EXPECT_TRUE(QDir(stopped).isEmpty());
}

TEST(OtherArchiveList, CutAndEncryptedArchivesSaySo)
{
    TTempFolder folder;
    QDir().mkpath(folder.PathOf(QStringLiteral("tree")));
    for (int i = 0; i < 20; ++i)
        folder.Write(QStringLiteral("tree/f%1.txt").arg(i), QByteArray(20000, char('a' + i)));
    const QString tarPath = folder.PathOf(QStringLiteral("t.tar"));
    ASSERT_EQ(RunTool(QStringLiteral("tar"), { "-cf", tarPath, "tree" }, QByteArray(), folder.Path()).ExitCode, 0);
    const QByteArray whole = hy::test::ReadAll(tarPath);
    const QString cut = folder.Write(QStringLiteral("cut.tar"), whole.left(whole.size() / 2));

    TZipList list;
    list.SetFileName(cut);
    EXPECT_EQ(list.LastError(), 0); // what was read before the cut is listed
    EXPECT_GT(list.Count(), 0);
    EXPECT_LT(list.Count(), 20);
    EXPECT_TRUE(list.ReadMessage().contains(QStringLiteral("stopped at byte"))) << list.ReadMessage().toStdString();

    if (!HaveTool(QStringLiteral("7z")))
        return;
    const QString secret = folder.PathOf(QStringLiteral("secret.7z"));
    ASSERT_EQ(RunTool(QStringLiteral("7z"), { "a", "-bd", "-pSECRET", "-mhe=on", secret, "tree" }, QByteArray(),
                  folder.Path())
                  .ExitCode,
        0);
    list.SetFileName(secret);
    EXPECT_EQ(list.LastError(), 1);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.ReadMessage(), QStringLiteral("encrypted archive: not supported"));
}

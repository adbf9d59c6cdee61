// The unzip boundary: the wrapper's record and texts, and the library over archives made by zip, Python
// and libzip: listing beside zipinfo, extraction, encryption, and archives or members meant to do harm.
#include "core/archive/UnzipLib.h"
#include "archive/ArchiveFixtures.h"
#include "core/archive/MemberFiles.h"
#include "support/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hy::archive;
using hy::test::ArchiveFixtures;
using hy::test::ZipInput;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A library stand-in that records what it was handed.
TUnzipCommandRecord g_seen;
int g_calls = 0;
int FakeEntry(TUnzipCommandRecord* r)
{
    ++g_calls;
    g_seen = *r;
    r->ItemCount = 42;
    return r->Command == 3 ? 0 : 7;
}

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ArchiveFixtures::HaveZipTools())
            GTEST_SKIP() << "zip and zipinfo are not installed";
        ASSERT_TRUE(m_fx.IsValid());
        m_out = m_fx.Path(QStringLiteral("out"));
        QDir().mkpath(m_out);
    }

    // Lists the archive through the wrapper: names in delivery order with their information.
    QList<TUnzipItemInfo> List(TUnzipFile& uf, const QString& archive)
    {
        QList<TUnzipItemInfo> items;
        uf.lpszZipFile().SetText(QFile::encodeName(archive));
        uf.lpszFileSpec().SetText("*.*");
        if (!uf.Execute(kUnzipCountMembers))
            return items;
        const qint64 n = uf.ItemCount();
        for (qint64 i = 0; i < n; ++i) {
            if (uf.Execute(kUnzipNextMember))
                items << uf.ItemInfo();
        }
        return items;
    }

    int Extract(TUnzipFile& uf, const QString& archive, const QByteArray& member, const QString& destination,
        TUnzipFlags options = {}, const QByteArray& password = {})
    {
        uf.lpszZipFile().SetText(QFile::encodeName(archive));
        uf.lpszFileSpec().SetText(member);
        uf.lpszDestination().SetText(QFile::encodeName(destination));
        uf.lpszDecryptCode().SetText(password);
        uf.SetOptions(options | (password.isEmpty() ? TUnzipFlags() : TUnzipFlags(DecryptFlag)));
        return uf.Execute(kUnzipExtractMember) ? 0 : uf.LastResult();
    }

    ArchiveFixtures m_fx;
    QString m_out;
};

} // namespace

TEST(TLPStrTest, TextsFixedBuffersAndEmptiness)
{
    TLPStr s;
    EXPECT_EQ(s.Text(), nullptr);
    s.SetText("archive.zip");
    EXPECT_STREQ(s.Text(), "archive.zip");
    s.SetBufferSize(5);
    EXPECT_STREQ(s.Text(), "arch") << "the old text is cut to the buffer size - 1";
    s.SetText("longer text");
    EXPECT_STREQ(s.Text(), "long");
    EXPECT_TRUE(s.FixedBuffer());
    s.SetBufferSize(0);
    EXPECT_FALSE(s.FixedBuffer());
    s.SetText("longer text");
    EXPECT_STREQ(s.Text(), "longer text");
    s.SetText(QByteArray("cut\0here", 8));
    EXPECT_EQ(s.Bytes(), QByteArray("cut"));
    s.Clear();
    EXPECT_EQ(s.Text(), nullptr);
}

TEST(TUnzipFileTest, FillsTheRecordAndKeepsTheResult)
{
    TUnzipFile uf;
    TUnzipFile::SetLibraryEntry(&FakeEntry);
    g_calls = 0;
    EXPECT_FALSE(uf.Execute(0));
    EXPECT_FALSE(uf.Execute(10));
    EXPECT_EQ(g_calls, 0) << "commands outside 1-9 never reach the library";

    uf.lpszZipFile().SetText("a.zip");
    uf.lpszFileSpec().SetText("*.*");
    uf.SetOptions(RecurseFlag | DecryptFlag);
    uf.SetItemCount(5);
    EXPECT_TRUE(uf.Execute(3));
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(g_seen.Command, 3);
    EXPECT_STREQ(g_seen.ZipFile, "a.zip");
    EXPECT_STREQ(g_seen.FileSpec, "*.*");
    EXPECT_EQ(g_seen.Destination, nullptr) << "an empty text is passed as none";
    EXPECT_EQ(g_seen.ItemCount, 5);
    EXPECT_EQ(g_seen.Recurse, 1);
    EXPECT_EQ(g_seen.Decrypt, 1);
    EXPECT_EQ(g_seen.OverWrite, 0);
    EXPECT_EQ(g_seen.IndexOfItem, 0);
    EXPECT_EQ(g_seen.ItemInfo, &uf.ItemInfo());
    EXPECT_NE(g_seen.Message, nullptr);
    EXPECT_EQ(uf.ItemCount(), 42) << "a successful call takes the count back";

    EXPECT_FALSE(uf.Execute(4));
    EXPECT_EQ(uf.LastResult(), 7);
    EXPECT_EQ(uf.ItemCount(), 42) << "a failed call leaves the count alone";
    TUnzipFile::SetLibraryEntry(nullptr);
}

TEST_F(ArchiveTest, ListsLikeZipinfo)
{
    const QDateTime old(QDate(1996, 12, 31), QTime(23, 59, 58));
    const QDateTime recent(QDate(2024, 2, 29), QTime(8, 5, 0));
    const QList<ZipInput> files {
        { QStringLiteral("readme.txt"), QByteArray(5000, 'a'), old },
        { QStringLiteral("docs/"), {}, recent },
        { QStringLiteral("docs/read me.txt"), "blanks in the name\n", recent },
        { QStringLiteral("docs/ümlaut café.txt"), "non-ASCII letters\n", recent },
        { QStringLiteral("empty.bin"), {}, recent },
        { QStringLiteral(".hidden"), "x", recent },
    };
    for (const QStringList& args :
        { QStringList {}, QStringList { QStringLiteral("-0") }, QStringList { QStringLiteral("-fz") } }) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const QString zip = m_fx.MakeZip(QStringLiteral("list.zip"), files, args);
        ASSERT_FALSE(zip.isEmpty());
        TUnzipFile uf;
        const QList<TUnzipItemInfo> items = List(uf, zip);
        const auto reference = ArchiveFixtures::ZipInfo(zip);
        ASSERT_EQ(items.size(), reference.size()) << "folders are not listed, every file is";
        ASSERT_EQ(items.size(), 5);
        for (int i = 0; i < items.size(); ++i) {
            const TUnzipItemInfo& it = items.at(i);
            const auto& ref = reference.at(i);
            EXPECT_EQ(QString::fromUtf8(it.Name), ref.Name);
            EXPECT_EQ(it.Size, ref.Size);
            // zipinfo's yyyymmdd.hhmmss against our MM-DD-YY HH:MM:SS.
            const QString text = QString::fromLatin1(it.DateText);
            const QString expected = ref.Stamp.mid(4, 2) + QLatin1Char('-') + ref.Stamp.mid(6, 2) + QLatin1Char('-')
                + ref.Stamp.mid(2, 2) + QLatin1Char(' ') + ref.Stamp.mid(9, 2) + QLatin1Char(':') + ref.Stamp.mid(11, 2)
                + QLatin1Char(':') + ref.Stamp.mid(13, 2);
            EXPECT_EQ(text, expected) << it.Name.constData();
            EXPECT_EQ(it.Flags & 1, 0);
        }
        EXPECT_EQ(QByteArray(items.at(0).DateText), QByteArray("12-31-96 23:59:58"));
        if (args.contains(QStringLiteral("-0")))
            EXPECT_EQ(items.at(0).CompressedSize, 5000) << "stored";
        else
            EXPECT_LT(items.at(0).CompressedSize, 200) << "5000 equal bytes deflate well";
        EXPECT_TRUE(items.at(4).Attributes & kZipAttrHidden) << "a name starting with a dot is hidden";
        EXPECT_FALSE(uf.Execute(kUnzipNextMember)) << "the list is done";
        EXPECT_EQ(uf.LastResult(), int(kUnzipNoMoreMembers));

        const QString into = m_fx.Path(QStringLiteral("into") + args.join(QString()));
        QDir().mkpath(into);
        for (const ZipInput& f : files) {
            if (f.Name.endsWith(QLatin1Char('/')))
                continue;
            ASSERT_EQ(Extract(uf, zip, f.Name.toUtf8(), into), 0) << f.Name.toStdString();
            EXPECT_EQ(ReadAll(into + QLatin1Char('/') + f.Name), f.Data);
        }
    }
}

TEST_F(ArchiveTest, TheMemberMaskSelects)
{
    const QString zip = m_fx.MakeZip(QStringLiteral("mask.zip"),
        { { QStringLiteral("a.txt"), "1", {} }, { QStringLiteral("b.c"), "2", {} },
            { QStringLiteral("d/e.txt"), "3", {} } });
    TUnzipFile uf;
    uf.lpszZipFile().SetText(QFile::encodeName(zip));
    uf.lpszFileSpec().SetText("*.txt");
    ASSERT_TRUE(uf.Execute(kUnzipCountMembers));
    EXPECT_EQ(uf.ItemCount(), 2);
    uf.lpszFileSpec().SetText("b.c");
    ASSERT_TRUE(uf.Execute(kUnzipMemberInfo));
    EXPECT_EQ(uf.ItemInfo().Name, QByteArray("b.c"));
    uf.lpszFileSpec().SetText("missing");
    EXPECT_FALSE(uf.Execute(kUnzipMemberInfo));
    EXPECT_EQ(uf.LastResult(), int(kUnzipNotFound));
}

TEST_F(ArchiveTest, ExtractsWithFoldersDatesAndReplacesOnlyWhenAsked)
{
    const QDateTime stamp(QDate(2001, 5, 6), QTime(7, 8, 10));
    QByteArray big;
    for (int i = 0; i < 300000; ++i)
        big += QByteArray::number(i) + ' ';
    const QString zip = m_fx.MakeZip(QStringLiteral("x.zip"),
        { { QStringLiteral("dir/sub/big.txt"), big, stamp }, { QStringLiteral("top.txt"), "top\n", stamp } });
    TUnzipFile uf;
    int asked = 0;
    qint32 answer = 0;
    uf.OnMessageCallback
        = [&](TUnzipEvents*, quint16 id, quint16, qint32, qint32, const QString& path, const QString&, qint32& result) {
              EXPECT_EQ(id, kUnzipMsgOverwrite);
              EXPECT_TRUE(path.endsWith(QLatin1String("top.txt")));
              ++asked;
              result = answer;
          };
    QList<qint32> percents;
    uf.OnMinorCallback = [&](TUnzipEvents*, const QString&, qint32 percent, bool&) { percents << percent; };

    ASSERT_EQ(Extract(uf, zip, "dir/sub/big.txt", m_out), 0);
    EXPECT_EQ(ReadAll(m_out + "/dir/sub/big.txt"), big);
    EXPECT_EQ(QFileInfo(m_out + "/dir/sub/big.txt").lastModified(), stamp);
    ASSERT_FALSE(percents.isEmpty());
    EXPECT_EQ(percents.last(), 100);

    ASSERT_EQ(Extract(uf, zip, "top.txt", m_out), 0);
    QFile(m_out + "/top.txt").open(QIODevice::WriteOnly | QIODevice::Truncate);
    EXPECT_EQ(Extract(uf, zip, "top.txt", m_out), int(kUnzipNotReplaced)) << "not confirmed: kept";
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(ReadAll(m_out + "/top.txt").isEmpty());
    answer = 6;
    EXPECT_EQ(Extract(uf, zip, "top.txt", m_out), 0);
    EXPECT_EQ(ReadAll(m_out + "/top.txt"), QByteArray("top\n"));
    EXPECT_EQ(Extract(uf, zip, "top.txt", m_out, OverWriteFlag), 0);
    EXPECT_EQ(asked, 2) << "OverWriteFlag replaces without asking";

    // Without folder names the member lands in the destination itself.
    const QString flat = m_fx.Path(QStringLiteral("flat"));
    QDir().mkpath(flat);
    ASSERT_EQ(Extract(uf, zip, "dir/sub/big.txt", flat, NoDirectoryNamesFlag), 0);
    EXPECT_EQ(ArchiveFixtures::Tree(flat), QStringList { QStringLiteral("big.txt") });

    EXPECT_EQ(Extract(uf, zip, "top.txt", m_fx.Path(QStringLiteral("no/such/dir"))), int(kUnzipNoDirectory));
    EXPECT_EQ(Extract(uf, zip, "nothing.txt", m_out), int(kUnzipNotFound));
}

TEST_F(ArchiveTest, EncryptedMembersNeedTheRightPassword)
{
    const QByteArray secret("content under a password\n");
    const QString traditional = m_fx.MakeZip(QStringLiteral("trad.zip"),
        { { QStringLiteral("secret.txt"), secret, {} } }, { QStringLiteral("-P"), QStringLiteral("s3cret") });
    ASSERT_FALSE(traditional.isEmpty());
    const QString aes
        = m_fx.MakeAesZip(QStringLiteral("aes.zip"), { { QStringLiteral("secret.txt"), secret, {} } }, "s3cret");
    ASSERT_FALSE(aes.isEmpty());
    for (const QString& zip : { traditional, aes }) {
        SCOPED_TRACE(zip.toStdString());
        QDir(m_out).removeRecursively();
        QDir().mkpath(m_out);
        TUnzipFile uf;
        int passwordAsked = 0;
        uf.OnMessageCallback = [&](TUnzipEvents*, quint16 id, quint16, qint32, qint32, const QString& member,
                                   const QString&, qint32& result) {
            EXPECT_EQ(id, kUnzipMsgPassword);
            EXPECT_EQ(member, QStringLiteral("secret.txt"));
            ++passwordAsked;
            result = 2;
        };
        uf.lpszZipFile().SetText(QFile::encodeName(zip));
        uf.lpszFileSpec().SetText("secret.txt");
        ASSERT_TRUE(uf.Execute(kUnzipMemberInfo));
        EXPECT_EQ(uf.ItemInfo().Flags & 1, 1);
        EXPECT_EQ(List(uf, zip).size(), 1);

        EXPECT_EQ(Extract(uf, zip, "secret.txt", m_out), int(kUnzipNoPassword));
        EXPECT_EQ(passwordAsked, 1);
        EXPECT_EQ(Extract(uf, zip, "secret.txt", m_out, {}, "wrong"), int(kUnzipWrongPassword));
        EXPECT_TRUE(ArchiveFixtures::Tree(m_out).isEmpty()) << "no file and no temporary file is left";
        ASSERT_EQ(Extract(uf, zip, "secret.txt", m_out, {}, "s3cret"), 0);
        EXPECT_EQ(ReadAll(m_out + "/secret.txt"), secret);
    }
}

TEST_F(ArchiveTest, HostileNamesAndLinksAreNeverWrittenOutside)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    const QString zip = m_fx.MakePythonZip(QStringLiteral("hostile.zip"), QStringLiteral(R"(
z = zipfile.ZipFile(path, 'w')
for name in ['../evil.txt', 'a/../../evil2.txt', '/abs/evil3.txt', 'C:evil4.txt', '..\\evil5.txt', 'good.txt',
             'dup.txt', 'dup.txt', 'sub/inside.txt']:
    z.writestr(name, 'data of ' + name)
link = zipfile.ZipInfo('link')
link.create_system = 3
link.external_attr = (0o120777 << 16)
z.writestr(link, '/etc/passwd')
z.close()
)"));
    ASSERT_FALSE(zip.isEmpty());
    TUnzipFile uf;
    uf.SetOptions(OverWriteFlag);
    const QString dest = m_out + "/dest";
    QDir().mkpath(dest);
    struct Case {
        const char* member;
        int code;
    };
    const Case cases[] = {
        { "../evil.txt", kUnzipUnsafeName },
        { "a/../../evil2.txt", kUnzipUnsafeName },
        { "/abs/evil3.txt", kUnzipUnsafeName },
        { "C:evil4.txt", kUnzipUnsafeName },
        { "..\\evil5.txt", kUnzipUnsafeName },
        { "link", kUnzipLinkMember },
        { "good.txt", 0 },
        { "dup.txt", 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Extract(uf, zip, c.member, dest, OverWriteFlag), c.code) << c.member;
    for (const Case& c : cases)
        EXPECT_EQ(Extract(uf, zip, c.member, dest, OverWriteFlag | NoDirectoryNamesFlag), c.code) << c.member;
    EXPECT_EQ(ArchiveFixtures::Tree(m_out),
        (QStringList { QStringLiteral("dest"), QStringLiteral("dest/dup.txt"), QStringLiteral("dest/good.txt") }));
    EXPECT_EQ(ReadAll(dest + "/dup.txt"), QByteArray("data of dup.txt"));
    EXPECT_EQ(List(uf, zip).size(), 10) << "duplicates and hostile names are still listed";

    // A link inside the destination is never followed, neither as a folder nor as the file itself.
    const QString outside = m_out + "/outside";
    QDir().mkpath(outside);
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(dest + "/sub").constData()), 0);
    EXPECT_EQ(Extract(uf, zip, "sub/inside.txt", dest, OverWriteFlag), int(kUnzipLinkInPath));
    EXPECT_TRUE(ArchiveFixtures::Tree(outside).isEmpty());
    QFile(outside + "/victim.txt").open(QIODevice::WriteOnly);
    QFile::remove(dest + "/good.txt");
    ASSERT_EQ(::symlink(QFile::encodeName(outside + "/victim.txt").constData(),
                  QFile::encodeName(dest + "/good.txt").constData()),
        0);
    EXPECT_EQ(Extract(uf, zip, "good.txt", dest, OverWriteFlag), 0);
    EXPECT_TRUE(ReadAll(outside + "/victim.txt").isEmpty()) << "the link was replaced, not written through";
    EXPECT_FALSE(QFileInfo(dest + "/good.txt").isSymLink());
}

TEST_F(ArchiveTest, DamagedArchivesFailCleanly)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    const QString good = m_fx.MakeZip(QStringLiteral("good.zip"),
        { { QStringLiteral("a.txt"), QByteArray(100000, 'q'), {} }, { QStringLiteral("b.txt"), "bbb", {} } });
    const QByteArray bytes = ReadAll(good);

    // Files named .zip that are no archive.
    const auto write = [&](const QString& name, const QByteArray& data) {
        QFile f(m_fx.Path(name));
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return f.fileName();
    };
    const QString fifo = m_fx.Path(QStringLiteral("fifo.zip"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString notThere = m_fx.Path(QStringLiteral("missing.zip"));
    struct Case {
        QString path;
        int code;
    };
    const Case cases[] = {
        { write(QStringLiteral("empty.zip"), {}), kUnzipNotAnArchive },
        { write(QStringLiteral("text.zip"), "just some text\n"), kUnzipNotAnArchive },
        { write(QStringLiteral("cut.zip"), bytes.left(bytes.size() - 30)), kUnzipNotAnArchive },
        { write(QStringLiteral("half.zip"), bytes.left(bytes.size() / 2)), kUnzipNotAnArchive },
        { fifo, kUnzipNotAnArchive },
        { notThere, kUnzipNotFound },
        { m_fx.Path(QString()), kUnzipNotAnArchive },
    };
    for (const Case& c : cases) {
        TUnzipFile uf;
        uf.lpszZipFile().SetText(QFile::encodeName(c.path));
        EXPECT_FALSE(uf.Execute(kUnzipCountMembers)) << c.path.toStdString();
        EXPECT_EQ(uf.LastResult(), c.code) << c.path.toStdString();
    }
    // An archive that holds nothing lists nothing, and says so by its count.
    const QString none = write(QStringLiteral("none.zip"), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    TUnzipFile uf;
    uf.lpszZipFile().SetText(QFile::encodeName(none));
    ASSERT_TRUE(uf.Execute(kUnzipCountMembers));
    EXPECT_EQ(uf.ItemCount(), 0);

    // Damaged member data: a changed stored byte fails the CRC, a deflated stream that grows past its
    // stated size stops as a full disk, broken deflate data is damage. Nothing is left behind.
    const QString patched = m_fx.MakePythonZip(QStringLiteral("patched.zip"), QStringLiteral(R"(
z = zipfile.ZipFile(path, 'w')
z.writestr('stored.txt', 'A' * 1000, compress_type=zipfile.ZIP_STORED)
z.writestr('bomb.txt', 'B' * 1000000, compress_type=zipfile.ZIP_DEFLATED)
z.writestr('broken.txt', bytes(range(256)) * 400, compress_type=zipfile.ZIP_DEFLATED)
z.close()
data = bytearray(open(path, 'rb').read())
i = data.find(b'AAAA')
data[i + 10] = ord('C')
def headers(sig, name_len_at, name_at):
    p = data.find(sig)
    while p >= 0:
        n = struct.unpack('<H', data[p + name_len_at:p + name_len_at + 2])[0]
        yield p, bytes(data[p + name_at:p + name_at + n])
        p = data.find(sig, p + 4)
for p, name in list(headers(b'PK\x03\x04', 26, 30)):
    if name == b'bomb.txt':
        data[p + 22:p + 26] = struct.pack('<I', 1000)
    if name == b'broken.txt':
        start = p + 30 + len(name) + struct.unpack('<H', data[p + 28:p + 30])[0]
        for k in range(start + 5, start + 60):
            data[k] ^= 0x5A
for p, name in list(headers(b'PK\x01\x02', 28, 46)):
    if name == b'bomb.txt':
        data[p + 24:p + 28] = struct.pack('<I', 1000)
open(path, 'wb').write(bytes(data))
)"));
    ASSERT_FALSE(patched.isEmpty());
    TUnzipFile pf;
    EXPECT_EQ(Extract(pf, patched, "stored.txt", m_out), int(kUnzipCrcError));
    EXPECT_EQ(Extract(pf, patched, "bomb.txt", m_out), int(kUnzipDiskFull));
    const int broken = Extract(pf, patched, "broken.txt", m_out);
    EXPECT_TRUE(broken == int(kUnzipDamaged) || broken == int(kUnzipCrcError)) << broken;
    EXPECT_TRUE(ArchiveFixtures::Tree(m_out).isEmpty()) << ArchiveFixtures::Tree(m_out).join(' ').toStdString();
}

TEST_F(ArchiveTest, AStopLeavesNothingBehind)
{
    const QString zip
        = m_fx.MakeZip(QStringLiteral("stop.zip"), { { QStringLiteral("long.bin"), QByteArray(5 << 20, 'z'), {} } });
    TUnzipFile uf;
    int calls = 0;
    uf.OnMinorCallback = [&](TUnzipEvents*, const QString& item, qint32 percent, bool& cancel) {
        EXPECT_EQ(item, QStringLiteral("long.bin"));
        EXPECT_LT(percent, 100);
        cancel = ++calls == 2;
    };
    EXPECT_EQ(Extract(uf, zip, "long.bin", m_out), int(kUnzipStopped));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(ArchiveFixtures::Tree(m_out).isEmpty());
}

// Large members are written on a thread of their own while the next block is unpacked: the bytes (blocks of
// zeros left as holes, at the end too) come out as they went in, and a stop still leaves nothing behind.
TEST_F(ArchiveTest, LargeMembersWrittenAsideKeepEveryByte)
{
    QByteArray mixed(int(9 << 20) + 77, Qt::Uninitialized);
    quint32 x = 12345;
    for (char& c : mixed) {
        x = x * 1103515245u + 12345u;
        c = char((x >> 16) % 7 == 0 ? x >> 24 : 'a' + (x >> 16) % 26);
    }
    // A whole block of zeros inside, and zeros to the end.
    std::memset(mixed.data() + (3 << 20), 0, 1 << 20);
    const QByteArray zeroEnd = mixed.left(int(8 << 20)) + QByteArray(int(2 << 20), '\0');
    const QString zip = m_fx.MakeZip(QStringLiteral("large.zip"),
        { { QStringLiteral("mixed.bin"), mixed, {} }, { QStringLiteral("zero-end.bin"), zeroEnd, {} } });
    for (const auto& [name, bytes] : { std::pair { "mixed.bin", mixed }, std::pair { "zero-end.bin", zeroEnd } }) {
        SCOPED_TRACE(name);
        TUnzipFile uf;
        ASSERT_EQ(Extract(uf, zip, name, m_out), 0);
        QFile f(m_out + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll() == bytes);
    }

    const QString stopOut = m_fx.Path(QStringLiteral("stop-out"));
    QDir().mkpath(stopOut);
    TUnzipFile uf;
    int calls = 0;
    uf.OnMinorCallback = [&](TUnzipEvents*, const QString&, qint32, bool& cancel) { cancel = ++calls == 4; };
    EXPECT_EQ(Extract(uf, zip, "mixed.bin", stopOut), int(kUnzipStopped));
    EXPECT_TRUE(ArchiveFixtures::Tree(stopOut).isEmpty());
}

// The block writer, on the caller's thread and aside: blocks land at their offsets, a range never handed over
// stays a hole, and a failed write comes back from Put or Finish.
TEST(BlockWriter, WritesAtOffsetsAndReportsAFailure)
{
    hy::test::TTempFolder folder;
    for (const bool aside : { false, true }) {
        SCOPED_TRACE(aside ? "aside" : "on the caller's thread");
        const QString path = folder.PathOf(aside ? QStringLiteral("aside") : QStringLiteral("here"));
        hy::platform::TFileDescriptor out(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0600));
        ASSERT_TRUE(out.Valid());
        const QByteArray a(5000, 'a');
        const QByteArray b(3000, 'b');
        {
            TBlockWriter writer(out, aside);
            EXPECT_EQ(writer.Put(a.constData(), size_t(a.size()), 0), 0);
            EXPECT_EQ(writer.Put(b.constData(), size_t(b.size()), 9000), 0);
            EXPECT_EQ(writer.Finish(), 0);
        }
        EXPECT_EQ(hy::test::ReadAll(path), a + QByteArray(4000, '\0') + b);

        hy::platform::TFileDescriptor readOnly(::open(QFile::encodeName(path).constData(), O_RDONLY));
        TBlockWriter failing(readOnly, aside);
        const int first = failing.Put(a.constData(), size_t(a.size()), 0);
        const int second = failing.Put(b.constData(), size_t(b.size()), 5000);
        const int end = failing.Finish();
        EXPECT_NE(end, 0);
        EXPECT_TRUE(first != 0 || second != 0 || end != 0);
        EXPECT_EQ(hy::test::ReadAll(path).size(), 12000) << "nothing was written through it";
    }
}

namespace {

// A deflated zip64 member of just over 4 GiB of zeros. Deflate blocks that follow a full flush stand on
// their own, so one compressed 64 MiB block is written 64 times: the archive takes a few megabytes. The
// CRC is worked out only when the member is to be extracted.
QString MakeHugeZip(ArchiveFixtures& fx, bool withCrc)
{
    return fx.MakePythonZip(QStringLiteral("huge.zip"), QStringLiteral(R"(
import zlib
name = b'huge.bin'
zeros = bytes(64 << 20)
c = zlib.compressobj(9, zlib.DEFLATED, -15)
block = c.compress(zeros) + c.flush(zlib.Z_FULL_FLUSH)
c = zlib.compressobj(9, zlib.DEFLATED, -15)
tail = c.compress(bytes(4099)) + c.flush()
n = 64 * len(zeros) + 4099
crc = 0
if sys.argv[2] == 'extract':
    for i in range(64):
        crc = zlib.crc32(zeros, crc)
    crc = zlib.crc32(bytes(4099), crc)
size = 64 * len(block) + len(tail)
f = open(path, 'wb')
extra = struct.pack('<HHQQ', 1, 16, n, size)
f.write(struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 0, 8, 0, 0x21, crc, 0xFFFFFFFF, 0xFFFFFFFF, len(name), len(extra)))
f.write(name + extra)
for i in range(64):
    f.write(block)
f.write(tail)
cd_start = f.tell()
cd = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, (3 << 8) | 45, 45, 0, 8, 0, 0x21, crc, 0xFFFFFFFF, 0xFFFFFFFF,
                 len(name), len(extra), 0, 0, 0, 0o100644 << 16, 0) + name + extra
f.write(cd)
z64 = f.tell()
f.write(struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, 45, 45, 0, 0, 1, 1, len(cd), cd_start))
f.write(struct.pack('<IIQI', 0x07064b50, 0, z64, 1))
f.write(struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, len(cd), cd_start, 0))
f.close()
)"),
        withCrc ? QStringLiteral("extract") : QStringLiteral("list"));
}

const qint64 kHugeSize = (qint64(1) << 32) + 4099;

} // namespace

TEST_F(ArchiveTest, MembersPastFourGigabytesListWithTheirSize)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    const QString zip = MakeHugeZip(m_fx, false);
    ASSERT_FALSE(zip.isEmpty());
    TUnzipFile uf;
    const QList<TUnzipItemInfo> items = List(uf, zip);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.at(0).Size, kHugeSize);
    EXPECT_LT(items.at(0).CompressedSize, qint64(5) << 20);
    EXPECT_EQ(ArchiveFixtures::ZipInfo(zip).value(0).Size, kHugeSize);
}

TEST_F(ArchiveTest, MembersPastFourGigabytesExtractWithTheirSize)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    if (qEnvironmentVariableIntValue("HY_SLOW_TESTS") <= 0)
        GTEST_SKIP() << "takes about 15 s: set HY_SLOW_TESTS=1 to run it";
    const QString zip = MakeHugeZip(m_fx, true);
    ASSERT_FALSE(zip.isEmpty());
    TUnzipFile uf;
    ASSERT_EQ(Extract(uf, zip, "huge.bin", m_out), 0);
    EXPECT_EQ(QFileInfo(m_out + "/huge.bin").size(), kHugeSize);
    QFile::remove(m_out + "/huge.bin");
}

TEST_F(ArchiveTest, MembersOfOneNameEachGiveTheirOwnData)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    // Equal names, sizes and times: only their places in the archive tell them apart.
    const QString zip = m_fx.MakeSameNameZip(QStringLiteral("dup.zip"), { "first", "other", "third" });
    ASSERT_FALSE(zip.isEmpty());
    TUnzipFile uf;
    uf.lpszZipFile().SetText(QFile::encodeName(zip));
    uf.lpszFileSpec().SetText("*.*");
    ASSERT_TRUE(uf.Execute(kUnzipCountMembers));
    ASSERT_EQ(uf.ItemCount(), 3);
    QList<qint64> places;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(uf.Execute(kUnzipNextMember));
        places << uf.Record().IndexOfItem;
    }
    EXPECT_EQ(places, (QList<qint64> { 1, 2, 3 })) << "each member says where it stands";
    EXPECT_EQ(uf.IndexofItem(), 0) << "the property stays the program's";

    const QByteArray expected[] = { "first", "other", "third" };
    for (int place = 1; place <= 3; ++place) {
        const QString into = m_out + QStringLiteral("/%1").arg(place);
        QDir().mkpath(into);
        uf.SetIndexofItem(place);
        ASSERT_EQ(Extract(uf, zip, "dup.txt", into), 0) << place;
        EXPECT_EQ(ReadAll(into + "/dup.txt"), expected[place - 1]) << place;
    }
    // A place whose member has another name, or no member at all, is not found.
    uf.SetIndexofItem(2);
    EXPECT_EQ(Extract(uf, zip, "other.txt", m_out), int(kUnzipNotFound));
    uf.SetIndexofItem(4);
    EXPECT_EQ(Extract(uf, zip, "dup.txt", m_out), int(kUnzipNotFound));
    uf.SetIndexofItem(0);
    ASSERT_EQ(Extract(uf, zip, "dup.txt", m_out), 0) << "by name alone";
}

TEST_F(ArchiveTest, WinZipAesMembersExtractLike7z)
{
    if (!ArchiveFixtures::Have7z())
        GTEST_SKIP() << "7z is not installed";
    const QByteArray text = ArchiveFixtures::NumberedLines(20000);
    QByteArray noise(70000, '\0');
    quint32 x = 12345;
    for (char& c : noise)
        c = char((x = x * 1103515245 + 12345) >> 24);
    const QList<ZipInput> files { { QStringLiteral("text.txt"), text, {} }, { QStringLiteral("noise.bin"), noise, {} },
        { QStringLiteral("tiny.txt"), "secret data here\n", {} }, { QStringLiteral("empty.txt"), {}, {} } };
    // 7z writes AES members of the second kind (CRC 0), deflated, in bzip2 or stored as they fit; and the
    // old ZIP encryption, whose CRC is real.
    const struct {
        const char* name;
        QStringList args;
    } kinds[] = {
        { "aes-deflate.zip", { "-pPASS", "-mem=AES256" } },
        { "aes-bzip2.zip", { "-pPASS", "-mem=AES256", "-mm=BZip2" } },
        { "aes128-stored.zip", { "-pPASS", "-mem=AES128", "-mx=0" } },
        { "zipcrypto.zip", { "-pPASS", "-mem=ZipCrypto" } },
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const QString zip = m_fx.Make7zZip(QString::fromLatin1(kind.name), files, kind.args);
        ASSERT_FALSE(zip.isEmpty());
        const QString ours = m_fx.Path(QStringLiteral("ours-") + QLatin1String(kind.name));
        const QString theirs = m_fx.Path(QStringLiteral("7z-") + QLatin1String(kind.name));
        QDir().mkpath(ours);
        ASSERT_EQ(ArchiveFixtures::Extract7z(zip, theirs, QStringLiteral("PASS")), 0);
        TUnzipFile uf;
        ASSERT_EQ(List(uf, zip).size(), files.size());
        for (const ZipInput& f : files) {
            const QByteArray member = f.Name.toUtf8();
            EXPECT_EQ(Extract(uf, zip, member, ours, {}, "wrong"), int(kUnzipWrongPassword)) << member.constData();
            ASSERT_EQ(Extract(uf, zip, member, ours, {}, "PASS"), 0) << member.constData();
            EXPECT_EQ(ReadAll(ours + QLatin1Char('/') + f.Name), ReadAll(theirs + QLatin1Char('/') + f.Name))
                << member.constData();
            EXPECT_EQ(ReadAll(ours + QLatin1Char('/') + f.Name), f.Data) << member.constData();
        }
        EXPECT_EQ(ArchiveFixtures::Tree(ours), ArchiveFixtures::Tree(theirs));
    }

    // The authentication code stands guard over the data: one changed byte in a deflated member, or in its
    // code, and nothing is written.
    const QString zip = m_fx.Make7zZip(QStringLiteral("guarded.zip"), { files.at(0) }, kinds[0].args);
    ASSERT_FALSE(zip.isEmpty());
    const QByteArray bytes = ReadAll(zip);
    ASSERT_TRUE(bytes.startsWith("PK\x03\x04"));
    const auto u16 = [&](int at) { return int(quint8(bytes.at(at))) | int(quint8(bytes.at(at + 1))) << 8; };
    // The member's data ends with its ten-byte authentication code.
    const qsizetype dataEnd = 30 + u16(26) + u16(28) + (u16(18) | qsizetype(u16(20)) << 16);
    ASSERT_GT(dataEnd, 2000);
    ASSERT_LT(dataEnd, bytes.size());
    for (const qsizetype at : { qsizetype(1000), dataEnd - 3 }) {
        QByteArray changed = bytes;
        changed[at] = char(changed.at(at) ^ 0x01);
        const QString bad = m_fx.Path(QStringLiteral("changed-%1.zip").arg(at));
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(changed);
        f.close();
        const QString into = m_fx.Path(QStringLiteral("changed-%1").arg(at));
        QDir().mkpath(into);
        TUnzipFile uf;
        const int code = Extract(uf, bad, "text.txt", into, {}, "PASS");
        EXPECT_TRUE(code == int(kUnzipWrongPassword) || code == int(kUnzipDamaged)) << at << ": " << code;
        EXPECT_TRUE(ArchiveFixtures::Tree(into).isEmpty()) << at;
        EXPECT_NE(ArchiveFixtures::Extract7z(bad, into + "-7z", QStringLiteral("PASS")), 0) << "7z refuses it too";
    }
}

TEST_F(ArchiveTest, MethodsLibzipCannotUnpackAreListedAndRefused)
{
    if (!ArchiveFixtures::Have7z())
        GTEST_SKIP() << "7z is not installed";
    const QByteArray text = ArchiveFixtures::NumberedLines(5000);
    for (const char* method : { "Deflate64", "LZMA" }) {
        SCOPED_TRACE(method);
        const QString zip = m_fx.MakePackedWith(QLatin1String(method), text);
        ASSERT_FALSE(zip.isEmpty());
        TUnzipFile uf;
        const QList<TUnzipItemInfo> items = List(uf, zip);
        ASSERT_EQ(items.size(), 1);
        EXPECT_EQ(items.at(0).Name, QByteArray("packed.txt"));
        EXPECT_EQ(items.at(0).Size, text.size());
        EXPECT_EQ(Extract(uf, zip, "packed.txt", m_out), int(kUnzipUnsupportedMethod));
        EXPECT_TRUE(ArchiveFixtures::Tree(m_out).isEmpty());
        EXPECT_TRUE(UnzipResultText(kUnzipUnsupportedMethod).contains(QStringLiteral("cannot unpack")));
    }
}

TEST_F(ArchiveTest, StoredTimesShowAsStoredInEveryTimeZone)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    if (!QFileInfo::exists(QStringLiteral("/usr/share/zoneinfo/America/New_York")))
        GTEST_SKIP() << "the time zone America/New_York is not installed";
    // 02:30 on 10 March 2024 never happened in New York (the clocks went from 2:00 to 3:00); 01:30 on
    // 3 November happened twice.
    const QString zip = m_fx.MakePythonZip(QStringLiteral("dst.zip"), QStringLiteral(R"(
z = zipfile.ZipFile(path, 'w')
for name, stamp in [('gap.txt', (2024, 3, 10, 2, 30, 0)), ('twice.txt', (2024, 11, 3, 1, 30, 0)),
                    ('plain.txt', (2024, 7, 1, 12, 0, 58))]:
    info = zipfile.ZipInfo(name, stamp)
    info.external_attr = 0o100644 << 16
    z.writestr(info, name)
z.close()
)"));
    ASSERT_FALSE(zip.isEmpty());
    const QByteArray savedZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    const auto restore = qScopeGuard([&]() {
        if (hadZone)
            qputenv("TZ", savedZone);
        else
            qunsetenv("TZ");
        ::tzset();
    });
    for (const char* zone : { "America/New_York", "UTC" }) {
        SCOPED_TRACE(zone);
        qputenv("TZ", zone);
        ::tzset();
        TUnzipFile uf;
        const QList<TUnzipItemInfo> items = List(uf, zip);
        ASSERT_EQ(items.size(), 3);
        EXPECT_EQ(QByteArray(items.at(0).DateText), QByteArray("03-10-24 02:30:00"));
        EXPECT_EQ(QByteArray(items.at(1).DateText), QByteArray("11-03-24 01:30:00"));
        EXPECT_EQ(QByteArray(items.at(2).DateText), QByteArray("07-01-24 12:00:58"));
        const auto reference = ArchiveFixtures::ZipInfo(zip);
        ASSERT_EQ(reference.size(), 3);
        EXPECT_EQ(reference.at(0).Stamp, QStringLiteral("20240310.023000")) << "zipinfo agrees";
    }
}

TEST_F(ArchiveTest, ArchivesAfterOtherDataListAndExtract)
{
    const QList<ZipInput> files { { QStringLiteral("a.txt"), "hello\n", {} },
        { QStringLiteral("dir/b.txt"), QByteArray(30000, 'b'), {} } };
    const QString zip = m_fx.MakeZip(QStringLiteral("plain.zip"), files);
    ASSERT_FALSE(zip.isEmpty());
    // A self-extracting archive: a program before the archive, whose offsets were left as they were.
    QByteArray program("\x7f"
                       "ELF a program that unpacks what follows it\n");
    program += QByteArray(5000, '\x90') + QByteArray("PK\x05\x06 not the end record");
    const auto prefixed = [&](const QString& name, const QString& archive) {
        const QString path = m_fx.Path(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(program + ReadAll(archive));
        return path;
    };
    const QString sfx = prefixed(QStringLiteral("sfx.zip"), zip);
    TUnzipFile uf;
    const QList<TUnzipItemInfo> items = List(uf, sfx);
    const auto reference = ArchiveFixtures::ZipInfo(sfx);
    ASSERT_EQ(items.size(), 2);
    ASSERT_EQ(reference.size(), 2) << "zipinfo lists it";
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(QString::fromUtf8(items.at(i).Name), reference.at(i).Name);
        EXPECT_EQ(items.at(i).Size, reference.at(i).Size);
        ASSERT_EQ(Extract(uf, sfx, items.at(i).Name, m_out), 0);
        EXPECT_EQ(ReadAll(m_out + QLatin1Char('/') + files.at(i).Name), files.at(i).Data);
    }

    // The same after zip -A has adjusted the offsets, and with a ZIP64 end record.
    const QString adjusted = prefixed(QStringLiteral("adjusted.zip"), zip);
    ASSERT_EQ(ArchiveFixtures::Run(QStringLiteral("zip"), { QStringLiteral("-qA"), adjusted }), 0);
    EXPECT_EQ(List(uf, adjusted).size(), 2);
    if (ArchiveFixtures::HavePython()) {
        const QString huge = MakeHugeZip(m_fx, false);
        ASSERT_FALSE(huge.isEmpty());
        const QList<TUnzipItemInfo> big = List(uf, prefixed(QStringLiteral("sfx64.zip"), huge));
        ASSERT_EQ(big.size(), 1);
        EXPECT_EQ(big.at(0).Size, kHugeSize);
    }
    // A cut-off archive after a program is still no archive.
    QFile cut(m_fx.Path(QStringLiteral("cut.zip")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(program + ReadAll(zip).left(100));
    cut.close();
    uf.lpszZipFile().SetText(QFile::encodeName(cut.fileName()));
    EXPECT_FALSE(uf.Execute(kUnzipCountMembers));
    EXPECT_NE(uf.LastResult(), 0);
}

TEST_F(ArchiveTest, ANameFlaggedUtf8ThatIsNotShowsWithReplacementMarks)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    // Three UTF-8 names under the flag; one of them then gets a byte that UTF-8 never has.
    const QString zip = m_fx.MakePythonZip(QStringLiteral("names.zip"), QStringLiteral(R"(
z = zipfile.ZipFile(path, 'w')
z.writestr('café.txt', b'good')
z.writestr('badé.txt', b'bad name')
z.writestr('dir/ünï.txt', b'deeper')
z.close()
data = open(path, 'rb').read().replace('badé'.encode(), b'bad\xff\xfe')
open(path, 'wb').write(data)
)"));
    ASSERT_FALSE(zip.isEmpty());
    TUnzipFile uf;
    const QList<TUnzipItemInfo> items = List(uf, zip);
    ASSERT_EQ(items.size(), 3) << "one bad name does not refuse the archive";
    const QString bad = QStringLiteral("bad") + QChar(0xFFFD) + QChar(0xFFFD) + QStringLiteral(".txt");
    EXPECT_EQ(QString::fromUtf8(items.at(0).Name), QString::fromUtf8("café.txt"));
    EXPECT_EQ(QString::fromUtf8(items.at(1).Name), bad);
    EXPECT_EQ(QString::fromUtf8(items.at(2).Name), QString::fromUtf8("dir/ünï.txt"));
    const QByteArray data[] = { "good", "bad name", "deeper" };
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Extract(uf, zip, items.at(i).Name, m_out), 0) << i;
        EXPECT_EQ(ReadAll(m_out + QLatin1Char('/') + QString::fromUtf8(items.at(i).Name)), data[i]) << i;
    }
    uf.lpszFileSpec().SetText("*.txt");
    ASSERT_TRUE(uf.Execute(kUnzipCountMembers));
    EXPECT_EQ(uf.ItemCount(), 3) << "the mask sees the name as shown";
}

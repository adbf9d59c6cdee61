// The member list and its reader: text case, ratios, dates, icons, the order of members and their column
// texts, and reading real archives through the unzip library.
#include "core/archive/ZipReader.h"
#include "archive/ArchiveFixtures.h"
#include "core/archive/UnzipLib.h"
#include "platform/FileNames.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <ctime>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hy::archive;
using namespace hy::filelist;
using hy::test::ArchiveFixtures;
using hy::test::ZipInput;

namespace {

qint32 Packed(int y, int mo, int d, int h, int mi, int s)
{
    return qint32((quint32(y - 1980) << 25) | (quint32(mo) << 21) | (quint32(d) << 16) | (quint32(h) << 11)
        | (quint32(mi) << 5) | quint32(s / 2));
}

TZipMember Member(const QString& name, qint64 comp, qint64 size, qint32 stamp = 0, quint32 attributes = 0)
{
    TZipMember m;
    m.Name = m.ArchiveName = name;
    m.CompressedSize = comp;
    m.Size = size;
    m.TimeStamp = stamp;
    m.Ratio = ZipRatio(comp, size);
    m.Attributes = attributes;
    m.Icon = quint8(ZipMemberIcon(name));
    return m;
}

QStringList Names(const TZipMembers& list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.MemberName(i);
    return names;
}

} // namespace

TEST(ZipReaderRules, TextCase)
{
    struct Case {
        const char* in;
        TZipTextCase textCase;
        const char* out;
    };
    const Case cases[] = {
        { "readme.txt", tcAuto, "Readme.txt" },
        { "docs\\read me.txt", tcAuto, "Docs\\Read Me.txt" },
        { "docs/readme.txt", tcAuto, "Docs/readme.txt" },
        { "two  blanks", tcAuto, "Two  blanks" },
        { "MiXeD.Txt", tcLowerCase, "mixed.txt" },
        { "MiXeD.Txt", tcUpperCase, "MIXED.TXT" },
        { "MiXeD.Txt", tcNone, "MiXeD.Txt" },
        { "ÄRGER café", tcAuto, "Ärger Café" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplyTextCase(QString::fromUtf8(c.in), c.textCase), QString::fromUtf8(c.out)) << c.in;
}

TEST(ZipReaderRules, RatiosNeverGoNegative)
{
    EXPECT_EQ(ZipRatio(2, 0), 0) << "no division by an empty size";
    EXPECT_EQ(ZipRatio(0, 100), 0);
    EXPECT_EQ(ZipRatio(100, 100), 0) << "stored";
    EXPECT_EQ(ZipRatio(25, 100), 75);
    EXPECT_EQ(ZipRatio(1, 3), 67);
    EXPECT_EQ(ZipRatio(120, 100), 0) << "a member that grew";
    EXPECT_EQ(ZipRatio(qint64(5) << 32, qint64(20) << 32), 75) << "sizes past 4 GiB";
}

TEST(ZipReaderRules, DateTextsConvertWhateverTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    struct Case {
        const char* text;
        qint32 packed;
    };
    const Case cases[] = {
        { "12-31-96 23:59:59", Packed(1996, 12, 31, 23, 59, 58) },
        { "01-02-03 04:05:06", Packed(2003, 1, 2, 4, 5, 6) },
        { "02-29-24 00:00:00", Packed(2024, 2, 29, 0, 0, 0) },
        { "12-31-79 12:00:00", Packed(2079, 12, 31, 12, 0, 0) },
        { "01-01-80 00:00:00", Packed(1980, 1, 1, 0, 0, 0) },
        { "06-15-99", Packed(1999, 6, 15, 0, 0, 0) },
        { "02-30-24 00:00:00", 0 },
        { "13-01-99 00:00:00", 0 },
        { "00-00-00 00:00:00", 0 },
        { "12-31-96 24:00:00", 0 },
        { "garbage", 0 },
        { "", 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZipDateTextToPacked(c.text), c.packed) << c.text;
    EXPECT_EQ(ZipDateTextToPacked(nullptr), 0);
    QLocale::setDefault(QLocale::c());
}

TEST(ZipReaderRules, IconsAndWhichFilesAreRead)
{
    struct Case {
        const char* name;
        int icon;
    };
    const Case cases[] = {
        { "src/main.c", 26 },
        { "README", 9 },
        { "tools/setup.exe", 10 },
        { "shortcut.lnk", 9 },
        { "drawing.wmf", 9 },
        { "drawing.eps", 11 },
        { "inner.zip", 12 },
        { "photo.jpg", 18 },
        { "photo.jpeg", 9 },
        { "notes.txt", 19 },
        { "song.wav", 21 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZipMemberIcon(QString::fromLatin1(c.name)), c.icon) << c.name;

    EXPECT_TRUE(IsZipFileName(QStringLiteral("/tmp/archive.zip")));
    EXPECT_TRUE(IsZipFileName(QStringLiteral("ARCHIVE.ZIP")));
    EXPECT_FALSE(IsZipFileName(QStringLiteral("DATA.ZIP.BAK")));
    EXPECT_FALSE(IsZipFileName(QStringLiteral("old.lzh")));
    EXPECT_FALSE(IsZipFileName(QStringLiteral("/tmp/folder.zip/file")));
    EXPECT_FALSE(IsZipFileName(QStringLiteral("zip")));
}

TEST(ZipMembersTest, SortsByTheChosenKeyAndShowsExactDuplicatesOnce)
{
    TZipMembers list;
    list.BeginUpdate();
    list.Add(Member(QStringLiteral("b.txt"), 10, 300));
    list.Add(Member(QStringLiteral("A.c"), 5, 100));
    list.Add(Member(QStringLiteral("c.cpp"), 50, 100));
    list.Add(Member(QStringLiteral("noext"), 1, 200));
    list.Add(Member(QStringLiteral("b.txt"), 10, 300));
    list.Add(Member(QStringLiteral("B.TXT"), 10, 300));
    list.EndUpdate();
    EXPECT_EQ(Names(list), (QStringList { "A.c", "B.TXT", "b.txt", "c.cpp", "noext" }));
    EXPECT_EQ(list.ListCount(), 6) << "the dropped duplicate still counts";
    EXPECT_EQ(list.ListSize(), 1300);

    list.SetSortBy(sbOrigSize);
    EXPECT_EQ(Names(list), (QStringList { "A.c", "c.cpp", "noext", "B.TXT", "b.txt" }))
        << "smallest first, equal sizes by name";
    list.SetSortBy(sbCompSize);
    EXPECT_EQ(Names(list).first(), QStringLiteral("noext"));
    list.SetSortBy(sbZipType);
    EXPECT_EQ(Names(list), (QStringList { "A.c", "c.cpp", "B.TXT", "b.txt", "noext" }))
        << "by extension; no extension sorts as zeros, after the dotted ones";
    EXPECT_EQ(ZipTypeKey(QStringLiteral("x.c")), QStringLiteral(".c000000000"));
    EXPECT_EQ(ZipTypeKey(QStringLiteral("dir.d/x")), QStringLiteral("00000000000"));
    EXPECT_EQ(list.ListCount(), 6) << "re-sorting reads nothing again";
}

TEST(ZipMembersTest, ColumnTexts)
{
    QLocale::setDefault(QLocale::c());
    TZipMembers list;
    list.Add(Member(QStringLiteral("big.bin"), 1234567, 4938268, Packed(1996, 12, 31, 23, 59, 58), 0x01 | 0x02 | 0x20));
    list.Add(Member(QStringLiteral("nodate"), 0, 0));
    const auto big = list.MemberDetails(0);
    EXPECT_EQ(big[zdName], QStringLiteral("big.bin"));
    EXPECT_EQ(big[zdCompSize], QStringLiteral("1,234,567"));
    EXPECT_EQ(big[zdOrigSize], QStringLiteral("4,938,268"));
    EXPECT_EQ(big[zdCompPcnt], QStringLiteral("75%"));
    EXPECT_EQ(big[zdDate], QLocale::c().toString(QDate(1996, 12, 31), QLocale::ShortFormat));
    EXPECT_TRUE(big[zdTime].startsWith(QStringLiteral("23:59:58"))) << big[zdTime].toStdString();
    EXPECT_EQ(big[zdAttr], QStringLiteral("RHA"));
    const auto none = list.MemberDetails(1);
    EXPECT_EQ(none[zdDate], QStringLiteral("?"));
    EXPECT_EQ(none[zdTime], QStringLiteral("?"));
    EXPECT_EQ(none[zdCompPcnt], QStringLiteral("0%"));

    // A time the clocks skipped in the zone of the day shows as stored.
    if (!QFileInfo::exists(QStringLiteral("/usr/share/zoneinfo/America/New_York")))
        GTEST_SKIP() << "the time zone America/New_York is not installed";
    const QByteArray savedZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    const auto restore = qScopeGuard([&]() {
        hadZone ? qputenv("TZ", savedZone) : qunsetenv("TZ");
        ::tzset();
    });
    qputenv("TZ", "America/New_York");
    ::tzset();
    list.Add(Member(QStringLiteral("gap.txt"), 1, 1, Packed(2024, 3, 10, 2, 30, 0)));
    const auto gap = list.MemberDetails(int(Names(list).indexOf(QStringLiteral("gap.txt"))));
    EXPECT_EQ(gap[zdDate], QLocale::c().toString(QDate(2024, 3, 10), QLocale::ShortFormat));
    EXPECT_TRUE(gap[zdTime].startsWith(QStringLiteral("02:30:00"))) << gap[zdTime].toStdString();
}

TEST(ZipReaderTest, ReadsArchivesThroughTheLibrary)
{
    if (!ArchiveFixtures::HaveZipTools())
        GTEST_SKIP() << "zip and zipinfo are not installed";
    ArchiveFixtures fx;
    const QDateTime old(QDate(1996, 12, 31), QTime(23, 59, 58));
    const QString zip = fx.MakeZip(QStringLiteral("Mixed Case.zip"),
        { { QStringLiteral("Zeta.TXT"), QByteArray(4000, 'z'), old },
            { QStringLiteral("alpha/Beta.c"), "int x;\n", {} }, { QStringLiteral("ünïcode.txt"), "u\n", {} } });
    ASSERT_FALSE(zip.isEmpty());
    TUnzipFile uf;
    TZipMembers list;
    int calls = 0;
    ASSERT_EQ(ReadZipDirectory(uf, zip, QStringLiteral("*.*"), tcLowerCase, list, [&]() { ++calls; }), 0);
    EXPECT_EQ(Names(list), (QStringList { "alpha/beta.c", "zeta.txt", QString::fromUtf8("ünïcode.txt") }));
    EXPECT_EQ(list.At(0).ArchiveName, QStringLiteral("alpha/Beta.c")) << "the archive's own name is kept";
    EXPECT_EQ(list.At(1).TimeStamp, Packed(1996, 12, 31, 23, 59, 58)) << "a 1996 member stays in 1996";
    EXPECT_GT(list.At(1).Ratio, 90);
    EXPECT_EQ(list.At(0).Icon, 26);
    EXPECT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.ListSize(), 4000 + 7 + 2);
    EXPECT_TRUE(uf.Options().testFlag(RecurseFlag));

    ASSERT_EQ(ReadZipDirectory(uf, zip, QStringLiteral("*.txt"), tcNone, list), 0);
    EXPECT_EQ(Names(list), QStringList { QString::fromUtf8("ünïcode.txt") })
        << "the mask selects the members; names keep their letter case";

    // An archive whose own name is not UTF-8 is found by its bytes.
    const QByteArray raw = hy::platform::EncodeFileName(fx.Path(QStringLiteral("bytes-"))) + "\xff\xfe.zip";
    ASSERT_EQ(::link(hy::platform::EncodeFileName(zip).constData(), raw.constData()), 0);
    ASSERT_EQ(ReadZipDirectory(uf, hy::platform::DecodeFileName(raw), QStringLiteral("*.*"), tcNone, list), 0);
    EXPECT_EQ(list.Count(), 3);
    ::unlink(raw.constData());

    // Only ".ZIP" files are read; a refused archive leaves the list empty with result 1.
    const QString renamed = fx.Path(QStringLiteral("DATA.ZIP.BAK"));
    QFile::copy(zip, renamed);
    EXPECT_EQ(ReadZipDirectory(uf, renamed, QStringLiteral("*.*"), tcNone, list), 0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.ListCount(), 0);
    const QString text = fx.Path(QStringLiteral("notes.zip"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not an archive at all\n");
    f.close();
    EXPECT_EQ(ReadZipDirectory(uf, text, QStringLiteral("*.*"), tcNone, list), 1);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ZipReaderTest, NamesInTheOldDosCodePageAndInUtf8BothShowRight)
{
    if (!ArchiveFixtures::HavePython())
        GTEST_SKIP() << "python3 is not installed";
    ArchiveFixtures fx;
    // One name stored in code page 437 without the UTF-8 flag, one in UTF-8 with it.
    const QString zip = fx.MakePythonZip(QStringLiteral("names.zip"), QStringLiteral(R"(
z = zipfile.ZipFile(path, 'w')
z.writestr('PQR ST.txt', 'old')
z.writestr('日本語 ünïcode.txt', 'new')
z.close()
data = open(path, 'rb').read().replace(b'PQR ST.txt', 'ÄÖÜ ßé.txt'.encode('cp437'))
open(path, 'wb').write(data)
)"));
    ASSERT_FALSE(zip.isEmpty());
    TUnzipFile uf;
    TZipMembers list;
    ASSERT_EQ(ReadZipDirectory(uf, zip, QStringLiteral("*.*"), tcNone, list), 0);
    EXPECT_EQ(Names(list), (QStringList { QString::fromUtf8("ÄÖÜ ßé.txt"), QString::fromUtf8("日本語 ünïcode.txt") }));
}

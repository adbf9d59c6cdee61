// Entry strings, their order, text cases and mask lists.
#include "core/filelist/FileEntry.h"
#include "core/filelist/FileMasks.h"

#include "support/QtPrinters.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace hy;
using namespace hy::filelist;

TEST(FileEntry, FieldsSurviveTheRoundTrip)
{
    const TEntryFields cases[] = {
        { ekFile, QStringLiteral("report.txt"), 19, 0x21, 0x2A5C6B12u, 1234567 },
        { ekFile, QStringLiteral("a|b|c"), 9, 0, 0, 0 },
        { ekFile, QStringLiteral("huge.img"), 9, 0, 0xF8000000u, 123456789012345678 },
        { ekDirectory, QStringLiteral("-rf \"x\"\nnext"), 8, 0x12, 0x00210000u, 0 },
        { ekDrive, QStringLiteral("/media/usb") + QChar(kDriveLabelSeparator) + QStringLiteral("stick"), 1, 0, 0, 0 },
        { ekFile, QString(255, QLatin1Char('n')), 9, 0x400, 1, 1 },
    };
    for (TFileListOrder order : { flNormal, flInverted }) {
        for (TFileListSortTypes sortBy : { sbName, sbType, sbSize, sbDate }) {
            for (const TEntryFields& f : cases) {
                const QString entry = BuildEntry(f, order, sortBy);
                const TEntryFields back = ParseEntry(entry, order);
                EXPECT_EQ(back.kind, f.kind) << f.name.toStdString();
                EXPECT_EQ(back.name, f.name);
                EXPECT_EQ(back.icon, f.icon);
                EXPECT_EQ(back.attributes, f.attributes);
                EXPECT_EQ(back.time, f.time);
                EXPECT_EQ(back.size, f.size);
            }
        }
    }
}

TEST(FileEntry, InvertedOrderExchangesDrivesAndFilesOnly)
{
    const TEntryFields drive { ekDrive, QStringLiteral("/"), 2 };
    const TEntryFields file { ekFile, QStringLiteral("a"), 9 };
    const TEntryFields dir { ekDirectory, QStringLiteral("d"), 8 };
    EXPECT_EQ(BuildEntry(drive, flInverted, sbName)[0], QLatin1Char('F'));
    EXPECT_EQ(BuildEntry(file, flInverted, sbName)[0], QLatin1Char('B'));
    EXPECT_EQ(BuildEntry(dir, flInverted, sbName)[0], QLatin1Char('E'));
    EXPECT_EQ(EntryKindOf(BuildEntry(file, flInverted, sbName), flInverted), ekFile);
}

TEST(FileEntry, UnknownFactsReadAsZeroUntilWritten)
{
    TEntryFields f { ekFile, QStringLiteral("later.txt"), 19, 0, 0, 0, false };
    QString entry = BuildEntry(f, flNormal, sbName);
    EXPECT_FALSE(EntryFactsKnown(entry));
    EXPECT_EQ(EntrySizeOf(entry), 0);
    const qsizetype length = entry.size();
    SetEntryFacts(entry, 0x01, 0x2A5C6B12u, 99);
    EXPECT_TRUE(EntryFactsKnown(entry));
    EXPECT_EQ(entry.size(), length);
    EXPECT_EQ(EntrySizeOf(entry), 99);
    EXPECT_EQ(EntryNameOf(entry), u"later.txt");
}

namespace {

std::vector<QString> Sorted(const std::vector<TEntryFields>& fields, TFileListSortTypes sortBy)
{
    std::vector<QString> entries;
    for (const TEntryFields& f : fields)
        entries.push_back(BuildEntry(f, flNormal, sortBy));
    std::sort(entries.begin(), entries.end(), EntryLess);
    std::vector<QString> names;
    for (const QString& e : entries)
        names.push_back(EntryNameOf(e).toString());
    return names;
}

std::vector<QString> Names(std::initializer_list<const char*> names)
{
    std::vector<QString> out;
    for (const char* n : names)
        out.push_back(QString::fromUtf8(n));
    return out;
}

} // namespace

TEST(FileEntry, OrderIsKindThenKeyThenName)
{
    const std::vector<TEntryFields> fields = {
        { ekFile, QStringLiteral("b.txt"), 19, 0, 0x30000000u, 10 },
        { ekFile, QStringLiteral("A.bat"), 10, 0, 0x20000000u, 9 },
        { ekFile, QStringLiteral("abc"), 9, 0, 0x40000000u, 100000000000 },
        { ekFile, QStringLiteral("ab"), 9, 0, 0x40000000u, 99999999999 },
        { ekDirectory, QStringLiteral("zeta"), 8 },
        { ekParent, QStringLiteral(".."), 7 },
        { ekDrive, QStringLiteral("/"), 2 },
    };
    EXPECT_EQ(Sorted(fields, sbName), Names({ "/", "..", "zeta", "A.bat", "ab", "abc", "b.txt" }));
    // A key padded with "0" puts names with an extension before names without one.
    EXPECT_EQ(Sorted(fields, sbType), Names({ "/", "..", "zeta", "A.bat", "b.txt", "ab", "abc" }));
    EXPECT_EQ(Sorted(fields, sbSize), Names({ "/", "..", "zeta", "A.bat", "b.txt", "ab", "abc" }));
    EXPECT_EQ(Sorted(fields, sbDate), Names({ "/", "..", "zeta", "A.bat", "b.txt", "ab", "abc" }));
}

TEST(FileEntry, NamesDifferingInCaseStayApartButNeighbours)
{
    const std::vector<TEntryFields> fields = {
        { ekFile, QStringLiteral("b"), 9 },
        { ekFile, QStringLiteral("a"), 9 },
        { ekFile, QStringLiteral("B"), 9 },
        { ekFile, QStringLiteral("\u00c4rger"), 9 },
        { ekFile, QStringLiteral("\u00e4rger"), 9 },
    };
    const std::vector<QString> sorted = Sorted(fields, sbName);
    ASSERT_EQ(sorted.size(), 5u);
    EXPECT_EQ(sorted[0], u"a");
    EXPECT_EQ(sorted[1].toLower(), u"b");
    EXPECT_EQ(sorted[2].toLower(), u"b");
    EXPECT_NE(sorted[1], sorted[2]);
    EXPECT_EQ(sorted[3].toLower(), sorted[4].toLower());
}

// Entries that come as runs, each in order (a walk's folders, sorted by the workers that read them), end in
// the order one sort of them all gives: runs that overlap or not, names differing in case only, the same
// entry twice, a prefix in no order, empty runs.
TEST(FileEntry, RunsInOrderMergeToTheOrderOfOneSort)
{
    // Names of a few folders and files, with neighbours that differ in case, in a character sorting before
    // or after "/", in length only, or not at all.
    const QStringList names = { QStringLiteral("a/x.txt"), QStringLiteral("A/x.txt"), QStringLiteral("a/X.txt"),
        QStringLiteral("a/b/c"), QStringLiteral("a.b/c"), QStringLiteral("a b/c"), QStringLiteral("a/x.txt"),
        QStringLiteral("a/xx"), QStringLiteral("ab"), QStringLiteral("\u00e4/1"), QStringLiteral("\u00c4/1"),
        QStringLiteral("z"), QStringLiteral("Z"), QStringLiteral("a/b/d"), QStringLiteral("a/b"),
        QStringLiteral("m/n/o.c"), QStringLiteral("m/N/o.C"), QStringLiteral("m/n/o.cpp") };
    std::vector<QString> all;
    for (int i = 0; i < 400; ++i) {
        const QString name = names[i % names.size()] + (i % 3 ? QString::number(i % 7) : QString());
        all.push_back(BuildEntry(TEntryFields { i % 11 ? ekFile : ekDirectory, name, 9, i % 5, 0, i % 2 }, flNormal,
            i % 4 ? sbName : sbType));
    }
    std::vector<QString> expected = all;
    SortEntries(expected);

    std::mt19937 random(7);
    const auto below = [&random](size_t n) { return size_t(random() % n); };
    for (int round = 0; round < 200; ++round) {
        std::vector<QString> entries = all;
        std::shuffle(entries.begin(), entries.end(), random);
        // The entries cut at random places; every piece but the first is put in order.
        std::vector<size_t> starts;
        size_t at = below(40);
        while (at <= entries.size()) {
            starts.push_back(at);
            at += below(round % 2 ? 120 : 12);
        }
        for (size_t r = 0; r < starts.size(); ++r) {
            const size_t end = r + 1 < starts.size() ? starts[r + 1] : entries.size();
            std::sort(entries.begin() + qsizetype(starts[r]), entries.begin() + qsizetype(end), EntryLess);
        }
        SortEntryRuns(entries, starts);
        ASSERT_EQ(entries, expected) << "round " << round;
    }

    // Runs that do not overlap, handed over in any order; no runs at all; one run.
    std::vector<QString> disjoint;
    std::vector<size_t> starts;
    for (size_t from = expected.size(); from > 0;) {
        const size_t to = from;
        from = from > 37 ? from - 37 : 0;
        starts.push_back(disjoint.size());
        disjoint.insert(disjoint.end(), expected.begin() + qsizetype(from), expected.begin() + qsizetype(to));
    }
    SortEntryRuns(disjoint, starts);
    EXPECT_EQ(disjoint, expected);
    std::vector<QString> unordered(all);
    SortEntryRuns(unordered, {});
    EXPECT_EQ(unordered, expected);
    std::vector<QString> one(expected);
    SortEntryRuns(one, { 0 });
    EXPECT_EQ(one, expected);
}

TEST(FileEntry, TextCases)
{
    const QString name = QStringLiteral("my REPORT/draft one.TXT");
    EXPECT_EQ(ConvertCase(name, tcLowerCase), u"my report/draft one.txt");
    EXPECT_EQ(ConvertCase(name, tcUpperCase), u"MY REPORT/DRAFT ONE.TXT");
    EXPECT_EQ(ConvertCase(name, tcAuto), u"My Report/Draft One.txt");
    EXPECT_EQ(ConvertCase(name, tcNone), name);
}

TEST(FileMasks, ListsAreReadInOrder)
{
    const struct {
        const char* list;
        std::vector<const char*> masks;
    } cases[] = {
        { "*.txt *.doc", { "*.txt", "*.doc" } },
        { "*.txt,*.*", { "*.txt", "*.*" } },
        { "\"my file?.txt\" *.c", { "my file?.txt", "*.c" } },
        { "  ", {} },
    };
    for (const auto& c : cases) {
        const TMaskList list(QString::fromUtf8(c.list));
        ASSERT_EQ(list.Count(), int(c.masks.size())) << c.list;
        for (int i = 0; i < list.Count(); ++i)
            EXPECT_EQ(list.Mask(i), QString::fromUtf8(c.masks[size_t(i)]));
    }
}

TEST(FileMasks, MatchingIgnoresCase)
{
    const struct {
        const char* mask;
        const char* name;
        bool match;
    } cases[] = {
        { "*.*", "Makefile", true },
        { "*", ".hidden", true },
        { "*.txt", "README.TXT", true },
        { "*.txt", "notes.txt.bak", false },
        { "*.TXT", "a.txt", true },
        { "a?c", "ABC", true },
        { "a?c", "ac", false },
        { "*.EXE", "setup.exe", true },
        { "r*d*.md", "README.md", true },
        { "exact.txt", "Exact.TXT", true },
        { "exact.txt", "exact.txtx", false },
        { "\u00e4*", "\u00c4rger", true },
    };
    for (const auto& c : cases)
        EXPECT_EQ(TMaskList::Match(QString::fromUtf8(c.mask), QString::fromUtf8(c.name)), c.match)
            << c.mask << " " << c.name;
}

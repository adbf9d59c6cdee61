// Encodings and the text layout: telling encodings apart, decoding into clusters and cells, columns and
// checkpoints over long lines, estimates far into them, words and wrapped rows, against lines in memory.
#include "core/viewer/HvTextLayout.h"
#include "core/viewer/HvEncoding.h"

#include <QStringDecoder>
#include <gtest/gtest.h>
#include <random>

namespace hy::viewer::test {
namespace {

    // Lines in memory, counting what is read.
    class MemorySource : public THvTextSource {
    public:
        std::vector<QByteArray> lines;
        qint64 bytesRead = 0;
        bool tellSize = false;

        qint64 SourceRead(LineNumber line, qint64 from, uint8_t* buf, qint64 n) override
        {
            if (line < 0 || line >= qint64(lines.size()))
                return 0;
            const QByteArray& l = lines[size_t(line)];
            const qint64 count = std::clamp<qint64>(l.size() - from, 0, n);
            std::memcpy(buf, l.constData() + from, size_t(count));
            bytesRead += count;
            return count;
        }
        qint64 SourceKnownSize(LineNumber line) override
        {
            return tellSize && line >= 0 && line < qint64(lines.size()) ? lines[size_t(line)].size() : -1;
        }
    };

    QByteArray Utf16(const QString& s, bool big)
    {
        QByteArray out;
        for (QChar c : s) {
            const char hi = char(c.unicode() >> 8);
            const char lo = char(c.unicode() & 0xFF);
            out.append(big ? hi : lo);
            out.append(big ? lo : hi);
        }
        return out;
    }

    struct Shown {
        QString text;
        std::vector<int> widths;
    };

    // Every cluster of a line, walked with NextIndex, as (text, width) pairs.
    Shown Clusters(THvTextLayout& layout, LineNumber line)
    {
        Shown s;
        for (const TCell& c : layout.CellsOfRange(line, 0, std::numeric_limits<qint64>::max())) {
            s.text += c.Type == TCell::Replacement ? QString(QChar(0xFFFD))
                : c.Type == TCell::Glyph           ? c.Text
                                                   : QStringLiteral("_");
            s.widths.push_back(c.Width);
        }
        return s;
    }

} // namespace

TEST(HvEncoding, AutoTellsUtf16ByItsMarkUtf8ByMarkOrValidMultibyteTextElseWindows1252)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        TTextEncoding want;
    };
    const Case cases[] = {
        { "UTF-16 LE mark",
            QByteArray("\xFF\xFE"
                       "a\0",
                4),
            TTextEncoding::Utf16LE },
        { "UTF-16 BE mark", QByteArray("\xFE\xFF\0a", 4), TTextEncoding::Utf16BE },
        { "UTF-8 mark on ASCII", "\xEF\xBB\xBFplain", TTextEncoding::Utf8 },
        { "valid UTF-8 with a multi-byte sequence", "caf\xC3\xA9", TTextEncoding::Utf8 },
        { "plain ASCII is the design's 8-bit text", "plain text", TTextEncoding::Windows1252 },
        { "a Latin-1 byte", "caf\xE9", TTextEncoding::Windows1252 },
        { "an overlong form", "\xC0\xAF", TTextEncoding::Windows1252 },
        { "an encoded surrogate", "\xED\xA0\x80", TTextEncoding::Windows1252 },
        { "a sequence cut by the sample's end", "caf\xC3\xA9 \xE6\x97", TTextEncoding::Utf8 },
        { "empty", "", TTextEncoding::Windows1252 },
    };
    for (const Case& c : cases) {
        const auto* p = reinterpret_cast<const uint8_t*>(c.bytes.constData());
        const bool more = c.want == TTextEncoding::Utf8 && c.bytes.endsWith("\x97"); // the sample is cut there
        EXPECT_EQ(int(DetectEncoding(p, size_t(c.bytes.size()), more)), int(c.want)) << c.name;
    }
    EXPECT_EQ(DetectEncoding(reinterpret_cast<const uint8_t*>("ab\xE6\x97"), 4, false), TTextEncoding::Windows1252)
        << "a file that ends inside a sequence is no UTF-8";
    // Only the first 64 KiB count: an invalid byte after them does not change the choice.
    QByteArray late = QByteArray("\xC3\xA9") + QByteArray(int(kDetectBytes), 'a') + "\xFF";
    EXPECT_EQ(
        DetectEncoding(reinterpret_cast<const uint8_t*>(late.constData()), size_t(late.size())), TTextEncoding::Utf8);
}

TEST(HvEncoding, SearchFormsFollowSimpleCaseFolding)
{
    // "É" folds to "é"; the Kelvin sign folds to "k"; "ß" has no simple upper case form to match "SS".
    const std::vector<char32_t>& e = CaseVariants(FoldCase(U'\u00C9'));
    EXPECT_NE(std::find(e.begin(), e.end(), U'\u00E9'), e.end());
    EXPECT_NE(std::find(e.begin(), e.end(), U'\u00C9'), e.end());
    const std::vector<char32_t>& k = CaseVariants(FoldCase(U'K'));
    EXPECT_NE(std::find(k.begin(), k.end(), U'\u212A'), k.end());
    EXPECT_EQ(CaseVariants(FoldCase(U'\u00DF')).size(), 2u) << "ß and its capital ẞ";
    bool ok = true;
    EXPECT_EQ(EncodeText(TTextEncoding::Windows1252, QStringLiteral("\u20AC"), &ok), QByteArray("\x80"));
    EXPECT_TRUE(ok);
    EncodeText(TTextEncoding::Iso8859_1, QStringLiteral("\u20AC"), &ok);
    EXPECT_FALSE(ok);
}

TEST(HvTextLayout, ClustersCellsAndInvalidBytesInEachEncoding)
{
    MemorySource src;
    THvTextLayout layout(&src);
    struct Case {
        const char* name;
        TTextEncoding encoding;
        QByteArray line;
        QString text; // clusters; "_" for blanks and placeholders
        std::vector<int> widths;
    };
    const Case cases[] = {
        { "2-, 3- and 4-byte characters", TTextEncoding::Utf8, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
            QStringLiteral("é€\U0001F600"), { 1, 1, 2 } },
        { "wide characters take two cells", TTextEncoding::Utf8, "a\xE6\x97\xA5\xEF\xBC\xA1", QStringLiteral("a日Ａ"),
            { 1, 2, 2 } },
        { "marks join their base", TTextEncoding::Utf8, "e\xCC\x81x\xCC\x81\xCC\xA3",
            QStringLiteral("e\u0301x\u0301\u0323"), { 1, 1 } },
        { "a mark with no base stands alone", TTextEncoding::Utf8,
            "\xCC\x81"
            "a",
            QStringLiteral(" \u0301a"), { 1, 1 } },
        { "one replacement mark per invalid byte", TTextEncoding::Utf8,
            "a\xE2\x82"
            "b\xFF",
            QStringLiteral("a\uFFFD\uFFFDb\uFFFD"), { 1, 1, 1, 1, 1 } },
        { "tabs and zero bytes are blanks, controls placeholders", TTextEncoding::Utf8, QByteArray("a\tb\0\x01", 5),
            QStringLiteral("a_b__"), { 1, 7, 1, 1, 1 } },
        { "Windows-1252", TTextEncoding::Windows1252, "\x80\xE9\x81", QStringLiteral("€é_"), { 1, 1, 1 } },
        { "ISO-8859-1", TTextEncoding::Iso8859_1, "\x80\xE9", QStringLiteral("_é"), { 1, 1 } },
        { "UTF-16 LE with a surrogate pair", TTextEncoding::Utf16LE, Utf16(QStringLiteral("a\U0001F600\u65E5"), false),
            QStringLiteral("a\U0001F600\u65E5"), { 1, 2, 2 } },
        { "UTF-16 BE, a lone surrogate and an odd last byte", TTextEncoding::Utf16BE,
            Utf16(QStringLiteral("b"), true) + QByteArray("\xD8\x00", 2) + "x", QStringLiteral("b\uFFFD\uFFFD"),
            { 1, 1, 1 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        layout.SetEncoding(c.encoding);
        src.lines = { c.line };
        layout.Reset();
        const Shown s = Clusters(layout, 0);
        EXPECT_EQ(s.text, c.text);
        EXPECT_EQ(s.widths, c.widths);
        // Moving right cluster by cluster and back again visits the same starts.
        std::vector<qint64> starts;
        for (qint64 i = 0; i < layout.LineSize(0); i = layout.NextIndex(0, i))
            starts.push_back(i);
        EXPECT_EQ(starts.size(), c.widths.size());
        for (size_t k = starts.size(); k-- > 1;)
            EXPECT_EQ(layout.PrevIndex(0, starts[k]), starts[k - 1]);
        // The last column is the sum of the widths.
        qint64 columns = 0;
        for (int w : c.widths)
            columns += w;
        EXPECT_EQ(layout.ColumnOf(0, layout.LineSize(0)), columns);
    }
}

TEST(HvTextLayout, TheFilesByteOrderMarkGoesWithTheFirstCharacterAndIsNoText)
{
    MemorySource src;
    THvTextLayout layout(&src);
    struct Case {
        const char* name;
        TTextEncoding encoding;
        bool mark; // the encoding has a byte-order mark
        QString text; // the first line's text in copies, and its clusters drawn
    };
    const QString bom = QStringLiteral("\uFEFF");
    const Case cases[] = {
        { "UTF-8", TTextEncoding::Utf8, true, QStringLiteral("ab\uFEFF") },
        { "UTF-16 LE", TTextEncoding::Utf16LE, true, QStringLiteral("ab\uFEFF") },
        { "UTF-16 BE", TTextEncoding::Utf16BE, true, QStringLiteral("ab\uFEFF") },
        { "Windows-1252 has none", TTextEncoding::Windows1252, false,
            QStringLiteral("\u00EF\u00BB\u00BFab\u00EF\u00BB\u00BF") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = [&](const QString& s) {
            return c.encoding == TTextEncoding::Windows1252 ? s.toUtf8() : EncodeText(c.encoding, s);
        };
        layout.SetEncoding(c.encoding);
        src.lines = { bytes(bom + QStringLiteral("ab\uFEFF")), bytes(bom + QStringLiteral("c")) };
        layout.Reset();
        EXPECT_EQ(layout.Text(0, 0, 100), c.text);
        EXPECT_EQ(Clusters(layout, 0).text, c.text);
        if (!c.mark)
            continue;
        const TCell first = layout.CellAt(0, 0);
        EXPECT_EQ(first.Index, 0);
        EXPECT_EQ(first.Code, U'a') << "the caret at the start stands on the first character";
        EXPECT_EQ(first.Length, bytes(bom + QStringLiteral("a")).size());
        EXPECT_EQ(layout.ColumnOf(0, first.Length), 1);
        // On other lines U+FEFF is text: a blank of no width of its own.
        EXPECT_EQ(layout.Text(1, 0, 100), bom + QStringLiteral("c"));
        EXPECT_EQ(Clusters(layout, 1).text, QStringLiteral("_c"));
        EXPECT_EQ(Clusters(layout, 1).widths, (std::vector<int> { 0, 1 }));
        // A first line that is nothing but the mark holds no text.
        src.lines = { bytes(bom) };
        layout.Reset();
        EXPECT_EQ(layout.Text(0, 0, 100), QString());
        EXPECT_EQ(layout.ColumnOf(0, layout.LineSize(0)), 0);
    }
    EXPECT_EQ(CharText(0xFEFF), bom);
    EXPECT_EQ(EncodeChar(TTextEncoding::Utf8, 0xFEFF), QByteArray("\xEF\xBB\xBF"));
}

TEST(HvTextLayout, ColumnsAndIndexesMapBothWaysAroundWideCharactersAndTabs)
{
    MemorySource src;
    THvTextLayout layout(&src);
    layout.SetEncoding(TTextEncoding::Utf8);
    src.lines = { "a\xE6\x97\xA5"
                  "b\tc" }; // a(0) 日(1-2) b(3) tab(4-7) c(8)
    EXPECT_EQ(layout.ColumnOf(0, 1), 1);
    EXPECT_EQ(layout.ColumnOf(0, 4), 3);
    EXPECT_EQ(layout.ColumnOf(0, 6), 8);
    EXPECT_EQ(layout.IndexAtColumn(0, 2), 1) << "inside the wide character: itself";
    EXPECT_EQ(layout.IndexAtColumn(0, 3), 4) << "where it ends: the next";
    EXPECT_EQ(layout.IndexAtColumn(0, 6), 5) << "inside the tab";
    EXPECT_EQ(layout.IndexAtColumn(0, 99), 7) << "beyond the end: the end";
    EXPECT_EQ(layout.ClusterStart(0, 2), 1) << "a byte inside a character snaps to its start";
    EXPECT_EQ(layout.ColumnOf(0, 9), 9 + 2) << "past the end one column per byte";
    layout.SetTabs(false, 8);
    EXPECT_EQ(layout.ColumnOf(0, 6), 5);
}

TEST(HvTextLayout, CharactersAcrossReadChunksAndPagesDecodeWhole)
{
    // Multi-byte characters placed over every 4 KiB and 64 KiB boundary of a 300 KiB line.
    QByteArray line;
    QString want;
    std::mt19937 rng(5);
    const char* pieces[] = { "a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xE6\x97\xA5", "\xCC\x81" };
    const char16_t* texts[] = { u"a", u"é", u"€", u"\U0001F600", u"日", u"\u0301" };
    while (line.size() < 300 * 1024) {
        const int k = int(rng() % 6);
        line += pieces[k];
        want += QString::fromUtf16(texts[k]);
    }
    MemorySource src;
    src.lines = { line };
    THvTextLayout layout(&src);
    layout.SetEncoding(TTextEncoding::Utf8);
    EXPECT_EQ(layout.Text(0, 0, line.size()), want);
    QString joined;
    qint64 column = 0;
    for (const TCell& c : layout.CellsOfRange(0, 0, line.size())) {
        EXPECT_EQ(c.Column, column);
        column += c.Width;
        joined += c.Type == TCell::Glyph ? c.Text.trimmed() : QString();
    }
    EXPECT_EQ(joined, QString(want).remove(QLatin1Char(' ')));
    EXPECT_EQ(layout.LineColumns(0), column);
    // Every cluster start is found again from its column, wherever the checkpoints fall.
    for (qint64 at = 4090; at < line.size(); at += 65536) {
        const qint64 start = layout.ClusterStart(0, at);
        EXPECT_EQ(layout.ClusterAtColumn(0, layout.ColumnOf(0, start)), start);
    }
    EXPECT_GT(layout.CheckpointCount(0), 50);
}

TEST(HvTextLayout, LinesOfMillionsOfCharactersReadOnlyWhatIsShown)
{
    // 2,000,000 characters, then 5,000: the long line's far end is estimated when its size is known.
    MemorySource src;
    QByteArray longLine(2000000, 'x');
    for (int i = 1000; i < longLine.size(); i += 1000)
        longLine[i] = ' ';
    src.lines = { longLine, QByteArray(5000, 'y') };
    THvTextLayout layout(&src);
    layout.SetEncoding(TTextEncoding::Utf8);

    const std::vector<TCell> first = layout.Cells(0, 0, 80);
    ASSERT_EQ(first.size(), 80u);
    EXPECT_LT(src.bytesRead, 128 * 1024) << "the first screen reads a little of the line";

    // A line of 2 MB is counted exactly when its end is asked for.
    EXPECT_EQ(layout.LineColumns(0), 2000000);
    EXPECT_EQ(layout.ColumnOf(0, 1999999), 1999999);
    EXPECT_EQ(layout.WordLeft(0, 2000000), 1999001);
    EXPECT_EQ(layout.WordRight(0, 1999000), 1999001);
    const std::vector<TCell> end = layout.Cells(0, 2000000 - 80, 2000000);
    ASSERT_EQ(end.size(), 80u);
    EXPECT_EQ(end.back().Index, 1999999);
    EXPECT_EQ(layout.LineColumns(1), 5000);
    EXPECT_EQ(layout.WidestSeen(), 2000000);

    // A line of 64 MB whose size the source knows: its end shows at once, estimated.
    src.lines = { QByteArray(64 << 20, 'z') };
    src.tellSize = true;
    layout.Reset();
    src.bytesRead = 0;
    EXPECT_EQ(layout.ColumnOf(0, 64 << 20), 64 << 20);
    const std::vector<TCell> tail = layout.Cells(0, (64 << 20) - 80, 64 << 20);
    ASSERT_EQ(tail.size(), 80u);
    EXPECT_EQ(tail.back().Index, (64 << 20) - 1);
    EXPECT_LT(src.bytesRead, 1 << 20);
}

TEST(HvTextLayout, EstimatesStartOnCharacterBoundaries)
{
    // Far into a long UTF-8 line an estimated place never splits a character.
    QByteArray line;
    while (line.size() < (12 << 20))
        line += "\xE6\x97\xA5\xC3\xA9"
                "ab";
    MemorySource src;
    src.lines = { line };
    src.tellSize = true;
    THvTextLayout layout(&src);
    layout.SetEncoding(TTextEncoding::Utf8);
    for (qint64 column : { qint64(9) << 20, (qint64(9) << 20) + 1, (qint64(9) << 20) + 2 }) {
        for (const TCell& c : layout.Cells(0, column, column + 20)) {
            EXPECT_NE(c.Type, TCell::Replacement) << "at " << c.Index;
            EXPECT_NE(uint8_t(line[c.Index]) & 0xC0, 0x80) << "at " << c.Index;
        }
    }
}

TEST(HvTextLayout, WrappedRowsFitTheWidthAndBreakAfterBlanks)
{
    MemorySource src;
    THvTextLayout layout(&src);
    layout.SetEncoding(TTextEncoding::Utf8);
    src.lines = { "the quick brown fox jumps over the lazy dog", "", "abcdefghijklmnopqrstuvwxyz",
        "\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5" };
    struct Case {
        LineNumber line;
        int width;
        std::vector<qint64> starts;
    };
    const Case cases[] = {
        { 0, 10, { 0, 10, 20, 26, 35 } }, // "the quick " "brown fox " "jumps " "over the " "lazy dog"
        { 0, 16, { 0, 16, 31 } }, { 0, 100, { 0 } }, { 1, 5, { 0 } }, // an empty line has one row
        { 2, 10, { 0, 10, 20 } }, // no blank: at the width
        { 3, 5, { 0, 6 } }, // two wide characters fit in 5 cells, the third goes down
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << " width " << c.width);
        std::vector<qint64> starts;
        for (qint64 row = 0; layout.RowStart(c.line, c.width, row) >= 0; ++row)
            starts.push_back(layout.RowStart(c.line, c.width, row));
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(layout.RowCount(c.line, c.width), qint64(c.starts.size()));
        for (size_t r = 0; r < starts.size(); ++r) {
            EXPECT_EQ(layout.RowOf(c.line, c.width, starts[r]), qint64(r));
            const qint64 next = r + 1 < starts.size() ? starts[r + 1] : layout.LineSize(c.line);
            EXPECT_LE(layout.ColumnOf(c.line, next) - layout.ColumnOf(c.line, starts[r]), c.width);
        }
    }
    // A line too long to break on blanks breaks every width columns.
    src.lines = { QByteArray(200000, 'w') };
    layout.Reset();
    EXPECT_EQ(layout.RowStart(0, 80, 3), 240);
    EXPECT_EQ(layout.RowOf(0, 80, 250), 3);
    EXPECT_EQ(layout.RowCount(0, 80), -1) << "not known before the line was read to its end";
    layout.LineSize(0);
    EXPECT_EQ(layout.RowCount(0, 80), 2500);
}

} // namespace hy::viewer::test

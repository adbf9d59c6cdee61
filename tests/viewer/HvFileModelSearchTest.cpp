// The text and byte searches of the file model, against a line-by-line reference search over random data.
#include "viewer/HvFileModelTest.h"

#include "core/viewer/HvTextSearch.h"
#include "platform/Cp1252.h"

#include <QChar>
#include <iconv.h>
#include <optional>

namespace hy::viewer::test {
namespace {

    // Windows-1252 upper-casing from the C library's code page tables and Unicode case rules.
    std::vector<uint8_t> IconvUpperTable()
    {
        std::vector<uint8_t> table(256);
        iconv_t toUcs = iconv_open("UTF-32LE", "CP1252");
        iconv_t fromUcs = iconv_open("CP1252", "UTF-32LE");
        EXPECT_NE(toUcs, iconv_t(-1));
        for (int c = 0; c < 256; ++c) {
            table[size_t(c)] = uint8_t(c);
            char in = char(c);
            char32_t u = 0;
            char* ip = &in;
            size_t il = 1;
            char* op = reinterpret_cast<char*>(&u);
            size_t ol = 4;
            if (iconv(toUcs, &ip, &il, &op, &ol) == size_t(-1) || u > 0xFFFF)
                continue;
            char32_t up = QChar(char16_t(u)).toUpper().unicode();
            char out = 0;
            ip = reinterpret_cast<char*>(&up);
            il = 4;
            op = &out;
            ol = 1;
            if (iconv(fromUcs, &ip, &il, &op, &ol) != size_t(-1) && ol == 0)
                table[size_t(c)] = uint8_t(out);
        }
        iconv_close(toUcs);
        iconv_close(fromUcs);
        return table;
    }

    const std::vector<uint8_t>& Upper()
    {
        static const std::vector<uint8_t> table = IconvUpperTable();
        return table;
    }

    std::string Fold(std::string s, bool matchCase)
    {
        if (!matchCase) {
            for (char& c : s)
                c = char(Upper()[uint8_t(c)]);
        }
        return s;
    }

    // The text a person types for these bytes of a Windows-1252 file.
    QString T(const QByteArray& bytes)
    {
        QString s = platform::Cp1252Decode(bytes);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == 0)
                s[i] = QChar(0);
        }
        return s;
    }

    // A line as the search sees it: whole, zero bytes as spaces.
    std::string Whole(std::string raw)
    {
        for (char& c : raw) {
            if (c == 0)
                c = ' ';
        }
        return raw;
    }

    std::string Needle(const QByteArray& text)
    {
        return std::string(text.constData(), strnlen(text.constData(), size_t(text.size())));
    }

    std::optional<TSearchHit> ReferenceFindText(
        const std::vector<std::string>& lines, const QByteArray& text, unsigned options, LineNumber line, int index)
    {
        const bool matchCase = options & soMatchCase;
        const std::string needle = Fold(Needle(text), matchCase);
        if (needle.empty() || lines.empty())
            return std::nullopt;
        const LineNumber total = LineNumber(lines.size());
        if (options & soWholeFile) {
            line = options & soBackward ? total - 1 : 0;
            index = options & soBackward ? int(lines.back().size()) : 0;
        }
        line = std::min(line, total - 1);
        auto hit = [&](LineNumber l, size_t p) { return TSearchHit { l, int(p), l, int(p + needle.size()) }; };
        if (!(options & soBackward)) {
            for (LineNumber l = line; l < total; ++l) {
                const std::string t = Fold(Whole(lines[size_t(l)]), matchCase);
                const size_t from = l == line ? size_t(index) : 0;
                if (from > t.size())
                    continue;
                const size_t p = t.find(needle, from);
                if (p != std::string::npos)
                    return hit(l, p);
            }
            return std::nullopt;
        }
        for (LineNumber l = line; l >= 0; --l) {
            std::string t = Fold(Whole(lines[size_t(l)]), matchCase);
            if (l == line)
                t.resize(std::min(t.size(), size_t(index)));
            const size_t p = t.rfind(needle);
            if (p != std::string::npos)
                return hit(l, p);
        }
        return std::nullopt;
    }

    std::optional<TSearchHit> ReferenceFindBytes(
        const QByteArray& data, const QByteArray& text, unsigned options, LineNumber row)
    {
        const bool matchCase = options & soMatchCase;
        const std::string raw = Needle(text);
        if (raw.empty() || data.isEmpty())
            return std::nullopt;
        std::string needle = Fold(raw, matchCase);
        auto t = [&](uint8_t c) { return matchCase || c < 33 ? c : Upper()[c]; };
        const qint64 n = qint64(needle.size());
        const qint64 size = data.size();
        auto at = [&](qint64 s) {
            for (qint64 j = 0; j < n; ++j) {
                if (t(uint8_t(data[s + j])) != uint8_t(needle[size_t(j)]))
                    return false;
            }
            return true;
        };
        auto hit = [&](qint64 s) {
            const qint64 e = s + n - 1;
            return TSearchHit { s / 16, int(59 + s % 16), e / 16, int(60 + e % 16) };
        };
        const bool backward = options & soBackward;
        qint64 start = options & soWholeFile ? (backward ? size - 1 : 0) : (backward ? row * 16 - 1 : row * 16 + 16);
        if (!backward) {
            for (qint64 s = start; s <= size - n; ++s) {
                if (at(s))
                    return hit(s);
            }
        } else {
            for (qint64 e = std::min(start, size - 1); e >= n - 1; --e) {
                if (at(e - n + 1))
                    return hit(e - n + 1);
            }
        }
        return std::nullopt;
    }

    std::string Describe(const std::optional<TSearchHit>& h)
    {
        if (!h)
            return "none";
        return std::to_string(h->StartLine) + ":" + std::to_string(h->StartIndex) + "-" + std::to_string(h->EndLine)
            + ":" + std::to_string(h->EndIndex);
    }

    struct Fixture {
        hy::test::TTempFolder files;
        Recorder events;
        THvFileModel model { &events };
        QByteArray data;
        std::vector<std::string> lines;

        void Open(const QByteArray& bytes)
        {
            data = bytes;
            lines = ReferenceLines(bytes);
            model.SetFileName(files.Write(QStringLiteral("f.txt"), bytes));
            model.Open();
        }
    };

    TEST(HvFileModelSearch, AnsiUpperIsWindows1252UpperCasing)
    {
        for (int c = 0; c < 256; ++c)
            EXPECT_EQ(int(AnsiUpper(uint8_t(c))), int(Upper()[size_t(c)])) << c;
    }

    TEST(HvFileModelSearch, TextSearchMatchesTheReferenceOverRandomFiles)
    {
        std::mt19937 rng(42);
        const unsigned optionSets[] = { 0, 2, 4, 6, 8, 10, 12, 14 };
        for (int round = 0; round < 10; ++round) {
            Fixture f;
            f.Open(RandomText(rng, 300 + int(rng() % 1500), round % 2 ? "abAB \xe9\xc9" : "ab \xff\x9f", 40));
            // Even rounds share the probe counts across their searches, as a search over many files does: the
            // first search's sample chooses the probe of every later one, wherever it starts.
            f.model.ShareProbeCounts(round % 2 == 0);
            const LineNumber total = LineNumber(f.lines.size());
            for (int i = 0; i < 250; ++i) {
                // A piece of the file, with some letters' case changed, or a random short text.
                QByteArray needle;
                if (rng() % 4) {
                    const qint64 at = qint64(rng() % unsigned(f.data.size()));
                    needle = f.data.mid(at, 1 + int(rng() % 5));
                    for (char& c : needle) {
                        if (rng() % 3 == 0)
                            c = char(Upper()[uint8_t(c)]);
                    }
                } else {
                    const int len = 1 + int(rng() % 3);
                    for (int j = 0; j < len; ++j)
                        needle.append("abAB \xe9"[rng() % 6]);
                }
                const unsigned options = optionSets[rng() % 8];
                const LineNumber line = LineNumber(rng() % unsigned(total));
                const int index = rng() % 10 == 0 ? int(rng() % 1200) : int(rng() % 50);
                const auto want = ReferenceFindText(f.lines, needle, options, line, index);
                const auto got = f.model.FindText(T(needle), options, line, index);
                ASSERT_EQ(Describe(got), Describe(want)) << "round " << round << " needle '" << needle.toStdString()
                                                         << "' options " << options << " from " << line << ":" << index;
            }
            EXPECT_EQ(f.events.depth, 0);
        }
    }

    TEST(HvFileModelSearch, FindNextWalksEveryMatchBothWays)
    {
        std::mt19937 rng(8);
        Fixture f;
        f.Open(RandomText(rng, 600, "aab c", 30));
        for (const QByteArray& needle : { QByteArray("ab"), QByteArray("A"), QByteArray(" c") }) {
            for (unsigned matchCase : { 0u, unsigned(soMatchCase) }) {
                SCOPED_TRACE(needle.toStdString() + std::to_string(matchCase));
                int count = 0;
                LineNumber line = 0;
                int index = 0;
                for (;;) {
                    const auto want = ReferenceFindText(f.lines, needle, matchCase, line, index);
                    const auto got = f.model.FindText(T(needle), matchCase, line, index);
                    ASSERT_EQ(Describe(got), Describe(want));
                    if (!got)
                        break;
                    ++count;
                    line = got->EndLine; // the caret stands after the match
                    index = got->EndIndex;
                }
                line = LineNumber(f.lines.size()) - 1;
                index = 1023;
                int back = 0;
                for (;;) {
                    const auto want = ReferenceFindText(f.lines, needle, matchCase | soBackward, line, index);
                    const auto got = f.model.FindText(T(needle), matchCase | soBackward, line, index);
                    ASSERT_EQ(Describe(got), Describe(want));
                    if (!got)
                        break;
                    ++back;
                    line = got->StartLine; // the caret stands on the match's first character
                    index = got->StartIndex;
                }
                if (needle != "A" || matchCase == 0) {
                    EXPECT_GT(count, 10);
                }
                EXPECT_EQ(back, count);
            }
        }
    }

    TEST(HvFileModelSearch, TextSearchRules)
    {
        struct Case {
            const char* name;
            QByteArray data;
            QByteArray needle;
            unsigned options;
            LineNumber line;
            int index;
            std::string want;
        };
        const QByteArray longLine = QByteArray(1020, 'x') + "abcd\nabcd";
        const QByteArray zeros = QByteArray(3 << 20, '\0') + "\nx  y\n" + QByteArray(1 << 20, ' ') + "\n";
        const std::vector<Case> cases = {
            { "second in line", "xx ab ab\n", "ab", 0, 0, 5, "0:6-0:8" },
            { "from caret", "ab ab\n", "ab", 0, 0, 1, "0:3-0:5" },
            { "backward before caret", "ab ab ab\n", "ab", soBackward, 0, 7, "0:3-0:5" },
            { "backward needs whole match", "ab ab ab\n", "ab", soBackward, 0, 4, "0:0-0:2" },
            { "backward overlapping", "aaaa\n", "aa", soBackward, 0, 4, "0:2-0:4" },
            { "backward to previous line", "ab\nxx\n", "ab", soBackward, 1, 1, "0:0-0:2" },
            { "no wrap forward", "ab\nxx\n", "ab", 0, 1, 0, "none" },
            { "no wrap backward", "xx\nab\n", "ab", soBackward, 0, 2, "none" },
            { "not across lf", "ab\ncd", "b\nc", soWholeFile, 0, 0, "none" },
            { "not across crlf", "ab\r\ncd", "bc", soWholeFile, 0, 0, "none" },
            { "whole file forward", "ab\nab\n", "ab", soWholeFile, 1, 2, "0:0-0:2" },
            { "whole file backward", "ab\nab\nx", "ab", soWholeFile | soBackward, 0, 0, "1:0-1:2" },
            { "case folded",
                "Stra\xdf"
                "e \xc9T\xc9\n",
                "\xe9t\xe9", 0, 0, 0, "0:7-0:10" },
            { "match case", "\xc9T\xc9 \xe9t\xe9\n", "\xe9t\xe9", soMatchCase, 0, 0, "0:4-0:7" },
            { "zero reads as space", QByteArray("a\0b\n", 4), "a b", soMatchCase, 0, 0, "0:0-0:3" },
            { "text ends at zero", "a b\n", QByteArray("a\0zz", 4), 0, 0, 0, "0:0-0:1" },
            { "empty text", "abc\n", "", 0, 0, 0, "none" },
            { "ends at 1023", longLine, "abc", 0, 0, 0, "0:1020-0:1023" },
            { "lines are searched whole", longLine, "abcd", 0, 0, 0, "0:1020-0:1024" },
            { "beyond 1023 backward", longLine, "abcd", soBackward | soWholeFile, 0, 0, "1:0-1:4" },
            { "1023 backward", longLine, "bcd", soBackward, 0, 1023, "none" },
            { "caret past line end", "ab\ncd\n", "cd", 0, 0, 40, "1:0-1:2" },
            { "zeros as spaces", zeros, "  ", 0, 0, 1000, "0:1000-0:1002" },
            { "long line of zeros", zeros, "  ", 0, 0, 1022, "0:1022-0:1024" },
            { "long line of spaces", zeros, "  ", 0, 1, 2, "2:0-2:2" },
            { "long line of zeros backward", zeros, "  ", soBackward, 1, 0, "0:3145726-0:3145728" },
            { "long line of spaces backward", zeros, "  ", soBackward, 3, 0, "2:1048574-2:1048576" },
            { "whole file backward after long lines", zeros + "  ", "  ", soBackward | soWholeFile, 0, 0, "3:0-3:2" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Fixture f;
            f.Open(c.data);
            EXPECT_EQ(Describe(f.model.FindText(T(c.needle), c.options, c.line, c.index)), c.want);
            EXPECT_EQ(Describe(ReferenceFindText(f.lines, c.needle, c.options, c.line, c.index)), c.want);
            EXPECT_EQ(f.events.depth, 0);
        }
    }

    TEST(HvFileModelSearch, LongTextsAreFound)
    {
        Fixture f;
        std::mt19937 rng(4);
        QByteArray text;
        for (int i = 0; i < 600; ++i)
            text.append(char('a' + rng() % 26));
        f.Open("x\n" + QByteArray(100, ' ') + text + "\n");
        EXPECT_EQ(Describe(f.model.FindText(text.left(255), soMatchCase, 0, 0)), "1:100-1:355");
        EXPECT_EQ(Describe(f.model.FindText(text, 0, 0, 0)), "1:100-1:700");
        EXPECT_EQ(Describe(f.model.FindText(text.toUpper(), soBackward | soWholeFile, 0, 0)), "1:100-1:700");
    }

    TEST(HvFileModelSearch, ForwardSearchToTheEndSettlesTheTotal)
    {
        Fixture f;
        f.Open("a\nb\nc\n");
        EXPECT_FALSE(f.model.FindText("zz", 0, 1, 0));
        EXPECT_EQ(f.model.LineTotal(), 4);
        EXPECT_EQ(f.events.totals, std::vector<LineNumber> { 4 });
        EXPECT_GE(f.events.shown, 1);
        EXPECT_EQ(Describe(f.model.FindText("b", soBackward, 3, 0)), "1:0-1:1");
    }

    TEST(HvFileModelSearch, HexSearchMatchesTheReferenceOverRandomFiles)
    {
        std::mt19937 rng(77);
        const unsigned optionSets[] = { 0, 2, 4, 6, 8, 10, 12, 14 };
        for (int round = 0; round < 8; ++round) {
            Fixture f;
            QByteArray data(1 + int(rng() % 20000), 0);
            for (char& c : data)
                c = "aAbB\r\n \x01\xe9\xc9\x9a\x8a"[rng() % 12];
            f.Open(data);
            f.model.SetInHexMode(true);
            const LineNumber rows = f.model.LineTotal();
            for (int i = 0; i < 300; ++i) {
                QByteArray needle = data.mid(qint64(rng() % unsigned(data.size())), 1 + int(rng() % 4));
                if (rng() % 3 == 0)
                    needle = needle.toLower();
                const unsigned options = optionSets[rng() % 8];
                const LineNumber row = LineNumber(rng() % unsigned(rows));
                const auto want = ReferenceFindBytes(data, needle, options, row);
                const auto got = f.model.FindBytes(T(needle), options, row);
                ASSERT_EQ(Describe(got), Describe(want)) << "options " << options << " row " << row;
            }
            EXPECT_EQ(f.events.depth, 0);
        }
    }

    TEST(HvFileModelSearch, HexSearchRules)
    {
        struct Case {
            const char* name;
            QByteArray data;
            QByteArray needle;
            unsigned options;
            LineNumber row;
            std::string want;
        };
        const QByteArray twoInRow = "ab ab...........ab";
        const std::vector<Case> cases = {
            { "first row skipped", twoInRow, "ab", 0, 0, "1:59-1:61" },
            { "whole file", twoInRow, "ab", soWholeFile, 0, "0:59-0:61" },
            { "backward skips own row", twoInRow, "ab", soBackward, 1, "0:62-0:64" },
            { "backward whole", twoInRow, "ab", soBackward | soWholeFile, 0, "1:59-1:61" },
            { "across line end", "xx\r\nyy", "x\r\ny", soWholeFile, 0, "0:60-0:64" },
            { "across rows", QByteArray(15, '.') + "AB", "ab", soWholeFile, 0, "0:74-1:60" },
            { "case folded", "..\xc9T\xc9", "\xe9t\xe9", soWholeFile, 0, "0:61-0:64" },
            { "match case", "..\xc9T\xc9", "\xe9t\xe9", soWholeFile | soMatchCase, 0, "none" },
            { "control bytes keep their case", QByteArray("\x01\x02", 2), "\x01\x02", soWholeFile, 0, "0:59-0:61" },
            { "no wrap", "ab..............", "ab", 0, 0, "none" },
            { "empty", "ab", "", soWholeFile, 0, "none" },
            { "longer than file", "ab", "abc", soWholeFile, 0, "none" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Fixture f;
            f.Open(c.data);
            f.model.SetInHexMode(true);
            EXPECT_EQ(Describe(f.model.FindBytes(T(c.needle), c.options, c.row)), c.want);
            EXPECT_EQ(Describe(ReferenceFindBytes(c.data, c.needle, c.options, c.row)), c.want);
        }
    }

    TEST(HvFileModelSearch, SearchesAcrossBlockBoundariesOfALargerFile)
    {
        // Matches placed around the 64 KiB and 1 MiB read blocks.
        QByteArray data(3 * 1024 * 1024, 'a');
        for (qint64 i = 50; i < data.size(); i += 50)
            data[i] = '\n';
        const std::vector<qint64> spots = { 65534, 65535 + 1024, 65536 * 5 - 2, 1024 * 1024 - 1, 2 * 1024 * 1024 + 7 };
        for (qint64 s : spots)
            data.replace(s, 3, "XYZ");
        Fixture f;
        f.Open(data);
        LineNumber line = 0;
        int index = 0;
        for (int i = 0; i < int(spots.size()) + 1; ++i) {
            const auto want = ReferenceFindText(f.lines, "xyz", 0, line, index);
            const auto got = f.model.FindText("xyz", 0, line, index);
            ASSERT_EQ(Describe(got), Describe(want));
            if (!got)
                break;
            line = got->EndLine;
            index = got->EndIndex;
        }
        f.model.SetInHexMode(true);
        LineNumber row = -1;
        for (int i = 0; i < int(spots.size()) + 1; ++i) {
            const auto want = ReferenceFindBytes(data, "XYZ", soMatchCase, row);
            const auto got = f.model.FindBytes("XYZ", soMatchCase, row);
            ASSERT_EQ(Describe(got), Describe(want));
            if (!got)
                break;
            row = got->EndLine;
        }
    }

} // namespace
} // namespace hy::viewer::test

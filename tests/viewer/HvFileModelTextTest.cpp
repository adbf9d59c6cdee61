// The file model in encodings beyond 8-bit text: UTF-16 lines found by code units, whole lines of any length,
// searches by characters, the line holding an offset, the hex character column, and exact copies of byte
// ranges.
#include "viewer/HvFileModelTest.h"

#include "core/viewer/HvRangeWriter.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <optional>

namespace hy::viewer::test {

using namespace hy::base;
namespace {

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

    std::string Described(const std::optional<TSearchHit>& h)
    {
        if (!h)
            return "none";
        return std::to_string(h->StartLine) + ":" + std::to_string(h->StartIndex) + "-" + std::to_string(h->EndLine)
            + ":" + std::to_string(h->EndIndex);
    }

    struct Model {
        hy::test::TTempFolder files;
        Recorder events;
        THvFileModel model { &events };
        QByteArray data;

        void Open(const QByteArray& bytes, TTextEncoding encoding = TTextEncoding::Auto)
        {
            data = bytes;
            model.SetFileName(files.Write(QStringLiteral("f.txt"), bytes));
            model.SetEncoding(encoding);
            model.Open();
        }
        QByteArray Line(LineNumber line)
        {
            QByteArray out;
            uint8_t buf[4096];
            for (qint64 from = 0;;) {
                const qint64 n = model.ReadLine(line, from, buf, sizeof buf);
                out.append(reinterpret_cast<const char*>(buf), n);
                from += n;
                if (n < qint64(sizeof buf))
                    return out;
            }
        }
        std::string Find(const QString& text, unsigned options, LineNumber line = 0, qint64 index = 0)
        {
            return Described(model.FindText(text, options, line, index));
        }
    };

} // namespace

TEST(HvFileModelText, Utf16LinesAreFoundByCodeUnitsBothWays)
{
    // U+4E0D and U+0A0D carry the bytes of CR and LF without being line ends.
    const QString text = QStringLiteral("\uFEFF\u4E0D\u0A0Da\r\n\U0001F600b\rc\n\u4E0D\r\n");
    for (const bool big : { false, true }) {
        SCOPED_TRACE(big ? "big endian" : "little endian");
        Model m;
        m.Open(Utf16(text, big));
        EXPECT_EQ(m.model.EffectiveEncoding(), big ? TTextEncoding::Utf16BE : TTextEncoding::Utf16LE);
        EXPECT_EQ(m.model.ClampLine(100), 4);
        EXPECT_EQ(m.model.LineTotal(), 5);
        const QStringList want = { QStringLiteral("\uFEFF\u4E0D\u0A0Da"), QStringLiteral("\U0001F600b"),
            QStringLiteral("c"), QStringLiteral("\u4E0D"), QString() };
        for (LineNumber l = 4; l >= 0; --l) // backwards first: the reverse scan
            EXPECT_EQ(m.Line(l), Utf16(want[int(l)], big)) << "line " << l;
        for (LineNumber l = 0; l < 5; ++l)
            EXPECT_EQ(m.Line(l), Utf16(want[int(l)], big)) << "line " << l;
        EXPECT_EQ(m.model.KnownLineSize(4), 0);
        // Lines hold whole units: a search for "b" finds it after the pair, case folded.
        EXPECT_EQ(m.Find(QStringLiteral("B"), 0), "1:4-1:6");
        EXPECT_EQ(m.Find(QStringLiteral("\u4E0D"), soBackward | soWholeFile), "3:0-3:2");
        // The hex search matches whole units only.
        m.model.SetInHexMode(true);
        EXPECT_FALSE(m.model.FindBytes(QStringLiteral("\u0A00"), soWholeFile, 0)) << "bytes 0D 0A never match U+0A00";
    }
}

TEST(HvFileModelText, ChangingTheEncodingFindsLinesAnew)
{
    Model m;
    m.Open(Utf16(QStringLiteral("one\ntwo\nthree"), false), TTextEncoding::Windows1252);
    EXPECT_EQ(m.model.ClampLine(100), 2) << "as bytes the LF units still end lines";
    m.model.SetEncoding(TTextEncoding::Utf16LE);
    EXPECT_EQ(m.model.LineTotal(), kUndeterminedTotal) << "a change of unit size starts the lines over";
    EXPECT_EQ(m.model.ClampLine(100), 2);
    EXPECT_EQ(m.Line(2), Utf16(QStringLiteral("three"), false));
    m.model.SetEncoding(TTextEncoding::Auto);
    EXPECT_EQ(m.model.EffectiveEncoding(), TTextEncoding::Windows1252) << "no mark, no multi-byte UTF-8";
}

TEST(HvFileModelText, SearchesMatchCharactersWithSimpleCaseFolding)
{
    struct Case {
        const char* name;
        QByteArray data;
        TTextEncoding encoding;
        QString text;
        unsigned options;
        std::string want;
    };
    const QByteArray utf8 = "Le mois d'\xC3\xA9t\xC3\xA9 \xE2\x80\x94 \xC3\x89T\xC3\x89 2024\n";
    const std::vector<Case> cases = {
        { "UTF-8, folded", utf8, TTextEncoding::Auto, QStringLiteral("\u00C9T\u00C9"), 0, "0:10-0:15" },
        { "UTF-8, from the end", utf8, TTextEncoding::Auto, QStringLiteral("\u00E9t\u00E9"), soBackward | soWholeFile,
            "0:20-0:25" },
        { "UTF-8, match case", utf8, TTextEncoding::Auto, QStringLiteral("\u00C9T\u00C9"), soMatchCase, "0:20-0:25" },
        { "UTF-8, ASCII text, byte search", utf8, TTextEncoding::Auto, QStringLiteral("MOIS"), 0, "0:3-0:7" },
        { "UTF-8, a word of three-byte characters", utf8, TTextEncoding::Auto, QStringLiteral("\u2014"), 0,
            "0:16-0:19" },
        { "UTF-8, the Kelvin sign folds to k",
            "\xE2\x84\xAA"
            "ey\n",
            TTextEncoding::Auto, QStringLiteral("\u212AEY"), 0, "0:0-0:5" },
        { "UTF-8, but an ASCII text matches ASCII letters only",
            "\xE2\x84\xAA"
            "ey\n",
            TTextEncoding::Auto, QStringLiteral("KEY"), 0, "none" },
        { "UTF-8, a long line found whole", QByteArray(300000, 'x') + "\xC3\xA9t\xC3\xA9", TTextEncoding::Utf8,
            QStringLiteral("\u00C9T\u00C9"), 0, "0:300000-0:300005" },
        { "Windows-1252, upper case", "caf\xE9 CAF\xC9\n", TTextEncoding::Auto, QStringLiteral("caf\u00C9"),
            soBackward | soWholeFile, "0:5-0:9" },
        { "ISO-8859-1, folded", "\xFF and \xE0\n", TTextEncoding::Iso8859_1, QStringLiteral("\u00C0"), 0, "0:6-0:7" },
        { "a character the encoding lacks", "abc\n", TTextEncoding::Windows1252, QStringLiteral("\u65E5"), 0, "none" },
    };
    for (const bool shared : { false, true }) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (shared ? ", shared probe counts" : ", counts of its own"));
            Model m;
            m.model.ShareProbeCounts(shared);
            m.Open(c.data, c.encoding);
            // With shared counts an earlier search's sample chooses the probe, as in a search of many files.
            if (shared)
                m.Find(QStringLiteral("q"), 0);
            EXPECT_EQ(m.Find(c.text, c.options), c.want);
            EXPECT_EQ(m.events.depth, 0);
        }
    }
}

TEST(HvFileModelText, TheLineHoldingAnOffset)
{
    Model m;
    m.Open("ab\r\ncd\n\nef");
    struct Case {
        FileOffset offset;
        LineNumber line;
        FileOffset start;
    };
    const Case cases[]
        = { { 0, 0, 0 }, { 2, 0, 0 }, { 3, 0, 0 }, { 4, 1, 4 }, { 6, 1, 4 }, { 7, 2, 7 }, { 8, 3, 8 }, { 10, 3, 8 } };
    for (const Case& c : cases) {
        FileOffset start = -1;
        EXPECT_EQ(m.model.LineOfOffset(c.offset, &start), c.line) << c.offset;
        EXPECT_EQ(start, c.start) << c.offset;
    }
}

TEST(HvFileModelText, HexRowsShowEachCharacterAtItsFirstByte)
{
    // Row 0 ends inside "日" (3 bytes from offset 14); row 1 starts with its last byte.
    QByteArray data = QByteArray(14, 'a')
        + "\xE6\x97\xA5"
          "\xC3\xA9\xFF";
    Model m;
    m.Open(data, TTextEncoding::Utf8);
    m.model.SetInHexMode(true);
    m.model.SetFilterChars(false);
    auto column = [&](LineNumber row) {
        QString s;
        for (const TCell& c : m.model.HexCharCells(row)) {
            s += c.Type == TCell::Glyph        ? c.Text
                : c.Type == TCell::Replacement ? QStringLiteral("?")
                : c.Type == TCell::Blank       ? QStringLiteral("_")
                                               : QStringLiteral("#");
        }
        return s;
    };
    EXPECT_EQ(column(0), QString(14, QLatin1Char('a')) + QStringLiteral("\u65E5"))
        << "the wide character takes two cells";
    EXPECT_EQ(column(1), QStringLiteral("_\u00E9_?"));
    m.model.SetFilterChars(true);
    EXPECT_EQ(column(1), QStringLiteral("...."));
}

TEST(HvFileModelText, RangeCopiesAreExactAndLeaveNothingBehindWhenStoppedOrFailed)
{
    hy::test::TTempFolder files;
    QByteArray data;
    std::mt19937 rng(3);
    for (int i = 0; i < (9 << 20) + 777; ++i)
        data.append(char("ab\r\n\0\xE9\xC3\xA9"[rng() % 8]));
    Recorder events;
    THvFileModel model(&events);
    model.SetFileName(files.Write(QStringLiteral("source.bin"), data));
    model.Open();
    const TRangeReader read = [&](FileOffset o, uint8_t* b, qint64 n) { return model.ReadRaw(o, b, n); };
    const QString target = files.PathOf(QStringLiteral("copy.bin"));
    for (const auto& [from, to] : { std::pair<FileOffset, FileOffset> { 0, data.size() }, { 5, 4 << 10 },
             { 1 << 20, (2 << 20) + 3 }, { 100, 100 } }) {
        ASSERT_EQ(WriteByteRange(read, from, to, target), 0);
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll() == data.mid(from, to - from)) << from << "-" << to;
    }
    // Stopped half way: the earlier copy stays as it was, and no temporary file is left.
    int reports = 0;
    EXPECT_EQ(WriteByteRange(read, 0, data.size(), target,
                  [&](qint64 done, qint64 total) {
                      EXPECT_LE(done, total);
                      return ++reports < 1;
                  }),
        kRangeCopyStopped);
    EXPECT_EQ(QFileInfo(target).size(), 0);
    EXPECT_EQ(QDir(QFileInfo(target).path()).entryList(QDir::Files).size(), 2) << "source and the earlier copy";
    // A source that ends early, and a folder that does not exist, fail without a target.
    const QString other = files.PathOf(QStringLiteral("other.bin"));
    EXPECT_EQ(WriteByteRange(read, data.size() - 10, data.size() + 10, other), kErrorCopySizeMismatch);
    EXPECT_FALSE(QFile::exists(other));
    EXPECT_NE(WriteByteRange(read, 0, 10, files.PathOf(QStringLiteral("no/such/dir/x.bin"))), 0);
}

namespace {

    // A UTF-8 file seen the simple way: its characters with their byte offsets, folded by Qt's case folding,
    // and where its lines start, to find texts in it character by character. A text of ASCII characters only
    // matches ASCII letters of either case (the Kelvin sign is no K for "KEY").
    struct FoldedText {
        std::vector<char32_t> chars;
        std::vector<char32_t> folded;
        std::vector<qint64> offset; // of each character, and the end of the file
        std::vector<bool> lineEnd; // the character is (part of) a line end
        std::vector<qint64> lineStarts; // byte offsets

        explicit FoldedText(const QByteArray& utf8)
        {
            const QList<uint> codes = QString::fromUtf8(utf8).toUcs4();
            qint64 at = 0;
            lineStarts.push_back(0);
            for (qsizetype i = 0; i < codes.size(); ++i) {
                const char32_t c = codes[i];
                chars.push_back(c);
                folded.push_back(QChar::toCaseFolded(c));
                offset.push_back(at);
                lineEnd.push_back(c == '\r' || c == '\n');
                at += QString::fromUcs4(&c, 1).toUtf8().size();
                const bool crBeforeLf = c == '\r' && i + 1 < codes.size() && codes[i + 1] == '\n';
                if ((c == '\r' || c == '\n') && !crBeforeLf)
                    lineStarts.push_back(at);
            }
            offset.push_back(at);
        }
        // Byte offset ranges [start, end) of every match of the folded needle, in file order.
        std::vector<std::pair<qint64, qint64>> Matches(const QString& typed) const
        {
            std::vector<char32_t> needle;
            for (const char32_t c : typed.toUcs4())
                needle.push_back(QChar::toCaseFolded(c));
            const bool ascii = std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.unicode() < 0x80; });
            std::vector<std::pair<qint64, qint64>> out;
            for (size_t i = 0; i + needle.size() <= folded.size(); ++i) {
                bool ok = true;
                for (size_t k = 0; k < needle.size() && ok; ++k)
                    ok = !lineEnd[i + k] && folded[i + k] == needle[k] && (!ascii || chars[i + k] < 0x80);
                if (ok)
                    out.push_back({ offset[i], offset[i + needle.size()] });
            }
            return out;
        }
        LineNumber LineOf(qint64 at) const
        {
            return LineNumber(std::upper_bound(lineStarts.begin(), lineStarts.end(), at) - lineStarts.begin()) - 1;
        }
        std::string Text(const std::optional<std::pair<qint64, qint64>>& m) const
        {
            if (!m)
                return "none";
            const LineNumber l = LineOf(m->first);
            const qint64 s = lineStarts[size_t(l)];
            return std::to_string(l) + ":" + std::to_string(m->first - s) + "-" + std::to_string(l) + ":"
                + std::to_string(m->second - s);
        }
        std::string Hex(const std::optional<std::pair<qint64, qint64>>& m) const
        {
            if (!m)
                return "none";
            const qint64 t = m->second - 1;
            return std::to_string(m->first / 16) + ":" + std::to_string(59 + m->first % 16) + "-"
                + std::to_string(t / 16) + ":" + std::to_string(60 + t % 16);
        }
    };

} // namespace

TEST(HvFileModelText, CaseVariantsOfAnotherLengthAreFoundUpToTheEndOfTheFile)
{
    struct Case {
        QByteArray data;
        QString text;
        std::string want;
    };
    const Case cases[] = {
        { "ab stra\xC3\x9F"
          "e",
            QStringLiteral("stra\u00DFe"), "0:3-0:10" },
        { "x k\xC3\xB6", QStringLiteral("k\u00F6"), "0:2-0:5" },
        { "one\r\ntwo STRA\xE1\xBA\x9E"
          "E",
            QStringLiteral("stra\u00DFe"), "1:4-1:12" }, // the capital sharp s takes a byte more
        { "x \xE2\x84\xAA\xC3\xB6", QStringLiteral("k\u00F6"), "0:2-0:7" }, // the Kelvin sign, a byte more
        { "\xE2\x84\xA6", QStringLiteral("\u03C9"), "0:0-0:3" }, // the Ohm sign alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data.toStdString());
        Model m;
        m.Open(c.data, TTextEncoding::Utf8);
        EXPECT_EQ(m.Find(c.text, soWholeFile), c.want);
        EXPECT_EQ(m.Find(c.text, 0, 0, 0), c.want);
        EXPECT_EQ(m.Find(c.text, soWholeFile | soBackward), c.want);
        // Hex view finds the same bytes, from the start and from the end.
        m.model.SetInHexMode(true);
        const auto fwd = m.model.FindBytes(c.text, soWholeFile, 0);
        const auto back = m.model.FindBytes(c.text, soWholeFile | soBackward, 0);
        ASSERT_TRUE(fwd && back);
        EXPECT_EQ(Described(fwd), Described(back));
        EXPECT_EQ(fwd->EndIndex - HexCharColumn(8), (qint64(c.data.size()) - 1) % 16 + 1) << "the match ends the file";
    }
}

TEST(HvFileModelText, CaseVariantSearchesMatchAReferenceAtBlockEdgesAndTheEndOfTheFile)
{
    // Letters whose case variants take another number of bytes: sharp s (2, capital 3), long s (2) and s (1),
    // the Kelvin sign (3) and k (1), the Ohm sign (3) and omega (2).
    const QStringList alphabet = { QStringLiteral("s"), QStringLiteral("S"), QStringLiteral("\u017F"),
        QStringLiteral("\u00DF"), QStringLiteral("\u1E9E"), QStringLiteral("k"), QStringLiteral("K"),
        QStringLiteral("\u212A"), QStringLiteral("\u00F6"), QStringLiteral("\u00D6"), QStringLiteral("\u03C9"),
        QStringLiteral("\u03A9"), QStringLiteral("\u2126"), QStringLiteral("a"), QStringLiteral(" "),
        QStringLiteral("\n"), QStringLiteral("\r\n") };
    auto variant = [&](std::mt19937& rng, QChar c) {
        QStringList same;
        for (const QString& a : alphabet) {
            if (a.size() == 1 && QChar::toCaseFolded(a[0].unicode()) == QChar::toCaseFolded(c.unicode()))
                same << a;
        }
        return same.isEmpty() ? QString(c) : same[int(rng() % unsigned(same.size()))];
    };
    std::mt19937 rng(22);
    for (int round = 0; round < 24; ++round) {
        // Text that reaches just past the first block of a search (64 KiB) or stays short.
        const int size = round % 3 == 0 ? 200 + int(rng() % 400) : 65536 - 12 + int(rng() % 24);
        QString text;
        for (qsizetype bytes = 0; bytes < size;) {
            const QString a = rng() % 3 ? alphabet[int(rng() % unsigned(alphabet.size()))] : QStringLiteral("a");
            text += a;
            bytes += a.toUtf8().size();
        }
        const QByteArray data = text.toUtf8();
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(data.size()) + " bytes");
        const FoldedText ref(data);
        Model m;
        m.Open(data, TTextEncoding::Utf8);
        const QList<uint> chars = text.toUcs4();
        for (int i = 0; i < 40; ++i) {
            // A piece of the text near its end (most of the time) in other case variants.
            const int len = 1 + int(rng() % 4);
            const int back = i % 4 ? int(rng() % 12) + len : int(rng() % unsigned(chars.size()));
            const int from = std::max(0, int(chars.size()) - back);
            QString needle;
            for (int k = from; k < std::min<int>(from + len, int(chars.size())); ++k) {
                const QChar c { char16_t(chars[k]) };
                if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                    break;
                needle += variant(rng, c);
            }
            if (needle.isEmpty())
                continue;
            SCOPED_TRACE("needle " + needle.toStdString());
            const auto all = ref.Matches(needle);
            const std::optional<std::pair<qint64, qint64>> first
                = all.empty() ? std::nullopt : std::optional(all.front());
            const std::optional<std::pair<qint64, qint64>> last
                = all.empty() ? std::nullopt : std::optional(all.back());
            m.model.SetInHexMode(false);
            EXPECT_EQ(Described(m.model.FindText(needle, soWholeFile, 0, 0)), ref.Text(first));
            EXPECT_EQ(Described(m.model.FindText(needle, soWholeFile | soBackward, 0, 0)), ref.Text(last));
            // From a caret: forward the first match starting at or after it, backward the last one ending
            // before it.
            const qint64 caret = ref.offset[rng() % ref.offset.size()];
            const LineNumber line = ref.LineOf(caret);
            const qint64 index = caret - ref.lineStarts[size_t(line)];
            std::optional<std::pair<qint64, qint64>> after;
            std::optional<std::pair<qint64, qint64>> before;
            for (const auto& match : all) {
                if (!after && match.first >= caret)
                    after = match;
                if (match.second <= caret)
                    before = match;
            }
            EXPECT_EQ(Described(m.model.FindText(needle, 0, line, index)), ref.Text(after)) << "from " << caret;
            EXPECT_EQ(Described(m.model.FindText(needle, soBackward, line, index)), ref.Text(before))
                << "from " << caret;
            m.model.SetInHexMode(true);
            EXPECT_EQ(Described(m.model.FindBytes(needle, soWholeFile, 0)), ref.Hex(first));
            EXPECT_EQ(Described(m.model.FindBytes(needle, soWholeFile | soBackward, 0)), ref.Hex(last));
        }
    }
}

} // namespace hy::viewer::test

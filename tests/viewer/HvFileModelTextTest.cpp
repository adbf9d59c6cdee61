// The file model in encodings beyond 8-bit text: UTF-16 lines found by code units, whole lines of any length,
// searches by characters, the line holding an offset, the hex character column, and exact copies of byte
// ranges.
#include "viewer/HvFileModelTest.h"

#include "viewer/HvRangeWriter.h"

#include <QDir>
#include <QFileInfo>

namespace hy::viewer::test {
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
            const auto hit = model.FindText(text, options, line, index);
            if (!hit)
                return "none";
            return std::to_string(hit->StartLine) + ":" + std::to_string(hit->StartIndex) + "-"
                + std::to_string(hit->EndLine) + ":" + std::to_string(hit->EndIndex);
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
    for (const Case& c : cases) {
        for (const bool sampled : { true, false }) {
            SCOPED_TRACE(std::string(c.name) + (sampled ? ", probe from a sample" : ", probe by text rarity"));
            Model m;
            m.model.SetProbeSampling(sampled);
            m.Open(c.data, c.encoding);
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

} // namespace hy::viewer::test

// The code pages: text generated in each encoding by iconv decodes to what was written and encodes back to
// iconv's bytes; each single-byte table byte for byte against the C library's; Auto's guess on samples in
// each encoding; Find, the find bar's count and the filter never taking a trail byte that looks like ASCII
// for a character; searches and the layout over lines of thousands of multi-byte characters.
#include "HvFileModelTest.h"

#include "core/viewer/HvCodePages.h"
#include "core/viewer/HvMatchScan.h"
#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvTextLayout.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <fcntl.h>
#include <iconv.h>

using namespace hy::viewer;
using namespace hy::viewer::test;

namespace {

struct Sample {
    TTextEncoding enc;
    const char* iconvName;
    const char16_t* words; // blank-separated words the encoding holds
};

// Words of each language in the encodings made for it (Vietnamese in Windows-1258 without the tone marks
// that it writes as separate characters).
const Sample kSamples[] = {
    { TTextEncoding::Iso8859_2, "ISO-8859-2", u"Zażółć gęślą jaźń Příliš žluťoučký kůň úpěl ódy" },
    { TTextEncoding::Iso8859_3, "ISO-8859-3", u"Ĉu vi ŝatas ĝin ĥoro ĵaŭdo Ħaġar żebbuġ" },
    { TTextEncoding::Iso8859_4, "ISO-8859-4", u"Ķēķis ŗūķis ļoti ņem ģimene ąžuolas ėjo įėjo ųųų" },
    { TTextEncoding::Iso8859_5, "ISO-8859-5", u"Съешь же ещё этих мягких французских булок да выпей чаю" },
    { TTextEncoding::Iso8859_6, "ISO-8859-6", u"مرحبا بالعالم هذا نص عربي" },
    { TTextEncoding::Iso8859_7, "ISO-8859-7", u"Καλημέρα κόσμε Ξεσκεπάζω την ψυχοφθόρα βδελυγμία" },
    { TTextEncoding::Iso8859_8, "ISO-8859-8", u"שלום עולם דג סקרן שט בים מאוכזב" },
    { TTextEncoding::Iso8859_9, "ISO-8859-9", u"Pijamalı hasta yağız şoföre çabucak güvendi İstanbul" },
    { TTextEncoding::Iso8859_10, "ISO-8859-10", u"Čáhppes ŋuvdna đuolbma ŧ žiŋŋa Þórður ĸ" },
    { TTextEncoding::Iso8859_11, "ISO-8859-11", u"สวัสดีชาวโลก ภาษาไทย" },
    { TTextEncoding::Iso8859_13, "ISO-8859-13", u"Įžūolas ąčęėįšųūž Ļaima ņ ģ ’ „x“" },
    { TTextEncoding::Iso8859_14, "ISO-8859-14", u"Ŵŷ ẁ ẃ ẅ ỳ ḃ ċ ḋ ḟ ġ ṁ ṗ ṡ ṫ" },
    { TTextEncoding::Iso8859_15, "ISO-8859-15", u"Œuvre € šŠ žŽ Ÿ œ" },
    { TTextEncoding::Iso8859_16, "ISO-8859-16", u"Șase țări ĂÂÎ ăâî Ș ș Ț ț" },
    { TTextEncoding::Windows1250, "CP1250", u"Zażółć gęślą jaźń Příliš žluťoučký kůň úpěl „ódy“" },
    { TTextEncoding::Windows1251, "CP1251", u"Съешь же ещё этих мягких французских булок да выпей чаю №" },
    { TTextEncoding::Windows1253, "CP1253", u"Καλημέρα κόσμε Ξεσκεπάζω την ψυχοφθόρα βδελυγμία" },
    { TTextEncoding::Windows1254, "CP1254", u"Pijamalı hasta yağız şoföre çabucak güvendi İstanbul" },
    { TTextEncoding::Windows1255, "CP1255", u"שלום עולם דג סקרן שט בים מאוכזב ₪" },
    { TTextEncoding::Windows1256, "CP1256", u"مرحبا بالعالم هذا نص عربي گ پ" },
    { TTextEncoding::Windows1257, "CP1257", u"Ąžuolas ėjo ūkininkas Ļaima ņ ģ" },
    { TTextEncoding::Windows1258, "CP1258", u"Ơn ưa ăn đâu đó" },
    { TTextEncoding::Koi8R, "KOI8-R", u"Съешь же ещё этих мягких французских булок да выпей чаю" },
    { TTextEncoding::Koi8U, "KOI8-U", u"Ґанок їжак єнот Іван" },
    { TTextEncoding::Ibm437, "IBM437", u"Çüé âäà ░▒▓│┤ ½¼ ßΣσ" },
    { TTextEncoding::Ibm850, "IBM850", u"Øø Åå æÆ ß ¾ ± ©®" },
    { TTextEncoding::MacRoman, "MACINTOSH", u"café ∑∂π ƒ © ™ Ω" },
    { TTextEncoding::ShiftJis, "SHIFT_JIS", u"日本語の テキストを 表示する ソース 能力 ｶﾀｶﾅ 〒" },
    { TTextEncoding::EucJp, "EUC-JP", u"日本語の テキストを 表示する ソース 能力 ｶﾀｶﾅ 〒" },
    { TTextEncoding::Iso2022Jp, "ISO-2022-JP", u"日本語の テキストを 表示する ソース 能力 〒" },
    { TTextEncoding::Gb18030, "GB18030", u"中文 文本 数据库 𠀀 𪚥 €" },
    { TTextEncoding::Gbk, "GBK", u"中文 文本 数据库 丂 乗" },
    { TTextEncoding::Gb2312, "GB2312", u"中文 文本 数据库" },
    { TTextEncoding::Big5, "BIG5", u"資料庫 繁體中文 許功蓋" },
    { TTextEncoding::EucKr, "EUC-KR", u"한국어 텍스트 데이터 베이스" },
    { TTextEncoding::Utf32LE, "UTF-32LE", u"Fehler 😀 日本 é" },
    { TTextEncoding::Utf32BE, "UTF-32BE", u"Fehler 😀 日本 é" },
};

// Text of words picked at random from the sample and ASCII words, in lines.
QString Generated(const Sample& s, unsigned seed, int words)
{
    const QStringList list = QString::fromUtf16(s.words).split(QLatin1Char(' '));
    const QStringList ascii = { QStringLiteral("id"), QStringLiteral("2024"), QStringLiteral("ok:"),
        QStringLiteral("(x)"), QStringLiteral("A-Z") };
    std::mt19937 rng(seed);
    QString out;
    for (int i = 0; i < words; ++i) {
        out += rng() % 4 == 0 ? ascii[int(rng() % ascii.size())] : list[int(rng() % list.size())];
        out += rng() % 9 == 0 ? QStringLiteral("\n") : QStringLiteral(" ");
    }
    return out;
}

// iconv's bytes for UTF-8 text, or nothing when iconv cannot be run.
std::optional<QByteArray> Iconv(const QStringList& args, const QByteArray& input)
{
    if (QStandardPaths::findExecutable(QStringLiteral("iconv")).isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(QStringLiteral("iconv"), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    EXPECT_EQ(p.exitCode(), 0) << args.join(QLatin1Char(' ')).toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

// The text of bytes decoded character by character, line by line (the shift state starts anew in each).
QString Decoded(TTextEncoding enc, const QByteArray& bytes, int* invalid)
{
    QString out;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t n = size_t(bytes.size());
    TDecodeState state = 0;
    for (size_t i = 0; i < n;) {
        const TDecodedChar d = DecodeChar(enc, p + i, n - i, state);
        i += size_t(d.Length);
        if (d.Shift)
            continue;
        if (!d.Valid)
            ++*invalid;
        out += CharText(d.Code);
        if (d.Code == '\n')
            state = 0;
    }
    return out;
}

} // namespace

TEST(HvCodePages, GeneratedTextRoundTripsAgainstIconv)
{
    if (QStandardPaths::findExecutable(QStringLiteral("iconv")).isEmpty())
        GTEST_SKIP() << "iconv is not installed";
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(EncodingName(s.enc).toStdString());
        const QString text = Generated(s, 7, 600);
        const std::optional<QByteArray> bytes = Iconv(
            { QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), QString::fromLatin1(s.iconvName) },
            text.toUtf8());
        ASSERT_TRUE(bytes && !bytes->isEmpty());
        int invalid = 0;
        EXPECT_EQ(Decoded(s.enc, *bytes, &invalid), text);
        EXPECT_EQ(invalid, 0);
        bool ok = false;
        EXPECT_EQ(EncodeText(s.enc, text, &ok), *bytes);
        EXPECT_TRUE(ok);
    }
}

TEST(HvCodePages, ThreeAndFourByteAndDuplicateFormsAreTheCodePagesOwn)
{
    // Characters beyond the two-byte rows (EUC-JP's JIS X 0212 after 0x8F, GB18030's four-byte BMP ranges)
    // and characters a vendor's table holds twice: every form a search looks for decodes back to the
    // character whole, and the form the encoder writes (iconv's bytes) comes first.
    struct Case {
        TTextEncoding enc;
        char32_t code;
        std::vector<QByteArray> forms;
    };
    const Case cases[] = {
        { TTextEncoding::EucJp, U'\u00A6', { QByteArray::fromHex("8fa2c3") } },
        { TTextEncoding::EucJp, U'\u4E02', { QByteArray::fromHex("8fb0a1") } },
        { TTextEncoding::Gb18030, U'\u0080', { QByteArray::fromHex("81308130") } },
        { TTextEncoding::Gb18030, U'\u00A5', { QByteArray::fromHex("81308436") } },
        { TTextEncoding::Gb18030, U'\uFFFF', { QByteArray::fromHex("8431a439") } },
        { TTextEncoding::Gb18030, U'\u4E2D', { QByteArray::fromHex("d6d0") } },
        { TTextEncoding::ShiftJis, U'\uFFE2',
            { QByteArray::fromHex("81ca"), QByteArray::fromHex("eef9"), QByteArray::fromHex("fa54") } },
        { TTextEncoding::ShiftJis, U'\u2252', { QByteArray::fromHex("81e0"), QByteArray::fromHex("8790") } },
        { TTextEncoding::Gb2312, U'\u4E2D', { QByteArray::fromHex("d6d0") } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(EncodingName(c.enc).toStdString() + " U+" + QString::number(c.code, 16).toStdString());
        std::vector<QByteArray> got = CharByteForms(c.enc, c.code);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.front(), c.forms.front());
        EXPECT_EQ(EncodeChar(c.enc, c.code), c.forms.front());
        for (const QByteArray& form : c.forms)
            EXPECT_NE(std::find(got.begin(), got.end(), form), got.end()) << form.toHex().toStdString();
        for (const QByteArray& form : got) {
            const TDecodedChar d
                = DecodeChar(c.enc, reinterpret_cast<const uint8_t*>(form.constData()), size_t(form.size()));
            EXPECT_TRUE(d.Valid && d.Code == c.code && d.Length == form.size()) << form.toHex().toStdString();
        }
    }
}

TEST(HvCodePages, ASampleReadsInACodePageExactlyWhenItsTablesDecodeIt)
{
    // Auto asks ICU for a sample's own sequences rather than build the tables: on text and on text with
    // bytes changed at random, both give the same answer.
    if (QStandardPaths::findExecutable(QStringLiteral("iconv")).isEmpty())
        GTEST_SKIP() << "iconv is not installed";
    const auto tablesRead = [](TTextEncoding enc, const QByteArray& bytes) {
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
        const size_t n = size_t(bytes.size());
        TDecodeState state = 0;
        bool wide = false;
        for (size_t i = 0; i < n;) {
            const TDecodedChar d = DecodeChar(enc, p + i, n - i, state);
            if (!d.Valid)
                return false;
            wide = wide || (d.Length > 1 && !d.Shift);
            i += size_t(d.Length);
        }
        return wide;
    };
    std::mt19937 rng(11);
    for (const Sample& s : kSamples) {
        const TEncodingKind kind = EncodingKind(s.enc);
        if (kind != TEncodingKind::MultiByte && kind != TEncodingKind::Iso2022)
            continue;
        SCOPED_TRACE(EncodingName(s.enc).toStdString());
        const std::optional<QByteArray> text = Iconv(
            { QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), QString::fromLatin1(s.iconvName) },
            Generated(s, 3, 80).toUtf8());
        ASSERT_TRUE(text && !text->isEmpty());
        EXPECT_TRUE(CodePageSampleReads(
            s.enc, reinterpret_cast<const uint8_t*>(text->constData()), size_t(text->size()), false));
        int differentAnswers = 0;
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = *text;
            for (int k = 0; k < 1 + round % 3; ++k)
                bytes[int(rng() % uint32_t(bytes.size()))] = char(rng() % 256);
            const bool probe = CodePageSampleReads(
                s.enc, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()), false);
            if (probe != tablesRead(s.enc, bytes)) {
                ++differentAnswers;
                ADD_FAILURE() << bytes.toHex().toStdString();
            }
        }
        EXPECT_EQ(differentAnswers, 0);
    }
}

TEST(HvCodePages, SingleByteCaseFoldingPairsEachLetterWithItsOtherCase)
{
    struct Case {
        TTextEncoding enc;
        uint8_t upper;
        uint8_t lower;
    };
    const Case cases[] = {
        { TTextEncoding::Windows1251, 0xDF, 0xFF }, // Я я
        { TTextEncoding::Koi8R, 0xF1, 0xD1 }, // Я я, capitals after the small letters
        { TTextEncoding::Iso8859_7, 0xC1, 0xE1 }, // Α α
        { TTextEncoding::Windows1250, 0x8A, 0x9A }, // Š š
        { TTextEncoding::Iso8859_2, 0xA3, 0xB3 }, // Ł ł
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(EncodingName(c.enc).toStdString());
        const uint8_t* fold = SingleByteFoldTable(c.enc);
        EXPECT_EQ(fold[c.upper], fold[c.lower]);
        EXPECT_EQ(fold[c.upper], std::min(c.upper, c.lower));
        EXPECT_EQ(fold[uint8_t('A')], fold[uint8_t('a')]);
        EXPECT_NE(fold[c.upper], fold[uint8_t('a')]);
        EXPECT_EQ(fold[uint8_t('1')], '1');
    }
}

TEST(HvCodePages, EverySingleByteMatchesTheCLibrarysTable)
{
    // Bytes 0x20..0xFF other than DEL; the control codes are ASCII's in every code page. Where the two
    // libraries follow different editions of a vendor's table, ICU's reading stands.
    struct Known {
        TTextEncoding enc;
        int byte;
        char32_t icu;
    };
    const Known known[] = {
        { TTextEncoding::Ibm437, 0xE6, U'\u03BC' }, // Greek mu, where the C library has the micro sign
        { TTextEncoding::MacRoman, 0xC6, U'\u2206' }, // the increment sign, not Greek capital delta
        { TTextEncoding::MacRoman, 0xF0, U'\uF8FF' }, // Apple's logo in its private use code
        { TTextEncoding::Windows1253, 0xAA, U'\u00AA' }, // a byte Windows leaves undefined
    };
    for (const TTextEncoding enc : kAllEncodings) {
        if (!IsSingleByte(enc))
            continue;
        SCOPED_TRACE(EncodingName(enc).toStdString());
        QString name = EncodingName(enc).remove(QLatin1Char(' '));
        if (enc == TTextEncoding::MacRoman)
            name = QStringLiteral("MACINTOSH");
        iconv_t cd = iconv_open("UTF-32LE", name.toLatin1().constData());
        ASSERT_NE(cd, iconv_t(-1));
        int differ = 0;
        for (int b = 0x20; b < 0x100; ++b) {
            if (b == 0x7F)
                continue;
            char in = char(b);
            char32_t want = 0;
            char* ip = &in;
            size_t il = 1;
            char* op = reinterpret_cast<char*>(&want);
            size_t ol = 4;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            // The C library holds a Hebrew or Vietnamese letter back for a mark that may follow: flushed here.
            const bool defined = iconv(cd, &ip, &il, &op, &ol) != size_t(-1)
                && iconv(cd, nullptr, nullptr, &op, &ol) != size_t(-1) && ol == 0;
            const uint8_t byte = uint8_t(b);
            const TDecodedChar got = DecodeChar(enc, &byte, 1);
            const bool expected = std::any_of(std::begin(known), std::end(known),
                [&](const Known& k) { return k.enc == enc && k.byte == b && got.Valid && got.Code == k.icu; });
            if (!expected && (defined != got.Valid || (defined && got.Code != want))) {
                ++differ;
                ADD_FAILURE() << "byte " << std::hex << b << ": " << (got.Valid ? got.Code : 0) << " for "
                              << (defined ? want : 0);
            }
            // A defined character encodes back to its byte.
            if (got.Valid) {
                EXPECT_EQ(EncodeChar(enc, got.Code), QByteArray(1, char(b)));
            }
        }
        iconv_close(cd);
        EXPECT_EQ(differ, 0);
    }
}

TEST(HvCodePages, AutoGuessesTheEncodingOfTextInEach)
{
    if (QStandardPaths::findExecutable(QStringLiteral("iconv")).isEmpty())
        GTEST_SKIP() << "iconv is not installed";
    struct Case {
        const char* iconvName;
        const char16_t* words;
        TTextEncoding want;
    };
    // Chinese in GBK is guessed as GB18030, which reads GBK's bytes as GBK does.
    const Case cases[] = {
        { "KOI8-R", u"Съешь же ещё этих мягких французских булок да выпей чаю", TTextEncoding::Koi8R },
        { "CP1251", u"Съешь же ещё этих мягких французских булок да выпей чаю", TTextEncoding::Windows1251 },
        { "SHIFT_JIS", u"日本語の テキストを 表示する ソース 能力 これは 新しい 文書 です", TTextEncoding::ShiftJis },
        { "EUC-JP", u"日本語の テキストを 表示する ソース 能力 これは 新しい 文書 です", TTextEncoding::EucJp },
        { "GBK", u"中文 文本 数据库 这是 一个 简单 的 测试 我们 可以 看到 内容", TTextEncoding::Gb18030 },
        { "BIG5", u"資料庫 繁體中文 這是 一個 簡單 的 測試 我們 可以 看到 內容", TTextEncoding::Big5 },
        { "EUC-KR", u"한국어 텍스트 데이터 베이스 이것은 간단한 시험 입니다 우리는 내용을", TTextEncoding::EucKr },
        { "ISO-2022-JP", u"日本語の テキストを 表示する ソース 能力 これは 新しい 文書 です",
            TTextEncoding::Iso2022Jp },
        // Western text keeps reading as Windows-1252, whatever its few accented letters suggest.
        { "CP1252", u"Le café est très bon à Noël où l'été dure; Größe Straße über", TTextEncoding::Windows1252 },
        { "CP1252", u"café naïve", TTextEncoding::Windows1252 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.iconvName);
        const Sample s { c.want, c.iconvName, c.words };
        const QString text = Generated(s, 3, 300);
        const std::optional<QByteArray> bytes = Iconv(
            { QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), QString::fromLatin1(c.iconvName) },
            text.toUtf8());
        ASSERT_TRUE(bytes);
        const TTextEncoding got
            = DetectEncoding(reinterpret_cast<const uint8_t*>(bytes->constData()), size_t(bytes->size()));
        EXPECT_EQ(EncodingName(got), EncodingName(c.want));
        int invalid = 0;
        EXPECT_EQ(Decoded(got, *bytes, &invalid), text);
    }
    // Byte-order marks of UTF-32 and UTF-16, and names as other programs write them.
    EXPECT_EQ(DetectEncoding(reinterpret_cast<const uint8_t*>("\xFF\xFE\0\0a\0\0\0"), 8), TTextEncoding::Utf32LE);
    EXPECT_EQ(DetectEncoding(reinterpret_cast<const uint8_t*>("\0\0\xFE\xFF\0\0\0a"), 8), TTextEncoding::Utf32BE);
    EXPECT_EQ(DetectEncoding(reinterpret_cast<const uint8_t*>("\xFF\xFE"
                                                              "a\0"),
                  4),
        TTextEncoding::Utf16LE);
    EXPECT_EQ(EncodingByName(QStringLiteral("windows-1251")), TTextEncoding::Windows1251);
    EXPECT_EQ(EncodingByName(QStringLiteral("SJIS")), TTextEncoding::ShiftJis);
    EXPECT_EQ(EncodingByName(QStringLiteral("utf-16le")), TTextEncoding::Utf16LE);
    EXPECT_EQ(EncodingByName(QStringLiteral("Mac Roman")), TTextEncoding::MacRoman);
    EXPECT_FALSE(EncodingByName(QStringLiteral("EBCDIC-XYZ")));
    for (const TTextEncoding e : kAllEncodings)
        EXPECT_EQ(EncodingByName(EncodingName(e)), e) << EncodingName(e).toStdString();
}

namespace {

// Lines whose double-byte characters end in bytes that look like ASCII ('\\', 'A', '@', '['), then a line
// where those ASCII characters stand on their own.
struct TrailCase {
    TTextEncoding enc;
    QByteArray trails; // line 0: characters with ASCII-looking trail bytes only
};

QByteArray TrailFile(const TrailCase& c) { return c.trails + "\r\n" + "path\\A@[a\n" + c.trails + "\n"; }

} // namespace

TEST(HvCodePages, TrailBytesThatLookLikeAsciiAreNeverFound)
{
    const TrailCase cases[] = {
        // ソ 表 ア, an ideographic space and ー: 83 5C, 95 5C, 83 41, 81 40, 81 5B.
        { TTextEncoding::ShiftJis, QByteArray("\x83\x5C\x95\x5C\x83\x41\x81\x40\x81\x5B\x83\x61") },
        // Characters of GBK's first rows, whose trail bytes are '\\', 'A', '@', '[' and 'a'.
        { TTextEncoding::Gbk, QByteArray("\x81\x5C\x81\x41\x81\x40\x81\x5B\x81\x61") },
        { TTextEncoding::Gb18030, QByteArray("\x81\x5C\x81\x41\x81\x40\x81\x5B\x81\x61") },
        { TTextEncoding::Big5, QByteArray("\xA4\x5C\xA4\x41\xA4\x40\xA4\x5B\xA4\x61") },
        { TTextEncoding::EucKr, QByteArray("\x81\x41\x81\x61\x81\x5A") },
    };
    hy::test::TTempFolder dir;
    for (const TrailCase& c : cases) {
        SCOPED_TRACE(EncodingName(c.enc).toStdString());
        const auto* p = reinterpret_cast<const uint8_t*>(c.trails.constData());
        for (qsizetype i = 0; i < c.trails.size(); i += 2) {
            const TDecodedChar d = DecodeChar(c.enc, p + i, size_t(c.trails.size() - i));
            ASSERT_TRUE(d.Valid && d.Length == 2) << "at " << i;
        }
        const QString path = dir.Write(EncodingName(c.enc), TrailFile(c));
        THvFileModel model;
        model.SetFileName(path);
        model.SetEncoding(c.enc);
        model.Open();
        struct Query {
            QString text;
            bool matchCase;
            qint64 index; // in line 1
        };
        for (const Query& q : { Query { QStringLiteral("\\"), true, 4 }, Query { QStringLiteral("A"), true, 5 },
                 Query { QStringLiteral("@"), true, 6 }, Query { QStringLiteral("["), true, 7 },
                 Query { QStringLiteral("a@"), false, 5 }, Query { QStringLiteral("\\a"), false, 4 } }) {
            SCOPED_TRACE(q.text.toStdString());
            const unsigned options = q.matchCase ? unsigned(soMatchCase) : 0u;
            const std::optional<TSearchHit> forward = model.FindText(q.text, options | soWholeFile, 0, 0);
            ASSERT_TRUE(forward);
            EXPECT_EQ(forward->StartLine, 1);
            EXPECT_EQ(forward->StartIndex, q.index);
            const std::optional<TSearchHit> backward = model.FindText(q.text, options | soBackward | soWholeFile, 0, 0);
            ASSERT_TRUE(backward);
            EXPECT_EQ(backward->StartLine, 1);
            EXPECT_EQ(backward->StartIndex, q.index);
            // The find bar's count and the filter see the one line that holds it.
            std::shared_ptr<hy::platform::TFileDescriptor> fd(
                new hy::platform::TFileDescriptor(::open(path.toLocal8Bit().constData(), O_RDONLY)));
            THvMatchScan::Setup s;
            s.Read = [fd](FileOffset offset, uint8_t* buf, size_t n) { return ReadAt(*fd, offset, buf, n); };
            s.Encoding = c.enc;
            s.Queries = { TMatchQuery { q.text, q.matchCase } };
            THvMatchScan count(s);
            while (!count.Finished())
                std::this_thread::yield();
            EXPECT_EQ(count.Found(), 1);
            const THvLineMatcher matcher(s.Queries[0], c.enc);
            EXPECT_FALSE(matcher.Matches(p, size_t(c.trails.size())));
        }
        // A character whose bytes are those of another's end and the next one's start is not there either.
        const QString whole = QString(QChar(DecodeChar(c.enc, p + 2, 2).Code));
        EXPECT_TRUE(model.FindText(whole, soMatchCase | soWholeFile, 0, 0));
    }
}

TEST(HvCodePages, SearchesAndLayoutOverLongRunsOfDoubleByteCharacters)
{
    // 亜 is 88 9F in Shift_JIS: the bytes 9F 88 are found at every odd offset of a run of them, yet they
    // are a character of their own only where one starts. 600 KB of them take the searches over many blocks.
    const QByteArray unit("\x88\x9F");
    const QByteArray target("\x9F\x88");
    const uint8_t* tp = reinterpret_cast<const uint8_t*>(target.constData());
    const TDecodedChar t = DecodeChar(TTextEncoding::ShiftJis, tp, 2);
    ASSERT_TRUE(t.Valid && t.Length == 2);
    const int run = 300000;
    QByteArray data = unit.repeated(run) + target + unit.repeated(7) + "\n" + unit.repeated(run) + "\n";
    hy::test::TTempFolder dir;
    const QString path = dir.Write(QStringLiteral("run.txt"), data);
    THvFileModel model;
    model.SetFileName(path);
    model.SetEncoding(TTextEncoding::ShiftJis);
    model.Open();
    const QString text = CharText(t.Code);
    for (const unsigned way : { 0u, unsigned(soBackward) }) {
        const std::optional<TSearchHit> hit = model.FindText(text, soMatchCase | soWholeFile | way, 0, 0);
        ASSERT_TRUE(hit);
        EXPECT_EQ(hit->StartLine, 0);
        EXPECT_EQ(hit->StartIndex, 2 * run);
        EXPECT_EQ(hit->EndIndex, 2 * run + 2);
    }
    // From the caret past it, forward: no other.
    EXPECT_FALSE(model.FindText(text, soMatchCase, 0, 2 * run + 2));
    std::shared_ptr<hy::platform::TFileDescriptor> fd(
        new hy::platform::TFileDescriptor(::open(path.toLocal8Bit().constData(), O_RDONLY)));
    THvMatchScan::Setup s;
    s.Read = [fd](FileOffset offset, uint8_t* buf, size_t n) { return ReadAt(*fd, offset, buf, n); };
    s.Encoding = TTextEncoding::ShiftJis;
    s.Queries = { TMatchQuery { text, true } };
    THvMatchScan count(s);
    while (!count.Finished())
        std::this_thread::yield();
    EXPECT_EQ(count.Found(), 1);
}

namespace {
// The model's lines as the layout's source: reads go through its page cache.
class ModelSource : public THvTextSource {
public:
    explicit ModelSource(THvFileModel& m)
        : model(m)
    {
    }
    qint64 SourceRead(LineNumber line, qint64 from, uint8_t* buf, qint64 n) override
    {
        return model.ReadLine(line, from, buf, n);
    }
    THvFileModel& model;
};
} // namespace

TEST(HvCodePages, LinesLaidOutOverPagesOfTheCacheDecodeWhole)
{
    // Characters of one to four bytes over every 4 KiB page edge of a 40 KiB line, after an odd start.
    struct Case {
        TTextEncoding enc;
        const char16_t* chars;
    };
    const Case cases[] = {
        { TTextEncoding::ShiftJis, u"a日ｶソ表" }, { TTextEncoding::EucJp, u"a日ｶ丂" }, // 丂 takes three bytes in EUC-JP
        { TTextEncoding::Gb18030, u"a中𠀀€é" }, // 𠀀, € and é take four
        { TTextEncoding::Big5, u"a資料" }, { TTextEncoding::Iso2022Jp, u"a日本語" },
        { TTextEncoding::Utf32BE, u"a日😀" },
        { TTextEncoding::Windows1258, u"aơ\u0301ư" }, // a tone mark joins the letter before it
    };
    hy::test::TTempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(EncodingName(c.enc).toStdString());
        QElapsedTimer timer;
        timer.start();
        const QList<uint> chars = QString::fromUtf16(c.chars).toUcs4();
        std::mt19937 rng(11);
        QString want = QStringLiteral("x");
        for (qsizetype size = 1; size < 40 * 1024;) {
            QString word = rng() % 2 ? QStringLiteral("a") : QString();
            for (int k = int(rng() % 6) + 1; k > 0; --k)
                word += CharText(chars[int(rng() % (chars.size() - 1)) + 1]);
            want += word;
            size += EncodeText(c.enc, word).size();
        }
        bool ok = false;
        const QByteArray bytes = EncodeText(c.enc, want, &ok);
        ASSERT_TRUE(ok);
        const QString path = dir.Write(EncodingName(c.enc),
            EncodeText(c.enc, QStringLiteral("first line\n")) + bytes + EncodeText(c.enc, QStringLiteral("\nlast\n")));
        THvFileModel model;
        model.SetFileName(path);
        model.SetEncoding(c.enc);
        model.Open();
        ModelSource source(model);
        THvTextLayout layout(&source);
        layout.SetEncoding(c.enc);
        EXPECT_EQ(layout.Text(1, 0, bytes.size()), want);
        QString shown;
        qint64 column = 0;
        for (const TCell& cell : layout.CellsOfRange(1, 0, bytes.size())) {
            EXPECT_NE(cell.Type, TCell::Replacement) << "at " << cell.Index;
            EXPECT_EQ(cell.Column, column);
            column += cell.Width;
            shown += cell.Text;
        }
        EXPECT_EQ(shown, want);
        // A copy from the middle of the line starts on the character there.
        const qint64 mid = layout.ClusterStart(1, bytes.size() / 2);
        EXPECT_TRUE(want.endsWith(layout.Text(1, mid, bytes.size())));
        std::printf("%s %lld\n", qPrintable(EncodingName(c.enc)), timer.elapsed());
    }
}

TEST(HvCodePages, Iso2022JpStartsEachLineInAsciiAndIsSearchedDecoded)
{
    // 日本 is ESC $ B then "F|K\\" (the bytes of "F|" and "K\\" in ASCII); the shift back to ASCII ends line 0.
    // Line 1 has no escape of its own: its "F|" is ASCII.
    const QByteArray data = "x \x1B$BF|K\\\x1B(B abc\n"
                            "F|K\\ \x1B$BF|\n";
    hy::test::TTempFolder dir;
    THvFileModel model;
    model.SetFileName(dir.Write(QStringLiteral("jis.txt"), data));
    model.SetEncoding(TTextEncoding::Iso2022Jp);
    model.Open();
    std::optional<TSearchHit> hit = model.FindText(QStringLiteral("日本"), soMatchCase | soWholeFile, 0, 0);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->StartLine, 0);
    EXPECT_EQ(hit->StartIndex, 5);
    EXPECT_EQ(hit->EndIndex, 9);
    hit = model.FindText(QStringLiteral("F|"), soMatchCase | soWholeFile, 0, 0);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->StartLine, 1);
    EXPECT_EQ(hit->StartIndex, 0);
    // The second 日 of line 1 follows its own escape sequence; searching backward finds it first.
    hit = model.FindText(QStringLiteral("日"), soMatchCase | soWholeFile | soBackward, 0, 0);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->StartLine, 1);
    EXPECT_EQ(hit->StartIndex, 8);
    // The find bar's matcher agrees, and a byte search looks for bytes.
    const THvLineMatcher matcher(TMatchQuery { QStringLiteral("F|"), true }, TTextEncoding::Iso2022Jp);
    std::vector<TMatchSpan> spans;
    const auto* p = reinterpret_cast<const uint8_t*>(data.constData());
    EXPECT_EQ(matcher.Find(p, size_t(data.indexOf('\n')), &spans), 0u);
    model.SetInHexMode(true);
    hit = model.FindBytes(QStringLiteral("ABC"), soWholeFile, 0);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->StartLine, 0);
    // The layout shows the escape sequences as nothing, and copies from the middle in the right set.
    model.SetInHexMode(false);
    ModelSource source(model);
    THvTextLayout layout(&source);
    layout.SetEncoding(TTextEncoding::Iso2022Jp);
    EXPECT_EQ(layout.Text(0, 0, 1000), QStringLiteral("x 日本 abc"));
    EXPECT_EQ(layout.Text(0, 7, 1000), QStringLiteral("本 abc"));
    EXPECT_EQ(layout.Text(1, 0, 1000), QStringLiteral("F|K\\ 日"));
    EXPECT_EQ(layout.LineColumns(0), 10);
}

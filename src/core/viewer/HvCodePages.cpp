// The code pages of other systems and countries: their names, the tables each is decoded through (built
// once, from ICU, or from the C library's iconv for the few ICU's data leaves out), the rule that tells how
// many bytes a character of a multi-byte encoding takes, ISO-2022-JP's escape sequences, and the byte
// forms a search looks for.
#include "core/viewer/HvCodePages.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <mutex>
#include <unicode/ucnv.h>
#include <unordered_map>

namespace hy::viewer {

namespace {

    using E = TTextEncoding;
    using K = TEncodingKind;

    struct Info {
        TTextEncoding Encoding;
        const char* Name; // shown and kept in settings
        const char* Icu; // the converter the table is built from
        const char* Iconv; // the C library's name, where ICU has no converter
        TEncodingKind Kind;
        const char* Group;
    };

    // In the order of the values.
    constexpr Info kInfo[] = {
        { E::Auto, "Auto", nullptr, nullptr, K::Utf8, "" },
        { E::Utf8, "UTF-8", nullptr, nullptr, K::Utf8, "Unicode" },
        { E::Windows1252, "Windows-1252", "windows-1252", nullptr, K::SingleByte, "Western European" },
        { E::Iso8859_1, "ISO-8859-1", "ISO-8859-1", nullptr, K::SingleByte, "Western European" },
        { E::Utf16LE, "UTF-16 LE", nullptr, nullptr, K::Utf16, "Unicode" },
        { E::Utf16BE, "UTF-16 BE", nullptr, nullptr, K::Utf16, "Unicode" },
        { E::Utf32LE, "UTF-32 LE", nullptr, nullptr, K::Utf32, "Unicode" },
        { E::Utf32BE, "UTF-32 BE", nullptr, nullptr, K::Utf32, "Unicode" },
        { E::Iso8859_2, "ISO-8859-2", "ISO-8859-2", nullptr, K::SingleByte, "Central European" },
        { E::Iso8859_3, "ISO-8859-3", "ISO-8859-3", nullptr, K::SingleByte, "South European" },
        { E::Iso8859_4, "ISO-8859-4", "ISO-8859-4", nullptr, K::SingleByte, "Baltic" },
        { E::Iso8859_5, "ISO-8859-5", "ISO-8859-5", nullptr, K::SingleByte, "Cyrillic" },
        { E::Iso8859_6, "ISO-8859-6", "ISO-8859-6", nullptr, K::SingleByte, "Arabic" },
        { E::Iso8859_7, "ISO-8859-7", "ISO-8859-7", nullptr, K::SingleByte, "Greek" },
        { E::Iso8859_8, "ISO-8859-8", "ISO-8859-8", nullptr, K::SingleByte, "Hebrew" },
        { E::Iso8859_9, "ISO-8859-9", "ISO-8859-9", nullptr, K::SingleByte, "Turkish" },
        { E::Iso8859_10, "ISO-8859-10", "ISO-8859-10", nullptr, K::SingleByte, "Nordic" },
        { E::Iso8859_11, "ISO-8859-11", "ISO-8859-11", nullptr, K::SingleByte, "Thai" },
        { E::Iso8859_13, "ISO-8859-13", "ISO-8859-13", nullptr, K::SingleByte, "Baltic" },
        { E::Iso8859_14, "ISO-8859-14", "ISO-8859-14", nullptr, K::SingleByte, "Celtic" },
        { E::Iso8859_15, "ISO-8859-15", "ISO-8859-15", nullptr, K::SingleByte, "Western European" },
        { E::Iso8859_16, "ISO-8859-16", "ISO-8859-16", "ISO-8859-16", K::SingleByte, "Central European" },
        { E::Windows1250, "Windows-1250", "windows-1250", nullptr, K::SingleByte, "Central European" },
        { E::Windows1251, "Windows-1251", "windows-1251", nullptr, K::SingleByte, "Cyrillic" },
        { E::Windows1253, "Windows-1253", "windows-1253", nullptr, K::SingleByte, "Greek" },
        { E::Windows1254, "Windows-1254", "windows-1254", nullptr, K::SingleByte, "Turkish" },
        { E::Windows1255, "Windows-1255", "windows-1255", nullptr, K::SingleByte, "Hebrew" },
        { E::Windows1256, "Windows-1256", "windows-1256", nullptr, K::SingleByte, "Arabic" },
        { E::Windows1257, "Windows-1257", "windows-1257", nullptr, K::SingleByte, "Baltic" },
        { E::Windows1258, "Windows-1258", "windows-1258", nullptr, K::SingleByte, "Vietnamese" },
        { E::Koi8R, "KOI8-R", "KOI8-R", nullptr, K::SingleByte, "Cyrillic" },
        { E::Koi8U, "KOI8-U", "KOI8-U", nullptr, K::SingleByte, "Cyrillic" },
        { E::Ibm437, "IBM 437", "IBM437", nullptr, K::SingleByte, "DOS" },
        { E::Ibm850, "IBM 850", "IBM850", nullptr, K::SingleByte, "DOS" },
        { E::MacRoman, "Mac Roman", "macintosh", nullptr, K::SingleByte, "Western European" },
        // The multi-byte encodings read as the code pages that extend them, as browsers do: a file labelled
        // Shift_JIS, GB2312 or EUC-KR often holds the vendor's extra characters.
        { E::ShiftJis, "Shift_JIS", "windows-31j", nullptr, K::MultiByte, "Japanese" },
        { E::EucJp, "EUC-JP", "EUC-JP", nullptr, K::MultiByte, "Japanese" },
        { E::Iso2022Jp, "ISO-2022-JP", nullptr, nullptr, K::Iso2022, "Japanese" },
        { E::Gb18030, "GB18030", "GB18030", nullptr, K::MultiByte, "Chinese" },
        { E::Gbk, "GBK", "windows-936", nullptr, K::MultiByte, "Chinese" },
        { E::Gb2312, "GB2312", "windows-936", nullptr, K::MultiByte, "Chinese" },
        { E::Big5, "Big5", "windows-950", nullptr, K::MultiByte, "Chinese" },
        { E::EucKr, "EUC-KR", "windows-949", nullptr, K::MultiByte, "Korean" },
    };
    static_assert(std::size(kInfo) == size_t(kEncodingCount));

    const Info& InfoOf(TTextEncoding e) { return kInfo[size_t(e)]; }

    constexpr char32_t kNone = kUndefinedChar;

    // Names compared without case, blanks, hyphens and underscores.
    QString Normal(const QString& name)
    {
        QString out;
        for (const QChar c : name) {
            if (c != QLatin1Char('-') && c != QLatin1Char('_') && c != QLatin1Char(' '))
                out += c.toUpper();
        }
        return out;
    }

    // What other programs (uchardet, iconv, mail headers) call the encodings, beyond our own names.
    constexpr std::pair<const char*, TTextEncoding> kAliases[] = {
        { "CP1252", E::Windows1252 },
        { "LATIN1", E::Iso8859_1 },
        { "ISO885915", E::Iso8859_15 },
        { "UTF16LE", E::Utf16LE },
        { "UTF16BE", E::Utf16BE },
        { "UTF32LE", E::Utf32LE },
        { "UTF32BE", E::Utf32BE },
        { "CP1250", E::Windows1250 },
        { "CP1251", E::Windows1251 },
        { "CP1253", E::Windows1253 },
        { "CP1254", E::Windows1254 },
        { "CP1255", E::Windows1255 },
        { "CP1256", E::Windows1256 },
        { "CP1257", E::Windows1257 },
        { "CP1258", E::Windows1258 },
        { "CP437", E::Ibm437 },
        { "CP850", E::Ibm850 },
        { "MACINTOSH", E::MacRoman },
        { "MACROMAN", E::MacRoman },
        { "TIS620", E::Iso8859_11 },
        { "SJIS", E::ShiftJis },
        { "CP932", E::ShiftJis },
        { "WINDOWS31J", E::ShiftJis },
        { "CP936", E::Gbk },
        { "EUCCN", E::Gb2312 },
        { "CP950", E::Big5 },
        { "UHC", E::EucKr },
        { "CP949", E::EucKr },
    };

    // One ICU converter, closed on every way out; conversions stop at the first sequence it cannot map.
    struct Converter {
        UConverter* Cnv = nullptr;
        explicit Converter(const char* name)
        {
            UErrorCode err = U_ZERO_ERROR;
            Cnv = ucnv_open(name, &err);
            if (U_FAILURE(err)) {
                Cnv = nullptr;
                return;
            }
            err = U_ZERO_ERROR;
            ucnv_setToUCallBack(Cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
            err = U_ZERO_ERROR;
            ucnv_setFromUCallBack(Cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        }
        ~Converter()
        {
            if (Cnv)
                ucnv_close(Cnv);
        }
        Converter(const Converter&) = delete;
        Converter& operator=(const Converter&) = delete;

        // The one character that exactly these bytes make, else kNone.
        char32_t Decode(const uint8_t* p, size_t n) const
        {
            ucnv_resetToUnicode(Cnv);
            UErrorCode err = U_ZERO_ERROR;
            const char* src = reinterpret_cast<const char*>(p);
            const char* end = src + n;
            const UChar32 c = ucnv_getNextUChar(Cnv, &src, end, &err);
            return U_SUCCESS(err) && src == end && c >= 0 ? char32_t(c) : kNone;
        }

        // The bytes ICU writes for a character (its preferred form among several), empty when none.
        QByteArray Encode(char32_t code) const
        {
            ucnv_resetFromUnicode(Cnv);
            UChar units[2];
            int32_t len = 0;
            UBool bad = false;
            U16_APPEND(units, len, 2, UChar32(code), bad);
            if (bad)
                return {};
            char out[16];
            UErrorCode err = U_ZERO_ERROR;
            const int32_t n = ucnv_fromUChars(Cnv, out, sizeof out, units, len, &err);
            return U_SUCCESS(err) ? QByteArray(out, n) : QByteArray();
        }
    };

    // The character of each single byte through the C library's iconv (for code pages ICU's data lacks).
    bool IconvSingleBytes(const char* name, std::array<char32_t, 256>& table)
    {
        iconv_t cd = iconv_open("UTF-32LE", name);
        if (cd == iconv_t(-1))
            return false;
        for (int b = 0; b < 256; ++b) {
            char in = char(b);
            char out[8];
            char* ip = &in;
            char* op = out;
            size_t il = 1;
            size_t ol = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &ip, &il, &op, &ol) != size_t(-1) && op - out == 4)
                table[size_t(b)] = char32_t(uint8_t(out[0]) | uint8_t(out[1]) << 8 | uint8_t(out[2]) << 16);
        }
        iconv_close(cd);
        return true;
    }

    struct SingleTables {
        std::array<char32_t, 256> Chars {};
        uint8_t Fold[256] {};
        bool Uniform = true;
        std::unordered_map<char32_t, uint8_t> Bytes;
    };

    // Multi-byte code pages: which bytes lead a character, and what each sequence decodes to.
    struct MultiTables {
        std::array<char32_t, 256> Single {};
        bool Lead[256] {};
        std::vector<char32_t> Double; // lead << 8 | trail, 0 where none
        std::vector<char32_t> Triple; // EUC-JP's 0x8F rows, 94 x 94
        std::vector<char32_t> Four; // GB18030's four-byte sequences below 0x85, 0 where none

        // The character of a sequence, 0 where none (Single: kNone); the decoder asks only for sequences
        // whose bytes the lead and trail rules allow.
        bool LeadOf(uint8_t b) const { return Lead[b]; }
        char32_t SingleOf(uint8_t b) const { return Single[b]; }
        char32_t DoubleOf(uint8_t lead, uint8_t trail) const { return Double[size_t(lead) << 8 | trail]; }
        char32_t TripleOf(uint8_t b1, uint8_t b2) const { return Triple[size_t(b1 - 0xA1) * 94 + size_t(b2 - 0xA1)]; }
        char32_t FourOf(const uint8_t* p) const;
    };

    // Every byte form of each character of a multi-byte code page, for searches and encoding: built apart
    // from the tables above, on the first search, as telling and showing text never need it.
    struct FormTables {
        std::unordered_map<char32_t, std::vector<QByteArray>> Forms;
    };

    bool IsEuc(uint8_t b) { return b >= 0xA1 && b <= 0xFE; }
    bool IsDigit(uint8_t b) { return b >= 0x30 && b <= 0x39; }

    bool IsLead(TTextEncoding e, uint8_t b)
    {
        switch (e) {
        case E::ShiftJis:
            return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case E::EucJp:
            return IsEuc(b) || b == 0x8E || b == 0x8F;
        default:
            return b >= 0x81 && b <= 0xFE;
        }
    }

    bool IsTrail(TTextEncoding e, uint8_t b)
    {
        switch (e) {
        case E::ShiftJis:
            return b >= 0x40 && b <= 0xFC && b != 0x7F;
        case E::EucJp:
            return IsEuc(b);
        case E::Big5:
            return (b >= 0x40 && b <= 0x7E) || IsEuc(b);
        case E::EucKr:
            return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
        default: // the GB family
            return b >= 0x40 && b <= 0xFE && b != 0x7F;
        }
    }

    size_t FourIndex(const uint8_t* p)
    {
        return ((size_t(p[0] - 0x81) * 10 + size_t(p[1] - 0x30)) * 126 + size_t(p[2] - 0x81)) * 10
            + size_t(p[3] - 0x30);
    }

    // The four-byte sequence that is the linear'th counted from first 0x30 0x81 0x30 (FourIndex's inverse).
    QByteArray FourBytes(uint8_t first, size_t linear)
    {
        char seq[4];
        seq[3] = char(0x30 + linear % 10);
        linear /= 10;
        seq[2] = char(0x81 + linear % 126);
        linear /= 126;
        seq[1] = char(0x30 + linear % 10);
        seq[0] = char(first + linear / 10);
        return QByteArray(seq, 4);
    }

    char32_t MultiTables::FourOf(const uint8_t* p) const { return Four[FourIndex(p)]; }

    void AddForm(FormTables& t, char32_t code, QByteArray bytes)
    {
        auto& list = t.Forms[code];
        if (std::find(list.begin(), list.end(), bytes) == list.end())
            list.push_back(std::move(bytes));
    }

    std::unique_ptr<SingleTables> BuildSingle(TTextEncoding e)
    {
        auto t = std::make_unique<SingleTables>();
        t->Chars.fill(kNone);
        const Info& info = InfoOf(e);
        const Converter icu(info.Icu);
        if (icu.Cnv) {
            for (int b = 0; b < 256; ++b) {
                const uint8_t byte = uint8_t(b);
                t->Chars[size_t(b)] = icu.Decode(&byte, 1);
            }
        } else if (info.Iconv) {
            IconvSingleBytes(info.Iconv, t->Chars);
        }
        // The bytes a Windows code page leaves undefined are undefined here too, as in Windows-1252 (ICU
        // gives them the C1 control code of the same number).
        if (QByteArray(info.Icu).startsWith("windows-")) {
            for (int b = 0x80; b < 0xA0; ++b) {
                if (t->Chars[size_t(b)] == char32_t(b))
                    t->Chars[size_t(b)] = kNone;
            }
        }
        // The control codes are the ASCII ones in every code page (IBM's tables move a few about).
        for (int b = 0; b < 0x20; ++b)
            t->Chars[size_t(b)] = char32_t(b);
        t->Chars[0x7F] = 0x7F;
        for (int b = 0x20; b < 0x7F; ++b) {
            if (t->Chars[size_t(b)] == kNone)
                t->Chars[size_t(b)] = char32_t(b);
        }
        for (int b = 255; b >= 0; --b) {
            const char32_t c = t->Chars[size_t(b)];
            if (c != kNone) {
                t->Bytes[c] = uint8_t(b);
                if (CharCells(c) != 1)
                    t->Uniform = false;
            }
        }
        // Each byte folds to the first byte whose character folds the same.
        std::unordered_map<char32_t, uint8_t> firstOfFold;
        for (int b = 0; b < 256; ++b) {
            const char32_t c = t->Chars[size_t(b)];
            t->Fold[b] = uint8_t(b);
            if (c != kNone)
                t->Fold[b] = firstOfFold.try_emplace(FoldCase(c), uint8_t(b)).first->second;
        }
        return t;
    }

    void BuildDouble(TTextEncoding e, const Converter& icu, MultiTables& t)
    {
        t.Double.assign(size_t(1) << 16, 0);
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            if (!t.Lead[lead])
                continue;
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (!IsTrail(e, uint8_t(trail)))
                    continue;
                const uint8_t seq[2] = { uint8_t(lead), uint8_t(trail) };
                const char32_t c = icu.Decode(seq, 2);
                if (c != kNone && c != 0)
                    t.Double[size_t(lead) << 8 | size_t(trail)] = c;
            }
        }
    }

    std::unique_ptr<MultiTables> BuildMulti(TTextEncoding e)
    {
        auto t = std::make_unique<MultiTables>();
        // ISO-2022-JP's two-byte sets are EUC-JP's with the high bits cleared.
        const TTextEncoding source = e == E::Iso2022Jp ? E::EucJp : e;
        const Converter icu(InfoOf(source).Icu);
        t->Single.fill(kNone);
        for (int b = 0; b < 0x80; ++b)
            t->Single[size_t(b)] = char32_t(b);
        for (int b = 0; b < 256; ++b)
            t->Lead[b] = IsLead(source, uint8_t(b));
        if (!icu.Cnv)
            return t;
        for (int b = 0x80; b < 256; ++b) {
            const uint8_t byte = uint8_t(b);
            if (!t->Lead[b])
                t->Single[size_t(b)] = icu.Decode(&byte, 1);
        }
        BuildDouble(source, icu, *t);
        if (source == E::EucJp) {
            t->Triple.assign(94 * 94, 0);
            for (int b1 = 0xA1; b1 <= 0xFE; ++b1) {
                for (int b2 = 0xA1; b2 <= 0xFE; ++b2) {
                    const uint8_t seq[3] = { 0x8F, uint8_t(b1), uint8_t(b2) };
                    const char32_t c = icu.Decode(seq, 3);
                    if (c != kNone && c != 0)
                        t->Triple[size_t(b1 - 0xA1) * 94 + size_t(b2 - 0xA1)] = c;
                }
            }
        }
        if (source == E::Gb18030) {
            t->Four.assign(4 * 10 * 126 * 10, 0);
            uint8_t seq[4];
            for (seq[0] = 0x81; seq[0] <= 0x84; ++seq[0]) {
                for (seq[1] = 0x30; seq[1] <= 0x39; ++seq[1]) {
                    for (seq[2] = 0x81; seq[2] <= 0xFE; ++seq[2]) {
                        for (seq[3] = 0x30; seq[3] <= 0x39; ++seq[3]) {
                            const char32_t c = icu.Decode(seq, 4);
                            if (c != kNone && c != 0)
                                t->Four[FourIndex(seq)] = c;
                        }
                    }
                }
            }
        }
        return t;
    }

    // The forms of every character the tables decode, single bytes first, then by length and byte order.
    std::unique_ptr<FormTables> BuildForms(TTextEncoding e, const MultiTables& m)
    {
        auto t = std::make_unique<FormTables>();
        const Converter icu(InfoOf(e == E::Iso2022Jp ? E::EucJp : e).Icu);
        if (!icu.Cnv)
            return t;
        for (int b = 0; b < 256; ++b) {
            if (m.Single[size_t(b)] != kNone)
                AddForm(*t, m.Single[size_t(b)], QByteArray(1, char(b)));
        }
        for (size_t i = 0; i < m.Double.size(); ++i) {
            if (m.Double[i]) {
                const char seq[2] = { char(i >> 8), char(i & 0xFF) };
                AddForm(*t, m.Double[i], QByteArray(seq, 2));
            }
        }
        for (size_t i = 0; i < m.Triple.size(); ++i) {
            if (m.Triple[i]) {
                const char seq[3] = { char(0x8F), char(0xA1 + i / 94), char(0xA1 + i % 94) };
                AddForm(*t, m.Triple[i], QByteArray(seq, 3));
            }
        }
        for (size_t i = 0; i < m.Four.size(); ++i) {
            if (m.Four[i])
                AddForm(*t, m.Four[i], FourBytes(0x81, i));
        }
        // ICU's own choice among several forms comes first: it is what the encoder of the code page writes.
        for (auto& [code, list] : t->Forms) {
            if (list.size() < 2)
                continue;
            const QByteArray preferred = icu.Encode(code);
            const auto it = std::find(list.begin(), list.end(), preferred);
            if (it != list.end())
                std::rotate(list.begin(), it, it + 1);
        }
        return t;
    }

    template <class T> struct Lazy {
        std::once_flag Once;
        std::unique_ptr<T> Tables;
    };

    const SingleTables& Single(TTextEncoding e)
    {
        static std::array<Lazy<SingleTables>, kEncodingCount> all;
        Lazy<SingleTables>& l = all[size_t(e)];
        std::call_once(l.Once, [&] { l.Tables = BuildSingle(e); });
        return *l.Tables;
    }

    const MultiTables& Multi(TTextEncoding e)
    {
        static std::array<Lazy<MultiTables>, kEncodingCount> all;
        // GB2312 reads as GBK: one table serves both.
        if (e == E::Gb2312)
            e = E::Gbk;
        Lazy<MultiTables>& l = all[size_t(e)];
        std::call_once(l.Once, [&] { l.Tables = BuildMulti(e); });
        return *l.Tables;
    }

    const FormTables& Forms(TTextEncoding e)
    {
        static std::array<Lazy<FormTables>, kEncodingCount> all;
        if (e == E::Gb2312)
            e = E::Gbk;
        Lazy<FormTables>& l = all[size_t(e)];
        std::call_once(l.Once, [&] { l.Tables = BuildForms(e, Multi(e)); });
        return *l.Tables;
    }

    // The same answers as a code page's tables, from ICU one sequence at a time, each asked once: telling
    // whether a sample reads in a code page decodes a few hundred distinct characters, far fewer than the
    // tables hold.
    class Probe {
    public:
        explicit Probe(TTextEncoding e)
            : Source(e == E::Iso2022Jp ? E::EucJp : e)
            , Icu(InfoOf(Source).Icu)
        {
        }
        bool Usable() const { return Icu.Cnv != nullptr; }

        bool LeadOf(uint8_t b) const { return IsLead(Source, b); }
        char32_t SingleOf(uint8_t b) const
        {
            if (b < 0x80)
                return b;
            return IsLead(Source, b) ? kNone : Ask(&b, 1, kNone);
        }
        char32_t DoubleOf(uint8_t lead, uint8_t trail) const
        {
            if (lead < 0x81 || !IsLead(Source, lead) || trail < 0x40 || trail > 0xFE || !IsTrail(Source, trail))
                return 0;
            const uint8_t seq[2] = { lead, trail };
            return Ask(seq, 2, 0);
        }
        char32_t TripleOf(uint8_t b1, uint8_t b2) const
        {
            const uint8_t seq[3] = { 0x8F, b1, b2 };
            return Ask(seq, 3, 0);
        }
        char32_t FourOf(const uint8_t* p) const { return Ask(p, 4, 0); }

    private:
        char32_t Ask(const uint8_t* p, size_t n, char32_t none) const
        {
            uint32_t key = uint32_t(n);
            for (size_t i = 0; i < n; ++i)
                key = key << 8 | p[i];
            auto [it, fresh] = Known.try_emplace(uint64_t(n) << 32 | key, 0);
            if (fresh) {
                const char32_t c = Icu.Decode(p, n);
                it->second = c == kNone || c == 0 ? none : c;
            }
            return it->second;
        }

        TTextEncoding Source;
        Converter Icu;
        mutable std::unordered_map<uint64_t, char32_t> Known;
    };

    TDecodedChar Invalid(const uint8_t* p) { return { char32_t(p[0]), 1, false, false }; }

    // GB18030's four-byte sequences from 0x90308130 count up from U+10000.
    char32_t Gb18030Supplementary(const uint8_t* p)
    {
        const char32_t linear = char32_t(p[0] - 0x90) * 12600 + char32_t(p[1] - 0x30) * 1260
            + char32_t(p[2] - 0x81) * 10 + char32_t(p[3] - 0x30);
        const char32_t c = 0x10000 + linear;
        return c <= 0x10FFFF ? c : 0;
    }

    // ISO-2022-JP's character sets.
    enum JisSet : TDecodeState { kAscii, kRoman, kJis0208, kJis0212, kKatakana };

    // The escape sequence at p and the set it chooses; its length, or 0 when there is none.
    int JisEscape(const uint8_t* p, size_t n, TDecodeState& set)
    {
        struct Esc {
            const char* Bytes;
            JisSet Set;
        };
        static constexpr Esc kEscapes[] = { { "\x1B(B", kAscii }, { "\x1B(J", kRoman }, { "\x1B(I", kKatakana },
            { "\x1B$@", kJis0208 }, { "\x1B$B", kJis0208 }, { "\x1B$(D", kJis0212 }, { "\x1B$(B", kJis0208 } };
        for (const Esc& e : kEscapes) {
            const size_t len = std::strlen(e.Bytes);
            if (n >= len && std::memcmp(p, e.Bytes, len) == 0) {
                set = e.Set;
                return int(len);
            }
        }
        return 0;
    }

    bool IsJisByte(uint8_t b) { return b >= 0x21 && b <= 0x7E; }

    template <class Tables> TDecodedChar DecodeIso2022(const Tables& t, const uint8_t* p, size_t n, TDecodeState& state)
    {
        const uint8_t b = p[0];
        if (b == 0x1B) {
            TDecodeState set = state;
            if (const int len = JisEscape(p, n, set)) {
                state = set;
                return { 0x1B, len, true, true };
            }
            return { 0x1B, 1, true, false };
        }
        if (b >= 0x80)
            return Invalid(p);
        // Blanks and control codes are themselves in every set.
        if (b <= 0x20 || b == 0x7F)
            return { b, 1, true, false };
        switch (state) {
        case kRoman:
            return { b == 0x5C ? char32_t(0xA5) : b == 0x7E ? char32_t(0x203E) : char32_t(b), 1, true, false };
        case kKatakana:
            return b <= 0x5F ? TDecodedChar { char32_t(0xFF61 + (b - 0x21)), 1, true, false } : Invalid(p);
        case kJis0208:
        case kJis0212: {
            if (n < 2 || !IsJisByte(p[1]))
                return Invalid(p);
            const char32_t c = state == kJis0208 ? t.DoubleOf(uint8_t(b | 0x80), uint8_t(p[1] | 0x80))
                                                 : t.TripleOf(uint8_t(b | 0x80), uint8_t(p[1] | 0x80));
            return c ? TDecodedChar { c, 2, true, false } : Invalid(p);
        }
        default:
            return { b, 1, true, false };
        }
    }

    // Whether a character certainly starts after byte b.
    bool EndsCharacter(TTextEncoding e, const MultiTables& t, uint8_t b)
    {
        return !t.Lead[b] && !(e == E::Gb18030 && IsDigit(b));
    }

} // namespace

TEncodingKind EncodingKind(TTextEncoding encoding) { return InfoOf(encoding).Kind; }

QString EncodingName(TTextEncoding encoding) { return QString::fromLatin1(InfoOf(encoding).Name); }

QString EncodingGroup(TTextEncoding encoding) { return QString::fromLatin1(InfoOf(encoding).Group); }

std::optional<TTextEncoding> EncodingByName(const QString& name)
{
    const QString n = Normal(name);
    if (n.isEmpty())
        return std::nullopt;
    for (const Info& i : kInfo) {
        if (Normal(QString::fromLatin1(i.Name)) == n)
            return i.Encoding;
    }
    for (const auto& [alias, e] : kAliases) {
        if (n == QLatin1String(alias))
            return e;
    }
    return std::nullopt;
}

const char32_t* SingleByteTable(TTextEncoding encoding) { return Single(encoding).Chars.data(); }

const uint8_t* SingleByteFoldTable(TTextEncoding encoding) { return Single(encoding).Fold; }

bool SingleByteUniform(TTextEncoding encoding) { return Single(encoding).Uniform; }

namespace {

    // One character of a multi-byte code page (not ISO-2022-JP) at p, through its tables or a probe.
    template <class Tables>
    TDecodedChar DecodeMulti(TTextEncoding encoding, const Tables& t, const uint8_t* p, size_t n)
    {
        const uint8_t b = p[0];
        if (b < 0x80)
            return { b, 1, true, false };
        if (!t.LeadOf(b)) {
            const char32_t c = t.SingleOf(b);
            return c == kNone ? Invalid(p) : TDecodedChar { c, 1, true, false };
        }
        if (n < 2)
            return Invalid(p);
        if (encoding == E::EucJp && b == 0x8F) {
            if (n < 3 || !IsEuc(p[1]) || !IsEuc(p[2]))
                return Invalid(p);
            const char32_t c = t.TripleOf(p[1], p[2]);
            return c ? TDecodedChar { c, 3, true, false } : Invalid(p);
        }
        if (encoding == E::Gb18030 && IsDigit(p[1])) {
            if (n < 4 || p[2] < 0x81 || p[2] > 0xFE || !IsDigit(p[3]))
                return Invalid(p);
            const char32_t c = b <= 0x84 ? t.FourOf(p) : b >= 0x90 && b <= 0xE3 ? Gb18030Supplementary(p) : 0;
            return c ? TDecodedChar { c, 4, true, false } : Invalid(p);
        }
        const char32_t c = t.DoubleOf(b, p[1]);
        return c ? TDecodedChar { c, 2, true, false } : Invalid(p);
    }

} // namespace

TDecodedChar DecodeCodePage(TTextEncoding encoding, const uint8_t* p, size_t n, TDecodeState& state)
{
    switch (EncodingKind(encoding)) {
    case K::SingleByte: {
        const char32_t c = Single(encoding).Chars[p[0]];
        return c == kNone ? Invalid(p) : TDecodedChar { c, 1, true, false };
    }
    case K::Iso2022: {
        // The tables are built on the first character that needs them: ASCII alone never does.
        struct Lazy {
            char32_t DoubleOf(uint8_t lead, uint8_t trail) const { return Multi(E::Iso2022Jp).DoubleOf(lead, trail); }
            char32_t TripleOf(uint8_t b1, uint8_t b2) const { return Multi(E::Iso2022Jp).TripleOf(b1, b2); }
        };
        return DecodeIso2022(Lazy {}, p, n, state);
    }
    default:
        return p[0] < 0x80 ? TDecodedChar { p[0], 1, true, false } : DecodeMulti(encoding, Multi(encoding), p, n);
    }
}

bool CodePageSampleReads(TTextEncoding encoding, const uint8_t* p, size_t n, bool more)
{
    const Probe probe(encoding);
    if (!probe.Usable())
        return false;
    size_t i = 0;
    int wide = 0;
    TDecodeState state = 0;
    while (i < n) {
        const TDecodedChar d = encoding == E::Iso2022Jp ? DecodeIso2022(probe, p + i, n - i, state)
                                                        : DecodeMulti(encoding, probe, p + i, n - i);
        if (!d.Valid && !(more && n - i < 4))
            return false;
        wide += d.Length > 1 && !d.Shift ? 1 : 0;
        i += size_t(d.Length);
    }
    return wide > 0;
}

TCharStart CharStartAt(TTextEncoding encoding, const uint8_t* lo, const uint8_t* at, const uint8_t* end, bool loStarts,
    const uint8_t** known)
{
    if (!HasTrailBytes(encoding))
        return TCharStart::Yes;
    const MultiTables& t = Multi(encoding);
    const uint8_t* q = at;
    if (known && *known && *known >= lo && *known <= at) {
        q = *known;
    } else {
        while (q > lo && !EndsCharacter(encoding, t, q[-1]))
            --q;
        if (q == lo && !loStarts)
            return TCharStart::Unknown;
    }
    TDecodeState state = 0;
    while (q < at)
        q += DecodeCodePage(encoding, q, size_t(end - q), state).Length;
    if (known)
        *known = q;
    return q == at ? TCharStart::Yes : TCharStart::No;
}

std::vector<QByteArray> CodePageForms(TTextEncoding encoding, char32_t code)
{
    if (IsSingleByte(encoding)) {
        const SingleTables& t = Single(encoding);
        const auto it = t.Bytes.find(code);
        if (it == t.Bytes.end())
            return {};
        return { QByteArray(1, char(it->second)) };
    }
    if (encoding == E::Iso2022Jp) {
        // Without its escape sequence a two-byte form means nothing: only ASCII stands on its own.
        return code < 0x80 && code != 0x1B ? std::vector<QByteArray> { QByteArray(1, char(code)) }
                                           : std::vector<QByteArray> {};
    }
    if (encoding == E::Gb18030 && code >= 0x10000 && code <= 0x10FFFF) {
        return { FourBytes(0x90, code - 0x10000) };
    }
    const FormTables& t = Forms(encoding);
    const auto it = t.Forms.find(code);
    return it == t.Forms.end() ? std::vector<QByteArray> {} : it->second;
}

QByteArray EncodeIso2022Jp(const QString& text, bool* ok)
{
    const FormTables& t = Forms(E::Iso2022Jp);
    QByteArray out;
    bool all = true;
    bool kanji = false;
    for (const char32_t c : text.toUcs4()) {
        if (c < 0x80 && c != 0x1B) {
            if (kanji)
                out += "\x1B(B";
            kanji = false;
            out += char(c);
            continue;
        }
        const auto it = t.Forms.find(c);
        const QByteArray* form = nullptr;
        if (it != t.Forms.end()) {
            for (const QByteArray& f : it->second) {
                if (f.size() == 2 && IsEuc(uint8_t(f[0])) && IsEuc(uint8_t(f[1]))) {
                    form = &f;
                    break;
                }
            }
        }
        if (!form) {
            all = false;
            continue;
        }
        if (!kanji)
            out += "\x1B$B";
        kanji = true;
        out += char(uint8_t((*form)[0]) & 0x7F);
        out += char(uint8_t((*form)[1]) & 0x7F);
    }
    if (kanji)
        out += "\x1B(B";
    if (ok)
        *ok = all;
    return out;
}

} // namespace hy::viewer

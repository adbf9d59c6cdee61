// Decoding, cell widths, encoding and case folding of the viewer's text encodings.
#include "core/viewer/HvEncoding.h"

#include "core/viewer/HvCodePages.h"
#include "platform/Cp1252.h"

#include <QChar>
#include <QList>
#include <algorithm>
#include <cstring>
#include <mutex>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <uchardet/uchardet.h>
#include <unordered_map>

namespace hy::viewer {

namespace {

    struct Range {
        char32_t First;
        char32_t Last;
    };

    // East Asian wide and fullwidth characters.
    constexpr Range kWide[] = {
        { 0x1100, 0x115F },
        { 0x231A, 0x231B },
        { 0x2329, 0x232A },
        { 0x23E9, 0x23EC },
        { 0x23F0, 0x23F0 },
        { 0x23F3, 0x23F3 },
        { 0x25FD, 0x25FE },
        { 0x2614, 0x2615 },
        { 0x2648, 0x2653 },
        { 0x267F, 0x267F },
        { 0x2693, 0x2693 },
        { 0x26A1, 0x26A1 },
        { 0x26AA, 0x26AB },
        { 0x26BD, 0x26BE },
        { 0x26C4, 0x26C5 },
        { 0x26CE, 0x26CE },
        { 0x26D4, 0x26D4 },
        { 0x26EA, 0x26EA },
        { 0x26F2, 0x26F3 },
        { 0x26F5, 0x26F5 },
        { 0x26FA, 0x26FA },
        { 0x26FD, 0x26FD },
        { 0x2705, 0x2705 },
        { 0x270A, 0x270B },
        { 0x2728, 0x2728 },
        { 0x274C, 0x274C },
        { 0x274E, 0x274E },
        { 0x2753, 0x2755 },
        { 0x2757, 0x2757 },
        { 0x2795, 0x2797 },
        { 0x27B0, 0x27B0 },
        { 0x27BF, 0x27BF },
        { 0x2B1B, 0x2B1C },
        { 0x2B50, 0x2B50 },
        { 0x2B55, 0x2B55 },
        { 0x2E80, 0x303E },
        { 0x3041, 0x33FF },
        { 0x3400, 0x4DBF },
        { 0x4E00, 0x9FFF },
        { 0xA000, 0xA4CF },
        { 0xA960, 0xA97F },
        { 0xAC00, 0xD7A3 },
        { 0xF900, 0xFAFF },
        { 0xFE10, 0xFE19 },
        { 0xFE30, 0xFE6F },
        { 0xFF00, 0xFF60 },
        { 0xFFE0, 0xFFE6 },
        { 0x16FE0, 0x16FE4 },
        { 0x17000, 0x18CFF },
        { 0x1B000, 0x1B2FF },
        { 0x1F004, 0x1F004 },
        { 0x1F0CF, 0x1F0CF },
        { 0x1F18E, 0x1F18E },
        { 0x1F191, 0x1F19A },
        { 0x1F200, 0x1F251 },
        { 0x1F300, 0x1F64F },
        { 0x1F680, 0x1F6FF },
        { 0x1F7E0, 0x1F7EB },
        { 0x1F90C, 0x1F9FF },
        { 0x1FA70, 0x1FAFF },
        { 0x20000, 0x2FFFD },
        { 0x30000, 0x3FFFD },
    };

    bool InRanges(char32_t c, const Range* begin, const Range* end)
    {
        const Range* it = std::upper_bound(begin, end, c, [](char32_t v, const Range& r) { return v < r.First; });
        return it != begin && c <= (it - 1)->Last;
    }

    bool IsZeroWidth(char32_t c)
    {
        if (c < 0x300)
            return false;
        if ((c >= 0x200B && c <= 0x200F) || (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF)
            return true;
        const QChar::Category cat = QChar::category(c);
        return cat == QChar::Mark_NonSpacing || cat == QChar::Mark_Enclosing;
    }

    TDecodedChar Invalid(const uint8_t* p, int len = 1) { return { char32_t(p[0]), len, false, false }; }

    TDecodedChar DecodeUtf8(const uint8_t* p, size_t n)
    {
        const uint8_t b = p[0];
        if (b < 0x80)
            return { b, 1, true };
        int len = 0;
        char32_t code = 0;
        char32_t min = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
            code = b & 0x1F;
            min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            code = b & 0x0F;
            min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            code = b & 0x07;
            min = 0x10000;
        } else {
            return Invalid(p);
        }
        if (n < size_t(len))
            return Invalid(p);
        for (int i = 1; i < len; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return Invalid(p);
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return Invalid(p);
        return { code, len, true };
    }

    TDecodedChar DecodeUtf16(const uint8_t* p, size_t n, bool big)
    {
        if (n < 2)
            return Invalid(p, 1);
        auto unit = [big](const uint8_t* q) { return char32_t(big ? (q[0] << 8) | q[1] : (q[1] << 8) | q[0]); };
        const char32_t u = unit(p);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (n >= 4) {
                const char32_t low = unit(p + 2);
                if (low >= 0xDC00 && low <= 0xDFFF)
                    return { 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), 4, true };
            }
            return Invalid(p, 2);
        }
        if (u >= 0xDC00 && u <= 0xDFFF)
            return Invalid(p, 2);
        return { u, 2, true };
    }

    // The statistical guess reads no more than this: it is sure of real text long before.
    constexpr size_t kGuessBytes = size_t(16) << 10;

    TDecodedChar DecodeUtf32(const uint8_t* p, size_t n, bool big)
    {
        if (n < 4)
            return Invalid(p, int(n));
        const char32_t u = big ? char32_t(p[0]) << 24 | char32_t(p[1]) << 16 | char32_t(p[2]) << 8 | p[3]
                               : char32_t(p[3]) << 24 | char32_t(p[2]) << 16 | char32_t(p[1]) << 8 | p[0];
        if (u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF))
            return Invalid(p, 4);
        return { u, 4, true, false };
    }

    // Whether the sample reads as text in a guessed code page rather than as Windows-1252, so that a guess
    // made on little evidence (a few accented letters) leaves Western text as it always read. A multi-byte
    // guess must decode without an invalid sequence; a single-byte one must turn the bytes into letters:
    // mostly non-ASCII letters for the scripts that are not Latin, and letters where Windows-1252 has
    // symbols (Polish "ł" is "³" there) for those that are.
    bool Plausible(TTextEncoding guess, const uint8_t* p, size_t n, bool more)
    {
        if (EncodingKind(guess) != TEncodingKind::SingleByte)
            return CodePageSampleReads(guess, p, n, more);
        const char32_t* table = SingleByteTable(guess);
        const QString group = EncodingGroup(guess);
        const bool latin = group != QLatin1String("Cyrillic") && group != QLatin1String("Greek")
            && group != QLatin1String("Hebrew") && group != QLatin1String("Arabic") && group != QLatin1String("Thai");
        size_t asciiLetters = 0;
        size_t otherLetters = 0;
        size_t gained = 0;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t b = p[i];
            if (b < 0x80) {
                asciiLetters += QChar::isLetter(char32_t(b)) ? 1 : 0;
                continue;
            }
            if (table[b] == 0xFFFFFFFF || !QChar::isLetter(table[b]))
                continue;
            ++otherLetters;
            const QChar western = platform::Cp1252ToUnicode(b);
            gained += western.isNull() || !western.isLetter() ? 1 : 0;
        }
        if (!latin)
            return otherLetters >= 2 && otherLetters * 10 >= (asciiLetters + otherLetters) * 4;
        return gained >= 2 && gained * 4 >= otherLetters;
    }

    // uchardet's guess for a sample without a byte-order mark that is not UTF-8, when it is a plausible one.
    std::optional<TTextEncoding> GuessCodePage(const uint8_t* p, size_t n, bool more)
    {
        uchardet_t ud = uchardet_new();
        if (!ud)
            return std::nullopt;
        std::optional<TTextEncoding> guess;
        if (uchardet_handle_data(ud, reinterpret_cast<const char*>(p), n) == 0) {
            uchardet_data_end(ud);
            if (const char* name = uchardet_get_charset(ud))
                guess = EncodingByName(QString::fromLatin1(name));
        }
        uchardet_delete(ud);
        // Western guesses read as Windows-1252, as such files always did; Unicode without a mark is not left
        // to a guess.
        if (guess && (*guess == TTextEncoding::Iso8859_1 || *guess == TTextEncoding::Iso8859_15))
            guess = TTextEncoding::Windows1252;
        if (guess && (*guess == TTextEncoding::Utf8 || UnitSize(*guess) != 1))
            guess.reset();
        if (guess && *guess != TTextEncoding::Windows1252 && !Plausible(*guess, p, n, more))
            guess.reset();
        return guess;
    }

    bool ValidUtf8WithMultibyte(const uint8_t* p, size_t n, bool more)
    {
        bool multibyte = false;
        size_t i = 0;
        while (i < n) {
            // Runs of ASCII go 64 bytes at a time where the processor has vectors, else eight.
#if defined(__SSE2__)
            while (i + 64 <= n) {
                const auto* q = reinterpret_cast<const __m128i*>(p + i);
                const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(q), _mm_loadu_si128(q + 1)),
                    _mm_or_si128(_mm_loadu_si128(q + 2), _mm_loadu_si128(q + 3)));
                if (_mm_movemask_epi8(any) != 0)
                    break;
                i += 64;
            }
#endif
            while (i + 8 <= n) {
                uint64_t word;
                std::memcpy(&word, p + i, 8);
                if (word & 0x8080808080808080ull)
                    break;
                i += 8;
            }
            if (i >= n)
                break;
            if (p[i] < 0x80) {
                ++i;
                continue;
            }
            const TDecodedChar c = DecodeUtf8(p + i, n - i);
            if (!c.Valid) {
                // A sequence that the end of the sample cuts short is not held against the file.
                const int want = p[i] >= 0xF0 ? 4 : p[i] >= 0xE0 ? 3 : 2;
                if (more && p[i] >= 0xC2 && p[i] <= 0xF4 && n - i < size_t(want)) {
                    bool prefix = true;
                    for (size_t k = i + 1; k < n; ++k)
                        prefix = prefix && (p[k] & 0xC0) == 0x80;
                    return prefix;
                }
                return false;
            }
            multibyte = true;
            i += size_t(c.Length);
        }
        return multibyte;
    }

} // namespace

TTextEncoding DetectEncoding(const uint8_t* p, size_t n, bool more)
{
    if (n >= 4 && p[0] == 0xFF && p[1] == 0xFE && p[2] == 0 && p[3] == 0)
        return TTextEncoding::Utf32LE;
    if (n >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF)
        return TTextEncoding::Utf32BE;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE)
        return TTextEncoding::Utf16LE;
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF)
        return TTextEncoding::Utf16BE;
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return TTextEncoding::Utf8;
    const size_t sample = std::min(n, kDetectBytes);
    if (ValidUtf8WithMultibyte(p, sample, more || sample < n))
        return TTextEncoding::Utf8;
    // Pure ASCII needs no guess; text with escape sequences may be ISO-2022-JP, which the guess tells.
    const bool ascii = std::all_of(p, p + sample, [](uint8_t b) { return b < 0x80 && b != 0x1B; });
    if (!ascii) {
        const size_t guessed = std::min(sample, kGuessBytes);
        if (const std::optional<TTextEncoding> guess = GuessCodePage(p, guessed, more || guessed < n))
            return *guess;
    }
    return TTextEncoding::Windows1252;
}

void PrepareEncodingGuess()
{
    // Cyrillic letters in Windows-1251 (a single-byte guess) and kana in Shift_JIS (a multi-byte one).
    QByteArray cyrillic;
    QByteArray kana;
    for (int i = 0; i < 64; ++i) {
        cyrillic += "\xcf\xf0\xe8\xe2\xe5\xf2 \xec\xe8\xf0 ";
        kana += "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd ";
    }
    for (const QByteArray& sample : { cyrillic, kana })
        DetectEncoding(reinterpret_cast<const uint8_t*>(sample.constData()), size_t(sample.size()));
}

TDecodedChar DecodeChar(TTextEncoding encoding, const uint8_t* p, size_t n, TDecodeState& state)
{
    switch (encoding) {
    case TTextEncoding::Utf8:
    case TTextEncoding::Auto:
        return DecodeUtf8(p, n);
    case TTextEncoding::Utf16LE:
        return DecodeUtf16(p, n, false);
    case TTextEncoding::Utf16BE:
        return DecodeUtf16(p, n, true);
    case TTextEncoding::Utf32LE:
        return DecodeUtf32(p, n, false);
    case TTextEncoding::Utf32BE:
        return DecodeUtf32(p, n, true);
    case TTextEncoding::Iso8859_1:
        return { p[0], 1, true, false };
    case TTextEncoding::Windows1252: {
        const QChar c = platform::Cp1252ToUnicode(p[0]);
        // The five codes Windows-1252 leaves undefined keep their byte value, drawn as a placeholder.
        return { c.isNull() ? char32_t(p[0]) : char32_t(c.unicode()), 1, !c.isNull() || p[0] == 0, false };
    }
    default:
        return DecodeCodePage(encoding, p, n, state);
    }
}

int CharCells(char32_t code)
{
    if (code < 0x300)
        return 1;
    if (IsZeroWidth(code))
        return 0;
    return InRanges(code, std::begin(kWide), std::end(kWide)) ? 2 : 1;
}

bool IsDrawable(char32_t code)
{
    if (code < 0x20 || (code >= 0x7F && code < 0xA0))
        return false;
    const QChar::Category cat = QChar::category(code);
    return cat != QChar::Other_NotAssigned && cat != QChar::Other_Surrogate && cat != QChar::Other_Control;
}

int ByteOrderMarkSize(TTextEncoding encoding, const uint8_t* p, size_t n)
{
    if (n == 0 || (UnitSize(encoding) == 1 && encoding != TTextEncoding::Utf8 && encoding != TTextEncoding::Auto))
        return 0;
    const TDecodedChar d = DecodeChar(encoding, p, n);
    return d.Valid && d.Code == 0xFEFF ? d.Length : 0;
}

QString CharText(char32_t code)
{
    QString s;
    s += QChar::fromUcs4(code);
    return s;
}

QByteArray EncodeChar(TTextEncoding encoding, char32_t code, bool* ok)
{
    if (ok)
        *ok = true;
    QByteArray out;
    switch (encoding) {
    case TTextEncoding::Auto:
    case TTextEncoding::Utf8:
        return CharText(code).toUtf8();
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
        const QString s = CharText(code);
        const bool big = encoding == TTextEncoding::Utf16BE;
        for (QChar c : s) {
            const char hi = char(c.unicode() >> 8);
            const char lo = char(c.unicode() & 0xFF);
            out.append(big ? hi : lo);
            out.append(big ? lo : hi);
        }
        return out;
    }
    case TTextEncoding::Utf32LE:
    case TTextEncoding::Utf32BE:
        for (int i = 0; i < 4; ++i) {
            const int shift = encoding == TTextEncoding::Utf32BE ? 24 - 8 * i : 8 * i;
            out.append(char(uint8_t(code >> shift)));
        }
        return out;
    case TTextEncoding::Iso8859_1:
        if (code < 256)
            return QByteArray(1, char(code));
        break;
    case TTextEncoding::Windows1252:
        for (int b = 0; b < 256; ++b) {
            const QChar c = platform::Cp1252ToUnicode(uint8_t(b));
            if (!c.isNull() && char32_t(c.unicode()) == code)
                return QByteArray(1, char(b));
        }
        break;
    default: {
        std::vector<QByteArray> forms = CodePageForms(encoding, code);
        if (!forms.empty())
            return forms.front();
        break;
    }
    }
    if (ok)
        *ok = false;
    return out;
}

std::vector<QByteArray> CharByteForms(TTextEncoding encoding, char32_t code)
{
    if (EncodingKind(encoding) == TEncodingKind::MultiByte || encoding == TTextEncoding::Iso2022Jp)
        return CodePageForms(encoding, code);
    bool ok = false;
    QByteArray b = EncodeChar(encoding, code, &ok);
    if (!ok || b.isEmpty())
        return {};
    return { b };
}

QByteArray EncodeText(TTextEncoding encoding, const QString& text, bool* ok)
{
    if (encoding == TTextEncoding::Iso2022Jp)
        return EncodeIso2022Jp(text, ok);
    bool all = true;
    QByteArray out;
    for (char32_t code : text.toUcs4()) {
        bool one = true;
        out += EncodeChar(encoding, code, &one);
        all = all && one;
    }
    if (ok)
        *ok = all;
    return out;
}

char32_t FoldCase(char32_t code) { return QChar::toCaseFolded(code); }

const std::vector<char32_t>& CaseVariants(char32_t folded)
{
    static std::unordered_map<char32_t, std::vector<char32_t>> table;
    static std::once_flag once;
    std::call_once(once, [] {
        for (char32_t c = 0; c < 0x20000; ++c) {
            const char32_t f = QChar::toCaseFolded(c);
            if (f != c)
                table[f].push_back(c);
        }
        for (auto& [f, list] : table) {
            list.push_back(f);
            std::sort(list.begin(), list.end());
        }
    });
    thread_local std::vector<char32_t> self;
    const auto it = table.find(folded);
    if (it != table.end())
        return it->second;
    self.assign(1, folded);
    return self;
}

} // namespace hy::viewer

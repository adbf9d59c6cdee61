// Search texts prepared for the file model's block searches, and the probe position whose bytes are rarest,
// which the block scan looks for with memchr-class code.
//
// THvSearchPattern matches byte for byte through a translation table (upper-casing without match case; in
// text lines a zero byte reads as a space): it serves 8-bit encodings, and UTF-8 with match case or with a
// text of ASCII letters only; and multi-byte code pages with match case or an ASCII text, checking that a match
// starts on a character. THvCharPattern matches character by character where a character may take
// several byte forms (its case variants in UTF-8 or UTF-16), and keeps matches on code-unit boundaries.
#pragma once

#include "core/viewer/HvEncoding.h"

#include <QByteArray>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace hy::viewer {

// How often each byte value occurs in a sample of the data; the probe is chosen from these counts.
using TByteCounts = std::array<size_t, 256>;
// Adds the bytes of a sample to counts.
void CountBytes(const uint8_t* sample, size_t n, TByteCounts& counts);

// Windows-1252 upper-casing of one byte (the program's one table, in the platform layer).
uint8_t AnsiUpper(uint8_t c);
// Byte tables for case-insensitive byte matching: Windows-1252 upper case; ASCII letters only (for UTF-8);
// ISO-8859-1 by Unicode case folding.
const uint8_t* AnsiUpperTable();
const uint8_t* AsciiUpperTable();
const uint8_t* Latin1FoldTable();

// The byte a search looks for first: at a fixed distance from the match start, with the set of byte values
// that can stand there. One or two values go to the vector scan; more are tested through a table.
class THvProbe {
public:
    void Clear();
    void SetOffset(size_t offset) { m_offset = offset; }
    void Add(uint8_t value);
    bool Has() const { return m_count > 0; }
    // First candidate start c in [lo, hi) whose probe byte fits, or nullptr; bytes up to hi + the probe's
    // offset must be readable.
    const uint8_t* Next(const uint8_t* lo, const uint8_t* hi) const;
    // Last such candidate start in [lo, hi), or nullptr.
    const uint8_t* Prev(const uint8_t* lo, const uint8_t* hi) const;

private:
    size_t m_offset = 0; // byte offset of the probe from the match start
    int m_count = 0;
    uint8_t m_bytes[2] = { 0, 0 };
    bool m_table[256] = {};
};

class THvSearchPattern {
public:
    enum class Kind {
        TextLine, // text lines: upper-cases every byte without match case; zero bytes read as spaces
        RawBytes, // hex search: upper-cases bytes 33..255 without match case
    };

    // The text ends at its first zero byte. Without match case, bytes are compared through foldTable
    // (Windows-1252 upper case when none is given).
    THvSearchPattern(const QByteArray& text, bool matchCase, Kind kind, const uint8_t* foldTable = nullptr);

    size_t Length() const { return m_folded.size(); }
    size_t MinLength() const { return m_folded.size(); }
    size_t MaxLength() const { return m_folded.size(); }
    // The length of the match at p within the avail bytes readable there, or 0.
    size_t MatchLength(const uint8_t* p, size_t avail) const
    {
        return avail >= m_folded.size() && Matches(p) ? m_folded.size() : 0;
    }
    bool Aligned(qint64) const { return true; }
    // In a multi-byte code page a match must also start where a character does (see CharStartAt); the
    // search asks this only when NeedsCharCheck().
    void SetCharCheck(TTextEncoding encoding) { m_charCheck = encoding; }
    bool NeedsCharCheck() const { return HasTrailBytes(m_charCheck); }
    TCharStart StartsChar(
        const uint8_t* lo, const uint8_t* at, const uint8_t* end, bool loStarts, const uint8_t** known = nullptr) const
    {
        return CharStartAt(m_charCheck, lo, at, end, loStarts, known);
    }
    bool Empty() const { return m_folded.empty(); }
    // True when the text holds a CR or LF (it can never lie inside one text line).
    bool HasLineBreak() const { return m_hasLineBreak; }

    uint8_t Translate(uint8_t c) const { return m_table[c]; }
    // True when the Length() bytes at p match.
    bool Matches(const uint8_t* p) const;

    // Chooses the probe position from the byte counts of a sample of the data; bytes the sample does not
    // hold are weighed by how common they are in text.
    void ChooseProbe(const TByteCounts& counts);
    bool HasProbe() const { return m_probe.Has(); }

    // First candidate start c in [lo, hi) whose probe byte fits, or nullptr; bytes up to hi + MinLength() - 1
    // must be readable.
    const uint8_t* NextCandidate(const uint8_t* lo, const uint8_t* hi) const { return m_probe.Next(lo, hi); }
    // Last such candidate start in [lo, hi), or nullptr.
    const uint8_t* PrevCandidate(const uint8_t* lo, const uint8_t* hi) const { return m_probe.Prev(lo, hi); }

private:
    std::string m_folded;
    uint8_t m_table[256];
    bool m_hasLineBreak = false;
    TTextEncoding m_charCheck = TTextEncoding::Utf8;
    THvProbe m_probe;
};

class THvCharPattern {
public:
    // Each character of text matches any of its byte forms in the encoding: itself with match case, every
    // character with the same simple case folding without. unit is the code unit size (matches start on it).
    THvCharPattern(const std::vector<std::vector<QByteArray>>& forms, int unit);

    bool Empty() const { return m_forms.empty(); }
    // Matches take from MinLength() to MaxLength() bytes: a character's case variants may differ in length.
    size_t MinLength() const { return m_minLength; }
    size_t MaxLength() const { return m_maxLength; }
    bool HasLineBreak() const { return m_hasLineBreak; }
    // The length of the match at p within the avail bytes readable there, or 0.
    size_t MatchLength(const uint8_t* p, size_t avail) const { return Match(p, 0, avail); }
    bool Aligned(qint64 offset) const { return offset % m_unit == 0; }
    void SetCharCheck(TTextEncoding encoding) { m_charCheck = encoding; }
    bool NeedsCharCheck() const { return HasTrailBytes(m_charCheck); }
    TCharStart StartsChar(
        const uint8_t* lo, const uint8_t* at, const uint8_t* end, bool loStarts, const uint8_t** known = nullptr) const
    {
        return CharStartAt(m_charCheck, lo, at, end, loStarts, known);
    }

    // The probe lies within the shortest match: candidates may run up to the last start where that fits.
    void ChooseProbe(const TByteCounts& counts);
    bool HasProbe() const { return m_probe.Has(); }
    const uint8_t* NextCandidate(const uint8_t* lo, const uint8_t* hi) const { return m_probe.Next(lo, hi); }
    const uint8_t* PrevCandidate(const uint8_t* lo, const uint8_t* hi) const { return m_probe.Prev(lo, hi); }

private:
    size_t Match(const uint8_t* p, size_t k, size_t avail) const;

    std::vector<std::vector<QByteArray>> m_forms;
    int m_unit = 1;
    size_t m_minLength = 0;
    size_t m_maxLength = 0;
    bool m_hasLineBreak = false;
    TTextEncoding m_charCheck = TTextEncoding::Utf8;
    THvProbe m_probe;
};

// The byte forms of each character of text in an encoding (see THvCharPattern); empty when a character of
// the text has no form in it.
std::vector<std::vector<QByteArray>> CharForms(const QString& text, TTextEncoding encoding, bool matchCase);

// The pattern a literal search of text uses in an encoding (the text ends at its first zero character):
// byte for byte where that serves, else character by character. Nothing when no text can match (an empty
// text, a character the encoding cannot hold). A stateful encoding (ISO-2022-JP) has no pattern for text
// lines, whose searches match the decoded lines (see LiteralExpression); a byte search looks for the bytes
// its encoder writes.
using TTextPattern = std::variant<THvSearchPattern, THvCharPattern>;
std::optional<TTextPattern> MakeTextPattern(
    const QString& text, TTextEncoding encoding, bool matchCase, THvSearchPattern::Kind kind);

// A regular expression that matches text literally, for the searches of a stateful encoding.
QString LiteralExpression(const QString& text);

} // namespace hy::viewer

// A search text prepared for the file model's block searches: the byte translation of the search
// (Windows-1252 upper-casing without match case; in text lines a zero byte reads as a space), and the
// probe position whose bytes are rarest, which the block scan looks for with memchr-class code.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <string>

namespace hy::viewer {

// Windows-1252 upper-casing of one byte (the program's one table, in the platform layer).
uint8_t AnsiUpper(uint8_t c);

class THvSearchPattern {
public:
    enum class Kind {
        TextLine, // text lines: upper-cases every byte without match case; zero bytes read as spaces
        RawBytes, // hex search: upper-cases bytes 33..255 without match case
    };

    // The text ends at its first zero byte.
    THvSearchPattern(const QByteArray& text, bool matchCase, Kind kind);

    size_t Length() const { return m_folded.size(); }
    bool Empty() const { return m_folded.empty(); }
    // True when the text holds a CR or LF (it can never lie inside one text line).
    bool HasLineBreak() const { return m_hasLineBreak; }

    uint8_t Translate(uint8_t c) const { return m_table[c]; }
    // True when the Length() bytes at p match.
    bool Matches(const uint8_t* p) const;

    // Chooses the probe position from the byte counts of a sample of the data.
    void ChooseProbe(const uint8_t* sample, size_t n);
    bool HasProbe() const { return m_probeCount > 0; }

    // First candidate start c in [lo, hi) whose probe byte fits, or nullptr; bytes up to hi + Length() - 1
    // must be readable.
    const uint8_t* NextCandidate(const uint8_t* lo, const uint8_t* hi) const;
    // Last such candidate start in [lo, hi), or nullptr.
    const uint8_t* PrevCandidate(const uint8_t* lo, const uint8_t* hi) const;

private:
    std::string m_folded;
    uint8_t m_table[256];
    bool m_hasLineBreak = false;
    size_t m_probe = 0;
    int m_probeCount = 0;
    uint8_t m_probeBytes[2] = { 0, 0 };
    bool m_probeTable[256] = {};
};

} // namespace hy::viewer

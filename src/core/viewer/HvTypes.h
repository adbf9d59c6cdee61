// Positions and constants shared by the viewer's file model and its widget.
#pragma once

#include <QtGlobal>
#include <limits>

namespace hy::viewer {

using LineNumber = qint64; // 0-based text line or hex row
using FileOffset = qint64; // byte offset in the file

// The line total while no scan has reached the end of the file yet.
inline constexpr LineNumber kUndeterminedTotal = std::numeric_limits<qint64>::max();

inline constexpr int kPageSize = 4096; // bytes per cache page
inline constexpr int kMaxLineChars = 1023; // bytes of a line that LineText hands out (the viewer shows all)
inline constexpr int kHexRowBytes = 16;
// A hex row: the offset in as many upper-case digits as the file's last offset needs (at least 8), two
// blanks, 16 x "XX ", one blank, 16 characters. Every row of one file has the same width: 75 characters
// with 8 offset digits.
inline constexpr int kHexMinOffsetDigits = 8;
inline constexpr int HexRowChars(int offsetDigits) { return offsetDigits + 2 + 3 * kHexRowBytes + 1 + kHexRowBytes; }
inline constexpr int HexCharColumn(int offsetDigits) { return offsetDigits + 2 + 3 * kHexRowBytes + 1; }
static_assert(HexRowChars(kHexMinOffsetDigits) == 75 && HexCharColumn(kHexMinOffsetDigits) == 59);

// Search option bits.
enum SearchOption : unsigned {
    soBackward = 2,
    soMatchCase = 4,
    soWholeFile = 8,
    soRegex = 16, // the text is a regular expression (text lines only)
};

// A match found by a search, in the (line, character index) terms of LineText; the end index is exclusive.
struct TSearchHit {
    LineNumber StartLine = 0;
    qint64 StartIndex = 0;
    LineNumber EndLine = 0;
    qint64 EndIndex = 0;
};

} // namespace hy::viewer

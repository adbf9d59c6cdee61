// Text encodings of the viewer: the choices a window offers, telling UTF-8 and UTF-16 files from 8-bit ones,
// the code pages of other systems and countries (tables built once from ICU), decoding one character at a time (an
// invalid sequence gives one invalid character per byte, the file is never "fixed"), the cells a character takes,
// encoding a search text, and Unicode simple case folding.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace hy::viewer {

// The values are kept as they are: settings written before the list grew hold them as numbers.
enum class TTextEncoding {
    Auto,
    Utf8,
    Windows1252,
    Iso8859_1,
    Utf16LE,
    Utf16BE,
    Utf32LE,
    Utf32BE,
    Iso8859_2,
    Iso8859_3,
    Iso8859_4,
    Iso8859_5,
    Iso8859_6,
    Iso8859_7,
    Iso8859_8,
    Iso8859_9,
    Iso8859_10,
    Iso8859_11,
    Iso8859_13,
    Iso8859_14,
    Iso8859_15,
    Iso8859_16,
    Windows1250,
    Windows1251,
    Windows1253,
    Windows1254,
    Windows1255,
    Windows1256,
    Windows1257,
    Windows1258,
    Koi8R,
    Koi8U,
    Ibm437,
    Ibm850,
    MacRoman,
    ShiftJis,
    EucJp,
    Iso2022Jp,
    Gb18030,
    Gbk,
    Gb2312,
    Big5,
    EucKr,
};

inline constexpr int kEncodingCount = int(TTextEncoding::EucKr) + 1;

// Every encoding in the order of its value.
inline constexpr auto kAllEncodings = [] {
    std::array<TTextEncoding, kEncodingCount> all {};
    for (int i = 0; i < kEncodingCount; ++i)
        all[size_t(i)] = TTextEncoding(i);
    return all;
}();

// How bytes make characters.
enum class TEncodingKind {
    Utf8,
    Utf16, // two-byte units
    Utf32, // four-byte units
    SingleByte, // one byte, one character, through a table of 256
    MultiByte, // one to four bytes, ASCII bytes are always ASCII characters at a character's start
    Iso2022, // 7-bit with escape sequences that switch the character set until the line ends
};
TEncodingKind EncodingKind(TTextEncoding encoding);

// "Auto", "UTF-8", "Windows-1252", "ISO-8859-1", "UTF-16 LE", "UTF-16 BE", "Shift_JIS", ...: what the menu
// shows, and the stable name settings keep.
QString EncodingName(TTextEncoding encoding);
// The encoding with that name (case ignored), also by the names other programs use for it ("CP1251",
// "SJIS", "UTF-16LE", "windows-1252"...); nothing for a name it does not know.
std::optional<TTextEncoding> EncodingByName(const QString& name);
// The region the menu groups an encoding under ("Western European", "Japanese"...); empty for Auto.
QString EncodingGroup(TTextEncoding encoding);

// Auto's choice from the first bytes of a file: UTF-8, UTF-16 or UTF-32 by a byte-order mark, UTF-8 when the
// bytes are valid UTF-8 holding at least one multi-byte sequence, else a statistical guess (uchardet) when
// it is sure of one, else Windows-1252 (so 8-bit Western text reads as it always did). When the file goes
// on past the sample (more), a sequence cut by the sample's end counts as valid. Never returns Auto.
TTextEncoding DetectEncoding(const uint8_t* p, size_t n, bool more = false);
// Makes one guess of each kind on a sample of its own, so that the libraries Auto uses (uchardet's models,
// ICU's data) are loaded before the first file is opened: the program calls it on a thread of its own once
// its window is up.
void PrepareEncodingGuess();
inline constexpr size_t kDetectBytes = size_t(64) << 10;

// Bytes per code unit: 2 for UTF-16, 4 for UTF-32, else 1. Characters and line ends start on unit boundaries.
inline int UnitSize(TTextEncoding e)
{
    return e == TTextEncoding::Utf16LE || e == TTextEncoding::Utf16BE ? 2
        : e == TTextEncoding::Utf32LE || e == TTextEncoding::Utf32BE  ? 4
                                                                      : 1;
}
// Units of more than one byte stored most significant byte first.
inline bool BigEndianUnits(TTextEncoding e) { return e == TTextEncoding::Utf16BE || e == TTextEncoding::Utf32BE; }
// The two encodings whose byte search folds case through a byte table of their own (Windows-1252 upper case,
// Latin-1 folding); other single-byte encodings fold through their character table.
inline bool IsEightBit(TTextEncoding e) { return e == TTextEncoding::Windows1252 || e == TTextEncoding::Iso8859_1; }
inline bool IsSingleByte(TTextEncoding e) { return EncodingKind(e) == TEncodingKind::SingleByte; }
// A character may take several bytes, and a byte of one may look like the start of another (a Shift_JIS
// trail byte '@' or '\\'): searches check that a match starts where a character does.
inline bool HasTrailBytes(TTextEncoding e) { return EncodingKind(e) == TEncodingKind::MultiByte; }
// The meaning of a byte depends on escape sequences before it in its line.
inline bool IsStateful(TTextEncoding e) { return e == TTextEncoding::Iso2022Jp; }

// One character decoded at p with n >= 1 bytes available. An invalid sequence (or one cut by the end of the
// bytes) gives Valid false with the length of one unit (a lone last byte of UTF-16 gives 1) and the first
// byte as Code. In ISO-2022-JP an escape sequence is no character: Shift is true, and state (0 at each line
// start: ASCII) takes the character set it chooses; the other encodings leave state alone.
struct TDecodedChar {
    char32_t Code = 0;
    int Length = 1;
    bool Valid = true;
    bool Shift = false;
};
using TDecodeState = uint8_t;
TDecodedChar DecodeChar(TTextEncoding encoding, const uint8_t* p, size_t n, TDecodeState& state);
inline TDecodedChar DecodeChar(TTextEncoding encoding, const uint8_t* p, size_t n)
{
    TDecodeState state = 0;
    return DecodeChar(encoding, p, n, state);
}

// Whether a character starts at at in a multi-byte encoding (always Yes in the others). [lo, end) are the
// bytes readable around it. Yes or No when a byte in [lo, at) settles it (after a byte that can only end a
// character, the next one starts), else Unknown; with loStarts (lo is the start of a line or of a
// character) never Unknown. known, when given, may hold a character start in [lo, at] to decode from (a scan
// whose candidates go forward passes each answer on), and takes the first character start at or after at.
enum class TCharStart { Yes, No, Unknown };
TCharStart CharStartAt(TTextEncoding encoding, const uint8_t* lo, const uint8_t* at, const uint8_t* end, bool loStarts,
    const uint8_t** known = nullptr);

// The byte-order mark (U+FEFF) at p in a UTF-8 or UTF-16 encoding: its size in bytes, else 0. At the very start
// of a file it tells the encoding and is no text; elsewhere U+FEFF is a character like any other.
int ByteOrderMarkSize(TTextEncoding encoding, const uint8_t* p, size_t n);

// Cells a character takes in the viewer's grid: 0 for marks that join the character before them, 2 for East
// Asian wide and fullwidth characters, 1 otherwise (control characters show as a placeholder in one cell).
int CharCells(char32_t code);
// Characters drawn with their own glyph; control characters, unassigned and surrogate codes are not.
bool IsDrawable(char32_t code);

// One character as text. (QString::fromUcs4 takes a leading U+FEFF for a byte-order mark and drops it.)
QString CharText(char32_t code);

// The bytes of text in the encoding; false in ok when a character has no byte form in it.
QByteArray EncodeText(TTextEncoding encoding, const QString& text, bool* ok = nullptr);
QByteArray EncodeChar(TTextEncoding encoding, char32_t code, bool* ok = nullptr);
// Every byte form that decodes to code (a few code pages give a character two); empty when it has none.
std::vector<QByteArray> CharByteForms(TTextEncoding encoding, char32_t code);

inline constexpr char32_t kUndefinedChar = 0xFFFFFFFF;
// For a single-byte encoding: each byte's character (kUndefinedChar where the code page defines none), and
// the byte table that case-insensitive byte matching compares through (each byte stands for the lowest
// byte whose character folds the same).
const char32_t* SingleByteTable(TTextEncoding encoding);
const uint8_t* SingleByteFoldTable(TTextEncoding encoding);
// True when each byte of the single-byte encoding is one character of one cell (no marks that join the
// character before them), so that a run of bytes lays out one cell per byte.
bool SingleByteUniform(TTextEncoding encoding);

// Unicode simple case folding, and every character that folds to a given folded character (itself included).
char32_t FoldCase(char32_t code);
const std::vector<char32_t>& CaseVariants(char32_t folded);

} // namespace hy::viewer

// Text encodings of the viewer: the choices a window offers, telling UTF-8 and UTF-16 files from 8-bit ones,
// decoding one character at a time (an invalid sequence gives one invalid character per byte, the file is
// never "fixed"), the cells a character takes, encoding a search text, and Unicode simple case folding.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hy::viewer {

enum class TTextEncoding { Auto, Utf8, Windows1252, Iso8859_1, Utf16LE, Utf16BE };

inline constexpr TTextEncoding kAllEncodings[] = { TTextEncoding::Auto, TTextEncoding::Utf8, TTextEncoding::Windows1252,
    TTextEncoding::Iso8859_1, TTextEncoding::Utf16LE, TTextEncoding::Utf16BE };

// "Auto", "UTF-8", "Windows-1252", "ISO-8859-1", "UTF-16 LE", "UTF-16 BE".
QString EncodingName(TTextEncoding encoding);

// Auto's choice from the first bytes of a file: UTF-16 by its byte-order mark, UTF-8 by its mark or when the
// bytes are valid UTF-8 holding at least one multi-byte sequence, else Windows-1252. When the file goes on
// past the sample (more), a sequence cut by the sample's end counts as valid. Never returns Auto.
TTextEncoding DetectEncoding(const uint8_t* p, size_t n, bool more = false);
inline constexpr size_t kDetectBytes = size_t(64) << 10;

// Bytes per code unit: 2 for UTF-16, else 1. Characters and line ends start on unit boundaries.
inline int UnitSize(TTextEncoding e) { return e == TTextEncoding::Utf16LE || e == TTextEncoding::Utf16BE ? 2 : 1; }
inline bool IsEightBit(TTextEncoding e) { return e == TTextEncoding::Windows1252 || e == TTextEncoding::Iso8859_1; }

// One character decoded at p with n >= 1 bytes available. An invalid sequence (or one cut by the end of the
// bytes) gives Valid false with the length of one unit (a lone last byte of UTF-16 gives 1) and the first
// byte as Code.
struct TDecodedChar {
    char32_t Code = 0;
    int Length = 1;
    bool Valid = true;
};
TDecodedChar DecodeChar(TTextEncoding encoding, const uint8_t* p, size_t n);

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

// Unicode simple case folding, and every character that folds to a given folded character (itself included).
char32_t FoldCase(char32_t code);
const std::vector<char32_t>& CaseVariants(char32_t folded);

} // namespace hy::viewer

// The code pages behind the viewer's encodings other than Unicode (private to the encoding functions):
// decoding one character, the byte forms of a character, and ISO-2022-JP's encoder.
#pragma once

#include "core/viewer/HvEncoding.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace hy::viewer {

// One character of a single-byte, multi-byte or ISO-2022-JP encoding at p (n >= 1 bytes).
TDecodedChar DecodeCodePage(TTextEncoding encoding, const uint8_t* p, size_t n, TDecodeState& state);
// Whether a sample decodes in a multi-byte encoding or ISO-2022-JP without an invalid sequence (but for one
// the end cuts short, with more) and holds a character of several bytes. Asks ICU for the sample's own
// sequences, so that a guess in a fresh process does not wait for the whole code page's tables.
bool CodePageSampleReads(TTextEncoding encoding, const uint8_t* p, size_t n, bool more);
// Every byte form of code in such an encoding, the one its encoder writes first.
std::vector<QByteArray> CodePageForms(TTextEncoding encoding, char32_t code);
// Text in ISO-2022-JP: ASCII as it is, other characters in JIS X 0208 between escape sequences, back to
// ASCII at the end.
QByteArray EncodeIso2022Jp(const QString& text, bool* ok);

} // namespace hy::viewer

// Regular-expression search over the text lines of a file model: Perl-compatible patterns through
// QRegularExpression (JIT-compiled), matched against each line decoded in the window's encoding, so a match
// never spans a line end. A literal that every match must contain is looked for first with the model's
// byte search, and only the lines that hold it are decoded and matched.
#pragma once

#include "core/viewer/HvEncoding.h"
#include "core/viewer/HvTypes.h"

#include <QRegularExpression>
#include <QString>
#include <optional>
#include <vector>

namespace hy::viewer {

class THvFileModel;

// The pattern as every search compiles it: Unicode classes, case-insensitive without match case, optimised.
QRegularExpression CompileSearchRegex(const QString& pattern, bool matchCase);

// Empty when the pattern compiles, else a message naming the error and its position (counted from 1).
QString RegexError(const QString& pattern);

// The longest run of characters that every match of pattern contains literally, in order; empty when the
// pattern gives no such run for sure (alternatives, optional groups, inline options ...).
QString RequiredLiteral(const QString& pattern);

// A line decoded for matching: its characters (zero bytes read as spaces, invalid bytes as U+FFFD) and the
// byte index of each UTF-16 unit, with one more entry for the end. In a stateful encoding escape sequences
// lie between characters: EndOf holds where each unit's character ends, so that a match ends there.
struct TDecodedLine {
    QString Text;
    std::vector<qint64> ByteOf;
    std::vector<qint64> EndOf; // stateful encodings only
    // The byte index where a match ending before unit i ends.
    qint64 EndByte(qsizetype i) const { return i > 0 && !EndOf.empty() ? EndOf[size_t(i - 1)] : ByteOf[size_t(i)]; }
};
TDecodedLine DecodeLine(TTextEncoding encoding, const uint8_t* p, size_t n);

// Finds pattern from (fromLine, fromIndex) as THvFileModel::FindText does for a literal (soBackward,
// soMatchCase, soWholeFile); nothing when the pattern is invalid or empty, or matches only empty text.
std::optional<TSearchHit> FindRegex(
    THvFileModel& model, const QString& pattern, unsigned options, LineNumber fromLine, qint64 fromIndex);

} // namespace hy::viewer

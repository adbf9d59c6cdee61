// Regular-expression Find: the required literal through the model's byte search, then the pattern on the
// decoded lines that hold it; without such a literal, line after line.
#include "core/viewer/HvRegexSearch.h"

#include "core/viewer/HvFileModel.h"

#include <QRegularExpression>
#include <limits>

namespace hy::viewer {

namespace {

    // Lines longer than this are matched on their first part only: a match is a selection to show.
    constexpr qint64 kMaxLineBytes = qint64(16) << 20;
    constexpr qint64 kReadChunk = qint64(64) << 10;
    constexpr int kLinesPerPoll = 256;

    bool IsMeta(QChar c) { return QStringLiteral(".^$()[]{}?*+|\\").contains(c); }

    // The whole text of a line (up to kMaxLineBytes), or nothing when the line does not exist or a read
    // was stopped.
    std::optional<QByteArray> ReadWholeLine(THvFileModel& model, LineNumber line)
    {
        QByteArray bytes;
        for (;;) {
            const qint64 have = bytes.size();
            const qint64 want = std::min(kReadChunk, kMaxLineBytes - have);
            bytes.resize(have + want);
            const qint64 got = model.ReadLine(line, have, reinterpret_cast<uint8_t*>(bytes.data()) + have, want);
            if (model.Stopped())
                return std::nullopt;
            bytes.resize(have + std::max<qint64>(got, 0));
            if (got < want || bytes.size() >= kMaxLineBytes)
                return bytes;
        }
    }

    struct LineMatch {
        qint64 Start = 0;
        qint64 End = 0;
    };

    // The first non-empty match starting at byte index from or later (forward), or the last one starting
    // before byte index before (backward). The first skip bytes (the file's byte-order mark) are no text.
    std::optional<LineMatch> MatchInLine(const QRegularExpression& re, TTextEncoding enc, const QByteArray& bytes,
        qint64 skip, bool backward, qint64 limit)
    {
        TDecodedLine line
            = DecodeLine(enc, reinterpret_cast<const uint8_t*>(bytes.constData()) + skip, size_t(bytes.size() - skip));
        for (qint64& b : line.ByteOf)
            b += skip;
        for (qint64& b : line.EndOf)
            b += skip;
        qsizetype from = 0;
        if (!backward) {
            while (from < line.Text.size() && line.ByteOf[size_t(from)] < limit)
                ++from;
            if (limit > 0 && from >= line.Text.size() && line.ByteOf.back() < limit)
                return std::nullopt;
        }
        std::optional<LineMatch> found;
        QRegularExpressionMatchIterator it = re.globalMatch(line.Text, from);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            if (m.capturedLength() == 0)
                continue;
            const LineMatch lm { line.ByteOf[size_t(m.capturedStart())], line.EndByte(m.capturedEnd()) };
            if (!backward)
                return lm;
            if (lm.Start >= limit)
                break;
            found = lm;
        }
        return found;
    }

    TSearchHit HitOf(LineNumber line, const LineMatch& m) { return { line, m.Start, line, m.End }; }

} // namespace

// Text is Unicode: \w, \d, \s, \b and the POSIX classes take in every script's letters and digits.
QRegularExpression CompileSearchRegex(const QString& pattern, bool matchCase)
{
    QRegularExpression::PatternOptions flags = QRegularExpression::UseUnicodePropertiesOption;
    if (!matchCase)
        flags |= QRegularExpression::CaseInsensitiveOption;
    QRegularExpression re(pattern, flags);
    re.optimize(); // compiled now (JIT where the platform has it), not on the first line
    return re;
}

QString RegexError(const QString& pattern)
{
    const QRegularExpression re = CompileSearchRegex(pattern, true);
    if (re.isValid())
        return QString();
    return QStringLiteral("%1 at position %2").arg(re.errorString()).arg(re.patternErrorOffset() + 1);
}

QString RequiredLiteral(const QString& pattern)
{
    // Alternatives, inline options and quoting change what is required: no literal is promised then.
    if (pattern.contains(QLatin1Char('|')) || pattern.contains(QLatin1String("(?"))
        || pattern.contains(QLatin1String("\\Q")))
        return QString();
    QString best;
    QString run;
    int depth = 0;
    const qsizetype n = pattern.size();
    auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    auto literal = [&](QChar c, qsizetype next) {
        if (depth > 0) {
            endRun(); // a group may be optional or repeated
            return;
        }
        const QChar q = next < n ? pattern[next] : QChar();
        if (q == QLatin1Char('?') || q == QLatin1Char('*') || q == QLatin1Char('{')) {
            endRun(); // this character may be missing
        } else if (q == QLatin1Char('+')) {
            run += c;
            endRun();
        } else {
            run += c;
        }
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('\\')) {
            if (i + 1 >= n)
                return QString();
            const QChar e = pattern[++i];
            if (e.isLetterOrNumber() && e.unicode() < 0x80) {
                endRun(); // a class, an anchor, a back reference, a code
                continue;
            }
            literal(e, i + 1);
        } else if (c == QLatin1Char('[')) {
            endRun();
            qsizetype j = i + 1;
            if (j < n && pattern[j] == QLatin1Char('^'))
                ++j;
            if (j < n && pattern[j] == QLatin1Char(']'))
                ++j;
            for (; j < n && pattern[j] != QLatin1Char(']'); ++j) {
                if (pattern[j] == QLatin1Char('\\'))
                    ++j;
            }
            i = j;
        } else if (c == QLatin1Char('(')) {
            endRun();
            ++depth;
        } else if (c == QLatin1Char(')')) {
            endRun();
            --depth;
        } else if (c == QLatin1Char('{')) {
            endRun();
            while (i < n && pattern[i] != QLatin1Char('}'))
                ++i;
        } else if (IsMeta(c)) {
            endRun();
        } else {
            literal(c, i + 1);
        }
    }
    endRun();
    return best;
}

TDecodedLine DecodeLine(TTextEncoding encoding, const uint8_t* p, size_t n)
{
    TDecodedLine out;
    out.Text.reserve(qsizetype(n));
    out.ByteOf.reserve(n + 1);
    size_t i = 0;
    TDecodeState state = 0;
    const bool stateful = IsStateful(encoding);
    while (i < n) {
        const TDecodedChar d = DecodeChar(encoding, p + i, n - i, state);
        if (d.Shift) {
            i += size_t(d.Length); // an escape sequence is no text
            continue;
        }
        char32_t code = d.Valid ? d.Code : char32_t(QChar::ReplacementCharacter);
        if (code == 0)
            code = U' ';
        const int units = code > 0xFFFF ? 2 : 1;
        if (units == 2) {
            out.Text.append(QChar(QChar::highSurrogate(code)));
            out.Text.append(QChar(QChar::lowSurrogate(code)));
        } else {
            out.Text.append(QChar(char16_t(code)));
        }
        for (int k = 0; k < units; ++k) {
            out.ByteOf.push_back(qint64(i));
            if (stateful)
                out.EndOf.push_back(qint64(i) + std::max(d.Length, 1));
        }
        i += size_t(std::max(d.Length, 1));
    }
    out.ByteOf.push_back(qint64(n));
    return out;
}

namespace {
    // One run of a pattern over the lines of a model, in one direction.
    struct RegexRun {
        THvFileModel& model;
        const QRegularExpression& re;
        TTextEncoding enc;
        bool backward;

        // The match in line l that ends before limit (backward) or starts at limit or after it (forward).
        std::optional<TSearchHit> TryLine(LineNumber l, qint64 limit) const
        {
            const std::optional<QByteArray> bytes = ReadWholeLine(model, l);
            if (!bytes)
                return std::nullopt;
            const qint64 skip = l == 0
                ? ByteOrderMarkSize(enc, reinterpret_cast<const uint8_t*>(bytes->constData()), size_t(bytes->size()))
                : 0;
            if (const std::optional<LineMatch> m = MatchInLine(re, enc, *bytes, skip, backward, limit))
                return HitOf(l, *m);
            return std::nullopt;
        }

        // Only the lines that hold the pattern's literal, found by the model's text search, are tried.
        std::optional<TSearchHit> ByLiteral(
            const QString& literal, unsigned options, LineNumber line, qint64 index) const
        {
            const unsigned literalOptions = (options & (soBackward | soMatchCase));
            for (;;) {
                const std::optional<TSearchHit> candidate
                    = model.FindText(literal, literalOptions, line, backward ? 0 : index);
                if (!candidate)
                    return std::nullopt; // not found, stopped, or waiting for line numbers: the model tells
                const LineNumber at = candidate->StartLine;
                if (backward ? at >= line : at < line)
                    return std::nullopt;
                if (auto hit = TryLine(at, backward ? std::numeric_limits<qint64>::max() : (at == line ? index : 0)))
                    return hit;
                if (model.Stopped())
                    return std::nullopt;
                if (!backward && model.LineTotal() != kUndeterminedTotal && at + 1 >= model.LineTotal())
                    return std::nullopt;
                line = backward ? at : at + 1;
                index = 0;
            }
        }

        // No literal to look for: every line is matched in turn.
        std::optional<TSearchHit> EveryLine(LineNumber line, qint64 index) const
        {
            for (int count = 0;; ++count) {
                if (backward) {
                    if (line <= 0)
                        return std::nullopt;
                    --line;
                } else if (count > 0) {
                    ++line;
                    index = 0;
                }
                if (count % kLinesPerPoll == kLinesPerPoll - 1 && model.AskStop())
                    return std::nullopt;
                if (model.ClampLine(line) != line || model.Stopped())
                    return std::nullopt;
                if (auto hit = TryLine(line, backward ? std::numeric_limits<qint64>::max() : index))
                    return hit;
                if (model.Stopped())
                    return std::nullopt;
            }
        }
    };
} // namespace

std::optional<TSearchHit> FindRegex(
    THvFileModel& model, const QString& pattern, unsigned options, LineNumber fromLine, qint64 fromIndex)
{
    if (pattern.isEmpty() || !model.IsOpen() || model.InHexMode())
        return std::nullopt;
    const bool matchCase = (options & soMatchCase) != 0;
    const bool backward = (options & soBackward) != 0;
    const QRegularExpression re = CompileSearchRegex(pattern, matchCase);
    if (!re.isValid())
        return std::nullopt;
    const RegexRun run { model, re, model.EffectiveEncoding(), backward };
    LineNumber line = std::max<LineNumber>(fromLine, 0);
    qint64 index = std::max<qint64>(fromIndex, 0);
    if (options & soWholeFile) {
        line = backward ? model.ClampLine(kUndeterminedTotal - 1) : 0;
        index = backward ? std::numeric_limits<qint64>::max() : 0;
        if (model.Stopped())
            return std::nullopt;
    }
    if (backward) {
        // The caret's line first: a match may begin before the caret and hold its literal after it.
        if (model.ClampLine(line) == line) {
            if (auto hit = run.TryLine(line, index))
                return hit;
        }
        if (model.Stopped())
            return std::nullopt;
    }
    // A stateful encoding has no byte search to find the literal with: every line is tried.
    const QString literal = IsStateful(model.EffectiveEncoding()) ? QString() : RequiredLiteral(pattern);
    return literal.isEmpty() ? run.EveryLine(line, index) : run.ByLiteral(literal, options, line, index);
}

} // namespace hy::viewer

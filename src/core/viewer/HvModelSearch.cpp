// Searches of the viewer's file model: text over lines, bytes over hex rows, the probe byte each search
// looks for first, and the candidate scans forward and backward through the file.
#include "core/viewer/HvFileModelImpl.h"

#include "core/viewer/HvRegexSearch.h"

#include <algorithm>
#include <cstring>

namespace hy::viewer {

// How many bytes of a search's first block are counted to choose its probe byte.
template <class P> void THvFileModel::Impl::ChooseProbe(P& pattern, const uint8_t* sample, size_t n)
{
    n = std::min(n, kProbeSample);
    if (!m_shareProbeCounts) {
        TByteCounts counts {};
        CountBytes(sample, n, counts);
        pattern.ChooseProbe(counts);
        return;
    }
    if (m_probeCounted < kProbeSample) {
        const size_t more = std::min(n, kProbeSample - m_probeCounted);
        CountBytes(sample, more, m_probeCounts);
        m_probeCounted += more;
    }
    pattern.ChooseProbe(m_probeCounts);
}

template <class F>
auto THvFileModel::Impl::WithPattern(const QString& text, bool matchCase, THvSearchPattern::Kind kind, F f)
    -> std::optional<TSearchHit>
{
    std::optional<TTextPattern> pattern = MakeTextPattern(text, m_effective, matchCase, kind);
    if (!pattern)
        return std::nullopt;
    return std::visit(f, *pattern);
}

template <class P>
bool THvFileModel::Impl::StartsChar(
    const P& pattern, const uint8_t* p, FileOffset pos, FileOffset at, FileOffset end, const uint8_t*& known)
{
    if (!pattern.NeedsCharCheck())
        return true;
    const TCharStart s = pattern.StartsChar(p, p + (at - pos), p + (end - pos), pos == 0, &known);
    if (s != TCharStart::Unknown)
        return s == TCharStart::Yes;
    const FileOffset start = CharStartInFile(pattern, at);
    known = start >= 0 && start < end ? p + (start - pos) : nullptr;
    return start == at;
}

template <class P> FileOffset THvFileModel::Impl::CharStartInFile(const P& pattern, FileOffset at)
{
    std::vector<uint8_t> bytes;
    for (FileOffset span = 256;; span *= 4) {
        const FileOffset from = std::max<FileOffset>(0, at - span);
        bytes.resize(size_t(at - from + 4));
        const qint64 got = ReadRaw(from, bytes.data(), qint64(bytes.size()));
        if (got < at - from)
            return -1; // the file changed under the search
        const uint8_t* lo = bytes.data();
        const uint8_t* known = nullptr;
        if (pattern.StartsChar(lo, lo + (at - from), lo + got, from == 0, &known) != TCharStart::Unknown)
            return from + (known - lo);
    }
}

template <class P>
std::vector<bool> THvFileModel::Impl::CharStarts(const P& pattern, const uint8_t* p, FileOffset pos, size_t n)
{
    std::vector<bool> starts(n, false);
    const FileOffset first = CharStartInFile(pattern, pos);
    if (first < 0 || first >= pos + FileOffset(n))
        return starts;
    const uint8_t* known = p + (first - pos);
    while (known < p + n) {
        starts[size_t(known - p)] = true;
        if (known + 1 >= p + n)
            break;
        pattern.StartsChar(p, known + 1, p + n, true, &known);
    }
    return starts;
}

FileOffset THvFileModel::Impl::TextSpan(FileOffset offset, qint64 max)
{
    qint64 done = 0;
    while (done < max && offset + done < m_fileSize) {
        const qint64 want = std::min<qint64>({ qint64(kBlock), max - done, m_fileSize - offset - done });
        uint8_t* p = Buffer(size_t(want));
        const qint64 got = qint64(Read(offset + done, p, size_t(want)));
        if (got <= 0)
            break;
        const uint8_t* stop = m_ends.FindBreak(p, p + got);
        if (stop < p + m_ends.Whole(size_t(got)))
            return done + (stop - p);
        done += got;
    }
    return std::min(done, max);
}

std::optional<TSearchHit> THvFileModel::Impl::FindText(
    const QString& text, unsigned options, LineNumber fromLine, qint64 fromIndex)
{
    m_stopped = false;
    m_bytesSincePoll = 0;
    if (!m_open)
        return std::nullopt;
    // A compressed file is searched whole: the decoding is awaited first.
    if (m_decoded && !AwaitDecoded())
        return std::nullopt;
    return WithPattern(text, (options & soMatchCase) != 0, THvSearchPattern::Kind::TextLine,
        [&](auto& pattern) -> std::optional<TSearchHit> {
            Hourglass hourglass(this, true);
            if (m_fileSize == 0)
                return std::nullopt;
            const bool backward = (options & soBackward) != 0;
            LineNumber line = fromLine;
            qint64 index = fromIndex;
            if (options & soWholeFile) {
                line = backward ? kNever - 1 : 0;
                index = backward ? std::numeric_limits<qint64>::max() : 0;
            }
            index = std::max<qint64>(index, 0);
            const TAnchor from = PositionOn(std::max<LineNumber>(line, 0));
            if (m_stopped)
                return std::nullopt;
            // Past the end of its line the caret's index stands for the line's end.
            const FileOffset caretAt = from.offset + (index > 0 ? TextSpan(from.offset, index) : 0);
            m_bufferedLine = -1;
            return backward ? FindTextBackward(pattern, from, caretAt) : FindTextForward(pattern, from, caretAt);
        });
}

template <class P>
std::optional<TSearchHit> THvFileModel::Impl::FindTextForward(P& pattern, TAnchor from, FileOffset firstStart)
{
    const FileOffset len = FileOffset(pattern.MaxLength());
    const FileOffset shortest = FileOffset(pattern.MinLength());
    // A text with a line break is never found, but the search still runs to the end of the file, which
    // settles the line total as any search that ends there does.
    const bool possible = !pattern.HasLineBreak();
    bool probed = false;
    // From the exact lines a search goes no farther than they do while the tail is estimated.
    const bool capped = m_tail && !Provisional(from.line);
    Walker w(*this, from, kNever);
    BlockReader reader(*this, kSearchFirstRead, capped ? m_exactTop.offset : m_fileSize);
    BlockReader::Block b;
    while (reader.Next(w.Pos(), !w.Pending(), b)) {
        const uint8_t* const p = b.data;
        const FileOffset rs = b.offset;
        const FileOffset blockEnd = rs + FileOffset(b.size);
        // Candidate starts handled in this block; the rest come again at the start of the next one.
        const bool atLimit = capped && blockEnd >= m_exactTop.offset;
        const FileOffset candEnd = b.eof || !possible || atLimit ? blockEnd : blockEnd - len + 1;
        if (possible) {
            if (!probed) {
                ChooseProbe(pattern, p, b.size);
                probed = true;
            }
            const FileOffset lo = std::max(rs, firstStart);
            // In the file's last block a match may be as short as the text's shortest form.
            const FileOffset hi = std::min(candEnd, blockEnd - (b.eof ? shortest : len) + 1);
            const uint8_t* const end = p + (hi - rs);
            const uint8_t* c = lo < hi ? pattern.NextCandidate(p + (lo - rs), end) : nullptr;
            const uint8_t* known = nullptr;
            while (c) {
                const FileOffset at = rs + (c - p);
                if (pattern.Aligned(at)) {
                    size_t matched = pattern.MatchLength(c, size_t(blockEnd - at));
                    if (matched && !StartsChar(pattern, p, rs, at, blockEnd, known))
                        matched = 0;
                    if (matched) {
                        w.Feed(p, b.size, rs, b.eof, at);
                        const qint64 index = at - w.Start();
                        NoteFrontier(w);
                        NoteCurrent({ w.Line(), w.Start() }, m_current);
                        return TSearchHit { w.Line(), index, w.Line(), index + qint64(matched) };
                    }
                }
                c = pattern.NextCandidate(c + 1, end);
            }
        }
        w.Feed(p, b.size, rs, b.eof, candEnd);
        if (b.eof || atLimit)
            break;
    }
    NoteFrontier(w);
    if (reader.Stopped() || capped) {
        NoteCurrent({ w.Line(), w.Start() }, m_current);
        if (capped && !reader.Stopped())
            NeedCount();
        return std::nullopt;
    }
    w.FinishAtEof();
    LastLineFound({ w.Line(), w.Start() });
    NoteCurrent(m_textLast, m_current);
    return std::nullopt;
}

// The backward candidate scan of both searches: candidate starts below candEnd are tried from the last one
// down, in blocks that start at firstChunk bytes and grow to kBlock, and a match ends at matchEnd at the
// latest. The first match goes to found (its start and length), whose answer ends the search; a stopped
// scan finds nothing.
template <class P, class F>
std::optional<TSearchHit> THvFileModel::Impl::ScanBackward(
    P& pattern, FileOffset candEnd, FileOffset matchEnd, size_t firstChunk, F found)
{
    const FileOffset len = FileOffset(pattern.MaxLength());
    bool probed = false;
    size_t chunk = firstChunk;
    while (candEnd > 0) {
        if (ShouldStop(chunk))
            return std::nullopt;
        const FileOffset candBegin = std::max<FileOffset>(0, candEnd - FileOffset(chunk));
        const size_t want = size_t(candEnd + len - 1 - candBegin);
        uint8_t* p = Buffer(want);
        const size_t got = Read(candBegin, p, want);
        if (got < want) // beyond the end of the file (or of a file that keeps changing) reads as zeros
            std::memset(p + got, 0, want - got);
        if (!probed) {
            const size_t sample = std::min(want, kProbeSample);
            ChooseProbe(pattern, p + (want - sample), sample);
            probed = true;
        }
        // Candidates go backward, so where characters start in the block is found once, going forward.
        std::vector<bool> starts;
        for (const uint8_t* c = pattern.PrevCandidate(p, p + (candEnd - candBegin)); c;
             c = pattern.PrevCandidate(p, c)) {
            const FileOffset at = candBegin + (c - p);
            if (!pattern.Aligned(at))
                continue;
            const size_t matched = pattern.MatchLength(c, size_t(matchEnd - at));
            if (!matched)
                continue;
            if (pattern.NeedsCharCheck()) {
                if (starts.empty())
                    starts = CharStarts(pattern, p, candBegin, want);
                if (!starts[size_t(at - candBegin)])
                    continue;
            }
            return found(at, matched);
        }
        candEnd = candBegin;
        chunk = std::min(chunk * 4, kBlock);
    }
    return std::nullopt;
}

template <class P>
std::optional<TSearchHit> THvFileModel::Impl::FindTextBackward(P& pattern, TAnchor from, FileOffset limit)
{
    if (pattern.HasLineBreak() || limit <= 0)
        return std::nullopt;
    // Candidates start below limit and a match ends there at the latest.
    return ScanBackward(pattern, limit, limit, kBlock, [&](FileOffset at, size_t matched) -> std::optional<TSearchHit> {
        const TAnchor line = at >= from.offset ? from : LineAtOffset(at);
        if (m_stopped)
            return std::nullopt;
        NoteCurrent(line, m_current);
        const qint64 index = at - line.offset;
        return TSearchHit { line.line, index, line.line, index + qint64(matched) };
    });
}

std::optional<TSearchHit> THvFileModel::Impl::FindBytes(const QString& text, unsigned options, LineNumber caretRow)
{
    m_stopped = false;
    m_bytesSincePoll = 0;
    if (!m_open || (m_decoded && !AwaitDecoded()) || m_fileSize == 0)
        return std::nullopt;
    return WithPattern(text, (options & soMatchCase) != 0, THvSearchPattern::Kind::RawBytes,
        [&](auto& pattern) { return FindBytesWith(pattern, options, caretRow); });
}

template <class P>
std::optional<TSearchHit> THvFileModel::Impl::FindBytesWith(P& pattern, unsigned options, LineNumber caretRow)
{
    const FileOffset len = FileOffset(pattern.MaxLength());
    const FileOffset shortest = FileOffset(pattern.MinLength());
    const bool backward = (options & soBackward) != 0;
    caretRow = std::max<LineNumber>(caretRow, 0);
    FileOffset start;
    if (options & soWholeFile)
        start = backward ? m_fileSize - 1 : 0;
    else
        start = backward ? caretRow * kHexRowBytes - 1 : caretRow * kHexRowBytes + kHexRowBytes;
    const int charColumn = HexCharColumn(m_hexDigits);
    auto hit = [charColumn](FileOffset s, FileOffset length) {
        const FileOffset t = s + length - 1;
        return TSearchHit { s / kHexRowBytes, qint64(charColumn + s % kHexRowBytes), t / kHexRowBytes,
            qint64(charColumn + 1 + t % kHexRowBytes) };
    };
    if (!backward) {
        bool probed = false;
        FileOffset last = m_fileSize - shortest; // the highest candidate start
        if (start > last)
            return std::nullopt;
        Hourglass hourglass(this, last - start > kHourglassBytes);
        FileOffset candBegin = start;
        size_t chunk = kSearchFirstRead;
        while (candBegin <= last) {
            if (ShouldStop(chunk))
                return std::nullopt;
            const FileOffset candEnd = std::min(last + 1, candBegin + FileOffset(chunk));
            const size_t want = size_t(std::min(candEnd + len - 1, m_fileSize) - candBegin);
            uint8_t* p = Buffer(want);
            const size_t got = Read(candBegin, p, want);
            FileOffset usable = candEnd;
            if (got < want) {
                last = candBegin + FileOffset(got) - shortest; // a file that keeps changing: it ends here
                usable = std::min(usable, last + 1);
            }
            if (!probed) {
                ChooseProbe(pattern, p, got);
                probed = true;
            }
            const uint8_t* hi = p + std::max<FileOffset>(0, usable - candBegin);
            const uint8_t* known = nullptr;
            for (const uint8_t* c = pattern.NextCandidate(p, hi); c; c = pattern.NextCandidate(c + 1, hi)) {
                const FileOffset at = candBegin + (c - p);
                if (!pattern.Aligned(at))
                    continue;
                const size_t matched = pattern.MatchLength(c, got - size_t(c - p));
                if (matched && StartsChar(pattern, p, candBegin, at, candBegin + FileOffset(got), known))
                    return hit(at, FileOffset(matched));
            }
            candBegin = candEnd;
            chunk = std::min(chunk * 4, kBlock);
        }
        return std::nullopt;
    }
    const FileOffset matchEnd = std::min(start, m_fileSize - 1) + 1; // a match ends here at the latest
    const FileOffset candEnd = matchEnd - shortest + 1; // candidate starts below this
    if (candEnd <= 0)
        return std::nullopt;
    Hourglass hourglass(this, candEnd - 1 > kHourglassBytes);
    return ScanBackward(pattern, candEnd, matchEnd, kSearchFirstRead,
        [&](FileOffset at, size_t matched) { return std::optional<TSearchHit>(hit(at, FileOffset(matched))); });
}

std::optional<TSearchHit> THvFileModel::FindText(
    const QString& text, unsigned options, LineNumber fromLine, qint64 fromIndex)
{
    if (options & soRegex)
        return FindRegex(*this, text, options, fromLine, fromIndex);
    // Bytes of a stateful encoding mean what the escape sequences before them say: its text is matched on
    // the decoded lines.
    if (IsStateful(d->m_effective))
        return FindRegex(*this, LiteralExpression(text), options | soRegex, fromLine, fromIndex);
    return d->Guarded([&] { return d->FindText(text, options, fromLine, fromIndex); });
}

std::optional<TSearchHit> THvFileModel::FindBytes(const QString& text, unsigned options, LineNumber caretRow)
{
    if (options & soRegex)
        return std::nullopt; // patterns match text lines, not dump rows
    return d->Guarded([&] { return d->FindBytes(text, options, caretRow); });
}

} // namespace hy::viewer

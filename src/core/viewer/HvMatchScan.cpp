// The find bar's matches: one line's matches, the compact line list, and the background count and filter.
#include "core/viewer/HvMatchScan.h"

#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvRegexSearch.h"

#include <algorithm>
#include <exception>
#include <variant>

namespace hy::viewer {

namespace {
    // Blocks of whole lines; a line longer than the largest block is taken in parts.
    constexpr size_t kScanBlock = size_t(1) << 20;
    constexpr size_t kLongestBlock = size_t(16) << 20;
    constexpr int kBlockEntries = 4096;
    constexpr int kOffsetBits = 40;
    constexpr uint64_t kLineMask = (uint64_t(1) << (64 - kOffsetBits)) - 1;
    constexpr uint64_t kOffsetLimit = uint64_t(1) << kOffsetBits;

    // The matches of a literal pattern in [p, p + n): non-overlapping, left to right.
    template <class P>
    size_t FindLiteral(const P& pattern, const uint8_t* p, size_t n, std::vector<TMatchSpan>* out, size_t max)
    {
        const size_t shortest = pattern.MinLength();
        if (n < shortest || max == 0)
            return 0;
        const uint8_t* const hi = p + (n - shortest + 1);
        size_t found = 0;
        const uint8_t* known = nullptr; // a character start no later than the next candidate
        for (const uint8_t* c = pattern.NextCandidate(p, hi); c; c = pattern.NextCandidate(c, hi)) {
            const size_t at = size_t(c - p);
            size_t matched = pattern.Aligned(qint64(at)) ? pattern.MatchLength(c, n - at) : 0;
            // p starts a line (or a block of whole lines): it starts a character too.
            if (matched && pattern.NeedsCharCheck() && pattern.StartsChar(p, c, p + n, true, &known) != TCharStart::Yes)
                matched = 0;
            if (matched == 0) {
                ++c;
                continue;
            }
            if (out)
                out->push_back({ qint64(at), qint64(at + matched) });
            if (++found == max)
                break;
            c += matched;
            if (c >= hi)
                break;
        }
        return found;
    }

    size_t FindLiteral(
        const TTextPattern& pattern, const uint8_t* p, size_t n, std::vector<TMatchSpan>* out, size_t max)
    {
        return std::visit([&](const auto& pat) { return FindLiteral(pat, p, n, out, max); }, pattern);
    }

    // The start of the line after the line end at q (a CR LF is one line end), within [q, end).
    const uint8_t* AfterBreak(const scan::TLineEnds& e, const uint8_t* q, const uint8_t* end)
    {
        const uint8_t* next = q + e.unit;
        if (e.IsCR(q) && next + e.unit <= end && e.IsLF(next))
            next += e.unit;
        return next;
    }

    // Calls f(start, end) for each line of a block of whole lines [p, p + n), with the line's text [start,
    // end); f returns false to stop. A block that starts with the LF of a CR LF skips it.
    template <class F> void ForLines(const scan::TLineEnds& e, const uint8_t* p, size_t n, bool prevCR, F f)
    {
        const uint8_t* const end = p + n;
        const uint8_t* q = p;
        if (prevCR && q + e.unit <= end && e.IsLF(q))
            q += e.unit;
        while (q < end) {
            const uint8_t* brk = e.FindBreak(q, end);
            if (!f(size_t(q - p), size_t(brk - p)))
                return;
            if (brk >= end)
                return;
            q = AfterBreak(e, brk, end);
        }
    }

    // Reads the file from offset from on in blocks of whole lines and hands each to block(p, n, offset,
    // prevCR, last); block returns false to stop. Returns false when stop asked to stop.
    template <class B>
    bool ReadBlocks(
        const TReadAt& read, const scan::TLineEnds& e, FileOffset from, const std::function<bool()>& stop, B block)
    {
        THvAlignedBuffer buffer;
        const size_t u = size_t(e.unit);
        FileOffset pos = from;
        bool prevCR = false;
        size_t want = kScanBlock;
        for (;;) {
            if (stop && stop())
                return false;
            uint8_t* p = buffer.Reserve(want);
            size_t n = read(pos, p, want);
            n -= n % u;
            if (n == 0)
                return true;
            const bool eof = n < want;
            size_t cut = n;
            if (!eof) {
                const uint8_t* q = e.FindLastBreak(p, p + n);
                // A CR in the last unit may be the first half of a CR LF: that line end goes to the next block.
                if (q && e.IsCR(q) && q + u == p + n) {
                    if (const uint8_t* before = e.FindLastBreak(p, q))
                        q = before;
                }
                if (q) {
                    cut = size_t(q - p) + u;
                } else if (want < kLongestBlock) {
                    want *= 4; // a long line: more of it at once
                    continue;
                }
            }
            if (!block(p, cut, pos, prevCR, eof && cut == n))
                return true;
            if (eof && cut == n)
                return true;
            prevCR = e.IsCR(p + cut - u);
            pos += FileOffset(cut);
            want = kScanBlock;
        }
    }
} // namespace

// --- The query ---

QString TMatchQuery::FindText() const
{
    if (!WholeWord)
        return Text;
    const QString inner = Regex ? Text : QRegularExpression::escape(Text);
    return QStringLiteral("(?<!\\w)(?:") + inner + QStringLiteral(")(?!\\w)");
}

unsigned TMatchQuery::FindOptions() const
{
    return (MatchCase ? unsigned(soMatchCase) : 0u) | (Regex || WholeWord ? unsigned(soRegex) : 0u);
}

// --- One line's matches ---

THvLineMatcher::THvLineMatcher(const TMatchQuery& query, TTextEncoding encoding)
    : m_encoding(encoding)
{
    if (query.Text.isEmpty())
        return;
    // A stateful encoding's text is matched on the decoded line only.
    const bool stateful = IsStateful(encoding);
    const bool expression = query.Regex || query.WholeWord || stateful;
    // The literal every match holds: the text itself, or what the expression requires.
    const QString literal = stateful ? QString() : !query.Regex ? query.Text : RequiredLiteral(query.Text);
    if (!literal.isEmpty())
        m_literal = MakeTextPattern(literal, encoding, query.MatchCase, THvSearchPattern::Kind::TextLine);
    if (!expression) {
        m_valid = m_literal.has_value();
        m_literalIsQuery = m_valid;
    } else {
        const bool literalText = !query.Regex && !query.WholeWord;
        QRegularExpression re
            = CompileSearchRegex(literalText ? LiteralExpression(query.Text) : query.FindText(), query.MatchCase);
        // A literal the encoding cannot hold is in no line, so nothing can match.
        m_valid = re.isValid() && (literal.isEmpty() || m_literal.has_value());
        m_regex = std::move(re);
    }
    if (m_literal)
        ChooseProbe(TByteCounts {});
}

void THvLineMatcher::ChooseProbe(const TByteCounts& counts)
{
    if (m_literal)
        std::visit([&](auto& pattern) { pattern.ChooseProbe(counts); }, *m_literal);
}

size_t THvLineMatcher::Find(const uint8_t* p, size_t n, std::vector<TMatchSpan>* out, size_t max) const
{
    if (!m_valid)
        return 0;
    if (m_literalIsQuery)
        return FindLiteral(*m_literal, p, n, out, max);
    if (m_literal && FindLiteral(*m_literal, p, n, nullptr, 1) == 0)
        return 0;
    const TDecodedLine line = DecodeLine(m_encoding, p, n);
    size_t found = 0;
    QRegularExpressionMatchIterator it = m_regex->globalMatch(line.Text);
    while (found < max && it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength() == 0)
            continue;
        if (out)
            out->push_back({ line.ByteOf[size_t(m.capturedStart())], line.EndByte(m.capturedEnd()) });
        ++found;
    }
    return found;
}

// --- The line list ---

void THvLineList::Append(TLinePlace place)
{
    const auto fits = [&](const Block& b) {
        return int(b.Entries.size()) < kBlockEntries && place.Offset >= b.Base.Offset && place.Line >= b.Base.Line
            && uint64_t(place.Offset - b.Base.Offset) < kOffsetLimit && uint64_t(place.Line - b.Base.Line) <= kLineMask;
    };
    if (m_blocks.empty() || !fits(m_blocks.back())) {
        m_blocks.push_back({ place, m_size, {} });
        m_blocks.back().Entries.reserve(kBlockEntries);
    }
    Block& b = m_blocks.back();
    // The offset in the low 40 bits, the line in the high 24.
    b.Entries.push_back(uint64_t(place.Offset - b.Base.Offset) | (uint64_t(place.Line - b.Base.Line) << kOffsetBits));
    ++m_size;
}

TLinePlace THvLineList::At(qint64 index) const
{
    // The block that holds the entry: the last one whose first index is not above it.
    const auto it = std::upper_bound(
        m_blocks.begin(), m_blocks.end(), index, [](qint64 i, const Block& b) { return i < b.First; });
    const Block& b = *std::prev(it);
    const uint64_t e = b.Entries[size_t(index - b.First)];
    return { b.Base.Line + LineNumber(e >> kOffsetBits), b.Base.Offset + FileOffset(e & (kOffsetLimit - 1)) };
}

qint64 THvLineList::LowerBound(LineNumber line) const
{
    qint64 lo = 0;
    qint64 hi = m_size;
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        if (At(mid).Line < line)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void THvLineList::TruncateFrom(FileOffset offset)
{
    while (m_size > 0 && At(m_size - 1).Offset >= offset) {
        m_blocks.back().Entries.pop_back();
        if (m_blocks.back().Entries.empty())
            m_blocks.pop_back();
        --m_size;
    }
}

void THvLineList::Clear()
{
    m_blocks.clear();
    m_size = 0;
}

size_t THvLineList::BytesUsed() const
{
    size_t bytes = m_blocks.capacity() * sizeof(Block);
    for (const Block& b : m_blocks)
        bytes += b.Entries.capacity() * sizeof(uint64_t);
    return bytes;
}

// --- The scan ---

THvMatchScan::THvMatchScan(Setup setup)
    : m_setup(std::move(setup))
    , m_ends { UnitSize(m_setup.Encoding), BigEndianUnits(m_setup.Encoding) }
{
    const size_t wanted = m_setup.CollectLines ? m_setup.Queries.size() : std::min<size_t>(1, m_setup.Queries.size());
    for (size_t i = 0; i < wanted; ++i)
        m_matchers.emplace_back(m_setup.Queries[i], m_setup.Encoding);
    m_valid = !m_matchers.empty()
        && std::all_of(m_matchers.begin(), m_matchers.end(), [](const THvLineMatcher& m) { return m.Valid(); });
    m_lastCheckpoint = { m_setup.From.Offset, 0 };
    m_lines = std::move(m_setup.Seed);
    m_found.store(m_setup.CollectLines ? m_lines.Size() : 0, std::memory_order_release);
    m_resume = m_setup.From;
    m_thread = std::thread([this] { Run(); });
}

THvMatchScan::~THvMatchScan()
{
    Stop();
    if (m_thread.joinable())
        m_thread.join();
}

void THvMatchScan::Stop() { m_stop.store(true, std::memory_order_relaxed); }

void THvMatchScan::Run()
{
    try {
        Scan();
    } catch (const std::exception& e) {
        m_complete = false;
        m_error = QString::fromLocal8Bit(e.what());
    }
    m_finished.store(true, std::memory_order_release);
}

void THvMatchScan::Scan()
{
    // A filter that lists the lines that do not match lists every line when nothing can match.
    if (!m_valid && !(m_setup.CollectLines && m_setup.Invert)) {
        m_complete = true;
        return;
    }
    const bool fast = m_valid && m_matchers.size() == 1 && !m_setup.Invert && m_matchers[0].Literal();
    LineNumber line = m_setup.From.Line;
    bool probed = false;
    const bool finished = ReadBlocks(
        m_setup.Read, m_ends, m_setup.From.Offset, [this] { return m_stop.load(std::memory_order_relaxed); },
        [&](const uint8_t* p, size_t n, FileOffset pos, bool prevCR, bool last) {
            if (!probed && fast) {
                TByteCounts counts {};
                CountBytes(p, std::min<size_t>(n, 64 << 10), counts);
                m_matchers[0].ChooseProbe(counts);
                probed = true;
            }
            if (!m_setup.CollectLines && pos != m_lastCheckpoint.Offset) {
                m_lastCheckpoint = { pos, m_count };
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_checkpoints.push_back(m_lastCheckpoint);
            }
            // The first line of the file begins after its byte-order mark.
            const size_t bom = pos == 0 ? size_t(ByteOrderMarkSize(m_setup.Encoding, p, n)) : 0;
            const uint8_t* q = p + bom;
            if (fast)
                ScanLiteral(q, n - bom, pos + FileOffset(bom), line, prevCR);
            else
                ScanLines(q, n - bom, pos + FileOffset(bom), line, prevCR);
            m_bytesDone.store(pos + FileOffset(n) - m_setup.From.Offset, std::memory_order_relaxed);
            if (last) {
                // The last line, when it has no line end, is looked at again once the file grows.
                const uint8_t* brk = m_ends.FindLastBreak(p, p + n);
                const FileOffset start = brk ? pos + (AfterBreak(m_ends, brk, p + n) - p) : pos;
                const bool ended = brk && AfterBreak(m_ends, brk, p + n) == p + n;
                m_resume = ended ? TLinePlace { line, pos + FileOffset(n) } : TLinePlace { line, start };
            } else {
                m_resume = { line, pos + FileOffset(n) };
            }
            return true;
        });
    m_complete = finished && !m_stop.load(std::memory_order_relaxed);
}

void THvMatchScan::Counted(size_t matches)
{
    m_count += qint64(matches);
    m_found.store(m_count, std::memory_order_release);
}

void THvMatchScan::Collect(LineNumber line, FileOffset offset)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.Append({ line, offset });
    }
    m_found.fetch_add(1, std::memory_order_release);
}

// Candidates of the literal over the whole block; only their lines are looked at.
void THvMatchScan::ScanLiteral(const uint8_t* p, size_t n, FileOffset base, LineNumber& line, bool prevCR)
{
    const THvLineMatcher& m = m_matchers[0];
    const TTextPattern& literal = *m.Literal();
    const uint8_t* const end = p + n;
    if (!m_setup.CollectLines && m.LiteralIsQuery()) {
        Counted(FindLiteral(literal, p, n, nullptr, SIZE_MAX));
        uint64_t found = 0;
        m_ends.FindNth(p, n, prevCR, scan::kAll, found);
        line += LineNumber(found);
        return;
    }
    const uint8_t* lineStart = p; // the start of a line whose number is line
    if (prevCR && lineStart + m_ends.unit <= end && m_ends.IsLF(lineStart))
        lineStart += m_ends.unit;
    const uint8_t* pos = lineStart;
    std::vector<TMatchSpan> one;
    while (pos < end) {
        one.clear();
        if (FindLiteral(literal, pos, size_t(end - pos), &one, 1) == 0)
            break;
        const uint8_t* c = pos + one[0].From;
        // Number and start of the line that holds the candidate.
        if (const uint8_t* brk = m_ends.FindLastBreak(lineStart, c)) {
            uint64_t found = 0;
            const bool before = lineStart > p ? m_ends.IsCR(lineStart - m_ends.unit) : prevCR;
            m_ends.FindNth(lineStart, size_t(c - lineStart), before, scan::kAll, found);
            line += LineNumber(found);
            lineStart = AfterBreak(m_ends, brk, end);
        }
        const uint8_t* lineEnd = m_ends.FindBreak(c, end);
        const size_t hits = m.LiteralIsQuery() ? 1 : m.Find(lineStart, size_t(lineEnd - lineStart), nullptr);
        if (hits > 0) {
            if (m_setup.CollectLines)
                Collect(line, base + (lineStart - p));
            else
                Counted(hits);
        }
        pos = lineEnd;
    }
    uint64_t found = 0;
    const bool before = lineStart > p ? m_ends.IsCR(lineStart - m_ends.unit) : prevCR;
    m_ends.FindNth(lineStart, size_t(end - lineStart), before, scan::kAll, found);
    line += LineNumber(found);
}

bool THvMatchScan::LineMatches(const uint8_t* p, size_t n) const
{
    if (!m_valid)
        return false;
    if (m_setup.Combine == TCombine::All)
        return std::all_of(m_matchers.begin(), m_matchers.end(), [&](const auto& m) { return m.Matches(p, n); });
    return std::any_of(m_matchers.begin(), m_matchers.end(), [&](const auto& m) { return m.Matches(p, n); });
}

// Line after line: expressions without a literal, several patterns, inverted filters.
void THvMatchScan::ScanLines(const uint8_t* p, size_t n, FileOffset base, LineNumber& line, bool prevCR)
{
    ForLines(m_ends, p, n, prevCR, [&](size_t start, size_t end) {
        const uint8_t* text = p + start;
        const size_t size = end - start;
        if (!m_setup.CollectLines) {
            if (const size_t hits = m_matchers[0].Find(text, size, nullptr))
                Counted(hits);
        } else if (LineMatches(text, size) != m_setup.Invert) {
            Collect(line, base + FileOffset(start));
        }
        if (end < n)
            ++line;
        return !m_stop.load(std::memory_order_relaxed);
    });
}

THvLineList THvMatchScan::TakeLines()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    THvLineList lines = std::move(m_lines);
    m_lines.Clear();
    return lines;
}

qint64 THvMatchScan::LineCount() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines.Size();
}

TLinePlace THvMatchScan::LineAt(qint64 index) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return index >= 0 && index < m_lines.Size() ? m_lines.At(index) : TLinePlace { -1, -1 };
}

qint64 THvMatchScan::LowerBound(LineNumber line) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines.LowerBound(line);
}

size_t THvMatchScan::BytesUsed() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines.BytesUsed();
}

THvMatchScan::Checkpoint THvMatchScan::CheckpointAtOrBefore(FileOffset offset) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), offset,
        [](FileOffset o, const Checkpoint& c) { return o < c.Offset; });
    if (it == m_checkpoints.begin())
        return { m_setup.From.Offset, 0 };
    return *std::prev(it);
}

qint64 CountMatchesBefore(const TReadAt& read, TTextEncoding encoding, const THvLineMatcher& matcher, FileOffset from,
    FileOffset at, const std::function<bool()>& stop)
{
    const scan::TLineEnds e { UnitSize(encoding), BigEndianUnits(encoding) };
    qint64 count = 0;
    bool done = false;
    std::vector<TMatchSpan> spans;
    const bool finished
        = ReadBlocks(read, e, from, stop, [&](const uint8_t* p, size_t n, FileOffset pos, bool prevCR, bool) {
              const size_t bom = pos == 0 ? size_t(ByteOrderMarkSize(encoding, p, n)) : 0;
              ForLines(e, p + bom, n - bom, prevCR, [&](size_t start, size_t end) {
                  const FileOffset lineAt = pos + FileOffset(bom + start);
                  if (lineAt > at) {
                      done = true;
                      return false;
                  }
                  spans.clear();
                  matcher.Find(p + bom + start, end - start, &spans);
                  for (const TMatchSpan& s : spans) {
                      if (lineAt + s.From < at)
                          ++count;
                  }
                  if (pos + FileOffset(bom + end) >= at) {
                      done = true;
                      return false;
                  }
                  return true;
              });
              return !done;
          });
    return finished ? count : -1;
}

} // namespace hy::viewer

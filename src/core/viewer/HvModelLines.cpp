// Text lines of the viewer's file model: checkpoints and long lines, the walker that follows line ends
// forward and backward, positioning on a line or an offset, and the tail numbered from an estimate while
// its lines are counted.
#include "core/viewer/HvFileModelImpl.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hy::viewer {

bool THvFileModel::Impl::Walker::Feed(const uint8_t* p, size_t n, FileOffset off, bool eof, FileOffset until)
{
    const scan::TLineEnds& e = d.m_ends;
    const FileOffset u = e.unit;
    size_t i = size_t(m_pos - off);
    const size_t whole = i + e.Whole(n - std::min(i, n));
    if (m_pending && i + size_t(u) <= n) {
        m_pending = false;
        m_start = m_pos + (e.IsLF(p + i) ? u : 0);
        LineStarted();
        if (HandleStops())
            return true;
    }
    size_t m = std::min(size_t(until - off), whole);
    m = i + e.Whole(m - std::min(i, m));
    // A CR as the very last unit of the file is no line end.
    if (eof && m == n && n >= size_t(u) && e.IsCR(p + n - u))
        m -= size_t(u);
    while (i < m) {
        // The end of a line that is long already is looked for on its own, so that it is remembered.
        const bool longLine = off + FileOffset(i) - m_start >= kLongLineBytes;
        const LineNumber stop = longLine ? m_line + 1 : std::min(m_target, m_nextCheckpoint);
        const bool prevCR = i > 0 ? e.IsCR(p + i - u) : m_prevCR;
        uint64_t found = 0;
        const size_t idx = e.FindNth(p + i, m - i, prevCR, uint64_t(stop - m_line), found);
        if (idx >= m - i) {
            if (found) {
                m_line += LineNumber(found);
                const uint8_t* q = e.FindLastBreak(p + i, p + m);
                SetStartAfter(p, n, off, size_t(q - p));
            }
            i = m;
            break;
        }
        const size_t q = i + idx;
        if (longLine) {
            d.RememberLongLine({ m_line, m_start });
            m_rememberStart = true;
        }
        m_line = stop;
        SetStartAfter(p, n, off, q);
        i = q + size_t(u);
        if (m_pending)
            break;
        if (HandleStops()) {
            m_pos = off + FileOffset(i);
            m_prevCR = e.IsCR(p + i - u);
            return true;
        }
    }
    m_pos = off + FileOffset(i);
    if (i >= size_t(u))
        m_prevCR = e.IsCR(p + i - u);
    return false;
}

void THvFileModel::Impl::Walker::FinishAtEof()
{
    if (m_pending) {
        m_pending = false;
        m_start = m_pos;
        LineStarted();
    }
}

void THvFileModel::Impl::Walker::SetStartAfter(const uint8_t* p, size_t n, FileOffset off, size_t q)
{
    const scan::TLineEnds& e = d.m_ends;
    const size_t u = size_t(e.unit);
    if (e.IsLF(p + q)) {
        m_start = off + FileOffset(q + u);
    } else if (q + 2 * u <= n) {
        m_start = off + FileOffset(q + u) + (e.IsLF(p + q + u) ? FileOffset(u) : 0);
    } else {
        m_pending = true; // the next block tells whether an LF follows
        return;
    }
    LineStarted();
}

void THvFileModel::Impl::Walker::LineStarted()
{
    if (!m_rememberStart)
        return;
    m_rememberStart = false;
    d.RememberLongLine({ m_line, m_start });
}

bool THvFileModel::Impl::Walker::HandleStops()
{
    if (m_line == m_nextCheckpoint) {
        d.RecordCheckpoint(TAnchor { m_line, m_start });
        m_nextCheckpoint = d.NextCheckpointLine();
    }
    return m_line >= m_target;
}

void THvFileModel::Impl::NeedCount()
{
    m_stopped = true;
    m_needsCount = true;
}

void THvFileModel::Impl::EndTail()
{
    m_counter.reset();
    m_tail = false;
    m_needsCount = false;
}

// A read handle of the counter's own, so that its reads and read-ahead never share a file position
// or advice with the model's.
platform::TFileDescriptor THvFileModel::Impl::CounterHandle() const
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd.Get());
    platform::TFileDescriptor handle(::open(self.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!handle.Valid())
        handle.Reset(::fcntl(m_fd.Get(), F_DUPFD_CLOEXEC, 0));
    return handle;
}

std::function<size_t(FileOffset, uint8_t*, size_t)> THvFileModel::BackgroundReader() const
{
    if (!d->m_open)
        return {};
    if (std::shared_ptr<compress::TDecodedSource> decoded = d->m_decoded)
        return [decoded](FileOffset offset, uint8_t* buf, size_t n) { return ReadDecoded(*decoded, offset, buf, n); };
    auto handle = std::make_shared<platform::TFileDescriptor>(d->CounterHandle());
    if (!handle->Valid())
        return {};
    return [handle](FileOffset offset, uint8_t* buf, size_t n) { return ReadAt(*handle, offset, buf, n); };
}

// The end of the file at once: when much of it lies beyond the counted lines, the last lines are
// numbered from an estimate found by reading back from the end, and the count runs on its own thread.
// True when that was done (or the total is known); otherwise the caller scans as usual.
bool THvFileModel::Impl::JumpToEnd()
{
    m_stopped = false;
    if (m_open && m_decoded && !m_hexMode && m_textLast.line < 0)
        return JumpToDecodedEnd();
    if (!m_open || m_hexMode || m_fileSize == 0 || m_textLast.line >= 0)
        return m_textLast.line >= 0 || m_hexMode;
    TAnchor top = m_far;
    if (!m_frontier.pending && m_frontier.line > top.line)
        top = { m_frontier.line, m_frontier.start };
    platform::TFileDescriptor handle;
    if (m_fileSize - top.offset >= m_tailBytes)
        handle = CounterHandle();
    if (!handle.Valid())
        return false;
    const FileOffset u = m_ends.unit;
    FileOffset end = m_fileSize - m_fileSize % u;
    uint8_t tail[4] = {};
    if (end == m_fileSize && ReadRaw(end - u, tail, u) == u && m_ends.IsCR(tail))
        end -= u; // a CR as the last unit starts no line (before part of a unit it does)
    // Bytes per line from the counted lines, or from the first and last 64 KiB.
    FileOffset bytes = top.offset;
    LineNumber lines = top.line;
    if (lines < 64) {
        const size_t n = size_t(std::min<FileOffset>(end, 64 << 10));
        for (const FileOffset at : { FileOffset(0), end - FileOffset(n) }) {
            uint8_t* p = Buffer(n);
            const size_t got = m_ends.Whole(Read(at, p, n));
            uint64_t found = 0;
            m_ends.FindNth(p, got, false, scan::kAll, found);
            bytes += FileOffset(got);
            lines += LineNumber(found);
        }
    }
    const FileOffset perLine = std::max<FileOffset>(1, bytes / std::max<LineNumber>(lines, 1));
    const LineNumber estimate = top.line + std::max<LineNumber>(2, (end - top.offset) / perLine);
    const WalkResult r = WalkBackward({ estimate, end }, estimate);
    // The last line is one of the counted ones, or next to them: a scan finds it.
    if (r.stopped || r.at.offset <= top.offset)
        return false;
    THvLineCounter::Setup setup;
    setup.Handle = std::move(handle);
    setup.Size = m_fileSize;
    setup.Unit = int(u);
    setup.BigEndian = m_ends.big;
    setup.Line = top.line;
    setup.Start = top.offset;
    setup.NextCheckpoint = NextCheckpointLine();
    setup.Interval = m_checkpointInterval;
    setup.CheckpointLimit = m_checkpointLimit;
    m_counter = std::make_unique<THvLineCounter>(std::move(setup), [this] {
        if (m_countFinished)
            m_countFinished();
    });
    m_tail = true;
    m_exactTop = top;
    m_tailEstimate = estimate;
    m_needsCount = false;
    m_bufferedLine = -1;
    m_textLast = r.at;
    NoteCurrent(r.at, m_current);
    if (m_events)
        m_events->ModelLineTotalFound(estimate + 1);
    return true;
}

// The end of a compressed file shown decompressed: its decoding thread counts the line ends as it goes, so
// once it is done the last line's number is known exactly (in encodings of one-byte units) and its start is
// found by reading back from the end. False when the stop hook stopped the wait or the caller must scan.
bool THvFileModel::Impl::JumpToDecodedEnd()
{
    if (!AwaitDecoded())
        return false;
    if (m_textLast.line >= 0 || m_fileSize == 0)
        return m_textLast.line >= 0;
    if (m_ends.unit != 1)
        return false;
    // A CR as the very last byte ends the last line without starting another.
    uint8_t last[4] = {};
    const bool endsInCR = ReadRaw(m_fileSize - 1, last, 1) == 1 && m_ends.IsCR(last);
    const FileOffset end = endsInCR ? m_fileSize - 1 : m_fileSize;
    const LineNumber lastLine = LineNumber(m_decoded->LineEnds()) - (endsInCR ? 1 : 0);
    const WalkResult r = WalkBackward({ lastLine, end }, lastLine);
    if (r.stopped)
        return false;
    m_bufferedLine = -1;
    NoteCurrent(r.at, m_current);
    LastLineFound(r.at);
    return true;
}

// Waits for the count, polling the stop hook; false when it asked to stop.
bool THvFileModel::Impl::WaitForCount()
{
    m_stopped = false;
    while (m_tail && m_counter && !m_counter->Finished()) {
        if (m_stopHook && m_stopHook()) {
            m_stopped = true;
            return false;
        }
        m_counter->WaitFor(m_stopHook ? 20 : 1000);
    }
    return true;
}

// Takes a finished count: the tail's lines get their exact numbers and the total its exact value. False
// while there is none to take.
bool THvFileModel::Impl::ApplyCount()
{
    if (!m_tail || !m_counter || !m_counter->Finished())
        return false;
    const std::unique_ptr<THvLineCounter> counter = std::move(m_counter);
    const THvLineCounter::Result& r = counter->Outcome();
    if (!r.Complete || ChangedOnDisk(false)) {
        // The file changed under the count, or could not be read: the model starts over on it.
        Reload();
        return true;
    }
    // The count ended at the last line of the file as it was at the jump (a followed file grows since).
    const LineNumber delta = r.LastLine - m_tailEstimate;
    while (m_checkpointInterval < r.Interval)
        ThinCheckpoints();
    for (const THvLineCounter::Checkpoint& c : r.Checkpoints) {
        if (c.Line == NextCheckpointLine())
            RecordCheckpoint({ c.Line, c.Offset });
    }
    auto shift = [&](TAnchor& a) {
        if (a.line > m_exactTop.line)
            a.line += delta;
    };
    shift(m_textLast);
    shift(m_current);
    shift(m_caret);
    shift(m_far);
    for (TAnchor& a : m_longLines)
        shift(a);
    std::sort(
        m_longLines.begin(), m_longLines.end(), [](const TAnchor& a, const TAnchor& b) { return a.line < b.line; });
    m_longLines.erase(std::unique(m_longLines.begin(), m_longLines.end(),
                          [](const TAnchor& a, const TAnchor& b) { return a.line == b.line; }),
        m_longLines.end());
    m_tail = false;
    m_needsCount = false;
    m_bufferedLine = -1;
    if (m_events) {
        m_events->ModelLinesRenumbered(m_exactTop.line, delta);
        if (!m_hexMode)
            m_events->ModelLineTotalFound(m_textLast.line + 1);
    }
    return true;
}

void THvFileModel::Impl::RecordCheckpoint(TAnchor a)
{
    m_checkpoints.push_back(a);
    if (int(m_checkpoints.size()) >= m_checkpointLimit)
        ThinCheckpoints();
}

void THvFileModel::Impl::ThinCheckpoints()
{
    size_t kept = 0;
    for (size_t i = 0; i < m_checkpoints.size(); i += 2)
        m_checkpoints[kept++] = m_checkpoints[i];
    m_checkpoints.resize(kept);
    m_checkpointInterval *= 2;
}

// The checkpoint nearest at or below a line.
TAnchor THvFileModel::Impl::CheckpointFor(LineNumber line) const
{
    const LineNumber i = std::min<LineNumber>(line / m_checkpointInterval, LineNumber(m_checkpoints.size()) - 1);
    return m_checkpoints[size_t(std::max<LineNumber>(i, 0))];
}

void THvFileModel::Impl::RememberLongLine(TAnchor a)
{
    const auto it = std::lower_bound(m_longLines.begin(), m_longLines.end(), a.line,
        [](const TAnchor& x, LineNumber line) { return x.line < line; });
    if (it != m_longLines.end() && it->line == a.line)
        return;
    m_longLines.insert(it, a);
    if (int(m_longLines.size()) <= m_longLineLimit)
        return;
    size_t kept = 0;
    for (size_t i = 0; i < m_longLines.size(); i += 2)
        m_longLines[kept++] = m_longLines[i];
    m_longLines.resize(kept);
}

// The remembered line start nearest to a line, if any is remembered.
std::optional<TAnchor> THvFileModel::Impl::NearestLongLine(LineNumber line) const
{
    const auto it = std::lower_bound(
        m_longLines.begin(), m_longLines.end(), line, [](const TAnchor& x, LineNumber l) { return x.line < l; });
    std::optional<TAnchor> best;
    if (it != m_longLines.end())
        best = *it;
    if (it != m_longLines.begin() && (!best || Distance(line, (it - 1)->line) < Distance(line, best->line)))
        best = *(it - 1);
    return best;
}

// A forward scan got this far: the next scan beyond it goes on from here.
void THvFileModel::Impl::NoteFrontier(const Walker& w)
{
    if (m_textLast.line < 0 && w.Pos() > m_frontier.pos)
        m_frontier = w.State();
}

// Reads forward until the walker's target line or the end of the file.
THvFileModel::Impl::WalkResult THvFileModel::Impl::WalkForward(Walker& w)
{
    BlockReader reader(*this, kFirstRead, m_fileSize);
    BlockReader::Block b;
    while (!w.Reached() && reader.Next(w.Pos(), !w.Pending(), b)) {
        if (w.Feed(b.data, b.size, b.offset, b.eof, b.offset + FileOffset(b.size)) || b.eof)
            break;
    }
    NoteFrontier(w);
    if (w.Reached())
        return { { w.Line(), w.Start() }, false, false };
    if (reader.Stopped())
        return { { w.Line(), w.Start() }, false, true };
    w.FinishAtEof();
    return { { w.Line(), w.Start() }, true, false };
}

// Reads backward from `from` (a line start) to the start of the earlier line `target`.
THvFileModel::Impl::WalkResult THvFileModel::Impl::WalkBackward(TAnchor from, LineNumber target)
{
    if (target <= 0)
        return { TAnchor {}, false, false };
    // Line `target` starts after the (from.line - target + 1)-th line end before `from`.
    uint64_t need = uint64_t(from.line - target) + 1;
    const scan::TLineEnds& e = m_ends;
    const size_t u = size_t(e.unit);
    FileOffset end = from.offset;
    bool nextIsLF = false; // the byte at `end`; the byte at a line start never completes a CR LF
    size_t chunk = kFirstRead;
    while (end > 0) {
        if (ShouldStop(chunk))
            return { from, false, true };
        const size_t want = size_t(std::min<FileOffset>(FileOffset(chunk), end));
        const FileOffset begin = end - FileOffset(want);
        const size_t before = begin > 0 ? u : 0;
        uint8_t* buf = Buffer(want + before);
        const size_t got = Read(begin - FileOffset(before), buf, want + before);
        if (got < want + before) // a file that keeps changing: what is gone reads as zeros
            std::memset(buf + got, 0, want + before - got);
        const uint8_t* p = buf + before;
        const bool prevCR = before && e.IsCR(buf);
        uint64_t found = 0;
        const size_t q = e.FindNthReverse(p, want, prevCR, need, found);
        if (q < want) {
            FileOffset start = begin + FileOffset(q + u);
            if (e.IsCR(p + q) && (q + u < want ? e.IsLF(p + q + u) : nextIsLF))
                start += FileOffset(u);
            // The start of a long line, found the long way, is kept for the next time.
            if (target == from.line - 1 && from.offset - start >= kLongLineBytes)
                RememberLongLine({ target, start });
            return { { target, start }, false, false };
        }
        need -= found;
        nextIsLF = e.IsLF(p);
        end = begin;
        chunk = std::min(chunk * 4, kBlock);
    }
    return { { target, 0 }, false, false };
}

void THvFileModel::Impl::LastLineFound(TAnchor last)
{
    if (m_textLast.line >= 0)
        return;
    m_textLast = last;
    if (!m_hexMode && m_events)
        m_events->ModelLineTotalFound(last.line + 1);
}

// Makes a position the current anchor and keeps the caret and far anchors.
void THvFileModel::Impl::NoteCurrent(TAnchor result, TAnchor previous)
{
    m_current = result;
    if (CaretLine() == m_current.line)
        m_caret = m_current;
    if (m_textLast.line < 0) {
        if (m_current.line > m_far.line)
            m_far = m_current;
    } else if (m_current.line != previous.line) {
        m_far = previous;
    }
}

// Positions on a text line (clamped to the known last line) and makes it the current anchor.
TAnchor THvFileModel::Impl::PositionOn(LineNumber target)
{
    if (!m_open)
        return m_current;
    const LineNumber last = m_textLast.line;
    if (last >= 0 && target > last)
        target = last;
    if (m_fileSize == 0) {
        m_current = TAnchor {};
        return m_current;
    }
    target = std::max<LineNumber>(target, 0);
    const TAnchor previous = m_current;

    // While the tail is numbered from an estimate, only anchors of the target's numbering serve.
    auto distance = [&](const TAnchor& a) { return Usable(a, target) ? Distance(target, a.line) : kNever; };
    const LineNumber dCaret = m_caret.line >= 0 ? distance(m_caret) : kNever;
    const LineNumber dLast = last >= 0 ? distance(m_textLast) : kNever;
    const LineNumber dFar = distance(m_far);
    const LineNumber dStart = distance(TAnchor {});
    const LineNumber dCurrent = distance(m_current);
    TAnchor from = m_current;
    if (dCaret < dLast && dCaret < dFar && dCaret < dCurrent && dCaret < dStart)
        from = m_caret;
    else if (dLast < dFar && dLast < dCurrent && dLast < dStart)
        from = m_textLast;
    else if (dFar < dCurrent && dFar < dStart)
        from = m_far;
    else if (dStart < dCurrent)
        from = TAnchor {};
    if (!Usable(from, target))
        from = Provisional(target) ? m_textLast : TAnchor {};
    const TAnchor checkpoint = CheckpointFor(target);
    if (!Provisional(target) && target - checkpoint.line < Distance(target, from.line))
        from = checkpoint;
    if (const std::optional<TAnchor> remembered = NearestLongLine(target);
        remembered && Usable(*remembered, target) && Distance(target, remembered->line) < Distance(target, from.line))
        from = *remembered;
    // A tail line next to the exact ones, or far from every known tail line, is numbered by the count.
    if (Provisional(target) && (target <= m_exactTop.line + 1 || Distance(target, from.line) > kTailWalkLines)) {
        NeedCount();
        return m_current;
    }
    // A compressed file's decoder knows where its lines lie every few MiB: a far line is found from there,
    // reading no more than one such stretch.
    if (m_decoded && m_ends.unit == 1 && !Provisional(target) && Distance(target, from.line) > kHourglassLines) {
        const qint64 start = m_decoded->LineStart(target, m_stopHook);
        if (start >= 0 && start <= m_fileSize)
            from = TAnchor { target, FileOffset(start) };
    }
    m_current = from;

    // A line no scan has reached yet: the scan goes on from where the farthest one ended.
    const bool resume = last < 0 && target > m_frontier.line && m_frontier.pos > from.offset;
    Hourglass hourglass(this, Distance(target, resume ? m_frontier.line : from.line) > kHourglassLines);
    WalkResult r { from, false, false };
    if (resume || target > from.line) {
        Walker w = resume ? Walker(*this, m_frontier, target) : Walker(*this, from, target);
        r = WalkForward(w);
    } else if (target < from.line) {
        r = WalkBackward(from, target);
        // Walking back from the tail reached the exact lines: the estimate was off, the count decides.
        if (!r.stopped && Provisional(target) && r.at.offset <= m_exactTop.offset) {
            m_current = previous;
            NeedCount();
            return m_current;
        }
    }
    if (r.eof)
        LastLineFound(r.at);
    NoteCurrent(r.at, previous);
    return m_current;
}

LineNumber THvFileModel::Impl::ClampLine(LineNumber line)
{
    m_stopped = false;
    if (!m_open || m_fileSize == 0)
        return 0;
    line = std::max<LineNumber>(line, 0);
    if (m_hexMode)
        return std::min(m_hexLast, line);
    if (m_textLast.line < 0) {
        if (line <= m_far.line)
            return line;
        PositionOn(line);
        if (m_textLast.line < 0)
            return line;
    }
    return std::min(m_textLast.line, line);
}

// The start of a text line (clamped to the known last line), or -1 when a stopped scan left it unknown.
FileOffset THvFileModel::Impl::LineStart(LineNumber line)
{
    m_stopped = false;
    if (!m_open || m_fileSize == 0)
        return 0;
    const TAnchor at = PositionOn(std::max<LineNumber>(line, 0));
    return m_stopped ? -1 : at.offset;
}

// The text line holding offset (a line break belongs to the line it ends) and where it starts.
TAnchor THvFileModel::Impl::LineOfOffset(FileOffset offset)
{
    m_stopped = false;
    if (!m_open || m_fileSize == 0)
        return TAnchor {};
    offset = std::clamp<FileOffset>(offset, 0, m_fileSize);
    const FileOffset u = m_ends.unit;
    FileOffset at = offset - offset % u;
    // The LF of a CR LF belongs with its CR to the line they end.
    uint8_t pair[8] = {};
    if (at >= u && at < m_fileSize && ReadRaw(at - u, pair, 2 * u) == 2 * u && m_ends.IsCR(pair)
        && m_ends.IsLF(pair + u))
        at -= u;
    const TAnchor a = LineAtOffset(at);
    if (m_stopped)
        return a;
    NoteCurrent(a, m_current);
    return a;
}

// The line holding a byte that is no line break, and that line's start, from the nearest known position
// at or below it.
TAnchor THvFileModel::Impl::LineAtOffset(FileOffset offset)
{
    TAnchor from;
    auto consider = [&](TAnchor a) {
        if (a.line >= 0 && a.offset <= offset && a.offset >= from.offset)
            from = a;
    };
    auto atOrBelow = [offset](const std::vector<TAnchor>& table) {
        const auto it = std::upper_bound(
            table.begin(), table.end(), offset, [](FileOffset o, const TAnchor& a) { return o < a.offset; });
        return it != table.begin() ? *(it - 1) : TAnchor {};
    };
    consider(atOrBelow(m_checkpoints));
    consider(atOrBelow(m_longLines));
    consider(m_current);
    consider(m_far);
    consider(m_caret);
    consider(m_textLast);
    offset -= offset % m_ends.unit;
    // Past the exact lines an offset is numbered from a tail line at or below it, or above it.
    if (m_tail && !Provisional(from.line) && offset > m_exactTop.offset)
        return TailLineAtOffset(offset);
    Walker w(*this, from, kNever);
    // One unit past offset is read: it tells whether a CR just before offset is followed by an LF.
    BlockReader reader(*this, kFirstRead, offset + m_ends.unit);
    BlockReader::Block b;
    while (w.Pos() < offset && reader.Next(w.Pos(), false, b))
        w.Feed(b.data, b.size, b.offset, false, std::min(b.offset + FileOffset(b.size), offset));
    w.FinishAtEof(); // the byte at offset is no LF
    return { w.Line(), w.Start() };
}

// The tail line holding an offset that no tail line lies at or below: the line ends between it and the
// nearest tail line above are counted. Near the exact lines, or far from the tail, the count decides.
TAnchor THvFileModel::Impl::TailLineAtOffset(FileOffset offset)
{
    TAnchor above = m_textLast;
    auto closer = [&](const TAnchor& a) {
        if (Provisional(a.line) && a.offset >= offset && a.offset < above.offset)
            above = a;
    };
    closer(m_current);
    closer(m_far);
    closer(m_caret);
    for (const TAnchor& a : m_longLines)
        closer(a);
    if (above.offset == offset)
        return above;
    if (above.offset - offset > kTailCountBytes) {
        NeedCount();
        return m_current;
    }
    const FileOffset u = m_ends.unit;
    uint8_t before[4] = {};
    bool prevCR = offset >= u && ReadRaw(offset - u, before, u) == u && m_ends.IsCR(before);
    uint64_t ends = 0;
    BlockReader reader(*this, kFirstRead, above.offset);
    BlockReader::Block b;
    for (FileOffset at = offset; reader.Next(at, true, b); at += FileOffset(b.size)) {
        const size_t whole = m_ends.Whole(b.size);
        uint64_t found = 0;
        m_ends.FindNth(b.data, whole, prevCR, scan::kAll, found);
        ends += found;
        prevCR = whole >= size_t(u) && m_ends.IsCR(b.data + whole - u);
    }
    if (reader.Stopped())
        return m_current;
    const LineNumber target = above.line - LineNumber(ends);
    if (target <= m_exactTop.line + 1) {
        NeedCount();
        return m_current;
    }
    const WalkResult r = WalkBackward(above, target);
    if (r.stopped)
        return m_current;
    if (r.at.offset <= m_exactTop.offset) {
        NeedCount();
        return m_current;
    }
    return r.at;
}

} // namespace hy::viewer

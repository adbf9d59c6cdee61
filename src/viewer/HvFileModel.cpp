// The viewer's file model: opening, the page cache, finding text lines from anchors and checkpoints,
// building text lines and hex rows, and the text and byte searches.
//
// Lines end at CR LF, CR alone or LF alone. A CR that is the very last byte of the file ends the last line
// without starting another; any other line end starts a new line, so a file ending in a line break has an
// empty last line. Scans read big blocks with pread into one reusable buffer and count line ends with
// vector code; the page cache serves the bytes of the lines and rows that are shown.
#include "viewer/HvFileModel.h"

#include "base/ErrorCodes.h"
#include "base/HyExceptions.h"
#include "platform/PlatformErrors.h"
#include "viewer/HvModelIo.h"
#include "viewer/HvModelScan.h"
#include "viewer/HvPageCache.h"
#include "viewer/HvTextSearch.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::viewer {

namespace {

    constexpr LineNumber kNever = std::numeric_limits<LineNumber>::max();
    constexpr size_t kFirstRead = 4096; // scans start small: neighbouring lines cost one small read
    constexpr size_t kBlock = size_t(1) << 20; // and grow to blocks of 1 MiB
    constexpr size_t kSearchFirstRead = size_t(64) << 10;
    constexpr FileOffset kPollBytes = FileOffset(4) << 20;
    constexpr LineNumber kFirstCheckpointInterval = 64;
    constexpr LineNumber kHourglassLines = 100;
    constexpr FileOffset kHourglassBytes = 1000;

    struct Anchor {
        LineNumber line = 0;
        FileOffset offset = 0;
    };

    constexpr int kDefaultCheckpointLimit = int((size_t(1) << 20) / sizeof(Anchor));

    LineNumber Distance(LineNumber a, LineNumber b) { return a > b ? a - b : b - a; }

} // namespace

struct THvFileModel::Impl {
    THvModelEvents* m_events = nullptr;
    QString m_fileName;
    int m_fd = -1;
    bool m_open = false;
    FileOffset m_fileSize = 0;
    bool m_hexMode = false;
    bool m_filterChars = true;
    bool m_expandTabs = false;

    THvPageCache m_cache { 16 };

    char m_lineBuffer[kMaxLineChars + 1] = {};
    LineNumber m_bufferedLine = -1;
    int m_lineLength = 0;

    Anchor m_current;
    Anchor m_caret { -1, 0 };
    Anchor m_far;
    Anchor m_textLast { -1, 0 }; // last text line and its offset; line -1 while undetermined
    LineNumber m_hexLast = -1;

    // Checkpoints: entry i holds line i * interval. The table never grows past its limit: when full, every
    // second entry goes and the interval doubles.
    std::vector<Anchor> m_checkpoints;
    LineNumber m_checkpointInterval = kFirstCheckpointInterval;
    int m_checkpointLimit = kDefaultCheckpointLimit;

    std::vector<uint8_t> m_bulk; // the one buffer of scans and searches
    std::function<bool()> m_stopHook;
    bool m_stopped = false;
    FileOffset m_bytesSincePoll = 0;

    ~Impl() { CloseFile(); }

    // --- events -------------------------------------------------------------------------------------

    // Shows the wait cursor for its lifetime, on every way out.
    class Hourglass {
    public:
        Hourglass(Impl* impl, bool show)
            : m_events(show ? impl->m_events : nullptr)
        {
            if (m_events)
                m_events->ModelShowHourglass();
        }
        ~Hourglass()
        {
            if (m_events)
                m_events->ModelHideHourglass();
        }
        Hourglass(const Hourglass&) = delete;
        Hourglass& operator=(const Hourglass&) = delete;

    private:
        THvModelEvents* m_events;
    };

    LineNumber CaretLine() const { return m_events ? m_events->ModelCaretLine() : -1; }

    // True when the stop hook asks to stop; asked once per few MiB of scanned bytes.
    bool ShouldStop(size_t bytes)
    {
        if (!m_stopHook)
            return false;
        m_bytesSincePoll += FileOffset(bytes);
        if (m_bytesSincePoll < kPollBytes)
            return false;
        m_bytesSincePoll = 0;
        if (m_stopHook())
            m_stopped = true;
        return m_stopped;
    }

    uint8_t* Buffer(size_t n)
    {
        if (m_bulk.size() < n)
            m_bulk.resize(n);
        return m_bulk.data();
    }

    // --- open and close ------------------------------------------------------------------------------

    void CloseFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_open = false;
        m_fileSize = 0;
        m_bufferedLine = -1;
        m_lineLength = 0;
        m_cache.Clear();
    }

    void OpenFile()
    {
        if (m_fileName.isEmpty())
            return;
        CloseFile();
        Hourglass hourglass(this, true);
        const QByteArray path = QFile::encodeName(m_fileName);
        // Not blocking: opening a pipe would otherwise wait for a writer.
        const int handle = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (handle < 0)
            ThrowViewerErrno(path.constData());
        struct stat st { };
        if (::fstat(handle, &st) != 0) {
            const int code = platform::LastErrorCode();
            ::close(handle);
            ThrowViewerIoError(code);
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(handle);
            throw EInOutError(QStringLiteral("Viewer: not a regular file"), kErrorAccessDenied);
        }
        m_fd = handle;
        m_open = true;
        m_fileSize = FileOffset(st.st_size);
        m_bufferedLine = -1;
        m_lineLength = 0;
        m_current = Anchor {};
        m_caret = Anchor { -1, 0 };
        m_far = Anchor {};
        m_textLast = Anchor { -1, 0 };
        m_hexLast = m_fileSize > 0 ? (m_fileSize - 1) / kHexRowBytes : -1;
        m_cache.Clear();
        m_checkpoints.clear();
        m_checkpoints.push_back(Anchor {});
        m_checkpointInterval = kFirstCheckpointInterval;
    }

    // --- checkpoints ---------------------------------------------------------------------------------

    LineNumber NextCheckpointLine() const { return LineNumber(m_checkpoints.size()) * m_checkpointInterval; }

    void RecordCheckpoint(Anchor a)
    {
        m_checkpoints.push_back(a);
        if (int(m_checkpoints.size()) < m_checkpointLimit)
            return;
        size_t kept = 0;
        for (size_t i = 0; i < m_checkpoints.size(); i += 2)
            m_checkpoints[kept++] = m_checkpoints[i];
        m_checkpoints.resize(kept);
        m_checkpointInterval *= 2;
    }

    // The checkpoint nearest at or below a line.
    Anchor CheckpointFor(LineNumber line) const
    {
        const LineNumber i = std::min<LineNumber>(line / m_checkpointInterval, LineNumber(m_checkpoints.size()) - 1);
        return m_checkpoints[size_t(std::max<LineNumber>(i, 0))];
    }

    // --- the line walker -----------------------------------------------------------------------------

    // Follows text lines forward through blocks of the file from a known (line, offset): counts line ends,
    // stops at a target line, records checkpoints on the way and notices where the last line starts.
    class Walker {
    public:
        Walker(Impl& impl, Anchor from, LineNumber target)
            : d(impl)
            , m_line(from.line)
            , m_start(from.offset)
            , m_pos(from.offset)
            , m_target(target)
        {
            m_nextCheckpoint = d.NextCheckpointLine();
            if (m_line > m_nextCheckpoint)
                m_nextCheckpoint = kNever;
            HandleStops();
        }

        LineNumber Line() const { return m_line; }
        FileOffset Start() const { return m_start; }
        FileOffset Pos() const { return m_pos; }
        bool Pending() const { return m_pending; }
        bool Reached() const { return m_line >= m_target && !m_pending; }

        // Consumes the block [off, off + n) from Pos() up to `until` (at most off + n); Pos() must lie in the
        // block. eof tells that the file ends with this block. Returns true once the target line is reached.
        bool Feed(const uint8_t* p, size_t n, FileOffset off, bool eof, FileOffset until)
        {
            size_t i = size_t(m_pos - off);
            if (m_pending && i < n) {
                m_pending = false;
                m_start = m_pos + (p[i] == '\n' ? 1 : 0);
                if (HandleStops())
                    return true;
            }
            size_t m = size_t(until - off);
            // A CR as the very last byte of the file is no line end.
            if (eof && m == n && n > 0 && p[n - 1] == '\r')
                --m;
            while (i < m) {
                const LineNumber stop = std::min(m_target, m_nextCheckpoint);
                const bool prevCR = i > 0 ? p[i - 1] == '\r' : m_prevCR;
                uint64_t found = 0;
                const size_t idx = scan::FindNthLineEnd(p + i, m - i, prevCR, uint64_t(stop - m_line), found);
                if (idx >= m - i) {
                    if (found) {
                        m_line += LineNumber(found);
                        const uint8_t* q = scan::FindLastLineBreak(p + i, p + m);
                        SetStartAfter(p, n, off, size_t(q - p));
                    }
                    i = m;
                    break;
                }
                const size_t q = i + idx;
                m_line = stop;
                SetStartAfter(p, n, off, q);
                i = q + 1;
                if (m_pending)
                    break;
                if (HandleStops()) {
                    m_pos = off + FileOffset(i);
                    m_prevCR = p[i - 1] == '\r';
                    return true;
                }
            }
            m_pos = off + FileOffset(i);
            if (i > 0)
                m_prevCR = p[i - 1] == '\r';
            return false;
        }

        // The file ended at Pos(): a CR still waiting for its next byte starts an empty last line.
        void FinishAtEof()
        {
            if (m_pending) {
                m_pending = false;
                m_start = m_pos;
            }
        }

    private:
        void SetStartAfter(const uint8_t* p, size_t n, FileOffset off, size_t q)
        {
            if (p[q] == '\n') {
                m_start = off + FileOffset(q) + 1;
            } else if (q + 1 < n) {
                m_start = off + FileOffset(q) + 1 + (p[q + 1] == '\n' ? 1 : 0);
            } else {
                m_pending = true; // the next block tells whether an LF follows
            }
        }

        bool HandleStops()
        {
            if (m_line == m_nextCheckpoint) {
                d.RecordCheckpoint(Anchor { m_line, m_start });
                m_nextCheckpoint = d.NextCheckpointLine();
            }
            return m_line >= m_target;
        }

        Impl& d;
        LineNumber m_line;
        FileOffset m_start;
        FileOffset m_pos;
        LineNumber m_target;
        LineNumber m_nextCheckpoint = kNever;
        bool m_prevCR = false;
        bool m_pending = false;
    };

    struct WalkResult {
        Anchor at;
        bool eof = false;
        bool stopped = false;
    };

    // Reads forward from `from` until the target line or the end of the file.
    WalkResult WalkForward(Anchor from, LineNumber target)
    {
        Walker w(*this, from, target);
        size_t chunk = kFirstRead;
        while (!w.Reached()) {
            if (!w.Pending() && ShouldStop(chunk))
                return { { w.Line(), w.Start() }, false, true };
            const FileOffset rs = w.Pos();
            if (rs >= m_fileSize)
                break;
            const size_t want = size_t(std::min<FileOffset>(FileOffset(chunk), m_fileSize - rs));
            uint8_t* p = Buffer(want);
            const size_t n = ReadAt(m_fd, rs, p, want);
            if (n == 0)
                break;
            const bool eof = n < want || rs + FileOffset(n) >= m_fileSize;
            if (w.Feed(p, n, rs, eof, rs + FileOffset(n)))
                return { { w.Line(), w.Start() }, false, false };
            if (eof)
                break;
            chunk = std::min(chunk * 4, kBlock);
        }
        if (w.Reached())
            return { { w.Line(), w.Start() }, false, false };
        w.FinishAtEof();
        return { { w.Line(), w.Start() }, true, false };
    }

    // Reads backward from `from` (a line start) to the start of the earlier line `target`.
    WalkResult WalkBackward(Anchor from, LineNumber target)
    {
        if (target <= 0)
            return { Anchor {}, false, false };
        // Line `target` starts after the (from.line - target + 1)-th line end before `from`.
        uint64_t need = uint64_t(from.line - target) + 1;
        FileOffset end = from.offset;
        bool nextIsLF = false; // the byte at `end`; the byte at a line start never completes a CR LF
        size_t chunk = kFirstRead;
        while (end > 0) {
            if (ShouldStop(chunk))
                return { from, false, true };
            const size_t want = size_t(std::min<FileOffset>(FileOffset(chunk), end));
            const FileOffset begin = end - FileOffset(want);
            const size_t before = begin > 0 ? 1 : 0;
            uint8_t* buf = Buffer(want + before);
            const size_t got = ReadAt(m_fd, begin - FileOffset(before), buf, want + before);
            if (got < want + before) // the file shrank: what is gone reads as zeros
                std::memset(buf + got, 0, want + before - got);
            const uint8_t* p = buf + before;
            const bool prevCR = before && buf[0] == '\r';
            uint64_t found = 0;
            const size_t q = scan::FindNthLineEndReverse(p, want, prevCR, need, found);
            if (q < want) {
                FileOffset start = begin + FileOffset(q) + 1;
                if (p[q] == '\r' && (q + 1 < want ? p[q + 1] == '\n' : nextIsLF))
                    ++start;
                return { { target, start }, false, false };
            }
            need -= found;
            nextIsLF = p[0] == '\n';
            end = begin;
            chunk = std::min(chunk * 4, kBlock);
        }
        return { { target, 0 }, false, false };
    }

    void LastLineFound(Anchor last)
    {
        if (m_textLast.line >= 0)
            return;
        m_textLast = last;
        if (!m_hexMode && m_events)
            m_events->ModelLineTotalFound(last.line + 1);
    }

    // Makes a position the current anchor and keeps the caret and far anchors.
    void NoteCurrent(Anchor result, Anchor previous)
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
    Anchor PositionOn(LineNumber target)
    {
        if (!m_open)
            return m_current;
        const LineNumber last = m_textLast.line;
        if (last >= 0 && target > last)
            target = last;
        if (m_fileSize == 0) {
            m_current = Anchor {};
            return m_current;
        }
        target = std::max<LineNumber>(target, 0);
        const Anchor previous = m_current;

        const LineNumber dCaret = m_caret.line >= 0 ? Distance(target, m_caret.line) : kNever;
        const LineNumber dLast = last >= 0 ? Distance(last, target) : kNever;
        const LineNumber dFar = Distance(target, m_far.line);
        const LineNumber dStart = target;
        const LineNumber dCurrent = Distance(target, m_current.line);
        Anchor from = m_current;
        if (dCaret < dLast && dCaret < dFar && dCaret < dCurrent && dCaret < dStart)
            from = m_caret;
        else if (dLast < dFar && dLast < dCurrent && dLast < dStart)
            from = m_textLast;
        else if (dFar < dCurrent && dFar < dStart)
            from = m_far;
        else if (dStart < dCurrent)
            from = Anchor {};
        const Anchor checkpoint = CheckpointFor(target);
        if (target - checkpoint.line < Distance(target, from.line))
            from = checkpoint;
        m_current = from;

        Hourglass hourglass(this, Distance(target, from.line) > kHourglassLines);
        WalkResult r { from, false, false };
        if (target > from.line)
            r = WalkForward(from, target);
        else if (target < from.line)
            r = WalkBackward(from, target);
        if (r.eof)
            LastLineFound(r.at);
        NoteCurrent(r.at, previous);
        return m_current;
    }

    // --- lines and rows ------------------------------------------------------------------------------

    const char* EmptyLine(int& len)
    {
        len = 0;
        return "";
    }

    // The cache entry holding the byte at offset, or -1 beyond what the file delivers.
    int PageFor(FileOffset offset, bool reuseCurrent)
    {
        const qint64 page = offset / kPageSize;
        int entry = m_cache.Current();
        if (!reuseCurrent || entry < 0 || m_cache.PageOf(entry) != page)
            entry = m_cache.Fetch(m_fd, page, m_fileSize);
        return offset - page * kPageSize < m_cache.ValidOf(entry) ? entry : -1;
    }

    void BuildTextLine(FileOffset offset)
    {
        int n = 0;
        FileOffset pos = offset;
        m_cache.ForgetCurrent();
        while (n < kMaxLineChars && pos < m_fileSize) {
            const int entry = PageFor(pos, true);
            if (entry < 0)
                break;
            const size_t inPage = size_t(pos % kPageSize);
            const uint8_t* from = m_cache.DataOf(entry) + inPage;
            const size_t avail = std::min(size_t(m_cache.ValidOf(entry)) - inPage, size_t(kMaxLineChars - n));
            const uint8_t* stop = scan::FindLineBreak(from, from + avail);
            for (const uint8_t* s = from; s < stop; ++s)
                m_lineBuffer[n++] = *s ? char(*s) : ' ';
            pos += stop - from;
            if (stop < from + avail)
                break;
        }
        m_lineBuffer[n] = 0;
        m_lineLength = n;
    }

    void BuildHexRow(LineNumber row)
    {
        static const char kDigits[] = "0123456789ABCDEF";
        const FileOffset offset = row * kHexRowBytes;
        std::memset(m_lineBuffer, ' ', kHexRowChars);
        m_lineBuffer[kHexRowChars] = 0;
        m_lineLength = kHexRowChars;
        // Eight digits, widened into the two blanks for files beyond 4 GiB.
        int digits = 8;
        while (digits < 10 && (uint64_t(offset) >> (4 * digits)) != 0)
            ++digits;
        for (int i = 0; i < digits; ++i)
            m_lineBuffer[digits - 1 - i] = kDigits[(uint64_t(offset) >> (4 * i)) & 15];
        const int entry = PageFor(offset, true);
        if (entry < 0)
            return;
        const size_t inPage = size_t(offset % kPageSize);
        const size_t count = std::min<size_t>(
            { size_t(kHexRowBytes), size_t(m_cache.ValidOf(entry)) - inPage, size_t(m_fileSize - offset) });
        const uint8_t* bytes = m_cache.DataOf(entry) + inPage;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t b = bytes[i];
            m_lineBuffer[10 + 3 * i] = kDigits[b >> 4];
            m_lineBuffer[11 + 3 * i] = kDigits[b & 15];
            const bool dot = b == 0 || (b == 9 && m_expandTabs) || (m_filterChars && (b < 32 || b > 127));
            m_lineBuffer[kHexCharColumn + i] = dot ? '.' : char(b);
        }
    }

    const char* LineText(LineNumber line, int& len)
    {
        m_stopped = false;
        if (!m_open || m_fileSize == 0 || line < 0)
            return EmptyLine(len);
        if (m_hexMode) {
            if (line > m_hexLast)
                return EmptyLine(len);
            if (line != m_bufferedLine) {
                m_bufferedLine = -1;
                BuildHexRow(line);
                m_bufferedLine = line;
            }
        } else {
            if (m_textLast.line >= 0 && line > m_textLast.line)
                return EmptyLine(len);
            if (line != m_bufferedLine) {
                m_bufferedLine = -1;
                const Anchor at = PositionOn(line);
                if (m_stopped)
                    return EmptyLine(len);
                BuildTextLine(at.offset);
                m_bufferedLine = line;
            }
        }
        len = m_lineLength;
        return m_lineBuffer;
    }

    LineNumber ClampLine(LineNumber line)
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

    // The line holding a byte that is no line break, and that line's start, from the nearest known position
    // at or below it.
    Anchor LineAtOffset(FileOffset offset)
    {
        Anchor from;
        auto consider = [&](Anchor a) {
            if (a.line >= 0 && a.offset <= offset && a.offset >= from.offset)
                from = a;
        };
        const auto it = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), offset,
            [](FileOffset o, const Anchor& a) { return o < a.offset; });
        if (it != m_checkpoints.begin())
            consider(*(it - 1));
        consider(m_current);
        consider(m_far);
        consider(m_caret);
        consider(m_textLast);
        Walker w(*this, from, kNever);
        size_t chunk = kFirstRead;
        while (w.Pos() < offset) {
            const FileOffset rs = w.Pos();
            const size_t want = size_t(std::min<FileOffset>(FileOffset(chunk), offset - rs + 1));
            uint8_t* p = Buffer(want);
            const size_t n = ReadAt(m_fd, rs, p, want);
            if (n == 0)
                break;
            w.Feed(p, n, rs, false, std::min(rs + FileOffset(n), offset));
            chunk = std::min(chunk * 4, kBlock);
        }
        w.FinishAtEof(); // the byte at offset is no LF
        return { w.Line(), w.Start() };
    }

    // --- searches ------------------------------------------------------------------------------------

    std::optional<SearchHit> FindText(const QByteArray& text, unsigned options, LineNumber fromLine, int fromIndex);
    std::optional<SearchHit> FindTextForward(THvSearchPattern& pattern, Anchor from, FileOffset firstStart);
    std::optional<SearchHit> FindTextBackward(THvSearchPattern& pattern, Anchor from, FileOffset limit);
    std::optional<SearchHit> FindBytes(const QByteArray& text, unsigned options, LineNumber caretRow);
};

std::optional<SearchHit> THvFileModel::Impl::FindText(
    const QByteArray& text, unsigned options, LineNumber fromLine, int fromIndex)
{
    m_stopped = false;
    m_bytesSincePoll = 0;
    if (!m_open)
        return std::nullopt;
    THvSearchPattern pattern(text, (options & soMatchCase) != 0, THvSearchPattern::Kind::TextLine);
    if (pattern.Empty())
        return std::nullopt;
    Hourglass hourglass(this, true);
    if (m_fileSize == 0)
        return std::nullopt;
    const bool backward = (options & soBackward) != 0;
    if (options & soWholeFile) {
        fromLine = backward ? kNever - 1 : 0;
        fromIndex = backward ? kMaxLineChars : 0;
    }
    fromIndex = std::max(fromIndex, 0);
    const Anchor from = PositionOn(std::max<LineNumber>(fromLine, 0));
    if (m_stopped)
        return std::nullopt;
    // Past the shown part of its line the caret's index stands for the line's end.
    BuildTextLine(from.offset);
    m_bufferedLine = m_hexMode ? -1 : from.line;
    const FileOffset caretAt = from.offset + std::min(fromIndex, m_lineLength);
    return backward ? FindTextBackward(pattern, from, caretAt) : FindTextForward(pattern, from, caretAt);
}

std::optional<SearchHit> THvFileModel::Impl::FindTextForward(
    THvSearchPattern& pattern, Anchor from, FileOffset firstStart)
{
    const FileOffset len = FileOffset(pattern.Length());
    // A text with a line break or longer than a shown line is never found, but the search still runs to
    // the end of the file, which settles the line total as any search that ends there does.
    const bool possible = !pattern.HasLineBreak() && len <= kMaxLineChars;
    bool probed = false;
    Walker w(*this, from, kNever);
    size_t chunk = kSearchFirstRead;
    for (;;) {
        if (ShouldStop(chunk)) {
            NoteCurrent({ w.Line(), w.Start() }, m_current);
            return std::nullopt;
        }
        const FileOffset rs = w.Pos();
        if (rs >= m_fileSize)
            break;
        const size_t want = size_t(std::min<FileOffset>(FileOffset(chunk), m_fileSize - rs));
        uint8_t* p = Buffer(want);
        const size_t n = ReadAt(m_fd, rs, p, want);
        if (n == 0)
            break;
        const bool eof = n < want || rs + FileOffset(n) >= m_fileSize;
        const FileOffset blockEnd = rs + FileOffset(n);
        // Candidate starts handled in this block; the rest come again at the start of the next one.
        const FileOffset candEnd = eof || !possible ? blockEnd : blockEnd - len + 1;
        if (possible) {
            if (!probed) {
                pattern.ChooseProbe(p, std::min(n, size_t(64) << 10));
                probed = true;
            }
            const FileOffset lo = std::max(rs, firstStart);
            const FileOffset hi = std::min(candEnd, blockEnd - len + 1);
            const uint8_t* const end = p + (hi - rs);
            const uint8_t* c = lo < hi ? pattern.NextCandidate(p + (lo - rs), end) : nullptr;
            while (c) {
                if (pattern.Matches(c)) {
                    const FileOffset at = rs + (c - p);
                    w.Feed(p, n, rs, eof, at);
                    const FileOffset index = at - w.Start();
                    if (index + len <= kMaxLineChars) {
                        NoteCurrent({ w.Line(), w.Start() }, m_current);
                        return SearchHit { w.Line(), int(index), w.Line(), int(index + len) };
                    }
                    // The rest of this line lies beyond its shown part: go on after its end.
                    c = scan::FindLineBreak(c, end);
                    if (c >= end)
                        break;
                }
                c = pattern.NextCandidate(c + 1, end);
            }
        }
        w.Feed(p, n, rs, eof, candEnd);
        if (eof)
            break;
        chunk = std::min(chunk * 4, kBlock);
    }
    w.FinishAtEof();
    LastLineFound({ w.Line(), w.Start() });
    NoteCurrent(m_textLast, m_current);
    return std::nullopt;
}

std::optional<SearchHit> THvFileModel::Impl::FindTextBackward(THvSearchPattern& pattern, Anchor from, FileOffset limit)
{
    const FileOffset len = FileOffset(pattern.Length());
    if (pattern.HasLineBreak() || len > kMaxLineChars || limit < len)
        return std::nullopt;
    constexpr FileOffset kHistory = kMaxLineChars + 1; // enough bytes before a candidate to find its line start
    bool probed = false;
    FileOffset candEnd = limit - len + 1; // candidate starts below this
    while (candEnd > 0) {
        if (ShouldStop(kBlock))
            return std::nullopt;
        const FileOffset candBegin = std::max<FileOffset>(0, candEnd - FileOffset(kBlock));
        const FileOffset rs = std::max<FileOffset>(0, candBegin - kHistory);
        const size_t want = size_t(candEnd + len - 1 - rs);
        uint8_t* p = Buffer(want);
        const size_t got = ReadAt(m_fd, rs, p, want);
        if (got < want) // the file shrank: what is gone reads as zeros
            std::memset(p + got, 0, want - got);
        if (!probed) {
            const size_t sample = std::min(want, size_t(64) << 10);
            pattern.ChooseProbe(p + (want - sample), sample);
            probed = true;
        }
        const uint8_t* lo = p + (candBegin - rs);
        const uint8_t* c = pattern.PrevCandidate(lo, p + (candEnd - rs));
        while (c) {
            if (!pattern.Matches(c)) {
                c = pattern.PrevCandidate(lo, c);
                continue;
            }
            const FileOffset at = rs + (c - p);
            const uint8_t* brk = scan::FindLastLineBreak(p, c);
            // Without a line break in the block its line began more than kHistory bytes before any candidate.
            if (!brk && rs > 0)
                break;
            const FileOffset lineStart = brk ? rs + (brk - p) + 1 : 0;
            if (at - lineStart + len <= kMaxLineChars) {
                const Anchor line = at >= from.offset ? from : LineAtOffset(at);
                NoteCurrent(line, m_current);
                const int index = int(at - lineStart);
                return SearchHit { line.line, index, line.line, index + int(len) };
            }
            // Only the shown part of this line can hold a match.
            const FileOffset shownEnd = lineStart + kMaxLineChars - len + 1;
            c = shownEnd > rs ? pattern.PrevCandidate(lo, std::min<const uint8_t*>(c, p + (shownEnd - rs))) : nullptr;
        }
        candEnd = candBegin;
    }
    return std::nullopt;
}

std::optional<SearchHit> THvFileModel::Impl::FindBytes(const QByteArray& text, unsigned options, LineNumber caretRow)
{
    m_stopped = false;
    m_bytesSincePoll = 0;
    if (!m_open)
        return std::nullopt;
    THvSearchPattern pattern(text, (options & soMatchCase) != 0, THvSearchPattern::Kind::RawBytes);
    if (pattern.Empty() || m_fileSize == 0)
        return std::nullopt;
    const FileOffset len = FileOffset(pattern.Length());
    const bool backward = (options & soBackward) != 0;
    caretRow = std::max<LineNumber>(caretRow, 0);
    FileOffset start;
    if (options & soWholeFile)
        start = backward ? m_fileSize - 1 : 0;
    else
        start = backward ? caretRow * kHexRowBytes - 1 : caretRow * kHexRowBytes + kHexRowBytes;
    auto hit = [](FileOffset s, FileOffset length) {
        const FileOffset t = s + length - 1;
        return SearchHit { s / kHexRowBytes, int(kHexCharColumn + s % kHexRowBytes), t / kHexRowBytes,
            int(kHexCharColumn + 1 + t % kHexRowBytes) };
    };
    bool probed = false;
    if (!backward) {
        FileOffset last = m_fileSize - len; // the highest candidate start
        if (start > last)
            return std::nullopt;
        Hourglass hourglass(this, last - start > kHourglassBytes);
        FileOffset candBegin = start;
        size_t chunk = kSearchFirstRead;
        while (candBegin <= last) {
            if (ShouldStop(chunk))
                return std::nullopt;
            const FileOffset candEnd = std::min(last + 1, candBegin + FileOffset(chunk));
            const size_t want = size_t(candEnd + len - 1 - candBegin);
            uint8_t* p = Buffer(want);
            const size_t got = ReadAt(m_fd, candBegin, p, want);
            FileOffset usable = candEnd;
            if (got < want) {
                last = candBegin + FileOffset(got) - len; // the file shrank: it ends here
                usable = std::min(usable, last + 1);
            }
            if (!probed) {
                pattern.ChooseProbe(p, std::min(got, size_t(64) << 10));
                probed = true;
            }
            const uint8_t* hi = p + std::max<FileOffset>(0, usable - candBegin);
            for (const uint8_t* c = pattern.NextCandidate(p, hi); c; c = pattern.NextCandidate(c + 1, hi)) {
                if (pattern.Matches(c))
                    return hit(candBegin + (c - p), len);
            }
            candBegin = candEnd;
            chunk = std::min(chunk * 4, kBlock);
        }
        return std::nullopt;
    }
    FileOffset candEnd = std::min(start, m_fileSize - 1) - len + 2; // candidate starts below this
    if (candEnd <= 0)
        return std::nullopt;
    Hourglass hourglass(this, candEnd - 1 > kHourglassBytes);
    size_t chunk = kSearchFirstRead;
    while (candEnd > 0) {
        if (ShouldStop(chunk))
            return std::nullopt;
        const FileOffset candBegin = std::max<FileOffset>(0, candEnd - FileOffset(chunk));
        const size_t want = size_t(candEnd + len - 1 - candBegin);
        uint8_t* p = Buffer(want);
        const size_t got = ReadAt(m_fd, candBegin, p, want);
        if (got < want)
            std::memset(p + got, 0, want - got);
        if (!probed) {
            const size_t sample = std::min(want, size_t(64) << 10);
            pattern.ChooseProbe(p + (want - sample), sample);
            probed = true;
        }
        for (const uint8_t* c = pattern.PrevCandidate(p, p + (candEnd - candBegin)); c;
             c = pattern.PrevCandidate(p, c)) {
            if (pattern.Matches(c))
                return hit(candBegin + (c - p), len);
        }
        candEnd = candBegin;
        chunk = std::min(chunk * 4, kBlock);
    }
    return std::nullopt;
}

// --- THvFileModel ------------------------------------------------------------------------------------

THvFileModel::THvFileModel(THvModelEvents* events)
    : d(std::make_unique<Impl>())
{
    d->m_events = events;
}

THvFileModel::~THvFileModel() = default;

void THvFileModel::SetEvents(THvModelEvents* events) { d->m_events = events; }

const QString& THvFileModel::FileName() const { return d->m_fileName; }
void THvFileModel::SetFileName(const QString& name) { d->m_fileName = name; }

void THvFileModel::Open()
{
    try {
        d->OpenFile();
    } catch (...) {
        d->CloseFile();
        throw;
    }
}

void THvFileModel::Close() { d->CloseFile(); }
bool THvFileModel::IsOpen() const { return d->m_open; }
FileOffset THvFileModel::FileSize() const { return d->m_fileSize; }

bool THvFileModel::InHexMode() const { return d->m_hexMode; }

void THvFileModel::SetInHexMode(bool hex)
{
    if (hex == d->m_hexMode)
        return;
    d->m_hexMode = hex;
    d->m_bufferedLine = -1;
}

bool THvFileModel::FilterChars() const { return d->m_filterChars; }

void THvFileModel::SetFilterChars(bool filter)
{
    if (filter == d->m_filterChars)
        return;
    d->m_filterChars = filter;
    d->m_bufferedLine = -1; // a cached hex row shows the old character column otherwise
}

bool THvFileModel::ExpandTabs() const { return d->m_expandTabs; }

void THvFileModel::SetExpandTabs(bool expand)
{
    if (expand == d->m_expandTabs)
        return;
    d->m_expandTabs = expand;
    d->m_bufferedLine = -1;
}

int THvFileModel::BufferPageCount() const { return d->m_cache.Count(); }
void THvFileModel::SetBufferPageCount(int count) { d->m_cache.Resize(count); }

LineNumber THvFileModel::LineTotal() const
{
    if (!d->m_open)
        return 0;
    const LineNumber last = d->m_hexMode ? d->m_hexLast : d->m_textLast.line;
    return last >= 0 ? last + 1 : kUndeterminedTotal;
}

LineNumber THvFileModel::ClampLine(LineNumber line) { return d->ClampLine(line); }

const char* THvFileModel::LineText(LineNumber line, int& len) { return d->LineText(line, len); }

std::optional<SearchHit> THvFileModel::FindText(
    const QByteArray& text, unsigned options, LineNumber fromLine, int fromIndex)
{
    return d->FindText(text, options, fromLine, fromIndex);
}

std::optional<SearchHit> THvFileModel::FindBytes(const QByteArray& text, unsigned options, LineNumber caretRow)
{
    return d->FindBytes(text, options, caretRow);
}

void THvFileModel::SetStopHook(std::function<bool()> hook) { d->m_stopHook = std::move(hook); }
bool THvFileModel::Stopped() const { return d->m_stopped; }
LineNumber THvFileModel::FarthestLine() const { return d->m_far.line; }

std::vector<THvPageInfo> THvFileModel::PageTable() const { return d->m_cache.Table(); }
quint16 THvFileModel::PageUseCounter() const { return d->m_cache.UseCounter(); }
int THvFileModel::CurrentPageEntry() const { return d->m_cache.Current(); }
LineNumber THvFileModel::CheckpointInterval() const { return d->m_checkpointInterval; }
int THvFileModel::CheckpointCount() const { return int(d->m_checkpoints.size()); }
void THvFileModel::SetCheckpointLimit(int entries) { d->m_checkpointLimit = std::max(entries, 2); }

} // namespace hy::viewer

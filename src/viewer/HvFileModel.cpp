// The viewer's file model: opening, the page cache, finding text lines from anchors and checkpoints,
// building text lines and hex rows, and the text and byte searches.
//
// Lines end at CR LF, CR alone or LF alone. A CR that is the very last byte of the file ends the last line
// without starting another; any other line end starts a new line, so a file ending in a line break has an
// empty last line. Scans read big blocks with pread into one reusable buffer and count line ends with
// vector code; the page cache serves the bytes of the lines and rows that are shown.
//
// A file may change while it is shown. A read that comes up short makes the model look at the file; when
// its size or time stamp changed, the model drops what it knew and answers from the file as it now is, so
// it never shows a line the file does not hold.
#include "viewer/HvFileModel.h"

#include "base/ErrorCodes.h"
#include "base/HyExceptions.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "viewer/HvLineCounter.h"
#include "viewer/HvModelIo.h"
#include "viewer/HvModelScan.h"
#include "viewer/HvPageCache.h"
#include "viewer/HvRegexSearch.h"
#include "viewer/HvTextSearch.h"

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
    // A line whose end lies this far from its start is remembered once its end is found.
    constexpr FileOffset kLongLineBytes = FileOffset(64) << 10;
    // A jump to the end leaves this much of the file uncounted behind it before the tail is numbered
    // from an estimate; less is simply scanned.
    constexpr FileOffset kDefaultTailBytes = FileOffset(32) << 20;
    // The tail's lines are walked to backward from its known lines up to this far; farther needs the count.
    constexpr LineNumber kTailWalkLines = LineNumber(1) << 20;
    constexpr FileOffset kTailCountBytes = FileOffset(256) << 20;

    struct Anchor {
        LineNumber line = 0;
        FileOffset offset = 0;
    };

    constexpr int kDefaultCheckpointLimit = int((size_t(1) << 20) / sizeof(Anchor));
    constexpr int kDefaultLongLineLimit = int((size_t(1) << 20) / sizeof(Anchor));

    // How far forward scans have got: the number of line ends before a byte position and where the line
    // holding that position starts. A scan that was stopped goes on from here.
    struct Frontier {
        LineNumber line = 0;
        FileOffset start = 0; // start of `line`, unknown while pending
        FileOffset pos = 0; // first byte not scanned yet
        bool prevCR = false; // the byte before pos is a CR
        bool pending = false; // a CR at pos - 1 ended a line; whether an LF follows is not known yet
    };

    // What identifies the file's contents: when any of it changes, the contents may have changed.
    struct FileStamp {
        FileOffset size = 0;
        qint64 modifiedNs = 0;
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const FileStamp&) const = default;
    };

    FileStamp StampOf(const struct stat& st)
    {
        return { FileOffset(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, st.st_dev,
            st.st_ino };
    }

    // Thrown by a read that came up short on a file that changed since it was opened.
    struct FileChanged { };

    int HexDigitsFor(FileOffset size)
    {
        const uint64_t last = size > 0 ? uint64_t(size - 1) : 0;
        int digits = kHexMinOffsetDigits;
        while (digits < 16 && (last >> (4 * digits)) != 0)
            ++digits;
        return digits;
    }

    LineNumber Distance(LineNumber a, LineNumber b) { return a > b ? a - b : b - a; }

} // namespace

struct THvFileModel::Impl {
    THvModelEvents* m_events = nullptr;
    QString m_fileName;
    int m_fd = -1;
    bool m_open = false;
    bool m_snapshot = false;
    FileStamp m_stamp;
    FileOffset m_fileSize = 0;
    QByteArray m_endSample; // the last bytes of the file as a followed file last was: a rewrite shows there
    bool m_hexMode = false;
    bool m_filterChars = true;
    bool m_expandTabs = false;
    int m_hexDigits = kHexMinOffsetDigits;
    TTextEncoding m_encoding = TTextEncoding::Auto; // the window's choice
    TTextEncoding m_effective = TTextEncoding::Windows1252; // what Auto found, or the choice
    scan::LineEnds m_ends;

    THvPageCache m_cache { 16 };

    char m_lineBuffer[kMaxLineChars + 1] = {};
    LineNumber m_bufferedLine = -1;
    int m_lineLength = 0;

    Anchor m_current;
    Anchor m_caret { -1, 0 };
    Anchor m_far;
    Anchor m_textLast { -1, 0 }; // last text line and its offset; line -1 while undetermined
    LineNumber m_hexLast = -1;
    Frontier m_frontier;

    // Checkpoints: entry i holds line i * interval. The table never grows past its limit: when full, every
    // second entry goes and the interval doubles.
    std::vector<Anchor> m_checkpoints;
    LineNumber m_checkpointInterval = kFirstCheckpointInterval;
    int m_checkpointLimit = kDefaultCheckpointLimit;
    // Starts of long lines and of the lines after them, by line. When full, every second entry goes.
    std::vector<Anchor> m_longLines;
    int m_longLineLimit = kDefaultLongLineLimit;

    THvAlignedBuffer m_bulk; // the one buffer of scans and searches
    std::function<bool()> m_stopHook;
    bool m_shareProbeCounts = false;
    TByteCounts m_probeCounts {};
    size_t m_probeCounted = 0;
    static constexpr size_t kProbeSample = size_t(64) << 10;
    bool m_stopped = false;
    FileOffset m_bytesSincePoll = 0;
    FileOffset m_bytesRead = 0;
    bool m_watchChanges = true; // a short read looks for a changed file

    // After a jump to the end of a large file whose lines are not all counted, the last lines are numbered
    // from an estimate (the tail) while a counter on its own thread finds the exact total. Lines up to
    // m_exactTop keep their exact numbers; no anchor with an exact number lies above it while the tail
    // lasts, so the line number alone tells the two numberings apart.
    bool m_tail = false;
    Anchor m_exactTop;
    LineNumber m_tailEstimate = 0; // the estimated number of the last line at the jump
    std::unique_ptr<THvLineCounter> m_counter;
    FileOffset m_tailBytes = kDefaultTailBytes;
    bool m_needsCount = false; // an operation stopped because it needs the exact numbers
    std::function<void()> m_countFinished;

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

    // How many bytes of a search's first block are counted to choose its probe byte.
    template <class P> void ChooseProbe(P& pattern, const uint8_t* sample, size_t n)
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

    uint8_t* Buffer(size_t n) { return m_bulk.Reserve(n); }

    // --- reading and changes on disk -----------------------------------------------------------------

    // True when the open file's size or time stamp differs from when it was opened, or (byName) its name
    // now stands for another file. A snapshot never changes.
    bool ChangedOnDisk(bool byName) const
    {
        if (!m_open || m_snapshot)
            return false;
        struct stat st { };
        if (::fstat(m_fd, &st) == 0 && !(StampOf(st) == m_stamp))
            return true;
        if (!byName)
            return false;
        // A name that is gone, or no longer a regular file, leaves the open file as what there is to show.
        if (::stat(platform::EncodeFileName(m_fileName).constData(), &st) != 0 || !S_ISREG(st.st_mode))
            return false;
        return st.st_dev != m_stamp.device || st.st_ino != m_stamp.inode;
    }

    void NoteShortRead()
    {
        if (m_watchChanges && ChangedOnDisk(false))
            throw FileChanged {};
    }

    size_t Read(FileOffset offset, uint8_t* buf, size_t n)
    {
        const size_t got = ReadAt(m_fd, offset, buf, n);
        m_bytesRead += FileOffset(got);
        if (got < n)
            NoteShortRead();
        return got;
    }

    // Runs one public operation. When a read in it finds that the file changed, the model starts over on
    // the file as it now is and the operation runs again; a file that keeps changing is read as it comes.
    template <class Op> auto Guarded(Op op) -> decltype(op())
    {
        struct Watch {
            bool& flag;
            ~Watch() { flag = true; }
        } watch { m_watchChanges };
        for (int attempt = 0;; ++attempt) {
            m_watchChanges = attempt < 2;
            try {
                return op();
            } catch (const FileChanged&) {
                Reload();
            }
        }
    }

    // Reads forward through the file into the scan buffer, in blocks that start small (so neighbouring
    // lines cost one small read) and grow to kBlock, polling the stop hook between blocks.
    class BlockReader {
    public:
        struct Block {
            const uint8_t* data = nullptr;
            size_t size = 0;
            FileOffset offset = 0;
            bool eof = false; // the file ends with this block
        };

        // Blocks end at limit at the latest (at most the file size).
        BlockReader(Impl& impl, size_t firstRead, FileOffset limit)
            : d(impl)
            , m_chunk(firstRead)
            , m_limit(std::min(limit, impl.m_fileSize))
        {
        }

        // The block that starts at from. False at the limit, at the end of the file, or when the stop hook
        // asked to stop (only polled when mayStop).
        bool Next(FileOffset from, bool mayStop, Block& block)
        {
            if (mayStop && d.ShouldStop(m_chunk)) {
                m_stopped = true;
                return false;
            }
            if (from >= m_limit)
                return false;
            const size_t want = size_t(std::min<FileOffset>(FileOffset(m_chunk), m_limit - from));
            uint8_t* p = d.Buffer(want);
            const size_t n = d.Read(from, p, want);
            if (n == 0)
                return false;
            block = { p, n, from, n < want || from + FileOffset(n) >= d.m_fileSize };
            m_chunk = std::min(m_chunk * 4, kBlock);
            return true;
        }

        bool Stopped() const { return m_stopped; }

    private:
        Impl& d;
        size_t m_chunk;
        FileOffset m_limit;
        bool m_stopped = false;
    };

    // --- open, close and reload ----------------------------------------------------------------------

    void CloseFile()
    {
        EndTail();
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_open = false;
        m_snapshot = false;
        m_fileSize = 0;
        m_bufferedLine = -1;
        m_lineLength = 0;
        m_cache.Clear();
    }

    // Opens FileName read-only and takes its facts; a pseudo file is read into a snapshot, whose handle is
    // returned instead. Throws the viewer's I/O errors.
    int OpenHandle(struct stat& st, bool& snapshot)
    {
        const QByteArray path = platform::EncodeFileName(m_fileName);
        // Not blocking: opening a pipe would otherwise wait for a writer.
        const int handle = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (handle < 0)
            ThrowViewerErrno(path.constData());
        if (::fstat(handle, &st) != 0) {
            const int code = platform::LastErrorCode();
            ::close(handle);
            ThrowViewerIoError(code);
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(handle);
            throw EInOutError(QStringLiteral("Viewer: not a regular file"), kErrorAccessDenied);
        }
        snapshot = false;
        // Files of /proc and /sys report sizes that say nothing about their content.
        const bool pseudo = IsOnPseudoFileSystem(handle);
        if (st.st_size == 0 || pseudo) {
            int memory = -1;
            try {
                memory = SnapshotIntoMemory(handle, kSnapshotLimit);
            } catch (...) {
                ::close(handle);
                throw;
            }
            // An ordinary file that was empty a moment ago and has been written to since (a log truncated
            // and written again) is no pseudo file: it is read as the growing file it is.
            struct stat now { };
            if (memory >= 0 && !pseudo && ::fstat(handle, &now) == 0 && now.st_size > 0) {
                ::close(memory);
                memory = -1;
                st = now;
            }
            if (memory >= 0) {
                ::close(handle);
                if (::fstat(memory, &st) != 0) {
                    const int code = platform::LastErrorCode();
                    ::close(memory);
                    ThrowViewerIoError(code);
                }
                snapshot = true;
                return memory;
            }
        }
        return handle;
    }

    void Adopt(int handle, const struct stat& st, bool snapshot)
    {
        m_fd = handle;
        m_open = true;
        m_snapshot = snapshot;
        m_stamp = StampOf(st);
        m_fileSize = FileOffset(st.st_size);
        m_hexLast = m_fileSize > 0 ? (m_fileSize - 1) / kHexRowBytes : -1;
        m_hexDigits = HexDigitsFor(m_fileSize);
        m_cache.Clear();
        m_bytesRead = 0;
        m_endSample = EndSample(m_fileSize);
        ResolveEncoding();
        ResetText();
    }

    // Everything known about text lines is dropped: they are found anew in the current encoding.
    void ResetText()
    {
        EndTail();
        m_bufferedLine = -1;
        m_lineLength = 0;
        m_current = Anchor {};
        m_caret = Anchor { -1, 0 };
        m_far = Anchor {};
        m_textLast = Anchor { -1, 0 };
        m_frontier = Frontier {};
        m_checkpoints.clear();
        m_checkpoints.push_back(Anchor {});
        m_checkpointInterval = kFirstCheckpointInterval;
        m_longLines.clear();
    }

    void ResolveEncoding()
    {
        m_effective = m_encoding;
        if (m_encoding == TTextEncoding::Auto) {
            const size_t n = size_t(std::min<FileOffset>(m_fileSize, FileOffset(kDetectBytes)));
            uint8_t* p = Buffer(std::max<size_t>(n, 1));
            const size_t got = n > 0 ? ReadAt(m_fd, 0, p, n) : 0;
            m_effective = DetectEncoding(p, got, FileOffset(got) < m_fileSize);
        }
        m_ends.unit = UnitSize(m_effective);
        m_ends.big = m_effective == TTextEncoding::Utf16BE;
    }

    void OpenFile()
    {
        if (m_fileName.isEmpty())
            return;
        CloseFile();
        Hourglass hourglass(this, true);
        struct stat st { };
        bool snapshot = false;
        const int handle = OpenHandle(st, snapshot);
        Adopt(handle, st, snapshot);
    }

    // Starts over on the file as it now is: reopened by its name, or, when the name no longer opens, the
    // open file as it now is. The presentation and its options stay.
    void Reload()
    {
        struct stat st { };
        bool snapshot = false;
        int handle = -1;
        try {
            handle = OpenHandle(st, snapshot);
        } catch (const EInOutError&) {
            handle = -1;
        }
        if (handle >= 0) {
            ::close(m_fd);
        } else if (::fstat(m_fd, &st) == 0) {
            handle = m_fd;
            snapshot = m_snapshot;
        } else {
            CloseFile();
        }
        m_fd = -1;
        if (handle >= 0)
            Adopt(handle, st, snapshot);
        if (m_events)
            m_events->ModelFileChanged();
    }

    // The bytes just before end, as the file holds them now.
    QByteArray EndSample(FileOffset end) const
    {
        constexpr FileOffset kSample = 256;
        const FileOffset from = std::max<FileOffset>(end - kSample, 0);
        QByteArray sample(int(end - from), Qt::Uninitialized);
        sample.truncate(int(ReadAt(m_fd, from, sample.data(), size_t(sample.size()))));
        return sample;
    }

    TFollowChange FollowFile()
    {
        if (!m_open || m_snapshot)
            return TFollowChange::None;
        struct stat st { };
        const bool named = ::stat(platform::EncodeFileName(m_fileName).constData(), &st) == 0 && S_ISREG(st.st_mode);
        if (named && (st.st_dev != m_stamp.device || st.st_ino != m_stamp.inode)) {
            Reload();
            return TFollowChange::Restarted;
        }
        if (::fstat(m_fd, &st) != 0)
            return TFollowChange::None;
        const FileStamp now = StampOf(st);
        if (now == m_stamp)
            return TFollowChange::None;
        // Shrunk, or rewritten in place (also when it was truncated and has grown past its old end since the
        // last look): what was known of it is wrong now.
        if (now.size <= m_fileSize || EndSample(m_fileSize) != m_endSample) {
            Reload();
            return TFollowChange::Restarted;
        }
        Grow(now);
        m_endSample = EndSample(m_fileSize);
        return TFollowChange::Grew;
    }

    // The file grew: its new end is taken, and the new lines after the known last one are counted.
    void Grow(const FileStamp& now)
    {
        m_stamp = now;
        m_fileSize = now.size;
        m_hexLast = (m_fileSize - 1) / kHexRowBytes;
        m_hexDigits = HexDigitsFor(m_fileSize);
        m_cache.Clear(); // the page that held the old end holds more now
        m_bufferedLine = -1;
        if (m_textLast.line < 0)
            return; // the total was not known: scans go on to the new end when asked
        Walker w(*this, m_textLast, kNever);
        const WalkResult r = WalkForward(w);
        if (!r.eof)
            return; // stopped: the old last line stays the last known
        m_textLast = r.at;
        if (!m_hexMode && m_events)
            m_events->ModelLineTotalFound(m_textLast.line + 1);
    }

    bool CheckFileChanged()
    {
        if (!ChangedOnDisk(true))
            return false;
        Reload();
        return true;
    }

    // --- the tail and its count -----------------------------------------------------------------------

    bool Provisional(LineNumber line) const { return m_tail && line > m_exactTop.line; }
    bool Usable(const Anchor& a, LineNumber target) const { return Provisional(a.line) == Provisional(target); }

    void NeedCount()
    {
        m_stopped = true;
        m_needsCount = true;
    }

    void EndTail()
    {
        m_counter.reset();
        m_tail = false;
        m_needsCount = false;
    }

    // A read handle of the counter's own, so that its reads and read-ahead never share a file position
    // or advice with the model's.
    int CounterHandle() const
    {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
        const int handle = ::open(self.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        return handle >= 0 ? handle : ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    }

    // The end of the file at once: when much of it lies beyond the counted lines, the last lines are
    // numbered from an estimate found by reading back from the end, and the count runs on its own thread.
    // True when that was done (or the total is known); otherwise the caller scans as usual.
    bool JumpToEnd()
    {
        m_stopped = false;
        if (!m_open || m_hexMode || m_fileSize == 0 || m_textLast.line >= 0)
            return m_textLast.line >= 0 || m_hexMode;
        Anchor top = m_far;
        if (!m_frontier.pending && m_frontier.line > top.line)
            top = { m_frontier.line, m_frontier.start };
        const int handle = m_fileSize - top.offset >= m_tailBytes ? CounterHandle() : -1;
        if (handle < 0)
            return false;
        const FileOffset u = m_ends.unit;
        FileOffset end = m_fileSize - m_fileSize % u;
        uint8_t tail[2] = {};
        if (end == m_fileSize && ReadRaw(end - u, tail, u) == u && m_ends.IsCR(tail))
            end -= u; // a CR as the last unit starts no line (before half a UTF-16 unit it does)
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
        if (r.stopped || r.at.offset <= top.offset) {
            ::close(handle); // the last line is one of the counted ones, or next to them: a scan finds it
            return false;
        }
        THvLineCounter::Setup setup;
        setup.Handle = handle;
        setup.Size = m_fileSize;
        setup.Unit = int(u);
        setup.BigEndian = m_ends.big;
        setup.Line = top.line;
        setup.Start = top.offset;
        setup.NextCheckpoint = NextCheckpointLine();
        setup.Interval = m_checkpointInterval;
        setup.CheckpointLimit = m_checkpointLimit;
        m_counter = std::make_unique<THvLineCounter>(setup, [this] {
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

    // Waits for the count, polling the stop hook; false when it asked to stop.
    bool WaitForCount()
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
    bool ApplyCount()
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
        auto shift = [&](Anchor& a) {
            if (a.line > m_exactTop.line)
                a.line += delta;
        };
        shift(m_textLast);
        shift(m_current);
        shift(m_caret);
        shift(m_far);
        for (Anchor& a : m_longLines)
            shift(a);
        std::sort(
            m_longLines.begin(), m_longLines.end(), [](const Anchor& a, const Anchor& b) { return a.line < b.line; });
        m_longLines.erase(std::unique(m_longLines.begin(), m_longLines.end(),
                              [](const Anchor& a, const Anchor& b) { return a.line == b.line; }),
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

    // --- checkpoints and long lines ------------------------------------------------------------------

    LineNumber NextCheckpointLine() const { return LineNumber(m_checkpoints.size()) * m_checkpointInterval; }

    void RecordCheckpoint(Anchor a)
    {
        m_checkpoints.push_back(a);
        if (int(m_checkpoints.size()) >= m_checkpointLimit)
            ThinCheckpoints();
    }

    void ThinCheckpoints()
    {
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

    void RememberLongLine(Anchor a)
    {
        const auto it = std::lower_bound(m_longLines.begin(), m_longLines.end(), a.line,
            [](const Anchor& x, LineNumber line) { return x.line < line; });
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
    std::optional<Anchor> NearestLongLine(LineNumber line) const
    {
        const auto it = std::lower_bound(
            m_longLines.begin(), m_longLines.end(), line, [](const Anchor& x, LineNumber l) { return x.line < l; });
        std::optional<Anchor> best;
        if (it != m_longLines.end())
            best = *it;
        if (it != m_longLines.begin() && (!best || Distance(line, (it - 1)->line) < Distance(line, best->line)))
            best = *(it - 1);
        return best;
    }

    // --- the line walker -----------------------------------------------------------------------------

    // Follows text lines forward through blocks of the file from a known position: counts line ends, stops
    // at a target line, records checkpoints and long lines on the way and notices where the last line starts.
    class Walker {
    public:
        Walker(Impl& impl, Anchor from, LineNumber target)
            : Walker(impl, Frontier { from.line, from.offset, from.offset, false, false }, target)
        {
        }

        Walker(Impl& impl, const Frontier& from, LineNumber target)
            : d(impl)
            , m_line(from.line)
            , m_start(from.start)
            , m_pos(from.pos)
            , m_target(target)
            , m_prevCR(from.prevCR)
            , m_pending(from.pending)
        {
            m_nextCheckpoint = d.NextCheckpointLine();
            if (m_line > m_nextCheckpoint || d.Provisional(m_line))
                m_nextCheckpoint = kNever;
            if (!m_pending)
                HandleStops();
        }

        LineNumber Line() const { return m_line; }
        FileOffset Start() const { return m_start; }
        FileOffset Pos() const { return m_pos; }
        bool Pending() const { return m_pending; }
        bool Reached() const { return m_line >= m_target && !m_pending; }
        Frontier State() const { return { m_line, m_start, m_pos, m_prevCR, m_pending }; }

        // Consumes the block [off, off + n) from Pos() up to `until` (at most off + n); Pos() must lie in the
        // block. eof tells that the file ends with this block. Returns true once the target line is reached.
        bool Feed(const uint8_t* p, size_t n, FileOffset off, bool eof, FileOffset until)
        {
            const scan::LineEnds& e = d.m_ends;
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

        // The file ended at Pos(): a CR still waiting for its next byte starts an empty last line.
        void FinishAtEof()
        {
            if (m_pending) {
                m_pending = false;
                m_start = m_pos;
                LineStarted();
            }
        }

    private:
        void SetStartAfter(const uint8_t* p, size_t n, FileOffset off, size_t q)
        {
            const scan::LineEnds& e = d.m_ends;
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

        // The line after a long line is remembered with it.
        void LineStarted()
        {
            if (!m_rememberStart)
                return;
            m_rememberStart = false;
            d.RememberLongLine({ m_line, m_start });
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
        bool m_rememberStart = false;
    };

    struct WalkResult {
        Anchor at;
        bool eof = false;
        bool stopped = false;
    };

    // A forward scan got this far: the next scan beyond it goes on from here.
    void NoteFrontier(const Walker& w)
    {
        if (m_textLast.line < 0 && w.Pos() > m_frontier.pos)
            m_frontier = w.State();
    }

    // Reads forward until the walker's target line or the end of the file.
    WalkResult WalkForward(Walker& w)
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
    WalkResult WalkBackward(Anchor from, LineNumber target)
    {
        if (target <= 0)
            return { Anchor {}, false, false };
        // Line `target` starts after the (from.line - target + 1)-th line end before `from`.
        uint64_t need = uint64_t(from.line - target) + 1;
        const scan::LineEnds& e = m_ends;
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

        // While the tail is numbered from an estimate, only anchors of the target's numbering serve.
        auto distance = [&](const Anchor& a) { return Usable(a, target) ? Distance(target, a.line) : kNever; };
        const LineNumber dCaret = m_caret.line >= 0 ? distance(m_caret) : kNever;
        const LineNumber dLast = last >= 0 ? distance(m_textLast) : kNever;
        const LineNumber dFar = distance(m_far);
        const LineNumber dStart = distance(Anchor {});
        const LineNumber dCurrent = distance(m_current);
        Anchor from = m_current;
        if (dCaret < dLast && dCaret < dFar && dCaret < dCurrent && dCaret < dStart)
            from = m_caret;
        else if (dLast < dFar && dLast < dCurrent && dLast < dStart)
            from = m_textLast;
        else if (dFar < dCurrent && dFar < dStart)
            from = m_far;
        else if (dStart < dCurrent)
            from = Anchor {};
        if (!Usable(from, target))
            from = Provisional(target) ? m_textLast : Anchor {};
        const Anchor checkpoint = CheckpointFor(target);
        if (!Provisional(target) && target - checkpoint.line < Distance(target, from.line))
            from = checkpoint;
        if (const std::optional<Anchor> remembered = NearestLongLine(target); remembered && Usable(*remembered, target)
            && Distance(target, remembered->line) < Distance(target, from.line))
            from = *remembered;
        // A tail line next to the exact ones, or far from every known tail line, is numbered by the count.
        if (Provisional(target) && (target <= m_exactTop.line + 1 || Distance(target, from.line) > kTailWalkLines)) {
            NeedCount();
            return m_current;
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
        if (!reuseCurrent || entry < 0 || m_cache.PageOf(entry) != page) {
            bool loaded = false;
            entry = m_cache.Fetch(m_fd, page, m_fileSize, &loaded);
            if (loaded)
                m_bytesRead += m_cache.ValidOf(entry);
        }
        const FileOffset inPage = offset - page * kPageSize;
        if (m_cache.ValidOf(entry) < std::clamp<FileOffset>(m_fileSize - page * kPageSize, 0, kPageSize))
            NoteShortRead();
        return inPage < m_cache.ValidOf(entry) ? entry : -1;
    }

    // Copies bytes of the file from offset into buf up to the first line break (at most n bytes, and no
    // more than the file holds); returns how many. Small reads go through the page cache.
    qint64 ReadText(FileOffset offset, uint8_t* buf, qint64 n)
    {
        n = std::min<qint64>(n, m_fileSize - offset);
        if (n <= 0)
            return 0;
        const qint64 got
            = n > qint64(kPageSize) * 2 ? qint64(Read(offset, buf, size_t(n))) : ReadCached(offset, buf, n);
        const uint8_t* stop = m_ends.FindBreak(buf, buf + got);
        // A UTF-16 text ends on a whole unit unless the file itself ends on half of one.
        qint64 text = stop - buf;
        if (stop == buf + got && m_ends.unit == 2 && got % 2 != 0 && offset + got < m_fileSize)
            --text;
        return text;
    }

    void BuildTextLine(FileOffset offset)
    {
        uint8_t* out = reinterpret_cast<uint8_t*>(m_lineBuffer);
        const int n = int(ReadText(offset, out, kMaxLineChars));
        for (int i = 0; i < n; ++i) {
            if (out[i] == 0)
                out[i] = ' ';
        }
        m_lineBuffer[n] = 0;
        m_lineLength = n;
    }

    void BuildHexRow(LineNumber row)
    {
        static const char kDigits[] = "0123456789ABCDEF";
        const FileOffset offset = row * kHexRowBytes;
        const int digits = m_hexDigits;
        const int bytesColumn = digits + 2;
        const int charColumn = HexCharColumn(digits);
        m_lineLength = HexRowChars(digits);
        std::memset(m_lineBuffer, ' ', size_t(m_lineLength));
        m_lineBuffer[m_lineLength] = 0;
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
            m_lineBuffer[bytesColumn + 3 * i] = kDigits[b >> 4];
            m_lineBuffer[bytesColumn + 1 + 3 * i] = kDigits[b & 15];
            const bool dot = b == 0 || (b == 9 && m_expandTabs) || (m_filterChars && (b < 32 || b > 127));
            m_lineBuffer[charColumn + i] = dot ? '.' : char(b);
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

    // The start of a text line (clamped to the known last line), or -1 when a stopped scan left it unknown.
    FileOffset LineStart(LineNumber line)
    {
        m_stopped = false;
        if (!m_open || m_fileSize == 0)
            return 0;
        const Anchor at = PositionOn(std::max<LineNumber>(line, 0));
        return m_stopped ? -1 : at.offset;
    }

    qint64 KnownLineSize(LineNumber line)
    {
        if (!m_open || line < 0)
            return -1;
        FileOffset start = -1;
        FileOffset next = -1;
        const Anchor known[] = { m_current, m_far, m_caret, m_textLast };
        auto look = [&](const Anchor& a) {
            if (a.line == line)
                start = a.offset;
            else if (a.line == line + 1)
                next = a.offset;
        };
        for (const Anchor& a : known)
            look(a);
        const auto it = std::lower_bound(
            m_longLines.begin(), m_longLines.end(), line, [](const Anchor& x, LineNumber l) { return x.line < l; });
        for (auto j = it; j != m_longLines.end() && j->line <= line + 1; ++j)
            look(*j);
        if (start < 0 || (m_tail && line == m_exactTop.line))
            return -1;
        const FileOffset u = m_ends.unit;
        uint8_t tail[4] = {};
        if (line == m_textLast.line) {
            // The last line runs to the end of the file, less a CR that ends it as the file's last unit; half a
            // UTF-16 unit after the last whole one is text of the last line.
            FileOffset end = m_fileSize;
            if (m_fileSize % u == 0 && end - start >= u && ReadCached(end - u, tail, u) == u && m_ends.IsCR(tail))
                end -= u;
            return std::max<FileOffset>(end - start, 0);
        }
        if (next < 0)
            return -1;
        // The line break before the next line: CR LF, CR or LF.
        FileOffset end = next - u;
        if (next - start >= 2 * u && ReadCached(next - 2 * u, tail, 2 * u) == 2 * u && m_ends.IsCR(tail)
            && m_ends.IsLF(tail + u))
            end -= u;
        return std::max<FileOffset>(end - start, 0);
    }

    // A few bytes through the page cache, which holds them when they were read lately.
    qint64 ReadCached(FileOffset offset, uint8_t* buf, qint64 n)
    {
        n = std::min<qint64>(n, m_fileSize - offset);
        qint64 got = 0;
        m_cache.ForgetCurrent();
        while (got < n) {
            const FileOffset pos = offset + got;
            const int entry = PageFor(pos, true);
            if (entry < 0)
                break;
            const size_t inPage = size_t(pos % kPageSize);
            const size_t avail = std::min(size_t(m_cache.ValidOf(entry)) - inPage, size_t(n - got));
            std::memcpy(buf + got, m_cache.DataOf(entry) + inPage, avail);
            got += qint64(avail);
        }
        return got;
    }

    // Bytes of a line's text from index from, up to its line end.
    qint64 ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n)
    {
        const FileOffset start = LineStart(line);
        if (start < 0 || n <= 0 || from < 0)
            return 0;
        if (m_textLast.line >= 0 && line > m_textLast.line)
            return 0;
        return ReadText(start + from, buf, n);
    }

    // The bytes of the file at offset, whatever they are; fewer at its end.
    qint64 ReadRaw(FileOffset offset, uint8_t* buf, qint64 n)
    {
        n = std::min<qint64>(n, m_fileSize - offset);
        if (n <= 0 || offset < 0)
            return 0;
        return qint64(Read(offset, buf, size_t(n)));
    }

    // The text line holding offset (a line break belongs to the line it ends) and where it starts.
    Anchor LineOfOffset(FileOffset offset)
    {
        m_stopped = false;
        if (!m_open || m_fileSize == 0)
            return Anchor {};
        offset = std::clamp<FileOffset>(offset, 0, m_fileSize);
        const FileOffset u = m_ends.unit;
        FileOffset at = offset - offset % u;
        // The LF of a CR LF belongs with its CR to the line they end.
        uint8_t pair[4] = {};
        if (at >= u && at < m_fileSize && ReadRaw(at - u, pair, 2 * u) == 2 * u && m_ends.IsCR(pair)
            && m_ends.IsLF(pair + u))
            at -= u;
        const Anchor a = LineAtOffset(at);
        if (m_stopped)
            return a;
        NoteCurrent(a, m_current);
        return a;
    }

    // The character column of a hex row: the character that starts at each byte, decoded in the current
    // encoding; the bytes after a character's first are blank. With the filter, bytes outside 32..127 show
    // as "." as they always did.
    std::vector<TCell> HexCharCells(LineNumber row)
    {
        std::vector<TCell> cells;
        if (!m_open || row < 0 || row > m_hexLast)
            return cells;
        const FileOffset offset = row * kHexRowBytes;
        const int count = int(std::min<FileOffset>(kHexRowBytes, m_fileSize - offset));
        const int charColumn = HexCharColumn(m_hexDigits);
        // Up to 3 bytes before the row tell whether a character started there; 3 after let the last one end.
        const FileOffset lead = std::min<FileOffset>(offset, 4);
        uint8_t buf[kHexRowBytes + 8] = {};
        const qint64 got = ReadRaw(offset - lead, buf, lead + count + 3);
        const uint8_t* p = buf + lead;
        const qint64 avail = got - lead;
        const TTextEncoding enc = m_effective;
        const int unit = UnitSize(enc);
        // Where the first character of the row starts: a sequence begun before the row covers its first bytes.
        int i = 0;
        if (m_filterChars) {
            // Every byte outside 32..127 is a dot, as it always was: no character spans bytes here.
        } else if (enc == TTextEncoding::Utf8) {
            for (int back = int(lead); back >= 1; --back) {
                const TDecodedChar d = DecodeChar(enc, p - back, size_t(avail + back));
                if (d.Valid && d.Length > back) {
                    i = d.Length - back;
                    break;
                }
            }
        } else if (unit == 2 && offset >= 2) {
            const TDecodedChar d = DecodeChar(enc, p - 2, size_t(avail + 2));
            if (d.Valid && d.Length == 4)
                i = 2;
        }
        for (int k = 0; k < i && k < count; ++k)
            cells.push_back(HexCell(charColumn + k, TCell::Blank, ' ', QString()));
        while (i < count) {
            const TDecodedChar d = DecodeChar(enc, p + i, size_t(std::max<qint64>(avail - i, 1)));
            const uint8_t b = p[i];
            if (m_filterChars && (b < 32 || b > 127)) {
                for (int k = 0; k < d.Length && i + k < count; ++k)
                    cells.push_back(HexCell(charColumn + i + k, TCell::Glyph, '.', QStringLiteral(".")));
            } else {
                TCell c;
                if (!d.Valid)
                    c = HexCell(charColumn + i,
                        enc == TTextEncoding::Windows1252 ? TCell::Placeholder : TCell::Replacement, d.Code, QString());
                else if (d.Code == 0 || (d.Code == '\t' && m_expandTabs))
                    c = HexCell(charColumn + i, TCell::Glyph, '.', QStringLiteral("."));
                else if (!IsDrawable(d.Code))
                    c = HexCell(charColumn + i, TCell::Placeholder, d.Code, QString());
                else if (CharCells(d.Code) == 0)
                    c = HexCell(charColumn + i, TCell::Glyph, d.Code, QStringLiteral(" ") + CharText(d.Code));
                else
                    c = HexCell(charColumn + i, TCell::Glyph, d.Code, CharText(d.Code));
                // A wide character may take the cell of the byte after its first when that byte is its own.
                c.Width = (CharCells(d.Code) == 2 && d.Length >= 2 && d.Valid) ? 2 : 1;
                cells.push_back(c);
                for (int k = 1; k < d.Length && i + k < count; ++k) {
                    if (k == 1 && c.Width == 2)
                        continue;
                    cells.push_back(HexCell(charColumn + i + k, TCell::Blank, ' ', QString()));
                }
            }
            i += d.Length;
        }
        return cells;
    }

    static TCell HexCell(int column, TCell::Kind kind, char32_t code, const QString& text)
    {
        TCell c;
        c.Column = column;
        c.Index = column;
        c.Length = 1;
        c.Width = 1;
        c.Type = kind;
        c.Code = code;
        c.Text = text;
        return c;
    }

    void SetEncoding(TTextEncoding encoding)
    {
        if (encoding == m_encoding)
            return;
        m_encoding = encoding;
        if (!m_open)
            return;
        const TTextEncoding before = m_effective;
        ResolveEncoding();
        // Lines are the same in every encoding of one-byte units; UTF-16 finds them anew.
        if (UnitSize(before) != UnitSize(m_effective) || m_ends.big != (before == TTextEncoding::Utf16BE))
            ResetText();
        m_bufferedLine = -1;
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
        auto atOrBelow = [offset](const std::vector<Anchor>& table) {
            const auto it = std::upper_bound(
                table.begin(), table.end(), offset, [](FileOffset o, const Anchor& a) { return o < a.offset; });
            return it != table.begin() ? *(it - 1) : Anchor {};
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
    Anchor TailLineAtOffset(FileOffset offset)
    {
        Anchor above = m_textLast;
        auto closer = [&](const Anchor& a) {
            if (Provisional(a.line) && a.offset >= offset && a.offset < above.offset)
                above = a;
        };
        closer(m_current);
        closer(m_far);
        closer(m_caret);
        for (const Anchor& a : m_longLines)
            closer(a);
        if (above.offset == offset)
            return above;
        if (above.offset - offset > kTailCountBytes) {
            NeedCount();
            return m_current;
        }
        const FileOffset u = m_ends.unit;
        uint8_t before[2] = {};
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

    // --- searches ------------------------------------------------------------------------------------

    template <class F>
    std::optional<SearchHit> WithPattern(const QString& text, bool matchCase, THvSearchPattern::Kind kind, F f);
    FileOffset TextSpan(FileOffset offset, qint64 max);
    std::optional<SearchHit> FindText(const QString& text, unsigned options, LineNumber fromLine, qint64 fromIndex);
    template <class P> std::optional<SearchHit> FindTextForward(P& pattern, Anchor from, FileOffset firstStart);
    template <class P> std::optional<SearchHit> FindTextBackward(P& pattern, Anchor from, FileOffset limit);
    std::optional<SearchHit> FindBytes(const QString& text, unsigned options, LineNumber caretRow);
    template <class P> std::optional<SearchHit> FindBytesWith(P& pattern, unsigned options, LineNumber caretRow);
};

template <class F>
auto THvFileModel::Impl::WithPattern(const QString& text, bool matchCase, THvSearchPattern::Kind kind, F f)
    -> std::optional<SearchHit>
{
    const qsizetype zero = text.indexOf(QChar(0));
    const QString cut = zero >= 0 ? text.left(zero) : text;
    if (cut.isEmpty())
        return std::nullopt;
    const TTextEncoding enc = m_effective;
    if (IsEightBit(enc)) {
        bool ok = false;
        const QByteArray bytes = EncodeText(enc, cut, &ok);
        if (!ok)
            return std::nullopt; // a character the encoding cannot hold is in no line
        THvSearchPattern pattern(
            bytes, matchCase, kind, enc == TTextEncoding::Windows1252 ? AnsiUpperTable() : Latin1FoldTable());
        return f(pattern);
    }
    const bool ascii = std::all_of(cut.cbegin(), cut.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (enc == TTextEncoding::Utf8 && (matchCase || ascii)) {
        // Bytes compare as they are; without match case ASCII letters fold, which is their simple folding too.
        THvSearchPattern pattern(cut.toUtf8(), matchCase, kind, AsciiUpperTable());
        return f(pattern);
    }
    THvCharPattern pattern(CharForms(cut, enc, matchCase), UnitSize(enc));
    if (pattern.Empty())
        return std::nullopt;
    return f(pattern);
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

std::optional<SearchHit> THvFileModel::Impl::FindText(
    const QString& text, unsigned options, LineNumber fromLine, qint64 fromIndex)
{
    m_stopped = false;
    m_bytesSincePoll = 0;
    if (!m_open)
        return std::nullopt;
    return WithPattern(text, (options & soMatchCase) != 0, THvSearchPattern::Kind::TextLine,
        [&](auto& pattern) -> std::optional<SearchHit> {
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
            const Anchor from = PositionOn(std::max<LineNumber>(line, 0));
            if (m_stopped)
                return std::nullopt;
            // Past the end of its line the caret's index stands for the line's end.
            const FileOffset caretAt = from.offset + (index > 0 ? TextSpan(from.offset, index) : 0);
            m_bufferedLine = -1;
            return backward ? FindTextBackward(pattern, from, caretAt) : FindTextForward(pattern, from, caretAt);
        });
}

template <class P>
std::optional<SearchHit> THvFileModel::Impl::FindTextForward(P& pattern, Anchor from, FileOffset firstStart)
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
            while (c) {
                const FileOffset at = rs + (c - p);
                if (pattern.Aligned(at)) {
                    if (const size_t matched = pattern.MatchLength(c, size_t(blockEnd - at))) {
                        w.Feed(p, b.size, rs, b.eof, at);
                        const qint64 index = at - w.Start();
                        NoteFrontier(w);
                        NoteCurrent({ w.Line(), w.Start() }, m_current);
                        return SearchHit { w.Line(), index, w.Line(), index + qint64(matched) };
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

template <class P>
std::optional<SearchHit> THvFileModel::Impl::FindTextBackward(P& pattern, Anchor from, FileOffset limit)
{
    const FileOffset len = FileOffset(pattern.MaxLength());
    if (pattern.HasLineBreak() || limit <= 0)
        return std::nullopt;
    bool probed = false;
    FileOffset candEnd = limit; // candidate starts below this; a match ends at limit at the latest
    while (candEnd > 0) {
        if (ShouldStop(kBlock))
            return std::nullopt;
        const FileOffset candBegin = std::max<FileOffset>(0, candEnd - FileOffset(kBlock));
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
        for (const uint8_t* c = pattern.PrevCandidate(p, p + (candEnd - candBegin)); c;
             c = pattern.PrevCandidate(p, c)) {
            const FileOffset at = candBegin + (c - p);
            if (!pattern.Aligned(at))
                continue;
            // A match ends at limit at the latest.
            const size_t matched = pattern.MatchLength(c, size_t(limit - at));
            if (matched == 0)
                continue;
            const Anchor line = at >= from.offset ? from : LineAtOffset(at);
            if (m_stopped)
                return std::nullopt;
            NoteCurrent(line, m_current);
            const qint64 index = at - line.offset;
            return SearchHit { line.line, index, line.line, index + qint64(matched) };
        }
        candEnd = candBegin;
    }
    return std::nullopt;
}

std::optional<SearchHit> THvFileModel::Impl::FindBytes(const QString& text, unsigned options, LineNumber caretRow)
{
    m_stopped = false;
    m_bytesSincePoll = 0;
    if (!m_open || m_fileSize == 0)
        return std::nullopt;
    return WithPattern(text, (options & soMatchCase) != 0, THvSearchPattern::Kind::RawBytes,
        [&](auto& pattern) { return FindBytesWith(pattern, options, caretRow); });
}

template <class P>
std::optional<SearchHit> THvFileModel::Impl::FindBytesWith(P& pattern, unsigned options, LineNumber caretRow)
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
        return SearchHit { s / kHexRowBytes, qint64(charColumn + s % kHexRowBytes), t / kHexRowBytes,
            qint64(charColumn + 1 + t % kHexRowBytes) };
    };
    bool probed = false;
    if (!backward) {
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
            for (const uint8_t* c = pattern.NextCandidate(p, hi); c; c = pattern.NextCandidate(c + 1, hi)) {
                const FileOffset at = candBegin + (c - p);
                if (!pattern.Aligned(at))
                    continue;
                if (const size_t matched = pattern.MatchLength(c, got - size_t(c - p)))
                    return hit(at, FileOffset(matched));
            }
            candBegin = candEnd;
            chunk = std::min(chunk * 4, kBlock);
        }
        return std::nullopt;
    }
    const FileOffset matchEnd = std::min(start, m_fileSize - 1) + 1; // a match ends here at the latest
    FileOffset candEnd = matchEnd - shortest + 1; // candidate starts below this
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
        const size_t got = Read(candBegin, p, want);
        if (got < want)
            std::memset(p + got, 0, want - got);
        if (!probed) {
            const size_t sample = std::min(want, kProbeSample);
            ChooseProbe(pattern, p + (want - sample), sample);
            probed = true;
        }
        for (const uint8_t* c = pattern.PrevCandidate(p, p + (candEnd - candBegin)); c;
             c = pattern.PrevCandidate(p, c)) {
            const FileOffset at = candBegin + (c - p);
            if (!pattern.Aligned(at))
                continue;
            if (const size_t matched = pattern.MatchLength(c, size_t(matchEnd - at)))
                return hit(at, FileOffset(matched));
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
    // Every open reads its first 64 KiB into this buffer to tell the encoding: it is made ready once here.
    std::memset(d->Buffer(kDetectBytes), 0, kDetectBytes);
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
bool THvFileModel::IsSnapshot() const { return d->m_snapshot; }
bool THvFileModel::CheckFileChanged() { return d->CheckFileChanged(); }

TFollowChange THvFileModel::FollowFile()
{
    return d->Guarded([&] { return d->FollowFile(); });
}

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

int THvFileModel::HexOffsetDigits() const { return d->m_hexDigits; }

LineNumber THvFileModel::LineTotal() const
{
    if (!d->m_open)
        return 0;
    const LineNumber last = d->m_hexMode ? d->m_hexLast : d->m_textLast.line;
    return last >= 0 ? last + 1 : kUndeterminedTotal;
}

LineNumber THvFileModel::ClampLine(LineNumber line)
{
    return d->Guarded([&] { return d->ClampLine(line); });
}

const char* THvFileModel::LineText(LineNumber line, int& len)
{
    return d->Guarded([&] { return d->LineText(line, len); });
}

std::optional<SearchHit> THvFileModel::FindText(
    const QString& text, unsigned options, LineNumber fromLine, qint64 fromIndex)
{
    if (options & soRegex)
        return FindRegex(*this, text, options, fromLine, fromIndex);
    return d->Guarded([&] { return d->FindText(text, options, fromLine, fromIndex); });
}

std::optional<SearchHit> THvFileModel::FindBytes(const QString& text, unsigned options, LineNumber caretRow)
{
    if (options & soRegex)
        return std::nullopt; // patterns match text lines, not dump rows
    return d->Guarded([&] { return d->FindBytes(text, options, caretRow); });
}

TTextEncoding THvFileModel::Encoding() const { return d->m_encoding; }
void THvFileModel::SetEncoding(TTextEncoding encoding) { d->SetEncoding(encoding); }
TTextEncoding THvFileModel::EffectiveEncoding() const { return d->m_effective; }

FileOffset THvFileModel::LineStart(LineNumber line)
{
    return d->Guarded([&] { return d->LineStart(line); });
}

qint64 THvFileModel::KnownLineSize(LineNumber line)
{
    return d->Guarded([&] { return d->KnownLineSize(line); });
}

qint64 THvFileModel::ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n)
{
    return d->Guarded([&] { return d->ReadLine(line, from, buf, n); });
}

LineNumber THvFileModel::LineOfOffset(FileOffset offset, FileOffset* start)
{
    const auto a = d->Guarded([&] { return d->LineOfOffset(offset); });
    if (start)
        *start = a.offset;
    return a.line;
}

qint64 THvFileModel::ReadRaw(FileOffset offset, uint8_t* buf, qint64 n)
{
    return d->Guarded([&] { return d->ReadRaw(offset, buf, n); });
}

std::vector<TCell> THvFileModel::HexCharCells(LineNumber row)
{
    return d->Guarded([&] { return d->HexCharCells(row); });
}

bool THvFileModel::JumpToEnd()
{
    return d->Guarded([&] { return d->JumpToEnd(); });
}

bool THvFileModel::CountingLines() const { return d->m_tail; }
LineNumber THvFileModel::ExactLineLimit() const { return d->m_tail ? d->m_exactTop.line : kUndeterminedTotal; }
bool THvFileModel::LineNumberKnown(LineNumber line) const { return !d->Provisional(line); }

double THvFileModel::CountProgress() const
{
    if (!d->m_tail || !d->m_counter)
        return 1.0;
    const FileOffset total = d->m_counter->BytesTotal();
    return total > 0 ? double(d->m_counter->BytesDone()) / double(total) : 1.0;
}

bool THvFileModel::NeedsLineCount() const { return d->m_tail && d->m_needsCount && d->m_stopped; }
bool THvFileModel::WaitForLineCount() { return d->WaitForCount(); }

bool THvFileModel::ApplyLineCount()
{
    return d->Guarded([&] { return d->ApplyCount(); });
}

void THvFileModel::SetCountFinishedHook(std::function<void()> hook) { d->m_countFinished = std::move(hook); }
void THvFileModel::SetTailThreshold(FileOffset bytes) { d->m_tailBytes = std::max<FileOffset>(bytes, 1); }

void THvFileModel::SetStopHook(std::function<bool()> hook) { d->m_stopHook = std::move(hook); }
bool THvFileModel::AskStop()
{
    if (d->m_stopHook && d->m_stopHook())
        d->m_stopped = true;
    return d->m_stopped;
}

void THvFileModel::ShareProbeCounts(bool share)
{
    d->m_shareProbeCounts = share;
    d->m_probeCounts = {};
    d->m_probeCounted = 0;
}
bool THvFileModel::Stopped() const { return d->m_stopped; }
LineNumber THvFileModel::FarthestLine() const { return d->m_far.line; }

std::vector<THvPageInfo> THvFileModel::PageTable() const { return d->m_cache.Table(); }
quint16 THvFileModel::PageUseCounter() const { return d->m_cache.UseCounter(); }
int THvFileModel::CurrentPageEntry() const { return d->m_cache.Current(); }
LineNumber THvFileModel::CheckpointInterval() const { return d->m_checkpointInterval; }
int THvFileModel::CheckpointCount() const { return int(d->m_checkpoints.size()); }
void THvFileModel::SetCheckpointLimit(int entries) { d->m_checkpointLimit = std::max(entries, 2); }
int THvFileModel::LongLineCount() const { return int(d->m_longLines.size()); }
void THvFileModel::SetLongLineLimit(int entries) { d->m_longLineLimit = std::max(entries, 2); }
FileOffset THvFileModel::BytesRead() const { return d->m_bytesRead; }

} // namespace hy::viewer

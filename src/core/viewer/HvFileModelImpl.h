// The inside of the viewer's file model, shared by its parts (opening and reading, text lines, searches);
// private to the model: nothing outside it includes this header.
#pragma once

#include "core/compress/DecodedSource.h"
#include "core/viewer/HvFileModel.h"
#include "core/viewer/HvLineCounter.h"
#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvModelScan.h"
#include "core/viewer/HvPageCache.h"
#include "core/viewer/HvTextSearch.h"

#include <limits>
#include <sys/stat.h>

namespace hy::viewer {

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

struct TAnchor {
    LineNumber line = 0;
    FileOffset offset = 0;
};

constexpr int kDefaultCheckpointLimit = int((size_t(1) << 20) / sizeof(TAnchor));
constexpr int kDefaultLongLineLimit = int((size_t(1) << 20) / sizeof(TAnchor));

// How far forward scans have got: the number of line ends before a byte position and where the line
// holding that position starts. A scan that was stopped goes on from here.
struct TFrontier {
    LineNumber line = 0;
    FileOffset start = 0; // start of `line`, unknown while pending
    FileOffset pos = 0; // first byte not scanned yet
    bool prevCR = false; // the byte before pos is a CR
    bool pending = false; // a CR at pos - 1 ended a line; whether an LF follows is not known yet
};

// What identifies the file's contents: when any of it changes, the contents may have changed.
struct TFileStamp {
    FileOffset size = 0;
    qint64 modifiedNs = 0;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const TFileStamp&) const = default;
};

inline TFileStamp StampOf(const struct stat& st)
{
    return { FileOffset(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, st.st_dev,
        st.st_ino };
}

// Thrown by a read that came up short on a file that changed since it was opened.
struct TFileChanged { };

inline int HexDigitsFor(FileOffset size)
{
    const uint64_t last = size > 0 ? uint64_t(size - 1) : 0;
    int digits = kHexMinOffsetDigits;
    while (digits < 16 && (last >> (4 * digits)) != 0)
        ++digits;
    return digits;
}

inline LineNumber Distance(LineNumber a, LineNumber b) { return a > b ? a - b : b - a; }

struct THvFileModel::Impl {
    THvModelEvents* m_events = nullptr;
    QString m_fileName;
    platform::TFileDescriptor m_fd;
    bool m_decode = false; // a compressed file is shown decompressed
    // The decoded bytes shown instead of the file's own: m_fd stays the compressed file, whose stamp tells of
    // changes on disk, while m_fileSize follows the decoding.
    std::shared_ptr<compress::TDecodedSource> m_decoded;
    THvSourceRef Source() const { return { m_fd, m_decoded.get() }; }
    bool m_open = false;
    bool m_snapshot = false;
    TFileStamp m_stamp;
    FileOffset m_fileSize = 0;
    QByteArray m_endSample; // the last bytes of the file as a followed file last was: a rewrite shows there
    bool m_hexMode = false;
    bool m_filterChars = true;
    bool m_expandTabs = false;
    int m_hexDigits = kHexMinOffsetDigits;
    TTextEncoding m_encoding = TTextEncoding::Auto; // the window's choice
    TTextEncoding m_effective = TTextEncoding::Windows1252; // what Auto found, or the choice
    scan::TLineEnds m_ends;

    THvPageCache m_cache { 16 };

    char m_lineBuffer[kMaxLineChars + 1] = {};
    LineNumber m_bufferedLine = -1;
    int m_lineLength = 0;

    TAnchor m_current;
    TAnchor m_caret { -1, 0 };
    TAnchor m_far;
    TAnchor m_textLast { -1, 0 }; // last text line and its offset; line -1 while undetermined
    LineNumber m_hexLast = -1;
    TFrontier m_frontier;

    // Checkpoints: entry i holds line i * interval. The table never grows past its limit: when full, every
    // second entry goes and the interval doubles.
    std::vector<TAnchor> m_checkpoints;
    LineNumber m_checkpointInterval = kFirstCheckpointInterval;
    int m_checkpointLimit = kDefaultCheckpointLimit;
    // Starts of long lines and of the lines after them, by line. When full, every second entry goes.
    std::vector<TAnchor> m_longLines;
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
    TAnchor m_exactTop;
    LineNumber m_tailEstimate = 0; // the estimated number of the last line at the jump
    std::unique_ptr<THvLineCounter> m_counter;
    FileOffset m_tailBytes = kDefaultTailBytes;
    bool m_needsCount = false; // an operation stopped because it needs the exact numbers
    std::function<void()> m_countFinished;

    ~Impl() { CloseFile(); }

    // --- events (HvFileModel.cpp, as far as the next part that names its file) --------------------------

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

    bool ShouldStop(size_t bytes);
    uint8_t* Buffer(size_t n) { return m_bulk.Reserve(n); }

    // --- reading and changes on disk -----------------------------------------------------------------

    bool ChangedOnDisk(bool byName) const;
    void NoteShortRead();
    size_t Read(FileOffset offset, uint8_t* buf, size_t n);
    template <class Op> auto Guarded(Op op) -> decltype(op());

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

    void CloseFile();
    platform::TFileDescriptor OpenHandle(
        struct stat& st, bool& snapshot, std::shared_ptr<compress::TDecodedSource>& decoded);
    std::shared_ptr<compress::TDecodedSource> OpenDecoded(const platform::TFileDescriptor& handle);
    void Adopt(platform::TFileDescriptor handle, const struct stat& st, bool snapshot,
        std::shared_ptr<compress::TDecodedSource> decoded);
    void ResetText();
    void ResolveEncoding();
    void OpenFile();
    void Reload();
    QByteArray EndSample(FileOffset end) const;
    TFollowChange FollowFile();
    TFollowChange FollowDecoded();
    bool AwaitDecoded();
    void Grow(FileOffset size);
    bool CheckFileChanged();

    // --- the tail and its count (HvModelLines.cpp, up to lines and rows) --------------------------------

    bool Provisional(LineNumber line) const { return m_tail && line > m_exactTop.line; }
    bool Usable(const TAnchor& a, LineNumber target) const { return Provisional(a.line) == Provisional(target); }

    void NeedCount();
    void EndTail();
    platform::TFileDescriptor CounterHandle() const;
    bool JumpToEnd();
    bool JumpToDecodedEnd();
    bool WaitForCount();
    bool ApplyCount();

    // --- checkpoints and long lines ------------------------------------------------------------------

    LineNumber NextCheckpointLine() const { return LineNumber(m_checkpoints.size()) * m_checkpointInterval; }

    void RecordCheckpoint(TAnchor a);
    void ThinCheckpoints();
    TAnchor CheckpointFor(LineNumber line) const;
    void RememberLongLine(TAnchor a);
    std::optional<TAnchor> NearestLongLine(LineNumber line) const;

    // --- the line walker -----------------------------------------------------------------------------

    // Follows text lines forward through blocks of the file from a known position: counts line ends, stops
    // at a target line, records checkpoints and long lines on the way and notices where the last line starts.
    class Walker {
    public:
        Walker(Impl& impl, TAnchor from, LineNumber target)
            : Walker(impl, TFrontier { from.line, from.offset, from.offset, false, false }, target)
        {
        }

        Walker(Impl& impl, const TFrontier& from, LineNumber target)
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
        TFrontier State() const { return { m_line, m_start, m_pos, m_prevCR, m_pending }; }

        // Consumes the block [off, off + n) from Pos() up to `until` (at most off + n); Pos() must lie in the
        // block. eof tells that the file ends with this block. Returns true once the target line is reached.
        bool Feed(const uint8_t* p, size_t n, FileOffset off, bool eof, FileOffset until);

        // The file ended at Pos(): a CR still waiting for its next byte starts an empty last line.
        void FinishAtEof();

    private:
        void SetStartAfter(const uint8_t* p, size_t n, FileOffset off, size_t q);

        // The line after a long line is remembered with it.
        void LineStarted();

        bool HandleStops();

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
        TAnchor at;
        bool eof = false;
        bool stopped = false;
    };

    void NoteFrontier(const Walker& w);
    WalkResult WalkForward(Walker& w);
    WalkResult WalkBackward(TAnchor from, LineNumber target);
    void LastLineFound(TAnchor last);
    void NoteCurrent(TAnchor result, TAnchor previous);
    TAnchor PositionOn(LineNumber target);
    LineNumber ClampLine(LineNumber line);
    FileOffset LineStart(LineNumber line);
    TAnchor LineOfOffset(FileOffset offset);
    TAnchor LineAtOffset(FileOffset offset);
    TAnchor TailLineAtOffset(FileOffset offset);

    // --- lines and rows (HvFileModel.cpp) ---------------------------------------------------------------

    const char* EmptyLine(int& len);
    int PageFor(FileOffset offset, bool reuseCurrent);
    qint64 ReadText(FileOffset offset, uint8_t* buf, qint64 n);
    void BuildTextLine(FileOffset offset);
    void BuildHexRow(LineNumber row);
    const char* LineText(LineNumber line, int& len);
    qint64 KnownLineSize(LineNumber line);
    qint64 ReadCached(FileOffset offset, uint8_t* buf, qint64 n);
    qint64 ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n);
    qint64 ReadRaw(FileOffset offset, uint8_t* buf, qint64 n);
    std::vector<TCell> HexCharCells(LineNumber row);
    static TCell HexCell(int column, TCell::Kind kind, char32_t code, const QString& text);
    void SetEncoding(TTextEncoding encoding);

    // --- searches (HvModelSearch.cpp) -------------------------------------------------------------------

    template <class F>
    std::optional<TSearchHit> WithPattern(const QString& text, bool matchCase, THvSearchPattern::Kind kind, F f);
    template <class P> void ChooseProbe(P& pattern, const uint8_t* sample, size_t n);
    FileOffset TextSpan(FileOffset offset, qint64 max);
    std::optional<TSearchHit> FindText(const QString& text, unsigned options, LineNumber fromLine, qint64 fromIndex);
    template <class P> std::optional<TSearchHit> FindTextForward(P& pattern, TAnchor from, FileOffset firstStart);
    // Whether a candidate match at offset at (in the bytes p read from offset pos up to end) starts where a
    // character does; in a multi-byte code page the bytes before it tell, read from the file when p holds
    // too few of them. known carries a character start in p from one candidate to the next (see
    // CharStartAt); null it for each new p.
    template <class P>
    bool StartsChar(
        const P& pattern, const uint8_t* p, FileOffset pos, FileOffset at, FileOffset end, const uint8_t*& known);
    // The first character start at or after at, found from the bytes before it in the file; -1 when the
    // file ended before at.
    template <class P> FileOffset CharStartInFile(const P& pattern, FileOffset at);
    // Which of the n bytes at p (read from offset pos) start a character.
    template <class P> std::vector<bool> CharStarts(const P& pattern, const uint8_t* p, FileOffset pos, size_t n);
    template <class P> std::optional<TSearchHit> FindTextBackward(P& pattern, TAnchor from, FileOffset limit);
    template <class P, class F>
    std::optional<TSearchHit> ScanBackward(
        P& pattern, FileOffset candEnd, FileOffset matchEnd, size_t firstChunk, F found);
    std::optional<TSearchHit> FindBytes(const QString& text, unsigned options, LineNumber caretRow);
    template <class P> std::optional<TSearchHit> FindBytesWith(P& pattern, unsigned options, LineNumber caretRow);
};

// Runs one public operation. When a read in it finds that the file changed, the model starts over on
// the file as it now is and the operation runs again; a file that keeps changing is read as it comes.
template <class Op> auto THvFileModel::Impl::Guarded(Op op) -> decltype(op())
{
    struct Watch {
        bool& flag;
        ~Watch() { flag = true; }
    } watch { m_watchChanges };
    for (int attempt = 0;; ++attempt) {
        m_watchChanges = attempt < 2;
        try {
            return op();
        } catch (const TFileChanged&) {
            Reload();
        }
    }
}

} // namespace hy::viewer

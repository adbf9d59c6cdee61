// Matches of the find bar's pattern: the matcher that finds them within one line (for the highlight on
// screen and for the scans), the compact list of matching lines behind the filter pane, and the scan that
// counts matches or collects matching lines on a thread of its own. The scan reads through a reader of
// its own and touches nothing but its own state; the owner polls it from its thread.
#pragma once

#include "core/viewer/HvEncoding.h"
#include "core/viewer/HvModelScan.h"
#include "core/viewer/HvTextSearch.h"
#include "core/viewer/HvTypes.h"

#include <QRegularExpression>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace hy::viewer {

// What the find bar looks for.
struct TMatchQuery {
    QString Text;
    bool MatchCase = false;
    bool WholeWord = false; // no letter, digit or underscore borders a match
    bool Regex = false;
    bool operator==(const TMatchQuery&) const = default;

    // The text and option bits (soMatchCase, soRegex) of the viewer's Find for this query: a whole-word query
    // is a regular expression that no word character borders.
    QString FindText() const;
    unsigned FindOptions() const;
};

// A match within a line: byte indexes [From, To).
struct TMatchSpan {
    qint64 From = 0;
    qint64 To = 0;
    bool operator==(const TMatchSpan&) const = default;
};

// Finds the matches of one query in the text of single lines of one encoding, as the viewer's Find does:
// literals through the byte search (Unicode case folding, Windows-1252 upper case), regular expressions on the
// decoded line after a look for the literal every match holds.
class THvLineMatcher {
public:
    THvLineMatcher(const TMatchQuery& query, TTextEncoding encoding);

    // False when nothing can match: an empty text, an invalid expression, a character the encoding lacks.
    bool Valid() const { return m_valid; }
    // The matches in a line's text [p, p + n) (no line end in it), left to right and none overlapping, at most
    // max of them; out may be null to count only. Returns how many were found.
    size_t Find(const uint8_t* p, size_t n, std::vector<TMatchSpan>* out, size_t max = SIZE_MAX) const;
    bool Matches(const uint8_t* p, size_t n) const { return Find(p, n, nullptr, 1) > 0; }

    // The literal every match holds, as a pattern for a scan over many lines at once; null when there is none.
    const TTextPattern* Literal() const { return m_literal ? &*m_literal : nullptr; }
    // True when each match of Literal() is a match of the query (no expression to try on its line).
    bool LiteralIsQuery() const { return m_literalIsQuery; }
    // Chooses the byte the literal is looked for by from the counts of a sample of the data.
    void ChooseProbe(const TByteCounts& counts);

private:
    bool m_valid = false;
    TTextEncoding m_encoding;
    std::optional<TTextPattern> m_literal;
    bool m_literalIsQuery = false;
    std::optional<QRegularExpression> m_regex;
};

// A line of the file: its number and the offset where it starts.
struct TLinePlace {
    LineNumber Line = 0;
    FileOffset Offset = 0;
    bool operator==(const TLinePlace&) const = default;
};

// Lines in ascending order, 8 bytes each: entries in blocks of 4096 that keep each entry's offset (40 bits)
// and line (24 bits) relative to the block's first; an entry that does not fit starts a new block.
class THvLineList {
public:
    void Append(TLinePlace place);
    qint64 Size() const { return m_size; }
    TLinePlace At(qint64 index) const;
    // The index of the first entry whose line is not below line (Size() when there is none).
    qint64 LowerBound(LineNumber line) const;
    // Drops the entries from offset on.
    void TruncateFrom(FileOffset offset);
    void Clear();
    // Bytes held (for the memory figure).
    size_t BytesUsed() const;

private:
    struct Block {
        TLinePlace Base;
        qint64 First = 0; // the index of the block's first entry
        std::vector<uint64_t> Entries;
    };
    std::vector<Block> m_blocks;
    qint64 m_size = 0;
};

// How the patterns of a filter combine.
enum class TCombine { All, Any };

// Reads up to n bytes at offset into buf and returns how many arrived (fewer only at the end); may throw.
using TReadAt = std::function<size_t(FileOffset offset, uint8_t* buf, size_t n)>;

class THvMatchScan {
public:
    struct Setup {
        TReadAt Read;
        TTextEncoding Encoding = TTextEncoding::Utf8; // never Auto
        std::vector<TMatchQuery> Queries; // a count takes the first
        TCombine Combine = TCombine::All;
        bool Invert = false; // collect the lines that do not match
        bool CollectLines = false; // false: count matches; true: collect matching lines
        TLinePlace From; // a line start to begin at
        THvLineList Seed; // lines collected before From (a scan that goes on where another stopped)
    };
    // A place the count passed: matches before the line that starts at Offset.
    struct Checkpoint {
        FileOffset Offset = 0;
        qint64 Before = 0;
    };

    // Starts at once; a scan whose patterns can match nothing finishes at once with nothing found.
    explicit THvMatchScan(Setup setup);
    ~THvMatchScan(); // stops the scan and waits for its thread
    THvMatchScan(const THvMatchScan&) = delete;
    THvMatchScan& operator=(const THvMatchScan&) = delete;

    void Stop();
    bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    // True when the scan reached the end of the file (not stopped, no failed read); only once Finished().
    bool Complete() const { return m_complete; }
    // The error of a read that failed; only once Finished().
    const QString& Error() const { return m_error; }
    bool Valid() const { return m_valid; }
    FileOffset BytesDone() const { return m_bytesDone.load(std::memory_order_relaxed); }
    // Matches counted so far (a count), or lines collected so far.
    qint64 Found() const { return m_found.load(std::memory_order_acquire); }

    // Collected lines; safe while the scan runs.
    qint64 LineCount() const;
    TLinePlace LineAt(qint64 index) const;
    qint64 LowerBound(LineNumber line) const;
    size_t BytesUsed() const;
    // Where a scan of what the file grew by goes on: the start of the last line that had no line end
    // (lines from there on were not collected); only once Complete().
    TLinePlace Resume() const { return m_resume; }
    // The collected lines, handed over (to seed the scan that goes on); only once Finished().
    THvLineList TakeLines();

    // The last checkpoint at or before offset (a count's); {From.Offset, 0} when none.
    Checkpoint CheckpointAtOrBefore(FileOffset offset) const;

private:
    void Run();
    void Scan();
    void ScanLiteral(const uint8_t* p, size_t n, FileOffset base, LineNumber& line, bool prevCR);
    void ScanLines(const uint8_t* p, size_t n, FileOffset base, LineNumber& line, bool prevCR);
    bool LineMatches(const uint8_t* p, size_t n) const;
    void Counted(size_t matches);
    void Collect(LineNumber line, FileOffset offset);

    Setup m_setup;
    scan::TLineEnds m_ends;
    std::vector<THvLineMatcher> m_matchers;
    bool m_valid = false;
    bool m_complete = false;
    QString m_error;
    TLinePlace m_resume;
    qint64 m_count = 0;
    Checkpoint m_lastCheckpoint;
    std::vector<Checkpoint> m_checkpoints; // under m_mutex
    THvLineList m_lines; // under m_mutex
    std::vector<TMatchSpan> m_spans; // the thread's scratch
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_finished { false };
    std::atomic<qint64> m_found { 0 };
    std::atomic<FileOffset> m_bytesDone { 0 };
    mutable std::mutex m_mutex;
    std::thread m_thread;
};

// Matches of matcher that start before at, counted from a line start: the lines are read from from on,
// through the line that holds at. Stops (and answers -1) when stop returns true.
qint64 CountMatchesBefore(const TReadAt& read, TTextEncoding encoding, const THvLineMatcher& matcher, FileOffset from,
    FileOffset at, const std::function<bool()>& stop = {});

} // namespace hy::viewer

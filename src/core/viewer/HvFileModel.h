// The file behind a viewer: a small cache of 4096-byte pages, text lines found on demand from
// remembered (line, offset) anchors, 75-character hex rows, and the searches that run over them.
// It never reads the whole file and knows nothing about widgets: the viewer that shows it listens
// through THvModelEvents.
#pragma once

#include "core/viewer/HvEncoding.h"
#include "core/viewer/HvTextLayout.h"
#include "core/viewer/HvTypes.h"
#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace hy::compress {
class TDecodedSource;
}

namespace hy::viewer {

struct THvPageInfo; // viewer/HvPageCache.h

// What the model tells (and asks) the viewer that shows it.
class THvModelEvents {
public:
    virtual ~THvModelEvents() = default;
    // A scan reached the end of the file: the total of the current presentation is now known.
    // The viewer takes it without moving caret, selection or view.
    virtual void ModelLineTotalFound(LineNumber total) = 0;
    // Long scans (more than 100 lines, or large byte ranges) are bracketed by these.
    virtual void ModelShowHourglass() = 0;
    virtual void ModelHideHourglass() = 0;
    // The caret's current line, which the model keeps as an anchor when it positions there.
    virtual LineNumber ModelCaretLine() const = 0;
    // The file changed on disk (it shrank, grew or was rewritten) and the model started over on the file as
    // it now is: what it knew of lines and pages is gone and LineTotal() is that of the new file.
    virtual void ModelFileChanged() { }
    // The count behind a jump to the end arrived: every line above `above` is now numbered `delta` more
    // than before (the caret, selection and view keep their place in the file).
    virtual void ModelLinesRenumbered(LineNumber above, LineNumber delta)
    {
        (void)above;
        (void)delta;
    }
};

// What a look at a followed file found.
enum class TFollowChange {
    None,
    Grew, // lines were added at the end; what was known stays
    Restarted, // the file shrank, was rewritten or replaced under its name: it was opened anew
};

class THvFileModel {
public:
    explicit THvFileModel(THvModelEvents* events = nullptr);
    ~THvFileModel();
    THvFileModel(const THvFileModel&) = delete;
    THvFileModel& operator=(const THvFileModel&) = delete;

    void SetEvents(THvModelEvents* events);

    // The path, kept exactly as given. Setting it only records it; opening is Open().
    const QString& FileName() const;
    void SetFileName(const QString& name);

    // Opens FileName read-only. Throws hy::EInOutError with the viewer's messages on failure, after
    // which the model is closed. A path that is not a regular file is refused at once. A pseudo file (one
    // that reports size 0 yet has content, or lies under /proc or /sys) is read once into a snapshot of at
    // most 64 MiB, which is shown instead.
    void Open();
    void Close();
    bool IsOpen() const;
    FileOffset FileSize() const;
    bool IsSnapshot() const; // the file is shown from a snapshot taken when it was opened

    // Whether Open shows a compressed single file (gzip, bzip2, xz, lzma, zstd, lz4, compress: told by its
    // first bytes) as its decompressed bytes; off by default. Such a file is decoded on a thread of its own
    // while it is shown: FileSize() is what is decoded so far, and FollowFile() takes in what came since
    // (Grew) while DecodedBytesPending() says more is on its way. JumpToEnd waits for the decoding.
    void SetDecodeCompressed(bool decode);
    bool DecodeCompressed() const;
    // The decoded source while a compressed file is shown decompressed (its kind, sizes, problem), else none.
    const compress::TDecodedSource* DecodedSource() const;
    bool DecodedBytesPending() const;

    // A read that comes up short makes the model look at the file; this looks without reading. When the
    // file's size or time stamp changed, or its name now stands for another file, the model starts over on
    // the file as it now is (reporting ModelFileChanged) and returns true.
    bool CheckFileChanged();
    // The look of a window that follows its file: a file that only grew keeps everything known of its lines,
    // and when its total was known the new lines are counted at once (ModelLineTotalFound). A file that
    // shrank, was rewritten in place or whose name now stands for another file (a rotated log) is opened
    // anew from its name (ModelFileChanged).
    TFollowChange FollowFile();

    bool InHexMode() const;
    void SetInHexMode(bool hex); // swaps the two last-line slots and forgets the buffered line
    bool FilterChars() const;
    void SetFilterChars(bool filter);
    bool ExpandTabs() const; // a tab shows as "." in the hex character column while tabs are expanded
    void SetExpandTabs(bool expand);
    int BufferPageCount() const;
    void SetBufferPageCount(int count); // clamped to 2..512

    // Hex rows show the offset in this many digits: as many as the last offset needs, at least 8. The
    // character column starts at HexCharColumn(HexOffsetDigits()).
    int HexOffsetDigits() const;

    // The window's encoding. Auto is resolved from the file's first bytes when it is opened; changing the
    // encoding of an open file finds its lines anew when the size of a code unit changes.
    TTextEncoding Encoding() const;
    void SetEncoding(TTextEncoding encoding);
    TTextEncoding EffectiveEncoding() const;

    // Total of the current presentation: 0 when closed, kUndeterminedTotal until known, else last line + 1.
    LineNumber LineTotal() const;

    LineNumber ClampLine(LineNumber line);
    // Text of a line (raw in Standard mode, the dump row in Hex mode), zero-terminated; valid until the
    // next call. Empty for lines outside the file.
    const char* LineText(LineNumber line, int& len);

    // Text lines whole, whatever their length (both work in text lines in either presentation):
    // where a line starts in the file (-1 when a stopped scan left it unknown), the bytes of its text from a
    // byte index up to its line end, and the line holding a file offset (a line break counts with the line it
    // ends), with that line's start.
    FileOffset LineStart(LineNumber line);
    // The size of a line's text when the model knows where it ends without reading (the last line once the
    // total is known, long lines it has been through), else -1.
    qint64 KnownLineSize(LineNumber line);
    qint64 ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n);
    LineNumber LineOfOffset(FileOffset offset, FileOffset* start = nullptr);
    // The file's bytes at offset, whatever they are; fewer at the end of the file.
    qint64 ReadRaw(FileOffset offset, uint8_t* buf, qint64 n);
    // The character column of a hex row as cells (columns and indexes are the row's character positions).
    std::vector<TCell> HexCharCells(LineNumber row);

    // Standard-mode search from (fromLine, fromIndex), or from the start / end with soWholeFile. The text
    // is matched as characters in the file's encoding: without match case by Unicode simple case folding
    // (Windows-1252 upper case in Windows-1252 files); indexes are bytes. With soRegex the text is a
    // regular expression matched within single lines (see viewer/HvRegexSearch.h).
    std::optional<TSearchHit> FindText(const QString& text, unsigned options, LineNumber fromLine, qint64 fromIndex);
    // Hex-mode search for the text's bytes in the file's encoding; caretRow is the caret's hex row.
    std::optional<TSearchHit> FindBytes(const QString& text, unsigned options, LineNumber caretRow);

    // What reads the open file's text for work on another thread: a read handle of its own on a plain file,
    // the decoded source itself for a compressed one (it takes reads from any thread and lives as long as
    // the reader). Empty when closed.
    std::function<size_t(FileOffset offset, uint8_t* buf, size_t n)> BackgroundReader() const;

    // Long scans and searches poll this every few MiB; when it returns true they stop early. A stopped
    // operation answers as if nothing was found and the total is still undetermined, and Stopped() is true
    // until the next ClampLine, LineText or search.
    void SetStopHook(std::function<bool()> hook);
    // A search counts the bytes of a sample of the file (up to 64 KiB) to choose the byte it looks for first.
    // With shared counts (a search over many files, one file after the other), the counts go on across the
    // searches that follow until 64 KiB are counted, and then serve all of them; every call starts them
    // afresh. What is found is the same either way.
    void ShareProbeCounts(bool share);
    // Asks the stop hook once, for long work done through the public calls; true (and Stopped()) to stop.
    bool AskStop();
    bool Stopped() const;
    // While the total is undetermined: the highest line any scan has reached so far. A stopped scan goes on
    // from where it stopped.
    LineNumber FarthestLine() const;

    // The end of the file at once. When a large part of the file lies beyond the lines counted so far, its
    // last lines are found by reading back from the end and numbered from an estimate (LineTotal() is that
    // estimate), while a thread with its own read handle counts the lines. False when the file is better
    // scanned (little of it is left to count) or the stop hook stopped the read: the caller scans as usual.
    bool JumpToEnd();
    // True while the last lines carry estimated numbers; lines up to ExactLineLimit() keep exact ones.
    bool CountingLines() const;
    LineNumber ExactLineLimit() const;
    bool LineNumberKnown(LineNumber line) const;
    // The share of the count done, 0..1.
    double CountProgress() const;
    // The last operation stopped because it needs the exact line numbers (a line or offset between the
    // exact lines and the tail): wait for the count, apply it, and ask again.
    bool NeedsLineCount() const;
    // Waits for the count, polling the stop hook; false when it asked to stop.
    bool WaitForLineCount();
    // Takes a finished count (ModelLinesRenumbered, then ModelLineTotalFound); false while it still runs.
    bool ApplyLineCount();
    // Called on the counting thread when a count ends: it may only hand the news to the owner's thread.
    void SetCountFinishedHook(std::function<void()> hook);
    // How much of the file must lie beyond the counted lines for JumpToEnd to estimate (for tests).
    void SetTailThreshold(FileOffset bytes);

    // Introspection for tests and diagnostics.
    std::vector<THvPageInfo> PageTable() const;
    quint16 PageUseCounter() const;
    int CurrentPageEntry() const; // -1 when no page is current
    LineNumber CheckpointInterval() const; // lines between two remembered (line, offset) checkpoints
    int CheckpointCount() const;
    void SetCheckpointLimit(int entries); // at least 2; the default keeps the table within 1 MiB
    // Lines found to be long (their ends lie far apart) are remembered with the start of the line after them.
    int LongLineCount() const;
    void SetLongLineLimit(int entries); // at least 2; the default keeps the table within 1 MiB
    FileOffset BytesRead() const; // bytes read from the file since it was opened

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace hy::viewer

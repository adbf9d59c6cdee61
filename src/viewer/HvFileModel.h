// The file behind a viewer: a small cache of 4096-byte pages, text lines found on demand from
// remembered (line, offset) anchors, 75-character hex rows, and the searches that run over them.
// It never reads the whole file and knows nothing about widgets: the viewer that shows it listens
// through THvModelEvents.
#pragma once

#include "viewer/HvEncoding.h"
#include "viewer/HvTextLayout.h"
#include "viewer/HvTypes.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

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

    // A read that comes up short makes the model look at the file; this looks without reading. When the
    // file's size or time stamp changed, or its name now stands for another file, the model starts over on
    // the file as it now is (reporting ModelFileChanged) and returns true.
    bool CheckFileChanged();

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
    // (Windows-1252 upper case in Windows-1252 files); indexes are bytes.
    std::optional<SearchHit> FindText(const QString& text, unsigned options, LineNumber fromLine, qint64 fromIndex);
    // Hex-mode search for the text's bytes in the file's encoding; caretRow is the caret's hex row.
    std::optional<SearchHit> FindBytes(const QString& text, unsigned options, LineNumber caretRow);

    // Long scans and searches poll this every few MiB; when it returns true they stop early. A stopped
    // operation answers as if nothing was found and the total is still undetermined, and Stopped() is true
    // until the next ClampLine, LineText or search.
    void SetStopHook(std::function<bool()> hook);
    // Whether a search counts the bytes of a sample of the file (64 KiB) to choose the byte it looks for
    // first (the default), or takes the byte that is rarest in text. Results are the same either way; a
    // search over many files saves the count for each of them.
    void SetProbeSampling(bool sample);
    bool Stopped() const;
    // While the total is undetermined: the highest line any scan has reached so far. A stopped scan goes on
    // from where it stopped.
    LineNumber FarthestLine() const;

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

// TDecodedSource: the decompressed bytes of a single compressed file (.gz, .bz2, .xz, .lzma, .zst, .lz4,
// .Z), read at any offset like a file that is still growing. A thread of its own, with a descriptor of its
// own, decodes the file from the start at the library's full speed: it counts line ends as it goes, notes
// where decoding can begin again (restart points), and remembers the line count every few MiB. Reads are
// served from what that thread decoded last, from a small cache of decoded blocks, from a cache file, or by
// decoding from the nearest restart point before the offset, so that no read costs more than one span.
//
// Formats and how reads far from the start are served:
//   gzip   checkpoints of the inflater's state (bit position and 32 KiB history) every span (4 MiB) of
//          output, histories kept compressed in memory; nothing is written to disk. Concatenated members
//          are one text.
//   xz     independent blocks (xz -T writes them) through the stream indexes; new streams.
//   zstd   frames; bzip2 streams; lz4 frames.
//   lzma, compress (.Z), and the long stretches of the others between restart points: decoded pages are
//          written to a private cache file (a 0700 folder in the temporary folder, removed with the
//          source) up to a size limit; beyond it reads decode again from the nearest restart point.
//
// The thread never touches widgets: the owner hears of progress through a hook called on that thread
// and asks for the state from its own.
#pragma once

#include "core/compress/CompressKind.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace hy::compress {

struct TSourceOptions {
    QString TempFolder; // where the cache folder goes; the system's temporary folder when empty
    qint64 CheckpointSpan = qint64(4) << 20; // decoded bytes between two restart points the source makes
    qint64 CacheLimit = qint64(2) << 30; // bytes the cache file may hold
    qint64 CheckpointMemoryLimit = qint64(64) << 20; // past it the checkpoints thin out (the span doubles)
};

// What stopped decoding short of the end, and where. The bytes decoded before it stay readable.
struct TSourceProblem {
    enum TKind { None, NotCompressed, OpenFailed, Damaged, Truncated, ReadFailed };
    TKind Kind = None;
    QString Message; // a sentence for people, naming the offsets
    qint64 CompressedOffset = -1; // where in the compressed file decoding stopped
    qint64 DecodedOffset = -1; // how many decoded bytes came before
};

// The line count at a decoded offset: LineEnds line ends lie before Offset, and AfterCR says the byte
// before Offset is a CR (so an LF at Offset belongs to it).
struct TLineMark {
    qint64 Offset = 0;
    qint64 LineEnds = 0;
    bool AfterCR = false;
};

// What a look at a followed file found.
enum class TSourceChange {
    None,
    Grew, // more compressed bytes: decoding goes on where it stood, what was known stays
    Restarted, // the file shrank, was rewritten or its name stands for another file: everything starts over
};

class TDecodedSource {
public:
    explicit TDecodedSource(const QString& path, const TSourceOptions& options = TSourceOptions());
    // Stops the decoding thread (within 100 ms) and removes the cache folder.
    ~TDecodedSource();
    TDecodedSource(const TDecodedSource&) = delete;
    TDecodedSource& operator=(const TDecodedSource&) = delete;

    // Opens the file, tells its format by its first bytes and starts decoding. False with Problem() when it
    // cannot be opened or is not a compressed file of a known kind.
    bool Open();
    const QString& FileName() const;
    TCompressKind Kind() const;
    qint64 CompressedSize() const;

    // The decoded bytes known so far; they only grow until a restart.
    qint64 KnownSize() const;
    // Decoding reached the end of the data without a problem: KnownSize() is the decoded size.
    bool Complete() const;
    // Share of the compressed file decoded, 0..1.
    double Progress() const;
    TSourceProblem Problem() const;
    // Bytes after the data that were left alone (gzip and others ignore them too); empty when none.
    QString Note() const;

    // Up to n decoded bytes at offset into buffer: fewer only at KnownSize(), the end known so far. -1 when
    // decoding them failed (Problem() says why). Any thread may read; reads take turns.
    qint64 Read(qint64 offset, void* buffer, qint64 n);
    // Waits until KnownSize() reaches size or decoding ends (completed, failed or stopped), or the time
    // runs out; true when KnownSize() >= size.
    bool WaitForSize(qint64 size, int timeoutMs);
    // Waits until decoding ends or the time runs out; true when it ended.
    bool WaitForEnd(int timeoutMs);

    // Pauses decoding: returns once the thread is idle, within 100 ms. Resume goes on where it stopped.
    void Stop();
    void Resume();
    bool Stopped() const;

    // Line ends in the decoded bytes known so far (a complete source: in the whole text).
    qint64 LineEnds() const;
    // The marks made while decoding, one every span and one at the start, ascending.
    std::vector<TLineMark> LineMarks() const;
    // The last mark at or before a decoded offset, and the last one whose count is at most lineEnds (the
    // line numbered lineEnds, counting from 0, starts at or after it).
    TLineMark MarkForOffset(qint64 offset) const;
    TLineMark MarkForLine(qint64 lineEnds) const;
    // Where the line numbered line (from 0) starts: found from its mark by reading at most one span. -1
    // when the known bytes do not hold that many lines (yet), or the stop hook said stop.
    qint64 LineStart(qint64 line, const std::function<bool()>& stop = {});

    // Looks at the file by its name again: grown in place (Grew: decoding goes on), or shrunk, rewritten or
    // replaced (Restarted: everything known is dropped and decoding starts over).
    TSourceChange CheckFile();

    // Called on the decoding thread when there is news: more bytes (at most every 50 ms), the end, a
    // problem, a stop. It may only pass the news on to the owner's thread.
    void SetChangeHook(std::function<void()> hook);

    // For tests and diagnostics.
    int RestartPointCount() const;
    qint64 CheckpointSpan() const; // the span in force (it doubles when checkpoints thin out)
    qint64 CheckpointMemory() const; // bytes the kept histories take
    qint64 CacheFileBytes() const; // decoded bytes written to the cache file
    QString CacheFolder() const; // empty while there is none
    qint64 BytesDecodedForReads() const; // decoded by reads (not the thread) since the source opened

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace hy::compress

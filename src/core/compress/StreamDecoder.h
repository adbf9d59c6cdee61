// The decoders behind a decoded source: one per format, each reading the compressed file through its own
// descriptor from a restart point onwards and handing out the decoded bytes in order.
#pragma once

#include "core/compress/CompressKind.h"
#include "platform/FileDescriptor.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

namespace hy::compress {

// A place where decoding can begin without what came before.
struct TRestartPoint {
    enum TKind : quint8 {
        Start, // a member, stream or frame begins at Compressed (the file's start is one)
        Inside, // inside a gzip member: a deflate block begins Bits bits before Compressed, after Window
        XzBlock, // an xz block's header begins at Compressed; Check is its stream's check type
    };
    TKind Kind = Start;
    qint64 Decoded = 0; // the decoded offset of the first byte produced from here
    qint64 Compressed = 0;
    quint8 Bits = 0; // Inside: bits of the byte before Compressed that still belong to the block
    quint8 BitByte = 0; // Inside: that byte
    quint8 Check = 0; // XzBlock
    quint16 WindowSize = 0; // Inside: the bytes of history the block may refer to, up to 32 KiB ...
    QByteArray Window; // ... kept compressed
};

class TStreamDecoder {
public:
    enum class TStatus {
        Ok, // bytes were produced (or a restart point was met); call again
        End, // the input ended where the data may end (more may still be appended)
        Truncated, // the input ended inside a stream: more input may continue it
        Failed, // damaged data or a read failure: Problem() says which
    };

    explicit TStreamDecoder(const platform::TFileDescriptor& fd);
    virtual ~TStreamDecoder() = default;
    TStreamDecoder(const TStreamDecoder&) = delete;
    TStreamDecoder& operator=(const TStreamDecoder&) = delete;

    // Positions the decoder at a restart point; false (and Problem()) when the point cannot be used.
    virtual bool Start(const TRestartPoint& point) = 0;
    // Decodes up to room bytes into out. A call returns after some output, a restart point or a status
    // other than Ok, so that no call runs long.
    virtual TStatus Decode(uint8_t* out, size_t room, size_t& produced) = 0;

    // gzip: make an Inside restart point whenever span bytes were produced since the last one.
    virtual void SetCheckpointSpan(qint64 span) { (void)span; }
    // xz: the blocks of the file, for a decoder that started at one of them to go on into the next.
    virtual void SetBlocks(const std::vector<TRestartPoint>& blocks) { (void)blocks; }

    // The restart point met during the last Decode, if any.
    bool TakeRestartPoint(TRestartPoint& point);
    // Where the next output byte lies in the decoded data.
    qint64 DecodedOffset() const { return m_decoded; }
    // The offset in the compressed file of the first byte the decoder has not used.
    qint64 InputOffset() const { return m_inOffset + qint64(m_inPos); }
    // What went wrong with Failed or Truncated, and the note of bytes after the data that were ignored.
    const QString& Problem() const { return m_problem; }
    const QString& Note() const { return m_note; }

protected:
    // Makes input available: false at the end of the file (and when a read failed: Failed() then).
    bool Refill();
    // At least n unused bytes in the buffer, unless the file ends first; how many there are.
    size_t Ensure(size_t n);
    void Skip(size_t n) { m_inPos += n; }
    const uint8_t* Next() const { return m_in.data() + m_inPos; }
    size_t Available() const { return m_inLen - m_inPos; }
    // Moves the input to a file offset.
    void SeekInput(qint64 offset);
    // The byte before the first unused one (for a restart point that begins inside it).
    uint8_t PreviousByte() const { return m_inPos > 0 ? m_in[m_inPos - 1] : m_lastByte; }
    bool ReadFailed() const { return m_readFailed; }

    TStatus Fail(const QString& problem);
    TStatus Damaged(const QString& detail);
    void Offer(const TRestartPoint& point);
    // Offers the place after a frame (a member, a stream) that just ended as a restart point: a new one
    // starts there.
    void OfferFrameEnd();

    qint64 m_decoded = 0;
    QString m_problem;
    QString m_note;

private:
    const platform::TFileDescriptor& m_fd; // the owner's
    std::vector<uint8_t> m_in;
    qint64 m_inOffset = 0;
    size_t m_inLen = 0;
    size_t m_inPos = 0;
    uint8_t m_lastByte = 0;
    bool m_readFailed = false;
    bool m_hasPoint = false;
    TRestartPoint m_point;
};

// A decoder of the kind (None gives none) reading through fd, which stays the caller's.
std::unique_ptr<TStreamDecoder> MakeStreamDecoder(TCompressKind kind, const platform::TFileDescriptor& fd);
std::unique_ptr<TStreamDecoder> MakeGzipDecoder(const platform::TFileDescriptor& fd);
std::unique_ptr<TStreamDecoder> MakeXzDecoder(const platform::TFileDescriptor& fd, bool lzmaAlone);
std::unique_ptr<TStreamDecoder> MakeZstdDecoder(const platform::TFileDescriptor& fd);
std::unique_ptr<TStreamDecoder> MakeBzip2Decoder(const platform::TFileDescriptor& fd);
std::unique_ptr<TStreamDecoder> MakeLz4Decoder(const platform::TFileDescriptor& fd);
std::unique_ptr<TStreamDecoder> MakeLzwDecoder(const platform::TFileDescriptor& fd);

// The blocks of a whole xz file from its indexes, as restart points; empty when the file holds only one
// block or its indexes cannot be read (a file cut short or still being written).
std::vector<TRestartPoint> ReadXzBlocks(const platform::TFileDescriptor& fd, qint64 fileSize);

} // namespace hy::compress

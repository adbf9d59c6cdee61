// gzip through zlib. Members follow one another (a file of several concatenated members is one text);
// zeros after the last member are padding and other bytes there are left alone with a note, as gzip does.
//
// Restart points inside a member: inflate is asked to stop at the next deflate block boundary once span
// bytes came out since the last point; there the position in the input (to the bit), the 32 KiB history
// inflate keeps (inflateGetDictionary) and the decoded offset make a point, the history kept compressed
// with LZ4. Decoding from such a point is a raw inflate primed with the bits and given the history as its
// dictionary; at the member's end it skips the 8-byte trailer and reads on as gzip.
#include "core/compress/StreamDecoder.h"

#include <lz4.h>
#include <zlib.h>

namespace hy::compress {

namespace {

    constexpr int kGzipWindowBits = 15 + 16;
    constexpr int kRawWindowBits = -15;
    constexpr uInt kWindowSize = 32768;

    class TGzipDecoder final : public TStreamDecoder {
    public:
        explicit TGzipDecoder(const platform::TFileDescriptor& fd)
            : TStreamDecoder(fd)
        {
        }
        ~TGzipDecoder() override
        {
            if (m_ready)
                inflateEnd(&m_z);
        }

        void SetCheckpointSpan(qint64 span) override { m_span = span; }

        bool Start(const TRestartPoint& point) override
        {
            SeekInput(point.Compressed);
            m_decoded = point.Decoded;
            m_sinceCheckpoint = 0;
            m_pending = false;
            m_problem.clear();
            if (point.Kind == TRestartPoint::Start) {
                m_phase = TPhase::Between;
                return Reset(kGzipWindowBits);
            }
            if (point.Kind != TRestartPoint::Inside || !Reset(kRawWindowBits))
                return false;
            if (point.Bits > 0 && inflatePrime(&m_z, point.Bits, point.BitByte >> (8 - point.Bits)) != Z_OK)
                return false;
            if (point.WindowSize > 0) {
                QByteArray window(point.WindowSize, Qt::Uninitialized);
                if (LZ4_decompress_safe(
                        point.Window.constData(), window.data(), int(point.Window.size()), int(window.size()))
                        != int(window.size())
                    || inflateSetDictionary(
                           &m_z, reinterpret_cast<const Bytef*>(window.constData()), uInt(window.size()))
                        != Z_OK)
                    return false;
            }
            m_phase = TPhase::Raw;
            return true;
        }

        TStatus Decode(uint8_t* out, size_t room, size_t& produced) override
        {
            produced = 0;
            for (;;) {
                switch (m_phase) {
                case TPhase::Between: {
                    // Padding zeros are skipped; the next member begins with its magic bytes.
                    while (Ensure(1) > 0 && *Next() == 0)
                        Skip(1);
                    if (ReadFailed())
                        return TStatus::Failed;
                    if (Available() == 0)
                        return TStatus::End;
                    if (Ensure(2) < 2 || Next()[0] != 0x1F || Next()[1] != 0x8B) {
                        if (ReadFailed())
                            return TStatus::Failed;
                        m_note = QStringLiteral("bytes after the compressed data were ignored");
                        return TStatus::End;
                    }
                    inflateReset2(&m_z, kGzipWindowBits);
                    m_phase = TPhase::Member;
                    if (m_decoded > 0) {
                        OfferFrameEnd();
                        return TStatus::Ok;
                    }
                    break;
                }
                case TPhase::Trailer: {
                    const size_t have = Ensure(8);
                    if (have < 8)
                        return ReadFailed() ? TStatus::Failed : TStatus::Truncated;
                    Skip(8);
                    m_phase = TPhase::Between;
                    break;
                }
                case TPhase::Member:
                case TPhase::Raw: {
                    // inflate may hold output for a full buffer without more input.
                    if (!m_pending && !Refill())
                        return ReadFailed() ? TStatus::Failed : TStatus::Truncated;
                    const bool wantPoint = m_span > 0 && m_sinceCheckpoint >= m_span;
                    m_z.next_in = const_cast<Bytef*>(Next());
                    m_z.avail_in = uInt(Available());
                    m_z.next_out = out + produced;
                    m_z.avail_out = uInt(room - produced);
                    const int ret = inflate(&m_z, wantPoint ? Z_BLOCK : Z_NO_FLUSH);
                    const size_t made = (room - produced) - m_z.avail_out;
                    Skip(Available() - m_z.avail_in);
                    produced += made;
                    m_decoded += qint64(made);
                    m_sinceCheckpoint += qint64(made);
                    m_pending = m_z.avail_out == 0;
                    if (ret == Z_STREAM_END) {
                        // A gzip member checked its CRC and length; a raw stream still has its trailer.
                        m_phase = m_phase == TPhase::Member ? TPhase::Between : TPhase::Trailer;
                        if (produced > 0)
                            return TStatus::Ok;
                        break;
                    }
                    if (ret == Z_DATA_ERROR || ret == Z_NEED_DICT || ret == Z_STREAM_ERROR)
                        return Damaged(QString::fromLatin1(m_z.msg ? m_z.msg : "invalid data"));
                    if (ret == Z_MEM_ERROR)
                        return Fail(QStringLiteral("not enough memory to decode"));
                    if (wantPoint && (m_z.data_type & 128) && !(m_z.data_type & 64) && MakePoint())
                        return TStatus::Ok;
                    if (produced > 0)
                        return TStatus::Ok;
                    break;
                }
                }
            }
        }

    private:
        enum class TPhase { Between, Member, Raw, Trailer };

        bool Reset(int windowBits)
        {
            if (!m_ready) {
                m_z = z_stream();
                if (inflateInit2(&m_z, windowBits) != Z_OK)
                    return false;
                m_ready = true;
                return true;
            }
            return inflateReset2(&m_z, windowBits) == Z_OK;
        }

        bool MakePoint()
        {
            TRestartPoint point;
            point.Kind = TRestartPoint::Inside;
            point.Decoded = m_decoded;
            point.Compressed = InputOffset();
            point.Bits = quint8(m_z.data_type & 7);
            point.BitByte = point.Bits ? PreviousByte() : 0;
            uInt size = kWindowSize;
            if (inflateGetDictionary(&m_z, m_window, &size) != Z_OK)
                return false;
            point.WindowSize = quint16(size);
            if (size > 0) {
                QByteArray packed(LZ4_compressBound(int(size)), Qt::Uninitialized);
                const int n = LZ4_compress_default(
                    reinterpret_cast<const char*>(m_window), packed.data(), int(size), int(packed.size()));
                if (n <= 0)
                    return false;
                packed.truncate(n);
                packed.squeeze();
                point.Window = std::move(packed);
            }
            m_sinceCheckpoint = 0;
            Offer(point);
            return true;
        }

        z_stream m_z {};
        bool m_ready = false;
        bool m_pending = false;
        TPhase m_phase = TPhase::Between;
        qint64 m_span = 0;
        qint64 m_sinceCheckpoint = 0;
        Bytef m_window[kWindowSize];
    };

} // namespace

std::unique_ptr<TStreamDecoder> MakeGzipDecoder(const platform::TFileDescriptor& fd)
{
    return std::make_unique<TGzipDecoder>(fd);
}

} // namespace hy::compress

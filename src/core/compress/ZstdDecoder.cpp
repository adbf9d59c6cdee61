// zstd through libzstd's streaming decoder. A file is a series of frames (zstd writes one, pzstd and
// appending write several); each frame's start is a restart point.
#include "core/compress/StreamDecoder.h"

#include <zstd.h>
#include <zstd_errors.h>

namespace hy::compress {

namespace {

    class TZstdDecoder final : public TStreamDecoder {
    public:
        explicit TZstdDecoder(const platform::TFileDescriptor& fd)
            : TStreamDecoder(fd)
            , m_ctx(ZSTD_createDCtx())
        {
        }
        ~TZstdDecoder() override { ZSTD_freeDCtx(m_ctx); }

        bool Start(const TRestartPoint& point) override
        {
            m_problem.clear();
            m_decoded = point.Decoded;
            SeekInput(point.Compressed);
            m_atFrameStart = true;
            m_pending = false;
            return m_ctx && point.Kind == TRestartPoint::Start
                && !ZSTD_isError(ZSTD_DCtx_reset(m_ctx, ZSTD_reset_session_only));
        }

        TStatus Decode(uint8_t* out, size_t room, size_t& produced) override
        {
            produced = 0;
            for (;;) {
                if (!m_pending && !Refill()) {
                    if (ReadFailed())
                        return TStatus::Failed;
                    return m_atFrameStart ? TStatus::End : TStatus::Truncated;
                }
                const qint64 frameStart = InputOffset();
                ZSTD_inBuffer in { Next(), Available(), 0 };
                ZSTD_outBuffer outBuffer { out + produced, room - produced, 0 };
                const size_t ret = ZSTD_decompressStream(m_ctx, &outBuffer, &in);
                Skip(in.pos);
                produced += outBuffer.pos;
                m_decoded += qint64(outBuffer.pos);
                m_pending = outBuffer.pos == outBuffer.size;
                if (ZSTD_isError(ret)) {
                    if (m_atFrameStart && m_decoded > 0 && ZSTD_getErrorCode(ret) == ZSTD_error_prefix_unknown) {
                        // Not another frame: whatever follows the data is left alone.
                        m_note = QStringLiteral("bytes after the compressed data were ignored");
                        SeekInput(frameStart);
                        ZSTD_DCtx_reset(m_ctx, ZSTD_reset_session_only);
                        return produced > 0 ? TStatus::Ok : TStatus::End;
                    }
                    return Damaged(QString::fromLatin1(ZSTD_getErrorName(ret)));
                }
                if (in.pos > 0 || outBuffer.pos > 0)
                    m_atFrameStart = false;
                if (ret == 0) {
                    m_atFrameStart = true;
                    m_pending = false;
                    OfferFrameEnd();
                    return TStatus::Ok;
                }
                if (produced > 0)
                    return TStatus::Ok;
            }
        }

    private:
        ZSTD_DCtx* m_ctx;
        bool m_atFrameStart = true;
        bool m_pending = false;
    };

} // namespace

std::unique_ptr<TStreamDecoder> MakeZstdDecoder(const platform::TFileDescriptor& fd)
{
    return std::make_unique<TZstdDecoder>(fd);
}

} // namespace hy::compress

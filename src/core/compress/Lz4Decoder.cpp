// lz4 frames through liblz4's frame decoder; each frame's start is a restart point.
#include "core/compress/StreamDecoder.h"

#include <lz4frame.h>

namespace hy::compress {

namespace {

    class TLz4Decoder final : public TStreamDecoder {
    public:
        explicit TLz4Decoder(const platform::TFileDescriptor& fd)
            : TStreamDecoder(fd)
        {
            if (LZ4F_isError(LZ4F_createDecompressionContext(&m_ctx, LZ4F_VERSION)))
                m_ctx = nullptr;
        }
        ~TLz4Decoder() override { LZ4F_freeDecompressionContext(m_ctx); }

        bool Start(const TRestartPoint& point) override
        {
            m_problem.clear();
            m_decoded = point.Decoded;
            SeekInput(point.Compressed);
            m_atFrameStart = true;
            m_pending = false;
            if (m_ctx)
                LZ4F_resetDecompressionContext(m_ctx);
            return m_ctx && point.Kind == TRestartPoint::Start;
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
                size_t inSize = Available();
                const size_t space = room - produced;
                size_t outSize = space;
                const size_t ret = LZ4F_decompress(m_ctx, out + produced, &outSize, Next(), &inSize, nullptr);
                Skip(inSize);
                produced += outSize;
                m_decoded += qint64(outSize);
                m_pending = outSize == space;
                if (LZ4F_isError(ret)) {
                    if (m_atFrameStart && m_decoded > 0) {
                        m_note = QStringLiteral("bytes after the compressed data were ignored");
                        SeekInput(frameStart);
                        LZ4F_resetDecompressionContext(m_ctx);
                        return produced > 0 ? TStatus::Ok : TStatus::End;
                    }
                    return Damaged(QString::fromLatin1(LZ4F_getErrorName(ret)));
                }
                if (inSize > 0 || outSize > 0)
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
        LZ4F_dctx* m_ctx = nullptr;
        bool m_atFrameStart = true;
        bool m_pending = false;
    };

} // namespace

std::unique_ptr<TStreamDecoder> MakeLz4Decoder(const platform::TFileDescriptor& fd)
{
    return std::make_unique<TLz4Decoder>(fd);
}

} // namespace hy::compress

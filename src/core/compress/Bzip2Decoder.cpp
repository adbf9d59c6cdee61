// bzip2 through libbz2. A file is one or more streams (pbzip2 and appending write several); each stream's
// start is a restart point. Inside a stream the blocks start at bit offsets the library cannot begin at.
#include "core/compress/StreamDecoder.h"

#include <bzlib.h>

#include <cstring>

namespace hy::compress {

namespace {

    class TBzip2Decoder final : public TStreamDecoder {
    public:
        explicit TBzip2Decoder(const platform::TFileDescriptor& fd)
            : TStreamDecoder(fd)
        {
        }
        ~TBzip2Decoder() override { End(); }

        bool Start(const TRestartPoint& point) override
        {
            m_problem.clear();
            m_decoded = point.Decoded;
            SeekInput(point.Compressed);
            End();
            m_inStream = false;
            return point.Kind == TRestartPoint::Start;
        }

        TStatus Decode(uint8_t* out, size_t room, size_t& produced) override
        {
            produced = 0;
            for (;;) {
                if (!m_inStream) {
                    if (Ensure(4) < 4 || std::memcmp(Next(), "BZh", 3) != 0 || Next()[3] < '1' || Next()[3] > '9') {
                        if (ReadFailed())
                            return TStatus::Failed;
                        if (Available() > 0 && m_decoded == 0)
                            return Damaged(QString());
                        if (Available() > 0)
                            m_note = QStringLiteral("bytes after the compressed data were ignored");
                        return TStatus::End;
                    }
                    m_s = bz_stream();
                    if (BZ2_bzDecompressInit(&m_s, 0, 0) != BZ_OK)
                        return Fail(QStringLiteral("not enough memory to decode"));
                    m_inStream = true;
                    m_pending = false;
                    if (m_decoded > 0) {
                        OfferFrameEnd();
                        return TStatus::Ok;
                    }
                }
                if (!m_pending && !Refill())
                    return ReadFailed() ? TStatus::Failed : TStatus::Truncated;
                m_s.next_in = const_cast<char*>(reinterpret_cast<const char*>(Next()));
                m_s.avail_in = unsigned(Available());
                m_s.next_out = reinterpret_cast<char*>(out + produced);
                m_s.avail_out = unsigned(room - produced);
                const int ret = BZ2_bzDecompress(&m_s);
                const size_t made = (room - produced) - m_s.avail_out;
                Skip(Available() - m_s.avail_in);
                produced += made;
                m_decoded += qint64(made);
                m_pending = m_s.avail_out == 0;
                if (ret == BZ_STREAM_END) {
                    End();
                    if (produced > 0)
                        return TStatus::Ok;
                    continue;
                }
                if (ret == BZ_MEM_ERROR)
                    return Fail(QStringLiteral("not enough memory to decode"));
                if (ret != BZ_OK)
                    return Damaged(QString());
                if (produced > 0)
                    return TStatus::Ok;
            }
        }

    private:
        void End()
        {
            if (m_inStream)
                BZ2_bzDecompressEnd(&m_s);
            m_inStream = false;
        }

        bz_stream m_s {};
        bool m_inStream = false;
        bool m_pending = false;
    };

} // namespace

std::unique_ptr<TStreamDecoder> MakeBzip2Decoder(const platform::TFileDescriptor& fd)
{
    return std::make_unique<TBzip2Decoder>(fd);
}

} // namespace hy::compress

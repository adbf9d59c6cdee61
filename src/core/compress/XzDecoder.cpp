// xz and the older lzma format through liblzma. An xz file is one or more streams, each padded to four
// bytes; a stream holds blocks that an encoder working in parallel (xz -T) makes independent. The blocks'
// places come from the indexes at the end of each stream, read once through lzma_file_info_decoder; a
// decoder that starts at a block decodes it with lzma_block_decoder and goes on with the next block. The
// lzma format is a single stream without restart points.
#include "core/compress/StreamDecoder.h"

#include <lzma.h>

#include <cstring>

namespace hy::compress {

namespace {

    constexpr uint8_t kXzMagic[6] = { 0xFD, '7', 'z', 'X', 'Z', 0 };

    QString LzmaProblem(lzma_ret ret)
    {
        switch (ret) {
        case LZMA_MEM_ERROR:
        case LZMA_MEMLIMIT_ERROR:
            return QStringLiteral("not enough memory to decode");
        case LZMA_FORMAT_ERROR:
            return QStringLiteral("the compressed data is damaged (not in the expected format)");
        case LZMA_OPTIONS_ERROR:
            return QStringLiteral("the data uses compression options this program cannot decode");
        case LZMA_UNSUPPORTED_CHECK:
            return QStringLiteral("the data uses an integrity check this program cannot verify");
        default:
            return QStringLiteral("the compressed data is damaged");
        }
    }

    class TFilterOptions {
    public:
        TFilterOptions() { m_filters[0].id = LZMA_VLI_UNKNOWN; }
        ~TFilterOptions() { Free(); }
        TFilterOptions(const TFilterOptions&) = delete;
        TFilterOptions& operator=(const TFilterOptions&) = delete;
        lzma_filter* Get() { return m_filters; }
        void Free()
        {
            for (lzma_filter& f : m_filters) {
                if (f.id == LZMA_VLI_UNKNOWN)
                    break;
                free(f.options);
                f.options = nullptr;
            }
            m_filters[0].id = LZMA_VLI_UNKNOWN;
        }

    private:
        lzma_filter m_filters[LZMA_FILTERS_MAX + 1] {};
    };

    class TXzDecoder final : public TStreamDecoder {
    public:
        TXzDecoder(const platform::TFileDescriptor& fd, bool lzmaAlone)
            : TStreamDecoder(fd)
            , m_alone(lzmaAlone)
        {
        }
        ~TXzDecoder() override { lzma_end(&m_s); }

        void SetBlocks(const std::vector<TRestartPoint>& blocks) override { m_blocks = blocks; }

        bool Start(const TRestartPoint& point) override
        {
            m_problem.clear();
            m_decoded = point.Decoded;
            SeekInput(point.Compressed);
            if (point.Kind == TRestartPoint::XzBlock)
                return StartBlock(point);
            m_phase = TPhase::Between;
            return point.Kind == TRestartPoint::Start;
        }

        TStatus Decode(uint8_t* out, size_t room, size_t& produced) override
        {
            produced = 0;
            for (;;) {
                if (m_phase == TPhase::AfterAlone || m_phase == TPhase::Done)
                    return TStatus::End;
                if (m_phase == TPhase::Between) {
                    const TStatus status = NextStream();
                    if (status != TStatus::Ok)
                        return status;
                    if (m_offered)
                        return TStatus::Ok;
                    continue;
                }
                if (!m_pending && !Refill())
                    return ReadFailed() ? TStatus::Failed : TStatus::Truncated;
                m_s.next_in = Next();
                m_s.avail_in = Available();
                m_s.next_out = out + produced;
                m_s.avail_out = room - produced;
                const lzma_ret ret = lzma_code(&m_s, LZMA_RUN);
                const size_t made = (room - produced) - m_s.avail_out;
                Skip(Available() - m_s.avail_in);
                produced += made;
                m_decoded += qint64(made);
                m_pending = m_s.avail_out == 0;
                if (ret == LZMA_STREAM_END) {
                    if (m_phase == TPhase::Block) {
                        if (!NextBlock()) {
                            m_phase = TPhase::Done;
                            return produced > 0 ? TStatus::Ok : TStatus::End;
                        }
                    } else if (m_alone) {
                        m_phase = TPhase::AfterAlone;
                        if (Ensure(1) > 0)
                            m_note = QStringLiteral("bytes after the compressed data were ignored");
                        return produced > 0 ? TStatus::Ok : TStatus::End;
                    } else {
                        m_phase = TPhase::Between;
                    }
                } else if (ret != LZMA_OK && ret != LZMA_BUF_ERROR) {
                    return Fail(LzmaProblem(ret));
                }
                if (produced > 0)
                    return TStatus::Ok;
            }
        }

    private:
        enum class TPhase { Between, Stream, Block, AfterAlone, Done };

        // Between streams: padding, then the next stream's magic, or the end.
        TStatus NextStream()
        {
            m_offered = false;
            if (m_alone) {
                if (m_decoded > 0)
                    return TStatus::End;
                if (lzma_alone_decoder(&m_s, UINT64_MAX) != LZMA_OK)
                    return Fail(QStringLiteral("not enough memory to decode"));
                m_phase = TPhase::Stream;
                return TStatus::Ok;
            }
            while (Ensure(4) >= 4 && std::memcmp(Next(), "\0\0\0\0", 4) == 0)
                Skip(4);
            if (ReadFailed())
                return TStatus::Failed;
            if (Available() == 0)
                return TStatus::End;
            if (Ensure(6) < 6 || std::memcmp(Next(), kXzMagic, 6) != 0) {
                if (ReadFailed())
                    return TStatus::Failed;
                if (m_decoded == 0)
                    return Fail(LzmaProblem(LZMA_FORMAT_ERROR));
                m_note = QStringLiteral("bytes after the compressed data were ignored");
                return TStatus::End;
            }
            if (lzma_stream_decoder(&m_s, UINT64_MAX, 0) != LZMA_OK)
                return Fail(QStringLiteral("not enough memory to decode"));
            m_phase = TPhase::Stream;
            if (m_decoded > 0) {
                OfferFrameEnd();
                m_offered = true;
            }
            return TStatus::Ok;
        }

        bool StartBlock(const TRestartPoint& point)
        {
            if (Ensure(1) < 1)
                return false;
            const uint32_t headerSize = lzma_block_header_size_decode(*Next());
            if (Ensure(headerSize) < headerSize)
                return false;
            m_filters.Free();
            lzma_block block {};
            block.version = 1;
            block.check = lzma_check(point.Check);
            block.filters = m_filters.Get();
            block.header_size = headerSize;
            if (lzma_block_header_decode(&block, nullptr, Next()) != LZMA_OK)
                return false;
            Skip(headerSize);
            if (lzma_block_decoder(&m_s, &block) != LZMA_OK)
                return false;
            m_phase = TPhase::Block;
            m_pending = false;
            return true;
        }

        // After a block read from its own header: the block that follows it in the decoded data.
        bool NextBlock()
        {
            for (const TRestartPoint& block : m_blocks) {
                if (block.Decoded == m_decoded) {
                    SeekInput(block.Compressed);
                    return StartBlock(block);
                }
            }
            return false;
        }

        lzma_stream m_s = LZMA_STREAM_INIT;
        bool m_alone;
        bool m_pending = false;
        bool m_offered = false;
        TPhase m_phase = TPhase::Between;
        std::vector<TRestartPoint> m_blocks;
        TFilterOptions m_filters;
    };

} // namespace

std::unique_ptr<TStreamDecoder> MakeXzDecoder(const platform::TFileDescriptor& fd, bool lzmaAlone)
{
    return std::make_unique<TXzDecoder>(fd, lzmaAlone);
}

std::vector<TRestartPoint> ReadXzBlocks(const platform::TFileDescriptor& fd, qint64 fileSize)
{
    std::vector<TRestartPoint> blocks;
    lzma_stream s = LZMA_STREAM_INIT;
    lzma_index* index = nullptr;
    if (lzma_file_info_decoder(&s, &index, UINT64_MAX, uint64_t(fileSize)) != LZMA_OK)
        return blocks;
    std::vector<uint8_t> buffer(size_t(64) << 10);
    qint64 position = 0;
    lzma_ret ret = LZMA_OK;
    while (ret == LZMA_OK || ret == LZMA_SEEK_NEEDED) {
        if (ret == LZMA_SEEK_NEEDED) {
            position = qint64(s.seek_pos);
            s.avail_in = 0;
        }
        if (s.avail_in == 0) {
            const ssize_t got = ::pread(fd.Get(), buffer.data(), buffer.size(), off_t(position));
            if (got <= 0)
                break;
            position += got;
            s.next_in = buffer.data();
            s.avail_in = size_t(got);
        }
        ret = lzma_code(&s, s.avail_in == 0 ? LZMA_FINISH : LZMA_RUN);
    }
    lzma_end(&s);
    if (ret != LZMA_STREAM_END || !index)
        return blocks;
    lzma_index_iter iter;
    lzma_index_iter_init(&iter, index);
    while (!lzma_index_iter_next(&iter, LZMA_INDEX_ITER_BLOCK)) {
        TRestartPoint point;
        point.Kind = TRestartPoint::XzBlock;
        point.Decoded = qint64(iter.block.uncompressed_file_offset);
        point.Compressed = qint64(iter.block.compressed_file_offset);
        point.Check = quint8(iter.stream.flags->check);
        blocks.push_back(point);
    }
    lzma_index_end(index, nullptr);
    if (blocks.size() < 2)
        blocks.clear();
    return blocks;
}

} // namespace hy::compress

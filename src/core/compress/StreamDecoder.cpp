// The input buffer the decoders share, and the choice of decoder by kind.
#include "core/compress/StreamDecoder.h"

#include "common/ErrorText.h"
#include "platform/PlatformErrors.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace hy::compress {

using namespace hy::common;

namespace {
    constexpr size_t kInputSize = size_t(256) << 10;
}

TStreamDecoder::TStreamDecoder(const platform::TFileDescriptor& fd)
    : m_fd(fd)
    , m_in(kInputSize)
{
}

bool TStreamDecoder::Refill()
{
    if (m_inPos < m_inLen)
        return true;
    if (m_inLen > 0)
        m_lastByte = m_in[m_inLen - 1];
    m_inOffset += qint64(m_inLen);
    m_inLen = 0;
    m_inPos = 0;
    for (;;) {
        const ssize_t got = ::pread(m_fd.Get(), m_in.data(), m_in.size(), off_t(m_inOffset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            m_readFailed = true;
            m_problem = ErrorText(platform::ErrorCodeFromErrno(errno));
            return false;
        }
        m_inLen = size_t(got);
        return got > 0;
    }
}

size_t TStreamDecoder::Ensure(size_t n)
{
    if (Available() >= n)
        return Available();
    // Move what is left to the front and read behind it.
    const size_t left = Available();
    if (m_inPos > 0) {
        m_lastByte = m_in[m_inPos - 1];
        std::memmove(m_in.data(), m_in.data() + m_inPos, left);
        m_inOffset += qint64(m_inPos);
        m_inPos = 0;
        m_inLen = left;
    }
    while (m_inLen < n) {
        const ssize_t got
            = ::pread(m_fd.Get(), m_in.data() + m_inLen, m_in.size() - m_inLen, off_t(m_inOffset + qint64(m_inLen)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            m_readFailed = true;
            m_problem = ErrorText(platform::ErrorCodeFromErrno(errno));
            break;
        }
        if (got == 0)
            break;
        m_inLen += size_t(got);
    }
    return Available();
}

void TStreamDecoder::SeekInput(qint64 offset)
{
    m_inOffset = offset;
    m_inLen = 0;
    m_inPos = 0;
    m_lastByte = 0;
    m_readFailed = false;
    if (offset > 0) {
        uint8_t before = 0;
        if (::pread(m_fd.Get(), &before, 1, off_t(offset - 1)) == 1)
            m_lastByte = before;
    }
}

bool TStreamDecoder::TakeRestartPoint(TRestartPoint& point)
{
    if (!m_hasPoint)
        return false;
    point = std::move(m_point);
    m_hasPoint = false;
    return true;
}

void TStreamDecoder::Offer(const TRestartPoint& point)
{
    m_point = point;
    m_hasPoint = true;
}

void TStreamDecoder::OfferFrameEnd()
{
    TRestartPoint point;
    point.Kind = TRestartPoint::Start;
    point.Decoded = m_decoded;
    point.Compressed = InputOffset();
    Offer(point);
}

TStreamDecoder::TStatus TStreamDecoder::Fail(const QString& problem)
{
    m_problem = problem;
    return TStatus::Failed;
}

TStreamDecoder::TStatus TStreamDecoder::Damaged(const QString& detail)
{
    return Fail(detail.isEmpty() ? QStringLiteral("the compressed data is damaged")
                                 : QStringLiteral("the compressed data is damaged (%1)").arg(detail));
}

std::unique_ptr<TStreamDecoder> MakeStreamDecoder(TCompressKind kind, const platform::TFileDescriptor& fd)
{
    switch (kind) {
    case TCompressKind::Gzip:
        return MakeGzipDecoder(fd);
    case TCompressKind::Xz:
        return MakeXzDecoder(fd, false);
    case TCompressKind::Lzma:
        return MakeXzDecoder(fd, true);
    case TCompressKind::Zstd:
        return MakeZstdDecoder(fd);
    case TCompressKind::Bzip2:
        return MakeBzip2Decoder(fd);
    case TCompressKind::Lz4:
        return MakeLz4Decoder(fd);
    case TCompressKind::Compress:
        return MakeLzwDecoder(fd);
    case TCompressKind::None:
        break;
    }
    return nullptr;
}

} // namespace hy::compress

// Search in 1 MiB pieces that overlap by the needle's length less one, with memmem.
#include "core/compress/SourceSearch.h"

#include "core/compress/DecodedSource.h"

#include <cstring>
#include <vector>

namespace hy::compress {

namespace {
    constexpr qint64 kPiece = qint64(1) << 20;
    constexpr int kWaitMs = 100;
} // namespace

qint64 FindInSource(TDecodedSource& source, const QByteArray& needle, qint64 from,
    const std::function<bool(qint64)>& found, const std::function<bool()>& stop)
{
    if (needle.isEmpty())
        return 0;
    const qint64 overlap = needle.size() - 1;
    std::vector<uint8_t> buffer(size_t(kPiece + overlap));
    qint64 hits = 0;
    qint64 pos = qMax<qint64>(0, from);
    for (;;) {
        if (stop && stop())
            return -1;
        const qint64 want = kPiece + overlap;
        qint64 got = source.Read(pos, buffer.data(), want);
        if (got < 0)
            return -1;
        if (got < want) {
            const bool ended = source.Complete() || source.Stopped() || source.Problem().Kind != TSourceProblem::None;
            if (!ended) {
                // Caught up with the decoding thread: wait for the rest of the piece.
                source.WaitForSize(pos + want, kWaitMs);
                continue;
            }
            // Bytes may have come between the read and the look at the state.
            got = source.Read(pos, buffer.data(), want);
            if (got < 0)
                return -1;
        }
        if (got < needle.size())
            return hits;
        const uint8_t* base = buffer.data();
        const uint8_t* at = base;
        const uint8_t* end = base + got;
        while (const void* hit = ::memmem(at, size_t(end - at), needle.constData(), size_t(needle.size()))) {
            const auto* h = static_cast<const uint8_t*>(hit);
            ++hits;
            if (found && !found(pos + (h - base)))
                return hits;
            at = h + 1;
        }
        if (got < want)
            return hits;
        pos += kPiece;
    }
}

} // namespace hy::compress

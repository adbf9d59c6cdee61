// Copying a byte range into a file through a temporary name.
#include "core/viewer/HvRangeWriter.h"

#include "core/viewer/HvModelIo.h"
#include "platform/PlatformFiles.h"

#include <algorithm>

namespace hy::viewer {

using namespace hy::base;

namespace {
    constexpr qint64 kBlock = qint64(1) << 20;
    constexpr qint64 kReportBytes = qint64(4) << 20;
} // namespace

int WriteByteRange(
    const TRangeReader& read, FileOffset from, FileOffset to, const QString& target, const TRangeProgress& progress)
{
    from = std::max<FileOffset>(from, 0);
    to = std::max(to, from);
    const qint64 total = to - from;
    // Until Commit the bytes go to a temporary file, which goes away with out on every early return.
    platform::TReplacingFile out(target);
    if (const int code = out.Open())
        return code;
    THvAlignedBuffer buffer;
    uint8_t* buf = buffer.Reserve(size_t(std::min(kBlock, std::max<qint64>(total, 1))));
    qint64 done = 0;
    qint64 reported = 0;
    while (done < total) {
        const qint64 want = std::min(kBlock, total - done);
        const qint64 got = read(from + done, buf, want);
        if (got <= 0)
            return kErrorCopySizeMismatch; // the source ended before the range did
        if (const int code = out.Write(reinterpret_cast<const char*>(buf), got))
            return code;
        done += got;
        if (progress && done - reported >= kReportBytes) {
            reported = done;
            if (!progress(done, total))
                return kRangeCopyStopped;
        }
    }
    if (progress)
        progress(done, total);
    return out.Commit();
}

} // namespace hy::viewer

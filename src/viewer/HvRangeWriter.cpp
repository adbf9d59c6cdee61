// Copying a byte range into a file through a temporary name.
#include "viewer/HvRangeWriter.h"

#include "platform/PlatformErrors.h"
#include "viewer/HvModelIo.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>

namespace hy::viewer {

namespace {
    constexpr qint64 kBlock = qint64(1) << 20;
    constexpr qint64 kReportBytes = qint64(4) << 20;

    int SaveFileError(const QSaveFile& file)
    {
        if (errno != 0)
            return platform::ErrorCodeFromErrno(errno, QFile::encodeName(file.fileName()).constData());
        return file.error() == QFileDevice::ResourceError ? 112 : 5;
    }
} // namespace

int WriteByteRange(
    const TRangeReader& read, FileOffset from, FileOffset to, const QString& target, const TRangeProgress& progress)
{
    from = std::max<FileOffset>(from, 0);
    to = std::max(to, from);
    const qint64 total = to - from;
    QSaveFile out(target);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly))
        return SaveFileError(out);
    THvAlignedBuffer buffer;
    uint8_t* buf = buffer.Reserve(size_t(std::min(kBlock, std::max<qint64>(total, 1))));
    qint64 done = 0;
    qint64 reported = 0;
    try {
        while (done < total) {
            const qint64 want = std::min(kBlock, total - done);
            const qint64 got = read(from + done, buf, want);
            if (got <= 0) {
                out.cancelWriting();
                return kErrorCopySizeMismatch; // the source ended before the range did
            }
            errno = 0;
            if (out.write(reinterpret_cast<const char*>(buf), got) != got) {
                const int code = SaveFileError(out);
                out.cancelWriting();
                return code;
            }
            done += got;
            if (progress && done - reported >= kReportBytes) {
                reported = done;
                if (!progress(done, total)) {
                    out.cancelWriting();
                    return kRangeCopyStopped;
                }
            }
        }
    } catch (const std::exception&) {
        out.cancelWriting();
        throw;
    }
    if (progress)
        progress(done, total);
    errno = 0;
    if (!out.commit())
        return SaveFileError(out);
    return 0;
}

} // namespace hy::viewer

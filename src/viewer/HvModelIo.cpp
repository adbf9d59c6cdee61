// File access of the viewer's file model.
#include "viewer/HvModelIo.h"

#include "base/ErrorCodes.h"
#include "base/HyExceptions.h"
#include "platform/PlatformErrors.h"

#include <cerrno>
#include <unistd.h>

namespace hy::viewer {

QString ViewerIoMessage(int code)
{
    switch (code) {
    case kErrorFileNotFound:
        return QStringLiteral("Viewer: file not found");
    case kErrorPathNotFound:
        return QStringLiteral("Viewer: path not found or invalid file name");
    case kErrorTooManyOpenFiles:
        return QStringLiteral("Viewer: too many open files");
    case kErrorAccessDenied:
        return QStringLiteral("Viewer: file access denied");
    default:
        return QStringLiteral("Viewer triggered I/O error %1").arg(code);
    }
}

void ThrowViewerIoError(int code) { throw EInOutError(ViewerIoMessage(code), code); }

void ThrowViewerErrno(const char* path) { ThrowViewerIoError(platform::LastErrorCode(path)); }

size_t ReadAt(int fd, FileOffset offset, void* buf, size_t n)
{
    size_t done = 0;
    auto* out = static_cast<char*>(buf);
    while (done < n) {
        const ssize_t got = ::pread(fd, out + done, n - done, off_t(offset + FileOffset(done)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowViewerErrno();
        }
        if (got == 0)
            break;
        done += size_t(got);
    }
    return done;
}

} // namespace hy::viewer

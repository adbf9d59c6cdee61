// Sequential reads through POSIX calls.
#include "platform/ReadOnlyFile.h"

#include "base/ErrorCodes.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace hy::platform {

using namespace hy::base;

namespace {
    int CodeFor(int err, const QByteArray& path)
    {
        // Reading a directory as a file is refused like any other access.
        if (err == EISDIR)
            return kErrorAccessDenied;
        return ErrorCodeFromErrno(err, path.constData());
    }
} // namespace

TReadOnlyFile::~TReadOnlyFile() { Close(); }

int TReadOnlyFile::Open(const QString& path)
{
    Close();
    m_path = EncodeFileName(path);
    // Without blocking, so that a pipe cannot hang the command; its reads then fail instead.
    m_fd.Reset(::open(m_path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!m_fd.Valid()) {
        m_error = CodeFor(errno, m_path);
        return m_error;
    }
    ::posix_fadvise(m_fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    m_error = 0;
    return 0;
}

void TReadOnlyFile::Close() { m_fd.Reset(); }

qint64 TReadOnlyFile::Read(void* buffer, qint64 n)
{
    if (!m_fd.Valid()) {
        m_error = kErrorInvalidHandle;
        return -1;
    }
    auto* out = static_cast<char*>(buffer);
    qint64 done = 0;
    while (done < n) {
        const ssize_t got = ::read(m_fd.Get(), out + done, size_t(n - done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno == EAGAIN ? kErrorDiskRead : CodeFor(errno, m_path);
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace hy::platform

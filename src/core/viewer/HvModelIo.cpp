// File access of the viewer's file model.
#include "core/viewer/HvModelIo.h"

#include "base/ErrorCodes.h"
#include "base/HyExceptions.h"
#include "core/compress/DecodedSource.h"
#include "platform/PlatformErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <linux/magic.h>
#include <new>
#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace hy::viewer {

using namespace hy::base;

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

size_t ReadAt(const platform::TFileDescriptor& fd, FileOffset offset, void* buf, size_t n)
{
    size_t done = 0;
    auto* out = static_cast<char*>(buf);
    while (done < n) {
        const ssize_t got = ::pread(fd.Get(), out + done, n - done, off_t(offset + FileOffset(done)));
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

size_t ReadDecoded(compress::TDecodedSource& source, FileOffset offset, void* buf, size_t n)
{
    const qint64 got = source.Read(offset, buf, qint64(n));
    if (got < 0) {
        const compress::TSourceProblem problem = source.Problem();
        throw EInOutError(QStringLiteral("Viewer: %1").arg(problem.Message), kErrorDiskRead);
    }
    return size_t(got);
}

void THvAlignedBuffer::Free::operator()(uint8_t* p) const { std::free(p); }

uint8_t* THvAlignedBuffer::Reserve(size_t n)
{
    if (n <= m_size && m_data)
        return m_data.get();
    constexpr size_t kAlign = 4096;
    const size_t size = (std::max<size_t>(n, 1) + kAlign - 1) / kAlign * kAlign;
    m_data.reset(static_cast<uint8_t*>(std::aligned_alloc(kAlign, size)));
    if (!m_data) {
        m_size = 0;
        throw std::bad_alloc();
    }
    m_size = size;
    return m_data.get();
}

bool IsOnPseudoFileSystem(const platform::TFileDescriptor& fd)
{
    struct statfs fs { };
    if (::fstatfs(fd.Get(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

platform::TFileDescriptor SnapshotIntoMemory(const platform::TFileDescriptor& fd, size_t limit)
{
    THvAlignedBuffer buffer;
    const size_t chunk = std::min(limit, size_t(1) << 20);
    uint8_t* data = buffer.Reserve(chunk);
    platform::TFileDescriptor memory;
    size_t total = 0;
    const auto fail = [](int code) { ThrowViewerIoError(code); };
    while (total < limit) {
        const ssize_t got = ::read(fd.Get(), data, std::min(chunk, limit - total));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            // A pseudo file that has nothing more to give without waiting ends here.
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            fail(platform::LastErrorCode());
        }
        if (got == 0)
            break;
        if (!memory.Valid()) {
            memory.Reset(::memfd_create("hyview-snapshot", MFD_CLOEXEC));
            if (!memory.Valid())
                fail(platform::LastErrorCode());
        }
        for (ssize_t put = 0; put < got;) {
            const ssize_t n = ::write(memory.Get(), data + put, size_t(got - put));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(platform::LastErrorCode());
            put += n;
        }
        total += size_t(got);
    }
    return memory;
}

} // namespace hy::viewer

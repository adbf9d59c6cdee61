// Temporary member files: made exclusively, never through a link, and renamed or removed at their end.
#include "core/archive/MemberFiles.h"

#include "core/archive/HyUnzip.h"
#include "platform/PlatformErrors.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::archive {

mode_t ProcessUmask()
{
    static const mode_t mask = []() {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return mask;
}

platform::TFileDescriptor CreateMemberTemporary(
    const platform::TFileDescriptor& dir, const char* prefix, QByteArray& name)
{
    static std::atomic<unsigned> counter { 0 };
    static thread_local std::mt19937 random(std::random_device {}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + QByteArray::number(qint64(::getpid())) + '-' + QByteArray::number(++counter) + '-'
            + QByteArray::number(quint32(random()), 16) + ".tmp";
        platform::TFileDescriptor fd(
            ::openat(dir.Get(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.Valid() || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return platform::TFileDescriptor();
}

int PlaceMemberFile(int code, platform::TFileDescriptor& out, const platform::TFileDescriptor& dir,
    const QByteArray& tempName, const QByteArray& finalName)
{
    if (code == 0 && ::close(out.Release()) != 0)
        code = platform::ErrorCodeFromErrno(errno);
    if (code == 0 && ::renameat(dir.Get(), tempName.constData(), dir.Get(), finalName.constData()) != 0)
        code = errno == EISDIR ? int(kUnzipTargetIsFolder) : platform::ErrorCodeFromErrno(errno);
    if (code != 0) {
        out.Reset();
        ::unlinkat(dir.Get(), tempName.constData(), 0);
    }
    return code;
}

} // namespace hy::archive

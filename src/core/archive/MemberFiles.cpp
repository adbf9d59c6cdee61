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
    const platform::TFileDescriptor& dir, const char* prefix, QByteArray& name, mode_t mode)
{
    static std::atomic<unsigned> counter { 0 };
    static thread_local std::mt19937 random(std::random_device {}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + QByteArray::number(qint64(::getpid())) + '-' + QByteArray::number(++counter) + '-'
            + QByteArray::number(quint32(random()), 16) + ".tmp";
        platform::TFileDescriptor fd(
            ::openat(dir.Get(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
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
    if (code == 0 && tempName != finalName
        && ::renameat(dir.Get(), tempName.constData(), dir.Get(), finalName.constData()) != 0)
        code = errno == EISDIR ? int(kUnzipTargetIsFolder) : platform::ErrorCodeFromErrno(errno);
    if (code != 0) {
        out.Reset();
        ::unlinkat(dir.Get(), tempName.constData(), 0);
    }
    return code;
}

TBlockWriter::TBlockWriter(const platform::TFileDescriptor& out, bool aside)
    : m_out(out)
{
    if (aside)
        m_thread = std::thread([this]() { Run(); });
}

TBlockWriter::~TBlockWriter()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

int TBlockWriter::WriteNow(const char* data, size_t size, qint64 offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(m_out.Get(), data, size, off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return platform::ErrorCodeFromErrno(errno);
        }
        if (n == 0)
            return kUnzipDiskFull;
        data += n;
        size -= size_t(n);
        offset += n;
    }
    return 0;
}

int TBlockWriter::Put(const char* data, size_t size, qint64 offset)
{
    if (!m_thread.joinable()) {
        if (m_code == 0)
            m_code = WriteNow(data, size, offset);
        return m_code;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this]() { return m_data == nullptr; });
    if (m_code != 0)
        return m_code;
    m_data = data;
    m_size = size;
    m_offset = offset;
    m_changed.notify_all();
    return 0;
}

int TBlockWriter::Finish()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this]() { return m_data == nullptr; });
    return m_code;
}

void TBlockWriter::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this]() { return m_quit || m_data != nullptr; });
        if (m_data == nullptr)
            return;
        const char* data = m_data;
        const size_t size = m_size;
        const qint64 offset = m_offset;
        const int before = m_code;
        lock.unlock();
        const int code = before == 0 ? WriteNow(data, size, offset) : before;
        lock.lock();
        m_code = code;
        m_data = nullptr;
        m_changed.notify_all();
    }
}

} // namespace hy::archive

// File facts and operations through POSIX calls; errno becomes a program code here and nowhere else.
#include "platform/PlatformFiles.h"

#include "base/ErrorCodes.h"
#include "platform/FileDescriptor.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace hy::platform {

using namespace hy::base;

namespace {

    QByteArray Native(const QString& path) { return EncodeFileName(path); }

    int CodeFor(int err, const QByteArray& path)
    {
        // Deleting or opening a directory as a file is refused like any other access.
        if (err == EISDIR)
            return kErrorAccessDenied;
        return ErrorCodeFromErrno(err, path.constData());
    }

    QDateTime FromTimespec(const timespec& ts)
    {
        return QDateTime::fromMSecsSinceEpoch(qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
    }

    bool IsHiddenName(const QByteArray& path)
    {
        QByteArray p = path;
        while (p.size() > 1 && p.endsWith('/'))
            p.chop(1);
        const QByteArray name = p.mid(p.lastIndexOf('/') + 1);
        return name.startsWith('.') && name != "." && name != "..";
    }

    // The process's file creation mask, read without changing it (umask() can only read it by setting it,
    // which another thread creating a file at that moment would notice).
    mode_t CurrentUmask()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
                if (line.startsWith("Umask:")) {
                    bool ok = false;
                    const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                    if (ok)
                        return mode_t(mask & 0777);
                }
            }
        }
        return 022;
    }

    // Opens a file for reading without waiting on it (a pipe would wait for a writer) and takes its facts;
    // anything but a regular file is refused with notRegular.
    int OpenRegularFile(const QByteArray& path, TFileDescriptor& fd, struct stat& st, int notRegular)
    {
        fd.Reset(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        if (!fd.Valid())
            return CodeFor(errno, path);
        if (::fstat(fd.Get(), &st) != 0)
            return CodeFor(errno, path);
        return S_ISREG(st.st_mode) ? 0 : notRegular;
    }

    int WriteAll(const TFileDescriptor& fd, const char* data, qint64 count)
    {
        while (count > 0) {
            const ssize_t n = ::write(fd.Get(), data, size_t(count));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            data += n;
            count -= n;
        }
        return 0;
    }

} // namespace

TFileFacts ReadFileFacts(const QString& path)
{
    TFileFacts facts;
    const QByteArray p = Native(path);
    struct stat st { };
    if (::stat(p.constData(), &st) != 0) {
        const int err = errno;
        if (::lstat(p.constData(), &st) != 0) {
            facts.errorCode = CodeFor(err, p);
            return facts;
        }
    }
    facts.errorCode = 0;
    facts.size = st.st_size;
    facts.modified = FromTimespec(st.st_mtim);
    if (S_ISDIR(st.st_mode))
        facts.attributes |= faDirectory;
    else if (!S_ISREG(st.st_mode))
        facts.attributes |= faSysFile;
    if (::access(p.constData(), W_OK) != 0)
        facts.attributes |= faReadOnly;
    if (IsHiddenName(p))
        facts.attributes |= faHidden;
    return facts;
}

int RemoveFile(const QString& path, bool force)
{
    const QByteArray p = Native(path);
    if (::unlink(p.constData()) == 0)
        return 0;
    const int code = CodeFor(errno, p);
    if (code != kErrorAccessDenied || !force)
        return code;
    struct stat st { };
    if (::lstat(p.constData(), &st) != 0 || S_ISLNK(st.st_mode) || S_ISDIR(st.st_mode))
        return code;
    if (::chmod(p.constData(), (st.st_mode & 07777) | S_IWUSR) != 0)
        return code;
    if (::unlink(p.constData()) == 0)
        return 0;
    const int again = CodeFor(errno, p);
    ::chmod(p.constData(), st.st_mode & 07777);
    return again;
}

int MakeDirectory(const QString& path)
{
    const QByteArray p = Native(path);
    if (::mkdir(p.constData(), 0777) == 0)
        return 0;
    const int err = errno;
    if (err == EEXIST) {
        // The name is taken: fine by a directory, a bad path when a file holds it.
        struct stat st { };
        return ::stat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : kErrorPathNotFound;
    }
    return CodeFor(err, p);
}

int SetModifiedTime(const QString& path, const QDateTime& time)
{
    const QByteArray p = Native(path);
    const qint64 ms = time.toMSecsSinceEpoch();
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(ms / 1000);
    times[1].tv_nsec = long((ms % 1000) * 1000000);
    if (times[1].tv_nsec < 0) {
        times[1].tv_sec -= 1;
        times[1].tv_nsec += 1000000000L;
    }
    if (::utimensat(AT_FDCWD, p.constData(), times, 0) == 0)
        return 0;
    return CodeFor(errno, p);
}

EntryKind KindOf(const QString& path, int* errorCode)
{
    const QByteArray p = Native(path);
    struct stat st { };
    if (::stat(p.constData(), &st) != 0) {
        if (errorCode)
            *errorCode = CodeFor(errno, p);
        return EntryKind::Missing;
    }
    if (errorCode)
        *errorCode = 0;
    if (S_ISREG(st.st_mode))
        return EntryKind::RegularFile;
    return S_ISDIR(st.st_mode) ? EntryKind::Directory : EntryKind::Other;
}

bool IsExecutableFile(const QString& path)
{
    const QByteArray p = Native(path);
    struct stat st { };
    return ::stat(p.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.constData(), X_OK) == 0;
}

bool IsWritableDirectory(const QString& path)
{
    const QByteArray p = Native(path);
    struct stat st { };
    return ::stat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(p.constData(), W_OK | X_OK) == 0;
}

void RaiseOpenFileLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

TReplacingFile::TReplacingFile(const QString& target)
    : m_target(Native(target))
{
}

TReplacingFile::~TReplacingFile() { Discard(); }

void TReplacingFile::Discard()
{
    m_fd.Reset();
    if (!m_temp.isEmpty())
        ::unlink(m_temp.constData());
    m_temp.clear();
}

int TReplacingFile::Open()
{
    // The file keeps the permissions of the one it replaces; a new one gets those of any new file.
    mode_t mode = 0666 & ~CurrentUmask();
    struct stat st { };
    if (::stat(m_target.constData(), &st) == 0) {
        // Devices and pipes are not replaced by a file, and a target that may not be written is refused
        // as writing into it would be.
        if (!S_ISREG(st.st_mode))
            return m_error = kErrorAccessDenied;
        if (::access(m_target.constData(), W_OK) != 0)
            return m_error = CodeFor(errno, m_target);
        mode = st.st_mode & 07777;
    }
    m_temp = m_target + ".hycopy-XXXXXX";
    m_fd.Reset(::mkostemp(m_temp.data(), O_CLOEXEC));
    if (!m_fd.Valid()) {
        m_temp.clear();
        return m_error = CodeFor(errno, m_target);
    }
    ::fchmod(m_fd.Get(), mode);
    return m_error = 0;
}

int TReplacingFile::Write(const char* data, qint64 size)
{
    if (m_error == 0 && !m_fd.Valid())
        m_error = 6;
    if (m_error == 0) {
        if (const int err = WriteAll(m_fd, data, size))
            m_error = CodeFor(err, m_target);
    }
    return m_error;
}

int TReplacingFile::Commit()
{
    if (m_error == 0 && !m_fd.Valid())
        m_error = 6;
    // A full disk can show itself only when the data reach it.
    if (m_error == 0 && ::fsync(m_fd.Get()) != 0 && errno != EINVAL)
        m_error = CodeFor(errno, m_target);
    // Closed here rather than by the holder, so that a failure to write out at the close is told.
    if (m_fd.Valid() && ::close(m_fd.Release()) != 0 && m_error == 0)
        m_error = CodeFor(errno, m_target);
    if (m_error == 0 && ::rename(m_temp.constData(), m_target.constData()) != 0)
        m_error = CodeFor(errno, m_target);
    if (m_error == 0)
        m_temp.clear();
    else
        Discard();
    return m_error;
}

int CopyFileData(const QString& source, const QString& target, qint64 blockLimit, const TProgress& progress)
{
    const QByteArray s = Native(source);
    const QByteArray t = Native(target);

    // Only regular files are copied: a pipe cannot hang the copy.
    TFileDescriptor in;
    struct stat sst { };
    if (const int code = OpenRegularFile(s, in, sst, kErrorAccessDenied))
        return code;
    // Two names of one file: opening the target for writing would empty the source.
    struct stat tst { };
    if (::stat(t.constData(), &tst) == 0 && tst.st_dev == sst.st_dev && tst.st_ino == sst.st_ino)
        return kErrorCopySameFile;

    const qint64 block = std::max<qint64>(1, std::min<qint64>(blockLimit, sst.st_size));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size_t(block)]);
    if (!buffer)
        return kErrorNotEnoughMemory;

    TReplacingFile out(target);
    if (const int code = out.Open())
        return code;
    qint64 done = 0;
    for (;;) {
        const ssize_t n = ::read(in.Get(), buffer.get(), size_t(block));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return CodeFor(errno, s);
        }
        if (n > 0) {
            if (const int code = out.Write(buffer.get(), n))
                return code;
            done += n;
        }
        if (progress && !progress(done, sst.st_size))
            return kErrorSearchStopped;
        if (n < block)
            break;
    }

    struct stat now { };
    if (::fstat(in.Get(), &now) != 0)
        return CodeFor(errno, s);
    if (done != now.st_size)
        return kErrorCopySizeMismatch;
    const timespec times[2] = { sst.st_atim, sst.st_mtim };
    ::futimens(out.Descriptor().Get(), times);
    ::fchmod(out.Descriptor().Get(), sst.st_mode & 07777);
    return out.Commit();
}

int OpenForReading(QFile& file, const QString& path)
{
    TFileDescriptor fd;
    struct stat st { };
    if (const int code = OpenRegularFile(Native(path), fd, st, kErrorAccessDenied))
        return code;
    if (!file.open(fd.Get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return kErrorAccessDenied;
    fd.Release(); // file closes it now
    return 0;
}

int OpenForReading(TFileDescriptor& fd, const QString& path)
{
    struct stat st { };
    TFileDescriptor opened;
    if (const int code = OpenRegularFile(Native(path), opened, st, kErrorAccessDenied))
        return code;
    const int flags = ::fcntl(opened.Get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(opened.Get(), F_SETFL, flags & ~O_NONBLOCK);
    fd = std::move(opened);
    return 0;
}

qint64 ReadFileAt(const TFileDescriptor& fd, qint64 offset, void* buffer, qint64 n)
{
    auto* out = static_cast<char*>(buffer);
    qint64 done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd.Get(), out + done, size_t(n - done), off_t(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

bool WriteFileAt(const TFileDescriptor& fd, qint64 offset, const void* buffer, qint64 n)
{
    const auto* in = static_cast<const char*>(buffer);
    qint64 done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(fd.Get(), in + done, size_t(n - done), off_t(offset + done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        done += put;
    }
    return true;
}

TFileIdentity IdentityOfFacts(const struct stat& st)
{
    TFileIdentity id;
    id.Device = quint64(st.st_dev);
    id.Inode = quint64(st.st_ino);
    id.Size = qint64(st.st_size);
    id.ModifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

TFileIdentity IdentityOf(const TFileDescriptor& fd)
{
    struct stat st { };
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0)
        return TFileIdentity();
    return IdentityOfFacts(st);
}

TFileIdentity IdentityOfName(const QString& path)
{
    struct stat st { };
    if (::stat(Native(path).constData(), &st) != 0)
        return TFileIdentity();
    return IdentityOfFacts(st);
}

int ReadSmallFile(const QString& path, qint64 limit, QByteArray& contents)
{
    contents.clear();
    const QByteArray p = Native(path);
    TFileDescriptor file;
    struct stat st { };
    if (const int code = OpenRegularFile(p, file, st, kErrorNotRegularFile))
        return code;
    if (st.st_size > limit)
        return kErrorFileTooLarge;
    // The file may grow meanwhile: never more than the limit is taken in.
    QByteArray data(qsizetype(std::min<qint64>(limit, st.st_size) + 1), Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        if (done == data.size()) {
            if (done > limit)
                return kErrorFileTooLarge;
            data.resize(std::min<qint64>(limit + 1, done * 2 + 4096));
        }
        const ssize_t n = ::read(file.Get(), data.data() + done, size_t(data.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return CodeFor(errno, p);
        }
        if (n == 0)
            break;
        done += n;
    }
    if (done > limit)
        return kErrorFileTooLarge;
    data.truncate(qsizetype(done));
    contents = data;
    return 0;
}

} // namespace hy::platform

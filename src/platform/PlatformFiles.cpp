// File facts and operations through POSIX calls; errno becomes a program code here and nowhere else.
#include "platform/PlatformFiles.h"

#include "base/ErrorCodes.h"
#include "platform/PlatformErrors.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::platform {

namespace {

    QByteArray Native(const QString& path) { return EncodeFileName(path); }

    // The length of the valid UTF-8 sequence at p (at most n bytes), or 0 when none starts there.
    int Utf8SequenceLength(const unsigned char* p, qsizetype n)
    {
        const unsigned char c = p[0];
        int length = 0;
        char32_t min = 0;
        if (c < 0x80)
            return 1;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            min = 0x10000;
        } else {
            return 0;
        }
        if (n < length)
            return 0;
        char32_t code = c & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return 0;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return 0;
        return length;
    }

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

    int WriteAll(int fd, const char* data, qint64 count)
    {
        while (count > 0) {
            const ssize_t n = ::write(fd, data, size_t(count));
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

QString DecodeFileName(const char* bytes, qsizetype size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype i = 0;
    while (i < size && p[i] < 0x80)
        ++i;
    if (i == size)
        return QString::fromLatin1(bytes, size);
    for (qsizetype j = i; j < size;) {
        const int length = Utf8SequenceLength(p + j, size - j);
        if (length == 0) {
            // Not UTF-8 throughout: decode what is valid and escape every other byte.
            QString name = QString::fromLatin1(bytes, i);
            while (i < size) {
                const int n = Utf8SequenceLength(p + i, size - i);
                if (n == 0) {
                    name += QChar(char16_t(0xDC00 + p[i]));
                    ++i;
                } else {
                    name += QString::fromUtf8(bytes + i, n);
                    i += n;
                }
            }
            return name;
        }
        j += length;
    }
    return QString::fromUtf8(bytes, size);
}

QString DecodeFileName(const QByteArray& bytes) { return DecodeFileName(bytes.constData(), bytes.size()); }

QByteArray EncodeFileName(const QString& name)
{
    bool escaped = false;
    for (const QChar c : name) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            escaped = true;
            break;
        }
    }
    if (!escaped)
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(name[i + 1].unicode())) {
            bytes += QStringView(name).mid(i, 2).toUtf8();
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            bytes += char(c - 0xDC00);
        } else {
            bytes += QStringView(name).mid(i, 1).toUtf8();
        }
    }
    return bytes;
}

FileFacts ReadFileFacts(const QString& path)
{
    FileFacts facts;
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

int CopyFileData(const QString& source, const QString& target, qint64 blockLimit)
{
    const QByteArray s = Native(source);
    const QByteArray t = Native(target);

    // Opened without blocking so that a pipe cannot hang the copy; only regular files are copied.
    const int in = ::open(s.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (in < 0)
        return CodeFor(errno, s);
    struct stat sst { };
    if (::fstat(in, &sst) != 0 || !S_ISREG(sst.st_mode)) {
        const int code
            = errno != 0 && !S_ISREG(sst.st_mode) && sst.st_mode == 0 ? CodeFor(errno, s) : kErrorAccessDenied;
        ::close(in);
        return code;
    }
    // Two names of one file: opening the target for writing would empty the source.
    struct stat tst { };
    if (::stat(t.constData(), &tst) == 0 && tst.st_dev == sst.st_dev && tst.st_ino == sst.st_ino) {
        ::close(in);
        return kErrorCopySameFile;
    }

    const qint64 block = std::max<qint64>(1, std::min<qint64>(blockLimit, sst.st_size));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size_t(block)]);
    if (!buffer) {
        ::close(in);
        return kErrorNotEnoughMemory;
    }

    // A target that may not be written is refused, as writing into it would be.
    if (::access(t.constData(), F_OK) == 0 && ::access(t.constData(), W_OK) != 0) {
        const int code = CodeFor(errno, t);
        ::close(in);
        return code;
    }
    // The copy is written beside the target under a temporary name and takes the target's name only when
    // complete, so a failed copy leaves an existing target as it was.
    QByteArray temp = t + ".hycopy-XXXXXX";
    const int out = ::mkstemp(temp.data());
    if (out < 0) {
        const int code = CodeFor(errno, t);
        ::close(in);
        return code;
    }
    ::fcntl(out, F_SETFD, FD_CLOEXEC);

    int err = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), size_t(block));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = CodeFor(errno, s);
            break;
        }
        if (n > 0) {
            if (const int w = WriteAll(out, buffer.get(), n)) {
                err = CodeFor(w, t);
                break;
            }
        }
        if (n < block)
            break;
    }

    if (err == 0) {
        struct stat now {
        }, copy {};
        if (::fstat(in, &now) != 0 || ::fstat(out, &copy) != 0)
            err = CodeFor(errno, t);
        else if (copy.st_size != now.st_size)
            err = kErrorCopySizeMismatch;
        else {
            const timespec times[2] = { sst.st_atim, sst.st_mtim };
            ::futimens(out, times);
            ::fchmod(out, sst.st_mode & 07777);
        }
    }
    ::close(in);
    if (::close(out) != 0 && err == 0)
        err = CodeFor(errno, t);
    if (err == 0 && ::rename(temp.constData(), t.constData()) != 0)
        err = CodeFor(errno, t);
    if (err != 0)
        ::unlink(temp.constData());
    return err;
}

} // namespace hy::platform

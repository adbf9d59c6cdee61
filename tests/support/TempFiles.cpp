// Temporary folders and files for tests.
#include "support/TempFiles.h"

#include "platform/FileNames.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::test {

TTempFolder::~TTempFolder()
{
    if (!m_dir.isValid())
        return;
    const auto remove = [](const char* path, const struct stat*, int kind, struct FTW*) {
        if (kind == FTW_DP)
            ::rmdir(path);
        else
            ::unlink(path);
        return 0;
    };
    ::nftw(platform::EncodeFileName(m_dir.path()).constData(), remove, 16, FTW_DEPTH | FTW_PHYS);
}

QString TTempFolder::PathOf(const QString& name) const
{
    return QDir::isAbsolutePath(name) ? name : m_dir.path() + QLatin1Char('/') + name;
}

QString TTempFolder::Write(const QString& name, const QByteArray& bytes, int mode) const
{
    const QString path = PathOf(name);
    const QByteArray native = platform::EncodeFileName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return QString();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    ::chmod(native.constData(), mode_t(mode));
    return done == bytes.size() ? path : QString();
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace hy::test

// Numbered output files that are made exclusively.
#include "core/print/PrintOutputFiles.h"

#include "base/HyExceptions.h"
#include "common/ErrorText.h"
#include "platform/FileDescriptor.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::print {

using namespace hy::base;
using namespace hy::common;

namespace {
    // Far more names than anyone keeps beside one printout; past them the folder is taken to be unusable.
    constexpr int kLastNumber = 9999;

    bool NameTaken(const QString& name)
    {
        struct stat st { };
        return ::lstat(platform::EncodeFileName(name).constData(), &st) == 0;
    }

    [[noreturn]] void CannotMake(const QString& name, int code)
    {
        throw Exception(QStringLiteral("The printout cannot be written to\r") + platform::DisplayFileName(name)
            + QStringLiteral("\r\r") + ErrorText(code));
    }
} // namespace

QString NumberedFileName(const QString& fileName, int number)
{
    if (number <= 1)
        return fileName;
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString base = info.fileName().left(info.fileName().size() - suffix.size());
    return QDir(info.path()).filePath(base + QLatin1Char('-') + QString::number(number) + suffix);
}

QString FirstFreeFileName(const QString& fileName)
{
    for (int number = 1; number <= kLastNumber; ++number) {
        const QString name = NumberedFileName(fileName, number);
        if (!NameTaken(name))
            return name;
    }
    return fileName;
}

TPrintOutputFiles::TPrintOutputFiles(const QString& wanted, bool keepFirst)
    : m_wanted(wanted)
    , m_keepFirst(keepFirst)
{
}

QString TPrintOutputFiles::Next()
{
    if (m_number == 0 && m_keepFirst) {
        m_number = 1;
        m_files << m_wanted;
        return m_wanted;
    }
    while (m_number < kLastNumber) {
        const QString name = NumberedFileName(m_wanted, ++m_number);
        const QByteArray native = platform::EncodeFileName(name);
        const platform::TFileDescriptor made(
            ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (made.Valid()) {
            m_files << name;
            m_made << name;
            return name;
        }
        if (errno != EEXIST)
            CannotMake(name, platform::LastErrorCode(native.constData()));
    }
    CannotMake(NumberedFileName(m_wanted, m_number), kErrorAccessDenied);
}

void TPrintOutputFiles::DropLast()
{
    if (m_files.isEmpty())
        return;
    const QString name = m_files.takeLast();
    if (!m_made.contains(name))
        return;
    m_made.removeOne(name);
    const QByteArray native = platform::EncodeFileName(name);
    struct stat st { };
    if (::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        ::unlink(native.constData());
}

} // namespace hy::print

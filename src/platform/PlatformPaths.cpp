// Platform folders.
#include "platform/PlatformPaths.h"

#include "platform/FileNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <climits>
#include <unistd.h>

namespace hy::platform {

QString SettingsFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/Halcyra"));
}

QString ProgramFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString DataFile(const QString& name)
{
    const QString beside = QDir(ProgramFolder()).filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
#ifdef HY_SOURCE_DIR
    const QString inTree = QDir(QStringLiteral(HY_SOURCE_DIR "/resources")).filePath(name);
    if (QFileInfo::exists(inTree))
        return inTree;
#endif
    return beside;
}

QString CurrentFolder()
{
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer))
        return DecodeFileName(QByteArray(buffer));
    return QDir::currentPath();
}

QString TempFolder()
{
    const QString tmp = qEnvironmentVariable("TMPDIR");
    return tmp.isEmpty() ? QStringLiteral("/tmp") : tmp;
}

} // namespace hy::platform

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

namespace {

    // The source tree's copy of a resource, for a program that runs from inside the build tree, which holds
    // no copy of most resources; empty for a program anywhere else.
    QString FromSourceTree(const QString& programFolder, const QString& name)
    {
        const QString tree = QFileInfo(QStringLiteral(HY_BUILD_DIR)).canonicalFilePath();
        const QString here = QFileInfo(programFolder).canonicalFilePath();
        if (tree.isEmpty() || here.isEmpty() || (here != tree && !here.startsWith(tree + QLatin1Char('/'))))
            return QString();
        const QString inTree = QDir(QStringLiteral(HY_SOURCE_DIR "/resources")).filePath(name);
        return QFileInfo::exists(inTree) ? inTree : QString();
    }

} // namespace

QString DataFile(const QString& name) { return DataFileFrom(ProgramFolder(), name); }

QString DataFileFrom(const QString& programFolder, const QString& name)
{
    const QDir program(programFolder);
    const QString beside = program.filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(program.filePath(QStringLiteral("../share/halcyra-viewer/") + name));
    if (QFileInfo::exists(installed))
        return installed;
    const QString inTree = FromSourceTree(programFolder, name);
    return inTree.isEmpty() ? beside : inTree;
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

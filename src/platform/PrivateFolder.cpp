// Checking private folders and making the one of the program's sockets.
#include "platform/PrivateFolder.h"

#include "platform/FileNames.h"
#include "platform/PlatformPaths.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

namespace hy::platform {

namespace {
    // Nobody else may move or replace our entries in a folder that belongs to us (or to root) and that is
    // either closed to others' writing or sticky, as /tmp is.
    bool KeepsEntriesInPlace(const QString& folder)
    {
        struct stat st { };
        if (::stat(EncodeFileName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
        const bool trustedOwner = st.st_uid == ::getuid() || st.st_uid == 0;
        return trustedOwner && ((st.st_mode & S_ISVTX) != 0 || (st.st_mode & (S_IWGRP | S_IWOTH)) == 0);
    }
} // namespace

bool IsPrivateFolderEntry(const struct stat& facts)
{
    return S_ISDIR(facts.st_mode) && facts.st_uid == ::geteuid() && (facts.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool IsPrivateFolder(const QString& folder)
{
    struct stat st { };
    return !folder.isEmpty() && ::lstat(EncodeFileName(folder).constData(), &st) == 0 && IsPrivateFolderEntry(st);
}

QString PrivateSocketFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    const QString temp = QDir::cleanPath(TempFolder());
    if (!KeepsEntriesInPlace(temp))
        return QString();
    const QString own = temp + QStringLiteral("/halcyra-viewer-") + QString::number(::getuid());
    // An existing entry of that name is used only when it passes the same check as one made here.
    ::mkdir(EncodeFileName(own).constData(), 0700);
    return IsPrivateFolder(own) ? own : QString();
}

} // namespace hy::platform

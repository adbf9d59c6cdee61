// Drives from the mount table, through QStorageInfo.
#include "platform/PlatformDrives.h"

#include <QStorageInfo>
#include <algorithm>

namespace hy::platform {

namespace {

    bool Under(const QString& root, const QString& top)
    {
        return root == top || root.startsWith(top + QLatin1Char('/'));
    }

} // namespace

bool ClassifyMount(const QString& root, const QString& fileSystemType, const QString& device, DriveKind& kind)
{
    static const QStringList pseudo = {
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),
        QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),
        QStringLiteral("squashfs"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("securityfs"),
        QStringLiteral("pstore"),
        QStringLiteral("bpf"),
        QStringLiteral("configfs"),
        QStringLiteral("fusectl"),
        QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("autofs"),
        QStringLiteral("efivarfs"),
        QStringLiteral("nsfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"),
    };
    const QString type = fileSystemType.toLower();
    if (pseudo.contains(type))
        return false;
    const bool mediaMount = Under(root, QStringLiteral("/media")) || Under(root, QStringLiteral("/run/media"));
    if (!(root == QLatin1String("/") || Under(root, QStringLiteral("/home")) || mediaMount
            || Under(root, QStringLiteral("/mnt"))))
        return false;
    if (type == QLatin1String("iso9660") || type == QLatin1String("udf"))
        kind = DriveKind::CdRom;
    else if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs"))
        kind = DriveKind::RamDisk;
    else if (type.startsWith(QLatin1String("nfs")) || type == QLatin1String("cifs")
        || type.startsWith(QLatin1String("smb")) || type == QLatin1String("sshfs")
        || type.startsWith(QLatin1String("fuse.")) || type == QLatin1String("9p") || type == QLatin1String("afs"))
        kind = DriveKind::Remote;
    else if (mediaMount || device.contains(QLatin1String("usb"), Qt::CaseInsensitive))
        kind = DriveKind::Removable;
    else
        kind = DriveKind::Fixed;
    return true;
}

QList<TDriveInfo> BrowsableDrives()
{
    QList<TDriveInfo> drives;
    bool haveRoot = false;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& volume : volumes) {
        if (!volume.isValid())
            continue;
        DriveKind kind;
        const QString root = volume.rootPath();
        if (!ClassifyMount(
                root, QString::fromLatin1(volume.fileSystemType()), QString::fromLocal8Bit(volume.device()), kind))
            continue;
        if (std::any_of(drives.cbegin(), drives.cend(), [&](const TDriveInfo& d) { return d.root == root; }))
            continue;
        haveRoot = haveRoot || root == QLatin1String("/");
        drives.append(TDriveInfo { root, kind, volume.name() });
    }
    if (!haveRoot)
        drives.append(TDriveInfo { QStringLiteral("/"), DriveKind::Fixed, QString() });
    std::sort(drives.begin(), drives.end(), [](const TDriveInfo& a, const TDriveInfo& b) { return a.root < b.root; });
    return drives;
}

} // namespace hy::platform

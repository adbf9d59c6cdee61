// The drives a person browses: "/" and the file systems mounted under /home, /media, /mnt and
// /run/media, each with its kind and volume name. Pseudo file systems never appear.
#pragma once

#include <QList>
#include <QString>

namespace hy::platform {

enum class DriveKind { Removable, Fixed, Remote, CdRom, RamDisk };

struct TDriveInfo {
    QString root; // the mount path
    DriveKind kind = DriveKind::Fixed;
    QString label; // the volume name; may be empty
};

// Whether a mount is one a person browses, and of which kind. False for pseudo file systems and for
// mounts outside "/", /home, /media, /mnt and /run/media.
bool ClassifyMount(const QString& root, const QString& fileSystemType, const QString& device, DriveKind& kind);

// The mounted drives, ordered by mount path; "/" is always among them.
QList<TDriveInfo> BrowsableDrives();

} // namespace hy::platform

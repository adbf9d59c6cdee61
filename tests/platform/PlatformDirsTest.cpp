// Packed time stamps, and which mounts are drives.
#include "platform/PlatformDirs.h"
#include "platform/PlatformDrives.h"

#include "support/QtPrinters.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace hy::platform;

TEST(PlatformDirs, PackedTimeStamps)
{
    const QDateTime stamp(QDate(2004, 7, 9), QTime(13, 45, 31));
    const quint32 packed = PackedLocalTime(stamp.toSecsSinceEpoch());
    EXPECT_EQ(packed >> 25, 24u);
    EXPECT_EQ((packed >> 21) & 0xF, 7u);
    EXPECT_EQ((packed >> 16) & 0x1F, 9u);
    EXPECT_EQ((packed >> 11) & 0x1F, 13u);
    EXPECT_EQ((packed >> 5) & 0x3F, 45u);
    EXPECT_EQ(packed & 0x1F, 15u);
    EXPECT_EQ(PackedLocalTime(QDateTime(QDate(1979, 12, 31), QTime(12, 0)).toSecsSinceEpoch()), 0u);
    EXPECT_EQ(PackedLocalTime(QDateTime(QDate(2200, 1, 1), QTime(0, 0)).toSecsSinceEpoch()) >> 25, 127u);
    // Stamps past 2043 use the top bit and must still order after earlier ones.
    EXPECT_GT(PackedLocalTime(QDateTime(QDate(2050, 1, 1), QTime(0, 0)).toSecsSinceEpoch()), packed);
}

TEST(PlatformDrives, MountsAPersonBrowses)
{
    const struct {
        const char* root;
        const char* type;
        const char* device;
        bool shown;
        DriveKind kind;
    } cases[] = {
        { "/", "ext4", "/dev/sda1", true, DriveKind::Fixed },
        { "/", "overlay", "overlay", true, DriveKind::Fixed },
        { "/home", "btrfs", "/dev/nvme0n1p3", true, DriveKind::Fixed },
        { "/media/ann/STICK", "vfat", "/dev/sdb1", true, DriveKind::Removable },
        { "/run/media/ann/DISC", "iso9660", "/dev/sr0", true, DriveKind::CdRom },
        { "/mnt/share", "cifs", "//server/share", true, DriveKind::Remote },
        { "/mnt/box", "fuse.sshfs", "box:", true, DriveKind::Remote },
        { "/mnt/ram", "tmpfs", "tmpfs", true, DriveKind::RamDisk },
        { "/mnt/usbdisk", "ext4", "/dev/disk/by-id/usb-Disk-part1", true, DriveKind::Removable },
        { "/proc", "proc", "proc", false, DriveKind::Fixed },
        { "/sys", "sysfs", "sysfs", false, DriveKind::Fixed },
        { "/dev", "devtmpfs", "udev", false, DriveKind::Fixed },
        { "/run/user/1000", "tmpfs", "tmpfs", false, DriveKind::Fixed },
        { "/snap/core/1", "squashfs", "/dev/loop0", false, DriveKind::Fixed },
        { "/boot/efi", "vfat", "/dev/sda2", false, DriveKind::Fixed },
        { "/homework", "ext4", "/dev/sdc1", false, DriveKind::Fixed },
    };
    for (const auto& c : cases) {
        DriveKind kind = DriveKind::Fixed;
        const bool shown
            = ClassifyMount(QString::fromUtf8(c.root), QString::fromUtf8(c.type), QString::fromUtf8(c.device), kind);
        EXPECT_EQ(shown, c.shown) << c.root;
        if (c.shown) {
            EXPECT_EQ(int(kind), int(c.kind)) << c.root;
        }
    }
    const QList<DriveInfo> drives = BrowsableDrives();
    ASSERT_FALSE(drives.isEmpty());
    EXPECT_EQ(drives.first().root, u"/");
}

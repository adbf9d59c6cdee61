// Packed time stamps, which mounts are drives, and folders opened inside their parents.
#include "platform/PlatformDirs.h"
#include "platform/PlatformDrives.h"

#include "base/ErrorCodes.h"
#include "support/QtPrinters.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    const QList<TDriveInfo> drives = BrowsableDrives();
    ASSERT_FALSE(drives.isEmpty());
    EXPECT_EQ(drives.first().root, u"/");
}

// A folder opened inside its parent is never reached through a link, and the parent's descriptor outlives
// the reading of its entries so that the folders inside it can be opened after it.
TEST(PlatformDirs, OpenInsideRefusesLinksAndKeepsTheParent)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray root = QFile::encodeName(temp.path());
    ASSERT_EQ(::mkdir((root + "/real").constData(), 0755), 0);
    ASSERT_EQ(::symlink("real", (root + "/link").constData()), 0);
    ASSERT_EQ(::symlink("/", (root + "/slash").constData()), 0);
    const int fd = ::open((root + "/file").constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);

    TDirectoryReader top;
    ASSERT_EQ(top.Open(temp.path()), 0);
    const TFileIdentity topIdentity = top.Identity();
    const TFileDescriptor parent = top.ReleaseDirectory();
    ASSERT_TRUE(parent.Valid());
    EXPECT_FALSE(top.IsOpen());

    const struct {
        const char* name;
        int code;
    } cases[] = {
        { "real", 0 },
        { "link", hy::base::kErrorPathNotFound },
        { "slash", hy::base::kErrorPathNotFound },
        { "file", hy::base::kErrorPathNotFound },
        { "missing", hy::base::kErrorPathNotFound },
    };
    for (const auto& c : cases) {
        TDirectoryReader inner;
        EXPECT_EQ(inner.OpenInside(parent, c.name), c.code) << c.name;
        EXPECT_EQ(inner.IsOpen(), c.code == 0) << c.name;
        if (c.code == 0) {
            struct stat st { };
            ASSERT_EQ(::stat((root + "/" + c.name).constData(), &st), 0);
            EXPECT_TRUE(inner.Identity().SameFile(IdentityOfFacts(st))) << c.name;
            EXPECT_FALSE(inner.Identity().SameFile(topIdentity)) << c.name;
        }
    }
    TDirectoryReader orphan;
    EXPECT_EQ(orphan.OpenInside(TFileDescriptor(), "real"), hy::base::kErrorInvalidHandle);
    EXPECT_FALSE(orphan.ReleaseDirectory().Valid());
}

// Why a folder cannot be made somewhere: the kernel's own file systems, and a folder the user may not write.
TEST(PlatformDirs, WhyNoFoldersCanBeMade)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    EXPECT_EQ(WhyNoFoldersIn(temp.path()), FolderRefusal::None);
    if (QFile::exists(QStringLiteral("/proc/self"))) {
        EXPECT_EQ(WhyNoFoldersIn(QStringLiteral("/proc")), FolderRefusal::SystemFileSystem);
        EXPECT_EQ(WhyNoFoldersIn(QStringLiteral("/proc/self")), FolderRefusal::SystemFileSystem);
    }
    const QString locked = temp.path() + QStringLiteral("/locked");
    ASSERT_EQ(::mkdir(QFile::encodeName(locked).constData(), 0555), 0);
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, who may write into any folder";
    EXPECT_EQ(WhyNoFoldersIn(locked), FolderRefusal::NotPermitted);
}

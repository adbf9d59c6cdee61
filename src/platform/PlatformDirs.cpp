// Directory reading through POSIX calls; errno becomes a program code here and nowhere else.
#include "platform/PlatformDirs.h"

#include "base/ErrorCodes.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformFiles.h"

#include <QList>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace hy::platform {

using namespace hy::base;

namespace {

    // Whether the current user may write an entry, from its mode bits. Access control lists are not
    // consulted: asking the kernel for every entry of a large folder would double the cost of a read.
    bool WritableByUser(const struct stat& st)
    {
        static const uid_t euid = ::geteuid();
        static const QList<gid_t> groups = [] {
            QList<gid_t> list { ::getegid() };
            const int n = ::getgroups(0, nullptr);
            if (n > 0) {
                QList<gid_t> more(n);
                if (::getgroups(n, more.data()) == n)
                    list += more;
            }
            return list;
        }();
        if (euid == 0)
            return true;
        if (st.st_uid == euid)
            return st.st_mode & S_IWUSR;
        if (groups.contains(st.st_gid))
            return st.st_mode & S_IWGRP;
        return st.st_mode & S_IWOTH;
    }

    int DirectoryCode(int err, const char* path)
    {
        // A folder that is missing is a path that cannot be found, whichever part of it is missing.
        if (err == ENOENT || err == ENOTDIR || err == ELOOP || err == ENAMETOOLONG)
            return kErrorPathNotFound;
        return ErrorCodeFromErrno(err, path);
    }

    void FillRecord(const struct stat& st, bool readOnlyFileSystem, bool hiddenName, TSearchRec& record)
    {
        int attributes = 0;
        if (S_ISLNK(st.st_mode))
            attributes |= faSysFile | faLink;
        else if (S_ISDIR(st.st_mode))
            attributes |= faDirectory;
        else if (!S_ISREG(st.st_mode))
            attributes |= faSysFile;
        if (readOnlyFileSystem || !WritableByUser(st))
            attributes |= faReadOnly;
        if (hiddenName)
            attributes |= faHidden;
        record.Attr = attributes;
        record.Size = S_ISREG(st.st_mode) ? qint64(st.st_size) : 0;
        record.Time = PackedLocalTime(st.st_mtim.tv_sec);
    }

} // namespace

quint32 PackedLocalTime(qint64 secondsSinceEpoch)
{
    const time_t t = time_t(secondsSinceEpoch);
    struct tm local { };
    if (!::localtime_r(&t, &local) || local.tm_year < 80)
        return 0;
    if (local.tm_year > 207)
        return (quint32(127) << 25) | (quint32(12) << 21) | (quint32(31) << 16) | (quint32(23) << 11)
            | (quint32(59) << 5) | quint32(29);
    return (quint32(local.tm_year - 80) << 25) | (quint32(local.tm_mon + 1) << 21) | (quint32(local.tm_mday) << 16)
        | (quint32(local.tm_hour) << 11) | (quint32(local.tm_min) << 5) | quint32(std::min(local.tm_sec, 59) / 2);
}

TDirectoryReader::~TDirectoryReader() { Close(); }

void TDirectoryReader::Close()
{
    if (m_dir)
        ::closedir(m_dir);
    m_dir = nullptr;
}

int TDirectoryReader::Open(const QString& path)
{
    Close();
    m_error = 0;
    const QByteArray p = EncodeFileName(path);
    return Start(TFileDescriptor(::open(p.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY)), p.constData());
}

int TDirectoryReader::OpenInside(const TFileDescriptor& parent, const char* name)
{
    Close();
    m_error = 0;
    if (!parent.Valid())
        return m_error = kErrorInvalidHandle;
    return Start(
        TFileDescriptor(::openat(parent.Get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY)),
        name);
}

int TDirectoryReader::Start(TFileDescriptor held, const char* path)
{
    if (!held.Valid())
        return m_error = DirectoryCode(errno, path);
    struct stat st { };
    if (::fstat(held.Get(), &st) != 0)
        return m_error = DirectoryCode(errno, path);
    m_identity = IdentityOfFacts(st);
    struct statvfs vfs { };
    m_readOnlyFileSystem = ::fstatvfs(held.Get(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY);
    m_dir = ::fdopendir(held.Get());
    if (!m_dir)
        return m_error = DirectoryCode(errno, path);
    held.Release(); // the stream owns it now
    return 0;
}

TFileDescriptor TDirectoryReader::ReleaseDirectory()
{
    if (!m_dir)
        return TFileDescriptor();
    TFileDescriptor directory(::fcntl(::dirfd(m_dir), F_DUPFD_CLOEXEC, 0));
    Close();
    return directory;
}

const char* TDirectoryReader::Next(EntryType& type)
{
    if (!m_dir)
        return nullptr;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(m_dir);
        if (!entry) {
            if (errno != 0)
                m_error = ErrorCodeFromErrno(errno);
            return nullptr;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        switch (entry->d_type) {
        case DT_REG:
            type = EntryType::File;
            break;
        case DT_DIR:
            type = EntryType::Directory;
            break;
        case DT_LNK:
            type = EntryType::Link;
            break;
        case DT_UNKNOWN:
            type = EntryType::Unknown;
            break;
        default:
            type = EntryType::Other;
            break;
        }
        return name;
    }
}

int TDirectoryReader::Facts(const char* name, TSearchRec& record, bool followLinks, TFileIdentity* identity) const
{
    if (!m_dir)
        return 6;
    const int fd = ::dirfd(m_dir);
    struct stat st { };
    if (::fstatat(fd, name, &st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
        const int err = errno;
        if (!followLinks || ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return err == ENOENT ? 2 : ErrorCodeFromErrno(err);
    }
    FillRecord(st, m_readOnlyFileSystem, name[0] == '.', record);
    if (identity)
        *identity = IdentityOfFacts(st);
    return 0;
}

TFileDescriptor TDirectoryReader::OpenFile(const char* name) const
{
    if (!m_dir)
        return TFileDescriptor();
    return TFileDescriptor(::openat(::dirfd(m_dir), name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
}

int ReadSearchRecord(const QString& path, TSearchRec& record)
{
    const QByteArray p = EncodeFileName(path);
    struct stat st { };
    if (::stat(p.constData(), &st) != 0) {
        const int err = errno;
        if (::lstat(p.constData(), &st) != 0)
            return ErrorCodeFromErrno(err, p.constData());
    }
    struct statvfs vfs { };
    const bool readOnly = ::statvfs(p.constData(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY);
    QByteArray name = p;
    while (name.size() > 1 && name.endsWith('/'))
        name.chop(1);
    name = name.mid(name.lastIndexOf('/') + 1);
    FillRecord(st, readOnly, name.startsWith('.') && name != "." && name != "..", record);
    record.Name = DecodeFileName(name);
    return 0;
}

int CheckDirectory(const QString& path)
{
    const QByteArray p = EncodeFileName(path);
    struct stat st { };
    if (::stat(p.constData(), &st) != 0)
        return DirectoryCode(errno, p.constData());
    if (!S_ISDIR(st.st_mode))
        return kErrorPathNotFound;
    if (::access(p.constData(), X_OK) != 0)
        return DirectoryCode(errno, p.constData());
    return 0;
}

namespace {

    bool IsPseudoFileSystemType(quint64 type)
    {
        switch (type) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case DEVPTS_SUPER_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case SECURITYFS_MAGIC:
        case SELINUX_MAGIC:
        case PSTOREFS_MAGIC:
        case BPF_FS_MAGIC:
        case BINFMTFS_MAGIC:
        case EFIVARFS_MAGIC:
        case NSFS_MAGIC:
        case HUGETLBFS_MAGIC:
        case 0x19800202: // mqueue
        case 0x62656570: // configfs
        case 0x65735543: // fusectl
        case 0x0187: // autofs
            return true;
        default:
            return false;
        }
    }

} // namespace

bool IsPseudoFileSystem(const QString& path)
{
    static const char* const tops[] = { "/proc", "/sys", "/dev", "/run" };
    const QByteArray p = EncodeFileName(path);
    for (const char* top : tops) {
        if (p == top)
            return true;
    }
    struct statfs fs { };
    return ::statfs(p.constData(), &fs) == 0 && IsPseudoFileSystemType(quint64(fs.f_type));
}

FolderRefusal WhyNoFoldersIn(const QString& directory)
{
    const QByteArray p = EncodeFileName(directory);
    struct statfs fs { };
    if (::statfs(p.constData(), &fs) == 0 && IsPseudoFileSystemType(quint64(fs.f_type)))
        return FolderRefusal::SystemFileSystem;
    struct statvfs vfs { };
    if (::statvfs(p.constData(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY))
        return FolderRefusal::ReadOnlyFileSystem;
    if (::access(p.constData(), W_OK | X_OK) != 0 && (errno == EACCES || errno == EPERM))
        return FolderRefusal::NotPermitted;
    return FolderRefusal::None;
}

} // namespace hy::platform

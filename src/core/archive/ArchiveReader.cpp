// Listing and extraction through libarchive, which reads the archive through our own descriptor and
// callbacks: they count the bytes read for progress, poll the stop, and serve the seeks of the formats
// that need them (7z, iso9660, cab, zip). Extraction writes below the chosen folder only: folders on the
// way are opened without following links. A file whose name is free is made under it exclusively and removed
// again when its data does not arrive whole; one that replaces a file is written to a temporary file in its
// folder that takes the name only when it is complete.
#include "core/archive/ArchiveReader.h"

#include "common/ErrorText.h"
#include "core/archive/HyUnzip.h"
#include "core/archive/MemberFiles.h"
#include "core/archive/UnzipLib.h"
#include "platform/FileDescriptor.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformFiles.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace hy::archive {

using namespace hy::common;
using namespace hy::platform;

namespace {

    using Clock = std::chrono::steady_clock;
    using platform::TFileDescriptor;

    constexpr size_t kReadSize = size_t(256) << 10;
    constexpr auto kProgressInterval = std::chrono::milliseconds(10);
    constexpr int kPasswordTries = 3;
    // A member this large is first held against the room left on the disk. For a smaller one the look would
    // cost as much as the writing; one that does not fit ends in the full disk's own error.
    constexpr qint64 kRoomCheckSize = qint64(1) << 20;
    const char* const kEncryptedText = "encrypted archive: not supported";

    int CodeFromErrno(int err) { return platform::ErrorCodeFromErrno(err); }

    TArchiveMemberType TypeOf(archive_entry* entry)
    {
        if (archive_entry_hardlink(entry))
            return TArchiveMemberType::HardLink;
        switch (archive_entry_filetype(entry)) {
        case AE_IFDIR:
            return TArchiveMemberType::Folder;
        case AE_IFLNK:
            return TArchiveMemberType::SymLink;
        case AE_IFCHR:
        case AE_IFBLK:
            return TArchiveMemberType::Device;
        case AE_IFIFO:
            return TArchiveMemberType::Fifo;
        case AE_IFSOCK:
            return TArchiveMemberType::Socket;
        default:
            return TArchiveMemberType::File;
        }
    }

    // The name's bytes: as the archive holds them where it holds bytes (tar, cpio, ar); formats that hold
    // Unicode (7z, rar, cab, xar, Joliet) give them in the locale's encoding, or in UTF-8 when the locale
    // cannot carry them.
    QByteArray RawNameOf(archive_entry* entry)
    {
        if (const char* name = archive_entry_pathname(entry))
            return QByteArray(name);
        if (const char* name = archive_entry_pathname_utf8(entry))
            return QByteArray(name);
        return QByteArray();
    }

    QByteArray LinkTargetOf(archive_entry* entry)
    {
        const char* target = archive_entry_hardlink(entry);
        if (!target)
            target = archive_entry_symlink(entry);
        if (!target)
            target = archive_entry_symlink_utf8(entry);
        return target ? QByteArray(target) : QByteArray();
    }

    // The parts of a member's path below the folder; false when the name leads out of it (absolute, a
    // ".." part) or names nothing. "." parts and doubled slashes are dropped.
    bool SplitMemberPath(const QByteArray& name, std::vector<QByteArray>& parts)
    {
        parts.clear();
        if (name.isEmpty() || name.startsWith('/'))
            return false;
        for (const QByteArray& part : name.split('/')) {
            if (part.isEmpty() || part == ".")
                continue;
            if (part == "..")
                return false;
            parts.push_back(part);
        }
        return !parts.empty();
    }

    bool IsEncryptionError(::archive* a)
    {
        const char* text = archive_error_string(a);
        if (text && (std::strstr(text, "ncrypt") || std::strstr(text, "assphrase")))
            return true;
        // Only an archive whose format was told can be asked: libarchive crashes on one that has none.
        return archive_format(a) != 0 && archive_read_has_encrypted_entries(a) > 0;
    }

    // The folders of the members being written, opened once for the members that share them.
    class TFolders {
    public:
        explicit TFolders(const TFileDescriptor& root)
            : m_root(root)
        {
        }

        // The folder holding parts[0..count), made where missing; a link or a file in the way is refused
        // rather than followed. Returns the descriptor (held here until the next call), or none with the code.
        const TFileDescriptor* Open(const std::vector<QByteArray>& parts, size_t count, int& code)
        {
            code = 0;
            std::vector<QByteArray> wanted(parts.begin(), parts.begin() + qsizetype(count));
            if (m_current.Valid() && wanted == m_currentParts)
                return &m_current;
            // Go on from the longest opened folder on the way, else from the root.
            size_t start = 0;
            TFileDescriptor at(::fcntl(m_root.Get(), F_DUPFD_CLOEXEC, 0));
            if (m_current.Valid() && m_currentParts.size() <= wanted.size()
                && std::equal(m_currentParts.begin(), m_currentParts.end(), wanted.begin())) {
                at.Reset(::fcntl(m_current.Get(), F_DUPFD_CLOEXEC, 0));
                start = m_currentParts.size();
            }
            if (!at.Valid()) {
                code = CodeFromErrno(errno);
                return nullptr;
            }
            for (size_t i = start; i < wanted.size(); ++i) {
                const char* part = wanted[i].constData();
                int next = ::openat(at.Get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (next < 0 && errno == ENOENT) {
                    if (::mkdirat(at.Get(), part, 0777) != 0 && errno != EEXIST) {
                        code = CodeFromErrno(errno);
                        return nullptr;
                    }
                    next = ::openat(at.Get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                }
                if (next < 0) {
                    code = (errno == ELOOP || errno == ENOTDIR) ? kUnzipLinkInPath : CodeFromErrno(errno);
                    return nullptr;
                }
                at.Reset(next);
            }
            m_current = std::move(at);
            m_currentParts = std::move(wanted);
            return &m_current;
        }

    private:
        const TFileDescriptor& m_root;
        TFileDescriptor m_current;
        std::vector<QByteArray> m_currentParts;
    };

} // namespace

QString ArchiveResultText(int code)
{
    switch (code) {
    case kArchiveSpecialMember:
        return QStringLiteral("It is a device, FIFO or socket. Nothing was written for it.");
    case kArchiveHardLink:
        return QStringLiteral("It is a hard link. Links are never extracted.");
    case kArchiveEncrypted:
        return QString::fromLatin1(kEncryptedText);
    case kArchiveNoSuchMember:
        return QStringLiteral("The archive holds no such file.");
    case kArchiveTooLarge:
        return QStringLiteral("It is larger than the room left on the disk, so it was not extracted.");
    default:
        return UnzipResultText(code);
    }
}

// One pass over the archive: libarchive over our descriptor, with progress, stop and passwords.
class TArchiveReader::Session {
public:
    explicit Session(TArchiveReader& owner)
        : m_owner(owner)
        , m_buffer(kReadSize)
    {
    }
    ~Session()
    {
        if (m_a)
            archive_read_free(m_a);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // False with the message when the file cannot be opened or holds no archive libarchive knows.
    bool Open(QString& message)
    {
        if (const int code = platform::OpenForReading(m_file, m_owner.m_path)) {
            message = ErrorText(code);
            return false;
        }
        m_size = platform::IdentityOf(m_file).Size;
        m_a = archive_read_new();
        if (!m_a) {
            message = ErrorText(kUnzipNoMemory);
            return false;
        }
        // The filters and formats named one by one: the catch-all ones would also run outside programs
        // (lrzip, lzop) and take an empty file for an archive.
        archive_read_support_filter_gzip(m_a);
        archive_read_support_filter_bzip2(m_a);
        archive_read_support_filter_compress(m_a);
        archive_read_support_filter_lzma(m_a);
        archive_read_support_filter_xz(m_a);
        archive_read_support_filter_lzip(m_a);
        archive_read_support_filter_zstd(m_a);
        archive_read_support_filter_lz4(m_a);
        archive_read_support_format_tar(m_a);
        archive_read_support_format_7zip(m_a);
        archive_read_support_format_rar(m_a);
        archive_read_support_format_rar5(m_a);
        archive_read_support_format_iso9660(m_a);
        archive_read_support_format_cpio(m_a);
        archive_read_support_format_ar(m_a);
        archive_read_support_format_cab(m_a);
        archive_read_support_format_lha(m_a);
        archive_read_support_format_xar(m_a);
        archive_read_support_format_zip(m_a);
        archive_read_set_read_callback(m_a, &Session::ReadCallback);
        archive_read_set_skip_callback(m_a, &Session::SkipCallback);
        archive_read_set_seek_callback(m_a, &Session::SeekCallback);
        archive_read_set_callback_data(m_a, this);
        archive_read_set_passphrase_callback(m_a, this, &Session::PassphraseCallback);
        if (archive_read_open1(m_a) != ARCHIVE_OK) {
            message = ErrorMessage();
            return false;
        }
        return true;
    }

    ::archive* A() const { return m_a; }
    qint64 Position() const { return m_position; }
    qint64 Size() const { return m_size; }
    bool WasStopped() const { return m_stopped; }
    // Polls the stop between pieces of work that do not read (writing a member).
    bool CheckStop()
    {
        if (m_owner.m_stopRequested.load())
            m_stopped = true;
        return m_stopped;
    }

    QString ErrorMessage() const
    {
        if (m_stopped)
            return QString();
        if (IsEncryptionError(m_a))
            return QString::fromLatin1(kEncryptedText);
        const char* text = archive_error_string(m_a);
        return text ? QString::fromLocal8Bit(text) : QStringLiteral("The archive cannot be read.");
    }

    TArchiveMember MakeMember(archive_entry* entry, int index) const
    {
        TArchiveMember m;
        m.Index = index;
        m.RawName = RawNameOf(entry);
        m.Name = platform::DecodeFileName(m.RawName);
        m.Type = TypeOf(entry);
        m.Mode = quint32(archive_entry_perm(entry));
        m.LinkTarget = LinkTargetOf(entry);
        m.Encrypted = archive_entry_is_encrypted(entry) != 0;
        if (archive_entry_mtime_is_set(entry)) {
            m.HasTime = true;
            m.Modified = qint64(archive_entry_mtime(entry));
        }
        if (m.Type == TArchiveMemberType::Folder)
            m.Size = 0;
        else if (archive_entry_size_is_set(entry))
            m.Size = qint64(archive_entry_size(entry));
        // Formats that store members as they are, without a compression around them: the stored size is
        // the size.
        const int format = archive_format(m_a) & ARCHIVE_FORMAT_BASE_MASK;
        const bool stored = format == ARCHIVE_FORMAT_TAR || format == ARCHIVE_FORMAT_CPIO || format == ARCHIVE_FORMAT_AR
            || format == ARCHIVE_FORMAT_ISO9660;
        if (stored && archive_filter_code(m_a, 0) == ARCHIVE_FILTER_NONE && m.Size >= 0)
            m.CompressedSize = m.Type == TArchiveMemberType::File ? m.Size : 0;
        return m;
    }

    void Describe(TArchiveListing& listing) const
    {
        if (const char* format = archive_format_name(m_a))
            listing.Format = QString::fromLatin1(format);
        listing.Filters.clear();
        for (int i = 0; i < archive_filter_count(m_a); ++i) {
            if (archive_filter_code(m_a, i) != ARCHIVE_FILTER_NONE)
                listing.Filters.append(QString::fromLatin1(archive_filter_name(m_a, i)));
        }
    }

private:
    bool Poll()
    {
        if (CheckStop())
            return false;
        const Clock::time_point now = Clock::now();
        if (m_owner.m_progress && now - m_lastProgress >= kProgressInterval) {
            m_lastProgress = now;
            if (!m_owner.m_progress(m_position, m_size))
                m_stopped = true;
        }
        return !m_stopped;
    }

    static la_ssize_t ReadCallback(::archive* a, void* data, const void** buffer)
    {
        auto* self = static_cast<Session*>(data);
        if (!self->Poll()) {
            archive_set_error(a, ECANCELED, "stopped");
            return -1;
        }
        const qint64 got = platform::ReadFileAt(
            self->m_file, self->m_position, self->m_buffer.data(), qint64(self->m_buffer.size()));
        if (got < 0) {
            archive_set_error(a, errno, "%s", strerror(errno));
            return -1;
        }
        self->m_position += got;
        *buffer = self->m_buffer.data();
        return la_ssize_t(got);
    }

    static la_int64_t SkipCallback(::archive*, void* data, la_int64_t request)
    {
        auto* self = static_cast<Session*>(data);
        if (!self->Poll())
            return 0; // nothing skipped: the next read reports the stop
        const qint64 n = qBound<qint64>(0, qint64(request), qMax<qint64>(0, self->m_size - self->m_position));
        self->m_position += n;
        return n;
    }

    static la_int64_t SeekCallback(::archive*, void* data, la_int64_t offset, int whence)
    {
        auto* self = static_cast<Session*>(data);
        qint64 target = offset;
        if (whence == SEEK_CUR)
            target += self->m_position;
        else if (whence == SEEK_END)
            target += self->m_size;
        if (target < 0)
            return ARCHIVE_FATAL;
        self->m_position = target;
        return target;
    }

    static const char* PassphraseCallback(::archive*, void* data)
    {
        auto* self = static_cast<Session*>(data);
        if (!self->m_owner.m_askPassword || self->m_passwordTries >= kPasswordTries)
            return nullptr;
        ++self->m_passwordTries;
        self->m_password = self->m_owner.m_askPassword();
        return self->m_password.isEmpty() ? nullptr : self->m_password.constData();
    }

    TArchiveReader& m_owner;
    ::archive* m_a = nullptr;
    TFileDescriptor m_file;
    qint64 m_size = 0;
    qint64 m_position = 0;
    std::vector<char> m_buffer;
    Clock::time_point m_lastProgress;
    bool m_stopped = false;
    QByteArray m_password;
    int m_passwordTries = 0;
};

TArchiveReader::TArchiveReader(const QString& path)
    : m_path(path)
{
}

TArchiveReader::~TArchiveReader() = default;

TArchiveListing TArchiveReader::List()
{
    m_members.clear();
    m_stopRequested = false;
    TArchiveListing listing;
    Session session(*this);
    if (!session.Open(listing.Message)) {
        listing.Status = session.WasStopped() ? TArchiveStatus::Stopped : TArchiveStatus::Failed;
        listing.StoppedAt = 0;
        return listing;
    }
    ::archive* a = session.A();
    for (int index = 0;; ++index) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN) {
            listing.Status = session.WasStopped() ? TArchiveStatus::Stopped : TArchiveStatus::Failed;
            listing.Message = session.ErrorMessage();
            listing.StoppedAt = session.Position();
            break;
        }
        m_members.push_back(session.MakeMember(entry, index));
        if (archive_read_data_skip(a) < ARCHIVE_WARN) {
            // An encrypted member's data may not be skipped over; the members after it may still be
            // listed (7z keeps its directory apart from the data).
            if (m_members.back().Encrypted && !session.WasStopped())
                continue;
            listing.Status = session.WasStopped() ? TArchiveStatus::Stopped : TArchiveStatus::Failed;
            listing.Message = session.ErrorMessage();
            listing.StoppedAt = session.Position();
            break;
        }
    }
    session.Describe(listing);
    if (listing.Status == TArchiveStatus::Failed && listing.Message != QLatin1String(kEncryptedText)) {
        listing.Message
            = QStringLiteral("The archive is damaged or cut short: reading stopped at byte %1 of %2, after %3 "
                             "members (%4).")
                  .arg(listing.StoppedAt)
                  .arg(session.Size())
                  .arg(m_members.size())
                  .arg(listing.Message);
    }
    return listing;
}

namespace {

    // Writes one member's data into a new temporary file in dirFd and gives it the member's name.
    class TMemberWriter {
    public:
        TMemberWriter(::archive* a, std::function<bool()> stop)
            : m_a(a)
            , m_stop(std::move(stop))
        {
        }

        int Write(const TArchiveMember& member, const TFileDescriptor& dir, const QByteArray& finalName, qint64& bytes)
        {
            QByteArray tempName;
            // Made with the member's permissions (never its setuid, setgid or sticky bits), less the mask.
            TFileDescriptor out = CreateMemberTemporary(dir, ".hyarchive-", tempName, mode_t(member.Mode & 0777));
            if (!out.Valid())
                return CodeFromErrno(errno);
            return PlaceMemberFile(Fill(member, out, bytes), out, dir, tempName, finalName);
        }

        // A member whose name is free: its file is made under that name at once, exclusively and never through
        // a link, and removed again when its data does not arrive whole. Returns -1 when the name is taken
        // (by a file, a folder or a link), so that the member goes the way of one that replaces a file.
        int WriteNew(const TArchiveMember& member, const TFileDescriptor& dir, const QByteArray& name, qint64& bytes)
        {
            TFileDescriptor out(::openat(dir.Get(), name.constData(),
                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_t(member.Mode & 0777)));
            if (!out.Valid())
                return errno == EEXIST ? -1 : CodeFromErrno(errno);
            return PlaceMemberFile(Fill(member, out, bytes), out, dir, name, name);
        }

    private:
        // The member's data and time into its file.
        int Fill(const TArchiveMember& member, const TFileDescriptor& out, qint64& bytes)
        {
            const int code = Copy(member, out, bytes);
            if (code == 0 && member.HasTime) {
                const struct timespec times[2] = { { 0, UTIME_NOW }, { time_t(member.Modified), 0 } };
                ::futimens(out.Get(), times);
            }
            return code;
        }

        // The data blocks at their offsets: the holes of a sparse member stay holes. Never more than the
        // member declares.
        int Copy(const TArchiveMember& member, const TFileDescriptor& out, qint64& bytes)
        {
            qint64 end = 0;
            bytes = 0;
            for (;;) {
                if (m_stop())
                    return kUnzipStopped;
                const void* block = nullptr;
                size_t size = 0;
                la_int64_t offset = 0;
                const int r = archive_read_data_block(m_a, &block, &size, &offset);
                if (r == ARCHIVE_EOF)
                    break;
                if (r < ARCHIVE_WARN) {
                    if (m_stop())
                        return kUnzipStopped;
                    return IsEncryptionError(m_a) || member.Encrypted ? int(kArchiveEncrypted) : int(kUnzipDamaged);
                }
                if (size == 0)
                    continue;
                if (offset < 0 || (member.Size >= 0 && qint64(offset) + qint64(size) > member.Size))
                    return kUnzipDamaged; // more data than the header declares
                if (!platform::WriteFileAt(out, qint64(offset), block, qint64(size)))
                    return errno == ENOSPC ? kUnzipDiskFull : CodeFromErrno(errno);
                bytes += qint64(size);
                end = qMax(end, qint64(offset) + qint64(size));
            }
            // A sparse member may end in a hole.
            const qint64 size = member.Size >= 0 ? member.Size : end;
            if (size > end && ::ftruncate(out.Get(), off_t(size)) != 0)
                return CodeFromErrno(errno);
            bytes = size;
            return 0;
        }

        ::archive* m_a;
        std::function<bool()> m_stop;
    };

} // namespace

TArchiveStatus TArchiveReader::Extract(const std::vector<int>& indexes, const TExtractOptions& options,
    std::vector<TExtractResult>& results, QString* message)
{
    results.clear();
    m_stopRequested = false;
    const std::set<int> wanted(indexes.begin(), indexes.end());
    const auto finish = [&](TArchiveStatus status, int code, const QString& text) {
        // Every member asked for and not reached gets the reason.
        std::set<int> done;
        for (const TExtractResult& r : results)
            done.insert(r.Index);
        for (int index : wanted) {
            if (!done.count(index))
                results.push_back({ index, code, QString(), 0, false });
        }
        if (message)
            *message = text;
        return status;
    };
    if (wanted.empty())
        return finish(TArchiveStatus::Ok, 0, QString());

    const QByteArray folder = platform::EncodeFileName(options.Folder);
    const TFileDescriptor root(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root.Valid()) {
        const int code = errno == ENOENT ? kUnzipNoDirectory : CodeFromErrno(errno);
        return finish(TArchiveStatus::Failed, code, ArchiveResultText(code));
    }
    Session session(*this);
    QString openMessage;
    if (!session.Open(openMessage))
        return finish(session.WasStopped() ? TArchiveStatus::Stopped : TArchiveStatus::Failed,
            session.WasStopped() ? kUnzipStopped : kUnzipNotAnArchive, openMessage);
    ::archive* a = session.A();
    TFolders folders(root);
    TMemberWriter writer(a, [&session]() { return session.CheckStop(); });
    size_t left = wanted.size();
    for (int index = 0; left > 0; ++index) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF)
            return finish(TArchiveStatus::Ok, kArchiveNoSuchMember, QString());
        if (r < ARCHIVE_WARN) {
            if (session.WasStopped())
                return finish(TArchiveStatus::Stopped, kUnzipStopped, QString());
            const QString text = session.ErrorMessage();
            return finish(TArchiveStatus::Failed,
                text == QLatin1String(kEncryptedText) ? int(kArchiveEncrypted) : int(kUnzipDamaged), text);
        }
        if (!wanted.count(index)) {
            if (archive_read_data_skip(a) < ARCHIVE_WARN) {
                if (session.WasStopped())
                    return finish(TArchiveStatus::Stopped, kUnzipStopped, QString());
                if (!archive_entry_is_encrypted(entry))
                    return finish(TArchiveStatus::Failed, kUnzipDamaged, session.ErrorMessage());
            }
            continue;
        }
        --left;
        const TArchiveMember member = session.MakeMember(entry, index);
        // A damaged archive may read differently once a member's data was unpacked rather than skipped: a
        // member that is not the one listed at its place is never written in its stead, and what follows it
        // cannot be trusted either.
        if (size_t(index) < m_members.size()
            && (m_members[size_t(index)].RawName != member.RawName || m_members[size_t(index)].Type != member.Type))
            return finish(TArchiveStatus::Failed, kUnzipDamaged, ArchiveResultText(kUnzipDamaged));
        TExtractResult result;
        result.Index = index;
        result.ModeStripped = (member.Mode & 07000) != 0;
        std::vector<QByteArray> parts;
        const bool safe = SplitMemberPath(member.RawName, parts);
        if (safe && options.FlatNames)
            parts.erase(parts.begin(), parts.end() - 1);
        if (safe) {
            QByteArray target = folder;
            for (const QByteArray& part : parts)
                target += (target.endsWith('/') ? "" : "/") + part;
            result.Target = platform::DecodeFileName(target);
        }
        if (!safe) {
            result.Code = kUnzipUnsafeName;
        } else if (member.Type == TArchiveMemberType::SymLink) {
            result.Code = kUnzipLinkMember;
        } else if (member.Type == TArchiveMemberType::HardLink) {
            result.Code = kArchiveHardLink;
        } else if (member.Type == TArchiveMemberType::Device || member.Type == TArchiveMemberType::Fifo
            || member.Type == TArchiveMemberType::Socket) {
            result.Code = kArchiveSpecialMember;
        } else if (member.Type == TArchiveMemberType::Folder) {
            folders.Open(parts, parts.size(), result.Code);
        } else {
            const TFileDescriptor* dir = folders.Open(parts, parts.size() - 1, result.Code);
            // Most members land on a free name and need no other look first: no room to check, no password.
            int code = -1;
            if (dir && member.Size < kRoomCheckSize && !(member.Encrypted && !m_askPassword))
                code = writer.WriteNew(member, *dir, parts.back(), result.Bytes);
            if (code != -1)
                result.Code = code;
            struct stat existing { };
            struct statvfs fs { };
            const bool exists = dir && code == -1
                && ::fstatat(dir->Get(), parts.back().constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
            if (!dir || code != -1) {
                // result.Code says how it went
            } else if (exists && S_ISDIR(existing.st_mode)) {
                result.Code = kUnzipTargetIsFolder;
            } else if (exists && !(options.ConfirmReplace && options.ConfirmReplace(member, result.Target))) {
                result.Code = kUnzipNotReplaced;
            } else if (member.Size >= kRoomCheckSize && ::fstatvfs(dir->Get(), &fs) == 0 && fs.f_frsize > 0
                && quint64(member.Size) > quint64(fs.f_bavail) * quint64(fs.f_frsize)) {
                result.Code = kArchiveTooLarge;
            } else if (member.Encrypted && !m_askPassword) {
                result.Code = kArchiveEncrypted;
            } else {
                result.Code = writer.Write(member, *dir, parts.back(), result.Bytes);
            }
        }
        results.push_back(result);
        if (result.Code == kUnzipStopped || session.WasStopped())
            return finish(TArchiveStatus::Stopped, kUnzipStopped, QString());
        // Data that could not be read: neither can what follows it.
        if (result.Code == kUnzipDamaged)
            return finish(TArchiveStatus::Failed, kUnzipDamaged, session.ErrorMessage());
    }
    return finish(TArchiveStatus::Ok, 0, QString());
}

QString TArchiveReader::ContentFormat(const QString& path)
{
    TArchiveReader reader(path);
    Session session(reader);
    QString message;
    if (!session.Open(message))
        return QString();
    archive_entry* entry = nullptr;
    const int r = archive_read_next_header(session.A(), &entry);
    if (r < ARCHIVE_WARN && r != ARCHIVE_EOF && !IsEncryptionError(session.A()))
        return QString();
    const char* format = archive_format_name(session.A());
    return format ? QString::fromLatin1(format) : QString();
}

} // namespace hy::archive

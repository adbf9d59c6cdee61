// The unzip library over libzip. A session keeps one archive open between calls (reopened when the file
// changes) and the member list of the last count, so that each "next member" call delivers a further one
// and says where in the archive it stands; a member is then addressed by that place, so that members of
// one name each give their own data. Its own reading of the central directory gives the dates and times as
// stored, and lets libzip read archives it would refuse: one after a self-extracting program, one with a
// name flagged UTF-8 that is not. Extraction writes below the destination only: names that lead out of it
// and links are refused, folders on the way are opened without following links, and the data goes to a
// temporary file in the target folder that is renamed over the final name only when it is complete and
// checked.
#include "core/archive/HyUnzip.h"

#include "common/HyUtils.h"
#include "core/archive/MemberFiles.h"
#include "core/archive/ZipCentral.h"
#include "platform/FileDescriptor.h"
#include "platform/PlatformErrors.h"

#include <QString>
#include <algorithm>
#include <bzlib.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>
#include <vector>
#include <zip.h>
#include <zlib.h>

namespace hy::archive {

using namespace hy::common;
using namespace hy::platform;

class THyUnzipSession {
public:
    ~THyUnzipSession() { Close(); }

    void Close()
    {
        if (Archive)
            zip_discard(Archive);
        Archive = nullptr;
        Path.clear();
        Listing.clear();
        Cursor = 0;
        HaveListing = false;
        Central = TZipCentral();
    }

    zip_t* Archive = nullptr;
    QByteArray Path;
    struct stat Identity { };
    std::vector<zip_uint64_t> Listing;
    size_t Cursor = 0;
    bool HaveListing = false;
    // The central directory as read beside libzip; its stamps are used when they match libzip's members.
    TZipCentral Central;
};

THyUnzipSession* HyUnzipOpenSession()
{
    // Every member's date goes through mktime, which re-reads the zone file on each call unless TZ names
    // it: 100,000 members would cost as many stat calls. Naming the system's zone keeps the same times.
    static const bool zoneNamed = []() {
        if (!std::getenv("TZ"))
            ::setenv("TZ", ":/etc/localtime", 0);
        ::tzset();
        return true;
    }();
    Q_UNUSED(zoneNamed);
    return new THyUnzipSession;
}

void HyUnzipCloseSession(THyUnzipSession* session) { delete session; }

namespace {

    using platform::TFileDescriptor;

    constexpr size_t kChunk = size_t(1) << 20;
    // Members this large are written on a thread of their own while the next block is unpacked.
    constexpr qint64 kWriteAsideSize = qint64(8) << 20;
    constexpr quint16 kMbOkCancel = 1;
    constexpr quint16 kMbYesNo = 4;
    constexpr qint32 kIdYes = 6;

    int CodeFromErrno(int err, const char* path = nullptr) { return platform::ErrorCodeFromErrno(err, path); }

    int CodeFromZipError(zip_error_t* error)
    {
        switch (zip_error_code_zip(error)) {
        case ZIP_ER_OK:
            return 0;
        case ZIP_ER_NOENT:
            return kUnzipNotFound;
        case ZIP_ER_MULTIDISK:
            return kUnzipSpanned;
        case ZIP_ER_NOZIP:
        case ZIP_ER_INCONS:
            return kUnzipNotAnArchive;
        case ZIP_ER_MEMORY:
            return kUnzipNoMemory;
        case ZIP_ER_CRC:
            return kUnzipCrcError;
        case ZIP_ER_COMPNOTSUPP:
            return kUnzipUnsupportedMethod;
        case ZIP_ER_ENCRNOTSUPP:
            return kUnzipUnsupportedEncryption;
        case ZIP_ER_NOPASSWD:
            return kUnzipNoPassword;
        case ZIP_ER_WRONGPASSWD:
            return kUnzipWrongPassword;
        case ZIP_ER_CANCELLED:
            return kUnzipStopped;
        case ZIP_ER_OPEN:
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
            if (zip_error_system_type(error) == ZIP_ET_SYS && zip_error_code_system(error) != 0)
                return CodeFromErrno(zip_error_code_system(error));
            return kUnzipDamaged;
        default:
            return kUnzipDamaged;
        }
    }

    bool SameFile(const struct stat& a, const struct stat& b)
    {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
            && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
    }

    // Opens the archive, or keeps the open one while the file is unchanged. Anything but a regular file is
    // refused before libzip sees it (a pipe named .zip would block the open).
    int OpenArchive(THyUnzipSession& s, const char* path)
    {
        if (!path || !*path)
            return kUnzipBadCommand;
        TFileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!fd.Valid())
            return CodeFromErrno(errno, path);
        struct stat st { };
        if (::fstat(fd.Get(), &st) != 0)
            return CodeFromErrno(errno, path);
        if (!S_ISREG(st.st_mode))
            return kUnzipNotAnArchive;
        if (s.Archive && s.Path == path && SameFile(s.Identity, st))
            return 0;
        s.Close();
        const int flags = ::fcntl(fd.Get(), F_GETFL);
        if (flags >= 0)
            ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
        TZipCentral central;
        const bool walked = ReadZipCentral(fd, qint64(st.st_size), central);
        // An archive with stored AES members is read through the corrections at once; any other as it is,
        // and through the corrections when libzip refuses it (it may come after other data, or have a false
        // UTF-8 name).
        int refused = 0;
        zip_t* za = nullptr;
        if (!walked || central.StoredAes.empty()) {
            za = zip_fdopen(fd.Get(), ZIP_RDONLY, &refused);
            if (za)
                fd.Release(); // the archive owns the descriptor now
        }
        zip_error_t error;
        zip_error_init_with_code(&error, refused);
        if (!za && walked && central.NeedsWindow()
            && (refused == 0 || refused == ZIP_ER_NOZIP || refused == ZIP_ER_INCONS)) {
            zip_error_fini(&error);
            zip_error_init(&error);
            za = OpenCorrectedArchive(std::move(fd), central, qint64(st.st_size), error);
        }
        if (!za) {
            const int code = CodeFromZipError(&error);
            zip_error_fini(&error);
            return code == kUnzipDamaged ? kUnzipNotAnArchive : code;
        }
        zip_error_fini(&error);
        s.Archive = za;
        s.Path = path;
        s.Identity = st;
        if (walked && central.DosStamps.size() == size_t(qMax<zip_int64_t>(zip_get_num_entries(za, 0), 0)))
            s.Central = std::move(central);
        return 0;
    }

    bool IsSeparator(char c) { return c == '/' || c == '\\'; }

    // A folder entry: a name that ends in a separator.
    bool IsFolderName(const char* name)
    {
        const size_t len = name ? std::strlen(name) : 0;
        return len > 0 && IsSeparator(name[len - 1]);
    }

    // The parts of a member's path below the destination; false when the name leads out of it (absolute,
    // a drive prefix, a ".." part) or names nothing.
    bool SplitMemberPath(const QByteArray& name, std::vector<QByteArray>& parts)
    {
        parts.clear();
        if (name.isEmpty() || IsSeparator(name.at(0)))
            return false;
        if (name.size() >= 2 && name.at(1) == ':' && std::isalpha(static_cast<unsigned char>(name.at(0))))
            return false;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= name.size(); ++i) {
            if (i < name.size() && !IsSeparator(name.at(i)))
                continue;
            const QByteArray part = name.mid(start, i - start);
            start = i + 1;
            if (part.isEmpty() || part == ".")
                continue;
            if (part == "..")
                return false;
            parts.push_back(part);
        }
        return !parts.empty();
    }

    QByteArray LastPart(const QByteArray& name)
    {
        qsizetype end = name.size();
        while (end > 0 && IsSeparator(name.at(end - 1)))
            --end;
        qsizetype start = end;
        while (start > 0 && !IsSeparator(name.at(start - 1)))
            --start;
        return name.mid(start, end - start);
    }

    void PutTwoDigits(char* at, int value)
    {
        at[0] = char('0' + value / 10 % 10);
        at[1] = char('0' + value % 10);
    }

    // "MM-DD-YY HH:MM:SS" of a local date and time; a date the two-digit year cannot carry reads as no
    // date at all.
    void FormatDate(int year, int month, int day, int hour, int minute, int second, char* out)
    {
        std::memcpy(out, "00-00-00 00:00:00", 18);
        if (year < 1980 || year > 2079)
            return;
        PutTwoDigits(out, month);
        PutTwoDigits(out + 3, day);
        PutTwoDigits(out + 6, year % 100);
        PutTwoDigits(out + 9, hour);
        PutTwoDigits(out + 12, minute);
        PutTwoDigits(out + 15, second);
    }

    void FormatDate(time_t t, char* out)
    {
        struct tm local { };
        if (!localtime_r(&t, &local))
            local.tm_year = -1900;
        FormatDate(
            local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, out);
    }

    // The stored DOS date and time as they are: a time that the clocks skipped (02:30 on the night summer
    // time begins) stays 02:30.
    void FormatDosDate(quint32 stamp, char* out)
    {
        const int date = int(stamp >> 16);
        const int time = int(stamp & 0xFFFF);
        FormatDate(1980 + (date >> 9), (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2, out);
    }

    bool HasFalseUtf8Name(const THyUnzipSession& s, zip_uint64_t index)
    {
        return std::binary_search(s.Central.FalseUtf8.begin(), s.Central.FalseUtf8.end(), index);
    }

    bool IsStoredAes(const THyUnzipSession& s, zip_uint64_t index)
    {
        return std::binary_search(s.Central.StoredAes.begin(), s.Central.StoredAes.end(), index);
    }

    // A member's name as the program sees it: UTF-8, guessed by libzip where the archive does not say; a
    // name flagged UTF-8 that is not has each bad byte replaced by U+FFFD.
    QByteArray ShownName(const THyUnzipSession& s, zip_uint64_t index)
    {
        if (HasFalseUtf8Name(s, index)) {
            const char* raw = zip_get_name(s.Archive, index, ZIP_FL_ENC_RAW);
            return raw ? QString::fromUtf8(raw).toUtf8() : QByteArray();
        }
        const char* name = zip_get_name(s.Archive, index, ZIP_FL_ENC_GUESS);
        return name ? QByteArray(name) : QByteArray();
    }

    int FillInfo(const THyUnzipSession& s, zip_uint64_t index, TUnzipItemInfo& info)
    {
        zip_t* za = s.Archive;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, index, ZIP_FL_ENC_GUESS, &st) != 0)
            return CodeFromZipError(zip_get_error(za));
        info = TUnzipItemInfo();
        info.Name = ShownName(s, index);
        info.Size = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
        info.CompressedSize = (st.valid & ZIP_STAT_COMP_SIZE) ? qint64(st.comp_size) : 0;
        info.Method = (st.valid & ZIP_STAT_COMP_METHOD) ? st.comp_method : 0;
        if (IsStoredAes(s, index))
            info.Method = ZIP_CM_STORE; // shown to libzip as deflated
        info.Encryption = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) ? st.encryption_method : 0;
        info.Flags = info.Encryption != ZIP_EM_NONE ? 1 : 0;
        if (index < s.Central.DosStamps.size())
            FormatDosDate(s.Central.DosStamps[index], info.DateText);
        else
            FormatDate((st.valid & ZIP_STAT_MTIME) ? st.mtime : time_t(0), info.DateText);

        zip_uint8_t opsys = 0;
        zip_uint32_t external = 0;
        quint32 attributes = 0;
        if (zip_file_get_external_attributes(za, index, 0, &opsys, &external) == 0) {
            attributes
                = external & (kZipAttrReadOnly | kZipAttrHidden | kZipAttrSystem | kZipAttrDirectory | kZipAttrArchive);
            const mode_t mode = mode_t(external >> 16);
            if (opsys == ZIP_OPSYS_UNIX && mode != 0) {
                const mode_t type = mode & S_IFMT;
                if (type == S_IFLNK)
                    info.IsLink = true;
                else if (type == S_IFDIR)
                    attributes |= kZipAttrDirectory;
                else if (type != 0 && type != S_IFREG)
                    attributes |= kZipAttrSystem;
                if (!(mode & S_IWUSR))
                    attributes |= kZipAttrReadOnly;
            }
        }
        if (IsFolderName(info.Name.constData()))
            attributes |= kZipAttrDirectory;
        if (LastPart(info.Name).startsWith('.'))
            attributes |= kZipAttrHidden;
        info.Attributes = attributes;
        return 0;
    }

    int CountMembers(THyUnzipSession& s, TUnzipCommandRecord& r)
    {
        if (const int code = OpenArchive(s, r.ZipFile))
            return code;
        s.Listing.clear();
        s.Cursor = 0;
        const zip_int64_t n = zip_get_num_entries(s.Archive, 0);
        const QString mask = r.FileSpec ? QString::fromUtf8(r.FileSpec) : QString();
        const bool all = mask.isEmpty() || mask == QLatin1String("*.*") || mask == QLatin1String("*");
        s.Listing.reserve(size_t(qMax<zip_int64_t>(n, 0)));
        for (zip_int64_t i = 0; i < n; ++i) {
            // Folders are not members to list: their files are listed with their paths.
            const char* raw = zip_get_name(s.Archive, zip_uint64_t(i), ZIP_FL_ENC_RAW);
            if (!raw || IsFolderName(raw))
                continue;
            if (!all && !WildcardMatch(mask, QString::fromUtf8(ShownName(s, zip_uint64_t(i)))))
                continue;
            s.Listing.push_back(zip_uint64_t(i));
        }
        s.HaveListing = true;
        r.ItemCount = qint64(s.Listing.size());
        return 0;
    }

    int NextMember(THyUnzipSession& s, TUnzipCommandRecord& r)
    {
        if (!s.HaveListing || s.Path != r.ZipFile) {
            const qint64 count = r.ItemCount;
            if (const int code = CountMembers(s, r))
                return code;
            r.ItemCount = count;
        }
        if (s.Cursor >= s.Listing.size())
            return kUnzipNoMoreMembers;
        if (!r.ItemInfo)
            return kUnzipBadCommand;
        const zip_uint64_t index = s.Listing[s.Cursor++];
        if (const int code = FillInfo(s, index, *r.ItemInfo))
            return code;
        // Where the member stands in the archive, counted from 1, for addressing it later.
        r.IndexOfItem = qint64(index) + 1;
        return 0;
    }

    // The member named by FileSpec: the one at IndexOfItem (counted from 1) when that is given, which must
    // still bear the name; else the first of that name.
    int LocateMember(THyUnzipSession& s, TUnzipCommandRecord& r, zip_uint64_t& index)
    {
        if (!r.FileSpec || !*r.FileSpec)
            return kUnzipBadCommand;
        if (const int code = OpenArchive(s, r.ZipFile))
            return code;
        if (r.IndexOfItem > 0) {
            const zip_uint64_t at = zip_uint64_t(r.IndexOfItem - 1);
            if (zip_int64_t(at) >= zip_get_num_entries(s.Archive, 0) || ShownName(s, at) != r.FileSpec)
                return kUnzipNotFound;
            index = at;
            return 0;
        }
        const zip_int64_t i = zip_name_locate(s.Archive, r.FileSpec, 0);
        if (i >= 0) {
            index = zip_uint64_t(i);
            return 0;
        }
        // libzip knows a false UTF-8 name by its bytes only.
        for (const zip_uint64_t at : s.Central.FalseUtf8) {
            if (ShownName(s, at) == r.FileSpec) {
                index = at;
                return 0;
            }
        }
        return kUnzipNotFound;
    }

    int MemberInfo(THyUnzipSession& s, TUnzipCommandRecord& r)
    {
        zip_uint64_t index = 0;
        if (const int code = LocateMember(s, r, index))
            return code;
        if (!r.ItemInfo)
            return kUnzipBadCommand;
        return FillInfo(s, index, *r.ItemInfo);
    }

    // Opens the folders of the member's path below the root, making the missing ones; a link or a file in
    // the way is refused rather than followed.
    int OpenFolders(
        const TFileDescriptor& root, const std::vector<QByteArray>& parts, size_t count, TFileDescriptor& out)
    {
        TFileDescriptor current(::fcntl(root.Get(), F_DUPFD_CLOEXEC, 0));
        if (!current.Valid())
            return CodeFromErrno(errno);
        for (size_t i = 0; i < count; ++i) {
            const char* part = parts[i].constData();
            TFileDescriptor next(::openat(current.Get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!next.Valid() && errno == ENOENT) {
                if (::mkdirat(current.Get(), part, 0777) != 0 && errno != EEXIST)
                    return CodeFromErrno(errno);
                next.Reset(::openat(current.Get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            }
            if (!next.Valid())
                return (errno == ELOOP || errno == ENOTDIR) ? kUnzipLinkInPath : CodeFromErrno(errno);
            current = std::move(next);
        }
        out = std::move(current);
        return 0;
    }

    mode_t FileMode(zip_t* za, zip_uint64_t index, const TUnzipItemInfo& info)
    {
        mode_t mode = 0666;
        zip_uint8_t opsys = 0;
        zip_uint32_t external = 0;
        if (zip_file_get_external_attributes(za, index, 0, &opsys, &external) == 0 && opsys == ZIP_OPSYS_UNIX
            && ((external >> 16) & 0777) != 0)
            mode = mode_t(external >> 16) & 0777;
        if (info.Attributes & kZipAttrReadOnly)
            mode &= ~mode_t(0222);
        return mode & ~ProcessUmask();
    }

    struct FreeBuffer {
        void operator()(char* p) const { std::free(p); }
    };

    bool AllZero(const char* data, size_t size)
    {
        return size > 0 && data[0] == 0 && std::memcmp(data, data + 1, size - 1) == 0;
    }

    // Whether a member is WinZip AES with a CRC of 0, as the second kind of it stores: its authentication
    // code stands for the CRC.
    bool IsAesWithoutCrc(zip_t* za, zip_uint64_t index)
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_ENCRYPTION_METHOD))
            return false;
        const bool aes = st.encryption_method == ZIP_EM_AES_128 || st.encryption_method == ZIP_EM_AES_192
            || st.encryption_method == ZIP_EM_AES_256;
        return aes && (!(st.valid & ZIP_STAT_CRC) || st.crc == 0);
    }

    // The unpacked data of one member. libzip checks the CRC of an AES member of the second kind once it is
    // unpacked, and fails it: such a member is read decrypted but still packed (libzip checks the
    // authentication code at its end) and unpacked here. A stored one is shown to libzip as deflated (see
    // TZipCentral), so that its packed data is the data itself and no CRC is checked.
    class TMemberData {
    public:
        TMemberData() = default;
        ~TMemberData() { Close(); }
        TMemberData(const TMemberData&) = delete;
        TMemberData& operator=(const TMemberData&) = delete;

        int Open(zip_t* za, zip_uint64_t index, const TUnzipItemInfo& info, const char* password)
        {
            const bool packed = password && IsAesWithoutCrc(za, index);
            if (packed) {
                if (info.Method == ZIP_CM_DEFLATE) {
                    if (inflateInit2(&m_zlib, -MAX_WBITS) != Z_OK)
                        return kUnzipNoMemory;
                    m_unpack = Unpack::Deflate;
                } else if (info.Method == ZIP_CM_BZIP2) {
                    if (BZ2_bzDecompressInit(&m_bzip2, 0, 0) != BZ_OK)
                        return kUnzipNoMemory;
                    m_unpack = Unpack::BZip2;
                } else if (info.Method != ZIP_CM_STORE) {
                    return kUnzipUnsupportedMethod;
                }
                m_input.resize(kChunk);
            }
            const zip_flags_t flags = packed ? ZIP_FL_COMPRESSED : 0;
            m_file = password ? zip_fopen_index_encrypted(za, index, flags, password) : zip_fopen_index(za, index, 0);
            return m_file ? 0 : CodeFromZipError(zip_get_error(za));
        }

        // Up to size bytes; 0 at the end, -1 on failure with Result telling why.
        zip_int64_t Read(char* data, size_t size)
        {
            if (m_unpack == Unpack::None) {
                const zip_int64_t n = zip_fread(m_file, data, size);
                if (n < 0)
                    m_result = CodeFromZipError(zip_file_get_error(m_file));
                return n;
            }
            size_t made = 0;
            while (made < size && !m_ended) {
                if (m_inputAt == m_inputEnd && !m_inputDone && !Refill())
                    return -1;
                size_t used = 0;
                size_t produced = 0;
                const int step = Step(
                    m_input.data() + m_inputAt, m_inputEnd - m_inputAt, data + made, size - made, used, produced);
                m_inputAt += used;
                made += produced;
                if (step < 0 || (step == 0 && used == 0 && produced == 0 && m_inputDone))
                    return Fail(kUnzipDamaged); // broken, or cut short
                if (step > 0 && !Drain())
                    return -1;
            }
            return zip_int64_t(made);
        }

        int Result() const { return m_result; }

        int Close()
        {
            int code = 0;
            if (m_file) {
                if (const int closed = zip_fclose(m_file)) {
                    zip_error_t e;
                    zip_error_init_with_code(&e, closed);
                    code = CodeFromZipError(&e);
                    zip_error_fini(&e);
                }
                m_file = nullptr;
            }
            if (m_unpack == Unpack::Deflate)
                inflateEnd(&m_zlib);
            else if (m_unpack == Unpack::BZip2)
                BZ2_bzDecompressEnd(&m_bzip2);
            m_unpack = Unpack::None;
            return code;
        }

    private:
        enum class Unpack { None, Deflate, BZip2 };

        zip_int64_t Fail(int code)
        {
            m_result = code;
            return -1;
        }

        bool Refill()
        {
            const zip_int64_t n = zip_fread(m_file, m_input.data(), m_input.size());
            if (n < 0) {
                Fail(CodeFromZipError(zip_file_get_error(m_file)));
                return false;
            }
            m_inputAt = 0;
            m_inputEnd = size_t(n);
            m_inputDone = n == 0;
            return true;
        }

        // One step of unpacking (both sizes at most kChunk): 1 at the end of the packed stream, 0 to go on,
        // -1 for broken data.
        int Step(const char* in, size_t inSize, char* out, size_t outSize, size_t& used, size_t& produced)
        {
            int step = 0;
            if (m_unpack == Unpack::Deflate) {
                m_zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
                m_zlib.avail_in = uInt(inSize);
                m_zlib.next_out = reinterpret_cast<Bytef*>(out);
                m_zlib.avail_out = uInt(outSize);
                const int rc = inflate(&m_zlib, Z_NO_FLUSH);
                step = rc == Z_STREAM_END ? 1 : (rc == Z_OK || rc == Z_BUF_ERROR) ? 0 : -1;
                used = inSize - m_zlib.avail_in;
                produced = outSize - m_zlib.avail_out;
            } else {
                m_bzip2.next_in = const_cast<char*>(in);
                m_bzip2.avail_in = unsigned(inSize);
                m_bzip2.next_out = out;
                m_bzip2.avail_out = unsigned(outSize);
                const int rc = BZ2_bzDecompress(&m_bzip2);
                step = rc == BZ_STREAM_END ? 1 : rc == BZ_OK ? 0 : -1;
                used = inSize - m_bzip2.avail_in;
                produced = outSize - m_bzip2.avail_out;
            }
            return step;
        }

        // The packed stream has ended: the rest of the member is read, so that libzip checks its
        // authentication code; packed data beyond the stream's end is damage.
        bool Drain()
        {
            m_ended = true;
            bool extra = m_inputAt < m_inputEnd;
            while (!m_inputDone) {
                if (!Refill())
                    return false;
                extra = extra || m_inputEnd > 0;
            }
            if (extra) {
                Fail(kUnzipDamaged);
                return false;
            }
            return true;
        }

        zip_file_t* m_file = nullptr;
        Unpack m_unpack = Unpack::None;
        z_stream m_zlib {};
        bz_stream m_bzip2 {};
        std::vector<char> m_input;
        size_t m_inputAt = 0;
        size_t m_inputEnd = 0;
        bool m_inputDone = false;
        bool m_ended = false;
        int m_result = 0;
    };

    // Copies the member's data into the open temporary file, checking its size as it goes. Blocks of zeros
    // are skipped rather than written, so that they take no room on disk. A large member is written on a
    // thread of its own while its next block is unpacked.
    int CopyData(TMemberData& member, const TFileDescriptor& out, const TUnzipItemInfo& info, TUnzipCommandRecord& r)
    {
        const bool aside = info.Size >= kWriteAsideSize;
        std::unique_ptr<char, FreeBuffer> buffers[2];
        for (int i = 0; i < (aside ? 2 : 1); ++i) {
            buffers[i].reset(static_cast<char*>(std::aligned_alloc(4096, kChunk)));
            if (!buffers[i])
                return kUnzipNoMemory;
        }
        TBlockWriter writer(out, aside);
        qint64 total = 0;
        bool hole = false;
        // The buffer to fill next: the other one once a block was handed over to be written.
        int turn = 0;
        for (;;) {
            char* buffer = buffers[turn].get();
            const zip_int64_t n = member.Read(buffer, kChunk);
            if (n < 0)
                return member.Result();
            if (n == 0)
                break;
            // Data beyond the stated size would fill the disk: the directory promised less.
            if (total + n > info.Size)
                return kUnzipDiskFull;
            hole = n == zip_int64_t(kChunk) && AllZero(buffer, kChunk);
            if (!hole) {
                if (const int code = writer.Put(buffer, size_t(n), total))
                    return code;
                turn = aside ? 1 - turn : 0;
            }
            total += n;
            const qint32 percent = info.Size > 0 ? qint32(total * 100 / info.Size) : 100;
            if (r.MinorStatus && r.MinorStatus(info.Name.constData(), percent, r.MinorUser))
                return kUnzipStopped;
        }
        if (const int code = writer.Finish())
            return code;
        if (hole && ::ftruncate(out.Get(), total) != 0)
            return CodeFromErrno(errno);
        return total == info.Size ? 0 : kUnzipDamaged;
    }

    // Whether the member may become finalName in the folder: never over a folder, and over a file only when
    // overwriting is on or the caller's message agrees. 0 when it may.
    int CheckTarget(const TFileDescriptor& dir, const QByteArray& finalName, const QByteArray& target,
        const TUnzipItemInfo& info, TUnzipCommandRecord& r)
    {
        struct stat existing { };
        if (::fstatat(dir.Get(), finalName.constData(), &existing, AT_SYMLINK_NOFOLLOW) != 0)
            return 0;
        if (S_ISDIR(existing.st_mode))
            return kUnzipTargetIsFolder;
        if (!r.OverWrite
            && !(r.Message
                && r.Message(
                       kUnzipMsgOverwrite, kMbYesNo, 0, 0, target.constData(), info.Name.constData(), r.MessageUser)
                    == kIdYes))
            return kUnzipNotReplaced;
        return 0;
    }

    // Unpacks the member (with password when it is encrypted) into a temporary file of the folder and, when
    // all of it arrived, gives the file its mode and time and puts it in place as finalName. A failure leaves
    // nothing behind.
    int WriteMember(THyUnzipSession& s, zip_uint64_t index, const TUnzipItemInfo& info, TUnzipCommandRecord& r,
        const TFileDescriptor& dir, const QByteArray& finalName, const char* password)
    {
        TMemberData member;
        if (const int code = member.Open(s.Archive, index, info, password))
            return code;

        QByteArray tempName;
        TFileDescriptor out = CreateMemberTemporary(dir, ".hyunzip-", tempName);
        if (!out.Valid())
            return CodeFromErrno(errno);
        int code = CopyData(member, out, info, r);
        const int closeCode = member.Close();
        if (code == 0)
            code = closeCode;
        // Traditional encryption checks a password against one byte only, so one wrong password in 256
        // gets through and unpacks garbage: data that fails to unpack or to match its CRC is a wrong password.
        if (password && (code == kUnzipCrcError || code == kUnzipDamaged))
            code = kUnzipWrongPassword;
        if (code == 0 && ::fchmod(out.Get(), FileMode(s.Archive, index, info)) != 0)
            code = CodeFromErrno(errno);
        if (code == 0) {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(s.Archive, index, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME)) {
                const struct timespec times[2] = { { 0, UTIME_NOW }, { st.mtime, 0 } };
                ::futimens(out.Get(), times);
            }
        }
        return PlaceMemberFile(code, out, dir, tempName, finalName);
    }

    int ExtractMember(THyUnzipSession& s, TUnzipCommandRecord& r)
    {
        if (!r.Destination || !*r.Destination)
            return kUnzipBadCommand;
        zip_uint64_t index = 0;
        if (const int code = LocateMember(s, r, index))
            return code;
        TUnzipItemInfo info;
        if (const int code = FillInfo(s, index, info))
            return code;
        if (r.ItemInfo)
            *r.ItemInfo = info;

        std::vector<QByteArray> parts;
        if (!SplitMemberPath(info.Name, parts))
            return kUnzipUnsafeName;
        if (info.IsLink)
            return kUnzipLinkMember;
        const bool folder = (info.Attributes & kZipAttrDirectory) != 0;
        if (r.NoDirectoryNames) {
            if (folder)
                return 0;
            parts.erase(parts.begin(), parts.end() - 1);
        }
        if (!zip_compression_method_supported(zip_int32_t(info.Method), 0))
            return kUnzipUnsupportedMethod;
        if (info.Encryption != ZIP_EM_NONE && !zip_encryption_method_supported(info.Encryption, 0))
            return kUnzipUnsupportedEncryption;

        if (r.MajorStatus && r.MajorStatus(info.Name.constData(), 0, r.MajorUser))
            return kUnzipStopped;

        TFileDescriptor root(::open(r.Destination, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!root.Valid())
            return errno == ENOENT ? kUnzipNoDirectory : CodeFromErrno(errno, r.Destination);
        TFileDescriptor dir;
        if (const int code = OpenFolders(root, parts, folder ? parts.size() : parts.size() - 1, dir))
            return code;
        if (folder)
            return 0;

        const QByteArray finalName = parts.back();
        QByteArray target = QByteArray(r.Destination);
        for (const QByteArray& p : parts)
            target += (target.endsWith('/') ? "" : "/") + p;
        if (const int code = CheckTarget(dir, finalName, target, info, r))
            return code;

        const bool encrypted = info.Encryption != ZIP_EM_NONE;
        const char* password = r.Decrypt && r.DecryptCode && *r.DecryptCode ? r.DecryptCode : nullptr;
        if (encrypted && !password) {
            if (r.Message)
                r.Message(kUnzipMsgPassword, kMbOkCancel, 0, 0, info.Name.constData(), r.ZipFile, r.MessageUser);
            return kUnzipNoPassword;
        }

        struct statvfs fs { };
        if (::fstatvfs(dir.Get(), &fs) == 0 && fs.f_frsize > 0
            && quint64(info.Size) > quint64(fs.f_bavail) * quint64(fs.f_frsize))
            return kUnzipDiskFull;

        return WriteMember(s, index, info, r, dir, finalName, encrypted ? password : nullptr);
    }

} // namespace

bool ZipMemberPathIsSafe(const QByteArray& name)
{
    std::vector<QByteArray> parts;
    return SplitMemberPath(name, parts);
}

int hyunzip(TUnzipCommandRecord* record)
{
    if (!record || record->StructSize != sizeof(TUnzipCommandRecord) || !record->Session)
        return kUnzipBadCommand;
    THyUnzipSession& s = *record->Session;
    switch (record->Command) {
    case kUnzipCountMembers:
        return CountMembers(s, *record);
    case kUnzipNextMember:
        return NextMember(s, *record);
    case kUnzipMemberInfo:
        return MemberInfo(s, *record);
    case kUnzipExtractMember:
        return ExtractMember(s, *record);
    default:
        return kUnzipBadCommand;
    }
}

} // namespace hy::archive

// The end record (and its ZIP64 form) and the central directory, read with pread: the archive's start,
// the stored dates and times, the names flagged UTF-8 that are not and the stored AES members without a
// CRC; and the view of the file that libzip reads with those mended.
#include "core/archive/ZipCentral.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>
#include <zip.h>

namespace hy::archive {

using namespace hy::platform;

using platform::TFileDescriptor;

namespace {

    constexpr qint64 kEndRecordSize = 22;
    constexpr qint64 kZip64LocatorSize = 20;
    constexpr qint64 kZip64EndRecordSize = 56;
    constexpr qint64 kCentralHeaderSize = 46;
    // A directory larger than this is left to libzip alone.
    constexpr quint64 kDirectoryLimit = quint64(1) << 30;

    quint16 U16(const char* p) { return quint16(quint8(p[0]) | quint16(quint8(p[1])) << 8); }
    quint32 U32(const char* p) { return quint32(U16(p)) | quint32(U16(p + 2)) << 16; }
    quint64 U64(const char* p) { return quint64(U32(p)) | quint64(U32(p + 4)) << 32; }

    bool Signature(const char* p, char a, char b) { return p[0] == 'P' && p[1] == 'K' && p[2] == a && p[3] == b; }

    bool ReadAt(const TFileDescriptor& fd, qint64 offset, char* data, qint64 size)
    {
        while (size > 0) {
            const ssize_t n = ::pread(fd.Get(), data, size_t(size), off_t(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            offset += n;
            size -= n;
        }
        return true;
    }

    bool IsUtf8(const char* data, qsizetype size)
    {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(QByteArrayView(data, size));
        Q_UNUSED(text);
        return !decoder.hasError();
    }

    // The data of one field in a block of extra fields, with its size; null when the block has none.
    const char* ExtraField(const char* extra, qsizetype length, quint16 wanted, qsizetype& size)
    {
        for (qsizetype at = 0; at + 4 <= length;) {
            const quint16 id = U16(extra + at);
            size = U16(extra + at + 2);
            if (at + 4 + size > length)
                return nullptr;
            if (id == wanted)
                return extra + at + 4;
            at += 4 + size;
        }
        return nullptr;
    }

    // Where a member's local header starts: from its central header, or from its ZIP64 field, which holds
    // the sizes first when they are too large for the header. -1 when it cannot be told.
    qint64 LocalHeaderOffset(const char* central, const char* extra, qsizetype extraLength)
    {
        const quint64 offset = U32(central + 42);
        if (offset != 0xFFFFFFFF)
            return qint64(offset);
        qsizetype size = 0;
        const char* field = ExtraField(extra, extraLength, 0x0001, size);
        const qsizetype at
            = 8 * ((U32(central + 24) == 0xFFFFFFFF ? 1 : 0) + (U32(central + 20) == 0xFFFFFFFF ? 1 : 0));
        return field && at + 8 <= size ? qint64(qMin(U64(field + at), quint64(1) << 62)) : -1;
    }

    // A member's local header with its name and extra fields; empty when there is none at pos.
    QByteArray ReadLocalHeader(const TFileDescriptor& fd, qint64 pos)
    {
        QByteArray head(30, Qt::Uninitialized);
        if (pos < 0 || !ReadAt(fd, pos, head.data(), 30) || !Signature(head.constData(), 3, 4))
            return QByteArray();
        const qsizetype rest = U16(head.constData() + 26) + U16(head.constData() + 28);
        head.resize(30 + rest);
        return ReadAt(fd, pos + 30, head.data() + 30, rest) ? head : QByteArray();
    }

    // A WinZip AES field (version, "AE", strength, method) of the second kind for a member stored as it
    // is: the offset of its method in the block of extra fields, or -1.
    qsizetype StoredAesMethodAt(const char* extra, qsizetype length)
    {
        qsizetype size = 0;
        const char* field = ExtraField(extra, length, 0x9901, size);
        if (!field || size < 7 || U16(field) != 2 || U16(field + 5) != 0)
            return -1;
        return field + 5 - extra;
    }

    // The archive as libzip reads it when it cannot read the file as it is: from where the archive starts,
    // with the corrections of the central directory reading in place of the file's own bytes.
    class TArchiveWindow {
    public:
        TArchiveWindow(TFileDescriptor fd, const TZipCentral& central, qint64 fileSize)
            : m_fd(std::move(fd))
            , m_start(central.Prefix)
            , m_length(fileSize - central.Prefix)
            , m_patches(central.Patches)
        {
            zip_error_init(&m_error);
        }
        ~TArchiveWindow() { zip_error_fini(&m_error); }
        TArchiveWindow(const TArchiveWindow&) = delete;
        TArchiveWindow& operator=(const TArchiveWindow&) = delete;

        static zip_int64_t Command(void* self, void* data, zip_uint64_t length, zip_source_cmd_t command)
        {
            auto* w = static_cast<TArchiveWindow*>(self);
            switch (command) {
            case ZIP_SOURCE_OPEN:
                w->m_position = 0;
                return 0;
            case ZIP_SOURCE_READ:
                return w->Read(static_cast<char*>(data), length);
            case ZIP_SOURCE_CLOSE:
                return 0;
            case ZIP_SOURCE_STAT: {
                auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &w->m_error);
                if (!st)
                    return -1;
                zip_stat_init(st);
                st->size = zip_uint64_t(w->m_length);
                st->valid |= ZIP_STAT_SIZE;
                return sizeof(zip_stat_t);
            }
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&w->m_error, data, length);
            case ZIP_SOURCE_SEEK: {
                const zip_int64_t to = zip_source_seek_compute_offset(
                    zip_uint64_t(w->m_position), zip_uint64_t(w->m_length), data, length, &w->m_error);
                if (to < 0)
                    return -1;
                w->m_position = to;
                return 0;
            }
            case ZIP_SOURCE_TELL:
                return w->m_position;
            case ZIP_SOURCE_FREE:
                delete w;
                return 0;
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                    ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                    ZIP_SOURCE_SUPPORTS, -1);
            default:
                zip_error_set(&w->m_error, ZIP_ER_OPNOTSUPP, 0);
                return -1;
            }
        }

    private:
        zip_int64_t Read(char* data, zip_uint64_t length)
        {
            const qint64 wanted = qint64(qMin<zip_uint64_t>(length, zip_uint64_t(m_length - m_position)));
            ssize_t n = 0;
            do
                n = ::pread(m_fd.Get(), data, size_t(wanted), off_t(m_start + m_position));
            while (n < 0 && errno == EINTR);
            if (n < 0) {
                zip_error_set(&m_error, ZIP_ER_READ, errno);
                return -1;
            }
            const qint64 first = m_start + m_position;
            auto it = std::lower_bound(m_patches.begin(), m_patches.end(), first,
                [](const TZipCentral::TPatch& patch, qint64 offset) { return patch.Offset < offset; });
            for (; it != m_patches.end() && it->Offset < first + n; ++it)
                data[it->Offset - first] = it->Value;
            m_position += n;
            return n;
        }

        TFileDescriptor m_fd;
        qint64 m_start;
        qint64 m_length;
        std::vector<TZipCentral::TPatch> m_patches;
        qint64 m_position = 0;
        zip_error_t m_error;
    };

    // Where the central directory lies: its entry count, size, offset (not counting data before the
    // archive) and the position where it ends, from the last end record whose comment ends inside the file.
    struct TDirectoryPlace {
        quint64 Count = 0;
        quint64 Size = 0;
        quint64 Offset = 0;
        qint64 End = 0;
    };

    // False when the file has no sound end record.
    bool FindDirectory(const TFileDescriptor& fd, qint64 fileSize, TDirectoryPlace& place)
    {
        // The last end record whose comment ends inside the file.
        const qint64 tailSize = qMin(fileSize, kEndRecordSize + 0xFFFF);
        const qint64 tailStart = fileSize - tailSize;
        QByteArray tail(tailSize, Qt::Uninitialized);
        if (!ReadAt(fd, tailStart, tail.data(), tailSize))
            return false;
        qint64 at = tailSize - kEndRecordSize;
        for (; at >= 0; --at) {
            const char* p = tail.constData() + at;
            if (Signature(p, 5, 6) && at + kEndRecordSize + U16(p + 20) <= tailSize)
                break;
        }
        if (at < 0)
            return false;
        const char* end = tail.constData() + at;
        const qint64 endPos = tailStart + at;
        quint64 count = U16(end + 10);
        quint64 size = U32(end + 12);
        quint64 offset = U32(end + 16);
        qint64 directoryEnd = endPos;
        // A ZIP64 end record, found by the locator right before the end record, holds the true values (also
        // when the end record's own are not at their limits): where the locator says, else right before the
        // locator (its offset does not count the data before the archive).
        char locator[kZip64LocatorSize];
        const bool zip64 = endPos >= kZip64LocatorSize + kZip64EndRecordSize
            && ReadAt(fd, endPos - kZip64LocatorSize, locator, kZip64LocatorSize) && Signature(locator, 6, 7);
        if (!zip64 && (count == 0xFFFF || size == 0xFFFFFFFF || offset == 0xFFFFFFFF))
            return false;
        if (zip64) {
            char record[kZip64EndRecordSize];
            qint64 recordPos = qint64(qMin(U64(locator + 8), quint64(endPos)));
            if (!ReadAt(fd, recordPos, record, kZip64EndRecordSize) || !Signature(record, 6, 6)) {
                recordPos = endPos - kZip64LocatorSize - kZip64EndRecordSize;
                if (!ReadAt(fd, recordPos, record, kZip64EndRecordSize) || !Signature(record, 6, 6))
                    return false;
            }
            count = U64(record + 32);
            size = U64(record + 40);
            offset = U64(record + 48);
            directoryEnd = recordPos;
        }
        place = { count, size, offset, directoryEnd };
        return true;
    }

} // namespace

bool ReadZipCentral(const TFileDescriptor& fd, qint64 fileSize, TZipCentral& out)
{
    out = TZipCentral();
    if (!fd.Valid() || fileSize < kEndRecordSize)
        return false;
    TDirectoryPlace place;
    if (!FindDirectory(fd, fileSize, place))
        return false;
    const quint64 count = place.Count;
    const quint64 size = place.Size;
    const quint64 offset = place.Offset;
    const qint64 directoryEnd = place.End;
    if (size > quint64(directoryEnd) || offset > quint64(directoryEnd) - size || size > kDirectoryLimit)
        return false;
    out.Prefix = directoryEnd - qint64(size) - qint64(offset);
    const qint64 directoryStart = out.Prefix + qint64(offset);
    QByteArray directory(qsizetype(size), Qt::Uninitialized);
    if (!ReadAt(fd, directoryStart, directory.data(), directory.size()))
        return false;

    out.DosStamps.reserve(size_t(qMin(count, size / kCentralHeaderSize)));
    qint64 p = 0;
    for (quint64 index = 0; p + kCentralHeaderSize <= directory.size() && Signature(directory.constData() + p, 1, 2);
         ++index) {
        const char* r = directory.constData() + p;
        const qsizetype nameLength = U16(r + 28);
        const qsizetype extraLength = U16(r + 30);
        const qsizetype commentLength = U16(r + 32);
        const qint64 length = kCentralHeaderSize + nameLength + extraLength + commentLength;
        if (p + length > directory.size())
            return false;
        out.DosStamps.push_back(quint32(U16(r + 14)) << 16 | U16(r + 12));
        const char* name = r + kCentralHeaderSize;
        const char* extra = name + nameLength;
        const char* comment = extra + extraLength;
        const bool falseUtf8
            = (U16(r + 8) & kZipUtf8Flag) && (!IsUtf8(name, nameLength) || !IsUtf8(comment, commentLength));
        // libzip writes AES of the second kind with a CRC: that one checks.
        const qsizetype aesMethod = U16(r + 10) == 99 && U32(r + 16) == 0 ? StoredAesMethodAt(extra, extraLength) : -1;
        if (falseUtf8 || aesMethod >= 0) {
            const qint64 here = directoryStart + p;
            const qint64 localPos = LocalHeaderOffset(r, extra, extraLength);
            const QByteArray local = ReadLocalHeader(fd, localPos < 0 ? -1 : out.Prefix + localPos);
            const qint64 localAt = out.Prefix + localPos;
            // The UTF-8 bit is in the high byte of the flag word.
            const auto clearUtf8 = [&out](qint64 where, char high) {
                out.Patches.push_back({ where, char(quint8(high) & ~quint8(kZipUtf8Flag >> 8)) });
            };
            if (falseUtf8) {
                out.FalseUtf8.push_back(index);
                clearUtf8(here + 9, r[9]);
                if (!local.isEmpty())
                    clearUtf8(localAt + 7, local.at(7));
            }
            if (aesMethod >= 0) {
                out.StoredAes.push_back(index);
                out.Patches.push_back({ here + kCentralHeaderSize + nameLength + aesMethod, char(8) });
                const qsizetype localName = local.isEmpty() ? 0 : U16(local.constData() + 26);
                const qsizetype localMethod = local.isEmpty()
                    ? -1
                    : StoredAesMethodAt(local.constData() + 30 + localName, local.size() - 30 - localName);
                if (localMethod >= 0)
                    out.Patches.push_back({ localAt + 30 + localName + localMethod, char(8) });
            }
        }
        p += length;
    }
    std::sort(out.Patches.begin(), out.Patches.end(),
        [](const TZipCentral::TPatch& a, const TZipCentral::TPatch& b) { return a.Offset < b.Offset; });
    return true;
}

zip_t* OpenCorrectedArchive(TFileDescriptor fd, const TZipCentral& central, qint64 fileSize, zip_error_t& error)
{
    auto* window = new TArchiveWindow(std::move(fd), central, fileSize);
    zip_source_t* source = zip_source_function_create(&TArchiveWindow::Command, window, &error);
    if (!source) {
        delete window;
        return nullptr;
    }
    zip_t* za = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!za)
        zip_source_free(source);
    return za;
}

} // namespace hy::archive

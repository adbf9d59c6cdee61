// TArchiveReader: the archives of every common kind through libarchive (tar in every form and filter,
// 7z, rar and rar5, iso9660, cpio, ar and .deb, cab, lha, xar; zip too, though ZIP files keep their own
// path), told by their content. Listing reads the archive once, front to back, with progress and a stop
// that answers within 100 ms, and keeps what it listed when the archive turns out damaged or cut short.
// Extraction takes the chosen members by their index in one pass (libarchive reads sequentially) into a
// folder, with the refusals of the ZIP path: names that lead outside the folder, links (never made, never
// written through), devices, FIFOs and sockets (nothing written), setuid and setgid bits dropped, and no
// file left half-written when extraction stops or fails.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

namespace hy::archive {

// Results of extraction besides 0 and the unzip library's codes (core/archive/HyUnzip.h) and platform codes.
enum : int {
    kArchiveSpecialMember = 10120, // a device, FIFO or socket: nothing is written for it
    kArchiveHardLink = 10121, // a hard link, which is never extracted
    kArchiveEncrypted = 10122, // encrypted members or headers this program cannot read
    kArchiveNoSuchMember = 10123, // no member has the index asked for
    kArchiveTooLarge = 10124, // the member declares more bytes than the folder's disk has room for
};

// What the user is told about an extraction result: the texts above, else the unzip library's texts.
QString ArchiveResultText(int code);

enum class TArchiveMemberType { File, Folder, SymLink, HardLink, Device, Fifo, Socket };

struct TArchiveMember {
    int Index = 0; // the member's place in the archive, from 0: extraction asks for members by it
    QByteArray RawName; // the path as the archive holds it
    QString Name; // the same bytes as a name inside the program (platform/FileNames.h)
    qint64 Size = -1; // -1: unknown until the member is read
    qint64 CompressedSize = -1; // -1: unknown (a compressed tar, a solid 7z ...)
    bool HasTime = false;
    qint64 Modified = 0; // seconds since 1970-01-01 UTC
    TArchiveMemberType Type = TArchiveMemberType::File;
    quint32 Mode = 0; // permission bits, setuid, setgid and sticky included
    QByteArray LinkTarget; // what a link points to
    bool Encrypted = false;
};

enum class TArchiveStatus {
    Ok,
    Stopped, // the progress callback or RequestStop stopped it
    Failed, // Message says why and where
};

struct TArchiveListing {
    TArchiveStatus Status = TArchiveStatus::Ok;
    QString Message; // why the listing ended early; empty when it did not
    qint64 StoppedAt = -1; // bytes of the archive file read when it ended early
    QString Format; // as libarchive names it ("GNU tar format", "7-Zip", "ISO9660" ...)
    QStringList Filters; // the compressions around it, outermost last ("gzip", "xz" ...)
};

struct TExtractResult {
    int Index = 0;
    int Code = 0; // 0 written (or the folder made), else why not: ArchiveResultText(Code)
    QString Target; // the path it was written to, or would have been
    qint64 Bytes = 0; // bytes written
    bool ModeStripped = false; // setuid, setgid or sticky bits were dropped
};

struct TExtractOptions {
    QString Folder; // where the members go, each with its path below it
    bool FlatNames = false; // each member goes straight into Folder under the last part of its path
    // Asked for a name that exists already; true replaces it. Without it nothing is replaced.
    std::function<bool(const TArchiveMember& member, const QString& path)> ConfirmReplace;
};

// Told how many bytes of the archive file are read of how many; false stops the work.
using TArchiveProgress = std::function<bool(qint64 done, qint64 total)>;

class TArchiveReader {
public:
    explicit TArchiveReader(const QString& path);
    ~TArchiveReader();
    TArchiveReader(const TArchiveReader&) = delete;
    TArchiveReader& operator=(const TArchiveReader&) = delete;

    const QString& FileName() const { return m_path; }
    // Called often while reading (no more than every 10 ms); it may let events through.
    void SetProgress(TArchiveProgress progress) { m_progress = std::move(progress); }
    // Asked for a password when an encrypted member can be read with one (zip members through libarchive);
    // an empty answer gives up. 7z and rar encryption cannot be read: they say "encrypted archive: not
    // supported".
    void SetPasswordCallback(std::function<QByteArray()> ask) { m_askPassword = std::move(ask); }
    // From any thread: the running listing or extraction stops within 100 ms (and the next one starts
    // afresh).
    void RequestStop() { m_stopRequested = true; }

    // Lists the members, replacing the last listing.
    TArchiveListing List();
    const std::vector<TArchiveMember>& Members() const { return m_members; }

    // Extracts the members with these indexes (in any order; each once) in one pass. results gets one
    // entry per index, in the archive's order. Returns Failed when the archive cannot be read to the last
    // chosen member (the members after the fault say why), Stopped when stopped (the member being written
    // is removed), else Ok even when some members were refused: their results say why.
    TArchiveStatus Extract(const std::vector<int>& indexes, const TExtractOptions& options,
        std::vector<TExtractResult>& results, QString* message = nullptr);

    // The archive format libarchive finds in a file's content ("" when it finds none): a compressed file
    // that holds no archive gives "".
    static QString ContentFormat(const QString& path);

private:
    class Session;
    friend class Session;

    QString m_path;
    TArchiveProgress m_progress;
    std::function<QByteArray()> m_askPassword;
    std::atomic<bool> m_stopRequested { false };
    std::vector<TArchiveMember> m_members;
};

} // namespace hy::archive

// File facts and file operations on this platform: attributes, size and time stamps, the kind of an entry,
// delete, create a directory, set a time stamp, copy, and files written whole under a temporary name.
// Every failure comes back as the program's error code.
#pragma once

#include "base/ErrorCodes.h"
#include "platform/FileDescriptor.h"
#include "platform/FileNames.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

struct stat;

class QFile;

namespace hy::platform {

// Attribute bits as the program knows them. R: the current user may not write the entry; H: the name
// begins with "."; S: neither a regular file, a directory nor a link to one; A: never set here.
enum FileAttribute : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
};

struct TFileFacts {
    int errorCode = base::kErrorFileNotFound; // 0 when the entry exists
    int attributes = 0;
    qint64 size = -1;
    QDateTime modified; // local time
};

// Facts of one entry (links are followed; a dangling link reports the link itself).
TFileFacts ReadFileFacts(const QString& path);

// What a name leads to, links followed. Missing also stands for a name that cannot be followed (a dangling
// link, a loop of links, a name too long): errorCode says which.
enum class EntryKind { Missing, RegularFile, Directory, Other };
EntryKind KindOf(const QString& path, int* errorCode = nullptr);
// A regular file that the current user may execute.
bool IsExecutableFile(const QString& path);
// A directory the current user may make files in: one it may write to and search.
bool IsWritableDirectory(const QString& path);

// Every viewer window holds its file open: the process may hold as many files as the system lets it.
void RaiseOpenFileLimit();

// Deletes a file. With force, a delete refused for access (code 5) makes the file writable for its
// owner and tries once more; the mode is put back when that fails too.
int RemoveFile(const QString& path, bool force);

// Creates one directory; 0 when it exists already, 3 when a file holds its name.
int MakeDirectory(const QString& path);

// Sets the modification time of an entry.
int SetModifiedTime(const QString& path, const QDateTime& time);

// Told after each block how many bytes of how many are done; false stops the work.
using TProgress = std::function<bool(qint64 done, qint64 total)>;

// Copies source to target in blocks of at most blockLimit bytes until a short block. The copy takes
// the source's modification time when the sizes agree and the source's permissions; a copy left
// incomplete by any failure is deleted. Codes: kErrorCopySameFile, kErrorCopySizeMismatch,
// kErrorNotEnoughMemory (no buffer), kErrorSearchStopped when progress said stop, else the platform
// code. 0 is success.
int CopyFileData(const QString& source, const QString& target, qint64 blockLimit, const TProgress& progress = {});

// Reads a whole file of at most limit bytes. Only a regular file is read: a name that leads to a pipe, a
// device or a folder is refused with kErrorNotRegularFile without waiting on it, and a longer file with
// kErrorFileTooLarge. 0, or the error code of the failure (contents then empty).
int ReadSmallFile(const QString& path, qint64 limit, QByteArray& contents);

// Opens a regular file for reading into file, which closes it from then on, without waiting on it. 0, or
// the error code: the platform's for a failed open, kErrorAccessDenied for anything but a regular file.
int OpenForReading(QFile& file, const QString& path);

// The same into a descriptor, which then reads as any regular file does (it waits for the disk).
int OpenForReading(TFileDescriptor& fd, const QString& path);

// Reads up to n bytes at offset, fewer only at the end of the file; -1 on failure, with errno set.
qint64 ReadFileAt(const TFileDescriptor& fd, qint64 offset, void* buffer, qint64 n);
// Writes n bytes at offset; false on failure, with errno set (ENOSPC when the disk took nothing more).
bool WriteFileAt(const TFileDescriptor& fd, qint64 offset, const void* buffer, qint64 n);

// What tells one state of a file from another: which file a name stood for, how large and how new it was.
struct TFileIdentity {
    quint64 Device = 0;
    quint64 Inode = 0;
    qint64 Size = -1; // -1: the file could not be looked at
    qint64 ModifiedNs = 0;

    bool SameFile(const TFileIdentity& other) const { return Device == other.Device && Inode == other.Inode; }
};
// The identity in a file's facts; the open file's identity, and that of the file a name stands for now (links
// followed). The same device and inode name the same file or directory however it was reached.
TFileIdentity IdentityOfFacts(const struct stat& st);
TFileIdentity IdentityOf(const TFileDescriptor& fd);
TFileIdentity IdentityOfName(const QString& path);

// A file written under a temporary name beside its target, which takes the target's name only when
// Commit succeeds: a failed or abandoned write leaves an existing target as it was and no partial file.
class TReplacingFile {
public:
    explicit TReplacingFile(const QString& target);
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    // Creates the temporary file; refuses a target that exists and may not be written or is not a regular
    // file. 0 or an error code.
    int Open();
    // Appends bytes; the first failure is kept and returned by every later call.
    int Write(const char* data, qint64 size);
    int Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    // The open temporary file, for setting its time stamp and mode before Commit.
    const TFileDescriptor& Descriptor() const { return m_fd; }
    // Writes everything out and renames the file to the target; 0 or an error code. On failure the
    // temporary file is gone.
    int Commit();

private:
    void Discard();

    QByteArray m_target;
    QByteArray m_temp;
    TFileDescriptor m_fd;
    int m_error = 0;
};

} // namespace hy::platform

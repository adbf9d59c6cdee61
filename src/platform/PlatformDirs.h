// Reading directories on this platform: entries in the file system's order, their facts as the
// program's find record, and the facts about file systems that a tree walk needs.
#pragma once

#include "platform/FileDescriptor.h"
#include "platform/PlatformFiles.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <dirent.h>

namespace hy::platform {

// Set in a find record's attributes for an entry that is itself a symbolic link (read without following).
inline constexpr int faLink = 0x400;

// The program's find record: the packed DOS date/time of the last change (local time), the size in
// bytes (0 for directories), the attribute bits of PlatformFiles.h and the name as found.
struct TSearchRec {
    quint32 Time = 0;
    qint64 Size = 0;
    int Attr = 0;
    QString Name;
};

// The packed DOS date/time of a moment given in seconds since 1970, in local time: date in the high 16
// bits (year - 1980, month, day), time in the low 16 (hours, minutes, seconds / 2). Moments before 1980
// give 0; moments after 2107 give the last moment of 2107.
quint32 PackedLocalTime(qint64 secondsSinceEpoch);

// What readdir reports about an entry without asking for its facts.
enum class EntryType : unsigned char { Unknown, File, Directory, Link, Other };

// One directory, open for reading. Entries come in the file system's order; "." and ".." are passed over.
class TDirectoryReader {
public:
    TDirectoryReader() = default;
    ~TDirectoryReader();
    TDirectoryReader(const TDirectoryReader&) = delete;
    TDirectoryReader& operator=(const TDirectoryReader&) = delete;

    // 0, or the program's code for why the directory cannot be read (3 when it is missing).
    int Open(const QString& path);
    // Opens the subdirectory name of the directory parent, never through a link: a name that is a link
    // (or was swapped for one since it was looked at) is refused with code 3, so a walk that opens every
    // folder this way cannot be led outside its tree.
    int OpenInside(const TFileDescriptor& parent, const char* name);
    bool IsOpen() const { return m_dir != nullptr; }
    void Close();
    // Ends the reading of entries and hands over the directory itself, still open, for opening what lies
    // inside it (an invalid descriptor when nothing was open or the system has no descriptor to spare).
    TFileDescriptor ReleaseDirectory();
    // The directory's own identity (valid after Open).
    TFileIdentity Identity() const { return m_identity; }

    // The next entry's name (valid until the next call) and type; nullptr at the end. Error() tells a
    // failure from the end.
    const char* Next(EntryType& type);
    int Error() const { return m_error; }

    // Time, size and attributes of an entry of this directory by its raw name (the record's Name is left
    // as it is). With followLinks a link reports what it points to (a dangling link reports itself);
    // without, the link itself, with faLink among its attributes. 0 or the program's error code.
    int Facts(const char* name, TSearchRec& record, bool followLinks, TFileIdentity* identity = nullptr) const;
    // Opens an entry of this directory by its raw name for reading (links followed; without waiting for a
    // pipe or a device). An invalid descriptor when it cannot be opened.
    TFileDescriptor OpenFile(const char* name) const;

private:
    // Reads the facts of a directory just opened (errno tells why when held is not valid) and starts
    // reading its entries.
    int Start(TFileDescriptor held, const char* path);

    DIR* m_dir = nullptr;
    int m_error = 0;
    bool m_readOnlyFileSystem = false;
    TFileIdentity m_identity;
};

// The find record of one path (links followed; a dangling link reports itself). 0 or the program's code.
int ReadSearchRecord(const QString& path, TSearchRec& record);

// Whether a directory can be entered (it exists, is a directory and may be searched); 0 or the program's
// code: 3 when it or a directory on the way is missing or is not a directory, 5 when it may not be entered.
int CheckDirectory(const QString& path);

// True when the directory is the top of a file system that holds no files a person browses: proc,
// sysfs, device and pseudo-terminal file systems, cgroups, debugging and security file systems, and
// /proc, /sys, /dev and /run themselves.
bool IsPseudoFileSystem(const QString& path);

// Why no folder can be made inside an existing directory, as far as its file system tells: it belongs to a
// file system the kernel keeps for itself (proc, sysfs and the like), it is mounted read-only, or the current
// user may not write to it. None when nothing stands in the way that these tell of.
enum class FolderRefusal { None, SystemFileSystem, ReadOnlyFileSystem, NotPermitted };
FolderRefusal WhyNoFoldersIn(const QString& directory);

} // namespace hy::platform

// The unzip library behind the wrapper: one entry, hyunzip, that runs the command in a command record
// (count the members, deliver the next member, describe one member, extract one member) over libzip, and
// raises the record's callbacks on the calling thread while it works.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace hy::archive {

// Commands the program issues.
enum : qint32 {
    kUnzipCountMembers = 3, // ItemCount := the number of members matching FileSpec
    kUnzipNextMember = 4, // ItemInfo := the next of those members
    kUnzipMemberInfo = 7, // ItemInfo := the member named by FileSpec
    kUnzipExtractMember = 8, // extracts the member named by FileSpec into Destination
};

// Messages raised through the message callback.
enum : quint16 {
    kUnzipMsgOverwrite = 8, // lpsz1 names a file that exists already: 6 (yes) replaces it
    kUnzipMsgPassword = 9, // lpsz1 names an encrypted member and no password was given
};

// Results other than 0, in the program's error code numbering (platform file codes and these).
enum : int {
    kUnzipNotFound = 2, // no such archive, or no such member
    kUnzipNoDirectory = 3, // the destination is missing
    kUnzipAccessDenied = 5,
    kUnzipNoMemory = 8,
    kUnzipDamaged = 100, // the data cannot be unpacked: the archive is damaged
    kUnzipNotAnArchive = 106, // not a ZIP archive, or its directory is damaged or truncated
    kUnzipDiskFull = 112, // no room, or the member grew past the size its directory states
    kUnzipCrcError = 154,
    kUnzipBadCommand = 10100, // a command the library does not know, or an argument missing
    kUnzipNoMoreMembers = 10101,
    kUnzipStopped = 10102, // a status callback asked to stop
    kUnzipNoPassword = 10103,
    kUnzipWrongPassword = 10104,
    kUnzipUnsafeName = 10105, // the name leads out of the destination ("..", absolute, drive prefix)
    kUnzipLinkMember = 10106, // the member is a symbolic link
    kUnzipLinkInPath = 10107, // a link or a file stands where a folder of the member's path belongs
    kUnzipNotReplaced = 10108, // the file exists and replacing it was not confirmed
    kUnzipTargetIsFolder = 10109,
    kUnzipUnsupportedMethod = 10110,
    kUnzipUnsupportedEncryption = 10111,
    kUnzipSpanned = 10112,
};

// Attribute bits of a member.
enum : quint32 {
    kZipAttrReadOnly = 0x01,
    kZipAttrHidden = 0x02,
    kZipAttrSystem = 0x04,
    kZipAttrDirectory = 0x10,
    kZipAttrArchive = 0x20,
};

// What the library reports about one member.
struct TUnzipItemInfo {
    qint64 Size = 0; // uncompressed, in bytes
    qint64 CompressedSize = 0;
    quint16 Flags = 0; // bit 0: encrypted
    // "MM-DD-YY HH:MM:SS", local time; the year 80-99 stands for 1980-1999, 00-79 for 2000-2079.
    char DateText[18] = {};
    QByteArray Name; // the path inside the archive, UTF-8
    quint32 Attributes = 0; // kZipAttr bits
    bool IsLink = false; // a symbolic link made on a Unix system
    quint16 Method = 0; // compression method
    quint16 Encryption = 0; // encryption method, 0 none
};

class THyUnzipSession;

using TUnzipStatusFn = bool (*)(const char* item, qint32 percent, void* user);
using TUnzipMessageFn
    = qint32 (*)(quint16 msgId, quint16 mbType, qint32 p1, qint32 p2, const char* lpsz1, const char* lpsz2, void* user);
using TUnzipRenameFn = qint32 (*)(void* record, void* user);

// The command record. Texts are zero-terminated (null when empty): file names in the file system's
// encoding, member names in UTF-8. Option fields hold 0 or 1.
struct TUnzipCommandRecord {
    quint32 StructSize = sizeof(TUnzipCommandRecord);
    qint32 Command = 0;
    const char* ZipFile = nullptr;
    TUnzipItemInfo* ItemInfo = nullptr;
    const char* FileSpec = nullptr;
    qint64 IndexOfItem = 0;
    const char* Destination = nullptr;
    qint32 Freshen = 0;
    qint32 Update = 0;
    qint32 OverWrite = 0;
    qint32 Quiet = 0;
    qint32 Test = 0;
    qint32 NoDirectoryNames = 0;
    qint32 Recurse = 0;
    qint32 NoDirectoryItems = 0;
    TUnzipStatusFn MinorStatus = nullptr;
    void* MinorUser = nullptr;
    TUnzipStatusFn MajorStatus = nullptr;
    void* MajorUser = nullptr;
    qint64 ItemCount = 0; // in/out
    char* ReturnString = nullptr;
    qint32 Diagnostic = 0;
    qint32 LF2CRLF = 0;
    qint32 Decrypt = 0;
    const char* DecryptCode = nullptr;
    TUnzipMessageFn Message = nullptr;
    void* MessageUser = nullptr;
    quint16 SubOptions = 0;
    TUnzipRenameFn Rename = nullptr;
    void* RenameUser = nullptr;
    const char* ExtProgTitle = nullptr;
    // The caller's library state (open archive, position in the member list).
    THyUnzipSession* Session = nullptr;
};

// Whether a member's name stays below the folder it is extracted to: not absolute, no drive prefix, no
// ".." part ("/" and a backslash both separate parts), and naming something.
bool ZipMemberPathIsSafe(const QByteArray& name);

// The library's entry: 0 on success, else one of the codes above (or a platform file code).
using TUnzipEntry = int (*)(TUnzipCommandRecord* record);
int hyunzip(TUnzipCommandRecord* record);

// One caller's library state; each wrapper holds one for its lifetime.
THyUnzipSession* HyUnzipOpenSession();
void HyUnzipCloseSession(THyUnzipSession* session);

} // namespace hy::archive

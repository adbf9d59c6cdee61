// File facts and file operations on this platform: attributes, size and time stamps, delete, create a
// directory, set a time stamp, copy. Every failure comes back as the program's error code.
#pragma once

#include "base/ErrorCodes.h"

#include <QDateTime>
#include <QString>

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

// A file name as the program keeps it, from the bytes the file system holds, and back. UTF-8 is decoded;
// each byte that is not part of valid UTF-8 becomes the lone surrogate U+DC80 + (byte - 0x80), so
// every name survives the round trip exactly. Valid UTF-8 encodes as toUtf8() would.
QString DecodeFileName(const char* bytes, qsizetype size);
QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);

struct FileFacts {
    int errorCode = kErrorFileNotFound; // 0 when the entry exists
    int attributes = 0;
    qint64 size = -1;
    QDateTime modified; // local time
};

// Facts of one entry (links are followed; a dangling link reports the link itself).
FileFacts ReadFileFacts(const QString& path);

// Deletes a file. With force, a delete refused for access (code 5) makes the file writable for its
// owner and tries once more; the mode is put back when that fails too.
int RemoveFile(const QString& path, bool force);

// Creates one directory; 0 when it exists already, 3 when a file holds its name.
int MakeDirectory(const QString& path);

// Sets the modification time of an entry.
int SetModifiedTime(const QString& path, const QDateTime& time);

// Copies source to target in blocks of at most blockLimit bytes until a short block. The copy takes
// the source's modification time when the sizes agree (else 10004) and the source's permissions; a
// copy left incomplete by any failure is deleted. Codes: 10003 source and target are the same file,
// 10004 size mismatch, 8 no buffer, else the platform code. 0 is success.
int CopyFileData(const QString& source, const QString& target, qint64 blockLimit);

} // namespace hy::platform

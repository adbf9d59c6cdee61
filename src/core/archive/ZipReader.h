// The archive directory reader: asks the unzip library for the number of members and then for each
// member in turn, and turns each answer into a member of the list (icon by extension, name in the list's
// text case, sizes, ratio, packed date and attributes).
#pragma once

#include "core/archive/ZipMembers.h"
#include "core/filelist/ExtStrList.h"

#include <functional>

namespace hy::archive {

class TArchiveReader;
struct TArchiveListing;
class TUnzipFile;

// The file list's categories with two differences: programs leave out ".LNK", vector drawings ".WMF".
const filelist::TExtStringList& ZipExtensionGroups();
// The icon of a member by its name's extension (9 when no category has it).
int ZipMemberIcon(const QString& memberName);
// tcLowerCase, tcUpperCase, tcNone keeps the name; tcAuto lower-cases it and upper-cases the first
// character and each one after a "\" or after a single blank (a "/" does not start a word).
QString ApplyTextCase(const QString& name, TZipTextCase textCase);
// 100 - compressed x 100 / size when both are above 0; 0 otherwise and for a member that grew.
quint8 ZipRatio(qint64 compressedSize, qint64 size);
// The library's "MM-DD-YY HH:MM:SS" as a packed DOS date and time; a two-digit year 80-99 is 1980-1999
// and 00-79 is 2000-2079. 0 when the text holds no valid date.
qint32 ZipDateTextToPacked(const char* dateText);
// A member's path inside the archive with "/" between its parts: some archives separate them with "\".
QString ZipMemberPath(const QString& archiveName);

// Whether a file is read as a ZIP archive: its extension, upper-cased and cut to 4 characters, is ".ZIP".
bool IsZipFileName(const QString& fileName);

// A time (seconds since 1970 UTC) as a packed DOS date and time of the local time; 0 before 1980.
qint32 PackedLocalTime(qint64 seconds);

// Lists an archive of another kind (archive/ArchiveReader.h) into members (emptied first): those matching
// mask, folders left out, in the list's text case, with -1 for the sizes the archive cannot tell. The
// listing says whether the archive was read to its end and, if not, where and why it stopped.
TArchiveListing ReadArchiveDirectory(
    TArchiveReader& reader, const QString& mask, TZipTextCase textCase, TZipMembers& members);

// Reads the members of fileName matching mask into members (emptied first) and returns the reader's
// result: 0 read (also for a file that is not read at all), 1 the library refused the archive. keepAlive,
// when given, is called now and then during a long read.
int ReadZipDirectory(TUnzipFile& unzip, const QString& fileName, const QString& mask, TZipTextCase textCase,
    TZipMembers& members, const std::function<void()>& keepAlive = {});

} // namespace hy::archive

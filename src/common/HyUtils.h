// Small text, path and file helpers shared by the whole program, and the list reader GetListItem.
// Paths use "/" as separator and "/" as root.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

namespace hy::common {

// Attribute bits reported by FileAttributes and DirectoryAttributes.
enum : int {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,
    kAttrSysFile = 0x04,
    kAttrVolumeID = 0x08,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
};

// The largest block CopyFile moves at once.
inline constexpr qint64 kCopyBlockSize = 65528;

constexpr qint64 Larger(qint64 a, qint64 b) { return a > b ? a : b; }
constexpr qint64 Smaller(qint64 a, qint64 b) { return a < b ? a : b; }

// "1,234,567"; a negative number keeps its sign in front ("-1,234").
QString ThousandsText(qint64 value);
// Removes every blank, then converts the decimal text; text that is not a number gives 0.
qint64 NumberFromText(const QString& text);
// The absolute value padded with "0" to width; a negative value shows "-" in place of the first
// character, or in front when there is no padding to take its place.
QString ZeroPadded(qint64 value, int width);
QString RemoveBlanks(const QString& text);
// "" for 1, "s" for any other count.
QString PluralSuffix(qint64 count);
bool HasWildcards(const QString& text);
// "*" any run of characters, "?" one character; "*.*" matches every name. Letter case counts.
bool WildcardMatch(const QString& pattern, const QString& name);

// True when an extension (with or without its dot) is one of the entries of a dotted list, compared whole and
// without letter case. Lists come as ".BMP.ICO.ST.JPG" or padded to four characters per entry (".C...CPP"):
// ".S" is not in a list that holds ".ST", ".ZI" not in ".ZIP", and an empty extension or a lone "." (a name
// that ends in a dot) is in no list.
bool ExtensionInList(QStringView extension, QStringView dottedList);

// dir + "/" + name; no separator when dir is empty or ends in "/".
QString JoinPath(const QString& dir, const QString& name);
// The directory part of a path without its trailing "/", except the root "/" itself; "" when the path
// has no directory part.
QString DirectoryOf(const QString& path);
// The name after the last "/".
QString NameOf(const QString& path);

// A path with wildcards is reduced to its directory; a trailing "/" is ignored.
bool DirectoryExists(const QString& path);
// The attributes of a path that names a directory, else 0.
int DirectoryAttributes(const QString& path);
// The attributes of an entry (links followed), else 0.
int FileAttributes(const QString& path);
// The first entry matching a path whose name part may hold wildcards; empty when none.
QString FirstMatch(const QString& pattern);
bool FileExists(const QString& pattern);
// Size of the first match, or -1.
qint64 FileSize(const QString& pattern);
// Packed date/time (DOS layout, local time) of the first match, or 0.
qint32 FileDate(const QString& pattern);
// Modification time of the first match; invalid when none.
QDateTime FileDateTime(const QString& pattern);
// "R", "H", "S", "A" for the bits that are set, in that order.
QString AttributeLetters(int attributes);

// The packed DOS date/time layout: bits 25-31 year - 1980, 21-24 month, 16-20 day, 11-15 hour,
// 5-10 minute, 0-4 seconds / 2. Times outside 1980-2107 are clamped to that range.
qint32 PackDateTime(const QDateTime& time);
QDateTime UnpackDateTime(qint32 packed);
// The date and the time of a packed value as they stand (invalid when out of range), with no time zone
// that could move a time the clocks skipped.
QDate UnpackDate(qint32 packed);
QTime UnpackTime(qint32 packed);

// Creates every missing directory of path, outermost first. 0, or the error code of the first failure
// after which the directory does not exist.
int CreateDirectories(const QString& path);
// Deletes a file; with force, a file refused for access is made writable and tried once more.
int FileDelete(const QString& path, bool force);
// Sets the modification time of a file from a packed date/time, or from a time.
int SetFileDate(const QString& path, qint32 packed);
int SetFileDateTime(const QString& path, const QDateTime& time);
// Copies a file: 10003 when both name the same file, 10004 when the copy came out a different size,
// 8 when no buffer could be had, else a platform code; 0 on success. A failed copy is deleted.
int FileCopy(const QString& source, const QString& target);
// The same, told after every block how far it is; the copy stops (kErrorSearchStopped, no copy left) when
// progress returns false.
int FileCopy(const QString& source, const QString& target, const std::function<bool(qint64, qint64)>& progress);

// The value of an environment variable, the name compared without letter case; "" when absent.
QString GetEnvVar(const QString& name);
QString EnvironmentValue(const QString& name);
// The folder that stands for the Windows directory: the settings folder, else the program's folder.
QString WindowsDirectory();

// The words of a command line split as a shell splits them: blanks and tabs separate words; '...' keeps
// its text as it is; "..." too, except that \" \\ \$ and \` stand for the character after the
// backslash; a backslash elsewhere outside quotes keeps the character after it in the word. ok turns false
// when a quote is left open (the rest of the text then belongs to the last word).
QStringList SplitShellWords(const QString& text, bool* ok = nullptr);

// The n-th item (from 1) of a list separated by blanks or commas. A double quote toggles a quoted
// stretch in which blanks and commas belong to the item; the quotes are dropped. Only the first 255
// characters are read. A missing or empty item gives def.
QString GetListItem(const QString& list, int n, const QString& def = QString());
// The largest coordinate or size of a window that a stored setting may give (Qt makes no window larger).
inline constexpr qint64 kMaxStoredExtent = 16777215;
// A number of a stored list (window bounds, colours, column widths): item n by GetListItem, converted by
// NumberFromText. A missing item gives current, text that is no number 0, and a number outside min..max
// current again.
qint64 ListNumber(const QString& list, int n, qint64 current, qint64 min, qint64 max);

} // namespace hy::common

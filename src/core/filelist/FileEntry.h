// The file list's entry strings: one string per entry holds its kind, sort key, name, icon, attributes,
// time stamp and size, and everything the list knows about an entry is parsed back from it. Also the
// list's enumerations, its small sets and the conversion of names by text case.
#pragma once

#include <QString>
#include <QStringView>
#include <initializer_list>
#include <vector>

namespace hy::filelist {

enum TFileListOrder { flNormal, flInverted };
enum TFileListSortTypes { sbName, sbType, sbSize, sbDate };
enum TSearchModeTypes { smNormal, smSubDirectories };
enum TFileDetailItems { fdName, fdSize, fdDate, fdTime, fdAttr };
enum TTextCase { tcLowerCase, tcUpperCase, tcAuto, tcNone };
enum TListDetailItems { ldDrives, ldSystemDirectories, ldDirectories, ldFiles, ldNewFile };

inline constexpr int kFileDetailCount = 5;

// A set of enumeration values, as in [fdName, fdSize].
template <typename E> class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values)
    {
        for (E v : values)
            m_bits |= Bit(v);
    }
    constexpr bool Contains(E v) const { return m_bits & Bit(v); }
    constexpr TSet With(E v) const { return FromBits(m_bits | Bit(v)); }
    constexpr TSet Without(E v) const { return FromBits(m_bits & ~Bit(v)); }
    constexpr bool IsEmpty() const { return m_bits == 0; }
    constexpr unsigned Bits() const { return m_bits; }
    friend constexpr bool operator==(TSet, TSet) = default;

private:
    static constexpr unsigned Bit(E v) { return 1u << unsigned(v); }
    static constexpr TSet FromBits(unsigned bits)
    {
        TSet s;
        s.m_bits = bits;
        return s;
    }
    unsigned m_bits = 0;
};

using TFileDetails = TSet<TFileDetailItems>;
using TListDetails = TSet<TListDetailItems>;

// Entry kinds, in the order they sort.
inline constexpr char16_t ekNewFile = u'A';
inline constexpr char16_t ekDrive = u'B';
inline constexpr char16_t ekRoot = u'C';
inline constexpr char16_t ekParent = u'D';
inline constexpr char16_t ekDirectory = u'E';
inline constexpr char16_t ekFile = u'F';

// The layout of an entry string: the kind letter, a sort key, the name, then a tail of fixed width: "|",
// the icon number as one character, the attributes (6 digits), the packed time stamp (11 digits) and the
// size (20 digits). Sizes and keys are wide enough for any 64-bit size. The name is what lies between
// the key and the tail, so a name may hold any character, "|" included.
inline constexpr int kEntryKeyWidth = 20;
inline constexpr int kEntryNamePos = 1 + kEntryKeyWidth;
inline constexpr int kEntryAttrWidth = 6;
inline constexpr int kEntryTimeWidth = 11;
inline constexpr int kEntrySizeWidth = 20;
inline constexpr int kEntryTailWidth = 2 + kEntryAttrWidth + kEntryTimeWidth + kEntrySizeWidth;

// A drive's name holds its mount path, then this character and its label when it has one.
inline constexpr char16_t kDriveLabelSeparator = u'\0';

struct TEntryFields {
    char16_t kind = ekFile; // the true kind letter
    QString name;
    int icon = 9;
    int attributes = 0;
    quint32 time = 0; // packed DOS date/time
    qint64 size = 0;
    bool factsKnown = true; // false: attributes, time and size are still to be read from the disk
};

// The letter an entry of this kind stores: drives and files exchange their letters in flInverted, so
// that files sort first and drives last.
char16_t StoredKind(char16_t kind, TFileListOrder order);

// The sort key of an entry: all "0" for sbName (the name decides), the name's
// extension with its dot padded with "0" for sbType, the size or the time stamp in digits otherwise.
QString EntrySortKey(const TEntryFields& fields, TFileListSortTypes sortBy);

QString BuildEntry(const TEntryFields& fields, TFileListOrder order, TFileListSortTypes sortBy);
// The same with the name stored under a directory: the directory joined with the fields' name.
QString BuildEntry(const TEntryFields& fields, TFileListOrder order, TFileListSortTypes sortBy, QStringView directory);
// The same in two steps, with the name given apart (the fields' own name is not looked at), so that a walk
// writes its entries straight from the names of a folder's listing into room of its own: the length of the
// entry string, then its characters.
qsizetype EntryLength(QStringView name, QStringView directory);
void WriteEntry(QChar* out, QStringView name, const TEntryFields& fields, TFileListOrder order,
    TFileListSortTypes sortBy, QStringView directory);
// The fields of an entry string; a malformed string gives what can be read, numbers that do not convert 0.
TEntryFields ParseEntry(const QString& entry, TFileListOrder order);

// Accessors on one entry string.
char16_t EntryKindOf(const QString& entry, TFileListOrder order);
QStringView EntryNameOf(const QString& entry);
int EntryIconOf(const QString& entry);
int EntryAttributesOf(const QString& entry);
quint32 EntryTimeOf(const QString& entry);
qint64 EntrySizeOf(const QString& entry);
bool EntryFactsKnown(const QString& entry);
// Writes attributes, time and size into an entry string in place (its length does not change).
void SetEntryFacts(QString& entry, int attributes, quint32 time, qint64 size);

// The order of the list: the whole strings without regard to letter case, then exactly, so that equal
// strings are neighbours.
bool EntryLess(const QString& a, const QString& b);
void SortEntries(std::vector<QString>& entries);
// The same order for entries that come as runs already in that order, each starting at one of runStarts
// (ascending); the entries before the first run are in no order. Runs that do not overlap are only put
// one after another, so that a walk's folders, each sorted by the worker that read it, cost little more
// than a look at their first and last entries.
void SortEntryRuns(std::vector<QString>& entries, const std::vector<size_t>& runStarts);
// The same with room for the work given: spare is left empty and keeps what it holds of memory, so that the
// next sort of as many entries takes none afresh.
void SortEntryRuns(std::vector<QString>& entries, const std::vector<size_t>& runStarts, std::vector<QString>& spare);

// The name's extension with its dot: the text from the last "." after the last "/"; empty when none.
QStringView ExtensionOf(QStringView name);

// A name converted by a text case. tcAuto lower-cases all and then upper-cases the first character and
// each character after a blank or a "/".
QString ConvertCase(const QString& text, TTextCase textCase);

// The text case that drive labels are converted with: the last one set on any file list.
TTextCase ProcessTextCase();
void SetProcessTextCase(TTextCase textCase);

} // namespace hy::filelist

// TZipMembers: the members of one archive as the archive list shows them, kept sorted (by kind, then the
// chosen key, then the name without regard to case), with the counters of the last read and the texts of
// each member's columns.
#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QTime>
#include <array>

namespace hy::archive {

enum TZipListSortTypes { sbZipName, sbZipType, sbCompSize, sbOrigSize, sbZipDate };
enum TZipDetailItems { zdName, zdCompSize, zdOrigSize, zdCompPcnt, zdDate, zdTime, zdAttr };
inline constexpr int kZipDetailCount = 7;
// A set of TZipDetailItems, one bit per item.
using TZipDetails = unsigned;
constexpr TZipDetails ZipDetail(TZipDetailItems item) { return 1u << unsigned(item); }
enum TZipTextCase { tcLowerCase, tcUpperCase, tcAuto, tcNone };

// The kind every ZIP member has.
inline constexpr char kZipMemberKind = 4;

struct TZipMember {
    char Kind = kZipMemberKind;
    QString Name; // as shown, after the list's text case
    QString ArchiveName; // as the archive holds it
    quint8 Icon = 9;
    qint64 CompressedSize = 0; // -1: unknown (archives other than ZIP may not tell)
    qint64 Size = 0; // -1: unknown until the member is read
    qint32 TimeStamp = 0; // packed DOS date and time, 0 when unknown
    quint8 Ratio = 0;
    quint32 Attributes = 0;
    bool IsLink = false; // a symbolic link, which is never extracted
    qint64 ArchiveIndex = 0; // where the member stands in the archive, counted from 1; 0 when not known
};

class TZipMembers {
public:
    // Additions inside an update bracket are sorted in when the outermost bracket closes.
    void BeginUpdate() { ++m_updates; }
    void EndUpdate();
    bool Updating() const { return m_updates > 0; }

    // Empties the list and the counters.
    void Clear();
    // Adds a member. Kinds 3 and 4 are counted in ListCount and ListSize, also a member that is dropped
    // because an exactly equal one is listed already (the same entry of the archive: members of one name
    // at different places are all listed).
    void Add(TZipMember member);

    int Count() const { return int(m_rows.size()); }
    const TZipMember& At(int index) const { return m_rows.at(index); }

    TZipListSortTypes SortBy() const { return m_sortBy; }
    // Re-sorts the members by the new key; nothing is read again.
    void SetSortBy(TZipListSortTypes sortBy);

    qint64 ListCount() const { return m_listCount; }
    qint64 ListSize() const { return m_listSize; }

    char MemberKind(int index) const { return At(index).Kind; }
    QString MemberName(int index) const { return At(index).Name; }
    int MemberIcon(int index) const { return At(index).Icon; }
    qint64 MemberCompressedSize(int index) const { return At(index).CompressedSize; }
    qint64 MemberSize(int index) const { return At(index).Size; }
    qint32 MemberTimeStamp(int index) const { return At(index).TimeStamp; }
    int MemberRatio(int index) const { return At(index).Ratio; }
    quint32 MemberAttributes(int index) const { return At(index).Attributes; }

    // The column texts, indexed by TZipDetailItems: the name; the sizes with "," before every group of
    // three digits; the ratio and "%"; the locale's short date and long time, or "?" for a stamp before
    // 1 January 1980; the attribute letters R, H, S, A.
    std::array<QString, kZipDetailCount> MemberDetails(int index) const;
    // The locale's long time text without a time zone, as the Time column shows it.
    static QString TimeText(const QTime& time, const QLocale& locale);

private:
    void Sort();

    QList<TZipMember> m_rows;
    int m_updates = 0;
    bool m_unsorted = false;
    TZipListSortTypes m_sortBy = sbZipName;
    qint64 m_listCount = 0;
    qint64 m_listSize = 0;
};

// The sort key of a member's type: the name's extension with its dot, cut to 11 characters and padded
// with "0" to 11 ("" gives eleven zeros).
QString ZipTypeKey(const QString& name);

} // namespace hy::archive

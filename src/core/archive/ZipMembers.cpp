// The sorted member list and the texts of its columns.
#include "core/archive/ZipMembers.h"

#include "common/HyUtils.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <numeric>
#include <vector>

namespace hy::archive {

using namespace hy::common;

namespace {

    // The locale's long time without the time zone that Qt's long format adds.
    QString LongTimeFormat(const QLocale& locale)
    {
        static QString forLocale;
        static QString format;
        if (format.isEmpty() || forLocale != locale.name()) {
            forLocale = locale.name();
            format = locale.timeFormat(QLocale::LongFormat);
            format.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
            format = format.trimmed();
        }
        return format;
    }

    bool SameRow(const TZipMember& a, const TZipMember& b)
    {
        return a.Kind == b.Kind && a.Icon == b.Icon && a.CompressedSize == b.CompressedSize && a.Size == b.Size
            && a.TimeStamp == b.TimeStamp && a.Ratio == b.Ratio && a.Attributes == b.Attributes && a.Name == b.Name
            && a.ArchiveIndex == b.ArchiveIndex;
    }

} // namespace

QString ZipTypeKey(const QString& name)
{
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > slash ? name.mid(dot, 11) : QString();
    return extension.leftJustified(11, QLatin1Char('0'));
}

void TZipMembers::EndUpdate()
{
    if (m_updates > 0 && --m_updates == 0 && m_unsorted)
        Sort();
}

void TZipMembers::Clear()
{
    m_rows.clear();
    m_unsorted = false;
    m_listCount = 0;
    m_listSize = 0;
}

void TZipMembers::Add(TZipMember member)
{
    if (member.Kind == 3 || member.Kind == kZipMemberKind) {
        ++m_listCount;
        m_listSize += std::max<qint64>(member.Size, 0); // a size unknown until the member is read adds nothing
    }
    m_rows.append(std::move(member));
    m_unsorted = true;
    if (m_updates == 0)
        Sort();
}

void TZipMembers::SetSortBy(TZipListSortTypes sortBy)
{
    m_sortBy = sortBy;
    Sort();
}

void TZipMembers::Sort()
{
    m_unsorted = false;
    const int n = Count();
    // The keys are worked out once per member, then the members are put in key order.
    std::vector<QString> folded(static_cast<size_t>(n));
    std::vector<QString> typeKeys(m_sortBy == sbZipType ? size_t(n) : 0);
    for (int i = 0; i < n; ++i) {
        folded[size_t(i)] = m_rows.at(i).Name.toCaseFolded();
        if (m_sortBy == sbZipType)
            typeKeys[size_t(i)] = ZipTypeKey(m_rows.at(i).Name).toCaseFolded();
    }
    const auto numericKey = [this](const TZipMember& m) -> qint64 {
        switch (m_sortBy) {
        case sbCompSize:
            return m.CompressedSize;
        case sbOrigSize:
            return m.Size;
        case sbZipDate:
            return m.TimeStamp;
        default:
            return 0;
        }
    };
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int ia, int ib) {
        const TZipMember& a = m_rows.at(ia);
        const TZipMember& b = m_rows.at(ib);
        if (a.Kind != b.Kind)
            return a.Kind < b.Kind;
        if (m_sortBy == sbZipType) {
            if (const int c = typeKeys[size_t(ia)].compare(typeKeys[size_t(ib)]))
                return c < 0;
        } else if (const qint64 ka = numericKey(a), kb = numericKey(b); ka != kb) {
            return ka < kb;
        }
        if (const int c = folded[size_t(ia)].compare(folded[size_t(ib)]))
            return c < 0;
        if (const int c = a.Name.compare(b.Name))
            return c < 0;
        if (a.CompressedSize != b.CompressedSize)
            return a.CompressedSize < b.CompressedSize;
        if (a.Size != b.Size)
            return a.Size < b.Size;
        if (a.TimeStamp != b.TimeStamp)
            return a.TimeStamp < b.TimeStamp;
        if (a.Attributes != b.Attributes)
            return a.Attributes < b.Attributes;
        if (a.ArchiveIndex != b.ArchiveIndex)
            return a.ArchiveIndex < b.ArchiveIndex;
        return ia < ib;
    });
    // A member exactly equal to the one before it is shown once.
    QList<TZipMember> sorted;
    sorted.reserve(n);
    for (const int i : order) {
        if (!sorted.isEmpty() && SameRow(sorted.last(), m_rows.at(i)))
            continue;
        sorted.append(std::move(m_rows[i]));
    }
    m_rows = std::move(sorted);
}

QString TZipMembers::TimeText(const QTime& time, const QLocale& locale)
{
    return locale.toString(time, LongTimeFormat(locale));
}

std::array<QString, kZipDetailCount> TZipMembers::MemberDetails(int index) const
{
    const TZipMember& m = At(index);
    std::array<QString, kZipDetailCount> details;
    details[zdName] = m.Name;
    // A compressed tar or a solid archive cannot tell some sizes before its members are read.
    const QString unknown = QStringLiteral("unknown");
    details[zdCompSize] = m.CompressedSize < 0 ? unknown : ThousandsText(m.CompressedSize);
    details[zdOrigSize] = m.Size < 0 ? unknown : ThousandsText(m.Size);
    details[zdCompPcnt]
        = m.CompressedSize < 0 || m.Size < 0 ? QStringLiteral("?") : QString::number(m.Ratio) + QLatin1Char('%');
    details[zdDate] = details[zdTime] = QStringLiteral("?");
    if (m.TimeStamp >= 0x210000) {
        // As stored: 02:30 stays 02:30 also on the night the clocks skip it.
        const QDate date = UnpackDate(m.TimeStamp);
        const QTime time = UnpackTime(m.TimeStamp);
        if (date.isValid() && time.isValid()) {
            const QLocale locale;
            details[zdDate] = locale.toString(date, QLocale::ShortFormat);
            details[zdTime] = TimeText(time, locale);
        }
    }
    details[zdAttr] = AttributeLetters(int(m.Attributes));
    return details;
}

} // namespace hy::archive

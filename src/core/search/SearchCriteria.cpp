// The criteria of a disk search and the date-time arithmetic behind them.
#include "core/search/SearchCriteria.h"

#include <QDir>
#include <QList>
#include <algorithm>

namespace hy::search {

namespace {

    const qint64 kEpochJulianDay = QDate(1899, 12, 30).toJulianDay();

    // The digits of a field part with the blanks the user left removed; -1 when it holds anything else or
    // nothing.
    int FieldNumber(QStringView part, int maxDigits)
    {
        int value = 0;
        int digits = 0;
        for (QChar c : part) {
            if (c == QLatin1Char(' ') || c == QLatin1Char('_'))
                continue;
            if (!c.isDigit() || c.unicode() > 127)
                return -1;
            if (++digits > maxDigits)
                return -1;
            value = value * 10 + (c.unicode() - '0');
        }
        return digits > 0 ? value : -1;
    }

    // The last moment of the day a midnight value begins (no valid value stays 0).
    TDateTimeValue EndOfDay(TDateTimeValue midnight) { return midnight == 0 ? 0 : midnight + kSecondsPerDay - 1; }

    int CountDigits(QStringView part)
    {
        return int(std::count_if(part.begin(), part.end(), [](QChar c) { return c.isDigit(); }));
    }

} // namespace

TDateTimeValue DateValue(const QDate& date)
{
    if (!date.isValid())
        return 0;
    return (date.toJulianDay() - kEpochJulianDay) * kSecondsPerDay;
}

TDateTimeValue DateTimeValue(const QDateTime& local)
{
    if (!local.isValid())
        return 0;
    const QDateTime wall = local.toLocalTime();
    return DateValue(wall.date()) + wall.time().msecsSinceStartOfDay() / 1000;
}

TDateTimeValue StampValue(quint32 packed)
{
    const int year = int(packed >> 25) + 1980;
    const int month = int((packed >> 21) & 0x0F);
    const int day = int((packed >> 16) & 0x1F);
    const int hour = int((packed >> 11) & 0x1F);
    const int minute = int((packed >> 5) & 0x3F);
    const int second = int(packed & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
        return 0;
    return DateValue(QDate(year, month, day)) + hour * 3600 + minute * 60 + second;
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0) && year % 4000 != 0; }

int DaysInMonth(int year, int month)
{
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return IsLeapYear(year) ? 29 : 28;
    default:
        return 31;
    }
}

TDateTimeValue PreviousMonthsLow(const QDate& today, int months)
{
    TDateTimeValue value = DateValue(today);
    int year = today.year();
    int month = today.month();
    for (int i = 0; i < months; ++i) {
        value -= TDateTimeValue(DaysInMonth(year, month)) * kSecondsPerDay;
        if (--month == 0) {
            month = 12;
            --year;
        }
    }
    return value;
}

QDate ParseDateField(const QString& text)
{
    const QList<QStringView> parts = QStringView(text).split(QLatin1Char('/'));
    if (parts.size() != 3)
        return {};
    const int month = FieldNumber(parts[0], 2);
    const int day = FieldNumber(parts[1], 2);
    // The year is typed in full: "97" is not taken for 1997 or for the year 97.
    const int year = CountDigits(parts[2]) == 4 ? FieldNumber(parts[2], 4) : -1;
    if (month < 0 || day < 0 || year < 0)
        return {};
    return QDate(year, month, day);
}

int ParseTimeField(const QString& text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return -1;
    const QStringView rest = QStringView(text).mid(colon + 1).trimmed();
    const int hour = FieldNumber(QStringView(text).left(colon), 2);
    // Minutes are the digits after the colon, the marker what follows them.
    qsizetype cut = 0;
    while (cut < rest.size() && (rest[cut].isDigit() || rest[cut] == QLatin1Char('_')))
        ++cut;
    const int minute = CountDigits(rest.left(cut)) == 2 ? FieldNumber(rest.left(cut), 2) : -1;
    QString marker = rest.mid(cut).toString().remove(QLatin1Char('_')).trimmed().toUpper();
    if (hour < 0 || minute < 0 || minute > 59)
        return -1;
    int hours24 = hour;
    if (marker.isEmpty()) {
        if (hour > 23)
            return -1;
    } else if (marker == QLatin1String("AM") || marker == QLatin1String("A") || marker == QLatin1String("PM")
        || marker == QLatin1String("P")) {
        if (hour < 1 || hour > 12)
            return -1;
        const bool pm = marker.startsWith(QLatin1Char('P'));
        hours24 = hour % 12 + (pm ? 12 : 0);
    } else {
        return -1;
    }
    return hours24 * 3600 + minute * 60;
}

TDateTimeValue DateFieldValue(const QString& text) { return DateValue(ParseDateField(text)); }

TDateTimeValue TimeFieldValue(const QString& text) { return std::max(0, ParseTimeField(text)); }

TSearchBounds TSearchBounds::From(const TSearchCriteria& criteria, const QDateTime& now)
{
    TSearchBounds b;
    const QDateTime local = now.toLocalTime();
    const TDateTimeValue today = DateValue(local.date());
    b.ByDate = criteria.ByDate;
    if (b.ByDate) {
        switch (criteria.DateRule) {
        case TDateRule::Between:
            b.DateLow = DateFieldValue(criteria.Date1);
            b.DateHigh = EndOfDay(DateFieldValue(criteria.Date2));
            break;
        case TDateRule::PreviousDays:
            b.DateHigh = EndOfDay(today);
            b.DateLow = today - TDateTimeValue(criteria.Days) * kSecondsPerDay;
            break;
        case TDateRule::PreviousMonths:
            b.DateHigh = EndOfDay(today);
            b.DateLow = PreviousMonthsLow(local.date(), criteria.Months);
            break;
        }
    }
    b.ByTime = criteria.ByTime;
    if (b.ByTime) {
        if (criteria.TimeRule == TTimeRule::Between) {
            b.TimeOfDayRange = true;
            b.TimeLow = TimeFieldValue(criteria.Time1);
            b.TimeHigh = TimeFieldValue(criteria.Time2);
        } else {
            b.TimeOfDayRange = false;
            b.TimeHigh = DateTimeValue(local);
            b.TimeLow = b.TimeHigh - TDateTimeValue(criteria.Hours) * 3600;
        }
    }
    b.BySize = criteria.BySize;
    b.SizeRule = criteria.SizeRule;
    b.Size1 = criteria.Size1;
    b.Size2 = criteria.Size2;
    return b;
}

bool TSearchBounds::DateFits(quint32 stamp) const
{
    const TDateTimeValue value = StampValue(stamp);
    return DateLow <= value && value <= DateHigh;
}

bool TSearchBounds::TimeFits(quint32 stamp) const
{
    const TDateTimeValue value = StampValue(stamp);
    if (!TimeOfDayRange)
        return TimeLow <= value && value <= TimeHigh;
    const qint64 time = TimeOfDay(value);
    if (TimeHigh < TimeLow)
        return time >= TimeLow || time <= TimeHigh;
    return TimeLow <= time && time <= TimeHigh;
}

bool TSearchBounds::SizeFits(qint64 size) const
{
    switch (SizeRule) {
    case TSizeRule::EqualTo:
        return size == Size1;
    case TSizeRule::LessThan:
        return size < Size1;
    case TSizeRule::GreaterThan:
        return size > Size1;
    case TSizeRule::Between:
        return Size1 <= size && size <= Size2;
    }
    return false;
}

QString SearchMasks(const QString& text) { return text.trimmed().isEmpty() ? QStringLiteral("*.*") : text; }

QString ExpandHome(const QString& location)
{
    if (location == QLatin1String("~"))
        return QDir::homePath();
    if (location.startsWith(QLatin1String("~/")))
        return QDir::homePath() + location.mid(1);
    return location;
}

} // namespace hy::search

// The criteria of a disk search on their own: the masked fields, the previous-months arithmetic, and the
// date, time and size bounds against stamps and sizes chosen for their edges.
#include "core/search/SearchCriteria.h"

#include "common/HyUtils.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace hy;
using namespace hy::common;
using namespace hy::search;

namespace {

quint32 Stamp(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return quint32(PackDateTime(QDateTime(QDate(y, mo, d), QTime(h, mi, s))));
}

TSearchBounds Bounds(const TSearchCriteria& c, const QDateTime& now = QDateTime(QDate(1997, 3, 15), QTime(12, 0)))
{
    return TSearchBounds::From(c, now);
}

} // namespace

TEST(SearchCriteria, LeapYearsAndMonthLengths)
{
    struct Case {
        int year;
        bool leap;
    } cases[] = { { 1996, true }, { 1997, false }, { 1900, false }, { 2000, true }, { 2400, true }, { 4000, false },
        { 8000, false } };
    for (const Case& c : cases)
        EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
    EXPECT_EQ(DaysInMonth(1997, 2), 28);
    EXPECT_EQ(DaysInMonth(1996, 2), 29);
    EXPECT_EQ(DaysInMonth(1997, 4), 30);
    EXPECT_EQ(DaysInMonth(1997, 12), 31);
}

TEST(SearchCriteria, PreviousMonthsTakeOffTheLengthOfEachRunningMonth)
{
    struct Case {
        QDate today;
        int months;
        QDate low;
    } cases[] = {
        { QDate(1997, 3, 15), 0, QDate(1997, 3, 15) }, { QDate(1997, 3, 15), 1, QDate(1997, 2, 12) },
        { QDate(1997, 3, 15), 2, QDate(1997, 1, 15) },
        { QDate(1997, 1, 10), 2, QDate(1996, 11, 9) }, // January steps back to December of the year before
        { QDate(2000, 3, 31), 2, QDate(2000, 1, 31) }, // 31 days of March, then the 29 of a leap February
        { QDate(1900, 3, 31), 2, QDate(1900, 1, 31) }, // 1900 has no 29 February
    };
    for (const Case& c : cases)
        EXPECT_EQ(PreviousMonthsLow(c.today, c.months), DateValue(c.low))
            << c.today.toString(Qt::ISODate).toStdString() << " minus " << c.months;
}

TEST(SearchCriteria, MaskedFieldsReadAsTyped)
{
    struct DateCase {
        const char* text;
        QDate date;
    } dates[] = {
        { "01/31/1997", QDate(1997, 1, 31) },
        { "12/01/2024", QDate(2024, 12, 1) },
        { "1 /5 /1997", QDate(1997, 1, 5) },
        { "02/30/1997", QDate() },
        { "13/01/1997", QDate() },
        { "01/31/97", QDate() },
        { "  /  /    ", QDate() },
        { "//", QDate() },
        { "", QDate() },
    };
    for (const DateCase& c : dates)
        EXPECT_EQ(ParseDateField(QString::fromLatin1(c.text)), c.date) << c.text;
    EXPECT_EQ(DateFieldValue(QStringLiteral("01/01/1900")), 2 * kSecondsPerDay);
    EXPECT_EQ(DateFieldValue(QStringLiteral("  /  /    ")), 0);

    struct TimeCase {
        const char* text;
        int seconds;
    } times[] = {
        { "10:00 PM", 22 * 3600 },
        { "02:00 AM", 2 * 3600 },
        { "12:00 AM", 0 },
        { "12:30 PM", 12 * 3600 + 30 * 60 },
        { "9 :05 pm", 21 * 3600 + 5 * 60 },
        { "23:15 ", 23 * 3600 + 15 * 60 },
        { "13:00 PM", -1 },
        { "10:60 AM", -1 },
        { "10:00 XM", -1 },
        { "  :   ", -1 },
        { "", -1 },
    };
    for (const TimeCase& c : times)
        EXPECT_EQ(ParseTimeField(QString::fromLatin1(c.text)), c.seconds) << c.text;
    EXPECT_EQ(TimeFieldValue(QStringLiteral("  :   ")), 0);
}

TEST(SearchCriteria, DateBoundsOfEachRow)
{
    TSearchCriteria between;
    between.ByDate = true;
    between.Date1 = QStringLiteral("01/01/1997");
    between.Date2 = QStringLiteral("01/31/1997");
    TSearchCriteria days;
    days.ByDate = true;
    days.DateRule = TDateRule::PreviousDays;
    TSearchCriteria months = days;
    months.DateRule = TDateRule::PreviousMonths;
    months.Months = 1;

    struct Case {
        const char* what;
        TSearchCriteria criteria;
        quint32 stamp;
        bool fits;
    } cases[] = {
        // The last day counts whole; the day after does not.
        { "between, last day 00:00", between, Stamp(1997, 1, 31), true },
        { "between, last day 10:00", between, Stamp(1997, 1, 31, 10), true },
        { "between, last day 23:59:58", between, Stamp(1997, 1, 31, 23, 59, 58), true },
        { "between, day after 00:00", between, Stamp(1997, 2, 1), false },
        { "between, first day 00:00", between, Stamp(1997, 1, 1), true },
        { "between, day before", between, Stamp(1996, 12, 31, 23, 59, 58), false },
        { "0 days, today 00:00", days, Stamp(1997, 3, 15), true },
        { "0 days, today 00:00:02", days, Stamp(1997, 3, 15, 0, 0, 2), true },
        { "0 days, today 23:59:58", days, Stamp(1997, 3, 15, 23, 59, 58), true },
        { "0 days, tomorrow", days, Stamp(1997, 3, 16), false },
        { "0 days, yesterday", days, Stamp(1997, 3, 14, 23), false },
        { "1 month, 12 Feb", months, Stamp(1997, 2, 12), true },
        { "1 month, 11 Feb", months, Stamp(1997, 2, 11, 23), false },
        { "1 month, today 18:00", months, Stamp(1997, 3, 15, 18), true },
        { "1 month, tomorrow", months, Stamp(1997, 3, 16), false },
        { "stamp before 1980", between, 0, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Bounds(c.criteria).DateFits(c.stamp), c.fits) << c.what;
}

TEST(SearchCriteria, TimeBoundsRunAcrossMidnightAndOverHours)
{
    TSearchCriteria night;
    night.ByTime = true;
    night.Time1 = QStringLiteral("10:00 PM");
    night.Time2 = QStringLiteral("02:00 AM");
    TSearchCriteria day = night;
    day.Time1 = QStringLiteral("09:00 AM");
    day.Time2 = QStringLiteral("05:00 PM");
    TSearchCriteria hours;
    hours.ByTime = true;
    hours.TimeRule = TTimeRule::PreviousHours;
    hours.Hours = 3;

    struct Case {
        const char* what;
        TSearchCriteria criteria;
        quint32 stamp;
        bool fits;
    } cases[] = {
        { "night 23:30", night, Stamp(1997, 1, 5, 23, 30), true },
        { "night 01:00", night, Stamp(1997, 1, 5, 1), true },
        { "night 02:00", night, Stamp(1997, 1, 5, 2), true },
        { "night 22:00", night, Stamp(1997, 1, 5, 22), true },
        { "night 21:59:58", night, Stamp(1997, 1, 5, 21, 59, 58), false },
        { "night 12:00", night, Stamp(1997, 1, 5, 12), false },
        { "day 12:00", day, Stamp(1997, 1, 5, 12), true },
        { "day 17:00:02", day, Stamp(1997, 1, 5, 17, 0, 2), false },
        { "day 23:30", day, Stamp(1997, 1, 5, 23, 30), false },
        { "3 hours, 9:00", hours, Stamp(1997, 3, 15, 9), true },
        { "3 hours, 8:59:58", hours, Stamp(1997, 3, 15, 8, 59, 58), false },
        { "3 hours, a day before", hours, Stamp(1997, 3, 14, 11), false },
        { "3 hours, in the future", hours, Stamp(1997, 3, 15, 12, 0, 2), false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Bounds(c.criteria).TimeFits(c.stamp), c.fits) << c.what;
}

TEST(SearchCriteria, SizesCompareInSixtyFourBits)
{
    const qint64 big = qint64(3) << 30;
    struct Case {
        TSizeRule rule;
        qint64 first;
        qint64 second;
        qint64 size;
        bool fits;
    } cases[] = {
        { TSizeRule::Between, 100, 200, 100, true },
        { TSizeRule::Between, 100, 200, 200, true },
        { TSizeRule::Between, 100, 200, 99, false },
        { TSizeRule::Between, 100, 200, 201, false },
        { TSizeRule::EqualTo, big, 0, big, true },
        { TSizeRule::EqualTo, big - (qint64(1) << 32), 0, big, false }, // the same low 32 bits
        { TSizeRule::GreaterThan, qint64(2) << 30, 0, big, true },
        { TSizeRule::LessThan, qint64(2) << 30, 0, big, false },
        { TSizeRule::LessThan, 10, 0, 9, true },
        { TSizeRule::GreaterThan, 10, 0, 10, false },
        { TSizeRule::Between, qint64(2) << 30, qint64(4) << 30, big, true },
    };
    for (const Case& c : cases) {
        TSearchCriteria criteria;
        criteria.BySize = true;
        criteria.SizeRule = c.rule;
        criteria.Size1 = c.first;
        criteria.Size2 = c.second;
        EXPECT_EQ(Bounds(criteria).SizeFits(c.size), c.fits) << int(c.rule) << " " << c.size;
    }
}

TEST(SearchCriteria, MasksAndLocations)
{
    EXPECT_EQ(SearchMasks(QString()), "*.*");
    EXPECT_EQ(SearchMasks(QStringLiteral("   ")), "*.*");
    EXPECT_EQ(SearchMasks(QStringLiteral("*.log *.txt")), "*.log *.txt");
    EXPECT_EQ(ExpandHome(QStringLiteral("~/notes")), QDir::homePath() + QStringLiteral("/notes"));
    EXPECT_EQ(ExpandHome(QStringLiteral("/tmp/~x")), "/tmp/~x");
}

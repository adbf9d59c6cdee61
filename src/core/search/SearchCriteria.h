// What a disk search looks for besides names: the criteria as the File Search dialog holds them, the
// date-time values they are compared in, the masked date and time fields read into such values, the
// previous-months arithmetic, and the bounds a search computes once when it starts.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

namespace hy::search {

// A moment as seconds since 30 December 1899, 00:00, on the local wall clock: the whole days are the date,
// the rest the time of day. 0 stands for "no valid value".
using TDateTimeValue = qint64;
inline constexpr qint64 kSecondsPerDay = 86400;

// The value of a date at 00:00:00 (0 for an invalid date), and of a local date and time.
TDateTimeValue DateValue(const QDate& date);
TDateTimeValue DateTimeValue(const QDateTime& local);
// The value of a packed DOS date/time stamp as the file list keeps it (0 when the stamp holds no valid
// date, as stamps before 1980 do).
TDateTimeValue StampValue(quint32 packed);
// The seconds since midnight of a value.
inline qint64 TimeOfDay(TDateTimeValue value) { return ((value % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay; }

// Leap years: divisible by 4, except years divisible by 100 but not by 400, and except years divisible
// by 4000.
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// The low bound of "during the previous N months": from today, N times the length of the running month is
// taken off and the month steps back one (January to December of the year before).
TDateTimeValue PreviousMonthsLow(const QDate& today, int months);

// The masked entry fields. A date field reads "MM/DD/yyyy"; a time field "Hh:mm tt" with an AM or PM
// marker (without a marker the hour is read on the 24-hour clock). Blanks the user has not filled in may
// be present or missing.
inline constexpr const char* kDateFieldMask = "99/99/9999;_";
inline constexpr const char* kTimeFieldMask = "99:99 >AA;_";
// The date of a date field; invalid when the text holds no valid date.
QDate ParseDateField(const QString& text);
// The seconds since midnight of a time field; -1 when the text holds no valid time.
int ParseTimeField(const QString& text);
// The fields' values: a date at 00:00:00, a time as seconds into the day; 0 when not valid.
TDateTimeValue DateFieldValue(const QString& text);
TDateTimeValue TimeFieldValue(const QString& text);

enum class TDateRule { Between, PreviousMonths, PreviousDays };
enum class TTimeRule { Between, PreviousHours };
enum class TSizeRule { EqualTo, LessThan, GreaterThan, Between };

// Everything the File Search dialog's pages say, as plain values.
struct TSearchCriteria {
    QString Masks = QStringLiteral("*.*");
    QString Location;
    bool SubDirectories = true;

    bool ByDate = false;
    TDateRule DateRule = TDateRule::Between;
    QString Date1; // field texts
    QString Date2;
    int Months = 0;
    int Days = 0;

    bool ByTime = false;
    TTimeRule TimeRule = TTimeRule::Between;
    QString Time1;
    QString Time2;
    int Hours = 0;

    bool BySize = false;
    TSizeRule SizeRule = TSizeRule::EqualTo;
    qint64 Size1 = 0;
    qint64 Size2 = 0;

    bool ByContents = false;
    QString Text;
    bool MatchCase = false;
    bool InsideCompressed = false; // compressed single files (.gz, .xz ...) are searched as their decoded text
};

// The bounds of one search, computed when it starts from the criteria and the moment it starts at. A date
// range takes its last day whole: "between" two dates reaches to the end of the second, and "during the
// previous" days or months to the end of today.
struct TSearchBounds {
    bool ByDate = false;
    TDateTimeValue DateLow = 0;
    TDateTimeValue DateHigh = 0;

    bool ByTime = false;
    bool TimeOfDayRange = true; // Between: the stamp's time of day is compared; else the whole stamp
    TDateTimeValue TimeLow = 0;
    TDateTimeValue TimeHigh = 0;

    bool BySize = false;
    TSizeRule SizeRule = TSizeRule::EqualTo;
    qint64 Size1 = 0;
    qint64 Size2 = 0;

    static TSearchBounds From(const TSearchCriteria& criteria, const QDateTime& now);

    // low <= stamp <= high.
    bool DateFits(quint32 stamp) const;
    // A time-of-day range whose end lies before its start runs across midnight: 10:00 PM to 2:00 AM takes
    // 23:30 and 01:00 alike.
    bool TimeFits(quint32 stamp) const;
    bool SizeFits(qint64 size) const;
};

// The masks a search uses: the text as typed, "*.*" when it is empty.
QString SearchMasks(const QString& text);
// A leading "~" stands for the home folder, as it does in a shell.
QString ExpandHome(const QString& location);

} // namespace hy::search

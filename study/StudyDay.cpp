#include "study/StudyDay.h"

#include "platform/Clock.h"

namespace {

constexpr qint64 kStudyDayOffset = 10800; // a study day starts at 03:00
// QDate(1970, 1, 1).toJulianDay(), as a constant: day numbers are taken
// while other files' constants are made, before this file's would be.
constexpr qint64 kEpochJulianDay = 2440588;

} // namespace

qint32 GetStudyDay()
{
    LocalDate date;
    if (!ToLocalDate(CurrentTime() - kStudyDayOffset, date))
        return 0;
    return DayNumberOf(QDate(date.year, date.month, date.day));
}

qint32 DayNumberOf(const QDate& date)
{
    return static_cast<qint32>(date.toJulianDay() - kEpochJulianDay);
}

QDate DateOfDayNumber(qint32 day)
{
    return QDate::fromJulianDay(kEpochJulianDay + day);
}

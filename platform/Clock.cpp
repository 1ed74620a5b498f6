#include "platform/Clock.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimeZone>

namespace {

std::optional<qint64>& PinnedTime()
{
    static std::optional<qint64> pinned;
    return pinned;
}

} // namespace

qint64 CurrentTime()
{
    if (PinnedTime())
        return *PinnedTime();
    return QDateTime::currentSecsSinceEpoch();
}

void SetCurrentTimeForTesting(std::optional<qint64> seconds)
{
    PinnedTime() = seconds;
}

quint32 GetTickCount()
{
    // A started timer's reference is the monotonic clock's zero, the system
    // start on the platforms we run on.
    QElapsedTimer timer;
    timer.start();
    return static_cast<quint32>(timer.msecsSinceReference());
}

bool ToLocalDate(qint64 seconds, LocalDate& date)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime);
    if (!local.isValid())
        return false;
    const QDate d = local.date();
    date.year = d.year();
    date.month = d.month();
    date.day = d.day();
    date.weekday = d.dayOfWeek() % 7;
    return true;
}

qint64 LocalMidnight(int year, int month, int day)
{
    const QDate date(year, month, day);
    // startOfDay copes with a day whose midnight falls in a daylight-saving gap.
    return date.startOfDay(Qt::LocalTime).toSecsSinceEpoch();
}

#pragma once

#include <QtGlobal>
#include <optional>

// Current time in seconds since the epoch. Tests pin it with
// SetCurrentTimeForTesting; std::nullopt returns to the real clock.
qint64 CurrentTime();
void SetCurrentTimeForTesting(std::optional<qint64> seconds);

// Milliseconds on a monotonic clock, wrapping at 32 bits like the system
// tick count.
quint32 GetTickCount();

struct LocalDate {
    int year = 0;
    int month = 0;
    int day = 0;
    int weekday = 0; // 0 Sunday to 6 Saturday
};

// The local calendar date of a time value; false when the conversion fails.
bool ToLocalDate(qint64 seconds, LocalDate& date);

// The time value of 00:00:00 local time on the given date (daylight saving
// as the platform resolves it).
qint64 LocalMidnight(int year, int month, int day);

#pragma once

#include <QDate>
#include <QtGlobal>

// Study days by number: the days since 1970-01-01 of a study date, whose
// day runs from 03:00 to 03:00 local time like the dictation counts'. The
// review schedule counts in these, so that an item is due on a whole day
// whatever time of day it was answered.

// The number of the current study day; 0 when the local date cannot be had.
qint32 GetStudyDay();
qint32 DayNumberOf(const QDate& date);
QDate DateOfDayNumber(qint32 day);

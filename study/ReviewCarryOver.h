#pragma once

#include "study/ReviewFileFormat.h"

#include <QByteArray>
#include <QString>
#include <functional>

// Where the record of an item goes when the word lists change: the item's
// new list and position, or false when the item is gone.
using ReviewPlaceMap = std::function<bool(qint32& list, qint32& pos)>;

struct CarriedReviews {
    QByteArray m_content; // the file for the new lists
    QString m_strProblem; // what the load would have said of the old file
};

// The review file carried over record by record; the day's count of new
// items and the tallies stay as they were. Only a file of the known version
// is carried: for another one the result is empty and the file is left to
// the load to report. What a broken file still holds is carried, and its
// problem is told as the load would tell it.
std::optional<CarriedReviews> CarryReviewFile(const StoredFile& old, qsizetype maxRecords,
                                              const ReviewPlaceMap& place);

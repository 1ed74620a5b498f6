#pragma once

#include "platform/FileFailure.h"
#include "study/FsrsScheduler.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

struct StoredFile;

// "reviews.dat": the review state of every item that was ever rated, with
// the day's count of items begun and a tally of recent reviews. Items never
// reviewed have no record. Little-endian, no padding:
//
//   0   int16   version, 1
//   2   int32   study day of the count that follows
//   6   int32   items reviewed for the first time that day
//   10  int32   t, the number of day tallies, then t times:
//               int32 study day, int32 reviews of items reviewed before,
//               int32 of those not rated Again
//   ..  int32   n, the number of records, then n records of 32 bytes:
//       +0  int16   list
//       +2  int32   position of the item in its list
//       +6  float64 stability
//       +14 float64 difficulty
//       +22 int32   study day of the last review
//       +26 uint16  days from the last review to the due date, 1 to 36500
//       +28 uint16  reviews, at most 65535
//       +30 uint16  lapses, at most the reviews
//
// An item is named by its list and position, as in the learning-mode files,
// so the records follow the items when the word lists change.
inline constexpr qint16 kReviewFileVersion = 1;
inline constexpr qsizetype kReviewRecordSize = 32;
// Day tallies are kept for the retention of the last 30 days; a file that
// claims more than this many was not written by us.
inline constexpr qint32 kMaxReviewTallies = 400;

// The study days a review can fall on: from 2000-01-01 up to, not
// including, 2200-01-01. A due date lies at most 36500 days after.
qint32 FirstReviewDay();
qint32 EndOfReviewDays();
inline constexpr qint32 kMaxReviewInterval = 36500;

// Whether a state read from a file is one the scheduler could have made:
// finite stability and difficulty within their ranges, a last review within
// the review days, a due date after it by at most kMaxReviewInterval days,
// at least one review and no more lapses than reviews.
bool IsValidReviewState(const ReviewState& state);

struct ReviewFileRecord {
    qint32 m_nList = 0;
    qint32 m_nPos = 0;
    ReviewState m_state;
};

// One study day's reviews of items that had been reviewed before (a first
// review says nothing of memory), and how many of them were remembered.
struct ReviewDayTally {
    qint32 m_nDay = 0;
    qint32 m_nReviewed = 0;
    qint32 m_nPassed = 0;

    bool operator==(const ReviewDayTally&) const = default;
};

struct ReviewFileHeader {
    qint32 m_nNewDay = 0;   // the study day m_nNewCount counts for
    qint32 m_nNewCount = 0; // items begun that day
    QList<ReviewDayTally> m_tallies;
};

// The most bytes a file of at most maxRecords records can take: no more is
// read of it.
qsizetype MaxReviewFileSize(qsizetype maxRecords);

// Encodes a file of exactly `records` records.
class ReviewFileWriter {
public:
    ReviewFileWriter(const ReviewFileHeader& header, qsizetype records);

    void Append(qint32 list, qint32 pos, const ReviewState& state);
    // The file; fewer records than announced are fixed in its count.
    QByteArray Finish();

private:
    QByteArray m_content;
    char* m_pNext = nullptr;
    qsizetype m_nCountAt = 0;
    qint32 m_nWritten = 0;
};

// Decodes a file record by record. A record whose state is out of range is
// skipped as no record; a file that ends early, claims more records than
// maxRecords or goes on after its last record keeps what was read before
// and reports its problem with the message the other state files give.
class ReviewFileReader {
public:
    enum Status { Missing, Unreadable, UnknownVersion, Readable };

    ReviewFileReader(const StoredFile& file, qsizetype maxRecords);

    Status GetStatus() const { return m_status; }
    const ReviewFileHeader& Header() const { return m_header; }
    // The records announced, within the bound.
    qint32 RecordCount() const { return m_nCount; }
    // The next valid record; false at the end or where reading stops.
    bool Next(ReviewFileRecord& record);
    // After the last Next: the message the load shows, empty when none.
    QString Problem() const;

private:
    bool Fail(const FileFailure& failure);

    const StoredFile& m_file;
    Status m_status = Missing;
    ReviewFileHeader m_header;
    qint32 m_nCount = 0;
    qint32 m_nRead = 0;
    qsizetype m_pos = 0;
    bool m_bOversized = false;
    std::optional<FileFailure> m_failure;
};

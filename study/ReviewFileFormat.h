#pragma once

#include "platform/FileFailure.h"
#include "study/FsrsScheduler.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

class QFile;
struct StoredFile;

// "reviews.dat": the review state of every item that was ever rated, with
// the day's count of items begun and a tally of recent reviews. Items never
// reviewed have no record. Little-endian, no padding:
//
//   0   int16   version, 2
//   2   int32   study day of the count that follows
//   6   int32   items reviewed for the first time that day
//   10  int32   t, the number of day tallies, then t times:
//               int32 study day, int32 reviews of items reviewed before,
//               int32 of those not rated Again
//   ..  int32   n, the number of records, then n records of 24 bytes:
//       +0  int16   list
//       +2  int32   position of the item in its list
//       +6  float32 stability
//       +10 float32 difficulty
//       +14 int32   study day of the last review
//       +18 uint16  days from the last review to the due date, 1 to 36500
//       +20 uint16  reviews, at most 65535
//       +22 uint16  lapses, at most the reviews
//
// Version 1 held stability and difficulty as float64 (records of 32 bytes,
// the day of the last review at +22); it is still read. Seven digits of a
// stability in days are more than an interval of whole days can use, and
// the file of a learner with every item begun is a quarter smaller to load
// and to write; the store keeps its states at that precision, so a state
// saved and read again is the same state.
//
// An item is named by its list and position, as in the learning-mode files,
// so the records follow the items when the word lists change.
inline constexpr qint16 kReviewFileVersion = 2;
inline constexpr qint16 kReviewFileVersion1 = 1;
inline constexpr qsizetype kReviewRecordSize = 24;
inline constexpr qsizetype kReviewRecordSize1 = 32;
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

// The state as the file keeps it: stability and difficulty to the
// precision of a float32, at most 65535 reviews and no more lapses.
ReviewState AsStored(ReviewState state);

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
    char* m_pEnd = nullptr;
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

    // The file as read into memory; it must outlive the reader.
    ReviewFileReader(const StoredFile& file, qsizetype maxRecords);
    // The file at `path`, read a chunk at a time and no further than `limit`
    // bytes, as StoredFile::Read would have read it.
    ReviewFileReader(const QString& path, qsizetype limit, qsizetype maxRecords);
    ~ReviewFileReader();
    ReviewFileReader(const ReviewFileReader&) = delete;
    ReviewFileReader& operator=(const ReviewFileReader&) = delete;

    Status GetStatus() const { return m_status; }
    const ReviewFileHeader& Header() const { return m_header; }
    // The records announced, within the bound.
    qint32 RecordCount() const { return m_nCount; }
    // The next valid record; false at the end or where reading stops.
    bool Next(ReviewFileRecord& record);
    // Up to `most` valid records into `out`, as Next gives them; fewer only
    // at the end or where reading stops.
    qsizetype NextBatch(ReviewFileRecord* out, qsizetype most);
    // After the last Next: the message the load shows, empty when none.
    QString Problem() const;

private:
    void ReadHeader(qsizetype maxRecords);
    // More of a file read from its folder after what is left undecoded;
    // false at its end, at the limit or on an error.
    bool Refill();
    bool Fail(const FileFailure& failure);

    // What is at hand: the whole file, or the chunk read last.
    const StoredFile* m_pFile = nullptr;
    std::unique_ptr<StoredFile> m_pChunk;
    std::unique_ptr<QFile> m_pSource;
    qint64 m_nLeftToRead = 0; // of the file, within the limit
    Status m_status = Missing;
    ReviewFileHeader m_header;
    qint32 m_nCount = 0;
    qint32 m_nRead = 0;
    qsizetype m_pos = 0;
    qsizetype m_nRecordSize = kReviewRecordSize;
    bool m_bOversized = false;
    std::optional<FileFailure> m_failure;
};

#include "study/ReviewFileFormat.h"

#include "platform/Prefetch.h"
#include "study/StateFileFormat.h"
#include "study/StudyDay.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const QString kReviewReadFailure = QStringLiteral(
    "復習ファイルを読み込めませんでした。\r\n一部の復習の記録はクリアされます。\r\n");
const QString kReviewUnknownVersion =
    QStringLiteral("未知の復習ファイルです。\r\n復習の記録はクリアされます。");

const qint32 kFirstReviewDay = DayNumberOf(QDate(2000, 1, 1));
const qint32 kEndOfReviewDays = DayNumberOf(QDate(2200, 1, 1));

constexpr qsizetype kFixedHeaderSize = 2 + 4 + 4 + 4;
constexpr qsizetype kTallySize = 12;
constexpr double kMaxStability = 36500;
// How far ahead of the record being decoded the file is fetched.
constexpr qsizetype kReadAhead = 1024;
// A file read from its folder is read this much at a time: the chunk stays
// in the cache while its records are decoded and stored.
constexpr qsizetype kReadChunk = 256 * 1024;
// How far ahead of the record being encoded the file is fetched.
constexpr qsizetype kWriteAhead = 512;

FileFailure Oversized()
{
    FileFailure failure;
    failure.m_bFileError = false;
    failure.m_strMessage = QStringLiteral("The file holds more than the items it can be for.");
    return failure;
}

template <typename T> void Put(char*& at, T value)
{
    qToLittleEndian<T>(value, at);
    at += sizeof(T);
}

template <typename T> T Get(const char* at)
{
    return qFromLittleEndian<T>(at);
}

double GetDouble(const char* at)
{
    const quint64 bits = qFromLittleEndian<quint64>(at);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float GetFloat(const char* at)
{
    const quint32 bits = qFromLittleEndian<quint32>(at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void PutFloat(char*& at, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    Put<quint32>(at, bits);
}

quint16 Saturated(quint32 value)
{
    return static_cast<quint16>(std::min<quint32>(value, std::numeric_limits<quint16>::max()));
}

// GCC 12 at -O2 takes two doubles narrowed to float and widened again side
// by side for no change at all and drops the narrowing; through memory the
// compiler may not look into, each is narrowed.
double NarrowedToFloat(double value)
{
    volatile float narrowed = float(value);
    return narrowed;
}

bool IsReviewDay(qint64 day)
{
    return day >= kFirstReviewDay && day < kEndOfReviewDays;
}

// The fields in registers: the load checks a million of them.
inline bool IsValidState(double stability, double difficulty, qint32 lastDay, qint64 dueDay,
                         quint32 reviews, quint32 lapses)
{
    // NaN fails every comparison, so it is refused with the ranges.
    if (!(stability > 0 && stability <= kMaxStability))
        return false;
    if (!(difficulty >= 1 && difficulty <= 10))
        return false;
    if (!IsReviewDay(lastDay))
        return false;
    const qint64 interval = dueDay - lastDay;
    if (interval < 1 || interval > kMaxReviewInterval)
        return false;
    return reviews >= 1 && lapses <= reviews;
}

} // namespace

qint32 FirstReviewDay()
{
    return kFirstReviewDay;
}

qint32 EndOfReviewDays()
{
    return kEndOfReviewDays;
}

bool IsValidReviewState(const ReviewState& state)
{
    return IsValidState(state.m_dStability, state.m_dDifficulty, state.m_nLastDay, state.m_nDueDay,
                        state.m_nReviews, state.m_nLapses);
}

ReviewState AsStored(ReviewState state)
{
    state.m_dStability = NarrowedToFloat(state.m_dStability);
    state.m_dDifficulty = NarrowedToFloat(state.m_dDifficulty);
    state.m_nReviews = Saturated(state.m_nReviews);
    state.m_nLapses = std::min(state.m_nReviews, state.m_nLapses);
    return state;
}

qsizetype MaxReviewFileSize(qsizetype maxRecords)
{
    // Room for a file of the version before, whose records are larger.
    return kFixedHeaderSize + kTallySize * kMaxReviewTallies + 4 + kReviewRecordSize1 * maxRecords;
}

ReviewFileWriter::ReviewFileWriter(const ReviewFileHeader& header, qsizetype records)
{
    const qsizetype tallies = std::min<qsizetype>(header.m_tallies.size(), kMaxReviewTallies);
    m_content.resize(kFixedHeaderSize + kTallySize * tallies + 4 + kReviewRecordSize * records);
    char* at = m_content.data();
    Put<qint16>(at, kReviewFileVersion);
    Put<qint32>(at, header.m_nNewDay);
    Put<qint32>(at, header.m_nNewCount);
    Put<qint32>(at, static_cast<qint32>(tallies));
    for (qsizetype k = 0; k < tallies; ++k) {
        const ReviewDayTally& tally = header.m_tallies.at(k);
        Put<qint32>(at, tally.m_nDay);
        Put<qint32>(at, tally.m_nReviewed);
        Put<qint32>(at, tally.m_nPassed);
    }
    m_nCountAt = at - m_content.data();
    Put<qint32>(at, 0);
    m_pNext = at;
    m_pEnd = m_content.data() + m_content.size();
}

void ReviewFileWriter::Append(qint32 list, qint32 pos, const ReviewState& state)
{
    if (m_pEnd - m_pNext < kReviewRecordSize)
        return;
    char* at = m_pNext;
    if (m_pEnd - at > kWriteAhead)
        PrefetchForWrite(at + kWriteAhead);
    Put<qint16>(at, static_cast<qint16>(list));
    Put<qint32>(at, pos);
    PutFloat(at, float(state.m_dStability));
    PutFloat(at, float(state.m_dDifficulty));
    Put<qint32>(at, state.m_nLastDay);
    Put<quint16>(
        at, Saturated(quint32(std::max<qint64>(0, qint64(state.m_nDueDay) - state.m_nLastDay))));
    const quint16 reviews = Saturated(state.m_nReviews);
    Put<quint16>(at, reviews);
    Put<quint16>(at, std::min(reviews, Saturated(state.m_nLapses)));
    m_pNext = at;
    ++m_nWritten;
}

QByteArray ReviewFileWriter::Finish()
{
    m_content.truncate(m_pNext - m_content.data());
    qToLittleEndian<qint32>(m_nWritten, m_content.data() + m_nCountAt);
    m_pNext = nullptr;
    m_pEnd = nullptr;
    return std::move(m_content);
}

ReviewFileReader::ReviewFileReader(const StoredFile& file, qsizetype maxRecords) : m_pFile(&file)
{
    ReadHeader(maxRecords);
}

ReviewFileReader::ReviewFileReader(const QString& path, qsizetype limit, qsizetype maxRecords)
    : m_pChunk(std::make_unique<StoredFile>())
{
    m_pFile = m_pChunk.get();
    auto source = std::make_unique<QFile>(path);
    if (!source->exists()) {
        ReadHeader(maxRecords);
        return;
    }
    m_pChunk->m_bExists = true;
    if (!source->open(QIODevice::ReadOnly)) {
        m_pChunk->m_openFailure = FileFailure::FromDevice(*source);
        ReadHeader(maxRecords);
        return;
    }
    const qint64 size = source->size();
    m_nLeftToRead = std::min<qint64>(size, limit);
    m_pChunk->m_bLonger = size > limit;
    m_pSource = std::move(source);
    // The first chunk holds the whole header of any file that has one.
    Refill();
    ReadHeader(maxRecords);
}

ReviewFileReader::~ReviewFileReader() = default;

bool ReviewFileReader::Refill()
{
    if (!m_pSource || m_nLeftToRead <= 0)
        return false;
    QByteArray& bytes = m_pChunk->m_bytes;
    // What is left of the chunk is less than a record.
    bytes.remove(0, m_pos);
    m_pos = 0;
    const qsizetype kept = bytes.size();
    const qsizetype wanted = static_cast<qsizetype>(std::min<qint64>(kReadChunk, m_nLeftToRead));
    bytes.resize(kept + wanted);
    const qint64 got = m_pSource->read(bytes.data() + kept, wanted);
    if (got <= 0) {
        bytes.truncate(kept);
        if (got < 0)
            m_pChunk->m_readError = FileFailure::FromDevice(*m_pSource);
        m_nLeftToRead = 0; // an error, or a file that shrank while it was read
        return false;
    }
    bytes.truncate(kept + static_cast<qsizetype>(got));
    m_nLeftToRead -= got;
    return true;
}

void ReviewFileReader::ReadHeader(qsizetype maxRecords)
{
    const StoredFile& file = *m_pFile;
    if (!file.m_bExists)
        return;
    if (file.m_openFailure) {
        m_status = Unreadable;
        m_failure = file.m_openFailure;
        return;
    }
    const QByteArray& bytes = file.m_bytes;
    const char* data = bytes.constData();
    const auto left = [&] { return bytes.size() - m_pos; };
    if (left() < 2) {
        m_status = Unreadable;
        Fail(file.m_readError.value_or(FileFailure::EndOfFile()));
        return;
    }
    const qint16 version = Get<qint16>(data);
    if (version != kReviewFileVersion && version != kReviewFileVersion1) {
        m_status = UnknownVersion;
        return;
    }
    m_nRecordSize = version == kReviewFileVersion ? kReviewRecordSize : kReviewRecordSize1;
    m_status = Readable;
    m_pos = 2;
    if (left() < 12) {
        Fail(file.m_readError.value_or(FileFailure::EndOfFile()));
        return;
    }
    const qint32 newDay = Get<qint32>(data + m_pos);
    const qint32 newCount = Get<qint32>(data + m_pos + 4);
    const qint32 tallies = Get<qint32>(data + m_pos + 8);
    m_pos += 12;
    if (IsReviewDay(newDay) && newCount > 0) {
        m_header.m_nNewDay = newDay;
        m_header.m_nNewCount = newCount;
    }
    if (tallies < 0 || tallies > kMaxReviewTallies) {
        Fail(Oversized());
        return;
    }
    for (qint32 k = 0; k < tallies; ++k) {
        if (left() < kTallySize) {
            Fail(file.m_readError.value_or(FileFailure::EndOfFile()));
            return;
        }
        const ReviewDayTally tally{Get<qint32>(data + m_pos), Get<qint32>(data + m_pos + 4),
                                   Get<qint32>(data + m_pos + 8)};
        m_pos += kTallySize;
        if (IsReviewDay(tally.m_nDay) && tally.m_nPassed >= 0 &&
            tally.m_nPassed <= tally.m_nReviewed)
            m_header.m_tallies.append(tally);
    }
    if (left() < 4) {
        Fail(file.m_readError.value_or(FileFailure::EndOfFile()));
        return;
    }
    const qint32 count = Get<qint32>(data + m_pos);
    m_pos += 4;
    if (count < 0) {
        Fail(Oversized());
        return;
    }
    m_nCount = count;
    if (count > maxRecords) {
        m_nCount = static_cast<qint32>(maxRecords);
        m_bOversized = true;
    }
}

bool ReviewFileReader::Fail(const FileFailure& failure)
{
    if (!m_failure)
        m_failure = failure;
    m_nCount = m_nRead;
    return false;
}

bool ReviewFileReader::Next(ReviewFileRecord& record)
{
    return NextBatch(&record, 1) == 1;
}

qsizetype ReviewFileReader::NextBatch(ReviewFileRecord* out, qsizetype most)
{
    const char* data = m_pFile->m_bytes.constData();
    qsizetype size = m_pFile->m_bytes.size();
    const qsizetype recordSize = m_nRecordSize;
    const bool wide = recordSize == kReviewRecordSize1;
    // The place and count in locals: the records written could otherwise be
    // taken to change them, and each would be stored and read back.
    qsizetype pos = m_pos;
    qint32 read = m_nRead;
    const qint32 count = m_nCount;
    qsizetype taken = 0;
    bool cut = false;
    while (taken < most && read < count) {
        if (size - pos < recordSize) {
            m_pos = pos;
            if (Refill()) {
                data = m_pFile->m_bytes.constData();
                size = m_pFile->m_bytes.size();
                pos = m_pos;
                continue;
            }
            cut = true;
            break;
        }
        const char* at = data + pos;
        PrefetchForRead(at + kReadAhead);
        pos += recordSize;
        ++read;
        const qint32 list = Get<qint16>(at);
        const qint32 place = Get<qint32>(at + 2);
        double stability;
        double difficulty;
        if (wide) {
            stability = GetDouble(at + 6);
            difficulty = GetDouble(at + 14);
            at += 8;
        } else {
            stability = GetFloat(at + 6);
            difficulty = GetFloat(at + 10);
        }
        const qint32 lastDay = Get<qint32>(at + 14);
        const qint64 dueDay = qint64(lastDay) + Get<quint16>(at + 18);
        const quint32 reviews = Get<quint16>(at + 20);
        const quint32 lapses = Get<quint16>(at + 22);
        if (list < 0 || place < 0 ||
            !IsValidState(stability, difficulty, lastDay, dueDay, reviews, lapses))
            continue;
        ReviewFileRecord& record = out[taken++];
        record.m_nList = list;
        record.m_nPos = place;
        record.m_state.m_dStability = stability;
        record.m_state.m_dDifficulty = difficulty;
        record.m_state.m_nLastDay = lastDay;
        // Within the review days, as IsValidState saw.
        record.m_state.m_nDueDay = static_cast<qint32>(dueDay);
        record.m_state.m_nReviews = reviews;
        record.m_state.m_nLapses = lapses;
    }
    m_pos = pos;
    m_nRead = read;
    if (cut) {
        // A file cut at the bound still ends early: the records it claims
        // cannot all be there.
        Fail(m_pFile->m_readError.value_or(FileFailure::EndOfFile()));
        return taken;
    }
    if (taken < most && m_status == Readable && !m_failure &&
        (pos < size || m_nLeftToRead > 0 || m_pFile->m_bLonger))
        m_bOversized = true;
    return taken;
}

QString ReviewFileReader::Problem() const
{
    switch (m_status) {
    case Missing:
        return QString();
    case UnknownVersion:
        return kReviewUnknownVersion;
    case Unreadable:
    case Readable:
        if (m_failure)
            return kReviewReadFailure + DescribeException(*m_failure);
        if (m_bOversized)
            return kReviewReadFailure + DescribeException(Oversized());
        return QString();
    }
    return QString();
}

#include "study/ReviewFileFormat.h"

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

void PutDouble(char*& at, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    Put<quint64>(at, bits);
}

quint16 Saturated(quint32 value)
{
    return static_cast<quint16>(std::min<quint32>(value, std::numeric_limits<quint16>::max()));
}

bool IsReviewDay(qint64 day)
{
    return day >= kFirstReviewDay && day < kEndOfReviewDays;
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
    // NaN fails every comparison, so it is refused with the ranges.
    if (!(state.m_dStability > 0 && state.m_dStability <= kMaxStability))
        return false;
    if (!(state.m_dDifficulty >= 1 && state.m_dDifficulty <= 10))
        return false;
    if (!IsReviewDay(state.m_nLastDay))
        return false;
    const qint64 interval = qint64(state.m_nDueDay) - state.m_nLastDay;
    if (interval < 1 || interval > kMaxReviewInterval)
        return false;
    return state.m_nReviews >= 1 && state.m_nLapses <= state.m_nReviews;
}

qsizetype MaxReviewFileSize(qsizetype maxRecords)
{
    return kFixedHeaderSize + kTallySize * kMaxReviewTallies + 4 + kReviewRecordSize * maxRecords;
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
}

void ReviewFileWriter::Append(qint32 list, qint32 pos, const ReviewState& state)
{
    if (m_pNext + kReviewRecordSize > m_content.data() + m_content.size())
        return;
    char* at = m_pNext;
    Put<qint16>(at, static_cast<qint16>(list));
    Put<qint32>(at, pos);
    PutDouble(at, state.m_dStability);
    PutDouble(at, state.m_dDifficulty);
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
    return std::move(m_content);
}

ReviewFileReader::ReviewFileReader(const StoredFile& file, qsizetype maxRecords) : m_file(file)
{
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
    if (Get<qint16>(data) != kReviewFileVersion) {
        m_status = UnknownVersion;
        return;
    }
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
    const QByteArray& bytes = m_file.m_bytes;
    while (m_nRead < m_nCount) {
        if (bytes.size() - m_pos < kReviewRecordSize) {
            // A file cut at the bound still ends early: the records it
            // claims cannot all be there.
            return Fail(m_file.m_readError.value_or(FileFailure::EndOfFile()));
        }
        const char* at = bytes.constData() + m_pos;
        m_pos += kReviewRecordSize;
        ++m_nRead;
        record.m_nList = Get<qint16>(at);
        record.m_nPos = Get<qint32>(at + 2);
        ReviewState& state = record.m_state;
        state.m_dStability = GetDouble(at + 6);
        state.m_dDifficulty = GetDouble(at + 14);
        state.m_nLastDay = Get<qint32>(at + 22);
        state.m_nDueDay = static_cast<qint32>(std::min<qint64>(
            qint64(state.m_nLastDay) + Get<quint16>(at + 26), std::numeric_limits<qint32>::max()));
        state.m_nReviews = Get<quint16>(at + 28);
        state.m_nLapses = Get<quint16>(at + 30);
        if (record.m_nList >= 0 && record.m_nPos >= 0 && IsValidReviewState(state))
            return true;
    }
    if (m_status == Readable && !m_failure && (m_pos < bytes.size() || m_file.m_bLonger))
        m_bOversized = true;
    return false;
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

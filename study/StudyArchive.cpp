#include "study/StudyArchive.h"

#include "platform/ContentHash.h"
#include "platform/ZipArchive.h"
#include "study/ReviewFileFormat.h"
#include "study/StudyDay.h"
#include "text/DelimitedText.h"
#include "text/TextDecoding.h"

#include <QDate>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <charconv>
#include <climits>

namespace {

const QString kFormat = QStringLiteral("velmarik-export");
const QString kManifest = QStringLiteral("manifest.csv");
const QString kItems = QStringLiteral("items.csv");
const QString kHistory = QStringLiteral("history.csv");
const QString kCounts = QStringLiteral("counts.csv");
const QString kReviews = QStringLiteral("reviews.csv");
const QString kLists = QStringLiteral("lists.csv");
const QString kSettings = QStringLiteral("settings.csv");
const QString kChecksums = QStringLiteral("checksums.csv");
const QString kListFolder = QStringLiteral("lists/");

// Fields of a history of a million records stay far below this.
constexpr qsizetype kMaxRecordSize = 1 << 16;

QString ListFilePath(const QString& list)
{
    return kListFolder + list + QStringLiteral(".csv");
}

QString Csv(const QList<QStringList>& rows)
{
    QString text;
    for (const QStringList& row : rows)
        text += FormatCsvRecord(row);
    return text;
}

QStringList ReviewColumns()
{
    return {QStringLiteral("list"),        QStringLiteral("item"),
            QStringLiteral("word"),        QStringLiteral("reading"),
            QStringLiteral("stability"),   QStringLiteral("difficulty"),
            QStringLiteral("last_review"), QStringLiteral("due"),
            QStringLiteral("reviews"),     QStringLiteral("lapses")};
}

QString Number(qint64 value)
{
    return QString::number(value);
}

// A day key as a date a person reads; a key that is no date (a clock
// that failed) stays a number.
QString DayText(int key)
{
    const QDate date(key / 10000, key / 100 % 100, key % 100);
    return date.isValid() && key > 0 ? date.toString(Qt::ISODate) : Number(key);
}

std::optional<int> DayKey(const QString& text)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid())
        return date.year() * 10000 + date.month() * 100 + date.day();
    bool ok = false;
    const int key = text.toInt(&ok);
    return ok ? std::optional<int>(key) : std::nullopt;
}

// A stability or difficulty as the review file keeps it, a float32: the
// fewest digits that give the same float32 back ("0.212", where seventeen
// digits of its double would read 0.21199999749660492).
QString StoredRealText(double value)
{
    char text[32];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, float(value));
    return QString::fromLatin1(text, end.ptr - text);
}

// One CSV file of the archive: its rows under the header, with the columns
// found by name.
class CsvTable {
public:
    CsvTable(const ZipContents& zip, const QString& name, const QStringList& needed,
             QStringList& problems)
        : m_strName(name), m_problems(problems)
    {
        const std::optional<QByteArray> data = zip.Find(name);
        if (!data) {
            if (zip.m_damaged.contains(name))
                problems << QStringLiteral("%1 が壊れていて読めません。").arg(name);
            return;
        }
        const std::optional<QString> text = DecodeText(*data, TextEncoding::Utf8);
        if (!text) {
            problems << QStringLiteral("%1 は UTF-8 のテキストではありません。").arg(name);
            return;
        }
        m_records = ParseDelimitedText(*text, u',', kMaxRecordSize);
        if (m_records.isEmpty())
            return;
        const QStringList header = m_records.takeFirst().m_fields;
        for (const QString& column : needed) {
            const qsizetype at = header.indexOf(column);
            if (at < 0) {
                problems << QStringLiteral("%1 に %2 の列がありません。").arg(name, column);
                m_records.clear();
                return;
            }
            m_columns.insert(column, at);
        }
        m_header = header;
    }

    bool Present() const { return !m_header.isEmpty(); }
    qsizetype Rows() const { return m_records.size(); }
    bool Skip(qsizetype row) const
    {
        const DelimitedRecord& record = m_records.at(row);
        return record.m_fields.size() == 1 && record.m_fields.first().isEmpty();
    }
    QString Field(qsizetype row, const QString& column) const
    {
        return m_records.at(row).m_fields.value(m_columns.value(column, -1));
    }
    bool Broken(qsizetype row) const
    {
        return m_records.at(row).m_bUnclosedQuote || m_records.at(row).m_bTooLong;
    }
    std::optional<qint64> Int(qsizetype row, const QString& column, qint64 least, qint64 most) const
    {
        bool ok = false;
        const qint64 value = Field(row, column).toLongLong(&ok);
        if (!ok || value < least || value > most)
            return std::nullopt;
        return value;
    }
    // Counts a row that makes no sense; the learner hears of them once per file.
    void Bad(qsizetype row)
    {
        if (m_nBad++ == 0)
            m_nFirstBadLine = m_records.at(row).m_nLine;
    }
    ~CsvTable()
    {
        if (m_nBad > 0) {
            m_problems << QStringLiteral("%1 の %2 行を読めませんでした（%3 行目など）。")
                              .arg(m_strName)
                              .arg(m_nBad)
                              .arg(m_nFirstBadLine);
        }
    }

private:
    QString m_strName;
    QStringList& m_problems;
    QList<DelimitedRecord> m_records;
    QStringList m_header;
    QHash<QString, qsizetype> m_columns;
    int m_nBad = 0;
    int m_nFirstBadLine = 0;
};

void CheckSums(const ZipContents& zip, QStringList& problems)
{
    QStringList ignored;
    CsvTable sums(zip, kChecksums, {QStringLiteral("file"), QStringLiteral("sha256")}, ignored);
    if (!sums.Present()) {
        problems << QStringLiteral("チェックサムがないため、内容が正しいか確かめられません。");
        return;
    }
    for (qsizetype row = 0; row < sums.Rows(); ++row) {
        if (sums.Skip(row))
            continue;
        const QString file = sums.Field(row, QStringLiteral("file"));
        const std::optional<QByteArray> data = zip.Find(file);
        if (!data) {
            problems << (zip.m_damaged.contains(file)
                             ? QStringLiteral("%1 が壊れていて読めません。").arg(file)
                             : QStringLiteral("%1 がありません。").arg(file));
        } else if (Sha256Hex(*data) != sums.Field(row, QStringLiteral("sha256")).toLatin1()) {
            problems << QStringLiteral("%1 は書き出しの後で変更されたか、壊れています。"
                                       "読める行だけを読み込みます。")
                            .arg(file);
        }
    }
}

} // namespace

std::optional<QByteArray> WriteStudyArchive(const StudyArchive& archive, qint64 time,
                                            QString& error)
{
    QList<ZipEntry> entries;
    const auto add = [&](const QString& name, const QString& text) {
        entries.append({name, text.toUtf8()});
    };
    add(kManifest, Csv({{QStringLiteral("key"), QStringLiteral("value")},
                        {QStringLiteral("format"), kFormat},
                        {QStringLiteral("version"), Number(kStudyArchiveVersion)},
                        {QStringLiteral("program"), archive.m_strProgram},
                        {QStringLiteral("created"), archive.m_strCreated},
                        {QStringLiteral("total_count"), Number(archive.m_nTotalCount)},
                        {QStringLiteral("history_position"), Number(archive.m_nHistoryPos)}}));

    QList<QStringList> rows{{QStringLiteral("list"), QStringLiteral("item"), QStringLiteral("word"),
                             QStringLiteral("reading"), QStringLiteral("mode"),
                             QStringLiteral("ask_count")}};
    for (const ArchivedItem& item : archive.m_items) {
        rows.append({item.m_strList, Number(item.m_nPos), item.m_strWord, item.m_strReading,
                     Number(item.m_nMode), Number(item.m_nAskCount)});
    }
    add(kItems, Csv(rows));

    rows = {{QStringLiteral("list"), QStringLiteral("item"), QStringLiteral("word"),
             QStringLiteral("reading"), QStringLiteral("answered")}};
    for (const ArchivedHistoryRecord& record : archive.m_history) {
        rows.append({record.m_strList, Number(record.m_nPos), record.m_strWord, record.m_strReading,
                     Number(record.m_bAnswered ? 1 : 0)});
    }
    add(kHistory, Csv(rows));

    rows = {{QStringLiteral("day"), QStringLiteral("count")}};
    for (const auto& [key, count] : archive.m_dayCounts)
        rows.append({DayText(key), Number(count)});
    add(kCounts, Csv(rows));

    rows = {ReviewColumns()};
    for (const ArchivedReview& review : archive.m_reviews) {
        const ReviewState& state = review.m_state;
        rows.append({review.m_strList, Number(review.m_nPos), review.m_strWord, review.m_strReading,
                     StoredRealText(state.m_dStability), StoredRealText(state.m_dDifficulty),
                     DateOfDayNumber(state.m_nLastDay).toString(Qt::ISODate),
                     DateOfDayNumber(state.m_nDueDay).toString(Qt::ISODate),
                     Number(state.m_nReviews), Number(state.m_nLapses)});
    }
    add(kReviews, Csv(rows));

    QList<OwnListName> names;
    for (const OwnList& list : archive.m_ownLists)
        names.append({list.m_strList, list.m_strName});
    entries.append({kLists, OwnListNamesContent(names)});
    for (const OwnList& list : archive.m_ownLists) {
        if (!IsOwnListFileName(list.m_strList)) {
            error = QStringLiteral("bad list name: ") + list.m_strList;
            return std::nullopt;
        }
        entries.append({ListFilePath(list.m_strList), OwnListFileContent(list.m_rows)});
    }

    rows = {{QStringLiteral("name"), QStringLiteral("value")}};
    for (const ArchivedSetting& setting : archive.m_settings)
        rows.append({setting.m_strName, setting.m_strValue});
    add(kSettings, Csv(rows));

    for (const ZipEntryPart& part : archive.m_parts) {
        if (!kArchivePartNames.contains(part.m_strName)) {
            error = QStringLiteral("unknown part: ") + part.m_strName;
            return std::nullopt;
        }
        entries.append({part.m_strName, part.m_data});
    }

    rows = {{QStringLiteral("file"), QStringLiteral("bytes"), QStringLiteral("sha256")}};
    for (const ZipEntry& entry : std::as_const(entries)) {
        rows.append({entry.m_strName, Number(entry.m_data.size()),
                     QString::fromLatin1(Sha256Hex(entry.m_data))});
    }
    add(kChecksums, Csv(rows));
    return MakeZipArchive(entries, time, error);
}

StudyArchiveRead ReadStudyArchive(QByteArrayView bytes)
{
    StudyArchiveRead read;
    if (bytes.size() > kMaxArchiveFileSize) {
        read.m_failure = StudyArchiveRead::Failure::TooLarge;
        return read;
    }
    const ZipContents zip = ReadZipArchive(bytes);
    switch (zip.m_failure) {
    case ZipContents::Failure::None:
        break;
    case ZipContents::Failure::TooLarge:
        read.m_failure = StudyArchiveRead::Failure::TooLarge;
        return read;
    case ZipContents::Failure::UnsafePath:
        read.m_failure = StudyArchiveRead::Failure::Unsafe;
        return read;
    default:
        read.m_failure = StudyArchiveRead::Failure::NotArchive;
        return read;
    }

    StudyArchive& archive = read.m_archive;
    QStringList& problems = read.m_problems;
    {
        QStringList manifestProblems;
        CsvTable manifest(zip, kManifest, {QStringLiteral("key"), QStringLiteral("value")},
                          manifestProblems);
        QHash<QString, QString> values;
        for (qsizetype row = 0; row < manifest.Rows(); ++row)
            values.insert(manifest.Field(row, QStringLiteral("key")),
                          manifest.Field(row, QStringLiteral("value")));
        if (values.value(QStringLiteral("format")) != kFormat) {
            read.m_failure = StudyArchiveRead::Failure::NotArchive;
            return read;
        }
        archive.m_nVersion = values.value(QStringLiteral("version")).toInt();
        archive.m_strProgram = values.value(QStringLiteral("program"));
        archive.m_strCreated = values.value(QStringLiteral("created"));
        archive.m_nTotalCount = values.value(QStringLiteral("total_count")).toInt();
        bool ok = false;
        archive.m_nHistoryPos = values.value(QStringLiteral("history_position")).toInt(&ok);
        if (!ok)
            archive.m_nHistoryPos = -1;
    }
    if (archive.m_nVersion > kStudyArchiveVersion) {
        problems << QStringLiteral("新しい版のプログラムで書き出されたファイルです（形式 %1）。"
                                   "この版で分かる部分だけを読み込みます。")
                        .arg(archive.m_nVersion);
    }
    CheckSums(zip, problems);
    for (const QString& name : kArchivePartNames) {
        if (std::optional<QByteArray> data = zip.Find(name))
            archive.m_parts.append({name, *std::move(data)});
    }

    {
        CsvTable items(zip, kItems,
                       {QStringLiteral("list"), QStringLiteral("item"), QStringLiteral("word"),
                        QStringLiteral("reading"), QStringLiteral("mode"),
                        QStringLiteral("ask_count")},
                       problems);
        for (qsizetype row = 0; row < items.Rows(); ++row) {
            if (items.Skip(row))
                continue;
            ArchivedItem item;
            item.m_strList = items.Field(row, QStringLiteral("list"));
            const auto pos = items.Int(row, QStringLiteral("item"), 0, INT_MAX);
            const auto mode = items.Int(row, QStringLiteral("mode"), 0, 4);
            const auto asked = items.Int(row, QStringLiteral("ask_count"), 0, 32767);
            item.m_strWord = items.Field(row, QStringLiteral("word"));
            item.m_strReading = items.Field(row, QStringLiteral("reading"));
            if (items.Broken(row) || item.m_strList.isEmpty() || !pos || !mode || !asked ||
                item.m_strWord.contains(u'\t')) {
                items.Bad(row);
                continue;
            }
            item.m_nPos = int(*pos);
            item.m_nMode = qint16(*mode);
            item.m_nAskCount = qint16(*asked);
            archive.m_items.append(item);
        }
    }
    {
        CsvTable history(zip, kHistory,
                         {QStringLiteral("list"), QStringLiteral("item"), QStringLiteral("word"),
                          QStringLiteral("reading"), QStringLiteral("answered")},
                         problems);
        int dropped = 0;
        for (qsizetype row = 0; row < history.Rows(); ++row) {
            if (history.Skip(row))
                continue;
            ArchivedHistoryRecord record;
            record.m_strList = history.Field(row, QStringLiteral("list"));
            const auto pos = history.Int(row, QStringLiteral("item"), 0, INT_MAX);
            const auto answered = history.Int(row, QStringLiteral("answered"), 0, 1);
            record.m_strWord = history.Field(row, QStringLiteral("word"));
            record.m_strReading = history.Field(row, QStringLiteral("reading"));
            if (history.Broken(row) || record.m_strList.isEmpty() || !pos || !answered) {
                history.Bad(row);
                // The current record keeps its place among those that stay; when
                // it is dropped, the one before it becomes current.
                if (archive.m_history.size() + dropped <= archive.m_nHistoryPos)
                    ++dropped;
                continue;
            }
            record.m_nPos = int(*pos);
            record.m_bAnswered = *answered != 0;
            archive.m_history.append(record);
        }
        archive.m_nHistoryPos -= dropped;
        if (archive.m_nHistoryPos < -1 || archive.m_nHistoryPos >= archive.m_history.size())
            archive.m_nHistoryPos = archive.m_history.isEmpty() ? -1 : archive.m_history.size() - 1;
    }
    {
        CsvTable counts(zip, kCounts, {QStringLiteral("day"), QStringLiteral("count")}, problems);
        for (qsizetype row = 0; row < counts.Rows(); ++row) {
            if (counts.Skip(row))
                continue;
            const std::optional<int> key = DayKey(counts.Field(row, QStringLiteral("day")));
            const auto count = counts.Int(row, QStringLiteral("count"), INT_MIN, INT_MAX);
            if (counts.Broken(row) || !key || !count) {
                counts.Bad(row);
                continue;
            }
            archive.m_dayCounts.append({*key, int(*count)});
        }
    }
    {
        CsvTable reviews(zip, kReviews, ReviewColumns(), problems);
        const auto day = [&](qsizetype row, const QString& column) -> std::optional<qint32> {
            const QDate date = QDate::fromString(reviews.Field(row, column), Qt::ISODate);
            if (!date.isValid())
                return std::nullopt;
            return DayNumberOf(date);
        };
        const auto real = [&](qsizetype row, const QString& column) {
            bool ok = false;
            const double value = reviews.Field(row, column).toDouble(&ok);
            return ok ? value : qQNaN();
        };
        for (qsizetype row = 0; row < reviews.Rows(); ++row) {
            if (reviews.Skip(row))
                continue;
            ArchivedReview review;
            review.m_strList = reviews.Field(row, QStringLiteral("list"));
            review.m_strWord = reviews.Field(row, QStringLiteral("word"));
            review.m_strReading = reviews.Field(row, QStringLiteral("reading"));
            const auto pos = reviews.Int(row, QStringLiteral("item"), 0, INT_MAX);
            const auto last = day(row, QStringLiteral("last_review"));
            const auto due = day(row, QStringLiteral("due"));
            const auto count = reviews.Int(row, QStringLiteral("reviews"), 1, 65535);
            const auto lapses = reviews.Int(row, QStringLiteral("lapses"), 0, 65535);
            ReviewState& state = review.m_state;
            state.m_dStability = real(row, QStringLiteral("stability"));
            state.m_dDifficulty = real(row, QStringLiteral("difficulty"));
            if (pos && last && due && count && lapses) {
                review.m_nPos = int(*pos);
                state.m_nLastDay = *last;
                state.m_nDueDay = *due;
                state.m_nReviews = quint32(*count);
                state.m_nLapses = quint32(*lapses);
            }
            // The state must be one the scheduler could have made, as in
            // the review file.
            if (reviews.Broken(row) || review.m_strList.isEmpty() || !pos || !last || !due ||
                !count || !lapses || review.m_strWord.contains(u'\t') ||
                !IsValidReviewState(state)) {
                reviews.Bad(row);
                continue;
            }
            archive.m_reviews.append(review);
        }
    }
    if (const std::optional<QByteArray> names = zip.Find(kLists)) {
        for (const OwnListName& name : ReadOwnListNames(*names)) {
            const QString path = ListFilePath(name.m_strList);
            const OwnListFileRead file = ReadOwnListFile(zip.Find(path).value_or(QByteArray()));
            if (!file.m_bReadable) {
                problems << QStringLiteral("リスト「%1」（%2）を読めませんでした。")
                                .arg(name.m_strName, path);
                continue;
            }
            if (file.m_nRepairedRows > 0) {
                problems << QStringLiteral(
                                "リスト「%1」の %2 語は壊れていたため、直して読み込みます。")
                                .arg(name.m_strName)
                                .arg(file.m_nRepairedRows);
            }
            archive.m_ownLists.append({name.m_strList, name.m_strName, file.m_rows});
        }
    }
    {
        CsvTable settings(zip, kSettings, {QStringLiteral("name"), QStringLiteral("value")},
                          problems);
        for (qsizetype row = 0; row < settings.Rows(); ++row) {
            if (settings.Skip(row))
                continue;
            const ArchivedSetting setting{settings.Field(row, QStringLiteral("name")),
                                          settings.Field(row, QStringLiteral("value"))};
            if (settings.Broken(row) || setting.m_strName.isEmpty()) {
                settings.Bad(row);
                continue;
            }
            archive.m_settings.append(setting);
        }
    }
    return read;
}

StudyArchiveRead ReadStudyArchiveFile(const QString& path)
{
    QFile file(path);
    StudyArchiveRead read;
    if (!file.open(QIODevice::ReadOnly)) {
        read.m_failure = StudyArchiveRead::Failure::NotArchive;
        read.m_problems << file.errorString();
        return read;
    }
    if (file.size() > kMaxArchiveFileSize) {
        read.m_failure = StudyArchiveRead::Failure::TooLarge;
        return read;
    }
    return ReadStudyArchive(file.read(kMaxArchiveFileSize + 1));
}

QString DescribeArchiveFailure(const StudyArchiveRead& read)
{
    switch (read.m_failure) {
    case StudyArchiveRead::Failure::None:
        return QString();
    case StudyArchiveRead::Failure::TooLarge:
        return QStringLiteral(
            "ファイルが大きすぎます。学習データの書き出しファイルではないようです。");
    case StudyArchiveRead::Failure::NotArchive:
        return QStringLiteral("学習データの書き出しファイルとして読めません。"
                              "ファイルが壊れているか、途中までしかありません。") +
               (read.m_problems.isEmpty() ? QString()
                                          : QStringLiteral("\r\n") + read.m_problems.first());
    case StudyArchiveRead::Failure::Unsafe:
        return QStringLiteral(
            "このファイルには、読み込み先のフォルダーの外を指す名前が含まれているため、"
            "読み込みません。");
    }
    return QString();
}

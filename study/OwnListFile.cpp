#include "study/OwnListFile.h"

#include "study/CWordListSource.h"
#include "text/DelimitedText.h"
#include "text/TextDecoding.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

const QStringList kColumns{QStringLiteral("word"), QStringLiteral("reading"),
                           QStringLiteral("note"), QStringLiteral("coloured")};
constexpr qsizetype kMaxRecordSize = 4096;

} // namespace

bool IsOwnListFileName(const QString& list)
{
    static const QRegularExpression kPattern(QStringLiteral("^[a-z][a-z0-9_]{0,31}$"));
    if (!kPattern.match(list).hasMatch())
        return false;
    for (const WordListInfo& info : kWordLists) {
        if (list == QLatin1String(info.m_pszName))
            return false;
    }
    return true;
}

QByteArray OwnListNamesContent(const QList<OwnListName>& lists)
{
    QString text = FormatCsvRecord({QStringLiteral("list"), QStringLiteral("name")});
    for (const OwnListName& list : lists)
        text += FormatCsvRecord({list.m_strList, list.m_strName});
    return text.toUtf8();
}

QList<OwnListName> ReadOwnListNames(QByteArrayView bytes)
{
    QList<OwnListName> lists;
    const std::optional<QString> text = DecodeText(bytes, TextEncoding::Utf8);
    if (!text)
        return lists;
    const QList<DelimitedRecord> records = ParseDelimitedText(*text, u',', kMaxRecordSize);
    if (records.isEmpty())
        return lists;
    const qsizetype listColumn = records.first().m_fields.indexOf(QStringLiteral("list"));
    const qsizetype nameColumn = records.first().m_fields.indexOf(QStringLiteral("name"));
    if (listColumn < 0 || nameColumn < 0)
        return lists;
    for (qsizetype k = 1; k < records.size(); ++k) {
        const DelimitedRecord& record = records.at(k);
        const OwnListName list{record.m_fields.value(listColumn),
                               record.m_fields.value(nameColumn).simplified()};
        const bool repeat = std::any_of(lists.cbegin(), lists.cend(), [&](const OwnListName& o) {
            return o.m_strList == list.m_strList;
        });
        if (record.m_bUnclosedQuote || record.m_bTooLong || !IsOwnListFileName(list.m_strList) ||
            list.m_strName.isEmpty() || repeat)
            continue;
        lists.append(list);
    }
    return lists;
}

QByteArray OwnListFileContent(const QList<OwnListRow>& rows)
{
    QString text = FormatCsvRecord(kColumns);
    for (const OwnListRow& row : rows) {
        text += FormatCsvRecord({row.m_strWord, row.m_strReading, row.m_strNote,
                                 row.m_bColoured ? QStringLiteral("1") : QStringLiteral("0")});
    }
    return text.toUtf8();
}

// The row as an item line can hold it; false when it had to be changed.
bool Repair(OwnListRow& row)
{
    bool repaired = false;
    for (QString* field : {&row.m_strWord, &row.m_strReading, &row.m_strNote}) {
        for (QChar& c : *field) {
            if (c == u'\t' || c == u'\r' || c == u'\n') {
                c = u' ';
                repaired = true;
            }
        }
    }
    if (row.m_strWord.isEmpty()) {
        row.m_strWord = QStringLiteral("？");
        repaired = true;
    } else if (row.m_strWord.startsWith(u'#')) {
        row.m_strWord[0] = u'＃'; // '#' would open a group header
        repaired = true;
    }
    return repaired;
}

OwnListFileRead ReadOwnListFile(QByteArrayView bytes)
{
    OwnListFileRead read;
    const std::optional<QString> text = DecodeText(bytes, TextEncoding::Utf8);
    if (!text)
        return read;
    const QList<DelimitedRecord> records = ParseDelimitedText(*text, u',', kMaxRecordSize);
    if (records.isEmpty())
        return read;
    // Columns by name: a later version may add some.
    QList<qsizetype> column;
    for (const QString& name : kColumns)
        column.append(records.first().m_fields.indexOf(name));
    if (column[0] < 0 || column[1] < 0)
        return read;
    read.m_bReadable = true;
    for (qsizetype k = 1; k < records.size(); ++k) {
        const DelimitedRecord& record = records.at(k);
        if (record.m_fields.size() == 1 && record.m_fields.first().isEmpty())
            continue;
        const auto field = [&](int c) {
            return column[c] < 0 ? QString() : record.m_fields.value(column[c]);
        };
        OwnListRow row{field(0), field(1), field(2), field(3) != u"0"};
        if (Repair(row) || record.m_bUnclosedQuote || record.m_bTooLong)
            ++read.m_nRepairedRows;
        read.m_rows.append(row);
    }
    return read;
}

#include "text/DelimitedText.h"

namespace {

bool IsLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// Collects one record's fields, stopping at the bound.
class RecordBuilder {
public:
    explicit RecordBuilder(qsizetype maxSize) : m_nMaxSize(maxSize) {}

    void Append(QChar c)
    {
        if (m_nSize >= m_nMaxSize) {
            m_record.m_bTooLong = true;
            return;
        }
        m_field += c;
        ++m_nSize;
    }
    void AppendView(QStringView text)
    {
        const qsizetype room = m_nMaxSize - m_nSize;
        if (text.size() > room) {
            m_record.m_bTooLong = true;
            text = text.first(std::max<qsizetype>(room, 0));
        }
        m_field += text;
        m_nSize += text.size();
    }
    void EndField()
    {
        m_record.m_fields.append(m_field);
        m_field.clear();
    }
    void SetUnclosed() { m_record.m_bUnclosedQuote = true; }
    DelimitedRecord Take(int line)
    {
        EndField();
        DelimitedRecord record = std::move(m_record);
        record.m_nLine = line;
        m_record = DelimitedRecord();
        m_nSize = 0;
        return record;
    }

private:
    qsizetype m_nMaxSize;
    qsizetype m_nSize = 0;
    QString m_field;
    DelimitedRecord m_record;
};

} // namespace

QList<DelimitedRecord> ParseDelimitedText(QStringView text, QChar delimiter,
                                          qsizetype maxRecordSize)
{
    QList<DelimitedRecord> records;
    RecordBuilder builder(maxRecordSize);
    const qsizetype n = text.size();
    int line = 1;
    int recordLine = 1;
    qsizetype pos = 0;
    // A line break: CR LF counts once.
    const auto takeBreak = [&](qsizetype at) {
        ++line;
        return text.at(at) == u'\r' && at + 1 < n && text.at(at + 1) == u'\n' ? at + 2 : at + 1;
    };
    if (n == 0)
        return records;
    for (;;) {
        // At the start of a field.
        if (pos < n && text.at(pos) == u'"') {
            ++pos;
            for (;;) {
                if (pos >= n) {
                    builder.SetUnclosed();
                    break;
                }
                const QChar c = text.at(pos);
                if (c == u'"') {
                    if (pos + 1 < n && text.at(pos + 1) == u'"') {
                        builder.Append(c);
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                if (IsLineBreak(c)) {
                    // Kept as written, except that every break in a field
                    // is a line of the file.
                    const qsizetype next = takeBreak(pos);
                    builder.AppendView(text.sliced(pos, next - pos));
                    pos = next;
                    continue;
                }
                builder.Append(c);
                ++pos;
            }
        }
        // The rest of the field up to the delimiter or the end of the
        // record; a quote here is taken as written.
        const qsizetype start = pos;
        while (pos < n && text.at(pos) != delimiter && !IsLineBreak(text.at(pos)))
            ++pos;
        builder.AppendView(text.sliced(start, pos - start));
        if (pos < n && text.at(pos) == delimiter) {
            builder.EndField();
            ++pos;
            continue;
        }
        records.append(builder.Take(recordLine));
        if (pos >= n)
            break;
        pos = takeBreak(pos);
        recordLine = line;
        if (pos >= n)
            break; // a final line break ends the last record, it starts none
    }
    return records;
}

QString FormatCsvRecord(const QStringList& fields)
{
    QString record;
    for (qsizetype k = 0; k < fields.size(); ++k) {
        if (k > 0)
            record += u',';
        const QString& field = fields.at(k);
        const bool quote = field.contains(u',') || field.contains(u'"') || field.contains(u'\r') ||
                           field.contains(u'\n');
        if (!quote) {
            record += field;
            continue;
        }
        record += u'"';
        for (QChar c : field) {
            if (c == u'"')
                record += u'"';
            record += c;
        }
        record += u'"';
    }
    record += QStringLiteral("\r\n");
    return record;
}

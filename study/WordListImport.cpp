#include "study/WordListImport.h"

#include "text/AnkiText.h"
#include "text/DelimitedText.h"
#include "text/ReadingCheck.h"

#include <QFile>
#include <QHash>
#include <algorithm>

namespace {

// A row this long is no row of a word list; the parser keeps only its
// start, and the row is refused as too long.
constexpr qsizetype kMaxRecordSize = 4096;
constexpr qsizetype kShownRowLength = 60;

// The header lines of an Anki export ("#separator:tab", "#html:true",
// "#deck column:2", ...): the separator, and the columns that hold no note
// field.
struct AnkiHeader {
    std::optional<QChar> m_separator;
    QList<int> m_metaColumns; // from 0
};

AnkiHeader ReadAnkiHeader(QStringView text)
{
    AnkiHeader header;
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos) == u'#') {
        qsizetype end = pos;
        while (end < text.size() && text.at(end) != u'\n' && text.at(end) != u'\r')
            ++end;
        const QStringView line = text.sliced(pos + 1, end - pos - 1);
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0) {
            const QString key = line.first(colon).trimmed().toString().toLower();
            const QString value = line.sliced(colon + 1).trimmed().toString();
            if (key == u"separator") {
                static const QHash<QString, QChar> kNames{
                    {QStringLiteral("tab"), u'\t'},      {QStringLiteral("comma"), u','},
                    {QStringLiteral("semicolon"), u';'}, {QStringLiteral("space"), u' '},
                    {QStringLiteral("pipe"), u'|'},      {QStringLiteral("colon"), u':'},
                };
                if (const auto it = kNames.constFind(value.toLower()); it != kNames.constEnd())
                    header.m_separator = *it;
                else if (value.size() == 1)
                    header.m_separator = value.front();
            } else if (key.endsWith(QStringLiteral(" column"))) {
                // The guid, the note type, the deck and the tags.
                bool ok = false;
                const int column = value.toInt(&ok);
                if (ok && column >= 1)
                    header.m_metaColumns.append(column - 1);
            }
        }
        pos = end;
        if (pos < text.size() && text.at(pos) == u'\r')
            ++pos;
        if (pos < text.size() && text.at(pos) == u'\n')
            ++pos;
    }
    return header;
}

// Tab when the first rows hold one, else a comma.
QChar GuessDelimiter(QStringView text)
{
    const QStringView start = text.first(std::min<qsizetype>(text.size(), 1 << 16));
    return start.contains(u'\t') || !start.contains(u',') ? QChar(u'\t') : QChar(u',');
}

QString Shortened(const QStringList& fields, QChar delimiter)
{
    QString text = fields.join(delimiter == u'\t' ? QStringLiteral("  ") : QString(delimiter));
    text.replace(u'\n', u' ').replace(u'\r', u' ');
    if (text.size() > kShownRowLength)
        text = text.first(kShownRowLength) + QStringLiteral("…");
    return text;
}

void ReadRows(WordListImport& import, const QString& text)
{
    const AnkiHeader header = ReadAnkiHeader(text);
    import.m_delimiter = header.m_separator.value_or(GuessDelimiter(text));
    const QList<DelimitedRecord> records =
        ParseDelimitedText(text, import.m_delimiter, kMaxRecordSize);

    QHash<QString, int> firstLine; // item text -> the line that took it
    int taken = 0;
    bool anyRow = false;
    for (const DelimitedRecord& record : records) {
        QStringList fields;
        for (qsizetype k = 0; k < record.m_fields.size(); ++k) {
            if (!header.m_metaColumns.contains(int(k)))
                fields.append(record.m_fields.at(k));
        }
        if (std::all_of(fields.cbegin(), fields.cend(),
                        [](const QString& f) { return f.trimmed().isEmpty(); }))
            continue;
        // Header and comment lines; no word of a list begins with '#'.
        if (fields.constFirst().startsWith(u'#'))
            continue;
        anyRow = true;
        RefusedRow refused{record.m_nLine, Shortened(record.m_fields, import.m_delimiter)};
        const auto refuse = [&](ImportProblem problem) {
            refused.m_problem = problem;
            import.m_refused.append(refused);
        };
        if (record.m_bUnclosedQuote) {
            refuse(ImportProblem::UnclosedQuote);
            continue;
        }

        const QString wordField = PlainAnkiField(fields.value(0));
        const QString readingField = PlainAnkiField(fields.value(1));
        ImportRow row;
        row.m_nLine = record.m_nLine;
        row.m_strWord = FuriganaBase(wordField).simplified();
        QString reading = FuriganaReading(readingField).simplified();
        row.m_strNote = PlainAnkiField(fields.value(2));
        // A deck that writes the reading as furigana of the word and a
        // meaning beside it.
        if (!ReadingInHiragana(reading) && HasFurigana(wordField)) {
            if (row.m_strNote.isEmpty())
                row.m_strNote = reading;
            reading = FuriganaReading(wordField).simplified();
            // What the furigana do not cover is the word's own kana.
            reading.remove(u' ');
        }

        if (record.m_bTooLong || row.m_strWord.size() > kMaxImportWordLength ||
            reading.size() > kMaxImportReadingLength ||
            row.m_strNote.size() > kMaxImportNoteLength) {
            refuse(ImportProblem::TooLong);
            continue;
        }
        if (!HasKanji(row.m_strWord)) {
            refuse(ImportProblem::NoKanji);
            continue;
        }
        if (reading.isEmpty()) {
            refuse(ImportProblem::NoReading);
            continue;
        }
        const std::optional<QString> hiragana = ReadingInHiragana(reading);
        if (!hiragana) {
            refuse(ImportProblem::ReadingNotKana);
            continue;
        }
        row.m_strReading = *hiragana;
        const QString item = row.ItemText();
        if (const auto it = firstLine.constFind(item); it != firstLine.constEnd()) {
            refused.m_nFirstLine = *it;
            refuse(ImportProblem::Repeat);
            continue;
        }
        if (taken >= kMaxOwnListItems) {
            refuse(ImportProblem::TooMany);
            continue;
        }
        firstLine.insert(item, row.m_nLine);
        ++taken;
        if (ReadingFitsWord(row.m_strWord, row.m_strReading))
            import.m_rows.append(row);
        else
            import.m_uncoloured.append(row);
    }
    if (!anyRow)
        import.m_failure = WordListImport::Failure::NoRows;
}

} // namespace

WordListImport ParseWordList(QByteArrayView bytes, std::optional<TextEncoding> encoding)
{
    WordListImport import;
    if (bytes.isEmpty()) {
        import.m_failure = WordListImport::Failure::Empty;
        return import;
    }
    if (bytes.size() > kMaxImportFileSize) {
        import.m_failure = WordListImport::Failure::TooLarge;
        return import;
    }
    import.m_detection = DetectTextEncoding(bytes);
    if (!encoding && import.m_detection.m_outcome == TextDetection::Outcome::NotText) {
        import.m_failure = WordListImport::Failure::NotText;
        return import;
    }
    import.m_encoding = encoding.value_or(import.m_detection.m_encoding);
    const std::optional<QString> text = DecodeText(bytes, import.m_encoding);
    if (!text) {
        import.m_failure = WordListImport::Failure::NotText;
        return import;
    }
    ReadRows(import, *text);
    return import;
}

WordListImport ReadWordListFile(const QString& path, std::optional<TextEncoding> encoding)
{
    WordListImport import;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        import.m_failure = WordListImport::Failure::Unreadable;
        import.m_strReason = file.errorString();
        return import;
    }
    // A device without a size (a pipe) is read up to one byte past the
    // bound, which is enough to know it is too large.
    if (file.size() > kMaxImportFileSize) {
        import.m_failure = WordListImport::Failure::TooLarge;
        return import;
    }
    const QByteArray bytes = file.read(kMaxImportFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        import.m_failure = WordListImport::Failure::Unreadable;
        import.m_strReason = file.errorString();
        return import;
    }
    return ParseWordList(bytes, encoding);
}

QString DescribeImportProblem(const RefusedRow& row)
{
    switch (row.m_problem) {
    case ImportProblem::NoKanji:
        return QStringLiteral("語句に漢字がありません");
    case ImportProblem::NoReading:
        return QStringLiteral("読みがありません");
    case ImportProblem::ReadingNotKana:
        return QStringLiteral("読みがかなではありません");
    case ImportProblem::TooLong:
        return QStringLiteral("長すぎます（語句は %1 字、読みは %2 字まで）")
            .arg(kMaxImportWordLength)
            .arg(kMaxImportReadingLength);
    case ImportProblem::Repeat:
        return QStringLiteral("%1 行目と同じ語句です").arg(row.m_nFirstLine);
    case ImportProblem::UnclosedQuote:
        return QStringLiteral("引用符 \" が閉じられていません（ファイルの終わりまで）");
    case ImportProblem::TooMany:
        return QStringLiteral("一つのリストは %1 語までです").arg(kMaxOwnListItems);
    }
    return QString();
}

QString DescribeImportFailure(const WordListImport& import)
{
    switch (import.m_failure) {
    case WordListImport::Failure::None:
        return QString();
    case WordListImport::Failure::Unreadable:
        return QStringLiteral("ファイルを読み込めませんでした。\r\n") + import.m_strReason;
    case WordListImport::Failure::Empty:
        return QStringLiteral("ファイルが空です。");
    case WordListImport::Failure::TooLarge:
        return QStringLiteral("ファイルが大きすぎます（%1 MB まで）。")
            .arg(kMaxImportFileSize >> 20);
    case WordListImport::Failure::NotText:
        return QStringLiteral(
            "テキストファイルとして読めません。\r\n"
            "UTF-8、UTF-16、Shift_JIS のいずれかのテキストファイルを選んでください。");
    case WordListImport::Failure::NoRows:
        return QStringLiteral("語句の行が見つかりませんでした。");
    }
    return QString();
}

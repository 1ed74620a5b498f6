#pragma once

#include "text/TextDecoding.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// Bounds on a word list read from a file: larger files, longer rows and
// more rows than a list of one's own could hold are refused with a reason.
inline constexpr qint64 kMaxImportFileSize = 32 << 20;
inline constexpr int kMaxOwnListItems = 20000;
inline constexpr qsizetype kMaxImportWordLength = 40;
inline constexpr qsizetype kMaxImportReadingLength = 80;
inline constexpr qsizetype kMaxImportNoteLength = 1000;

// One row that can become an item.
struct ImportRow {
    int m_nLine = 0;
    QString m_strWord;
    QString m_strReading; // in hiragana
    QString m_strNote;

    // The item's text, in the word lists' line format.
    QString ItemText() const { return m_strWord + QLatin1Char('\t') + m_strReading; }
};

enum class ImportProblem {
    NoKanji,        // the word holds no kanji
    NoReading,      // there is no second field
    ReadingNotKana, // the reading holds more than kana
    TooLong,        // the word, the reading, the note or the row is too long
    Repeat,         // the same word and reading came before
    UnclosedQuote,  // a quoted field runs on to the end of the file
    TooMany,        // the list is full
};

struct RefusedRow {
    int m_nLine = 0;
    QString m_strText; // the row as it stands in the file, shortened
    ImportProblem m_problem = ImportProblem::NoKanji;
    int m_nFirstLine = 0; // a repeat: the line it repeats
};

// What a file holds as a word list, before anything is changed.
struct WordListImport {
    enum class Failure {
        None,
        Unreadable, // the file cannot be opened or read
        Empty,
        TooLarge,
        NotText,
        NoRows, // nothing in it looks like a row
    };
    Failure m_failure = Failure::None;
    QString m_strReason; // Unreadable: the system's reason

    TextDetection m_detection;
    TextEncoding m_encoding = TextEncoding::Utf8; // the encoding the rows were read with
    QChar m_delimiter = u'\t';

    QList<ImportRow> m_rows; // taken as they are
    // Readings that the kana parts of their words cannot be found in: the
    // question could not colour their kanji. Taken, uncoloured, only when
    // the learner agrees.
    QList<ImportRow> m_uncoloured;
    QList<RefusedRow> m_refused;
};

// Reads the rows of a word list: tab- or comma-separated text with the word,
// the reading and an optional note, or the plain-text export of an Anki deck
// (its first two note fields, HTML and furigana brackets taken out). Without
// `encoding` the encoding is detected; when that is unsure the rows are read
// with the likeliest one and m_detection says which others would do.
WordListImport ParseWordList(QByteArrayView bytes,
                             std::optional<TextEncoding> encoding = std::nullopt);
// The same for a file, refusing one larger than the bound before reading it.
WordListImport ReadWordListFile(const QString& path,
                                std::optional<TextEncoding> encoding = std::nullopt);

// The learner's texts for a refused row's reason and for a file refused whole.
QString DescribeImportProblem(const RefusedRow& row);
QString DescribeImportFailure(const WordListImport& import);

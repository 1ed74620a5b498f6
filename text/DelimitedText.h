#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Text of records and fields, as spreadsheets and other programs write it
// (RFC 4180): a field in double quotes may hold the delimiter, line breaks
// and doubled quotes; a record ends at CR LF, LF or a lone CR.
struct DelimitedRecord {
    int m_nLine = 0; // the line, from 1, that the record starts on
    QStringList m_fields;
    // A quoted field ran on to the end of the text: the record holds all
    // that followed.
    bool m_bUnclosedQuote = false;
    // The record was longer than the bound; its fields hold only its start.
    bool m_bTooLong = false;
};

// Every record of the text, empty lines included (as one empty field). A
// record longer than maxRecordSize characters keeps only that many, so one
// endless line costs no more memory than the bound.
QList<DelimitedRecord> ParseDelimitedText(QStringView text, QChar delimiter,
                                          qsizetype maxRecordSize);

// One record for a CSV file: the fields separated by commas, each quoted
// when it holds a comma, a quote or a line break, and CR LF at its end.
QString FormatCsvRecord(const QStringList& fields);

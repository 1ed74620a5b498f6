#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The lists of one's own and their names, in list order ("list,name").
inline const QString kOwnListsFileName = QStringLiteral("ownlists.csv");

struct OwnListName {
    QString m_strList; // the list's file name without extension: "own1"
    QString m_strName; // the learner's name for it

    bool operator==(const OwnListName&) const = default;
};

QByteArray OwnListNamesContent(const QList<OwnListName>& lists);
// The lists in order; one whose file name is not a proper one, or that
// comes twice, is left out.
QList<OwnListName> ReadOwnListNames(QByteArrayView bytes);
// A name a list of one's own may have as a file: it becomes file names in
// the data folder, and the built-in lists' names are taken.
bool IsOwnListFileName(const QString& list);

// A row of a list of one's own.
struct OwnListRow {
    QString m_strWord;
    QString m_strReading; // in hiragana
    QString m_strNote;
    bool m_bColoured = true; // false: the question shows the reading plain

    // The item's text, in the word lists' line format.
    QString ItemText() const { return m_strWord + QLatin1Char('\t') + m_strReading; }

    bool operator==(const OwnListRow&) const = default;
};

// A list of one's own as it is kept in the data folder and in an export:
// UTF-8 CSV with the header "word,reading,note,coloured", one row per item
// in the list's order.
QByteArray OwnListFileContent(const QList<OwnListRow>& rows);

struct OwnListFileRead {
    bool m_bReadable = false; // UTF-8 CSV with the header's columns
    QList<OwnListRow> m_rows;
    // Rows that an edit by hand left unfit for an item line (a tab or a line
    // break in a field, an empty word or one opening with '#'). They keep
    // their places, which the learning-mode file's records go by, with the
    // offending characters replaced.
    int m_nRepairedRows = 0;
};

OwnListFileRead ReadOwnListFile(QByteArrayView bytes);

// A list of one's own: its file name, the learner's name for it, its rows.
struct OwnList {
    QString m_strList;
    QString m_strName;
    QList<OwnListRow> m_rows;
};

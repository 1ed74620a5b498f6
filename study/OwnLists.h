#pragma once

#include "study/OwnListFile.h"

#include <QList>
#include <QString>
#include <optional>

class CDictionary;
struct WordListImport;

// Lists of one's own come after the six built-in lists, so every global
// index of those keeps its meaning. Each is a CSV file "<list>.csv" in the
// data folder with a learning-mode file "<list>.dat" beside it, named in
// "ownlists.csv" in list order.
//
// Every change below first saves what is unsaved, then writes the files it
// touches in one step that a kill cannot leave half done, and only then
// changes the study data in memory; on any failure nothing changes, with
// the reason in `error`. A change that replaces or removes a list leaves
// pointers to its items dangling: the caller asks the question again.

// The items of the lists of one's own in the folder, as the load takes
// them.
int OwnListItemCount(const QString& folder);

// The rows an import takes: those that fit, and with `uncoloured` also those
// whose reading the question cannot colour.
QList<OwnListRow> RowsOfImport(const WordListImport& import, bool uncoloured);
// The name a list made from a file gets unless the learner gives one.
QString ListNameOfFile(const QString& path);

// Adds the list after the others; its file name when it was added.
std::optional<QString> AddOwnList(CDictionary& dic, const QString& name,
                                  const QList<OwnListRow>& rows, QString& error);
// `list` is the list's position among all lists.
bool RenameOwnList(CDictionary& dic, int list, const QString& name, QString& error);

// A list imported again keeps the learning mode, the ask count and the
// history of every item whose text it still holds.
struct ReimportCarry {
    int m_nCarried = 0; // items with a learning mode or an ask count that keep them
    int m_nLost = 0;    // items with a learning mode or an ask count that are gone
};
ReimportCarry PreviewReimport(CDictionary& dic, int list, const QList<OwnListRow>& rows);
bool ReimportOwnList(CDictionary& dic, int list, const QList<OwnListRow>& rows, QString& error);

// Removes the list, its files and its history records; nothing else changes.
bool DeleteOwnList(CDictionary& dic, int list, QString& error);

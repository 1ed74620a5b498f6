#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class CDictionary;
class CWordListSource;

// Learning-mode files hold one record per item by position and the history
// holds global indices, so both mean something only together with the word
// lists they were written for. "wordlists.sig" beside them names, for each of
// these files, the version of every list it was written for. When a release
// changes a list, the records are carried over by item text before the
// files are read, so every item keeps its learning mode and ask count.
//
// State files without a signature file were written before signatures
// existed, for the lists shipped under resources/wordlists/previous. The
// signature file is written only where that default would be wrong.

// One version of a word list as its records see it: the number of items and
// a hash of their texts in order. Group headers and empty lines take no
// record, so regrouping a list changes nothing.
struct ListSignature {
    qint32 m_nCount = -1; // -1: unknown
    QByteArray m_hash;    // hex SHA-1 of the item texts, each followed by LF

    bool operator==(const ListSignature&) const = default;
};

// The item texts of a word list, as the loader makes items of its lines.
QStringList ListItemTexts(const QByteArray& listText);
ListSignature MakeListSignature(const QStringList& itemTexts);
// MakeListSignature(ListItemTexts(listText)), without decoding the text
// when it is valid UTF-8.
ListSignature SignatureOfListText(const QByteArray& listText);

// Where an old item went: a list and a position in the new lists, or -1 for
// both when the item is gone.
struct ItemPlace {
    int m_nList = -1;
    int m_nPos = -1;

    bool operator==(const ItemPlace&) const = default;
};

// Pairs the items of old lists with the items of new ones; a null list takes
// no part on its side. An item is found again by its text, first in its own
// list, then in another (a word that moved to another grade); the k-th old
// item of a text goes to the k-th new one. Items left over then pair when
// they keep their main spelling and share a reading (only the alternatives
// in parentheses changed), as long as the pair is unambiguous. Returns, for
// every old list, the place of each of its items.
QList<QList<ItemPlace>> MatchListItems(const QList<const QStringList*>& oldLists,
                                       const QList<const QStringList*>& newLists);

// file name -> list name -> the version of that list the file was written
// for. A learning-mode file names its own list, "histdata.dat" all six.
using StateSignatures = QHash<QString, QHash<QString, ListSignature>>;

QByteArray FormatStateSignatures(const StateSignatures& signatures);
// False for text that is not a signature file; every entry is then unknown.
bool ParseStateSignatures(const QByteArray& text, StateSignatures& signatures);

// The lists that state files without a signature file were written for;
// null: the lists shipped for that purpose. Installing test word lists
// installs them here too, so that state files written by hand for them load
// as they are.
void SetUnsignedWordListSource(std::shared_ptr<const CWordListSource> source);

// Before the state files are read: finishes a carry-over that an earlier run
// left half done, then carries the learning-mode files and the history over
// to the current lists where they were written for other ones. Files written
// for lists that no known version matches stay as they are and load by
// position.
void CarryOverStudyState(const CWordListSource& current, const QString& folder);

// Before Save writes learning-mode or history files: records in the
// signature file that they are written for the current lists. False, after
// telling the learner, when they must not be written now: the signature file
// cannot be written, or a file still holds records for another version of
// its list that could not be carried over at start (writing it by position
// would give those records to the wrong items). `dirtyLists` names, by
// list, those with a changed item.
bool PrepareStateSave(const CDictionary& dic, const QString& folder,
                      const std::vector<bool>& dirtyLists);

// Tests only: the next carry-over stops after this many file operations, as
// if the program had died there; -1 lets it run to the end.
void SetCarryOverStopForTesting(int steps);

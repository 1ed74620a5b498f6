#pragma once

#include "study/StateFileFormat.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
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
// signature file is written only where that default would be wrong, always
// together with its copy, so that the loss of one never has the files taken
// for those lists again.

// How the load reads the state files in this run, and which of them Save
// must leave alone.
struct StudyStateReading {
    QHash<QString, QByteArray> m_contents; // read these instead of the files
    QSet<QString> m_unread;                // read as missing: what they hold is not known
    QSet<QString> m_held;                  // not to be written in this run

    // limit >= 0: no more bytes than that are read of a file in the folder.
    StoredFile File(const QString& folder, const QString& name, qsizetype limit = -1) const;
    // Whether File gives something else than the file in the folder.
    bool Overrides(const QString& name) const
    {
        return m_unread.contains(name) || m_contents.contains(name);
    }
};

// Before the state files are read: finishes a carry-over that an earlier run
// left half done, then carries the learning-mode files and the history over
// to the current lists where they were written for other ones. Files written
// for lists that no known version matches stay as they are and load by
// position. A carry-over that cannot be written is said once and read from
// memory; files that nothing says the lists of are said once and neither
// read nor written. Either way the next start tries again.
StudyStateReading CarryOverStudyState(const CWordListSource& current, const QString& folder);

// Before Save writes learning-mode or history files: records in the
// signature file that they are written for the current lists. Returns the
// files that must not be written now: those held since the load, and, after
// telling the learner, all of them when the signature file cannot be
// written, or one that still holds records for another version of its list
// that could not be carried over at start (writing it by position would
// give those records to the wrong items). `dirtyLists` names, by list,
// those with a changed item.
QSet<QString> PrepareStateSave(const CDictionary& dic, const QString& folder,
                               const std::vector<bool>& dirtyLists);

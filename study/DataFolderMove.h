#pragma once

#include <QString>
#include <QStringList>

// The learner may keep the study data in a folder of their choice (a synced
// one, say). Moving it there copies every state file, checks each copy
// against its original, and only then names the new folder in the settings:
// that write is the commit point. The originals are removed after it.
//
// A journal written into both folders before anything changes says what
// the move does, so that a kill at any step leaves one complete set, in the
// folder the settings name, and the next start finishes or undoes the rest
// (FinishDataFolderMove): before the commit the chosen folder is put back
// as it was, after it the originals go.

struct DataFolderCheck {
    enum Verdict {
        kUsable,        // writable and free of another copy's files
        kSame,          // the folder the data is in now
        kMissing,       // not there, or no folder
        kNotWritable,   // no file can be made in it
        kInsideCurrent, // a folder inside the current one: it would move into itself
        kHoldsOtherSet, // another copy's state files are there: the learner says which to keep
    };
    Verdict m_verdict = kUsable;
    QString m_strReason; // for the learner; empty when usable
};

// What moving from `current` to `target` would meet.
DataFolderCheck CheckDataFolder(const QString& current, const QString& target);

// Which set of state files is used after the move when the target holds one
// already. The other is not lost: it is copied into a sub-folder of the
// target ("set-aside-<time>").
enum class KeptSet { kCurrent, kTheirs };

struct DataFolderMoveResult {
    bool m_bMoved = false; // the settings name the target: its files are the ones in use
    QString m_strSetAside; // the folder that holds the set not kept; empty when there was none
    QString m_strError;    // why it did not move; after a move, what the next start finishes
};

// Moves the study data from `current` to `target`. The caller has saved
// everything and holds off every save until this returns. When the target
// holds another set, `keep` says which one stays in use.
DataFolderMoveResult MoveDataFolder(const QString& current, const QString& target, KeptSet keep);

// At start, before anything in the folder is read: completes a move into it
// that was committed, or undoes one out of it that was not. A folder that
// cannot be reached now is left for a later start.
void FinishDataFolderMove(const QString& folder);

// The study-state files present in the folder (the lists' learning modes,
// the counts, the history, the reviews, the signatures, the lists of one's
// own, the backups and what a change left staged), as paths inside it.
// Nothing else in the folder is the program's to move or to count.
QStringList StateFilesIn(const QString& folder);

// Tests only: the next move or finish stops after this many file
// operations, as if the program had been killed there; -1 lets it run.
void SetDataFolderMoveStopForTesting(int steps);

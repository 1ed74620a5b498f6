#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// Files of a folder that must change together (a restore, a new list): the
// new ones are written into a staging sub-folder first, then a commit file
// that names every file to move into place and every file to remove. Until
// the commit file exists nothing outside the staging folder has changed;
// once it exists the change is finished, at the latest by the next start.
struct StagedChange {
    QHash<QString, QByteArray> m_writes; // file name in the folder -> content
    QStringList m_removals;              // file names in the folder
};

// The staging folder of the changes to the study state that span several
// files: a restore, and the changes to the lists of one's own.
inline const QString kStateStagingFolder = QStringLiteral("staged");

// Writes the change and carries it out; false, with the reason, when it
// stopped before the commit (nothing changed) or after it (the next
// FinishStagedFiles completes it).
bool CommitStagedFiles(const QString& folder, const QString& stagingName,
                       const StagedChange& change, QString& error);

// At start, before the folder's files are read: completes a change that was
// committed, throws away one that was not. False when a committed change
// could not be completed; its files are then left for the next try.
bool FinishStagedFiles(const QString& folder, const QString& stagingName);

// Tests only: the next commit or finish stops after this many file
// operations, as if the program had been killed there; -1 lets it run.
void SetStagedFilesStopForTesting(int steps);

#pragma once

#include "platform/FileFailure.h"
#include "platform/KillSteps.h"
#include "study/StateFileFormat.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// A carry-over rewrites several state files that only make sense together
// with the signature file. They are staged in the "carryover" sub-folder
// first; the staged signature file, written last, is the commit point. It
// names every staged file with its size and hash, and ends with a checksum
// of its own. From then on moving them into place can be repeated after any
// interruption: a moved file is no longer staged, the signature file moves
// last and its copy is written after it. Before that point nothing outside the staging folder has
// changed, so the staging is simply thrown away; so is a committed one that
// something damaged before any of its files moved.

// Counts the file operations of a carry-over, so that tests can end it
// anywhere, as a crash or a power cut would.
class CarryOverSteps : public KillSteps {
public:
    CarryOverSteps();
};

// What became of a staging.
struct StagingResult {
    enum Outcome {
        Ready,      // nothing is staged: none was, it is all in place, or it was thrown away
        Stopped,    // tests only: the run ended here, as if the program had died
        Failed,     // a file could not be staged or moved; m_failure says why
        Unknowable, // a damaged staging whose files had begun to move: all is left as it is
        Unmoved,    // committed, but the state files may not be written now; see m_pending
    };
    Outcome m_outcome = Ready;
    FileFailure m_failure;
    // Failed or Unmoved after the commit point: the staged files not yet in
    // place, to be read this run in their stead.
    QHash<QString, QByteArray> m_pending;
};

// The staging folder of the state folder.
QString StagingFolder(const QString& folder);

// Finishes or discards what an earlier run left staged. When the state
// files may not be written, it changes nothing and hands back what a
// committed staging would have moved.
StagingResult FinishStagedCarryOver(const QString& folder, CarryOverSteps& steps,
                                    bool mayWrite = true);

// Stages the files (name -> content) and the signature file, then moves
// them into place. Failed leaves everything outside the staging as it was.
StagingResult CommitCarryOver(const QString& folder, const QHash<QString, QByteArray>& files,
                              const StateSignatures& signatures);

// Writes the signature file and then its copy. A copy that cannot be
// written is removed rather than left behind with older word.
bool WriteSignatureFiles(const QString& folder, const QByteArray& content, FileFailure& failure);

// Tests only: the next carry-over stops after this many file operations, as
// if the program had died there; -1 lets it run to the end.
void SetCarryOverStopForTesting(int steps);

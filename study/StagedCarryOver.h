#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include "study/StateFileFormat.h"

// A carry-over rewrites several state files that only make sense together
// with the signature file. They are staged in the "carryover" sub-folder
// first; the staged signature file, written last, is the commit point. It
// names every staged file with its size and hash, and ends with a checksum
// of its own. From then on moving them into place can be repeated after any
// interruption: a moved file is no longer staged, and the signature file
// moves last. Before that point nothing outside the staging folder has
// changed, so the staging is simply thrown away; so is a committed one that
// something damaged before any of its files moved.

// Counts the file operations of a carry-over, so that tests can end it
// anywhere, as a crash or a power cut would.
class CarryOverSteps {
public:
    // False once the test's limit is reached: the run is then taken to have
    // ended there.
    bool Next();

private:
    int m_nDone = 0;
};

// Finishes or discards what an earlier run left staged. False when a staged
// carry-over is left that could not be finished or cleared.
bool FinishStagedCarryOver(const QString& folder, CarryOverSteps& steps);

// Stages the files (name -> content) and the signature file, then moves
// them into place. False when it stopped before the end.
bool CommitCarryOver(const QString& folder, const QHash<QString, QByteArray>& files,
                     const StateSignatures& signatures);

// Tests only: the next carry-over stops after this many file operations, as
// if the program had died there; -1 lets it run to the end.
void SetCarryOverStopForTesting(int steps);

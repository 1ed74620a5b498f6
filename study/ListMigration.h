#pragma once

#include <QString>

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
// would give those records to the wrong items).
bool PrepareStateSave(const CDictionary& dic, const QString& folder);

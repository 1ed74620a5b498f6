#pragma once

class CDictionary;
class QWidget;

// "学習データの書き出し" and "読み込み" from the windows. Both ask for the
// file and say what they did or why not; the caller has written the
// pending mode into the current item first.
void ExportStudyDataToFile(CDictionary& dic, QWidget* parent);

// Shows what the chosen export holds and what it replaces, and restores it
// only when the learner agrees, after a backup of the current state. True
// when the study data was replaced: every pointer to an item is gone, and
// the drill must start again.
bool RestoreStudyDataFromFile(CDictionary& dic, QWidget* parent);

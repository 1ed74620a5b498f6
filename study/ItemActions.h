#pragma once

#include <QStringList>
#include <QtGlobal>
#include <functional>

// What to do with an item picked in a list (the history or the search
// results). The action combo boxes list the texts in this order, and the
// selected row is the code.
enum ItemAction : int {
    AskEachTime = 0,
    StartDictation = 1,
    WebSearch = 2,
    SetKnown = 3,
    SetLearned = 4,
    SetLearning = 5,
    SetNoLearn = 6,
    SetUnspec = 7,
    CycleMode = 8,
};

inline constexpr int kItemActionCount = 9;

// The nine combo-box texts.
QStringList GetItemActionTexts();

// Runs when an action changed the item's mode: the list owner redraws the
// row and tells whoever shows the current question.
using ModeChangedHandler = std::function<void()>;

// Codes SetKnown to CycleMode on the item with that global index. A change to
// Unspec uses `cachedAverage`, filled from the study data the first time it is
// needed (-1 means not yet) and reused by later changes through the same list
// owner. True, after `modeChanged`, when the mode changed.
bool CarryOutModeAction(int action, int itemIndex, qint16& cachedAverage,
                        const ModeChangedHandler& modeChanged);

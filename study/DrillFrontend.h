#pragma once

#include "study/LearnMode.h"

#include <QString>
#include <optional>

// What the drill needs of a screen. The main window is one implementation;
// the tests use a recording one. Every call is a plain display order or a
// question to the learner: the drill keeps its own state and never reads it
// back from the screen.
class DrillFrontend {
public:
    virtual ~DrillFrontend() = default;

    // The panel shows this markup text, wrapped to its width.
    virtual void ShowPanelText(const QString& markup) = 0;
    // The mode buttons check the button of this mode and no other.
    virtual void ShowModeOnBar(LearnMode mode) = 0;
    // The answer button names what its next press shows.
    virtual void ShowAnswerCaption(bool questionSide) = 0;
    // The writing sheet is wiped.
    virtual void EraseWriting() = 0;
    // Today's dictation count.
    virtual void ShowTodayCount(int count) = 0;
    // The items due for review today; a screen without the count ignores it.
    virtual void ShowDueCount(int /*count*/) {}
    // "←戻る" can be pressed.
    virtual void SetBackEnabled(bool enabled) = 0;
    // Asks the learner which mode an answered question that is still
    // unspecified should get; no value when the learner cancelled.
    virtual std::optional<LearnMode> AskForMode() = 0;
    // A list on screen shows the item (a search result, say), so a mode
    // change of it has to be written at once and its row repainted.
    virtual bool IsItemListed(int itemIndex) const = 0;
    virtual void RepaintListedItem(int itemIndex) = 0;
    // The history list, modal: back when the learner closed it.
    virtual void ShowHistory() = 0;
    // The session ends: the screen keeps its placement for the next start.
    virtual void SavePlacement() = 0;
};

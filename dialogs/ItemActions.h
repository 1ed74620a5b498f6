#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

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

// Runs the action dialog owned by `owner` and gives the focus back to the
// window that had it. The chosen code, or AskEachTime when it was closed.
int AskForItemAction(QWidget* owner);

// Redraws the list row that shows the item.
using RowInvalidator = std::function<void()>;

// Codes SetKnown to CycleMode on the item with that global index. A change to
// Unspec uses `cachedAverage`, filled from the study data the first time it is
// needed (-1 means not yet) and reused by later changes through the same list
// owner. When the mode changed, the row is redrawn and, for the item of the
// current question, the main bar shows the new mode. True when it changed.
bool CarryOutModeAction(int action, int itemIndex, qint16& cachedAverage,
                        const RowInvalidator& invalidateRow);

// Opens the web search for the item's word.
void CarryOutWebSearch(int itemIndex, QWidget* owner);

// WebSearch and the mode codes; StartDictation belongs to the list owner, and
// AskEachTime or codes outside the table do nothing. True when something was
// carried out.
bool CarryOutItemAction(int action, int itemIndex, qint16& cachedAverage, QWidget* owner,
                        const RowInvalidator& invalidateRow);

// The web search opener: the default browser on the search URL with the
// word. Until one is installed a request does nothing.
using WebSearchHandler = std::function<void(const QString& word, QWidget* parent)>;
WebSearchHandler SetWebSearchHandler(WebSearchHandler handler);
void RequestWebSearch(const QString& word, QWidget* parent);

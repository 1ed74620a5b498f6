#pragma once

#include "study/ItemActions.h"

#include <QString>
#include <functional>

class QWidget;

// Asks the learner what to do with the selected item (its global index),
// over `owner`: the chosen code, or AskEachTime when the question was closed.
// The list's owner installs the dialog that asks.
using ActionAsker = std::function<int(QWidget* owner, int itemIndex)>;

// Opens the web search for the item's word.
void CarryOutWebSearch(int itemIndex, QWidget* owner);

// WebSearch and the mode codes; StartDictation belongs to the list owner, and
// AskEachTime or codes outside the table do nothing. True when something was
// carried out.
bool CarryOutItemAction(int action, int itemIndex, qint16& cachedAverage, QWidget* owner,
                        const ModeChangedHandler& modeChanged);

// The web search opener: the default browser on the search URL with the
// word. Until one is installed a request does nothing.
using WebSearchHandler = std::function<void(const QString& word, QWidget* parent)>;
WebSearchHandler SetWebSearchHandler(WebSearchHandler handler);
void RequestWebSearch(const QString& word, QWidget* parent);

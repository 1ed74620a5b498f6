#include "widgets/ItemActionRunner.h"

#include "study/CDictionary.h"
#include "study/CItem.h"

namespace {

WebSearchHandler& CurrentWebSearch()
{
    static WebSearchHandler handler;
    return handler;
}

} // namespace

void CarryOutWebSearch(int itemIndex, QWidget* owner)
{
    CDictionary* dictionary = CDictionary::GetInstance();
    if (CDictionary::CItem* item = dictionary ? dictionary->GetItem(itemIndex) : nullptr)
        RequestWebSearch(item->GetWord(), owner);
}

bool CarryOutItemAction(int action, int itemIndex, qint16& cachedAverage, QWidget* owner,
                        const ModeChangedHandler& modeChanged)
{
    if (action == WebSearch) {
        CarryOutWebSearch(itemIndex, owner);
        return true;
    }
    if (action >= SetKnown && action <= CycleMode)
        return CarryOutModeAction(action, itemIndex, cachedAverage, modeChanged);
    return false;
}

WebSearchHandler SetWebSearchHandler(WebSearchHandler handler)
{
    WebSearchHandler previous = std::move(CurrentWebSearch());
    CurrentWebSearch() = std::move(handler);
    return previous;
}

void RequestWebSearch(const QString& word, QWidget* parent)
{
    if (const WebSearchHandler& handler = CurrentWebSearch())
        handler(word, parent);
}

#include "dialogs/ItemActions.h"

#include "dialogs/CActionDialog.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/LearnMode.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <optional>

namespace {

WebSearchHandler& CurrentWebSearch()
{
    static WebSearchHandler handler;
    return handler;
}

// The mode the action files the item under; no value for nothing to do.
std::optional<LearnMode> TargetOf(int action, int currentMode)
{
    switch (action) {
    case SetKnown:
        return Known;
    case SetLearned:
        return Learned;
    case SetLearning:
        return Learning;
    case SetNoLearn:
        return NoLearn;
    case SetUnspec:
        return Unspec;
    case CycleMode:
        switch (currentMode) {
        case Unspec:
            return Known;
        case Known:
            return Learned;
        case Learned:
            return Learning;
        case Learning:
            return NoLearn;
        case NoLearn:
            return Unspec;
        default:
            return std::nullopt;
        }
    default:
        return std::nullopt;
    }
}

} // namespace

QStringList GetItemActionTexts()
{
    return {
        QStringLiteral("その場で動作選択"),   QStringLiteral("書き取りを開始"),
        QStringLiteral("語句をネット検索"),   QStringLiteral("「知ってる」に変更"),
        QStringLiteral("「覚えた」　に変更"), QStringLiteral("「覚えたい」に変更"),
        QStringLiteral("「覚えない」に変更"), QStringLiteral("「指定なし」に変更"),
        QStringLiteral("モード順次変更"),
    };
}

int AskForItemAction(QWidget* owner)
{
    QPointer<QWidget> focus = QApplication::focusWidget();
    int action = AskEachTime;
    {
        CActionDialog dialog(owner);
        if (dialog.exec() == QDialog::Accepted)
            action = dialog.m_nAction;
    }
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    return action;
}

bool CarryOutModeAction(int action, int itemIndex, qint16& cachedAverage,
                        const ModeChangedHandler& modeChanged)
{
    CDictionary* dictionary = CDictionary::GetInstance();
    CDictionary::CItem* item = dictionary ? dictionary->GetItem(itemIndex) : nullptr;
    if (!item)
        return false;
    const std::optional<LearnMode> target = TargetOf(action, item->m_nMode);
    if (!target || !dictionary->SetItemMode(*item, *target, cachedAverage))
        return false;
    if (modeChanged)
        modeChanged();
    return true;
}

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

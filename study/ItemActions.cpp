#include "study/ItemActions.h"

#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/LearnMode.h"

#include <optional>

namespace {

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

#include "study/ItemActions.h"

#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/LearnMode.h"

namespace {

struct ModeTarget {
    int m_nMode = -1; // -1: nothing to do
    bool m_bUseAverage = false;
};

ModeTarget TargetOf(int action, int currentMode)
{
    switch (action) {
    case SetKnown:
        return {Known, false};
    case SetLearned:
        return {Learned, false};
    case SetLearning:
        return {Learning, false};
    case SetNoLearn:
        return {NoLearn, false};
    case SetUnspec:
        return {Unspec, true};
    case CycleMode:
        switch (currentMode) {
        case Unspec:
            return {Known, false};
        case Known:
            return {Learned, false};
        case Learned:
            return {Learning, false};
        case Learning:
            return {NoLearn, false};
        case NoLearn:
            return {Unspec, true};
        default:
            return {};
        }
    default:
        return {};
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
    const ModeTarget target = TargetOf(action, item->m_nMode);
    if (target.m_nMode < 0)
        return false;
    qint16 askCount = -1;
    if (target.m_bUseAverage) {
        if (cachedAverage == -1)
            cachedAverage = dictionary->GetAverageUnspecCount();
        askCount = cachedAverage;
    }
    if (!item->SetMode(static_cast<qint16>(target.m_nMode), askCount))
        return false;
    if (modeChanged)
        modeChanged();
    return true;
}

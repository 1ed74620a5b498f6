#include "study/ItemActions.h"

#include "dialogs/CActionDialog.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/LearnMode.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace {

WebSearchHandler& CurrentWebSearch()
{
    static WebSearchHandler handler;
    return handler;
}

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

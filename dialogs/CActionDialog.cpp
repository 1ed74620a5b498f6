#include "dialogs/CActionDialog.h"

#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ItemActions.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace {

struct ActionButton {
    int m_nId;
    int m_nY;
    const char* m_pszCaption;
    int m_nAction;
};

constexpr ActionButton kButtons[] = {
    {kIdStartDictation, 6, "書き取りを開始", StartDictation},
    {kIdWebSearch, 36, "語句をネット検索", WebSearch},
    {kIdModeFirst, 66, "「知ってる」に変更", SetKnown},
    {kIdModeFirst + 1, 96, "「覚えた」に変更", SetLearned},
    {kIdModeFirst + 2, 126, "「覚えたい」に変更", SetLearning},
    {kIdModeFirst + 3, 156, "「覚えない」に変更", SetNoLearn},
    {kIdModeFirst + 4, 186, "「指定なし」に変更", SetUnspec},
};

// Two lines for the item the actions apply to, above the buttons, which move
// down by them.
constexpr int kSubjectHeight = 20;
constexpr int kButtonsTop = kSubjectHeight + 4;

} // namespace

CActionDialog::CActionDialog(QWidget* parent, const QString& subject) : QDialog(parent)
{
    setObjectName(QString::number(kTemplateAction));
    setWindowTitle(QStringLiteral("どうしますか？"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(GetDialogFont(QStringLiteral("MS Shell Dlg"), 8));
    const int top = subject.isEmpty() ? 0 : kButtonsTop;
    setFixedSize(MapDialogRect(this, QRect(0, 0, 181, 218 + top)).size());
    if (!subject.isEmpty()) {
        auto* label = new QLabel(subject, this);
        label->setObjectName(QStringLiteral("subject"));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        PlaceControl(label, 6, 6, 168, kSubjectHeight);
    }
    for (const ActionButton& entry : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(entry.m_pszCaption), this);
        button->setObjectName(QString::number(entry.m_nId));
        button->setAutoDefault(false);
        PlaceControl(button, 6, entry.m_nY + top, 168, 24);
        const int action = entry.m_nAction;
        connect(button, &QPushButton::clicked, this, [this, action] {
            m_nAction = action;
            accept();
        });
    }
}

void CActionDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QWidget* first = findChild<QWidget*>(QString::number(kIdStartDictation)))
        first->setFocus(Qt::OtherFocusReason);
}

int AskForItemAction(QWidget* owner, int itemIndex)
{
    QPointer<QWidget> focus = QApplication::focusWidget();
    QString subject;
    CDictionary* dictionary = itemIndex >= 0 ? CDictionary::GetInstance() : nullptr;
    if (const CDictionary::CItem* item = dictionary ? dictionary->GetItem(itemIndex) : nullptr)
        subject = QStringLiteral("%1（%2）").arg(item->GetWord(), item->GetReading());
    int action = AskEachTime;
    {
        CActionDialog dialog(owner, subject);
        if (dialog.exec() == QDialog::Accepted)
            action = dialog.m_nAction;
    }
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    return action;
}

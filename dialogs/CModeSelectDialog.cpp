#include "dialogs/CModeSelectDialog.h"

#include "platform/DialogUnits.h"
#include "study/LearnMode.h"

namespace {

struct ModeChoice {
    int m_nX;
    int m_nY;
    int m_nWidth;
    const char* m_pszCaption;
    int m_nMode;
    int m_nPicture;
};

constexpr ModeChoice kChoices[] = {
    {30, 6, 60, "知ってる", Known, 150},          {30, 30, 60, "覚えた", Learned, 152},
    {30, 54, 60, "覚えたい", Learning, 154},      {30, 78, 60, "覚えない", NoLearn, 156},
    {24, 102, 72, "指定なしのまま", Unspec, 150},
};

} // namespace

CModeSelectDialog::CModeSelectDialog(QWidget* parent) : CBaseDialog(172, parent)
{
    setObjectName(QStringLiteral("172"));
    setWindowTitle(QStringLiteral("どのモードにしますか？"));
    SetTemplateSize(117, 128);
    for (int k = 0; k < 5; ++k) {
        const ModeChoice& choice = kChoices[k];
        auto* button = new CModeButton(QString::fromUtf8(choice.m_pszCaption), this);
        button->setObjectName(QString::number(1000 + k));
        button->setAutoDefault(false);
        button->setGeometry(
            MapDialogRect(this, QRect(choice.m_nX, choice.m_nY, choice.m_nWidth, 18)));
        button->LoadBitmaps(choice.m_nPicture, 158);
        button->m_bChecked = true;
        const int mode = choice.m_nMode;
        connect(button, &QPushButton::clicked, this, [this, mode] {
            m_nMode = mode;
            accept();
        });
        m_btnMode[k] = button;
    }
}

void CModeSelectDialog::showEvent(QShowEvent* event)
{
    CBaseDialog::showEvent(event);
    m_btnMode[0]->setFocus(Qt::OtherFocusReason);
}

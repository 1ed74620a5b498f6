#include "dialogs/CModeSelectDialog.h"

#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "study/ModeTable.h"

#include <QLabel>

namespace {

// Places in the template; the last button keeps its mode's colours under
// its own caption.
struct Place {
    int m_nX;
    int m_nY;
    int m_nWidth;
};
constexpr Place kPlaces[] = {{30, 6, 60}, {30, 30, 60}, {30, 54, 60}, {30, 78, 60}, {24, 102, 72}};

// The question also stands above the buttons: window managers cut a title
// this long short. The buttons move down by its line.
constexpr int kQuestionHeight = 10;
constexpr int kQuestionGap = 6;
constexpr int kButtonsTop = kQuestionHeight + kQuestionGap;

} // namespace

CModeSelectDialog::CModeSelectDialog(QWidget* parent) : CBaseDialog(kTemplateModeSelect, parent)
{
    setObjectName(QString::number(kTemplateModeSelect));
    const QString question = QStringLiteral("どのモードにしますか？");
    setWindowTitle(question);
    SetTemplateSize(117, 128 + kButtonsTop);
    auto* label = new QLabel(question, this);
    label->setObjectName(QStringLiteral("question"));
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(MapDialogRect(this, QRect(6, 6, 105, kQuestionHeight)));
    for (int k = 0; k < 5; ++k) {
        const Place& place = kPlaces[k];
        const ModeInfo& mode = kModeTable[k];
        const QString caption = mode.m_nMode == Unspec ? QStringLiteral("指定なしのまま")
                                                       : QString::fromUtf16(mode.m_caption);
        auto* button = new CModeButton(caption, this);
        button->setObjectName(QString::number(kIdModeFirst + k));
        button->setAutoDefault(false);
        button->setGeometry(
            MapDialogRect(this, QRect(place.m_nX, place.m_nY + kButtonsTop, place.m_nWidth, 18)));
        button->LoadBitmaps(mode.m_nPictureOn, kPictureModeOff);
        button->m_bChecked = true;
        connect(button, &QPushButton::clicked, this, [this, value = mode.m_nMode] {
            m_nMode = value;
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

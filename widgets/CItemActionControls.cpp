#include "widgets/CItemActionControls.h"

#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "platform/Settings.h"
#include "study/ModeTable.h"
#include "widgets/CDeferWindowPos.h"
#include "widgets/CItemListBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

CItemActionControls::CItemActionControls(QWidget* owner, CItemListBox* list,
                                         const IntSetting& actionSetting, const Template& place)
    : QObject(owner), m_pList(list), m_pOwner(owner), m_actionSetting(actionSetting), m_place(place)
{
    for (int k = 0; k < 5; ++k) {
        m_btnMode[k] = new CModeButton(QString::fromUtf16(kModeTable[k].m_caption), owner);
        m_btnMode[k]->setObjectName(QString::number(kIdFilterFirst + k));
        PlaceControl(m_btnMode[k], 6 + 36 * k, place.m_nFilterTop, 36, 18);
        m_btnMode[k]->setAutoDefault(false);
    }
    // Alt+L: the frame's accelerator table takes no Alt keys.
    m_pLeechesOnly = new QCheckBox(QStringLiteral("何度も忘れた語だけ(&L)"), owner);
    m_pLeechesOnly->setObjectName(QString::number(kIdLeechFilter));
    m_pLeechesOnly->setToolTip(QStringLiteral("復習で8回以上忘れた語だけを表示します"));
    PlaceControl(m_pLeechesOnly, 6, place.m_nLeechTop, 180, 10);
    m_pList->setObjectName(QString::number(kIdItemList));
    PlaceControl(m_pList, 6, place.m_nListTop, 180, place.m_nListHeight);

    m_pAction = new QComboBox(owner);
    m_pAction->setObjectName(QString::number(kIdActionCombo));
    // The template height includes the dropped-down list; the closed box
    // keeps the height of one line.
    PlaceControl(m_pAction, 6, place.m_nActionTop, 114, 14);
    m_pAction->setFixedHeight(m_pAction->sizeHint().height());

    m_pExecute = new QPushButton(QStringLiteral("実行"), owner);
    m_pExecute->setObjectName(QString::number(kIdExecute));
    m_pExecute->setAutoDefault(false);
    PlaceControl(m_pExecute, 126, place.m_nExecuteTop, 60, 18);

    QWidget* previous = m_btnMode[0];
    for (int k = 1; k < 5; ++k) {
        QWidget::setTabOrder(previous, m_btnMode[k]);
        previous = m_btnMode[k];
    }
    QWidget::setTabOrder(previous, m_pLeechesOnly);
    QWidget::setTabOrder(m_pLeechesOnly, m_pList);
    QWidget::setTabOrder(m_pList, m_pAction);
    QWidget::setTabOrder(m_pAction, m_pExecute);

    for (int k = 0; k < 5; ++k)
        connect(m_btnMode[k], &QPushButton::clicked, this, [this, k] { emit FilterClicked(k); });
    connect(m_pLeechesOnly, &QCheckBox::toggled, this, &CItemActionControls::LeechFilterToggled);
    connect(m_pAction, &QComboBox::activated, this,
            [this](int row) { WriteProfileInt(m_actionSetting, row); });
    connect(m_pExecute, &QPushButton::clicked, this, &CItemActionControls::ExecuteRequested);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &CItemActionControls::ExecuteRequested);
}

void CItemActionControls::Init()
{
    for (int k = 0; k < 5; ++k)
        m_btnMode[k]->LoadBitmaps(kModeTable[k].m_nFilterPictureOn, kPictureFilterOff);
    m_pList->InitList();
    m_pAction->clear();
    m_pAction->addItems(GetItemActionTexts());
    const int action = GetProfileInt(m_actionSetting);
    m_pAction->setCurrentIndex(action >= 0 && action < kItemActionCount ? action : -1);
}

bool CItemActionControls::ChooseAction(int& row, int& action) const
{
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty())
        return false;
    row = m_pList->row(selected.first());
    action = m_pAction->currentIndex();
    if (action == AskEachTime)
        action = m_askAction ? m_askAction(m_pOwner, m_pList->GetRowItem(row)) : int(AskEachTime);
    return action != AskEachTime;
}

void CItemActionControls::CarryOut(int action, int row, qint16& cachedAverage)
{
    const int index = m_pList->GetRowItem(row);
    CarryOutItemAction(action, index, cachedAverage, m_pOwner, [this, row, index] {
        m_pList->InvalidateRow(row);
        emit ItemModeChanged(index);
    });
}

void CItemActionControls::Place(QSize size, QSize scale) const
{
    const auto dx = [&scale](int k) { return scale.width() * k / 100; };
    const auto dy = [&scale](int k) { return scale.height() * k / 100; };
    const int cx = size.width();
    const int cy = size.height();
    // An owner shorter than its fixed controls gives the list no height
    // rather than a negative one, so the other controls still move.
    CDeferWindowPos batch;
    batch.Begin(3);
    batch.Move(m_pList, dx(6), dy(m_place.m_nListTop), qMax(0, cx - dx(12)),
               qMax(0, cy - dy(m_place.m_nListTop + m_place.m_nListBottomMargin)));
    batch.Move(m_pAction, dx(6), cy - dy(21), qMax(0, cx - dx(78)), m_pAction->height());
    batch.Move(m_pExecute, cx - dx(66), cy - dy(24), m_pExecute->width(), m_pExecute->height());
    batch.End();
}

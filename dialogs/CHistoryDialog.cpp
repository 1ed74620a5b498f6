#include "dialogs/CHistoryDialog.h"

#include "dialogs/CDeferWindowPos.h"
#include "dialogs/ItemActions.h"
#include "platform/Bitmaps.h"
#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "platform/Settings.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ModeTable.h"
#include "text/CHistoryListBox.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QWindow>

namespace {

int ViewFlag(const CDictionary* dictionary, int k)
{
    switch (k) {
    case 0:
        return dictionary->m_bViewKnown;
    case 1:
        return dictionary->m_bViewLearned;
    case 2:
        return dictionary->m_bViewLearning;
    case 3:
        return dictionary->m_bViewNoLearn;
    default:
        return dictionary->m_bViewUnspec;
    }
}

} // namespace

CHistoryDialog::CHistoryDialog(QWidget* parent) : CBaseDialog(kTemplateId, parent)
{
    setWindowTitle(QStringLiteral("出題履歴"));
    setWindowIcon(LoadIcon(kPictureHistoryIcon));
    SetResizable(true);
    SetTemplateSize(195, 236);

    for (int k = 0; k < 5; ++k) {
        m_btnMode[k] = new CModeButton(QString::fromUtf16(kModeTable[k].m_caption), this);
        m_btnMode[k]->setObjectName(QString::number(kIdFilterFirst + k));
        PlaceControl(m_btnMode[k], 6 + 36 * k, 6, 36, 18);
        m_btnMode[k]->setAutoDefault(false);
    }
    m_listHistory = new CHistoryListBox(this);
    m_listHistory->setObjectName(QString::number(kIdItemList));
    PlaceControl(m_listHistory, 6, 30, 180, 174);

    m_comboAction = new QComboBox(this);
    m_comboAction->setObjectName(QString::number(kIdActionCombo));
    // The template height includes the dropped-down list.
    PlaceControl(m_comboAction, 6, 213, 114, 14);
    m_comboAction->setFixedHeight(m_comboAction->sizeHint().height());

    m_pExecute = new QPushButton(QStringLiteral("実行"), this);
    m_pExecute->setObjectName(QString::number(kIdExecute));
    m_pExecute->setDefault(true);
    PlaceControl(m_pExecute, 126, 210, 60, 18);

    QWidget* previous = m_btnMode[0];
    for (int k = 1; k < 5; ++k) {
        setTabOrder(previous, m_btnMode[k]);
        previous = m_btnMode[k];
    }
    setTabOrder(previous, m_listHistory);
    setTabOrder(m_listHistory, m_comboAction);
    setTabOrder(m_comboAction, m_pExecute);

    const QSize scale = DialogUnitScale();
    setMinimumSize(192 * scale.width() / 100, 72 * scale.height() / 100);

    const int width = GetProfileInt(Setting::HWinWidth);
    const int height = GetProfileInt(Setting::HWinHeight);
    if (width > 0)
        resize(width, height); // the frame's margins are taken off when shown

    for (int k = 0; k < 5; ++k)
        m_btnMode[k]->LoadBitmaps(kModeTable[k].m_nFilterPictureOn, kPictureFilterOff);
    m_listHistory->InitList();

    m_comboAction->addItems(GetItemActionTexts());
    const int action = GetProfileInt(Setting::HistoryAction);
    m_comboAction->setCurrentIndex(action >= 0 && action < kItemActionCount ? action : -1);

    const CDictionary* dictionary = CDictionary::GetInstance();
    for (int k = 0; k < 5; ++k) {
        m_btnMode[k]->m_bChecked = ViewFlag(dictionary, k) != 0;
        m_btnMode[k]->update();
    }

    for (int k = 0; k < 5; ++k)
        connect(m_btnMode[k], &QPushButton::clicked, this, [this, k] { OnFilterClicked(k); });
    connect(m_comboAction, &QComboBox::activated, this,
            [](int row) { WriteProfileInt(Setting::HistoryAction, row); });
    connect(m_pExecute, &QPushButton::clicked, this, &CHistoryDialog::Execute);
    connect(m_listHistory, &QListWidget::itemDoubleClicked, this, [this] { Execute(); });
    m_listHistory->installEventFilter(this);

    FillList();
}

CHistoryDialog::~CHistoryDialog() = default;

QSize CHistoryDialog::DialogUnitScale() const
{
    const QRect units = MapDialogRect(this, QRect(0, 0, 100, 100));
    if (units.width() <= 0 || units.height() <= 0)
        return QSize(2, 2);
    return units.size();
}

void CHistoryDialog::FillList()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    dictionary->GetFilteredHistory(m_arrPositions);
    const int current = dictionary->m_nHistPos;
    m_listHistory->m_nMarkerKey = current;
    m_listHistory->clear();
    int currentRow = -1;
    for (qsizetype i = m_arrPositions.size() - 1; i >= 0; --i) {
        const int pos = m_arrPositions.at(i);
        // A record whose item no longer exists has nothing to show or act on.
        const CDictionary::CItem* item =
            dictionary->GetItem(dictionary->GetHistoryRecord(pos).m_nIndex);
        if (!item)
            continue;
        const int row = m_listHistory->AddRow(item->GetWord(), pos);
        if (pos == current)
            currentRow = row;
    }
    if (m_listHistory->count() > 0)
        m_listHistory->setCurrentRow(currentRow >= 0 ? currentRow : 0);
}

void CHistoryDialog::OnFilterClicked(int k)
{
    if (k < 0 || k >= 5)
        return;
    CModeButton* button = m_btnMode[k];
    button->m_bChecked = !button->m_bChecked;
    button->update();
    WriteProfileInt(*kModeTable[k].m_pFilterSetting, button->m_bChecked ? 1 : 0);
    CDictionary::GetInstance()->LoadHistoryFilter();
    FillList();
}

void CHistoryDialog::Execute()
{
    const QList<QListWidgetItem*> selected = m_listHistory->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = m_listHistory->row(selected.first());
    int action = m_comboAction->currentIndex();
    if (action == AskEachTime) {
        action = AskForItemAction(this);
        if (action == AskEachTime)
            return;
    }
    if (action == StartDictation) {
        CDictionary* dictionary = CDictionary::GetInstance();
        const int pos = m_listHistory->GetRowKey(row);
        if (pos != dictionary->m_nHistPos) {
            if (pos >= 0 && pos < dictionary->GetHistoryCount())
                dictionary->SetHistoryPos(pos);
            emit ShowQuestionRequested(dictionary->GetCurrentHistoryItem(), false);
        }
        reject();
        return;
    }
    const int index = m_listHistory->GetRowItem(row);
    CarryOutItemAction(action, index, m_nUnspecAskCount, this, [this, row, index] {
        m_listHistory->InvalidateRow(row);
        emit ItemModeChanged(index);
    });
}

bool CHistoryDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_listHistory && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        Execute();
        return true;
    }
    return CBaseDialog::eventFilter(watched, event);
}

void CHistoryDialog::showEvent(QShowEvent* event)
{
    CBaseDialog::showEvent(event);
    m_bSizeSaved = false;
    if (m_bSizeRestored)
        return;
    m_bSizeRestored = true;
    const int width = GetProfileInt(Setting::HWinWidth);
    const int height = GetProfileInt(Setting::HWinHeight);
    if (width <= 0)
        return;
    // The stored size is the outer one; the window's frame is known now.
    const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    resize(width - margins.left() - margins.right(), height - margins.top() - margins.bottom());
    if (QWidget* owner = parentWidget()) {
        const QRect ownerRect = owner->window()->frameGeometry();
        QRect rect = frameGeometry();
        rect.moveCenter(ownerRect.center());
        move(rect.topLeft());
    }
}

void CHistoryDialog::resizeEvent(QResizeEvent* event)
{
    CBaseDialog::resizeEvent(event);
    if (!m_listHistory)
        return;
    const QSize scale = DialogUnitScale();
    const int a = scale.width();
    const int b = scale.height();
    const int cx = width();
    const int cy = height();
    CDeferWindowPos batch;
    batch.Begin(3);
    batch.Move(m_listHistory, 6 * a / 100, 30 * b / 100, qMax(0, cx - 12 * a / 100),
               qMax(0, cy - 60 * b / 100));
    batch.Move(m_comboAction, 6 * a / 100, cy - 21 * b / 100, qMax(0, cx - 78 * a / 100),
               m_comboAction->height());
    batch.Move(m_pExecute, cx - 66 * a / 100, cy - 24 * b / 100, m_pExecute->width(),
               m_pExecute->height());
    batch.End();
}

void CHistoryDialog::SaveSize()
{
    if (m_bSizeSaved)
        return;
    m_bSizeSaved = true;
    const QRect outer = frameGeometry();
    WriteProfileInt(Setting::HWinWidth, outer.width());
    WriteProfileInt(Setting::HWinHeight, outer.height());
}

void CHistoryDialog::done(int result)
{
    SaveSize();
    CBaseDialog::done(result);
}

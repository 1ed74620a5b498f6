#include "dialogs/CHistoryDialog.h"

#include "dialogs/CActionDialog.h"
#include "platform/Bitmaps.h"
#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "platform/ScreenFit.h"
#include "platform/Settings.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ItemActions.h"
#include "study/ModeTable.h"
#include "widgets/CHistoryListBox.h"
#include "widgets/CItemActionControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QWindow>

CHistoryDialog::CHistoryDialog(QWidget* parent) : CBaseDialog(kTemplateHistory, parent)
{
    setWindowTitle(QStringLiteral("出題履歴"));
    setWindowIcon(LoadIcon(kPictureHistoryIcon));
    SetResizable(true);
    SetTemplateSize(195, 236);

    m_listHistory = new CHistoryListBox(this);
    m_pActions = new CItemActionControls(this, m_listHistory, Setting::HistoryAction,
                                         {6, 40, 164, 213, 210, 30, 27});
    m_btnMode = m_pActions->m_btnMode;
    m_comboAction = m_pActions->m_pAction;
    m_pExecute = m_pActions->m_pExecute;
    m_pExecute->setDefault(true);

    const QSize scale = DialogUnitScale();
    // Room for a row of the list below the filters.
    setMinimumSize(192 * scale.width() / 100, 84 * scale.height() / 100);

    const int width = GetProfileInt(Setting::HWinWidth);
    const int height = GetProfileInt(Setting::HWinHeight);
    if (width > 0) // the frame's margins are taken off when shown
        resize(FitSizeToScreens(QSize(width, height), minimumSize(), size()));

    m_pActions->SetActionAsker(&AskForItemAction);
    m_pActions->Init();

    const CDictionary* dictionary = CDictionary::GetInstance();
    for (int k = 0; k < kLearnModeCount; ++k) {
        m_btnMode[k]->m_bChecked = dictionary->ViewFlag(kModeTable[k].m_nMode) != 0;
        m_btnMode[k]->update();
    }

    connect(m_pActions, &CItemActionControls::FilterClicked, this,
            &CHistoryDialog::OnFilterClicked);
    connect(m_pActions, &CItemActionControls::ExecuteRequested, this, &CHistoryDialog::Execute);
    connect(m_pActions, &CItemActionControls::LeechFilterToggled, this, &CHistoryDialog::FillList);
    connect(m_pActions, &CItemActionControls::ItemModeChanged, this,
            &CHistoryDialog::ItemModeChanged);
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
    const bool leechesOnly = m_pActions->m_pLeechesOnly->isChecked();
    for (qsizetype i = m_arrPositions.size() - 1; i >= 0; --i) {
        const int pos = m_arrPositions.at(i);
        // A record whose item no longer exists has nothing to show or act on.
        const CDictionary::CHistInfo record = dictionary->GetHistoryRecord(pos);
        const CDictionary::CItem* item = dictionary->GetItem(record.m_nIndex);
        if (!item || (leechesOnly && !dictionary->IsLeech(record.m_nIndex)))
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
    int row = -1;
    int action = AskEachTime;
    if (!m_pActions->ChooseAction(row, action))
        return;
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
    m_pActions->CarryOut(action, row, m_nUnspecAskCount);
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
    const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
    resize(FitSizeToScreens(QSize(width, height), minimumSize() + frame, size() + frame) - frame);
    if (QWidget* owner = parentWidget()) {
        const QRect ownerRect = owner->window()->frameGeometry();
        QRect rect = frameGeometry();
        rect.moveCenter(ownerRect.center());
        // A large dialog centred on a small or half-hidden owner would
        // stand partly off the screen.
        move(KeepOnScreen(rect));
    }
}

void CHistoryDialog::resizeEvent(QResizeEvent* event)
{
    CBaseDialog::resizeEvent(event);
    if (m_pActions)
        m_pActions->Place(size(), DialogUnitScale());
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

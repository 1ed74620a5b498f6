#include "widgets/CSearchDialogBar.h"

#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "platform/Settings.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "text/RomajiConversion.h"
#include "widgets/CItemActionControls.h"
#include "widgets/CSearchListBox.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CSearchDialogBar::CSearchDialogBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::number(kIdSearchBar));
    setAutoFillBackground(true);
    setFont(GetDialogFont(QStringLiteral("MS Shell Dlg"), 8));

    m_pClose = new QPushButton(QStringLiteral("x"), this);
    m_pClose->setObjectName(QString::number(kIdCloseSearch));
    PlaceControl(m_pClose, 179, 2, 13, 12);

    auto* caption = new QLabel(QStringLiteral("検索する文字列 および モード"), this);
    PlaceControl(caption, 6, 6, 96, 8);
    caption->adjustSize(); // the template's 96 units are narrow for some faces

    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QString::number(kIdSearchText));
    PlaceControl(m_pEdit, 6, 18, 180, 14);

    m_wndList = new CSearchListBox(this);
    m_pActions = new CItemActionControls(this, m_wndList, Setting::SearchAction,
                                         {36, 82, 98, 189, 186, 30, 57});
    m_btnMode = m_pActions->m_btnMode;
    m_wndAction = m_pActions->m_pAction;
    m_pExecute = m_pActions->m_pExecute;

    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QString::number(kIdSearchStatus));
    m_pStatus->setAlignment(Qt::AlignCenter);
    PlaceControl(m_pStatus, 6, 70, 168, 8);
    m_pStatus->setFixedHeight(qMax(m_pStatus->height(), m_pStatus->sizeHint().height()));

    setTabOrder(m_pClose, m_pEdit);
    setTabOrder(m_pEdit, m_btnMode[0]);

    // Focus given to the bar goes on to the search text.
    setFocusProxy(m_pEdit);

    m_timer.setSingleShot(false);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CSearchDialogBar::OnTimer);
    connect(m_pClose, &QPushButton::clicked, this, &CSearchDialogBar::CloseRequested);
    connect(m_pEdit, &QLineEdit::textChanged, this, &CSearchDialogBar::OnQueryChanged);
    connect(m_pActions, &CItemActionControls::FilterClicked, this,
            [this](int k) { ToggleModeFilter(kCmdSearchFilterKnown + k); });
    connect(m_pActions, &CItemActionControls::LeechFilterToggled, this, [this](bool on) {
        m_search.SetLeechesOnly(on);
        m_timer.start(kSearchDelayMs);
    });
    connect(m_pActions, &CItemActionControls::ExecuteRequested, this,
            &CSearchDialogBar::ExecuteAction);
    connect(m_pActions, &CItemActionControls::ItemModeChanged, this,
            &CSearchDialogBar::ItemModeChanged);
    connect(m_pEdit, &QLineEdit::returnPressed, this, [this] {
        if (m_timer.isActive())
            OnTimer();
    });
    m_wndList->installEventFilter(this);
    m_pEdit->installEventFilter(this);

    resize(sizeHint());
}

CSearchDialogBar::~CSearchDialogBar() = default;

QSize CSearchDialogBar::sizeHint() const
{
    return MapDialogRect(this, QRect(0, 0, 194, 212)).size();
}

void CSearchDialogBar::InitBar()
{
    m_pActions->Init();
    m_wndAction->addItems({QStringLiteral("単語リスト..."),
                           QStringLiteral("学習データの書き出し..."),
                           QStringLiteral("学習データの読み込み...")});
    const int action = GetProfileInt(Setting::SearchAction);
    if (action >= kActionOwnLists && action <= kActionRestore)
        m_wndAction->setCurrentIndex(action);
}

static_assert(CSearchDialogBar::kActionOwnLists == kItemActionCount);

void CSearchDialogBar::SearchAgain()
{
    m_nUnspecAskCount = -1;
    m_search.SearchAllNext();
    OnTimer();
}

void CSearchDialogBar::SetActionAsker(ActionAsker asker)
{
    m_pActions->SetActionAsker(std::move(asker));
}

void CSearchDialogBar::OnQueryChanged(const QString& text)
{
    m_search.SetQuery(RomajiToKana(text));
    // A letter still waiting for its vowel changes nothing yet.
    if (m_search.Query() != m_search.LastQuery())
        m_timer.start(kSearchDelayMs);
}

void CSearchDialogBar::ToggleModeFilter(int id)
{
    const int k = id - kCmdSearchFilterKnown;
    if (k < 0 || k >= 5)
        return;
    m_search.ToggleFilter(k);
    CModeButton* button = m_btnMode[k];
    button->m_bChecked = m_search.Filter(k);
    button->update();
    m_timer.start(kSearchDelayMs);
}

void CSearchDialogBar::OnTimer()
{
    m_timer.stop();
    m_pStatus->setText(QStringLiteral("（検索中・・・）"));
    m_pStatus->repaint();
    if (m_search.HasCriteria())
        emit CommitModeRequested();
    m_search.Run(*CDictionary::GetInstance());
    ShowResults();
}

void CSearchDialogBar::ShowResults()
{
    const QList<int>& results = m_search.Results();
    const qsizetype n = results.size();
    if (n >= kMaxResults)
        m_pStatus->setText(QStringLiteral("検索結果が多すぎます (%1個まで表示)").arg(kMaxResults));
    else if (n > 0)
        m_pStatus->setText(QStringLiteral("%1 個見つかりました").arg(n));
    else if (m_search.HasCriteria())
        m_pStatus->setText(QStringLiteral("見つかりませんでした"));
    else
        m_pStatus->clear();

    CDictionary* dictionary = CDictionary::GetInstance();
    m_wndList->setUpdatesEnabled(false);
    m_wndList->clear();
    for (int index : results) {
        const CDictionary::CItem* item = dictionary->GetItem(index);
        m_wndList->AddRow(item ? item->GetWord() : QString(), index);
    }
    m_wndList->setUpdatesEnabled(true);
}

void CSearchDialogBar::ExecuteAction()
{
    switch (m_wndAction->currentIndex()) {
    case kActionOwnLists:
        emit OwnListsRequested();
        return;
    case kActionExport:
        emit ExportRequested();
        return;
    case kActionRestore:
        emit RestoreRequested();
        return;
    default:
        break;
    }
    int row = -1;
    int action = AskEachTime;
    if (!m_pActions->ChooseAction(row, action))
        return;
    if (action == StartDictation) {
        const int index = m_wndList->GetRowItem(row);
        CDictionary::GetInstance()->AddToHistory(index);
        emit ShowQuestionRequested(index, true);
        return;
    }
    m_pActions->CarryOut(action, row, m_nUnspecAskCount);
}

int CSearchDialogBar::FindRowOfItem(int index) const
{
    for (int row = 0; row < m_wndList->count(); ++row) {
        if (m_wndList->GetRowItem(row) == index)
            return row;
    }
    return -1;
}

void CSearchDialogBar::InvalidateListRow(int row)
{
    m_wndList->InvalidateRow(row);
}

bool CSearchDialogBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_wndList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            ExecuteAction();
            return true;
        }
    }
    if (watched == m_pEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            emit FocusLeaveRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CSearchDialogBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_pActions)
        return;
    const QRect units = MapDialogRect(this, QRect(0, 0, 100, 100));
    QSize scale = units.size();
    // Without a usable font the template's proportions at a common scale
    // keep the controls usable.
    if (scale.width() <= 0 || scale.height() <= 0)
        scale = QSize(150, 163);
    m_pActions->Place(size(), scale);
}

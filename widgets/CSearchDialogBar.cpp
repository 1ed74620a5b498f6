#include "widgets/CSearchDialogBar.h"

#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "platform/Settings.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ItemActions.h"
#include "study/LearnMode.h"
#include "study/ModeTable.h"
#include "text/RomajiConversion.h"
#include "widgets/CItemActionControls.h"
#include "widgets/CSearchListBox.h"

#include <QComboBox>
#include <QHash>
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
                                         {36, 72, 108, 189, 186, 30});
    m_btnMode = m_pActions->m_btnMode;
    m_wndAction = m_pActions->m_pAction;
    m_pExecute = m_pActions->m_pExecute;

    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QString::number(kIdSearchStatus));
    m_pStatus->setAlignment(Qt::AlignCenter);
    PlaceControl(m_pStatus, 6, 60, 168, 8);
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
    connect(m_pActions, &CItemActionControls::ExecuteRequested, this,
            &CSearchDialogBar::ExecuteAction);
    connect(m_pActions, &CItemActionControls::ItemModeChanged, this,
            &CSearchDialogBar::ItemModeChanged);
    m_wndList->installEventFilter(this);

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
    m_bFullSearch = 1;
    OnTimer();
}

void CSearchDialogBar::OnQueryChanged(const QString& text)
{
    m_strQuery = RomajiToKana(text);
    // A letter still waiting for its vowel changes nothing yet.
    if (m_strQuery != m_strLastQuery) {
        m_bFullSearch = 0;
        m_timer.start(kSearchDelayMs);
    }
}

bool CSearchDialogBar::AnyFilter() const
{
    return m_bFilterKnown || m_bFilterLearned || m_bFilterLearning || m_bFilterNoLearn ||
           m_bFilterUnspec;
}

int& CSearchDialogBar::FilterFlag(int k)
{
    switch (k) {
    case 0:
        return m_bFilterKnown;
    case 1:
        return m_bFilterLearned;
    case 2:
        return m_bFilterLearning;
    case 3:
        return m_bFilterNoLearn;
    default:
        return m_bFilterUnspec;
    }
}

void CSearchDialogBar::ToggleModeFilter(int id)
{
    const int k = id - kCmdSearchFilterKnown;
    if (k < 0 || k >= 5)
        return;
    const bool anyBefore = AnyFilter();
    CModeButton* button = m_btnMode[k];
    button->m_bChecked = !button->m_bChecked;
    button->update();
    FilterFlag(k) = button->m_bChecked ? 1 : 0;
    // Switching the first filter on, or one off while others stay on, only
    // removes items from the results; switching one on beside others adds
    // items, and switching the last off admits everything again.
    if (!anyBefore)
        m_bFullSearch = 0;
    else if (AnyFilter())
        m_bFullSearch = FilterFlag(k);
    else
        m_bFullSearch = 1;
    m_timer.start(kSearchDelayMs);
}

void CSearchDialogBar::OnTimer()
{
    m_timer.stop();
    m_pStatus->setText(QStringLiteral("（検索中・・・）"));
    m_pStatus->repaint();
    Search();
    ShowResults();
}

void CSearchDialogBar::Search()
{
    if (!m_strQuery.isEmpty() || AnyFilter()) {
        const bool extends = (m_strLastQuery.isEmpty() && !m_strQuery.isEmpty()) ||
                             (!m_strLastQuery.isEmpty() && !m_strQuery.isEmpty() &&
                              m_strQuery.startsWith(m_strLastQuery));
        const bool full =
            m_bFullSearch || m_results.isEmpty() || m_results.size() >= kMaxResults || !extends;
        emit CommitModeRequested();
        if (full) {
            CDictionary::GetInstance()->Search(m_strQuery, m_bFilterUnspec, m_bFilterLearned,
                                               m_bFilterLearning, m_bFilterNoLearn, m_bFilterKnown,
                                               m_results);
            if (m_results.size() > 1)
                SortByReading(m_results);
        } else {
            Narrow();
        }
    } else {
        m_results.clear();
    }
    m_strLastQuery = m_strQuery;
}

void CSearchDialogBar::Narrow()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    const bool anyFilter = AnyFilter();
    bool admits[kLearnModeCount] = {};
    for (int k = 0; k < 5; ++k)
        admits[kModeTable[k].m_nMode] = FilterFlag(k) != 0;
    for (qsizetype i = m_results.size() - 1; i >= 0; --i) {
        const CDictionary::CItem* item = dictionary->GetItem(m_results.at(i));
        bool remove = item == nullptr;
        if (!remove && anyFilter)
            remove = !IsValidMode(item->m_nMode) || !admits[item->m_nMode];
        if (!remove && !m_strQuery.isEmpty())
            remove = !item->GetText().contains(m_strQuery);
        if (remove)
            m_results.removeAt(i);
    }
}

int CSearchDialogBar::CompareByReading(const QString& x, const QString& y)
{
    const qsizetype length = qMin(x.size(), y.size());
    for (qsizetype i = 0; i < length; ++i) {
        const int difference = int(x.at(i).unicode()) - int(y.at(i).unicode());
        if (difference != 0)
            return difference;
    }
    return int(x.size() - y.size());
}

void CSearchDialogBar::SortByReading(QList<int>& results)
{
    CDictionary* dictionary = CDictionary::GetInstance();
    QHash<int, QString> readings;
    readings.reserve(601);
    // By value: an insertion may move the stored strings.
    const auto reading = [&](int index) -> QString {
        auto it = readings.find(index);
        if (it == readings.end()) {
            const CDictionary::CItem* item = dictionary->GetItem(index);
            it = readings.insert(index, item ? item->GetReading() : QString());
        }
        return *it;
    };

    const qsizetype n = results.size();
    qsizetype h = 1;
    if (n / 9 > 1) {
        while (h < n / 9)
            h = 3 * h + 1;
    }
    for (; h > 0; h /= 3) {
        if (h >= n)
            continue;
        for (qsizetype i = h; i < n; ++i) {
            const int v = results.at(i);
            qsizetype j = i - h;
            while (j >= 0 && CompareByReading(reading(results.at(j)), reading(v)) > 0) {
                results[j + h] = results.at(j);
                j -= h;
            }
            results[j + h] = v;
        }
    }
}

void CSearchDialogBar::ShowResults()
{
    const qsizetype n = m_results.size();
    if (n >= kMaxResults)
        m_pStatus->setText(QStringLiteral("検索結果が多すぎます (%1個まで表示)").arg(kMaxResults));
    else if (n > 0)
        m_pStatus->setText(QStringLiteral("%1 個見つかりました").arg(n));
    else if (!m_strQuery.isEmpty() || AnyFilter())
        m_pStatus->setText(QStringLiteral("見つかりませんでした"));
    else
        m_pStatus->clear();

    CDictionary* dictionary = CDictionary::GetInstance();
    m_wndList->setUpdatesEnabled(false);
    m_wndList->clear();
    for (int index : std::as_const(m_results)) {
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

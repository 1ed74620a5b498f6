#include "mainwnd/CMainFrame.h"

#include "dialogs/CHistoryDialog.h"
#include "dialogs/CModeSelectDialog.h"
#include "dialogs/COptionDialog.h"
#include "dialogs/CStudyStateDialog.h"
#include "dialogs/ItemActions.h"
#include "mainwnd/CHandwritingCheck.h"
#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CPanelDialogBar.h"
#include "mainwnd/CVelmarikApp.h"
#include "mainwnd/CWriteView.h"
#include "platform/Bitmaps.h"
#include "platform/HelpService.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "study/CItem.h"
#include "text/CSearchDialogBar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QSessionManager>
#include <climits>

namespace {

CMainFrame* g_mainFrame = nullptr;

const QString kSettings = QStringLiteral("Settings");

int Combined(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return QKeyCombination(modifiers, key).toCombined();
}

bool IsReverseMode()
{
    return GetProfileInt(kSettings, QStringLiteral("QAMode"), 0) == 1;
}

bool IsHyogaiRed()
{
    return GetProfileInt(kSettings, QStringLiteral("HyogaiRed"), 0) != 0;
}

// Gives the focus back to the window that had it before a modal dialog.
class FocusKeeper {
public:
    FocusKeeper() : m_focus(QApplication::focusWidget()) {}
    ~FocusKeeper()
    {
        if (!m_focus)
            return;
        m_focus->activateWindow();
        m_focus->setFocus(Qt::OtherFocusReason);
    }
    FocusKeeper(const FocusKeeper&) = delete;
    FocusKeeper& operator=(const FocusKeeper&) = delete;

private:
    QPointer<QWidget> m_focus;
};

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QWidget(parent)
{
    g_mainFrame = this;
    setWindowTitle(QStringLiteral("Velmarik"));
    setWindowIcon(LoadIcon(128));
    setAttribute(Qt::WA_QuitOnClose);

    const struct {
        Qt::Key m_key;
        Qt::KeyboardModifiers m_modifiers;
        int m_nCommand;
    } table[] = {
        {Qt::Key_1, Qt::NoModifier, 32771},
        {Qt::Key_1, Qt::KeypadModifier, 32771},
        {Qt::Key_2, Qt::NoModifier, 32772},
        {Qt::Key_2, Qt::KeypadModifier, 32772},
        {Qt::Key_3, Qt::NoModifier, 32773},
        {Qt::Key_3, Qt::KeypadModifier, 32773},
        {Qt::Key_4, Qt::NoModifier, 32774},
        {Qt::Key_4, Qt::KeypadModifier, 32774},
        {Qt::Key_5, Qt::NoModifier, 32775},
        {Qt::Key_5, Qt::KeypadModifier, 32775},
        {Qt::Key_T, Qt::NoModifier, kCmdWebSearch},
        {Qt::Key_U, Qt::NoModifier, kCmdStudyState},
        {Qt::Key_H, Qt::NoModifier, kCmdHistory},
        {Qt::Key_B, Qt::NoModifier, kCmdPrevious},
        {Qt::Key_N, Qt::NoModifier, kCmdNext},
        {Qt::Key_A, Qt::NoModifier, kCmdAnswer},
        {Qt::Key_C, Qt::NoModifier, kCmdErase},
        {Qt::Key_S, Qt::NoModifier, kCmdToggleSearch},
        {Qt::Key_O, Qt::NoModifier, kCmdOptions},
        {Qt::Key_F1, Qt::NoModifier, kCmdHelpIndex},
        {Qt::Key_E, Qt::NoModifier, kCmdSwapSides},
        {Qt::Key_X, Qt::NoModifier, kCmdExit},
        {Qt::Key_G, Qt::NoModifier, kCmdSearchAction},
        {Qt::Key_R, Qt::NoModifier, kCmdCheckWriting},
        {Qt::Key_K, Qt::NoModifier, kCmdStrokeOrder},
        {Qt::Key_Z, Qt::ControlModifier, CWriteView::kCmdUndo},
        {Qt::Key_Y, Qt::ControlModifier, CWriteView::kCmdRedo},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, CWriteView::kCmdRedo},
    };
    for (const auto& entry : table)
        m_accelerators.insert(Combined(entry.m_key, entry.m_modifiers), entry.m_nCommand);
    const Qt::Key digits[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5};
    for (int k = 0; k < 5; ++k) {
        m_accelerators.insert(Combined(digits[k], Qt::ControlModifier), kCmdSearchFilterKnown + k);
        m_accelerators.insert(Combined(digits[k], Qt::ControlModifier | Qt::KeypadModifier),
                              kCmdSearchFilterKnown + k);
    }

    qApp->installEventFilter(this);
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { OnQueryEndSession(); });
    }
}

CMainFrame::~CMainFrame()
{
    if (g_mainFrame == this)
        g_mainFrame = nullptr;
}

CMainFrame* CMainFrame::GetMainFrame()
{
    return g_mainFrame;
}

void CMainFrame::RestorePlacement()
{
    const int left = GetProfileInt(QString(), QStringLiteral("WinLeft"), INT_MIN);
    const int top = GetProfileInt(QString(), QStringLiteral("WinTop"), INT_MIN);
    const int width = GetProfileInt(QString(), QStringLiteral("WinWidth"), INT_MIN);
    const int height = GetProfileInt(QString(), QStringLiteral("WinHeight"), INT_MIN);
    // INT_MIN leaves the choice to the platform: an unset left edge leaves
    // the position to the window system, an unset width the size.
    if (width == INT_MIN || height == INT_MIN) {
        QSize size(900, 680);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            size = size.boundedTo(screen->availableSize() * 9 / 10);
        resize(size);
    } else {
        resize(qMax(width, 1), qMax(height, 1));
    }
    if (left != INT_MIN && top != INT_MIN)
        move(left, top);
}

bool CMainFrame::Create()
{
    RestorePlacement();

    m_wndView = new CWriteView(this);
    m_wndView->setObjectName(QStringLiteral("59648"));

    m_nMainBarAlign =
        GetProfileInt(QString(), QStringLiteral("MainRight"), 1) ? kAlignRight : kAlignLeft;
    m_wndMainBar = new CMainDialogBar(this);
    m_wndMainBar->InitBar();
    connect(m_wndView, &CWriteView::StrokeBegun, m_wndMainBar, &CMainDialogBar::CountDictation);

    CWriteView* view = m_wndView;
    m_pHandwriting = new CHandwritingCheck(
        view, [view] { return view->Strokes(); }, [view] { return view->GuideBoxes(); },
        HandwritingModelCandidates(), this);
    connect(view, &CWriteView::StrokesChanged, m_pHandwriting, &CHandwritingCheck::ClearMarks);
    view->AddContextActions(m_pHandwriting->ContextMenuActions());
    connect(view->ContextMenu(), &QMenu::aboutToShow, m_pHandwriting,
            &CHandwritingCheck::UpdateActions);

    m_nSearchBarAlign = (m_nMainBarAlign == kAlignRight) ? kAlignLeft : kAlignRight;
    m_wndSearchBar = new CSearchDialogBar(this);
    connect(m_wndSearchBar, &CSearchDialogBar::CommitModeRequested, this, &CMainFrame::CommitMode);
    connect(m_wndSearchBar, &CSearchDialogBar::ShowQuestionRequested, this,
            &CMainFrame::ShowQuestion);
    connect(m_wndSearchBar, &CSearchDialogBar::CloseRequested, this,
            &CMainFrame::OnToggleSearchBar);
    m_wndSearchBar->InitBar();
    m_wndSearchBar->hide();

    m_wndPanelBar = new CPanelDialogBar(this);
    m_wndPanelBar->CreateTextFont();

    m_bCreated = true;
    RecalcLayout();

    m_wndMainBar->ShowTodayCount();
    SeedQuestionRandom();
    CDictionary* dictionary = CDictionary::GetInstance();
    const int last = dictionary->GetHistoryCount() - 1;
    if (dictionary->m_nHistPos != last)
        dictionary->SetHistoryPos(last);
    if (dictionary->IsCurrentAnswered(1))
        NextQuestion();
    else
        ReshowCurrentQuestion();
    m_wndMainBar->UpdateCommandUI();
    return true;
}

void CMainFrame::RecalcLayout()
{
    if (!m_bCreated)
        return;
    // Sizing the panel may rewrap its text and ask for a new layout; that
    // layout runs once this one is done, with the panel's new height.
    if (m_bInRecalc) {
        m_bRecalcAgain = true;
        return;
    }
    m_bInRecalc = true;
    do {
        m_bRecalcAgain = false;
        LayoutChildren();
    } while (m_bRecalcAgain);
    m_bInRecalc = false;
}

void CMainFrame::LayoutChildren()
{
    QRect area = rect();
    auto dockSide = [&area](QWidget* bar, int align) {
        const int width = qMin(bar->sizeHint().width(), area.width());
        if (align == kAlignRight) {
            bar->setGeometry(area.right() + 1 - width, area.top(), width, area.height());
            area.setRight(area.right() - width);
        } else {
            bar->setGeometry(area.left(), area.top(), width, area.height());
            area.setLeft(area.left() + width);
        }
    };
    dockSide(m_wndMainBar, m_nMainBarAlign);
    if (m_wndSearchBar->isVisibleTo(this))
        dockSide(m_wndSearchBar, m_nSearchBarAlign);
    const int panelHeight = qMin(m_wndPanelBar->GetBarHeight(), area.height());
    m_wndPanelBar->setGeometry(area.left(), area.top(), area.width(), panelHeight);
    area.setTop(area.top() + panelHeight);
    m_wndView->setGeometry(area);
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    RecalcLayout();
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_bFirstShow && m_wndMainBar) {
        m_bFirstShow = false;
        m_wndMainBar->GetControl(1010)->setFocus(Qt::OtherFocusReason);
    }
}

void CMainFrame::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (m_wndMainBar)
        m_wndMainBar->FocusDialogControl();
}

bool CMainFrame::OnCmdMsg(int id)
{
    bool handled = false;
    if (m_wndView && m_wndView->OnCmdMsg(id))
        handled = true;
    else if (m_wndMainBar && m_wndMainBar->OnCmdMsg(id))
        handled = true;
    else if (m_wndSearchBar && m_wndSearchBar->isVisible() && m_wndSearchBar->OnCmdMsg(id))
        handled = true;
    else if (OnFrameCommand(id))
        handled = true;
    else if (id == kCmdHelpIndex) {
        if (CVelmarikApp* app = CVelmarikApp::Instance())
            app->OnHelpIndex();
        else
            ShowHelpContents();
        handled = true;
    }
    // Like the framework's idle update of the bar's controls.
    if (m_wndMainBar && !m_bClosed)
        m_wndMainBar->UpdateCommandUI();
    return handled;
}

bool CMainFrame::OnFrameCommand(int id)
{
    if (id >= kCmdModeKnown && id <= kCmdModeKnown + 4) {
        const LearnMode modes[] = {Known, Learned, Learning, NoLearn, Unspec};
        m_wndMainBar->ChooseMode(modes[id - kCmdModeKnown]);
        return true;
    }
    switch (id) {
    case kCmdWebSearch:
        OnWebSearch();
        return true;
    case kCmdStudyState:
        OnStudyState();
        return true;
    case kCmdHistory:
        if (!PromptForMode())
            OpenHistoryDialog();
        return true;
    case kCmdPrevious:
        if (!PromptForMode())
            PreviousQuestion();
        return true;
    case kCmdNext:
        if (!PromptForMode())
            NextQuestion();
        return true;
    case kCmdAnswer:
        ToggleAnswer();
        return true;
    case kCmdErase:
        m_wndView->Erase();
        return true;
    case kCmdCheckWriting:
        m_pHandwriting->RunCheck();
        return true;
    case kCmdStrokeOrder:
        m_pHandwriting->ShowStrokeOrder();
        return true;
    case kCmdToggleSearch:
        OnToggleSearchBar();
        return true;
    case kCmdOptions:
        OnOptions();
        return true;
    case kCmdSwapSides:
        OnSwapSides();
        return true;
    case kCmdExit:
        close();
        return true;
    default:
        return false;
    }
}

int CMainFrame::TranslateAccelerator(const QKeyEvent* event) const
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                              Qt::MetaModifier | Qt::KeypadModifier);
    int command = m_accelerators.value(Combined(Qt::Key(event->key()), modifiers), 0);
    if (!command && (modifiers & Qt::KeypadModifier) && event->key() != Qt::Key_1 &&
        event->key() != Qt::Key_2 && event->key() != Qt::Key_3 && event->key() != Qt::Key_4 &&
        event->key() != Qt::Key_5) {
        command = m_accelerators.value(
            Combined(Qt::Key(event->key()), modifiers & ~Qt::KeypadModifier), 0);
    }
    return command;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    auto* target = static_cast<QWidget*>(watched);
    if (target->window() != this)
        return QWidget::eventFilter(watched, event);
    // A key the focused control passed on reaches its parents too; it was
    // looked at when the control got it.
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus != target && target->isAncestorOf(focus))
        return QWidget::eventFilter(watched, event);
    return PreTranslateKey(target, static_cast<QKeyEvent*>(event));
}

bool CMainFrame::PreTranslateKey(QWidget* target, QKeyEvent* event)
{
    if (m_wndMainBar && m_wndMainBar->isAncestorOf(target) && m_wndMainBar->PreTranslateKey(event))
        return true;
    // Typing into an editable text box types characters: letters and digits
    // without Ctrl or Alt are not commands there.
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (!(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        const int key = event->key();
        const bool character =
            (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z);
        const auto* edit = qobject_cast<const QLineEdit*>(target);
        if (character && edit && !edit->isReadOnly())
            return false;
    }
    const int command = TranslateAccelerator(event);
    // A text box undoes its own typing.
    if (!command ||
        (CWriteView::IsTextEditCommand(command) && CWriteView::IsEditableTextBox(target)))
        return false;
    OnCmdMsg(command);
    return true;
}

QString CMainFrame::WordSideText() const
{
    return IsHyogaiRed() ? m_pCurItem->GetAnswerMarkup() : m_pCurItem->GetWord();
}

QString CMainFrame::QuestionSideText() const
{
    return m_pCurItem->GetQuestionText();
}

bool CMainFrame::ShowQuestion(int itemIndex, bool isNew)
{
    CommitMode();
    CDictionary::CItem* item = CDictionary::GetInstance()->GetItem(itemIndex);
    if (!item)
        return false; // a history record of an item that is gone: stay put
    m_pCurItem = item;
    if (isNew && m_pCurItem->m_nAskCount < 32767) {
        ++m_pCurItem->m_nAskCount;
        m_pCurItem->m_bDirty = 1;
    }
    m_wndPanelBar->m_strPanelText = IsReverseMode() ? WordSideText() : QuestionSideText();
    m_wndPanelBar->Relayout();
    m_wndView->SetAnswerWord(IsReverseMode() ? m_pCurItem->GetReading() : m_pCurItem->GetWord());
    m_wndView->Erase();
    // Asked the other way round, the learner writes the reading.
    m_pHandwriting->OnQuestionShown(
        IsReverseMode() ? m_pCurItem->GetReading() : m_pCurItem->GetWord(), m_pCurItem->GetWord());
    m_bQuestionSide = true;
    m_wndMainBar->SetAnswerCaption(true);
    m_wndMainBar->SelectModeButton(m_pCurItem->m_nMode);
    m_wndMainBar->UpdateCommandUI();
    return true;
}

void CMainFrame::ShowCurrentModeOnBar()
{
    if (m_pCurItem)
        m_wndMainBar->SelectModeButton(m_pCurItem->m_nMode);
}

void CMainFrame::CommitMode()
{
    if (!m_pCurItem)
        return;
    const LearnMode mode = m_wndMainBar->GetCheckedMode();
    if (mode == m_pCurItem->m_nMode)
        return;
    const qint16 askCount =
        (mode == Unspec) ? CDictionary::GetInstance()->GetAverageUnspecCount() : qint16(-1);
    m_pCurItem->SetMode(mode, askCount);
}

bool CMainFrame::PromptForMode()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    const int count = dictionary->GetHistoryCount(); // loads the history first
    const int pos = dictionary->m_nHistPos;
    if (pos < 0 || pos >= count)
        return false;
    if (!dictionary->GetHistoryRecord(pos).m_bAnswered)
        return false;
    if (GetProfileInt(kSettings, QStringLiteral("NoUnspec"), 0) != 1)
        return false;
    if (m_wndMainBar->GetCheckedModeButton() != 1004)
        return false;
    FocusKeeper focus;
    CModeSelectDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return true;
    m_wndMainBar->SelectModeButton(dialog.m_nMode);
    return false;
}

void CMainFrame::NextQuestion()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    const int next = dictionary->GetNextHistoryPos();
    if (next != -1) {
        dictionary->SetHistoryPos(next);
        const int index = dictionary->GetHistoryRecord(next).m_nIndex;
        if (index >= 0 && ShowQuestion(index, false))
            return;
    }
    const int last = dictionary->GetHistoryCount() - 1;
    if (dictionary->m_nHistPos != last) {
        dictionary->SetHistoryPos(last);
        if (last >= 0 && !dictionary->GetHistoryRecord(last).m_bAnswered) {
            const int index = dictionary->GetCurrentHistoryItem();
            if (index >= 0 && ShowQuestion(index, false))
                return;
        }
    }
    int prefKanji = GetProfileInt(kSettings, QStringLiteral("PrefKanji"), 0);
    if (prefKanji < 0 || prefKanji > 2)
        prefKanji = 0;
    const int chosen = dictionary->SelectNextQuestion(prefKanji);
    if (chosen == -1) {
        ShowMessageBox(QStringLiteral("No more quesions"));
        return;
    }
    dictionary->AddToHistory(chosen);
    ShowQuestion(chosen, true);
}

void CMainFrame::PreviousQuestion()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    const int previous = dictionary->GetPrevHistoryPos();
    if (previous == -1)
        return;
    dictionary->SetHistoryPos(previous);
    const int index = dictionary->GetHistoryRecord(previous).m_nIndex;
    if (index >= 0)
        ShowQuestion(index, false);
}

void CMainFrame::ReshowCurrentQuestion()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    const int index = dictionary->GetCurrentHistoryItem();
    if (index >= 0 && dictionary->m_nHistPos != -1)
        ShowQuestion(index, false);
}

void CMainFrame::ToggleAnswer()
{
    // Nothing to turn over before the first question (none was left to ask).
    if (!m_pCurItem)
        return;
    if (m_bQuestionSide)
        m_wndMainBar->CountDictation();
    const bool reverse = IsReverseMode();
    const bool wordNext = reverse ? !m_bQuestionSide : m_bQuestionSide;
    m_wndPanelBar->m_strPanelText = wordNext ? WordSideText() : QuestionSideText();
    m_wndPanelBar->Relayout();
    m_bQuestionSide = !m_bQuestionSide;
    m_wndMainBar->SetAnswerCaption(m_bQuestionSide);
    if (!m_bQuestionSide)
        m_pHandwriting->OnAnswerShown();
}

void CMainFrame::RebuildPanelText()
{
    if (!m_pCurItem)
        return;
    // The side shows what ShowQuestion and ToggleAnswer show for it, in
    // either direction of asking.
    const bool wordShown = IsReverseMode() ? m_bQuestionSide : !m_bQuestionSide;
    m_wndPanelBar->m_strPanelText = wordShown ? WordSideText() : QuestionSideText();
    m_wndPanelBar->Relayout();
}

void CMainFrame::OpenHistoryDialog()
{
    CommitMode();
    {
        FocusKeeper focus;
        RunHistoryDialog();
    }
    m_wndMainBar->update(m_wndMainBar->GetFilterIndicatorRect());
}

void CMainFrame::RunHistoryDialog()
{
    CHistoryDialog dialog(this);
    connect(&dialog, &CHistoryDialog::ShowQuestionRequested, this, &CMainFrame::ShowQuestion);
    dialog.exec();
}

bool CMainFrame::RunOptionsDialog(bool& fontChanged, bool& redChanged)
{
    COptionDialog dialog(this);
    const bool ok = dialog.exec() == QDialog::Accepted;
    fontChanged = ok && dialog.m_bFontChanged;
    redChanged = ok && dialog.m_bRedChanged;
    return ok;
}

void CMainFrame::RunStudyStateDialog()
{
    CStudyStateDialog dialog(this);
    dialog.exec();
}

void CMainFrame::OnOptions()
{
    CommitMode();
    FocusKeeper focus;
    bool fontChanged = false;
    bool redChanged = false;
    if (!RunOptionsDialog(fontChanged, redChanged))
        return;
    if (fontChanged) {
        m_wndPanelBar->CreateTextFont();
        RebuildPanelText();
    } else if (redChanged) {
        RebuildPanelText();
    }
}

void CMainFrame::OnWebSearch()
{
    if (m_pCurItem)
        RequestWebSearch(m_pCurItem->GetWord(), this);
}

void CMainFrame::OnStudyState()
{
    FocusKeeper focus;
    RunStudyStateDialog();
}

void CMainFrame::OnToggleSearchBar()
{
    if (m_wndSearchBar->isVisibleTo(this)) {
        // Hiding moves the focus on by itself; the bar's control that had it
        // before the search bar took it is the one to get it back.
        QPointer<QWidget> last = m_wndMainBar->focusWidget();
        m_wndSearchBar->hide();
        if (last && last != m_wndMainBar && last->isEnabled())
            last->setFocus(Qt::OtherFocusReason);
        else
            m_wndMainBar->FocusDialogControl();
    } else {
        m_wndSearchBar->show();
        m_wndSearchBar->setFocus(Qt::OtherFocusReason);
    }
    RecalcLayout();
}

void CMainFrame::OnSwapSides()
{
    if (m_nMainBarAlign == kAlignRight) {
        m_nMainBarAlign = kAlignLeft;
        m_nSearchBarAlign = kAlignRight;
    } else {
        m_nMainBarAlign = kAlignRight;
        m_nSearchBarAlign = kAlignLeft;
    }
    RecalcLayout();
}

void CMainFrame::SaveWindowPlacement()
{
    const bool maximised = isMaximized();
    // The restored rectangle: position of the outer frame, size of the
    // client area, as the start-up restores them.
    QRect restored(pos(), size());
    if (maximised || isMinimized()) {
        const QRect normal = normalGeometry();
        if (normal.isValid())
            restored = QRect(normal.topLeft() - (geometry().topLeft() - pos()), normal.size());
    }
    WriteProfileInt(QString(), QStringLiteral("WinLeft"), restored.x());
    WriteProfileInt(QString(), QStringLiteral("WinTop"), restored.y());
    WriteProfileInt(QString(), QStringLiteral("WinWidth"), restored.width());
    WriteProfileInt(QString(), QStringLiteral("WinHeight"), restored.height());
    WriteProfileInt(QString(), QStringLiteral("WinZoom"), maximised ? 1 : 0);
    WriteProfileInt(QString(), QStringLiteral("MainRight"), m_nMainBarAlign == kAlignRight ? 1 : 0);
}

void CMainFrame::ExitSave()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    if (GetProfileInt(kSettings, QStringLiteral("ClearHistory"), 0) != 0)
        dictionary->ClearHistory();
    dictionary->Save();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_bClosed || !m_bCreated) {
        event->accept();
        return;
    }
    if (PromptForMode()) {
        event->ignore();
        return;
    }
    // The mode chosen for the last question, also in the prompt just now,
    // would otherwise never reach the item.
    CommitMode();
    SaveWindowPlacement();
    ExitSave();
    m_bClosed = true;
    event->accept();
}

void CMainFrame::OnQueryEndSession()
{
    if (!m_bCreated || m_bClosed)
        return;
    CommitMode();
    SaveWindowPlacement();
    ExitSave();
}

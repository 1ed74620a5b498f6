#include "mainwnd/CMainFrame.h"

#include "dialogs/CActionDialog.h"
#include "dialogs/CHistoryDialog.h"
#include "dialogs/CModeSelectDialog.h"
#include "dialogs/COptionDialog.h"
#include "dialogs/COwnListsDialog.h"
#include "dialogs/CStudyStateDialog.h"
#include "dialogs/StudyDataTransfer.h"
#include "mainwnd/CCheckMarksOverlay.h"
#include "mainwnd/CHandwritingCheck.h"
#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CPanelDialogBar.h"
#include "mainwnd/CVelmarikApp.h"
#include "mainwnd/CWriteView.h"
#include "mainwnd/CheckOutcome.h"
#include "platform/Bitmaps.h"
#include "platform/DialogUnits.h"
#include "platform/HelpService.h"
#include "platform/MessageBox.h"
#include "platform/Options.h"
#include "platform/ScreenFit.h"
#include "platform/Settings.h"
#include "recognition/CWritingChecker.h"
#include "study/CItem.h"
#include "study/CPeriodicSave.h"
#include "study/ModeTable.h"
#include "widgets/CSearchDialogBar.h"
#include "widgets/CSearchListBox.h"
#include "widgets/ItemActionRunner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QSessionManager>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <utility>

namespace {

int Combined(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return QKeyCombination(modifiers, key).toCombined();
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
    setWindowTitle(QStringLiteral("Velmarik"));
    setWindowIcon(LoadIcon(kPictureProgramIcon));
    setAttribute(Qt::WA_QuitOnClose);

    const struct {
        Qt::Key m_key;
        Qt::KeyboardModifiers m_modifiers;
        int m_nCommand;
    } table[] = {
        {Qt::Key_1, Qt::NoModifier, kCmdModeKnown},
        {Qt::Key_1, Qt::KeypadModifier, kCmdModeKnown},
        {Qt::Key_2, Qt::NoModifier, kCmdModeKnown + 1},
        {Qt::Key_2, Qt::KeypadModifier, kCmdModeKnown + 1},
        {Qt::Key_3, Qt::NoModifier, kCmdModeKnown + 2},
        {Qt::Key_3, Qt::KeypadModifier, kCmdModeKnown + 2},
        {Qt::Key_4, Qt::NoModifier, kCmdModeKnown + 3},
        {Qt::Key_4, Qt::KeypadModifier, kCmdModeKnown + 3},
        {Qt::Key_5, Qt::NoModifier, kCmdModeKnown + 4},
        {Qt::Key_5, Qt::KeypadModifier, kCmdModeKnown + 4},
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
        // The desktop's usual quit key; Ctrl keeps it a command while typing.
        {Qt::Key_Q, Qt::ControlModifier, kCmdExit},
        {Qt::Key_G, Qt::NoModifier, kCmdSearchAction},
        {Qt::Key_R, Qt::NoModifier, kCmdCheckWriting},
        {Qt::Key_K, Qt::NoModifier, kCmdStrokeOrder},
        {Qt::Key_M, Qt::NoModifier, kCmdAnswerStrokes},
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

CMainFrame::~CMainFrame() = default;

void CMainFrame::RestorePlacement()
{
    const int left = GetProfileInt(Setting::WinLeft);
    const int top = GetProfileInt(Setting::WinTop);
    const int width = GetProfileInt(Setting::WinWidth);
    const int height = GetProfileInt(Setting::WinHeight);
    // INT_MIN leaves the choice to the platform: an unset left edge leaves
    // the position to the window system, an unset width the size.
    QSize size(900, 680);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    if (width != INT_MIN && height != INT_MIN)
        size = FitSizeToScreens(QSize(width, height), minimumSize(), size);
    resize(size);
    if (left != INT_MIN && top != INT_MIN)
        move(FitPositionToScreens(QPoint(left, top), size));
}

bool CMainFrame::Create()
{
    RestorePlacement();

    m_wndView = new CWriteView(this);
    m_wndView->setObjectName(QString::number(kIdView));

    m_nMainBarAlign = Options::MainBarOnRight() ? kAlignRight : kAlignLeft;
    m_wndMainBar = new CMainDialogBar(this);
    connect(m_wndMainBar, &CMainDialogBar::CommandRequested, this, &CMainFrame::OnCmdMsg);
    connect(m_wndMainBar, &CMainDialogBar::CheckedModeChanged, this,
            [this](LearnMode mode) { m_session.SetPendingMode(mode); });
    m_wndMainBar->InitBar();
    connect(m_wndView, &CWriteView::StrokeBegun, this, [this] { m_session.CountDictation(); });

    CWriteView* view = m_wndView;
    m_pHandwriting = new CHandwritingCheck(
        view, [view] { return view->Strokes(); }, [view] { return view->GuideBoxes(); },
        HandwritingModelCandidates(), this);
    connect(view, &CWriteView::StrokesChanged, m_pHandwriting, &CHandwritingCheck::ClearMarks);
    connect(view, &CWriteView::StrokeBegun, m_pHandwriting, &CHandwritingCheck::OnWritingBegun);
    // The model is read while the learner writes, not for everyone at start.
    connect(view, &CWriteView::StrokeBegun, m_pHandwriting->Checker(), &CWritingChecker::LoadModel);
    // The marks the learner sees are what the question's review rating
    // goes by.
    connect(m_pHandwriting, &CHandwritingCheck::MarksShown, this, [this] {
        m_session.NoteWritingChecked(WritingOutcomeOf(m_pHandwriting->Overlay()->Checks()));
    });
    view->AddContextActions(m_pHandwriting->ContextMenuActions());
    connect(view->ContextMenu(), &QMenu::aboutToShow, m_pHandwriting,
            &CHandwritingCheck::UpdateActions);

    m_nSearchBarAlign = (m_nMainBarAlign == kAlignRight) ? kAlignLeft : kAlignRight;

    m_wndPanelBar = new CPanelDialogBar(this);
    m_wndPanelBar->CreateTextFont();

    m_bCreated = true;
    RecalcLayout();

    m_session.Start();
    new CPeriodicSave(this);
    return true;
}

CSearchDialogBar* CMainFrame::GetSearchBar()
{
    if (!m_wndSearchBar) {
        m_wndSearchBar = new CSearchDialogBar(this);
        connect(m_wndSearchBar, &CSearchDialogBar::CommitModeRequested, this,
                [this] { m_session.CommitMode(); });
        connect(m_wndSearchBar, &CSearchDialogBar::ShowQuestionRequested, this,
                [this](int itemIndex, bool isNew) { m_session.ShowQuestion(itemIndex, isNew); });
        connect(m_wndSearchBar, &CSearchDialogBar::CloseRequested, this,
                &CMainFrame::OnToggleSearchBar);
        connect(m_wndSearchBar, &CSearchDialogBar::ItemModeChanged, this,
                [this](int itemIndex) { m_session.OnItemModeChanged(itemIndex); });
        connect(m_wndSearchBar, &CSearchDialogBar::FocusLeaveRequested, m_wndMainBar,
                &CMainDialogBar::FocusDialogControl);
        connect(m_wndSearchBar, &CSearchDialogBar::OwnListsRequested, this,
                &CMainFrame::OnOwnLists);
        connect(m_wndSearchBar, &CSearchDialogBar::ExportRequested, this,
                &CMainFrame::OnExportStudyData);
        connect(m_wndSearchBar, &CSearchDialogBar::RestoreRequested, this,
                &CMainFrame::OnRestoreStudyData);
        m_wndSearchBar->SetActionAsker(&AskForItemAction);
        m_wndSearchBar->InitBar();
        m_wndSearchBar->hide();
        // Stacked where it stood when it was built with the others, between
        // the main bar and the panel.
        if (m_wndPanelBar)
            m_wndSearchBar->stackUnder(m_wndPanelBar);
    }
    return m_wndSearchBar;
}

void CMainFrame::SetMinimumFrameSize()
{
    // The bars side by side with room to write between them, and the main
    // bar's least height: its picture buttons keep to the bottom edge and
    // would cover the buttons above them in a shorter window. Opening the
    // search bar widens a window too narrow for it.
    const QSize canvas = MapDialogRect(m_wndMainBar, QRect(0, 0, 100, 60)).size();
    int width = m_wndMainBar->sizeHint().width() + canvas.width();
    if (m_wndSearchBar && m_wndSearchBar->isVisibleTo(this))
        width += m_wndSearchBar->sizeHint().width();
    setMinimumSize(width, std::max(m_wndMainBar->minimumSizeHint().height(), canvas.height()));
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
        m_bRecalcAgain = LayoutChildren();
    } while (m_bRecalcAgain);
    m_bInRecalc = false;
}

bool CMainFrame::LayoutChildren()
{
    SetMinimumFrameSize();
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
    if (m_wndSearchBar && m_wndSearchBar->isVisibleTo(this))
        dockSide(m_wndSearchBar, m_nSearchBarAlign);
    // A new width rewraps the panel's text, which may change the height it
    // wants; the next round gives it that height.
    const int wanted = m_wndPanelBar->GetBarHeight();
    const int panelHeight = qMin(wanted, area.height());
    m_wndPanelBar->setGeometry(area.left(), area.top(), area.width(), panelHeight);
    area.setTop(area.top() + panelHeight);
    m_wndView->setGeometry(area);
    return m_wndPanelBar->GetBarHeight() != wanted;
}

bool CMainFrame::event(QEvent* event)
{
    // The panel's updateGeometry() after its text changed.
    if (event->type() == QEvent::LayoutRequest) {
        RecalcLayout();
        return true;
    }
    return QWidget::event(event);
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
        m_wndMainBar->GetControl(kIdAnswer)->setFocus(Qt::OtherFocusReason);
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
    // The writing sheet takes its own commands (undo and redo) first.
    const bool handled = (m_wndView && m_wndView->OnCmdMsg(id)) || OnFrameCommand(id);
    // Like the framework's idle update of the bar's controls.
    if (m_bCreated && !m_bClosed)
        m_session.UpdateBackButton();
    return handled;
}

bool CMainFrame::OnFrameCommand(int id)
{
    if (id >= kCmdModeKnown && id <= kCmdModeKnown + 4) {
        m_session.ChooseMode(kModeTable[id - kCmdModeKnown].m_nMode);
        return true;
    }
    // The search bar's commands only while it can be seen.
    if (id >= kCmdSearchFilterKnown && id <= kCmdSearchAction) {
        if (!m_wndSearchBar || !m_wndSearchBar->isVisible())
            return false;
        if (id == kCmdSearchAction)
            m_wndSearchBar->ExecuteAction();
        else
            m_wndSearchBar->ToggleModeFilter(id);
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
        m_session.OpenHistory();
        return true;
    case kCmdPrevious:
        m_session.Back();
        return true;
    case kCmdNext:
        m_session.Next();
        return true;
    case kCmdAnswer:
        m_session.ToggleAnswer();
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
    case kCmdAnswerStrokes:
        m_pHandwriting->ToggleAnswerStrokes();
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
    case kCmdHelpIndex:
        if (CVelmarikApp* app = CVelmarikApp::Instance())
            app->OnHelpIndex();
        else
            ShowHelpContents();
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
    // A close request that reaches the window while a modal dialog runs
    // (the mode prompt of a close among them) would end the program from
    // inside the dialog, without the exit save: it is dropped.
    if (event->type() == QEvent::Close && watched == static_cast<QObject*>(windowHandle()) &&
        QApplication::activeModalWidget()) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
        TakeFocusForSheet(static_cast<QWidget*>(watched));
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

void CMainFrame::TakeFocusForSheet(QWidget* pressed)
{
    // The sheet takes no focus of its own; a press on it hands the keys back
    // to the drill, where they are at the start: the main bar's control.
    if (!m_wndView || !m_wndMainBar || (pressed != m_wndView && !m_wndView->isAncestorOf(pressed)))
        return;
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !m_wndMainBar->isAncestorOf(focus))
        m_wndMainBar->FocusDialogControl();
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

void CMainFrame::ShowPanelText(const QString& markup)
{
    m_wndPanelBar->m_strPanelText = markup;
    m_wndPanelBar->Relayout();
    // The panel's layout request arrives later, and only while shown; the
    // canvas below has to move now.
    RecalcLayout();
}

void CMainFrame::ShowModeOnBar(LearnMode mode)
{
    m_wndMainBar->SelectModeButton(mode);
}

void CMainFrame::ShowAnswerCaption(bool questionSide)
{
    m_wndMainBar->SetAnswerCaption(questionSide);
    // The answer side is showing: time to check what was written; the
    // marks go with it.
    if (!questionSide)
        m_pHandwriting->OnAnswerShown();
    else
        m_pHandwriting->OnQuestionSideShown();
}

void CMainFrame::EraseWriting()
{
    // A new sheet is for the current question: the sheet compares the
    // writing with the side that answers it, and so does the check; the
    // stroke order always shows the word.
    const CDictionary::CItem* item = m_session.CurrentItem();
    const QString answer = m_session.AnswerText();
    if (item)
        m_wndView->SetAnswerWord(answer);
    m_wndView->Erase();
    if (item)
        m_pHandwriting->OnQuestionShown(answer, item->GetWord());
}

void CMainFrame::ShowTodayCount(int count)
{
    m_wndMainBar->ShowTodayCount(count);
}

void CMainFrame::ShowDueCount(int count)
{
    m_wndMainBar->ShowDueCount(count);
}

void CMainFrame::SetBackEnabled(bool enabled)
{
    m_wndMainBar->GetControl(kIdBack)->setEnabled(enabled);
}

std::optional<LearnMode> CMainFrame::AskForMode()
{
    FocusKeeper focus;
    CModeSelectDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return IsValidMode(dialog.m_nMode) ? static_cast<LearnMode>(dialog.m_nMode) : Unspec;
}

bool CMainFrame::IsItemListed(int itemIndex) const
{
    return m_wndSearchBar && m_wndSearchBar->FindRowOfItem(itemIndex) >= 0;
}

void CMainFrame::RepaintListedItem(int itemIndex)
{
    const int row = m_wndSearchBar ? m_wndSearchBar->FindRowOfItem(itemIndex) : -1;
    if (row >= 0)
        m_wndSearchBar->InvalidateListRow(row);
}

void CMainFrame::ShowHistory()
{
    {
        FocusKeeper focus;
        RunHistoryDialog();
    }
    // The dialog may have changed the history filter.
    m_wndMainBar->update(m_wndMainBar->GetFilterIndicatorRect());
}

void CMainFrame::RunHistoryDialog()
{
    CHistoryDialog dialog(this);
    connect(&dialog, &CHistoryDialog::ShowQuestionRequested, this,
            [this](int itemIndex, bool isNew) { m_session.ShowQuestion(itemIndex, isNew); });
    connect(&dialog, &CHistoryDialog::ItemModeChanged, this,
            [this](int itemIndex) { m_session.OnItemModeChanged(itemIndex); });
    dialog.exec();
}

bool CMainFrame::RunOptionsDialog(bool& fontChanged, bool& redChanged)
{
    COptionDialog dialog(this);
    connect(&dialog, &COptionDialog::ModesCleared, this, [this] {
        m_session.ShowCurrentModeOnBar();
        // Items no longer 覚えない come due again.
        m_session.ShowDueCount();
        if (m_wndSearchBar) // not built until first shown
            m_wndSearchBar->m_wndList->viewport()->update();
    });
    connect(&dialog, &COptionDialog::ReviewsForgotten, this, [this] {
        m_session.ShowDueCount();
        if (m_wndSearchBar) // its leech marks
            m_wndSearchBar->m_wndList->viewport()->update();
    });
    connect(&dialog, &COptionDialog::DictationCountsCleared, m_wndMainBar,
            qOverload<>(&CMainDialogBar::ShowTodayCount));
    connect(&dialog, &COptionDialog::ListsChanged, this, &CMainFrame::OnStudyDataChanged);
    connect(&dialog, &COptionDialog::StudyDataReplaced, this, [this] {
        m_wndPanelBar->CreateTextFont(); // the restored settings' font
        OnStudyDataChanged();
    });
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
    m_session.CommitMode();
    FocusKeeper focus;
    bool fontChanged = false;
    bool redChanged = false;
    if (!RunOptionsDialog(fontChanged, redChanged))
        return;
    if (fontChanged) {
        m_wndPanelBar->CreateTextFont();
        m_session.RefreshPanelText();
    } else if (redChanged) {
        m_session.RefreshPanelText();
    }
}

void CMainFrame::OnStudyDataChanged()
{
    m_session.Restart();
    if (m_wndSearchBar)
        m_wndSearchBar->SearchAgain();
}

void CMainFrame::OnOwnLists()
{
    m_session.CommitMode();
    FocusKeeper focus;
    COwnListsDialog dialog(m_data, this);
    dialog.exec();
    if (dialog.m_bListsChanged)
        OnStudyDataChanged();
}

void CMainFrame::OnExportStudyData()
{
    m_session.CommitMode();
    FocusKeeper focus;
    ExportStudyDataToFile(m_data, this);
}

void CMainFrame::OnRestoreStudyData()
{
    m_session.CommitMode();
    FocusKeeper focus;
    if (!RestoreStudyDataFromFile(m_data, this))
        return;
    m_wndPanelBar->CreateTextFont();
    OnStudyDataChanged();
}

void CMainFrame::OnWebSearch()
{
    if (const CDictionary::CItem* item = m_session.CurrentItem())
        RequestWebSearch(item->GetWord(), this);
}

void CMainFrame::OnStudyState()
{
    FocusKeeper focus;
    RunStudyStateDialog();
}

void CMainFrame::OnToggleSearchBar()
{
    if (GetSearchBar()->isVisibleTo(this)) {
        // Hiding moves the focus on by itself; the bar's control that had it
        // before the search bar took it is the one to get it back.
        QPointer<QWidget> last = m_wndMainBar->focusWidget();
        m_wndSearchBar->hide();
        if (last && last != m_wndMainBar && last->isEnabled())
            last->setFocus(Qt::OtherFocusReason);
        else
            m_wndMainBar->FocusDialogControl();
        // The smaller minimum first, or the window could not give the
        // width back.
        SetMinimumFrameSize();
        GrowForSearchBar(false);
    } else {
        GrowForSearchBar(true);
        m_wndSearchBar->show();
        m_wndSearchBar->setFocus(Qt::OtherFocusReason);
    }
    RecalcLayout();
}

void CMainFrame::GrowForSearchBar(bool opening)
{
    const bool free = isVisible() && !isMaximized() && !isFullScreen();
    if (!opening) {
        const int growth = std::exchange(m_nSearchBarGrowth, 0);
        if (!free || growth <= 0)
            return;
        QRect area = geometry();
        if (m_nSearchBarAlign == kAlignLeft)
            area.setLeft(area.left() + growth);
        else
            area.setRight(area.right() - growth);
        setGeometry(area);
        return;
    }
    const QScreen* where = screen();
    if (!free || !where)
        return;
    const int growth = m_wndSearchBar->sizeHint().width();
    const QRect available = where->availableGeometry();
    const QRect frame = frameGeometry();
    if (frame.width() + growth > available.width())
        return; // the sheet narrows; its writing comes back with the width
    // The bar's side grows, so the sheet stays where it is on the screen;
    // at the screen's edge the window moves in.
    QRect grown = frame;
    if (m_nSearchBarAlign == kAlignLeft)
        grown.setLeft(frame.left() - growth);
    else
        grown.setRight(frame.right() + growth);
    if (grown.left() < available.left())
        grown.moveLeft(available.left());
    if (grown.right() > available.right())
        grown.moveRight(available.right());
    const QRect client = geometry();
    setGeometry(QRect(client.topLeft() + (grown.topLeft() - frame.topLeft()),
                      QSize(client.width() + growth, client.height())));
    m_nSearchBarGrowth = growth;
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

void CMainFrame::SavePlacement()
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
    // Without what the search bar added: the next start opens without it.
    if (m_nSearchBarGrowth > 0 && !maximised) {
        if (m_nSearchBarAlign == kAlignLeft)
            restored.setLeft(restored.left() + m_nSearchBarGrowth);
        else
            restored.setWidth(restored.width() - m_nSearchBarGrowth);
    }
    WriteProfileInt(Setting::WinLeft, restored.x());
    WriteProfileInt(Setting::WinTop, restored.y());
    WriteProfileInt(Setting::WinWidth, restored.width());
    WriteProfileInt(Setting::WinHeight, restored.height());
    Options::SetStartMaximised(maximised);
    Options::SetMainBarOnRight(m_nMainBarAlign == kAlignRight);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_bClosed || !m_bCreated) {
        event->accept();
        return;
    }
    if (QApplication::activeModalWidget() || !m_session.End(true)) {
        event->ignore();
        return;
    }
    m_bClosed = true;
    event->accept();
}

void CMainFrame::OnQueryEndSession()
{
    if (m_bCreated && !m_bClosed)
        m_session.End(false);
}

#include "study/DrillSession.h"

#include "platform/MessageBox.h"
#include "platform/ResourceIds.h"
#include "study/CItem.h"
#include "study/DrillFrontend.h"
#include "study/DrillOptions.h"

namespace {

// A mode read from a damaged file checks no button of its own; the
// unchecked bar stands for 指定なし.
LearnMode ShownMode(int mode)
{
    return IsValidMode(mode) ? static_cast<LearnMode>(mode) : Unspec;
}

} // namespace

DrillSession::DrillSession(CDictionary& data, const DrillOptions& options, DrillFrontend& frontend)
    : m_data(data), m_options(options), m_frontend(frontend)
{
}

void DrillSession::Start()
{
    m_frontend.ShowTodayCount(m_data.GetTodayCount());
    ShowDueCount();
    SeedQuestionRandom();
    const int last = m_data.GetHistoryCount() - 1;
    if (m_data.m_nHistPos != last)
        m_data.SetHistoryPos(last);
    if (m_data.IsCurrentAnswered(1))
        NextQuestion();
    else
        ReshowCurrentQuestion();
    UpdateBackButton();
}

void DrillSession::Restart()
{
    m_pCurItem = nullptr;
    m_nPendingMode = Unspec;
    m_bQuestionSide = true;
    Start();
}

QString DrillSession::WordSideText() const
{
    return m_options.ShowHyogaiInRed() ? m_pCurItem->GetAnswerMarkup() : m_pCurItem->GetWord();
}

QString DrillSession::QuestionSideText() const
{
    return m_pCurItem->GetQuestionText();
}

void DrillSession::ShowSide(bool wordSide)
{
    m_frontend.ShowPanelText(wordSide ? WordSideText() : QuestionSideText());
}

bool DrillSession::ShowQuestion(int itemIndex, bool isNew)
{
    CommitMode();
    CDictionary::CItem* item = m_data.GetItem(itemIndex);
    if (!item)
        return false; // a history record of an item that is gone: stay put
    RateLeftQuestion();
    m_pCurItem = item;
    m_nCurIndex = itemIndex;
    m_bRateOnLeave = isNew || !m_data.IsCurrentAnswered(1);
    m_chosenMode.reset();
    m_writing = WritingOutcome::NotChecked;
    if (isNew && m_pCurItem->m_nAskCount < kMaxAskCount) {
        ++m_pCurItem->m_nAskCount;
        m_pCurItem->m_bDirty = 1;
    }
    ShowSide(m_options.ReverseAsking());
    m_frontend.EraseWriting();
    m_bQuestionSide = true;
    m_frontend.ShowAnswerCaption(true);
    ShowCurrentModeOnBar();
    UpdateBackButton();
    return true;
}

void DrillSession::ShowCurrentModeOnBar()
{
    if (!m_pCurItem)
        return;
    m_nPendingMode = ShownMode(m_pCurItem->m_nMode);
    m_frontend.ShowModeOnBar(m_nPendingMode);
}

void DrillSession::SetPendingMode(LearnMode mode)
{
    // The bar echoes every mode it is told to show; only a move of its own
    // is the learner's choice.
    if (mode != m_nPendingMode)
        m_chosenMode = mode;
    m_nPendingMode = mode;
}

void DrillSession::CommitMode()
{
    if (m_pCurItem)
        m_data.SetItemMode(*m_pCurItem, m_nPendingMode);
}

void DrillSession::ChooseMode(LearnMode mode)
{
    m_nPendingMode = mode;
    m_chosenMode = mode;
    m_frontend.ShowModeOnBar(mode);
    CountDictation();
    const int current = m_data.GetCurrentHistoryItem();
    if (current < 0 || !m_frontend.IsItemListed(current))
        return; // the item gets the mode at the next commit
    // The listed row shows the item's mode, so it must be right at once.
    CommitMode();
    m_frontend.RepaintListedItem(current);
}

bool DrillSession::PromptForMode()
{
    const int count = m_data.GetHistoryCount(); // loads the history first
    const int pos = m_data.m_nHistPos;
    if (pos < 0 || pos >= count)
        return false;
    if (!m_data.GetHistoryRecord(pos).m_bAnswered)
        return false;
    if (!m_options.RequireMode())
        return false;
    if (m_nPendingMode != Unspec)
        return false;
    const std::optional<LearnMode> chosen = m_frontend.AskForMode();
    if (!chosen)
        return true;
    // Written into the item by the step's own commit.
    m_nPendingMode = *chosen;
    m_chosenMode = *chosen;
    m_frontend.ShowModeOnBar(*chosen);
    return false;
}

bool DrillSession::Next()
{
    if (PromptForMode())
        return false;
    NextQuestion();
    return true;
}

bool DrillSession::Back()
{
    if (PromptForMode())
        return false;
    PreviousQuestion();
    return true;
}

bool DrillSession::OpenHistory()
{
    if (PromptForMode())
        return false;
    CommitMode();
    m_frontend.ShowHistory();
    return true;
}

void DrillSession::NextQuestion()
{
    // Before the choice, so that the item left is no longer due.
    RateLeftQuestion();
    const int next = m_data.GetNextHistoryPos();
    if (next != -1) {
        m_data.SetHistoryPos(next);
        const int index = m_data.GetHistoryRecord(next).m_nIndex;
        if (index >= 0 && ShowQuestion(index, false))
            return;
    }
    const int last = m_data.GetHistoryCount() - 1;
    if (m_data.m_nHistPos != last) {
        m_data.SetHistoryPos(last);
        if (last >= 0 && !m_data.GetHistoryRecord(last).m_bAnswered) {
            const int index = m_data.GetCurrentHistoryItem();
            if (index >= 0 && ShowQuestion(index, false))
                return;
        }
    }
    int chosen = -1;
    if (m_options.ReviewsFirst()) {
        // The mode just filed decides whether the item left is still in a
        // pool: one filed 覚えた must not come straight back.
        CommitMode();
        chosen = m_data.SelectReviewQuestion(m_options.PreferredKanji());
    }
    if (chosen == -1)
        chosen = m_data.SelectNextQuestion(m_options.PreferredKanji());
    if (chosen == -1) {
        ShowMessageBox(QStringLiteral("No more quesions"));
        return;
    }
    m_data.AddToHistory(chosen);
    ShowQuestion(chosen, true);
}

void DrillSession::PreviousQuestion()
{
    const int previous = m_data.GetPrevHistoryPos();
    if (previous == -1)
        return;
    RateLeftQuestion();
    m_data.SetHistoryPos(previous);
    const int index = m_data.GetHistoryRecord(previous).m_nIndex;
    if (index >= 0)
        ShowQuestion(index, false);
}

void DrillSession::ReshowCurrentQuestion()
{
    const int index = m_data.GetCurrentHistoryItem();
    if (index >= 0 && m_data.m_nHistPos != -1)
        ShowQuestion(index, false);
}

void DrillSession::ToggleAnswer()
{
    // Nothing to turn over before the first question (none was left to ask).
    if (!m_pCurItem)
        return;
    if (m_bQuestionSide)
        CountDictation();
    const bool reverse = m_options.ReverseAsking();
    ShowSide(reverse ? !m_bQuestionSide : m_bQuestionSide);
    m_bQuestionSide = !m_bQuestionSide;
    m_frontend.ShowAnswerCaption(m_bQuestionSide);
}

void DrillSession::CountDictation()
{
    const int count = m_data.RecordDictation();
    if (count != -1)
        m_frontend.ShowTodayCount(count);
}

void DrillSession::RefreshPanelText()
{
    if (!m_pCurItem)
        return;
    // The side shows what ShowQuestion and ToggleAnswer show for it, in
    // either direction of asking.
    ShowSide(m_options.ReverseAsking() ? m_bQuestionSide : !m_bQuestionSide);
}

void DrillSession::OnItemModeChanged(int itemIndex)
{
    if (itemIndex == m_data.GetCurrentHistoryItem())
        ShowCurrentModeOnBar();
}

void DrillSession::UpdateBackButton()
{
    m_frontend.SetBackEnabled(m_data.GetPrevHistoryPos() != -1);
}

bool DrillSession::End(bool askFirst)
{
    if (askFirst && PromptForMode())
        return false;
    // The mode chosen for the last question, also in the prompt just now,
    // would otherwise never reach the item.
    CommitMode();
    RateLeftQuestion();
    m_frontend.SavePlacement();
    if (m_options.ClearHistoryOnExit())
        m_data.ClearHistory();
    m_data.Save();
    return true;
}

QString DrillSession::AnswerText() const
{
    if (!m_pCurItem)
        return QString();
    return m_options.ReverseAsking() ? m_pCurItem->GetReading() : m_pCurItem->GetWord();
}

void DrillSession::NoteWritingChecked(WritingOutcome outcome)
{
    if (m_pCurItem)
        m_writing = WorseOutcome(m_writing, outcome);
}

void DrillSession::ShowDueCount()
{
    m_frontend.ShowDueCount(m_data.GetDueCount(0));
}

void DrillSession::RateLeftQuestion()
{
    if (!m_pCurItem || !m_bRateOnLeave)
        return;
    m_bRateOnLeave = false;
    const ReviewDecision decision = DecideReview(m_chosenMode, m_writing);
    switch (decision.m_kind) {
    case ReviewDecision::Rate:
        m_data.RateItem(m_nCurIndex, decision.m_rating);
        break;
    case ReviewDecision::Suspend:
        // 覚えない keeps the item from coming due once it is written into
        // it; the choice of the next question may come first.
        m_data.SuspendReview(m_nCurIndex);
        break;
    case ReviewDecision::None:
        m_data.DeferReview(m_nCurIndex);
        break;
    }
    ShowDueCount();
}

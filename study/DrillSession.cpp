#include "study/DrillSession.h"

#include "platform/MessageBox.h"
#include "platform/ResourceIds.h"
#include "platform/Settings.h"
#include "study/CItem.h"
#include "study/DrillFrontend.h"

namespace {

// Only 1 turns the drill round; every other stored value asks the reading.
bool IsReverseMode()
{
    return GetProfileInt(Setting::QAMode) == 1;
}

bool IsHyogaiRed()
{
    return GetProfileInt(Setting::HyogaiRed) != 0;
}

// A mode read from a damaged file checks no button of its own; the
// unchecked bar stands for 指定なし.
LearnMode ShownMode(int mode)
{
    return IsValidMode(mode) ? static_cast<LearnMode>(mode) : Unspec;
}

} // namespace

DrillSession::DrillSession(DrillFrontend& frontend) : m_frontend(frontend) {}

void DrillSession::Start()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    m_frontend.ShowTodayCount(dictionary->GetTodayCount());
    ShowDueCount();
    SeedQuestionRandom();
    const int last = dictionary->GetHistoryCount() - 1;
    if (dictionary->m_nHistPos != last)
        dictionary->SetHistoryPos(last);
    if (dictionary->IsCurrentAnswered(1))
        NextQuestion();
    else
        ReshowCurrentQuestion();
    UpdateBackButton();
}

QString DrillSession::WordSideText() const
{
    return IsHyogaiRed() ? m_pCurItem->GetAnswerMarkup() : m_pCurItem->GetWord();
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
    CDictionary::CItem* item = CDictionary::GetInstance()->GetItem(itemIndex);
    if (!item)
        return false; // a history record of an item that is gone: stay put
    RateLeftQuestion();
    m_pCurItem = item;
    m_nCurIndex = itemIndex;
    m_bRateOnLeave = isNew || !CDictionary::GetInstance()->IsCurrentAnswered(1);
    m_chosenMode.reset();
    m_writing = WritingOutcome::NotChecked;
    if (isNew && m_pCurItem->m_nAskCount < kMaxAskCount) {
        ++m_pCurItem->m_nAskCount;
        m_pCurItem->m_bDirty = 1;
    }
    ShowSide(IsReverseMode());
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
    if (!m_pCurItem)
        return;
    const LearnMode mode = m_nPendingMode;
    if (mode == m_pCurItem->m_nMode)
        return;
    const qint16 askCount =
        (mode == Unspec) ? CDictionary::GetInstance()->GetAverageUnspecCount() : qint16(-1);
    m_pCurItem->SetMode(mode, askCount);
}

void DrillSession::ChooseMode(LearnMode mode)
{
    m_nPendingMode = mode;
    m_chosenMode = mode;
    m_frontend.ShowModeOnBar(mode);
    CountDictation();
    const int current = CDictionary::GetInstance()->GetCurrentHistoryItem();
    if (current < 0 || !m_frontend.IsItemListed(current))
        return; // the item gets the mode at the next commit
    // The listed row shows the item's mode, so it must be right at once.
    CommitMode();
    m_frontend.RepaintListedItem(current);
}

bool DrillSession::PromptForMode()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    const int count = dictionary->GetHistoryCount(); // loads the history first
    const int pos = dictionary->m_nHistPos;
    if (pos < 0 || pos >= count)
        return false;
    if (!dictionary->GetHistoryRecord(pos).m_bAnswered)
        return false;
    if (GetProfileInt(Setting::NoUnspec) != 1)
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

void DrillSession::NextQuestion()
{
    // Before the choice, so that the item left is no longer due.
    RateLeftQuestion();
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
    int prefKanji = GetProfileInt(Setting::PrefKanji);
    if (prefKanji < 0 || prefKanji > 2)
        prefKanji = 0;
    int chosen = -1;
    if (GetProfileInt(Setting::ReviewFirst) == 1) {
        // The mode just filed decides whether the item left is still in a
        // pool: one filed 覚えた must not come straight back.
        CommitMode();
        chosen = dictionary->SelectReviewQuestion(prefKanji);
    }
    if (chosen == -1)
        chosen = dictionary->SelectNextQuestion(prefKanji);
    if (chosen == -1) {
        ShowMessageBox(QStringLiteral("No more quesions"));
        return;
    }
    dictionary->AddToHistory(chosen);
    ShowQuestion(chosen, true);
}

void DrillSession::PreviousQuestion()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    const int previous = dictionary->GetPrevHistoryPos();
    if (previous == -1)
        return;
    RateLeftQuestion();
    dictionary->SetHistoryPos(previous);
    const int index = dictionary->GetHistoryRecord(previous).m_nIndex;
    if (index >= 0)
        ShowQuestion(index, false);
}

void DrillSession::ReshowCurrentQuestion()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    const int index = dictionary->GetCurrentHistoryItem();
    if (index >= 0 && dictionary->m_nHistPos != -1)
        ShowQuestion(index, false);
}

void DrillSession::ToggleAnswer()
{
    // Nothing to turn over before the first question (none was left to ask).
    if (!m_pCurItem)
        return;
    if (m_bQuestionSide)
        CountDictation();
    const bool reverse = IsReverseMode();
    ShowSide(reverse ? !m_bQuestionSide : m_bQuestionSide);
    m_bQuestionSide = !m_bQuestionSide;
    m_frontend.ShowAnswerCaption(m_bQuestionSide);
}

void DrillSession::CountDictation()
{
    const int count = CDictionary::GetInstance()->RecordDictation();
    if (count != -1)
        m_frontend.ShowTodayCount(count);
}

void DrillSession::RefreshPanelText()
{
    if (!m_pCurItem)
        return;
    // The side shows what ShowQuestion and ToggleAnswer show for it, in
    // either direction of asking.
    ShowSide(IsReverseMode() ? m_bQuestionSide : !m_bQuestionSide);
}

void DrillSession::OnItemModeChanged(int itemIndex)
{
    if (itemIndex == CDictionary::GetInstance()->GetCurrentHistoryItem())
        ShowCurrentModeOnBar();
}

void DrillSession::UpdateBackButton()
{
    m_frontend.SetBackEnabled(CDictionary::GetInstance()->GetPrevHistoryPos() != -1);
}

void DrillSession::ExitSave()
{
    CDictionary* dictionary = CDictionary::GetInstance();
    RateLeftQuestion();
    if (GetProfileInt(Setting::ClearHistory) != 0)
        dictionary->ClearHistory();
    dictionary->Save();
}

void DrillSession::NoteWritingChecked(WritingOutcome outcome)
{
    if (m_pCurItem)
        m_writing = WorseOutcome(m_writing, outcome);
}

void DrillSession::ShowDueCount()
{
    m_frontend.ShowDueCount(CDictionary::GetInstance()->GetDueCount(0));
}

void DrillSession::RateLeftQuestion()
{
    if (!m_pCurItem || !m_bRateOnLeave)
        return;
    m_bRateOnLeave = false;
    CDictionary* dictionary = CDictionary::GetInstance();
    const ReviewDecision decision = DecideReview(m_chosenMode, m_writing);
    switch (decision.m_kind) {
    case ReviewDecision::Rate:
        dictionary->RateItem(m_nCurIndex, decision.m_rating);
        break;
    case ReviewDecision::Suspend:
        // 覚えない keeps the item from coming due once it is written into
        // it; the choice of the next question may come first.
        dictionary->SuspendReview(m_nCurIndex);
        break;
    case ReviewDecision::None:
        dictionary->DeferReview(m_nCurIndex);
        break;
    }
    ShowDueCount();
}

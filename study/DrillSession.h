#pragma once

#include "study/CDictionary.h"
#include "study/LearnMode.h"
#include "study/QuestionRating.h"

#include <optional>

class DrillFrontend;

// One learner's drill: which item is asked, whether its question or its
// answer shows, and the mode chosen for it that is not written yet. The
// steps run on the process's study data and tell the frontend what to show;
// the study data's history position is the rest of the drill's state.
class DrillSession {
public:
    explicit DrillSession(DrillFrontend& frontend);
    DrillSession(const DrillSession&) = delete;
    DrillSession& operator=(const DrillSession&) = delete;

    // The first question of a start: the last history record again when its
    // dictation was never counted, otherwise the next one.
    void Start();

    // False, changing nothing but the commit, when the index has no item.
    bool ShowQuestion(int itemIndex, bool isNew);
    void NextQuestion();
    void PreviousQuestion();
    void ReshowCurrentQuestion();
    void ToggleAnswer();
    // The learner's choice (a mode button or a digit key): counts the
    // dictation, and writes the mode at once when a list shows the item.
    void ChooseMode(LearnMode mode);
    // The choice moved without counting (the arrow keys, or the frontend's
    // own buttons checked by someone else).
    void SetPendingMode(LearnMode mode);
    // Writes the pending mode into the current item.
    void CommitMode();
    // The "NoUnspec" question before leaving an answered, unspecified item.
    // True when the learner cancelled and the step is not to run.
    bool PromptForMode();
    void CountDictation();
    void ShowCurrentModeOnBar();
    // Shows the current side's text again (a new font or colouring).
    void RefreshPanelText();
    // The mode of some item changed elsewhere (a list's action).
    void OnItemModeChanged(int itemIndex);
    void UpdateBackButton();
    // Empties the history when the learner asked for it, then saves.
    void ExitSave();
    // The writing check judged the current question's writing.
    void NoteWritingChecked(WritingOutcome outcome);
    // Shows how many items are due today.
    void ShowDueCount();

    CDictionary::CItem* CurrentItem() const { return m_pCurItem; }
    bool IsQuestionSide() const { return m_bQuestionSide; }
    LearnMode PendingMode() const { return m_nPendingMode; }

private:
    QString WordSideText() const;
    QString QuestionSideText() const;
    void ShowSide(bool wordSide);
    // The question being left gives its one rating, if it has one to give;
    // a question left without one is not offered as due again today.
    void RateLeftQuestion();

    DrillFrontend& m_frontend;
    CDictionary::CItem* m_pCurItem = nullptr; // not owned
    bool m_bQuestionSide = true;
    LearnMode m_nPendingMode = Unspec;
    // What the current question's rating is made of. A question rates only
    // when it was new, or its record unanswered, as it was shown: going back
    // to an answered question never rates twice.
    int m_nCurIndex = -1;
    bool m_bRateOnLeave = false;
    std::optional<LearnMode> m_chosenMode; // chosen by the learner on this question
    WritingOutcome m_writing = WritingOutcome::NotChecked;
};

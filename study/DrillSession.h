#pragma once

#include "study/CDictionary.h"
#include "study/LearnMode.h"
#include "study/QuestionRating.h"

#include <optional>

class DrillFrontend;
class DrillOptions;

// One learner's drill: which item is asked, whether its question or its
// answer shows, and the mode chosen for it that is not written yet. The
// steps run on the study data handed in, read the options at each use and
// tell the frontend what to show; the study data's history position is the
// rest of the drill's state.
class DrillSession {
public:
    DrillSession(CDictionary& data, const DrillOptions& options, DrillFrontend& frontend);
    DrillSession(const DrillSession&) = delete;
    DrillSession& operator=(const DrillSession&) = delete;

    // The first question of a start: the last history record again when its
    // dictation was never counted, otherwise the next one.
    void Start();
    // The lists changed or the study data was loaded again: the current
    // item is gone, so nothing is written into it, and the drill starts
    // again as at a start.
    void Restart();

    // The learner's ways away from the current question. Each first asks
    // for a mode when the options want one for an answered, unspecified
    // question; false, with nothing done, when the learner cancelled.
    bool Next();
    bool Back();
    // The history list, which the frontend opens once the pending mode is
    // written.
    bool OpenHistory();
    // The end of the session: the pending mode written, the screen's
    // placement kept, the history emptied when the learner asked for it, and
    // everything saved. A close asks for the mode first and may be
    // cancelled (false); the desktop's session-end request does not ask.
    bool End(bool askFirst);

    // False, changing nothing but the commit, when the index has no item.
    bool ShowQuestion(int itemIndex, bool isNew);
    void ToggleAnswer();
    // The learner's choice (a mode button or a digit key): counts the
    // dictation, and writes the mode at once when a list shows the item.
    void ChooseMode(LearnMode mode);
    // The choice moved without counting (the arrow keys, or the frontend's
    // own buttons checked by someone else).
    void SetPendingMode(LearnMode mode);
    // Writes the pending mode into the current item.
    void CommitMode();
    void CountDictation();
    void ShowCurrentModeOnBar();
    // Shows the current side's text again (a new font or colouring).
    void RefreshPanelText();
    // The mode of some item changed elsewhere (a list's action).
    void OnItemModeChanged(int itemIndex);
    void UpdateBackButton();
    // The writing check judged the current question's writing.
    void NoteWritingChecked(WritingOutcome outcome);
    // Shows how many items are due today.
    void ShowDueCount();

    CDictionary::CItem* CurrentItem() const { return m_pCurItem; }
    bool IsQuestionSide() const { return m_bQuestionSide; }
    LearnMode PendingMode() const { return m_nPendingMode; }
    // What the learner writes for the current question: the word, or its
    // reading when the word is asked. Empty before the first question.
    QString AnswerText() const;

private:
    void NextQuestion();
    void PreviousQuestion();
    void ReshowCurrentQuestion();
    // True when the learner cancelled the mode prompt.
    bool PromptForMode();
    QString WordSideText() const;
    QString QuestionSideText() const;
    void ShowSide(bool wordSide);
    // The question being left gives its one rating, if it has one to give;
    // a question left without one is not offered as due again today.
    void RateLeftQuestion();

    CDictionary& m_data;
    const DrillOptions& m_options;
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

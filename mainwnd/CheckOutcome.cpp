#include "mainwnd/CheckOutcome.h"

WritingOutcome WritingOutcomeOf(const QList<CharacterCheck>& checks)
{
    WritingOutcome outcome = WritingOutcome::NotChecked;
    for (const CharacterCheck& check : checks) {
        switch (check.verdict) {
        case CheckVerdict::Correct:
            outcome = WorseOutcome(outcome, WritingOutcome::AllCorrect);
            break;
        case CheckVerdict::StrokeFault:
            outcome = WorseOutcome(outcome, WritingOutcome::StrokeFaults);
            break;
        case CheckVerdict::Wrong:
        case CheckVerdict::Missing:
            outcome = WorseOutcome(outcome, WritingOutcome::AnyWrong);
            break;
        case CheckVerdict::Unchecked:
            break;
        }
    }
    return outcome;
}

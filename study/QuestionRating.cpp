#include "study/QuestionRating.h"

WritingOutcome WorseOutcome(WritingOutcome a, WritingOutcome b)
{
    return static_cast<int>(a) >= static_cast<int>(b) ? a : b;
}

ReviewDecision DecideReview(std::optional<LearnMode> chosenMode, WritingOutcome writing)
{
    if (chosenMode) {
        switch (*chosenMode) {
        case Learning:
            return {ReviewDecision::Rate, ReviewRating::Again};
        case Learned:
            return {ReviewDecision::Rate, ReviewRating::Good};
        case Known:
            return {ReviewDecision::Rate, ReviewRating::Easy};
        case NoLearn:
            return {ReviewDecision::Suspend};
        case Unspec:
            break;
        }
    }
    switch (writing) {
    case WritingOutcome::AllCorrect:
        return {ReviewDecision::Rate, ReviewRating::Good};
    case WritingOutcome::StrokeFaults:
        return {ReviewDecision::Rate, ReviewRating::Hard};
    case WritingOutcome::AnyWrong:
        return {ReviewDecision::Rate, ReviewRating::Again};
    case WritingOutcome::NotChecked:
        break;
    }
    return {};
}

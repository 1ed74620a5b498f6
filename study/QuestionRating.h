#pragma once

#include "study/FsrsScheduler.h"
#include "study/LearnMode.h"

#include <optional>

// What the writing check found on a question, worst first where several
// checks ran: the rating follows the worst the learner was shown.
enum class WritingOutcome {
    NotChecked,   // the check did not run, or judged no character
    AllCorrect,   // every character ✓
    StrokeFaults, // the right characters, some with faulty strokes (order, direction, count)
    AnyWrong,     // a character ✗
};

// The worse of two outcomes.
WritingOutcome WorseOutcome(WritingOutcome a, WritingOutcome b);

// What leaving a question does to its item's review state. The learner is
// the judge: a mode chosen on the question decides (覚えたい Again, 覚えた
// Good, 知ってる Easy, 覚えない suspends the item, 指定なし leaves it to the
// check); otherwise the check's verdicts decide; otherwise nothing.
struct ReviewDecision {
    enum Kind { None, Rate, Suspend };
    Kind m_kind = None;
    ReviewRating m_rating = ReviewRating::Good;

    bool operator==(const ReviewDecision&) const = default;
};

ReviewDecision DecideReview(std::optional<LearnMode> chosenMode, WritingOutcome writing);

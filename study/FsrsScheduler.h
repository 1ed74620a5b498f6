#pragma once

#include <QtGlobal>

// How well the learner knew an item at a review, in FSRS's four grades.
enum class ReviewRating : int { Again = 1, Hard = 2, Good = 3, Easy = 4 };

// What the scheduler knows of one item. Days are day numbers of study days;
// an item with no reviews has no memory yet.
struct ReviewState {
    double m_dStability = 0;  // days until recall falls to 90%
    double m_dDifficulty = 0; // 1 (easy) to 10 (hard)
    qint32 m_nDueDay = 0;
    qint32 m_nLastDay = 0;
    quint32 m_nReviews = 0;
    quint32 m_nLapses = 0; // Again after the first review

    bool operator==(const ReviewState&) const = default;
};

// The FSRS-6 scheduler with its published default parameters, a desired
// retention of 0.9 and no interval fuzz. Every rating gives an interval of
// whole days: a writing drill has no minute-long learning steps. Results
// agree with the reference implementation (ts-fsrs) to its own rounding.
class FsrsScheduler {
public:
    // The state after the learner rated the item on `day`. A day before the
    // last review counts as the same day.
    static ReviewState Review(const ReviewState& state, qint32 day, ReviewRating rating);
    // The probability of recall on `day`; 0 for an item with no reviews.
    static double Retrievability(const ReviewState& state, qint32 day);
};

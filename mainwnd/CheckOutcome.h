#pragma once

#include "recognition/WritingCheck.h"
#include "study/QuestionRating.h"

#include <QList>

// What a finished check tells the review schedule: every character ✓ is
// right; the answer's characters with faulty strokes (out of turn,
// backwards, one too many or too few) are a hard recall; a character ✗,
// nothing written for one included, is wrong. Characters the check cannot
// judge take no part, so a check that judged none tells nothing.
WritingOutcome WritingOutcomeOf(const QList<CharacterCheck>& checks);

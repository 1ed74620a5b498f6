#pragma once

#include "recognition/InkStroke.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

class CRecognizer;

// How one written character compares with the answer. The check only
// advises the learner; nothing is filed from it.
enum class CheckVerdict {
    Correct,   // the answer's character is the recogniser's first choice
    Close,     // it is among the first ten
    Wrong,     // it is not; recognised holds what the writing looks like
    Unchecked, // the recogniser cannot name the answer's character at all
};

// How many candidates count for a Close verdict.
inline constexpr int kCheckCandidates = 10;

struct CharacterCheck {
    QString expected;
    // The first candidate; empty when nothing was written for the character.
    QString recognised;
    CheckVerdict verdict = CheckVerdict::Wrong;
    // Where the character stands on the sheet, for the mark.
    QRectF cell;
};

// The verdict for one character from the recogniser's candidates, best
// first.
CheckVerdict JudgeCandidates(const QString& expected, const QStringList& candidates);

// The characters of an answer that are written: the word without its
// parenthesised alternatives, one entry per character (a character outside
// the basic plane is one entry).
QStringList CharactersToCheck(const QString& word);

// Cuts the ink into the word's characters and judges each. Runs on any
// thread that owns the recogniser for the time of the call.
QList<CharacterCheck> CheckWriting(const CRecognizer& recognizer, const InkStrokes& strokes,
                                   const QString& word, const QList<QRectF>& boxes = {});

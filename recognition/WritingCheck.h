#pragma once

#include "recognition/InkStroke.h"

#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

class CRecognizer;
struct InkSegment;

// How one written character compares with the answer. The check only
// advises the learner; nothing is filed from it. No verdict passes a
// character other than the answer's.
enum class CheckVerdict {
    Correct,     // the answer's character, its strokes in order and direction
    StrokeFault, // the answer's character, with strokes out of turn, written
                 // backwards, or one too many or too few
    Wrong,       // another character, or writing that reads as none;
                 // recognised says what it looks like where that is clear
    Missing,     // nothing was written for the character
    Unchecked,   // neither the stroke templates nor the recogniser know it
};

// How strictly the writing is judged (setting "CheckStrictness"): how far
// a stroke may stray from where the answer has it, and whether strokes out
// of turn or backwards keep a character from ✓.
enum class CheckStrictness { Lenient = 0, Normal = 1, Strict = 2 };

// How many of the recogniser's candidates the check reads.
inline constexpr int kCheckCandidates = 10;

struct CheckTolerance {
    // The farthest one stroke and the strokes on average may lie from the
    // template, in sizes of the character.
    double worst = 0.2;
    double mean = 0.1;
    // Strokes out of turn or backwards make a StrokeFault rather than ✓.
    bool orderCounts = true;
};

CheckTolerance ToleranceOf(CheckStrictness strictness);
// A stored strictness outside the three levels reads as Normal.
CheckStrictness StrictnessFromSetting(int value);

struct CharacterCheck {
    QString expected;
    // What the writing looks like when it is clearly another character;
    // empty otherwise.
    QString recognised{};
    CheckVerdict verdict = CheckVerdict::Wrong;
    // Where the character stands on the sheet, for the mark.
    QRectF cell{};
    // The answer's strokes, in their order, placed where the character was
    // written (in its cell when it was not); empty without a template.
    QList<QLineF> answerStrokes{};
    // Per answer stroke: the turn it was written in (-1: not written),
    // whether that was out of turn, and whether backwards.
    QList<int> writtenAs{};
    QList<bool> outOfOrder{};
    QList<bool> reversed{};
    int writtenCount = 0;

    bool IsAnswersCharacter() const
    {
        return verdict == CheckVerdict::Correct || verdict == CheckVerdict::StrokeFault;
    }
    bool HasTemplate() const { return !answerStrokes.isEmpty(); }
    // Answer strokes written out of turn or backwards, counted from 0.
    QList<int> FaultyStrokes() const;
};

// The verdict for one character without a template, from the recogniser's
// candidates, best first: only its first choice passes.
CheckVerdict JudgeCandidates(const QString& expected, const QStringList& candidates);

// The characters of an answer that are written: the word without its
// parenthesised alternatives, one entry per character (a character outside
// the basic plane is one entry).
QStringList CharactersToCheck(const QString& word);

// Judges one cut-out character against the answer's character. boxed says
// whether the cell is a guide box (else a stretch of the line of writing).
CharacterCheck JudgeCharacter(const CRecognizer& recognizer, const InkSegment& segment,
                              const QString& expected, const CheckTolerance& tolerance, bool boxed);

// The same for a character whose recogniser candidates, best first, are
// already known: the answer's template against the writing, with the
// candidates as evidence. A character without a template passes only as the
// first candidate.
CharacterCheck JudgeByCandidates(const InkSegment& segment, const QString& expected,
                                 const QStringList& candidates, const CheckTolerance& tolerance);

// Cuts the ink into the word's characters and judges each. Runs on any
// thread that owns the recogniser for the time of the call.
QList<CharacterCheck> CheckWriting(const CRecognizer& recognizer, const InkStrokes& strokes,
                                   const QString& word, const QList<QRectF>& boxes = {},
                                   CheckStrictness strictness = CheckStrictness::Normal);
QList<CharacterCheck> CheckWriting(const CRecognizer& recognizer, const InkStrokes& strokes,
                                   const QString& word, const QList<QRectF>& boxes,
                                   const CheckTolerance& tolerance);

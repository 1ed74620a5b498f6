#include "recognition/WritingCheck.h"

#include "recognition/CRecognizer.h"
#include "recognition/CStrokeTemplates.h"
#include "recognition/LookAlike.h"
#include "recognition/Segmentation.h"
#include "recognition/StrokeMatch.h"

#include <algorithm>
#include <limits>
#include <system_error>
#include <thread>

namespace {

// How much larger a box is than the ink written in it, about.
constexpr qreal kInkToBox = 1.25;
// The answer's rank among the recogniser's candidates is evidence, and
// the first others it names are rivals whose templates are tried on the
// writing too.
constexpr int kRivals = 4;
// A rival must fit the writing this much better than the answer before the
// writing is taken for the rival.
constexpr double kRivalMargin = 0.01;
constexpr double kBelowAnswerMargin = 0.05;
// The recogniser's first choice widens the tolerance a little; an answer it
// does not name at all narrows it.
constexpr double kNamedFirst = 1.15;
constexpr double kNotNamed = 0.85;
// Up to this many strokes, one stroke more or less is a character of its
// own more often than a slip.
constexpr int kFewStrokes = 7;
// Writing that lies more than this far from the answer towards a
// look-alike of it is the look-alike; more clearly so when the recogniser
// named the answer and not the look-alike, and only the strokes speak for
// it.
constexpr double kLookAlikeLean = 0.5;
constexpr double kUnnamedLookAlikeLean = 0.75;

bool Fits(const StrokeMatch& match, const CheckTolerance& tolerance, double factor)
{
    return std::abs(match.writtenCount - match.TemplateCount()) <= 1 &&
           match.worstDistance <= tolerance.worst * factor &&
           match.meanDistance <= tolerance.mean * factor;
}

} // namespace

CheckTolerance ToleranceOf(CheckStrictness strictness)
{
    switch (strictness) {
    case CheckStrictness::Lenient:
        return {0.26, 0.13, false};
    case CheckStrictness::Strict:
        return {0.16, 0.08, true};
    case CheckStrictness::Normal:
        break;
    }
    return {0.2, 0.1, true};
}

CheckStrictness StrictnessFromSetting(int value)
{
    switch (value) {
    case int(CheckStrictness::Lenient):
        return CheckStrictness::Lenient;
    case int(CheckStrictness::Strict):
        return CheckStrictness::Strict;
    default:
        return CheckStrictness::Normal;
    }
}

QList<int> CharacterCheck::FaultyStrokes() const
{
    QList<int> faulty;
    for (int s = 0; s < answerStrokes.size(); ++s)
        if (outOfOrder.value(s) || reversed.value(s))
            faulty.append(s);
    return faulty;
}

CheckVerdict JudgeCandidates(const QString& expected, const QStringList& candidates)
{
    return !candidates.isEmpty() && candidates.first() == expected ? CheckVerdict::Correct
                                                                   : CheckVerdict::Wrong;
}

QStringList CharactersToCheck(const QString& word)
{
    QStringList characters;
    int depth = 0;
    for (auto it = word.cbegin(); it != word.cend(); ++it) {
        const QChar c = *it;
        if (c == u'(' || c == u'（') {
            ++depth;
            continue;
        }
        if (c == u')' || c == u'）') {
            depth = qMax(depth - 1, 0);
            continue;
        }
        if (depth > 0 || c.isSpace())
            continue;
        if (c.isHighSurrogate() && it + 1 != word.cend() && (it + 1)->isLowSurrogate()) {
            characters.append(QString(it, 2));
            ++it;
        } else {
            characters.append(QString(c));
        }
    }
    return characters;
}

namespace {

// What is known of a character before it is judged: where it stands, how
// many strokes it has, and the answer's strokes in its cell.
CharacterCheck Unjudged(const InkSegment& segment, const QString& expected,
                        const StrokeTemplate& answer)
{
    CharacterCheck check;
    check.expected = expected;
    check.cell = segment.cell;
    for (const InkStroke& stroke : segment.strokes)
        check.writtenCount += stroke.points.isEmpty() ? 0 : 1;
    if (!answer.IsEmpty()) {
        // Until the writing says where, the answer's strokes stand in the
        // cell, made square about its middle.
        const qreal side = qMin(segment.cell.width(), segment.cell.height());
        QRectF square(0, 0, side, side);
        square.moveCenter(segment.cell.center());
        const BoxPlacement inCell{side, square.left(), side, square.top()};
        for (const QLineF& line : answer.strokes)
            check.answerStrokes.append(inCell.Map(line));
        check.writtenAs = QList<int>(answer.StrokeCount(), -1);
        check.outOfOrder = QList<bool>(answer.StrokeCount(), false);
        check.reversed = QList<bool>(answer.StrokeCount(), false);
    }
    return check;
}

// The ink the recogniser is to read for a character, in its frame; empty
// when there is nothing to read, or nothing could judge the character.
InkStrokes RecogniserInput(const CRecognizer& recognizer, const InkSegment& segment,
                           const QString& expected, bool boxed)
{
    if (!CStrokeTemplates::Has(expected) && !recognizer.Knows(expected))
        return {};
    QRectF frame = segment.cell;
    if (!boxed) {
        // Without boxes the cell is no larger than the ink, while a
        // character written in a box leaves room around it; the model was
        // trained on the latter.
        const QPointF middle = frame.center();
        frame.setSize(frame.size() * kInkToBox);
        frame.moveCenter(middle);
    }
    return NormaliseToFrame(segment.strokes, frame);
}

CharacterCheck Judged(const CRecognizer& recognizer, const InkSegment& segment,
                      const QString& expected, const QStringList& candidates,
                      const CheckTolerance& tolerance)
{
    if (!CStrokeTemplates::Has(expected) && !recognizer.Knows(expected)) {
        CharacterCheck check = Unjudged(segment, expected, {});
        check.verdict = CheckVerdict::Unchecked;
        return check;
    }
    return JudgeByCandidates(segment, expected, candidates, tolerance);
}

// The recogniser's candidates for each input, empty for an empty one. The
// reading is most of a check's work, and the library only reads its model
// while it classifies: with two characters or more, a second thread takes
// every other one.
QList<QStringList> ClassifyAll(const CRecognizer& recognizer, const QList<InkStrokes>& inputs)
{
    QList<QStringList> candidates(inputs.size());
    // Each thread fills its own entries, through a pointer taken before
    // either starts: the list is never detached while they write.
    QStringList* out = candidates.data();
    auto classify = [&recognizer, &inputs, out](qsizetype first, qsizetype step) {
        for (qsizetype i = first; i < inputs.size(); i += step)
            if (!inputs[i].isEmpty())
                out[i] = recognizer.Classify(inputs[i], kCheckCandidates);
    };
    const auto toRead = std::count_if(inputs.cbegin(), inputs.cend(),
                                      [](const InkStrokes& ink) { return !ink.isEmpty(); });
    if (toRead < 2) {
        classify(0, 1);
        return candidates;
    }
    std::thread helper;
    try {
        helper = std::thread(classify, 1, 2);
    } catch (const std::system_error&) {
        // No thread to be had: this one reads them all.
        classify(0, 1);
        return candidates;
    }
    classify(0, 2);
    helper.join();
    return candidates;
}

} // namespace

CharacterCheck JudgeCharacter(const CRecognizer& recognizer, const InkSegment& segment,
                              const QString& expected, const CheckTolerance& tolerance, bool boxed)
{
    const InkStrokes input = RecogniserInput(recognizer, segment, expected, boxed);
    return Judged(recognizer, segment, expected,
                  input.isEmpty() ? QStringList() : recognizer.Classify(input, kCheckCandidates),
                  tolerance);
}

CharacterCheck JudgeByCandidates(const InkSegment& segment, const QString& expected,
                                 const QStringList& candidates, const CheckTolerance& tolerance)
{
    const StrokeTemplate answer = CStrokeTemplates::Find(expected);
    CharacterCheck check = Unjudged(segment, expected, answer);
    if (check.writtenCount == 0) {
        check.verdict = CheckVerdict::Missing;
        return check;
    }
    if (answer.IsEmpty()) {
        check.verdict = JudgeCandidates(expected, candidates);
        if (check.verdict == CheckVerdict::Wrong)
            check.recognised = candidates.value(0);
        return check;
    }

    const StrokeMatch match = MatchStrokes(segment.strokes, answer);
    const int rank = int(candidates.indexOf(expected));
    // The recogniser cannot tell a look-alike from the answer any better
    // than the fit can (it may never name one of them at all): a look-alike
    // it names that the writing is not counts as the answer named.
    int shapeRank = rank;

    // The characters the recogniser names besides the answer get their own
    // templates tried: writing that fits one of them better is that one. A
    // rival ranked below the answer must win more clearly; it is still
    // asked, since the recogniser often ranks the answer first for its
    // look-alike one stroke more or less (朱 written for 未), which the
    // stroke count then tells apart. A look-alike is told apart by the
    // strokes where the two differ instead.
    QString rival;
    double rivalCost = std::numeric_limits<double>::infinity();
    double rivalMargin = kRivalMargin;
    bool rivalFits = false;
    bool lookAlikeWins = false;
    QStringList tried;
    for (int k = 0; k < candidates.size() && tried.size() < kRivals; ++k) {
        if (candidates[k] == expected)
            continue;
        tried.append(candidates[k]);
        const StrokeTemplate other = CStrokeTemplates::Find(candidates[k]);
        if (other.IsEmpty())
            continue;
        const LookAlike alike = FindLookAlike(expected, candidates[k]);
        if (!alike.IsEmpty()) {
            const double lean = LeaningTowards(segment.strokes, match, answer, other, alike);
            if (lean > kLookAlikeLean) {
                lookAlikeWins = true;
                rival = candidates[k];
                rivalFits = Fits(MatchStrokes(segment.strokes, other), tolerance, 1.0);
                break;
            }
            if (shapeRank < 0 || k < shapeRank)
                shapeRank = k;
            continue;
        }
        const StrokeMatch otherMatch = MatchStrokes(segment.strokes, other);
        const double margin = rank >= 0 && k > rank ? kBelowAnswerMargin : kRivalMargin;
        if (otherMatch.Cost() + margin < rivalCost + rivalMargin) {
            rivalCost = otherMatch.Cost();
            rivalMargin = margin;
            rival = candidates[k];
            rivalFits = Fits(otherMatch, tolerance, 1.0);
        }
    }
    const double factor = shapeRank == 0 ? kNamedFirst : shapeRank < 0 ? kNotNamed : 1.0;
    bool rivalWins = lookAlikeWins || (!rival.isEmpty() && rivalCost + rivalMargin < match.Cost());
    // In a character of few strokes, a stroke more or less than the answer
    // has is most often another character (丸 for 九, 未 for 朱) that the
    // recogniser did not name among the rivals: it passes only when the
    // recogniser reads the answer itself first. A look-alike read first
    // does not vouch for the count: it has the answer's, not the
    // writing's. 書 short of a stroke is still 書.
    const bool countVouched = match.CountRight() || answer.StrokeCount() > kFewStrokes || rank == 0;
    const bool answerFits = Fits(match, tolerance, factor) && countVouched;

    // Look-alikes the recogniser did not name are as likely to be what was
    // written: it often names only one of two such characters, whichever
    // was written. A look-alike it named where it did not name the answer
    // at all says which family of shapes the writing belongs to, not which
    // member: the answer's other look-alikes then weigh as evenly as the
    // named one.
    const double unnamedLean = rank < 0 && shapeRank >= 0 ? kLookAlikeLean : kUnnamedLookAlikeLean;
    if (answerFits && !rivalWins)
        for (const QString& other : LookAlikesOf(expected)) {
            if (tried.contains(other))
                continue;
            const StrokeTemplate shape = CStrokeTemplates::Find(other);
            const LookAlike alike = FindLookAlike(expected, other);
            if (LeaningTowards(segment.strokes, match, answer, shape, alike) > unnamedLean) {
                rivalWins = true;
                rival = other;
                rivalFits = Fits(MatchStrokes(segment.strokes, shape), tolerance, 1.0);
                break;
            }
        }

    if (answerFits && !rivalWins) {
        check.answerStrokes.clear();
        for (const QLineF& line : answer.strokes)
            check.answerStrokes.append(match.placement.Map(line));
        check.writtenAs = match.writtenAs;
        check.outOfOrder = match.outOfOrder;
        check.reversed = match.reversed;
        const bool faults =
            !match.CountRight() ||
            (tolerance.orderCounts && (!match.OrderRight() || !match.DirectionRight()));
        check.verdict = faults ? CheckVerdict::StrokeFault : CheckVerdict::Correct;
        return check;
    }
    check.verdict = CheckVerdict::Wrong;
    if (rivalWins && rivalFits)
        check.recognised = rival;
    else if (!candidates.isEmpty() && candidates.first() != expected &&
             !CStrokeTemplates::Has(candidates.first()))
        check.recognised = candidates.first();
    return check;
}

QList<CharacterCheck> CheckWriting(const CRecognizer& recognizer, const InkStrokes& strokes,
                                   const QString& word, const QList<QRectF>& boxes,
                                   CheckStrictness strictness)
{
    return CheckWriting(recognizer, strokes, word, boxes, ToleranceOf(strictness));
}

QList<CharacterCheck> CheckWriting(const CRecognizer& recognizer, const InkStrokes& strokes,
                                   const QString& word, const QList<QRectF>& boxes,
                                   const CheckTolerance& tolerance)
{
    const QStringList expected = CharactersToCheck(word);
    QList<CharacterCheck> checks;
    if (expected.isEmpty())
        return checks;
    QList<int> strokeCounts;
    for (const QString& character : expected)
        strokeCounts.append(CStrokeTemplates::Find(character).StrokeCount());
    const QList<InkSegment> segments = SegmentCharacters(strokes, strokeCounts, boxes);
    // With boxes there may be more boxes than characters (the sheet draws
    // what it was told); boxes past the word are not judged.
    const int judged = qMin(int(segments.size()), int(expected.size()));
    QList<InkStrokes> inputs;
    for (int i = 0; i < judged; ++i)
        inputs.append(RecogniserInput(recognizer, segments[i], expected[i], !boxes.isEmpty()));
    const QList<QStringList> candidates = ClassifyAll(recognizer, inputs);
    for (int i = 0; i < judged; ++i)
        checks.append(Judged(recognizer, segments[i], expected[i], candidates[i], tolerance));
    return checks;
}

#include "recognition/WritingCheck.h"

#include "recognition/CRecognizer.h"
#include "recognition/Segmentation.h"

namespace {

// How much larger a box is than the ink written in it, about.
constexpr qreal kInkToBox = 1.25;

} // namespace

CheckVerdict JudgeCandidates(const QString& expected, const QStringList& candidates)
{
    const int index = int(candidates.indexOf(expected));
    if (index == 0)
        return CheckVerdict::Correct;
    if (index > 0 && index < kCheckCandidates)
        return CheckVerdict::Close;
    return CheckVerdict::Wrong;
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

QList<CharacterCheck> CheckWriting(const CRecognizer& recognizer, const InkStrokes& strokes,
                                   const QString& word, const QList<QRectF>& boxes)
{
    const QStringList expected = CharactersToCheck(word);
    QList<CharacterCheck> checks;
    if (expected.isEmpty())
        return checks;
    const QList<InkSegment> segments = SegmentCharacters(strokes, int(expected.size()), boxes);
    // With boxes there may be more boxes than characters (the sheet draws
    // what it was told); boxes past the word are not judged.
    const int judged = qMin(int(segments.size()), int(expected.size()));
    for (int i = 0; i < judged; ++i) {
        const InkSegment& segment = segments[i];
        CharacterCheck check;
        check.expected = expected[i];
        check.cell = segment.cell;
        if (!recognizer.Knows(check.expected)) {
            check.verdict = CheckVerdict::Unchecked;
        } else if (!segment.strokes.isEmpty()) {
            QRectF frame = segment.cell;
            if (boxes.isEmpty()) {
                // Without boxes the cell is no larger than the ink, while a
                // character written in a box leaves room around it; the
                // model was trained on the latter.
                const QPointF middle = frame.center();
                frame.setSize(frame.size() * kInkToBox);
                frame.moveCenter(middle);
            }
            const QStringList candidates =
                recognizer.Classify(NormaliseToFrame(segment.strokes, frame), kCheckCandidates);
            check.recognised = candidates.value(0);
            check.verdict = JudgeCandidates(check.expected, candidates);
        }
        checks.append(check);
    }
    return checks;
}

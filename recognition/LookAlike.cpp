#include "recognition/LookAlike.h"

#include "recognition/StrokeMatch.h"

#include <QHash>
#include <QLineF>
#include <QMutex>
#include <algorithm>
#include <cmath>

namespace {

// Look-alikes: the other's strokes lie no farther than this from the
// answer's, in sizes of the character, once fitted as writing would be.
constexpr double kLookAlikeWorst = 0.2;
// Before the fit: a template whose strokes, in turn, start and end farther
// than this from the answer's on average cannot be a look-alike.
constexpr double kNearInTheBox = 0.15;
// Templates no end of which differs by more than this, in sizes of the
// character, differ by less than any writing is off (二 and ニ): nothing
// tells them apart.
constexpr double kDistinguishable = 0.05;

double Dot(const QPointF& a, const QPointF& b)
{
    return a.x() * b.x() + a.y() * b.y();
}

// One scale for both directions and a shift that bring the points from
// closest to the points to, in the least-squares sense.
QList<QPointF> FitSimilar(const QList<QPointF>& from, const QList<QPointF>& to)
{
    const qsizetype n = from.size();
    QPointF meanFrom, meanTo;
    for (qsizetype k = 0; k < n; ++k) {
        meanFrom += from[k];
        meanTo += to[k];
    }
    meanFrom /= qreal(n);
    meanTo /= qreal(n);
    double covariance = 0, variance = 0;
    for (qsizetype k = 0; k < n; ++k) {
        covariance += Dot(from[k] - meanFrom, to[k] - meanTo);
        variance += Dot(from[k] - meanFrom, from[k] - meanFrom);
    }
    const double scale = variance > 1e-12 && covariance > 0 ? covariance / variance : 1.0;
    QList<QPointF> fitted;
    fitted.reserve(n);
    for (const QPointF& p : from)
        fitted.append(meanTo + (p - meanFrom) * scale);
    return fitted;
}

InkStrokes InkOf(const StrokeTemplate& shape)
{
    InkStrokes ink;
    for (const QLineF& line : shape.strokes)
        ink.append(InkStroke{{{line.p1() * 100}, {line.p2() * 100}}});
    return ink;
}

} // namespace

LookAlike FindLookAlike(const QString& answerCharacter, const QString& otherCharacter)
{
    LookAlike alike;
    // A kana and a kanji of the same shape (口 and ロ, 力 and カ) are told
    // apart by the word they stand in, not by the hand.
    const QList<uint> a = answerCharacter.toUcs4(), b = otherCharacter.toUcs4();
    if (a.size() != 1 || b.size() != 1 || QChar::script(a.first()) != QChar::script(b.first()))
        return alike;
    const StrokeTemplate answer = CStrokeTemplates::Find(answerCharacter);
    const StrokeTemplate other = CStrokeTemplates::Find(otherCharacter);
    if (answer.IsEmpty() || answer.StrokeCount() != other.StrokeCount())
        return alike;
    const StrokeMatch match = MatchStrokes(InkOf(other), answer);
    if (match.MissingCount() > 0 || match.worstDistance > kLookAlikeWorst)
        return alike;
    // A stroke that runs the other way is a difference the fit itself
    // weighs (天 and 夭).
    if (!match.DirectionRight())
        return alike;
    for (int j = 0; j < answer.StrokeCount(); ++j) {
        const QLineF& a = answer.strokes[j];
        const QLineF& b = other.strokes[match.writtenAs[j]];
        const double along = QLineF(a.p1(), b.p1()).length() + QLineF(a.p2(), b.p2()).length();
        const double against = QLineF(a.p1(), b.p2()).length() + QLineF(a.p2(), b.p1()).length();
        if (against < along)
            return {};
        alike.counterpart.append(match.writtenAs[j]);
    }
    return alike;
}

namespace {

QStringList FindLookAlikesOf(const QString& answer)
{
    QStringList alikes;
    const StrokeTemplate shape = CStrokeTemplates::Find(answer);
    if (shape.IsEmpty())
        return alikes;
    const int m = shape.StrokeCount();
    for (const QString& other : CStrokeTemplates::WithStrokeCount(m)) {
        if (other == answer)
            continue;
        const StrokeTemplate candidate = CStrokeTemplates::Find(other);
        double apart = 0;
        for (int j = 0; j < m; ++j)
            apart += QLineF(shape.strokes[j].p1(), candidate.strokes[j].p1()).length() +
                     QLineF(shape.strokes[j].p2(), candidate.strokes[j].p2()).length();
        if (apart / (2 * m) <= kNearInTheBox && !FindLookAlike(answer, other).IsEmpty())
            alikes.append(other);
    }
    return alikes;
}

} // namespace

QStringList LookAlikesOf(const QString& answer)
{
    // The templates never change, and the search runs through every one
    // with the answer's stroke count: each character is searched once, for
    // as many checks as it gets. The checks may run on several threads.
    static QMutex mutex;
    static QHash<QString, QStringList> known;
    {
        const QMutexLocker lock(&mutex);
        const auto found = known.constFind(answer);
        if (found != known.cend())
            return *found;
    }
    const QStringList alikes = FindLookAlikesOf(answer);
    const QMutexLocker lock(&mutex);
    known.insert(answer, alikes);
    return alikes;
}

double LeaningTowards(const InkStrokes& written, const StrokeMatch& match,
                      const StrokeTemplate& answer, const StrokeTemplate& other,
                      const LookAlike& alike)
{
    QList<QLineF> ends;
    for (const InkStroke& stroke : written)
        if (!stroke.points.isEmpty())
            ends.append(QLineF(stroke.points.first().pos, stroke.points.last().pos));
    QList<QPointF> seen, first, second;
    for (int j = 0; j < answer.StrokeCount() && j < match.writtenAs.size(); ++j) {
        const int i = match.writtenAs[j];
        if (i < 0 || i >= ends.size())
            continue;
        const QLineF w = match.reversed.value(j) ? QLineF(ends[i].p2(), ends[i].p1()) : ends[i];
        const QLineF& o = other.strokes[alike.counterpart[j]];
        seen << w.p1() << w.p2();
        first << answer.strokes[j].p1() << answer.strokes[j].p2();
        second << o.p1() << o.p2();
    }
    if (seen.size() < 4)
        return 0.5;
    // The look-alike laid onto the answer as well as it goes, so that what
    // is left between them is what tells them apart.
    const QList<QPointF> laid = FitSimilar(second, first);
    QList<QPointF> halfway;
    double apart = 0, farthest = 0;
    for (qsizetype k = 0; k < first.size(); ++k) {
        halfway.append((first[k] + laid[k]) / 2);
        const double squared = Dot(laid[k] - first[k], laid[k] - first[k]);
        apart += squared;
        farthest = std::max(farthest, squared);
    }
    if (farthest < kDistinguishable * kDistinguishable)
        return 0.5;
    const QList<QPointF> fitted = FitSimilar(seen, halfway);
    double along = 0;
    for (qsizetype k = 0; k < first.size(); ++k)
        along += Dot(fitted[k] - first[k], laid[k] - first[k]);
    return along / apart;
}

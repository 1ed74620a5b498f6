#include "recognition/StrokeMatch.h"

#include "recognition/Assignment.h"

#include <QLineF>
#include <algorithm>
#include <cmath>

namespace {

// A thin character (一, 川) keeps its proportions: neither side of the box
// it is fitted in is shorter than this share of the other.
constexpr double kThinSide = 0.4;
// Reading a stroke backwards must gain clearly before it is called
// reversed; a stroke shorter than this share of the character (a dot, the
// handakuten) has no direction worth judging.
constexpr double kReverseBias = 0.02;
constexpr double kShortStroke = 0.15;
// A slight preference for the stroke in the same turn, so two strokes that
// lie almost on each other are not called swapped.
constexpr double kTurnPrior = 0.012;
constexpr int kTurnPriorCap = 3;
// The fit may stretch the writing by this much each way, no more: a
// stretch that makes another character fit is not a fit.
constexpr double kMinStretch = 0.8;
constexpr double kMaxStretch = 1.25;
constexpr int kFitRounds = 2;
constexpr double kCountPenalty = 0.25;
// Writing that fits a template only with a stroke read backwards fits it
// worse than its distances say: a learner far more often writes a stroke a
// little off than the wrong way round, so 天 with a short first stroke is
// not taken for 夭, whose first stroke runs the other way.
constexpr double kReversePenalty = 0.05;

struct Frame {
    QPointF centre;
    double sx = 1;
    double sy = 1;

    QPointF Map(const QPointF& p) const
    {
        return QPointF((p.x() - centre.x()) / sx, (p.y() - centre.y()) / sy);
    }
};

Frame FrameOf(const QList<QLineF>& lines)
{
    double left = lines.first().x1(), right = left, top = lines.first().y1(), bottom = top;
    for (const QLineF& line : lines)
        for (const QPointF& p : {line.p1(), line.p2()}) {
            left = std::min(left, p.x());
            right = std::max(right, p.x());
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        }
    const double w = right - left, h = bottom - top;
    const double longer = std::max({w, h, 1e-6});
    Frame frame;
    frame.centre = QPointF((left + right) / 2, (top + bottom) / 2);
    frame.sx = std::max(w, kThinSide * longer);
    frame.sy = std::max(h, kThinSide * longer);
    return frame;
}

double Distance(const QPointF& a, const QPointF& b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

struct Pair {
    double forward = 0;
    double backward = 0;
};

Pair Compare(const QLineF& written, const QLineF& model)
{
    return {(Distance(written.p1(), model.p1()) + Distance(written.p2(), model.p2())) / 2,
            (Distance(written.p1(), model.p2()) + Distance(written.p2(), model.p1())) / 2};
}

double PairCost(const Pair& pair, int writtenTurn, int modelTurn)
{
    const int apart = std::min(std::abs(writtenTurn - modelTurn), kTurnPriorCap);
    return std::min(pair.forward, pair.backward + kReverseBias) + kTurnPrior * apart;
}

// Stretch and shift along one axis that bring the written ends closest to
// the template's, within bounds.
void FitAxis(const QList<double>& from, const QList<double>& to, double* scale, double* shift)
{
    const int n = int(from.size());
    double mf = 0, mt = 0;
    for (int k = 0; k < n; ++k) {
        mf += from[k];
        mt += to[k];
    }
    mf /= n;
    mt /= n;
    double covariance = 0, variance = 0;
    for (int k = 0; k < n; ++k) {
        covariance += (from[k] - mf) * (to[k] - mt);
        variance += (from[k] - mf) * (from[k] - mf);
    }
    *scale = variance > 1e-4 ? std::clamp(covariance / variance, kMinStretch, kMaxStretch) : 1.0;
    *shift = mt - *scale * mf;
}

} // namespace

double StrokeMatch::Cost() const
{
    const int wrongCount = std::abs(writtenCount - TemplateCount());
    return (meanDistance + worstDistance) / 2 + kCountPenalty * wrongCount +
           kReversePenalty * int(reversed.count(true));
}

StrokeMatch MatchStrokes(const InkStrokes& written, const StrokeTemplate& answer)
{
    StrokeMatch match;
    const int m = answer.StrokeCount();
    match.writtenAs = QList<int>(m, -1);
    match.reversed = QList<bool>(m, false);
    match.outOfOrder = QList<bool>(m, false);
    match.distance = QList<double>(m, 0);
    QList<QLineF> ends;
    for (const InkStroke& stroke : written)
        if (!stroke.points.isEmpty())
            ends.append(QLineF(stroke.points.first().pos, stroke.points.last().pos));
    const int n = int(ends.size());
    match.writtenCount = n;
    if (m == 0 || n == 0) {
        match.extraWritten = n;
        return match;
    }

    const Frame modelFrame = FrameOf(answer.strokes);
    const Frame writtenFrame = FrameOf(ends);
    QList<QLineF> model, seen;
    for (const QLineF& line : answer.strokes)
        model.append(QLineF(modelFrame.Map(line.p1()), modelFrame.Map(line.p2())));
    for (const QLineF& line : ends)
        seen.append(QLineF(writtenFrame.Map(line.p1()), writtenFrame.Map(line.p2())));

    double scaleX = 1, shiftX = 0, scaleY = 1, shiftY = 0;
    QList<int> assigned;
    QList<QList<Pair>> pairs;
    for (int round = 0; round <= kFitRounds; ++round) {
        QList<QLineF> fitted;
        for (const QLineF& line : seen)
            fitted.append(QLineF(line.x1() * scaleX + shiftX, line.y1() * scaleY + shiftY,
                                 line.x2() * scaleX + shiftX, line.y2() * scaleY + shiftY));
        pairs = QList<QList<Pair>>(n, QList<Pair>(m));
        QList<QList<double>> cost(n, QList<double>(m));
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < m; ++j) {
                pairs[i][j] = Compare(fitted[i], model[j]);
                cost[i][j] = PairCost(pairs[i][j], i, j);
            }
        assigned = SolveAssignment(cost);
        if (round == kFitRounds)
            break;
        // Fit the untouched written ends onto the template ends they were
        // matched with, each pair in the direction it was matched.
        QList<double> fromX, toX, fromY, toY;
        for (int i = 0; i < n; ++i) {
            const int j = assigned[i];
            if (j < 0)
                continue;
            const bool backward = pairs[i][j].backward + kReverseBias < pairs[i][j].forward;
            const QPointF a = seen[i].p1(), b = seen[i].p2();
            const QPointF s = backward ? model[j].p2() : model[j].p1();
            const QPointF e = backward ? model[j].p1() : model[j].p2();
            fromX << a.x() << b.x();
            toX << s.x() << e.x();
            fromY << a.y() << b.y();
            toY << s.y() << e.y();
        }
        if (fromX.size() < 4)
            break;
        FitAxis(fromX, toX, &scaleX, &shiftX);
        FitAxis(fromY, toY, &scaleY, &shiftY);
        // Keep the writing's proportions within the same bounds.
        const double ratio = scaleX / scaleY;
        if (ratio > kMaxStretch)
            scaleX = scaleY * kMaxStretch;
        else if (ratio < kMinStretch)
            scaleX = scaleY * kMinStretch;
    }

    double sum = 0;
    int matched = 0;
    for (int i = 0; i < n; ++i) {
        const int j = assigned[i];
        if (j < 0) {
            ++match.extraWritten;
            continue;
        }
        const Pair& pair = pairs[i][j];
        match.writtenAs[j] = i;
        const double modelLength = model[j].length();
        const bool backward = pair.backward + kReverseBias < pair.forward &&
                              pair.forward - pair.backward > 0.3 * modelLength;
        match.reversed[j] = backward && modelLength >= kShortStroke &&
                            seen[i].length() * std::min(scaleX, scaleY) >= kShortStroke * 0.6;
        match.distance[j] =
            match.reversed[j] ? pair.backward : std::min(pair.forward, pair.backward);
        sum += match.distance[j];
        match.worstDistance = std::max(match.worstDistance, match.distance[j]);
        ++matched;
    }
    match.meanDistance = matched > 0 ? sum / matched : 0;

    // A stroke is out of turn when its place among the strokes written for
    // the template differs from its place in the template, both counted
    // without the strokes only one side has.
    QList<int> modelOrder;
    for (int j = 0; j < m; ++j)
        if (match.writtenAs[j] >= 0)
            modelOrder.append(j);
    QList<int> writtenOrder = modelOrder;
    std::sort(writtenOrder.begin(), writtenOrder.end(),
              [&](int a, int b) { return match.writtenAs[a] < match.writtenAs[b]; });
    for (int k = 0; k < modelOrder.size(); ++k)
        if (writtenOrder[k] != modelOrder[k])
            match.outOfOrder[writtenOrder[k]] = true;

    // unit box -> template frame -> fitted writing -> sheet
    auto axis = [](double modelCentre, double modelSize, double scale, double shift,
                   double writtenCentre, double writtenSize, double* a, double* b) {
        *a = writtenSize / (modelSize * scale);
        *b = writtenCentre - writtenSize * (modelCentre / modelSize + shift) / scale;
    };
    BoxPlacement& place = match.placement;
    axis(modelFrame.centre.x(), modelFrame.sx, scaleX, shiftX, writtenFrame.centre.x(),
         writtenFrame.sx, &place.ax, &place.bx);
    axis(modelFrame.centre.y(), modelFrame.sy, scaleY, shiftY, writtenFrame.centre.y(),
         writtenFrame.sy, &place.ay, &place.by);
    return match;
}

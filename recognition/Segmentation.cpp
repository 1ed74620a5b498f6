#include "recognition/Segmentation.h"

#include <algorithm>
#include <limits>

namespace {

// Ink this many times taller than wide was written top to bottom.
constexpr qreal kVerticalRatio = 1.5;

struct Unit {
    qreal lo = 0;
    qreal hi = 0;
    QList<int> strokes;
};

QList<InkSegment> SegmentByBoxes(const InkStrokes& strokes, const QList<QRectF>& boxes)
{
    QList<InkSegment> segments(boxes.size());
    for (int b = 0; b < boxes.size(); ++b)
        segments[b].cell = boxes[b];
    for (const InkStroke& stroke : strokes) {
        if (stroke.points.isEmpty())
            continue;
        const QRectF bounds = stroke.bounds();
        const QPointF middle = bounds.center();
        int chosen = -1;
        for (int b = 0; b < boxes.size() && chosen < 0; ++b)
            if (boxes[b].contains(middle))
                chosen = b;
        if (chosen < 0) {
            // A stroke that strays out of its box still belongs to the box it
            // mostly covers; a stroke of no area (a straight line) has no
            // overlap area, so its nearest box decides.
            qreal bestOverlap = 0;
            for (int b = 0; b < boxes.size(); ++b) {
                const QRectF common = boxes[b].intersected(bounds.adjusted(-0.5, -0.5, 0.5, 0.5));
                const qreal area = common.width() * common.height();
                if (area > bestOverlap) {
                    bestOverlap = area;
                    chosen = b;
                }
            }
        }
        if (chosen < 0) {
            qreal bestDistance = std::numeric_limits<qreal>::max();
            for (int b = 0; b < boxes.size(); ++b) {
                const QPointF d = boxes[b].center() - middle;
                const qreal distance = d.x() * d.x() + d.y() * d.y();
                if (distance < bestDistance) {
                    bestDistance = distance;
                    chosen = b;
                }
            }
        }
        segments[chosen].strokes.append(stroke);
    }
    return segments;
}

// Groups units (sorted along the line) into count runs, choosing the cut
// points that reward wide gaps and penalise characters much wider or
// narrower than the average pitch. Returns the index of the first unit of
// each run.
QList<int> ChooseCuts(const QList<Unit>& units, int count)
{
    const int m = int(units.size());
    const qreal span = units.last().hi - units.first().lo;
    const qreal pitch = qMax(span / count, 1e-6);
    // extent[a][b]: the stretch units a to b cover together.
    QList<QList<std::pair<qreal, qreal>>> extent(m, QList<std::pair<qreal, qreal>>(m));
    for (int a = 0; a < m; ++a) {
        qreal lo = units[a].lo, hi = units[a].hi;
        for (int b = a; b < m; ++b) {
            lo = qMin(lo, units[b].lo);
            hi = qMax(hi, units[b].hi);
            extent[a][b] = {lo, hi};
        }
    }
    auto widthCost = [&](int first, int last) {
        const auto [lo, hi] = extent[first][last];
        const qreal deviation = (hi - lo - pitch) / pitch;
        return deviation * deviation;
    };
    // The gap at a cut is measured between everything before it and
    // everything after it; between overlapping strokes it is negative.
    auto gapReward = [&](int next) {
        return (extent[next][m - 1].first - extent[0][next - 1].second) / pitch;
    };
    const qreal inf = std::numeric_limits<qreal>::infinity();
    // best[j][i]: least cost of cutting the first i units into j runs.
    QList<QList<qreal>> best(count + 1, QList<qreal>(m + 1, inf));
    QList<QList<int>> from(count + 1, QList<int>(m + 1, -1));
    best[0][0] = 0;
    for (int j = 1; j <= count; ++j)
        for (int i = j; i <= m - (count - j); ++i)
            for (int start = j - 1; start < i; ++start) {
                if (best[j - 1][start] == inf)
                    continue;
                qreal cost = best[j - 1][start] + widthCost(start, i - 1);
                if (start > 0)
                    cost -= gapReward(start);
                if (cost < best[j][i]) {
                    best[j][i] = cost;
                    from[j][i] = start;
                }
            }
    QList<int> starts(count);
    int i = m;
    for (int j = count; j >= 1; --j) {
        starts[j - 1] = from[j][i];
        i = from[j][i];
    }
    return starts;
}

} // namespace

QRectF InkSegment::InkBoundsOf() const
{
    return InkBounds(strokes);
}

QRectF InkBounds(const InkStrokes& strokes, bool* hasInk)
{
    QRectF bounds;
    bool any = false;
    for (const InkStroke& stroke : strokes) {
        if (stroke.points.isEmpty())
            continue;
        const QRectF b = stroke.bounds();
        if (!any) {
            bounds = b;
            any = true;
        } else {
            bounds =
                QRectF(QPointF(qMin(bounds.left(), b.left()), qMin(bounds.top(), b.top())),
                       QPointF(qMax(bounds.right(), b.right()), qMax(bounds.bottom(), b.bottom())));
        }
    }
    if (hasInk)
        *hasInk = any;
    return bounds;
}

QList<InkSegment> SegmentCharacters(const InkStrokes& strokes, int count,
                                    const QList<QRectF>& boxes)
{
    if (!boxes.isEmpty())
        return SegmentByBoxes(strokes, boxes);
    if (count <= 0)
        return {};
    bool hasInk = false;
    const QRectF all = InkBounds(strokes, &hasInk);
    if (!hasInk)
        return {};
    const bool vertical = count > 1 && all.height() > kVerticalRatio * all.width();
    auto along = [vertical](const QRectF& r) {
        return vertical ? std::pair(r.top(), r.bottom()) : std::pair(r.left(), r.right());
    };

    QList<Unit> strokesAlong;
    for (int s = 0; s < strokes.size(); ++s) {
        if (strokes[s].points.isEmpty())
            continue;
        const auto [lo, hi] = along(strokes[s].bounds());
        strokesAlong.append({lo, hi, {s}});
    }
    std::stable_sort(strokesAlong.begin(), strokesAlong.end(),
                     [](const Unit& a, const Unit& b) { return a.lo < b.lo; });
    QList<Unit> clusters;
    for (const Unit& unit : strokesAlong) {
        if (!clusters.isEmpty() && unit.lo <= clusters.last().hi) {
            clusters.last().hi = qMax(clusters.last().hi, unit.hi);
            clusters.last().strokes += unit.strokes;
        } else {
            clusters.append(unit);
        }
    }

    // The line is as thick as the ink across it, but a line of flat strokes
    // (一 and 二 only) still holds characters about as tall as wide.
    const auto [inkLo, inkHi] =
        vertical ? std::pair(all.left(), all.right()) : std::pair(all.top(), all.bottom());
    const qreal alongSpan = vertical ? all.height() : all.width();
    const qreal lineSize = std::max({inkHi - inkLo, alongSpan / count * 0.8, 1.0});
    const qreal lineLo = (inkLo + inkHi - lineSize) / 2;
    const qreal lineHi = lineLo + lineSize;
    QList<Unit> units = clusters;
    int target = count;
    if (units.size() < count) {
        // Characters written touching or overlapping share a cluster; a
        // cluster holds about one character per line height of its length.
        // Only then are single strokes grouped instead, ordered by their
        // middles; a learner who wrote fewer characters keeps them whole.
        int fit = 0;
        for (const Unit& cluster : clusters)
            fit += qMax(1, qRound((cluster.hi - cluster.lo) / lineSize));
        target = qMin(count, fit);
        if (fit > units.size()) {
            units = strokesAlong;
            std::stable_sort(units.begin(), units.end(), [](const Unit& a, const Unit& b) {
                return a.lo + a.hi < b.lo + b.hi;
            });
        }
    }
    const int written = qMin(target, int(units.size()));
    const QList<int> starts = ChooseCuts(units, written);

    // A cell is at least half a line long, so a lone stroke across the
    // line (丨, or the first stroke of 川 alone) still has a place.
    auto cellOf = [&, vertical](qreal lo, qreal hi) {
        const qreal grow = qMax(0.0, lineSize / 2 - (hi - lo)) / 2;
        lo -= grow;
        hi += grow;
        return vertical ? QRectF(QPointF(lineLo, lo), QPointF(lineHi, hi))
                        : QRectF(QPointF(lo, lineLo), QPointF(hi, lineHi));
    };
    QList<InkSegment> segments;
    for (int j = 0; j < written; ++j) {
        const int end = j + 1 < written ? starts[j + 1] : int(units.size());
        QList<int> members;
        for (int k = starts[j]; k < end; ++k)
            members += units[k].strokes;
        // The learner's stroke order stays, so the recogniser sees the
        // strokes as they were written.
        std::sort(members.begin(), members.end());
        InkSegment segment;
        for (int s : members)
            segment.strokes.append(strokes[s]);
        const auto [lo, hi] = along(InkBounds(segment.strokes));
        segment.cell = cellOf(lo, hi);
        segments.append(segment);
    }
    // Characters left out go after the written ones, one line height apart.
    const qreal step = lineSize;
    qreal next = along(segments.last().cell).second + step * 0.2;
    while (segments.size() < count) {
        InkSegment missing;
        missing.cell = cellOf(next, next + step);
        segments.append(missing);
        next += step * 1.2;
    }
    return segments;
}

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

// The cheapest cut of items 0 to n-1, in their order, into runs consecutive
// runs: run j over the items first to end-1 costs runCost(j, first, end),
// and a cut before item i costs cutCost(i). Returns the first item of each
// run and the total cost (infinite when there are fewer items than runs).
template <typename RunCost, typename CutCost>
std::pair<QList<int>, qreal> CheapestCuts(int n, int runs, RunCost runCost, CutCost cutCost)
{
    const qreal inf = std::numeric_limits<qreal>::infinity();
    // best[j][i]: the least cost of the first i items as j runs.
    QList<QList<qreal>> best(runs + 1, QList<qreal>(n + 1, inf));
    QList<QList<int>> from(runs + 1, QList<int>(n + 1, -1));
    best[0][0] = 0;
    for (int j = 1; j <= runs; ++j)
        for (int i = j; i <= n - (runs - j); ++i)
            for (int start = j - 1; start < i; ++start) {
                if (best[j - 1][start] == inf)
                    continue;
                qreal cost = best[j - 1][start] + runCost(j - 1, start, i);
                if (start > 0)
                    cost += cutCost(start);
                if (cost < best[j][i]) {
                    best[j][i] = cost;
                    from[j][i] = start;
                }
            }
    if (runs < 1 || runs > n || best[runs][n] == inf)
        return {{}, inf};
    QList<int> starts(runs);
    int i = n;
    for (int j = runs; j >= 1; --j) {
        starts[j - 1] = from[j][i];
        i = from[j][i];
    }
    return {starts, best[runs][n]};
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
    return CheapestCuts(
               m, count, [&](int, int first, int end) { return widthCost(first, end - 1); },
               [&](int at) { return -gapReward(at); })
        .first;
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

namespace {

// The line the characters stand on: its direction, and its band across.
struct Line {
    bool vertical = false;
    qreal lo = 0;
    qreal hi = 0;
    qreal size = 1;

    std::pair<qreal, qreal> Along(const QRectF& r) const
    {
        return vertical ? std::pair(r.top(), r.bottom()) : std::pair(r.left(), r.right());
    }
    // A cell is at least half a line long, so a lone stroke across the
    // line (丨, or the first stroke of 川 alone) still has a place.
    QRectF Cell(qreal from, qreal to) const
    {
        const qreal grow = qMax(0.0, size / 2 - (to - from)) / 2;
        from -= grow;
        to += grow;
        return vertical ? QRectF(QPointF(lo, from), QPointF(hi, to))
                        : QRectF(QPointF(from, lo), QPointF(to, hi));
    }
};

Line LineOf(const QRectF& all, int count)
{
    Line line;
    line.vertical = count > 1 && all.height() > kVerticalRatio * all.width();
    // The line is as thick as the ink across it, but a line of flat strokes
    // (一 and 二 only) still holds characters about as tall as wide.
    const auto [inkLo, inkHi] =
        line.vertical ? std::pair(all.left(), all.right()) : std::pair(all.top(), all.bottom());
    const qreal alongSpan = line.vertical ? all.height() : all.width();
    line.size = std::max({inkHi - inkLo, alongSpan / count * 0.8, 1.0});
    line.lo = (inkLo + inkHi - line.size) / 2;
    line.hi = line.lo + line.size;
    return line;
}

// The segments of the stroke groups, each group's strokes in the order
// they were written, then the characters left out, one line height apart.
QList<InkSegment> SegmentsOf(const InkStrokes& strokes, const QList<QList<int>>& groups,
                             const Line& line, int count)
{
    QList<InkSegment> segments;
    for (QList<int> members : groups) {
        // The learner's stroke order stays, so the check sees the strokes
        // as they were written.
        std::sort(members.begin(), members.end());
        InkSegment segment;
        for (int s : members)
            segment.strokes.append(strokes[s]);
        const auto [lo, hi] = line.Along(InkBounds(segment.strokes));
        segment.cell = line.Cell(lo, hi);
        segments.append(segment);
    }
    const qreal step = line.size;
    qreal next = line.Along(segments.last().cell).second + step * 0.2;
    while (segments.size() < count) {
        InkSegment missing;
        missing.cell = line.Cell(next, next + step);
        segments.append(missing);
        next += step * 1.2;
    }
    return segments;
}

// Weights of the cut by expected stroke counts: strokes more or fewer than
// the character has (squared), a character's length off the average pitch, and
// the gap at a cut (a reward) or the overlap there (a cost), in pitches.
constexpr qreal kCountWeight = 1.0;
constexpr qreal kPitchWeight = 1.0;
constexpr qreal kGapWeight = 1.0;
constexpr qreal kOverlapWeight = 2.0;
constexpr qreal kGapRewardCap = 0.5;
// A character left out costs its strokes and this much more, so that one
// character written alone is not cut into two poor ones.
constexpr qreal kMissingWeight = 1.5;

// Cuts the strokes, in the order they were written, into runs for the
// characters, so that each run has about its character's stroke count and
// the cuts fall into gaps along the line. Characters after the last run
// are left out.
QList<QList<int>> CutByCounts(const InkStrokes& strokes, const QList<int>& written,
                              const QList<int>& counts, const Line& line)
{
    const int n = int(written.size());
    const int k = int(counts.size());
    QList<std::pair<qreal, qreal>> along;
    for (int s : written)
        along.append(line.Along(strokes[s].bounds()));
    // prefixHi[i]: the farthest reach of the first i strokes; suffixLo[i]:
    // the nearest start of the strokes from i on.
    QList<qreal> prefixHi(n + 1, -std::numeric_limits<qreal>::infinity());
    QList<qreal> suffixLo(n + 1, std::numeric_limits<qreal>::infinity());
    for (int i = 0; i < n; ++i)
        prefixHi[i + 1] = qMax(prefixHi[i], along[i].second);
    for (int i = n - 1; i >= 0; --i)
        suffixLo[i] = qMin(suffixLo[i + 1], along[i].first);
    const qreal span = prefixHi[n] - suffixLo[0];
    auto missingCost = [&](int from) {
        qreal cost = 0;
        for (int c = from; c < k; ++c)
            cost += kCountWeight * qMax(1, counts[c]) + kMissingWeight;
        return cost;
    };
    const qreal inf = std::numeric_limits<qreal>::infinity();
    // For each number of characters written, the pitch is the writing's
    // length shared among them.
    qreal least = inf;
    int runs = 1;
    QList<int> chosenStarts;
    for (int written = 1; written <= qMin(k, n); ++written) {
        const qreal pitch = qMax(span / written, 1e-6);
        auto runCost = [&](int character, int first, int end) {
            qreal lo = along[first].first, hi = along[first].second;
            for (int i = first + 1; i < end; ++i) {
                lo = qMin(lo, along[i].first);
                hi = qMax(hi, along[i].second);
            }
            const qreal off = (hi - lo - pitch) / pitch;
            const int expected = counts[character];
            // One stroke joined or split is common; a character that
            // lost two of its strokes far less so.
            const int offBy = end - first - expected;
            const qreal countCost = expected > 0 ? kCountWeight * offBy * offBy : 0;
            return countCost + kPitchWeight * off * off;
        };
        auto cutCost = [&](int at) {
            const qreal gap = (suffixLo[at] - prefixHi[at]) / pitch;
            return gap < 0 ? -kOverlapWeight * gap : -kGapWeight * qMin(gap, kGapRewardCap);
        };
        auto [starts, cost] = CheapestCuts(n, written, runCost, cutCost);
        cost += missingCost(written);
        if (cost < least) {
            least = cost;
            runs = written;
            chosenStarts = starts;
        }
    }
    QList<QList<int>> groups(runs);
    for (int j = 0; j < runs; ++j) {
        const int end = j + 1 < runs ? chosenStarts[j + 1] : n;
        for (int s = chosenStarts[j]; s < end; ++s)
            groups[j].append(written[s]);
    }
    return groups;
}

} // namespace

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
    const Line line = LineOf(all, count);

    QList<Unit> strokesAlong;
    for (int s = 0; s < strokes.size(); ++s) {
        if (strokes[s].points.isEmpty())
            continue;
        const auto [lo, hi] = line.Along(strokes[s].bounds());
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

    QList<Unit> units = clusters;
    int target = count;
    if (units.size() < count) {
        // Characters written touching or overlapping share a cluster; a
        // cluster holds about one character per line height of its length.
        // Only then are single strokes grouped instead, ordered by their
        // middles; a learner who wrote fewer characters keeps them whole.
        int fit = 0;
        for (const Unit& cluster : clusters)
            fit += qMax(1, qRound((cluster.hi - cluster.lo) / line.size));
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
    QList<QList<int>> groups;
    for (int j = 0; j < written; ++j) {
        const int end = j + 1 < written ? starts[j + 1] : int(units.size());
        QList<int> members;
        for (int k = starts[j]; k < end; ++k)
            members += units[k].strokes;
        groups.append(members);
    }
    return SegmentsOf(strokes, groups, line, count);
}

QList<InkSegment> SegmentCharacters(const InkStrokes& strokes, const QList<int>& strokeCounts,
                                    const QList<QRectF>& boxes)
{
    const int count = int(strokeCounts.size());
    if (!boxes.isEmpty() ||
        std::all_of(strokeCounts.begin(), strokeCounts.end(), [](int c) { return c <= 0; }))
        return SegmentCharacters(strokes, count, boxes);
    if (count <= 0)
        return {};
    bool hasInk = false;
    const QRectF all = InkBounds(strokes, &hasInk);
    if (!hasInk)
        return {};
    QList<int> written;
    for (int s = 0; s < strokes.size(); ++s)
        if (!strokes[s].points.isEmpty())
            written.append(s);
    const Line line = LineOf(all, count);
    return SegmentsOf(strokes, CutByCounts(strokes, written, strokeCounts, line), line, count);
}

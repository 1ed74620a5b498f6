#include "mainwnd/CInkOutline.h"

#include <QPainterPath>
#include <QPolygonF>
#include <QVarLengthArray>
#include <QtMath>
#include <cmath>

namespace {

// How far the drawn outline may stray from the true curve, in logical pixels.
constexpr qreal kTolerance = 0.05;
// Samples closer than this add nothing but a direction that noise decides.
constexpr qreal kMinStep = 0.05;
// Segments per group of the bounds tree.
constexpr int kFanBits = 4;
constexpr qsizetype kFan = qsizetype(1) << kFanBits;
// Positions closer than this to the last control point only move the tail:
// a slow hand reports every pixel, and curving through each of them turns
// the pixel staircase into a wobble.
constexpr qreal kControlSpacing = 3;
// How far a control point moves towards a new position after a short step,
// and the step from which it moves all the way.
constexpr qreal kFollow = 0.35;
constexpr qreal kFollowFully = 10;

qreal Dot(const QPointF& a, const QPointF& b)
{
    return a.x() * b.x() + a.y() * b.y();
}

qreal Cross(const QPointF& a, const QPointF& b)
{
    return a.x() * b.y() - a.y() * b.x();
}

// The angle between arc points that keeps the chords within the tolerance.
qreal ArcStep(qreal radius)
{
    if (radius <= kTolerance)
        return M_PI / 2;
    return qMin(M_PI / 4, 2 * std::acos(1 - kTolerance / radius));
}

// The points of an arc around centre, starting in the unit direction from
// and turning by sweep radians, both ends left out.
void AddArc(QPolygonF& polygon, const QPointF& centre, qreal radius, const QPointF& from,
            qreal sweep)
{
    const int steps = qCeil(qAbs(sweep) / ArcStep(radius));
    for (int k = 1; k < steps; ++k) {
        const qreal angle = sweep * k / steps;
        const qreal c = std::cos(angle);
        const qreal s = std::sin(angle);
        const QPointF dir(from.x() * c - from.y() * s, from.x() * s + from.y() * c);
        polygon << centre + radius * dir;
    }
}

struct Node {
    QPointF pos;
    qreal radius = 0;
};

// One side of the outline, from the first node to the last: offset by the
// radius to the side the normals point to, with round joins where that side
// is the outer one of a turn. On the inner side the chord between the two
// offsets lies inside the ink, and the non-zero fill covers the little loop.
void AddSide(QPolygonF& polygon, const QVarLengthArray<Node, 64>& nodes, bool reversed)
{
    const qsizetype n = nodes.size();
    auto node = [&](qsizetype i) -> const Node& { return nodes[reversed ? n - 1 - i : i]; };
    auto direction = [&](qsizetype i) {
        const QPointF d = node(i + 1).pos - node(i).pos;
        return d / std::hypot(d.x(), d.y());
    };
    auto normal = [](const QPointF& d) { return QPointF(d.y(), -d.x()); };

    QPointF dPrev = direction(0);
    QPointF nPrev = normal(dPrev);
    polygon << node(0).pos + node(0).radius * nPrev;
    for (qsizetype i = 1; i < n - 1; ++i) {
        const QPointF d = direction(i);
        const QPointF nrm = normal(d);
        const Node& here = node(i);
        polygon << here.pos + here.radius * nPrev;
        if (Dot(d, nPrev) < 0)
            AddArc(polygon, here.pos, here.radius, nPrev,
                   std::atan2(Cross(nPrev, nrm), Dot(nPrev, nrm)));
        polygon << here.pos + here.radius * nrm;
        nPrev = nrm;
    }
    const Node& end = node(n - 1);
    polygon << end.pos + end.radius * nPrev;
    // The round cap: from this side's normal through the direction of travel
    // to the other side.
    AddArc(polygon, end.pos, end.radius, nPrev, M_PI);
}

} // namespace

CInkOutline::CInkOutline(qreal width) : m_rWidth(width) {}

CInkOutline::Sample CInkOutline::SampleOf(const InkPoint& point) const
{
    const qreal pressure = qBound(0.0, point.pressure, 1.0);
    return {float(point.pos.x()), float(point.pos.y()),
            float(m_rWidth * (0.5 + 0.5 * pressure) / 2)};
}

qsizetype CInkOutline::SampleCount() const
{
    return m_samples.size() + (m_nPoints >= 2 ? 1 : 0);
}

CInkOutline::Sample CInkOutline::At(qsizetype index) const
{
    return index < m_samples.size() ? m_samples[index] : SampleOf(m_ptLast);
}

void CInkOutline::AddStable(const Sample& sample)
{
    if (!m_samples.isEmpty()) {
        const Sample& last = m_samples.last();
        if (std::hypot(sample.x - last.x, sample.y - last.y) < kMinStep)
            return;
    }
    m_samples.append(sample);
    if (m_samples.size() >= 2)
        IndexNewSegment();
}

void CInkOutline::IndexNewSegment()
{
    const qsizetype segment = m_samples.size() - 2;
    const QRectF bounds = SegmentBounds(segment);
    for (int level = 0;; ++level) {
        if (level == m_groups.size()) {
            // A new top level: one group over the level below, or over the
            // first segment.
            if (level > 0 && m_groups[level - 1].size() <= 1)
                break;
            QList<QRectF> top;
            if (level == 0) {
                top.append(bounds);
            } else {
                QRectF all;
                for (const QRectF& group : std::as_const(m_groups[level - 1]))
                    all = all.isNull() ? group : all.united(group);
                top.append(all);
            }
            m_groups.append(top);
            break;
        }
        QList<QRectF>& groups = m_groups[level];
        const qsizetype index = segment >> (kFanBits * (level + 1));
        if (index == groups.size())
            groups.append(bounds);
        else
            groups[index] = groups[index].united(bounds);
    }
}

void CInkOutline::CollectHits(int level, qsizetype index, const QRectF& area,
                              QList<qsizetype>& hits) const
{
    if (level < 0) {
        if (SegmentBounds(index).intersects(area))
            hits.append(index);
        return;
    }
    if (!m_groups[level][index].intersects(area))
        return;
    const qsizetype below = level > 0 ? m_groups[level - 1].size() : m_samples.size() - 1;
    const qsizetype end = qMin(below, (index + 1) << kFanBits);
    for (qsizetype child = index << kFanBits; child < end; ++child)
        CollectHits(level - 1, child, area, hits);
}

QRectF CInkOutline::Append(const InkPoint& point)
{
    QRectF changed;
    auto touch = [&changed](const Sample& s) {
        const QRectF disc(s.x - s.r, s.y - s.r, 2 * s.r, 2 * s.r);
        changed = changed.isNull() ? disc : changed.united(disc);
    };
    const Sample here = SampleOf(point);
    if (m_nPoints == 0) {
        m_samples.append(here);
        m_ptControl = point;
        m_nControls = 1;
    } else {
        // The straight tail from the last fixed sample changes in any case.
        touch(m_samples.last());
        touch(SampleOf(m_ptLast));
        const QPointF step = point.pos - m_ptControl.pos;
        if (std::hypot(step.x(), step.y()) >= kControlSpacing) {
            // After a short step the next control point goes only part of
            // the way to the new position: whole-pixel positions zigzag
            // about the line the hand drew by half a pixel, which shows as
            // a wobble on short steps and is lost on long ones. Long steps
            // are followed fully, so fast strokes keep their corners' place.
            const qreal length = std::hypot(step.x(), step.y());
            InkPoint next = point;
            next.pos = m_ptControl.pos + qBound(kFollow, length / kFollowFully, 1.0) * step;
            const Sample control = SampleOf(m_ptControl);
            const Sample ahead = SampleOf(next);
            const Sample mid{(control.x + ahead.x) / 2, (control.y + ahead.y) / 2,
                             (control.r + ahead.r) / 2};
            if (m_nControls == 1) {
                AddStable(mid);
            } else {
                const Sample start = m_samples.last();
                const QPointF p0(start.x, start.y);
                const QPointF p1(control.x, control.y);
                const QPointF p2(mid.x, mid.y);
                // A quadratic curve strays from its chords by at most a
                // quarter of its second difference over the square of their
                // number.
                const QPointF bend = p0 - 2 * p1 + p2;
                const int steps =
                    qMax(1, qCeil(std::sqrt(std::hypot(bend.x(), bend.y()) / (4 * kTolerance))));
                for (int k = 1; k <= steps; ++k) {
                    const qreal t = qreal(k) / steps;
                    const QPointF pos = (1 - t) * (1 - t) * p0 + 2 * (1 - t) * t * p1 + t * t * p2;
                    const Sample s{float(pos.x()), float(pos.y()),
                                   float(start.r + (mid.r - start.r) * t)};
                    AddStable(s);
                    touch(s);
                }
            }
            m_ptControl = next;
            ++m_nControls;
        }
    }
    touch(here);
    m_ptLast = point;
    ++m_nPoints;
    m_rcBounds = m_rcBounds.isNull() ? changed : m_rcBounds.united(changed);
    return changed;
}

QRectF CInkOutline::SegmentBounds(qsizetype first) const
{
    const Sample a = At(first);
    const Sample b = At(first + 1);
    const qreal r = qMax(a.r, b.r);
    return QRectF(QPointF(qMin(a.x, b.x) - r, qMin(a.y, b.y) - r),
                  QPointF(qMax(a.x, b.x) + r, qMax(a.y, b.y) + r));
}

void CInkOutline::AddRun(QPainterPath& path, qsizetype first, qsizetype last) const
{
    QVarLengthArray<Node, 64> nodes;
    for (qsizetype i = first; i <= last; ++i) {
        const Sample s = At(i);
        const QPointF pos(s.x, s.y);
        if (!nodes.isEmpty() &&
            std::hypot(pos.x() - nodes.last().pos.x(), pos.y() - nodes.last().pos.y()) < 1e-3)
            continue;
        nodes.append({pos, s.r});
    }
    if (nodes.isEmpty())
        return;
    if (nodes.size() == 1) {
        // A tap leaves a dot, as a round pen does.
        path.addEllipse(nodes[0].pos, nodes[0].radius, nodes[0].radius);
        return;
    }
    QPolygonF polygon;
    polygon.reserve(nodes.size() * 2 + 32);
    AddSide(polygon, nodes, false);
    AddSide(polygon, nodes, true);
    path.addPolygon(polygon);
    path.closeSubpath();
}

void CInkOutline::AddOutline(QPainterPath& path, const QRectF& area) const
{
    const qsizetype count = SampleCount();
    if (count == 0 || !m_rcBounds.intersects(area))
        return;
    path.setFillRule(Qt::WindingFill);
    if (count == 1) {
        AddRun(path, 0, 0);
        return;
    }
    // Runs of segments that reach the area, each its own closed outline.
    // The cap that closes a run sits on a sample whose other segment cannot
    // reach the area, so neither can the cap: inside the area the runs give
    // the pixels of the whole stroke.
    QList<qsizetype> hits;
    if (!m_groups.isEmpty()) {
        const int top = int(m_groups.size()) - 1;
        for (qsizetype index = 0; index < m_groups[top].size(); ++index)
            CollectHits(top, index, area, hits);
    }
    // The tail from the newest fixed sample to the newest position.
    const qsizetype tail = count - 2;
    if (tail == m_samples.size() - 1 && SegmentBounds(tail).intersects(area))
        hits.append(tail);
    for (qsizetype k = 0; k < hits.size();) {
        qsizetype last = k;
        while (last + 1 < hits.size() && hits[last + 1] == hits[last] + 1)
            ++last;
        AddRun(path, hits[k], hits[last] + 1);
        k = last + 1;
    }
}

qsizetype CInkOutline::MemoryUse() const
{
    qsizetype bytes = qsizetype(sizeof(*this)) + m_samples.capacity() * qsizetype(sizeof(Sample));
    for (const QList<QRectF>& groups : m_groups)
        bytes += qsizetype(sizeof(groups)) + groups.capacity() * qsizetype(sizeof(QRectF));
    return bytes;
}

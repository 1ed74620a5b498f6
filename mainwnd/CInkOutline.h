#pragma once

#include "recognition/InkStroke.h"

#include <QList>
#include <QRectF>

class QPainterPath;

// The ink of one stroke, built up pen position by pen position. The centre
// line runs straight from the first position to the midpoint of the first
// two, then by quadratic curves through the midpoints of consecutive
// positions with the positions as control points, and straight on to the
// last position: a curve without corners however coarse the input. Positions
// a hair's breadth from the last control point only move that last straight
// piece, so a slow hand's pixel steps do not show as a wobble. It is
// kept as samples close enough that the polyline strays less than a tenth of
// a pixel from the curve, each with the ink's half-width there.
//
// The ink is drawn as one closed outline per stroke (offset sides with round
// joins and round caps) filled once, so the antialiased edge is blended once
// and overlapping pieces leave no scallops.
//
// The bounds of the segments are kept in a tree of groups of 16, so that
// finding the ink near an area costs about the logarithm of the stroke's
// length plus what is found: a long stroke does not make each new piece
// dearer.
class CInkOutline {
public:
    // width: the ink's width in logical pixels at full pressure. Pressure
    // 0 to 1 narrows it to between half and all of it.
    explicit CInkOutline(qreal width = 6);

    // Adds the next pen position; returns the area whose ink changed.
    QRectF Append(const InkPoint& point);

    qreal Width() const { return m_rWidth; }
    // The area the ink covers.
    QRectF Bounds() const { return m_rcBounds; }

    // Adds to path the outline of every part of the stroke whose ink can
    // reach area. Inside area, filling path gives exactly the pixels of the
    // whole stroke; the rest of the stroke is left out to keep the cost to
    // what is near.
    void AddOutline(QPainterPath& path, const QRectF& area) const;

    // Bytes held, for the memory budget of a question's writing.
    qsizetype MemoryUse() const;

private:
    struct Sample {
        float x = 0;
        float y = 0;
        float r = 0; // half-width
    };

    Sample SampleOf(const InkPoint& point) const;
    Sample At(qsizetype index) const;
    qsizetype SampleCount() const;
    void AddStable(const Sample& sample);
    QRectF SegmentBounds(qsizetype first) const;
    void AddRun(QPainterPath& path, qsizetype first, qsizetype last) const;
    // Enters the segment that ends at the newest fixed sample.
    void IndexNewSegment();
    // Appends to hits, in order, the fixed segments below group index of
    // level whose ink can reach area.
    void CollectHits(int level, qsizetype index, const QRectF& area, QList<qsizetype>& hits) const;

    qreal m_rWidth = 6;
    // The samples up to the midpoint of the last two positions; the last
    // position itself follows as the tail, which the next position replaces.
    QList<Sample> m_samples;
    InkPoint m_ptLast;    // the newest position, where the tail ends
    InkPoint m_ptControl; // the newest control point of the curve
    qsizetype m_nPoints = 0;
    qsizetype m_nControls = 0;
    QRectF m_rcBounds;
    // m_groups[l][i]: the bounds of fixed segments i * 16^(l+1) up to
    // (i + 1) * 16^(l+1); the last level has a single group or none.
    QList<QList<QRectF>> m_groups;
};

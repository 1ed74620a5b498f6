#pragma once

#include "recognition/InkStroke.h"

#include <QList>
#include <QRectF>
#include <initializer_list>

// Strokes drawn from straight lines, as a mouse would give them: points a few
// pixels apart with rising times.
inline InkStroke LineStroke(QPointF from, QPointF to, int steps = 12)
{
    InkStroke stroke;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = qreal(i) / steps;
        stroke.points.append({from + (to - from) * t, 1.0, i * 10});
    }
    return stroke;
}

// A polyline stroke through the given corners.
inline InkStroke PolyStroke(std::initializer_list<QPointF> corners, int stepsPerLeg = 8)
{
    InkStroke stroke;
    const QList<QPointF> list(corners);
    for (int leg = 0; leg + 1 < list.size(); ++leg)
        for (int i = leg == 0 ? 0 : 1; i <= stepsPerLeg; ++i) {
            const qreal t = qreal(i) / stepsPerLeg;
            stroke.points.append({list[leg] + (list[leg + 1] - list[leg]) * t, 1.0,
                                  qint64(stroke.points.size()) * 10});
        }
    return stroke;
}

// Strokes given in a unit square (0..1 each way), placed into a cell of the
// sheet.
inline InkStrokes PlaceInCell(const InkStrokes& unit, const QRectF& cell)
{
    InkStrokes placed;
    for (const InkStroke& stroke : unit) {
        InkStroke out;
        for (InkPoint p : stroke.points) {
            p.pos = QPointF(cell.left() + p.pos.x() * cell.width(),
                            cell.top() + p.pos.y() * cell.height());
            out.points.append(p);
        }
        placed.append(out);
    }
    return placed;
}

// Hand-made characters of straight lines in the unit square, strokes in
// their usual order and direction.
inline InkStrokes UnitIchi()
{
    return {LineStroke({0.1, 0.5}, {0.9, 0.5})};
}
inline InkStrokes UnitNi()
{
    return {LineStroke({0.2, 0.3}, {0.8, 0.3}), LineStroke({0.1, 0.75}, {0.9, 0.75})};
}
inline InkStrokes UnitSan()
{
    return {LineStroke({0.2, 0.2}, {0.8, 0.2}), LineStroke({0.25, 0.5}, {0.75, 0.5}),
            LineStroke({0.1, 0.82}, {0.9, 0.82})};
}
inline InkStrokes UnitJuu()
{
    return {LineStroke({0.1, 0.45}, {0.9, 0.45}), LineStroke({0.5, 0.1}, {0.5, 0.9})};
}
inline InkStrokes UnitKawa()
{
    return {PolyStroke({{0.25, 0.15}, {0.25, 0.6}, {0.12, 0.9}}),
            LineStroke({0.5, 0.2}, {0.5, 0.8}), LineStroke({0.78, 0.1}, {0.78, 0.92})};
}
inline InkStrokes UnitKuchi()
{
    // 口 stands small in its box.
    return {LineStroke({0.25, 0.3}, {0.28, 0.72}),
            PolyStroke({{0.28, 0.3}, {0.73, 0.3}, {0.7, 0.68}}),
            LineStroke({0.3, 0.68}, {0.72, 0.66})};
}
// 日 and 月 as boxes of straight lines, for segmentation.
inline InkStrokes UnitHi()
{
    return {LineStroke({0.25, 0.1}, {0.25, 0.9}),
            PolyStroke({{0.25, 0.1}, {0.75, 0.1}, {0.75, 0.9}}),
            LineStroke({0.25, 0.5}, {0.75, 0.5}), LineStroke({0.25, 0.88}, {0.75, 0.88})};
}
inline InkStrokes UnitTsuki()
{
    return {PolyStroke({{0.25, 0.1}, {0.25, 0.7}, {0.1, 0.95}}),
            PolyStroke({{0.25, 0.1}, {0.8, 0.1}, {0.8, 0.95}, {0.7, 0.9}}),
            LineStroke({0.25, 0.4}, {0.8, 0.4}), LineStroke({0.25, 0.65}, {0.8, 0.65})};
}

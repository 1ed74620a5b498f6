#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>

// One sample of the pen: where it was in the sheet's logical coordinates,
// how hard it pressed (1 for a mouse) and when, in milliseconds since the
// stroke began.
struct InkPoint {
    QPointF pos;
    qreal pressure = 1.0;
    qint64 time = 0;

    bool operator==(const InkPoint&) const = default;
};

// One stroke from pen-down to pen-up. The writing sheet keeps the current
// question's strokes as a list of these; the handwriting check reads them.
struct InkStroke {
    QList<InkPoint> points;

    bool operator==(const InkStroke&) const = default;

    QRectF bounds() const
    {
        if (points.isEmpty())
            return {};
        qreal left = points.first().pos.x(), right = left;
        qreal top = points.first().pos.y(), bottom = top;
        for (const InkPoint& p : points) {
            left = qMin(left, p.pos.x());
            right = qMax(right, p.pos.x());
            top = qMin(top, p.pos.y());
            bottom = qMax(bottom, p.pos.y());
        }
        return QRectF(QPointF(left, top), QPointF(right, bottom));
    }
};

using InkStrokes = QList<InkStroke>;

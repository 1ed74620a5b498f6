#pragma once

#include "recognition/CStrokeTemplates.h"
#include "recognition/InkStroke.h"

#include <QLineF>
#include <QList>

// A stretch and a shift along each axis: where a template's unit box
// lands on the sheet.
struct BoxPlacement {
    double ax = 1, bx = 0, ay = 1, by = 0;

    QPointF Map(const QPointF& p) const { return QPointF(ax * p.x() + bx, ay * p.y() + by); }
    QLineF Map(const QLineF& l) const { return QLineF(Map(l.p1()), Map(l.p2())); }
};

// How the strokes written for one character line up with a template: which
// template stroke each written stroke is (the cheapest one-to-one
// assignment by where the strokes start and end), which were written
// backwards or out of turn, and how far each lay from where the template
// has it. Distances are in sizes of the character: 0.1 is a tenth of its
// width (or height) off, after the writing was fitted onto the template.
struct StrokeMatch {
    // Per template stroke, in the template's order: its position among the
    // written strokes (-1 when none was written for it), whether it was
    // written from its end to its start, whether it came out of turn, and
    // how far its written stroke lay off.
    QList<int> writtenAs;
    QList<bool> reversed;
    QList<bool> outOfOrder;
    QList<double> distance;
    int writtenCount = 0;
    // Written strokes that no template stroke took: one too many, or two
    // written where the template has one.
    int extraWritten = 0;
    double meanDistance = 0;
    double worstDistance = 0;
    // The template's unit box mapped onto the sheet where the character was
    // written, for drawing the answer's strokes over the writing.
    BoxPlacement placement;

    int TemplateCount() const { return int(writtenAs.size()); }
    int MissingCount() const { return int(writtenAs.count(-1)); }
    bool CountRight() const { return writtenCount == TemplateCount(); }
    bool OrderRight() const { return !outOfOrder.contains(true); }
    bool DirectionRight() const { return !reversed.contains(true); }
    // One figure for comparing how well the writing fits two templates:
    // the typical and the worst stroke, a stroke's worth for each stroke
    // too many or too few, and a little for each stroke read backwards.
    double Cost() const;
};

StrokeMatch MatchStrokes(const InkStrokes& written, const StrokeTemplate& answer);

#pragma once

#include "recognition/InkStroke.h"

#include <QList>
#include <QRectF>

// One written character cut out of the sheet's ink.
struct InkSegment {
    InkStrokes strokes;
    // Where the character stands: its guide box, or, without boxes, its
    // stretch of the line of writing across the whole line. A character the
    // learner left out gets the place it would have had and no strokes.
    QRectF cell;

    // The ink's own bounds; empty without strokes.
    QRectF InkBoundsOf() const;
};

// The bounds of all points of the strokes. A single dot has a bounds of size
// zero, so hasInk tells "no ink" from "ink of no size".
QRectF InkBounds(const InkStrokes& strokes, bool* hasInk = nullptr);

// Cuts the ink into count characters.
//
// With guide boxes every box is one character, in the boxes' order; a stroke
// belongs to the box that holds its middle, else to the box it overlaps
// most, else to the nearest one. count is then ignored.
//
// Without boxes the strokes are projected on the direction of writing
// (top to bottom when the ink is much taller than wide, left to right
// otherwise). Strokes whose extents overlap form one cluster; the clusters
// are then grouped into count characters at the gaps that give the widest
// gaps and the most even character widths, so the gaps inside 川 or 明 do
// not split them while the gap between two characters does. When there are
// fewer clusters than characters, single strokes are grouped instead; when
// there are fewer strokes than characters, the missing characters are
// returned empty after the written ones.
QList<InkSegment> SegmentCharacters(const InkStrokes& strokes, int count,
                                    const QList<QRectF>& boxes = {});

// Cuts the ink into the characters whose stroke counts are given (0 for a
// character whose count is not known). With boxes, or when no count is
// known, as above. Otherwise the strokes, in the order they were written,
// are cut into runs that have about the characters' stroke counts, at cuts
// that fall into gaps along the line and leave characters of even length:
// the counts keep 川 or 二 whole and still cut い|い. Characters after the
// last run written are returned empty.
QList<InkSegment> SegmentCharacters(const InkStrokes& strokes, const QList<int>& strokeCounts,
                                    const QList<QRectF>& boxes = {});

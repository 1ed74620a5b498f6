#pragma once

#include <QList>
#include <QRect>

// A column of controls placed by a template, squeezed into less height: the
// gaps and heights shrink by `scale`, but no control gets shorter than its
// caption needs, and none moves up into the one above it. Controls side by
// side keep their row; a group box keeps room for its title above the
// controls it frames and grows around them.
struct SqueezeItem {
    QRect m_rcNatural;      // where the template puts it, in pixels
    int m_nMinHeight = 0;   // the least height that keeps its caption whole
    int m_nFrame = -1;      // index of the group box that frames it, or -1
    int m_nTitleHeight = 0; // group boxes: room for the title above the first control
};

// The squeezed geometry of every item, in the items' order; `scale` 1 gives
// the template's.
QList<QRect> SqueezeColumn(const QList<SqueezeItem>& items, double scale);

// The bottom edge (exclusive) of the squeezed column.
int SqueezedBottom(const QList<SqueezeItem>& items, double scale);

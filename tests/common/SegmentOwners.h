#pragma once

#include "recognition/Segmentation.h"

#include <QString>
#include <QStringList>

// Marks every stroke with its position in the sheet, so a test can see
// which strokes each character got.
inline InkStrokes Tagged(InkStrokes strokes)
{
    for (int s = 0; s < strokes.size(); ++s)
        for (InkPoint& p : strokes[s].points)
            p.pressure = s;
    return strokes;
}

// "0,1|2" for two characters, the first with strokes 0 and 1; a character
// without strokes is "-".
inline QString Owners(const QList<InkSegment>& segments)
{
    QStringList parts;
    for (const InkSegment& segment : segments) {
        QStringList indices;
        for (const InkStroke& stroke : segment.strokes)
            indices.append(QString::number(int(stroke.points.first().pressure)));
        parts.append(indices.isEmpty() ? QStringLiteral("-") : indices.join(u','));
    }
    return parts.join(u'|');
}

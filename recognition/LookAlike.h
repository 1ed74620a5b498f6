#pragma once

#include "recognition/CStrokeTemplates.h"
#include "recognition/InkStroke.h"

#include <QList>
#include <QStringList>

struct StrokeMatch;

// Two characters whose strokes are the same ones in the same order and
// differ only in how long they are or where they start and end (日 and 曰,
// 天 and 夫, 甲 and 申). A fit of the whole writing stretches such
// differences away, and the recogniser often names only one of the two,
// so they are told apart by the strokes where they differ, with the
// writing's proportions kept.
struct LookAlike {
    // Per stroke of the first character, the second's stroke it stands for.
    QList<int> counterpart;

    bool IsEmpty() const { return counterpart.isEmpty(); }
};

// Whether other's strokes, written exactly, would fit answer's as well as
// writing that is a little off does: same count, each stroke close to one
// of answer's and running the same way, both kanji or both kana. Empty
// when they are not look-alikes (or either has no template).
LookAlike FindLookAlike(const QString& answer, const QString& other);

// The look-alikes of a character among all the templates, whether or not
// the recogniser would ever name them.
QStringList LookAlikesOf(const QString& answer);

// Where the writing lies between answer (0) and its look-alike other (1),
// judged only along the ways the two differ: the writing's strokes as match
// assigned them to answer's, fitted with one scale for both directions onto
// the point halfway between the two templates.
double LeaningTowards(const InkStrokes& written, const StrokeMatch& match,
                      const StrokeTemplate& answer, const StrokeTemplate& other,
                      const LookAlike& alike);

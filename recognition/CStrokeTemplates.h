#pragma once

#include <QLineF>
#include <QList>
#include <QString>
#include <QStringList>

// How one character is written: its strokes in writing order, each from
// where the pen goes down to where it lifts, in a unit box (0 to 1 across
// and down). A stroke that bends keeps only its two ends.
struct StrokeTemplate {
    QList<QLineF> strokes;

    bool IsEmpty() const { return strokes.isEmpty(); }
    int StrokeCount() const { return int(strokes.size()); }
};

// The stroke templates compiled into the program: KanjiVG's kanji and our
// own kana table, made at build time (tools/gen_stroke_templates.cpp). The
// data stays where the resource lies in the program file and is read in
// place: a lookup costs a binary search and touches a few pages.
//
// Layout, little-endian: "VSTK", a version byte (1) and three zero bytes,
// the character count, then per character in code-point order its code
// point and (first stroke << 8 | stroke count), then four bytes per stroke:
// x and y where it starts, x and y where it ends, in 256ths of the box.
class CStrokeTemplates {
public:
    // The template of one character (a single code point); empty when there
    // is none.
    static StrokeTemplate Find(const QString& character);
    static bool Has(const QString& character);
    // Every character whose template has this many strokes, in code-point
    // order.
    static QStringList WithStrokeCount(int count);
    // How many characters have a template; 0 when the data is unusable.
    static int CharacterCount();
};

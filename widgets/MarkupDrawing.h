#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QFontMetrics;
class QPainter;

// Markup text: "<R>" starts a run of kanji outside the standard table, "<G>"
// a run of reading that stands for kanji, "<N>" returns to the colour the
// drawing started with. Tags match in any case and do not nest.
inline constexpr QRgb kMarkupRed = 0xFFFF7777;   // RGB(255,119,119)
inline constexpr QRgb kMarkupGreen = 0xFF99FF99; // RGB(153,255,153)

// Edges as the drawing works with them: right and bottom are exclusive.
struct TextRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static TextRect FromQRect(const QRect& rect)
    {
        return {rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
    }
    int Width() const { return right - left; }
};

// rect.left and rect.top give the start, rect.right the wrapping limit. On
// return rect is the bounding box of the wrapped text: right the farthest
// edge reached, bottom the lowest line's bottom (both 0 for no characters).
// Every character is measured on its own, so a line may break between any
// two characters.
void MeasureMarkupText(const QFontMetrics& metrics, const QString& text, TextRect& rect);

// Draws with the painter's font, starting in the pen's colour, which is the
// colour again afterwards. singleLine centres one line vertically and cuts it
// off at the first character that does not fit; otherwise the text wraps.
void DrawMarkupText(QPainter& painter, const QString& text, const TextRect& rect, bool singleLine);

// Draws one character (one UTF-16 unit, or a surrogate pair) at the pen
// position (x, y) = top-left of the character cell and advances x; wraps to
// the next line when the character passes the right edge. False when it
// cannot be placed.
bool DrawMarkupChar(QPainter& painter, const QString& character, const TextRect& rect,
                    int lineHeight, int& x, int& y, bool singleLine);

// The tag at position i of the text: 'R', 'G', 'N', or 0 when none starts there.
char MarkupTagAt(const QString& text, qsizetype i);

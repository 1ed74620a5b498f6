#include "widgets/MarkupDrawing.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// One character of the text starting at i: a surrogate pair stays whole,
// since half of one has no extent of its own.
QString CharacterAt(const QString& text, qsizetype i)
{
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return text.mid(i, 2);
    return text.mid(i, 1);
}

} // namespace

char MarkupTagAt(const QString& text, qsizetype i)
{
    if (i + 2 >= text.size() || text.at(i) != QLatin1Char('<') ||
        text.at(i + 2) != QLatin1Char('>'))
        return 0;
    const char16_t letter = text.at(i + 1).toUpper().unicode();
    if (letter == u'R' || letter == u'G' || letter == u'N')
        return static_cast<char>(letter);
    return 0;
}

void MeasureMarkupText(const QFontMetrics& metrics, const QString& text, TextRect& rect)
{
    const int lineHeight = metrics.height();
    int x = rect.left;
    int y = rect.top;
    const int limit = rect.right;
    rect.right = 0;
    rect.bottom = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (MarkupTagAt(text, i)) {
            i += 3;
            continue;
        }
        const QString character = CharacterAt(text, i);
        i += character.size();
        const int cx = metrics.horizontalAdvance(character);
        const int cy = metrics.height();
        x += cx;
        int bottom = y + cy;
        if (x >= limit) {
            x = rect.left + cx;
            if (x >= limit)
                break; // wider than a whole line
            y += lineHeight;
            bottom = y + cy;
        }
        rect.right = qMax(rect.right, x);
        rect.bottom = qMax(rect.bottom, bottom);
    }
}

bool DrawMarkupChar(QPainter& painter, const QString& character, const TextRect& rect,
                    int lineHeight, int& x, int& y, bool singleLine)
{
    const QFontMetrics metrics(painter.font());
    const int cx = metrics.horizontalAdvance(character);
    const int cy = metrics.height();
    if (x + cx > rect.right || y + cy > rect.bottom) {
        if (singleLine)
            return false;
        if (rect.left + cx > rect.right)
            return false;
        if (y + cy + lineHeight > rect.bottom)
            return false;
        x = rect.left;
        y += lineHeight;
    }
    painter.drawText(x, y + metrics.ascent(), character);
    x += cx;
    return true;
}

void DrawMarkupText(QPainter& painter, const QString& text, const TextRect& rect, bool singleLine)
{
    const QColor defaultColour = painter.pen().color();
    const int lineHeight = QFontMetrics(painter.font()).height();
    int x = rect.left;
    int y = rect.top;
    if (singleLine)
        y = rect.top + (rect.bottom - rect.top - lineHeight) / 2;
    bool tagColour = false;
    auto setColour = [&painter](const QColor& colour) {
        QPen pen = painter.pen();
        pen.setColor(colour);
        painter.setPen(pen);
    };
    for (qsizetype i = 0; i < text.size();) {
        if (const char tag = MarkupTagAt(text, i)) {
            if (tag == 'R')
                setColour(QColor::fromRgb(kMarkupRed));
            else if (tag == 'G')
                setColour(QColor::fromRgb(kMarkupGreen));
            else
                setColour(defaultColour);
            tagColour = (tag != 'N');
            i += 3;
            continue;
        }
        const QString character = CharacterAt(text, i);
        i += character.size();
        if (!DrawMarkupChar(painter, character, rect, lineHeight, x, y, singleLine))
            break;
    }
    if (tagColour)
        setColour(defaultColour);
}

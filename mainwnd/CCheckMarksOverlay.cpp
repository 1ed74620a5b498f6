#include "mainwnd/CCheckMarksOverlay.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <cmath>

namespace {

// Marks scale with the written characters, within limits that stay legible
// and do not cover the writing. The longer side counts: without boxes a
// cell is only as wide as the ink (い, 川), yet its mark should be as large
// as the same character's in a box.
int MarkSize(const QRectF& cell)
{
    return qBound(24, qRound(qMax(cell.width(), cell.height()) * 0.3), 40);
}

QColor ColorOf(CheckVerdict verdict)
{
    switch (verdict) {
    case CheckVerdict::Correct:
        return CCheckMarksOverlay::kCorrectColor;
    case CheckVerdict::StrokeFault:
        return CCheckMarksOverlay::kFaultColor;
    default:
        return CCheckMarksOverlay::kWrongColor;
    }
}

bool HasMark(const CharacterCheck& check)
{
    return check.verdict != CheckVerdict::Unchecked;
}

// Two cells one above the other, sharing their horizontal stretch: the
// learner wrote top to bottom.
bool WrittenVertically(const QList<CharacterCheck>& checks)
{
    if (checks.size() < 2)
        return false;
    const QRectF a = checks[0].cell, b = checks[1].cell;
    return b.top() >= a.bottom() - 1 && b.left() < a.right() && a.left() < b.right();
}

QString Numbers(const QList<int>& strokes)
{
    QStringList numbers;
    for (int s : strokes)
        numbers.append(QString::number(s + 1));
    return numbers.join(QStringLiteral("、"));
}

// The side of the square the answer's strokes stand in.
qreal AnswerSide(const CharacterCheck& check)
{
    QRectF bounds;
    for (const QLineF& line : check.answerStrokes)
        bounds = bounds.united(QRectF(line.p1(), line.p2()).normalized());
    return qMax(qMax(bounds.width(), bounds.height()),
                qMin(check.cell.width(), check.cell.height()));
}

qreal NumberDiameter(const CharacterCheck& check)
{
    return qBound(14.0, AnswerSide(check) * 0.13, 26.0);
}

// Where each stroke's number stands: on the stroke's start, unless an
// earlier number is there already (the first two strokes of 口 start at one
// corner, and in a dense character many starts lie close). Then it moves
// just before the start, against the stroke's way, or to one side, to the
// first place that leaves the earlier numbers readable; failing all, it
// stays on the start.
QList<QPointF> NumberCentres(const CharacterCheck& check, qreal diameter)
{
    QList<QPointF> centres;
    const qreal clearance = diameter;
    const auto isClear = [&](const QPointF& centre) {
        for (const QPointF& other : std::as_const(centres))
            if (QLineF(centre, other).length() < clearance)
                return false;
        return true;
    };
    for (const QLineF& line : check.answerStrokes) {
        const QPointF start = line.p1();
        const QPointF way = line.length() > 0 ? (line.p2() - start) / line.length() : QPointF(1, 0);
        const QPointF side(-way.y(), way.x());
        const qreal step = diameter * 1.05;
        const QPointF tries[] = {start,
                                 start - way * step,
                                 start + side * step,
                                 start - side * step,
                                 start - (way + side) * step * 0.75,
                                 start - (way - side) * step * 0.75,
                                 start - way * step * 2};
        QPointF chosen = start;
        for (const QPointF& place : tries)
            if (isClear(place)) {
                chosen = place;
                break;
            }
        centres.append(chosen);
    }
    return centres;
}

QRectF NumberCircle(const QPointF& centre, qreal diameter)
{
    return QRectF(centre.x() - diameter / 2, centre.y() - diameter / 2, diameter, diameter);
}

} // namespace

CCheckMarksOverlay::CCheckMarksOverlay(QWidget* sheet) : QWidget(sheet)
{
    setObjectName(QStringLiteral("checkMarks"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(sheet->rect());
    sheet->installEventFilter(this);
    hide();
}

void CCheckMarksOverlay::SetChecks(const QList<CharacterCheck>& checks)
{
    m_checks = checks;
    setVisible(!m_checks.isEmpty());
    raise();
    update();
}

void CCheckMarksOverlay::Clear()
{
    if (m_checks.isEmpty())
        return;
    m_checks.clear();
    hide();
}

void CCheckMarksOverlay::SetShowAnswer(bool show)
{
    if (show == m_bShowAnswer)
        return;
    m_bShowAnswer = show;
    update();
}

bool CCheckMarksOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        // The overlay lets the mouse through, so the sheet is asked for the
        // tooltip; over a mark, the mark answers.
        if (event->type() == QEvent::ToolTip && isVisible()) {
            const auto* help = static_cast<QHelpEvent*>(event);
            const QList<QRect> rects = MarkRects();
            for (int i = 0; i < rects.size(); ++i)
                if (rects[i].contains(help->pos())) {
                    QToolTip::showText(help->globalPos(), Explanation(m_checks[i]), parentWidget(),
                                       rects[i]);
                    return true;
                }
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString CCheckMarksOverlay::MarkLabel(const CharacterCheck& check)
{
    switch (check.verdict) {
    case CheckVerdict::StrokeFault: {
        const QList<int> faulty = check.FaultyStrokes();
        return faulty.isEmpty() ? QStringLiteral("画数") : Numbers(faulty);
    }
    case CheckVerdict::Wrong:
        return check.recognised;
    default:
        return {};
    }
}

QString CCheckMarksOverlay::Explanation(const CharacterCheck& check)
{
    switch (check.verdict) {
    case CheckVerdict::Correct:
        return QStringLiteral("「%1」: 字も書き順も合っています。").arg(check.expected);
    case CheckVerdict::StrokeFault: {
        QStringList faults;
        QList<int> order, direction;
        for (int s = 0; s < check.answerStrokes.size(); ++s) {
            if (check.outOfOrder.value(s))
                order.append(s);
            if (check.reversed.value(s))
                direction.append(s);
        }
        if (!order.isEmpty())
            faults.append(QStringLiteral("書き順が違う画: %1画目").arg(Numbers(order)));
        if (!direction.isEmpty())
            faults.append(QStringLiteral("向きが逆の画: %1画目").arg(Numbers(direction)));
        if (check.writtenCount != check.answerStrokes.size())
            faults.append(QStringLiteral("画数: %1画のところ%2画")
                              .arg(check.answerStrokes.size())
                              .arg(check.writtenCount));
        return QStringLiteral("「%1」: 字は合っていますが、%2。見本 (M) で正しい書き順を重ねて"
                              "見られます。")
            .arg(check.expected, faults.join(QStringLiteral("、")));
    }
    case CheckVerdict::Wrong:
        return check.recognised.isEmpty()
                   ? QStringLiteral("「%1」として読めません。").arg(check.expected)
                   : QStringLiteral("「%1」ではなく「%2」に見えます。")
                         .arg(check.expected, check.recognised);
    case CheckVerdict::Missing:
        return QStringLiteral("「%1」が書かれていません。").arg(check.expected);
    case CheckVerdict::Unchecked:
        break;
    }
    return {};
}

QFont CCheckMarksOverlay::LabelFont(int markSize) const
{
    QFont labelFont = font();
    labelFont.setPixelSize(qMax(13, qRound(markSize * 0.62)));
    return labelFont;
}

QList<QRect> CCheckMarksOverlay::MarkRects() const
{
    QList<QRect> rects;
    const bool vertical = WrittenVertically(m_checks);
    for (const CharacterCheck& check : m_checks) {
        if (!HasMark(check)) {
            rects.append(QRect());
            continue;
        }
        const QRect cell = check.cell.toAlignedRect();
        const int size = MarkSize(cell);
        const QString label = MarkLabel(check);
        // A label follows the symbol: the look-alike of a wrong character,
        // the strokes at fault.
        const int width =
            label.isEmpty() ? size
            : check.verdict == CheckVerdict::Wrong
                ? size * 2 + size / 4
                : size + QFontMetrics(LabelFont(size)).horizontalAdvance(label) + size / 3;
        QRect mark(0, 0, width, size);
        if (vertical) {
            mark.moveCenter(QPoint(0, cell.center().y()));
            mark.moveLeft(cell.right() + size / 4);
        } else {
            mark.moveCenter(QPoint(cell.center().x(), 0));
            mark.moveTop(cell.bottom() + size / 4);
            // No room under the writing: beside it at its foot instead.
            if (mark.bottom() > height()) {
                mark.moveBottom(cell.bottom());
                mark.moveLeft(cell.right() + size / 8);
            }
        }
        rects.append(mark);
    }
    return rects;
}

QList<QList<QRectF>> CCheckMarksOverlay::StrokeNumberRects() const
{
    QList<QList<QRectF>> all;
    if (!m_bShowAnswer)
        return all;
    for (const CharacterCheck& check : m_checks) {
        QList<QRectF> numbers;
        const qreal diameter = NumberDiameter(check);
        for (const QPointF& centre : NumberCentres(check, diameter))
            numbers.append(NumberCircle(centre, diameter));
        all.append(numbers);
    }
    return all;
}

void CCheckMarksOverlay::PaintAnswer(QPainter& painter, const CharacterCheck& check) const
{
    const qreal diameter = NumberDiameter(check);
    const qreal width = qMax(2.0, AnswerSide(check) / 45);
    QColor line = kAnswerColor;
    line.setAlpha(170);
    painter.setPen(QPen(line, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // The arrowheads are outlines: the brush left by the numbers of the
    // character before would fill them, red where that one erred.
    painter.setBrush(Qt::NoBrush);
    for (const QLineF& stroke : check.answerStrokes) {
        const QLineF& mapped = stroke;
        painter.drawLine(mapped);
        if (mapped.length() < diameter)
            continue;
        // The arrowhead shows where the stroke goes.
        const qreal head = qMax(6.0, diameter * 0.5);
        const qreal angle = std::atan2(mapped.dy(), mapped.dx());
        const QPointF tip = mapped.p2();
        QPainterPath arrow;
        arrow.moveTo(tip - QPointF(std::cos(angle - 0.45), std::sin(angle - 0.45)) * head);
        arrow.lineTo(tip);
        arrow.lineTo(tip - QPointF(std::cos(angle + 0.45), std::sin(angle + 0.45)) * head);
        painter.drawPath(arrow);
    }
    QFont numberFont = font();
    numberFont.setPixelSize(qMax(9, qRound(diameter * 0.68)));
    numberFont.setBold(true);
    painter.setFont(numberFont);
    const QList<QPointF> centres = NumberCentres(check, diameter);
    for (int s = 0; s < check.answerStrokes.size(); ++s) {
        const QRectF circle = NumberCircle(centres[s], diameter);
        const bool faulty = check.outOfOrder.value(s) || check.reversed.value(s);
        painter.setPen(Qt::NoPen);
        painter.setBrush(faulty ? kWrongColor : kAnswerColor);
        painter.drawEllipse(circle);
        painter.setPen(Qt::white);
        painter.drawText(circle, Qt::AlignCenter, QString::number(s + 1));
    }
}

void CCheckMarksOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_bShowAnswer)
        for (const CharacterCheck& check : std::as_const(m_checks))
            PaintAnswer(painter, check);
    const QList<QRect> rects = MarkRects();
    for (int i = 0; i < m_checks.size(); ++i) {
        const CharacterCheck& check = m_checks[i];
        const QRect mark = rects[i];
        if (mark.isEmpty())
            continue;
        const QColor color = ColorOf(check.verdict);
        const int size = mark.height();
        // A light plate under the mark keeps it readable over ink.
        painter.setPen(QPen(color, 1.5));
        painter.setBrush(QColor(255, 252, 244, 235));
        painter.drawRoundedRect(QRectF(mark).adjusted(0.5, 0.5, -0.5, -0.5), size / 5.0,
                                size / 5.0);
        const QRectF symbol = QRectF(mark.left(), mark.top(), size, size)
                                  .adjusted(size * 0.22, size * 0.22, -size * 0.22, -size * 0.22);
        painter.setPen(
            QPen(color, qMax(2.0, size / 9.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        QPainterPath path;
        if (check.IsAnswersCharacter()) {
            path.moveTo(symbol.left(), symbol.center().y());
            path.lineTo(symbol.left() + symbol.width() * 0.38, symbol.bottom());
            path.lineTo(symbol.right(), symbol.top());
        } else {
            path.moveTo(symbol.topLeft());
            path.lineTo(symbol.bottomRight());
            path.moveTo(symbol.topRight());
            path.lineTo(symbol.bottomLeft());
        }
        painter.drawPath(path);
        const QString label = MarkLabel(check);
        if (label.isEmpty())
            continue;
        QFont labelFont = LabelFont(size);
        if (check.verdict == CheckVerdict::Wrong)
            labelFont.setPixelSize(qRound(size * 0.8));
        painter.setFont(labelFont);
        painter.setPen(color);
        painter.drawText(QRect(mark.left() + size, mark.top(), mark.width() - size, size),
                         Qt::AlignCenter, label);
    }
}

#include "mainwnd/CCheckMarksOverlay.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

// Marks scale with the written characters, within limits that stay legible
// and do not cover the writing.
int MarkSize(const QRectF& cell)
{
    return qBound(16, qRound(qMin(cell.width(), cell.height()) * 0.3), 40);
}

QColor ColorOf(CheckVerdict verdict)
{
    switch (verdict) {
    case CheckVerdict::Correct:
        return CCheckMarksOverlay::kCorrectColor;
    case CheckVerdict::Close:
        return CCheckMarksOverlay::kCloseColor;
    default:
        return CCheckMarksOverlay::kWrongColor;
    }
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

bool CCheckMarksOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

QList<QRect> CCheckMarksOverlay::MarkRects() const
{
    QList<QRect> rects;
    const bool vertical = WrittenVertically(m_checks);
    for (const CharacterCheck& check : m_checks) {
        if (check.verdict == CheckVerdict::Unchecked) {
            rects.append(QRect());
            continue;
        }
        const QRect cell = check.cell.toAlignedRect();
        const int size = MarkSize(cell);
        // A wrong mark carries the recognised character after the cross.
        const int width = check.verdict == CheckVerdict::Wrong && !check.recognised.isEmpty()
                              ? size * 2 + size / 4
                              : size;
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

void CCheckMarksOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
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
        painter.setBrush(QColor(255, 252, 244, 225));
        painter.drawRoundedRect(QRectF(mark).adjusted(0.5, 0.5, -0.5, -0.5), size / 5.0,
                                size / 5.0);
        const QRectF symbol = QRectF(mark.left(), mark.top(), size, size)
                                  .adjusted(size * 0.22, size * 0.22, -size * 0.22, -size * 0.22);
        painter.setPen(
            QPen(color, qMax(2.0, size / 9.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        QPainterPath path;
        switch (check.verdict) {
        case CheckVerdict::Correct:
            path.moveTo(symbol.left(), symbol.center().y());
            path.lineTo(symbol.left() + symbol.width() * 0.38, symbol.bottom());
            path.lineTo(symbol.right(), symbol.top());
            break;
        case CheckVerdict::Close:
            path.moveTo(symbol.center().x(), symbol.top());
            path.lineTo(symbol.right(), symbol.bottom());
            path.lineTo(symbol.left(), symbol.bottom());
            path.closeSubpath();
            break;
        default:
            path.moveTo(symbol.topLeft());
            path.lineTo(symbol.bottomRight());
            path.moveTo(symbol.topRight());
            path.lineTo(symbol.bottomLeft());
            break;
        }
        painter.drawPath(path);
        if (check.verdict == CheckVerdict::Wrong && !check.recognised.isEmpty()) {
            QFont font = this->font();
            font.setPixelSize(qRound(size * 0.8));
            painter.setFont(font);
            painter.setPen(color);
            painter.drawText(QRect(mark.left() + size, mark.top(), mark.width() - size, size),
                             Qt::AlignCenter, check.recognised);
        }
    }
}

#include "mainwnd/CWriteView.h"

#include "platform/Profile.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTabletEvent>

namespace {

// Mouse positions name pixels; a stroke runs through their centres so that
// a pen of width w covers w pixels across the line.
QPointF PixelCentre(const QPointF& point)
{
    return QPointF(qFloor(point.x()) + 0.5, qFloor(point.y()) + 0.5);
}

} // namespace

CWriteView::CWriteView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
}

CWriteView::~CWriteView() = default;

void CWriteView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int cx = width();
    const int cy = height();
    if (cx <= 0 || cy <= 0)
        return;
    const int bw = m_pBitmap ? m_pBitmap->width() : 0;
    const int bh = m_pBitmap ? m_pBitmap->height() : 0;
    if (cx <= bw && cy <= bh)
        return;
    // The slack spares a new buffer for small enlargements.
    auto grown =
        std::make_unique<QImage>(qMax(cx, bw) + 300, qMax(cy, bh) + 200, QImage::Format_RGB32);
    if (grown->isNull())
        return; // the old buffer stays
    grown->fill(m_crBack);
    if (m_pBitmap) {
        QPainter painter(grown.get());
        painter.drawImage(0, 0, *m_pBitmap);
    }
    m_pBitmap = std::move(grown);
}

void CWriteView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    if (!m_pBitmap) {
        painter.fillRect(area, palette().color(QPalette::Base));
        return;
    }
    painter.drawImage(area.topLeft(), *m_pBitmap, area);
}

void CWriteView::Erase()
{
    if (!m_pBitmap)
        return;
    m_pBitmap->fill(m_crBack);
    repaint();
}

void CWriteView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        BeginStroke(event->position());
    QWidget::mousePressEvent(event);
}

void CWriteView::mouseMoveEvent(QMouseEvent* event)
{
    ContinueStroke(event->position());
    QWidget::mouseMoveEvent(event);
}

void CWriteView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        EndStroke(event->position());
    QWidget::mouseReleaseEvent(event);
}

void CWriteView::tabletEvent(QTabletEvent* event)
{
    // A pen writes like the mouse; accepting the event keeps Qt from
    // delivering the same movement again as a mouse event.
    switch (event->type()) {
    case QEvent::TabletPress:
        if (event->button() == Qt::LeftButton)
            BeginStroke(event->position());
        break;
    case QEvent::TabletMove:
        ContinueStroke(event->position());
        break;
    case QEvent::TabletRelease:
        if (event->button() == Qt::LeftButton)
            EndStroke(event->position());
        break;
    default:
        break;
    }
    event->accept();
}

void CWriteView::BeginStroke(const QPointF& point)
{
    if (m_bDrawing)
        return;
    m_ptLast = PixelCentre(point);
    m_bDrawing = true;
    emit StrokeBegun();
}

void CWriteView::ContinueStroke(const QPointF& point)
{
    if (m_bDrawing)
        DrawSegmentTo(point);
}

void CWriteView::EndStroke(const QPointF& point)
{
    if (!m_bDrawing)
        return;
    m_bDrawing = false;
    DrawSegmentTo(point);
}

void CWriteView::DrawSegmentTo(const QPointF& point)
{
    const QPointF target = PixelCentre(point);
    if (m_pBitmap) {
        const int width =
            GetProfileInt(QStringLiteral("Settings"), QStringLiteral("StrokeWidth"), 6);
        QPainter painter(m_pBitmap.get());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(m_crPen, qMax(width, 0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(m_ptLast, target);
        painter.end();
        const int reach = qAbs(width) / 2 + 2;
        const QRect touched = QRectF(m_ptLast, target)
                                  .normalized()
                                  .toAlignedRect()
                                  .adjusted(-reach, -reach, reach, reach);
        update(touched);
    }
    m_ptLast = target;
}

#include "widgets/CModeButton.h"

#include "platform/Bitmaps.h"

#include <QPainter>
#include <QPen>

CModeButton::CModeButton(QWidget* parent) : QPushButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

CModeButton::CModeButton(const QString& caption, QWidget* parent) : CModeButton(parent)
{
    setText(caption);
}

void CModeButton::LoadBitmaps(int onId, int offId)
{
    // Red is the transparent colour of every mode picture.
    m_bmpOn = LoadBitmap(onId, QColor(255, 0, 0));
    m_bmpOff = LoadBitmap(offId, QColor(255, 0, 0));
    update();
}

void CModeButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();
    const QPixmap& picture = m_bChecked ? m_bmpOn : m_bmpOff;
    if (!picture.isNull())
        painter.drawPixmap(client, picture); // the mask cuts the corners at any size
    painter.setPen(Qt::black);
    painter.setFont(font());
    painter.drawText(client, Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        // A dotted rectangle 2 pixels inside the edge, as focus rectangles
        // are drawn on the pictures of every style.
        QPen pen(Qt::black, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(client.adjusted(2, 2, -3, -3));
    }
}

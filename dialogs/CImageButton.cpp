#include "dialogs/CImageButton.h"

#include "platform/Bitmaps.h"

#include <QPainter>

CImageButton::CImageButton(QWidget* parent) : QPushButton(parent) {}

void CImageButton::SetButtonImage(int bitmapId, const QColor& transparent)
{
    m_imageList.clear();
    const QPixmap picture = LoadBitmap(bitmapId, transparent);
    if (!picture.isNull())
        m_imageList.append(picture);
    update();
}

void CImageButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    if (m_imageList.isEmpty())
        return;
    QPainter painter(this);
    painter.drawPixmap((width() - 24) / 2, (height() - 24) / 2, m_imageList.first());
}

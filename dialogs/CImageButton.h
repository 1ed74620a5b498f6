#pragma once

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QPushButton>

// A push button painted by the style with a 24 x 24 picture in its middle.
// The picture stays put when the button is pressed and is not greyed.
class CImageButton : public QPushButton {
    Q_OBJECT
public:
    explicit CImageButton(QWidget* parent = nullptr);

    void SetButtonImage(int bitmapId, const QColor& transparent);
    bool HasImage() const { return !m_imageList.isEmpty(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QPixmap> m_imageList; // empty until SetButtonImage
};

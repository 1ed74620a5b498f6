#pragma once

#include <QPixmap>
#include <QPushButton>

// An owner-drawn button for one learning mode: the coloured picture while
// checked, the grey one otherwise, stretched over the button, with the
// caption centred on top. The owner loads the pictures, sets m_bChecked and
// repaints; the button never changes its state by itself. A pressed button
// looks like a released one; the focus rectangle follows the keyboard focus.
class CModeButton : public QPushButton {
    Q_OBJECT
public:
    explicit CModeButton(QWidget* parent = nullptr);
    CModeButton(const QString& caption, QWidget* parent);

    // Both pictures from bitmap resources.
    void LoadBitmaps(int onId, int offId);

    QPixmap m_bmpOn;
    QPixmap m_bmpOff;
    bool m_bChecked = false;

protected:
    void paintEvent(QPaintEvent* event) override;
};

#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <memory>

// The writing canvas. The writing exists only as the pixels of a back buffer
// that is at least as large as the view once it has been sized and never
// shrinks, so writing survives every resize. Strokes are drawn with a round
// pen whose width is read from the settings at every segment.
class CWriteView : public QWidget {
    Q_OBJECT
public:
    explicit CWriteView(QWidget* parent = nullptr);
    ~CWriteView() override;

    // Wipes the writing to the ground colour.
    void Erase();

    // Tests and the frame's layout look at the buffer.
    const QImage* GetBackBuffer() const { return m_pBitmap.get(); }
    bool IsDrawing() const { return m_bDrawing; }

    const QColor m_crPen = QColor(0, 0, 0);
    const QColor m_crBack = QColor(240, 230, 210);

signals:
    // A stroke began: the question's dictation is counted.
    void StrokeBegun();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;

private:
    void BeginStroke(const QPointF& point);
    void ContinueStroke(const QPointF& point);
    void EndStroke(const QPointF& point);
    void DrawSegmentTo(const QPointF& point);

    std::unique_ptr<QImage> m_pBitmap;
    bool m_bDrawing = false;
    QPointF m_ptLast;
};

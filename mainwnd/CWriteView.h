#pragma once

#include "mainwnd/CInkOutline.h"
#include "recognition/InkStroke.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QWidget>

class QAction;
class QActionGroup;
class QMenu;
class QPainter;

// The writing sheet. The current question's strokes are kept as pen
// positions; the back buffer holds their pixels and is redrawn from them,
// only where something changed: while writing, the rectangle the new piece
// of ink touches. The buffer is at least as large as the view once it has
// been sized, never shrinks and follows the screen's device-pixel ratio.
// Guides are drawn faintly beneath the ink.
class CWriteView : public QWidget {
    Q_OBJECT
public:
    // Commands the frame's accelerator table sends to the canvas.
    enum Command : int { kCmdUndo = 57643, kCmdRedo = 57644 };
    // Values of the setting "GuideMode" (Options::GuideMode).
    enum GuideMode : int { kGuideNone = 0, kGuideCross = 1, kGuideBoxes = 2 };

    // What one question's writing may hold. A pen at 1,000 Hz gives a
    // stroke 10,000 positions in ten seconds; no character takes longer, and
    // a word's strokes are a few dozen. At a bound the stroke being written
    // ends as if the pen had been lifted, and the pen writes again only
    // where the sheet has room: a new stroke after a pen-up, once undo or
    // erase made room for it.
    static constexpr qsizetype kMaxStrokePoints = 10000;
    static constexpr qsizetype kMaxStrokes = 300;
    static constexpr qsizetype kMaxSheetPoints = 200000;

    explicit CWriteView(QWidget* parent = nullptr);
    ~CWriteView() override;

    // Wipes the writing to the ground colour. One undo brings it back.
    void Erase();
    void Undo();
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;

    // The frame calls this whenever it shows a question: the sheet starts
    // empty with nothing to undo, and the guide boxes follow the word with
    // its parenthesised alternatives left out.
    void SetAnswerWord(const QString& word);

    // Undo and redo; false for every other command.
    bool OnCmdMsg(int id);
    // Whether the command is one the focused text box keeps for itself.
    static bool IsTextEditCommand(int id) { return id == kCmdUndo || id == kCmdRedo; }
    // An editable text box, where Ctrl+Z undoes typing rather than ink.
    static bool IsEditableTextBox(const QWidget* widget);

    // The strokes of the current question in logical coordinates, the one
    // being written included.
    const InkStrokes& Strokes() const { return m_strokes; }
    // The cells of the box guide for the current word, left to right; empty
    // while another guide is shown.
    QList<QRectF> GuideBoxes() const;
    int GetGuideMode() const { return m_nGuideMode; }
    // Shows the guide and stores it in "GuideMode".
    void SetGuideMode(int mode);

    // Extra actions for the context menu, after a separator.
    void AddContextActions(const QList<QAction*>& actions);
    QMenu* ContextMenu() const { return m_pMenu; }

    // Tests and benchmarks look at the buffer and the bytes the strokes
    // take. A blank sheet has no buffer until something asks for one.
    const QImage& GetBackBuffer() const;
    bool HasBackBuffer() const { return !m_image.isNull(); }
    bool IsDrawing() const { return m_bDrawing; }
    qsizetype StrokeMemory() const;

    const QColor m_crPen = QColor(0, 0, 0);
    const QColor m_crBack = QColor(240, 230, 210);
    const QColor m_crGuide = QColor(214, 198, 170);

signals:
    // A stroke began: the question's dictation is counted.
    void StrokeBegun();
    // A stroke was finished, undone or redone, or the sheet was wiped.
    void StrokesChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // One step of the undo list: a stroke (the last one on the sheet, or
    // the one a redo brings back) or an erase (with the strokes it wiped).
    struct Step {
        bool m_bErase = false;
        InkStrokes m_strokes;
        QList<CInkOutline> m_outlines;
    };

    void BeginStroke(const QPointF& point, qreal pressure);
    void ContinueStroke(const QPointF& point, qreal pressure);
    void EndStroke(const QPointF& point, qreal pressure);
    void AddPoint(const QPointF& point, qreal pressure);
    // The stroke being written reached a bound: it ends here.
    void StopAtBound();
    void ClearSheet();
    void CarryOn(const InkPoint& from);
    void OpenMenu(const QPoint& globalPos);
    void UpdateMenu();

    void RebuildBuffer(const QSize& logicalSize);
    // Allocates the buffer for the sheet's size and draws it whole.
    void MakeBuffer();
    // A blank sheet is drawn straight to the screen where its device
    // pixels are whole logical pixels.
    bool PaintsBlankDirectly() const;
    // Draws the ground, the guides and the ink inside area (logical) and
    // asks for it to be painted.
    void Redraw(const QRectF& area);
    void RedrawAll();
    // Guides in the device pixels of area, beneath the ink.
    void DrawGuides(QPainter& painter, const QRect& device) const;
    QPointF PixelCentre(const QPointF& point) const;
    void LayoutGuides();

    QImage m_image;
    QSize m_sizeBuffer; // logical; the buffer's once there is one
    qreal m_rDpr = 1;   // device pixels of the buffer per logical pixel
    bool m_bDrawing = false;
    bool m_bBlank = false;         // the sheet shows ground and guides only
    qsizetype m_nPointsBefore = 0; // on the sheet, in the strokes before the current one
    QElapsedTimer m_strokeClock;

    InkStrokes m_strokes;
    QList<CInkOutline> m_outlines; // one per stroke, drawn from it
    QList<Step> m_undo;
    QList<Step> m_redo;

    QString m_strWord;
    int m_nGuideMode = kGuideNone;
    QList<QRectF> m_boxes;

    QMenu* m_pMenu = nullptr;
    QAction* m_pUndo = nullptr;
    QAction* m_pRedo = nullptr;
    QAction* m_pErase = nullptr;
    QActionGroup* m_pGuides = nullptr;
    QWidget* m_pWatched = nullptr; // the window whose menu key we answer
};

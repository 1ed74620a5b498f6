#pragma once

#include <QDialog>
#include <QRect>

// A modal dialog with a size grip in the lower-right corner when it is
// resizable, and F1 help: the dialog's own topic when it has a help button
// (id 9), otherwise the help contents. The template id is also the help id.
class CBaseDialog : public QDialog {
    Q_OBJECT
public:
    CBaseDialog(int templateId, QWidget* parent);
    ~CBaseDialog() override;

    bool IsResizable() const { return m_bResizable; }

    // The grip square for a client size.
    QRect GetGripRect(int width, int height) const;
    // True when the client point lies on the grip of a resizable dialog, so
    // that a press there resizes the dialog by its lower-right corner.
    bool HitTestGrip(const QPoint& clientPoint) const;

    // F1: the topic when a child with id 9 exists, else the contents.
    void OnHelp();
    // The dialog's help topic (its help button).
    void OnCommandHelp();

protected:
    // Resizable dialogs have a sizing frame and the grip.
    void SetResizable(bool resizable);
    // Sizes the dialog to its template (width, height in dialog units).
    void SetTemplateSize(int cx, int cy);
    // No larger than the room the screen gives windows: a resizable dialog
    // is made smaller, a fixed one shows its controls in a scroll area.
    void FitIntoScreen();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

    int m_cxGrip = 0;
    int m_cyGrip = 0;
    int m_cxLast = 0;
    int m_cyLast = 0;

private:
    int m_nTemplateId = 0;
    bool m_bResizable = false;
    bool m_bHelpButtonBound = false;
    bool m_bGripDragging = false;
    QPoint m_ptGripOffset; // from the pointer to the lower-right corner
};

#pragma once

#include "widgets/MarkupDrawing.h"

#include <QFont>
#include <QString>
#include <QWidget>

// The strip along the top of the main window that shows the question or the
// answer in a large font, white on near-black. It wraps the markup text
// within its width, centres the block, and makes itself exactly as tall as
// the wrapped text needs, so the canvas below gets the rest.
class CPanelDialogBar : public QWidget {
    Q_OBJECT
public:
    explicit CPanelDialogBar(QWidget* parent = nullptr);
    ~CPanelDialogBar() override;

    // (Re)creates the font from FontFace and FontPoint.
    void CreateTextFont();
    void SetText(const QString& text);
    // Measures the text, sets the text rectangle and the bar height, asks
    // the window that holds the panel for a new layout and repaints.
    void Relayout();

    // The height the frame's layout gives the panel.
    int GetBarHeight() const { return m_nBarHeight; }
    QSize sizeHint() const override;

    QFont m_fontPanel;
    QString m_strPanelText;
    TextRect m_rcText;

    static constexpr QRgb kBackground = 0xFF0C1014; // RGB(12,16,20)

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool m_bInLayout = false;
    int m_nBarHeight = 0;
};

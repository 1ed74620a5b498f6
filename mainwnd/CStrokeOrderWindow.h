#pragma once

#include <QWidget>

class QLabel;

// A window of its own, beside the drill, showing the answer's word in the
// KanjiStrokeOrders font, whose glyphs number every stroke. The word is as
// large as the window lets it be, and the window follows the question the
// drill shows. Without that font the word is drawn in the normal font and a
// line says why the numbers are missing. It opens beside the main window,
// stays above it as a tool window, and hands the drill's keys to it.
class CStrokeOrderWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString kStrokeOrderFamily = QStringLiteral("KanjiStrokeOrders");

    explicit CStrokeOrderWindow(QWidget* parent = nullptr);

    // The word as written in the answer; parenthesised alternatives are
    // left out, as in the check.
    void SetWord(const QString& word);
    QString Word() const { return m_strWord; }

    bool HasStrokeOrderFont() const { return m_bHasFont; }
    // The font the word is drawn in at the current size.
    QFont WordFont() const;

    // Tests pretend the font is missing.
    void SetStrokeOrderFontAvailable(bool available);

    // The glyphs' least height in pixels at which their stroke numbers are
    // still readable.
    static constexpr int kReadableGlyph = 200;
    // Where a window of that size opens beside the owner's frame: to its
    // right, else to its left, else over its right part; always inside the
    // available area, and level with the owner's top where it can.
    static QPoint PlaceBeside(const QRect& owner, const QSize& size, const QRect& available);
    // The inside size that shows the word's glyphs at the readable height,
    // within the available size.
    QSize ReadableSize(const QRect& available) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateNote();
    QRect WordArea() const;

    QString m_strWord;
    bool m_bHasFont = false;
    void GrowToReadable();

    QLabel* m_pNote = nullptr;
    bool m_bPlaced = false;
};

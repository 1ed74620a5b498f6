#pragma once

#include <QWidget>

class QLabel;

// A window of its own, beside the drill, showing the answer's word in the
// KanjiStrokeOrders font, whose glyphs number every stroke. The word is as
// large as the window lets it be, and the window follows the question the
// drill shows. Without that font the word is drawn in the normal font and a
// line says why the numbers are missing.
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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateNote();
    QRect WordArea() const;

    QString m_strWord;
    bool m_bHasFont = false;
    QLabel* m_pNote = nullptr;
};

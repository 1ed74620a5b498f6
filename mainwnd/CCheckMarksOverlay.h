#pragma once

#include "recognition/WritingCheck.h"

#include <QColor>
#include <QList>
#include <QWidget>

// The verdicts of the writing check, drawn over the writing sheet: a small
// mark under each written character (beside it when the learner wrote top
// to bottom). It covers the sheet exactly, lets every mouse event through to
// it, and paints nothing but the marks, so the writing stays as it was.
class CCheckMarksOverlay : public QWidget {
    Q_OBJECT
public:
    // Colours that read on the sheet's beige ground.
    static inline const QColor kCorrectColor{0x1b, 0x7a, 0x2e};
    static inline const QColor kCloseColor{0xb8, 0x6e, 0x00};
    static inline const QColor kWrongColor{0xc6, 0x28, 0x28};

    // Made a child of the sheet, following its size.
    explicit CCheckMarksOverlay(QWidget* sheet);

    void SetChecks(const QList<CharacterCheck>& checks);
    void Clear();
    const QList<CharacterCheck>& Checks() const { return m_checks; }
    bool HasMarks() const { return !m_checks.isEmpty(); }

    // Where the mark of each check is drawn, in the overlay's pixels; an
    // empty rectangle for a check without a mark.
    QList<QRect> MarkRects() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<CharacterCheck> m_checks;
};

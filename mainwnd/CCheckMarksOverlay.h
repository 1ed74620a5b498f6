#pragma once

#include "recognition/WritingCheck.h"

#include <QColor>
#include <QList>
#include <QWidget>

// The verdicts of the writing check, drawn over the writing sheet: a mark
// under each written character (beside it when the learner wrote top to
// bottom), and, when asked, the answer's strokes in each character's
// place, numbered in their order with an arrow for their direction; the
// number of a stroke written out of turn or backwards is red. The overlay
// covers the sheet exactly, lets every mouse event through to it and
// paints nothing else, so the writing stays as it was; hovering a mark
// explains it.
class CCheckMarksOverlay : public QWidget {
    Q_OBJECT
public:
    // Colours that read on the sheet's beige ground.
    static inline const QColor kCorrectColor{0x1b, 0x7a, 0x2e};
    static inline const QColor kFaultColor{0xb8, 0x6e, 0x00};
    static inline const QColor kWrongColor{0xc6, 0x28, 0x28};
    static inline const QColor kAnswerColor{0x1f, 0x5f, 0xbf};

    // Made a child of the sheet, following its size.
    explicit CCheckMarksOverlay(QWidget* sheet);

    void SetChecks(const QList<CharacterCheck>& checks);
    void Clear();
    const QList<CharacterCheck>& Checks() const { return m_checks; }
    bool HasMarks() const { return !m_checks.isEmpty(); }

    // Whether the answer's strokes are drawn over the writing.
    void SetShowAnswer(bool show);
    bool ShowsAnswer() const { return m_bShowAnswer; }

    // Where the mark of each check is drawn, in the overlay's pixels; an
    // empty rectangle for a check without a mark.
    QList<QRect> MarkRects() const;
    // Where each answer stroke's number is drawn, per check; empty while the
    // answer is not shown.
    QList<QList<QRectF>> StrokeNumberRects() const;

    // What a mark says beside its symbol ("3,4" for strokes 3 and 4 out of
    // turn, the look-alike of a wrong character), and what hovering it
    // explains.
    static QString MarkLabel(const CharacterCheck& check);
    static QString Explanation(const CharacterCheck& check);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PaintAnswer(QPainter& painter, const CharacterCheck& check) const;
    QFont LabelFont(int markSize) const;

    QList<CharacterCheck> m_checks;
    bool m_bShowAnswer = false;
};

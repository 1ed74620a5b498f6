#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// An up-down control that steps the integer of its buddy edit within a range.
// It sits at the buddy's right edge, which is narrowed by its width, and the
// buddy's up and down arrow keys step it too. The buddy's text is only
// changed by a step: whatever is typed stays as typed until someone clamps it.
class CSpinButtonCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButtonCtrl(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* buddy);

    void SetRange32(int low, int high);
    void GetRange32(int& low, int& high) const;

    // Adds delta to the buddy's number and writes the result, kept in range.
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AttachToBuddy();

    QLineEdit* m_pBuddy = nullptr;
    QToolButton* m_pUp = nullptr;
    QToolButton* m_pDown = nullptr;
    int m_nLow = 0;
    int m_nHigh = 100;
};

// The decimal number at the start of the text (after blanks and one sign),
// 0 when it starts with none; numbers too large for an int saturate.
int ParseLeadingInt(const QString& text);

// Puts the edit's number into the up-down control's range: an empty edit
// becomes the low end, "150" with a high end of 100 becomes "100", and "036"
// becomes "36". The text is only set when it changes.
void ClampEditToSpinRange(QLineEdit* edit, const CSpinButtonCtrl* spin);

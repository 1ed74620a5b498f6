#pragma once

#include "platform/ColumnSqueeze.h"

#include "dialogs/CImageButton.h"
#include "study/LearnMode.h"
#include "widgets/CModeButton.h"

#include <QList>
#include <QString>
#include <QWidget>
#include <array>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QPushButton;

// The tall bar at one side of the main window: the five mode buttons that
// show the learner's choice for the current question until the drill writes
// it into the item, the drill buttons, today's dictation count, the
// count of reviews due today, the history-filter indicator and five picture
// buttons. The mode buttons act as
// one radio group: Tab enters it at the checked button and leaves it as a
// whole, the arrow keys move the choice within it. The bar runs nothing
// itself: each control asks for its command, which the frame runs.
class CMainDialogBar : public QWidget {
    Q_OBJECT
public:
    explicit CMainDialogBar(QWidget* parent = nullptr);
    ~CMainDialogBar() override;

    void InitBar();

    // Checks the button of the mode; nothing else.
    void SelectModeButton(int mode);
    // Id of the first checked of 1000 to 1003, else 1004.
    int GetCheckedModeButton() const;
    // The mode of GetCheckedModeButton.
    LearnMode GetCheckedMode() const;
    void SetAnswerCaption(bool questionSide);
    // Today's count from the study data, or the one given.
    void ShowTodayCount();
    void ShowTodayCount(int count);
    // Today's due reviews, beside the count.
    void ShowDueCount(int count);
    QLabel* DueCountLabel() const { return m_pDueCount; }

    // The command a control of the bar (1000 to 1016) asks for, else 0.
    static int CommandOfControl(int id);

    // Tab and arrow keys among the bar's controls, before the focused
    // control sees them. True when the key was used.
    bool PreTranslateKey(QKeyEvent* event);

    // The rectangle of the five filter squares, in bar coordinates.
    QRect GetFilterIndicatorRect() const;
    QRect GetFilterSquare(int k) const;

    // The template width in pixels.
    QSize sizeHint() const override;
    // As wide as the template; as short as the bar may be squeezed while
    // every caption still fits (see resizeEvent).
    QSize minimumSizeHint() const override;

    QWidget* GetControl(int id) const;
    // Gives the keyboard focus back to the bar's control that had it last.
    void FocusDialogControl();

    std::array<CModeButton*, 5> m_btnMode{};   // 1000 to 1004
    std::array<CImageButton*, 5> m_btnImage{}; // 1012 to 1016
    QString m_strAnswerCaption;

    static QColor ModeColor(int k);

signals:
    // A control was pressed; the cross asks after its click has finished.
    void CommandRequested(int command);
    // The checked mode button changed, by a click, an arrow key or a caller.
    void CheckedModeChanged(LearnMode mode);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* CreateButton(int id, const QString& caption, int x, int y, int cx, int cy);
    void RouteCommand(int id);
    bool IsTabStop(const QWidget* widget) const;
    bool IsModeButton(const QWidget* widget) const;
    QWidget* NextTabStop(QWidget* from, bool forward, bool wrap) const;
    void CheckButton(int index);

    QGroupBox* m_pGroup = nullptr;
    QLabel* m_pDueCount = nullptr;
    QList<QWidget*> m_controls; // in template order: the order of tab stops
    // Where the template puts the group box and the buttons above the
    // picture buttons, kept to squeeze the bar in a short window.
    mutable QList<QPair<QWidget*, QRect>> m_templateGeometry;
    QList<SqueezeItem> ColumnItems() const;
    int PictureUnit(double squeeze) const;
    // The bar's height with the template squeezed by the factor.
    int SqueezedHeight(const QList<SqueezeItem>& items, double squeeze) const;
};

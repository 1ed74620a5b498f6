#pragma once

#include "dialogs/CBaseDialog.h"

#include <QSize>

class CChartListCtrl;
class QLabel;

// "最近100日間の書き取り回数": the dictation counts of the last 100 study
// days, today first, and below them the reviews coming due and how well
// the last 30 days' reviews were remembered. Resizable; its size outlives it
// in the settings.
class CStudyStateDialog : public CBaseDialog {
    Q_OBJECT
public:
    explicit CStudyStateDialog(QWidget* parent = nullptr);
    ~CStudyStateDialog() override;

    static constexpr int kDayCount = 100;

    void setVisible(bool visible) override;
    void done(int result) override;

    CChartListCtrl* m_chart = nullptr;
    QLabel* m_pReviews = nullptr;

    // The review figures as the dialog shows them.
    static QString ReviewFigures(int dueToday, int dueTomorrow, int dueIn7, int dueIn30,
                                 int reviewed30, int passed30);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();
    void FillRows();
    void FillReviews();
    void Layout();
    QSize OuterSize() const;

    bool m_bInitDone = false;
    // The frame around the client area as far as the window system told us
    // when the dialog opened; the saved size is the client size plus it, so
    // that saving and restoring agree even where the frame is not yet known.
    QSize m_frameExtra;
};

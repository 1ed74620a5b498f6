#pragma once

#include "dialogs/CBaseDialog.h"

#include <QSize>

class CChartListCtrl;

// "最近100日間の書き取り回数": the dictation counts of the last 100 study
// days, today first. Resizable; its size outlives it in the settings.
class CStudyStateDialog : public CBaseDialog {
    Q_OBJECT
public:
    explicit CStudyStateDialog(QWidget* parent = nullptr);
    ~CStudyStateDialog() override;

    static constexpr int kDayCount = 100;

    void setVisible(bool visible) override;
    void done(int result) override;

    CChartListCtrl* m_chart = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();
    void FillRows();
    void Layout();
    QSize OuterSize() const;

    bool m_bInitDone = false;
    // The frame around the client area as far as the window system told us
    // when the dialog opened; the saved size is the client size plus it, so
    // that saving and restoring agree even where the frame is not yet known.
    QSize m_frameExtra;
};

#pragma once

#include "dialogs/CBaseDialog.h"
#include "widgets/CModeButton.h"

#include <array>

// "どのモードにしますか？": asks for the mode of an answered question that
// is about to be left while still 指定なし. All five buttons show their
// colours; each stores its mode in m_nMode and ends the dialog with Accepted.
class CModeSelectDialog : public CBaseDialog {
    Q_OBJECT
public:
    explicit CModeSelectDialog(QWidget* parent);

    std::array<CModeButton*, 5> m_btnMode{}; // 1000 to 1004
    int m_nMode = 0;

protected:
    void showEvent(QShowEvent* event) override;
};

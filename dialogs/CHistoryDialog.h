#pragma once

#include "dialogs/CBaseDialog.h"
#include "widgets/CModeButton.h"

#include <QList>
#include <array>

class CHistoryListBox;
class CItemActionControls;
class QComboBox;
class QPushButton;

// "出題履歴": the questions asked so far, newest first, filtered by learning
// mode, with an item action on the chosen entry. The filter buttons are the
// study data's history filter, which also restricts 戻る and 次へ; the
// filter, the action choice and the dialog's size are kept in the settings.
class CHistoryDialog : public CBaseDialog {
    Q_OBJECT
public:
    explicit CHistoryDialog(QWidget* parent);
    ~CHistoryDialog() override;

    // Reads the history into the list, newest first.
    void FillList();
    // The filter button k (0 知ってる to 4 指定なし) was clicked.
    void OnFilterClicked(int k);
    // The chosen action on the selected row (実行, double click, Space).
    void Execute();

    void done(int result) override;

    std::array<CModeButton*, 5> m_btnMode{};  // 1038 to 1042
    CHistoryListBox* m_listHistory = nullptr; // 1017
    QComboBox* m_comboAction = nullptr;       // 1037
    QList<int> m_arrPositions;                // positions passing the filter, ascending
    qint16 m_nUnspecAskCount = -1;

signals:
    // The frame shows the item again as the current question.
    void ShowQuestionRequested(int itemIndex, bool isNew);
    // An action changed the item's mode.
    void ItemModeChanged(int itemIndex);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Pixels per 100 horizontal and vertical dialog units.
    QSize DialogUnitScale() const;
    void SaveSize();

    QPushButton* m_pExecute = nullptr; // 1044
    CItemActionControls* m_pActions = nullptr;
    bool m_bSizeRestored = false;
    bool m_bSizeSaved = false;
};

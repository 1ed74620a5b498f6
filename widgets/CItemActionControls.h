#pragma once

#include "widgets/CModeButton.h"
#include "widgets/ItemActionRunner.h"

#include <QObject>
#include <array>

class CItemListBox;
class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;
struct IntSetting;

// What the search bar and the history dialog share: a row of five mode
// filter buttons, a check box that keeps only leeches in the list, a list
// of items, the action combo whose choice is kept in a setting, and "実行", which carries the
// chosen action out on the selected row. The controls are children of the owner, placed from its
// template; the owner decides what the filters do and how a question is started.
class CItemActionControls : public QObject {
    Q_OBJECT
public:
    // Places in dialog units of the owner's template.
    struct Template {
        int m_nFilterTop;
        int m_nListTop;
        int m_nListHeight;
        int m_nActionTop;
        int m_nExecuteTop;
        // Dialog units between the list's bottom and the owner's when the
        // owner is resized.
        int m_nListBottomMargin;
        int m_nLeechTop;
    };

    CItemActionControls(QWidget* owner, CItemListBox* list, const IntSetting& actionSetting,
                        const Template& place);

    // Filter and action pictures, the list's painter and the stored action;
    // once, after construction.
    void Init();
    // The question "その場で動作選択" asks; without one that choice does
    // nothing.
    void SetActionAsker(ActionAsker asker) { m_askAction = std::move(asker); }

    // The action for the selected row: the combo's, or the learner's answer
    // when the combo says to ask. False when there is no row or no action.
    bool ChooseAction(int& row, int& action) const;
    // Web search and mode changes on the row's item; a mode change repaints
    // the row and is reported. `cachedAverage` is the owner's average ask
    // count of 指定なし, taken once it is first needed.
    void CarryOut(int action, int row, qint16& cachedAverage);

    // Moves the list, the combo and 実行 for the owner's new size; `scale`
    // is the owner's pixels per 100 dialog units.
    void Place(QSize size, QSize scale) const;

    std::array<CModeButton*, 5> m_btnMode{}; // 1038 to 1042
    QCheckBox* m_pLeechesOnly = nullptr;     // 1073
    CItemListBox* m_pList = nullptr;         // 1017
    QComboBox* m_pAction = nullptr;          // 1037
    QPushButton* m_pExecute = nullptr;       // 1044

signals:
    void FilterClicked(int k);
    void LeechFilterToggled(bool on);
    void ExecuteRequested();
    void ItemModeChanged(int itemIndex);

private:
    QWidget* m_pOwner;
    const IntSetting& m_actionSetting;
    Template m_place;
    ActionAsker m_askAction;
};

#pragma once

#include "study/ItemSearch.h"
#include "widgets/CModeButton.h"
#include "widgets/ItemActionRunner.h"

#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>

class CItemActionControls;
class CSearchListBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The search bar beside the canvas: shows the items that an ItemSearch finds
// by a piece of their word or reading, typed in kanji, kana or romaji,
// optionally restricted to some learning modes, and acts on a found item. A
// search runs one second after the last change of the text or the filters;
// Return searches at once.
class CSearchDialogBar : public QWidget {
    Q_OBJECT
public:
    explicit CSearchDialogBar(QWidget* parent = nullptr);
    ~CSearchDialogBar() override;

    static constexpr int kMaxResults = ItemSearch::kMaxResults;
    static constexpr int kSearchDelayMs = 1000;

    // Pictures, list and action list; once, after construction.
    void InitBar();
    // The question "その場で動作選択" asks, installed by the frame.
    void SetActionAsker(ActionAsker asker);
    // 32785 to 32789: the filters 知ってる, 覚えた, 覚えたい, 覚えない,
    // 指定なし; other ids do nothing.
    void ToggleModeFilter(int id);
    // The chosen action on the selected result.
    void ExecuteAction();
    // The first row showing the item, -1 when none does.
    int FindRowOfItem(int index) const;
    // Repaints a result row after its item changed mode.
    void InvalidateListRow(int row);

    // Runs when the timer fires: the search and the display of its results.
    void OnTimer();
    // The one-second timer; tests look at it and call OnTimer instead of
    // waiting.
    const QTimer& SearchTimer() const { return m_timer; }

    QSize sizeHint() const override;

    std::array<CModeButton*, 5> m_btnMode{}; // 1038 to 1042
    CSearchListBox* m_wndList = nullptr;     // 1017
    QComboBox* m_wndAction = nullptr;        // 1037
    // The query, the filters and the results shown.
    const ItemSearch& Search() const { return m_search; }
    qint16 m_nUnspecAskCount = -1;

signals:
    // The frame writes the mode shown on the main bar into the current item.
    void CommitModeRequested();
    // The frame shows the item as the current question.
    void ShowQuestionRequested(int itemIndex, bool isNew);
    // An action changed the item's mode.
    void ItemModeChanged(int itemIndex);
    // The "x" button: the frame's search-bar toggle hides the bar.
    void CloseRequested();
    // Escape in the search text: the drill takes the keys again; the text
    // stays.
    void FocusLeaveRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnQueryChanged(const QString& text);
    void ShowResults();

    QLineEdit* m_pEdit = nullptr;      // 1036
    QLabel* m_pStatus = nullptr;       // 1043
    QPushButton* m_pExecute = nullptr; // 1044
    QPushButton* m_pClose = nullptr;   // 1046
    QTimer m_timer;
    ItemSearch m_search;
    CItemActionControls* m_pActions = nullptr;
};

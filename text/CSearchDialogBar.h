#pragma once

#include <QWidget>

// The search bar docked opposite the main control bar. This is the bar's
// frame only: it takes its place in the main window, is shown and hidden
// with it and receives its commands; the search itself is not here yet, so
// it lists nothing.
class CSearchDialogBar : public QWidget {
    Q_OBJECT
public:
    explicit CSearchDialogBar(QWidget* parent = nullptr);
    ~CSearchDialogBar() override;

    void InitBar();
    // Commands 32785 to 32789 toggle the filter of one mode.
    void ToggleModeFilter(int commandId);
    // Command 32790: the chosen action on the selected result.
    void ExecuteAction();
    // The result row that shows the item, -1 when it is not listed.
    int FindRowOfItem(int itemIndex) const;
    // Repaints a result row after its item changed mode.
    void InvalidateListRow(int row);

    // Commands the bar handles while it is visible; false for others.
    bool OnCmdMsg(int id);

    // The template width in pixels.
    QSize sizeHint() const override;
};

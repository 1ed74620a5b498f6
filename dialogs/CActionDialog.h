#pragma once

#include <QDialog>

// "どうしますか？": asks what to do with one listed item. Each button stores
// its action code (1 to 7) in m_nAction and ends the dialog with Accepted;
// closing it is a cancellation.
class CActionDialog : public QDialog {
    Q_OBJECT
public:
    explicit CActionDialog(QWidget* parent);

    int m_nAction = 0;

protected:
    void showEvent(QShowEvent* event) override;
};

// Runs the action dialog owned by `owner` and gives the focus back to the
// window that had it. The chosen code, or AskEachTime when it was closed.
// The history dialog and the frame hand it to their lists as the question
// that "その場で動作選択" asks.
int AskForItemAction(QWidget* owner);

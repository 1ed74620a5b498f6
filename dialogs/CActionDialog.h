#pragma once

#include <QDialog>

// "どうしますか？": asks what to do with one listed item, named above the
// buttons. Each button stores its action code (1 to 7) in m_nAction and ends
// the dialog with Accepted; closing it (Esc among the ways) is a
// cancellation.
class CActionDialog : public QDialog {
    Q_OBJECT
public:
    // `subject`: the word and reading the actions apply to; empty names none.
    explicit CActionDialog(QWidget* parent, const QString& subject = QString());

    int m_nAction = 0;

protected:
    void showEvent(QShowEvent* event) override;
};

// Runs the action dialog owned by `owner`, naming the item with that global
// index, and gives the focus back to the window that had it. The chosen code,
// or AskEachTime when it was closed. The history dialog and the frame hand it
// to their lists as the question that "その場で動作選択" asks.
int AskForItemAction(QWidget* owner, int itemIndex);

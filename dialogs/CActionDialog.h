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

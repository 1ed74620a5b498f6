#pragma once

#include <QDialog>

// "バージョン情報": the product name and version, and how many questions
// and distinct kanji the word lists hold.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();

    bool m_bInitDone = false;
};

#pragma once

#include <QDialog>

class CDictionary;
class QPushButton;
class QTreeWidget;

// "単語リスト": every word list with a switch that lets the question choice
// draw from it or not, and the lists of one's own: made from a file,
// renamed, imported again (their progress carried over by item text) and
// deleted. Each change is written at once; m_bListsChanged then tells the
// opener that the lists' items moved, so that the drill asks again.
class COwnListsDialog : public QDialog {
    Q_OBJECT
public:
    COwnListsDialog(CDictionary& dic, QWidget* parent);

    // The list at a row of m_pLists is the list at that position.
    QTreeWidget* m_pLists = nullptr;
    QPushButton* m_pImport = nullptr;
    QPushButton* m_pRename = nullptr;
    QPushButton* m_pReimport = nullptr;
    QPushButton* m_pDelete = nullptr;

    bool m_bListsChanged = false;

    void OnImport();
    void OnRename();
    void OnReimport();
    void OnDelete();

private:
    void Fill();
    void UpdateButtons();
    void OnSwitchChanged(int list, bool asked);
    // The selected row's list when it is one of one's own, else -1.
    int SelectedOwnList() const;
    // Makes a list from a file, or with list >= 0 imports that list again.
    void ImportFile(int list);

    CDictionary& m_dic;
    bool m_bFilling = false;
};

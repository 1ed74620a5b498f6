#pragma once

#include <QDialog>

class CDictionary;
class QLineEdit;
class QPushButton;

// "学習データの保存先": the folder that holds the study data, and moving it
// to another one (a synced folder, say) or back to the usual place. A move
// happens at once, after the learner agreed; m_bDataReplaced then tells the
// opener that the study data in memory was replaced by the files found
// there, so that the drill starts again.
class CDataFolderDialog : public QDialog {
    Q_OBJECT
public:
    CDataFolderDialog(CDictionary& dic, QWidget* parent);

    QLineEdit* m_pFolder = nullptr;
    QPushButton* m_pChange = nullptr;
    QPushButton* m_pDefault = nullptr;

    bool m_bDataReplaced = false;

    // Checks the folder, asks what the check calls for, and moves the data
    // there; true once the settings name it.
    bool MoveTo(const QString& target);

private:
    void OnChange();
    void ShowFolder();

    CDictionary& m_dic;
};

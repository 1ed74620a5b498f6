#pragma once

#include "study/OwnListFile.h"
#include "study/OwnLists.h"
#include "study/WordListImport.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// "単語リストの読み込み": what a file gives as a list of one's own, before
// anything changes. It lists the rows it will take and every row it will
// not, with its line and the reason; the learner may choose the encoding
// when the file does not make it plain, and may take the words whose
// readings cannot be coloured. Accepted, Rows() and ListName() are the
// learner's choice.
class CImportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // For a list imported again: how much of its progress the rows keep.
    using CarryPreview = std::function<ReimportCarry(const QList<OwnListRow>& rows)>;

    // `import` is what ReadWordListFile gave for `path`. With `carry` the
    // rows replace the list named `name`, which is not asked for.
    CImportPreviewDialog(const QString& path, WordListImport import, const QString& name,
                         CarryPreview carry, QWidget* parent);

    QList<OwnListRow> Rows() const;
    QString ListName() const;

    QComboBox* m_pEncoding = nullptr;
    QLineEdit* m_pName = nullptr; // null for a list imported again
    QTreeWidget* m_pTaken = nullptr;
    QTreeWidget* m_pRefused = nullptr;
    QCheckBox* m_pUncoloured = nullptr;
    QLabel* m_pSummary = nullptr;
    QDialogButtonBox* m_pButtons = nullptr;
    QPushButton* m_pTake = nullptr;

private:
    void OnEncodingChosen(int row);
    void Fill();
    void UpdateSummary();

    QString m_strPath;
    WordListImport m_import;
    CarryPreview m_carry;
    QLabel* m_pUnsure = nullptr;
};

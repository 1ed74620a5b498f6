#include "dialogs/COwnListsDialog.h"

#include "dialogs/CImportPreviewDialog.h"
#include "dialogs/FileChooser.h"
#include "platform/MessageBox.h"
#include "platform/Options.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/OwnLists.h"
#include "study/WordListImport.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kWordListFilter =
    QStringLiteral("単語リスト (*.txt *.tsv *.csv);;すべてのファイル (*)");

} // namespace

COwnListsDialog::COwnListsDialog(CDictionary& dic, QWidget* parent) : QDialog(parent), m_dic(dic)
{
    setObjectName(QStringLiteral("OwnLists"));
    setWindowTitle(QStringLiteral("単語リスト"));

    auto* layout = new QHBoxLayout(this);
    m_pLists = new QTreeWidget(this);
    m_pLists->setObjectName(QStringLiteral("Lists"));
    m_pLists->setRootIsDecorated(false);
    m_pLists->setUniformRowHeights(true);
    m_pLists->setHeaderLabels({QStringLiteral("出題するリスト"), QStringLiteral("語句数")});
    m_pLists->header()->setStretchLastSection(false);
    m_pLists->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_pLists->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    layout->addWidget(m_pLists, 1);

    auto* buttons = new QVBoxLayout;
    layout->addLayout(buttons);
    const auto button = [&](const QString& name, const QString& text,
                            void (COwnListsDialog::*slot)()) {
        auto* push = new QPushButton(text, this);
        push->setObjectName(name);
        push->setAutoDefault(false);
        buttons->addWidget(push);
        connect(push, &QPushButton::clicked, this, slot);
        return push;
    };
    m_pImport = button(QStringLiteral("Import"), QStringLiteral("ファイルから作る(&I)..."),
                       &COwnListsDialog::OnImport);
    m_pRename = button(QStringLiteral("Rename"), QStringLiteral("名前の変更(&R)..."),
                       &COwnListsDialog::OnRename);
    m_pReimport = button(QStringLiteral("Reimport"), QStringLiteral("読み込み直す(&U)..."),
                         &COwnListsDialog::OnReimport);
    m_pDelete =
        button(QStringLiteral("Delete"), QStringLiteral("削除(&D)"), &COwnListsDialog::OnDelete);
    buttons->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("Close"));
    close->setDefault(true);
    buttons->addWidget(close);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    connect(m_pLists, &QTreeWidget::itemSelectionChanged, this, &COwnListsDialog::UpdateButtons);
    connect(m_pLists, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (!m_bFilling && column == 0)
            OnSwitchChanged(m_pLists->indexOfTopLevelItem(item),
                            item->checkState(0) == Qt::Checked);
    });

    const int em = fontMetrics().horizontalAdvance(QChar(0x6F22));
    resize(em * 30, em * 18);
    Fill();
}

void COwnListsDialog::Fill()
{
    m_dic.EnsureLoaded();
    const int selected = m_pLists->currentIndex().row();
    m_bFilling = true;
    m_pLists->clear();
    const std::vector<bool> asked = m_dic.ListsAsked();
    for (int k = 0; k < m_dic.GetSize(); ++k) {
        const CDictionary::CDicFile& list = *m_dic.GetAt(k);
        auto* row =
            new QTreeWidgetItem(m_pLists, {list.GetTitle(), QString::number(list.GetItemCount())});
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, asked.at(static_cast<size_t>(k)) ? Qt::Checked : Qt::Unchecked);
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        // The file name is for the learner who looks in the data folder.
        row->setToolTip(0, (list.IsOwnList() ? QStringLiteral("自分のリスト（%1）")
                                             : QStringLiteral("組み込みのリスト（%1）"))
                               .arg(list.m_strName));
    }
    m_bFilling = false;
    if (selected >= 0 && selected < m_pLists->topLevelItemCount())
        m_pLists->setCurrentItem(m_pLists->topLevelItem(selected));
    UpdateButtons();
}

void COwnListsDialog::UpdateButtons()
{
    const bool own = SelectedOwnList() >= 0;
    m_pRename->setEnabled(own);
    m_pReimport->setEnabled(own);
    m_pDelete->setEnabled(own);
}

int COwnListsDialog::SelectedOwnList() const
{
    const QList<QTreeWidgetItem*> selected = m_pLists->selectedItems();
    if (selected.isEmpty())
        return -1;
    const int list = m_pLists->indexOfTopLevelItem(selected.first());
    return list >= 0 && list < m_dic.GetSize() && m_dic.GetAt(list)->IsOwnList() ? list : -1;
}

void COwnListsDialog::OnSwitchChanged(int list, bool asked)
{
    if (list < 0 || list >= m_dic.GetSize())
        return;
    const QString name = m_dic.GetAt(list)->m_strName;
    QStringList off = Options::ListsOff();
    off.removeAll(name);
    if (!asked) {
        // With every list off there would be nothing to ask.
        const std::vector<bool> now = m_dic.ListsAsked();
        const auto others = std::count(now.begin(), now.end(), true) - (now.at(list) ? 1 : 0);
        if (others == 0) {
            ShowMessageBox(QStringLiteral("少なくとも一つのリストから出題します。"));
            m_bFilling = true;
            m_pLists->topLevelItem(list)->setCheckState(0, Qt::Checked);
            m_bFilling = false;
            return;
        }
        off.append(name);
    }
    Options::SetListsOff(off);
}

void COwnListsDialog::OnImport()
{
    ImportFile(-1);
}

void COwnListsDialog::OnReimport()
{
    const int list = SelectedOwnList();
    if (list >= 0)
        ImportFile(list);
}

void COwnListsDialog::ImportFile(int list)
{
    const QString path =
        ChooseFile(this, FileChoice::Open, QStringLiteral("単語リストのファイル"), kWordListFilter);
    if (path.isEmpty())
        return;
    WordListImport import = ReadWordListFile(path);
    if (import.m_failure != WordListImport::Failure::None) {
        ShowMessageBox(path + QStringLiteral("\r\n") + DescribeImportFailure(import));
        return;
    }
    CImportPreviewDialog::CarryPreview carry;
    QString name = ListNameOfFile(path);
    if (list >= 0) {
        name = m_dic.GetAt(list)->m_strTitle;
        carry = [this, list](const QList<OwnListRow>& rows) {
            return PreviewReimport(m_dic, list, rows);
        };
    }
    CImportPreviewDialog preview(path, std::move(import), name, carry, this);
    if (preview.exec() != QDialog::Accepted)
        return;
    QString error;
    if (list < 0) {
        if (!AddOwnList(m_dic, preview.ListName(), preview.Rows(), error)) {
            ShowMessageBox(QStringLiteral("リストを作れませんでした。\r\n") + error);
            return;
        }
    } else if (!ReimportOwnList(m_dic, list, preview.Rows(), error)) {
        ShowMessageBox(QStringLiteral("リストを読み込み直せませんでした。\r\n") + error);
        return;
    }
    m_bListsChanged = true;
    Fill();
    if (list < 0)
        m_pLists->setCurrentItem(m_pLists->topLevelItem(m_pLists->topLevelItemCount() - 1));
}

void COwnListsDialog::OnRename()
{
    const int list = SelectedOwnList();
    if (list < 0)
        return;
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, QStringLiteral("名前の変更"),
                              QStringLiteral("リストの新しい名前(&N):"), QLineEdit::Normal,
                              m_dic.GetAt(list)->m_strTitle, &ok)
            .simplified();
    if (!ok || name.isEmpty() || name == m_dic.GetAt(list)->m_strTitle)
        return;
    QString error;
    if (!RenameOwnList(m_dic, list, name, error)) {
        ShowMessageBox(QStringLiteral("名前を変えられませんでした。\r\n") + error);
        return;
    }
    Fill();
}

void COwnListsDialog::OnDelete()
{
    const int list = SelectedOwnList();
    if (list < 0)
        return;
    const CDictionary::CDicFile& own = *m_dic.GetAt(list);
    const QString question = QStringLiteral("リスト「%1」を削除してもよろしいですか？\r\n"
                                            "%2 語とその学習モード、出題回数、出題履歴が消えます。")
                                 .arg(own.m_strTitle)
                                 .arg(own.GetItemCount());
    if (ShowMessageBox(question, MessageButtons::OkCancel) != IDOK)
        return;
    const QString name = own.m_strName;
    QString error;
    if (!DeleteOwnList(m_dic, list, error)) {
        ShowMessageBox(QStringLiteral("リストを削除できませんでした。\r\n") + error);
        return;
    }
    // A later list may get the same file name; it starts switched on.
    QStringList off = Options::ListsOff();
    if (off.removeAll(name) > 0)
        Options::SetListsOff(off);
    m_bListsChanged = true;
    Fill();
}

#include "dialogs/CDataFolderDialog.h"

#include "dialogs/FileChooser.h"
#include "platform/AppData.h"
#include "platform/DataFolderClaim.h"
#include "platform/MessageBox.h"
#include "platform/StateWriteGuard.h"
#include "study/CDictionary.h"
#include "study/DataFolderMove.h"
#include "study/StudyRestore.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Native(const QString& folder)
{
    return QDir::toNativeSeparators(CleanFolderPath(folder));
}

// Which set stays in use when the target holds one; none when the learner
// cancelled.
std::optional<KeptSet> AskWhichToKeep(const QString& target)
{
    const int answer = ShowMessageBox(
        QStringLiteral("%1\r\nこのフォルダーには、ほかの Velmarik の学習データがあります。\r\n\r\n"
                       "「はい」: このフォルダーの学習データを使います。\r\n"
                       "「いいえ」: 今の学習データをこのフォルダーに移します。\r\n"
                       "どちらでも、使わない方の学習データは、このフォルダーの中の "
                       "set-aside- で始まるフォルダーに残します。\r\n"
                       "「キャンセル」: 何も変えません。")
            .arg(Native(target)),
        MessageButtons::YesNoCancel);
    if (answer == IDYES)
        return KeptSet::kTheirs;
    if (answer == IDNO)
        return KeptSet::kCurrent;
    return std::nullopt;
}

} // namespace

CDataFolderDialog::CDataFolderDialog(CDictionary& dic, QWidget* parent)
    : QDialog(parent), m_dic(dic)
{
    setObjectName(QStringLiteral("DataFolder"));
    setWindowTitle(QStringLiteral("学習データの保存先"));

    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(
        QStringLiteral(
            "学習モード、履歴、書き取り回数、自分のリストとバックアップを置くフォルダー:"),
        this);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    m_pFolder = new QLineEdit(this);
    m_pFolder->setObjectName(QStringLiteral("Folder"));
    m_pFolder->setReadOnly(true);
    layout->addWidget(m_pFolder);
    auto* note = new QLabel(
        QStringLiteral("同期フォルダーを選ぶと、ほかのコンピューターへ学習データを持って行けます。"
                       "同じフォルダーを使う Velmarik は、同時には一つしか動きません。"),
        this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    m_pChange = new QPushButton(QStringLiteral("変更(&C)..."), this);
    m_pChange->setObjectName(QStringLiteral("Change"));
    m_pChange->setAutoDefault(false);
    buttons->addWidget(m_pChange);
    m_pDefault = new QPushButton(QStringLiteral("いつもの場所に戻す(&R)"), this);
    m_pDefault->setObjectName(QStringLiteral("Default"));
    m_pDefault->setAutoDefault(false);
    buttons->addWidget(m_pDefault);
    buttons->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("Close"));
    close->setDefault(true);
    buttons->addWidget(close);

    connect(m_pChange, &QPushButton::clicked, this, &CDataFolderDialog::OnChange);
    connect(m_pDefault, &QPushButton::clicked, this, [this] {
        const QString usual = DefaultAppDataFolder();
        // The usual folder may not have been made yet, or was removed.
        QDir().mkpath(usual);
        MoveTo(usual);
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    // The wrapped texts are as tall as the width leaves them.
    const int width = fontMetrics().horizontalAdvance(QChar(0x6F22)) * 32;
    resize(width, std::max(sizeHint().height(), layout->totalHeightForWidth(width)));
    // Narrower, they would need more lines than the height has room for.
    setMinimumSize(size());
    ShowFolder();
}

void CDataFolderDialog::ShowFolder()
{
    QString folder;
    const bool found = GetAppDataFolder(folder);
    m_pFolder->setText(found ? Native(folder) : Native(ChosenDataFolder()));
    m_pDefault->setEnabled(!ChosenDataFolder().isEmpty());
}

void CDataFolderDialog::OnChange()
{
    QString current;
    GetAppDataFolder(current);
    const QString target = ChooseFile(this, FileChoice::Folder,
                                      QStringLiteral("学習データの保存先"), QString(), current);
    if (!target.isEmpty())
        MoveTo(target);
}

bool CDataFolderDialog::MoveTo(const QString& target)
{
    QString current;
    if (!GetAppDataFolder(current))
        return false;
    const DataFolderCheck check = CheckDataFolder(current, target);
    KeptSet keep = KeptSet::kCurrent;
    switch (check.m_verdict) {
    case DataFolderCheck::kUsable:
        if (ShowMessageBox(QStringLiteral("学習データを次のフォルダーに移します。\r\n%1\r\n\r\n"
                                          "よろしいですか？")
                               .arg(Native(target)),
                           MessageButtons::OkCancel) != IDOK)
            return false;
        break;
    case DataFolderCheck::kHoldsOtherSet: {
        const std::optional<KeptSet> kept = AskWhichToKeep(target);
        if (!kept)
            return false;
        keep = *kept;
        break;
    }
    default:
        ShowMessageBox(Native(target) + QStringLiteral("\r\n") + check.m_strReason);
        return false;
    }
    if (!MayWriteStateFiles()) {
        ShowMessageBox(QStringLiteral("ほかに Velmarik が動いていないことを確かめられないため、"
                                      "今は学習データを移せません。"));
        return false;
    }
    // What is not saved yet goes along (the save waits for a background
    // write first); what cannot be saved now stays to be saved, and then
    // lands in the new folder.
    m_dic.Save();
    QString error;
    if (!ClaimNewDataFolder(target, error)) {
        ShowMessageBox(Native(target) + QStringLiteral("\r\n") + error);
        return false;
    }
    const DataFolderMoveResult moved = MoveDataFolder(current, target, keep);
    SettleDataFolderClaim(moved.m_bMoved);
    if (!moved.m_bMoved) {
        ShowMessageBox(QStringLiteral("学習データを移せませんでした。何も変わっていません。\r\n") +
                       moved.m_strError);
        return false;
    }
    if (keep == KeptSet::kTheirs) {
        ReloadStudyData(m_dic);
        m_bDataReplaced = true;
    }
    QString said =
        QStringLiteral("学習データを次のフォルダーに移しました。\r\n%1").arg(Native(target));
    if (!moved.m_strSetAside.isEmpty())
        said += QStringLiteral("\r\n使わない方の学習データは次のフォルダーに残しました。\r\n") +
                Native(moved.m_strSetAside);
    if (!moved.m_strError.isEmpty())
        said += QStringLiteral("\r\n") + moved.m_strError;
    ShowMessageBox(said);
    ShowFolder();
    return true;
}

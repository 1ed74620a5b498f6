#include "dialogs/StudyDataTransfer.h"

#include "dialogs/FileChooser.h"
#include "platform/AppData.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "study/CDictionary.h"
#include "study/StudyArchive.h"
#include "study/StudyCommands.h"
#include "study/StudyRestore.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

namespace {

const QString kArchiveFilter =
    QStringLiteral("Velmarik の学習データ (*.zip);;すべてのファイル (*)");

} // namespace

void ExportStudyDataToFile(CDictionary& dic, QWidget* parent)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested =
        QDir(documents).filePath(QStringLiteral("velmarik-%1.zip")
                                     .arg(QDateTime::fromSecsSinceEpoch(CurrentTime())
                                              .toString(QStringLiteral("yyyy-MM-dd"))));
    const QString path =
        ChooseFile(parent, FileChoice::Save, QStringLiteral("学習データの書き出し"), kArchiveFilter,
                   suggested);
    if (path.isEmpty())
        return;
    dic.EnsureLoaded();
    QString error;
    const std::optional<QString> done = WriteStudyExport(dic, path, error);
    if (!done) {
        ShowMessageBox(QStringLiteral("学習データを書き出せませんでした。\r\n") + error);
        return;
    }
    ShowMessageBox(*done);
}

bool RestoreStudyDataFromFile(CDictionary& dic, QWidget* parent)
{
    const QString path = ChooseFile(parent, FileChoice::Open,
                                    QStringLiteral("学習データの読み込み"), kArchiveFilter);
    if (path.isEmpty())
        return false;
    const StudyArchiveRead read = ReadStudyArchiveFile(path);
    if (read.m_failure != StudyArchiveRead::Failure::None) {
        ShowMessageBox(path + QStringLiteral("\r\n") + DescribeArchiveFailure(read));
        return false;
    }
    QString folder;
    if (!GetAppDataFolder(folder))
        return false;
    dic.EnsureLoaded();
    const RestorePlan plan = PlanRestore(read.m_archive, read.m_problems, dic);
    QString question = DescribeRestorePlan(plan);
    if (!question.endsWith(QStringLiteral("\r\n")))
        question += QStringLiteral("\r\n");
    question += QStringLiteral("\r\n読み込んでもよろしいですか？");
    if (ShowMessageBox(question, MessageButtons::OkCancel) != IDOK)
        return false;
    QString backup;
    QString error;
    if (!CarryOutRestore(dic, folder, plan, backup, error)) {
        ShowMessageBox(error);
        return false;
    }
    ReloadStudyData(dic);
    ShowMessageBox(QStringLiteral("%1 を読み込みました。\r\n読み込む前の学習データは %2 "
                                  "に保存しました。")
                       .arg(path, backup));
    return true;
}

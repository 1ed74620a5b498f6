#include "study/StudyCommands.h"

#include "platform/AppData.h"
#include "platform/Clock.h"
#include "platform/FileFailure.h"
#include "platform/MessageBox.h"
#include "platform/SaveFile.h"
#include "platform/StateWriteGuard.h"
#include "study/CDictionary.h"
#include "study/OwnLists.h"
#include "study/StateSnapshot.h"
#include "study/StudyArchive.h"
#include "study/StudyBackup.h"
#include "study/StudyExport.h"
#include "study/StudyRestore.h"
#include "study/WordListImport.h"

#include <QTextStream>

namespace {

// The load's messages (a file that could not be read) go to the error
// output while a command runs.
class MessagesTo {
public:
    explicit MessagesTo(QTextStream& err)
    {
        m_previous = SetMessageBoxHandler([&err](const QString& text, MessageButtons) {
            err << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << '\n';
            err.flush();
            return IDOK;
        });
    }
    ~MessagesTo() { SetMessageBoxHandler(std::move(m_previous)); }
    MessagesTo(const MessagesTo&) = delete;
    MessagesTo& operator=(const MessagesTo&) = delete;

private:
    MessageBoxHandler m_previous;
};

QString Lines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

int Fail(QTextStream& err, const QString& text)
{
    err << Lines(text) << '\n';
    err.flush();
    return 1;
}

// The study data, loaded; null when there is no data folder to load from.
CDictionary* LoadedStudyData(QString& folder)
{
    if (!GetAppDataFolder(folder))
        return nullptr;
    CDictionary* dic = CDictionary::GetInstance();
    dic->EnsureLoaded();
    return dic->GetSize() > 0 ? dic : nullptr;
}

} // namespace

std::optional<QString> WriteStudyExport(CDictionary& dic, const QString& file, QString& error)
{
    const StudyArchive archive = ExportStudyState(dic);
    const std::optional<QByteArray> bytes = WriteStudyArchive(archive, CurrentTime(), error);
    if (!bytes)
        return std::nullopt;
    FileFailure failure;
    if (!WriteWholeFile(file, *bytes, failure)) {
        error = DescribeException(failure);
        return std::nullopt;
    }
    int asked = 0;
    for (const ArchivedItem& item : archive.m_items)
        asked += item.m_nMode != 0 || item.m_nAskCount > 0;
    return QStringLiteral("学習データを %1 に書き出しました（学習モードまたは出題回数のある語句 %2 "
                          "個、出題履歴 %3 件、書き取り回数 合計 %4 回、自分のリスト %5 個）。")
        .arg(file)
        .arg(asked)
        .arg(archive.m_history.size())
        .arg(archive.m_nTotalCount)
        .arg(archive.m_ownLists.size());
}

bool CarryOutRestore(CDictionary& dic, const QString& folder, const RestorePlan& plan,
                     QString& backup, QString& error)
{
    if (!MayWriteStateFiles()) {
        error = QStringLiteral(
            "ほかに Velmarik "
            "が動いていないことを確かめられないため、今は学習データを変更できません。");
        return false;
    }
    // A background save still running could put its files over the
    // restored ones.
    dic.FinishBackgroundSave(true);
    // Without a backup of what it replaces, a restore could not be undone.
    if (!WriteBackupBeforeRestore(dic, folder, backup, error)) {
        error =
            QStringLiteral("今の学習データを保存できなかったため、読み込みません。\r\n") + error;
        return false;
    }
    if (!WriteRestoredState(plan, folder, error)) {
        error = QStringLiteral("学習データを読み込めませんでした。\r\n") + error;
        return false;
    }
    ApplyRestoredSettings(plan);
    return true;
}

int ExportStudyData(const QString& file, QTextStream& out, QTextStream& err)
{
    const MessagesTo messages(err);
    QString folder;
    CDictionary* dic = LoadedStudyData(folder);
    if (!dic)
        return Fail(err, QStringLiteral("学習データを読み込めませんでした。"));
    QString error;
    const std::optional<QString> done = WriteStudyExport(*dic, file, error);
    if (!done)
        return Fail(err, QStringLiteral("学習データを書き出せませんでした。\n") + error);
    out << *done << '\n';
    out.flush();
    return 0;
}

int RestoreStudyData(const QString& file, QTextStream& out, QTextStream& err)
{
    const MessagesTo messages(err);
    const StudyArchiveRead read = ReadStudyArchiveFile(file);
    if (read.m_failure != StudyArchiveRead::Failure::None)
        return Fail(err, file + QStringLiteral(": ") + DescribeArchiveFailure(read));
    QString folder;
    CDictionary* dic = LoadedStudyData(folder);
    if (!dic)
        return Fail(err, QStringLiteral("学習データを読み込めませんでした。"));
    const RestorePlan plan = PlanRestore(read.m_archive, read.m_problems, *dic);
    out << Lines(DescribeRestorePlan(plan));
    out.flush();
    QString backup;
    QString error;
    if (!CarryOutRestore(*dic, folder, plan, backup, error))
        return Fail(err, error);
    out << QStringLiteral("%1 を読み込みました。読み込む前の学習データは %2 に保存しました。\n")
               .arg(file, backup);
    out.flush();
    return 0;
}

int ImportOwnListFile(const QString& file, const QString& name, QTextStream& out, QTextStream& err)
{
    const MessagesTo messages(err);
    const WordListImport import = ReadWordListFile(file);
    if (import.m_failure != WordListImport::Failure::None)
        return Fail(err, file + QStringLiteral(": ") + DescribeImportFailure(import));
    // Nobody to ask here: the likeliest encoding is taken, and named, and
    // the words whose readings cannot be coloured are taken uncoloured.
    const QList<OwnListRow> rows = RowsOfImport(import, true);
    QString report;
    if (import.m_detection.m_outcome == TextDetection::Outcome::Unsure) {
        report += QStringLiteral("文字コードは %1 として読みました。\n")
                      .arg(TextEncodingName(import.m_encoding));
    }
    for (const RefusedRow& row : import.m_refused) {
        report += QStringLiteral("%1 行目: %2（%3）\n")
                      .arg(row.m_nLine)
                      .arg(DescribeImportProblem(row), row.m_strText);
    }
    if (rows.isEmpty()) {
        return Fail(err, report + file + QStringLiteral(": 取り込める語句がありませんでした。"));
    }
    QString folder;
    CDictionary* dic = LoadedStudyData(folder);
    if (!dic)
        return Fail(err, QStringLiteral("学習データを読み込めませんでした。"));
    const QString title = name.simplified().isEmpty() ? ListNameOfFile(file) : name.simplified();
    QString error;
    if (!AddOwnList(*dic, title, rows, error))
        return Fail(err, report + QStringLiteral("リストを作れませんでした。\n") + error);
    out << report
        << QStringLiteral("リスト「%1」を作りました: %2 語（うち読みを色分けしない語 %3 語）、"
                          "取り込まなかった行 %4 行。\n")
               .arg(title)
               .arg(rows.size())
               .arg(import.m_uncoloured.size())
               .arg(import.m_refused.size());
    out.flush();
    return 0;
}

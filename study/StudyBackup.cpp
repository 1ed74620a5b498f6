#include "study/StudyBackup.h"

#include "platform/Clock.h"
#include "platform/FileFailure.h"
#include "platform/SaveFile.h"
#include "study/CDictionary.h"
#include "study/StudyArchive.h"
#include "study/StudyExport.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

namespace {

const QString kDailyPrefix = QStringLiteral("velmarik-");
const QString kRestorePrefix = QStringLiteral("before-restore-");

QString BackupFolder(const QString& folder)
{
    return folder + kBackupFolderName + QLatin1Char('/');
}

bool WriteBackup(CDictionary& dic, const QString& path, QString& error)
{
    if (!QDir().mkpath(QFileInfo(path).path())) {
        error = QStringLiteral("Cannot create the folder ") + QFileInfo(path).path();
        return false;
    }
    const std::optional<QByteArray> bytes =
        WriteStudyArchive(ExportStudyState(dic), CurrentTime(), error);
    if (!bytes)
        return false;
    FileFailure failure;
    if (!WriteWholeFile(path, *bytes, failure)) {
        error = DescribeException(failure);
        return false;
    }
    return true;
}

QString DailyName()
{
    LocalDate date;
    ToLocalDate(GetStudyDate(), date);
    return kDailyPrefix + QStringLiteral("%1-%2-%3.zip")
                              .arg(date.year, 4, 10, QLatin1Char('0'))
                              .arg(date.month, 2, 10, QLatin1Char('0'))
                              .arg(date.day, 2, 10, QLatin1Char('0'));
}

} // namespace

bool WriteDailyBackup(CDictionary& dic, const QString& folder, QString& error)
{
    const QString path = BackupFolder(folder) + DailyName();
    if (QFileInfo::exists(path))
        return true;
    const bool written = WriteBackup(dic, path, error);
    PruneBackups(folder);
    return written;
}

bool WriteBackupBeforeRestore(CDictionary& dic, const QString& folder, QString& path,
                              QString& error)
{
    path =
        BackupFolder(folder) + kRestorePrefix +
        QDateTime::fromSecsSinceEpoch(CurrentTime()).toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
        QStringLiteral(".zip");
    const bool written = WriteBackup(dic, path, error);
    PruneBackups(folder);
    return written;
}

void PruneBackups(const QString& folder)
{
    static const QRegularExpression kDaily(QStringLiteral("^velmarik-\\d{4}-\\d\\d-\\d\\d\\.zip$"));
    static const QRegularExpression kRestore(
        QStringLiteral("^before-restore-\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.zip$"));
    QDir dir(BackupFolder(folder));
    if (!dir.exists())
        return;
    // Newest first: the names hold the dates.
    QStringList daily;
    QStringList restore;
    for (const QString& name :
         dir.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::Reversed)) {
        if (kDaily.match(name).hasMatch())
            daily << name;
        else if (kRestore.match(name).hasMatch())
            restore << name;
        else if (name.startsWith(kDailyPrefix) || name.startsWith(kRestorePrefix))
            dir.remove(name); // the temporary file of a backup that was cut short
    }
    for (qsizetype k = kKeptDailyBackups; k < daily.size(); ++k)
        dir.remove(daily.at(k));
    for (qsizetype k = kKeptRestoreBackups; k < restore.size(); ++k)
        dir.remove(restore.at(k));

    QFileInfoList kept = dir.entryInfoList(QDir::Files, QDir::Time); // newest first
    kept.removeIf([&](const QFileInfo& info) {
        return !kDaily.match(info.fileName()).hasMatch() &&
               !kRestore.match(info.fileName()).hasMatch();
    });
    qint64 total = 0;
    for (const QFileInfo& info : std::as_const(kept))
        total += info.size();
    while (total > kMaxBackupBytes && kept.size() > 1) {
        total -= kept.last().size();
        dir.remove(kept.last().fileName());
        kept.removeLast();
    }
}

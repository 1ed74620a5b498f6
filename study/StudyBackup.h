#pragma once

#include <QString>

class CDictionary;

// Backups are export archives in the "backups" sub-folder of the data
// folder: one a study day, made at the day's first save ("velmarik-<date>.zip",
// the last 14 kept), and one before every restore ("before-restore-<time>.zip",
// the last 5 kept); all of them together stay within about 50 MB.
inline const QString kBackupFolderName = QStringLiteral("backups");
inline constexpr int kKeptDailyBackups = 14;
inline constexpr int kKeptRestoreBackups = 5;
inline constexpr qint64 kMaxBackupBytes = 50 << 20;

// Writes the backup of the current study day unless there is one already.
// False, with the reason, when it could not be written.
bool WriteDailyBackup(CDictionary& dic, const QString& folder, QString& error);

// Writes a backup of the state the restore is about to replace; `path` is
// where it went.
bool WriteBackupBeforeRestore(CDictionary& dic, const QString& folder, QString& path,
                              QString& error);

// Drops backups beyond the counts and the size, oldest first; a file of ours
// that a kill left half written goes too. The newest backup always stays.
void PruneBackups(const QString& folder);

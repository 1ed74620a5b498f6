#pragma once

#include <QString>
#include <optional>

class CDictionary;
class QTextStream;
struct RestorePlan;

// The export written to `file`: the learner's summary of what it holds, or
// nullopt with the reason.
std::optional<QString> WriteStudyExport(CDictionary& dic, const QString& file, QString& error);
// A backup of the state the plan replaces into `backup`, then the plan's
// state files and settings. False, with the reason, when the backup or the
// files could not be written; the study data in memory is left as it is,
// and after a success the caller loads it again.
bool CarryOutRestore(CDictionary& dic, const QString& folder, const RestorePlan& plan,
                     QString& backup, QString& error);

// The command line's work on the study data, for scripts and scheduled
// backups. Each prints what it did to `out`, or why not to `err`, and
// returns the exit code: 0 when it was done, 1 when not. The caller makes
// sure that no running copy holds the data folder.
int ExportStudyData(const QString& file, QTextStream& out, QTextStream& err);
int ImportOwnListFile(const QString& file, const QString& name, QTextStream& out, QTextStream& err);
int RestoreStudyData(const QString& file, QTextStream& out, QTextStream& err);

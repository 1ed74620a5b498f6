#pragma once

#include <QString>

class QTextStream;

// The command line's work on the study data, for scripts and scheduled
// backups. Each prints what it did to `out`, or why not to `err`, and
// returns the exit code: 0 when it was done, 1 when not. The caller makes
// sure that no running copy holds the data folder.
int ExportStudyData(const QString& file, QTextStream& out, QTextStream& err);
int ImportOwnListFile(const QString& file, const QString& name, QTextStream& out, QTextStream& err);
int RestoreStudyData(const QString& file, QTextStream& out, QTextStream& err);

#pragma once

#include <QByteArray>
#include <QString>

struct FileFailure;

// Writes the whole content to a temporary file next to `path` and puts it in
// place only when all of it was written, so a failed save never leaves a
// broken file. On failure `failure` says why, with the system's reason for
// a write cut short.
bool WriteWholeFile(const QString& path, const QByteArray& content, FileFailure& failure);

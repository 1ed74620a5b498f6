#pragma once

#include <QString>

// The per-user settings store. Section "Settings" holds the learner's
// options; the empty section is the application key itself (window geometry
// and view state). Every call goes to the store: nothing is cached, so a value
// written anywhere takes effect at its next read.
int GetProfileInt(const QString& section, const QString& name, int defaultValue);
bool WriteProfileInt(const QString& section, const QString& name, int value);
QString GetProfileString(const QString& section, const QString& name, const QString& defaultValue);
bool WriteProfileString(const QString& section, const QString& name, const QString& value);

#pragma once

#include <QString>

// The product name and version the build was made with; false, leaving both
// untouched, when either is missing.
bool GetProductVersionInfo(QString& productName, QString& productVersion);
// "Velmarik 2.0", or "?" when the version information cannot be read.
QString GetProductNameAndVersion();
// Tests only: replaces the build's name and version (empty ones make the
// information unreadable).
void SetProductVersionForTesting(const QString& name, const QString& version);

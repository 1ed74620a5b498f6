#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The signature file's content is also kept in the settings, with the data
// folder it was written for, so that the loss of both the signature file and
// its copy never has the state files taken for lists they were not written
// for. A folder deleted and made again, or put in place from elsewhere, is
// another folder: what is kept says nothing about it.
void KeepSignaturesInSettings(const QString& folder, const QByteArray& content);
std::optional<QByteArray> SignaturesKeptInSettings(const QString& folder);

#pragma once

#include "common/TestEnv.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

// Files of the test's data folder, written and read whole by name.
namespace DataFiles {

inline void Write(const QString& name, const QByteArray& bytes)
{
    const QString folder = TestEnv::Instance().DataFolder();
    QDir().mkpath(folder);
    QFile file(folder + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Empty when the file cannot be read.
inline QByteArray Read(const QString& name)
{
    QFile file(TestEnv::Instance().DataFolder() + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace DataFiles

#pragma once

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

// Points the data and configuration folders at a temporary folder of this
// test process before anything reads them, so tests never touch the user's
// files or settings. Include it in exactly one file of a test.
class TestEnv {
public:
    TestEnv()
    {
        qputenv("XDG_DATA_HOME", QDir(m_dir.path()).filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", QDir(m_dir.path()).filePath("config").toUtf8());
        qputenv("XDG_CACHE_HOME", QDir(m_dir.path()).filePath("cache").toUtf8());
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toUtf8());
    }

    static TestEnv& Instance();

    QString DataFolder() const { return QDir(m_dir.path()).filePath("data/Quillmoor/Velmarik/"); }

    // Forgets every setting.
    static void ClearSettings()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmoor", "Velmarik").clear();
    }

private:
    QTemporaryDir m_dir;
};

// Constructed before main, so before Qt has looked at the folders.
inline TestEnv g_testEnv;
inline TestEnv& TestEnv::Instance()
{
    return g_testEnv;
}

#include "platform/Profile.h"

#include <QFile>
#include <QSettings>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// HKCU\Software\Quillmoor\Velmarik on Windows, an INI file elsewhere.
QSettings* NewStore()
{
    return new QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
                         QStringLiteral("Velmarik"));
}

// What tells whether the settings file was rewritten since it was last read:
// the same checks a newly made QSettings makes before it trusts its cache.
struct FileStamp {
    bool exists = false;
    qint64 inode = 0;
    qint64 size = 0;
    qint64 seconds = 0;
    qint64 nanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf([[maybe_unused]] const QString& path)
{
    FileStamp stamp;
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        stamp.exists = true;
        stamp.inode = static_cast<qint64>(info.st_ino);
        stamp.size = static_cast<qint64>(info.st_size);
        stamp.seconds = static_cast<qint64>(info.st_mtim.tv_sec);
        stamp.nanoseconds = static_cast<qint64>(info.st_mtim.tv_nsec);
    }
#endif
    return stamp;
}

// The one object that reads the settings. Building a QSettings for every
// read cost more than the read; this object is kept and re-reads the file
// only when another process (or another QSettings object of this one) has
// rewritten it, so every read still sees the current value. Objects of one
// process share their data, so writes made anywhere in the process show at
// once. The registry needs no such check: it is always current.
QSettings& ReadStore()
{
    static QSettings* const store = NewStore(); // lives until the process ends
    static FileStamp stamp = StampOf(store->fileName());
#ifdef Q_OS_UNIX
    const FileStamp now = StampOf(store->fileName());
    if (!(now == stamp)) {
        store->sync();
        stamp = now;
    }
#endif
    return *store;
}

QString KeyOf(const QString& section, const QString& name)
{
    return section.isEmpty() ? name : section + QLatin1Char('/') + name;
}

// Writes go through an object of their own: its status then tells of this
// write alone, where a kept object would go on reporting an earlier failure.
bool Write(const QString& key, const QVariant& value)
{
    std::unique_ptr<QSettings> store(NewStore());
    store->setValue(key, value);
    store->sync();
    return store->status() == QSettings::NoError;
}

} // namespace

int GetProfileInt(const QString& section, const QString& name, int defaultValue)
{
    const QVariant value = ReadStore().value(KeyOf(section, name));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    // The registry keeps 32-bit numbers; an INI file may hold anything, and
    // text that is no number reads as missing.
    const qlonglong number = value.toLongLong(&ok);
    return ok ? static_cast<int>(static_cast<quint32>(number)) : defaultValue;
}

bool WriteProfileInt(const QString& section, const QString& name, int value)
{
    return Write(KeyOf(section, name), value);
}

QString GetProfileString(const QString& section, const QString& name, const QString& defaultValue)
{
    const QVariant value = ReadStore().value(KeyOf(section, name));
    return value.isValid() ? value.toString() : defaultValue;
}

bool WriteProfileString(const QString& section, const QString& name, const QString& value)
{
    return Write(KeyOf(section, name), value);
}

#include "platform/Profile.h"

#include <QSettings>

namespace {

// HKCU\Software\Quillmoor\Velmarik on Windows, an INI file elsewhere.
QSettings OpenStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
                     QStringLiteral("Velmarik"));
}

QString KeyOf(const QString& section, const QString& name)
{
    return section.isEmpty() ? name : section + QLatin1Char('/') + name;
}

} // namespace

int GetProfileInt(const QString& section, const QString& name, int defaultValue)
{
    const QVariant value = OpenStore().value(KeyOf(section, name));
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
    QSettings store = OpenStore();
    store.setValue(KeyOf(section, name), value);
    store.sync();
    return store.status() == QSettings::NoError;
}

QString GetProfileString(const QString& section, const QString& name,
                         const QString& defaultValue)
{
    const QVariant value = OpenStore().value(KeyOf(section, name));
    return value.isValid() ? value.toString() : defaultValue;
}

bool WriteProfileString(const QString& section, const QString& name, const QString& value)
{
    QSettings store = OpenStore();
    store.setValue(KeyOf(section, name), value);
    store.sync();
    return store.status() == QSettings::NoError;
}

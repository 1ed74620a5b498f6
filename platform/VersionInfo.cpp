#include "platform/VersionInfo.h"

#include "platform/Version.h"

namespace {

// The build's values, replaceable by tests that need them missing.
QString g_name = QStringLiteral(VELMARIK_PRODUCT_NAME);
QString g_version = QStringLiteral(VELMARIK_PRODUCT_VERSION);

} // namespace

void SetProductVersionForTesting(const QString& name, const QString& version)
{
    g_name = name;
    g_version = version;
}

bool GetProductVersionInfo(QString& productName, QString& productVersion)
{
    if (g_name.isEmpty() || g_version.isEmpty())
        return false;
    productName = g_name;
    productVersion = g_version;
    return true;
}

QString GetProductNameAndVersion()
{
    QString name;
    QString version;
    if (!GetProductVersionInfo(name, version))
        return QStringLiteral("?");
    return name + QLatin1Char(' ') + version;
}

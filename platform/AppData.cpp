#include "platform/AppData.h"

#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kCompany = QStringLiteral("Quillmoor");
const QString kProduct = QStringLiteral("Velmarik");

// Set after a failure was reported, cleared by the next success: a folder
// that stays unavailable is reported once, not at every retry.
bool g_failureReported = false;

bool Fail(const QString& message)
{
    if (!g_failureReported)
        ShowMessageBox(message);
    g_failureReported = true;
    return false;
}

bool EnsureFolder(const QString& path)
{
    if (QFileInfo(path).isDir())
        return true;
    return QDir().mkdir(path);
}

} // namespace

void InitProgramIdentity()
{
    QCoreApplication::setOrganizationName(kCompany);
    QCoreApplication::setApplicationName(kProduct);
}

bool GetAppDataFolder(QString& path)
{
    path.clear();
    InitProgramIdentity();
    // AppDataLocation is <roaming base>/Quillmoor/Velmarik; the two levels
    // are created one by one so that each failure has its own message.
    QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString suffix = QLatin1Char('/') + kCompany + QLatin1Char('/') + kProduct;
    if (base.endsWith(suffix))
        base.chop(suffix.size());
    if (base.isEmpty() || !QDir().mkpath(base))
        return Fail(QStringLiteral("appdata folder get error"));

    QString folder = base + QLatin1Char('/') + kCompany;
    if (!EnsureFolder(folder))
        return Fail(QStringLiteral("appdata folder create error"));
    folder += QLatin1Char('/') + kProduct;
    if (!EnsureFolder(folder))
        return Fail(QStringLiteral("appdata folder create error"));

    g_failureReported = false;
    path = folder + QLatin1Char('/');
    return true;
}

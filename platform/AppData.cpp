#include "platform/AppData.h"

#include "platform/MessageBox.h"
#include "platform/Settings.h"

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

// The roaming base that holds Quillmoor/Velmarik; empty when there is none.
QString RoamingBase()
{
    InitProgramIdentity();
    // AppDataLocation is <roaming base>/Quillmoor/Velmarik.
    QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString suffix = QLatin1Char('/') + kCompany + QLatin1Char('/') + kProduct;
    if (base.endsWith(suffix))
        base.chop(suffix.size());
    return base;
}

QString MissingFolderText(const QString& folder)
{
    return QStringLiteral("学習データのフォルダーが見つかりません。\r\n%1\r\n"
                          "同期フォルダーやドライブがつながっているか確かめてください。"
                          "見つかるまで、学習の記録は読み込みも保存もしません。")
        .arg(QDir::toNativeSeparators(folder));
}

} // namespace

void InitProgramIdentity()
{
    QCoreApplication::setOrganizationName(kCompany);
    QCoreApplication::setApplicationName(kProduct);
}

QString CleanFolderPath(const QString& folder)
{
    return QDir::cleanPath(folder);
}

QString DefaultAppDataFolder()
{
    return RoamingBase() + QLatin1Char('/') + kCompany + QLatin1Char('/') + kProduct +
           QLatin1Char('/');
}

QString ChosenDataFolder()
{
    return GetProfileString(Setting::DataFolder);
}

bool ChosenDataFolderIsMissing()
{
    const QString chosen = ChosenDataFolder();
    // A relative path would mean another folder in every working folder.
    return !chosen.isEmpty() && (!QDir::isAbsolutePath(chosen) || !QFileInfo(chosen).isDir());
}

bool ResolveMissingDataFolder()
{
    while (ChosenDataFolderIsMissing()) {
        const QString chosen = ChosenDataFolder();
        const int answer = ShowMessageBox(
            QStringLiteral(
                "学習データのフォルダーが見つかりません。\r\n%1\r\n\r\n"
                "同期フォルダーやドライブをつないでから「はい」を押すと、もう一度探します。"
                "\r\n「いいえ」は、いつものフォルダー (%2) "
                "に戻して起動します。見つからないフォルダーの学習データは、"
                "そのまま残ります。\r\n「キャンセル」は Velmarik を終了します。")
                .arg(QDir::toNativeSeparators(chosen),
                     QDir::toNativeSeparators(DefaultAppDataFolder())),
            MessageButtons::YesNoCancel);
        if (answer == IDNO)
            WriteProfileString(Setting::DataFolder, QString());
        else if (answer != IDYES)
            return false;
    }
    return true;
}

bool GetAppDataFolder(QString& path)
{
    path.clear();
    const QString chosen = ChosenDataFolder();
    if (!chosen.isEmpty()) {
        if (ChosenDataFolderIsMissing())
            return Fail(MissingFolderText(chosen));
        g_failureReported = false;
        path = CleanFolderPath(chosen) + QLatin1Char('/');
        return true;
    }

    // The two levels are created one by one so that each failure has its
    // own message.
    const QString base = RoamingBase();
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

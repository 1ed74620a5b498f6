#include "recognition/ModelLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char kModelFile[] = "handwriting-ja.model";
const char kModelFolder[] = "tegaki/models/zinnia";

void AppendOnce(QStringList& list, const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (!clean.isEmpty() && !list.contains(clean))
        list.append(clean);
}

} // namespace

QString ChosenHandwritingModel()
{
    const QString fromEnvironment = qEnvironmentVariable("VELMARIK_HANDWRITING_MODEL");
    return fromEnvironment.isEmpty() ? QString() : QDir::cleanPath(fromEnvironment);
}

QStringList HandwritingModelCandidates()
{
    QStringList candidates;
    AppendOnce(candidates, ChosenHandwritingModel());
    if (QCoreApplication::instance()) {
        const QDir programDir(QCoreApplication::applicationDirPath());
        AppendOnce(candidates, programDir.filePath(kModelFile));
        AppendOnce(candidates, programDir.filePath(
                                   QStringLiteral("../share/%1/%2").arg(kModelFolder, kModelFile)));
    }
    const QString relative = QStringLiteral("%1/%2").arg(kModelFolder, kModelFile);
    for (const QString& dataDir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        AppendOnce(candidates, QDir(dataDir).filePath(relative));
    // The data folders may have been narrowed (tests, sandboxes); the
    // packaged places stay on the list.
    AppendOnce(candidates, QStringLiteral("/usr/local/share/") + relative);
    AppendOnce(candidates, QStringLiteral("/usr/share/") + relative);
    return candidates;
}

QString ModelFileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("%1 がありません。").arg(path);
    if (info.isDir())
        return QStringLiteral("%1 はフォルダーです。").arg(path);
    if (!info.isFile())
        return QStringLiteral("%1 は通常のファイルではありません。").arg(path);
    if (info.size() == 0)
        return QStringLiteral("%1 は空です。").arg(path);
    if (!info.isReadable())
        return QStringLiteral("%1 を読めません。").arg(path);
    return {};
}

QString FindHandwritingModel(const QStringList& candidates)
{
    for (const QString& path : candidates) {
        if (ModelFileProblem(path).isEmpty())
            return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

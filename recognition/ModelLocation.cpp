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

QStringList HandwritingModelCandidates()
{
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("VELMARIK_HANDWRITING_MODEL");
    if (!fromEnvironment.isEmpty())
        AppendOnce(candidates, fromEnvironment);
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

QString FindHandwritingModel(const QStringList& candidates)
{
    for (const QString& path : candidates) {
        const QFileInfo info(path);
        if (info.isFile() && info.isReadable() && info.size() > 0)
            return info.absoluteFilePath();
    }
    return {};
}

#include "study/StagedCarryOver.h"

#include "platform/FileFailure.h"
#include "platform/SaveFile.h"
#include "study/CWordListSource.h"
#include "study/StateFileFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {

const QString kStagingFolderName = QStringLiteral("carryover");

int g_stopAfter = -1;

// Puts a file in another's place in one step: at no moment is the target
// missing or half written.
bool ReplaceFile(const QString& from, const QString& to)
{
    std::error_code error;
    std::filesystem::rename(QFileInfo(from).filesystemAbsoluteFilePath(),
                            QFileInfo(to).filesystemAbsoluteFilePath(), error);
    return !error;
}

bool IsStateFileName(const QString& name)
{
    if (name == kHistoryFileName)
        return true;
    for (int i = 0; i < static_cast<int>(std::size(kWordLists)); ++i) {
        if (name == ListFileName(i))
            return true;
    }
    return false;
}

} // namespace

bool CarryOverSteps::Next()
{
    if (g_stopAfter >= 0 && m_nDone >= g_stopAfter) {
        g_stopAfter = -1; // the next run is the restart after the "crash"
        return false;
    }
    ++m_nDone;
    return true;
}

void SetCarryOverStopForTesting(int steps)
{
    g_stopAfter = steps;
}

bool FinishStagedCarryOver(const QString& folder, CarryOverSteps& steps)
{
    QDir staging(folder + kStagingFolderName);
    if (!staging.exists())
        return true;
    if (!QFile::exists(staging.filePath(kSignatureFileName)))
        return staging.removeRecursively();
    const QStringList names = staging.entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (!IsStateFileName(name))
            continue; // a temporary file of an interrupted write
        if (!steps.Next())
            return false;
        if (!ReplaceFile(staging.filePath(name), folder + name))
            return false;
    }
    if (!steps.Next())
        return false;
    if (!ReplaceFile(staging.filePath(kSignatureFileName), folder + kSignatureFileName))
        return false;
    staging.removeRecursively(); // only temporaries are left; they are harmless
    return true;
}

bool CommitCarryOver(const QString& folder, const QHash<QString, QByteArray>& files,
                     const QByteArray& signatures)
{
    CarryOverSteps steps;
    QDir staging(folder + kStagingFolderName);
    if (!staging.removeRecursively() || !QDir().mkpath(staging.path()))
        return false;
    FileFailure failure;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!steps.Next())
            return false;
        if (!WriteWholeFile(staging.filePath(it.key()), it.value(), failure)) {
            staging.removeRecursively();
            return false;
        }
    }
    if (!steps.Next())
        return false;
    if (!WriteWholeFile(staging.filePath(kSignatureFileName), signatures, failure)) {
        staging.removeRecursively();
        return false;
    }
    return FinishStagedCarryOver(folder, steps);
}

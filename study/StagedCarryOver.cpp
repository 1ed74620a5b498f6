#include "study/StagedCarryOver.h"

#include "platform/FileFailure.h"
#include "platform/SaveFile.h"
#include "study/CWordListSource.h"
#include "study/StateFileFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <filesystem>
#include <optional>
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

// The file as it was staged: the size and hash the signature file gives,
// and the version and length of what it is. A list file holds a record for
// every item of the list version the signature file names.
bool IsWholeStagedFile(const QString& name, const StoredFile& file, const StagedFileStamp& stamp,
                       const SignatureFile& signatures)
{
    if (!file.m_bExists || file.m_openFailure || file.m_readError ||
        StagedFileStamp::Of(file.m_bytes) != stamp)
        return false;
    if (name == kHistoryFileName) {
        const HistoryFileData history = DecodeHistoryFile(file);
        return history.m_status == HistoryFileData::Readable &&
               qFromLittleEndian<qint16>(file.m_bytes.constData()) == kHistoryFileVersion &&
               file.m_bytes.size() == 10 + 8 * history.m_records.size();
    }
    for (int i = 0; i < static_cast<int>(std::size(kWordLists)); ++i) {
        if (name != ListFileName(i))
            continue;
        const ListFileData list = DecodeListFile(file);
        const qint32 count = SignatureEntry(signatures.m_signatures, name, ListName(i)).m_nCount;
        return list.m_status == ListFileData::Readable && count >= 0 &&
               file.m_bytes.size() == 2 + 4 * qsizetype(count);
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
    const StoredFile signatureFile = StoredFile::Read(staging.filePath(kSignatureFileName));
    if (!signatureFile.m_bExists)
        return staging.removeRecursively();
    std::optional<SignatureFile> signatures;
    if (!signatureFile.m_openFailure && !signatureFile.m_readError)
        signatures = ReadSignatureFile(signatureFile.m_bytes);
    // Every file it names must be staged whole, or moved into place by an
    // earlier run.
    bool intact = signatures && signatures->m_bChecksum;
    bool anyMoved = false;
    QStringList toMove;
    if (signatures) {
        for (auto it = signatures->m_staged.cbegin(); it != signatures->m_staged.cend(); ++it) {
            const StoredFile staged = StoredFile::Read(staging.filePath(it.key()));
            if (staged.m_bExists) {
                intact = intact && IsWholeStagedFile(it.key(), staged, *it, *signatures);
                toMove.append(it.key());
            } else if (IsWholeStagedFile(it.key(), StoredFile::Read(folder + it.key()), *it,
                                         *signatures)) {
                anyMoved = true;
            } else {
                intact = false;
            }
        }
    }
    if (!intact) {
        // Nothing outside the staging has changed yet: the carry-over runs
        // again from the files as they were. Once a file has moved, neither
        // way is safe.
        return !anyMoved && staging.removeRecursively();
    }
    for (const QString& name : std::as_const(toMove)) {
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
                     const StateSignatures& signatures)
{
    CarryOverSteps steps;
    QDir staging(folder + kStagingFolderName);
    if (!staging.removeRecursively() || !QDir().mkpath(staging.path()))
        return false;
    FileFailure failure;
    StagedFiles staged;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!steps.Next())
            return false;
        if (!WriteWholeFile(staging.filePath(it.key()), it.value(), failure)) {
            staging.removeRecursively();
            return false;
        }
        staged.insert(it.key(), StagedFileStamp::Of(it.value()));
    }
    if (!steps.Next())
        return false;
    if (!WriteWholeFile(staging.filePath(kSignatureFileName),
                        FormatStateSignatures(signatures, staged), failure)) {
        staging.removeRecursively();
        return false;
    }
    return FinishStagedCarryOver(folder, steps);
}

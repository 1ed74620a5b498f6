#include "study/StagedCarryOver.h"

#include "platform/FileFailure.h"
#include "platform/FolderSync.h"
#include "platform/SaveFile.h"
#include "study/CWordListSource.h"
#include "study/KeptSignatures.h"
#include "study/ReviewFileFormat.h"
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

std::filesystem::path PathOf(const QString& path)
{
    return QFileInfo(path).filesystemAbsoluteFilePath();
}

// Puts a file in another's place in one step: at no moment is the target
// missing or half written.
bool ReplaceFile(const QString& from, const QString& to, FileFailure& failure)
{
    std::error_code error;
    std::filesystem::rename(PathOf(from), PathOf(to), error);
    if (error) {
        failure = FileFailure::FromSystem(error.value());
        return false;
    }
    SyncFolderOf(to);
    return true;
}

// An empty staging folder. Something else of that name is not ours to
// remove.
bool MakeEmptyStaging(const QString& path, FileFailure& failure)
{
    std::error_code error;
    const QFileInfo info(path);
    if (info.isDir())
        std::filesystem::remove_all(PathOf(path), error);
    else if (info.exists() || info.isSymLink())
        error = std::make_error_code(std::errc::not_a_directory);
    if (!error)
        std::filesystem::create_directory(PathOf(path), error);
    if (error)
        failure = FileFailure::FromSystem(error.value());
    return !error;
}

// The copies of the signature file, written after it. A copy that cannot be
// written must not stay behind with what the signature file said before.
void WriteCopy(const QString& folder, const QByteArray& content, FileFailure& failure)
{
    if (!WriteWholeFile(folder + kSignatureCopyFileName, content, failure))
        QFile::remove(folder + kSignatureCopyFileName);
    KeepSignaturesInSettings(folder, content);
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
    if (name == kReviewFileName) {
        // At most a record per item of the lists it is signed for, each
        // whole, and nothing after the last.
        qsizetype items = 0;
        for (int i = 0; i < static_cast<int>(std::size(kWordLists)); ++i)
            items +=
                std::max(0, SignatureEntry(signatures.m_signatures, name, ListName(i)).m_nCount);
        ReviewFileReader reader(file, items);
        ReviewFileRecord record;
        while (reader.Next(record)) {
        }
        return reader.GetStatus() == ReviewFileReader::Readable && reader.Problem().isEmpty();
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

CarryOverSteps::CarryOverSteps() : KillSteps(g_stopAfter) {}

void SetCarryOverStopForTesting(int steps)
{
    g_stopAfter = steps;
}

QString StagingFolder(const QString& folder)
{
    return folder + kStagingFolderName;
}

StagingResult FinishStagedCarryOver(const QString& folder, CarryOverSteps& steps, bool mayWrite)
{
    StagingResult result;
    QDir staging(StagingFolder(folder));
    if (!staging.exists())
        return result;
    const StoredFile signatureFile = StoredFile::Read(staging.filePath(kSignatureFileName));
    if (!signatureFile.m_bExists) {
        // Not committed: should it stay, the next staging reports why.
        if (mayWrite)
            staging.removeRecursively();
        return result;
    }
    std::optional<SignatureFile> signatures;
    if (!signatureFile.m_openFailure && !signatureFile.m_readError)
        signatures = ReadSignatureFile(signatureFile.m_bytes);
    // Every file it names must be staged whole, or moved into place by an
    // earlier run.
    bool intact = signatures && signatures->m_bChecksum;
    bool anyMoved = false;
    QList<std::pair<QString, QByteArray>> toMove;
    if (signatures) {
        for (auto it = signatures->m_staged.cbegin(); it != signatures->m_staged.cend(); ++it) {
            const StoredFile staged = StoredFile::Read(staging.filePath(it.key()));
            if (staged.m_bExists) {
                intact = intact && IsWholeStagedFile(it.key(), staged, *it, *signatures);
                toMove.append({it.key(), staged.m_bytes});
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
        if (anyMoved)
            result.m_outcome = StagingResult::Unknowable;
        else if (mayWrite)
            staging.removeRecursively();
        return result;
    }
    if (!mayWrite) {
        result.m_outcome = StagingResult::Unmoved;
        for (const auto& [name, bytes] : std::as_const(toMove))
            result.m_pending.insert(name, bytes);
        return result;
    }
    for (qsizetype k = 0; k < toMove.size(); ++k) {
        if (!steps.Next()) {
            result.m_outcome = StagingResult::Stopped;
            return result;
        }
        if (!ReplaceFile(staging.filePath(toMove[k].first), folder + toMove[k].first,
                         result.m_failure)) {
            result.m_outcome = StagingResult::Failed;
            for (; k < toMove.size(); ++k)
                result.m_pending.insert(toMove[k].first, toMove[k].second);
            return result;
        }
    }
    if (!steps.Next()) {
        result.m_outcome = StagingResult::Stopped;
        return result;
    }
    if (!ReplaceFile(staging.filePath(kSignatureFileName), folder + kSignatureFileName,
                     result.m_failure)) {
        result.m_outcome = StagingResult::Failed;
        return result;
    }
    // The carry-over is complete; only the copy of its signature is missing.
    if (!steps.Next()) {
        result.m_outcome = StagingResult::Stopped;
        return result;
    }
    FileFailure ignored;
    WriteCopy(folder, signatureFile.m_bytes, ignored);
    staging.removeRecursively(); // only temporaries are left; they are harmless
    return result;
}

StagingResult CommitCarryOver(const QString& folder, const QHash<QString, QByteArray>& files,
                              const StateSignatures& signatures)
{
    StagingResult result;
    CarryOverSteps steps;
    const QString path = StagingFolder(folder);
    const auto fail = [&] {
        result.m_outcome = StagingResult::Failed;
        QDir(path).removeRecursively();
        return result;
    };
    if (!MakeEmptyStaging(path, result.m_failure)) {
        result.m_outcome = StagingResult::Failed;
        return result;
    }
    StagedFiles staged;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!steps.Next()) {
            result.m_outcome = StagingResult::Stopped;
            return result;
        }
        if (!WriteWholeFile(path + QLatin1Char('/') + it.key(), it.value(), result.m_failure))
            return fail();
        staged.insert(it.key(), StagedFileStamp::Of(it.value()));
    }
    if (!steps.Next()) {
        result.m_outcome = StagingResult::Stopped;
        return result;
    }
    if (!WriteWholeFile(path + QLatin1Char('/') + kSignatureFileName,
                        FormatStateSignatures(signatures, staged), result.m_failure))
        return fail();
    result = FinishStagedCarryOver(folder, steps);
    if (result.m_outcome == StagingResult::Unknowable) {
        // Checked before anything moved, so nothing did: the staging was
        // damaged while it was written.
        result.m_outcome = StagingResult::Failed;
        result.m_failure = FileFailure::EndOfFile();
    }
    return result;
}

bool WriteSignatureFiles(const QString& folder, const QByteArray& content, FileFailure& failure)
{
    if (!WriteWholeFile(folder + kSignatureFileName, content, failure))
        return false;
    FileFailure ignored;
    WriteCopy(folder, content, ignored);
    return true;
}

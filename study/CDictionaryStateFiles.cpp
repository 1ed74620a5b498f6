#include "study/CDictionary.h"

#include "platform/AppData.h"
#include "platform/FileFailure.h"
#include "platform/MessageBox.h"
#include "platform/StagedFiles.h"
#include "platform/StateWriteGuard.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/CStateWriter.h"
#include "study/CWordListSource.h"
#include "study/DataFolderMove.h"
#include "study/KnownWordLists.h"
#include "study/ListMigration.h"
#include "study/OwnListFile.h"
#include "study/StateFileFormat.h"
#include "study/StudyBackup.h"
#include "study/WordListText.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <optional>

namespace {

std::shared_ptr<const CWordListSource>& InstalledWordListSource()
{
    static std::shared_ptr<const CWordListSource> source;
    return source;
}

// A save killed before its commit leaves its temporary file, named after
// the state file and six random letters. No save runs while the
// files are loaded, so any such file is a leftover; nothing else in the
// folder is touched.
void RemoveStaleSaveFiles(const QString& folder)
{
    // The word lists' signature file is saved the same way.
    QStringList names{kMiscFileName, kHistoryFileName, kReviewFileName, kSignatureFileName,
                      kSignatureCopyFileName};
    for (const WordListInfo& info : kWordLists)
        names << QString::fromLatin1(info.m_pszName) + QStringLiteral(".dat");
    // So are the learning-mode files of the lists of one's own.
    for (const OwnListName& list :
         ReadOwnListNames(StoredFile::Read(folder + kOwnListsFileName).m_bytes))
        names << list.m_strList + QStringLiteral(".dat");
    // One listing of the folder for all the names: a listing per name, each
    // with its own wildcard, was a noticeable part of the start-up.
    const QDir dir(folder);
    constexpr qsizetype kSuffix = 7; // ".abcdef"
    const auto isLetter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    for (const QString& candidate :
         dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted)) {
        const qsizetype dot = candidate.size() - kSuffix;
        if (dot <= 0 || candidate[dot] != u'.')
            continue;
        const QStringView letters = QStringView(candidate).mid(dot + 1);
        if (!std::all_of(letters.begin(), letters.end(), isLetter))
            continue;
        if (names.contains(QStringView(candidate).left(dot)))
            QFile::remove(dir.filePath(candidate));
    }
}

} // namespace

void CDictionary::SetWordListSource(std::shared_ptr<const CWordListSource> source)
{
    // State files that tests write by hand, without a signature file, are
    // meant for the lists the test installs.
    SetUnsignedWordListSource(source);
    InstalledWordListSource() = std::move(source);
}

void CDictionary::EnsureLoaded()
{
    if (!m_lists.empty())
        return;
    QString folder;
    if (!GetAppDataFolder(folder))
        return;
    // A move of the data folder that a kill cut short, finished or undone
    // before any of its files is read.
    if (MayWriteStateFiles())
        FinishDataFolderMove(folder);
    RemoveStaleSaveFiles(folder);
    // A restore or a change of the lists of one's own that a kill cut short.
    FinishStagedFiles(folder, kStateStagingFolder);

    static const CWordListSource builtIn;
    const std::shared_ptr<const CWordListSource> installed = InstalledWordListSource();
    const CWordListSource& source = installed ? *installed : builtIn;
    // Records written for other versions of the lists move to their items
    // first, so that what follows reads every file by position.
    const StudyStateReading reading = CarryOverStudyState(source, folder);
    m_heldStateFiles = reading.m_held;
    for (const WordListInfo& info : kWordLists)
        LoadList(source, info.m_nResourceId, QString::fromLatin1(info.m_pszName), folder, reading);
    LoadOwnLists(folder, reading);
    LoadMisc(folder);
    LoadHistory(folder, reading);
    LoadReviews(folder, reading);
}

void CDictionary::LoadList(const CWordListSource& source, int resourceId, const QString& name,
                           const QString& folder, const StudyStateReading& reading)
{
    CDicFile* list = m_lists.emplace_back(std::make_unique<CDicFile>(name)).get();

    const std::optional<QByteArray> text = source.Load(resourceId);
    if (!text) {
        ShowMessageBox(QStringLiteral("辞書データが見つかりませんでした。\r\n") + name);
        return;
    }
    QStringDecoder decoder = ItemLineDecoder();
    ForEachItemLine(*text, [&](QByteArrayView line) { list->AddItem(decoder.decode(line)); });

    const ListRecords records =
        TakeListRecords(DecodeListFile(reading.File(folder, list->GetFileName())),
                        list->GetItemCount(), list->GetFileName());
    if (!records.m_strProblem.isEmpty())
        ShowMessageBox(records.m_strProblem);
    for (int k = 0; k < list->GetItemCount(); ++k) {
        const ListRecord& record = records.m_records.at(k);
        CItem& item = list->m_items[static_cast<size_t>(k)];
        item.m_nAskCount = record.m_nAskCount < 0 ? 0 : record.m_nAskCount;
        if (IsValidMode(record.m_nMode))
            item.m_nMode = record.m_nMode;
    }
    list->ClearDirty();
}

void CDictionary::LoadMisc(const QString& folder)
{
    m_nTotalCount = 0;
    m_mapDayCount.clear();
    const MiscFileData data = DecodeMiscFile(StoredFile::Read(folder + kMiscFileName));
    m_nTotalCount = data.m_nTotal;
    for (const auto& [key, count] : data.m_days)
        m_mapDayCount.insert(key, count);
    if (const QString problem = MiscFileProblem(data); !problem.isEmpty())
        ShowMessageBox(problem);
    m_bMiscDirty = 0;
}

void CDictionary::LoadHistory(const QString& folder, const StudyStateReading& reading)
{
    m_history.clear();
    m_nHistPos = -1;
    const HistoryFileData data = DecodeHistoryFile(reading.File(folder, kHistoryFileName));
    if (data.m_status == HistoryFileData::Readable) {
        m_history = data.m_records;
        m_nHistPos = data.m_nPos;
    }
    if (const QString problem = HistoryFileProblem(data); !problem.isEmpty())
        ShowMessageBox(problem);
    m_bHistDirty = 0;
}

void CDictionary::Save()
{
    // A background write that runs goes first. What it could not write is
    // dirty again and written now, and told then: this save has the last
    // word, on disk and to the learner.
    CollectBackgroundSave(true, false);
    if (std::optional<StateSnapshot> snapshot = TakeSaveSnapshot();
        snapshot && !snapshot->IsEmpty())
        ApplySaveOutcome(*snapshot, snapshot->Write(), true);
}

bool CDictionary::StartBackgroundSave()
{
    if (m_pWriter)
        return false;
    std::optional<StateSnapshot> snapshot = TakeSaveSnapshot();
    if (!snapshot || snapshot->IsEmpty())
        return false;
    m_pWriter = std::make_unique<CStateWriter>(std::move(*snapshot));
    return true;
}

std::optional<StateWriteOutcome> CDictionary::FinishBackgroundSave(bool wait)
{
    return CollectBackgroundSave(wait, true);
}

std::optional<StateWriteOutcome> CDictionary::CollectBackgroundSave(bool wait, bool report)
{
    if (!m_pWriter || (!wait && !m_pWriter->IsDone()))
        return std::nullopt;
    const StateWriteOutcome outcome = m_pWriter->Wait();
    const std::unique_ptr<CStateWriter> writer = std::move(m_pWriter);
    ApplySaveOutcome(writer->Snapshot(), outcome, report);
    return outcome;
}

std::optional<StateSnapshot> CDictionary::TakeSaveSnapshot()
{
    if (m_lists.empty())
        return std::nullopt;
    // What stays unsaved stays dirty, for the next save the guard allows.
    if (!MayWriteStateFiles())
        return std::nullopt;
    QString folder;
    if (!GetAppDataFolder(folder))
        return std::nullopt;
    // Once a study day, before the day's first write, the state goes into
    // a backup, so that a bad day costs at most that day. The backup is a
    // safety net: when it cannot be written the save goes on all the same.
    const bool changed = m_bMiscDirty || m_bHistDirty ||
                         std::any_of(m_lists.cbegin(), m_lists.cend(),
                                     [](const auto& list) { return list->HasDirtyItems(); });
    if (changed) {
        QString error;
        WriteDailyBackup(*this, folder, error);
    }
    StateSnapshot snapshot;
    snapshot.m_strFolder = folder;
    std::vector<bool> dirtyLists;
    dirtyLists.reserve(m_lists.size());
    for (const auto& list : m_lists)
        dirtyLists.push_back(list->HasDirtyItems());
    // The files that depend on the lists' contents are written only once
    // the signature file says which lists they are written for.
    const QSet<QString> withheld = PrepareStateSave(*this, folder, dirtyLists);
    for (size_t i = 0; i < m_lists.size(); ++i) {
        CDicFile& list = *m_lists[i];
        if (!dirtyLists[i] || withheld.contains(list.GetFileName()))
            continue;
        StateSnapshot::ListFile& file = snapshot.m_lists.emplace_back();
        file.m_nList = static_cast<int>(i);
        file.m_strFileName = list.GetFileName();
        file.m_content = ListFileContent(list.m_items);
        file.m_dirty.reserve(list.m_items.size());
        for (CItem& item : list.m_items) {
            file.m_dirty.push_back(item.m_bDirty != 0);
            item.m_bDirty = 0;
        }
    }
    if (m_bMiscDirty) {
        PruneDayCounts();
        snapshot.m_misc = MiscFileContent(m_nTotalCount, m_mapDayCount);
        m_bMiscDirty = 0;
    }
    if (m_bHistDirty && !withheld.contains(kHistoryFileName)) {
        // Shared: the history is copied only when it changes before the
        // write is done.
        snapshot.m_bHistory = true;
        snapshot.m_nHistPos = m_nHistPos;
        snapshot.m_history = m_history;
        m_bHistDirty = 0;
    }
    if (m_reviews.m_bDirty && !withheld.contains(kReviewFileName)) {
        snapshot.m_reviews = ReviewFileContent();
        m_reviews.m_bDirty = false;
    }
    return snapshot;
}

void CDictionary::ApplySaveOutcome(const StateSnapshot& snapshot, const StateWriteOutcome& outcome,
                                   bool report)
{
    // The lists from the failed one on wait for the next save, dirty again.
    for (size_t k = outcome.m_nListsWritten; k < snapshot.m_lists.size(); ++k) {
        const StateSnapshot::ListFile& file = snapshot.m_lists[k];
        if (file.m_nList >= GetSize())
            continue;
        std::deque<CItem>& items = GetAt(file.m_nList)->m_items;
        const size_t count = std::min(items.size(), file.m_dirty.size());
        for (size_t pos = 0; pos < count; ++pos) {
            if (file.m_dirty[pos])
                items[pos].m_bDirty = 1;
        }
    }
    if (outcome.m_miscFailure)
        m_bMiscDirty = 1;
    if (outcome.m_historyFailure)
        m_bHistDirty = 1;
    if (outcome.m_reviewFailure)
        m_reviews.m_bDirty = true;
    if (!report)
        return;
    const auto tell = [](const QString& kind, const std::optional<FileFailure>& failure) {
        if (failure)
            ShowMessageBox(kind + QStringLiteral("\r\n") + DescribeException(*failure));
    };
    tell(kListSaveFailure, outcome.m_listFailure);
    tell(kMiscSaveFailure, outcome.m_miscFailure);
    tell(kHistorySaveFailure, outcome.m_historyFailure);
    tell(kReviewSaveFailure, outcome.m_reviewFailure);
}

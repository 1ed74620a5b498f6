#include "study/CDictionary.h"

#include "platform/AppData.h"
#include "platform/FileFailure.h"
#include "platform/MessageBox.h"
#include "platform/SaveFile.h"
#include "platform/StateWriteGuard.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/CWordListSource.h"
#include "study/KnownWordLists.h"
#include "study/ListMigration.h"
#include "study/StateFileFormat.h"
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

// Writes one state file whole; a failure is said with that file's text.
bool WriteStateFile(const QString& path, const QByteArray& content, const QString& failureText)
{
    FileFailure failure;
    if (WriteWholeFile(path, content, failure))
        return true;
    ShowMessageBox(failureText + QStringLiteral("\r\n") + DescribeException(failure));
    return false;
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
    RemoveStaleSaveFiles(folder);

    static const CWordListSource builtIn;
    const std::shared_ptr<const CWordListSource> installed = InstalledWordListSource();
    const CWordListSource& source = installed ? *installed : builtIn;
    // Records written for other versions of the lists move to their items
    // first, so that what follows reads every file by position.
    const StudyStateReading reading = CarryOverStudyState(source, folder);
    m_heldStateFiles = reading.m_held;
    for (const WordListInfo& info : kWordLists)
        LoadList(source, info.m_nResourceId, QString::fromLatin1(info.m_pszName), folder, reading);
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
    if (m_lists.empty())
        return;
    // What stays unsaved stays dirty, for the next save the guard allows.
    if (!MayWriteStateFiles())
        return;
    QString folder;
    if (!GetAppDataFolder(folder))
        return;
    // The files that depend on the lists' contents are written only once
    // the signature file says which lists they are written for.
    const QSet<QString> withheld = PrepareStateSave(*this, folder);
    SaveLists(folder, withheld);
    SaveMisc(folder);
    if (!withheld.contains(kHistoryFileName))
        SaveHistory(folder);
    if (!withheld.contains(kReviewFileName))
        SaveReviews(folder);
}

bool CDictionary::SaveLists(const QString& folder, const QSet<QString>& withheld)
{
    for (const auto& list : m_lists) {
        if (!list->HasDirtyItems() || withheld.contains(list->GetFileName()))
            continue;
        // On a failure the remaining lists wait for the next save, still dirty.
        if (!WriteStateFile(folder + list->GetFileName(), ListFileContent(list->m_items),
                            kListSaveFailure))
            return false;
        list->ClearDirty();
    }
    return true;
}

void CDictionary::SaveMisc(const QString& folder)
{
    if (!m_bMiscDirty)
        return;
    PruneDayCounts();
    if (WriteStateFile(folder + kMiscFileName, MiscFileContent(m_nTotalCount, m_mapDayCount),
                       kMiscSaveFailure))
        m_bMiscDirty = 0;
}

void CDictionary::SaveHistory(const QString& folder)
{
    if (!m_bHistDirty)
        return;
    if (WriteStateFile(folder + kHistoryFileName, HistoryFileContent(m_nHistPos, m_history),
                       kHistorySaveFailure))
        m_bHistDirty = 0;
}

void CDictionary::SaveReviews(const QString& folder)
{
    if (!m_reviews.m_bDirty)
        return;
    if (WriteStateFile(folder + kReviewFileName, ReviewFileContent(), kReviewSaveFailure))
        m_reviews.m_bDirty = false;
}

#include "study/ListMigration.h"

#include "platform/FileFailure.h"
#include "platform/MessageBox.h"
#include "platform/SaveFile.h"
#include "platform/StateWriteGuard.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/CWordListSource.h"
#include "study/ItemMatching.h"
#include "study/KeptSignatures.h"
#include "study/KnownWordLists.h"
#include "study/StagedCarryOver.h"
#include "study/StateFileFormat.h"
#include "study/WordListText.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

constexpr int kListCount = static_cast<int>(std::size(kWordLists));

const QString kCannotCarry =
    QStringLiteral("単語リストの変更に合わせて学習モードと履歴を移せませんでした。\r\n"
                   "ファイルはそのまま残し、今回は新しい単語リストに合わせて読み込みますが、"
                   "学習モードと履歴は保存しません。\r\n"
                   "空き容量と書き込みの権限を確かめてから、もう一度起動してください。\r\n");
const QString kUnknownLists =
    QStringLiteral("学習モードファイルと履歴ファイルがどの単語リストのものか分かりません。\r\n"
                   "単語リストの署名ファイル (wordlists.sig) がないか、壊れています。\r\n"
                   "ファイルはそのまま残し、今回は読み込みも保存もしません。\r\n"
                   "wordlists.sig をバックアップから戻してから、もう一度起動してください。\r\n");

QStringList StateFileNames()
{
    QStringList names;
    for (int i = 0; i < kListCount; ++i)
        names.append(ListFileName(i));
    names.append(kHistoryFileName);
    return names;
}

// What the signature file and its copy say the state files were written
// for. The signature file is written first and moved into place last, so
// it wins where both can be read; the one that is lost or damaged is
// written again from the other. Where both are lost, what the settings
// kept of them for this folder stands in.
struct StoredSignatures {
    enum State {
        Unsigned,   // nothing says: the files came before signatures
        Signed,     // m_signatures says
        Unknowable, // a signature file exists, but nothing can be read
    };
    State m_state = Unsigned;
    StateSignatures m_signatures;
    bool m_bFilesLost = false; // only the settings said; the files are to be written again
};

StoredSignatures ReadStoredSignatures(const QString& folder, bool repair)
{
    const StoredFile primary = StoredFile::Read(folder + kSignatureFileName);
    const StoredFile copy = StoredFile::Read(folder + kSignatureCopyFileName);
    const auto read = [](const StoredFile& file) -> std::optional<SignatureFile> {
        if (!file.m_bExists || file.m_openFailure || file.m_readError)
            return std::nullopt;
        return ReadSignatureFile(file.m_bytes);
    };
    std::optional<SignatureFile> signatures = read(primary);
    const StoredFile* good = &primary;
    if (!signatures) {
        signatures = read(copy);
        good = &copy;
    }
    if (!signatures) {
        const std::optional<QByteArray> kept = SignaturesKeptInSettings(folder);
        if (kept)
            signatures = ReadSignatureFile(*kept);
        if (!signatures) {
            if (!primary.m_bExists && !copy.m_bExists)
                return {};
            return {StoredSignatures::Unknowable, {}, false};
        }
        FileFailure ignored; // the next save or start tries again
        if (repair)
            WriteSignatureFiles(folder, *kept, ignored);
        return {StoredSignatures::Signed, std::move(signatures->m_signatures), !repair};
    }
    if (repair) {
        FileFailure ignored; // the files are as safe as before; the next start tries again
        if (good == &copy)
            WriteWholeFile(folder + kSignatureFileName, copy.m_bytes, ignored);
        else if (!copy.m_bExists || copy.m_bytes != primary.m_bytes)
            WriteWholeFile(folder + kSignatureCopyFileName, primary.m_bytes, ignored);
        // Files signed before the settings kept a copy gain one.
        KeepSignaturesInSettings(folder, good->m_bytes);
    }
    return {StoredSignatures::Signed, std::move(signatures->m_signatures), false};
}

// The word files without a signature file take: the lists before
// signatures.
StateSignatures UnsignedSignatures(KnownWordLists& known)
{
    StateSignatures signatures;
    for (int i = 0; i < kListCount; ++i) {
        signatures[ListFileName(i)][ListName(i)] = known.UnsignedSignature(i);
        signatures[kHistoryFileName][ListName(i)] = known.UnsignedSignature(i);
    }
    return signatures;
}

// Files without a signature file that were not written for the lists before
// signatures: a learning-mode file holding a record for every item of
// another version of its list, and not of that one. Their signature files
// were lost.
bool ContradictUnsigned(const QString& folder, KnownWordLists& known,
                        const QList<ListSignature>& now)
{
    for (int i = 0; i < kListCount; ++i) {
        const StoredFile file = StoredFile::Read(folder + ListFileName(i));
        const ListFileData data = DecodeListFile(file);
        if (data.m_status != ListFileData::Readable || data.m_partialAskCount ||
            file.m_bytes.size() != 2 + 4 * data.m_records.size())
            continue;
        const qsizetype records = data.m_records.size();
        if (records != known.UnsignedSignature(i).m_nCount &&
            (records == now[i].m_nCount || known.SignedCounts(i).contains(records)))
            return true;
    }
    return false;
}

// No state file is written this run: a committed carry-over waits for a
// copy that may move it into place, or (tests only) the run ended in the
// middle of one, as a crash would end it.
StudyStateReading HoldEverything()
{
    StudyStateReading reading;
    for (const QString& name : StateFileNames())
        reading.m_held.insert(name);
    return reading;
}

// Nothing says which lists the files were written for: they are neither
// read nor written this run.
StudyStateReading KeepUnknownFiles(const QString& folder)
{
    ShowMessageBox(kUnknownLists + QDir::toNativeSeparators(folder));
    StudyStateReading reading;
    for (const QString& name : StateFileNames()) {
        reading.m_unread.insert(name);
        reading.m_held.insert(name);
    }
    return reading;
}

// The carry-over could not be staged or finished: this run reads the
// carried files from memory and writes none of the files concerned.
StudyStateReading KeepCarriedInMemory(const QString& folder, const StagingResult& result,
                                      QHash<QString, QByteArray> carried, QSet<QString> held)
{
    ShowMessageBox(kCannotCarry + QDir::toNativeSeparators(StagingFolder(folder)) +
                   QStringLiteral("\r\n") + DescribeException(result.m_failure));
    StudyStateReading reading;
    reading.m_contents = std::move(carried);
    reading.m_held = std::move(held);
    return reading;
}

struct HistoryFile {
    qint32 m_nPos = -1;
    QList<CDictionary::CHistInfo> m_records;
};

// Where a history record's global index goes; -1 when its item is gone or
// it had none in the lists the history was written for.
class HistoryIndexMap {
public:
    enum Status { Same, Known, Unknown };

    HistoryIndexMap(const QList<ListSignature>& was, const QList<QStringList>& now,
                    const QList<Status>& status, const QList<QList<ItemPlace>>& places)
        : m_was(was), m_now(now), m_status(status), m_places(places)
    {
        int base = 0;
        for (const QStringList& list : now) {
            m_newBase.append(base);
            base += static_cast<int>(list.size());
        }
    }

    int Map(int index) const
    {
        if (index < 0)
            return -1;
        for (int i = 0; i < kListCount; ++i) {
            if (index >= m_was[i].m_nCount) {
                index -= m_was[i].m_nCount;
                continue;
            }
            switch (m_status[i]) {
            case Same:
                return m_newBase[i] + index;
            case Known: {
                const ItemPlace place = m_places[i][index];
                return place.m_nList < 0 ? -1 : m_newBase[place.m_nList] + place.m_nPos;
            }
            case Unknown:
                return index < m_now[i].size() ? m_newBase[i] + index : -1;
            }
        }
        return -1;
    }

private:
    const QList<ListSignature>& m_was;
    const QList<QStringList>& m_now;
    const QList<Status>& m_status;
    const QList<QList<ItemPlace>>& m_places;
    QList<int> m_newBase;
};

HistoryFile CarryHistory(const HistoryFile& old, const HistoryIndexMap& map)
{
    HistoryFile carried;
    const qsizetype count = old.m_records.size();
    QList<int> newPos(count, -1);
    for (qsizetype k = 0; k < count; ++k) {
        const CDictionary::CHistInfo& record = old.m_records.at(k);
        const int index = map.Map(record.m_nIndex);
        if (index < 0)
            continue;
        // Every record stays, also one that names the question before it
        // again: each was a question of its own, answered or not.
        carried.m_records.append({index, record.m_bAnswered});
        newPos[k] = static_cast<int>(carried.m_records.size()) - 1;
    }
    // A current record that is gone gives way to the one "back" would have
    // reached, else to the next one.
    const int current = old.m_nPos >= 0 && old.m_nPos < count ? old.m_nPos : -1;
    if (current >= 0) {
        for (int k = current; k >= 0 && carried.m_nPos < 0; --k)
            carried.m_nPos = newPos[k];
        for (qsizetype k = current + 1; k < count && carried.m_nPos < 0; ++k)
            carried.m_nPos = newPos[k];
    }
    return carried;
}

} // namespace

StudyStateReading CarryOverStudyState(const CWordListSource& current, const QString& folder)
{
    // A copy that cannot make sure it is the only one running carries the
    // files over in memory only; the copy that may write does it on disk.
    const bool mayWrite = MayWriteStateFiles();
    CarryOverSteps recovery;
    const StagingResult staging = FinishStagedCarryOver(folder, recovery, mayWrite);
    switch (staging.m_outcome) {
    case StagingResult::Ready:
        break;
    case StagingResult::Stopped:
        return HoldEverything();
    case StagingResult::Failed: {
        const QStringList names = StateFileNames();
        return KeepCarriedInMemory(folder, staging, staging.m_pending,
                                   QSet<QString>(names.cbegin(), names.cend()));
    }
    case StagingResult::Unmoved: {
        StudyStateReading reading = HoldEverything();
        reading.m_contents = staging.m_pending;
        return reading;
    }
    case StagingResult::Unknowable:
        return KeepUnknownFiles(folder);
    }

    bool anyState = QFile::exists(folder + kSignatureFileName) ||
                    QFile::exists(folder + kSignatureCopyFileName);
    for (const QString& name : StateFileNames())
        anyState = anyState || QFile::exists(folder + name);
    if (!anyState)
        return {}; // a new learner: nothing was written for any lists yet

    KnownWordLists known;
    QList<QByteArray> nowText(kListCount);
    QList<QStringList> now(kListCount);
    QList<ListSignature> nowSignature(kListCount);
    for (int i = 0; i < kListCount; ++i) {
        const std::optional<QByteArray> text = current.Load(kWordLists[i].m_nResourceId);
        // A list missing from the program is a broken build, not a new
        // list: carrying over to it would throw its records away.
        if (!text)
            return {};
        nowText[i] = *text;
    }
    const StoredSignatures signatures = ReadStoredSignatures(folder, mayWrite);
    if (signatures.m_state == StoredSignatures::Unknowable)
        return KeepUnknownFiles(folder);
    // The usual start: every file was written for the lists as they are,
    // and there is nothing to carry over. Without a signature file that is
    // when the lists are those unsigned files were written for.
    const bool signedFiles = signatures.m_state == StoredSignatures::Signed;
    bool upToDate = !signedFiles;
    for (int i = 0; i < kListCount && upToDate; ++i)
        upToDate = known.UnsignedTextIs(i, nowText[i]);
    if (upToDate)
        return {};
    for (int i = 0; i < kListCount; ++i)
        nowSignature[i] = SignatureOfListText(nowText[i]);
    const StateSignatures stored =
        signedFiles ? signatures.m_signatures : UnsignedSignatures(known);
    if (signedFiles) {
        upToDate = true;
        for (int i = 0; i < kListCount && upToDate; ++i) {
            upToDate = SignatureEntry(stored, ListFileName(i), ListName(i)) == nowSignature[i] &&
                       SignatureEntry(stored, kHistoryFileName, ListName(i)) == nowSignature[i];
        }
        if (upToDate)
            return {};
    } else if (ContradictUnsigned(folder, known, nowSignature)) {
        return KeepUnknownFiles(folder);
    }
    for (int i = 0; i < kListCount; ++i) {
        now[i] = ListItemTexts(nowText[i]);
        known.SetCurrent(i, nowText[i], now[i], nowSignature[i]);
    }
    StateSignatures updated = stored;
    QHash<QString, QByteArray> files;

    // Learning-mode files. A list written for a version we do not know
    // keeps its file and loads by position, as it always did.
    QList<const QStringList*> oldSide(kListCount, nullptr);
    QList<const QStringList*> newSide(kListCount, nullptr);
    QList<QList<ListRecord>> oldRecords(kListCount);
    QList<bool> rewrite(kListCount, false);
    for (int i = 0; i < kListCount; ++i) {
        const QString file = ListFileName(i);
        const ListSignature was = SignatureEntry(stored, file, ListName(i));
        if (was == nowSignature[i])
            continue;
        const QStringList* texts = known.Texts(i, was);
        if (!texts)
            continue;
        updated[file][ListName(i)] = nowSignature[i];
        if (QFile::exists(folder + file)) {
            // A file the loader cannot read either is left to it, to report
            // as it always has; it takes no records from other lists.
            const ListFileData data = DecodeListFile(StoredFile::Read(folder + file));
            if (data.m_status != ListFileData::Readable)
                continue;
            // A file cut short is carried as the load would read it, and
            // says so as the load would: the file the load then meets is
            // whole. Old items past what was read take no record.
            ListRecords taken = TakeListRecords(data, texts->size(), file);
            if (!taken.m_strProblem.isEmpty())
                ShowMessageBox(taken.m_strProblem);
            taken.m_records.resize(std::min(
                taken.m_records.size(), data.m_records.size() + (data.m_partialAskCount ? 1 : 0)));
            oldRecords[i] = std::move(taken.m_records);
            oldSide[i] = texts;
            rewrite[i] = true;
        }
        newSide[i] = &now[i];
    }
    const QList<QList<ItemPlace>> places = MatchListItems(oldSide, newSide);
    QList<QList<ListRecord>> newRecords(kListCount);
    for (int j = 0; j < kListCount; ++j) {
        if (newSide[j])
            newRecords[j].resize(now[j].size());
    }
    for (int i = 0; i < kListCount; ++i) {
        for (int p = 0; oldSide[i] && p < oldSide[i]->size(); ++p) {
            const ItemPlace place = places[i][p];
            if (place.m_nList < 0 || p >= oldRecords[i].size())
                continue;
            newRecords[place.m_nList][place.m_nPos] = oldRecords[i][p];
            rewrite[place.m_nList] = true;
        }
    }
    for (int j = 0; j < kListCount; ++j) {
        if (rewrite[j])
            files.insert(ListFileName(j), ListFileContent(newRecords[j]));
    }

    // The history: global indices, carried over item by item.
    QList<ListSignature> was(kListCount);
    QList<HistoryIndexMap::Status> status(kListCount, HistoryIndexMap::Same);
    QList<const QStringList*> historyOld(kListCount, nullptr);
    QList<const QStringList*> historyNew(kListCount, nullptr);
    bool anyKnown = false;
    bool layoutKnown = true;
    for (int i = 0; i < kListCount; ++i) {
        was[i] = SignatureEntry(stored, kHistoryFileName, ListName(i));
        layoutKnown = layoutKnown && was[i].m_nCount >= 0;
        if (was[i] == nowSignature[i])
            continue;
        if (const QStringList* texts = known.Texts(i, was[i])) {
            status[i] = HistoryIndexMap::Known;
            historyOld[i] = texts;
            historyNew[i] = &now[i];
            anyKnown = true;
        } else {
            status[i] = HistoryIndexMap::Unknown;
        }
    }
    // Only lists of unknown versions changed: the history loads by position,
    // as it always did.
    if (anyKnown && layoutKnown) {
        for (int i = 0; i < kListCount; ++i)
            updated[kHistoryFileName][ListName(i)] = nowSignature[i];
        if (QFile::exists(folder + kHistoryFileName)) {
            // A history the load cannot read is left to it, to report.
            const HistoryFileData history =
                DecodeHistoryFile(StoredFile::Read(folder + kHistoryFileName));
            if (history.m_status == HistoryFileData::Readable) {
                const QList<QList<ItemPlace>> historyPlaces =
                    MatchListItems(historyOld, historyNew);
                const HistoryIndexMap map(was, now, status, historyPlaces);
                const HistoryFile carried = CarryHistory({history.m_nPos, history.m_records}, map);
                files.insert(kHistoryFileName,
                             HistoryFileContent(carried.m_nPos, carried.m_records));
            }
        }
    }

    if (files.isEmpty() && updated == stored)
        return {};
    // Until the carry-over is on disk, the files it would have written or
    // signed anew must not be written by position; the next start tries
    // again.
    QSet<QString> held;
    for (const QString& name : StateFileNames()) {
        if (files.contains(name) || updated.value(name) != stored.value(name))
            held.insert(name);
    }
    if (!mayWrite) {
        StudyStateReading reading;
        reading.m_contents = std::move(files);
        reading.m_held = std::move(held);
        return reading;
    }
    const StagingResult committed = CommitCarryOver(folder, files, updated);
    switch (committed.m_outcome) {
    case StagingResult::Ready:
        return {};
    case StagingResult::Stopped:
        return HoldEverything();
    case StagingResult::Failed:
    case StagingResult::Unknowable:
    case StagingResult::Unmoved:
        break;
    }
    return KeepCarriedInMemory(folder, committed, files, held);
}

namespace {

ListSignature CurrentListSignature(const CDictionary::CDicFile& list)
{
    if (list.m_nSignedCount != list.GetItemCount()) {
        QStringList texts;
        texts.reserve(list.GetItemCount());
        for (const CDictionary::CItem& item : list.m_items)
            texts.append(item.m_strText);
        const ListSignature signature = MakeListSignature(texts);
        list.m_nSignedCount = signature.m_nCount;
        list.m_signedHash = signature.m_hash;
    }
    return {list.m_nSignedCount, list.m_signedHash};
}

} // namespace

QSet<QString> PrepareStateSave(const CDictionary& dic, const QString& folder,
                               const std::vector<bool>& dirtyLists)
{
    QSet<QString> withheld = dic.m_heldStateFiles;
    const int listCount = std::min(static_cast<int>(dic.m_lists.size()), kListCount);
    // The files this save writes, with the lists each is written for.
    QList<std::pair<QString, QList<int>>> writes;
    for (int i = 0; i < listCount; ++i) {
        if (size_t(i) < dirtyLists.size() && dirtyLists[size_t(i)] &&
            !withheld.contains(dic.GetAt(i)->GetFileName()))
            writes.append({dic.GetAt(i)->GetFileName(), {i}});
    }
    if (dic.m_bHistDirty && !withheld.contains(kHistoryFileName)) {
        QList<int> all;
        for (int i = 0; i < listCount; ++i)
            all.append(i);
        writes.append({kHistoryFileName, all});
    }
    if (writes.isEmpty())
        return withheld;

    const auto refuse = [&](const QString& reason) {
        FileFailure failure;
        failure.m_bFileError = false;
        failure.m_strMessage = reason;
        ShowMessageBox(kListSaveFailure + QStringLiteral("\r\n") + DescribeException(failure));
    };
    KnownWordLists known;
    const StoredSignatures signatures = ReadStoredSignatures(folder, false);
    if (signatures.m_state == StoredSignatures::Unknowable) {
        refuse(QStringLiteral("The word lists' signature file cannot be read."));
        for (const auto& write : std::as_const(writes))
            withheld.insert(write.first);
        return withheld;
    }
    QList<ListSignature> now;
    for (int i = 0; i < listCount; ++i)
        now.append(CurrentListSignature(*dic.GetAt(i)));
    const StateSignatures stored = signatures.m_state == StoredSignatures::Signed
                                       ? signatures.m_signatures
                                       : UnsignedSignatures(known);
    StateSignatures updated = stored;
    bool refused = false;
    for (const auto& [file, lists] : std::as_const(writes)) {
        bool current = true;
        for (int i : lists)
            current = current && SignatureEntry(stored, file, ListName(i)) == now[i];
        if (current)
            continue;
        // A file still holding records for another version of its list
        // that could not be carried over at start (a list missing from the
        // program, say) would give them to the wrong items.
        bool otherVersion = false;
        if (QFile::exists(folder + file)) {
            for (int i : lists) {
                const ListSignature was = SignatureEntry(stored, file, ListName(i));
                otherVersion = otherVersion || (was != now[i] && known.Texts(i, was));
            }
        }
        if (otherVersion) {
            withheld.insert(file);
            refused = true;
            continue;
        }
        for (int i : lists)
            updated[file][ListName(i)] = now[i];
    }
    if (refused)
        refuse(QStringLiteral("The word lists have changed and the study state could not be "
                              "carried over to them yet."));
    if (updated == stored && !signatures.m_bFilesLost)
        return withheld;
    // Before the files: a file must never be on disk without the word of
    // what it was written for.
    FileFailure failure;
    if (!WriteSignatureFiles(folder, FormatStateSignatures(updated), failure)) {
        ShowMessageBox(kListSaveFailure + QStringLiteral("\r\n") + DescribeException(failure));
        for (const auto& write : std::as_const(writes))
            withheld.insert(write.first);
    }
    return withheld;
}

StoredFile StudyStateReading::File(const QString& folder, const QString& name) const
{
    if (m_unread.contains(name))
        return {};
    if (const auto it = m_contents.constFind(name); it != m_contents.constEnd())
        return StoredFile::Holding(*it);
    return StoredFile::Read(folder + name);
}

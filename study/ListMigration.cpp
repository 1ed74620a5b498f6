#include "study/ListMigration.h"

#include "platform/FileFailure.h"
#include "platform/MessageBox.h"
#include "platform/SaveFile.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/CWordListSource.h"
#include "study/ItemMatching.h"
#include "study/KnownWordLists.h"
#include "study/StagedCarryOver.h"
#include "study/StateFileFormat.h"
#include "study/WordListText.h"

#include <QFile>

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

constexpr int kListCount = static_cast<int>(std::size(kWordLists));

// What every state file was written for: the signature file's word, or,
// without one, the lists that came before signatures. A signature file that
// cannot be read or understood names nothing: every file then loads by
// position.
StateSignatures StoredSignatures(const QString& folder, KnownWordLists& known)
{
    StateSignatures signatures;
    QFile file(folder + kSignatureFileName);
    if (file.exists()) {
        if (file.open(QIODevice::ReadOnly))
            ParseStateSignatures(file.readAll(), signatures);
        return signatures;
    }
    for (int i = 0; i < kListCount; ++i)
        signatures[ListFileName(i)][ListName(i)] = known.UnsignedSignature(i);
    for (int i = 0; i < kListCount; ++i)
        signatures[kHistoryFileName][ListName(i)] = known.UnsignedSignature(i);
    return signatures;
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

void CarryOverStudyState(const CWordListSource& current, const QString& folder)
{
    CarryOverSteps recovery;
    if (!FinishStagedCarryOver(folder, recovery))
        return;

    bool anyState = QFile::exists(folder + kHistoryFileName);
    for (int i = 0; i < kListCount && !anyState; ++i)
        anyState = QFile::exists(folder + ListFileName(i));
    if (!anyState && !QFile::exists(folder + kSignatureFileName))
        return; // a new learner: nothing was written for any lists yet

    KnownWordLists known;
    QList<QByteArray> nowText(kListCount);
    QList<QStringList> now(kListCount);
    QList<ListSignature> nowSignature(kListCount);
    for (int i = 0; i < kListCount; ++i) {
        const std::optional<QByteArray> text = current.Load(kWordLists[i].m_nResourceId);
        // A list missing from the program is a broken build, not a new
        // list: carrying over to it would throw its records away.
        if (!text)
            return;
        nowText[i] = *text;
    }
    // The usual start: every file was written for the lists as they are,
    // and there is nothing to carry over. Without a signature file that is
    // when the lists are those unsigned files were written for.
    const bool signedFiles = QFile::exists(folder + kSignatureFileName);
    bool upToDate = !signedFiles;
    for (int i = 0; i < kListCount && upToDate; ++i)
        upToDate = known.UnsignedTextIs(i, nowText[i]);
    if (upToDate)
        return;
    for (int i = 0; i < kListCount; ++i)
        nowSignature[i] = SignatureOfListText(nowText[i]);
    if (signedFiles) {
        const StateSignatures stored = StoredSignatures(folder, known);
        upToDate = true;
        for (int i = 0; i < kListCount && upToDate; ++i) {
            upToDate = SignatureEntry(stored, ListFileName(i), ListName(i)) == nowSignature[i] &&
                       SignatureEntry(stored, kHistoryFileName, ListName(i)) == nowSignature[i];
        }
        if (upToDate)
            return;
    }
    for (int i = 0; i < kListCount; ++i) {
        now[i] = ListItemTexts(nowText[i]);
        known.SetCurrent(i, nowText[i], now[i], nowSignature[i]);
    }
    const StateSignatures stored = StoredSignatures(folder, known);
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
        return;
    // When this fails nothing has changed on disk: the files load by
    // position for this run, Save leaves them alone, and the next start
    // tries again.
    CommitCarryOver(folder, files, updated);
}

bool PrepareStateSave(const CDictionary& dic, const QString& folder)
{
    const int listCount = std::min(static_cast<int>(dic.m_lists.size()), kListCount);
    // The files this save writes, with the lists each is written for.
    QList<std::pair<QString, QList<int>>> writes;
    for (int i = 0; i < listCount; ++i) {
        if (dic.GetAt(i)->HasDirtyItems())
            writes.append({dic.m_lists.at(i)->GetFileName(), {i}});
    }
    if (dic.m_bHistDirty) {
        QList<int> all;
        for (int i = 0; i < listCount; ++i)
            all.append(i);
        writes.append({kHistoryFileName, all});
    }
    if (writes.isEmpty())
        return true;

    QList<ListSignature> now;
    for (int i = 0; i < listCount; ++i) {
        QStringList texts;
        texts.reserve(dic.GetAt(i)->GetItemCount());
        for (const CDictionary::CItem& item : dic.GetAt(i)->m_items)
            texts.append(item.m_strText);
        now.append(MakeListSignature(texts));
    }
    KnownWordLists known;
    const StateSignatures stored = StoredSignatures(folder, known);
    StateSignatures updated = stored;
    for (const auto& [file, lists] : std::as_const(writes)) {
        bool current = true;
        for (int i : lists)
            current = current && SignatureEntry(stored, file, ListName(i)) == now[i];
        if (current)
            continue;
        if (QFile::exists(folder + file)) {
            for (int i : lists) {
                const ListSignature was = SignatureEntry(stored, file, ListName(i));
                if (was != now[i] && known.Texts(i, was)) {
                    FileFailure failure;
                    failure.m_bFileError = false;
                    failure.m_strMessage = QStringLiteral(
                        "The word lists have changed and the study state could not be carried "
                        "over to them yet.");
                    ShowMessageBox(kListSaveFailure + QStringLiteral("\r\n") +
                                   DescribeException(failure));
                    return false;
                }
            }
        }
        for (int i : lists)
            updated[file][ListName(i)] = now[i];
    }
    if (updated == stored)
        return true;
    // Before the files: a file must never be on disk without the word of
    // what it was written for.
    FileFailure failure;
    if (!WriteWholeFile(folder + kSignatureFileName, FormatStateSignatures(updated), failure)) {
        ShowMessageBox(kListSaveFailure + QStringLiteral("\r\n") + DescribeException(failure));
        return false;
    }
    return true;
}

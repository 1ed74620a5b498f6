#include "study/OwnLists.h"

#include "platform/AppData.h"
#include "platform/MessageBox.h"
#include "platform/StagedFiles.h"
#include "platform/StateWriteGuard.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/CWordListSource.h"
#include "study/ItemMatching.h"
#include "study/ListMigration.h"
#include "study/StateFileFormat.h"
#include "study/WordListImport.h"

#include <QFile>
#include <QFileInfo>
#include <functional>

namespace {

// Resource ids the loader reads the lists of one's own under, past any
// built-in list's.
constexpr int kOwnListResourceBase = 100000;

// The lists of one's own in the word lists' line format, one group each.
class OwnListTexts : public CWordListSource {
public:
    explicit OwnListTexts(const QList<OwnList>& lists) : m_lists(lists) {}

    std::optional<QByteArray> Load(int resourceId) const override
    {
        const qsizetype k = resourceId - kOwnListResourceBase;
        if (k < 0 || k >= m_lists.size())
            return std::nullopt;
        QByteArray text = "#1\r\n";
        for (const OwnListRow& row : m_lists.at(k).m_rows)
            text += row.ItemText().toUtf8() + "\r\n";
        return text;
    }

private:
    const QList<OwnList>& m_lists;
};

QString FileOf(const QString& list, const char* extension)
{
    return list + QLatin1Char('.') + QLatin1String(extension);
}

QByteArray ReadWhole(const QString& path, bool& readable)
{
    QFile file(path);
    readable = file.open(QIODevice::ReadOnly);
    return readable ? file.readAll() : QByteArray();
}

// `quiet`: a list that cannot be read is left out without a word, as the
// load (which says so) leaves it out.
QList<OwnList> ReadOwnLists(const QString& folder, bool quiet = false)
{
    QList<OwnList> lists;
    bool readable = false;
    const QByteArray names = ReadWhole(folder + kOwnListsFileName, readable);
    if (!readable)
        return lists;
    for (const OwnListName& name : ReadOwnListNames(names)) {
        const OwnListFileRead file =
            ReadOwnListFile(ReadWhole(folder + FileOf(name.m_strList, "csv"), readable));
        if ((!readable || !file.m_bReadable) && quiet)
            continue;
        if (!readable || !file.m_bReadable) {
            ShowMessageBox(QStringLiteral("自分のリスト「%1」を読み込めませんでした。\r\n")
                               .arg(name.m_strName) +
                           FileOf(name.m_strList, "csv"));
            continue;
        }
        if (file.m_nRepairedRows > 0 && !quiet) {
            ShowMessageBox(QStringLiteral("自分のリスト「%1」の %2 語は壊れていたため、"
                                          "直して読み込みました。\r\n")
                               .arg(name.m_strName)
                               .arg(file.m_nRepairedRows) +
                           FileOf(name.m_strList, "csv"));
        }
        lists.append({name.m_strList, name.m_strName, file.m_rows});
    }
    return lists;
}

QList<OwnListName> OwnListNames(const CDictionary& dic)
{
    QList<OwnListName> names;
    for (const auto& list : dic.m_lists) {
        if (list->IsOwnList())
            names.append({list->m_strName, list->m_strTitle});
    }
    return names;
}

std::unique_ptr<CDictionary::CDicFile> MakeList(const QString& list, const QString& name,
                                                const QList<OwnListRow>& rows)
{
    auto made = std::make_unique<CDictionary::CDicFile>(list);
    made->m_strTitle = name;
    made->m_ownRows = rows;
    for (const OwnListRow& row : rows)
        made->AddItem(row.ItemText())->m_bPlainQuestion = !row.m_bColoured;
    return made;
}

bool IsOwnListAt(const CDictionary& dic, int list)
{
    return list >= 0 && list < dic.GetSize() && dic.GetAt(list)->IsOwnList();
}

// Everything unsaved is written first: the change writes some files from
// memory, and the others must not be left behind an older state.
bool SaveFirst(CDictionary& dic, QString& folder, QString& error, bool writesHistory)
{
    dic.EnsureLoaded();
    if (!GetAppDataFolder(folder)) {
        error = QStringLiteral("データフォルダーがありません。");
        return false;
    }
    // Files written beside a copy that may still run could cost it its
    // progress, or it ours.
    if (!MayWriteStateFiles()) {
        error = QStringLiteral(
            "ほかに Velmarik "
            "が動いていないことを確かめられないため、今は学習データを変更できません。");
        return false;
    }
    dic.Save();
    bool unsaved = dic.m_bHistDirty || dic.m_bMiscDirty;
    for (const auto& list : dic.m_lists)
        unsaved = unsaved || list->HasDirtyItems();
    // A history the load holds back (a carry-over to changed word lists
    // still to finish, or nothing says which lists it was written for) is
    // not to be written behind its back.
    if (unsaved || (writesHistory && dic.m_heldStateFiles.contains(kHistoryFileName))) {
        error = QStringLiteral("学習データを保存できないため、リストを変更できません。");
        return false;
    }
    return true;
}

// The history after the lists changed: `place` gives each old record's new
// global index, -1 when its item is gone. A current record that is gone
// gives way to the one before it, else to the next one.
struct MappedHistory {
    QList<CDictionary::CHistInfo> m_records;
    int m_nPos = -1;
};

MappedHistory MapHistory(const CDictionary& dic, const std::function<int(int)>& place)
{
    MappedHistory mapped;
    const qsizetype count = dic.m_history.size();
    const int current = dic.m_nHistPos >= 0 && dic.m_nHistPos < count ? dic.m_nHistPos : -1;
    int firstAfter = -1;
    for (qsizetype k = 0; k < count; ++k) {
        const CDictionary::CHistInfo& record = dic.m_history.at(k);
        const int index = place(record.m_nIndex);
        if (index < 0)
            continue;
        mapped.m_records.append({index, record.m_bAnswered});
        if (k <= current)
            mapped.m_nPos = int(mapped.m_records.size()) - 1;
        else if (firstAfter < 0 && current >= 0)
            firstAfter = int(mapped.m_records.size()) - 1;
    }
    if (current >= 0 && mapped.m_nPos < 0)
        mapped.m_nPos = firstAfter;
    return mapped;
}

int BaseOf(const CDictionary& dic, int list)
{
    int base = 0;
    for (int i = 0; i < list; ++i)
        base += dic.GetAt(i)->GetItemCount();
    return base;
}

} // namespace

void CDictionary::LoadOwnLists(const QString& folder, const StudyStateReading& reading)
{
    const QList<OwnList> lists = ReadOwnLists(folder);
    const OwnListTexts texts(lists);
    for (qsizetype k = 0; k < lists.size(); ++k) {
        LoadList(texts, kOwnListResourceBase + int(k), lists.at(k).m_strList, folder, reading);
        CDicFile* list = m_lists.back().get();
        list->m_strTitle = lists.at(k).m_strName;
        list->m_ownRows = lists.at(k).m_rows;
        for (int pos = 0; pos < list->GetItemCount() && pos < list->m_ownRows.size(); ++pos)
            list->m_items[size_t(pos)].m_bPlainQuestion = !list->m_ownRows.at(pos).m_bColoured;
    }
}

int OwnListItemCount(const QString& folder)
{
    int count = 0;
    for (const OwnList& list : ReadOwnLists(folder, true))
        count += int(list.m_rows.size());
    return count;
}

QList<OwnListRow> RowsOfImport(const WordListImport& import, bool uncoloured)
{
    QList<std::pair<int, OwnListRow>> rows;
    for (const ImportRow& row : import.m_rows)
        rows.append({row.m_nLine, {row.m_strWord, row.m_strReading, row.m_strNote, true}});
    if (uncoloured) {
        for (const ImportRow& row : import.m_uncoloured)
            rows.append({row.m_nLine, {row.m_strWord, row.m_strReading, row.m_strNote, false}});
    }
    // In the order of the file.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<OwnListRow> taken;
    for (const auto& row : rows)
        taken.append(row.second);
    return taken;
}

QString ListNameOfFile(const QString& path)
{
    const QString name = QFileInfo(path).completeBaseName().simplified();
    return name.isEmpty() ? QStringLiteral("自分のリスト") : name;
}

std::optional<QString> AddOwnList(CDictionary& dic, const QString& name,
                                  const QList<OwnListRow>& rows, QString& error)
{
    QString folder;
    if (!SaveFirst(dic, folder, error, false))
        return std::nullopt;
    // A file name no list has, and none of whose files is in the folder.
    QString list;
    for (int n = 1;; ++n) {
        list = QStringLiteral("own%1").arg(n);
        const bool taken = std::any_of(dic.m_lists.cbegin(), dic.m_lists.cend(),
                                       [&](const auto& l) { return l->m_strName == list; });
        if (!taken && !QFile::exists(folder + FileOf(list, "csv")) &&
            !QFile::exists(folder + FileOf(list, "dat")))
            break;
    }
    QList<OwnListName> names = OwnListNames(dic);
    names.append({list, name.simplified()});
    StagedChange change;
    change.m_writes.insert(FileOf(list, "csv"), OwnListFileContent(rows));
    change.m_writes.insert(kOwnListsFileName, OwnListNamesContent(names));
    if (!CommitStagedFiles(folder, kStateStagingFolder, change, error))
        return std::nullopt;
    dic.m_lists.push_back(MakeList(list, name.simplified(), rows));
    dic.m_nKanjiCount = 0;
    return list;
}

bool RenameOwnList(CDictionary& dic, int list, const QString& name, QString& error)
{
    if (!IsOwnListAt(dic, list) || name.simplified().isEmpty()) {
        error = QStringLiteral("名前を変更できません。");
        return false;
    }
    QString folder;
    if (!GetAppDataFolder(folder)) {
        error = QStringLiteral("データフォルダーがありません。");
        return false;
    }
    QList<OwnListName> names = OwnListNames(dic);
    for (OwnListName& entry : names) {
        if (entry.m_strList == dic.GetAt(list)->m_strName)
            entry.m_strName = name.simplified();
    }
    StagedChange change;
    change.m_writes.insert(kOwnListsFileName, OwnListNamesContent(names));
    if (!CommitStagedFiles(folder, kStateStagingFolder, change, error))
        return false;
    dic.GetAt(list)->m_strTitle = name.simplified();
    return true;
}

namespace {

// Where each old item of the list goes among the new rows.
QList<ItemPlace> Carry(const CDictionary::CDicFile& list, const QList<OwnListRow>& rows)
{
    QStringList oldTexts;
    for (const CDictionary::CItem& item : list.m_items)
        oldTexts << item.m_strText;
    QStringList newTexts;
    for (const OwnListRow& row : rows)
        newTexts << row.ItemText();
    return MatchListItems({&oldTexts}, {&newTexts}).first();
}

bool HasProgress(const CDictionary::CItem& item)
{
    return item.m_nMode != Unspec || item.m_nAskCount > 0;
}

} // namespace

ReimportCarry PreviewReimport(CDictionary& dic, int list, const QList<OwnListRow>& rows)
{
    ReimportCarry carry;
    if (!IsOwnListAt(dic, list))
        return carry;
    const CDictionary::CDicFile& old = *dic.GetAt(list);
    const QList<ItemPlace> places = Carry(old, rows);
    for (int pos = 0; pos < old.GetItemCount(); ++pos) {
        if (HasProgress(old.m_items[size_t(pos)]))
            ++(places.at(pos).m_nList < 0 ? carry.m_nLost : carry.m_nCarried);
    }
    return carry;
}

bool ReimportOwnList(CDictionary& dic, int list, const QList<OwnListRow>& rows, QString& error)
{
    if (!IsOwnListAt(dic, list)) {
        error = QStringLiteral("読み込み直せません。");
        return false;
    }
    QString folder;
    if (!SaveFirst(dic, folder, error, true))
        return false;
    const CDictionary::CDicFile& old = *dic.GetAt(list);
    const QList<ItemPlace> places = Carry(old, rows);
    std::unique_ptr<CDictionary::CDicFile> made = MakeList(old.m_strName, old.m_strTitle, rows);
    for (int pos = 0; pos < old.GetItemCount(); ++pos) {
        const ItemPlace place = places.at(pos);
        if (place.m_nList < 0)
            continue;
        const CDictionary::CItem& from = old.m_items[size_t(pos)];
        CDictionary::CItem& to = made->m_items[size_t(place.m_nPos)];
        to.m_nAskCount = from.m_nAskCount;
        to.m_nMode = from.m_nMode;
    }
    const int base = BaseOf(dic, list);
    const int oldCount = old.GetItemCount();
    const int shift = made->GetItemCount() - oldCount;
    const auto placeOf = [&](int index) {
        if (index < base)
            return index;
        if (index >= base + oldCount)
            return index + shift;
        const ItemPlace place = places.at(index - base);
        return place.m_nList < 0 ? -1 : base + place.m_nPos;
    };
    const MappedHistory history = MapHistory(dic, placeOf);

    StagedChange change;
    change.m_writes.insert(FileOf(old.m_strName, "csv"), OwnListFileContent(rows));
    change.m_writes.insert(old.GetFileName(), ListFileContent(made->m_items));
    change.m_writes.insert(kHistoryFileName, HistoryFileContent(history.m_nPos, history.m_records));
    if (!CommitStagedFiles(folder, kStateStagingFolder, change, error))
        return false;
    made->ClearDirty();
    dic.m_lists[size_t(list)] = std::move(made);
    dic.m_history = history.m_records;
    dic.m_nHistPos = history.m_nPos;
    dic.m_nKanjiCount = 0;
    dic.MoveReviews(placeOf);
    dic.Save();
    return true;
}

bool DeleteOwnList(CDictionary& dic, int list, QString& error)
{
    if (!IsOwnListAt(dic, list)) {
        error = QStringLiteral("削除できません。");
        return false;
    }
    QString folder;
    if (!SaveFirst(dic, folder, error, true))
        return false;
    const CDictionary::CDicFile& gone = *dic.GetAt(list);
    const int base = BaseOf(dic, list);
    const int count = gone.GetItemCount();
    const auto placeOf = [&](int index) {
        if (index < base)
            return index;
        return index >= base + count ? index - count : -1;
    };
    const MappedHistory history = MapHistory(dic, placeOf);
    QList<OwnListName> names = OwnListNames(dic);
    names.removeIf([&](const OwnListName& name) { return name.m_strList == gone.m_strName; });

    StagedChange change;
    change.m_writes.insert(kOwnListsFileName, OwnListNamesContent(names));
    change.m_writes.insert(kHistoryFileName, HistoryFileContent(history.m_nPos, history.m_records));
    change.m_removals << FileOf(gone.m_strName, "csv") << gone.GetFileName();
    if (!CommitStagedFiles(folder, kStateStagingFolder, change, error))
        return false;
    dic.m_lists.erase(dic.m_lists.begin() + list);
    dic.m_history = history.m_records;
    dic.m_nHistPos = history.m_nPos;
    dic.m_nKanjiCount = 0;
    dic.MoveReviews(placeOf);
    dic.Save();
    return true;
}

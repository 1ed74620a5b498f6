#include "study/StudyRestore.h"

#include "platform/Settings.h"
#include "platform/StagedFiles.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/ItemMatching.h"
#include "study/KeptSignatures.h"
#include "study/ReviewFileFormat.h"
#include "study/StagedCarryOver.h"
#include "study/StateFileFormat.h"
#include "study/StateSnapshot.h"

#include <QDir>
#include <algorithm>

namespace {

constexpr qsizetype kShownNotFound = 10;
// No list holds this many items; a position beyond it is a broken row, and
// must not cost the memory of a list that long.
constexpr int kMaxArchivedPos = 1 << 20;

// No item text holds a line feed, so a gap in an archived list matches
// nothing.
const QString kNoItem = QStringLiteral("\n");

bool HasProgress(qint16 mode, qint16 askCount)
{
    return mode != Unspec || askCount > 0;
}

QString ItemText(const QString& word, const QString& reading)
{
    return word + QLatin1Char('\t') + reading;
}

// The archived lists, as texts by position, each at the index of the list
// of that name after the restore, so that an item is looked for in its own
// list first; lists the program does not have follow.
class ArchivedLists {
public:
    explicit ArchivedLists(const QList<RestorePlan::List>& lists) : m_texts(lists.size())
    {
        for (int i = 0; i < lists.size(); ++i)
            m_index.insert(lists.at(i).m_strName, i);
    }

    // Puts the text at its place unless another is there already.
    void Add(const QString& list, int pos, const QString& text)
    {
        if (pos < 0 || pos >= kMaxArchivedPos)
            return;
        auto it = m_index.constFind(list);
        if (it == m_index.constEnd()) {
            it = m_index.insert(list, int(m_texts.size()));
            m_texts.append(QStringList());
        }
        QStringList& texts = m_texts[*it];
        if (pos >= texts.size())
            texts.resize(pos + 1, kNoItem);
        if (texts.at(pos) == kNoItem)
            texts[pos] = text;
    }

    // The index of the list, when the text is the one at its place.
    int Find(const QString& list, int pos, const QString& text) const
    {
        const int i = m_index.value(list, -1);
        if (i < 0 || pos < 0 || pos >= m_texts.at(i).size() || m_texts.at(i).at(pos) != text)
            return -1;
        return i;
    }

    QList<const QStringList*> Lists() const
    {
        QList<const QStringList*> lists;
        for (const QStringList& texts : m_texts)
            lists.append(&texts);
        return lists;
    }

private:
    QHash<QString, int> m_index;
    QList<QStringList> m_texts;
};

const IntSetting* FindIntSetting(const QString& name)
{
    for (const IntSetting* setting : Setting::kIntSettings) {
        if (QStringView(setting->m_section) == u"Settings" && QStringView(setting->m_name) == name)
            return setting;
    }
    return nullptr;
}

const StringSetting* FindStringSetting(const QString& name)
{
    for (const StringSetting* setting : Setting::kStringSettings) {
        if (QStringView(setting->m_section) == u"Settings" && QStringView(setting->m_name) == name)
            return setting;
    }
    return nullptr;
}

} // namespace

RestorePlan PlanRestore(const StudyArchive& archive, const QStringList& problems,
                        CDictionary& current)
{
    current.EnsureLoaded();
    RestorePlan plan;
    plan.m_problems = problems;

    for (const auto& list : current.m_lists) {
        for (const CDictionary::CItem& item : list->m_items)
            plan.m_nCurrentItemsWithProgress += HasProgress(item.m_nMode, item.m_nAskCount);
        if (list->IsOwnList())
            plan.m_currentOwnLists << list->m_strName;
    }
    plan.m_nCurrentHistory = int(current.m_history.size());
    plan.m_nCurrentTotalCount = current.m_nTotalCount;

    for (const auto& list : current.m_lists) {
        if (list->IsOwnList())
            continue;
        RestorePlan::List restored{list->m_strName, QString(), {}, {}, {}};
        restored.m_records.resize(list->GetItemCount());
        for (const CDictionary::CItem& item : list->m_items)
            restored.m_itemTexts << item.m_strText;
        plan.m_lists.append(restored);
    }
    for (const OwnList& own : archive.m_ownLists) {
        RestorePlan::List restored{own.m_strList, own.m_strName, own.m_rows, {}, {}};
        restored.m_records.resize(own.m_rows.size());
        for (const OwnListRow& row : own.m_rows)
            restored.m_itemTexts << row.ItemText();
        plan.m_lists.append(restored);
    }

    ArchivedLists old(plan.m_lists);
    for (const ArchivedItem& item : archive.m_items)
        old.Add(item.m_strList, item.m_nPos, item.ItemText());
    // A history record whose item row is missing is still found by its text.
    for (const ArchivedHistoryRecord& record : archive.m_history)
        old.Add(record.m_strList, record.m_nPos, ItemText(record.m_strWord, record.m_strReading));
    for (const ArchivedReview& review : archive.m_reviews)
        old.Add(review.m_strList, review.m_nPos, review.ItemText());
    QList<const QStringList*> newSide;
    for (const RestorePlan::List& list : std::as_const(plan.m_lists))
        newSide.append(&list.m_itemTexts);
    const QList<QList<ItemPlace>> places = MatchListItems(old.Lists(), newSide);
    const auto placeOf = [&](const QString& list, int pos, const QString& text) {
        const int i = old.Find(list, pos, text);
        return i < 0 ? ItemPlace() : places.at(i).at(pos);
    };

    for (const ArchivedItem& item : archive.m_items) {
        const bool progress = HasProgress(item.m_nMode, item.m_nAskCount);
        plan.m_nItemsWithProgress += progress;
        const ItemPlace place = placeOf(item.m_strList, item.m_nPos, item.ItemText());
        if (place.m_nList < 0) {
            if (progress && plan.m_nItemsNotFound++ < kShownNotFound)
                plan.m_notFound << item.m_strWord;
            continue;
        }
        plan.m_lists[place.m_nList].m_records[place.m_nPos] = {item.m_nAskCount, item.m_nMode};
    }

    QList<int> base;
    int total = 0;
    for (const RestorePlan::List& list : std::as_const(plan.m_lists)) {
        base.append(total);
        total += int(list.m_records.size());
    }
    for (int k = 0; k < archive.m_history.size(); ++k) {
        const ArchivedHistoryRecord& record = archive.m_history.at(k);
        const ItemPlace place = placeOf(record.m_strList, record.m_nPos,
                                        ItemText(record.m_strWord, record.m_strReading));
        if (place.m_nList < 0) {
            ++plan.m_nHistoryNotFound;
        } else {
            plan.m_history.append(
                {base.at(place.m_nList) + place.m_nPos, record.m_bAnswered ? 1 : 0});
        }
        // A current record that has no place gives way to the one before it.
        if (k <= archive.m_nHistoryPos)
            plan.m_nHistPos = int(plan.m_history.size()) - 1;
    }

    for (const ArchivedReview& review : archive.m_reviews) {
        const ItemPlace place = placeOf(review.m_strList, review.m_nPos, review.ItemText());
        if (place.m_nList < 0)
            ++plan.m_nReviewsNotFound;
        else
            plan.m_reviews.append({place.m_nList, place.m_nPos, review.m_state});
    }

    plan.m_nTotalCount = archive.m_nTotalCount;
    for (const auto& [key, count] : archive.m_dayCounts)
        plan.m_dayCounts.insert(key, count);

    for (const ArchivedSetting& setting : archive.m_settings) {
        bool ok = FindStringSetting(setting.m_strName) != nullptr;
        if (!ok && FindIntSetting(setting.m_strName))
            setting.m_strValue.toInt(&ok);
        if (ok)
            plan.m_settings.append(setting);
        else
            plan.m_unknownSettings << setting.m_strName;
    }
    return plan;
}

QString DescribeRestorePlan(const RestorePlan& plan)
{
    int items = 0;
    QStringList names;
    for (const RestorePlan::List& list : plan.m_lists) {
        items += int(std::count_if(
            list.m_records.cbegin(), list.m_records.cend(),
            [](const RestorePlan::Record& r) { return HasProgress(r.m_nMode, r.m_nAskCount); }));
        if (!list.m_strTitle.isEmpty())
            names << QStringLiteral("「%1」").arg(list.m_strTitle);
    }
    QString text = QStringLiteral("読み込む内容:\r\n"
                                  "　学習モードまたは出題回数のある語句 %1 個\r\n"
                                  "　出題履歴 %2 件\r\n"
                                  "　書き取り回数 合計 %3 回（%4 日分）\r\n"
                                  "　自分のリスト %5\r\n"
                                  "　設定 %6 項目\r\n"
                                  "　復習の記録 %7 語\r\n")
                       .arg(items)
                       .arg(plan.m_history.size())
                       .arg(plan.m_nTotalCount)
                       .arg(plan.m_dayCounts.size())
                       .arg(names.isEmpty() ? QStringLiteral("なし") : names.join(u'、'))
                       .arg(plan.m_settings.size())
                       .arg(plan.m_reviews.size());
    text += QStringLiteral("\r\n置き換えられる今の学習データ:\r\n"
                           "　学習モードまたは出題回数のある語句 %1 個、出題履歴 %2 件、"
                           "書き取り回数 合計 %3 回、自分のリスト %4 個\r\n"
                           "今の学習データは読み込む前に backups フォルダーに保存されます。\r\n")
                .arg(plan.m_nCurrentItemsWithProgress)
                .arg(plan.m_nCurrentHistory)
                .arg(plan.m_nCurrentTotalCount)
                .arg(plan.m_currentOwnLists.size());
    QStringList missing;
    if (plan.m_nItemsNotFound > 0) {
        missing << QStringLiteral("今の単語リストにない語句 %1 個（%2%3）")
                       .arg(plan.m_nItemsNotFound)
                       .arg(plan.m_notFound.join(u'、'))
                       .arg(plan.m_nItemsNotFound > plan.m_notFound.size() ? QStringLiteral("など")
                                                                           : QString());
    }
    if (plan.m_nReviewsNotFound > 0)
        missing << QStringLiteral("今の単語リストにない語句の復習の記録 %1 語")
                       .arg(plan.m_nReviewsNotFound);
    if (plan.m_nHistoryNotFound > 0)
        missing << QStringLiteral("今の単語リストにない語句の出題履歴 %1 件")
                       .arg(plan.m_nHistoryNotFound);
    if (!plan.m_unknownSettings.isEmpty())
        missing << QStringLiteral("この版にない設定 %1").arg(plan.m_unknownSettings.join(u'、'));
    missing << plan.m_problems;
    if (!missing.isEmpty())
        text += QStringLiteral("\r\n読み込めないもの:\r\n　") +
                missing.join(QStringLiteral("\r\n　")) + QStringLiteral("\r\n");
    return text;
}

bool WriteRestoredState(const RestorePlan& plan, const QString& folder, QString& error)
{
    StagedChange change;
    StateSignatures signatures;
    QList<OwnListName> ownLists;
    QStringList kept;
    for (const RestorePlan::List& list : plan.m_lists) {
        change.m_writes.insert(list.m_strName + QStringLiteral(".dat"),
                               ListFileContent(list.m_records));
        if (list.m_strTitle.isEmpty()) {
            // Written for the lists the program has, which the plan was
            // made against; the signature file says so.
            const ListSignature signature = MakeListSignature(list.m_itemTexts);
            signatures[list.m_strName + QStringLiteral(".dat")][list.m_strName] = signature;
            signatures[kHistoryFileName][list.m_strName] = signature;
            signatures[kReviewFileName][list.m_strName] = signature;
            continue;
        }
        ownLists.append({list.m_strName, list.m_strTitle});
        change.m_writes.insert(list.m_strName + QStringLiteral(".csv"),
                               OwnListFileContent(list.m_rows));
        kept << list.m_strName;
    }
    // Both signature files: a stale copy would speak for the restored files
    // once the signature file is lost.
    const QByteArray signatureContent = FormatStateSignatures(signatures);
    change.m_writes.insert(kSignatureFileName, signatureContent);
    change.m_writes.insert(kSignatureCopyFileName, signatureContent);
    change.m_writes.insert(kOwnListsFileName, OwnListNamesContent(ownLists));
    change.m_writes.insert(kMiscFileName, MiscFileContent(plan.m_nTotalCount, plan.m_dayCounts));
    change.m_writes.insert(kHistoryFileName, HistoryFileContent(plan.m_nHistPos, plan.m_history));
    // The reviews are the archive's, as everything else is; an archive
    // without them leaves none.
    ReviewFileWriter reviews(ReviewFileHeader(), plan.m_reviews.size());
    for (const RestorePlan::Review& review : plan.m_reviews)
        reviews.Append(review.m_nList, review.m_nPos, review.m_state);
    change.m_writes.insert(kReviewFileName, reviews.Finish());
    for (const QString& list : plan.m_currentOwnLists) {
        if (kept.contains(list))
            continue;
        change.m_removals << list + QStringLiteral(".csv") << list + QStringLiteral(".dat");
    }
    if (!CommitStagedFiles(folder, kStateStagingFolder, change, error))
        return false;
    KeepSignaturesInSettings(folder, signatureContent);
    // A carry-over to changed word lists that this run could not finish
    // would, at the next start, put its files over the restored ones; the
    // restore replaced every file it would write.
    QDir(StagingFolder(folder)).removeRecursively();
    return true;
}

void ApplyRestoredSettings(const RestorePlan& plan)
{
    for (const ArchivedSetting& setting : plan.m_settings) {
        if (const StringSetting* text = FindStringSetting(setting.m_strName))
            WriteProfileString(*text, setting.m_strValue);
        else if (const IntSetting* number = FindIntSetting(setting.m_strName))
            WriteProfileInt(*number, setting.m_strValue.toInt());
    }
}

void ReloadStudyData(CDictionary& dic)
{
    // Nothing may write the old state after it is forgotten.
    dic.FinishBackgroundSave(true);
    dic.m_lists.clear();
    dic.m_nKanjiCount = 0;
    dic.m_nTotalCount = 0;
    dic.m_mapDayCount.clear();
    dic.m_bMiscDirty = 0;
    dic.m_history.clear();
    dic.m_nHistPos = -1;
    dic.m_bHistDirty = 0;
    dic.EnsureLoaded();
}

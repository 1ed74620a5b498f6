#pragma once

#include "study/FsrsScheduler.h"
#include "study/ReviewFileFormat.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QtGlobal>
#include <algorithm>
#include <functional>
#include <vector>

// The review state of the items, by global index: a record for each item
// that was ever rated, none for the others. Records of suspended items (the
// learner will not memorise them) are kept but never come due. The items
// due first are found through a heap of due dates and the counts of due
// items through a tree over the days, so neither looks at every record.
class ReviewStore {
public:
    static constexpr quint32 kLeechLapses = 8;

    // Forgets everything and makes room for this many items.
    void Reset(int itemCount);
    int ItemCount() const { return static_cast<int>(m_slot.size()); }
    // Room for more items; the records stay.
    void Grow(int itemCount);
    // Room for this many records, as a file announces them.
    void ReserveRecords(int records) { m_records.reserve(size_t(std::max(0, records))); }

    int RecordCount() const { return static_cast<int>(m_records.size()); }
    bool HasRecord(int index) const { return SlotOf(index) >= 0; }
    // Null when the item has no record.
    const ReviewState* Find(int index) const;
    bool IsLeech(int index) const;
    // The item of the k-th record; the order changes as records go.
    int IndexOfRecord(int k) const { return m_records.at(size_t(k)).m_nIndex; }
    const ReviewState& StateOfRecord(int k) const { return m_records.at(size_t(k)).m_state; }

    // Sets the item's record as it is read from a file; an index outside
    // the items changes nothing.
    void Put(int index, const ReviewState& state, bool suspended);
    // The learner rated the item on `day`. The first rating of an item
    // counts it as begun that day; a later one goes into the day's tally.
    ReviewState Rate(int index, qint32 day, ReviewRating rating, bool suspended);
    void Forget(int index);
    void ForgetAll();

    bool IsSuspended(int index) const;
    void SetSuspended(int index, bool suspended);

    // Up to `most` items whose due date is the earliest of those due by
    // `day`, in index order; suspended and deferred items, and those
    // `admit` turns away, are passed over.
    QList<int> EarliestDue(qint32 day, int most, const std::function<bool(int)>& admit = {});
    // Items not suspended whose due date is `day` or earlier; with a mask,
    // only those of the groups it sets (see SetGroups).
    int CountDueBy(qint32 day, const std::vector<bool>& groups = {});

    // The items fall into runs of indices, the word lists: group k starts
    // at firsts[k] and ends where the next begins. The groups are kept
    // until they change.
    void SetGroups(const std::vector<int>& firsts);

    // The learner left the item without a rating: it is not offered as due
    // again this study day.
    void Defer(int index, qint32 day);
    bool IsDeferred(int index, qint32 day) const;

    // Items begun on `day`.
    int NewCount(qint32 day) const;
    // The reviews of items reviewed before, over the `days` study days up
    // to `day`, and how many of them were remembered.
    struct Retention {
        int m_nReviewed = 0;
        int m_nPassed = 0;
    };
    Retention RetentionOver(qint32 day, int days) const;

    // The file's header as it is to be written on `today`: tallies of the
    // last 30 days only.
    ReviewFileHeader FileHeader(qint32 today) const;
    void SetFileHeader(const ReviewFileHeader& header);

    bool m_bDirty = false;

private:
    struct Record {
        ReviewState m_state;
        qint32 m_nIndex = -1;
        quint32 m_nGeneration = 0; // a heap entry of another generation is stale
        bool m_bSuspended = false;
    };
    struct HeapEntry {
        qint32 m_nDue;
        qint32 m_nIndex;
        quint32 m_nGeneration;
    };

    qint32 SlotOf(int index) const
    {
        return index >= 0 && index < ItemCount() ? m_slot[size_t(index)] : -1;
    }
    bool IsLive(const HeapEntry& entry) const;
    void PushDue(const Record& record);
    void EnsureHeap();
    void EnsureDayTree();
    // Adds delta to the item's due day in the trees that are built.
    void CountDay(int index, qint32 day, int delta);
    int DayTreeSlot(qint32 day) const;
    // One Fenwick tree over the days: made from the records `take` admits,
    // changed by one item's move, summed up to a day.
    std::vector<int> MakeDayTree(const std::function<bool(const Record&)>& take) const;
    void AddToDayTree(std::vector<int>& tree, qint32 day, int delta) const;
    int SumDayTree(const std::vector<int>& tree, qint32 day) const;
    int GroupOf(int index) const;

    std::vector<qint32> m_slot; // global index -> record, -1 for none
    std::vector<Record> m_records;
    quint32 m_nNextGeneration = 1;

    // A min-heap of due dates, built at the first selection. Entries of a
    // record that changed since are dropped when they come to the top.
    std::vector<HeapEntry> m_heap;
    bool m_bHeapBuilt = false;
    // A Fenwick tree of the due items not suspended per day, built at the
    // first count.
    std::vector<int> m_dayTree;
    bool m_bDayTreeBuilt = false;
    // The first index of each group, and a tree like the one above for
    // each group whose count was asked for on its own (empty until then).
    std::vector<int> m_groupFirst;
    std::vector<std::vector<int>> m_groupTrees;

    QSet<int> m_deferred;
    qint32 m_nDeferredDay = 0;

    qint32 m_nNewDay = 0;
    qint32 m_nNewCount = 0;
    QMap<qint32, ReviewDayTally> m_tallies; // by study day
};

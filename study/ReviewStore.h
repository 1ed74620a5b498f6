#pragma once

#include "platform/Prefetch.h"
#include "study/FsrsScheduler.h"
#include "study/ReviewFileFormat.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QtGlobal>
#include <algorithm>
#include <functional>
#include <optional>
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
    // Nothing when the item has no record.
    std::optional<ReviewState> Find(int index) const;
    bool IsLeech(int index) const;
    // The item of the k-th record; the order changes as records go.
    int IndexOfRecord(int k) const { return m_records.at(size_t(k)).m_nIndex; }
    ReviewState StateOfRecord(int k) const { return m_records.at(size_t(k)).State(); }
    // Calls visit(index, state) for every record in record order, fetching
    // the records ahead: a save visits a million.
    template <typename Visit> void ForEachRecord(Visit visit) const
    {
        constexpr size_t kAhead = 16;
        const size_t count = m_records.size();
        for (size_t k = 0; k < count; ++k) {
            if (k + kAhead < count)
                PrefetchForRead(&m_records[k + kAhead]);
            visit(m_records[k].m_nIndex, m_records[k].State());
        }
    }

    // Sets the item's record as it is read from a file; an index outside
    // the items changes nothing.
    void Put(int index, const ReviewState& state, bool suspended);
    // As Put for records read at the load, none suspended: each is built
    // once, in place, and the memory of those that follow is fetched ahead,
    // since a load may take a million.
    struct LoadedRecord {
        qint32 m_nIndex = -1;
        ReviewState m_state;
    };
    void PutLoaded(const LoadedRecord* records, qsizetype count);
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
    // A state as the file keeps it (see AsStored), in 28 bytes: a learner
    // with every item begun has a record for each, and a load writes them
    // all.
    struct Record {
        float m_fStability = 0;
        float m_fDifficulty = 0;
        qint32 m_nDueDay = 0;
        qint32 m_nLastDay = 0;
        quint16 m_nReviews = 0;
        quint16 m_nLapses = 0;
        qint32 m_nIndex = -1;
        quint32 m_nGeneration : 31 = 0; // a heap entry of another generation is stale
        quint32 m_bSuspended : 1 = 0;

        ReviewState State() const
        {
            ReviewState state;
            state.m_dStability = m_fStability;
            state.m_dDifficulty = m_fDifficulty;
            state.m_nDueDay = m_nDueDay;
            state.m_nLastDay = m_nLastDay;
            state.m_nReviews = m_nReviews;
            state.m_nLapses = m_nLapses;
            return state;
        }
        // As AsStored keeps it.
        void Store(const ReviewState& state)
        {
            m_fStability = float(state.m_dStability);
            m_fDifficulty = float(state.m_dDifficulty);
            m_nDueDay = state.m_nDueDay;
            m_nLastDay = state.m_nLastDay;
            m_nReviews = quint16(std::min<quint32>(state.m_nReviews, 0xffffu));
            m_nLapses = quint16(std::min<quint32>(state.m_nLapses, m_nReviews));
        }
    };
    struct HeapEntry {
        qint32 m_nDue;
        qint32 m_nIndex;
        quint32 m_nGeneration; // of 31 bits, as the record's
    };

    qint32 SlotOf(int index) const
    {
        return index >= 0 && index < ItemCount() ? m_slot[size_t(index)] : -1;
    }
    bool IsLive(const HeapEntry& entry) const;
    // Of 31 bits, as the record keeps it.
    quint32 NextGeneration() { return m_nNextGeneration++ & 0x7fffffffu; }
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
    bool m_bAnyGroupTree = false;

    QSet<int> m_deferred;
    qint32 m_nDeferredDay = 0;

    qint32 m_nNewDay = 0;
    qint32 m_nNewCount = 0;
    QMap<qint32, ReviewDayTally> m_tallies; // by study day
};

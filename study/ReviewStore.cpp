#include "study/ReviewStore.h"

#include <algorithm>

namespace {

// The heap's order: the earliest due date on top, then the lowest index.
bool Later(qint32 dueA, qint32 indexA, qint32 dueB, qint32 indexB)
{
    return dueA != dueB ? dueA > dueB : indexA > indexB;
}

constexpr int kTalliedDays = 30;

// Every day a due date can fall on.
qint64 DayTreeDays()
{
    return qint64(EndOfReviewDays()) - FirstReviewDay() + kMaxReviewInterval;
}

} // namespace

void ReviewStore::Reset(int itemCount)
{
    m_slot.assign(size_t(std::max(0, itemCount)), -1);
    m_records.clear();
    m_heap.clear();
    m_bHeapBuilt = false;
    m_dayTree.clear();
    m_bDayTreeBuilt = false;
    for (std::vector<int>& tree : m_groupTrees)
        tree.clear();
    m_bAnyGroupTree = false;
    m_deferred.clear();
    m_nNewDay = 0;
    m_nNewCount = 0;
    m_tallies.clear();
    m_bDirty = false;
}

void ReviewStore::Grow(int itemCount)
{
    if (itemCount > ItemCount())
        m_slot.resize(size_t(itemCount), -1);
}

std::optional<ReviewState> ReviewStore::Find(int index) const
{
    const qint32 slot = SlotOf(index);
    if (slot < 0)
        return std::nullopt;
    return m_records[size_t(slot)].State();
}

bool ReviewStore::IsLeech(int index) const
{
    const std::optional<ReviewState> state = Find(index);
    return state && state->m_nLapses >= kLeechLapses;
}

bool ReviewStore::IsSuspended(int index) const
{
    const qint32 slot = SlotOf(index);
    return slot >= 0 && m_records[size_t(slot)].m_bSuspended;
}

void ReviewStore::Put(int index, const ReviewState& state, bool suspended)
{
    if (index < 0 || index >= ItemCount())
        return;
    qint32& slot = m_slot[size_t(index)];
    if (slot < 0) {
        slot = static_cast<qint32>(m_records.size());
        m_records.emplace_back().m_nIndex = index;
    } else if (!m_records[size_t(slot)].m_bSuspended) {
        CountDay(index, m_records[size_t(slot)].m_nDueDay, -1);
    }
    Record& record = m_records[size_t(slot)];
    record.Store(state);
    record.m_bSuspended = suspended;
    record.m_nGeneration = NextGeneration();
    if (!suspended) {
        CountDay(index, state.m_nDueDay, +1);
        PushDue(record);
    }
    m_bDirty = true;
}

void ReviewStore::PutLoaded(const LoadedRecord* records, qsizetype count)
{
    constexpr qsizetype kAhead = 16;
    for (qsizetype k = 0; k < count; ++k) {
        if (k + kAhead < count) {
            const qint32 ahead = records[k + kAhead].m_nIndex;
            if (ahead >= 0 && ahead < ItemCount())
                PrefetchForWrite(&m_slot[size_t(ahead)]);
        }
        if (m_records.size() + kAhead < m_records.capacity())
            PrefetchForWrite(m_records.data() + m_records.size() + kAhead);
        const int index = records[k].m_nIndex;
        if (index < 0 || index >= ItemCount())
            continue;
        qint32& slot = m_slot[size_t(index)];
        if (slot >= 0) {
            // Named twice: the later record wins, as it would in Put.
            Put(index, records[k].m_state, false);
            continue;
        }
        // Put's work for a new record, with its calls left out while the
        // trees and the heap they feed are not built (they are at the first
        // use, after the load): a third of the load when made.
        slot = static_cast<qint32>(m_records.size());
        Record& record = m_records.emplace_back();
        record.Store(records[k].m_state);
        record.m_nIndex = index;
        record.m_nGeneration = NextGeneration();
        if (m_bDayTreeBuilt || m_bAnyGroupTree)
            CountDay(index, record.m_nDueDay, +1);
        if (m_bHeapBuilt)
            PushDue(record);
    }
    m_bDirty = m_bDirty || count > 0;
}

ReviewState ReviewStore::Rate(int index, qint32 day, ReviewRating rating, bool suspended)
{
    const std::optional<ReviewState> old = Find(index);
    const ReviewState before = old ? *old : ReviewState{};
    // Kept as the file keeps it, so that a state saved and read again is
    // the same state.
    const ReviewState after = AsStored(FsrsScheduler::Review(before, day, rating));
    if (index < 0 || index >= ItemCount())
        return after;
    if (!old) {
        if (m_nNewDay != day) {
            m_nNewDay = day;
            m_nNewCount = 0;
        }
        ++m_nNewCount;
    } else {
        ReviewDayTally& tally = m_tallies[day];
        tally.m_nDay = day;
        ++tally.m_nReviewed;
        if (rating != ReviewRating::Again)
            ++tally.m_nPassed;
    }
    Put(index, after, suspended);
    m_deferred.remove(index);
    return after;
}

void ReviewStore::Forget(int index)
{
    const qint32 slot = SlotOf(index);
    if (slot < 0)
        return;
    if (!m_records[size_t(slot)].m_bSuspended)
        CountDay(index, m_records[size_t(slot)].m_nDueDay, -1);
    // The last record fills the gap; heap entries name items, not records,
    // and those of the forgotten item no longer find a record.
    const size_t last = m_records.size() - 1;
    if (size_t(slot) != last) {
        m_records[size_t(slot)] = m_records[last];
        m_slot[size_t(m_records[size_t(slot)].m_nIndex)] = slot;
    }
    m_records.pop_back();
    m_slot[size_t(index)] = -1;
    m_bDirty = true;
}

void ReviewStore::ForgetAll()
{
    const bool had = !m_records.empty() || m_nNewCount != 0 || !m_tallies.isEmpty();
    Reset(ItemCount());
    m_bDirty = had;
}

void ReviewStore::SetSuspended(int index, bool suspended)
{
    const qint32 slot = SlotOf(index);
    if (slot < 0)
        return;
    Record& record = m_records[size_t(slot)];
    if (record.m_bSuspended == suspended)
        return;
    record.m_bSuspended = suspended;
    record.m_nGeneration = NextGeneration();
    CountDay(index, record.m_nDueDay, suspended ? -1 : +1);
    if (!suspended)
        PushDue(record);
}

bool ReviewStore::IsLive(const HeapEntry& entry) const
{
    const qint32 slot = SlotOf(entry.m_nIndex);
    if (slot < 0)
        return false;
    const Record& record = m_records[size_t(slot)];
    return record.m_nGeneration == entry.m_nGeneration && !record.m_bSuspended;
}

namespace {

struct HeapOrder {
    template <typename Entry> bool operator()(const Entry& a, const Entry& b) const
    {
        return Later(a.m_nDue, a.m_nIndex, b.m_nDue, b.m_nIndex);
    }
};

} // namespace

void ReviewStore::PushDue(const Record& record)
{
    if (!m_bHeapBuilt)
        return; // the first selection builds it from the records
    // Entries left behind by changed records are cleared out once they
    // outnumber the live ones, so the heap stays within twice its size.
    if (m_heap.size() > 2 * m_records.size() + 1024) {
        m_bHeapBuilt = false;
        EnsureHeap();
        return;
    }
    m_heap.push_back({record.m_nDueDay, record.m_nIndex, record.m_nGeneration});
    std::push_heap(m_heap.begin(), m_heap.end(), HeapOrder());
}

void ReviewStore::EnsureHeap()
{
    if (m_bHeapBuilt)
        return;
    m_heap.clear();
    m_heap.reserve(m_records.size());
    for (const Record& record : m_records) {
        if (!record.m_bSuspended)
            m_heap.push_back({record.m_nDueDay, record.m_nIndex, record.m_nGeneration});
    }
    std::make_heap(m_heap.begin(), m_heap.end(), HeapOrder());
    m_bHeapBuilt = true;
}

QList<int> ReviewStore::EarliestDue(qint32 day, int most, const std::function<bool(int)>& admit)
{
    EnsureHeap();
    // Entries left by changed records go for good once they come to the top.
    while (!m_heap.empty() && !IsLive(m_heap.front())) {
        std::pop_heap(m_heap.begin(), m_heap.end(), HeapOrder());
        m_heap.pop_back();
    }
    // The entries in their order, read off the heap without taking them
    // out: a small heap of the places next in line, starting at the top,
    // each one read adding its two children (a parent never comes after
    // them). What is looked at stays due until it is rated.
    QList<int> tied;
    qint32 tiedDay = 0;
    const auto later = [this](size_t a, size_t b) {
        return Later(m_heap[a].m_nDue, m_heap[a].m_nIndex, m_heap[b].m_nDue, m_heap[b].m_nIndex);
    };
    std::vector<size_t> next;
    if (!m_heap.empty())
        next.push_back(0);
    while (!next.empty()) {
        std::pop_heap(next.begin(), next.end(), later);
        const size_t at = next.back();
        next.pop_back();
        const HeapEntry& entry = m_heap[at];
        const bool live = IsLive(entry);
        if (live) {
            if (entry.m_nDue > day)
                break;
            if (!tied.isEmpty() && (entry.m_nDue != tiedDay || tied.size() >= most))
                break;
        }
        for (const size_t child : {2 * at + 1, 2 * at + 2})
            if (child < m_heap.size()) {
                next.push_back(child);
                std::push_heap(next.begin(), next.end(), later);
            }
        if (!live || IsDeferred(entry.m_nIndex, day) || (admit && !admit(entry.m_nIndex)))
            continue;
        tiedDay = entry.m_nDue;
        tied.append(entry.m_nIndex);
    }
    return tied;
}

int ReviewStore::DayTreeSlot(qint32 day) const
{
    const qint64 slot = qint64(day) - FirstReviewDay();
    return static_cast<int>(std::clamp<qint64>(slot, 0, DayTreeDays() - 1));
}

std::vector<int> ReviewStore::MakeDayTree(const std::function<bool(const Record&)>& take) const
{
    // One slot per day a due date can fall on, 1-based.
    std::vector<int> tree(size_t(DayTreeDays()) + 1, 0);
    for (const Record& record : m_records) {
        if (!record.m_bSuspended && take(record))
            ++tree[size_t(DayTreeSlot(record.m_nDueDay)) + 1];
    }
    for (size_t i = 1; i < tree.size(); ++i) {
        const size_t parent = i + (i & (~i + 1));
        if (parent < tree.size())
            tree[parent] += tree[i];
    }
    return tree;
}

void ReviewStore::AddToDayTree(std::vector<int>& tree, qint32 day, int delta) const
{
    for (size_t i = size_t(DayTreeSlot(day)) + 1; i < tree.size(); i += i & (~i + 1))
        tree[i] += delta;
}

int ReviewStore::SumDayTree(const std::vector<int>& tree, qint32 day) const
{
    int sum = 0;
    for (size_t i = size_t(DayTreeSlot(day)) + 1; i > 0; i -= i & (~i + 1))
        sum += tree[i];
    return sum;
}

void ReviewStore::EnsureDayTree()
{
    if (m_bDayTreeBuilt)
        return;
    m_dayTree = MakeDayTree([](const Record&) { return true; });
    m_bDayTreeBuilt = true;
}

int ReviewStore::GroupOf(int index) const
{
    const auto next = std::upper_bound(m_groupFirst.cbegin(), m_groupFirst.cend(), index);
    return static_cast<int>(next - m_groupFirst.cbegin()) - 1;
}

void ReviewStore::SetGroups(const std::vector<int>& firsts)
{
    if (firsts == m_groupFirst)
        return;
    m_groupFirst = firsts;
    m_groupTrees.assign(firsts.size(), {});
    m_bAnyGroupTree = false;
}

void ReviewStore::CountDay(int index, qint32 day, int delta)
{
    if (m_bDayTreeBuilt)
        AddToDayTree(m_dayTree, day, delta);
    if (!m_bAnyGroupTree)
        return; // no group to look up: a load passes here a million times
    const int group = GroupOf(index);
    if (group >= 0 && !m_groupTrees[size_t(group)].empty())
        AddToDayTree(m_groupTrees[size_t(group)], day, delta);
}

int ReviewStore::CountDueBy(qint32 day, const std::vector<bool>& groups)
{
    const size_t groupCount = m_groupFirst.size();
    const auto counted = [&](int group) {
        return group >= 0 && size_t(group) < groups.size() && groups[size_t(group)];
    };
    // With no mask, or one that sets every group, the one tree answers.
    bool all = groups.empty() || groupCount == 0;
    if (!all) {
        all = true;
        for (size_t k = 0; k < groupCount && all; ++k)
            all = counted(int(k));
    }
    if (qint64(day) < FirstReviewDay() && !m_records.empty()) {
        // Only records made under a clock set before 2000 lie there.
        return static_cast<int>(
            std::count_if(m_records.cbegin(), m_records.cend(), [&](const Record& record) {
                return !record.m_bSuspended && record.m_nDueDay <= day &&
                       (all || counted(GroupOf(record.m_nIndex)));
            }));
    }
    EnsureDayTree();
    int sum = SumDayTree(m_dayTree, day);
    if (all)
        return sum;
    // The groups left out are taken from the whole; each gets its own tree
    // the first time it is left out, and keeps it while the groups stay.
    // Items before the first group belong to none and are left out too.
    for (size_t k = 0; k < groupCount; ++k) {
        if (counted(int(k)))
            continue;
        std::vector<int>& tree = m_groupTrees[k];
        if (tree.empty()) {
            tree = MakeDayTree(
                [this, k](const Record& record) { return GroupOf(record.m_nIndex) == int(k); });
            m_bAnyGroupTree = true;
        }
        sum -= SumDayTree(tree, day);
    }
    if (m_groupFirst.front() > 0) {
        const int first = m_groupFirst.front();
        sum -= static_cast<int>(
            std::count_if(m_records.cbegin(), m_records.cend(), [&](const Record& record) {
                return !record.m_bSuspended && record.m_nIndex < first && record.m_nDueDay <= day;
            }));
    }
    return sum;
}

void ReviewStore::Defer(int index, qint32 day)
{
    if (m_nDeferredDay != day) {
        m_deferred.clear();
        m_nDeferredDay = day;
    }
    m_deferred.insert(index);
}

bool ReviewStore::IsDeferred(int index, qint32 day) const
{
    return m_nDeferredDay == day && m_deferred.contains(index);
}

int ReviewStore::NewCount(qint32 day) const
{
    return m_nNewDay == day ? m_nNewCount : 0;
}

ReviewStore::Retention ReviewStore::RetentionOver(qint32 day, int days) const
{
    Retention retention;
    for (auto it = m_tallies.lowerBound(day - days + 1); it != m_tallies.cend() && it.key() <= day;
         ++it) {
        retention.m_nReviewed += it->m_nReviewed;
        retention.m_nPassed += it->m_nPassed;
    }
    return retention;
}

ReviewFileHeader ReviewStore::FileHeader(qint32 today) const
{
    ReviewFileHeader header;
    header.m_nNewDay = m_nNewDay;
    header.m_nNewCount = m_nNewCount;
    for (auto it = m_tallies.lowerBound(today - kTalliedDays + 1);
         it != m_tallies.cend() && it.key() <= today; ++it)
        header.m_tallies.append(*it);
    return header;
}

void ReviewStore::SetFileHeader(const ReviewFileHeader& header)
{
    m_nNewDay = header.m_nNewDay;
    m_nNewCount = header.m_nNewCount;
    m_tallies.clear();
    // A day given twice keeps its later tally, like the dictation counts.
    for (const ReviewDayTally& tally : header.m_tallies)
        m_tallies.insert(tally.m_nDay, tally);
}

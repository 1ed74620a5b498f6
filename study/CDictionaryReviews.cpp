#include "study/CDictionary.h"

#include "platform/FileFailure.h"
#include "platform/MessageBox.h"
#include "platform/SaveFile.h"
#include "platform/Settings.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/ListMigration.h"
#include "study/ReviewFileFormat.h"
#include "study/StateFileFormat.h"
#include "study/StudyDay.h"

int CDictionary::ListBase(int list) const
{
    int base = 0;
    for (int i = 0; i < list && i < GetSize(); ++i)
        base += GetAt(i)->GetItemCount();
    return base;
}

void CDictionary::EnsureReviewsCurrent()
{
    int total = 0;
    std::vector<int> firsts;
    for (const auto& list : m_lists) {
        firsts.push_back(total);
        total += list->GetItemCount();
    }
    m_reviews.Grow(total);
    m_reviews.SetGroups(firsts);
    for (int i = 0; i < GetSize(); ++i) {
        CDicFile* list = GetAt(i);
        if (list->IsWatched())
            continue;
        m_bReviewModesStale = true;
        list->WatchModes([this, i](int pos, int from, int to) {
            if (pos < 0)
                m_bReviewModesStale = true;
            else if ((from == NoLearn) != (to == NoLearn))
                m_reviews.SetSuspended(ListBase(i) + pos, to == NoLearn);
        });
    }
    if (!m_bReviewModesStale)
        return;
    m_bReviewModesStale = false;
    // The lists' indexes name their 覚えない items without a look at the
    // others, which a walk over the records' items would take in turn.
    std::vector<int> notToMemorise;
    for (int i = 0; i < GetSize(); ++i) {
        for (int n = 0;; ++n) {
            const int pos = GetAt(i)->FindNthInMode(NoLearn, n);
            if (pos < 0)
                break;
            notToMemorise.push_back(firsts[size_t(i)] + pos);
        }
    }
    for (int k = 0; k < m_reviews.RecordCount(); ++k) {
        const int index = m_reviews.IndexOfRecord(k);
        m_reviews.SetSuspended(
            index, std::binary_search(notToMemorise.cbegin(), notToMemorise.cend(), index));
    }
}

void CDictionary::RateItem(int index, ReviewRating rating)
{
    EnsureLoaded();
    EnsureReviewsCurrent();
    const CItem* item = ItemAt(index);
    if (!item)
        return;
    m_reviews.Rate(index, GetStudyDay(), rating, item->m_nMode == NoLearn);
}

void CDictionary::DeferReview(int index)
{
    EnsureLoaded();
    EnsureReviewsCurrent();
    if (m_reviews.HasRecord(index))
        m_reviews.Defer(index, GetStudyDay());
}

void CDictionary::SuspendReview(int index)
{
    EnsureLoaded();
    EnsureReviewsCurrent();
    m_reviews.SetSuspended(index, true);
}

int CDictionary::GetDueCount(int daysAhead)
{
    EnsureLoaded();
    EnsureReviewsCurrent();
    // Items of the lists the learner switched off are not asked, so they
    // are not counted as due either.
    return m_reviews.CountDueBy(GetStudyDay() + daysAhead, ListsAsked());
}

ReviewStore::Retention CDictionary::GetRetention(int days)
{
    EnsureLoaded();
    return m_reviews.RetentionOver(GetStudyDay(), days);
}

bool CDictionary::IsLeech(int index)
{
    EnsureLoaded();
    return m_reviews.IsLeech(index);
}

std::optional<ReviewState> CDictionary::GetReviewState(int index)
{
    EnsureLoaded();
    return m_reviews.Find(index);
}

void CDictionary::ForgetAllReviews()
{
    EnsureLoaded();
    EnsureReviewsCurrent();
    m_reviews.ForgetAll();
}

void CDictionary::ForgetListReviews(int list)
{
    EnsureLoaded();
    EnsureReviewsCurrent();
    if (list < 0 || list >= GetSize())
        return;
    const int base = ListBase(list);
    const int count = GetAt(list)->GetItemCount();
    // Record by record when there are fewer records than items.
    if (m_reviews.RecordCount() < count) {
        for (int k = m_reviews.RecordCount() - 1; k >= 0; --k) {
            const int index = m_reviews.IndexOfRecord(k);
            if (index >= base && index < base + count)
                m_reviews.Forget(index);
        }
        return;
    }
    for (int index = base; index < base + count; ++index)
        m_reviews.Forget(index);
}

void CDictionary::ForgetModeReviews(int mode)
{
    EnsureLoaded();
    EnsureReviewsCurrent();
    for (int k = m_reviews.RecordCount() - 1; k >= 0; --k) {
        const int index = m_reviews.IndexOfRecord(k);
        const CItem* item = ItemAt(index);
        if (item && item->m_nMode == mode)
            m_reviews.Forget(index);
    }
}

void CDictionary::ForgetReviews(const ReviewScope& scope)
{
    switch (scope.m_kind) {
    case ReviewScope::AllItems:
        ForgetAllReviews();
        return;
    case ReviewScope::OneList:
        ForgetListReviews(scope.m_nWhich);
        return;
    case ReviewScope::OneMode:
        ForgetModeReviews(scope.m_nWhich);
        return;
    }
}

int CDictionary::CountReviews(const ReviewScope& scope)
{
    EnsureLoaded();
    EnsureReviewsCurrent();
    if (scope.m_kind == ReviewScope::AllItems)
        return m_reviews.RecordCount();
    if (scope.m_kind == ReviewScope::OneList && (scope.m_nWhich < 0 || scope.m_nWhich >= GetSize()))
        return 0;
    const int base = scope.m_kind == ReviewScope::OneList ? ListBase(scope.m_nWhich) : 0;
    const int end =
        scope.m_kind == ReviewScope::OneList ? base + GetAt(scope.m_nWhich)->GetItemCount() : 0;
    int count = 0;
    for (int k = 0; k < m_reviews.RecordCount(); ++k) {
        const int index = m_reviews.IndexOfRecord(k);
        if (scope.m_kind == ReviewScope::OneList) {
            count += index >= base && index < end;
        } else {
            const CItem* item = ItemAt(index);
            count += item && item->m_nMode == scope.m_nWhich;
        }
    }
    return count;
}

void CDictionary::LoadReviews(const QString& folder, const StudyStateReading& reading)
{
    int total = 0;
    std::vector<int> bases;
    for (const auto& list : m_lists) {
        bases.push_back(total);
        total += list->GetItemCount();
    }
    m_reviews.Reset(total);
    // The file in the folder is read a chunk at a time; what the carry-over
    // made of it is at hand already.
    const qsizetype limit = MaxReviewFileSize(total);
    StoredFile carried;
    std::optional<ReviewFileReader> file;
    if (reading.Overrides(kReviewFileName)) {
        carried = reading.File(folder, kReviewFileName, limit);
        file.emplace(carried, total);
    } else {
        file.emplace(folder + kReviewFileName, limit, total);
    }
    ReviewFileReader& reader = *file;
    if (reader.GetStatus() == ReviewFileReader::Readable) {
        m_reviews.SetFileHeader(reader.Header());
        m_reviews.ReserveRecords(reader.RecordCount());
        std::vector<int> counts;
        for (const auto& list : m_lists)
            counts.push_back(list->GetItemCount());
        // In batches that stay in the cache while they are stored.
        constexpr qsizetype kBatch = 256;
        std::vector<ReviewFileRecord> read(kBatch);
        std::vector<ReviewStore::LoadedRecord> loaded(kBatch);
        const qint32 lists = GetSize();
        while (const qsizetype got = reader.NextBatch(read.data(), kBatch)) {
            for (qsizetype k = 0; k < got; ++k) {
                const ReviewFileRecord& record = read[size_t(k)];
                // A record of an item the lists do not have is no record.
                const bool known =
                    record.m_nList < lists && record.m_nPos < counts[size_t(record.m_nList)];
                loaded[size_t(k)] = {known ? bases[size_t(record.m_nList)] + record.m_nPos : -1,
                                     record.m_state};
            }
            m_reviews.PutLoaded(loaded.data(), got);
        }
    }
    const QString problem = reader.Problem();
    if (!problem.isEmpty())
        ShowMessageBox(problem);
    m_reviews.m_bDirty = false;
    // Which records are of 覚えない items is found at the first use, from
    // the lists' indexes, which that use builds anyway.
    m_bReviewModesStale = true;
}

QByteArray CDictionary::ReviewFileContent() const
{
    std::vector<int> bases;
    int total = 0;
    for (const auto& list : m_lists) {
        bases.push_back(total);
        total += list->GetItemCount();
    }
    ReviewFileWriter writer(m_reviews.FileHeader(GetStudyDay()), m_reviews.RecordCount());
    m_reviews.ForEachRecord([&](int index, const ReviewState& state) {
        const auto list = std::upper_bound(bases.cbegin(), bases.cend(), index) - 1;
        const int number = static_cast<int>(list - bases.cbegin());
        if (index >= total || number < 0)
            return;
        writer.Append(number, index - *list, state);
    });
    return writer.Finish();
}

void CDictionary::MoveReviews(const std::function<int(int)>& place)
{
    struct Moved {
        int m_nIndex;
        ReviewState m_state;
        bool m_bSuspended;
    };
    std::vector<Moved> moved;
    moved.reserve(size_t(m_reviews.RecordCount()));
    for (int k = 0; k < m_reviews.RecordCount(); ++k) {
        const int from = m_reviews.IndexOfRecord(k);
        const int to = place(from);
        if (to >= 0)
            moved.push_back({to, *m_reviews.Find(from), m_reviews.IsSuspended(from)});
    }
    const ReviewFileHeader header = m_reviews.FileHeader(GetStudyDay());
    m_reviews.Reset(ListBase(GetSize()));
    m_reviews.SetFileHeader(header);
    for (const Moved& record : moved)
        m_reviews.Put(record.m_nIndex, record.m_state, record.m_bSuspended);
    // The lists' watchers name their list by its place, which may have
    // changed: they are made again for the places the lists have now.
    for (const auto& list : m_lists)
        list->WatchModes({});
    m_bReviewModesStale = true;
    m_reviews.m_bDirty = true;
}

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
    for (const auto& list : m_lists)
        total += list->GetItemCount();
    m_reviews.Grow(total);
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
    for (int k = 0; k < m_reviews.RecordCount(); ++k) {
        const int index = m_reviews.IndexOfRecord(k);
        const CItem* item = ItemAt(index);
        m_reviews.SetSuspended(index, item && item->m_nMode == NoLearn);
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
    return m_reviews.CountDueBy(GetStudyDay() + daysAhead);
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

const ReviewState* CDictionary::GetReviewState(int index)
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

void CDictionary::LoadReviews(const QString& folder, const StudyStateReading& reading)
{
    int total = 0;
    std::vector<int> bases;
    for (const auto& list : m_lists) {
        bases.push_back(total);
        total += list->GetItemCount();
    }
    m_reviews.Reset(total);
    const StoredFile bytes = reading.File(folder, kReviewFileName, MaxReviewFileSize(total));
    ReviewFileReader reader(bytes, total);
    if (reader.GetStatus() == ReviewFileReader::Readable) {
        m_reviews.SetFileHeader(reader.Header());
        ReviewFileRecord record;
        while (reader.Next(record)) {
            // A record of an item the lists do not have is no record.
            if (record.m_nList >= GetSize() ||
                record.m_nPos >= GetAt(record.m_nList)->GetItemCount())
                continue;
            const CItem& item = GetAt(record.m_nList)->m_items[size_t(record.m_nPos)];
            m_reviews.Put(bases[size_t(record.m_nList)] + record.m_nPos, record.m_state,
                          item.m_nMode == NoLearn);
        }
    }
    const QString problem = reader.Problem();
    if (!problem.isEmpty())
        ShowMessageBox(problem);
    m_reviews.m_bDirty = false;
    m_bReviewModesStale = false;
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
    for (int k = 0; k < m_reviews.RecordCount(); ++k) {
        const int index = m_reviews.IndexOfRecord(k);
        const auto list = std::upper_bound(bases.cbegin(), bases.cend(), index) - 1;
        const int number = static_cast<int>(list - bases.cbegin());
        if (index >= total || number < 0)
            continue;
        writer.Append(number, index - *list, *m_reviews.Find(index));
    }
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

#include "study/CDictionary.h"

#include "platform/Clock.h"
#include "platform/Settings.h"
#include "study/CItem.h"
#include "study/ModeTable.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kMaxHistory = 200;
constexpr int kMaxCount = std::numeric_limits<int>::max();
constexpr qint64 kStudyDayOffset = 10800;    // a study day starts at 03:00
constexpr qint64 kKeptDaySpan = 100 * 86400; // day counts kept: 100 days

// The history filter's flag of each mode, by mode value.
constexpr int CDictionary::*kViewFlags[kLearnModeCount] = {
    &CDictionary::m_bViewUnspec, &CDictionary::m_bViewLearned, &CDictionary::m_bViewLearning,
    &CDictionary::m_bViewNoLearn, &CDictionary::m_bViewKnown};

} // namespace

int CDictionary::CurrentPos() const
{
    return (m_nHistPos >= 0 && m_nHistPos < m_history.size()) ? m_nHistPos : -1;
}

int CDictionary::ViewFlag(int mode) const
{
    return IsValidMode(mode) ? this->*kViewFlags[mode] : 0;
}

bool CDictionary::HasHistoryFilter() const
{
    return std::any_of(std::begin(kViewFlags), std::end(kViewFlags),
                       [this](int CDictionary::*flag) { return this->*flag != 0; });
}

bool CDictionary::PassesHistoryFilter(int pos) const
{
    if (!HasHistoryFilter())
        return true;
    const CItem* item = ItemAt(m_history.at(pos).m_nIndex);
    return item && ViewFlag(item->m_nMode) != 0;
}

void CDictionary::AddToHistory(int index)
{
    EnsureLoaded();
    // Never two neighbouring records of one item: asking it again only moves
    // the position back onto it.
    if (m_history.isEmpty() || m_history.constLast().m_nIndex != index) {
        m_history.append(CHistInfo{index, 0});
        if (m_history.size() > kMaxHistory)
            m_history.removeFirst();
    }
    m_nHistPos = static_cast<int>(m_history.size()) - 1;
    m_bHistDirty = 1;
}

int CDictionary::GetCurrentHistoryItem()
{
    EnsureLoaded();
    const int pos = CurrentPos();
    return pos < 0 ? -1 : m_history.at(pos).m_nIndex;
}

int CDictionary::IsCurrentAnswered(int defaultValue)
{
    EnsureLoaded();
    const int pos = CurrentPos();
    return pos < 0 ? defaultValue : m_history.at(pos).m_bAnswered;
}

int CDictionary::GetPrevHistoryPos()
{
    EnsureLoaded();
    const int pos = CurrentPos();
    if (pos <= 0)
        return -1;
    for (int p = pos - 1; p >= 0; --p) {
        if (PassesHistoryFilter(p))
            return p;
    }
    return -1;
}

int CDictionary::GetNextHistoryPos()
{
    EnsureLoaded();
    const int pos = CurrentPos();
    const int last = static_cast<int>(m_history.size()) - 1;
    if (pos >= last)
        return -1;
    for (int p = pos + 1; p <= last; ++p) {
        if (PassesHistoryFilter(p))
            return p;
    }
    return -1;
}

void CDictionary::SetHistoryPos(int pos)
{
    EnsureLoaded();
    m_nHistPos = pos;
    m_bHistDirty = 1;
}

int CDictionary::GetHistoryCount()
{
    EnsureLoaded();
    return static_cast<int>(m_history.size());
}

CDictionary::CHistInfo CDictionary::GetHistoryRecord(int pos)
{
    EnsureLoaded();
    if (pos < 0 || pos >= m_history.size())
        return CHistInfo{-1, 0};
    return m_history.at(pos);
}

void CDictionary::ClearHistory()
{
    EnsureLoaded();
    m_history.clear();
    m_nHistPos = -1;
    m_bHistDirty = 1;
}

void CDictionary::LoadHistoryFilter()
{
    for (const ModeInfo& mode : kModeTable)
        this->*kViewFlags[mode.m_nMode] = GetProfileInt(*mode.m_pFilterSetting) != 0;
}

void CDictionary::GetFilteredHistory(QList<int>& positions)
{
    EnsureLoaded();
    positions.clear();
    for (int p = 0; p < m_history.size(); ++p) {
        if (PassesHistoryFilter(p))
            positions.append(p);
    }
}

int CDictionary::RecordDictation()
{
    EnsureLoaded();
    const int pos = CurrentPos();
    if (pos < 0 || m_history.at(pos).m_bAnswered == 1)
        return -1;
    m_history[pos].m_bAnswered = 1;
    m_bHistDirty = 1;
    if (m_nTotalCount < kMaxCount) {
        ++m_nTotalCount;
        m_bMiscDirty = 1;
    }
    return AddTodayCount();
}

int CDictionary::GetTodayCount()
{
    const int key = MakeDayKey(GetStudyDate());
    EnsureLoaded();
    return m_mapDayCount.value(key, 0);
}

int CDictionary::AddTodayCount()
{
    const int key = MakeDayKey(GetStudyDate());
    EnsureLoaded();
    int& count = m_mapDayCount[key];
    // No limit of its own; only the int itself must not overflow.
    if (count < kMaxCount)
        ++count;
    m_bMiscDirty = 1;
    return count;
}

int CDictionary::GetDayCount(int dayKey)
{
    EnsureLoaded();
    return m_mapDayCount.value(dayKey, 0);
}

int CDictionary::GetTotalCount()
{
    EnsureLoaded();
    return m_nTotalCount;
}

void CDictionary::ClearDictationCounts()
{
    EnsureLoaded();
    if (m_nTotalCount != 0) {
        m_nTotalCount = 0;
        m_bMiscDirty = 1;
    }
    if (!m_mapDayCount.isEmpty()) {
        m_mapDayCount.clear();
        m_bMiscDirty = 1;
    }
}

void CDictionary::PruneDayCounts()
{
    const qint64 today = GetStudyDate();
    const int newest = MakeDayKey(today);
    const int oldest = MakeDayKey(today - kKeptDaySpan);
    m_mapDayCount.removeIf([&](const QHash<int, int>::iterator it) {
        return it.key() <= oldest || it.key() > newest;
    });
}

qint64 GetStudyDate()
{
    LocalDate date;
    if (!ToLocalDate(CurrentTime() - kStudyDayOffset, date))
        return 0;
    return LocalMidnight(date.year, date.month, date.day);
}

int MakeDayKey(qint64 t)
{
    LocalDate date;
    if (!ToLocalDate(t, date))
        return 0;
    return date.year * 10000 + date.month * 100 + date.day;
}

#include "study/CDictionary.h"

#include "platform/Ideograph.h"
#include "platform/Options.h"
#include "platform/ResourceIds.h"
#include "platform/Settings.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/CStateWriter.h"
#include "study/CWordListSource.h"

#include <QSet>

namespace {

CDictionary* g_instance = nullptr;
bool g_finished = false;

constexpr int kMaxSearchResults = 500;

} // namespace

CDictionary* CDictionary::GetInstance()
{
    // After DestroyInstance the study data is gone for good: the program is
    // ending, and a new empty object would only hide a late access.
    if (!g_instance && !g_finished)
        g_instance = new CDictionary;
    return g_instance;
}

void CDictionary::DestroyInstance()
{
    delete g_instance;
    g_instance = nullptr;
    g_finished = true;
}

void CDictionary::ResetInstanceForTesting()
{
    delete g_instance;
    g_instance = nullptr;
    g_finished = false;
}

CDictionary::CDictionary() = default;

CDictionary::~CDictionary() = default;

CDictionary::CItem* CDictionary::ItemAt(int index) const
{
    if (index < 0)
        return nullptr;
    for (const auto& list : m_lists) {
        const int count = list->GetItemCount();
        if (index < count)
            return &list->m_items[static_cast<size_t>(index)];
        index -= count;
    }
    return nullptr;
}

CDictionary::CItem* CDictionary::GetItem(int index)
{
    EnsureLoaded();
    return ItemAt(index);
}

int CDictionary::GetTotalItemCount()
{
    EnsureLoaded();
    int total = 0;
    for (const auto& list : m_lists)
        total += list->GetItemCount();
    return total;
}

void CDictionary::RecountModes()
{
    for (const auto& list : m_lists)
        list->RecountModes();
}

int CDictionary::CountInMode(int mode) const
{
    return CountInMode(mode, {});
}

int CDictionary::GetNthInMode(int mode, int n) const
{
    return GetNthInMode(mode, n, {});
}

std::vector<bool> CDictionary::ListsAsked() const
{
    const QStringList off = Options::ListsOff();
    std::vector<bool> asked;
    for (const auto& list : m_lists)
        asked.push_back(!off.contains(list->m_strName));
    return asked;
}

int CDictionary::CountInMode(int mode, const std::vector<bool>& lists) const
{
    if (!IsValidMode(mode))
        return 0;
    int count = 0;
    for (size_t i = 0; i < m_lists.size(); ++i) {
        if (lists.empty() || (i < lists.size() && lists[i]))
            count += m_lists[i]->m_nModeCount[mode];
    }
    return count;
}

int CDictionary::GetNthInMode(int mode, int n, const std::vector<bool>& lists) const
{
    if (!IsValidMode(mode))
        return -1;
    int base = 0;
    // The list is chosen by the counters of the last recount, the item by
    // the modes as they are now; stale counters may point at a list that
    // holds fewer items of the mode, and then there is no such item.
    for (size_t i = 0; i < m_lists.size(); ++i) {
        const auto& list = m_lists[i];
        if (!lists.empty() && (i >= lists.size() || !lists[i])) {
            base += list->GetItemCount();
            continue;
        }
        if (n >= list->m_nModeCount[mode]) {
            n -= list->m_nModeCount[mode];
            base += list->GetItemCount();
            continue;
        }
        const int pos = list->FindNthInMode(mode, n);
        return pos < 0 ? -1 : base + pos;
    }
    return -1;
}

qint16 CDictionary::GetAverageUnspecCount()
{
    EnsureLoaded();
    qint32 sum = 0;
    qint32 count = 0;
    for (const auto& list : m_lists) {
        for (CItem& item : list->m_items) {
            if (item.m_nMode == Unspec) {
                sum += item.m_nAskCount;
                ++count;
            }
        }
    }
    if (count == 0)
        return 0;
    const qint32 average = sum / count;
    return (average > kMaxAskCount || average < 0) ? kMaxAskCount : static_cast<qint16>(average);
}

bool CDictionary::SetItemMode(CItem& item, LearnMode mode)
{
    if (mode == item.m_nMode)
        return false; // no average to take
    qint16 average = -1;
    return SetItemMode(item, mode, average);
}

bool CDictionary::SetItemMode(CItem& item, LearnMode mode, qint16& unspecAverage)
{
    qint16 askCount = -1;
    if (mode == Unspec) {
        if (unspecAverage == -1)
            unspecAverage = GetAverageUnspecCount();
        askCount = unspecAverage;
    }
    return item.SetMode(mode, askCount);
}

void CDictionary::ClearModes(bool learned, bool learning, bool noLearn, bool known)
{
    EnsureLoaded();
    if (learned && learning && noLearn && known) {
        // Everything starts over, Unspec items' ask counts included.
        for (const auto& list : m_lists) {
            for (CItem& item : list->m_items) {
                if (item.m_nAskCount != 0 || item.m_nMode != Unspec) {
                    item.m_nAskCount = 0;
                    item.m_nMode = Unspec;
                    item.m_bDirty = 1;
                }
            }
        }
        return;
    }

    // Every cleared item gets the average as it was before the first moved.
    qint16 average = -1;
    const bool clear[kLearnModeCount] = {false, learned, learning, noLearn, known};
    for (const auto& list : m_lists) {
        for (CItem& item : list->m_items) {
            if (IsValidMode(item.m_nMode) && clear[item.m_nMode])
                SetItemMode(item, Unspec, average);
        }
    }
}

void CDictionary::Search(const QString& text, bool unspec, bool learned, bool learning,
                         bool noLearn, bool known, QList<int>& results,
                         const std::function<bool(int)>& also)
{
    EnsureLoaded();
    results.clear();
    const bool admit[kLearnModeCount] = {unspec, learned, learning, noLearn, known};
    const bool anyFilter = unspec || learned || learning || noLearn || known;
    int index = 0;
    for (const auto& list : m_lists) {
        for (CItem& item : list->m_items) {
            const int current = index++;
            if (anyFilter && !(IsValidMode(item.m_nMode) && admit[item.m_nMode]))
                continue;
            if (!text.isEmpty() && !item.m_strText.contains(text))
                continue;
            if (also && !also(current))
                continue;
            results.append(current);
            if (results.size() >= kMaxSearchResults)
                return;
        }
    }
}

int CDictionary::GetDistinctKanjiCount()
{
    if (m_nKanjiCount > 0)
        return m_nKanjiCount;
    EnsureLoaded();
    QSet<char16_t> kanji;
    kanji.reserve(4001);
    for (const auto& list : m_lists) {
        for (const CItem& item : list->m_items) {
            for (QChar c : item.GetWord()) {
                if (IsIdeograph(c))
                    kanji.insert(c.unicode());
            }
        }
    }
    // A count of 0 means nothing was loaded yet, so it is not kept.
    m_nKanjiCount = static_cast<int>(kanji.size());
    return m_nKanjiCount;
}

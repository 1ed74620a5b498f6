#include "study/ItemSearch.h"

#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/LearnMode.h"
#include "study/ModeTable.h"

#include <QHash>
#include <functional>

void ItemSearch::SetQuery(const QString& kana)
{
    m_strQuery = kana;
    m_bFullSearch = false;
}

bool ItemSearch::AnyFilter() const
{
    for (bool on : m_filters) {
        if (on)
            return true;
    }
    return false;
}

void ItemSearch::ToggleFilter(int k)
{
    if (k < 0 || k >= int(m_filters.size()))
        return;
    const bool anyBefore = AnyFilter();
    m_filters[k] = !m_filters[k];
    if (!anyBefore)
        m_bFullSearch = false;
    else if (AnyFilter())
        m_bFullSearch = m_filters[k];
    else
        m_bFullSearch = true;
}

void ItemSearch::SetLeechesOnly(bool on)
{
    if (on == m_bLeechesOnly)
        return;
    m_bLeechesOnly = on;
    if (!on)
        m_bFullSearch = true;
}

void ItemSearch::Run(CDictionary& data)
{
    if (HasCriteria()) {
        const bool extends = (m_strLastQuery.isEmpty() && !m_strQuery.isEmpty()) ||
                             (!m_strLastQuery.isEmpty() && !m_strQuery.isEmpty() &&
                              m_strQuery.startsWith(m_strLastQuery));
        const bool full =
            m_bFullSearch || m_results.isEmpty() || m_results.size() >= kMaxResults || !extends;
        if (full) {
            // The study data's own order is the button order's modes.
            const auto on = [this](int mode) { return m_filters.at(ButtonOfMode(mode)); };
            std::function<bool(int)> leech;
            if (m_bLeechesOnly)
                leech = [&data](int index) { return data.IsLeech(index); };
            data.Search(m_strQuery, on(Unspec), on(Learned), on(Learning), on(NoLearn), on(Known),
                        m_results, leech);
            if (m_results.size() > 1)
                SortByReading(data, m_results);
        } else {
            Narrow(data);
        }
    } else {
        m_results.clear();
    }
    m_strLastQuery = m_strQuery;
}

void ItemSearch::Narrow(CDictionary& data)
{
    const bool anyFilter = AnyFilter();
    bool admits[kLearnModeCount] = {};
    for (int k = 0; k < 5; ++k)
        admits[kModeTable[k].m_nMode] = m_filters.at(k);
    for (qsizetype i = m_results.size() - 1; i >= 0; --i) {
        const CDictionary::CItem* item = data.GetItem(m_results.at(i));
        bool remove = item == nullptr;
        if (!remove && anyFilter)
            remove = !IsValidMode(item->m_nMode) || !admits[item->m_nMode];
        if (!remove && !m_strQuery.isEmpty())
            remove = !item->GetText().contains(m_strQuery);
        if (!remove && m_bLeechesOnly)
            remove = !data.IsLeech(m_results.at(i));
        if (remove)
            m_results.removeAt(i);
    }
}

int ItemSearch::CompareByReading(const QString& x, const QString& y)
{
    const qsizetype length = qMin(x.size(), y.size());
    for (qsizetype i = 0; i < length; ++i) {
        const int difference = int(x.at(i).unicode()) - int(y.at(i).unicode());
        if (difference != 0)
            return difference;
    }
    return int(x.size() - y.size());
}

void ItemSearch::SortByReading(CDictionary& data, QList<int>& results)
{
    QHash<int, QString> readings;
    readings.reserve(601);
    // By value: an insertion may move the stored strings.
    const auto reading = [&](int index) -> QString {
        auto it = readings.find(index);
        if (it == readings.end()) {
            const CDictionary::CItem* item = data.GetItem(index);
            it = readings.insert(index, item ? item->GetReading() : QString());
        }
        return *it;
    };

    const qsizetype n = results.size();
    qsizetype h = 1;
    if (n / 9 > 1) {
        while (h < n / 9)
            h = 3 * h + 1;
    }
    for (; h > 0; h /= 3) {
        if (h >= n)
            continue;
        for (qsizetype i = h; i < n; ++i) {
            const int v = results.at(i);
            qsizetype j = i - h;
            while (j >= 0 && CompareByReading(reading(results.at(j)), reading(v)) > 0) {
                results[j + h] = results.at(j);
                j -= h;
            }
            results[j + h] = v;
        }
    }
}

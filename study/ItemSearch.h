#pragma once

#include <QList>
#include <QString>
#include <array>

class CDictionary;

// The search behind the search bar: the items of all word lists whose word
// or reading holds the query (kana or kanji), restricted to the learning
// modes whose filter is on when any is, and to leeches when asked; at most kMaxResults, by reading.
// While the query grows from the last one searched and no filter admitted
// more items, the current results are narrowed instead of searching
// everything again, so an item that only now matches stays out until the
// next full search.
class ItemSearch {
public:
    static constexpr int kMaxResults = 500;

    // The text to find, already in kana.
    void SetQuery(const QString& kana);
    const QString& Query() const { return m_strQuery; }
    // The query of the last run.
    const QString& LastQuery() const { return m_strLastQuery; }

    // Switches the filter of button k (kModeTable order, 0 to 4). Switching
    // the first filter on, or one off while others stay on, only removes
    // items from the results; switching one on beside others adds items, and
    // switching the last off admits everything again.
    void ToggleFilter(int k);
    bool Filter(int k) const { return m_filters.at(k); }
    bool AnyFilter() const;
    // Only leeches (items forgotten again and again) besides the other
    // criteria. Switching it on only removes items; off searches again.
    void SetLeechesOnly(bool on);
    bool LeechesOnly() const { return m_bLeechesOnly; }
    // Whether the next run searches everything rather than narrowing.
    bool FullSearchNext() const { return m_bFullSearch; }
    // The lists changed under the results: the next run searches everything.
    void SearchAllNext() { m_bFullSearch = true; }

    // A query or a filter: something to look for.
    bool HasCriteria() const { return !m_strQuery.isEmpty() || AnyFilter() || m_bLeechesOnly; }
    // The results for the query and the filters; none without criteria.
    void Run(CDictionary& data);
    // Global indices in display order.
    const QList<int>& Results() const { return m_results; }

    // Readings compared code unit by code unit; a prefix comes first.
    static int CompareByReading(const QString& x, const QString& y);
    // Shell sort of global indices by their items' readings.
    static void SortByReading(CDictionary& data, QList<int>& results);

private:
    void Narrow(CDictionary& data);

    QString m_strQuery;
    QString m_strLastQuery;
    std::array<bool, 5> m_filters{};
    bool m_bLeechesOnly = false;
    bool m_bFullSearch = true;
    QList<int> m_results;
};

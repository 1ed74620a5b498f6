#include "study/CDicFile.h"

#include "study/CWordListSource.h"

#include <algorithm>
#include <bit>

CDictionary::CItem::ModeField& CDictionary::CItem::ModeField::operator=(qint16 mode)
{
    const qint16 old = m_nValue;
    m_nValue = mode;
    if (m_pList && old != mode)
        m_pList->OnModeChanged(*this, old, mode);
    return *this;
}

CDictionary::CItem* CDictionary::CDicFile::AddItem(QString line)
{
    // The index catches up at its next use, in one pass over all items.
    return &m_items.emplace_back(std::move(line));
}

void CDictionary::CDicFile::Reindex() const
{
    const size_t size = m_items.size();
    for (auto& tree : m_tree)
        tree.assign(size + 1, 0);
    std::fill(std::begin(m_nTrueCount), std::end(m_nTrueCount), 0);
    for (size_t pos = 0; pos < size; ++pos) {
        // Indexing changes no item's value, only where it reports to.
        CItem::ModeField& field = const_cast<CItem&>(m_items[pos]).m_nMode;
        field.m_pList = const_cast<CDicFile*>(this);
        field.m_nPos = static_cast<int>(pos);
        const int mode = field.m_nValue;
        if (IsValidMode(mode)) {
            ++m_tree[mode][pos + 1];
            ++m_nTrueCount[mode];
        }
    }
    // Each node passes its sum on to its parent: a linear-time build.
    for (auto& tree : m_tree) {
        for (size_t i = 1; i <= size; ++i) {
            const size_t parent = i + (i & (~i + 1));
            if (parent <= size)
                tree[parent] += tree[i];
        }
    }
    m_nIndexedSize = size;
    m_bIndexValid = true;
    // Items that were not indexed changed modes unseen.
    if (m_modeListener)
        m_modeListener(-1, 0, 0);
}

void CDictionary::CDicFile::WatchModes(ModeListener listener)
{
    m_modeListener = std::move(listener);
    // Items not indexed yet report to no list.
    EnsureIndexed();
}

void CDictionary::CDicFile::EnsureIndexed() const
{
    if (!m_bIndexValid || m_nIndexedSize != m_items.size())
        Reindex();
}

void CDictionary::CDicFile::OnModeChanged(const CItem::ModeField& field, int from, int to)
{
    if (!m_bIndexValid) {
        if (m_modeListener)
            m_modeListener(-1, 0, 0);
        return;
    }
    const size_t pos = static_cast<size_t>(field.m_nPos);
    // An item that is not where the index put it (the items were rearranged
    // behind the list's back) makes the whole index suspect.
    if (m_nIndexedSize != m_items.size() || pos >= m_items.size() ||
        &m_items[pos].m_nMode != &field) {
        m_bIndexValid = false;
        if (m_modeListener)
            m_modeListener(-1, 0, 0);
        return;
    }
    const auto add = [&](int mode, int delta) {
        if (!IsValidMode(mode))
            return;
        m_nTrueCount[mode] += delta;
        std::vector<int>& tree = m_tree[mode];
        for (size_t i = pos + 1; i < tree.size(); i += i & (~i + 1))
            tree[i] += delta;
    };
    add(from, -1);
    add(to, +1);
    if (m_modeListener)
        m_modeListener(static_cast<int>(pos), from, to);
}

int CDictionary::CDicFile::FindNthInMode(int mode, int n) const
{
    if (!IsValidMode(mode) || n < 0)
        return -1;
    EnsureIndexed();
    if (n >= m_nTrueCount[mode])
        return -1;
    const std::vector<int>& tree = m_tree[mode];
    const size_t size = tree.size() - 1;
    // Descend from the highest power of two: pos ends as the last position
    // whose prefix holds at most n items of the mode.
    size_t pos = 0;
    int remaining = n + 1;
    for (size_t step = std::bit_floor(size); step > 0; step >>= 1) {
        if (pos + step <= size && tree[pos + step] < remaining) {
            pos += step;
            remaining -= tree[pos];
        }
    }
    return static_cast<int>(pos);
}

void CDictionary::CDicFile::RecountModes()
{
    EnsureIndexed();
    std::copy(std::begin(m_nTrueCount), std::end(m_nTrueCount), std::begin(m_nModeCount));
}

bool CDictionary::CDicFile::HasDirtyItems() const
{
    return std::any_of(m_items.cbegin(), m_items.cend(),
                       [](const CItem& item) { return item.m_bDirty; });
}

void CDictionary::CDicFile::ClearDirty()
{
    for (CItem& item : m_items)
        item.m_bDirty = 0;
}

QString CDictionary::CDicFile::GetTitle() const
{
    if (IsOwnList())
        return m_strTitle;
    for (const WordListInfo& info : kWordLists)
        if (m_strName == QLatin1String(info.m_pszName))
            return QString::fromUtf8(info.m_pszTitle);
    return m_strName;
}

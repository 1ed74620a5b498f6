#pragma once

#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/OwnListFile.h"

#include <deque>
#include <functional>
#include <vector>

// One word list with its items in line order.
class CDictionary::CDicFile {
public:
    explicit CDicFile(const QString& name) : m_strName(name) {}
    CDicFile(const CDicFile&) = delete;
    CDicFile& operator=(const CDicFile&) = delete;

    // Appends an item made from a word-list line.
    CItem* AddItem(QString line);
    int GetItemCount() const { return static_cast<int>(m_items.size()); }

    void RecountModes();
    void ClearDirty();
    // Whether an item changed since the list was loaded or written.
    bool HasDirtyItems() const;
    // The learning-mode file: the list name followed by ".dat".
    QString GetFileName() const { return m_strName + QStringLiteral(".dat"); }

    // The position of the n-th item (from 0) whose mode is mode now, or -1
    // when the list holds n or fewer such items. Logarithmic in the list's
    // size; it does not look at m_nModeCount.
    int FindNthInMode(int mode, int n) const;

    // Whether the learner made the list from a file of their own.
    bool IsOwnList() const { return !m_strTitle.isEmpty(); }
    // The name the learner reads: their own for a list of theirs, the
    // built-in list's title, else the file name.
    QString GetTitle() const;

    // Tells `listener` of each later mode change of an item, with the
    // item's position; with -1 when changes may have gone unseen (the index
    // was rebuilt or lost track), and every mode is to be read again. The
    // items are indexed now, so that from here on no change goes unseen.
    using ModeListener = std::function<void(int pos, int from, int to)>;
    void WatchModes(ModeListener listener);
    bool IsWatched() const { return static_cast<bool>(m_modeListener); }

    QString m_strName;
    // A list of one's own: the learner's name for it, and its rows as its
    // file holds them, in the order of m_items. Empty for a built-in list.
    QString m_strTitle;
    QList<OwnListRow> m_ownRows;
    // Held by value: a deque never moves its items as it grows, so pointers
    // to them stay valid for the life of the list.
    std::deque<CItem> m_items;
    int m_nModeCount[kLearnModeCount] = {}; // valid right after RecountModes

    // The signature of the item texts as a save last computed it, for the
    // item count it was computed for: the texts of a loaded list never
    // change, so only a list that grew is hashed again.
    mutable qint32 m_nSignedCount = -1;
    mutable QByteArray m_signedHash;

private:
    friend class CItem::ModeField;

    // Keeps the counts and trees current as one item changes mode.
    void OnModeChanged(const CItem::ModeField& field, int from, int to);
    // Items can be appended to m_items directly, so the index is checked
    // against the items before each use and rebuilt when it lags behind.
    void EnsureIndexed() const;
    void Reindex() const;

    // For each mode a Fenwick tree over the positions (1-based): the n-th
    // item of a mode is found by one descent, and a mode change costs two
    // updates. m_nTrueCount is the number of items in each mode right now.
    mutable std::vector<int> m_tree[kLearnModeCount];
    mutable int m_nTrueCount[kLearnModeCount] = {};
    mutable bool m_bIndexValid = false;
    mutable size_t m_nIndexedSize = 0;
    ModeListener m_modeListener;
};

#pragma once

#include <QList>
#include <QStringList>

// Where an old item went: a list and a position in the new lists, or -1 for
// both when the item is gone.
struct ItemPlace {
    int m_nList = -1;
    int m_nPos = -1;

    bool operator==(const ItemPlace&) const = default;
};

// Pairs the items of old lists with the items of new ones; a null list takes
// no part on its side. An item is found again by its text, first in its own
// list, then in another (a word that moved to another grade); the k-th old
// item of a text goes to the k-th new one. Items left over then pair when
// they keep their main spelling and share a reading (only the alternatives
// in parentheses changed), as long as the pair is unambiguous. Returns, for
// every old list, the place of each of its items.
QList<QList<ItemPlace>> MatchListItems(const QList<const QStringList*>& oldLists,
                                       const QList<const QStringList*>& newLists);

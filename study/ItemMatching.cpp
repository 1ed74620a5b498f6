#include "study/ItemMatching.h"

#include <QHash>

#include <algorithm>

namespace {

struct WordForms {
    QString m_strMain;      // the spelling before any alternative
    QStringList m_readings; // the reading and its alternatives
};

WordForms FormsOf(const QString& text)
{
    WordForms forms;
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    const QString word = tab < 0 ? QString() : text.left(tab);
    QString reading = tab < 0 ? text : text.mid(tab + 1);
    const qsizetype paren = word.indexOf(QLatin1Char('('));
    forms.m_strMain = paren < 0 ? word : word.left(paren);
    reading.remove(QLatin1Char(')'));
    forms.m_readings = reading.split(QLatin1Char('('), Qt::SkipEmptyParts);
    return forms;
}

bool ShareReading(const WordForms& a, const WordForms& b)
{
    for (const QString& reading : a.m_readings) {
        if (b.m_readings.contains(reading))
            return true;
    }
    return false;
}

} // namespace

QList<QList<ItemPlace>> MatchListItems(const QList<const QStringList*>& oldLists,
                                       const QList<const QStringList*>& newLists)
{
    QList<QList<ItemPlace>> places(oldLists.size());
    QList<QList<bool>> taken(newLists.size());
    for (qsizetype i = 0; i < oldLists.size(); ++i) {
        if (oldLists[i])
            places[i].resize(oldLists[i]->size());
    }
    for (qsizetype j = 0; j < newLists.size(); ++j) {
        if (newLists[j])
            taken[j].resize(newLists[j]->size(), false);
    }
    const auto match = [&](int i, int p, ItemPlace to) {
        places[i][p] = to;
        taken[to.m_nList][to.m_nPos] = true;
    };

    // The same text in the same list.
    for (int i = 0; i < std::min(oldLists.size(), newLists.size()); ++i) {
        if (!oldLists[i] || !newLists[i])
            continue;
        QHash<QString, QList<int>> positions;
        for (int q = 0; q < newLists[i]->size(); ++q)
            positions[newLists[i]->at(q)].append(q);
        QHash<QString, int> used;
        for (int p = 0; p < oldLists[i]->size(); ++p) {
            const QString& text = oldLists[i]->at(p);
            const auto it = positions.constFind(text);
            if (it == positions.constEnd())
                continue;
            int& next = used[text];
            if (next < it->size())
                match(i, p, {i, it->at(next++)});
        }
    }

    // The same text in another list: the word moved.
    QHash<QString, QList<ItemPlace>> leftover;
    for (int j = 0; j < newLists.size(); ++j) {
        for (int q = 0; newLists[j] && q < newLists[j]->size(); ++q) {
            if (!taken[j][q])
                leftover[newLists[j]->at(q)].append({j, q});
        }
    }
    QHash<QString, int> used;
    for (int i = 0; i < oldLists.size(); ++i) {
        for (int p = 0; oldLists[i] && p < oldLists[i]->size(); ++p) {
            if (places[i][p].m_nList >= 0)
                continue;
            const QString& text = oldLists[i]->at(p);
            const auto it = leftover.constFind(text);
            if (it == leftover.constEnd())
                continue;
            int& next = used[text];
            if (next < it->size())
                match(i, p, it->at(next++));
        }
    }

    // The same word with other alternatives: same main spelling, a reading
    // in common, and no other candidate on either side.
    QHash<QString, QList<ItemPlace>> newByMain;
    QHash<QString, QList<ItemPlace>> oldByMain;
    QHash<QString, WordForms> forms;
    const auto formsOf = [&](const QString& text) -> const WordForms& {
        auto it = forms.find(text);
        if (it == forms.end())
            it = forms.insert(text, FormsOf(text));
        return *it;
    };
    for (int j = 0; j < newLists.size(); ++j) {
        for (int q = 0; newLists[j] && q < newLists[j]->size(); ++q) {
            if (!taken[j][q])
                newByMain[formsOf(newLists[j]->at(q)).m_strMain].append({j, q});
        }
    }
    for (int i = 0; i < oldLists.size(); ++i) {
        for (int p = 0; oldLists[i] && p < oldLists[i]->size(); ++p) {
            if (places[i][p].m_nList < 0)
                oldByMain[formsOf(oldLists[i]->at(p)).m_strMain].append({i, p});
        }
    }
    for (int i = 0; i < oldLists.size(); ++i) {
        for (int p = 0; oldLists[i] && p < oldLists[i]->size(); ++p) {
            if (places[i][p].m_nList >= 0)
                continue;
            const WordForms& old = formsOf(oldLists[i]->at(p));
            if (old.m_strMain.isEmpty())
                continue;
            ItemPlace candidate;
            int candidates = 0;
            for (const ItemPlace& n : newByMain.value(old.m_strMain)) {
                if (!taken[n.m_nList][n.m_nPos] &&
                    ShareReading(old, formsOf(newLists[n.m_nList]->at(n.m_nPos)))) {
                    candidate = n;
                    ++candidates;
                }
            }
            if (candidates != 1)
                continue;
            const WordForms& found = formsOf(newLists[candidate.m_nList]->at(candidate.m_nPos));
            int rivals = 0;
            for (const ItemPlace& o : oldByMain.value(old.m_strMain)) {
                if (places[o.m_nList][o.m_nPos].m_nList < 0 &&
                    ShareReading(formsOf(oldLists[o.m_nList]->at(o.m_nPos)), found))
                    ++rivals;
            }
            if (rivals == 1)
                match(i, p, candidate);
        }
    }
    return places;
}

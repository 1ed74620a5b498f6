#include "common/TestEnv.h"

#include "platform/Profile.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "text/HyogaiMarkup.h"
#include "text/KanaConversion.h"

#include <QRandomGenerator>
#include <QTest>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The study data's counting and choosing done the plain way: counters that
// only a recount refreshes, the n-th item of a mode found by scanning, and
// question selection on top of them with its own copy of the generator.
// The dictionary must give the same answers and draw the same numbers.
class Reference {
public:
    struct Item {
        QString word;
        qint16 mode = Unspec;
        qint16 askCount = 0;
    };
    struct List {
        std::vector<Item> items;
        int counts[kLearnModeCount] = {};
    };

    std::vector<List> lists;
    quint32 state = 0;

    void Recount()
    {
        for (List& list : lists) {
            std::fill(std::begin(list.counts), std::end(list.counts), 0);
            for (const Item& item : list.items) {
                if (IsValidMode(item.mode))
                    ++list.counts[item.mode];
            }
        }
    }

    int Count(int mode) const
    {
        if (!IsValidMode(mode))
            return 0;
        int count = 0;
        for (const List& list : lists)
            count += list.counts[mode];
        return count;
    }

    int Nth(int mode, int n) const
    {
        if (!IsValidMode(mode))
            return -1;
        int base = 0;
        for (const List& list : lists) {
            if (n >= list.counts[mode]) {
                n -= list.counts[mode];
                base += int(list.items.size());
                continue;
            }
            for (size_t i = 0; i < list.items.size(); ++i) {
                if (list.items[i].mode != mode)
                    continue;
                if (n == 0)
                    return base + int(i);
                --n;
            }
            return -1;
        }
        return -1;
    }

    const Item* At(int index) const
    {
        for (const List& list : lists) {
            if (index < int(list.items.size()))
                return index < 0 ? nullptr : &list.items[size_t(index)];
            index -= int(list.items.size());
        }
        return nullptr;
    }

    int Select(int prefKanji, const QList<CDictionary::CHistInfo>& history)
    {
        Recount();
        const int u = Count(Unspec);
        const int l = Count(Learning);
        if (u == 0 && l == 0)
            return -1;
        bool learning = u == 0;
        if (u > 0 && l > 0) {
            const int f = GetProfileInt(u"Settings"_s, u"ProbFreq"_s, 100);
            learning = l >= f || Draw() % (u + l >= f ? f : u + l) < l;
        }
        const auto latest = [&](int g) {
            for (qsizetype pos = history.size() - 1; pos >= 0; --pos) {
                if (history[pos].m_nIndex == g)
                    return int(pos);
            }
            return -1;
        };
        if (learning) {
            int best = INT_MAX;
            int result = -1;
            int p = Draw() % l;
            for (int t = 0; t < qMin(l, 30); ++t) {
                const int g = Nth(Learning, p);
                const int h = latest(g);
                if (h < best) {
                    best = h;
                    result = g;
                    if (h == -1)
                        return g;
                }
                if (++p == l)
                    p = 0;
            }
            return result;
        }
        struct Candidate {
            int lastSeen = INT_MAX;
            qint16 askCount = 32767;
            int index = -1;
        } any, standard, nonStandard;
        const auto offer = [&](Candidate& c, int g, const Item& item) {
            const int h = latest(g);
            if (c.lastSeen == -1) {
                if (h == -1 && item.askCount < c.askCount) {
                    c.askCount = item.askCount;
                    c.index = g;
                    return c.askCount <= 0;
                }
                return false;
            }
            if (h < c.lastSeen) {
                c.lastSeen = h;
                c.index = g;
                if (h == -1) {
                    c.askCount = item.askCount;
                    return c.askCount <= 0;
                }
            }
            return false;
        };
        int p = Draw() % u;
        const int step = qMax(u / 300, 1);
        bool done = false;
        for (int t = 0; t < qMin(u, 30); ++t) {
            const int g = Nth(Unspec, p);
            if (const Item* item = At(g)) {
                if (prefKanji == 1) {
                    if (!ContainsHyogai(RemoveParenthesized(item->word)) &&
                        offer(standard, g, *item))
                        return g;
                    if (!done)
                        done = offer(any, g, *item);
                } else if (prefKanji == 2) {
                    if (ContainsHyogai(item->word) && offer(nonStandard, g, *item))
                        return g;
                    if (!done)
                        done = offer(any, g, *item);
                } else if (offer(any, g, *item)) {
                    return g;
                }
            }
            p += step;
            if (p >= u)
                p -= u;
        }
        if (prefKanji == 1 && standard.index != -1)
            return standard.index;
        if (prefKanji == 2 && nonStandard.index != -1)
            return nonStandard.index;
        return any.index;
    }

private:
    int Draw()
    {
        state = state * 214013u + 2531011u;
        return int((state >> 16) & 0x7FFF);
    }
};

const QStringList kWords = {u"本"_s,   u"愛嬌"_s, u"愛敬(愛嬌)"_s, u"かな"_s,
                            u"学校"_s, u"薔薇"_s, u"山(嶺)"_s};

} // namespace

// The mode counts and the n-th item of a mode are kept by an index that
// follows every mode change; what callers see must stay what a recount and
// a scan give, stale counters included.
class TestModeIndex : public QObject {
    Q_OBJECT

private slots:
    void init() { TestEnv::ClearSettings(); }

    void matchesPlainCountingAndScanning_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<QList<int>>("listSizes");
        QTest::addColumn<int>("steps");
        QTest::newRow("one small list") << 1u << QList<int>{40} << 20000;
        QTest::newRow("empty lists between") << 2u << QList<int>{0, 25, 0, 60, 0} << 20000;
        QTest::newRow("Unspec step above 1") << 3u << QList<int>{700, 1, 900, 300} << 8000;
        QTest::newRow("six uneven lists") << 4u << QList<int>{129, 64, 255, 1, 2, 513} << 12000;
    }
    void matchesPlainCountingAndScanning()
    {
        QFETCH(quint32, seed);
        QFETCH(QList<int>, listSizes);
        QFETCH(int, steps);
        QRandomGenerator random(seed);
        CDictionary dic;
        Reference ref;
        const auto addItem = [&](int list) {
            const QString word = kWords[random.bounded(int(kWords.size()))];
            const auto mode = qint16(random.bounded(5));
            const auto askCount = qint16(random.bounded(4));
            CDictionary::CItem* item = dic.GetAt(list)->AddItem(word + u"\tよみ"_s);
            item->m_nMode = mode;
            item->m_nAskCount = askCount;
            ref.lists[size_t(list)].items.push_back({word, mode, askCount});
        };
        for (int size : listSizes) {
            dic.m_lists.push_back(std::make_unique<CDictionary::CDicFile>(u"l"_s));
            ref.lists.emplace_back();
            for (int i = 0; i < size; ++i)
                addItem(dic.GetSize() - 1);
        }
        const auto total = [&] { return dic.GetTotalItemCount(); };
        // Global index -> list and position, for the reference's side.
        const auto refItem = [&](int index) -> Reference::Item& {
            for (Reference::List& list : ref.lists) {
                if (index < int(list.items.size()))
                    return list.items[size_t(index)];
                index -= int(list.items.size());
            }
            qFatal("index out of range");
        };

        int selections = 0;
        for (int step = 0; step < steps; ++step) {
            const QByteArray where = "step " + QByteArray::number(step);
            const int op = random.bounded(100);
            if (op < 30 && total() > 0) {
                // The way the drill and the dialogs change modes.
                const int index = random.bounded(total());
                const auto mode = qint16(random.bounded(-1, 7));
                const auto askCount = qint16(random.bounded(-1, 3));
                Reference::Item& mirror = refItem(index);
                const bool changed = dic.GetItem(index)->SetMode(mode, askCount);
                QCOMPARE(changed, IsValidMode(mode) && mode != mirror.mode);
                if (changed) {
                    mirror.mode = mode;
                    if (askCount >= 0)
                        mirror.askCount = askCount;
                }
            } else if (op < 45 && total() > 0) {
                // Plain assignments, invalid modes included.
                const int index = random.bounded(total());
                const auto mode = qint16(random.bounded(-2, 8));
                dic.GetItem(index)->m_nMode = mode;
                refItem(index).mode = mode;
                const auto askCount = qint16(random.bounded(3));
                dic.GetItem(index)->m_nAskCount = askCount;
                refItem(index).askCount = askCount;
            } else if (op < 47) {
                // An item appended after the index was built.
                addItem(random.bounded(dic.GetSize()));
            } else if (op < 48) {
                const bool flags[] = {random.bounded(2) == 1, random.bounded(2) == 1,
                                      random.bounded(2) == 1, random.bounded(2) == 1};
                dic.ClearModes(flags[0], flags[1], flags[2], flags[3]);
                for (int i = 0; i < total(); ++i) {
                    refItem(i).mode = dic.GetItem(i)->m_nMode;
                    refItem(i).askCount = dic.GetItem(i)->m_nAskCount;
                }
            } else if (op < 58) {
                dic.RecountModes();
                ref.Recount();
            } else if (op < 75) {
                for (int mode = -1; mode <= kLearnModeCount; ++mode)
                    QVERIFY2(dic.CountInMode(mode) == ref.Count(mode), where);
                const int mode = random.bounded(-1, 6);
                const int n = random.bounded(-2, ref.Count(IsValidMode(mode) ? mode : 0) + 3);
                QVERIFY2(dic.GetNthInMode(mode, n) == ref.Nth(mode, n),
                         where + " mode " + QByteArray::number(mode) + " n " +
                             QByteArray::number(n));
            } else if (step % 1000 == 999) {
                // Each write goes to the disk: seldom is enough.
                static const int frequencies[] = {100, 10, 3, 1, 0};
                WriteProfileInt(u"Settings"_s, u"ProbFreq"_s, frequencies[random.bounded(5)]);
            } else {
                const auto state = quint32(random.generate());
                SetQuestionRandomState(state);
                ref.state = state;
                const int prefKanji = random.bounded(3);
                const int chosen = dic.SelectNextQuestion(prefKanji);
                QVERIFY2(chosen == ref.Select(prefKanji, dic.m_history), where);
                QVERIFY2(GetQuestionRandomState() == ref.state, where);
                if (chosen >= 0) {
                    ++selections;
                    dic.AddToHistory(chosen);
                }
                // Selection recounts: the counters are fresh on both sides.
                for (int mode = 0; mode < kLearnModeCount; ++mode)
                    QVERIFY2(dic.CountInMode(mode) == ref.Count(mode), where);
            }
        }
        // The sequence must have exercised the choice, not only the counts.
        QVERIFY(selections > steps / 10);
    }

    // Items assigned or swapped as whole values report their new modes from
    // their own positions; a copy outside the list reports nothing.
    void wholeItemAssignmentsAreCounted()
    {
        CDictionary dic;
        dic.m_lists.push_back(std::make_unique<CDictionary::CDicFile>(u"l"_s));
        CDictionary::CDicFile* list = dic.GetAt(0);
        list->AddItem(u"本\tほん"_s)->m_nMode = Learning;
        list->AddItem(u"山\tやま"_s);
        dic.RecountModes();
        QCOMPARE(dic.GetNthInMode(Learning, 0), 0);
        std::swap(list->m_items[0], list->m_items[1]);
        dic.RecountModes();
        QCOMPARE(dic.GetNthInMode(Learning, 0), 1);
        CDictionary::CItem copy = list->m_items[1];
        copy.m_nMode = Known;
        list->m_items[0] = copy;
        dic.RecountModes();
        QCOMPARE(dic.CountInMode(Learning), 1);
        QCOMPARE(dic.CountInMode(Known), 1);
        QCOMPARE(dic.CountInMode(Unspec), 0);
        QCOMPARE(dic.GetNthInMode(Known, 0), 0);
        QCOMPARE(dic.GetNthInMode(Learning, 0), 1);
    }
};

QTEST_GUILESS_MAIN(TestModeIndex)
#include "tst_modeindex.moc"

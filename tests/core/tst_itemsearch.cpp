#include "common/FakeWordLists.h"
#include "common/TestEnv.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ItemSearch.h"
#include "study/LearnMode.h"

#include <QDir>
#include <QTest>

#include <algorithm>
#include <random>

namespace {

// Global indices 0 to 9.
const QStringList kWords = {
    QStringLiteral("漢字\tかんじ"),   // 0
    QStringLiteral("感心\tかんしん"), // 1
    QStringLiteral("蚊\tか"),         // 2
    QStringLiteral("遁走\tとんそう"), // 3
    QStringLiteral("本当\tほんとう"), // 4
    QStringLiteral("日本\tにほん"),   // 5
    QStringLiteral("火山\tかざん"),   // 6
    QStringLiteral("本\tもと"),       // 7: only the word holds 本
    QStringLiteral("簡単\tかんたん"), // 8
    QStringLiteral("火\tひ"),         // 9
};

void UseLists(const QStringList& items)
{
    CDictionary::ResetInstanceForTesting();
    auto lists = std::make_shared<FakeWordLists>();
    lists->m_lists.insert(501, FakeWordLists::MakeList(items));
    for (int id = 502; id <= 506; ++id)
        lists->m_lists.insert(id, FakeWordLists::MakeList({}));
    CDictionary::SetWordListSource(lists);
}

CDictionary& Data()
{
    return *CDictionary::GetInstance();
}

// Lapsed eight times: a leech.
void MakeLeech(int index)
{
    ReviewState state;
    state.m_nReviews = 9;
    state.m_nLapses = 8;
    Data().EnsureLoaded();
    Data().m_reviews.Put(index, state, false);
}

// A plain transcription of the sort the search must use, over strings.
void ReferenceShellSort(QList<int>& entries, const QHash<int, QString>& readings)
{
    const qsizetype n = entries.size();
    qsizetype h = 1;
    if (n / 9 > 1) {
        while (h < n / 9)
            h = 3 * h + 1;
    }
    for (; h > 0; h /= 3) {
        for (qsizetype i = h; i < n; ++i) {
            const int v = entries[i];
            qsizetype j = i - h;
            while (j >= 0 && readings[entries[j]] > readings[v]) {
                entries[j + h] = entries[j];
                j -= h;
            }
            entries[j + h] = v;
        }
    }
}

} // namespace

// The search without its bar: steps on the query, the filters (button order:
// 知ってる, 覚えた, 覚えたい, 覚えない, 指定なし) and the items' modes, then
// the results in display order.
class TestItemSearch : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        TestEnv::ClearSettings();
        QDir(TestEnv::Instance().DataFolder()).removeRecursively();
        UseLists(kWords);
    }
    void cleanupTestCase()
    {
        CDictionary::ResetInstanceForTesting();
        CDictionary::SetWordListSource(nullptr);
    }

    void steps_data()
    {
        // "q:TEXT" sets the query, "f:K" toggles filter K, "m:INDEX=MODE"
        // changes an item's mode, "x:INDEX" makes it a leech, "l:1" and
        // "l:0" switch the leeches-only filter, "run" searches.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<bool>("fullNext");
        QTest::newRow("nothing to find") << QStringList{u"run"_qs} << QList<int>{} << true;
        QTest::newRow("kana in the reading, by reading")
            << QStringList{u"q:か"_qs, u"run"_qs} << QList<int>{2, 6, 1, 0, 8} << false;
        QTest::newRow("kanji in the word only")
            << QStringList{u"q:本"_qs, u"run"_qs} << QList<int>{5, 4, 7} << false;
        // With 覚えたい on, "か" finds the Learning items among those with か.
        // An item that becomes Learning now is not among them: "かん" only
        // narrows, so it stays out; a full search would find it.
        QTest::newRow("narrowing keeps to the earlier results")
            << QStringList{u"m:0=2"_qs, u"m:2=2"_qs, u"f:2"_qs,    u"run"_qs, u"q:か"_qs,
                           u"run"_qs,   u"m:8=2"_qs, u"q:かん"_qs, u"run"_qs}
            << QList<int>{0} << false;
        // Deleting text makes the next search a full one.
        QTest::newRow("a shorter query searches everything")
            << QStringList{u"m:0=2"_qs, u"m:2=2"_qs,  u"f:2"_qs, u"q:か"_qs, u"run"_qs,
                           u"m:8=2"_qs, u"q:かん"_qs, u"run"_qs, u"q:か"_qs, u"run"_qs}
            << QList<int>{2, 0, 8} << false;
        QTest::newRow("another query searches everything")
            << QStringList{u"q:か"_qs, u"run"_qs, u"q:ほん"_qs, u"run"_qs} << QList<int>{5, 4}
            << false;
        QTest::newRow("a filter beside another searches everything")
            << QStringList{u"m:9=4"_qs, u"m:5=1"_qs, u"f:0"_qs, u"run"_qs, u"f:1"_qs, u"run"_qs}
            << QList<int>{5, 9} << true;
        // An item that becomes Known now stays out: only a full search
        // would find かんしん.
        QTest::newRow("one of two filters off narrows")
            << QStringList{u"q:ん"_qs, u"m:5=1"_qs, u"m:0=4"_qs, u"f:0"_qs, u"f:1"_qs,
                           u"run"_qs,  u"m:1=4"_qs, u"f:1"_qs,   u"run"_qs}
            << QList<int>{0} << false;
        QTest::newRow("the last filter off lists nothing")
            << QStringList{u"f:4"_qs, u"run"_qs, u"f:4"_qs, u"run"_qs} << QList<int>{} << true;
        QTest::newRow("leeches only, nothing typed")
            << QStringList{u"x:5"_qs, u"x:2"_qs, u"l:1"_qs, u"run"_qs} << QList<int>{2, 5} << true;
        QTest::newRow("leeches only narrows")
            << QStringList{u"q:か"_qs, u"run"_qs, u"x:0"_qs, u"x:8"_qs, u"l:1"_qs, u"run"_qs}
            << QList<int>{0, 8} << false;
        QTest::newRow("leeches only off searches everything")
            << QStringList{u"x:2"_qs, u"q:か"_qs, u"l:1"_qs, u"run"_qs, u"l:0"_qs} << QList<int>{2}
            << true;
        QTest::newRow("leeches and a mode filter")
            << QStringList{u"x:2"_qs, u"m:5=2"_qs, u"x:5"_qs, u"f:2"_qs, u"l:1"_qs, u"run"_qs}
            << QList<int>{5} << false;
        QTest::newRow("no leech, nothing found")
            << QStringList{u"q:か"_qs, u"l:1"_qs, u"run"_qs} << QList<int>{} << false;
        QTest::newRow("指定なし alone leaves the others out")
            << QStringList{u"m:3=1"_qs, u"f:4"_qs, u"q:と"_qs, u"run"_qs} << QList<int>{4, 7}
            << false;
    }
    void steps()
    {
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, results);
        QFETCH(bool, fullNext);
        ItemSearch search;
        for (const QString& step : std::as_const(steps)) {
            if (step == u"run"_qs) {
                search.Run(Data());
                QCOMPARE(search.LastQuery(), search.Query());
            } else if (step.startsWith(u"q:"_qs)) {
                search.SetQuery(step.mid(2));
            } else if (step.startsWith(u"f:"_qs)) {
                search.ToggleFilter(step.mid(2).toInt());
            } else if (step.startsWith(u"l:"_qs)) {
                search.SetLeechesOnly(step.mid(2) == u"1"_qs);
            } else if (step.startsWith(u"x:"_qs)) {
                MakeLeech(step.mid(2).toInt());
            } else {
                const QStringList change = step.mid(2).split(u'=');
                Data().GetItem(change.at(0).toInt())->m_nMode = qint16(change.at(1).toInt());
            }
        }
        QCOMPARE(search.Results(), results);
        QCOMPARE(search.FullSearchNext(), fullNext);
    }

    void knownFilterAloneListsTheFirstFiveHundred()
    {
        QStringList items;
        for (int i = 0; i < 600; ++i)
            items << QStringLiteral("課%1\tか%1").arg(i);
        UseLists(items);
        for (int i = 0; i < 600; ++i)
            Data().GetItem(i)->m_nMode = Known;
        Data().GetItem(3)->m_nMode = Learned;
        ItemSearch search;
        search.ToggleFilter(0);
        search.Run(Data());
        const QList<int>& results = search.Results();
        QCOMPARE(results.size(), ItemSearch::kMaxResults);
        QVERIFY(!results.contains(3));
        QVERIFY(results.contains(500)); // the 500th Known item
        QVERIFY(!results.contains(501));
        // Sorted by reading: か10 comes before か2.
        QVERIFY(results.indexOf(10) < results.indexOf(2));
    }

    void leechesOnlyLooksPastTheFirstFiveHundred()
    {
        QStringList items;
        for (int i = 0; i < 600; ++i)
            items << QStringLiteral("課%1\tか%1").arg(i);
        UseLists(items);
        MakeLeech(550);
        MakeLeech(7);
        ItemSearch search;
        search.SetQuery(u"か"_qs);
        search.Run(Data());
        QCOMPARE(search.Results().size(), ItemSearch::kMaxResults);
        search.SetLeechesOnly(true);
        search.Run(Data());
        QCOMPARE(search.Results(), (QList<int>{550, 7}));
    }

    void compareByReading_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<int>("sign");
        QTest::newRow("equal") << QStringLiteral("かん") << QStringLiteral("かん") << 0;
        QTest::newRow("prefix first") << QStringLiteral("か") << QStringLiteral("かん") << -1;
        QTest::newRow("longer after") << QStringLiteral("かんじ") << QStringLiteral("かん") << 1;
        QTest::newRow("code units") << QStringLiteral("が") << QStringLiteral("か") << 1;
        QTest::newRow("surrogate above BMP kana")
            << QString::fromUtf16(u"\U00020000") << QStringLiteral("\uFF5E") << -1;
        QTest::newRow("empty first") << QString() << QStringLiteral("あ") << -1;
    }
    void compareByReading()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(int, sign);
        const int result = ItemSearch::CompareByReading(x, y);
        QCOMPARE((result > 0) - (result < 0), sign);
    }

    void equalReadingsEndInTheShellSortOrder()
    {
        // Twenty items, so the sort runs with the gaps 4 and 1; the order of
        // equal readings was worked out by hand from the procedure and is
        // not the order a stable sort gives.
        const QStringList readings = {u"う"_qs, u"あ"_qs, u"い"_qs, u"あ"_qs, u"う"_qs,
                                      u"い"_qs, u"あ"_qs, u"え"_qs, u"い"_qs, u"あ"_qs,
                                      u"う"_qs, u"あ"_qs, u"い"_qs, u"え"_qs, u"あ"_qs,
                                      u"う"_qs, u"い"_qs, u"あ"_qs, u"え"_qs, u"い"_qs};
        QStringList items;
        for (int i = 0; i < readings.size(); ++i)
            items << QStringLiteral("語%1\t%2").arg(i).arg(readings.at(i));
        UseLists(items);
        QList<int> entries;
        for (int i = 0; i < readings.size(); ++i)
            entries << i;
        QList<int> stable = entries;
        std::stable_sort(stable.begin(), stable.end(),
                         [&](int a, int b) { return readings.at(a) < readings.at(b); });
        ItemSearch::SortByReading(*CDictionary::GetInstance(), entries);
        const QList<int> expected = {1, 6,  3, 9, 14, 11, 17, 8,  12, 16,
                                     2, 19, 5, 0, 10, 15, 4,  13, 18, 7};
        QCOMPARE(entries, expected);
        QVERIFY(entries != stable);
    }

    void sortMatchesTheProcedure_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("distinct");
        QTest::newRow("2 entries") << 2 << 1;
        QTest::newRow("17 entries, gap 1 only") << 17 << 3;
        QTest::newRow("120 entries, gaps 13 4 1") << 120 << 7;
        QTest::newRow("500 entries, gaps 121 40 13 4 1") << 500 << 20;
    }
    void sortMatchesTheProcedure()
    {
        QFETCH(int, count);
        QFETCH(int, distinct);
        std::mt19937 random(count);
        QStringList items;
        QHash<int, QString> readings;
        QList<int> entries;
        for (int i = 0; i < count; ++i) {
            const QString reading =
                QString(QChar(0x3042 + int(random() % distinct))).repeated(1 + int(random() % 2));
            items << QStringLiteral("語%1\t%2").arg(i).arg(reading);
            readings.insert(i, reading);
            entries << i;
        }
        std::shuffle(entries.begin(), entries.end(), random);
        UseLists(items);
        QList<int> expected = entries;
        ReferenceShellSort(expected, readings);
        ItemSearch::SortByReading(*CDictionary::GetInstance(), entries);
        QCOMPARE(entries, expected);
    }
};

QTEST_GUILESS_MAIN(TestItemSearch)
#include "tst_itemsearch.moc"

#include "common/TestEnv.h"

#include "platform/Clock.h"
#include "platform/Profile.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kMultiplier = 214013u;
constexpr quint32 kIncrement = 2531011u;

// The generator state whose next draw is the given value (0 to 32767).
quint32 StateForDraw(int draw)
{
    quint32 inverse = kMultiplier; // Newton's iteration for the inverse modulo 2^32
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - kMultiplier * inverse;
    return ((quint32(draw) << 16) - kIncrement) * inverse;
}

quint32 Advance(quint32 state, int draws)
{
    for (int i = 0; i < draws; ++i)
        state = state * kMultiplier + kIncrement;
    return state;
}

CDictionary::CDicFile* AddList(CDictionary& dictionary)
{
    const QString name = u"test%1"_s.arg(dictionary.GetSize());
    return dictionary.m_lists.emplace_back(std::make_unique<CDictionary::CDicFile>(name)).get();
}

CDictionary::CItem* AddItem(CDictionary::CDicFile* list, const QString& word, qint16 mode,
                            qint16 askCount = 0)
{
    CDictionary::CItem* item = list->AddItem(word + u"\tよみ"_s);
    item->m_nMode = mode;
    item->m_nAskCount = askCount;
    return item;
}

// u Unspec items (global indices 0 to u - 1) in a first list, l Learning
// items (u to u + l - 1) in a second, with a Known item between them so that
// the lists are not simply mode-sorted.
void AddPools(CDictionary& dictionary, int u, int l)
{
    CDictionary::CDicFile* first = AddList(dictionary);
    for (int i = 0; i < u; ++i)
        AddItem(first, u"語%1"_s.arg(i), Unspec);
    CDictionary::CDicFile* second = AddList(dictionary);
    for (int i = 0; i < l; ++i)
        AddItem(second, u"字%1"_s.arg(i), Learning);
    AddItem(second, u"既知"_s, Known);
}

void SetHistory(CDictionary& dictionary, const QList<int>& indices)
{
    dictionary.m_history.clear();
    for (int index : indices)
        dictionary.m_history.append(CDictionary::CHistInfo{index, 1});
    dictionary.m_nHistPos = static_cast<int>(indices.size()) - 1;
}

void SetProbFreq(int value)
{
    TestEnv::ClearSettings();
    if (value != INT_MIN)
        WriteProfileInt(u"Settings"_s, u"ProbFreq"_s, value);
}

} // namespace

class TestQuestionSelection : public QObject {
    Q_OBJECT

private slots:
    void init();
    void generatorSequence();
    void seedReversesTickCount();
    void nothingToAsk();
    void poolChoice_data();
    void poolChoice();
    void probFreqReadAtEachCall();
    void learningPool_data();
    void learningPool();
    void unspecPool_data();
    void unspecPool();
    void unspecStep_data();
    void unspecStep();
    void kanjiPreference_data();
    void kanjiPreference();
    void modesRecountedAtEachCall();
    void selectionChangesNothing();
};

void TestQuestionSelection::init()
{
    TestEnv::ClearSettings();
}

// The classic C library generator seeded with 1 gives 41, 18467, 6334,
// 26500, 19169. With fresh items the first one tried is chosen, and it is
// the draw itself when the pool is larger than every draw.
void TestQuestionSelection::generatorSequence()
{
    CDictionary dictionary;
    AddPools(dictionary, 32768, 0);
    SetQuestionRandomState(1);
    for (int expected : {41, 18467, 6334, 26500, 19169})
        QCOMPARE(dictionary.SelectNextQuestion(0), expected);
    QCOMPARE(GetQuestionRandomState(), Advance(1, 5));
}

void TestQuestionSelection::seedReversesTickCount()
{
    auto reverse = [](quint32 v) {
        quint32 r = 0;
        for (int bit = 0; bit < 32; ++bit)
            r |= ((v >> bit) & 1u) << (31 - bit);
        return r;
    };
    const quint32 before = GetTickCount();
    SeedQuestionRandom();
    const quint32 after = GetTickCount();
    const quint32 seeded = reverse(GetQuestionRandomState());
    QVERIFY2(seeded >= before && seeded <= after,
             qPrintable(u"%1 not in %2..%3"_s.arg(seeded).arg(before).arg(after)));
}

void TestQuestionSelection::nothingToAsk()
{
    CDictionary empty;
    AddList(empty);
    SetQuestionRandomState(7);
    QCOMPARE(empty.SelectNextQuestion(0), -1);

    CDictionary filed;
    CDictionary::CDicFile* list = AddList(filed);
    AddItem(list, u"本"_s, Known);
    AddItem(list, u"木"_s, Learned);
    AddItem(list, u"林"_s, NoLearn);
    for (int pref = 0; pref <= 2; ++pref)
        QCOMPARE(filed.SelectNextQuestion(pref), -1);
    QCOMPARE(GetQuestionRandomState(), 7u);
}

void TestQuestionSelection::poolChoice_data()
{
    QTest::addColumn<int>("u");
    QTest::addColumn<int>("l");
    QTest::addColumn<int>("probFreq"); // INT_MIN: not set
    QTest::addColumn<int>("firstDraw");
    QTest::addColumn<bool>("learning");
    QTest::addColumn<int>("draws");

    QTest::newRow("many unspec, draw 4") << 1000 << 5 << 100 << 4 << true << 2;
    QTest::newRow("many unspec, draw 5") << 1000 << 5 << 100 << 5 << false << 2;
    QTest::newRow("many unspec, 104 mod 100") << 1000 << 5 << 100 << 104 << true << 2;
    QTest::newRow("many unspec, 199 mod 100") << 1000 << 5 << 100 << 199 << false << 2;
    QTest::newRow("default frequency, 104") << 1000 << 5 << INT_MIN << 104 << true << 2;
    QTest::newRow("default frequency, 105") << 1000 << 5 << INT_MIN << 105 << false << 2;
    QTest::newRow("few items, draw 4") << 10 << 5 << 100 << 4 << true << 2;
    QTest::newRow("few items, draw 5") << 10 << 5 << 100 << 5 << false << 2;
    QTest::newRow("few items, 15 mod 15") << 10 << 5 << 100 << 15 << true << 2;
    QTest::newRow("few items, 104 mod 15") << 10 << 5 << 100 << 104 << false << 2;
    QTest::newRow("sum equals frequency") << 95 << 5 << 100 << 104 << true << 2;
    QTest::newRow("sum one below frequency") << 94 << 5 << 100 << 104 << false << 2;
    QTest::newRow("frequency 2, draw 0") << 1 << 1 << 2 << 0 << true << 2;
    QTest::newRow("frequency 2, draw 1") << 1 << 1 << 2 << 1 << false << 2;
    QTest::newRow("learning above frequency") << 10 << 150 << 100 << 32767 << true << 1;
    QTest::newRow("learning equals frequency") << 10 << 100 << 100 << 32767 << true << 1;
    QTest::newRow("frequency 1") << 10 << 1 << 1 << 32767 << true << 1;
    QTest::newRow("frequency 0") << 10 << 1 << 0 << 32767 << true << 1;
    QTest::newRow("frequency negative") << 10 << 1 << -3 << 32767 << true << 1;
    QTest::newRow("only learning") << 0 << 3 << 100 << 32767 << true << 1;
    QTest::newRow("only unspec") << 3 << 0 << 1 << 0 << false << 1;
}

void TestQuestionSelection::poolChoice()
{
    QFETCH(int, u);
    QFETCH(int, l);
    QFETCH(int, probFreq);
    QFETCH(int, firstDraw);
    QFETCH(bool, learning);
    QFETCH(int, draws);

    CDictionary dictionary;
    AddPools(dictionary, u, l);
    SetProbFreq(probFreq);
    const quint32 state = StateForDraw(firstDraw);
    SetQuestionRandomState(state);
    const int chosen = dictionary.SelectNextQuestion(0);
    QVERIFY(chosen >= 0 && chosen < u + l);
    QCOMPARE(chosen >= u, learning);
    QCOMPARE(GetQuestionRandomState(), Advance(state, draws));
}

void TestQuestionSelection::probFreqReadAtEachCall()
{
    CDictionary dictionary;
    AddPools(dictionary, 1000, 5);
    SetProbFreq(100);
    SetQuestionRandomState(StateForDraw(104));
    QVERIFY(dictionary.SelectNextQuestion(0) >= 1000); // 104 mod 100 is below 5
    SetProbFreq(1000);
    SetQuestionRandomState(StateForDraw(104));
    QVERIFY(dictionary.SelectNextQuestion(0) < 1000); // 104 mod 1000 is not
}

void TestQuestionSelection::learningPool_data()
{
    QTest::addColumn<int>("l");
    QTest::addColumn<QList<int>>("history"); // Learning items, oldest first
    QTest::addColumn<QList<int>>("askCounts");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");

    QList<int> allButOne;
    for (int i = 0; i < 40; ++i) {
        if (i != 35)
            allButOne << i;
    }
    // 25 to 34 are the oldest but lie outside the 30 tries from 35; of the
    // tried ones, 10 is the oldest, reached after wrapping to 0.
    QList<int> wrapped;
    for (int i = 25; i < 35; ++i)
        wrapped << i;
    wrapped << 10;
    for (int i = 0; i < 40; ++i) {
        if (i == 10 || (i >= 25 && i < 35))
            continue;
        wrapped << i;
    }

    QTest::newRow("one item right after it was asked")
        << 1 << QList<int>{0} << QList<int>{} << 0 << 0;
    QTest::newRow("oldest latest record")
        << 5 << QList<int>{0, 1, 2, 3, 4, 0, 1} << QList<int>{} << 0 << 2;
    QTest::newRow("first not in history") << 5 << QList<int>{0, 1, 3, 4} << QList<int>{} << 0 << 2;
    QTest::newRow("first not in history from start")
        << 5 << QList<int>{0, 1} << QList<int>{} << 3 << 3;
    QTest::newRow("ask counts play no part")
        << 3 << QList<int>{0, 1, 2} << QList<int>{9, 0, 0} << 1 << 0;
    QTest::newRow("unseen beats low ask count")
        << 3 << QList<int>{} << QList<int>{9, 0, 0} << 0 << 0;
    QTest::newRow("untried item never chosen") << 40 << allButOne << QList<int>{} << 0 << 0;
    QTest::newRow("tries wrap, at most 30") << 40 << wrapped << QList<int>{} << 35 << 10;
    QTest::newRow("start from draw modulo l") << 5 << QList<int>{} << QList<int>{} << 7 << 2;
}

void TestQuestionSelection::learningPool()
{
    QFETCH(int, l);
    QFETCH(QList<int>, history);
    QFETCH(QList<int>, askCounts);
    QFETCH(int, start);
    QFETCH(int, expected);

    CDictionary dictionary;
    AddPools(dictionary, 0, l);
    for (int i = 0; i < askCounts.size(); ++i)
        dictionary.GetItem(i)->m_nAskCount = static_cast<qint16>(askCounts.at(i));
    SetHistory(dictionary, history);
    SetQuestionRandomState(StateForDraw(start));
    QCOMPARE(dictionary.SelectNextQuestion(0), expected);
}

void TestQuestionSelection::unspecPool_data()
{
    QTest::addColumn<QList<int>>("askCounts");
    QTest::addColumn<QList<int>>("history");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");

    QTest::newRow("first never asked returned") << QList<int>{3, 0, 0} << QList<int>{} << 0 << 1;
    QTest::newRow("first tried never asked") << QList<int>{0, 0} << QList<int>{} << 1 << 1;
    QTest::newRow("lowest ask count") << QList<int>{2, 1, 3, 1} << QList<int>{} << 0 << 1;
    QTest::newRow("tie goes to the first tried")
        << QList<int>{2, 1, 3, 1} << QList<int>{} << 2 << 3;
    QTest::newRow("not in history beats history") << QList<int>{0, 5} << QList<int>{0} << 0 << 1;
    QTest::newRow("all in history, oldest latest")
        << QList<int>{0, 0, 0} << QList<int>{2, 0, 1, 2} << 1 << 0;
    QTest::newRow("in history ask count ignored") << QList<int>{0, 9} << QList<int>{1, 0} << 0 << 1;
    QTest::newRow("asked in history, unseen with high count")
        << QList<int>{0, 0, 32767} << QList<int>{0, 1} << 0 << 2;
    QTest::newRow("highest ask count still chosen") << QList<int>{32767} << QList<int>{} << 0 << 0;
    QTest::newRow("equal highest counts") << QList<int>{32767, 32767} << QList<int>{} << 0 << 0;
    QTest::newRow("negative count ends the search")
        << QList<int>{3, -2, -5} << QList<int>{} << 0 << 1;
    QTest::newRow("only item, just asked") << QList<int>{4} << QList<int>{0} << 0 << 0;
}

void TestQuestionSelection::unspecPool()
{
    QFETCH(QList<int>, askCounts);
    QFETCH(QList<int>, history);
    QFETCH(int, start);
    QFETCH(int, expected);

    CDictionary dictionary;
    CDictionary::CDicFile* list = AddList(dictionary);
    for (int ask : askCounts) {
        AddItem(list, u"ここ"_s, Known);
        AddItem(list, u"本"_s, Unspec, static_cast<qint16>(ask));
    }
    // Global index of the n-th Unspec item is 2n + 1.
    QList<int> records;
    for (int n : history)
        records << 2 * n + 1;
    SetHistory(dictionary, records);
    SetQuestionRandomState(StateForDraw(start));
    QCOMPARE(dictionary.SelectNextQuestion(0), 2 * expected + 1);
}

void TestQuestionSelection::unspecStep_data()
{
    QTest::addColumn<int>("u");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("best");  // tried, ask count 1
    QTest::addColumn<int>("decoy"); // not tried, ask count 0

    QTest::newRow("30 items, all tried") << 30 << 10 << 9 << -1;
    QTest::newRow("31 items, the last untried") << 31 << 0 << 29 << 30;
    QTest::newRow("599 items, step 1") << 599 << 0 << 29 << 30;
    QTest::newRow("600 items, step 2") << 600 << 0 << 58 << 57;
    QTest::newRow("900 items, step 3") << 900 << 0 << 87 << 88;
    QTest::newRow("900 items, wrapping") << 900 << 850 << 37 << 40;
    QTest::newRow("start from draw modulo u") << 900 << 900 + 3 << 90 << 91;
}

void TestQuestionSelection::unspecStep()
{
    QFETCH(int, u);
    QFETCH(int, start);
    QFETCH(int, best);
    QFETCH(int, decoy);

    CDictionary dictionary;
    CDictionary::CDicFile* list = AddList(dictionary);
    for (int i = 0; i < u; ++i)
        AddItem(list, u"本"_s, Unspec, i == best ? 1 : i == decoy ? 0 : 5);
    SetQuestionRandomState(StateForDraw(start));
    QCOMPARE(dictionary.SelectNextQuestion(0), best);
}

void TestQuestionSelection::kanjiPreference_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QList<int>>("askCounts");
    QTest::addColumn<QList<int>>("history");
    QTest::addColumn<int>("prefKanji");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("expectedWithout"); // with prefKanji 0

    const QList<int> none;
    QTest::newRow("standard preferred")
        << QStringList{u"遁走"_s, u"走る"_s} << QList<int>{0, 0} << none << 1 << 1 << 0;
    QTest::newRow("hyogai preferred")
        << QStringList{u"走る"_s, u"遁走"_s} << QList<int>{0, 0} << none << 2 << 1 << 0;
    QTest::newRow("no standard word")
        << QStringList{u"遁走"_s, u"躊躇"_s, u"肴"_s} << QList<int>{2, 1, 3} << none << 1 << 1 << 1;
    QTest::newRow("no hyogai word")
        << QStringList{u"走る"_s, u"歩く"_s} << QList<int>{2, 1} << none << 2 << 1 << 1;
    QTest::newRow("standard ignores parentheses")
        << QStringList{u"遁走"_s, u"愛敬(愛嬌)"_s} << QList<int>{0, 0} << none << 1 << 1 << 0;
    QTest::newRow("hyogai counts parentheses")
        << QStringList{u"走る"_s, u"愛敬(愛嬌)"_s} << QList<int>{0, 0} << none << 2 << 1 << 0;
    QTest::newRow("kana word is standard")
        << QStringList{u"遁走"_s, u"かな"_s} << QList<int>{0, 0} << none << 1 << 1 << 0;
    QTest::newRow("lowest count among standard") << QStringList{u"走る"_s, u"遁走"_s, u"歩く"_s}
                                                 << QList<int>{3, 0, 1} << none << 1 << 2 << 1;
    QTest::newRow("oldest among hyogai") << QStringList{u"遁走"_s, u"躊躇"_s, u"走る"_s}
                                         << QList<int>{0, 0, 0} << QList<int>{1, 0} << 2 << 1 << 2;
    // The fallback keeps the first item that ended its search, even when a
    // later one has a lower (negative) count.
    QTest::newRow("fallback fixed once ended")
        << QStringList{u"遁走"_s, u"肴"_s} << QList<int>{0, -1} << none << 1 << 0 << 0;
    QTest::newRow("other values act as none")
        << QStringList{u"遁走"_s, u"走る"_s} << QList<int>{0, 0} << none << 3 << 0 << 0;
}

void TestQuestionSelection::kanjiPreference()
{
    QFETCH(QStringList, words);
    QFETCH(QList<int>, askCounts);
    QFETCH(QList<int>, history);
    QFETCH(int, prefKanji);
    QFETCH(int, expected);
    QFETCH(int, expectedWithout);

    CDictionary dictionary;
    CDictionary::CDicFile* list = AddList(dictionary);
    for (int i = 0; i < words.size(); ++i)
        AddItem(list, words.at(i), Unspec, static_cast<qint16>(askCounts.at(i)));
    SetHistory(dictionary, history);
    SetQuestionRandomState(StateForDraw(0));
    QCOMPARE(dictionary.SelectNextQuestion(prefKanji), expected);
    SetQuestionRandomState(StateForDraw(0));
    QCOMPARE(dictionary.SelectNextQuestion(0), expectedWithout);
}

void TestQuestionSelection::modesRecountedAtEachCall()
{
    CDictionary dictionary;
    CDictionary::CDicFile* list = AddList(dictionary);
    CDictionary::CItem* first = AddItem(list, u"本"_s, Unspec);
    CDictionary::CItem* second = AddItem(list, u"木"_s, Known);
    SetQuestionRandomState(StateForDraw(0));
    QCOMPARE(dictionary.SelectNextQuestion(0), 0);
    first->SetMode(Known, -1);
    second->SetMode(Learning, -1);
    QCOMPARE(dictionary.SelectNextQuestion(0), 1);
    second->SetMode(NoLearn, -1);
    QCOMPARE(dictionary.SelectNextQuestion(0), -1);
}

void TestQuestionSelection::selectionChangesNothing()
{
    CDictionary dictionary;
    AddPools(dictionary, 3, 2);
    SetHistory(dictionary, {0, 3});
    dictionary.m_nHistPos = 0;
    dictionary.m_bHistDirty = 0;
    SetQuestionRandomState(99);
    for (int pref = 0; pref <= 2; ++pref)
        QVERIFY(dictionary.SelectNextQuestion(pref) >= 0);
    QCOMPARE(dictionary.m_history.size(), 2);
    QCOMPARE(dictionary.m_nHistPos, 0);
    QCOMPARE(dictionary.m_bHistDirty, 0);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(dictionary.GetItem(i)->m_nAskCount, qint16(0));
        QCOMPARE(dictionary.GetItem(i)->m_bDirty, 0);
    }
}

QTEST_GUILESS_MAIN(TestQuestionSelection)
#include "tst_questionselection.moc"

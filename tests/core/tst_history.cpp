#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QDir>
#include <QTest>
#include <QTimeZone>

#include <limits>

namespace {

qint64 TokyoTime(int y, int m, int d, int hh, int mm)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm), QTimeZone("Asia/Tokyo")).toSecsSinceEpoch();
}

} // namespace

// History navigation under the filter, dictation counts and the study day.
class TestHistory : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWordLists> m_lists;
    std::unique_ptr<MessageRecorder> m_messages;

    // A dictionary of 10 items (indices 0-9) whose modes cycle through
    // Unspec, Learned, Learning, NoLearn, Known, and a history of the given
    // indices at the given position.
    std::unique_ptr<CDictionary> Make(const QList<int>& history, int position)
    {
        auto dic = std::make_unique<CDictionary>();
        dic->EnsureLoaded();
        for (int i = 0; i < 10; ++i)
            dic->GetItem(i)->m_nMode = qint16(i % 5);
        for (int index : history)
            dic->m_history.append(CDictionary::CHistInfo{index, 0});
        dic->m_nHistPos = position;
        return dic;
    }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "Asia/Tokyo");
        m_lists = std::make_shared<FakeWordLists>();
        QStringList items;
        for (int i = 0; i < 10; ++i)
            items << QStringLiteral("語%1\tご%1").arg(i);
        m_lists->m_lists.insert(501, FakeWordLists::MakeList(items));
        CDictionary::SetWordListSource(m_lists);
        m_messages = std::make_unique<MessageRecorder>();
    }
    void init()
    {
        QDir(TestEnv::Instance().DataFolder()).removeRecursively();
        TestEnv::ClearSettings();
        SetCurrentTimeForTesting(TokyoTime(2026, 3, 15, 12, 0));
    }
    void cleanupTestCase()
    {
        CDictionary::SetWordListSource(nullptr);
        SetCurrentTimeForTesting(std::nullopt);
    }

    void addToHistory()
    {
        auto dic = Make({}, -1);
        dic->AddToHistory(3);
        dic->m_bHistDirty = 0;
        dic->AddToHistory(3);
        QCOMPARE(dic->GetHistoryCount(), 1);
        QCOMPARE(dic->m_nHistPos, 0);
        QVERIFY(dic->m_bHistDirty);

        // From the middle, a new record still goes to the end.
        dic = Make({1, 2, 3, 4}, 1);
        dic->AddToHistory(7);
        QCOMPARE(dic->GetHistoryCount(), 5);
        QCOMPARE(dic->m_nHistPos, 4);
        QCOMPARE(dic->GetCurrentHistoryItem(), 7);
    }

    void historyKeepsAtMost200()
    {
        auto dic = Make({}, -1);
        for (int i = 0; i < 200; ++i)
            dic->AddToHistory(i % 2);
        QCOMPARE(dic->GetHistoryCount(), 200);
        dic->AddToHistory(5);
        QCOMPARE(dic->GetHistoryCount(), 200);
        QCOMPARE(dic->m_nHistPos, 199);
        QCOMPARE(dic->GetHistoryRecord(0).m_nIndex, 1);

        // A longer history from a file does not shrink: one in, one out.
        QList<int> long250;
        for (int i = 0; i < 250; ++i)
            long250 << i % 3;
        dic = Make(long250, 249);
        dic->AddToHistory(9);
        QCOMPARE(dic->GetHistoryCount(), 250);
    }

    void navigation_data()
    {
        QTest::addColumn<QList<int>>("history"); // item indices; mode of item i is i % 5
        QTest::addColumn<int>("position");
        QTest::addColumn<QList<int>>("filter"); // known, learned, learning, noLearn, unspec
        QTest::addColumn<int>("previous");
        QTest::addColumn<int>("next");
        QTest::addColumn<QList<int>>("filtered");
        const QList<int> ten{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        const QList<int> none{0, 0, 0, 0, 0};
        QTest::newRow("no filter, middle") << ten << 5 << none << 4 << 6 << ten;
        QTest::newRow("no current, three records")
            << QList<int>{1, 2, 3} << -1 << none << -1 << 0 << QList<int>{0, 1, 2};
        QTest::newRow("first record") << ten << 0 << none << -1 << 1 << ten;
        QTest::newRow("last record") << ten << 9 << none << 8 << -1 << ten;
        QTest::newRow("empty history") << QList<int>{} << -1 << none << -1 << -1 << QList<int>{};
        // Items 4 and 9 are Known.
        QTest::newRow("known only")
            << ten << 6 << QList<int>{1, 0, 0, 0, 0} << 4 << 9 << QList<int>{4, 9};
        QTest::newRow("known only, none before")
            << ten << 3 << QList<int>{1, 0, 0, 0, 0} << -1 << 4 << QList<int>{4, 9};
        QTest::newRow("learned and noLearn")
            << ten << 5 << QList<int>{0, 1, 0, 1, 0} << 3 << 6 << QList<int>{1, 3, 6, 8};
        // A record of a file written for longer lists has no item.
        QTest::newRow("itemless record, filtered")
            << QList<int>{4, 50, 9} << 0 << QList<int>{1, 1, 1, 1, 1} << -1 << 2
            << QList<int>{0, 2};
        QTest::newRow("itemless record, unfiltered")
            << QList<int>{4, 50, 9} << 0 << none << -1 << 1 << QList<int>{0, 1, 2};
        // A position from a file that lies outside the records names none.
        QTest::newRow("position past the end")
            << QList<int>{1, 2, 3} << 57 << none << -1 << 0 << QList<int>{0, 1, 2};
        QTest::newRow("position below -1")
            << QList<int>{1, 2, 3} << -8 << none << -1 << 0 << QList<int>{0, 1, 2};
    }
    void navigation()
    {
        QFETCH(QList<int>, history);
        QFETCH(int, position);
        QFETCH(QList<int>, filter);
        QFETCH(int, previous);
        QFETCH(int, next);
        QFETCH(QList<int>, filtered);
        auto dic = Make(history, position);
        dic->m_bViewKnown = filter[0];
        dic->m_bViewLearned = filter[1];
        dic->m_bViewLearning = filter[2];
        dic->m_bViewNoLearn = filter[3];
        dic->m_bViewUnspec = filter[4];
        QCOMPARE(dic->GetPrevHistoryPos(), previous);
        QCOMPARE(dic->GetNextHistoryPos(), next);
        QList<int> positions{42};
        dic->GetFilteredHistory(positions);
        QCOMPARE(positions, filtered);
        QCOMPARE(dic->m_nHistPos, position); // asking moves nothing
    }

    void outsidePositionIsNoCurrentRecord()
    {
        auto dic = Make({1, 2, 3}, 3);
        QCOMPARE(dic->GetCurrentHistoryItem(), -1);
        QCOMPARE(dic->IsCurrentAnswered(7), 7);
        QCOMPARE(dic->RecordDictation(), -1);
        QCOMPARE(dic->GetTotalCount(), 0);
        QCOMPARE(dic->GetHistoryRecord(3).m_nIndex, -1);
    }

    void loadHistoryFilter()
    {
        WriteProfileInt("", "HistViewLearned", 1);
        WriteProfileInt("", "HistViewNoLearn", 5);
        WriteProfileInt("Settings", "HistViewKnown", 1); // the wrong place: ignored
        CDictionary dic;
        dic.LoadHistoryFilter();
        QCOMPARE(dic.m_bViewKnown, 0);
        QCOMPARE(dic.m_bViewLearned, 1);
        QCOMPARE(dic.m_bViewLearning, 0);
        QCOMPARE(dic.m_bViewNoLearn, 1);
        QCOMPARE(dic.m_bViewUnspec, 0);
    }

    void recordDictationCountsOnce()
    {
        auto dic = Make({2}, 0);
        QCOMPARE(dic->RecordDictation(), 1);
        QCOMPARE(dic->RecordDictation(), -1);
        QCOMPARE(dic->GetTotalCount(), 1);
        QCOMPARE(dic->GetTodayCount(), 1);
        QCOMPARE(dic->GetHistoryRecord(0).m_bAnswered, 1);
        dic->AddToHistory(3);
        QCOMPARE(dic->RecordDictation(), 2);
        QCOMPARE(dic->GetTotalCount(), 2);
    }

    void totalStopsAtMaximum()
    {
        auto dic = Make({2}, 0);
        dic->m_nTotalCount = std::numeric_limits<int>::max();
        dic->m_mapDayCount.insert(20260315, 4);
        dic->m_bMiscDirty = 0;
        QCOMPARE(dic->RecordDictation(), 5);
        QCOMPARE(dic->m_nTotalCount, std::numeric_limits<int>::max());
        QVERIFY(dic->m_bMiscDirty); // the day's count still changed
    }

    void clearDictationCounts()
    {
        auto dic = Make({}, -1);
        dic->ClearDictationCounts();
        QVERIFY(!dic->m_bMiscDirty);
        dic->m_nTotalCount = 3;
        dic->ClearDictationCounts();
        QVERIFY(dic->m_bMiscDirty);
        dic->m_bMiscDirty = 0;
        dic->m_mapDayCount.insert(20260301, 2);
        dic->ClearDictationCounts();
        QVERIFY(dic->m_bMiscDirty);
        QVERIFY(dic->m_mapDayCount.isEmpty());
        QCOMPARE(dic->m_nTotalCount, 0);
    }

    void studyDay_data()
    {
        QTest::addColumn<qint64>("now");
        QTest::addColumn<int>("dayKey");
        QTest::newRow("02:59 counts for the day before")
            << TokyoTime(2026, 3, 15, 2, 59) << 20260314;
        QTest::newRow("03:00 starts the new day") << TokyoTime(2026, 3, 15, 3, 0) << 20260315;
        QTest::newRow("just before midnight") << TokyoTime(2026, 3, 15, 23, 59) << 20260315;
        QTest::newRow("new year's night") << TokyoTime(2027, 1, 1, 1, 0) << 20261231;
    }
    void studyDay()
    {
        QFETCH(qint64, now);
        QFETCH(int, dayKey);
        SetCurrentTimeForTesting(now);
        const qint64 date = GetStudyDate();
        QCOMPARE(MakeDayKey(date), dayKey);
        QCOMPARE(QDateTime::fromSecsSinceEpoch(date, QTimeZone("Asia/Tokyo")).time(), QTime(0, 0));
        auto dic = Make({2}, 0);
        dic->RecordDictation();
        QCOMPARE(dic->GetDayCount(dayKey), 1);
        QCOMPARE(dic->GetTodayCount(), 1);
    }

    void pruneKeepsLast100StudyDays()
    {
        auto dic = Make({}, -1);
        // Today is 2026-03-15; 99 days back is 2025-12-06, 100 days back 2025-12-05.
        const QList<int> keys{20260316, 20260315, 20251206, 20251205, 20240101};
        for (int key : keys)
            dic->m_mapDayCount.insert(key, 1);
        dic->PruneDayCounts();
        QList<int> kept = dic->m_mapDayCount.keys();
        std::sort(kept.begin(), kept.end());
        QCOMPARE(kept, (QList<int>{20251206, 20260315}));
    }

    void chartDaysGoBack()
    {
        // The 100 days of the chart are today and the 99 before it.
        auto dic = Make({}, -1);
        dic->m_mapDayCount.insert(20260315, 5);
        dic->m_mapDayCount.insert(20260101, 2);
        const qint64 today = GetStudyDate();
        QCOMPARE(dic->GetDayCount(MakeDayKey(today)), 5);
        QCOMPARE(dic->GetDayCount(MakeDayKey(today - 73 * 86400)), 2);
        QCOMPARE(dic->GetDayCount(MakeDayKey(today - 86400)), 0);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"

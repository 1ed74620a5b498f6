#include "common/StudyData.h"
#include "platform/Clock.h"
#include "platform/Options.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/OwnLists.h"
#include "study/QuestionRating.h"
#include "study/ReviewStore.h"
#include "study/StudyDay.h"

#include <QTest>
#include <QTimeZone>

#include <random>

using namespace Qt::StringLiterals;

namespace {

const qint32 kToday = DayNumberOf(QDate(2026, 3, 15));

ReviewState DueOn(qint32 due, quint32 lapses = 0)
{
    ReviewState state;
    state.m_dStability = 5;
    state.m_dDifficulty = 5;
    state.m_nLastDay = due - 5;
    state.m_nDueDay = due;
    state.m_nReviews = lapses + 1;
    state.m_nLapses = lapses;
    return state;
}

} // namespace

// The review state in memory: which items are due first, how many are due,
// what the learner's judgement does to an item, and forgetting.
class TestReviewStore : public QObject {
    Q_OBJECT

private:
    StudyData m_data;

private slots:
    void initTestCase()
    {
        qputenv("TZ", "Asia/Tokyo");
        m_data.Use({{"一\tいち", "二\tに", "三\tさん"}, {"四\tよん", "五\tご"}});
    }
    void init()
    {
        StudyData::Fresh();
        SetCurrentTimeForTesting(
            QDateTime(QDate(2026, 3, 15), QTime(12, 0), QTimeZone("Asia/Tokyo"))
                .toSecsSinceEpoch());
    }
    void cleanupTestCase() { SetCurrentTimeForTesting(std::nullopt); }

    void decisions_data()
    {
        QTest::addColumn<int>("mode"); // -1: none chosen
        QTest::addColumn<WritingOutcome>("writing");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("rating");
        const int none = ReviewDecision::None;
        const int rate = ReviewDecision::Rate;
        const int suspend = ReviewDecision::Suspend;
        using W = WritingOutcome;
        QTest::newRow("nothing") << -1 << W::NotChecked << none << 0;
        QTest::newRow("all correct") << -1 << W::AllCorrect << rate << 3;
        QTest::newRow("stroke faults") << -1 << W::StrokeFaults << rate << 2;
        QTest::newRow("a wrong character") << -1 << W::AnyWrong << rate << 1;
        QTest::newRow("覚えたい beats a clean check")
            << int(Learning) << W::AllCorrect << rate << 1;
        QTest::newRow("覚えた beats a wrong check") << int(Learned) << W::AnyWrong << rate << 3;
        QTest::newRow("知ってる") << int(Known) << W::NotChecked << rate << 4;
        QTest::newRow("覚えない suspends") << int(NoLearn) << W::AllCorrect << suspend << 0;
        QTest::newRow("指定なし leaves it to the check")
            << int(Unspec) << W::StrokeFaults << rate << 2;
        QTest::newRow("指定なし without a check") << int(Unspec) << W::NotChecked << none << 0;
    }
    void decisions()
    {
        QFETCH(int, mode);
        QFETCH(WritingOutcome, writing);
        QFETCH(int, kind);
        QFETCH(int, rating);
        const std::optional<LearnMode> chosen =
            mode < 0 ? std::nullopt : std::optional<LearnMode>(LearnMode(mode));
        const ReviewDecision decision = DecideReview(chosen, writing);
        QCOMPARE(int(decision.m_kind), kind);
        if (kind == ReviewDecision::Rate)
            QCOMPARE(int(decision.m_rating), rating);
    }

    void worstCheckCounts()
    {
        using W = WritingOutcome;
        QCOMPARE(WorseOutcome(W::AllCorrect, W::AnyWrong), W::AnyWrong);
        QCOMPARE(WorseOutcome(W::AnyWrong, W::AllCorrect), W::AnyWrong);
        QCOMPARE(WorseOutcome(W::NotChecked, W::StrokeFaults), W::StrokeFaults);
        QCOMPARE(WorseOutcome(W::StrokeFaults, W::AllCorrect), W::StrokeFaults);
    }

    void mostOverdueFirstThenByIndex()
    {
        ReviewStore store;
        store.Reset(10);
        store.Put(4, DueOn(kToday - 1), false);
        store.Put(7, DueOn(kToday - 3), false);
        store.Put(2, DueOn(kToday - 3), false);
        store.Put(9, DueOn(kToday + 1), false);
        QCOMPARE(store.EarliestDue(kToday, 30), (QList<int>{2, 7}));
        QCOMPARE(store.EarliestDue(kToday, 1), QList<int>{2});
        // Looking does not use them up.
        QCOMPARE(store.EarliestDue(kToday, 30), (QList<int>{2, 7}));
        // Items turned away (a list switched off) leave the next-earliest
        // to come up, and stay due themselves.
        const auto notTwoOrSeven = [](int g) { return g != 2 && g != 7; };
        QCOMPARE(store.EarliestDue(kToday, 30, notTwoOrSeven), QList<int>{4});
        QCOMPARE(store.EarliestDue(kToday, 30, [](int) { return false; }), QList<int>());
        QCOMPARE(store.EarliestDue(kToday, 30), (QList<int>{2, 7}));
        QCOMPARE(store.CountDueBy(kToday), 3);
        QCOMPARE(store.CountDueBy(kToday + 1), 4);
        QCOMPARE(store.CountDueBy(kToday - 4), 0);

        // Reviewed again: no longer due, and the next-earliest comes up.
        store.Rate(2, kToday, ReviewRating::Good, false);
        store.Rate(7, kToday, ReviewRating::Good, false);
        QCOMPARE(store.EarliestDue(kToday, 30), QList<int>{4});
        QCOMPARE(store.CountDueBy(kToday), 1);
        store.Forget(4);
        QCOMPARE(store.EarliestDue(kToday, 30), QList<int>());
        QCOMPARE(store.CountDueBy(kToday), 0);
        QVERIFY(!store.HasRecord(4));
        QVERIFY(store.HasRecord(2) && store.HasRecord(7) && store.HasRecord(9));
    }

    void suspendedAndDeferredItemsAreNotDue()
    {
        ReviewStore store;
        store.Reset(5);
        store.Put(1, DueOn(kToday - 2), false);
        store.Put(2, DueOn(kToday - 1), true);
        store.Put(3, DueOn(kToday), false);
        QCOMPARE(store.CountDueBy(kToday), 2);
        QCOMPARE(store.EarliestDue(kToday, 30), QList<int>{1});
        store.Defer(1, kToday);
        QCOMPARE(store.EarliestDue(kToday, 30), QList<int>{3});
        // A deferral lasts the study day only.
        QCOMPARE(store.EarliestDue(kToday + 1, 30), QList<int>{1});
        store.SetSuspended(2, false);
        QCOMPARE(store.CountDueBy(kToday), 3);
        QCOMPARE(store.EarliestDue(kToday + 1, 30), QList<int>{1});
        store.SetSuspended(1, true);
        QCOMPARE(store.EarliestDue(kToday + 1, 30), QList<int>{2});
        QCOMPARE(store.CountDueBy(kToday), 2);
    }

    void heapAgreesWithAScanUnderManyChanges()
    {
        // Random ratings, suspensions and forgetting against a plain scan of
        // the records.
        ReviewStore store;
        const int items = 300;
        store.Reset(items);
        std::mt19937 random(7);
        std::vector<std::optional<ReviewState>> model(items);
        std::vector<bool> suspended(items, false);
        for (int step = 0; step < 5000; ++step) {
            const int item = int(random() % items);
            const qint32 day = kToday + int(random() % 60);
            switch (random() % 6) {
            case 0:
                store.Forget(item);
                model[size_t(item)].reset();
                break;
            case 1:
                if (model[size_t(item)]) {
                    suspended[size_t(item)] = !suspended[size_t(item)];
                    store.SetSuspended(item, suspended[size_t(item)]);
                }
                break;
            default: {
                const ReviewRating rating = ReviewRating(1 + random() % 4);
                const ReviewState after = store.Rate(item, day, rating, suspended[size_t(item)]);
                model[size_t(item)] = after;
                break;
            }
            }
            if (step % 97 != 0)
                continue;
            const qint32 asOf = kToday + int(random() % 90);
            qint32 earliest = std::numeric_limits<qint32>::max();
            int due = 0;
            for (int i = 0; i < items; ++i) {
                if (!model[size_t(i)] || suspended[size_t(i)])
                    continue;
                const qint32 d = model[size_t(i)]->m_nDueDay;
                if (d <= asOf) {
                    ++due;
                    earliest = std::min(earliest, d);
                }
            }
            QList<int> expected;
            for (int i = 0; i < items && expected.size() < 30; ++i) {
                if (model[size_t(i)] && !suspended[size_t(i)] &&
                    model[size_t(i)]->m_nDueDay == earliest)
                    expected.append(i);
            }
            QCOMPARE(store.CountDueBy(asOf), due);
            QCOMPARE(store.EarliestDue(asOf, 30), expected);

            // Turned away by a filter, the earliest of those it admits come
            // up, as many as asked for.
            const auto admit = [](int g) { return g % 3 != 0; };
            qint32 earliestAdmitted = std::numeric_limits<qint32>::max();
            for (int i = 0; i < items; ++i)
                if (model[size_t(i)] && !suspended[size_t(i)] && admit(i) &&
                    model[size_t(i)]->m_nDueDay <= asOf)
                    earliestAdmitted = std::min(earliestAdmitted, model[size_t(i)]->m_nDueDay);
            QList<int> admitted;
            for (int i = 0; i < items && admitted.size() < 4; ++i)
                if (model[size_t(i)] && !suspended[size_t(i)] && admit(i) &&
                    model[size_t(i)]->m_nDueDay == earliestAdmitted)
                    admitted.append(i);
            QCOMPARE(store.EarliestDue(asOf, 4, admit), admitted);
        }
    }

    void newItemsAndTalliesCountByStudyDay()
    {
        ReviewStore store;
        store.Reset(5);
        store.Rate(0, kToday, ReviewRating::Good, false);
        store.Rate(1, kToday, ReviewRating::Again, false);
        QCOMPARE(store.NewCount(kToday), 2);
        QCOMPARE(store.NewCount(kToday + 1), 0);
        // First reviews tell nothing of memory; later ones do.
        QCOMPARE(store.RetentionOver(kToday, 30).m_nReviewed, 0);
        store.Rate(0, kToday + 3, ReviewRating::Again, false);
        store.Rate(1, kToday + 3, ReviewRating::Hard, false);
        store.Rate(1, kToday + 40, ReviewRating::Good, false);
        const ReviewStore::Retention month = store.RetentionOver(kToday + 30, 30);
        QCOMPARE(month.m_nReviewed, 2);
        QCOMPARE(month.m_nPassed, 1);
        QCOMPARE(store.RetentionOver(kToday + 40, 30).m_nPassed, 1);
        QCOMPARE(store.Find(0)->m_nLapses, 1u);
    }

    void notToMemoriseSuspends()
    {
        // The item's mode decides: moving it into 覚えない keeps it from
        // coming due, moving it out brings it back.
        CDictionary* dic = StudyData::Dic();
        dic->RateItem(1, ReviewRating::Again);
        dic->RateItem(3, ReviewRating::Again);
        QCOMPARE(dic->GetDueCount(1), 2);
        dic->GetItem(1)->SetMode(NoLearn, -1);
        QCOMPARE(dic->GetDueCount(1), 1);
        dic->GetItem(1)->SetMode(Learning, -1);
        QCOMPARE(dic->GetDueCount(1), 2);
        dic->SuspendReview(3);
        QCOMPARE(dic->GetDueCount(1), 1);
        // After a restart the modes say again which records are suspended,
        // also when the first thing asked of the reviews is a rating.
        dic->GetItem(1)->SetMode(NoLearn, -1);
        dic->Save();
        for (bool rateFirst : {false, true}) {
            StudyData::Reload();
            dic = StudyData::Dic();
            if (rateFirst)
                dic->RateItem(4, ReviewRating::Again);
            QCOMPARE(dic->GetDueCount(1), rateFirst ? 2 : 1);
            QCOMPARE(dic->m_reviews.IsSuspended(1), true);
            QCOMPARE(dic->m_reviews.IsSuspended(3), false);
            dic->GetItem(3)->SetMode(NoLearn, -1);
            QCOMPARE(dic->GetDueCount(1), rateFirst ? 1 : 0);
        }
    }

    void dueCountFollowsTheListsAsked_data()
    {
        // Due tomorrow: 一 and 四 of the built-in lists, 山 of one's own;
        // 二 is due too but will not be memorised.
        QTest::addColumn<QStringList>("off");
        QTest::addColumn<int>("due");
        QTest::newRow("every list on") << QStringList() << 3;
        QTest::newRow("first list off") << QStringList{u"dic1_std1"_s} << 2;
        QTest::newRow("second list off") << QStringList{u"dic1_std2"_s} << 2;
        QTest::newRow("own list off") << QStringList{u"own"_s} << 2;
        QTest::newRow("only the own list on") << QStringList{u"dic1_std1"_s, u"dic1_std2"_s} << 1;
        QTest::newRow("every list off")
            << QStringList{u"dic1_std1"_s, u"dic1_std2"_s, u"own"_s} << 0;
        QTest::newRow("a list without reviews off") << QStringList{u"dic1_std3"_s} << 3;
    }
    void dueCountFollowsTheListsAsked()
    {
        QFETCH(QStringList, off);
        QFETCH(int, due);
        CDictionary* dic = StudyData::Dic();
        QString error;
        QVERIFY(AddOwnList(
            *dic, u"自分の"_s,
            {{u"山"_s, u"やま"_s, QString(), true}, {u"川"_s, u"かわ"_s, QString(), true}}, error));
        const int own = dic->GetSize() - 1;
        const int yama = dic->GetTotalItemCount() - 2;
        off.replaceInStrings(u"own"_s, dic->GetAt(own)->m_strName);
        for (int index : {0, 1, 3, yama})
            dic->RateItem(index, ReviewRating::Again);
        dic->GetItem(1)->SetMode(NoLearn, -1);
        Options::SetListsOff(off);
        QCOMPARE(dic->GetDueCount(1), due);
        QCOMPARE(dic->GetDueCount(0), 0);

        // The counts keep up with later changes in lists on and off alike.
        const auto on = [&](const QString& list) { return int(!off.contains(list)); };
        const QString ownName = dic->GetAt(own)->m_strName;
        dic->GetItem(1)->SetMode(Learning, -1); // 二 comes due again
        dic->RateItem(yama + 1, ReviewRating::Again);
        dic->GetItem(3)->SetMode(NoLearn, -1);
        const int expected = due + on(u"dic1_std1"_s) + on(ownName) - on(u"dic1_std2"_s);
        QCOMPARE(dic->GetDueCount(1), expected);
        Options::SetListsOff({});
        QCOMPARE(dic->GetDueCount(1), 4);
        // As the drill would: after a restart the same.
        Options::SetListsOff(off);
        dic->Save();
        StudyData::Reload();
        QCOMPARE(StudyData::Dic()->GetDueCount(1), expected);
    }

    void forgetting_data()
    {
        QTest::addColumn<int>("what"); // 0 all, 1 a list, 2 a mode
        QTest::addColumn<int>("which");
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("all") << 0 << 0 << QList<int>{};
        QTest::newRow("first list") << 1 << 0 << QList<int>{3, 4};
        QTest::newRow("second list") << 1 << 1 << QList<int>{0, 2};
        QTest::newRow("list out of range") << 1 << 6 << QList<int>{0, 2, 3, 4};
        QTest::newRow("覚えた") << 2 << int(Learned) << QList<int>{2, 4};
        QTest::newRow("指定なし") << 2 << int(Unspec) << QList<int>{0, 3};
    }
    void forgetting()
    {
        QFETCH(int, what);
        QFETCH(int, which);
        QFETCH(QList<int>, kept);
        CDictionary* dic = StudyData::Dic();
        for (int i : {0, 2, 3, 4})
            dic->RateItem(i, ReviewRating::Good);
        dic->GetItem(0)->SetMode(Learned, -1);
        dic->GetItem(3)->SetMode(Learned, -1);
        dic->Save();
        QVERIFY(!dic->m_reviews.m_bDirty);
        if (what == 0)
            dic->ForgetAllReviews();
        else if (what == 1)
            dic->ForgetListReviews(which);
        else
            dic->ForgetModeReviews(which);
        QList<int> left;
        for (int i = 0; i < 5; ++i) {
            if (dic->GetReviewState(i))
                left.append(i);
        }
        QCOMPARE(left, kept);
        QCOMPARE(dic->m_reviews.m_bDirty, kept.size() != 4);
        QCOMPARE(dic->GetDueCount(30), kept.size());
        // What was forgotten stays forgotten after a save and a restart.
        dic->Save();
        StudyData::Reload();
        left.clear();
        for (int i = 0; i < 5; ++i) {
            if (StudyData::Dic()->GetReviewState(i))
                left.append(i);
        }
        QCOMPARE(left, kept);
        if (what == 0)
            QCOMPARE(StudyData::Dic()->m_reviews.NewCount(kToday), 0);
    }

    void leechesAfterEightLapses()
    {
        CDictionary* dic = StudyData::Dic();
        qint32 day = kToday;
        dic->RateItem(2, ReviewRating::Good);
        for (int lapse = 1; lapse <= 8; ++lapse) {
            day += 3;
            SetCurrentTimeForTesting(CurrentTime() + 3 * 86400);
            QVERIFY(!dic->IsLeech(2));
            dic->RateItem(2, ReviewRating::Again);
        }
        QVERIFY(dic->IsLeech(2));
        QVERIFY(!dic->IsLeech(1));
        QCOMPARE(dic->GetReviewState(2)->m_nLastDay, day);
    }
};

QTEST_GUILESS_MAIN(TestReviewStore)
#include "tst_reviewstore.moc"

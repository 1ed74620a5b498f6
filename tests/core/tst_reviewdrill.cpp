#include "common/MessageRecorder.h"
#include "common/StudyData.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/Settings.h"
#include "study/CItem.h"
#include "study/DrillFrontend.h"
#include "study/DrillSession.h"
#include "study/StoredDrillOptions.h"
#include "study/StudyDay.h"

#include <QTest>
#include <QTimeZone>

#include <map>

namespace {

CDictionary* Dic()
{
    return StudyData::Dic();
}

class QuietFrontend : public DrillFrontend {
public:
    void ShowPanelText(const QString&) override {}
    void ShowModeOnBar(LearnMode) override {}
    void ShowAnswerCaption(bool) override {}
    void EraseWriting() override {}
    void ShowTodayCount(int) override {}
    void ShowDueCount(int count) override { m_nDue = count; }
    void SetBackEnabled(bool) override {}
    std::optional<LearnMode> AskForMode() override { return std::nullopt; }
    bool IsItemListed(int) const override { return false; }
    void RepaintListedItem(int) override {}
    void ShowHistory() override {}
    void SavePlacement() override {}

    int m_nDue = -1;
};

qint64 Noon(const QDate& date)
{
    return QDateTime(date, QTime(12, 0), QTimeZone("Asia/Tokyo")).toSecsSinceEpoch();
}

const QDate kFirstDay(2026, 3, 15);

} // namespace

// Ratings as the drill gives them, and the drill with reviews first.
class TestReviewDrill : public QObject {
    Q_OBJECT

private:
    StudyData m_data;
    std::unique_ptr<QuietFrontend> m_screen;
    StoredDrillOptions m_options;
    std::unique_ptr<DrillSession> m_session;

    void Begin()
    {
        m_screen = std::make_unique<QuietFrontend>();
        m_session = std::make_unique<DrillSession>(*Dic(), m_options, *m_screen);
        m_session->Start();
    }
    int CurrentIndex() const { return Dic()->GetCurrentHistoryItem(); }
    quint32 Reviews(int index) const
    {
        const std::optional<ReviewState> state = Dic()->GetReviewState(index);
        return state ? state->m_nReviews : 0;
    }
    void Next() { QVERIFY(m_session->Next()); }
    void Back() { QVERIFY(m_session->Back()); }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "Asia/Tokyo");
        m_data.Use({{"一\tいち", "二\tに", "三\tさん", "四\tよん", "五\tご", "六\tろく"}});
    }
    void init()
    {
        StudyData::Fresh();
        SetCurrentTimeForTesting(Noon(kFirstDay));
    }
    void cleanup()
    {
        m_session.reset();
        m_screen.reset();
        StudyData::Fresh();
    }
    void cleanupTestCase() { SetCurrentTimeForTesting(std::nullopt); }

    // What happened on the question decides its one rating, given when the
    // learner leaves it.
    void ratingOnLeaving_data()
    {
        QTest::addColumn<QString>("steps"); // A answer, digits the bar's modes, c/o/w checks
        QTest::addColumn<int>("rating");    // 0: none
        QTest::addColumn<bool>("suspended");
        QTest::newRow("turned without writing or mode") << "A" << 0 << false;
        QTest::newRow("left untouched") << "" << 0 << false;
        QTest::newRow("checked correct") << "cA" << 3 << false;
        QTest::newRow("checked with order faults") << "oA" << 2 << false;
        QTest::newRow("a wrong check outweighs a correct one") << "cwA" << 1 << false;
        QTest::newRow("知ってる") << "A1" << 4 << false;
        QTest::newRow("覚えた") << "A2" << 3 << false;
        QTest::newRow("覚えたい over a correct check") << "cA3" << 1 << false;
        QTest::newRow("覚えない suspends") << "A4" << 0 << true;
        QTest::newRow("the last mode chosen counts") << "A31" << 4 << false;
    }
    void ratingOnLeaving()
    {
        QFETCH(QString, steps);
        QFETCH(int, rating);
        QFETCH(bool, suspended);
        // The item rated once before, so that suspension has a record.
        Dic()->RateItem(0, ReviewRating::Good);
        SetCurrentTimeForTesting(Noon(kFirstDay.addDays(5)));
        Begin();
        m_session->ShowQuestion(0, true);
        const ReviewState before = *Dic()->GetReviewState(0);
        const LearnMode modes[] = {Known, Learned, Learning, NoLearn, Unspec};
        for (const QChar step : steps) {
            if (step == 'A')
                m_session->ToggleAnswer();
            else if (step == 'c')
                m_session->NoteWritingChecked(WritingOutcome::AllCorrect);
            else if (step == 'o')
                m_session->NoteWritingChecked(WritingOutcome::StrokeFaults);
            else if (step == 'w')
                m_session->NoteWritingChecked(WritingOutcome::AnyWrong);
            else
                m_session->ChooseMode(modes[step.digitValue() - 1]);
        }
        QCOMPARE(Reviews(0), 1u); // nothing before leaving
        Next();
        QVERIFY(CurrentIndex() != 0);
        const std::optional<ReviewState> after = Dic()->GetReviewState(0);
        QVERIFY(after);
        if (rating == 0) {
            QVERIFY(*after == before);
        } else {
            QVERIFY(*after ==
                    AsStored(FsrsScheduler::Review(before, GetStudyDay(), ReviewRating(rating))));
        }
        QCOMPARE(Dic()->m_reviews.IsSuspended(0), suspended);
    }

    void goingBackNeverRatesTwice()
    {
        Begin();
        const int first = CurrentIndex();
        m_session->NoteWritingChecked(WritingOutcome::AnyWrong);
        m_session->ToggleAnswer();
        Next();
        QCOMPARE(Reviews(first), 1u);
        const int second = CurrentIndex();
        m_session->ChooseMode(Learned);
        Back();
        QCOMPARE(CurrentIndex(), first);
        QCOMPARE(Reviews(second), 1u);
        // Back on the first: what is done here now changes nothing.
        m_session->NoteWritingChecked(WritingOutcome::AllCorrect);
        m_session->ChooseMode(Known);
        Next();
        QCOMPARE(CurrentIndex(), second);
        Next();
        QCOMPARE(Reviews(first), 1u);
        QCOMPARE(Reviews(second), 1u);
        QCOMPARE(Dic()->GetReviewState(first)->m_nLapses, 0u);
    }

    void theLastQuestionRatesAtTheEnd()
    {
        Begin();
        const int index = CurrentIndex();
        m_session->ToggleAnswer();
        m_session->ChooseMode(Learned);
        m_session->End(false);
        StudyData::Reload();
        QCOMPARE(Reviews(index), 1u);
        // And not again when the next run moves on from it.
        Begin();
        QVERIFY(CurrentIndex() != index);
        QCOMPARE(Reviews(index), 1u);
    }

    void withReviewsOffTheChoiceIsTodays()
    {
        // The same random state gives the same questions whether or not the
        // items have review records, as long as reviews do not come first.
        QList<int> plain;
        QList<int> reviewed;
        for (QList<int>* run : {&plain, &reviewed}) {
            StudyData::Fresh();
            if (run == &reviewed) {
                for (int i = 0; i < 6; ++i)
                    Dic()->RateItem(i, ReviewRating::Again);
                SetCurrentTimeForTesting(Noon(kFirstDay.addDays(3)));
            }
            m_screen = std::make_unique<QuietFrontend>();
            m_session = std::make_unique<DrillSession>(*Dic(), m_options, *m_screen);
            SetQuestionRandomState(12345);
            for (int k = 0; k < 12; ++k) {
                Next();
                run->append(CurrentIndex());
                m_session->ToggleAnswer();
            }
            m_session.reset();
            SetCurrentTimeForTesting(Noon(kFirstDay));
        }
        QCOMPARE(reviewed, plain);
    }

    // Items begun earlier are not due yet and were asked less often than
    // the two new ones: the present choice takes them first, reviews first
    // begin the day's new items before it.
    void newItemsOfTheDayComeBeforeThePresentChoice_data()
    {
        QTest::addColumn<int>("reviewFirst");
        QTest::addColumn<bool>("firstIsNew");
        QTest::newRow("reviews first") << 1 << true;
        QTest::newRow("present choice") << 0 << false;
    }
    void newItemsOfTheDayComeBeforeThePresentChoice()
    {
        QFETCH(int, reviewFirst);
        QFETCH(bool, firstIsNew);
        for (int i = 0; i < 4; ++i)
            Dic()->RateItem(i, ReviewRating::Good);
        for (int i : {4, 5}) {
            Dic()->GetItem(i)->m_nAskCount = 50;
            Dic()->GetItem(i)->m_bDirty = 1;
        }
        Dic()->Save();
        SetCurrentTimeForTesting(Noon(kFirstDay.addDays(1)));
        StudyData::Reload();
        QCOMPARE(Dic()->GetDueCount(0), 0);
        WriteProfileInt(Setting::ReviewFirst, reviewFirst);
        WriteProfileInt(Setting::NewPerDay, 1);
        Begin();
        QCOMPARE(CurrentIndex() >= 4, firstIsNew);
        m_session->ToggleAnswer();
        m_session->ChooseMode(Learned);
        Next();
        // The day's one new item is used: the present choice follows.
        QVERIFY(CurrentIndex() < 4);
        QCOMPARE(Dic()->m_reviews.NewCount(GetStudyDay()), firstIsNew ? 1 : 0);
    }

    // Sixty days of a learner who always writes 一 wrongly and the others
    // rightly, filing each question by what happened, with reviews first.
    void sixtyDaysOfReviews()
    {
        WriteProfileInt(Setting::ReviewFirst, 1);
        WriteProfileInt(Setting::NewPerDay, 3);
        int wrongWord = -1; // the first word asked
        MessageRecorder messages;
        std::map<int, QList<qint32>> askedOn; // item -> study days it was asked
        for (int d = 0; d < 60; ++d) {
            SetCurrentTimeForTesting(Noon(kFirstDay.addDays(d)));
            StudyData::Reload();
            Begin();
            const qint32 today = GetStudyDay();
            if (wrongWord < 0)
                wrongWord = CurrentIndex();
            QCOMPARE(m_screen->m_nDue, Dic()->GetDueCount(0));
            QList<int> asked;
            // The day ends on an answered question, so that the next day
            // starts with a question chosen that day.
            for (int k = 0; k < 4; ++k) {
                if (k > 0)
                    Next();
                const int index = CurrentIndex();
                QVERIFY(index >= 0);
                const std::optional<ReviewState> state = Dic()->GetReviewState(index);
                const CDictionary::CItem* item = Dic()->GetItem(index);
                // A word filed as memorised comes back only when it is due.
                if (state && item->m_nMode == Learned)
                    QVERIFY2(state->m_nDueDay <= today,
                             qPrintable(QStringLiteral("day %1 item %2 due %3")
                                            .arg(d)
                                            .arg(index)
                                            .arg(state->m_nDueDay - today)));
                // A due item is asked only when none is more overdue.
                if (state && state->m_nDueDay <= today) {
                    for (int other = 0; other < 6; ++other) {
                        const std::optional<ReviewState> o = Dic()->GetReviewState(other);
                        QVERIFY(!o || o->m_nDueDay >= state->m_nDueDay);
                    }
                }
                if (!asked.contains(index)) {
                    askedOn[index].append(today);
                    asked.append(index);
                }
                const bool wrong = index == wrongWord;
                m_session->NoteWritingChecked(wrong ? WritingOutcome::AnyWrong
                                                    : WritingOutcome::AllCorrect);
                m_session->ToggleAnswer();
                m_session->ChooseMode(wrong ? Learning : Learned);
            }
            // The day after, the word written wrongly comes back first and
            // none of those written rightly the day before.
            if (d == 1) {
                QCOMPARE(asked.first(), wrongWord);
                for (int index : std::as_const(asked))
                    QVERIFY(index == wrongWord || !askedOn[index].contains(today - 1));
            }
            m_session->End(false);
            m_session.reset();
        }
        QCOMPARE(messages.Texts(), QStringList());
        // The wrong word came back every day once begun.
        const QList<qint32> wrongDays = askedOn[wrongWord];
        QVERIFY(wrongDays.size() >= 55);
        // Each word written rightly came back, further apart as it went.
        for (int index = 0; index < 6; ++index) {
            if (index == wrongWord)
                continue;
            const QList<qint32> days = askedOn[index];
            QVERIFY2(days.size() >= 3, qPrintable(QString::number(index)));
            QVERIFY(days.size() <= 12);
            QVERIFY(days.last() - days[days.size() - 2] > days[1] - days[0]);
        }
    }
};

QTEST_GUILESS_MAIN(TestReviewDrill)
#include "tst_reviewdrill.moc"

#include "study/FsrsScheduler.h"

#include <QFile>
#include <QTest>

#include <cmath>

namespace {

bool CloseTo(double actual, double expected)
{
    return std::abs(actual - expected) <= 1e-6 * std::max(1.0, std::abs(expected));
}

ReviewState After(std::initializer_list<std::pair<int, ReviewRating>> reviews)
{
    ReviewState state;
    for (const auto& [day, rating] : reviews)
        state = FsrsScheduler::Review(state, day, rating);
    return state;
}

} // namespace

class TestFsrsScheduler : public QObject {
    Q_OBJECT

private slots:
    // Sequences scheduled by the reference implementation
    // (tools/gen_fsrs_vectors.mjs): every review's due day, reviews and
    // lapses exactly, stability and difficulty to 1e-6 relative.
    void agreesWithTheReference()
    {
        QFile file(QStringLiteral(VELMARIK_SOURCE_DIR "/tests/data/fsrs-vectors.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        int sequences = 0;
        int reviews = 0;
        QStringList failures;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            ++sequences;
            ReviewState state;
            for (const QByteArray& entry : line.split(' ')) {
                const QList<QByteArray> f = entry.split(',');
                QCOMPARE(f.size(), 7);
                const int day = f[0].toInt();
                state = FsrsScheduler::Review(state, day, ReviewRating(f[1].toInt()));
                ++reviews;
                const bool same = state.m_nDueDay == f[2].toInt() &&
                                  CloseTo(state.m_dStability, f[3].toDouble()) &&
                                  CloseTo(state.m_dDifficulty, f[4].toDouble()) &&
                                  state.m_nReviews == f[5].toUInt() &&
                                  state.m_nLapses == f[6].toUInt() && state.m_nLastDay == day;
                if (!same && failures.size() < 10)
                    failures << QStringLiteral(
                                    "sequence %1, %2: due %3 S %4 D %5 reviews %6 lapses %7")
                                    .arg(sequences)
                                    .arg(QString::fromLatin1(entry))
                                    .arg(state.m_nDueDay)
                                    .arg(state.m_dStability, 0, 'f', 8)
                                    .arg(state.m_dDifficulty, 0, 'f', 8)
                                    .arg(state.m_nReviews)
                                    .arg(state.m_nLapses);
                if (!same)
                    break;
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        QVERIFY(sequences >= 10000);
        QVERIFY(reviews > sequences);
    }

    // The grades of one review keep their order: a better grade never comes
    // back sooner, whatever the item's past.
    void betterGradesWaitLonger_data()
    {
        QTest::addColumn<ReviewState>("state");
        QTest::addColumn<int>("day");
        QTest::newRow("new") << ReviewState{} << 0;
        QTest::newRow("on time") << After({{0, ReviewRating::Good}}) << 3;
        QTest::newRow("same day") << After({{0, ReviewRating::Good}}) << 0;
        QTest::newRow("long overdue")
            << After({{0, ReviewRating::Hard}, {2, ReviewRating::Good}}) << 900;
        QTest::newRow("after lapses")
            << After({{0, ReviewRating::Again}, {1, ReviewRating::Again}, {2, ReviewRating::Again}})
            << 3;
    }
    void betterGradesWaitLonger()
    {
        QFETCH(ReviewState, state);
        QFETCH(int, day);
        int previous = day;
        for (int g = 1; g <= 4; ++g) {
            const ReviewState after = FsrsScheduler::Review(state, day, ReviewRating(g));
            QVERIFY2(after.m_nDueDay > previous || (g == 1 && after.m_nDueDay == day + 1),
                     qPrintable(QStringLiteral("grade %1 due %2").arg(g).arg(after.m_nDueDay)));
            QVERIFY(after.m_dDifficulty >= 1 && after.m_dDifficulty <= 10);
            previous = after.m_nDueDay;
        }
    }

    // A clock set back must not make an interval negative or a lapse count
    // twice.
    void aDayBeforeTheLastReviewCountsAsTheSameDay()
    {
        const ReviewState state = After({{100, ReviewRating::Good}});
        QCOMPARE(FsrsScheduler::Review(state, 90, ReviewRating::Good).m_dStability,
                 FsrsScheduler::Review(state, 100, ReviewRating::Good).m_dStability);
        QVERIFY(FsrsScheduler::Review(state, 90, ReviewRating::Good).m_nDueDay > 90);
    }

    // Recall is 90% when the interval is the stability.
    void retrievabilityIsTheDesiredRetentionAtTheStability()
    {
        ReviewState state = After({{0, ReviewRating::Good}, {3, ReviewRating::Good}});
        const int days = int(std::lround(state.m_dStability));
        QVERIFY(std::abs(FsrsScheduler::Retrievability(state, state.m_nLastDay + days) - 0.9) <
                0.01);
        QCOMPARE(FsrsScheduler::Retrievability(state, state.m_nLastDay), 1.0);
        QCOMPARE(FsrsScheduler::Retrievability(ReviewState{}, 5), 0.0);
    }
};

QTEST_GUILESS_MAIN(TestFsrsScheduler)
#include "tst_fsrsscheduler.moc"

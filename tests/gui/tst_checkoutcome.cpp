#include "mainwnd/CheckOutcome.h"

#include <QTest>

// The check's verdicts as the review schedule reads them: the worst
// character decides, and characters the check cannot judge are left out.
class TestCheckOutcome : public QObject {
    Q_OBJECT

private slots:
    void worstVerdictDecides_data();
    void worstVerdictDecides();
};

using V = CheckVerdict;
using W = WritingOutcome;

void TestCheckOutcome::worstVerdictDecides_data()
{
    QTest::addColumn<QList<V>>("verdicts");
    QTest::addColumn<W>("outcome");
    QTest::newRow("no characters") << QList<V>{} << W::NotChecked;
    QTest::newRow("none judged") << QList<V>{V::Unchecked, V::Unchecked} << W::NotChecked;
    QTest::newRow("all right") << QList<V>{V::Correct, V::Correct} << W::AllCorrect;
    QTest::newRow("unjudged beside right") << QList<V>{V::Unchecked, V::Correct} << W::AllCorrect;
    QTest::newRow("stroke fault") << QList<V>{V::Correct, V::StrokeFault} << W::StrokeFaults;
    QTest::newRow("stroke fault first") << QList<V>{V::StrokeFault, V::Correct} << W::StrokeFaults;
    QTest::newRow("wrong beats a fault") << QList<V>{V::StrokeFault, V::Wrong} << W::AnyWrong;
    QTest::newRow("wrong first") << QList<V>{V::Wrong, V::Correct, V::StrokeFault} << W::AnyWrong;
    QTest::newRow("a character left out") << QList<V>{V::Correct, V::Missing} << W::AnyWrong;
    QTest::newRow("only missing") << QList<V>{V::Missing} << W::AnyWrong;
}

void TestCheckOutcome::worstVerdictDecides()
{
    QFETCH(QList<V>, verdicts);
    QFETCH(W, outcome);
    QList<CharacterCheck> checks;
    for (V verdict : verdicts) {
        CharacterCheck check;
        check.verdict = verdict;
        checks.append(check);
    }
    QCOMPARE(WritingOutcomeOf(checks), outcome);
    // The order of the characters never matters.
    std::reverse(checks.begin(), checks.end());
    QCOMPARE(WritingOutcomeOf(checks), outcome);
}

QTEST_MAIN(TestCheckOutcome)
#include "tst_checkoutcome.moc"

#include "common/ModalAnswerer.h"
#include "common/StudyData.h"

#include <QDialog>
#include <QMessageBox>
#include <QTest>

// The shared test helpers have to fail where a hand-written one would have
// passed silently.
class TestTestHelpers : public QObject {
    Q_OBJECT

private slots:
    void answersEachDialogItSees()
    {
        int answered = 0;
        ModalAnswerer<> answerer([&answered](QDialog* dialog) {
            ++answered;
            dialog->done(40 + answered);
        });
        QDialog first;
        QCOMPARE(first.exec(), 41);
        QDialog second;
        QCOMPARE(second.exec(), 42);
        QCOMPARE(answerer.Seen(), 2);
    }

    void onlyDialogsOfItsType()
    {
        ModalAnswerer<QMessageBox> answerer([](QMessageBox* box) { box->done(7); });
        QMessageBox box;
        QCOMPARE(box.exec(), 7);
        QCOMPARE(answerer.Seen(), 1);
    }

    void failsWhenNoDialogCame()
    {
        QEXPECT_FAIL("", "the answerer reports the dialog that never came", Continue);
        ModalAnswerer<> answerer([](QDialog* dialog) { dialog->reject(); });
    }

    void failsWhenAnUnwantedDialogCame()
    {
        int result = -1;
        {
            auto answerer = ModalAnswerer<>::None();
            QDialog dialog;
            result = dialog.exec();
            QEXPECT_FAIL("", "the answerer reports the dialog that should not have come", Continue);
        }
        QCOMPARE(result, int(QDialog::Rejected)); // closed, not left open
    }

    void freshStudyForgetsEverything()
    {
        StudyData data;
        data.Use({{QStringLiteral("山\tやま"), QStringLiteral("川\tかわ")}});
        StudyData::Fresh();
        StudyData::Dic()->AddToHistory(1);
        StudyData::Dic()->Save();
        QVERIFY(QDir(TestEnv::Instance().DataFolder()).exists(QStringLiteral("histdata.dat")));
        StudyData::Reload();
        QCOMPARE(StudyData::Dic()->GetHistoryCount(), 1); // read back from the file
        StudyData::Fresh();
        QCOMPARE(StudyData::Dic()->GetHistoryCount(), 0);
        QCOMPARE(StudyData::Dic()->GetTotalItemCount(), 2);
    }
};

QTEST_MAIN(TestTestHelpers)
#include "tst_testhelpers.moc"

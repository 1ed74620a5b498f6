#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/Clock.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/CPeriodicSave.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

constexpr qint64 kStart = 1'700'000'000;

const QString kHistoryFailure = QStringLiteral("履歴ファイルを保存できませんでした。\r\n");

} // namespace

// The save during the drill, under the test clock.
class TestPeriodicSave : public QObject {
    Q_OBJECT

private:
    QString Folder() const { return TestEnv::Instance().DataFolder(); }
    bool HistorySaved() const { return QFile::exists(Folder() + QStringLiteral("histdata.dat")); }
    static void At(qint64 seconds) { SetCurrentTimeForTesting(kStart + seconds); }

private slots:
    void initTestCase()
    {
        auto lists = std::make_shared<FakeWordLists>();
        for (int id = 501; id <= 506; ++id)
            lists->m_lists.insert(id,
                                  FakeWordLists::MakeList({QStringLiteral("山%1\tやま").arg(id)}));
        CDictionary::SetWordListSource(lists);
    }
    void init()
    {
        QDir(Folder()).removeRecursively();
        CDictionary::ResetInstanceForTesting();
        CDictionary::GetInstance()->EnsureLoaded();
        At(0);
    }
    void cleanup()
    {
        SetCurrentTimeForTesting(std::nullopt);
        CDictionary::ResetInstanceForTesting();
    }
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    void savesWhenDueAndIdle_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("inputAt"); // -1: none
        QTest::addColumn<int>("pollAt");
        QTest::addColumn<bool>("saved");
        QTest::newRow("nothing changed") << false << -1 << 600 << false;
        QTest::newRow("within the first minute") << true << -1 << 59 << false;
        QTest::newRow("a minute on, idle") << true << -1 << 60 << true;
        QTest::newRow("input just now") << true << 60 << 60 << false;
        QTest::newRow("input two seconds ago") << true << 58 << 60 << false;
        QTest::newRow("input three seconds ago") << true << 57 << 60 << true;
    }
    void savesWhenDueAndIdle()
    {
        QFETCH(bool, changed);
        QFETCH(int, inputAt);
        QFETCH(int, pollAt);
        QFETCH(bool, saved);
        CPeriodicSave saver;
        if (changed)
            CDictionary::GetInstance()->AddToHistory(0);
        if (inputAt >= 0) {
            At(inputAt);
            saver.NoteActivity();
        }
        At(pollAt);
        QCOMPARE(saver.Poll(), saved);
        QCOMPARE(HistorySaved(), saved);
        QCOMPARE(bool(CDictionary::GetInstance()->m_bHistDirty), changed && !saved);
    }

    void atMostOnceAMinute()
    {
        CPeriodicSave saver;
        CDictionary* dictionary = CDictionary::GetInstance();
        dictionary->AddToHistory(0);
        At(60);
        QVERIFY(saver.Poll());
        dictionary->RecordDictation();
        dictionary->GetItem(1)->SetMode(Known, -1);
        At(119);
        QVERIFY(!saver.Poll());
        QVERIFY(!QFile::exists(Folder() + QStringLiteral("miscdata.dat")));
        At(120);
        QVERIFY(saver.Poll());
        QVERIFY(QFile::exists(Folder() + QStringLiteral("miscdata.dat")));
        QVERIFY(QFile::exists(Folder() + QStringLiteral("dic1_std2.dat")));
        QVERIFY(!dictionary->GetItem(1)->m_bDirty);
    }

    void inputReachesTheSaverThroughTheApplication()
    {
        CPeriodicSave saver;
        CDictionary::GetInstance()->AddToHistory(0);
        At(100);
        QObject target;
        QEvent press(QEvent::MouseButtonPress);
        QCoreApplication::sendEvent(&target, &press);
        QVERIFY(!saver.Poll());
        At(103);
        QVERIFY(saver.Poll());
    }

    // A history file that cannot be written is reported at the first failed
    // save only, and again once a save of it has worked in between.
    void failureShownOncePerFile()
    {
        MessageRecorder messages;
        CPeriodicSave saver;
        CDictionary* dictionary = CDictionary::GetInstance();
        const QString blocker = Folder() + QStringLiteral("histdata.dat");
        QVERIFY(QDir().mkpath(blocker + QStringLiteral("/x"))); // a folder in the file's place
        dictionary->AddToHistory(0);
        At(60);
        QVERIFY(saver.Poll());
        At(120);
        QVERIFY(saver.Poll());
        dictionary->RecordDictation(); // another file's save works meanwhile
        At(180);
        QVERIFY(saver.Poll());
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(messages.Texts().first().startsWith(kHistoryFailure));
        QVERIFY(QFile::exists(Folder() + QStringLiteral("miscdata.dat")));

        QVERIFY(QDir(blocker).removeRecursively());
        At(240);
        QVERIFY(saver.Poll());
        QVERIFY(QFileInfo(blocker).isFile());
        QCOMPARE(messages.Texts().size(), 1);

        QVERIFY(QFile::remove(blocker));
        QVERIFY(QDir().mkpath(blocker + QStringLiteral("/x")));
        dictionary->AddToHistory(1);
        At(300);
        QVERIFY(saver.Poll());
        QCOMPARE(messages.Texts().size(), 2);
        // The exit save is not the periodic one: it tells the learner again.
        dictionary->Save();
        QCOMPARE(messages.Texts().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestPeriodicSave)
#include "tst_periodicsave.moc"

#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/Clock.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/CPeriodicSave.h"
#include "study/CStateWriter.h"
#include "study/StateSnapshot.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QtEndian>

namespace {

constexpr qint64 kStart = 1'700'000'000;

const QString kHistoryFailure = QStringLiteral("履歴ファイルを保存できませんでした。\r\n");
const QString kListFailure = QStringLiteral("学習モードファイルを保存できませんでした。\r\n");

// Holds the background write just before its first file until someone
// waits for it (or the test lets it go), and records every file written,
// by either thread, in order.
class WriteGate {
public:
    WriteGate()
    {
        StateSnapshot::SetWriteObserverForTesting([this](const QString& name) {
            {
                QMutexLocker lock(&m_mutex);
                m_written.append(name);
            }
            if (QThread::currentThread() != m_pMain && !m_bHeld) {
                m_bHeld = true;
                m_entered.release();
                m_go.acquire();
            }
        });
        CStateWriter::SetWaitObserverForTesting([this] { m_go.release(); });
    }
    ~WriteGate()
    {
        m_go.release(); // never leaves the writer blocked
        CDictionary::GetInstance()->FinishBackgroundSave(true);
        StateSnapshot::SetWriteObserverForTesting(nullptr);
        CStateWriter::SetWaitObserverForTesting(nullptr);
    }
    // Returns once the background write is held before its first file.
    void WaitUntilHeld() { m_entered.acquire(); }
    void LetGo() { m_go.release(); }
    QStringList Written()
    {
        QMutexLocker lock(&m_mutex);
        return m_written;
    }

private:
    QThread* const m_pMain = QThread::currentThread();
    QMutex m_mutex;
    QStringList m_written;
    std::atomic<bool> m_bHeld{false};
    QSemaphore m_entered;
    QSemaphore m_go;
};

// The mode of record 0 in a learning-mode file; -1 without one.
int StoredMode(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    return bytes.size() >= 6 ? qFromLittleEndian<qint16>(bytes.constData() + 4) : -1;
}

// The record count of a history file; -1 without one.
int StoredHistoryCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    return bytes.size() >= 10 ? qFromLittleEndian<qint32>(bytes.constData() + 6) : -1;
}

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
        saver.WaitForWrite();
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
        saver.WaitForWrite();
        dictionary->RecordDictation();
        dictionary->GetItem(1)->SetMode(Known, -1);
        At(119);
        QVERIFY(!saver.Poll());
        QVERIFY(!QFile::exists(Folder() + QStringLiteral("miscdata.dat")));
        At(120);
        QVERIFY(saver.Poll());
        saver.WaitForWrite();
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
        saver.WaitForWrite();
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
        saver.WaitForWrite();
        At(120);
        QVERIFY(saver.Poll());
        saver.WaitForWrite();
        dictionary->RecordDictation(); // another file's save works meanwhile
        At(180);
        QVERIFY(saver.Poll());
        saver.WaitForWrite();
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(messages.Texts().first().startsWith(kHistoryFailure));
        QVERIFY(QFile::exists(Folder() + QStringLiteral("miscdata.dat")));

        QVERIFY(QDir(blocker).removeRecursively());
        At(240);
        QVERIFY(saver.Poll());
        saver.WaitForWrite();
        QVERIFY(QFileInfo(blocker).isFile());
        QCOMPARE(messages.Texts().size(), 1);

        QVERIFY(QFile::remove(blocker));
        QVERIFY(QDir().mkpath(blocker + QStringLiteral("/x")));
        dictionary->AddToHistory(1);
        At(300);
        QVERIFY(saver.Poll());
        saver.WaitForWrite();
        QCOMPARE(messages.Texts().size(), 2);
        // The exit save is not the periodic one: it tells the learner again.
        dictionary->Save();
        QCOMPARE(messages.Texts().size(), 3);
    }

    // The window quits while the background write runs: the quit's save
    // waits for it and then writes, so the files end with the state at the
    // quit, not the older snapshot's.
    void quitWhileWritingWaitsAndWritesLast()
    {
        CPeriodicSave saver;
        CDictionary* dictionary = CDictionary::GetInstance();
        const QString listFile = dictionary->GetAt(0)->GetFileName();
        WriteGate gate;
        dictionary->GetItem(0)->SetMode(Known, -1);
        dictionary->AddToHistory(0);
        At(60);
        QVERIFY(saver.Poll());
        gate.WaitUntilHeld();
        dictionary->GetItem(0)->SetMode(Learned, -1);
        dictionary->AddToHistory(1);

        dictionary->Save();
        QVERIFY(!dictionary->IsBackgroundSaveRunning());
        const QStringList once{listFile, QStringLiteral("histdata.dat")};
        QCOMPARE(gate.Written(), once + once);
        QCOMPARE(StoredMode(Folder() + listFile), int(Learned));
        QCOMPARE(StoredHistoryCount(Folder() + QStringLiteral("histdata.dat")), 2);
        QVERIFY(!dictionary->GetItem(0)->m_bDirty);
        QVERIFY(!dictionary->m_bHistDirty);
    }

    // What changes while a write runs is not in it and stays dirty; no
    // second write starts beside the first; the next one writes it.
    void changesDuringTheWriteGoInTheNext()
    {
        CPeriodicSave saver;
        CDictionary* dictionary = CDictionary::GetInstance();
        const QString first = dictionary->GetAt(0)->GetFileName();
        const QString second = dictionary->GetAt(1)->GetFileName();
        WriteGate gate;
        dictionary->GetItem(0)->SetMode(Known, -1);
        At(60);
        QVERIFY(saver.Poll());
        gate.WaitUntilHeld();
        dictionary->GetItem(0)->SetMode(Learned, -1);
        dictionary->GetItem(1)->SetMode(NoLearn, -1);
        At(200);
        QVERIFY(!saver.Poll()); // still writing: nothing new starts
        gate.LetGo();
        saver.WaitForWrite();
        QCOMPARE(gate.Written(), QStringList{first});
        QCOMPARE(StoredMode(Folder() + first), int(Known));
        QVERIFY(dictionary->GetItem(0)->m_bDirty);
        QVERIFY(dictionary->GetItem(1)->m_bDirty);

        At(300);
        QVERIFY(saver.Poll());
        saver.WaitForWrite();
        QCOMPARE(gate.Written(), (QStringList{first, first, second}));
        QCOMPARE(StoredMode(Folder() + first), int(Learned));
        QCOMPARE(StoredMode(Folder() + second), int(NoLearn));
        QVERIFY(!dictionary->GetItem(0)->m_bDirty);
    }

    // A learning-mode file that the background write cannot replace: that
    // list and the ones after it are dirty again, item by item, and the
    // counts are still written; told once.
    void failedListWriteLeavesItsItemsDirty()
    {
        MessageRecorder messages;
        CPeriodicSave saver;
        CDictionary* dictionary = CDictionary::GetInstance();
        const QString blocked = Folder() + dictionary->GetAt(1)->GetFileName();
        QVERIFY(QDir().mkpath(blocked + QStringLiteral("/x")));
        dictionary->GetItem(0)->SetMode(Known, -1);
        dictionary->GetItem(1)->SetMode(Known, -1);
        dictionary->GetItem(3)->SetMode(Known, -1);
        dictionary->AddToHistory(0); // a dictation counts for the current question
        dictionary->RecordDictation();
        At(60);
        QVERIFY(saver.Poll());
        saver.WaitForWrite();
        QVERIFY(!dictionary->GetItem(0)->m_bDirty);
        QVERIFY(dictionary->GetItem(1)->m_bDirty);
        QVERIFY(!dictionary->GetItem(2)->m_bDirty); // was never changed
        QVERIFY(dictionary->GetItem(3)->m_bDirty);
        QVERIFY(!dictionary->m_bMiscDirty);
        QVERIFY(QFile::exists(Folder() + QStringLiteral("miscdata.dat")));
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(messages.Texts().first().startsWith(kListFailure));

        At(120);
        QVERIFY(saver.Poll());
        saver.WaitForWrite();
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(QDir(blocked).removeRecursively());
        At(180);
        QVERIFY(saver.Poll());
        saver.WaitForWrite();
        QCOMPARE(StoredMode(blocked), int(Known));
        QCOMPARE(StoredMode(Folder() + dictionary->GetAt(3)->GetFileName()), int(Known));
        QVERIFY(!dictionary->GetItem(3)->m_bDirty);
    }
};

QTEST_GUILESS_MAIN(TestPeriodicSave)
#include "tst_periodicsave.moc"

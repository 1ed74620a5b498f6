#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/ModalAnswerer.h"
#include "common/TestEnv.h"
#include "dialogs/CModeSelectDialog.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CVelmarikApp.h"
#include "platform/CHelpViewer.h"
#include "platform/Clock.h"
#include "platform/DataFolderClaim.h"
#include "platform/ProcessSignals.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "platform/SingleInstance.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QDir>
#include <QLockFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kSettings = QStringLiteral("Settings");

bool DataFileExists(const QString& name)
{
    return QDir(TestEnv::Instance().DataFolder()).exists(name);
}

// Runs the application's event loop as the program does, until it quits or
// a generous deadline passes; false on the deadline.
bool RunUntilQuit(int timeoutMs = 30000)
{
    bool timedOut = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(99);
    });
    watchdog.start(timeoutMs);
    QCoreApplication::exec();
    return !timedOut;
}

} // namespace

// The ways the program ends: each one saves the session first, whatever is
// open at the time.
class TestClosePaths : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWordLists> m_lists;
    CVelmarikApp* App() const { return CVelmarikApp::Instance(); }

    CMainFrame* Start()
    {
        if (!App()->InitInstance())
            return nullptr;
        CMainFrame* frame = App()->GetMainWnd();
        if (!QTest::qWaitForWindowActive(frame))
            return nullptr;
        return frame;
    }
    // The start's hand-over to a running copy, which must tell the learner
    // something: what the message box said goes into told.
    bool HandOver(int& exitCode, QString& told)
    {
        ModalAnswerer<QMessageBox> answer([&told](QMessageBox* box) {
            told = box->text();
            box->accept();
        });
        return App()->HandOverToRunningCopy(exitCode);
    }
    static void Press(Qt::Key key)
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : CVelmarikApp::Instance()->GetMainWnd(), key);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(App());
        m_lists = std::make_shared<FakeWordLists>();
        for (int id = 501; id <= 506; ++id)
            m_lists->m_lists.insert(id, FakeWordLists::MakeList({
                                            QStringLiteral("山川%1\tやまかわ").arg(id),
                                            QStringLiteral("花火%1\tはなび").arg(id),
                                        }));
        // One list whose file is larger than the others together.
        QStringList many;
        for (int k = 0; k < 200; ++k)
            many << QStringLiteral("語%1\tご").arg(k);
        m_lists->m_lists.insert(506, FakeWordLists::MakeList(many));
        CDictionary::SetWordListSource(m_lists);
    }
    void init()
    {
        QDir(TestEnv::Instance().DataFolder()).removeRecursively();
        TestEnv::ClearSettings();
        CDictionary::ResetInstanceForTesting();
    }
    void cleanup()
    {
        App()->ExitInstance(0);
        CDictionary::ResetInstanceForTesting();
    }
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    // The close box pressed again while the mode prompt of a close is open
    // must not end the program before the prompt is answered and the
    // session saved.
    void closeRequestDuringThePromptWaitsForIt_data()
    {
        QTest::addColumn<int>("answer"); // a button of the prompt, 0 cancels
        QTest::addColumn<bool>("closes");
        QTest::newRow("answered") << kIdModeFirst + 2 << true;
        QTest::newRow("cancelled") << 0 << false;
    }
    void closeRequestDuringThePromptWaitsForIt()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        WriteProfileInt(kSettings, QStringLiteral("NoUnspec"), 1);
        CMainFrame* frame = Start();
        QVERIFY(frame);
        const QString word = frame->GetSession().CurrentItem()->GetWord();
        Press(Qt::Key_A); // answered: a close asks for the mode

        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        bool closeSent = false;
        bool stillOpenAfterClose = false;
        int promptsSeen = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* prompt = qobject_cast<CModeSelectDialog*>(QApplication::activeModalWidget());
            if (!prompt)
                return;
            if (!closeSent) {
                // What the window system delivers for the close box.
                closeSent = true;
                ++promptsSeen;
                QCloseEvent close;
                QCoreApplication::sendEvent(frame->windowHandle(), &close);
                return;
            }
            // Answered late, after the close request went in.
            stillOpenAfterClose = frame->isVisible() && lastClosed.isEmpty();
            if (answer == 0)
                prompt->reject();
            else
                QTest::mouseClick(prompt->findChild<QPushButton*>(QString::number(answer)),
                                  Qt::LeftButton);
            if (!closes)
                QCoreApplication::exit(0);
        });
        poll.start(20);
        QTimer::singleShot(0, this, [] { Press(Qt::Key_X); });
        QVERIFY(RunUntilQuit());
        poll.stop();

        QCOMPARE(promptsSeen, 1);
        QVERIFY(stillOpenAfterClose);
        QCOMPARE(frame->isVisible(), !closes);
        QCOMPARE(DataFileExists(QStringLiteral("histdata.dat")), closes);
        if (closes) {
            CDictionary::ResetInstanceForTesting();
            QCOMPARE(CDictionary::GetInstance()->GetHistoryCount(), 1);
            QCOMPARE(CDictionary::GetInstance()->GetTodayCount(), 1);
            CDictionary::CItem* saved = CDictionary::GetInstance()->GetItem(
                CDictionary::GetInstance()->GetCurrentHistoryItem());
            QVERIFY(saved);
            QCOMPARE(saved->GetWord(), word);
            QCOMPARE(saved->m_nMode, qint16(Learning));
        }
    }

    // Any other modal dialog: the close waits for it too.
    void closeRequestDuringAnotherDialogIsIgnored()
    {
        CMainFrame* frame = Start();
        QVERIFY(frame);
        QDialog dialog(frame);
        dialog.setModal(true);
        dialog.show();
        QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);
        QCloseEvent close;
        QCoreApplication::sendEvent(frame->windowHandle(), &close);
        QVERIFY(frame->isVisible());
        QVERIFY(!frame->close());
        QVERIFY(frame->isVisible());
        QVERIFY(!DataFileExists(QStringLiteral("histdata.dat")));
        dialog.close();
        QVERIFY(frame->close());
        QVERIFY(DataFileExists(QStringLiteral("histdata.dat")));
    }

    // X with the help window open ends the program like X alone, and the
    // help window goes with the main window.
    void helpWindowClosesWithTheMainWindow()
    {
        CMainFrame* frame = Start();
        QVERIFY(frame);
        Press(Qt::Key_F1);
        QPointer<CHelpViewer> viewer = CHelpViewer::Instance();
        QVERIFY(viewer);
        QTRY_VERIFY(viewer->isVisible());
        QTimer::singleShot(0, frame, [frame] {
            frame->activateWindow();
            Press(Qt::Key_X);
        });
        QVERIFY2(RunUntilQuit(5000), "the program kept running after X");
        QVERIFY(!frame->isVisible());
        QVERIFY(!viewer || !viewer->isVisible());
        QVERIFY(DataFileExists(QStringLiteral("histdata.dat")));
    }

    // A save that runs into the file-size limit fails like any failed write:
    // the learner is told, and the program is still there to tell.
    void fileSizeLimitFailsTheSaveNotTheProgram()
    {
        CMainFrame* frame = Start();
        QVERIFY(frame);
        MessageRecorder messages; // after the start, which installs the message boxes
        // Asked until the question comes from the large list.
        while (frame->GetSession().CurrentItem()->GetWord().startsWith(QStringLiteral("山川")) ||
               frame->GetSession().CurrentItem()->GetWord().startsWith(QStringLiteral("花火")))
            Press(Qt::Key_N);
        Press(Qt::Key_2);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        // Room for the small files and the settings' lock, not for the
        // large list's file.
        small.rlim_cur = 400;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool closed = frame->close();
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(closed);
        QCOMPARE(messages.Texts(),
                 QStringList{QStringLiteral(
                     "学習モードファイルを保存できませんでした。\r\nFile too large(2)")});
        // The rest of the save went on.
        QVERIFY(!DataFileExists(QStringLiteral("dic2_std.dat")));
        QVERIFY(DataFileExists(QStringLiteral("miscdata.dat")));
        QVERIFY(DataFileExists(QStringLiteral("histdata.dat")));
    }

    // A copy that could not make sure it runs alone (its lock file cannot be
    // made) says so and writes no state file, which could hold another
    // copy's progress; once the lock can be had, the next save writes.
    void copyWithoutTheLockSavesNothing()
    {
        const QString lockPath = TestEnv::Instance().DataFolder() + QStringLiteral("velmarik.lock");
        QVERIFY(QDir().mkpath(lockPath)); // in the way of the lock file
        QString told;
        int exitCode = -1;
        QVERIFY(!HandOver(exitCode, told));
        QVERIFY2(told.contains(QStringLiteral("保存されません")), qPrintable(told));
        CMainFrame* frame = Start();
        QVERIFY(frame);
        MessageRecorder messages;
        Press(Qt::Key_2);
        CDictionary::GetInstance()->Save();
        QVERIFY(!DataFileExists(QStringLiteral("histdata.dat")));
        QVERIFY(!DataFileExists(QStringLiteral("miscdata.dat")));
        QVERIFY(messages.Texts().isEmpty());

        QVERIFY(QDir(lockPath).removeRecursively());
        QVERIFY(frame->close());
        QVERIFY(DataFileExists(QStringLiteral("histdata.dat")));
        QVERIFY(DataFileExists(QStringLiteral("miscdata.dat")));
        QVERIFY(messages.Texts().isEmpty());
    }

    // A move of the data takes the new folder's lock before anything moves
    // and lets the old one go only once the data is there; a folder that
    // another copy holds is refused.
    void theClaimMovesWithTheData()
    {
        int exitCode = -1;
        QVERIFY(!App()->HandOverToRunningCopy(exitCode));
        const QString usual = TestEnv::Instance().DataFolder();
        QTemporaryDir target;
        QTemporaryDir taken;
        QVERIFY(target.isValid() && taken.isValid());
        CSingleInstance other;
        QCOMPARE(other.ClaimFolder(taken.path()), CSingleInstance::Claim::kFirst);
        QString error;
        QVERIFY(!ClaimNewDataFolder(taken.path(), error));
        QVERIFY2(error.contains(QStringLiteral("ほかに動いている")), qPrintable(error));

        QVERIFY(ClaimNewDataFolder(target.path(), error));
        // During the move both folders are this copy's.
        for (const QString& folder : {usual, target.path()}) {
            CSingleInstance later;
            QCOMPARE(later.ClaimFolder(folder), CSingleInstance::Claim::kOtherRunning);
        }
        SettleDataFolderClaim(true);
        CSingleInstance later;
        QCOMPARE(later.ClaimFolder(target.path()), CSingleInstance::Claim::kOtherRunning);
        CSingleInstance atTheOldPlace;
        QCOMPARE(atTheOldPlace.ClaimFolder(usual), CSingleInstance::Claim::kFirst);
        App()->ExitInstance(0); // lets the target's lock go while it is there
    }

    // A copy holds the lock but never answers: this one cannot go on, and
    // says why in a message box rather than only on the standard error.
    void unansweringCopyIsExplained()
    {
        QVERIFY(QDir().mkpath(TestEnv::Instance().DataFolder()));
        QLockFile holder(TestEnv::Instance().DataFolder() + QStringLiteral("velmarik.lock"));
        QVERIFY(holder.tryLock(0));
        App()->SetHandOverTimeoutForTesting(500);
        QString told;
        int exitCode = -1;
        const bool handedOver = HandOver(exitCode, told);
        App()->SetHandOverTimeoutForTesting(20000);
        QVERIFY(handedOver);
        QCOMPARE(exitCode, 1);
        QVERIFY2(told.contains(QStringLiteral("応答がありません")), qPrintable(told));
    }

    // Once the program has saved at its end its handlers go; a signal that
    // still comes (the rest of a flood) must not turn its own exit status
    // into the signal's. Run in a child, which may let its handlers go.
    void signalsAfterTheHandlersWentChangeNothing()
    {
        CTerminationSignals* handlers = App()->findChild<CTerminationSignals*>();
        QVERIFY(handlers);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            delete handlers;
            for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
                std::raise(signalNumber);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(!WIFSIGNALED(status), qPrintable(QString::number(WTERMSIG(status))));
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    // A signal that comes while the program is still starting is not lost:
    // the session is saved once the window is there.
    void signalDuringStartUpWaitsForTheWindow()
    {
        std::raise(SIGTERM);
        QCoreApplication::processEvents(); // the program's start-up runs events too
        // As the program's main does: the event loop right after the start.
        QVERIFY(App()->InitInstance());
        QVERIFY(!DataFileExists(QStringLiteral("histdata.dat")));
        QVERIFY(RunUntilQuit());
        QVERIFY(DataFileExists(QStringLiteral("histdata.dat")));
    }

    // A crash after a minute of drill loses nothing but the last minute:
    // the session is saved while the window stays open.
    void sessionIsSavedDuringTheDrill()
    {
        const qint64 start = 1'700'000'000;
        SetCurrentTimeForTesting(start);
        CMainFrame* frame = Start();
        QVERIFY(frame);
        const QString word = frame->GetSession().CurrentItem()->GetWord();
        Press(Qt::Key_2); // counts the dictation
        Press(Qt::Key_N); // commits 覚えた
        QVERIFY(!DataFileExists(QStringLiteral("histdata.dat")));
        SetCurrentTimeForTesting(start + 61);
        QTRY_VERIFY_WITH_TIMEOUT(DataFileExists(QStringLiteral("histdata.dat")), 20000);
        QVERIFY(DataFileExists(QStringLiteral("miscdata.dat")));
        QVERIFY(frame->isVisible());
        SetCurrentTimeForTesting(std::nullopt);

        // What a start after a crash would read.
        CDictionary saved;
        saved.EnsureLoaded();
        QCOMPARE(saved.GetHistoryCount(), 2);
        QCOMPARE(saved.GetTotalCount(), 1);
        CDictionary::CItem* item = saved.GetItem(saved.GetHistoryRecord(0).m_nIndex);
        QVERIFY(item);
        QCOMPARE(item->GetWord(), word);
        QCOMPARE(item->m_nMode, qint16(Learned));
    }

    // A termination signal saves the placement and the session without the
    // mode prompt, then ends the event loop.
    void terminationSignalSaves_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("promptOpen");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        QTest::newRow("SIGTERM during the prompt") << int(SIGTERM) << true;
    }
    void terminationSignalSaves()
    {
        QFETCH(int, signalNumber);
        QFETCH(bool, promptOpen);
        WriteProfileInt(kSettings, QStringLiteral("NoUnspec"), 1);
        CMainFrame* frame = Start();
        QVERIFY(frame);
        const QString word = frame->GetSession().CurrentItem()->GetWord();
        Press(Qt::Key_2); // 覚えた, counts the dictation
        if (promptOpen)
            Press(Qt::Key_5); // back to 指定なし: the close would prompt
        frame->move(40, 30);

        int prompts = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (qobject_cast<CModeSelectDialog*>(QApplication::activeModalWidget()) &&
                prompts++ == 0)
                std::raise(signalNumber);
        });
        poll.start(20);
        if (promptOpen)
            QTimer::singleShot(0, this, [] { Press(Qt::Key_X); });
        else
            QTimer::singleShot(0, this, [signalNumber] { std::raise(signalNumber); });
        QVERIFY(RunUntilQuit());
        poll.stop();

        QCOMPARE(prompts, promptOpen ? 1 : 0);
        QVERIFY(DataFileExists(QStringLiteral("histdata.dat")));
        QVERIFY(DataFileExists(QStringLiteral("miscdata.dat")));
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("WinLeft"), -1), 40);
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("WinTop"), -1), 30);
        CDictionary::ResetInstanceForTesting();
        CDictionary* dictionary = CDictionary::GetInstance();
        QCOMPARE(dictionary->GetTodayCount(), 1);
        CDictionary::CItem* saved = dictionary->GetItem(dictionary->GetCurrentHistoryItem());
        QVERIFY(saved);
        QCOMPARE(saved->GetWord(), word);
        QCOMPARE(saved->m_nMode, qint16(promptOpen ? Unspec : Learned));
    }
};

int main(int argc, char** argv)
{
    CVelmarikApp app(argc, argv);
    TestClosePaths test;
    QTEST_SET_MAIN_SOURCE_PATH
    // The test library's own handlers for SIGTERM and SIGINT would take the
    // signals that the tests send to the program's handlers.
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.contains(QStringLiteral("-nocrashhandler")))
        arguments << QStringLiteral("-nocrashhandler");
    return QTest::qExec(&test, arguments);
}

#include "tst_closepaths.moc"

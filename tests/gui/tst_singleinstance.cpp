#include "common/TestEnv.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <csignal>
#include <cstring>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Generous: two cores shared by many builds and tests.
constexpr int kStartTimeout = 60000;

// The program itself, started in a set of folders of its own; with a
// shell command before it (a limit, say) when one is given.
class Program {
public:
    // With arguments, its output is kept for the test to read.
    explicit Program(const QString& home, const QString& before = {},
                     const QStringList& arguments = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(arguments.isEmpty() ? QProcess::ForwardedErrorChannel
                                                            : QProcess::SeparateChannels);
        if (before.isEmpty())
            m_process.start(QStringLiteral(VELMARIK_EXECUTABLE), arguments);
        else
            m_process.start(QStringLiteral("/bin/sh"),
                            QStringList{QStringLiteral("-c"),
                                        before + QStringLiteral("; exec \"$0\" \"$@\""),
                                        QStringLiteral(VELMARIK_EXECUTABLE)} +
                                arguments);
    }
    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kStartTimeout);
        }
    }
    QProcess m_process;
};

QString DataFolder(const QString& home)
{
    return home + QStringLiteral("/data/Quillmoor/Velmarik/");
}

// A Unix socket bound at the path, or -1.
int BoundSocket(const QByteArray& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A client of a copy's socket, as a later start or a stranger would be.
class SocketClient {
public:
    explicit SocketClient(const QString& path) : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray encoded = QFile::encodeName(path);
        std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
        m_bConnected = m_fd >= 0 &&
                       ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~SocketClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SocketClient(const SocketClient&) = delete;
    SocketClient& operator=(const SocketClient&) = delete;

    bool Connected() const { return m_bConnected; }
    // Sends what the socket takes without waiting; the rest is dropped, as
    // the copy stops reading long before.
    void Send(const QByteArray& bytes)
    {
        (void)::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
    // Reads what came; true once the copy closed the connection.
    bool Closed()
    {
        char buffer[64];
        const ssize_t got = ::recv(m_fd, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (got > 0)
            m_received.append(buffer, got);
        return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }
    QByteArray Received() const { return m_received; }

private:
    int m_fd = -1;
    bool m_bConnected = false;
    QByteArray m_received;
};

// The process id a lock file in the folder names, 0 when there is none.
qint64 LockHolderIn(const QString& folder)
{
    QFile lock(folder + QStringLiteral("/velmarik.lock"));
    if (!lock.open(QIODevice::ReadOnly))
        return 0;
    return lock.readLine().trimmed().toLongLong();
}

// The process id a lock file names, 0 when there is none.
qint64 LockHolder(const QString& home)
{
    QFile lock(DataFolder(home) + QStringLiteral("velmarik.lock"));
    if (!lock.open(QIODevice::ReadOnly))
        return 0;
    return lock.readLine().trimmed().toLongLong();
}

// Whether a copy listens on a socket in the runtime folder home.
bool Listening(const QString& home)
{
    return !QDir(home).entryList({QStringLiteral("velmarik-*")}, QDir::System).isEmpty();
}

void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

// A lock file as a copy writes it: process id, program, host.
QByteArray LockOf(qint64 pid, const QString& host)
{
    return QByteArray::number(pid) + '\n' +
           QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + '\n' +
           host.toUtf8() + '\n';
}

} // namespace

// One running copy per user, and a later start handing over to it.
class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void secondStartBringsTheFirstToTheFront()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        Program first(home.path());
        QVERIFY(first.m_process.waitForStarted(kStartTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(LockHolder(home.path()), first.m_process.processId(),
                                  kStartTimeout);

        Program second(home.path());
        QVERIFY(second.m_process.waitForFinished(kStartTimeout));
        QCOMPARE(second.m_process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.m_process.exitCode(), 0); // the first copy answered
        QCOMPARE(first.m_process.state(), QProcess::Running);
        // The second copy loaded and saved nothing.
        QVERIFY(!QFile::exists(DataFolder(home.path()) + QStringLiteral("histdata.dat")));

        // The first one ends on a termination signal with its session saved:
        // one question asked, one history record.
        first.m_process.terminate();
        QVERIFY(first.m_process.waitForFinished(kStartTimeout));
        QCOMPARE(first.m_process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.m_process.exitCode(), 0);
        QFile history(DataFolder(home.path()) + QStringLiteral("histdata.dat"));
        QVERIFY(history.open(QIODevice::ReadOnly));
        const QByteArray bytes = history.readAll();
        QCOMPARE(bytes.size(), 10 + 8);
        QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 6), 1);
        QVERIFY(QFile::exists(home.path() + QStringLiteral("/config/Quillmoor/Velmarik.conf")));
    }

    // With a data folder of the learner's choice the lock, the socket and
    // the state files are there: a second start still finds the first.
    void theLockFollowsAChosenFolder()
    {
        QTemporaryDir home;
        QTemporaryDir chosen;
        QVERIFY(home.isValid() && chosen.isValid());
        WriteFile(home.filePath(QStringLiteral("config/Quillmoor/Velmarik.conf")),
                  "[Storage]\nDataFolder=" + chosen.path().toUtf8() + '\n');
        Program first(home.path());
        QVERIFY(first.m_process.waitForStarted(kStartTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(LockHolderIn(chosen.path()), first.m_process.processId(),
                                  kStartTimeout);

        Program second(home.path());
        QVERIFY(second.m_process.waitForFinished(kStartTimeout));
        QCOMPARE(second.m_process.exitCode(), 0); // handed over to the first
        QCOMPARE(first.m_process.state(), QProcess::Running);

        first.m_process.terminate();
        QVERIFY(first.m_process.waitForFinished(kStartTimeout));
        QCOMPARE(first.m_process.exitCode(), 0);
        QVERIFY(QFile::exists(chosen.filePath(QStringLiteral("histdata.dat"))));
        // Nothing went to the usual folder, not even the lock.
        QVERIFY(!QFileInfo::exists(DataFolder(home.path())));
    }

    // --export beside a running copy gets that copy's state, what it has
    // not saved yet included; --restore refuses.
    void commandsBesideARunningCopy()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        Program first(home.path());
        QVERIFY(first.m_process.waitForStarted(kStartTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(LockHolder(home.path()), first.m_process.processId(),
                                  kStartTimeout);

        const QString archive = home.filePath(QStringLiteral("export.zip"));
        Program exporter(home.path(), {}, {QStringLiteral("--export"), archive});
        QVERIFY(exporter.m_process.waitForFinished(kStartTimeout));
        const QString said = QString::fromUtf8(exporter.m_process.readAllStandardOutput());
        QCOMPARE(exporter.m_process.exitCode(), 0);
        QVERIFY2(said.contains(QStringLiteral("出題履歴 1 件")), qPrintable(said));
        QVERIFY(QFile(archive).size() > 0);
        // The one question is in the running copy's memory only.
        QVERIFY(!QFile::exists(DataFolder(home.path()) + QStringLiteral("histdata.dat")));

        Program restorer(home.path(), {}, {QStringLiteral("--restore"), archive});
        QVERIFY(restorer.m_process.waitForFinished(kStartTimeout));
        QCOMPARE(restorer.m_process.exitCode(), 1);
        const QString refused = QString::fromUtf8(restorer.m_process.readAllStandardError());
        QVERIFY2(refused.contains(QStringLiteral("起動中")), qPrintable(refused));
        QCOMPARE(first.m_process.state(), QProcess::Running);

        first.m_process.terminate();
        QVERIFY(first.m_process.waitForFinished(kStartTimeout));
        QCOMPARE(first.m_process.exitCode(), 0);
    }

    void lockOfAKilledCopyIsTakenOver()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        {
            Program killed(home.path());
            QVERIFY(killed.m_process.waitForStarted(kStartTimeout));
            QTRY_COMPARE_WITH_TIMEOUT(LockHolder(home.path()), killed.m_process.processId(),
                                      kStartTimeout);
            killed.m_process.kill();
            QVERIFY(killed.m_process.waitForFinished(kStartTimeout));
        }
        QVERIFY(LockHolder(home.path()) != 0); // left behind

        Program next(home.path());
        QVERIFY(next.m_process.waitForStarted(kStartTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(LockHolder(home.path()), next.m_process.processId(),
                                  kStartTimeout);
        QCOMPARE(next.m_process.state(), QProcess::Running);
        next.m_process.terminate();
        QVERIFY(next.m_process.waitForFinished(kStartTimeout));
        QCOMPARE(next.m_process.exitCode(), 0);
    }

    // Without a lock to be had the program still runs; it just cannot keep
    // a second copy out.
    void noLockWithoutAFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("no folder") << QString();
        QTest::newRow("below a plain file") << QStringLiteral("file/Velmarik");
        QTest::newRow("missing") << QStringLiteral("missing/Velmarik");
    }
    void noLockWithoutAFolder()
    {
        QFETCH(QString, folder);
        QTemporaryDir base;
        QVERIFY(base.isValid());
        QFile plain(base.filePath(QStringLiteral("file")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        CSingleInstance instance;
        const QString path = folder.isEmpty() ? folder : base.filePath(folder);
        QCOMPARE(instance.ClaimFolder(path), CSingleInstance::Claim::kUnavailable);
    }

    // A later start in the same session: asked over the socket, the first
    // copy comes to the front and answers; a socket file left by a copy that
    // was killed does not stand in the way.
    void handOverThroughTheSocket_data()
    {
        QTest::addColumn<bool>("leftBehind");
        QTest::newRow("fresh") << false;
        QTest::newRow("socket left by a killed copy") << true;
    }
    void handOverThroughTheSocket()
    {
        QFETCH(bool, leftBehind);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QByteArray path = QFile::encodeName(CSingleInstance::ServerName(folder.path()));
        if (leftBehind) {
            const int stale = BoundSocket(path);
            QVERIFY(stale >= 0);
            ::close(stale); // the file stays, nobody listens
        }
        {
            CSingleInstance first;
            QCOMPARE(first.ClaimFolder(folder.path()), CSingleInstance::Claim::kFirst);
            struct stat info {};
            QCOMPARE(::stat(path.constData(), &info), 0);
            QVERIFY(S_ISSOCK(info.st_mode));
            QCOMPARE(int(info.st_mode & 077), 0); // the user's alone
            QSignalSpy asked(&first, &CSingleInstance::ActivationRequested);
            std::atomic<int> answered{-1};
            std::thread later([&] {
                CSingleInstance other;
                answered = other.ActivateRunningCopy(folder.path(), 10000) ? 1 : 0;
            });
            QTRY_VERIFY_WITH_TIMEOUT(answered != -1, 15000);
            later.join();
            QCOMPARE(int(answered), 1);
            QCOMPARE(asked.count(), 1);
        }
        // Gone with the copy that made it.
        QVERIFY(!QFile::exists(QFile::decodeName(path)));
    }

    // Lock files that no running copy holds, as a crash, a copied home
    // folder, a full disk or a restart leave them: each is taken over at
    // once.
    void staleLocksAreTakenOver_data()
    {
        QTest::addColumn<QByteArray>("content");
        QProcess gone;
        gone.start(QStringLiteral("/bin/true"));
        QVERIFY(gone.waitForFinished());
        const QString host = QSysInfo::machineHostName();
        QByteArray garbage(300, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(garbage.data()),
                                      garbage.size() / 4);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << garbage;
        QTest::newRow("another host, a live process id")
            << LockOf(QCoreApplication::applicationPid(), QStringLiteral("elsewhere.example"));
        QTest::newRow("this process's id, this host")
            << LockOf(QCoreApplication::applicationPid(), host);
        QTest::newRow("a process that ended") << LockOf(gone.processId(), host);
    }
    void staleLocksAreTakenOver()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("velmarik.lock"));
        WriteFile(path, content);
        CSingleInstance instance;
        QCOMPARE(instance.ClaimFolder(folder.path()), CSingleInstance::Claim::kFirst);
        QVERIFY(instance.HoldsLock());
        QLockFile written(path);
        qint64 pid = 0;
        QVERIFY(written.getLockInfo(&pid, nullptr, nullptr));
        QCOMPARE(pid, QCoreApplication::applicationPid());
    }

    // A holder that keeps its lock is running, whatever it wrote into the
    // file, and is waited for rather than taken over.
    void heldLockIsNotTakenOver()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("velmarik.lock"));
        WriteFile(path, QByteArray());
        QFile holder(path);
        QVERIFY(holder.open(QIODevice::ReadOnly));
        QCOMPARE(::flock(holder.handle(), LOCK_EX | LOCK_NB), 0);
        CSingleInstance instance;
        QCOMPARE(instance.ClaimFolder(folder.path()), CSingleInstance::Claim::kOtherRunning);
        QVERIFY(!instance.HoldsLock());
        QVERIFY(QFile(path).size() == 0);
    }

    // The program itself no longer waits and gives up on such a file.
    void programStartsOverAStaleLock_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\x01\xff garbage\n\n\n", 13);
        QTest::newRow("another host") << LockOf(1, QStringLiteral("elsewhere.example"));
    }
    void programStartsOverAStaleLock()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        WriteFile(DataFolder(home.path()) + QStringLiteral("velmarik.lock"), content);
        Program program(home.path());
        QVERIFY(program.m_process.waitForStarted(kStartTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(LockHolder(home.path()), program.m_process.processId(),
                                  kStartTimeout);
        QCOMPARE(program.m_process.state(), QProcess::Running);
        program.m_process.terminate();
        QVERIFY(program.m_process.waitForFinished(kStartTimeout));
        QCOMPARE(program.m_process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.m_process.exitCode(), 0);
        QVERIFY(QFile::exists(DataFolder(home.path()) + QStringLiteral("histdata.dat")));
    }

    // No room for the lock file (no write may grow a file): the copy runs
    // without it but listens, so a later start still finds it and hands
    // over rather than running beside it.
    void copyWithoutALockIsStillFound()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        Program first(home.path(), QStringLiteral("ulimit -f 0"));
        QVERIFY(first.m_process.waitForStarted(kStartTimeout));
        QTRY_VERIFY_WITH_TIMEOUT(Listening(home.path()), kStartTimeout);
        QVERIFY(!QFile::exists(DataFolder(home.path()) + QStringLiteral("velmarik.lock")));

        Program second(home.path());
        QVERIFY(second.m_process.waitForFinished(kStartTimeout));
        QCOMPARE(second.m_process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.m_process.exitCode(), 0); // the first copy answered
        QCOMPARE(first.m_process.state(), QProcess::Running);
        QVERIFY(!QFile::exists(DataFolder(home.path()) + QStringLiteral("histdata.dat")));
        QVERIFY(!QFile::exists(DataFolder(home.path()) + QStringLiteral("velmarik.lock")));
    }

    // No room for the lock at start; there is room later: the copy takes
    // the lock then, and from then on it is the one that runs.
    void lockIsTakenOnceThereIsRoom()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit none = old;
        none.rlim_cur = 0;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
        CSingleInstance instance;
        const CSingleInstance::Claim claim = instance.ClaimFolder(folder.path());
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(claim, CSingleInstance::Claim::kUnavailable);
        QVERIFY(!instance.HoldsLock());
        QVERIFY(!instance.LockFailure().isEmpty());

        CSingleInstance later;
        QCOMPARE(later.ClaimFolder(folder.path()), CSingleInstance::Claim::kOtherRunning);
        QVERIFY(instance.RetryLock());
        QVERIFY(instance.HoldsLock());
        CSingleInstance latest;
        QCOMPARE(latest.ClaimFolder(folder.path()), CSingleInstance::Claim::kOtherRunning);
    }

    // A client that never ends its request, sends nothing or asks for
    // anything but the one request is dropped without an answer; the copy
    // still answers the next one.
    void endlessOrSilentClientsAreDropped_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("a megabyte without a line end") << QByteArray(1 << 20, 'x');
        QTest::newRow("the request cut short") << QByteArray("sh");
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("another request") << QByteArray("open /etc/passwd\n");
    }
    void endlessOrSilentClientsAreDropped()
    {
        QFETCH(QByteArray, request);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        CSingleInstance instance;
        instance.SetRequestTimeoutForTesting(300);
        QCOMPARE(instance.ClaimFolder(folder.path()), CSingleInstance::Claim::kFirst);
        QSignalSpy activations(&instance, &CSingleInstance::ActivationRequested);

        const QString path = CSingleInstance::ServerName(folder.path());
        SocketClient client(path);
        QVERIFY(client.Connected());
        client.Send(request);
        QTRY_VERIFY_WITH_TIMEOUT(client.Closed(), 20000);
        QCOMPARE(client.Received(), QByteArray()); // no answer
        QCOMPARE(activations.size(), 0);

        SocketClient next(path);
        QVERIFY(next.Connected());
        next.Send("show\n");
        QTRY_VERIFY_WITH_TIMEOUT(next.Closed(), 20000);
        QCOMPARE(next.Received(), QByteArray("shown\n"));
        QCOMPARE(activations.size(), 1);
    }

    // However many termination signals come, the program saves once and
    // ends with its own status, not the signal's.
    void floodOfTerminationSignalsEndsCleanly()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        Program program(home.path());
        QVERIFY(program.m_process.waitForStarted(kStartTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(LockHolder(home.path()), program.m_process.processId(),
                                  kStartTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(Listening(home.path()), kStartTimeout);
        const qint64 pid = program.m_process.processId();
        int sent = 0;
        // The process is reaped only in waitForFinished, so the id is its
        // own whenever the loop sends.
        while (program.m_process.state() != QProcess::NotRunning) {
            ::kill(pid_t(pid), SIGTERM);
            ++sent;
            program.m_process.waitForFinished(1);
        }
        QVERIFY(sent > 1);
        QCOMPARE(program.m_process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.m_process.exitCode(), 0);
        QVERIFY(QFile::exists(DataFolder(home.path()) + QStringLiteral("histdata.dat")));
    }

    void secondClaimOfAFolderFails()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        CSingleInstance first;
        QCOMPARE(first.ClaimFolder(folder.path()), CSingleInstance::Claim::kFirst);
        CSingleInstance second;
        QCOMPARE(second.ClaimFolder(folder.path()), CSingleInstance::Claim::kOtherRunning);
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"

#include "common/TestEnv.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Generous: two cores shared by many builds and tests.
constexpr int kStartTimeout = 60000;

// The program itself, started in a set of folders of its own.
class Program {
public:
    explicit Program(const QString& home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(VELMARIK_EXECUTABLE), {});
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

// The process id a lock file names, 0 when there is none.
qint64 LockHolder(const QString& home)
{
    QFile lock(DataFolder(home) + QStringLiteral("velmarik.lock"));
    if (!lock.open(QIODevice::ReadOnly))
        return 0;
    return lock.readLine().trimmed().toLongLong();
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

    // Without a lock to be had the program runs, as it did before there
    // was one.
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

    // Anything but the one request is dropped without an answer.
    void strangerIsNotAnswered()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        CSingleInstance first;
        QCOMPARE(first.ClaimFolder(folder.path()), CSingleInstance::Claim::kFirst);
        QSignalSpy asked(&first, &CSingleInstance::ActivationRequested);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(CSingleInstance::ServerName(folder.path()));
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        const QByteArray request = QByteArrayLiteral("open /etc/passwd\n");
        QCOMPARE(::write(fd, request.constData(), size_t(request.size())), request.size());
        // The copy closes the connection: the read ends with nothing.
        ssize_t got = -1;
        char buffer[16];
        QTRY_VERIFY_WITH_TIMEOUT((got = ::recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT)) >= 0,
                                 10000);
        ::close(fd);
        QCOMPARE(int(got), 0);
        QCOMPARE(asked.count(), 0);
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

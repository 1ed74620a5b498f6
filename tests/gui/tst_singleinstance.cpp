#include "common/TestEnv.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

// Generous: two cores shared by many builds and tests.
constexpr int kStartTimeout = 60000;

// The program itself, started in a set of folders of its own.
class Program {
public:
    // With arguments, its output is kept for the test to read.
    explicit Program(const QString& home, const QStringList& arguments = {})
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
        m_process.start(QStringLiteral(VELMARIK_EXECUTABLE), arguments);
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
        Program exporter(home.path(), {QStringLiteral("--export"), archive});
        QVERIFY(exporter.m_process.waitForFinished(kStartTimeout));
        const QString said = QString::fromUtf8(exporter.m_process.readAllStandardOutput());
        QCOMPARE(exporter.m_process.exitCode(), 0);
        QVERIFY2(said.contains(QStringLiteral("出題履歴 1 件")), qPrintable(said));
        QVERIFY(QFile(archive).size() > 0);
        // The one question is in the running copy's memory only.
        QVERIFY(!QFile::exists(DataFolder(home.path()) + QStringLiteral("histdata.dat")));

        Program restorer(home.path(), {QStringLiteral("--restore"), archive});
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

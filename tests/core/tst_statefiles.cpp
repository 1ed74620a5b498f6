#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/AppData.h"
#include "platform/Clock.h"
#include "platform/FileFailure.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimeZone>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const QString kReadList = QStringLiteral(
    "学習モードファイルを読み込めませんでした。\r\n一部の学習モードはクリアされます。\r\n");
const QString kReadMisc = QStringLiteral(
    "MISCファイルを読み込めませんでした。\r\n一部の書き取り回数はクリアされます。\r\n");
const QString kReadHistory =
    QStringLiteral("履歴ファイルを読み込めませんでした。\r\n履歴はクリアされます。\r\n");

// Little-endian bytes of a sequence of 16- and 32-bit fields.
class Bytes {
public:
    Bytes& i16(qint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        m_data.append(b, 2);
        return *this;
    }
    Bytes& i32(qint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_data.append(b, 4);
        return *this;
    }
    operator QByteArray() const { return m_data; }

private:
    QByteArray m_data;
};

} // namespace

// The three kinds of state files: exact layouts, round trips and every
// failure with its message and the state it leaves.
class TestStateFiles : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWordLists> m_lists;

    QString Folder() const { return TestEnv::Instance().DataFolder(); }

    void WriteFile(const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(Folder());
        QFile file(Folder() + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray ReadFile(const QString& name)
    {
        QFile file(Folder() + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList Files() const { return QDir(Folder()).entryList(QDir::Files, QDir::Name); }

private slots:
    void initTestCase()
    {
        // Three items in list 1, two in list 2, one in list 6; lists 3-5 empty.
        m_lists = std::make_shared<FakeWordLists>();
        m_lists->m_lists.insert(501, FakeWordLists::MakeList({"一\tいち", "二\tに", "三\tさん"}));
        m_lists->m_lists.insert(502, FakeWordLists::MakeList({"四\tよん", "五\tご"}));
        for (int id = 503; id <= 505; ++id)
            m_lists->m_lists.insert(id, FakeWordLists::MakeList({}));
        m_lists->m_lists.insert(506, FakeWordLists::MakeList({"六\tろく"}));
        CDictionary::SetWordListSource(m_lists);
        qputenv("TZ", "Asia/Tokyo");
    }
    void init()
    {
        QDir(Folder()).removeRecursively();
        // 2026-03-15 12:00 in Tokyo.
        SetCurrentTimeForTesting(
            QDateTime(QDate(2026, 3, 15), QTime(12, 0), QTimeZone("Asia/Tokyo"))
                .toSecsSinceEpoch());
    }
    void cleanupTestCase()
    {
        CDictionary::SetWordListSource(nullptr);
        SetCurrentTimeForTesting(std::nullopt);
    }

    void nothingChangedWritesNothing()
    {
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        dic.Save();
        QVERIFY(QFileInfo(Folder()).isDir());
        QCOMPARE(Files(), QStringList());
        QCOMPARE(messages.Texts(), QStringList());
    }

    void layoutsAreByteExact()
    {
        MessageRecorder messages;
        {
            CDictionary dic;
            dic.GetItem(1)->SetMode(Known, -1);
            dic.GetItem(1)->m_nAskCount = 7;
            dic.GetItem(5)->SetMode(Learning, 3);
            dic.AddToHistory(2);
            dic.RecordDictation();
            dic.AddToHistory(5);
            dic.Save();
        }
        QCOMPARE(Files(),
                 QStringList({"dic1_std1.dat", "dic2_std.dat", "histdata.dat", "miscdata.dat"}));
        QCOMPARE(ReadFile("dic1_std1.dat"),
                 QByteArray(Bytes().i16(1).i16(0).i16(0).i16(7).i16(Known).i16(0).i16(0)));
        QCOMPARE(ReadFile("dic2_std.dat"), QByteArray(Bytes().i16(1).i16(3).i16(Learning)));
        QCOMPARE(ReadFile("miscdata.dat"),
                 QByteArray(Bytes().i16(2).i32(1).i32(1).i32(20260315).i32(1)));
        QCOMPARE(ReadFile("histdata.dat"),
                 QByteArray(Bytes().i16(2).i32(1).i32(2).i32(2).i32(1).i32(5).i32(0)));
        QCOMPARE(messages.Texts(), QStringList());

        // And everything comes back.
        CDictionary dic;
        QCOMPARE(int(dic.GetItem(1)->m_nMode), int(Known));
        QCOMPARE(int(dic.GetItem(1)->m_nAskCount), 7);
        QCOMPARE(int(dic.GetItem(5)->m_nMode), int(Learning));
        QCOMPARE(int(dic.GetItem(5)->m_nAskCount), 3);
        QCOMPARE(dic.GetTotalCount(), 1);
        QCOMPARE(dic.GetTodayCount(), 1);
        QCOMPARE(dic.GetHistoryCount(), 2);
        QCOMPARE(dic.GetCurrentHistoryItem(), 5);
        QCOMPARE(dic.GetHistoryRecord(0).m_bAnswered, 1);
        QVERIFY(!dic.GetItem(0)->m_bDirty);
        QVERIFY(!dic.m_bMiscDirty && !dic.m_bHistDirty);
    }

    void listFileFailures_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("askCounts"); // the three items of list 1
        QTest::addColumn<QList<int>>("modes");
        const QString unknown = QStringLiteral("未知の学習モードファイルです。\r\n一部の学習モード"
                                               "はクリアされます。\r\ndic1_std1.dat");
        const QString eof = kReadList + QStringLiteral("Unexpected end of file.(1)");
        QTest::newRow("version 2") << QByteArray(Bytes().i16(2).i16(5).i16(Known)) << unknown
                                   << QList<int>{0, 0, 0} << QList<int>{0, 0, 0};
        QTest::newRow("empty file")
            << QByteArray() << eof << QList<int>{0, 0, 0} << QList<int>{0, 0, 0};
        QTest::newRow("one byte") << QByteArray(1, '\1') << eof << QList<int>{0, 0, 0}
                                  << QList<int>{0, 0, 0};
        QTest::newRow("list has grown")
            << QByteArray(Bytes().i16(1).i16(5).i16(Known).i16(6)) << eof << QList<int>{5, 6, 0}
            << QList<int>{int(Known), 0, 0};
        QTest::newRow("longer than the list")
            << QByteArray(Bytes().i16(1).i16(1).i16(1).i16(2).i16(2).i16(3).i16(3).i16(4).i16(4))
            << QString() << QList<int>{1, 2, 3} << QList<int>{1, 2, 3};
        QTest::newRow("bad values")
            << QByteArray(Bytes().i16(1).i16(qint16(0xFFFF)).i16(9).i16(-5).i16(-1).i16(2).i16(4))
            << QString() << QList<int>{0, 0, 2} << QList<int>{0, 0, 4};
    }
    void listFileFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(QList<int>, askCounts);
        QFETCH(QList<int>, modes);
        WriteFile("dic1_std1.dat", content);
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        QCOMPARE(messages.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(int(dic.GetItem(i)->m_nAskCount), askCounts[i]);
            QCOMPARE(int(dic.GetItem(i)->m_nMode), modes[i]);
            QVERIFY(!dic.GetItem(i)->m_bDirty);
        }
        // A file that failed to load stays until its list changes.
        dic.Save();
        QCOMPARE(ReadFile("dic1_std1.dat"), content);
        dic.GetItem(2)->SetMode(Learned, -1);
        dic.Save();
        QCOMPARE(ReadFile("dic1_std1.dat").size(), 2 + 4 * 3);
    }

    void miscFileFailures_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("entries");
        const QString eof = kReadMisc + QStringLiteral("Unexpected end of file.(1)");
        QTest::newRow("empty") << QByteArray() << eof << 0 << 0;
        QTest::newRow("version 3")
            << QByteArray(Bytes().i16(3).i32(9))
            << QStringLiteral("未知のMISCファイルです。\r\n書き取り回数はクリアされます。") << 0
            << 0;
        QTest::newRow("version 1") << QByteArray(Bytes().i16(1).i32(42)) << QString() << 42 << 0;
        QTest::newRow("version 2")
            << QByteArray(Bytes().i16(2).i32(42).i32(2).i32(20260315).i32(3).i32(20260314).i32(4))
            << QString() << 42 << 2;
        QTest::newRow("total cut short") << QByteArray(Bytes().i16(2).i16(1)) << eof << 0 << 0;
        QTest::newRow("two billion entries claimed")
            << QByteArray(Bytes().i16(2).i32(42).i32(2000000000).i32(20260315).i32(3).i16(1)) << eof
            << 42 << 1;
    }
    void miscFileFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        WriteFile("miscdata.dat", content);
        MessageRecorder messages;
        CDictionary dic;
        QFETCH(int, total);
        QFETCH(int, entries);
        QCOMPARE(dic.GetTotalCount(), total);
        QCOMPARE(int(dic.m_mapDayCount.size()), entries);
        QCOMPARE(messages.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(!dic.m_bMiscDirty);
    }

    void duplicateDayKeyKeepsLater()
    {
        WriteFile("miscdata.dat",
                  Bytes().i16(2).i32(0).i32(2).i32(20260315).i32(3).i32(20260315).i32(8));
        MessageRecorder messages;
        CDictionary dic;
        QCOMPARE(dic.GetDayCount(20260315), 8);
    }

    void historyFileFailures_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("indices");
        QTest::addColumn<int>("position");
        const QString eof = kReadHistory + QStringLiteral("Unexpected end of file.(1)");
        QTest::newRow("version 3")
            << QByteArray(Bytes().i16(3).i32(0).i32(1).i32(4).i32(0))
            << QStringLiteral("未知の履歴ファイルです。\r\n履歴はクリアされます。") << QList<int>{}
            << -1;
        QTest::newRow("empty") << QByteArray() << eof << QList<int>{} << -1;
        QTest::newRow("records cut short")
            << QByteArray(Bytes().i16(2).i32(0).i32(2).i32(4).i32(0).i32(5)) << eof << QList<int>{}
            << -1;
        QTest::newRow("two billion records claimed")
            << QByteArray(Bytes().i16(2).i32(0).i32(2000000000).i32(4).i32(1)) << eof
            << QList<int>{} << -1;
        QTest::newRow("version 1") << QByteArray(Bytes().i16(1).i32(1).i32(2).i32(12).i32(40))
                                   << QString() << QList<int>{12, 40} << 1;
        QTest::newRow("position kept unchecked")
            << QByteArray(Bytes().i16(2).i32(57).i32(1).i32(3).i32(0)) << QString() << QList<int>{3}
            << 57;
    }
    void historyFileFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(QList<int>, indices);
        WriteFile("histdata.dat", content);
        MessageRecorder messages;
        CDictionary dic;
        QCOMPARE(dic.GetHistoryCount(), int(indices.size()));
        for (int i = 0; i < indices.size(); ++i)
            QCOMPARE(dic.GetHistoryRecord(i).m_nIndex, indices[i]);
        QFETCH(int, position);
        QCOMPARE(dic.m_nHistPos, position);
        QCOMPARE(messages.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(!dic.m_bHistDirty);
        dic.Save();
        QCOMPARE(ReadFile("histdata.dat"), content); // stays until the history changes
    }

    void versionOneHistoryIsAnsweredAndRewrittenAsTwo()
    {
        WriteFile("histdata.dat", Bytes().i16(1).i32(1).i32(2).i32(1).i32(4));
        MessageRecorder messages;
        CDictionary dic;
        QCOMPARE(dic.RecordDictation(), -1); // read as answered: nothing counts
        dic.AddToHistory(2);
        dic.Save();
        QCOMPARE(
            ReadFile("histdata.dat"),
            QByteArray(Bytes().i16(2).i32(2).i32(3).i32(1).i32(1).i32(4).i32(1).i32(2).i32(0)));
    }

    void missingResourceMessage()
    {
        auto lists = std::make_shared<FakeWordLists>(*m_lists);
        lists->m_lists.remove(503);
        CDictionary::SetWordListSource(lists);
        MessageRecorder messages;
        CDictionary dic;
        QCOMPARE(dic.GetTotalItemCount(), 6);
        QCOMPARE(messages.Texts(),
                 QStringList{QStringLiteral("辞書データが見つかりませんでした。\r\ndic1_std3")});
        CDictionary::SetWordListSource(m_lists);
    }

    void failedListWriteStopsListsOnly()
    {
        MessageRecorder messages;
        CDictionary dic;
        dic.GetItem(0)->SetMode(Known, -1);
        dic.GetItem(3)->SetMode(Known, -1);
        dic.AddToHistory(0);
        dic.RecordDictation();
        // A folder in the file's place cannot be replaced by the written file.
        QVERIFY(QDir().mkpath(Folder() + "dic1_std1.dat"));
        dic.Save();
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(messages.Texts().first().startsWith(
            QStringLiteral("学習モードファイルを保存できませんでした。\r\n")));
        QVERIFY(!QFile::exists(Folder() + "dic1_std2.dat"));
        QVERIFY(dic.GetItem(0)->m_bDirty && dic.GetItem(3)->m_bDirty);
        QVERIFY(QFile::exists(Folder() + "miscdata.dat"));
        QVERIFY(QFile::exists(Folder() + "histdata.dat"));
        QVERIFY(!dic.m_bMiscDirty && !dic.m_bHistDirty);

        QVERIFY(QDir(Folder() + "dic1_std1.dat").removeRecursively());
        dic.Save();
        QCOMPARE(ReadFile("dic1_std1.dat").size(), 14);
        QCOMPARE(ReadFile("dic1_std2.dat").size(), 10);
        QVERIFY(!dic.GetItem(0)->m_bDirty && !dic.GetItem(3)->m_bDirty);
    }

#ifdef Q_OS_UNIX
    void interruptedWriteKeepsOldFile()
    {
        // Earlier state on disk, then a save that the file-size limit cuts off
        // part-way: the old file must survive whole.
        WriteFile("histdata.dat", Bytes().i16(2).i32(0).i32(1).i32(4).i32(1));
        const QByteArray before = ReadFile("histdata.dat");
        MessageRecorder messages;
        CDictionary dic;
        for (int i = 0; i < 100; ++i)
            dic.AddToHistory(i % 6);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &small);
        dic.Save();
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(ReadFile("histdata.dat"), before);
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(messages.Texts().first().startsWith(
            QStringLiteral("履歴ファイルを保存できませんでした。\r\n")));
        QVERIFY(dic.m_bHistDirty);
        QCOMPARE(QDir(Folder()).entryList(QDir::Files).size(), 1); // no temporary left behind
        dic.Save();
        QCOMPARE(ReadFile("histdata.dat").size(), 10 + 8 * 101); // the old record and 100 new ones
        QVERIFY(!dic.m_bHistDirty);
    }
#endif

    void folderFailures()
    {
        const QByteArray realDataHome = qgetenv("XDG_DATA_HOME");
        const QString blocker = QDir(QString::fromUtf8(realDataHome)).filePath("../blocker");
        QFile(blocker).open(QIODevice::WriteOnly);

        // The data home lies below a plain file: there is no folder to have.
        qputenv("XDG_DATA_HOME", (blocker + "/data").toUtf8());
        {
            MessageRecorder messages;
            CDictionary dic;
            dic.EnsureLoaded();
            QCOMPARE(dic.GetSize(), 0);
            dic.EnsureLoaded(); // tried again, but the learner was told already
            QCOMPARE(dic.GetTotalItemCount(), 0);
            QCOMPARE(messages.Texts(), QStringList{"appdata folder get error"});
        }
        // "Quillmoor" exists as a plain file: it cannot be created.
        const QString home = QFileInfo(blocker).path() + "/home2";
        QDir().mkpath(home);
        QFile(home + "/Quillmoor").open(QIODevice::WriteOnly);
        qputenv("XDG_DATA_HOME", home.toUtf8());
        {
            MessageRecorder messages;
            QString path;
            QVERIFY(!GetAppDataFolder(path));
            QVERIFY(path.isEmpty());
            // Still the same run of failures: not reported again.
            QCOMPARE(messages.Texts(), QStringList());
        }
        qputenv("XDG_DATA_HOME", realDataHome);
        {
            MessageRecorder messages;
            QString path;
            QVERIFY(GetAppDataFolder(path));
            QVERIFY(path.endsWith("/Quillmoor/Velmarik/"));
            QVERIFY(QFileInfo(path).isDir());
            // After a success, a new failure is reported again.
            QFile(home + "/Quillmoor").remove();
            QDir().mkpath(home + "/Quillmoor");
            QFile(home + "/Quillmoor/Velmarik").open(QIODevice::WriteOnly);
            qputenv("XDG_DATA_HOME", home.toUtf8());
            QVERIFY(!GetAppDataFolder(path));
            QCOMPARE(messages.Texts(), QStringList{"appdata folder create error"});
        }
        qputenv("XDG_DATA_HOME", realDataHome);
    }

    void saveWithoutFolderKeepsFlags()
    {
        MessageRecorder messages;
        CDictionary dic;
        dic.GetItem(0)->SetMode(Known, -1);
        dic.AddToHistory(0);
        const QByteArray realDataHome = qgetenv("XDG_DATA_HOME");
        const QString blocker = QDir(QString::fromUtf8(realDataHome)).filePath("../blocker2");
        QFile(blocker).open(QIODevice::WriteOnly);
        qputenv("XDG_DATA_HOME", (blocker + "/x").toUtf8());
        dic.Save();
        qputenv("XDG_DATA_HOME", realDataHome);
        QCOMPARE(messages.Texts(), QStringList{"appdata folder get error"});
        QVERIFY(dic.GetItem(0)->m_bDirty && dic.m_bHistDirty);
        QCOMPARE(Files(), QStringList());
    }

    void describeException_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("cause");
        QTest::addColumn<bool>("fileError");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trimmed") << "  File not found.  " << 2 << true << "File not found.(2)";
        QTest::newRow("all white space") << "\t\r\n Disk full.\v\f" << 6 << true << "Disk full.(6)";
        QTest::newRow("not a file error") << " Out of memory. " << 0 << false << "Out of memory.";
        QTest::newRow("no message") << "" << 3 << true << "QFileDevice occured.";
    }
    void describeException()
    {
        QFETCH(QString, message);
        QFETCH(int, cause);
        QFETCH(bool, fileError);
        FileFailure failure;
        failure.m_strMessage = message;
        failure.m_nCause = cause;
        failure.m_bFileError = fileError;
        failure.m_strClassName = QStringLiteral("QFileDevice");
        QTEST(DescribeException(failure), "expected");
    }
};

QTEST_GUILESS_MAIN(TestStateFiles)
#include "tst_statefiles.moc"

#include "common/FakeWordLists.h"
#include "common/FileSizeLimit.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/ProcessSignals.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QStringList Words(int count)
{
    QStringList words;
    for (int k = 0; k < count; ++k)
        words << QStringLiteral("語%1\tご").arg(k);
    return words;
}

} // namespace

// The edges of saving: writes that the system cuts short and what a save
// killed half-way leaves in the folder.
class TestSaveEdges : public QObject {
    Q_OBJECT

private:
    QString Folder() const { return TestEnv::Instance().DataFolder(); }

    static void UseLists(int firstListSize)
    {
        auto lists = std::make_shared<FakeWordLists>();
        lists->m_lists.insert(501, FakeWordLists::MakeList(Words(firstListSize)));
        for (int id = 502; id <= 506; ++id)
            lists->m_lists.insert(id, FakeWordLists::MakeList(Words(2)));
        CDictionary::SetWordListSource(lists);
    }

private slots:
    void initTestCase() { IgnoreFileSizeSignal(); }
    void init()
    {
        QDir(Folder()).removeRecursively();
        UseLists(2);
    }
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    // Small content fails when it is flushed, large content in the write
    // itself; either way the learner reads the system's reason.
    void shortWriteGivesTheSystemReason_data()
    {
        QTest::addColumn<int>("items");
        QTest::newRow("buffered, cut at the flush") << 1000;
        QTest::newRow("written at once, cut short") << 8000;
    }
    void shortWriteGivesTheSystemReason()
    {
        QFETCH(int, items);
        UseLists(items);
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        dic.GetItem(0)->SetMode(Known, -1);
        {
            FileSizeLimit limit(1000);
            QVERIFY(limit.IsSet());
            dic.Save();
        }
        QCOMPARE(messages.Texts(),
                 QStringList{QStringLiteral("学習モードファイルを保存できませんでした。\r\n"
                                            "File too large(2)")});
        QVERIFY(dic.GetItem(0)->m_bDirty);
        QVERIFY(!QFile::exists(Folder() + QStringLiteral("dic1_std1.dat")));
        QCOMPARE(QDir(Folder()).entryList(QDir::Files), QStringList{});
        // With room again the same save goes through.
        dic.Save();
        QCOMPARE(QFileInfo(Folder() + QStringLiteral("dic1_std1.dat")).size(), 2 + 4 * items);
        QCOMPARE(messages.Texts().size(), 1);
    }

    void staleTemporariesAreRemovedAtLoad_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removed");
        QTest::newRow("history") << QStringLiteral("histdata.dat.AbxyCd") << true;
        QTest::newRow("counts") << QStringLiteral("miscdata.dat.zzzzzz") << true;
        QTest::newRow("first list") << QStringLiteral("dic1_std1.dat.QxwyEz") << true;
        QTest::newRow("last list") << QStringLiteral("dic2_std.dat.jKnPyr") << true;
        QTest::newRow("list signatures") << QStringLiteral("wordlists.sig.KqPzRt") << true;
        QTest::newRow("their copy") << QStringLiteral("wordlists-copy.sig.KqPzRt") << true;
        QTest::newRow("digits") << QStringLiteral("histdata.dat.Ab12Cd") << false;
        QTest::newRow("seven characters") << QStringLiteral("histdata.dat.AbxyCdz") << false;
        QTest::newRow("five characters") << QStringLiteral("histdata.dat.AbxyC") << false;
        QTest::newRow("punctuation") << QStringLiteral("histdata.dat.Ab-yCd") << false;
        QTest::newRow("not ours") << QStringLiteral("notes.txt.AbxyCd") << false;
        QTest::newRow("unknown list") << QStringLiteral("dic9_std.dat.AbxyCd") << false;
        QTest::newRow("lower-case letters") << QStringLiteral("histdata.dat.jknpyr") << true;
        QTest::newRow("the state file itself") << QStringLiteral("miscdata.dat") << false;
        QTest::newRow("name in other case") << QStringLiteral("HISTDATA.dat.AbxyCd") << false;
        QTest::newRow("accented letter") << QStringLiteral("histdata.dat.AbxyCé") << false;
        QTest::newRow("name only as suffix") << QStringLiteral("xhistdata.dat.AbxyCd") << false;
    }
    void staleTemporariesAreRemovedAtLoad()
    {
        QFETCH(QString, name);
        QFETCH(bool, removed);
        QVERIFY(QDir().mkpath(Folder()));
        QFile stale(Folder() + name);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("\x02\x00half", 6);
        stale.close();
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        QCOMPARE(QFile::exists(Folder() + name), !removed);
    }
};

QTEST_GUILESS_MAIN(TestSaveEdges)
#include "tst_saveedges.moc"

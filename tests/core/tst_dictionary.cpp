#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QDir>
#include <QTest>

using CItem = CDictionary::CItem;

// Items, modes and search over lists supplied by the test.
class TestDictionary : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWordLists> m_lists;

    void UseLists(const QList<QStringList>& lists)
    {
        m_lists = std::make_shared<FakeWordLists>();
        for (int i = 0; i < lists.size(); ++i)
            m_lists->m_lists.insert(501 + i, FakeWordLists::MakeList(lists.at(i)));
        CDictionary::SetWordListSource(m_lists);
    }

    static QStringList Numbered(const QString& prefix, int count)
    {
        QStringList items;
        for (int i = 0; i < count; ++i)
            items << QStringLiteral("%1%2\tよみ%2").arg(prefix).arg(i);
        return items;
    }

private slots:
    void init()
    {
        QDir(TestEnv::Instance().DataFolder()).removeRecursively();
        TestEnv::ClearSettings();
    }
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    void wordAndReading_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("reading");
        QTest::newRow("plain") << "藍染め\tあいぞめ" << "藍染め" << "あいぞめ";
        QTest::newRow("no tab") << "あいぞめ" << "" << "あいぞめ";
        QTest::newRow("two tabs") << "a\tb\tc" << "a" << "b\tc";
        QTest::newRow("alternatives") << "愛想\tあいそ(あいそう)" << "愛想" << "あいそ(あいそう)";
    }
    void wordAndReading()
    {
        QFETCH(QString, line);
        QFETCH(QString, word);
        QFETCH(QString, reading);
        const CItem item(line);
        QCOMPARE(item.GetWord(), word);
        QCOMPARE(item.GetReading(), reading);
        QCOMPARE(item.GetText(), line);
    }

    void setMode_data()
    {
        QTest::addColumn<int>("startMode");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("askCount");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("endMode");
        QTest::addColumn<int>("endAskCount");
        // The item starts with ask count 5.
        QTest::newRow("same mode keeps count") << int(Known) << int(Known) << 3 << false
                                               << int(Known) << 5;
        QTest::newRow("mode 7 refused") << int(Unspec) << 7 << 3 << false << int(Unspec) << 5;
        QTest::newRow("mode -1 refused") << int(Unspec) << -1 << 3 << false << int(Unspec) << 5;
        QTest::newRow("to unspec keeping count") << int(Known) << int(Unspec) << -1 << true
                                                 << int(Unspec) << 5;
        QTest::newRow("to unspec with average") << int(Learned) << int(Unspec) << 2 << true
                                                << int(Unspec) << 2;
        QTest::newRow("to learning") << int(Unspec) << int(Learning) << -1 << true
                                     << int(Learning) << 5;
    }
    void setMode()
    {
        QFETCH(int, startMode);
        QFETCH(int, mode);
        QFETCH(int, askCount);
        QFETCH(bool, changed);
        QFETCH(int, endMode);
        QFETCH(int, endAskCount);
        CItem item(QStringLiteral("語\tご"));
        item.m_nMode = qint16(startMode);
        item.m_nAskCount = 5;
        QCOMPARE(item.SetMode(qint16(mode), qint16(askCount)), changed);
        QCOMPARE(int(item.m_nMode), endMode);
        QCOMPARE(int(item.m_nAskCount), endAskCount);
        QCOMPARE(bool(item.m_bDirty), changed);
    }

    void lineParsing()
    {
        // A byte-order mark is part of the first line, so "#5" behind it is an
        // item; the last line without CR LF is lost; empty lines are skipped.
        auto lists = std::make_shared<FakeWordLists>();
        lists->m_lists.insert(501, QByteArray("\xEF\xBB\xBF#5\r\n語\tご\r\n\r\n#6\r\n本\tほん\r\n"
                                              "末尾\tまつび"));
        CDictionary::SetWordListSource(lists);
        MessageRecorder messages;
        CDictionary dic;
        QCOMPARE(dic.GetTotalItemCount(), 3);
        QCOMPARE(dic.GetItem(0)->GetText(), QString(QChar(0xFEFF)) + "#5");
        QCOMPARE(dic.GetItem(1)->GetText(), QStringLiteral("語\tご"));
        QCOMPARE(dic.GetItem(2)->GetText(), QStringLiteral("本\tほん"));
        QVERIFY(!dic.GetItem(3));
        // The five lists that have no text are present and empty.
        QCOMPARE(dic.GetSize(), 6);
        QCOMPARE(messages.Texts().size(), 5);
        QCOMPARE(messages.Texts().first(),
                 QStringLiteral("辞書データが見つかりませんでした。\r\ndic1_std2"));
    }

    void globalIndexAcrossLists()
    {
        // A missing list in the middle shifts nothing.
        m_lists = std::make_shared<FakeWordLists>();
        m_lists->m_lists.insert(501, FakeWordLists::MakeList({"一\tいち", "二\tに"}));
        m_lists->m_lists.insert(503, FakeWordLists::MakeList({"三\tさん"}));
        m_lists->m_lists.insert(506, FakeWordLists::MakeList({"四\tよん", "五\tご"}));
        CDictionary::SetWordListSource(m_lists);
        MessageRecorder messages;
        CDictionary dic;
        QCOMPARE(dic.GetTotalItemCount(), 5);
        QCOMPARE(dic.GetItem(2)->GetWord(), QStringLiteral("三"));
        QCOMPARE(dic.GetItem(4)->GetWord(), QStringLiteral("五"));
        QVERIFY(!dic.GetItem(5));
        QVERIFY(!dic.GetItem(-1));
        QCOMPARE(dic.GetAt(1)->GetItemCount(), 0);
    }

    void countsAndNth()
    {
        UseLists({Numbered("甲", 4), {}, Numbered("乙", 3)});
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        // Global indices 0-3 in list 1, 4-6 in list 3.
        dic.GetItem(1)->SetMode(Learning, -1);
        dic.GetItem(3)->SetMode(Learning, -1);
        dic.GetItem(5)->SetMode(Learning, -1);
        QCOMPARE(dic.CountInMode(Learning), 0); // counters are only fresh after a recount
        dic.RecountModes();
        QCOMPARE(dic.CountInMode(Learning), 3);
        QCOMPARE(dic.CountInMode(Unspec), 4);
        QCOMPARE(dic.CountInMode(9), 0);
        QCOMPARE(dic.GetNthInMode(Learning, 0), 1);
        QCOMPARE(dic.GetNthInMode(Learning, 1), 3);
        QCOMPARE(dic.GetNthInMode(Learning, 2), 5);
        QCOMPARE(dic.GetNthInMode(Learning, 3), -1);
        QCOMPARE(dic.GetNthInMode(Unspec, 2), 4);
        QCOMPARE(dic.GetNthInMode(Unspec, 3), 6);
        QCOMPARE(dic.GetNthInMode(-1, 0), -1);
    }

    void averageUnspecCount()
    {
        UseLists({Numbered("甲", 4)});
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        const qint16 counts[] = {1, 2, 4, 100};
        for (int i = 0; i < 4; ++i)
            dic.GetItem(i)->m_nAskCount = counts[i];
        dic.GetItem(3)->m_nMode = Known;
        QCOMPARE(int(dic.GetAverageUnspecCount()), 2); // (1 + 2 + 4) / 3, truncated
        for (int i = 0; i < 4; ++i)
            dic.GetItem(i)->m_nMode = Learned;
        QCOMPARE(int(dic.GetAverageUnspecCount()), 0);
    }

    // Items start Unspec/1, Unspec/2, Unspec/9, Learning/30, NoLearn/40: the
    // 指定なし average is 4 until one of them moves.
    void setItemMode_data()
    {
        QTest::addColumn<bool>("kept"); // one average kept over the moves, as a list owner does
        QTest::addColumn<QList<int>>("moves"); // item, mode, item, mode, ...
        QTest::addColumn<QList<bool>>("changed");
        QTest::addColumn<QList<int>>("askCounts");
        QTest::newRow("to unspec takes the average")
            << false << QList<int>{3, Unspec} << QList<bool>{true} << QList<int>{1, 2, 9, 4, 40};
        QTest::newRow("elsewhere keeps the count")
            << false << QList<int>{0, Known, 3, NoLearn} << QList<bool>{true, true}
            << QList<int>{1, 2, 9, 30, 40};
        QTest::newRow("own mode changes nothing")
            << false << QList<int>{3, Learning, 0, Unspec} << QList<bool>{false, false}
            << QList<int>{1, 2, 9, 30, 40};
        QTest::newRow("a fresh average each move")
            << false << QList<int>{3, Unspec, 2, Known, 4, Unspec} << QList<bool>{true, true, true}
            << QList<int>{1, 2, 9, 4, 2};
        QTest::newRow("the kept average")
            << true << QList<int>{3, Unspec, 2, Known, 4, Unspec} << QList<bool>{true, true, true}
            << QList<int>{1, 2, 9, 4, 4};
        QTest::newRow("kept from a move that changed nothing")
            << true << QList<int>{0, Unspec, 2, Known, 3, Unspec} << QList<bool>{false, true, true}
            << QList<int>{1, 2, 9, 4, 40};
    }
    void setItemMode()
    {
        QFETCH(bool, kept);
        QFETCH(QList<int>, moves);
        QFETCH(QList<bool>, changed);
        QFETCH(QList<int>, askCounts);
        UseLists({Numbered("甲", 5)});
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        const qint16 counts[] = {1, 2, 9, 30, 40};
        for (int i = 0; i < 5; ++i)
            dic.GetItem(i)->m_nAskCount = counts[i];
        dic.GetItem(3)->m_nMode = Learning;
        dic.GetItem(4)->m_nMode = NoLearn;
        qint16 average = -1;
        for (int k = 0; k < changed.size(); ++k) {
            CItem* item = dic.GetItem(moves.at(2 * k));
            const auto mode = LearnMode(moves.at(2 * k + 1));
            const int dirty = item->m_bDirty;
            QCOMPARE(kept ? dic.SetItemMode(*item, mode, average) : dic.SetItemMode(*item, mode),
                     changed.at(k));
            QCOMPARE(int(item->m_nMode), int(mode));
            QCOMPARE(item->m_bDirty, changed.at(k) ? 1 : dirty);
        }
        for (int i = 0; i < 5; ++i)
            QCOMPARE(int(dic.GetItem(i)->m_nAskCount), askCounts.at(i));
    }

    void clearModes_data()
    {
        QTest::addColumn<QList<bool>>("flags"); // learned, learning, noLearn, known
        QTest::addColumn<QList<int>>("modes");
        QTest::addColumn<QList<int>>("askCounts");
        // Items start as Unspec/3, Unspec/6, Learned/10, Learning/11, NoLearn/12, Known/13:
        // the average of the Unspec items before the call is 4.
        QTest::newRow("learned only")
            << QList<bool>{true, false, false, false}
            << QList<int>{Unspec, Unspec, Unspec, Learning, NoLearn, Known}
            << QList<int>{3, 6, 4, 11, 12, 13};
        QTest::newRow("three of four")
            << QList<bool>{true, true, false, true}
            << QList<int>{Unspec, Unspec, Unspec, Unspec, NoLearn, Unspec}
            << QList<int>{3, 6, 4, 4, 12, 4};
        QTest::newRow("all four reset everything")
            << QList<bool>{true, true, true, true}
            << QList<int>{Unspec, Unspec, Unspec, Unspec, Unspec, Unspec}
            << QList<int>{0, 0, 0, 0, 0, 0};
        QTest::newRow("none") << QList<bool>{false, false, false, false}
                              << QList<int>{Unspec, Unspec, Learned, Learning, NoLearn, Known}
                              << QList<int>{3, 6, 10, 11, 12, 13};
    }
    void clearModes()
    {
        QFETCH(QList<bool>, flags);
        QFETCH(QList<int>, modes);
        QFETCH(QList<int>, askCounts);
        UseLists({Numbered("甲", 6)});
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        const qint16 startModes[] = {Unspec, Unspec, Learned, Learning, NoLearn, Known};
        for (int i = 0; i < 6; ++i) {
            dic.GetItem(i)->m_nMode = startModes[i];
            dic.GetItem(i)->m_nAskCount = qint16(i < 2 ? 3 * (i + 1) : 8 + i);
            dic.GetItem(i)->m_bDirty = 0;
        }
        dic.ClearModes(flags[0], flags[1], flags[2], flags[3]);
        for (int i = 0; i < 6; ++i) {
            const CItem* item = dic.GetItem(i);
            QCOMPARE(int(item->m_nMode), modes[i]);
            QCOMPARE(int(item->m_nAskCount), askCounts[i]);
            const bool changed = item->m_nMode != startModes[i] ||
                                 item->m_nAskCount != (i < 2 ? 3 * (i + 1) : 8 + i);
            QCOMPARE(bool(item->m_bDirty), changed);
        }
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<bool>>("flags"); // unspec, learned, learning, noLearn, known
        QTest::addColumn<QList<int>>("expected");
        const QList<bool> none{false, false, false, false, false};
        QTest::newRow("reading piece") << "ほん" << none << QList<int>{0, 2};
        QTest::newRow("word piece") << "本" << none << QList<int>{0, 1, 2};
        QTest::newRow("tab matches all") << "\t" << none << QList<int>{0, 1, 2, 3};
        QTest::newRow("across the tab") << "気\tほ" << none << QList<int>{2};
        QTest::newRow("known only") << "" << QList<bool>{false, false, false, false, true}
                                    << QList<int>{1};
        QTest::newRow("unspec and learning")
            << "" << QList<bool>{true, false, true, false, false} << QList<int>{0, 2, 3};
        QTest::newRow("no match") << "ぺ" << none << QList<int>{};
        QTest::newRow("filter admits nothing") << "" << QList<bool>{false, true, false, false, false}
                                               << QList<int>{};
    }
    void search()
    {
        QFETCH(QList<bool>, flags);
        QFETCH(QString, text);
        QFETCH(QList<int>, expected);
        UseLists({{"本\tほん", "日本\tにっぽん"}, {"本気\tほんき", "紙\tかみ"}});
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        dic.GetItem(1)->m_nMode = Known;
        dic.GetItem(3)->m_nMode = Learning;
        QList<int> results{99};
        dic.Search(text, flags[0], flags[1], flags[2], flags[3], flags[4], results);
        QCOMPARE(results, expected);
    }

    void searchStopsAt500()
    {
        UseLists({Numbered("甲", 400), Numbered("乙", 400)});
        MessageRecorder messages;
        CDictionary dic;
        QList<int> results;
        dic.Search(QString(), false, false, false, false, false, results);
        QCOMPARE(results.size(), 500);
        QCOMPARE(results.first(), 0);
        QCOMPARE(results.last(), 499);
        dic.Search(QStringLiteral("乙"), false, false, false, false, false, results);
        QCOMPARE(results.size(), 400);
        QCOMPARE(results.first(), 400);
    }

    void instanceLifetime()
    {
        UseLists({Numbered("甲", 2)});
        MessageRecorder messages;
        CDictionary* first = CDictionary::GetInstance();
        QCOMPARE(CDictionary::GetInstance(), first);
        QCOMPARE(first->GetSize(), 0); // nothing loads before it is needed
        QCOMPARE(first->GetTotalItemCount(), 2);
        CDictionary::DestroyInstance();
        QVERIFY(!CDictionary::GetInstance());
        CDictionary::ResetInstanceForTesting();
        QVERIFY(CDictionary::GetInstance());
        CDictionary::ResetInstanceForTesting();
    }
};

QTEST_GUILESS_MAIN(TestDictionary)
#include "tst_dictionary.moc"

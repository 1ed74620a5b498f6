#include "common/DataFiles.h"
#include "common/FakeWordLists.h"
#include "common/FileSizeLimit.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/Settings.h"
#include "platform/StateWriteGuard.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ItemMatching.h"
#include "study/KnownWordLists.h"
#include "study/ListMigration.h"
#include "study/ListSignature.h"
#include "study/StagedCarryOver.h"
#include "study/StateFileFormat.h"
#include "study/WordListText.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <numeric>
#include <optional>

namespace {

using Lists = QList<QStringList>;       // the six lists' item lines, in list order
using Records = QList<QPair<int, int>>; // (ask count, mode) as stored, 16 bits each

const QString kCannotCarry =
    QStringLiteral("単語リストの変更に合わせて学習モードと履歴を移せませんでした。");
const QString kUnknownLists =
    QStringLiteral("学習モードファイルと履歴ファイルがどの単語リストのものか分かりません。");
const QString kListReadError = QStringLiteral(
    "学習モードファイルを読み込めませんでした。\r\n一部の学習モードはクリアされます。\r\n");

std::shared_ptr<FakeWordLists> MakeLists(const Lists& lists)
{
    auto fake = std::make_shared<FakeWordLists>();
    for (int i = 0; i < 6; ++i)
        fake->m_lists.insert(501 + i, FakeWordLists::MakeList(lists.value(i)));
    return fake;
}

QByteArray ListFile(const Records& records)
{
    QByteArray bytes(2 + 4 * records.size(), Qt::Uninitialized);
    qToLittleEndian<qint16>(1, bytes.data());
    for (int k = 0; k < records.size(); ++k) {
        qToLittleEndian<qint16>(qint16(records[k].first), bytes.data() + 2 + 4 * k);
        qToLittleEndian<qint16>(qint16(records[k].second), bytes.data() + 4 + 4 * k);
    }
    return bytes;
}

// (index, answered) records of a version 2 history file.
QByteArray HistoryFile(int pos, const QList<QPair<int, int>>& records)
{
    QByteArray bytes(10 + 8 * records.size(), Qt::Uninitialized);
    qToLittleEndian<qint16>(2, bytes.data());
    qToLittleEndian<qint32>(pos, bytes.data() + 2);
    qToLittleEndian<qint32>(qint32(records.size()), bytes.data() + 6);
    for (int k = 0; k < records.size(); ++k) {
        qToLittleEndian<qint32>(records[k].first, bytes.data() + 10 + 8 * k);
        qToLittleEndian<qint32>(records[k].second, bytes.data() + 14 + 8 * k);
    }
    return bytes;
}

QString MainSpelling(const QString& text)
{
    const QString word = text.section(QLatin1Char('\t'), 0, 0);
    return word.section(QLatin1Char('('), 0, 0);
}

// One release's lists and the next: words reordered, inserted, removed,
// moved to another list and given other alternatives.
const QString A = QStringLiteral("一\tいち");
const QString B = QStringLiteral("二\tに");
const QString C = QStringLiteral("三\tさん");
const QString D = QStringLiteral("四\tし(よん)");
const QString D2 = QStringLiteral("四\tよん");
const QString G = QStringLiteral("消\tしょう");
const QString E = QStringLiteral("五\tご");
const QString F = QStringLiteral("六\tろく");
const QString H = QStringLiteral("七\tしち");
const QString N = QStringLiteral("新\tしん");
const Lists kOld = {{A, B, C, D, G}, {E, F}, {}, {}, {}, {H}};
const Lists kNew = {{C, A, N, D2}, {F, B, E}, {}, {}, {}, {H}};

// B's record holds bits the loader does not take (top bit, mode 9); the
// file keeps them as they were.
const Records kOldList1 = {{7, 4}, {-1, 9}, {3, 2}, {5, 3}, {9, 1}};
const Records kOldList2 = {{1, 1}, {2, 2}};
const Records kOldList6 = {{4, 4}};
const Records kNewList1 = {{3, 2}, {7, 4}, {0, 0}, {5, 3}};
const Records kNewList2 = {{2, 2}, {-1, 9}, {1, 1}};
// Old indices: A0 B1 C2 D3 G4 E5 F6 H7; new: C0 A1 N2 D3 F4 B5 E6 H7. The
// current record names G, which is gone; the two A records meet once the G
// between them is dropped, and both stay; 99 named no item even in the old
// lists.
const QByteArray kOldHistory =
    HistoryFile(6, {{99, 1}, {1, 1}, {0, 1}, {4, 1}, {0, 0}, {7, 1}, {4, 0}});
const QByteArray kNewHistory = HistoryFile(3, {{5, 1}, {1, 1}, {1, 0}, {7, 1}});
// Dictation counts: version 2, total 12, one day with 5. They name no item.
const QByteArray kMisc = QByteArray::fromHex("02000c00000001000000dd25350105000000");

} // namespace

// Learning-mode files and the history carried over to changed word lists by
// item text, and a carry-over that a crash interrupts anywhere.
class TestListMigration : public QObject {
    Q_OBJECT

private:
    QString Folder() const { return TestEnv::Instance().DataFolder(); }

    void WriteFile(const QString& name, const QByteArray& bytes) { DataFiles::Write(name, bytes); }

    QByteArray ReadFile(const QString& name) const { return DataFiles::Read(name); }

    // State files as the release before wrote them: no signature file.
    void WriteOldState()
    {
        WriteFile("dic1_std1.dat", ListFile(kOldList1));
        WriteFile("dic1_std2.dat", ListFile(kOldList2));
        WriteFile("dic2_std.dat", ListFile(kOldList6));
        WriteFile("histdata.dat", kOldHistory);
        WriteFile("miscdata.dat", kMisc);
    }

    void Install(const Lists& before, const Lists& now)
    {
        CDictionary::SetWordListSource(MakeLists(now));
        SetUnsignedWordListSource(MakeLists(before));
    }

    void VerifyCarriedState()
    {
        CDictionary dic;
        dic.EnsureLoaded();
        QCOMPARE(ReadFile("dic1_std1.dat"), ListFile(kNewList1));
        QCOMPARE(ReadFile("dic1_std2.dat"), ListFile(kNewList2));
        QCOMPARE(ReadFile("dic2_std.dat"), ListFile(kOldList6));
        QCOMPARE(ReadFile("histdata.dat"), kNewHistory);
        QCOMPARE(ReadFile("miscdata.dat"), kMisc);
        QCOMPARE(dic.GetTotalCount(), 12);
        StateSignatures signatures;
        QVERIFY(ParseStateSignatures(ReadFile("wordlists.sig"), signatures));
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(SignatureEntry(signatures, ListFileName(i), ListName(i)),
                     MakeListSignature(kNew[i]));
            QCOMPARE(SignatureEntry(signatures, "histdata.dat", ListName(i)),
                     MakeListSignature(kNew[i]));
        }
        QCOMPARE(ReadFile("wordlists-copy.sig"), ReadFile("wordlists.sig"));
        QVERIFY(!QFileInfo::exists(Folder() + "carryover"));

        QCOMPARE(dic.GetItem(1)->m_strText, A);
        QCOMPARE(int(dic.GetItem(1)->m_nMode), int(Known));
        QCOMPARE(int(dic.GetItem(1)->m_nAskCount), 7);
        QCOMPARE(int(dic.GetItem(2)->m_nMode), int(Unspec));  // a new word
        QCOMPARE(int(dic.GetItem(3)->m_nMode), int(NoLearn)); // only its alternative went
        QCOMPARE(dic.GetItem(5)->m_strText, B);               // moved to the second list
        QCOMPARE(int(dic.GetItem(5)->m_nAskCount), 0);
        QCOMPARE(int(dic.GetItem(7)->m_nMode), int(Known));
        QCOMPARE(dic.GetHistoryCount(), 4);
        QCOMPARE(dic.GetCurrentHistoryItem(), 7);
        QCOMPARE(dic.IsCurrentAnswered(0), 1);
        QCOMPARE(dic.GetHistoryRecord(2).m_bAnswered, 0);
    }

    // Every file under the state folder, staging included, by its path.
    QHash<QString, QByteArray> FolderContents() const
    {
        QHash<QString, QByteArray> contents;
        QDirIterator it(Folder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            contents.insert(path, file.open(QIODevice::ReadOnly) ? file.readAll() : "unreadable");
        }
        return contents;
    }

    // Records of the shipped lists, one per item, told apart by position.
    static QPair<int, int> RecordOf(int globalIndex)
    {
        return {(globalIndex * 7) % 32000 + 1, globalIndex % 5};
    }

    // The lists kept for carrying progress over: "previous" for state files
    // without a signature file, "v2" and later for signed ones.
    static Lists ShippedLists(const QString& version)
    {
        Lists lists;
        for (int id = 501; id <= 506; ++id) {
            QFile file(QStringLiteral(":/dictionary/%1/%2").arg(version).arg(id));
            if (!file.open(QIODevice::ReadOnly))
                return {};
            lists.append(ListItemTexts(file.readAll()));
        }
        return lists;
    }

    // Writes state for a version of the shipped lists (signed for it unless
    // it is "previous"), loads it against the installed ones and checks that
    // every word still there kept its record, that the others start afresh
    // (or, for a word whose alternatives changed, took that word's record),
    // and that the history kept its words. survivors: for each old list, how
    // many of its items are still there.
    void CheckShippedStateCarriesOver(const QString& version, QList<int>& survivors)
    {
        const Lists shipped = ShippedLists(version);
        QCOMPARE(shipped.size(), 6);
        QHash<QString, QPair<int, int>> recordOfText;
        QHash<QString, QList<QPair<int, int>>> recordsOfSpelling;
        QHash<QString, int> listOfText;
        QStringList oldTexts;
        int g = 0;
        for (int i = 0; i < 6; ++i) {
            Records records;
            for (const QString& text : shipped[i]) {
                records.append(RecordOf(g));
                recordOfText.insert(text, RecordOf(g));
                listOfText.insert(text, i);
                recordsOfSpelling[MainSpelling(text)].append(RecordOf(g));
                oldTexts.append(text);
                ++g;
            }
            static const char* const kFiles[] = {"dic1_std1.dat", "dic1_std2.dat", "dic1_std3.dat",
                                                 "dic1_std4.dat", "dic1_std5.dat", "dic2_std.dat"};
            WriteFile(QString::fromLatin1(kFiles[i]), ListFile(records));
        }
        QList<QPair<int, int>> history;
        for (int k = 0; k < g; k += 31)
            history.append({k, 1});
        WriteFile("histdata.dat", HistoryFile(int(history.size()) - 1, history));
        if (version != "previous") {
            StateSignatures signatures;
            for (int i = 0; i < 6; ++i) {
                const ListSignature signature = MakeListSignature(shipped[i]);
                signatures[ListFileName(i)][ListName(i)] = signature;
                signatures["histdata.dat"][ListName(i)] = signature;
            }
            WriteFile("wordlists.sig", FormatStateSignatures(signatures));
        }

        MessageRecorder messages;
        CDictionary dic;
        // Should a text stand twice in the new lists, one of them takes the
        // record and the other starts afresh.
        QHash<QString, QList<int>> newIndices;
        QHash<QString, int> carriedTo;
        for (int index = 0; index < dic.GetTotalItemCount(); ++index) {
            const CDictionary::CItem* item = dic.GetItem(index);
            newIndices[item->m_strText].append(index);
            const QPair<int, int> got(item->m_nAskCount, item->m_nMode);
            if (got == QPair<int, int>(0, 0))
                continue;
            if (recordOfText.contains(item->m_strText)) {
                QCOMPARE(got, recordOfText.value(item->m_strText));
                ++carriedTo[item->m_strText];
            } else {
                QVERIFY2(recordsOfSpelling.value(MainSpelling(item->m_strText)).contains(got),
                         qPrintable(item->m_strText));
            }
        }
        survivors = QList<int>(6, 0);
        for (auto it = newIndices.cbegin(); it != newIndices.cend(); ++it) {
            if (recordOfText.contains(it.key())) {
                QCOMPARE(carriedTo.value(it.key()), 1);
                ++survivors[listOfText.value(it.key())];
            }
        }
        QCOMPARE(messages.Texts(), QStringList());

        // Every history record whose word is still there is still there, in
        // order; one whose spelling is still there may have followed it.
        int next = 0;
        for (const auto& [oldIndex, answered] : std::as_const(history)) {
            const QString& text = oldTexts.at(oldIndex);
            const CDictionary::CHistInfo record = dic.GetHistoryRecord(next);
            if (newIndices.contains(text)) {
                QVERIFY2(newIndices.value(text).contains(record.m_nIndex), qPrintable(text));
                ++next;
            } else if (record.m_nIndex >= 0 &&
                       MainSpelling(dic.GetItem(record.m_nIndex)->m_strText) ==
                           MainSpelling(text) &&
                       !recordOfText.contains(dic.GetItem(record.m_nIndex)->m_strText)) {
                ++next;
            }
        }
        QCOMPARE(dic.GetHistoryCount(), next);
    }

private slots:
    void init()
    {
        QDir(Folder()).removeRecursively();
        WriteProfileString(Setting::StateSignatures, QString());
        SetCarryOverStopForTesting(-1);
    }
    void cleanup()
    {
        SetStateWriteGuard(nullptr);
        SetCarryOverStopForTesting(-1);
        CDictionary::SetWordListSource(nullptr);
        SetUnsignedWordListSource(nullptr);
    }

    void signatures_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<bool>("same");
        const QByteArray list = "#5\r\n一\tいち\r\n二\tに\r\n\r\n";
        QTest::newRow("regrouped")
            << list << QByteArray("#5\r\n一\tいち\r\n\r\n#6\r\n二\tに\r\n") << true;
        QTest::newRow("text after the last line end")
            << list << QByteArray(list + "三\tさん") << true;
        QTest::newRow("reordered") << list << QByteArray("#5\r\n二\tに\r\n一\tいち\r\n") << false;
        QTest::newRow("alternative added")
            << list << QByteArray("#5\r\n一\tいち(ひと)\r\n二\tに\r\n") << false;
        QTest::newRow("byte-order mark is part of the first item")
            << QByteArray("一\tいち\r\n") << QByteArray("\xEF\xBB\xBF一\tいち\r\n") << false;
        QTest::newRow("byte-order mark before a header makes an item")
            << QByteArray("#5\r\n") << QByteArray("\xEF\xBB\xBF#5\r\n") << false;
    }
    void signatures()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(bool, same);
        QCOMPARE(MakeListSignature(ListItemTexts(first)) ==
                     MakeListSignature(ListItemTexts(second)),
                 same);
    }

    void signatureFileRoundTrip()
    {
        StateSignatures signatures;
        signatures["dic1_std1.dat"]["dic1_std1"] = {1238, "00ff"};
        signatures["histdata.dat"]["dic1_std1"] = {1238, "00ff"};
        signatures["histdata.dat"]["dic2_std"] = {0, "da39"};
        StateSignatures read;
        QVERIFY(ParseStateSignatures(FormatStateSignatures(signatures), read));
        QCOMPARE(read, signatures);
        QVERIFY(!ParseStateSignatures("something else\ndic1_std1.dat\tdic1_std1\t3\tab\n", read));
        QVERIFY(read.isEmpty());

        // Written before the checksum: taken as it is.
        QVERIFY(
            ParseStateSignatures("velmarik-wordlists\t1\ndic1_std1.dat\tdic1_std1\t3\tab\n", read));
        QCOMPARE(SignatureEntry(read, "dic1_std1.dat", "dic1_std1"), ListSignature({3, "ab"}));
        // With one: any change breaks it.
        QByteArray text = FormatStateSignatures(signatures);
        text.replace("1238", "1239");
        QVERIFY(!ParseStateSignatures(text, read));
        QVERIFY(read.isEmpty());
        QVERIFY(!ParseStateSignatures(FormatStateSignatures(signatures).chopped(2), read));
    }

    void matchItems_data()
    {
        QTest::addColumn<Lists>("before");
        QTest::addColumn<Lists>("after");
        // where each old item went, in old global order: "list:position" or "-"
        QTest::addColumn<QStringList>("places");
        QTest::newRow("reordered")
            << Lists{{"a\tあ", "b\tび", "c\tし"}} << Lists{{"c\tし", "a\tあ", "b\tび"}}
            << QStringList{"0:1", "0:2", "0:0"};
        QTest::newRow("inserted and removed")
            << Lists{{"a\tあ", "b\tび", "c\tし"}} << Lists{{"x\tえ", "a\tあ", "c\tし"}}
            << QStringList{"0:1", "-", "0:2"};
        QTest::newRow("duplicates pair in order")
            << Lists{{"a\tあ", "b\tび", "a\tあ"}} << Lists{{"a\tあ", "a\tあ", "b\tび"}}
            << QStringList{"0:0", "0:2", "0:1"};
        QTest::newRow("a duplicate removed")
            << Lists{{"a\tあ", "a\tあ"}} << Lists{{"a\tあ"}} << QStringList{"0:0", "-"};
        QTest::newRow("moved to another list")
            << Lists{{"a\tあ", "b\tび"}, {"c\tし"}} << Lists{{"a\tあ"}, {"c\tし", "b\tび"}}
            << QStringList{"0:0", "1:1", "1:0"};
        QTest::newRow("own list first") << Lists{{"a\tあ"}, {"a\tあ"}}
                                        << Lists{{"a\tあ"}, {"a\tあ"}} << QStringList{"0:0", "1:0"};
        QTest::newRow("alternative dropped")
            << Lists{{"愛想\tあいそ(あいそう)"}} << Lists{{"愛想\tあいそう"}} << QStringList{"0:0"};
        QTest::newRow("alternative spelling added")
            << Lists{{"愛敬\tあいきょう"}} << Lists{{"愛敬(愛嬌)\tあいきょう"}}
            << QStringList{"0:0"};
        QTest::newRow("main spelling changed")
            << Lists{{"紅い(赤い)\tあかい"}} << Lists{{"赤い\tあかい"}} << QStringList{"-"};
        QTest::newRow("same spelling, other reading")
            << Lists{{"開く\tあく"}} << Lists{{"開く\tひらく"}} << QStringList{"-"};
        QTest::newRow("two words now where one was")
            << Lists{{"上手\tじょうず(うわて)"}} << Lists{{"上手\tじょうず", "上手\tうわて"}}
            << QStringList{"-"};
        QTest::newRow("set in a phrase")
            << Lists{{"暑い\tあつい"}} << Lists{{"暑い夏\tあついなつ"}} << QStringList{"-"};
        QTest::newRow("exact text before a changed alternative")
            << Lists{{"生\tなま(せい)", "生\tなま"}} << Lists{{"生\tなま"}}
            << QStringList{"-", "0:0"};
    }
    void matchItems()
    {
        QFETCH(Lists, before);
        QFETCH(Lists, after);
        QFETCH(QStringList, places);
        QList<const QStringList*> oldLists;
        QList<const QStringList*> newLists;
        for (const QStringList& list : std::as_const(before))
            oldLists.append(&list);
        for (const QStringList& list : std::as_const(after))
            newLists.append(&list);
        const QList<QList<ItemPlace>> found = MatchListItems(oldLists, newLists);
        QStringList got;
        for (const QList<ItemPlace>& list : found) {
            for (const ItemPlace& place : list)
                got.append(place.m_nList < 0
                               ? QStringLiteral("-")
                               : QStringLiteral("%1:%2").arg(place.m_nList).arg(place.m_nPos));
        }
        QCOMPARE(got, places);
    }

    void carriesRecordsAndHistoryByText()
    {
        Install(kOld, kNew);
        WriteOldState();
        MessageRecorder messages;
        VerifyCarriedState();
        QCOMPARE(messages.Texts(), QStringList());

        // Nothing is carried a second time, and saving keeps the new order.
        const QByteArray signatures = ReadFile("wordlists.sig");
        {
            CDictionary dic;
            dic.GetItem(2)->SetMode(Learning, -1);
            dic.AddToHistory(2);
            dic.Save();
        }
        QCOMPARE(ReadFile("wordlists.sig"), signatures);
        CDictionary dic;
        QCOMPARE(int(dic.GetItem(1)->m_nMode), int(Known));
        QCOMPARE(int(dic.GetItem(2)->m_nMode), int(Learning));
        QCOMPARE(dic.GetCurrentHistoryItem(), 2);
        QCOMPARE(messages.Texts(), QStringList());
    }

    void repeatedQuestionsKeepEveryRecord()
    {
        // C asked three times in a row, then D twice, then G (gone).
        Install(kOld, kNew);
        WriteFile("histdata.dat", HistoryFile(3, {{2, 1}, {2, 0}, {2, 1}, {3, 1}, {3, 0}, {4, 1}}));
        MessageRecorder messages;
        {
            CDictionary dic;
            dic.EnsureLoaded();
        }
        QCOMPARE(ReadFile("histdata.dat"),
                 HistoryFile(3, {{0, 1}, {0, 0}, {0, 1}, {3, 1}, {3, 0}}));
        QCOMPARE(messages.Texts(), QStringList());
    }

    // A damaged file says so once, with the load's own message, whether the
    // carry-over or the load meets it; what could be read is carried.
    void damagedFilesGiveTheLoadsMessages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("askCounts"); // new order: C A N D
        QTest::addColumn<int>("history");
        const QString eof = QStringLiteral("Unexpected end of file.(1)");
        QTest::newRow("list file cut in C's record")
            << "dic1_std1.dat" << ListFile(kOldList1).left(2 + 4 * 2 + 2) << kListReadError + eof
            << QList<int>{3, 7, 0, 0} << 4;
        QTest::newRow("list file cut before A's mode")
            << "dic1_std1.dat" << ListFile(kOldList1).left(2 + 2) << kListReadError + eof
            << QList<int>{0, 7, 0, 0} << 4;
        QTest::newRow("list file of an unknown version")
            << "dic1_std1.dat" << QByteArray("\x02\x00\x05\x00\x04\x00", 6)
            << QStringLiteral("未知の学習モードファイルです。\r\n"
                              "一部の学習モードはクリアされます。\r\ndic1_std1.dat")
            << QList<int>{0, 0, 0, 0} << 4;
        QTest::newRow("empty list file") << "dic1_std1.dat" << QByteArray() << kListReadError + eof
                                         << QList<int>{0, 0, 0, 0} << 4;
        QTest::newRow("history cut short")
            << "histdata.dat" << kOldHistory.left(30)
            << QStringLiteral(
                   "履歴ファイルを読み込めませんでした。\r\n履歴はクリアされます。\r\n") +
                   eof
            << QList<int>{3, 7, 0, 5} << 0;
    }
    void damagedFilesGiveTheLoadsMessages()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(QList<int>, askCounts);
        QFETCH(int, history);
        Install(kOld, kNew);
        WriteOldState();
        WriteFile(file, content);
        MessageRecorder messages;
        CDictionary dic;
        for (int k = 0; k < askCounts.size(); ++k)
            QCOMPARE(int(dic.GetItem(k)->m_nAskCount), askCounts[k]);
        QCOMPARE(dic.GetHistoryCount(), history);
        QCOMPARE(messages.Texts(), QStringList{message});
    }

    void unchangedListsWriteNoSignature()
    {
        // State without a signature file, for the lists that are still
        // shipped: there is nothing to carry and nothing to sign.
        Install(kOld, kOld);
        WriteOldState();
        {
            CDictionary dic;
            QCOMPARE(int(dic.GetItem(0)->m_nMode), int(Known));
            dic.GetItem(0)->SetMode(Learned, -1);
            dic.AddToHistory(3);
            dic.Save();
        }
        QVERIFY(!QFile::exists(Folder() + "wordlists.sig"));
        QCOMPARE(ReadFile("dic2_std.dat"), ListFile(kOldList6));
    }

    void newLearnerOnChangedListsKeepsProgress()
    {
        // A learner who starts on the new lists must never have their files
        // taken for the old lists' at the next start.
        Install(kOld, kNew);
        {
            CDictionary dic;
            dic.GetItem(0)->SetMode(Known, -1); // C, where the old lists had A
            dic.GetItem(4)->SetMode(Learning, -1);
            dic.AddToHistory(4);
            dic.Save();
        }
        QVERIFY(QFile::exists(Folder() + "wordlists.sig"));
        CDictionary dic;
        QCOMPARE(int(dic.GetItem(0)->m_nMode), int(Known));
        QCOMPARE(int(dic.GetItem(1)->m_nMode), int(Unspec));
        QCOMPARE(int(dic.GetItem(4)->m_nMode), int(Learning));
        QCOMPARE(dic.GetCurrentHistoryItem(), 4);
    }

    void unknownVersionLoadsByPosition()
    {
        // Written for lists that this release does not know (a later one's,
        // say): loaded by position, and nothing is rewritten at start.
        Install(kOld, kNew);
        WriteFile("dic1_std1.dat", ListFile({{1, 1}, {2, 2}, {3, 3}, {4, 4}}));
        const QByteArray signatures = "velmarik-wordlists\t1\n"
                                      "dic1_std1.dat\tdic1_std1\t4\t0123\n";
        WriteFile("wordlists.sig", signatures);
        MessageRecorder messages;
        {
            CDictionary dic;
            QCOMPARE(int(dic.GetItem(0)->m_nMode), 1);
            QCOMPARE(int(dic.GetItem(3)->m_nMode), 4);
            QCOMPARE(ReadFile("dic1_std1.dat"), ListFile({{1, 1}, {2, 2}, {3, 3}, {4, 4}}));
            QCOMPARE(ReadFile("wordlists.sig"), signatures);
            dic.GetItem(2)->SetMode(Known, -1);
            dic.Save();
        }
        // Once written by this release the file is signed for its lists.
        QVERIFY(ReadFile("wordlists.sig") != signatures);
        CDictionary dic;
        QCOMPARE(int(dic.GetItem(0)->m_nMode), 1);
        QCOMPARE(int(dic.GetItem(2)->m_nMode), int(Known));
        QCOMPARE(messages.Texts(), QStringList());
    }

    void missingListLeavesStateAlone()
    {
        auto lists = MakeLists(kNew);
        lists->m_lists.remove(502);
        CDictionary::SetWordListSource(lists);
        SetUnsignedWordListSource(MakeLists(kOld));
        WriteOldState();
        MessageRecorder messages;
        {
            CDictionary dic;
            dic.EnsureLoaded();
        }
        QCOMPARE(ReadFile("dic1_std2.dat"), ListFile(kOldList2));
        QCOMPARE(ReadFile("dic1_std1.dat"), ListFile(kOldList1));
        QVERIFY(!QFile::exists(Folder() + "wordlists.sig"));
        // Once the program is whole again, the records are all there to carry.
        Install(kOld, kNew);
        VerifyCarriedState();
    }

    void interruptedCarryOver_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("committed"); // the staged signature file was written
        // Three staged files, the staged signature file, three moves into
        // place, the signature file's move and the writing of its copy.
        for (int steps = 0; steps < 9; ++steps)
            QTest::addRow("stopped after %d steps", steps) << steps << (steps >= 4);
    }
    void interruptedCarryOver()
    {
        QFETCH(int, steps);
        QFETCH(bool, committed);
        Install(kOld, kNew);
        WriteOldState();
        MessageRecorder messages;
        SetCarryOverStopForTesting(steps);
        {
            CDictionary dic;
            dic.EnsureLoaded();
        }
        // A real crash would end the run here; this one went on to read the
        // half-done files by position, and may have said so.
        messages.Clear();
        QCOMPARE(QFile::exists(Folder() + "carryover/wordlists.sig"), committed && steps < 8);
        QCOMPARE(QFile::exists(Folder() + "wordlists.sig"), steps == 8);
        QVERIFY(!QFile::exists(Folder() + "wordlists-copy.sig"));
        if (steps == 5) {
            // The most dangerous point: one file already in its new order
            // beside old ones, and no signature file yet to say so.
            QCOMPARE(ReadFile("dic1_std1.dat"), ListFile(kNewList1));
            QCOMPARE(ReadFile("dic1_std2.dat"), ListFile(kOldList2));
            QCOMPARE(ReadFile("histdata.dat"), kOldHistory);
        }
        // The restart finishes or redoes it, exactly once.
        VerifyCarriedState();
        VerifyCarriedState();
        QCOMPARE(messages.Texts(), QStringList());
    }

    // A committed staging that something damaged afterwards never replaces
    // a file: it is thrown away and the carry-over runs again.
    void damagedStagingIsRedone_data()
    {
        QTest::addColumn<QString>("file"); // in the staging folder
        QTest::addColumn<QString>("damage");
        QTest::newRow("signature of one byte") << "wordlists.sig"
                                               << "one byte";
        QTest::newRow("signature cut in half") << "wordlists.sig"
                                               << "half";
        QTest::newRow("signature with a changed byte") << "wordlists.sig"
                                                       << "changed byte";
        QTest::newRow("list file cut in half") << "dic1_std1.dat"
                                               << "half";
        QTest::newRow("list file with a changed byte") << "dic1_std2.dat"
                                                       << "changed byte";
        QTest::newRow("list file gone") << "dic1_std2.dat"
                                        << "gone";
        QTest::newRow("history cut in half") << "histdata.dat"
                                             << "half";
        QTest::newRow("history of another version") << "histdata.dat"
                                                    << "version";
    }
    void damagedStagingIsRedone()
    {
        QFETCH(QString, file);
        QFETCH(QString, damage);
        Install(kOld, kNew);
        WriteOldState();
        SetCarryOverStopForTesting(4); // the staging is complete and committed
        {
            MessageRecorder messages;
            CDictionary dic;
            dic.EnsureLoaded();
        }
        const QString staged = "carryover/" + file;
        QByteArray bytes = ReadFile(staged);
        QVERIFY(bytes.size() > 8);
        if (damage == "gone") {
            QVERIFY(QFile::remove(Folder() + staged));
        } else {
            if (damage == "one byte")
                bytes = bytes.left(1);
            else if (damage == "half")
                bytes.truncate(bytes.size() / 2);
            else if (damage == "changed byte")
                bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 1);
            else
                bytes[0] = 7;
            WriteFile(staged, bytes);
        }
        MessageRecorder messages;
        VerifyCarriedState();
        QCOMPARE(messages.Texts(), QStringList());
    }

    // A carry-over that cannot be staged says once what failed and where,
    // leaves the files as they are, and tries again at the next start;
    // meanwhile the run reads the records by item text and writes none.
    void carryOverThatCannotBeStaged_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("carryover is a file") << "file";
        QTest::newRow("no room for the staged files") << "size limit";
        QTest::newRow("read-only folder") << "read-only";
    }
    void carryOverThatCannotBeStaged()
    {
        QFETCH(QString, obstacle);
        Install(kOld, kNew);
        WriteOldState();
        const QFile::Permissions permissions = QFile::permissions(Folder());
        std::optional<FileSizeLimit> limit;
        if (obstacle == "file") {
            WriteFile("carryover", "in the way");
        } else if (obstacle == "size limit") {
            limit.emplace(16); // below every staged file
            QVERIFY(limit->IsSet());
        } else {
            QVERIFY(QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::ExeOwner));
            if (QDir().mkdir(Folder() + "probe")) {
                QDir().rmdir(Folder() + "probe");
                QFile::setPermissions(Folder(), permissions);
                QSKIP("The folder stays writable for this user (root).");
            }
        }
        MessageRecorder messages;
        {
            CDictionary dic;
            QCOMPARE(dic.GetItem(1)->m_strText, A);
            QCOMPARE(int(dic.GetItem(1)->m_nMode), int(Known));
            QCOMPARE(int(dic.GetItem(1)->m_nAskCount), 7);
            QCOMPARE(int(dic.GetItem(3)->m_nMode), int(NoLearn));
            QCOMPARE(dic.GetCurrentHistoryItem(), 7);
            dic.GetItem(0)->SetMode(Learned, -1);
            dic.AddToHistory(0);
            dic.Save();
            dic.Save();
        }
        limit.reset();
        QFile::setPermissions(Folder(), permissions);
        QCOMPARE(messages.Texts().size(), 1);
        const QStringList lines = messages.Texts().first().split("\r\n");
        QCOMPARE(lines.first(), kCannotCarry);
        QVERIFY2(lines.contains(Folder() + "carryover"), qPrintable(messages.Texts().first()));
        QCOMPARE(ReadFile("dic1_std1.dat"), ListFile(kOldList1));
        QCOMPARE(ReadFile("dic1_std2.dat"), ListFile(kOldList2));
        QCOMPARE(ReadFile("histdata.dat"), kOldHistory);
        QVERIFY(!QFile::exists(Folder() + "wordlists.sig"));

        if (obstacle == "file")
            QVERIFY(QFile::remove(Folder() + "carryover"));
        messages.Clear();
        VerifyCarriedState();
        QCOMPARE(messages.Texts(), QStringList());
    }

    // A copy that may not write the state files (it could not make sure it
    // is the only one running) carries them over in memory only: it stages,
    // moves, repairs and removes nothing. The next copy that may write
    // carries them over on disk.
    void noCarryOverWrittenWithoutLeave_data()
    {
        QTest::addColumn<int>("stopAfter"); // an earlier run's carry-over ended there
        QTest::addColumn<bool>("copyLost"); // after a whole carry-over
        QTest::newRow("files for the old lists") << -1 << false;
        QTest::newRow("staging begun, not committed") << 2 << false;
        QTest::newRow("staging committed, nothing moved") << 4 << false;
        QTest::newRow("staging committed, a file moved") << 5 << false;
        QTest::newRow("signature copy lost") << -1 << true;
    }
    void noCarryOverWrittenWithoutLeave()
    {
        QFETCH(int, stopAfter);
        QFETCH(bool, copyLost);
        Install(kOld, kNew);
        WriteOldState();
        MessageRecorder messages;
        if (stopAfter >= 0) {
            SetCarryOverStopForTesting(stopAfter);
            CDictionary dic;
            dic.EnsureLoaded();
        }
        if (copyLost) {
            VerifyCarriedState();
            QVERIFY(QFile::remove(Folder() + "wordlists-copy.sig"));
        }
        messages.Clear();
        const QHash<QString, QByteArray> before = FolderContents();
        SetStateWriteGuard([] { return false; });
        {
            CDictionary dic;
            QCOMPARE(dic.GetItem(1)->m_strText, A);
            QCOMPARE(int(dic.GetItem(1)->m_nMode), int(Known));
            QCOMPARE(int(dic.GetItem(1)->m_nAskCount), 7);
            QCOMPARE(int(dic.GetItem(3)->m_nMode), int(NoLearn));
            QCOMPARE(int(dic.GetItem(5)->m_nAskCount), 0);
            QCOMPARE(dic.GetHistoryCount(), 4);
            QCOMPARE(dic.GetCurrentHistoryItem(), 7);
            dic.GetItem(0)->SetMode(Learned, -1);
            dic.Save();
        }
        QCOMPARE(FolderContents(), before);
        QCOMPARE(messages.Texts(), QStringList());

        SetStateWriteGuard(nullptr);
        VerifyCarriedState();
        QCOMPARE(messages.Texts(), QStringList());
    }

    // After a carry-over, losing the signature file, its copy or both never
    // has the files carried a second time: what is left stands in and the
    // lost ones are written back.
    void lostSignatureFileIsRestored_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("gone"); // else cut in half
        QTest::newRow("signature file gone") << QStringList{"wordlists.sig"} << true;
        QTest::newRow("signature file damaged") << QStringList{"wordlists.sig"} << false;
        QTest::newRow("copy gone") << QStringList{"wordlists-copy.sig"} << true;
        QTest::newRow("copy damaged") << QStringList{"wordlists-copy.sig"} << false;
        QTest::newRow("both gone") << QStringList{"wordlists.sig", "wordlists-copy.sig"} << true;
        QTest::newRow("both damaged")
            << QStringList{"wordlists.sig", "wordlists-copy.sig"} << false;
    }
    void lostSignatureFileIsRestored()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, gone);
        Install(kOld, kNew);
        WriteOldState();
        MessageRecorder messages;
        VerifyCarriedState();
        const QByteArray signatures = ReadFile("wordlists.sig");
        for (const QString& file : std::as_const(files)) {
            if (gone)
                QVERIFY(QFile::remove(Folder() + file));
            else
                WriteFile(file, signatures.left(signatures.size() / 2));
        }
        VerifyCarriedState();
        QCOMPARE(ReadFile("wordlists.sig"), signatures);
        QCOMPARE(ReadFile("wordlists-copy.sig"), signatures);
        QCOMPARE(messages.Texts(), QStringList());
    }

    // Lists whose versions hold as many items each, so that the files'
    // lengths cannot tell them apart: with both signature files lost, the
    // files are not taken for the lists before signatures and carried again.
    void lostSignaturesOfListsOfTheSameLength()
    {
        const Lists before = {{A, B, C}, {E, F}, {}, {}, {}, {H}};
        const Lists now = {{C, A, B}, {F, E}, {}, {}, {}, {H}};
        Install(before, now);
        WriteFile("dic1_std1.dat", ListFile({{1, 1}, {2, 2}, {3, 3}}));
        WriteFile("dic1_std2.dat", ListFile({{4, 4}, {5, 1}}));
        WriteFile("histdata.dat", HistoryFile(1, {{0, 1}, {3, 1}}));
        MessageRecorder messages;
        {
            CDictionary dic;
            QCOMPARE(dic.GetItem(0)->m_strText, C);
            QCOMPARE(int(dic.GetItem(0)->m_nAskCount), 3);
            dic.Save();
        }
        const QHash<QString, QByteArray> carried = FolderContents();
        QVERIFY(QFile::remove(Folder() + "wordlists.sig"));
        QVERIFY(QFile::remove(Folder() + "wordlists-copy.sig"));
        for (int start = 0; start < 2; ++start) {
            CDictionary dic;
            QCOMPARE(int(dic.GetItem(0)->m_nAskCount), 3);
            QCOMPARE(int(dic.GetItem(1)->m_nAskCount), 1);
            QCOMPARE(int(dic.GetItem(3)->m_nAskCount), 5);
            QCOMPARE(dic.GetHistoryRecord(0).m_nIndex, 1);
            dic.Save();
        }
        QCOMPARE(FolderContents(), carried);
        QCOMPARE(messages.Texts(), QStringList());
    }

    // When nothing says which lists the files were written for, nothing is
    // guessed: they stay as they are, unread and unwritten, and the learner
    // is told at every start.
    void unknownListsKeepTheFilesAndSaySo_data()
    {
        QTest::addColumn<bool>("damaged");  // the signature file, else gone
        QTest::addColumn<bool>("replaced"); // the folder, else the settings' copy lost
        QTest::newRow("both signature files gone") << false << false;
        QTest::newRow("signature file damaged, copy gone") << true << false;
        QTest::newRow("both gone, the folder made again") << false << true;
    }
    void unknownListsKeepTheFilesAndSaySo()
    {
        QFETCH(bool, damaged);
        QFETCH(bool, replaced);
        Install(kOld, kNew);
        WriteOldState();
        {
            MessageRecorder messages;
            VerifyCarriedState();
        }
        QFile::remove(Folder() + "wordlists-copy.sig");
        if (damaged)
            WriteFile("wordlists.sig", ReadFile("wordlists.sig").left(40));
        else
            QVERIFY(QFile::remove(Folder() + "wordlists.sig"));
        if (replaced) {
            // As a backup put back, or a folder synced from elsewhere.
            QHash<QString, QByteArray> files;
            for (const QString& name : QDir(Folder()).entryList(QDir::Files))
                files.insert(name, ReadFile(name));
            QVERIFY(QDir(Folder()).removeRecursively());
            QVERIFY(QDir().mkpath(Folder()));
            for (auto it = files.cbegin(); it != files.cend(); ++it)
                WriteFile(it.key(), it.value());
        } else {
            WriteProfileString(Setting::StateSignatures, QString());
        }
        QHash<QString, QByteArray> before;
        for (const QString& name : QDir(Folder()).entryList(QDir::Files))
            before.insert(name, ReadFile(name));

        for (int start = 0; start < 2; ++start) {
            MessageRecorder messages;
            {
                CDictionary dic;
                QCOMPARE(int(dic.GetItem(1)->m_nMode), int(Unspec));
                QCOMPARE(dic.GetHistoryCount(), 0);
                QCOMPARE(dic.GetTotalCount(), 12); // the counts name no item
                dic.GetItem(1)->SetMode(Learned, -1);
                dic.AddToHistory(1);
                dic.Save();
            }
            QCOMPARE(messages.Texts().size(), 1);
            const QStringList lines = messages.Texts().first().split("\r\n");
            QCOMPARE(lines.first(), kUnknownLists);
            QVERIFY2(lines.contains(Folder()), qPrintable(messages.Texts().first()));
            QHash<QString, QByteArray> after;
            for (const QString& name : QDir(Folder()).entryList(QDir::Files))
                after.insert(name, ReadFile(name));
            QCOMPARE(after, before);
        }
    }

    void shippedLists_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("unsigned, before signatures") << QStringLiteral("previous");
        QTest::newRow("signed for the second lists") << QStringLiteral("v2");
    }

    void shippedListsToBuiltInLists_data() { shippedLists_data(); }
    void shippedListsToBuiltInLists()
    {
        // The lists compiled into the program, whatever they hold.
        QFETCH(QString, version);
        QList<int> survivors;
        CheckShippedStateCarriesOver(version, survivors);
        const Lists shipped = ShippedLists(version);
        for (int i = 0; i < 6; ++i) {
            qInfo("%s: %d of %d items kept their records", qPrintable(ListName(i)), survivors[i],
                  int(shipped[i].size()));
            QVERIFY(survivors[i] > 0);
        }
    }

    void shippedListsToChangedLists_data() { shippedLists_data(); }
    void shippedListsToChangedLists()
    {
        QFETCH(QString, version);
        Lists lists = ShippedLists(version);
        QCOMPARE(lists.size(), 6);
        std::reverse(lists[0].begin(), lists[0].end());
        for (int k = int(lists[1].size()) - 1; k >= 0; k -= 5)
            lists[1].removeAt(k);
        for (int k = 0; k < 40; ++k)
            lists[2].insert(k * 20, QStringLiteral("新語%1\tしんご").arg(k));
        for (int k = 0; k < 50; ++k)
            lists[4].append(lists[3].takeFirst());
        int alternativesDropped = 0;
        for (QStringList& list : lists) {
            for (QString& text : list) {
                const qsizetype paren = text.indexOf(QLatin1Char('('), text.indexOf(u'\t'));
                if (paren > 0 && text.endsWith(QLatin1Char(')'))) {
                    text.truncate(paren);
                    ++alternativesDropped;
                }
            }
        }
        QVERIFY(alternativesDropped > 0);
        CDictionary::SetWordListSource(MakeLists(lists));
        SetUnsignedWordListSource(nullptr); // the shipped lists, as for a learner
        QList<int> survivors;
        CheckShippedStateCarriesOver(version, survivors);
        const Lists shipped = ShippedLists(version);
        QSet<QString> old;
        for (const QStringList& list : shipped)
            old.unite(QSet<QString>(list.begin(), list.end()));
        QSet<QString> kept;
        for (const QStringList& list : std::as_const(lists))
            kept.unite(QSet<QString>(list.begin(), list.end()));
        QCOMPARE(std::accumulate(survivors.cbegin(), survivors.cend(), 0),
                 int(kept.intersect(old).size()));

        // The words whose reading lost its alternative kept their records.
        CDictionary dic;
        int carried = 0;
        for (int index = 0; index < dic.GetTotalItemCount(); ++index) {
            const CDictionary::CItem* item = dic.GetItem(index);
            carried += !old.contains(item->m_strText) && item->m_nAskCount != 0;
        }
        QCOMPARE(carried, alternativesDropped);
    }
};

QTEST_GUILESS_MAIN(TestListMigration)
#include "tst_listmigration.moc"

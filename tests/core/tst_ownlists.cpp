#include "common/MessageRecorder.h"
#include "common/StudyData.h"

#include "platform/Profile.h"
#include "platform/Settings.h"
#include "platform/StagedFiles.h"
#include "platform/StateWriteGuard.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/FsrsScheduler.h"
#include "study/KnownWordLists.h"
#include "study/OwnLists.h"
#include "study/StudyCommands.h"
#include "study/WordListImport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

// Two built-in lists of three and two items; the others empty.
const QList<QStringList> kBuiltIn{
    {u"一\tいち"_s, u"二\tに"_s, u"三\tさん"_s},
    {u"食べる\tたべる"_s, u"日本\tにほん"_s},
};
constexpr int kBuiltInCount = 5;

QString Folder()
{
    return TestEnv::Instance().DataFolder();
}

CDictionary* Dic()
{
    return StudyData::Dic();
}

QList<OwnListRow> Rows(const QStringList& items)
{
    QList<OwnListRow> rows;
    for (const QString& item : items) {
        const QStringList parts = item.split(u'\t');
        rows.append({parts.at(0), parts.at(1), QString(), parts.value(2) != u"plain"});
    }
    return rows;
}

int AddList(const QString& name, const QStringList& items)
{
    QString error;
    if (!AddOwnList(*Dic(), name, Rows(items), error))
        qFatal("AddOwnList: %s", qPrintable(error));
    return Dic()->GetSize() - 1;
}

QString History()
{
    QStringList records;
    for (int k = 0; k < Dic()->GetHistoryCount(); ++k)
        records << QString::number(Dic()->GetHistoryRecord(k).m_nIndex);
    return records.join(u' ') + u" @"_s + QString::number(Dic()->m_nHistPos);
}

QString Words()
{
    QStringList words;
    for (int k = 0; k < Dic()->GetTotalItemCount(); ++k)
        words << Dic()->GetItem(k)->GetWord();
    return words.join(u' ');
}

QString Titles()
{
    QStringList titles;
    Dic()->EnsureLoaded();
    for (int k = 0; k < Dic()->GetSize(); ++k) {
        if (Dic()->GetAt(k)->IsOwnList())
            titles << Dic()->GetAt(k)->m_strTitle;
    }
    return titles.join(u'/');
}

QByteArray WriteTemp(QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write(bytes);
    return file.fileName().toUtf8();
}

} // namespace

// Lists of one's own: after the built-in ones, loaded like them, drilled,
// searched, filed, renamed, imported again and deleted, each change whole or
// not at all.
class TestOwnLists : public QObject {
    Q_OBJECT

    StudyData m_data;

private slots:
    void init()
    {
        StudyData::Fresh();
        m_data.Use(kBuiltIn);
        SetStagedFilesStopForTesting(-1);
    }
    void cleanup() { SetStagedFilesStopForTesting(-1); }

    // The same words in the three formats a learner brings.
    void importedListIsDrilledSearchedFiledDeleted_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("tab-separated") << u"漢字\tかんじ\t kanji\n書く\tかく\n"_s.toUtf8();
        QTest::newRow("comma-separated")
            << u"\"漢字\",\"かんじ\",\"kanji, characters\"\r\n書く,かく\r\n"_s.toUtf8();
        QTest::newRow("anki") << u"#separator:tab\n#html:true\n漢字[かんじ]\tkanji\n"_s
                                 u"<div>書[か]く</div>\t<b>かく</b>\n"_s.toUtf8();
    }
    void importedListIsDrilledSearchedFiledDeleted()
    {
        QFETCH(QByteArray, file);
        const WordListImport import = ParseWordList(file);
        QCOMPARE(import.m_failure, WordListImport::Failure::None);
        QString error;
        const std::optional<QString> list =
            AddOwnList(*Dic(), u"第1課"_s, RowsOfImport(import, false), error);
        QVERIFY2(list, qPrintable(error));
        QCOMPARE(*list, u"own1"_s);
        // After the built-in lists: their indices keep their meaning.
        QCOMPARE(Words(), u"一 二 三 食べる 日本 漢字 書く"_s);

        QList<int> found;
        Dic()->Search(u"かん"_s, false, false, false, false, false, found);
        QCOMPARE(found, QList<int>{5});
        QCOMPARE(Dic()->GetItem(5)->GetQuestionText(), u"<G>かんじ<N>"_s);

        // Drilled: with the built-in lists switched off, only its words come up.
        WriteProfileString(Setting::ListsOff, u"dic1_std1,dic1_std2"_s);
        for (int round = 0; round < 20; ++round) {
            const int index = Dic()->SelectNextQuestion(0);
            QVERIFY2(index == 5 || index == 6, qPrintable(QString::number(index)));
        }
        Dic()->AddToHistory(6);
        Dic()->GetItem(6)->SetMode(Learned, -1);
        Dic()->Save();

        // Filed: the mode survives a new start, read from its own file.
        StudyData::Reload();
        QCOMPARE(Titles(), u"第1課"_s);
        QCOMPARE(Dic()->GetItem(6)->m_nMode, qint16(Learned));
        QVERIFY(QFile::exists(Folder() + u"own1.dat"_s));
        QCOMPARE(History(), u"6 @0"_s);

        // Deleted: its files and its history go, nothing else.
        Dic()->GetItem(1)->SetMode(Known, -1);
        QVERIFY2(DeleteOwnList(*Dic(), 6, error), qPrintable(error));
        QCOMPARE(Words(), u"一 二 三 食べる 日本"_s);
        QCOMPARE(History(), u" @-1"_s);
        StudyData::Reload();
        QCOMPARE(Words(), u"一 二 三 食べる 日本"_s);
        QCOMPARE(Dic()->GetItem(1)->m_nMode, qint16(Known));
        QVERIFY(!QFile::exists(Folder() + u"own1.csv"_s));
        QVERIFY(!QFile::exists(Folder() + u"own1.dat"_s));
    }

    void uncolouredWordsShowTheirReadingPlain()
    {
        AddList(u"a"_s, {u"食べる\tたべた\tplain"_s, u"本\tほん"_s});
        StudyData::Reload();
        QCOMPARE(Dic()->GetItem(kBuiltInCount)->GetQuestionText(), u"たべた"_s);
        QCOMPARE(Dic()->GetItem(kBuiltInCount + 1)->GetQuestionText(), u"<G>ほん<N>"_s);
    }

    // A save of a list's learning-mode file that a kill cut short leaves
    // its temporary file; the next start removes it, and only it.
    void leftoverSaveFilesGo()
    {
        AddList(u"a"_s, {u"本\tほん"_s});
        for (const QString& name : {u"own1.dat.AbcDef"_s, u"own9.dat.abcdef"_s}) {
            QFile file(Folder() + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        StudyData::Reload();
        QCOMPARE(Titles(), u"a"_s);
        QVERIFY(!QFile::exists(Folder() + u"own1.dat.AbcDef"_s));
        QVERIFY(QFile::exists(Folder() + u"own9.dat.abcdef"_s)); // no list of that name
    }

    void renameSurvivesAStart()
    {
        const int list = AddList(u"old"_s, {u"本\tほん"_s});
        QString error;
        QVERIFY(RenameOwnList(*Dic(), list, u"  新しい 名前 "_s, error));
        QVERIFY(!RenameOwnList(*Dic(), 0, u"x"_s, error)); // a built-in list
        QVERIFY(!RenameOwnList(*Dic(), list, u"  "_s, error));
        StudyData::Reload();
        QCOMPARE(Titles(), u"新しい 名前"_s);
    }

    // Imported again: progress by item text, the history with it, and the
    // lists after it shifted.
    void reimportCarriesProgressByText()
    {
        const int first = AddList(u"a"_s, {u"本\tほん"_s, u"山\tやま"_s, u"川\tかわ"_s});
        AddList(u"b"_s, {u"海\tうみ"_s});
        Dic()->GetItem(5)->SetMode(Known, -1);    // 本
        Dic()->GetItem(6)->SetMode(Learning, -1); // 山
        Dic()->GetItem(7)->m_nAskCount = 4;       // 川, gone in the new file
        Dic()->GetItem(7)->m_bDirty = 1;
        for (int index : {6, 8, 7, 1})
            Dic()->AddToHistory(index);
        Dic()->m_nHistPos = 2; // 川
        // Reviews follow their items as the history does.
        Dic()->RateItem(5, ReviewRating::Again); // 本
        Dic()->RateItem(7, ReviewRating::Good);  // 川
        Dic()->RateItem(8, ReviewRating::Easy);  // 海
        const ReviewState hon = *Dic()->GetReviewState(5);
        const ReviewState umi = *Dic()->GetReviewState(8);

        const QList<OwnListRow> rows =
            Rows({u"谷\tたに"_s, u"山\tやま"_s, u"本\tほん"_s, u"森\tもり"_s});
        const ReimportCarry carry = PreviewReimport(*Dic(), first, rows);
        QCOMPARE(carry.m_nCarried, 2);
        QCOMPARE(carry.m_nLost, 1);
        QString error;
        QVERIFY2(ReimportOwnList(*Dic(), first, rows, error), qPrintable(error));
        QCOMPARE(Words(), u"一 二 三 食べる 日本 谷 山 本 森 海"_s);
        // 山 at 6, 海 from 8 to 9, 川 gone (it was current: 海 before it is),
        // 二 unchanged.
        QCOMPARE(History(), u"6 9 1 @1"_s);
        StudyData::Reload();
        QCOMPARE(Dic()->GetItem(6)->m_nMode, qint16(Learning));
        QCOMPARE(Dic()->GetItem(7)->m_nMode, qint16(Known));
        QCOMPARE(Dic()->GetItem(5)->m_nMode, qint16(Unspec));
        QCOMPARE(History(), u"6 9 1 @1"_s);
        QVERIFY(!Dic()->GetReviewState(5)); // 谷 is new
        QVERIFY(!Dic()->GetReviewState(6)); // 山 was never rated
        QVERIFY(Dic()->GetReviewState(7) && Dic()->GetReviewState(7)->m_nDueDay == hon.m_nDueDay);
        QVERIFY(!Dic()->GetReviewState(8)); // 森 is new; 川's review went with it
        QVERIFY(Dic()->GetReviewState(9) && Dic()->GetReviewState(9)->m_nDueDay == umi.m_nDueDay);
    }

    void deleteShiftsTheListsAfterIt()
    {
        const int first = AddList(u"a"_s, {u"本\tほん"_s, u"山\tやま"_s});
        AddList(u"b"_s, {u"海\tうみ"_s});
        Dic()->GetItem(7)->SetMode(Known, -1);
        for (int index : {0, 5, 7, 6})
            Dic()->AddToHistory(index);
        Dic()->RateItem(5, ReviewRating::Good); // 本, deleted with its list
        Dic()->RateItem(7, ReviewRating::Easy); // 海
        const ReviewState umi = *Dic()->GetReviewState(7);
        QString error;
        QVERIFY(DeleteOwnList(*Dic(), first, error));
        QCOMPARE(Titles(), u"b"_s);
        QCOMPARE(History(), u"0 5 @1"_s);
        StudyData::Reload();
        QCOMPARE(Dic()->GetItem(5)->GetWord(), u"海"_s);
        QCOMPARE(Dic()->GetItem(5)->m_nMode, qint16(Known));
        QCOMPARE(History(), u"0 5 @1"_s);
        QVERIFY(Dic()->GetReviewState(5) && Dic()->GetReviewState(5)->m_nDueDay == umi.m_nDueDay);
        QVERIFY(!Dic()->GetReviewState(6));
        // A later list gets a file name no file in the folder has.
        AddList(u"c"_s, {u"空\tそら"_s});
        QCOMPARE(Dic()->GetAt(Dic()->GetSize() - 1)->m_strName, u"own1"_s);
    }

    // A release that changes the built-in lists carries their records and
    // history by item text; the lists of one's own keep theirs, and their
    // history records follow the new built-in lists.
    void builtInListsChangeWithOwnListsPresent()
    {
        AddList(u"a"_s, {u"本\tほん"_s, u"山\tやま"_s});
        Dic()->GetItem(1)->SetMode(Known, -1);    // 二
        Dic()->GetItem(5)->SetMode(Learning, -1); // 本
        Dic()->GetItem(6)->m_nAskCount = 3;       // 山
        Dic()->GetItem(6)->m_bDirty = 1;
        // 9 names no item, not even among the lists of one's own.
        for (int index : {1, 5, 6, 9, 0})
            Dic()->AddToHistory(index);
        Dic()->m_nHistPos = 2; // 山
        Dic()->Save();

        // 食べる gone, 新 and 森 new: the built-in lists grow by one. The
        // state files were written for the lists before.
        m_data.Use(QList<QStringList>{{u"三\tさん"_s, u"一\tいち"_s, u"新\tしん"_s, u"二\tに"_s},
                                      {u"日本\tにほん"_s},
                                      {u"森\tもり"_s}});
        SetUnsignedWordListSource(StudyData::MakeLists(kBuiltIn));
        MessageRecorder messages;
        for (int start = 0; start < 2; ++start) {
            StudyData::Reload();
            QCOMPARE(Words(), u"三 一 新 二 日本 森 本 山"_s);
            QCOMPARE(Titles(), u"a"_s);
            QCOMPARE(Dic()->GetItem(3)->m_nMode, qint16(Known));
            QCOMPARE(Dic()->GetItem(6)->m_nMode, qint16(Learning));
            QCOMPARE(Dic()->GetItem(7)->m_nAskCount, qint16(3));
            QCOMPARE(History(), u"3 6 7 1 @2"_s);
        }
        QCOMPARE(messages.Texts(), QStringList());
    }

    // Killed at any step of an import, the next start finds either no new
    // list or the whole of it.
    void killDuringImport_data()
    {
        QTest::addColumn<int>("steps");
        for (int steps = 0; steps <= 6; ++steps)
            QTest::newRow(qPrintable(u"after %1 steps"_s.arg(steps))) << steps;
    }
    void killDuringImport()
    {
        QFETCH(int, steps);
        AddList(u"a"_s, {u"本\tほん"_s});
        Dic()->GetItem(5)->SetMode(Known, -1);
        SetStagedFilesStopForTesting(steps);
        QString error;
        const bool done =
            AddOwnList(*Dic(), u"b"_s, Rows({u"山\tやま"_s, u"川\tかわ"_s}), error).has_value();
        SetStagedFilesStopForTesting(-1);
        StudyData::Reload();
        // Two files, the commit file, two moves, the end.
        QCOMPARE(done, steps >= 6);
        QCOMPARE(Titles(), steps >= 3 ? u"a/b"_s : u"a"_s);
        QCOMPARE(Dic()->GetTotalItemCount(), steps >= 3 ? kBuiltInCount + 3 : kBuiltInCount + 1);
        QCOMPARE(Dic()->GetItem(5)->m_nMode, qint16(Known));
        QVERIFY(!QDir(Folder() + kStateStagingFolder).exists());
    }

    void unsavableStateRefusesTheChange()
    {
        const int list = AddList(u"a"_s, {u"本\tほん"_s});
        Dic()->GetItem(0)->SetMode(Known, -1);
        // The learning-mode file cannot be replaced: a folder in its place.
        QFile::remove(Folder() + u"dic1_std1.dat"_s);
        QVERIFY(QDir().mkpath(Folder() + u"dic1_std1.dat/x"_s));
        MessageRecorder messages;
        QString error;
        QVERIFY(!DeleteOwnList(*Dic(), list, error));
        QVERIFY(error.contains(u"保存できない"_s));
        QCOMPARE(Titles(), u"a"_s);
        QVERIFY(QFile::exists(Folder() + u"own1.csv"_s));
        QDir(Folder() + u"dic1_std1.dat"_s).removeRecursively();
    }

    // While the copy cannot make sure it is the only one, neither a list
    // nor a restore writes into the folder.
    void noChangeWhileAnotherCopyMayRun()
    {
        const int list = AddList(u"a"_s, {u"本\tほん"_s});
        SetStateWriteGuard([] { return false; });
        QString error;
        QVERIFY(!AddOwnList(*Dic(), u"b"_s, Rows({u"山\tやま"_s}), error));
        QVERIFY(error.contains(u"動いていない"_s));
        QVERIFY(!DeleteOwnList(*Dic(), list, error));
        SetStateWriteGuard({});
        QCOMPARE(Titles(), u"a"_s);
        QVERIFY(!QFile::exists(Folder() + u"own2.csv"_s));
        StudyData::Reload();
        QCOMPARE(Titles(), u"a"_s);
    }

    void brokenListFileIsRepairedInPlace()
    {
        AddList(u"a"_s, {u"本\tほん"_s, u"山\tやま"_s});
        Dic()->GetItem(6)->SetMode(Known, -1);
        Dic()->Save();
        QFile file(Folder() + u"own1.csv"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(u"word,reading,note,coloured\r\n\"#本\",ほん,,1\r\n山,やま,,1\r\n"_s.toUtf8());
        file.close();
        MessageRecorder messages;
        StudyData::Reload();
        QCOMPARE(Words(), u"一 二 三 食べる 日本 ＃本 山"_s);
        QCOMPARE(Dic()->GetItem(6)->m_nMode, qint16(Known));
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(messages.Texts().first().contains(u"1 語は壊れていた"_s));
    }

    // The command line, as scripts use it.
    void commandLine()
    {
        QTemporaryDir dir;
        const QString words = QString::fromUtf8(
            WriteTemp(dir, u"第2課.csv"_s, u"漢字,かんじ\n書く,かいた\nかな,かな\n"_s.toUtf8()));
        QString printed;
        QString errors;
        QTextStream out(&printed);
        QTextStream err(&errors);
        QCOMPARE(ImportOwnListFile(words, QString(), out, err), 0);
        QVERIFY(printed.contains(
            u"リスト「第2課」を作りました: 2 語（うち読みを色分けしない語 1 語）"_s));
        QVERIFY(printed.contains(u"3 行目: 語句に漢字がありません"_s));
        QCOMPARE(Titles(), u"第2課"_s);
        Dic()->GetItem(5)->SetMode(Known, -1);
        Dic()->Save();

        const QString archive = dir.filePath(u"backup.zip"_s);
        printed.clear();
        QCOMPARE(ExportStudyData(archive, out, err), 0);
        QVERIFY(printed.contains(u"自分のリスト 1 個"_s));

        // Into a fresh profile: the list and its progress come back.
        StudyData::Fresh();
        m_data.Use(kBuiltIn);
        printed.clear();
        QCOMPARE(RestoreStudyData(archive, out, err), 0);
        QVERIFY(printed.contains(u"を読み込みました"_s));
        StudyData::Reload();
        QCOMPARE(Titles(), u"第2課"_s);
        QCOMPARE(Dic()->GetItem(5)->m_nMode, qint16(Known));
        QCOMPARE(Dic()->GetItem(6)->GetQuestionText(), u"かいた"_s);
        QCOMPARE(errors, QString());

        // Failures say why and change nothing.
        QCOMPARE(RestoreStudyData(words, out, err), 1);
        QVERIFY(errors.contains(u"学習データの書き出しファイルとして読めません"_s));
        errors.clear();
        const QString empty = QString::fromUtf8(WriteTemp(dir, u"empty.txt"_s, QByteArray()));
        QCOMPARE(ImportOwnListFile(empty, u"x"_s, out, err), 1);
        QVERIFY(errors.contains(u"ファイルが空です"_s));
        QCOMPARE(ExportStudyData(dir.filePath(u"no/such/folder/x.zip"_s), out, err), 1);
        QCOMPARE(Titles(), u"第2課"_s);
    }
};

QTEST_GUILESS_MAIN(TestOwnLists)
#include "tst_ownlists.moc"

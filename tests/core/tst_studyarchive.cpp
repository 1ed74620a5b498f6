#include "common/MessageRecorder.h"
#include "common/StudyData.h"

#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/Settings.h"
#include "platform/StagedFiles.h"
#include "platform/ZipArchive.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/FsrsScheduler.h"
#include "study/KnownWordLists.h"
#include "study/StagedCarryOver.h"
#include "study/StudyArchive.h"
#include "study/StudyBackup.h"
#include "study/StudyExport.h"
#include "study/StudyRestore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QList<QStringList> kLists{
    {u"一\tいち"_s, u"二\tに"_s, u"三\tさん"_s, u"日本\tにほん"_s},
    {u"食べる\tたべる"_s, u"本懐を遂げる\tほんかいをとげる"_s, u"愛想\tあいそ(あいそう)"_s},
};

QString Folder()
{
    return TestEnv::Instance().DataFolder();
}

QByteArray ReadFile(const QString& name)
{
    QFile file(Folder() + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

CDictionary::CItem* Item(int index)
{
    return StudyData::Dic()->GetItem(index);
}

// A learner's state: modes and ask counts, a history with its position,
// counts on two days, two settings.
void MakeState()
{
    CDictionary* dic = StudyData::Dic();
    Item(0)->SetMode(Known, -1);
    Item(1)->SetMode(Learning, -1);
    Item(1)->m_nAskCount = 7;
    Item(2)->m_nAskCount = 3;
    Item(2)->m_bDirty = 1;
    Item(5)->SetMode(Learned, -1);
    for (int index : {1, 5, 2, 6})
        dic->AddToHistory(index);
    dic->m_history[0].m_bAnswered = 1;
    dic->m_history[2].m_bAnswered = 1;
    dic->m_nHistPos = 2;
    dic->m_nTotalCount = 42;
    dic->m_mapDayCount.insert(MakeDayKey(GetStudyDate()), 5);
    dic->m_mapDayCount.insert(MakeDayKey(GetStudyDate() - 86400 * 3), 9);
    dic->m_bMiscDirty = 1;
    // Reviews of 二 (twice, a lapse) and 食べる.
    dic->RateItem(1, ReviewRating::Good);
    dic->RateItem(4, ReviewRating::Easy);
    SetCurrentTimeForTesting(CurrentTime() + 5 * 86400);
    dic->RateItem(1, ReviewRating::Again);
    SetCurrentTimeForTesting(CurrentTime() - 5 * 86400);
    dic->Save();
    WriteProfileInt(Setting::FontPoint, 48);
    WriteProfileString(Setting::SearchURL, u"https://example.org/?q="_s);
}

QByteArray ArchiveBytes()
{
    QString error;
    const std::optional<QByteArray> bytes =
        WriteStudyArchive(ExportStudyState(*StudyData::Dic()), CurrentTime(), error);
    if (!bytes)
        qFatal("no archive: %s", qPrintable(error));
    return *bytes;
}

// Restores the archive into the data folder and reads it back as a start
// of the program would.
RestorePlan Restore(const QByteArray& bytes)
{
    const StudyArchiveRead read = ReadStudyArchive(bytes);
    if (read.m_failure != StudyArchiveRead::Failure::None)
        qFatal("unreadable archive");
    RestorePlan plan = PlanRestore(read.m_archive, read.m_problems, *StudyData::Dic());
    QString error;
    if (!WriteRestoredState(plan, Folder(), error))
        qFatal("restore failed: %s", qPrintable(error));
    ApplyRestoredSettings(plan);
    StudyData::Reload();
    return plan;
}

// The archive's entries, with one replaced (or added).
QByteArray Edited(const QByteArray& bytes, const QString& name, const QByteArray& data,
                  bool keepOthers = true)
{
    QList<ZipEntry> entries;
    bool replaced = false;
    for (const ZipEntry& entry : ReadZipArchive(bytes).m_entries) {
        if (entry.m_strName == name) {
            entries.append({name, data});
            replaced = true;
        } else if (keepOthers) {
            entries.append(entry);
        }
    }
    if (!replaced)
        entries.append({name, data});
    QString error;
    return MakeZipArchive(entries, 0, error).value_or(QByteArray());
}

QString Modes()
{
    QStringList modes;
    CDictionary* dic = StudyData::Dic();
    for (int k = 0; k < dic->GetTotalItemCount(); ++k)
        modes << u"%1/%2"_s.arg(Item(k)->m_nMode).arg(Item(k)->m_nAskCount);
    return modes.join(u' ');
}

// The items' review states, "index:reviews/lapses/due/stability".
QString Reviews()
{
    QStringList states;
    CDictionary* dic = StudyData::Dic();
    for (int k = 0; k < dic->GetTotalItemCount(); ++k) {
        if (const std::optional<ReviewState> state = dic->GetReviewState(k))
            states << u"%1:%2/%3/%4/%5"_s.arg(k)
                          .arg(state->m_nReviews)
                          .arg(state->m_nLapses)
                          .arg(state->m_nDueDay)
                          .arg(state->m_dStability, 0, 'g', 17);
    }
    return states.join(u' ');
}

QString History()
{
    QStringList records;
    CDictionary* dic = StudyData::Dic();
    for (int k = 0; k < dic->GetHistoryCount(); ++k) {
        const CDictionary::CHistInfo record = dic->GetHistoryRecord(k);
        records << u"%1%2"_s.arg(record.m_nIndex).arg(record.m_bAnswered ? u"+"_s : QString());
    }
    return records.join(u' ') + u" @"_s + QString::number(dic->m_nHistPos);
}

} // namespace

// The export, the restore and the backups: what goes out comes back, by the
// items' texts, and nothing of the current state is lost on the way.
class TestStudyArchive : public QObject {
    Q_OBJECT

    StudyData m_data;

private slots:
    void init()
    {
        StudyData::Fresh();
        m_data.Use(kLists);
        SetStagedFilesStopForTesting(-1);
        SetCurrentTimeForTesting(1718000000);
    }
    void cleanup()
    {
        SetStagedFilesStopForTesting(-1);
        SetCurrentTimeForTesting(std::nullopt);
    }

    // An export restored into a fresh profile gives the same files back.
    void restoreIntoFreshProfile()
    {
        MakeState();
        const QStringList files{u"dic1_std1.dat"_s, u"dic1_std2.dat"_s, u"histdata.dat"_s};
        QList<QByteArray> before;
        for (const QString& file : files)
            before << ReadFile(file);
        const QString modes = Modes();
        const QString history = History();
        const QString reviews = Reviews();
        QVERIFY(reviews.startsWith(u"1:2/1/"_s));
        const QHash<int, int> days = StudyData::Dic()->m_mapDayCount;
        const QByteArray bytes = ArchiveBytes();
        const ZipContents exported = ReadZipArchive(bytes);

        StudyData::Fresh();
        m_data.Use(kLists);
        QCOMPARE(GetProfileInt(Setting::FontPoint), 36);
        const RestorePlan plan = Restore(bytes);
        QCOMPARE(plan.m_nItemsNotFound, 0);
        QCOMPARE(plan.m_nHistoryNotFound, 0);
        QCOMPARE(plan.m_problems, QStringList());

        for (qsizetype k = 0; k < files.size(); ++k)
            QCOMPARE(ReadFile(files[k]), before[k]);
        QCOMPARE(Modes(), modes);
        QCOMPARE(History(), history);
        QCOMPARE(Reviews(), reviews);
        QCOMPARE(StudyData::Dic()->GetTotalCount(), 42);
        QCOMPARE(StudyData::Dic()->m_mapDayCount, days);
        QCOMPARE(GetProfileInt(Setting::FontPoint), 48);
        QCOMPARE(GetProfileString(Setting::SearchURL), u"https://example.org/?q="_s);

        // Exported again, every file but the manifest's time stamp is the same.
        const ZipContents again = ReadZipArchive(ArchiveBytes());
        for (const QString& name : {u"items.csv"_s, u"history.csv"_s, u"counts.csv"_s,
                                    u"lists.csv"_s, u"settings.csv"_s, u"reviews.csv"_s})
            QCOMPARE(again.Find(name), exported.Find(name));
    }

    void archiveIsReadable()
    {
        MakeState();
        const ZipContents zip = ReadZipArchive(ArchiveBytes());
        QCOMPARE(zip.m_failure, ZipContents::Failure::None);
        const QString items = QString::fromUtf8(zip.Find(u"items.csv"_s).value());
        QVERIFY(items.startsWith(u"list,item,word,reading,mode,ask_count\r\n"_s));
        QVERIFY(items.contains(u"dic1_std1,1,二,に,2,7\r\n"_s));
        QVERIFY(items.contains(u"dic1_std2,2,愛想,あいそ(あいそう),0,0\r\n"_s));
        const QString history = QString::fromUtf8(zip.Find(u"history.csv"_s).value());
        QVERIFY(history.contains(u"dic1_std2,1,本懐を遂げる,ほんかいをとげる,0\r\n"_s));
        QVERIFY(
            QString::fromUtf8(zip.Find(u"counts.csv"_s).value()).contains(u"2024-06-10,5\r\n"_s));
        QVERIFY(
            QString::fromUtf8(zip.Find(u"manifest.csv"_s).value()).contains(u"version,1\r\n"_s));
        const QString reviews = QString::fromUtf8(zip.Find(u"reviews.csv"_s).value());
        QVERIFY(reviews.startsWith(
            u"list,item,word,reading,stability,difficulty,last_review,due,reviews,lapses\r\n"_s));
        QVERIFY(reviews.contains(u"\r\ndic1_std2,0,食べる,たべる,"_s));
        QVERIFY(reviews.contains(u",2024-06-10,"_s)); // 食べる, rated on the export's day
        QCOMPARE(reviews.count(u"\r\n"_s), 3);
        // Stability and difficulty as the review file keeps them, float32s:
        // the few digits that give them back, not a double's seventeen.
        for (const QString& row : reviews.split(u"\r\n"_s, Qt::SkipEmptyParts).mid(1))
            for (const int field : {4, 5}) {
                const QString number = row.split(u',').value(field);
                QVERIFY2(!number.isEmpty() && number.size() <= 11, qPrintable(row));
            }
    }

    // Restored into lists that changed since: each item by its text, the
    // history with it, and what has no place is named.
    void restoreIntoChangedLists()
    {
        MakeState();
        const QByteArray bytes = ArchiveBytes();
        StudyData::Fresh();
        // 二 moved to the second list, 三 is gone, 四 is new at the start.
        m_data.Use(
            QList<QStringList>{{u"四\tよん"_s, u"一\tいち"_s, u"日本\tにほん"_s},
                               {u"二\tに"_s, u"食べる\tたべる"_s,
                                u"本懐を遂げる\tほんかいをとげる"_s, u"愛想\tあいそ(あいそう)"_s}});
        const RestorePlan plan = Restore(bytes);
        QCOMPARE(plan.m_nItemsNotFound, 1);
        QCOMPARE(plan.m_notFound, QStringList{u"三"_s});
        QCOMPARE(plan.m_nHistoryNotFound, 1);
        QCOMPARE(Modes(), u"0/0 4/0 0/0 2/7 0/0 1/0 0/0"_s);
        // 二, 本懐を遂げる, (三 gone), 愛想: the current record was 三, so
        // the one before it is current.
        QCOMPARE(History(), u"3+ 5 6 @1"_s);
        // 二's review went with it, 食べる's too.
        QVERIFY(Reviews().startsWith(u"3:2/1/"_s));
        QVERIFY(Reviews().contains(u" 4:1/0/"_s));
        QVERIFY(DescribeRestorePlan(plan).contains(u"今の単語リストにない語句 1 個（三）"_s));
    }

    void editedOrNewerArchives()
    {
        MakeState();
        const QByteArray bytes = ArchiveBytes();
        StudyData::Fresh();
        m_data.Use(kLists);

        // Edited by hand: the checksum says so, the rows are read.
        QByteArray items = ReadZipArchive(bytes).Find(u"items.csv"_s).value();
        items.replace("dic1_std1,3,日本,にほん,0,0", "dic1_std1,3,日本,にほん,3,0");
        items += "dic1_std1,9,x,y,9,0\r\ndic1_std1,x,a,b,0,0\r\n";
        StudyArchiveRead read = ReadStudyArchive(Edited(bytes, u"items.csv"_s, items));
        QCOMPARE(read.m_failure, StudyArchiveRead::Failure::None);
        QCOMPARE(read.m_problems.size(), 2);
        QVERIFY(read.m_problems[0].contains(u"items.csv は書き出しの後で変更された"_s));
        QVERIFY(read.m_problems[1].contains(u"items.csv の 2 行を読めませんでした"_s));
        RestorePlan plan = PlanRestore(read.m_archive, read.m_problems, *StudyData::Dic());
        QCOMPARE(plan.m_lists[0].m_records[3].m_nMode, qint16(NoLearn));

        // Reviews out of range are no reviews: a stability of NaN, a due
        // date before the last review, more lapses than reviews.
        QByteArray reviews = ReadZipArchive(bytes).Find(u"reviews.csv"_s).value();
        const int rows = int(reviews.count("\r\n")) - 1;
        reviews += "dic1_std1,2,三,さん,nan,5,2024-06-10,2024-06-12,1,0\r\n"
                   "dic1_std1,2,三,さん,3,5,2024-06-10,2024-06-09,1,0\r\n"
                   "dic1_std1,2,三,さん,3,5,2024-06-10,2024-06-12,1,2\r\n";
        read = ReadStudyArchive(Edited(bytes, u"reviews.csv"_s, reviews));
        QCOMPARE(read.m_archive.m_reviews.size(), rows);
        QVERIFY(read.m_problems.join(u' ').contains(u"reviews.csv の 3 行を読めませんでした"_s));

        // A later version: more columns, more files, a new setting.
        QByteArray later = Edited(
            bytes, u"manifest.csv"_s,
            ReadZipArchive(bytes).Find(u"manifest.csv"_s)->replace("version,1", "version,2"));
        later = Edited(later, u"reviews.csv"_s, "list,item,stability\r\n");
        later =
            Edited(later, u"settings.csv"_s, "value,name,extra\r\n7,ProbFreq,\r\n1,Future,\r\n");
        read = ReadStudyArchive(later);
        QVERIFY(read.m_problems.first().contains(u"新しい版"_s));
        plan = PlanRestore(read.m_archive, read.m_problems, *StudyData::Dic());
        QCOMPARE(plan.m_nItemsNotFound, 0);
        QCOMPARE(plan.m_unknownSettings, QStringList{u"Future"_s});
        QCOMPARE(plan.m_settings.size(), 1);
        QCOMPARE(plan.m_settings[0].m_strValue, u"7"_s);
    }

    void refusedArchives_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("failure");
        using F = StudyArchiveRead::Failure;
        QString error;
        QTest::newRow("empty") << QByteArray() << int(F::NotArchive);
        QTest::newRow("a word list") << u"日本\tにほん\r\n"_s.toUtf8() << int(F::NotArchive);
        QTest::newRow("another zip")
            << MakeZipArchive({{u"readme.txt"_s, "hello"_ba}}, 0, error).value()
            << int(F::NotArchive);
        QTest::newRow("path outside")
            << MakeZipArchive({{u"manifest.csv"_s, "key,value\r\nformat,velmarik-export\r\n"_ba},
                               {u"../../.bashrc"_s, "rm -rf ~"_ba}},
                              0, error)
                   .value()
            << int(F::Unsafe);
        QTest::newRow("too large") << QByteArray(kMaxArchiveFileSize + 1, 'P') << int(F::TooLarge);
    }
    void refusedArchives()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, failure);
        const StudyArchiveRead read = ReadStudyArchive(bytes);
        QCOMPARE(int(read.m_failure), failure);
        QVERIFY(!DescribeArchiveFailure(read).isEmpty());
    }

    void truncatedArchiveChangesNothing()
    {
        MakeState();
        const QByteArray bytes = ArchiveBytes();
        const QString modes = Modes();
        for (qsizetype size : {qsizetype(10), bytes.size() / 2, bytes.size() - 1}) {
            const StudyArchiveRead read = ReadStudyArchive(bytes.left(size));
            QCOMPARE(read.m_failure, StudyArchiveRead::Failure::NotArchive);
        }
        StudyData::Reload();
        QCOMPARE(Modes(), modes);
    }

    // Killed at any step, the restore leaves either the old state whole or
    // the new one whole, once the program starts again.
    void killDuringRestore_data()
    {
        QTest::addColumn<int>("steps");
        // Twelve files are staged, then the commit file; after it, twelve
        // moves and the end.
        for (int steps = 0; steps <= 26; ++steps)
            QTest::newRow(qPrintable(u"after %1 steps"_s.arg(steps))) << steps;
    }
    void killDuringRestore()
    {
        QFETCH(int, steps);
        MakeState();
        const QByteArray restored = ArchiveBytes();
        const QString newModes = Modes();
        const QString newHistory = History();
        // Another state in the folder, which the restore replaces.
        Item(0)->SetMode(NoLearn, -1);
        Item(6)->SetMode(Known, -1);
        StudyData::Dic()->AddToHistory(3);
        StudyData::Dic()->Save();
        const QString oldModes = Modes();
        const QString oldHistory = History();

        const StudyArchiveRead read = ReadStudyArchive(restored);
        const RestorePlan plan = PlanRestore(read.m_archive, read.m_problems, *StudyData::Dic());
        SetStagedFilesStopForTesting(steps);
        QString error;
        const bool done = WriteRestoredState(plan, Folder(), error);
        SetStagedFilesStopForTesting(-1);
        StudyData::Reload();
        QCOMPARE(done, steps >= 26);
        if (steps >= 13) {
            QCOMPARE(Modes(), newModes);
            QCOMPARE(History(), newHistory);
        } else {
            QCOMPARE(Modes(), oldModes);
            QCOMPARE(History(), oldHistory);
        }
        QVERIFY(!QDir(Folder() + kStateStagingFolder).exists());
    }

    // A carry-over to changed word lists that this run could not finish
    // must not, at the next start, put its files over a restore's.
    void restoreOverAnUnfinishedCarryOver()
    {
        MakeState();
        const QString archived = Modes();
        const QByteArray archive = ArchiveBytes();
        Item(0)->SetMode(NoLearn, -1);
        Item(1)->SetMode(NoLearn, -1);
        StudyData::Dic()->Save();

        // The first list's two first words change places; the run ends
        // (as a crash would end it) once the carry-over is committed.
        QList<QStringList> changed = kLists;
        changed[0].swapItemsAt(0, 1);
        m_data.Use(changed);
        SetUnsignedWordListSource(StudyData::MakeLists(kLists));
        StudyData::Reload();
        // Three files (a list's, the history's, the reviews') and the staged
        // signature file.
        SetCarryOverStopForTesting(4);
        StudyData::Dic()->EnsureLoaded();
        SetCarryOverStopForTesting(-1);
        QVERIFY(QFile::exists(Folder() + u"carryover/wordlists.sig"_s));

        Restore(archive);
        QStringList expected = archived.split(u' ');
        expected.swapItemsAt(0, 1);
        QCOMPARE(Modes(), expected.join(u' '));
        StudyData::Reload();
        QCOMPARE(Modes(), expected.join(u' '));
        QVERIFY(!QFile::exists(Folder() + u"carryover"_s));
    }

    void randomArchives()
    {
        MakeState();
        const QByteArray good = ArchiveBytes();
        QRandomGenerator random(4711);
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = good;
            if (round % 4 == 0) {
                bytes.resize(random.bounded(1, 2000));
                for (char& c : bytes)
                    c = char(random.bounded(256));
            } else if (round % 4 == 1) {
                for (int edits = random.bounded(1, 10); edits > 0; --edits)
                    bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            } else {
                // A well-formed archive whose files are garbled.
                const ZipContents zip = ReadZipArchive(good);
                const ZipEntry& entry = zip.m_entries.at(random.bounded(zip.m_entries.size()));
                QByteArray data = entry.m_data;
                for (int edits = random.bounded(1, 20); edits > 0 && !data.isEmpty(); --edits)
                    data[random.bounded(data.size())] = "0123456789,\"\r\n-x\t"[random.bounded(18)];
                bytes = Edited(good, entry.m_strName, data);
            }
            const StudyArchiveRead read = ReadStudyArchive(bytes);
            if (read.m_failure != StudyArchiveRead::Failure::None)
                continue;
            const RestorePlan plan =
                PlanRestore(read.m_archive, read.m_problems, *StudyData::Dic());
            int total = 0;
            for (const RestorePlan::List& list : plan.m_lists) {
                QCOMPARE(list.m_records.size(), list.m_itemTexts.size());
                for (const RestorePlan::Record& record : list.m_records)
                    QVERIFY(IsValidMode(record.m_nMode) && record.m_nAskCount >= 0);
                total += int(list.m_records.size());
            }
            for (const CDictionary::CHistInfo& record : plan.m_history)
                QVERIFY(record.m_nIndex >= 0 && record.m_nIndex < total);
            QVERIFY(plan.m_nHistPos >= -1 && plan.m_nHistPos < plan.m_history.size());
        }
    }

    void dailyBackups()
    {
        MakeState();
        const QString backups = Folder() + kBackupFolderName + u'/';
        QString error;
        for (int day = 0; day < 20; ++day) {
            SetCurrentTimeForTesting(1718000000 + qint64(day) * 86400);
            QVERIFY2(WriteDailyBackup(*StudyData::Dic(), Folder(), error), qPrintable(error));
            // A second save that day writes nothing new.
            Item(3)->SetMode(Known, -1);
            QVERIFY(WriteDailyBackup(*StudyData::Dic(), Folder(), error));
            Item(3)->SetMode(Unspec, -1);
        }
        const QStringList kept = QDir(backups).entryList(QDir::Files, QDir::Name);
        QCOMPARE(kept.size(), kKeptDailyBackups);
        QCOMPARE(kept.first(), u"velmarik-2024-06-16.zip"_s);
        QCOMPARE(kept.last(), u"velmarik-2024-06-29.zip"_s);
        // Every backup restores.
        const StudyArchiveRead read = ReadStudyArchiveFile(backups + kept.last());
        QCOMPARE(read.m_failure, StudyArchiveRead::Failure::None);
        QCOMPARE(read.m_problems, QStringList());
    }

    // The day's first save that writes anything leaves a backup of the
    // state; later saves that day leave it alone. What a kill during a
    // backup leaves (its temporary file) is not taken for the day's backup
    // and leaves the state files as the last save wrote them.
    void backupAtTheDaysFirstSave()
    {
        const QString backups = Folder() + kBackupFolderName + u'/';
        CDictionary* dic = StudyData::Dic();
        dic->EnsureLoaded();
        dic->Save();
        QVERIFY(!QDir(backups).exists());

        Item(0)->SetMode(Known, -1);
        dic->Save();
        const QString today = backups + u"velmarik-2024-06-10.zip"_s;
        QVERIFY(QFile::exists(today));
        Item(1)->SetMode(Learned, -1);
        dic->Save();
        const StudyArchiveRead read = ReadStudyArchiveFile(today);
        QCOMPARE(read.m_failure, StudyArchiveRead::Failure::None);
        QCOMPARE(read.m_archive.m_items.at(0).m_nMode, qint16(Known));
        QCOMPARE(read.m_archive.m_items.at(1).m_nMode, qint16(Unspec));

        SetCurrentTimeForTesting(1718000000 + 86400);
        const QByteArray modes = ReadFile(u"dic1_std1.dat"_s);
        const QString cut = backups + u"velmarik-2024-06-11.zip.kXq3Zp"_s;
        {
            QFile partial(cut);
            QVERIFY(partial.open(QIODevice::WriteOnly));
            partial.write(QByteArray("PK\x03\x04", 4));
        }
        StudyData::Reload();
        QCOMPARE(ReadFile(u"dic1_std1.dat"_s), modes);
        QCOMPARE(Item(1)->m_nMode, qint16(Learned));
        Item(2)->SetMode(NoLearn, -1);
        StudyData::Dic()->Save();
        QVERIFY(!QFile::exists(cut));
        const StudyArchiveRead next = ReadStudyArchiveFile(backups + u"velmarik-2024-06-11.zip"_s);
        QCOMPARE(next.m_failure, StudyArchiveRead::Failure::None);
        QCOMPARE(next.m_archive.m_items.at(1).m_nMode, qint16(Learned));
    }

    void backupsStayWithinTheirSize()
    {
        const QString backups = Folder() + kBackupFolderName + u'/';
        QDir().mkpath(backups);
        const auto make = [&](const QString& name, qint64 size, int age) {
            QFile file(backups + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(size));
            file.setFileTime(QDateTime::currentDateTime().addDays(-age),
                             QFileDevice::FileModificationTime);
        };
        make(u"velmarik-2024-06-01.zip"_s, 20 << 20, 3);
        make(u"velmarik-2024-06-02.zip"_s, 20 << 20, 2);
        make(u"before-restore-2024-06-02-101010.zip"_s, 20 << 20, 1);
        make(u"velmarik-2024-06-03.zip"_s, 1000, 0);
        make(u"velmarik-2024-06-04.zip.AbCdEf"_s, 10, 0); // a backup cut short
        make(u"notes.txt"_s, 10, 5);                      // not ours
        PruneBackups(Folder());
        QCOMPARE(QDir(backups).entryList(QDir::Files, QDir::Name),
                 (QStringList{u"before-restore-2024-06-02-101010.zip"_s, u"notes.txt"_s,
                              u"velmarik-2024-06-02.zip"_s, u"velmarik-2024-06-03.zip"_s}));

        // One backup larger than the bound stays: it is the newest one.
        QDir(backups).removeRecursively();
        QDir().mkpath(backups);
        make(u"velmarik-2024-06-05.zip"_s, 60 << 20, 0);
        PruneBackups(Folder());
        QVERIFY(QFile::exists(backups + u"velmarik-2024-06-05.zip"_s));
    }

    // The restore's own backup gives back the state it replaced.
    void restoreCanBeUndone()
    {
        MakeState();
        const QString before = Modes();
        QString path;
        QString error;
        QVERIFY(WriteBackupBeforeRestore(*StudyData::Dic(), Folder(), path, error));
        QVERIFY(path.contains(u"/backups/before-restore-2024-06-10-"_s));
        StudyData::Dic()->ClearModes(true, true, true, true);
        StudyData::Dic()->Save();
        QVERIFY(Modes() != before);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        Restore(file.readAll());
        QCOMPARE(Modes(), before);
    }
};

QTEST_GUILESS_MAIN(TestStudyArchive)
#include "tst_studyarchive.moc"

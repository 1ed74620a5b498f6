#include "common/DataFiles.h"
#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/Clock.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/KnownWordLists.h"
#include "study/ListMigration.h"
#include "study/ReviewFileFormat.h"
#include "study/StagedCarryOver.h"
#include "study/StateFileFormat.h"
#include "study/StudyDay.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimeZone>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const QString kReadFailure = QStringLiteral(
    "復習ファイルを読み込めませんでした。\r\n一部の復習の記録はクリアされます。\r\n");
const QString kUnknownVersion =
    QStringLiteral("未知の復習ファイルです。\r\n復習の記録はクリアされます。");

// A record as the file holds it; the due date is stored as days after the
// last review.
struct RawRecord {
    qint16 list = 0;
    qint32 pos = 0;
    double stability = 3;
    double difficulty = 5;
    qint32 lastDay = 0;
    quint16 interval = 3;
    quint16 reviews = 1;
    quint16 lapses = 0;
};

class RawFile {
public:
    // The header up to the tallies, which the caller appends.
    explicit RawFile(qint16 version = 1, qint32 tallies = 0, qint32 newDay = 0, qint32 newCount = 0)
    {
        i16(version).i32(newDay).i32(newCount).i32(tallies);
    }
    RawFile& i16(qint16 v) { return Raw(v); }
    RawFile& u16(quint16 v) { return Raw(v); }
    RawFile& i32(qint32 v) { return Raw(v); }
    RawFile& f64(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        return Raw(bits);
    }
    RawFile& f32(float v)
    {
        quint32 bits;
        std::memcpy(&bits, &v, sizeof bits);
        return Raw(bits);
    }
    RawFile& Count(qint32 n) { return i32(n); }
    // A record as the present version writes it.
    RawFile& Record2(const RawRecord& r)
    {
        return i16(r.list)
            .i32(r.pos)
            .f32(float(r.stability))
            .f32(float(r.difficulty))
            .i32(r.lastDay)
            .u16(r.interval)
            .u16(r.reviews)
            .u16(r.lapses);
    }
    // A record of the version before, which held float64s.
    RawFile& Record(const RawRecord& r)
    {
        return i16(r.list)
            .i32(r.pos)
            .f64(r.stability)
            .f64(r.difficulty)
            .i32(r.lastDay)
            .u16(r.interval)
            .u16(r.reviews)
            .u16(r.lapses);
    }
    operator QByteArray() const { return m_data; }

private:
    template <typename T> RawFile& Raw(T v)
    {
        char b[sizeof(T)];
        qToLittleEndian(v, b);
        m_data.append(b, sizeof(T));
        return *this;
    }
    QByteArray m_data;
};

const qint32 kDay = DayNumberOf(QDate(2026, 3, 15));

RawRecord At(qint16 list, qint32 pos)
{
    RawRecord r;
    r.list = list;
    r.pos = pos;
    r.lastDay = kDay - 1;
    return r;
}

RawRecord With(RawRecord r, void (*change)(RawRecord&))
{
    change(r);
    return r;
}

// The records a decoder gives, as (list, pos).
QList<QPair<int, int>> Decoded(const QByteArray& bytes, qsizetype maxRecords, QString* problem)
{
    const StoredFile file = StoredFile::Holding(bytes);
    ReviewFileReader reader(file, maxRecords);
    QList<QPair<int, int>> places;
    ReviewFileRecord record;
    while (reader.Next(record))
        places.append({record.m_nList, record.m_nPos});
    *problem = reader.Problem();
    return places;
}

} // namespace

using Places = QList<QPair<int, int>>;

// "reviews.dat": its layout, its bounds and bad values, and the file as the
// study data loads, saves and carries it.
class TestReviewFile : public QObject {
    Q_OBJECT

private:
    QString Folder() const { return TestEnv::Instance().DataFolder(); }

    void WriteFile(const QString& name, const QByteArray& bytes) { DataFiles::Write(name, bytes); }

    QByteArray ReadFile(const QString& name) const { return DataFiles::Read(name); }

    static std::shared_ptr<FakeWordLists> MakeLists(const QList<QStringList>& lists)
    {
        auto fake = std::make_shared<FakeWordLists>();
        for (int i = 0; i < 6; ++i)
            fake->m_lists.insert(501 + i, FakeWordLists::MakeList(lists.value(i)));
        return fake;
    }
    // The lists now, and the earlier version the program knows of.
    void UseLists(const QList<QStringList>& lists, const QList<QStringList>& before)
    {
        CDictionary::SetWordListSource(MakeLists(lists));
        SetUnsignedWordListSource(MakeLists(before));
    }

    const QList<QStringList> kLists{{"一\tいち", "二\tに", "三\tさん"}, {"四\tよん", "五\tご"}};

private slots:
    void initTestCase() { qputenv("TZ", "Asia/Tokyo"); }
    void init()
    {
        QDir(Folder()).removeRecursively();
        UseLists(kLists, kLists);
        SetCurrentTimeForTesting(
            QDateTime(QDate(2026, 3, 15), QTime(12, 0), QTimeZone("Asia/Tokyo"))
                .toSecsSinceEpoch());
    }
    void cleanupTestCase()
    {
        CDictionary::SetWordListSource(nullptr);
        SetUnsignedWordListSource(nullptr);
        SetCurrentTimeForTesting(std::nullopt);
    }

    void writerLayoutIsByteExact()
    {
        ReviewFileHeader header;
        header.m_nNewDay = kDay;
        header.m_nNewCount = 2;
        header.m_tallies = {{kDay - 1, 5, 4}};
        ReviewFileWriter writer(header, 1);
        ReviewState state;
        state.m_dStability = 2.5;
        state.m_dDifficulty = 6.25;
        state.m_nLastDay = kDay;
        state.m_nDueDay = kDay + 4;
        state.m_nReviews = 3;
        state.m_nLapses = 1;
        writer.Append(1, 7, state);
        RawRecord r;
        r.list = 1;
        r.pos = 7;
        r.stability = 2.5;
        r.difficulty = 6.25;
        r.lastDay = kDay;
        r.interval = 4;
        r.reviews = 3;
        r.lapses = 1;
        const QByteArray expected =
            RawFile(2, 1, kDay, 2).i32(kDay - 1).i32(5).i32(4).Count(1).Record2(r);
        const QByteArray bytes = writer.Finish();
        QCOMPARE(bytes, expected);
        QCOMPARE(bytes.size(), 14 + 12 + 4 + 24);
    }

    void roundTripKeepsEveryField()
    {
        ReviewFileHeader header;
        header.m_nNewDay = kDay;
        header.m_nNewCount = 7;
        header.m_tallies = {{kDay - 2, 3, 1}, {kDay, 9, 9}};
        ReviewFileWriter writer(header, 2);
        ReviewState a;
        a.m_dStability = 0.212;
        a.m_dDifficulty = 1;
        a.m_nLastDay = kDay;
        a.m_nDueDay = kDay + 1;
        a.m_nReviews = 1;
        ReviewState b = a;
        b.m_dStability = 36500;
        b.m_dDifficulty = 10;
        b.m_nDueDay = kDay + 36500;
        b.m_nReviews = 65535;
        b.m_nLapses = 65535;
        writer.Append(0, 0, a);
        writer.Append(5, 123456, b);
        const StoredFile file = StoredFile::Holding(writer.Finish());
        ReviewFileReader reader(file, 10);
        QCOMPARE(reader.GetStatus(), ReviewFileReader::Readable);
        QCOMPARE(reader.Header().m_nNewDay, kDay);
        QCOMPARE(reader.Header().m_nNewCount, 7);
        QCOMPARE(reader.Header().m_tallies, header.m_tallies);
        ReviewFileRecord record;
        QVERIFY(reader.Next(record));
        QCOMPARE(record.m_nList, 0);
        QCOMPARE(record.m_nPos, 0);
        // 0.212 is not a float32: what is read is what the store would keep.
        QVERIFY(record.m_state != a);
        QVERIFY(record.m_state == AsStored(a));
        QVERIFY(reader.Next(record));
        QCOMPARE(record.m_nList, 5);
        QCOMPARE(record.m_nPos, 123456);
        QVERIFY(record.m_state == b);
        QVERIFY(!reader.Next(record));
        QCOMPARE(reader.Problem(), QString());
    }

    // Damaged files keep what could be read before the damage, and values
    // that the scheduler never makes are no record.
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("maxRecords");
        QTest::addColumn<Places>("places");
        QTest::addColumn<QString>("problemStart");

        const RawRecord a = At(0, 1);
        const RawRecord b = At(1, 0);
        const QByteArray two = RawFile().Count(2).Record(a).Record(b);
        QTest::newRow("sound") << two << qsizetype(5) << Places{{0, 1}, {1, 0}} << QString();
        QTest::newRow("empty") << QByteArray() << qsizetype(5) << Places{} << kReadFailure;
        QTest::newRow("one byte") << QByteArray(1, '\1') << qsizetype(5) << Places{}
                                  << kReadFailure;
        QTest::newRow("version 2") << QByteArray(RawFile(2).Count(2).Record2(a).Record2(b))
                                   << qsizetype(5) << Places{{0, 1}, {1, 0}} << QString();
        QTest::newRow("version 2 cut")
            << QByteArray(RawFile(2).Count(2).Record2(a).Record2(b)).chopped(3) << qsizetype(5)
            << Places{{0, 1}} << kReadFailure;
        QTest::newRow("version 3") << QByteArray(RawFile(3).Count(1).Record2(a)) << qsizetype(5)
                                   << Places{} << kUnknownVersion;
        QTest::newRow("version -1") << QByteArray(RawFile(-1).Count(1).Record(a)) << qsizetype(5)
                                    << Places{} << kUnknownVersion;
        QTest::newRow("header cut") << two.left(9) << qsizetype(5) << Places{} << kReadFailure;
        QTest::newRow("count cut") << two.left(16) << qsizetype(5) << Places{} << kReadFailure;
        QTest::newRow("second record cut")
            << two.left(18 + 32 + 20) << qsizetype(5) << Places{{0, 1}} << kReadFailure;
        QTest::newRow("fewer records than claimed")
            << QByteArray(RawFile().Count(3).Record(a).Record(b)) << qsizetype(5)
            << Places{{0, 1}, {1, 0}} << kReadFailure;
        QTest::newRow("more records than items")
            << QByteArray(RawFile().Count(2).Record(a).Record(b)) << qsizetype(1) << Places{{0, 1}}
            << kReadFailure;
        QTest::newRow("bytes after the records")
            << QByteArray(RawFile().Count(1).Record(a).Record(b)) << qsizetype(5) << Places{{0, 1}}
            << kReadFailure;
        QTest::newRow("negative count") << QByteArray(RawFile().Count(-1).Record(a)) << qsizetype(5)
                                        << Places{} << kReadFailure;
        QTest::newRow("huge count") << QByteArray(RawFile().Count(0x7fffffff).Record(a))
                                    << qsizetype(5) << Places{{0, 1}} << kReadFailure;
        QTest::newRow("huge tally count") << QByteArray(RawFile(1, 0x7fffffff).Count(1).Record(a))
                                          << qsizetype(5) << Places{} << kReadFailure;

        // Many records, read from a folder in more than one chunk.
        RawFile many(2);
        many.Count(30000);
        Places manyPlaces;
        for (int k = 0; k < 30000; ++k) {
            many.Record2(At(qint16(k % 3), k));
            manyPlaces.append({k % 3, k});
        }
        const QByteArray manyBytes = many;
        QTest::newRow("many records") << manyBytes << qsizetype(30000) << manyPlaces << QString();
        QTest::newRow("many records, cut in the third chunk")
            << manyBytes.left(14 + 4 + 24 * 25000 + 7) << qsizetype(30000)
            << manyPlaces.mid(0, 25000) << kReadFailure;
        QTest::newRow("many records, more than the items")
            << manyBytes << qsizetype(20000) << manyPlaces.mid(0, 20000) << kReadFailure;
        QTest::newRow("many records, then more")
            << manyBytes + QByteArray(5, '\0') << qsizetype(30000) << manyPlaces << kReadFailure;

        // Each bad value in a file of either version.
        const auto bad = [&](const char* name, void (*change)(RawRecord&)) {
            QTest::newRow(name) << QByteArray(RawFile().Count(2).Record(With(a, change)).Record(b))
                                << qsizetype(5) << Places{{1, 0}} << QString();
            QTest::addRow("%s, version 2", name)
                << QByteArray(RawFile(2).Count(2).Record2(With(a, change)).Record2(b))
                << qsizetype(5) << Places{{1, 0}} << QString();
        };
        bad("negative stability", [](RawRecord& r) { r.stability = -1; });
        bad("zero stability", [](RawRecord& r) { r.stability = 0; });
        bad("NaN stability", [](RawRecord& r) { r.stability = std::nan(""); });
        bad("infinite stability",
            [](RawRecord& r) { r.stability = std::numeric_limits<double>::infinity(); });
        bad("NaN difficulty", [](RawRecord& r) { r.difficulty = std::nan(""); });
        bad("difficulty above 10", [](RawRecord& r) { r.difficulty = 10.5; });
        bad("difficulty below 1", [](RawRecord& r) { r.difficulty = 0.5; });
        bad("last review before 2000",
            [](RawRecord& r) { r.lastDay = DayNumberOf(QDate(1999, 12, 31)); });
        bad("last review far ahead",
            [](RawRecord& r) { r.lastDay = DayNumberOf(QDate(2300, 1, 1)); });
        bad("due on the day of the review", [](RawRecord& r) { r.interval = 0; });
        bad("due too far after the review", [](RawRecord& r) { r.interval = 36501; });
        bad("no reviews", [](RawRecord& r) {
            r.reviews = 0;
            r.lapses = 0;
        });
        bad("more lapses than reviews", [](RawRecord& r) { r.lapses = 2; });
        bad("negative list", [](RawRecord& r) { r.list = -1; });
        bad("negative position", [](RawRecord& r) { r.pos = -3; });
    }
    void damagedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, maxRecords);
        QFETCH(Places, places);
        QFETCH(QString, problemStart);
        QString problem;
        QCOMPARE(Decoded(bytes, maxRecords, &problem), places);
        if (problemStart.isEmpty())
            QCOMPARE(problem, QString());
        else
            QVERIFY2(problem.startsWith(problemStart), qPrintable(problem));

        // Read a chunk at a time from a file, as the load reads it, the file
        // gives the same records and the same message.
        WriteFile("reviews.dat", bytes);
        ReviewFileReader reader(Folder() + "reviews.dat", MaxReviewFileSize(maxRecords),
                                maxRecords);
        Places streamed;
        ReviewFileRecord record;
        while (reader.Next(record))
            streamed.append({record.m_nList, record.m_nPos});
        QCOMPARE(streamed, places);
        QCOMPARE(reader.Problem(), problem);
    }

    void aHugeFileIsNotReadWhole()
    {
        // A file far larger than any file for these items: only the bound
        // is read, and what it holds of sound records still loads.
        QByteArray bytes = RawFile().Count(1).Record(At(0, 0));
        bytes.append(QByteArray(1 << 20, '\0'));
        WriteFile("big.dat", bytes);
        const StoredFile file = StoredFile::Read(Folder() + "big.dat", MaxReviewFileSize(2));
        QVERIFY(file.m_bLonger);
        QVERIFY(file.m_bytes.size() < 6000);
        ReviewFileReader reader(file, 2);
        ReviewFileRecord record;
        QVERIFY(reader.Next(record));
        QVERIFY(!reader.Next(record));
        QVERIFY(reader.Problem().startsWith(kReadFailure));
    }

    void ratingsSurviveARestart()
    {
        MessageRecorder messages;
        {
            CDictionary dic;
            dic.RateItem(1, ReviewRating::Good);
            dic.RateItem(3, ReviewRating::Again);
            dic.Save();
        }
        QVERIFY(QFile::exists(Folder() + "reviews.dat"));
        CDictionary dic;
        QVERIFY(!dic.GetReviewState(0));
        const std::optional<ReviewState> one = dic.GetReviewState(1);
        const std::optional<ReviewState> three = dic.GetReviewState(3);
        QVERIFY(one && three);
        QCOMPARE(one->m_nReviews, 1u);
        QCOMPARE(one->m_nLastDay, kDay);
        QVERIFY(one->m_nDueDay > three->m_nDueDay);
        QCOMPARE(messages.Texts(), QStringList());
        // Nothing changed since the load: nothing is written again.
        const QDateTime earlier = QDateTime::currentDateTime().addDays(-1);
        {
            QFile file(Folder() + "reviews.dat");
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(earlier, QFileDevice::FileModificationTime));
        }
        dic.Save();
        QCOMPARE(QFileInfo(Folder() + "reviews.dat").lastModified().toSecsSinceEpoch(),
                 earlier.toSecsSinceEpoch());
    }

    void badFileLosesOnlyWhatItCouldNotRead()
    {
        // A file cut inside its second record: the first record stays, the
        // other state files are untouched, and the message comes once.
        RawRecord first = At(0, 2);
        RawRecord second = At(1, 1);
        WriteFile("reviews.dat",
                  QByteArray(RawFile().Count(2).Record(first).Record(second)).chopped(5));
        MessageRecorder messages;
        CDictionary dic;
        dic.GetItem(4)->SetMode(Known, -1);
        dic.Save();
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(messages.Texts().first().startsWith(kReadFailure));
        QVERIFY(dic.GetReviewState(2));
        QVERIFY(!dic.GetReviewState(4));
        CDictionary again;
        QCOMPARE(int(again.GetItem(4)->m_nMode), int(Known));
    }

    void recordsOfItemsThatAreGoneAreDropped()
    {
        // Position 3 of the first list and list 5 have no item.
        WriteFile("reviews.dat",
                  RawFile().Count(3).Record(At(0, 3)).Record(At(5, 0)).Record(At(1, 1)));
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        QCOMPARE(dic.m_reviews.RecordCount(), 1);
        QVERIFY(dic.GetReviewState(4));
        QCOMPARE(messages.Texts(), QStringList());
    }

    // A file of the version before is read, and the next save writes the
    // present version with the same states, to a float32's precision.
    void olderVersionIsReadAndWrittenAnew()
    {
        RawRecord r = At(0, 1);
        r.stability = 0.212;
        r.difficulty = 6.3;
        WriteFile("reviews.dat", RawFile(1).Count(1).Record(r));
        ReviewState read;
        {
            CDictionary dic;
            const std::optional<ReviewState> state = dic.GetReviewState(1);
            QVERIFY(state);
            QVERIFY(qAbs(state->m_dStability - 0.212) < 1e-7);
            QVERIFY(qAbs(state->m_dDifficulty - 6.3) < 1e-6);
            QCOMPARE(state->m_nDueDay, r.lastDay + r.interval);
            read = *state;
            dic.RateItem(0, ReviewRating::Good);
            dic.Save();
        }
        QCOMPARE(qFromLittleEndian<qint16>(ReadFile("reviews.dat").constData()),
                 kReviewFileVersion);
        CDictionary dic;
        QVERIFY(dic.GetReviewState(1) == read);
        QVERIFY(dic.GetReviewState(0));
    }

    void unknownVersionStaysUntilReviewsChange()
    {
        const QByteArray future = RawFile(9).Count(0);
        WriteFile("reviews.dat", future);
        MessageRecorder messages;
        {
            CDictionary dic;
            dic.GetItem(0)->SetMode(Known, -1);
            dic.Save();
            QCOMPARE(messages.Texts(), QStringList{kUnknownVersion});
        }
        QCOMPARE(ReadFile("reviews.dat"), future);
        CDictionary dic;
        dic.RateItem(0, ReviewRating::Easy);
        dic.Save();
        QCOMPARE(qFromLittleEndian<qint16>(ReadFile("reviews.dat").constData()),
                 kReviewFileVersion);
    }

#ifdef Q_OS_UNIX
    void interruptedSaveKeepsTheOldFile()
    {
        {
            CDictionary dic;
            dic.RateItem(0, ReviewRating::Good);
            dic.Save();
        }
        const QByteArray before = ReadFile("reviews.dat");
        QVERIFY(!before.isEmpty());
        MessageRecorder messages;
        CDictionary dic;
        for (int i = 1; i < 5; ++i)
            dic.RateItem(i, ReviewRating::Hard);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &small);
        dic.Save();
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(ReadFile("reviews.dat"), before);
        QVERIFY(!messages.Texts().isEmpty());
        QVERIFY(messages.Texts().last().startsWith(
            QStringLiteral("復習ファイルを保存できませんでした。\r\n")));
        QVERIFY(dic.m_reviews.m_bDirty);
        dic.Save();
        QVERIFY(!dic.m_reviews.m_bDirty);
        CDictionary after;
        after.EnsureLoaded();
        QCOMPARE(after.m_reviews.RecordCount(), 5);
    }
#endif

    void reviewsFollowTheirItemsWhenTheListsChange()
    {
        // Rated on the lists as they were, then a release moves 三 to the
        // front of the first list and drops 五.
        {
            CDictionary dic;
            dic.RateItem(2, ReviewRating::Easy);  // 三
            dic.RateItem(3, ReviewRating::Again); // 四
            dic.RateItem(4, ReviewRating::Good);  // 五
            dic.Save();
        }
        const QList<QStringList> changed{{"三\tさん", "一\tいち", "二\tに"}, {"四\tよん"}};
        UseLists(changed, kLists);
        MessageRecorder messages;
        CDictionary dic;
        QCOMPARE(dic.GetItem(0)->GetWord(), QStringLiteral("三"));
        const std::optional<ReviewState> three = dic.GetReviewState(0);
        const std::optional<ReviewState> four = dic.GetReviewState(3);
        QVERIFY(three && four);
        QVERIFY(three->m_nDueDay > four->m_nDueDay); // Easy against Again
        QVERIFY(!dic.GetReviewState(1));
        QVERIFY(!dic.GetReviewState(2));
        QCOMPARE(dic.m_reviews.RecordCount(), 2);
        QCOMPARE(messages.Texts(), QStringList());
    }

    // A carry-over killed after any of its file operations, or whose staged
    // review file was damaged before it moved, ends with the reviews on
    // their items at the next start.
    void killedCarryOverKeepsTheReviews_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("damageStaged");
        for (int steps = 0; steps <= 6; ++steps)
            QTest::addRow("killed after %d", steps) << steps << false;
        // The review file staged, then the signature file: committed,
        // nothing moved yet.
        QTest::newRow("staged review file damaged") << 2 << true;
    }
    void killedCarryOverKeepsTheReviews()
    {
        QFETCH(int, steps);
        QFETCH(bool, damageStaged);
        {
            CDictionary dic;
            dic.RateItem(2, ReviewRating::Easy);  // 三
            dic.RateItem(3, ReviewRating::Again); // 四
            dic.Save();
        }
        const QList<QStringList> changed{{"三\tさん", "一\tいち", "二\tに"}, {"四\tよん"}};
        UseLists(changed, kLists);
        SetCarryOverStopForTesting(steps);
        {
            CDictionary killed;
            killed.EnsureLoaded();
        }
        SetCarryOverStopForTesting(-1);
        const QString staged = StagingFolder(Folder()) + "/" + kReviewFileName;
        if (damageStaged) {
            QFile file(staged);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QByteArray bytes = file.readAll();
            QVERIFY(bytes.size() > 40);
            bytes[bytes.size() - 3] = char(bytes[bytes.size() - 3] ^ 0x40);
            file.seek(0);
            file.write(bytes);
        }
        CDictionary dic;
        const std::optional<ReviewState> three = dic.GetReviewState(0);
        const std::optional<ReviewState> four = dic.GetReviewState(3);
        QVERIFY(three && four);
        QVERIFY(three->m_nDueDay > four->m_nDueDay);
        QCOMPARE(dic.m_reviews.RecordCount(), 2);
        QVERIFY(!QFileInfo::exists(staged));
        // Signed for the lists as they are: the next start carries nothing.
        CDictionary again;
        QVERIFY(again.GetReviewState(0));
        QCOMPARE(again.m_reviews.RecordCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestReviewFile)
#include "tst_reviewfile.moc"

#include "common/TestEnv.h"

#include "platform/ZipArchive.h"

#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ZipContents::Failure)

namespace {

QByteArray Archive(const QList<ZipEntry>& entries)
{
    QString error;
    const std::optional<QByteArray> bytes = MakeZipArchive(entries, 1700000000, error);
    if (!bytes)
        qFatal("no archive: %s", qPrintable(error));
    return *bytes;
}

// Sets the uncompressed size that the local header and the central
// directory give for the archive's first entry.
void ClaimSize(QByteArray& bytes, quint32 size)
{
    QCOMPARE(bytes.left(4), "PK\x03\x04"_ba);
    qToLittleEndian<quint32>(size, bytes.data() + 22);
    const qsizetype central = bytes.indexOf("PK\x01\x02"_ba);
    QVERIFY(central > 0);
    qToLittleEndian<quint32>(size, bytes.data() + central + 24);
}

} // namespace

class TestZipArchive : public QObject {
    Q_OBJECT

private slots:
    void roundTrip()
    {
        const QList<ZipEntry> entries{
            {u"manifest.csv"_s, "format,velmarik-export\r\n"_ba},
            {u"lists/自分の単語.csv"_s, u"日本,にほん\r\n"_s.toUtf8()},
            {u"empty.csv"_s, QByteArray()},
            {u"big.csv"_s, QByteArray(300000, 'x')},
        };
        const QByteArray bytes = Archive(entries);
        QVERIFY(bytes.size() < 10000); // compressed
        const ZipContents contents = ReadZipArchive(bytes);
        QCOMPARE(contents.m_failure, ZipContents::Failure::None);
        QCOMPARE(contents.m_entries.size(), entries.size());
        for (qsizetype k = 0; k < entries.size(); ++k) {
            QCOMPARE(contents.m_entries[k].m_strName, entries[k].m_strName);
            QCOMPARE(contents.m_entries[k].m_data, entries[k].m_data);
        }
        QCOMPARE(contents.Find(u"lists/自分の単語.csv"_s), entries[1].m_data);
        QVERIFY(!contents.Find(u"missing"_s));
    }

    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << u"items.csv"_s << true;
        QTest::newRow("sub-folder") << u"lists/a.csv"_s << true;
        QTest::newRow("dots in a name") << u"a..b/c.csv"_s << true;
        QTest::newRow("parent") << u"../items.csv"_s << false;
        QTest::newRow("parent inside") << u"lists/../../x"_s << false;
        QTest::newRow("absolute") << u"/etc/passwd"_s << false;
        QTest::newRow("backslash") << u"..\\x"_s << false;
        QTest::newRow("drive") << u"C:x"_s << false;
        QTest::newRow("control character") << u"a\nb"_s << false;
        QTest::newRow("empty") << QString() << false;
    }
    void names()
    {
        QFETCH(QString, name);
        QFETCH(bool, safe);
        QCOMPARE(IsSafeZipEntryName(name), safe);
    }

    void unsafeEntryRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent") << u"../evil.csv"_s;
        QTest::newRow("absolute") << u"/tmp/evil.csv"_s;
        QTest::newRow("deep parent") << u"lists/../../evil.csv"_s;
    }
    void unsafeEntryRefused()
    {
        QFETCH(QString, name);
        const ZipContents contents =
            ReadZipArchive(Archive({{u"ok.csv"_s, "a"_ba}, {name, "b"_ba}}));
        QCOMPARE(contents.m_failure, ZipContents::Failure::UnsafePath);
        QCOMPARE(contents.m_strEntry, name);
        QVERIFY(contents.m_entries.isEmpty());
    }

    void broken_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<ZipContents::Failure>("failure");
        using F = ZipContents::Failure;
        const QByteArray good = Archive({{u"a.csv"_s, QByteArray(5000, 'a') + "tail"}});
        QTest::newRow("empty") << QByteArray() << F::NotZip;
        QTest::newRow("text") << "format,velmarik-export\r\n"_ba << F::NotZip;
        QTest::newRow("cut short") << good.left(good.size() / 2) << F::NotZip;
        QTest::newRow("directory cut off") << good.left(good.size() - 10) << F::NotZip;
        // The directory claims 4 GB: refused before anything is unpacked.
        QByteArray claimed = good;
        ClaimSize(claimed, 0xFFFFFFF0u);
        QTest::newRow("claims gigabytes") << claimed << F::TooLarge;
    }
    void broken()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(ZipContents::Failure, failure);
        const ZipContents contents = ReadZipArchive(bytes);
        QCOMPARE(contents.m_failure, failure);
        QVERIFY(contents.m_entries.isEmpty());
    }

    // A damaged entry is named; the others are read all the same.
    void damagedEntry()
    {
        QByteArray bytes =
            Archive({{u"a.csv"_s, QByteArray(5000, 'a') + "tail"}, {u"b.csv"_s, "bee"_ba}});
        bytes[40] = char(bytes[40] ^ 0x55); // inside the compressed data of a.csv
        const ZipContents contents = ReadZipArchive(bytes);
        QCOMPARE(contents.m_failure, ZipContents::Failure::None);
        QCOMPARE(contents.m_damaged, QStringList{u"a.csv"_s});
        QCOMPARE(contents.m_entries.size(), 1);
        QCOMPARE(contents.Find(u"b.csv"_s), "bee"_ba);
    }

    // An entry that expands beyond the bound is stopped as it expands, even
    // when the directory understates its size.
    void expandsBeyondTheBound()
    {
        const ZipLimits limits{1 << 20, 4 << 20, 10};
        QByteArray bytes = Archive({{u"zeros.csv"_s, QByteArray(8 << 20, '\0')}});
        QVERIFY(bytes.size() < 100000);
        QCOMPARE(ReadZipArchive(bytes, limits).m_failure, ZipContents::Failure::TooLarge);
        ClaimSize(bytes, 100);
        const ZipContents understated = ReadZipArchive(bytes, limits);
        QVERIFY(understated.m_entries.isEmpty());
        QVERIFY(understated.m_failure == ZipContents::Failure::TooLarge ||
                understated.m_damaged == QStringList{u"zeros.csv"_s});

        // Each entry within the bound, all of them together beyond it.
        QList<ZipEntry> many;
        for (int k = 0; k < 5; ++k)
            many.append({u"part%1.csv"_s.arg(k), QByteArray(1 << 20, 'y')});
        QCOMPARE(ReadZipArchive(Archive(many), limits).m_failure, ZipContents::Failure::TooLarge);
        many.append({u"part5.csv"_s, "x"_ba});
        many.append({u"part6.csv"_s, "x"_ba});
        many.append({u"part7.csv"_s, "x"_ba});
        many.append({u"part8.csv"_s, "x"_ba});
        many.append({u"part9.csv"_s, "x"_ba});
        many.append({u"part10.csv"_s, "x"_ba});
        QCOMPARE(ReadZipArchive(Archive(many), limits).m_failure,
                 ZipContents::Failure::TooManyEntries);
    }

    void randomBytes()
    {
        QRandomGenerator random(77);
        const QByteArray good = Archive({{u"a.csv"_s, "list,word\r\ndic1_std1,日本\r\n"_ba},
                                         {u"b.csv"_s, QByteArray(2000, 'b')}});
        for (int round = 0; round < 500; ++round) {
            QByteArray bytes = good;
            if (round % 3 == 0) {
                bytes.resize(random.bounded(1, 400));
                for (char& c : bytes)
                    c = char(random.bounded(256));
            } else {
                for (int edits = random.bounded(1, 6); edits > 0; --edits)
                    bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            }
            const ZipContents contents = ReadZipArchive(bytes, {1 << 20, 2 << 20, 10});
            if (contents.m_failure != ZipContents::Failure::None) {
                QVERIFY(contents.m_entries.isEmpty());
                continue;
            }
            for (const ZipEntry& entry : contents.m_entries) {
                QVERIFY(IsSafeZipEntryName(entry.m_strName));
                QVERIFY(entry.m_data.size() <= 1 << 20);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestZipArchive)
#include "tst_ziparchive.moc"

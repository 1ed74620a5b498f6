#include "common/TestEnv.h"

#include "platform/VersionInfo.h"
#include "text/WebSearch.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestWebSearch : public QObject {
    Q_OBJECT

private slots:
    void buildVersion();
    void encodeQuery_data();
    void encodeQuery();
    void productNameAndVersion_data();
    void productNameAndVersion();
};

// The build's own values, as the about box shows them; runs before any test
// replaces them.
void TestWebSearch::buildVersion()
{
    QCOMPARE(GetProductNameAndVersion(), u"Velmarik 2.0"_s);
}

void TestWebSearch::encodeQuery_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("encoded");

    QTest::newRow("kanji") << u"愛想"_s << u"%e6%84%9b%e6%83%b3"_s;
    QTest::newRow("parentheses encoded") << u"愛敬(愛嬌)"_s
                                         << u"%e6%84%9b%e6%95%ac%28%e6%84%9b%e5%ac%8c%29"_s;
    QTest::newRow("space") << u"a b"_s << u"a+b"_s;
    QTest::newRow("unreserved marks encoded") << u"A-1_x.y~z"_s << u"A%2d1%5fx%2ey%7ez"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("digits and letters") << u"09AZaz"_s << u"09AZaz"_s;
    QTest::newRow("plus and percent") << u"+%"_s << u"%2b%25"_s;
    QTest::newRow("tab") << u"\t"_s << u"%09"_s;
    QTest::newRow("hiragana") << u"あ"_s << u"%e3%81%82"_s;
    QTest::newRow("supplementary kanji") << u"𠮟"_s << u"%f0%a0%ae%9f"_s;
    QTest::newRow("full-width space") << u"\u3000"_s << u"%e3%80%80"_s;
}

void TestWebSearch::encodeQuery()
{
    QFETCH(QString, word);
    QFETCH(QString, encoded);
    QCOMPARE(EncodeQuery(word), encoded);
}

void TestWebSearch::productNameAndVersion_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("shown");

    QTest::newRow("both") << u"Velmarik"_s << u"2.0"_s << u"Velmarik 2.0"_s;
    QTest::newRow("other values") << u"X"_s << u"3.1"_s << u"X 3.1"_s;
    QTest::newRow("no name") << QString() << u"2.0"_s << u"?"_s;
    QTest::newRow("no version") << u"Velmarik"_s << QString() << u"?"_s;
    QTest::newRow("neither") << QString() << QString() << u"?"_s;
}

void TestWebSearch::productNameAndVersion()
{
    QFETCH(QString, name);
    QFETCH(QString, version);
    QFETCH(QString, shown);
    SetProductVersionForTesting(name, version);
    QCOMPARE(GetProductNameAndVersion(), shown);
    QString readName = u"unchanged"_s;
    QString readVersion = u"unchanged"_s;
    const bool ok = GetProductVersionInfo(readName, readVersion);
    QCOMPARE(ok, shown != u"?"_s);
    QCOMPARE(readName, ok ? name : u"unchanged"_s);
    QCOMPARE(readVersion, ok ? version : u"unchanged"_s);
}

QTEST_GUILESS_MAIN(TestWebSearch)
#include "tst_websearch.moc"

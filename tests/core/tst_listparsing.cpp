#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"

#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ListSignature.h"
#include "study/WordListText.h"

#include <QStringDecoder>
#include <QTest>

// The word lists are split and decoded line by line; the items must be
// exactly those of decoding the whole text first and splitting it at every
// CR LF afterwards, broken UTF-8 and stray CRs included.
class TestListParsing : public QObject {
    Q_OBJECT

private slots:
    void linesAsInTheDecodedText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("plain") << QByteArray("語\tご\r\n本\tほん\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("mark before a header") << QByteArray("\xEF\xBB\xBF#5\r\n語\tご\r\n");
        QTest::newRow("mark on a later line") << QByteArray("語\tご\r\n\xEF\xBB\xBF本\tほん\r\n");
        QTest::newRow("cut sequence at line end") << QByteArray("語\xE8\xAA\r\n本\tほん\r\n");
        QTest::newRow("cut four-byte sequence") << QByteArray("\xF0\x9F\x98\r\n\xF0\r\n");
        QTest::newRow("stray bytes") << QByteArray("\xFF\xFE\tx\r\n\xC3\r\n\xED\xA0\x80\r\n");
        QTest::newRow("lone CRs") << QByteArray("a\rb\r\r\nc\r\n\r\r\n\r");
        QTest::newRow("no final CR LF") << QByteArray("語\tご\r\n本\tほん");
        QTest::newRow("headers and blanks") << QByteArray("#5\r\n\r\n#x\r\n \r\n\t\r\n");
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF\tx\r\n");
        QTest::newRow("encoded surrogate pair") << QByteArray("\xED\xA0\xBD\xED\xB8\x80\r\n");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80\r\n");
        QTest::newRow("noncharacters") << QByteArray("\xEF\xBF\xBE\xEF\xBF\xBF\r\n");
        QTest::newRow("NUL inside") << QByteArray("a\0b\tc\r\n", 8);
        QTest::newRow("emoji and kanji") << QByteArray("\xF0\x9F\x98\x80語\tご\r\n#\r\n");
    }
    // The signature taken from the raw bytes of a valid list must be the one
    // of its decoded item texts; other text takes the decoding way.
    void signatureAsOfTheDecodedItems_data() { linesAsInTheDecodedText_data(); }
    void signatureAsOfTheDecodedItems()
    {
        QFETCH(QByteArray, text);
        const ListSignature expected = MakeListSignature(ListItemTexts(text));
        QCOMPARE(SignatureOfListText(text).m_nCount, expected.m_nCount);
        QCOMPARE(SignatureOfListText(text).m_hash, expected.m_hash);
    }

    void linesAsInTheDecodedText()
    {
        QFETCH(QByteArray, text);
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        const QString decoded = decoder.decode(text);
        QStringList expected;
        for (qsizetype start = 0, end; (end = decoded.indexOf(u"\r\n", start)) >= 0;
             start = end + 2) {
            const QString line = decoded.mid(start, end - start);
            if (!line.isEmpty() && !line.startsWith(u'#'))
                expected << line;
        }

        auto lists = std::make_shared<FakeWordLists>();
        lists->m_lists.insert(501, text);
        for (int id = 502; id <= 506; ++id)
            lists->m_lists.insert(id, QByteArray());
        CDictionary::SetWordListSource(lists);
        MessageRecorder messages;
        CDictionary dic;
        QStringList items;
        for (int i = 0; i < dic.GetTotalItemCount(); ++i)
            items << dic.GetItem(i)->m_strText;
        CDictionary::SetWordListSource(nullptr);
        QCOMPARE(items, expected);
        QVERIFY(messages.Texts().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestListParsing)
#include "tst_listparsing.moc"

#include "common/TestEnv.h"

#include "platform/Ideograph.h"
#include "text/HyogaiMarkup.h"
#include "text/JoyoKanjiTable.h"

#include <QSet>
#include <QTest>

class TestJoyoKanjiTable : public QObject {
    Q_OBJECT

private slots:
    void tableShape();
    void tableEnds();
    void membership_data();
    void membership();
    void ideograph_data();
    void ideograph();
};

void TestJoyoKanjiTable::tableShape()
{
    QSet<char16_t> seen;
    int total = 0;
    for (int i = 0; i < kJoyoKanjiStringCount; ++i) {
        const QStringView part(JoyoKanjiTable[i]);
        QCOMPARE(part.size(), i + 1 < kJoyoKanjiStringCount ? 40 : 16);
        for (QChar c : part) {
            QVERIFY2(c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF,
                     qPrintable(QStringLiteral("U+%1").arg(c.unicode(), 4, 16)));
            QVERIFY2(!seen.contains(c.unicode()), qPrintable(QString(c)));
            QVERIFY2(IsIdeograph(c) && !IsHyogaiKanji(c), qPrintable(QString(c)));
            seen.insert(c.unicode());
            ++total;
        }
    }
    QCOMPARE(total, 2136);
    QCOMPARE(seen.size(), kJoyoKanjiCount);
}

void TestJoyoKanjiTable::tableEnds()
{
    QVERIFY(QStringView(JoyoKanjiTable[0]).startsWith(u"亜哀挨愛曖悪握圧扱宛"));
    QCOMPARE(QStringView(JoyoKanjiTable[kJoyoKanjiStringCount - 1]),
             QStringView(u"廊楼漏籠六録麓論和話賄脇惑枠湾腕"));
}

void TestJoyoKanjiTable::membership_data()
{
    QTest::addColumn<QString>("kanji");
    QTest::addColumn<bool>("hyogai");

    // The widespread forms stand in the table; the printed forms do not.
    QTest::newRow("叱 widespread") << QStringLiteral("叱") << false;
    QTest::newRow("填 widespread") << QStringLiteral("填") << false;
    QTest::newRow("剥 widespread") << QStringLiteral("剥") << false;
    QTest::newRow("頬 widespread") << QStringLiteral("頬") << false;
    QTest::newRow("塡 printed") << QStringLiteral("塡") << true;
    QTest::newRow("剝 printed") << QStringLiteral("剝") << true;
    QTest::newRow("頰 printed") << QStringLiteral("頰") << true;
    // Added in 2010.
    QTest::newRow("俺") << QStringLiteral("俺") << false;
    QTest::newRow("鬱") << QStringLiteral("鬱") << false;
    QTest::newRow("岡") << QStringLiteral("岡") << false;
    QTest::newRow("璽") << QStringLiteral("璽") << false;
    // Removed in 2010.
    QTest::newRow("勺") << QStringLiteral("勺") << true;
    QTest::newRow("銑") << QStringLiteral("銑") << true;
    QTest::newRow("脹") << QStringLiteral("脹") << true;
    QTest::newRow("錘") << QStringLiteral("錘") << true;
    QTest::newRow("匁") << QStringLiteral("匁") << true;
    // School kanji and ordinary members.
    QTest::newRow("一") << QStringLiteral("一") << false;
    QTest::newRow("腕") << QStringLiteral("腕") << false;
    QTest::newRow("嵐") << QStringLiteral("嵐") << false;
    // Common kanji outside the table.
    QTest::newRow("遁") << QStringLiteral("遁") << true;
    QTest::newRow("躊") << QStringLiteral("躊") << true;
    QTest::newRow("叉") << QStringLiteral("叉") << true;
    QTest::newRow("肴") << QStringLiteral("肴") << true;
    QTest::newRow("嬌") << QStringLiteral("嬌") << true;
    QTest::newRow("奕") << QStringLiteral("奕") << true;
    // Not ideographs, so never hyogai.
    QTest::newRow("hiragana") << QStringLiteral("あ") << false;
    QTest::newRow("iteration mark") << QStringLiteral("々") << false;
    QTest::newRow("letter") << QStringLiteral("A") << false;
    // Ideographs outside the table.
    QTest::newRow("closing mark") << QStringLiteral("〆") << true;
    QTest::newRow("compatibility ideograph") << QString(QChar(0xF91D)) << true;
}

void TestJoyoKanjiTable::membership()
{
    QFETCH(QString, kanji);
    QFETCH(bool, hyogai);
    QCOMPARE(kanji.size(), 1);
    QCOMPARE(IsHyogaiKanji(kanji.at(0)), hyogai);
}

void TestJoyoKanjiTable::ideograph_data()
{
    QTest::addColumn<int>("codeUnit");
    QTest::addColumn<bool>("ideograph");

    QTest::newRow("first unified") << 0x4E00 << true;
    QTest::newRow("last unified") << 0x9FFF << true;
    QTest::newRow("漢") << int(u'漢') << true;
    QTest::newRow("extension A first") << 0x3400 << true;
    QTest::newRow("extension A last") << 0x4DBF << true;
    QTest::newRow("below extension A") << 0x33FF << false;
    QTest::newRow("compatibility first") << 0xF900 << true;
    QTest::newRow("compatibility last") << 0xFAFF << true;
    QTest::newRow("after compatibility") << 0xFB00 << false;
    QTest::newRow("々") << 0x3005 << false;
    QTest::newRow("〆") << 0x3006 << true;
    QTest::newRow("〇") << 0x3007 << true;
    QTest::newRow("hiragana あ") << int(u'あ') << false;
    QTest::newRow("katakana ア") << int(u'ア') << false;
    QTest::newRow("katakana ヴ") << int(u'ヴ') << false;
    QTest::newRow("prolonged mark ー") << int(u'ー') << false;
    QTest::newRow("ideographic comma") << int(u'、') << false;
    QTest::newRow("ideographic full stop") << int(u'。') << false;
    QTest::newRow("full-width paren open") << int(u'（') << false;
    QTest::newRow("full-width paren close") << int(u'）') << false;
    QTest::newRow("full-width A") << int(u'Ａ') << false;
    QTest::newRow("half-width katakana") << int(u'ｱ') << false;
    QTest::newRow("ASCII a") << int('a') << false;
    QTest::newRow("ASCII paren") << int('(') << false;
    QTest::newRow("NUL") << 0 << false;
    QTest::newRow("Kangxi radical") << 0x2F00 << false;
    QTest::newRow("high surrogate of 𠮟") << int(QChar::highSurrogate(0x20B9F)) << false;
    QTest::newRow("low surrogate of 𠮟") << int(QChar::lowSurrogate(0x20B9F)) << false;
}

void TestJoyoKanjiTable::ideograph()
{
    QFETCH(int, codeUnit);
    QFETCH(bool, ideograph);
    QCOMPARE(IsIdeograph(QChar(char16_t(codeUnit))), ideograph);
}

QTEST_GUILESS_MAIN(TestJoyoKanjiTable)
#include "tst_joyokanjitable.moc"

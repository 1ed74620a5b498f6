#include "common/TestEnv.h"

#include "text/KanaConversion.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestKanaConversion : public QObject {
    Q_OBJECT

private slots:
    void katakanaToHiragana_data();
    void katakanaToHiragana();
    void katakanaBlock();
    void removeParenthesized_data();
    void removeParenthesized();
    void nextKanaRun_data();
    void nextKanaRun();
    void findKanaRun_data();
    void findKanaRun();
    void questionText_data();
    void questionText();
    void markReadingFromPositions();
};

void TestKanaConversion::katakanaToHiragana_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hiragana");

    QTest::newRow("ヴ and small kana") << u"ヴァイオリン"_s << u"う゛ぁいおりん"_s;
    QTest::newRow("prolonged mark and kanji") << u"ニュース解説"_s << u"にゅーす解説"_s;
    QTest::newRow("voiced and semi-voiced")
        << u"ガギグゲゴパピプペポ"_s << u"がぎぐげごぱぴぷぺぽ"_s;
    QTest::newRow("small tsu") << u"ッ"_s << u"っ"_s;
    QTest::newRow("unconverted katakana") << u"ヮヰヱヵヶヽヾ・ヷ"_s << u"ヮヰヱヵヶヽヾ・ヷ"_s;
    QTest::newRow("half-width") << u"ｶﾀｶﾅ"_s << u"ｶﾀｶﾅ"_s;
    QTest::newRow("hiragana stays") << u"ひらがな"_s << u"ひらがな"_s;
    QTest::newRow("ascii stays") << u"ABC(1)"_s << u"ABC(1)"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestKanaConversion::katakanaToHiragana()
{
    QFETCH(QString, text);
    QFETCH(QString, hiragana);
    QCOMPARE(KatakanaToHiragana(text), hiragana);
}

// Every katakana from ァ to ン but ヮ, ヰ and ヱ has its hiragana 0x60 below.
void TestKanaConversion::katakanaBlock()
{
    for (char16_t k = 0x30A1; k <= 0x30F3; ++k) {
        const QString converted = KatakanaToHiragana(QString(QChar(k)));
        const bool kept = k == 0x30EE || k == 0x30F0 || k == 0x30F1;
        const QChar expected(char16_t(kept ? k : k - 0x60));
        QCOMPARE(converted, QString(expected));
    }
}

void TestKanaConversion::removeParenthesized_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("removed");

    QTest::newRow("one pair") << u"誠(真、実)の心"_s << u"誠の心"_s;
    QTest::newRow("unmatched close first") << u"a)b(c"_s << u"abc"_s;
    QTest::newRow("unclosed") << u"愛敬(愛嬌"_s << u"愛敬"_s;
    QTest::newRow("full-width") << u"渾名（綽名）で"_s << u"渾名で"_s;
    QTest::newRow("mixed widths") << u"a(b）c"_s << u"ac"_s;
    QTest::newRow("nested") << u"a(b(c)d)e"_s << u"ae"_s;
    QTest::newRow("two closes then opens") << u"a))b((c"_s << u"abc"_s;
    QTest::newRow("close after pair") << u"a(b))c(d"_s << u"acd"_s;
    QTest::newRow("alternative at the end") << u"愛敬(愛嬌)"_s << u"愛敬"_s;
    QTest::newRow("no parentheses") << u"本懐を遂げる"_s << u"本懐を遂げる"_s;
    QTest::newRow("only parentheses") << u"()"_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestKanaConversion::removeParenthesized()
{
    QFETCH(QString, text);
    QFETCH(QString, removed);
    QCOMPARE(RemoveParenthesized(text), removed);
}

void TestKanaConversion::nextKanaRun_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("run");

    QTest::newRow("after kanji") << u"本懐を遂げる"_s << 0 << 2 << u"を"_s;
    QTest::newRow("run at the end") << u"本懐を遂げる"_s << 3 << 4 << u"げる"_s;
    QTest::newRow("from inside a run") << u"本懐を遂げる"_s << 5 << 5 << u"る"_s;
    QTest::newRow("at the end") << u"本懐を遂げる"_s << 6 << -1 << QString();
    QTest::newRow("no kana") << u"吸収合併"_s << 0 << -1 << QString();
    QTest::newRow("iteration mark is kanji") << u"初々しい"_s << 0 << 2 << u"しい"_s;
    QTest::newRow("word starts with kana") << u"がそりんに引火する"_s << 0 << 0 << u"がそりんに"_s;
    QTest::newRow("punctuation is kana") << u"壱、壹"_s << 0 << 1 << u"、"_s;
    QTest::newRow("prolonged mark is kana") << u"にゅーす解説"_s << 0 << 0 << u"にゅーす"_s;
    QTest::newRow("empty word") << QString() << 0 << -1 << QString();
}

void TestKanaConversion::nextKanaRun()
{
    QFETCH(QString, word);
    QFETCH(int, from);
    QFETCH(int, start);
    QFETCH(QString, run);
    QString found;
    QCOMPARE(NextKanaRun(word, from, found), qsizetype(start));
    QCOMPARE(found, run);
}

void TestKanaConversion::findKanaRun_data()
{
    QTest::addColumn<QString>("reading");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("extendedKey");

    QTest::newRow("plain match") << u"ほんかいをとげる"_s << 1 << u"を"_s << 4 << u"を"_s;
    QTest::newRow("match at from") << u"ほんかいをとげる"_s << 4 << u"を"_s << 4 << u"を"_s;
    QTest::newRow("match before from ignored") << u"をを"_s << 1 << u"を"_s << 1 << u"を"_s;
    QTest::newRow("no match") << u"いち(だいじ)"_s << 1 << u"、"_s << -1 << u"、"_s;
    QTest::newRow("key longer than rest") << u"あい"_s << 1 << u"いう"_s << -1 << u"いう"_s;
    QTest::newRow("key at the very end") << u"あいう"_s << 1 << u"いう"_s << 1 << u"いう"_s;
    QTest::newRow("inside parentheses skipped")
        << u"う(を)を"_s << 1 << u"を"_s << 1 << u"(を)を"_s;
    QTest::newRow("alternative travels with the run")
        << u"うろ(あめつゆ)をしのぐ"_s << 1 << u"を"_s << 2 << u"(あめつゆ)を"_s;
    QTest::newRow("first parenthesis is kept")
        << u"か(き)け(こ)さ"_s << 1 << u"さ"_s << 1 << u"(き)け(こ)さ"_s;
    QTest::newRow("full-width parentheses")
        << u"か（き）く"_s << 1 << u"く"_s << 1 << u"（き）く"_s;
    QTest::newRow("negative depth searches a later pair")
        << u"あ)い(う"_s << 0 << u"う"_s << 3 << u"(う"_s;
    QTest::newRow("unclosed parenthesis hides the rest")
        << u"か(きく"_s << 1 << u"く"_s << -1 << u"く"_s;
    QTest::newRow("from past the end") << u"あ"_s << 2 << u"あ"_s << -1 << u"あ"_s;
}

void TestKanaConversion::findKanaRun()
{
    QFETCH(QString, reading);
    QFETCH(int, from);
    QFETCH(QString, key);
    QFETCH(int, position);
    QFETCH(QString, extendedKey);
    QCOMPARE(FindKanaRun(reading, from, key), qsizetype(position));
    QCOMPARE(key, extendedKey);
}

void TestKanaConversion::questionText_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("question");

    QTest::newRow("本懐を遂げる") << u"本懐を遂げる"_s << u"ほんかいをとげる"_s
                                  << u"<G>ほんかい<N>を<G>と<N>げる"_s;
    QTest::newRow("鼻が高い") << u"鼻が高い"_s << u"はながたかい"_s
                              << u"<G>はな<N>が<G>たか<N>い"_s;
    QTest::newRow("no kana") << u"吸収合併"_s << u"きゅうしゅうがっぺい"_s
                             << u"<G>きゅうしゅうがっぺい<N>"_s;
    QTest::newRow("katakana, starts with kana")
        << u"ガソリンに引火する"_s << u"がそりんにいんかする"_s << u"がそりんに<G>いんか<N>する"_s;
    QTest::newRow("iteration mark")
        << u"初々しい"_s << u"ういういしい"_s << u"<G>ういうい<N>しい"_s;
    QTest::newRow("word alternative removed")
        << u"渾名(綽名)で呼ぶ"_s << u"あだなでよぶ"_s << u"<G>あだな<N>で<G>よ<N>ぶ"_s;
    QTest::newRow("reading alternative plain")
        << u"愛想"_s << u"あいそ(あいそう)"_s << u"<G>あいそ<N>(あいそう)"_s;
    QTest::newRow("alternative before kana run") << u"雨露を凌ぐ"_s << u"うろ(あめつゆ)をしのぐ"_s
                                                 << u"<G>うろ<N>(あめつゆ)を<G>しの<N>ぐ"_s;
    QTest::newRow("both alternatives")
        << u"椀飯振る舞い(大盤振る舞い)"_s << u"おうばんぶるまい(おおばんぶるまい)"_s
        << u"<G>おうばんぶ<N>る<G>ま<N>い(おおばんぶるまい)"_s;
    QTest::newRow("rest starts with parenthesis")
        << u"頬被り"_s << u"ほおかぶり(かむり)"_s << u"<G>ほおかぶ<N>り(かむり)"_s;
    QTest::newRow("kana word, kanji, alternative")
        << u"ホルモンの分泌"_s << u"ほるもんのぶんぴつ(ぶんぴ)"_s
        << u"ほるもんの<G>ぶんぴつ<N>(ぶんぴ)"_s;
    QTest::newRow("run not in reading")
        << u"壱、壹(大字)"_s << u"いち(だいじ)"_s << u"<G>いち<N>(だいじ)"_s;
    QTest::newRow("empty reading") << u"本懐を遂げる"_s << QString() << QString();
    QTest::newRow("kana only") << u"かな"_s << u"かな"_s << u"かな"_s;
    QTest::newRow("full-width reading alternative")
        << u"愛想"_s << u"あいそ（あいそう）"_s << u"<G>あいそ<N>（あいそう）"_s;
    QTest::newRow("katakana run missing")
        << u"漢字テスト"_s << u"かんじしけん"_s << u"<G>かんじしけん<N>"_s;
    QTest::newRow("kanji stand for at least one kana") << u"木の"_s << u"のの"_s << u"<G>の<N>の"_s;
    QTest::newRow("same kana twice")
        << u"気が気でない"_s << u"きがきでない"_s << u"<G>き<N>が<G>き<N>でない"_s;
    QTest::newRow("ヴ in word") << u"ヴ音"_s << u"う゛おん"_s << u"う゛<G>おん<N>"_s;
    QTest::newRow("empty word") << QString() << u"よみ"_s << u"<G>よみ<N>"_s;
}

void TestKanaConversion::questionText()
{
    QFETCH(QString, word);
    QFETCH(QString, reading);
    QFETCH(QString, question);
    const QString prepared = KatakanaToHiragana(RemoveParenthesized(word));
    QCOMPARE(MarkReading(prepared, 0, reading, 0, u"G"_s), question);
}

void TestKanaConversion::markReadingFromPositions()
{
    // Starting after the first kana run matches only the rest of the word.
    QCOMPARE(MarkReading(u"本懐を遂げる"_s, 3, u"ほんかいをとげる"_s, 5, u"G"_s),
             u"<G>と<N>げる"_s);
    // Any tag name is written as given.
    QCOMPARE(MarkReading(u"鼻が高い"_s, 0, u"はながたかい"_s, 0, u"X"_s),
             u"<X>はな<N>が<X>たか<N>い"_s);
}

QTEST_GUILESS_MAIN(TestKanaConversion)
#include "tst_kanaconversion.moc"

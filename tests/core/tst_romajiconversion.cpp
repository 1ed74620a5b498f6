#include "common/TestEnv.h"

#include "text/RomajiConversion.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The conversion step by step as the learner's input is defined, with the
// pending letters re-examined one at a time: the reference for the fast path
// that moves long runs of pending consonants in one go.
QString ReferenceRomajiToKana(const QString& text)
{
    auto isLetter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    auto lower = [](QChar c) { return (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 0x20) : c; };
    auto cell = [&](const QString& pending, int vowel) -> const char16_t* {
        for (const RomajiRow& row : RomajiTable) {
            QString lowered;
            for (QChar c : pending)
                lowered += lower(c);
            if (QStringView(row.key) == lowered)
                return row.kana[vowel];
        }
        return nullptr;
    };
    QString result;
    QString pending;
    for (QChar c : text) {
        if (!isLetter(c)) {
            result += c;
        } else if (const int v = VowelIndex(c); v >= 0) {
            while (!cell(pending, v)) {
                result += pending.front();
                pending.remove(0, 1);
            }
            result += QStringView(cell(pending, v));
            pending.clear();
        } else if (pending.isEmpty()) {
            pending = c;
        } else if (lower(c) == lower(pending.back())) {
            result += pending.chopped(1);
            result += lower(c) == u'n' ? u'ん' : u'っ';
            pending = lower(c) == u'n' ? QString() : QString(c);
        } else if (lower(pending.back()) == u'n') {
            if (lower(c) == u'y') {
                pending += c;
            } else {
                result += pending.chopped(1);
                result += u'ん';
                pending = c;
            }
        } else {
            pending += c;
        }
    }
    return result;
}

} // namespace

class TestRomajiConversion : public QObject {
    Q_OBJECT

private slots:
    void table();
    void vowelIndex_data();
    void vowelIndex();
    void romajiToKana_data();
    void romajiToKana();
    void longConsonantRuns_data();
    void longConsonantRuns();
    void randomInputMatchesReference();
};

void TestRomajiConversion::table()
{
    QSet<QString> keys;
    for (const RomajiRow& row : RomajiTable) {
        const QString key = QString::fromUtf16(row.key);
        QVERIFY2(key.size() <= 2, qPrintable(key));
        QCOMPARE(key, key.toLower());
        QVERIFY2(!keys.contains(key), qPrintable(key));
        keys.insert(key);
    }
    QCOMPARE(keys.size(), 48);
    // Three rows that are absent on purpose.
    QVERIFY(!keys.contains(u"c"_s));
    QVERIFY(!keys.contains(u"xy"_s));
    QVERIFY(!keys.contains(u"wh"_s));
    // The empty key must answer every vowel, or the conversion would not end.
    for (const char16_t* kana : RomajiTable[0].kana)
        QVERIFY(kana);
}

void TestRomajiConversion::vowelIndex_data()
{
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("index");

    QTest::newRow("a") << u"a"_s << 0;
    QTest::newRow("A") << u"A"_s << 0;
    QTest::newRow("i") << u"i"_s << 1;
    QTest::newRow("I") << u"I"_s << 1;
    QTest::newRow("u") << u"u"_s << 2;
    QTest::newRow("U") << u"U"_s << 2;
    QTest::newRow("e") << u"e"_s << 3;
    QTest::newRow("E") << u"E"_s << 3;
    QTest::newRow("o") << u"o"_s << 4;
    QTest::newRow("O") << u"O"_s << 4;
    QTest::newRow("consonant") << u"k"_s << -1;
    QTest::newRow("y") << u"y"_s << -1;
    QTest::newRow("full-width a") << u"ａ"_s << -1;
    QTest::newRow("hiragana a") << u"あ"_s << -1;
}

void TestRomajiConversion::vowelIndex()
{
    QFETCH(QString, letter);
    QFETCH(int, index);
    QCOMPARE(VowelIndex(letter.at(0)), index);
}

void TestRomajiConversion::romajiToKana_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kana");

    QTest::newRow("kanji") << u"kanji"_s << u"かんじ"_s;
    QTest::newRow("kannji") << u"kannji"_s << u"かんじ"_s;
    QTest::newRow("gakkou") << u"gakkou"_s << u"がっこう"_s;
    QTest::newRow("nyuugaku") << u"nyuugaku"_s << u"にゅうがく"_s;
    QTest::newRow("Kyouto") << u"Kyouto"_s << u"きょうと"_s;
    QTest::newRow("KYOUTO") << u"KYOUTO"_s << u"きょうと"_s;
    QTest::newRow("shinbun") << u"shinbun"_s << u"しんぶ"_s;
    QTest::newRow("shinbunn") << u"shinbunn"_s << u"しんぶん"_s;
    QTest::newRow("k") << u"k"_s << QString();
    QTest::newRow("ka") << u"ka"_s << u"か"_s;
    QTest::newRow("kan") << u"kan"_s << u"か"_s;
    QTest::newRow("kta") << u"kta"_s << u"kた"_s;
    QTest::newRow("Kta") << u"Kta"_s << u"Kた"_s;
    QTest::newRow("ca") << u"ca"_s << u"cあ"_s;
    QTest::newRow("xya") << u"xya"_s << u"xや"_s;
    QTest::newRow("lya") << u"lya"_s << u"ゃ"_s;
    QTest::newRow("ltu") << u"ltu"_s << u"っ"_s;
    QTest::newRow("xtu") << u"xtu"_s << u"っ"_s;
    QTest::newRow("kwi") << u"kwi"_s << u"kうぃ"_s;
    QTest::newRow("kwa") << u"kwa"_s << u"くぁ"_s;
    QTest::newRow("vu") << u"vu"_s << u"う゛"_s;
    QTest::newRow("wo") << u"wo"_s << u"を"_s;
    QTest::newRow("ye") << u"ye"_s << u"いぇ"_s;
    QTest::newRow("tsu") << u"tsu"_s << u"つ"_s;
    QTest::newRow("fa") << u"fa"_s << u"ふぁ"_s;
    QTest::newRow("ka-do") << u"ka-do"_s << u"か-ど"_s;
    QTest::newRow("kon'nichiha") << u"kon'nichiha"_s << u"こ'んいちは"_s;
    QTest::newRow("kanji unchanged") << u"漢字"_s << u"漢字"_s;
    QTest::newRow("kana unchanged") << u"かな"_s << u"かな"_s;
    QTest::newRow("empty") << QString() << QString();
    // Corners of the rules beyond the usual words.
    QTest::newRow("doubled upper case") << u"GAKKOU"_s << u"がっこう"_s;
    QTest::newRow("doubled mixed case") << u"gaKkou"_s << u"がっこう"_s;
    QTest::newRow("nn upper case") << u"KANNJI"_s << u"かんじ"_s;
    QTest::newRow("n before consonant keeps case") << u"aNda"_s << u"あんだ"_s;
    QTest::newRow("ny keeps waiting") << u"kony"_s << u"こ"_s;
    QTest::newRow("nya") << u"konnya"_s << u"こんや"_s;
    QTest::newRow("n y other vowel") << u"nyo"_s << u"にょ"_s;
    QTest::newRow("tt before ch") << u"matcha"_s << u"まtちゃ"_s;
    QTest::newRow("cch") << u"maccha"_s << u"まっちゃ"_s;
    QTest::newRow("tw only u") << u"twa"_s << u"tわ"_s;
    QTest::newRow("twu") << u"twu"_s << u"とぅ"_s;
    QTest::newRow("lt other vowel") << u"lta"_s << u"lた"_s;
    QTest::newRow("three consonants") << u"bkya"_s << u"bきゃ"_s;
    QTest::newRow("three consonants no key") << u"bcda"_s << u"bcだ"_s;
    QTest::newRow("digits wait") << u"k1a"_s << u"1か"_s;
    QTest::newRow("space waits") << u"s a"_s << u" さ"_s;
    QTest::newRow("kana between") << u"kあa"_s << u"あか"_s;
    QTest::newRow("full-width letter copied") << u"ｋa"_s << u"ｋあ"_s;
    QTest::newRow("vowels only") << u"aiueo"_s << u"あいうえお"_s;
    QTest::newRow("upper vowels") << u"AIUEO"_s << u"あいうえお"_s;
    QTest::newRow("xn doubled n") << u"xnn"_s << u"xん"_s;
    QTest::newRow("n after ny waits") << u"nyn"_s << QString();
    QTest::newRow("wi") << u"wi"_s << u"うぃ"_s;
    QTest::newRow("sha shi") << u"shashi"_s << u"しゃし"_s;
}

void TestRomajiConversion::romajiToKana()
{
    QFETCH(QString, text);
    QFETCH(QString, kana);
    QCOMPARE(RomajiToKana(text), kana);
}

void TestRomajiConversion::longConsonantRuns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kana");

    const QString run = u"bcdfg"_s.repeated(200); // never doubled, never n
    QTest::newRow("run then vowel") << run + u"a"_s << run.chopped(1) + u"が"_s;
    QTest::newRow("run ending in key") << run + u"sha"_s << run + u"しゃ"_s;
    QTest::newRow("run ending in ny") << run + u"nya"_s << run + u"にゃ"_s;
    QTest::newRow("run then double") << run + u"kka"_s << run + u"っか"_s;
    QTest::newRow("run doubling its last letter") << run + u"gga"_s << run.chopped(1) + u"っっが"_s;
    QTest::newRow("run then nn") << run + u"nn"_s << run + u"ん"_s;
    QTest::newRow("run then n and consonant") << run + u"nka"_s << run + u"んか"_s;
    QTest::newRow("run at the end dropped") << u"ka"_s + run << u"か"_s;
    QTest::newRow("run with kana inside")
        << u"bc"_s + u"あ"_s + run + u"u"_s << u"あbc"_s + run.chopped(1) + u"ぐ"_s;
}

void TestRomajiConversion::longConsonantRuns()
{
    QFETCH(QString, text);
    QFETCH(QString, kana);
    QCOMPARE(RomajiToKana(text), kana);
    QCOMPARE(ReferenceRomajiToKana(text), kana);
}

void TestRomajiConversion::randomInputMatchesReference()
{
    // A small alphabet so that doubles, n, y, keys and vowels meet often.
    const QString alphabet = u"aiueoAIUEOkKnNyYsShHtTcwlxjzvq'- あ漢"_s;
    QRandomGenerator random(20100);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = random.bounded(1, 24);
        for (int i = 0; i < length; ++i)
            text += alphabet.at(random.bounded(int(alphabet.size())));
        QCOMPARE(RomajiToKana(text), ReferenceRomajiToKana(text));
    }
}

QTEST_GUILESS_MAIN(TestRomajiConversion)
#include "tst_romajiconversion.moc"

#include "common/TestEnv.h"

#include "text/HyogaiMarkup.h"
#include "text/KanaConversion.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestHyogaiMarkup : public QObject {
    Q_OBJECT

private slots:
    void markHyogai_data();
    void markHyogai();
    void containsHyogai_data();
    void containsHyogai();
    void wrapInTag_data();
    void wrapInTag();
};

void TestHyogaiMarkup::markHyogai_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("markup");

    QTest::newRow("one hyogai first") << u"遁走する"_s << u"<R>遁<N>走する"_s;
    QTest::newRow("neighbours form one run") << u"躊躇する"_s << u"<R>躊躇<N>する"_s;
    QTest::newRow("between table kanji") << u"三叉路"_s << u"三<R>叉<N>路"_s;
    QTest::newRow("run ends the text") << u"酒の肴"_s << u"酒の<R>肴<N>"_s;
    QTest::newRow("inside parentheses")
        << u"渾名(綽名)で呼ぶ"_s << u"<R>渾<N>名(<R>綽<N>名)で呼ぶ"_s;
    QTest::newRow("table kanji only") << u"本懐を遂げる"_s << u"本懐を遂げる"_s;
    QTest::newRow("kana only") << u"ひらがなカタカナ"_s << u"ひらがなカタカナ"_s;
    QTest::newRow("ascii and punctuation") << u"a-b, (c)。、「」"_s << u"a-b, (c)。、「」"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("widespread form") << u"叱る"_s << u"叱る"_s;
    QTest::newRow("whole text one run") << u"躊躇"_s << u"<R>躊躇<N>"_s;
    QTest::newRow("single hyogai") << u"肴"_s << u"<R>肴<N>"_s;
    QTest::newRow("two runs") << u"遁走と躊躇"_s << u"<R>遁<N>走と<R>躊躇<N>"_s;
    QTest::newRow("runs split by kana") << u"肴の肴"_s << u"<R>肴<N>の<R>肴<N>"_s;
    QTest::newRow("iteration mark after hyogai") << u"肴々"_s << u"<R>肴<N>々"_s;
    QTest::newRow("printed form") << u"頰張る"_s << u"<R>頰<N>張る"_s;
}

void TestHyogaiMarkup::markHyogai()
{
    QFETCH(QString, text);
    QFETCH(QString, markup);
    QCOMPARE(MarkHyogai(text), markup);
}

void TestHyogaiMarkup::containsHyogai_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("removeParentheses");
    QTest::addColumn<bool>("contains");

    QTest::newRow("hyogai in parentheses") << u"博打(博奕)を打つ"_s << false << true;
    QTest::newRow("parentheses removed") << u"博打(博奕)を打つ"_s << true << false;
    QTest::newRow("愛嬌 whole") << u"愛敬(愛嬌)"_s << false << true;
    QTest::newRow("愛嬌 removed") << u"愛敬(愛嬌)"_s << true << false;
    QTest::newRow("empty") << QString() << false << false;
    QTest::newRow("widespread form") << u"叱る"_s << false << false;
    QTest::newRow("hyogai at the end") << u"酒の肴"_s << false << true;
    QTest::newRow("kana and ascii") << u"かなカナabc"_s << false << false;
    QTest::newRow("hyogai after NUL") << QString(u"あ"_s + QChar(0) + u"肴"_s) << false << true;
}

void TestHyogaiMarkup::containsHyogai()
{
    QFETCH(QString, text);
    QFETCH(bool, removeParentheses);
    QFETCH(bool, contains);
    QCOMPARE(ContainsHyogai(removeParentheses ? RemoveParenthesized(text) : text), contains);
}

void TestHyogaiMarkup::wrapInTag_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("markup");

    QTest::newRow("R") << u"R"_s << u"肴"_s << u"<R>肴<N>"_s;
    QTest::newRow("G") << u"G"_s << u"ほんかい"_s << u"<G>ほんかい<N>"_s;
    QTest::newRow("missing tag") << QString() << u"x"_s << u"<>x<N>"_s;
    QTest::newRow("missing text") << u"G"_s << QString() << u"<G><N>"_s;
}

void TestHyogaiMarkup::wrapInTag()
{
    QFETCH(QString, tag);
    QFETCH(QString, text);
    QFETCH(QString, markup);
    QCOMPARE(WrapInTag(tag, text), markup);
}

QTEST_GUILESS_MAIN(TestHyogaiMarkup)
#include "tst_hyogaimarkup.moc"

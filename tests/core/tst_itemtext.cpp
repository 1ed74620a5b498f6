#include "common/TestEnv.h"

#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A dictionary that holds its lists already, so it never loads.
void AddList(CDictionary& dictionary, const QStringList& lines)
{
    auto list = std::make_unique<CDictionary::CDicFile>(u"test%1"_s.arg(dictionary.GetSize()));
    for (const QString& line : lines)
        list->AddItem(line);
    dictionary.m_lists.push_back(std::move(list));
}

} // namespace

class TestItemText : public QObject {
    Q_OBJECT

private slots:
    void itemMarkup_data();
    void itemMarkup();
    void distinctKanji_data();
    void distinctKanji();
    void distinctKanjiCached();
    void zeroKanjiNotKept();
};

void TestItemText::itemMarkup_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("question");

    QTest::newRow("table kanji") << u"本懐を遂げる\tほんかいをとげる"_s << u"本懐を遂げる"_s
                                 << u"<G>ほんかい<N>を<G>と<N>げる"_s;
    QTest::newRow("hyogai in alternative")
        << u"愛敬(愛嬌)\tあいきょう"_s << u"愛敬(愛<R>嬌<N>)"_s << u"<G>あいきょう<N>"_s;
    QTest::newRow("both marked") << u"渾名(綽名)で呼ぶ\tあだなでよぶ"_s
                                 << u"<R>渾<N>名(<R>綽<N>名)で呼ぶ"_s
                                 << u"<G>あだな<N>で<G>よ<N>ぶ"_s;
    QTest::newRow("katakana word") << u"ガソリンに引火する\tがそりんにいんかする"_s
                                   << u"ガソリンに引火する"_s << u"がそりんに<G>いんか<N>する"_s;
    QTest::newRow("reading alternative")
        << u"雨露を凌ぐ\tうろ(あめつゆ)をしのぐ"_s << u"雨露を<R>凌<N>ぐ"_s
        << u"<G>うろ<N>(あめつゆ)を<G>しの<N>ぐ"_s;
    // Without a TAB the word is empty and the whole line is the reading.
    QTest::newRow("no tab") << u"ほんかい"_s << QString() << u"<G>ほんかい<N>"_s;
    QTest::newRow("empty reading") << u"遁走\t"_s << u"<R>遁<N>走"_s << QString();
    // Only the first TAB separates word and reading.
    QTest::newRow("second tab") << u"本\tほ\tん"_s << u"本"_s << u"<G>ほ\tん<N>"_s;
}

void TestItemText::itemMarkup()
{
    QFETCH(QString, line);
    QFETCH(QString, answer);
    QFETCH(QString, question);
    const CDictionary::CItem item(line);
    QCOMPARE(item.GetAnswerMarkup(), answer);
    QCOMPARE(item.GetQuestionText(), question);
    QCOMPARE(item.GetText(), line);
}

void TestItemText::distinctKanji_data()
{
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<int>("count");

    QTest::newRow("repeats counted once")
        << QStringList{u"本懐を遂げる\tほんかいをとげる"_s, u"本屋\tほんや"_s}
        << QStringList{u"懐\tふところ"_s} << 4;
    QTest::newRow("readings ignored")
        << QStringList{u"かな\t漢字"_s} << QStringList{u"字\tじ"_s} << 1;
    QTest::newRow("alternatives counted")
        << QStringList{u"愛敬(愛嬌)\tあいきょう"_s} << QStringList{} << 3;
    QTest::newRow("iteration mark not a kanji")
        << QStringList{u"初々しい\tういういしい"_s} << QStringList{} << 1;
    QTest::newRow("closing mark is") << QStringList{u"〆切\tしめきり"_s} << QStringList{} << 2;
    QTest::newRow("hyogai and table alike")
        << QStringList{u"躊躇\tちゅうちょ"_s, u"叱る\tしかる"_s} << QStringList{} << 3;
}

void TestItemText::distinctKanji()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(int, count);
    CDictionary dictionary;
    AddList(dictionary, first);
    AddList(dictionary, second);
    QCOMPARE(dictionary.GetDistinctKanjiCount(), count);
    QCOMPARE(dictionary.m_nKanjiCount, count);
}

void TestItemText::distinctKanjiCached()
{
    CDictionary dictionary;
    AddList(dictionary, {u"本\tほん"_s});
    QCOMPARE(dictionary.GetDistinctKanjiCount(), 1);
    dictionary.GetAt(0)->AddItem(u"屋\tや"_s);
    QCOMPARE(dictionary.GetDistinctKanjiCount(), 1);
}

void TestItemText::zeroKanjiNotKept()
{
    CDictionary dictionary;
    AddList(dictionary, {u"かな\tかな"_s});
    QCOMPARE(dictionary.GetDistinctKanjiCount(), 0);
    dictionary.GetAt(0)->AddItem(u"屋\tや"_s);
    QCOMPARE(dictionary.GetDistinctKanjiCount(), 1);
}

QTEST_GUILESS_MAIN(TestItemText)
#include "tst_itemtext.moc"

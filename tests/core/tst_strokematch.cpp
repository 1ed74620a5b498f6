#include "common/InkBuilder.h"
#include "common/SegmentOwners.h"
#include "recognition/Assignment.h"
#include "recognition/CRecognizer.h"
#include "recognition/CStrokeTemplates.h"
#include "recognition/LookAlike.h"
#include "recognition/ModelLocation.h"
#include "recognition/Segmentation.h"
#include "recognition/StrokeMatch.h"
#include "recognition/WritingCheck.h"

#include <QRandomGenerator>
#include <QTest>

// The stroke templates, the matching of written strokes to them and the
// verdicts built on it, and the cut of unboxed writing by stroke counts.
class TestStrokeMatch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void templatesHaveTheSchoolStrokeCounts_data();
    void templatesHaveTheSchoolStrokeCounts();
    void templatesStayInTheirBox();
    void charactersWithoutATemplate_data();
    void charactersWithoutATemplate();
    void assignmentIsTheCheapest_data();
    void assignmentIsTheCheapest();
    void matchFindsOrderDirectionAndCount_data();
    void matchFindsOrderDirectionAndCount();
    void matchPlacesTheAnswerOverTheWriting();
    void lookAlikes_data();
    void lookAlikes();
    void lookAlikesToldApartByWhereTheyDiffer_data();
    void lookAlikesToldApartByWhereTheyDiffer();
    void verdicts_data();
    void verdicts();
    void candidatesAsEvidence_data();
    void candidatesAsEvidence();
    void strictnessLevels_data();
    void strictnessLevels();
    void strictnessFromSetting_data();
    void strictnessFromSetting();
    void characterWithoutTemplateKeepsTheRecognisersCheck();
    void wordJudgedAsItsCharactersAre_data();
    void wordJudgedAsItsCharactersAre();
    void cutsUnboxedWritingByStrokeCounts_data();
    void cutsUnboxedWritingByStrokeCounts();

private:
    CRecognizer m_recognizer;
    bool m_bModel = false;
};

namespace {

// The template's own strokes as pen strokes in a cell, each a line of
// points from its start to its end, trembling a little from a fixed seed:
// writing that is right by construction.
InkStrokes WriteTemplate(const QString& character, const QRectF& cell, quint32 seed = 7)
{
    QRandomGenerator random(seed);
    InkStrokes ink;
    for (const QLineF& line : CStrokeTemplates::Find(character).strokes) {
        InkStroke stroke;
        for (int i = 0; i <= 12; ++i) {
            const QPointF unit = line.pointAt(i / 12.0);
            const QPointF jitter((random.generateDouble() - 0.5) * 0.01,
                                 (random.generateDouble() - 0.5) * 0.01);
            const QPointF p = unit + jitter;
            stroke.points.append(
                {QPointF(cell.left() + p.x() * cell.width(), cell.top() + p.y() * cell.height()),
                 1.0, i * 10});
        }
        ink.append(stroke);
    }
    return ink;
}

// The ways a test spoils right writing.
enum class Spoil { None, Swap, Reverse, DropLast, Shift };

InkStrokes Spoilt(InkStrokes ink, Spoil spoil, int stroke, qreal shift = 0.2)
{
    switch (spoil) {
    case Spoil::None:
        break;
    case Spoil::Swap:
        ink.swapItemsAt(stroke, stroke + 1);
        break;
    case Spoil::Reverse:
        std::reverse(ink[stroke].points.begin(), ink[stroke].points.end());
        break;
    case Spoil::DropLast:
        ink.removeLast();
        break;
    case Spoil::Shift: {
        // One stroke moved down by a share of the character's height.
        const QRectF all = InkBounds(ink);
        for (InkPoint& p : ink[stroke].points)
            p.pos.ry() += all.height() * shift;
        break;
    }
    }
    return ink;
}

// answer's strokes moved a share of the way towards the look-alike's
// counterparts, in answer's order: 0 is answer, 1 the look-alike.
InkStrokes WriteBetween(const QString& answer, const QString& other, qreal share,
                        const QRectF& cell)
{
    const StrokeTemplate from = CStrokeTemplates::Find(answer), to = CStrokeTemplates::Find(other);
    const LookAlike alike = FindLookAlike(answer, other);
    InkStrokes ink;
    for (int j = 0; j < from.StrokeCount() && j < alike.counterpart.size(); ++j) {
        const QLineF& a = from.strokes[j];
        const QLineF& b = to.strokes[alike.counterpart[j]];
        const QLineF line(a.p1() + (b.p1() - a.p1()) * share, a.p2() + (b.p2() - a.p2()) * share);
        InkStroke stroke;
        for (int i = 0; i <= 12; ++i) {
            const QPointF p = line.pointAt(i / 12.0);
            stroke.points.append(
                {QPointF(cell.left() + p.x() * cell.width(), cell.top() + p.y() * cell.height()),
                 1.0, i * 10});
        }
        ink.append(stroke);
    }
    return ink;
}

QString Indices(const QList<bool>& flags)
{
    QStringList on;
    for (int i = 0; i < flags.size(); ++i)
        if (flags[i])
            on.append(QString::number(i));
    return on.join(u',');
}

const QRectF kBox(30, 30, 120, 120);

} // namespace

void TestStrokeMatch::initTestCase()
{
    QVERIFY2(CStrokeTemplates::CharacterCount() > 6000, "the stroke templates are not built in");
    const QString model = FindHandwritingModel();
    m_bModel = !model.isEmpty() && m_recognizer.Open(model);
}

void TestStrokeMatch::templatesHaveTheSchoolStrokeCounts_data()
{
    QTest::addColumn<QString>("characters");
    // Stroke counts as schools teach them; the kana come from our own
    // table, so a slip in it shows here.
    QTest::newRow("hiragana") << QStringLiteral(
        "あ3い2う2え2お3か3き4く1け3こ2さ3し1す2せ3そ1た4ち2つ1て1と2な4に3ぬ2ね2の1"
        "は3ひ1ふ4へ1ほ4ま3み2む3め2も3や3ゆ2よ2ら2り2る1れ2ろ1わ2を3ん1");
    QTest::newRow("katakana") << QStringLiteral(
        "ア2イ2ウ3エ3オ3カ2キ3ク2ケ3コ2サ3シ3ス2セ2ソ2タ3チ3ツ3テ3ト2ナ2ニ2ヌ2ネ4ノ1"
        "ハ2ヒ2フ1ヘ1ホ4マ2ミ3ム2メ2モ3ヤ2ユ2ヨ3ラ2リ2ル2レ1ロ3ワ2ヲ3ン2ー1");
    QTest::newRow("voiced and small kana")
        << QStringLiteral("が5ぎ6ば5ぱ4ぴ2ぽ5ガ4パ3ヴ5ぁ3っ1ゃ3ョ3ヶ3");
    QTest::newRow("kanji") << QStringLiteral("一1川3口3日4未5末5土3士3書10鬱29");
}

void TestStrokeMatch::templatesHaveTheSchoolStrokeCounts()
{
    QFETCH(QString, characters);
    for (int i = 0; i + 1 < characters.size();) {
        const QString character = characters.mid(i, 1);
        int end = i + 1;
        while (end < characters.size() && characters[end].isDigit())
            ++end;
        const int count = characters.mid(i + 1, end - i - 1).toInt();
        QVERIFY2(CStrokeTemplates::Has(character), qPrintable(character));
        QCOMPARE(CStrokeTemplates::Find(character).StrokeCount(), count);
        i = end;
    }
}

void TestStrokeMatch::templatesStayInTheirBox()
{
    for (const QString& character : {u"あ"_qs, u"ぱ"_qs, u"ッ"_qs, u"鬱"_qs, u"一"_qs}) {
        for (const QLineF& line : CStrokeTemplates::Find(character).strokes)
            for (const QPointF& p : {line.p1(), line.p2()})
                QVERIFY(p.x() >= 0 && p.x() < 1 && p.y() >= 0 && p.y() < 1);
    }
    // A small kana stands in the lower left of the full one's box.
    const QRectF big = InkBounds(WriteTemplate(u"つ"_qs, QRectF(0, 0, 1, 1)));
    const QRectF small = InkBounds(WriteTemplate(u"っ"_qs, QRectF(0, 0, 1, 1)));
    QVERIFY(small.width() < big.width() * 0.8);
    QVERIFY(small.top() > big.top());
}

void TestStrokeMatch::charactersWithoutATemplate_data()
{
    QTest::addColumn<QString>("character");
    QTest::newRow("latin letter") << u"A"_qs;
    QTest::newRow("empty") << QString();
    QTest::newRow("two characters") << u"川口"_qs;
    QTest::newRow("iteration mark") << u"々"_qs;
}

void TestStrokeMatch::charactersWithoutATemplate()
{
    QFETCH(QString, character);
    QVERIFY(!CStrokeTemplates::Has(character));
    QVERIFY(CStrokeTemplates::Find(character).IsEmpty());
}

void TestStrokeMatch::assignmentIsTheCheapest_data()
{
    QTest::addColumn<QList<QList<double>>>("cost");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("identity") << QList<QList<double>>{{0, 5}, {5, 0}} << QList<int>{0, 1};
    QTest::newRow("crossed") << QList<QList<double>>{{5, 0}, {0, 5}} << QList<int>{1, 0};
    // The greedy choice (row 0 takes its cheapest) is not the cheapest in all.
    QTest::newRow("greedy fails") << QList<QList<double>>{{1, 2, 9}, {1, 9, 9}, {9, 9, 1}}
                                  << QList<int>{1, 0, 2};
    QTest::newRow("more rows than columns")
        << QList<QList<double>>{{3}, {1}, {2}} << QList<int>{-1, 0, -1};
    QTest::newRow("more columns than rows") << QList<QList<double>>{{4, 1, 3}} << QList<int>{1};
    QTest::newRow("empty") << QList<QList<double>>{} << QList<int>{};
}

void TestStrokeMatch::assignmentIsTheCheapest()
{
    QFETCH(QList<QList<double>>, cost);
    QFETCH(QList<int>, expected);
    QCOMPARE(SolveAssignment(cost), expected);
}

void TestStrokeMatch::matchFindsOrderDirectionAndCount_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<int>("spoil");
    QTest::addColumn<int>("stroke");
    QTest::addColumn<QString>("outOfOrder");
    QTest::addColumn<QString>("reversed");
    QTest::addColumn<int>("missing");
    QTest::newRow("right") << u"書"_qs << int(Spoil::None) << 0 << ""
                           << "" << 0;
    QTest::newRow("juu, vertical first") << u"十"_qs << int(Spoil::Swap) << 0 << "0,1"
                                         << "" << 0;
    // The three strokes of 三 look alike; only where they lie tells them
    // apart.
    QTest::newRow("san, lower two swapped") << u"三"_qs << int(Spoil::Swap) << 1 << "1,2"
                                            << "" << 0;
    QTest::newRow("kawa, middle backwards") << u"川"_qs << int(Spoil::Reverse) << 1 << ""
                                            << "1" << 0;
    QTest::newRow("kuchi, last left out") << u"口"_qs << int(Spoil::DropLast) << 0 << ""
                                          << "" << 1;
    QTest::newRow("kana a, loop first") << u"あ"_qs << int(Spoil::Swap) << 1 << "1,2"
                                        << "" << 0;
    QTest::newRow("katakana so, backwards") << u"ソ"_qs << int(Spoil::Reverse) << 1 << ""
                                            << "1" << 0;
    QTest::newRow("dakuten before the kana") << u"が"_qs << int(Spoil::Swap) << 2 << "2,3"
                                             << "" << 0;
}

void TestStrokeMatch::matchFindsOrderDirectionAndCount()
{
    QFETCH(QString, character);
    QFETCH(int, spoil);
    QFETCH(int, stroke);
    QFETCH(QString, outOfOrder);
    QFETCH(QString, reversed);
    QFETCH(int, missing);
    const InkStrokes ink = Spoilt(WriteTemplate(character, kBox), Spoil(spoil), stroke);
    const StrokeMatch match = MatchStrokes(ink, CStrokeTemplates::Find(character));
    QCOMPARE(Indices(match.outOfOrder), outOfOrder);
    QCOMPARE(Indices(match.reversed), reversed);
    QCOMPARE(match.MissingCount(), missing);
    QCOMPARE(match.CountRight(), missing == 0);
    // However it was spoilt, every written stroke lies where the template
    // has one.
    QVERIFY2(match.worstDistance < 0.05, qPrintable(QString::number(match.worstDistance)));
    // A fit that needs a stroke read backwards is a worse fit than the same
    // ink the right way round, though every stroke lies as close: else a
    // look-alike whose stroke runs the other way (夭 for 天) wins as often.
    if (!reversed.isEmpty()) {
        const StrokeMatch right =
            MatchStrokes(WriteTemplate(character, kBox), CStrokeTemplates::Find(character));
        QVERIFY2(match.Cost() > right.Cost() + 0.03,
                 qPrintable(QStringLiteral("%1 vs %2").arg(match.Cost()).arg(right.Cost())));
    }
}

void TestStrokeMatch::matchPlacesTheAnswerOverTheWriting()
{
    // Written small, far from the origin and a little wide.
    const QRectF cell(500, 300, 90, 70);
    const StrokeTemplate answer = CStrokeTemplates::Find(u"日"_qs);
    const InkStrokes ink = WriteTemplate(u"日"_qs, cell);
    const StrokeMatch match = MatchStrokes(ink, answer);
    for (int s = 0; s < answer.StrokeCount(); ++s) {
        const QLineF placed = match.placement.Map(answer.strokes[s]);
        const QPointF start = ink[s].points.first().pos, end = ink[s].points.last().pos;
        QVERIFY(QLineF(placed.p1(), start).length() < 3);
        QVERIFY(QLineF(placed.p2(), end).length() < 3);
    }
    // Nothing written: nothing matched, nothing placed off the sheet.
    const StrokeMatch none = MatchStrokes({}, answer);
    QCOMPARE(none.MissingCount(), answer.StrokeCount());
    QCOMPARE(none.writtenCount, 0);
}

void TestStrokeMatch::lookAlikes_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("alike");
    // The same strokes, longer or shorter, further out or in.
    QTest::newRow("hi, etsu") << u"日"_qs << u"曰"_qs << true;
    QTest::newRow("kou, shin") << u"甲"_qs << u"申"_qs << true;
    QTest::newRow("mi, matsu") << u"未"_qs << u"末"_qs << true;
    QTest::newRow("do, shi") << u"土"_qs << u"士"_qs << true;
    QTest::newRow("ten, fu") << u"天"_qs << u"夫"_qs << true;
    // 夭's first stroke runs the other way: the fit weighs that itself.
    QTest::newRow("ten, you") << u"天"_qs << u"夭"_qs << false;
    QTest::newRow("hi, shiro") << u"日"_qs << u"白"_qs << false;
    QTest::newRow("kawa, san") << u"川"_qs << u"三"_qs << false;
    QTest::newRow("no template") << u"日"_qs << u"々"_qs << false;
    // Kanji and kana of one shape are told apart by the word.
    QTest::newRow("kuchi, katakana ro") << u"口"_qs << u"ロ"_qs << false;
    QTest::newRow("chikara, katakana ka") << u"力"_qs << u"カ"_qs << false;
}

void TestStrokeMatch::lookAlikes()
{
    QFETCH(QString, answer);
    QFETCH(QString, other);
    QFETCH(bool, alike);
    QCOMPARE(!FindLookAlike(answer, other).IsEmpty(), alike);
    QCOMPARE(!FindLookAlike(other, answer).IsEmpty(), alike);
}

void TestStrokeMatch::lookAlikesToldApartByWhereTheyDiffer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("otherWritten");
    QTest::addColumn<qreal>("squeeze");
    for (const auto& [a, b] : {std::pair(u"日"_qs, u"曰"_qs), std::pair(u"甲"_qs, u"申"_qs),
                               std::pair(u"未"_qs, u"末"_qs), std::pair(u"天"_qs, u"夫"_qs),
                               std::pair(u"土"_qs, u"士"_qs)}) {
        QTest::addRow("%s written for %s", qPrintable(a), qPrintable(a)) << a << b << false << 1.0;
        QTest::addRow("%s written for %s", qPrintable(b), qPrintable(a)) << a << b << true << 1.0;
    }
    // The proportions count: 日 written as wide as 曰 is 曰, which a fit
    // to the character's box would stretch back into 日.
    QTest::newRow("日 written wide") << u"日"_qs << u"曰"_qs << true << 0.6;
    QTest::newRow("曰 written tall") << u"曰"_qs << u"日"_qs << true << 1.6;
}

void TestStrokeMatch::lookAlikesToldApartByWhereTheyDiffer()
{
    QFETCH(QString, answer);
    QFETCH(QString, other);
    QFETCH(bool, otherWritten);
    QFETCH(qreal, squeeze);
    const StrokeTemplate a = CStrokeTemplates::Find(answer), b = CStrokeTemplates::Find(other);
    const LookAlike alike = FindLookAlike(answer, other);
    QVERIFY(!alike.IsEmpty());
    const QString written = squeeze != 1.0 ? answer : otherWritten ? other : answer;
    InkStrokes ink = WriteTemplate(written, kBox);
    for (InkStroke& stroke : ink)
        for (InkPoint& p : stroke.points)
            p.pos.ry() = kBox.top() + (p.pos.y() - kBox.top()) * squeeze;
    const double lean = LeaningTowards(ink, MatchStrokes(ink, a), a, b, alike);
    if (otherWritten)
        QVERIFY2(lean > 0.7, qPrintable(QString::number(lean)));
    else
        QVERIFY2(lean < 0.3, qPrintable(QString::number(lean)));
}

void TestStrokeMatch::verdicts_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("spoil");
    QTest::addColumn<int>("stroke");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("faulty");
    const int right = int(CheckVerdict::Correct), fault = int(CheckVerdict::StrokeFault),
              wrong = int(CheckVerdict::Wrong), none = int(Spoil::None);
    QTest::newRow("kawa") << u"川"_qs << u"川"_qs << none << 0 << right << "";
    QTest::newRow("kana a") << u"あ"_qs << u"あ"_qs << none << 0 << right << "";
    QTest::newRow("katakana wo") << u"ヲ"_qs << u"ヲ"_qs << none << 0 << right << "";
    QTest::newRow("juu swapped") << u"十"_qs << u"十"_qs << int(Spoil::Swap) << 0 << fault << "0,1";
    QTest::newRow("kawa reversed")
        << u"川"_qs << u"川"_qs << int(Spoil::Reverse) << 2 << fault << "2";
    QTest::newRow("kana ke swapped")
        << u"け"_qs << u"け"_qs << int(Spoil::Swap) << 1 << fault << "1,2";
    // 口 short of its last stroke would be コ; 書 short of its last is
    // still 書.
    QTest::newRow("sho one stroke short")
        << u"書"_qs << u"書"_qs << int(Spoil::DropLast) << 0 << fault << "";
    // Look-alikes never pass for each other.
    QTest::newRow("matsu for mi") << u"未"_qs << u"末"_qs << none << 0 << wrong << "";
    QTest::newRow("mi for matsu") << u"末"_qs << u"未"_qs << none << 0 << wrong << "";
    QTest::newRow("shi for do") << u"土"_qs << u"士"_qs << none << 0 << wrong << "";
    QTest::newRow("iru for hito") << u"人"_qs << u"入"_qs << none << 0 << wrong << "";
    QTest::newRow("wa for chi") << u"知"_qs << u"和"_qs << none << 0 << wrong << "";
    QTest::newRow("shitsu for sei") << u"生"_qs << u"失"_qs << none << 0 << wrong << "";
    QTest::newRow("kan for sen") << u"千"_qs << u"干"_qs << none << 0 << wrong << "";
    QTest::newRow("katakana so for n") << u"ン"_qs << u"ソ"_qs << none << 0 << wrong << "";
    QTest::newRow("san for kawa") << u"川"_qs << u"三"_qs << none << 0 << wrong << "";
    // One stroke more or less is a stroke fault only when no look-alike has
    // that many strokes.
    QTest::newRow("inu for dai") << u"大"_qs << u"犬"_qs << none << 0 << wrong << "";
    QTest::newRow("shiro for hi") << u"日"_qs << u"白"_qs << none << 0 << wrong << "";
    // The recogniser may rank the answer above the character written.
    QTest::newRow("ushi for go") << u"午"_qs << u"牛"_qs << none << 0 << wrong << "";
    // Look-alikes that differ in a stroke's length or place.
    QTest::newRow("etsu for hi") << u"日"_qs << u"曰"_qs << none << 0 << wrong << "";
    QTest::newRow("shin for kou") << u"甲"_qs << u"申"_qs << none << 0 << wrong << "";
    QTest::newRow("fu for ten") << u"天"_qs << u"夫"_qs << none << 0 << wrong << "";
    QTest::newRow("hi") << u"日"_qs << u"日"_qs << none << 0 << right << "";
    QTest::newRow("kou") << u"甲"_qs << u"甲"_qs << none << 0 << right << "";
    // A character of few strokes short of one is another one, or none.
    QTest::newRow("kawa one stroke short")
        << u"川"_qs << u"川"_qs << int(Spoil::DropLast) << 0 << wrong << "";
    QTest::newRow("ou one stroke short")
        << u"王"_qs << u"王"_qs << int(Spoil::DropLast) << 0 << wrong << "";
}

void TestStrokeMatch::verdicts()
{
    if (!m_bModel)
        QSKIP("The Japanese handwriting model is not installed");
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(int, spoil);
    QFETCH(int, stroke);
    QFETCH(int, verdict);
    QFETCH(QString, faulty);
    const InkStrokes ink = Spoilt(WriteTemplate(written, kBox), Spoil(spoil), stroke);
    const QList<CharacterCheck> checks = CheckWriting(m_recognizer, ink, answer, {kBox});
    QCOMPARE(checks.size(), 1);
    const CharacterCheck& check = checks.first();
    QCOMPARE(int(check.verdict), verdict);
    QStringList strokes;
    for (int s : check.FaultyStrokes())
        strokes.append(QString::number(s));
    QCOMPARE(strokes.join(u','), faulty);
    // The answer's strokes are there to be shown, whatever the verdict.
    QCOMPARE(int(check.answerStrokes.size()), CStrokeTemplates::Find(answer).StrokeCount());
    if (check.verdict == CheckVerdict::Wrong && written != answer)
        QVERIFY(check.recognised != answer);
}

void TestStrokeMatch::candidatesAsEvidence_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written");
    // How far the writing lies from the answer towards written, when both
    // are look-alikes; written exactly otherwise.
    QTest::addColumn<qreal>("share");
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<int>("verdict");
    const int right = int(CheckVerdict::Correct), fault = int(CheckVerdict::StrokeFault),
              wrong = int(CheckVerdict::Wrong);
    // 几 is a look-alike of 八, and so is 入. Named first in the answer's
    // place, 几 says only that the writing is of their family: writing
    // that leans towards 入 is 入, named or not.
    QTest::newRow("towards iru, ki named")
        << u"八"_qs << u"入"_qs << 0.65 << QStringList{u"几"_qs, u"乂"_qs} << wrong;
    QTest::newRow("towards hachi, ki named")
        << u"八"_qs << u"入"_qs << 0.3 << QStringList{u"几"_qs, u"乂"_qs} << right;
    // Read as the answer itself, it takes more to be the look-alike.
    QTest::newRow("towards iru, hachi named")
        << u"八"_qs << u"入"_qs << 0.65 << QStringList{u"八"_qs, u"乂"_qs} << right;
    QTest::newRow("iru, hachi named")
        << u"八"_qs << u"入"_qs << 1.0 << QStringList{u"八"_qs, u"乂"_qs} << wrong;
    // A stroke more than a short answer has: only the answer read first
    // vouches for it, not a look-alike of the answer's count.
    QTest::newRow("gan for kyuu, ki named")
        << u"九"_qs << u"丸"_qs << 0.0 << QStringList{u"几"_qs, u"丿"_qs} << wrong;
    QTest::newRow("gan for kyuu, kyuu named")
        << u"九"_qs << u"丸"_qs << 0.0 << QStringList{u"九"_qs, u"丿"_qs} << fault;
}

void TestStrokeMatch::candidatesAsEvidence()
{
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(qreal, share);
    QFETCH(QStringList, candidates);
    QFETCH(int, verdict);
    const bool between = !FindLookAlike(answer, written).IsEmpty();
    if (between) {
        // The rows rest on these being look-alikes.
        QVERIFY(LookAlikesOf(answer).contains(written));
        QVERIFY(!FindLookAlike(answer, candidates.first()).IsEmpty() ||
                candidates.first() == answer);
    }
    InkSegment segment;
    segment.cell = kBox;
    segment.strokes =
        between ? WriteBetween(answer, written, share, kBox) : WriteTemplate(written, kBox);
    const CharacterCheck check =
        JudgeByCandidates(segment, answer, candidates, ToleranceOf(CheckStrictness::Normal));
    QCOMPARE(int(check.verdict), verdict);
    QCOMPARE(check.IsAnswersCharacter(), verdict != int(CheckVerdict::Wrong));
}

void TestStrokeMatch::strictnessLevels_data()
{
    QTest::addColumn<int>("strictness");
    QTest::addColumn<int>("spoil");
    QTest::addColumn<int>("verdict");
    const int lenient = int(CheckStrictness::Lenient), normal = int(CheckStrictness::Normal),
              strict = int(CheckStrictness::Strict);
    const int right = int(CheckVerdict::Correct), fault = int(CheckVerdict::StrokeFault),
              wrong = int(CheckVerdict::Wrong);
    // Order counts against ✓ except when the learner asked for leniency.
    QTest::newRow("lenient, swapped") << lenient << int(Spoil::Swap) << right;
    QTest::newRow("normal, swapped") << normal << int(Spoil::Swap) << fault;
    QTest::newRow("strict, swapped") << strict << int(Spoil::Swap) << fault;
    QTest::newRow("lenient, reversed") << lenient << int(Spoil::Reverse) << right;
    QTest::newRow("strict, reversed") << strict << int(Spoil::Reverse) << fault;
    // How far a stroke may stray: farther than きびしい allows, not as far
    // as やさしい does.
    QTest::newRow("lenient, stroke astray") << lenient << int(Spoil::Shift) << right;
    QTest::newRow("strict, stroke astray") << strict << int(Spoil::Shift) << wrong;
    QTest::newRow("strict, right") << strict << int(Spoil::None) << right;
}

void TestStrokeMatch::strictnessLevels()
{
    if (!m_bModel)
        QSKIP("The Japanese handwriting model is not installed");
    QFETCH(int, strictness);
    QFETCH(int, spoil);
    QFETCH(int, verdict);
    // 川: its middle stroke moved down for a stroke astray, so far that after
    // the fit it lies between the strict and the lenient bound.
    const StrokeTemplate kawa = CStrokeTemplates::Find(u"川"_qs);
    const qreal between = (ToleranceOf(CheckStrictness::Strict).worst * 1.15 +
                           ToleranceOf(CheckStrictness::Lenient).worst * 0.85) /
                          2;
    qreal shift = 0;
    for (qreal tried = 0.05; tried < 0.6 && shift == 0; tried += 0.005)
        if (MatchStrokes(Spoilt(WriteTemplate(u"川"_qs, kBox), Spoil::Shift, 1, tried), kawa)
                .worstDistance >= between)
            shift = tried;
    QVERIFY(shift > 0);
    const InkStrokes ink = Spoilt(WriteTemplate(u"川"_qs, kBox), Spoil(spoil), 1, shift);
    const QList<CharacterCheck> checks =
        CheckWriting(m_recognizer, ink, u"川"_qs, {kBox}, CheckStrictness(strictness));
    QCOMPARE(int(checks.value(0).verdict), verdict);
    // Whatever counts against ✓, the faults are always named for the
    // overlay.
    if (spoil == int(Spoil::Swap) || spoil == int(Spoil::Reverse))
        QVERIFY(!checks.value(0).FaultyStrokes().isEmpty());
}

void TestStrokeMatch::strictnessFromSetting_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("level");
    QTest::newRow("0") << 0 << int(CheckStrictness::Lenient);
    QTest::newRow("1") << 1 << int(CheckStrictness::Normal);
    QTest::newRow("2") << 2 << int(CheckStrictness::Strict);
    QTest::newRow("out of range") << 7 << int(CheckStrictness::Normal);
    QTest::newRow("negative") << -1 << int(CheckStrictness::Normal);
}

void TestStrokeMatch::strictnessFromSetting()
{
    QFETCH(int, stored);
    QFETCH(int, level);
    QCOMPARE(int(StrictnessFromSetting(stored)), level);
    // Stricter levels allow less.
    QVERIFY(ToleranceOf(CheckStrictness::Lenient).worst >
            ToleranceOf(CheckStrictness::Normal).worst);
    QVERIFY(ToleranceOf(CheckStrictness::Normal).worst >
            ToleranceOf(CheckStrictness::Strict).worst);
    QVERIFY(!ToleranceOf(CheckStrictness::Lenient).orderCounts);
}

void TestStrokeMatch::characterWithoutTemplateKeepsTheRecognisersCheck()
{
    if (!m_bModel)
        QSKIP("The Japanese handwriting model is not installed");
    // 々 has no template: the recogniser alone judges it, only its first
    // choice passes, and there are no answer strokes to show.
    const QList<CharacterCheck> checks =
        CheckWriting(m_recognizer, PlaceInCell(UnitKawa(), kBox), u"々"_qs, {kBox});
    QCOMPARE(checks.size(), 1);
    QVERIFY(!checks.first().HasTemplate());
    if (m_recognizer.Knows(u"々"_qs)) {
        QCOMPARE(checks.first().verdict, CheckVerdict::Wrong);
        QCOMPARE(checks.first().recognised, u"川"_qs);
    } else {
        QCOMPARE(checks.first().verdict, CheckVerdict::Unchecked);
    }
    // And nothing written for it is missing, as for any other character.
    const QList<CharacterCheck> empty = CheckWriting(m_recognizer, PlaceInCell(UnitKawa(), kBox),
                                                     u"川口"_qs, {kBox, kBox.translated(150, 0)});
    QCOMPARE(empty.value(1).verdict, CheckVerdict::Missing);
}

void TestStrokeMatch::wordJudgedAsItsCharactersAre_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("boxed");
    // Each character's reading must come back to its own character, however
    // the readings are shared out.
    QTest::newRow("two") << u"川口"_qs << u"川口"_qs << false;
    QTest::newRow("three, one wrong") << u"日本語"_qs << u"日木語"_qs << false;
    QTest::newRow("four, boxed") << u"一石二鳥"_qs << u"一石二鳥"_qs << true;
    QTest::newRow("five, one wrong, boxed") << u"大学生活中"_qs << u"大字生活中"_qs << true;
    QTest::newRow("last left out") << u"山川草木"_qs << u"山川草"_qs << false;
    QTest::newRow("no template") << u"時々"_qs << u"時川"_qs << true;
}

void TestStrokeMatch::wordJudgedAsItsCharactersAre()
{
    if (!m_bModel)
        QSKIP("The Japanese handwriting model is not installed");
    QFETCH(QString, word);
    QFETCH(QString, written);
    QFETCH(bool, boxed);
    const QStringList characters = CharactersToCheck(word);
    InkStrokes ink;
    QList<QRectF> boxes;
    QList<int> counts;
    for (int i = 0; i < characters.size(); ++i) {
        const QRectF cell(20 + 130 * i, 20, 110, 110);
        boxes.append(cell);
        counts.append(CStrokeTemplates::Find(characters[i]).StrokeCount());
        if (i < written.size())
            ink += WriteTemplate(written.mid(i, 1), cell.adjusted(10, 10, -10, -10), i);
    }
    if (!boxed)
        boxes.clear();
    const CheckTolerance tolerance = ToleranceOf(CheckStrictness::Normal);
    const QList<CharacterCheck> checks = CheckWriting(m_recognizer, ink, word, boxes, tolerance);
    const QList<InkSegment> segments = SegmentCharacters(ink, counts, boxes);
    QCOMPARE(checks.size(), characters.size());
    for (int i = 0; i < characters.size(); ++i) {
        const CharacterCheck alone =
            JudgeCharacter(m_recognizer, segments[i], characters[i], tolerance, boxed);
        QCOMPARE(checks[i].expected, characters[i]);
        QCOMPARE(int(checks[i].verdict), int(alone.verdict));
        QCOMPARE(checks[i].recognised, alone.recognised);
        QCOMPARE(checks[i].writtenAs, alone.writtenAs);
    }
    // The rows differ from the word where they mean to.
    for (int i = 0; i < characters.size(); ++i)
        QCOMPARE(checks[i].verdict == CheckVerdict::Correct, written.mid(i, 1) == characters[i]);
}

void TestStrokeMatch::cutsUnboxedWritingByStrokeCounts_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QList<qreal>>("gaps");
    QTest::addColumn<QString>("owners");
    // Widths of the characters as written: a kana or 一 narrower than a
    // kanji.
    QTest::newRow("kawaguchi, gaps inside wider than between")
        << u"川口"_qs << QList<qreal>{6} << "0,1,2|3,4,5";
    QTest::newRow("ichi ni san") << u"一二三"_qs << QList<qreal>{20, 20} << "0|1,2|3,4,5";
    QTest::newRow("kana ii, each split in two") << u"いい"_qs << QList<qreal>{4} << "0,1|2,3";
    QTest::newRow("kana hana") << u"はな"_qs << QList<qreal>{10} << "0,1,2|3,4,5,6";
    QTest::newRow("characters touching") << u"口十"_qs << QList<qreal>{-20} << "0,1,2|3,4";
    QTest::newRow("second never written") << u"川口"_qs << QList<qreal>{} << "0,1,2|-";
}

void TestStrokeMatch::cutsUnboxedWritingByStrokeCounts()
{
    QFETCH(QString, word);
    QFETCH(QList<qreal>, gaps);
    QFETCH(QString, owners);
    const QStringList characters = CharactersToCheck(word);
    QList<int> counts;
    InkStrokes ink;
    qreal x = 0;
    for (int i = 0; i < characters.size(); ++i) {
        counts.append(CStrokeTemplates::Find(characters[i]).StrokeCount());
        if (i > 0 && i - 1 >= gaps.size())
            break; // the rest is left unwritten
        if (i > 0)
            x += 100 + gaps[i - 1];
        ink += WriteTemplate(characters[i], QRectF(x, 0, 100, 100), i);
    }
    const QList<InkSegment> segments = SegmentCharacters(Tagged(ink), counts);
    for (const InkSegment& segment : segments)
        QVERIFY(segment.cell.width() > 0 && segment.cell.height() > 0);
    QCOMPARE(Owners(segments), owners);
}

QTEST_GUILESS_MAIN(TestStrokeMatch)
#include "tst_strokematch.moc"

#include "common/InkBuilder.h"
#include "common/SegmentOwners.h"
#include "recognition/Segmentation.h"
#include "recognition/WritingCheck.h"

#include <QTest>

// Cutting a sheet's ink into characters, and judging a character from the
// recogniser's candidates.
class TestSegmentation : public QObject {
    Q_OBJECT
private slots:
    void cutsInkIntoCharacters_data();
    void cutsInkIntoCharacters();
    void cutsInkByGuideBoxes_data();
    void cutsInkByGuideBoxes();
    void missingCharactersGetAPlaceAfterTheWrittenOnes();
    void cellsFollowTheDirectionOfWriting();
    void inkBoundsCountADot();
    void judgesCandidates_data();
    void judgesCandidates();
    void charactersToCheck_data();
    void charactersToCheck();
};

namespace {

// Characters of 100 × 100 side by side, with the given gaps before each
// later one.
InkStrokes Row(const QList<InkStrokes>& characters, const QList<qreal>& gaps)
{
    InkStrokes ink;
    qreal x = 0;
    for (int i = 0; i < characters.size(); ++i) {
        if (i > 0)
            x += 100 + gaps[i - 1];
        ink += PlaceInCell(characters[i], QRectF(x, 0, 100, 100));
    }
    return ink;
}

// The same, top to bottom.
InkStrokes Column(const QList<InkStrokes>& characters, qreal gap)
{
    InkStrokes ink;
    for (int i = 0; i < characters.size(); ++i)
        ink += PlaceInCell(characters[i], QRectF(0, i * (100 + gap), 100, 100));
    return ink;
}

// 明: 日 squeezed into the left half and 月 into the right, close together.
InkStrokes UnitMei()
{
    return PlaceInCell(UnitHi(), QRectF(0, 0.2, 0.42, 0.55)) +
           PlaceInCell(UnitTsuki(), QRectF(0.48, 0, 0.52, 1));
}

} // namespace

void TestSegmentation::cutsInkIntoCharacters_data()
{
    QTest::addColumn<InkStrokes>("ink");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("owners");

    QTest::newRow("two characters, clear gap")
        << Row({UnitJuu(), UnitKuchi()}, {30}) << 2 << "0,1|2,3,4";
    QTest::newRow("one character, several clusters") << Row({UnitKawa()}, {}) << 1 << "0,1,2";
    // The gaps inside 川 are wider than the gap between the characters;
    // cutting there would leave characters of very uneven width.
    QTest::newRow("kawaguchi, gaps inside wider than between")
        << Row({UnitKawa(), UnitKuchi()}, {8}) << 2 << "0,1,2|3,4,5";
    QTest::newRow("meinichi, hen and tsukuri close together")
        << Row({UnitMei(), UnitHi()}, {20}) << 2 << "0,1,2,3,4,5,6,7|8,9,10,11";
    QTest::newRow("three characters, more clusters than characters")
        << Row({UnitKawa(), UnitNi(), UnitKawa()}, {15, 15}) << 3 << "0,1,2|3,4|5,6,7";
    QTest::newRow("characters touching: fewer clusters than characters")
        << Row({UnitKuchi(), UnitJuu()}, {-25}) << 2 << "0,1,2|3,4";
    QTest::newRow("written top to bottom")
        << Column({UnitJuu(), UnitKawa(), UnitKuchi()}, 15) << 3 << "0,1|2,3,4|5,6,7";
    QTest::newRow("vertical strokes of kawa stacked, not cut across")
        << Column({UnitKawa(), UnitNi()}, 10) << 2 << "0,1,2|3,4";
    QTest::newRow("fewer characters written than asked")
        << Row({UnitKuchi()}, {}) << 3 << "0,1,2|-|-";
    QTest::newRow("fewer strokes than characters")
        << Row({UnitIchi(), UnitIchi()}, {120}) << 3 << "0|1|-";
    QTest::newRow("no ink") << InkStrokes{} << 2 << "";
    QTest::newRow("empty strokes only") << InkStrokes{InkStroke{}, InkStroke{}} << 1 << "";
    QTest::newRow("no characters asked") << Row({UnitJuu()}, {}) << 0 << "";
}

void TestSegmentation::cutsInkIntoCharacters()
{
    QFETCH(InkStrokes, ink);
    QFETCH(int, count);
    QFETCH(QString, owners);
    const QList<InkSegment> segments = SegmentCharacters(Tagged(ink), count);
    QCOMPARE(Owners(segments), owners);
    for (const InkSegment& segment : segments) {
        QVERIFY(segment.cell.width() > 0 && segment.cell.height() > 0);
        // The mark is drawn at the cell: it must cover its ink.
        if (!segment.strokes.isEmpty()) {
            const QRectF cell = segment.cell.adjusted(-0.01, -0.01, 0.01, 0.01);
            const QRectF ink = segment.InkBoundsOf();
            QVERIFY(cell.contains(ink.topLeft()) && cell.contains(ink.bottomRight()));
        }
    }
}

void TestSegmentation::cutsInkByGuideBoxes_data()
{
    QTest::addColumn<InkStrokes>("ink");
    QTest::addColumn<QList<QRectF>>("boxes");
    QTest::addColumn<QString>("owners");
    const QRectF a(0, 0, 100, 100), b(110, 0, 100, 100), c(220, 0, 100, 100);
    QTest::newRow("one character per box") << PlaceInCell(UnitJuu(), a) + PlaceInCell(UnitKawa(), b)
                                           << QList<QRectF>{a, b} << "0,1|2,3,4";
    // Boxes decide even where the gap would not: 明 over two boxes stays
    // two characters, as the learner put it.
    QTest::newRow("boxes overrule gaps") << PlaceInCell(UnitHi(), a) + PlaceInCell(UnitTsuki(), b)
                                         << QList<QRectF>{a, b} << "0,1,2,3|4,5,6,7";
    QTest::newRow("stroke begun in one box, mostly in the next")
        << InkStrokes{LineStroke({10, 50}, {95, 50}), LineStroke({95, 30}, {190, 70})}
        << QList<QRectF>{a, b} << "0|1";
    QTest::newRow("middle below the boxes: the box it overlaps most")
        << InkStrokes{LineStroke({60, 80}, {200, 140})} << QList<QRectF>{a, b} << "-|0";
    QTest::newRow("stroke outside every box goes to the nearest")
        << InkStrokes{LineStroke({230, 150}, {300, 150})} << QList<QRectF>{a, b, c} << "-|-|0";
    QTest::newRow("empty box") << PlaceInCell(UnitIchi(), c) << QList<QRectF>{a, b, c} << "-|-|0";
}

void TestSegmentation::cutsInkByGuideBoxes()
{
    QFETCH(InkStrokes, ink);
    QFETCH(QList<QRectF>, boxes);
    QFETCH(QString, owners);
    // The count of the word does not matter when the sheet has boxes.
    const QList<InkSegment> segments = SegmentCharacters(Tagged(ink), 7, boxes);
    QCOMPARE(Owners(segments), owners);
    for (int i = 0; i < boxes.size(); ++i)
        QCOMPARE(segments[i].cell, boxes[i]);
}

void TestSegmentation::missingCharactersGetAPlaceAfterTheWrittenOnes()
{
    const QList<InkSegment> row = SegmentCharacters(Row({UnitJuu()}, {}), 3);
    QCOMPARE(row.size(), 3);
    QVERIFY(row[1].cell.left() > row[0].cell.right());
    QVERIFY(row[2].cell.left() > row[1].cell.right());
    QCOMPARE(row[1].cell.top(), row[0].cell.top());

    const QList<InkSegment> column = SegmentCharacters(Column({UnitJuu(), UnitKawa()}, 15), 3);
    QCOMPARE(column.size(), 3);
    QVERIFY(column[2].strokes.isEmpty());
    QVERIFY(column[2].cell.top() > column[1].cell.bottom());
    QCOMPARE(column[2].cell.left(), column[1].cell.left());
}

void TestSegmentation::cellsFollowTheDirectionOfWriting()
{
    // Side by side: every cell spans the whole line's height.
    const QList<InkSegment> row = SegmentCharacters(Row({UnitIchi(), UnitKawa()}, {20}), 2);
    QCOMPARE(row.size(), 2);
    QCOMPARE(row[0].cell.top(), row[1].cell.top());
    QCOMPARE(row[0].cell.bottom(), row[1].cell.bottom());
    QVERIFY(row[0].cell.height() >= 80);
    // A lone flat stroke still gets a cell of some height to mark.
    QVERIFY(row[0].cell.width() >= 40);
}

void TestSegmentation::inkBoundsCountADot()
{
    InkStroke dot;
    dot.points.append({QPointF(50, 60), 1.0, 0});
    bool hasInk = false;
    const QRectF bounds = InkBounds({dot, LineStroke({10, 10}, {20, 10})}, &hasInk);
    QVERIFY(hasInk);
    QCOMPARE(bounds, QRectF(QPointF(10, 10), QPointF(50, 60)));
    InkBounds({InkStroke{}}, &hasInk);
    QVERIFY(!hasInk);
}

void TestSegmentation::judgesCandidates_data()
{
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<int>("verdict");
    const QStringList ten = {u"三"_qs, u"川"_qs, u"州"_qs, u"小"_qs, u"山"_qs,
                             u"千"_qs, u"干"_qs, u"王"_qs, u"玉"_qs, u"主"_qs};
    QTest::newRow("first") << u"三"_qs << ten << int(CheckVerdict::Correct);
    // Among the ten is not enough: a second choice may be another character.
    QTest::newRow("second") << u"川"_qs << ten << int(CheckVerdict::Wrong);
    QTest::newRow("tenth") << u"主"_qs << ten << int(CheckVerdict::Wrong);
    QTest::newRow("eleventh is too far")
        << u"生"_qs << ten + QStringList{u"生"_qs} << int(CheckVerdict::Wrong);
    QTest::newRow("absent") << u"口"_qs << ten << int(CheckVerdict::Wrong);
    QTest::newRow("no candidates") << u"口"_qs << QStringList{} << int(CheckVerdict::Wrong);
    QTest::newRow("kana") << u"か"_qs << QStringList{u"か"_qs, u"カ"_qs}
                          << int(CheckVerdict::Correct);
    QTest::newRow("katakana is not hiragana")
        << u"か"_qs << QStringList{u"カ"_qs, u"力"_qs} << int(CheckVerdict::Wrong);
}

void TestSegmentation::judgesCandidates()
{
    QFETCH(QString, expected);
    QFETCH(QStringList, candidates);
    QFETCH(int, verdict);
    QCOMPARE(int(JudgeCandidates(expected, candidates)), verdict);
}

void TestSegmentation::charactersToCheck_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("characters");
    QTest::newRow("plain") << u"川口"_qs << QStringList{u"川"_qs, u"口"_qs};
    QTest::newRow("alternative in the middle")
        << u"合図(相図)する"_qs << QStringList{u"合"_qs, u"図"_qs, u"す"_qs, u"る"_qs};
    QTest::newRow("alternative at the end") << u"青(蒼)"_qs << QStringList{u"青"_qs};
    QTest::newRow("full-width parentheses")
        << u"青い（蒼い）"_qs << QStringList{u"青"_qs, u"い"_qs};
    QTest::newRow("iteration mark") << u"人々"_qs << QStringList{u"人"_qs, u"々"_qs};
    QTest::newRow("outside the basic plane") << u"𠮟る"_qs << QStringList{u"𠮟"_qs, u"る"_qs};
    QTest::newRow("unclosed parenthesis drops the rest") << u"青(蒼"_qs << QStringList{u"青"_qs};
    QTest::newRow("stray closing parenthesis") << u"青)い"_qs << QStringList{u"青"_qs, u"い"_qs};
    QTest::newRow("empty") << QString() << QStringList{};
}

void TestSegmentation::charactersToCheck()
{
    QFETCH(QString, word);
    QFETCH(QStringList, characters);
    QCOMPARE(CharactersToCheck(word), characters);
}

QTEST_GUILESS_MAIN(TestSegmentation)
#include "tst_segmentation.moc"

#include "common/InkBuilder.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "mainwnd/CCheckMarksOverlay.h"
#include "mainwnd/CHandwritingCheck.h"
#include "mainwnd/CStrokeOrderWindow.h"
#include "platform/Options.h"
#include "platform/Profile.h"
#include "recognition/CStrokeTemplates.h"
#include "recognition/CWritingChecker.h"
#include "recognition/ModelLocation.h"
#include "recognition/WritingCheck.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// A stand-in for the writing sheet: the beige ground and the strokes the
// check reads.
class FakeSheet : public QWidget {
public:
    FakeSheet() { resize(400, 260); }
    InkStrokes m_strokes;
    QList<QRectF> m_boxes;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(240, 230, 210));
    }
};

int CountColor(const QImage& image, const QRect& area, const QColor& color)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - color.red()) < 30 && qAbs(c.green() - color.green()) < 30 &&
                qAbs(c.blue() - color.blue()) < 30)
                ++count;
        }
    return count;
}

} // namespace

class TestHandwritingCheck : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void marksShowTheVerdict_data();
    void marksShowTheVerdict();
    void nextQuestionClearsTheMarks();
    void changedWritingClearsTheMarks();
    void learnerWhoMovedOnGetsNoStaleMarks();
    void automaticCheckCanBeTurnedOff();
    void nothingIsCheckedWithoutWriting();
    void missingModelOffersNoCheck();
    void unusableModelIsExplainedOnce_data();
    void unusableModelIsExplainedOnce();
    void marksGoBesideWhenThereIsNoRoomBelow();
    void marksFollowVerticalWriting();
    void answerStrokesNumberTheFaultsInRed();
    void numbersStayApartAndOnlyFaultsAreRed();
    void faultMarkNamesTheStrokes_data();
    void faultMarkNamesTheStrokes();
    void unwrittenCharacterGetsTheSameMarkWithAndWithoutBoxes();
    void marksLeaveWhenTheQuestionShowsAgain();
    void answerAfterAPausePaintsTheCheckAtOnce();
    void changeAfterThePauseIsCheckedAgain_data();
    void changeAfterThePauseIsCheckedAgain();
    void nothingIsCheckedWhileWritingWhenTheCheckIsOff();
    void strictnessMenuStoresTheLevel();
    void firstQuestionSaysWhereToWrite();
    void lineNeverStandsOverInk_data();
    void lineNeverStandsOverInk();
    void strokeOrderFollowsTheQuestion();
    void strokeOrderWithoutItsFont();
    void strokeOrderWordGrowsWithTheWindow();

private:
    // The writing in a box for the current question, as the sheet reports
    // it at the end of a stroke, with the model read.
    bool WriteAndRest(const InkStrokes& unit, const QString& answer, int waitMs = 10000);

    std::unique_ptr<FakeSheet> m_sheet;
    std::unique_ptr<CHandwritingCheck> m_check;
    QString m_model;
};

void TestHandwritingCheck::initTestCase()
{
    m_model = FindHandwritingModel();
}

void TestHandwritingCheck::init()
{
    TestEnv::ClearSettings();
    m_sheet = std::make_unique<FakeSheet>();
    FakeSheet* sheet = m_sheet.get();
    m_check = std::make_unique<CHandwritingCheck>(
        sheet, [sheet] { return sheet->m_strokes; }, [sheet] { return sheet->m_boxes; },
        QStringList{m_model});
    m_sheet->show();
}

void TestHandwritingCheck::cleanup()
{
    m_check.reset();
    m_sheet.reset();
}

void TestHandwritingCheck::marksShowTheVerdict_data()
{
    QTest::addColumn<InkStrokes>("unit");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QString>("recognised");
    QTest::newRow("kawa for kawa")
        << UnitKawa() << u"川"_qs << CCheckMarksOverlay::kCorrectColor << QString();
    QTest::newRow("san for kawa") << UnitSan() << u"川"_qs << CCheckMarksOverlay::kWrongColor
                                  << u"三"_qs;
}

void TestHandwritingCheck::marksShowTheVerdict()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    QFETCH(InkStrokes, unit);
    QFETCH(QString, answer);
    QFETCH(QColor, color);
    QFETCH(QString, recognised);
    const QRectF box(20, 20, 120, 120);
    m_sheet->m_boxes = {box};
    m_sheet->m_strokes = PlaceInCell(unit, box);
    m_check->OnQuestionShown(answer);
    QSignalSpy shown(m_check.get(), &CHandwritingCheck::MarksShown);
    m_check->OnAnswerShown();
    QVERIFY(shown.wait(10000));
    CCheckMarksOverlay* overlay = m_check->Overlay();
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->Checks().size(), 1);
    QCOMPARE(overlay->Checks().first().recognised, recognised);

    const QRect mark = overlay->MarkRects().first();
    QVERIFY(mark.top() > box.bottom()); // under the character, not over it
    QVERIFY(mark.left() < box.center().x() && mark.right() > box.center().x());
    const QImage picture = m_sheet->grab().toImage();
    QVERIFY(CountColor(picture, mark, color) > 20);
    // Nothing of the mark spills over the writing.
    QCOMPARE(CountColor(picture, box.toRect(), color), 0);
}

void TestHandwritingCheck::nextQuestionClearsTheMarks()
{
    m_check->Overlay()->SetChecks({{.expected = u"川"_qs,
                                    .recognised = u"川"_qs,
                                    .verdict = CheckVerdict::Correct,
                                    .cell = QRectF(20, 20, 120, 120)}});
    const QRect mark = m_check->Overlay()->MarkRects().first();
    QVERIFY(CountColor(m_sheet->grab().toImage(), mark, CCheckMarksOverlay::kCorrectColor) > 20);
    m_check->OnQuestionShown(u"三"_qs);
    QVERIFY(!m_check->Overlay()->HasMarks());
    QCOMPARE(CountColor(m_sheet->grab().toImage(), mark, CCheckMarksOverlay::kCorrectColor), 0);
}

void TestHandwritingCheck::changedWritingClearsTheMarks()
{
    m_check->OnQuestionShown(u"川"_qs);
    m_check->Overlay()->SetChecks({{.expected = u"川"_qs,
                                    .recognised = u"三"_qs,
                                    .verdict = CheckVerdict::Wrong,
                                    .cell = QRectF(20, 20, 120, 120)}});
    m_check->ClearMarks();
    QVERIFY(!m_check->Overlay()->isVisible());
}

void TestHandwritingCheck::learnerWhoMovedOnGetsNoStaleMarks()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    const QRectF box(20, 20, 120, 120);
    m_sheet->m_boxes = {box};
    m_sheet->m_strokes = PlaceInCell(UnitKawa(), box);
    m_check->OnQuestionShown(u"川"_qs);
    QSignalSpy checked(m_check->Checker(), &CWritingChecker::Checked);
    QVERIFY(m_check->RunCheck());
    m_check->OnQuestionShown(u"口"_qs); // before the result came
    // A later check of the new question comes after the old one on the
    // worker; once it is in, the old one has been dropped.
    m_sheet->m_strokes = PlaceInCell(UnitKuchi(), box);
    QVERIFY(m_check->RunCheck());
    QVERIFY(checked.wait(10000));
    QCOMPARE(checked.size(), 1);
    QCOMPARE(m_check->Overlay()->Checks().first().expected, u"口"_qs);
}

void TestHandwritingCheck::automaticCheckCanBeTurnedOff()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    const QList<QAction*> actions = m_check->ContextMenuActions();
    QCOMPARE(actions.size(), 5);
    QCOMPARE(actions[0]->text(), u"判定"_qs);
    QCOMPARE(actions[2]->text(), u"書き順"_qs);
    QCOMPARE(actions[3]->text(), u"見本を重ねる"_qs);
    QVERIFY(actions[4]->menu());
    QAction* automatic = actions[1];
    QVERIFY(automatic->isCheckable());
    QVERIFY(automatic->isChecked()); // on by default
    automatic->trigger();
    QCOMPARE(Options::CheckWriting(), false);
    // Stored where the options keep it, as 0 (the default is 1).
    QCOMPARE(GetProfileInt(u"Settings"_qs, u"CheckWriting"_qs, 1), 0);

    const QRectF box(20, 20, 120, 120);
    m_sheet->m_boxes = {box};
    m_sheet->m_strokes = PlaceInCell(UnitKawa(), box);
    m_check->OnQuestionShown(u"川"_qs);
    QSignalSpy shown(m_check.get(), &CHandwritingCheck::MarksShown);
    m_check->OnAnswerShown();
    QVERIFY(!shown.wait(1000));
    // 判定 still checks on request.
    actions[0]->trigger();
    QVERIFY(shown.wait(10000));
    QCOMPARE(m_check->Overlay()->Checks().first().verdict, CheckVerdict::Correct);

    // The menu shows a setting changed elsewhere.
    Options::SetCheckWriting(true);
    QVERIFY(m_check->ContextMenuActions()[1]->isChecked());
}

void TestHandwritingCheck::nothingIsCheckedWithoutWriting()
{
    m_check->OnQuestionShown(u"川"_qs);
    QVERIFY(!m_check->RunCheck());
}

void TestHandwritingCheck::missingModelOffersNoCheck()
{
    FakeSheet sheet;
    sheet.m_strokes = PlaceInCell(UnitKawa(), QRectF(0, 0, 100, 100));
    CHandwritingCheck check(
        &sheet, [&sheet] { return sheet.m_strokes; }, {},
        QStringList{QStringLiteral("/nonexistent/handwriting-ja.model")});
    QVERIFY(!check.IsOffered());
    check.OnQuestionShown(u"川"_qs);
    QVERIFY(!check.RunCheck());
    const QList<QAction*> actions = check.ContextMenuActions();
    QVERIFY(!actions[0]->isEnabled());
    QVERIFY(!actions[1]->isEnabled());
    QVERIFY(actions[2]->isEnabled()); // the stroke order needs no model
}

void TestHandwritingCheck::unusableModelIsExplainedOnce_data()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"missing", "empty", "random", "folder", "pipe"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

// The learner who wrote and sees no marks is told why, at the first answer,
// and not again.
void TestHandwritingCheck::unusableModelIsExplainedOnce()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("handwriting-ja.model"));
    if (kind == QLatin1String("empty")) {
        QFile(path).open(QIODevice::WriteOnly);
    } else if (kind == QLatin1String("random")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, '\x5a'));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    MessageRecorder messages;
    FakeSheet sheet;
    sheet.m_strokes = PlaceInCell(UnitKawa(), QRectF(0, 0, 100, 100));
    CHandwritingCheck check(
        &sheet, [&sheet] { return sheet.m_strokes; }, {}, QStringList{path});
    check.OnQuestionShown(u"川"_qs);
    check.OnAnswerShown();
    QTRY_COMPARE_WITH_TIMEOUT(messages.Texts().size(), 1, 10000);
    QVERIFY(!check.IsOffered());
    if (kind != QLatin1String("missing"))
        QVERIFY2(messages.Texts().first().contains(path), qPrintable(messages.Texts().first()));
    check.OnQuestionShown(u"川"_qs);
    check.OnAnswerShown();
    QVERIFY(!check.RunCheck());
    QTest::qWait(50);
    QCOMPARE(messages.Texts().size(), 1);
}

void TestHandwritingCheck::marksGoBesideWhenThereIsNoRoomBelow()
{
    const QRectF low(20, 150, 100, 100); // its foot at the sheet's bottom edge
    m_check->Overlay()->SetChecks({{.expected = u"川"_qs,
                                    .recognised = u""_qs,
                                    .verdict = CheckVerdict::StrokeFault,
                                    .cell = low}});
    const QRect mark = m_check->Overlay()->MarkRects().first();
    QVERIFY(m_sheet->rect().contains(mark));
    QVERIFY(mark.left() > low.right());
    QVERIFY(CountColor(m_sheet->grab().toImage(), mark, CCheckMarksOverlay::kFaultColor) > 10);
}

void TestHandwritingCheck::marksFollowVerticalWriting()
{
    m_check->Overlay()->SetChecks({{u"川"_qs, u"川"_qs, CheckVerdict::Correct, {20, 10, 80, 70}},
                                   {u"口"_qs, u"日"_qs, CheckVerdict::Wrong, {20, 90, 80, 70}},
                                   {u"A"_qs, u""_qs, CheckVerdict::Unchecked, {20, 170, 80, 70}}});
    const QList<QRect> marks = m_check->Overlay()->MarkRects();
    QCOMPARE(marks.size(), 3);
    // Beside each character, at its height, so no mark covers the next one.
    QVERIFY(marks[0].left() > 100 && marks[0].center().y() > 10 && marks[0].center().y() < 80);
    QVERIFY(marks[1].left() > 100 && marks[1].center().y() > 90 && marks[1].center().y() < 160);
    // A wrong mark is wider: it carries what the writing looks like.
    QVERIFY(marks[1].width() > marks[0].width());
    // A character the model cannot judge gets no mark.
    QVERIFY(marks[2].isEmpty());
}

namespace {

// A character's template strokes stretched over a box.
QList<QLineF> TemplateInBox(const QString& character, const QRectF& box)
{
    QList<QLineF> strokes;
    for (const QLineF& line : CStrokeTemplates::Find(character).strokes)
        strokes.append(
            QLineF(box.left() + line.x1() * box.width(), box.top() + line.y1() * box.height(),
                   box.left() + line.x2() * box.width(), box.top() + line.y2() * box.height()));
    return strokes;
}

// A check of 川 in a box as the matcher would give it: its template strokes
// in the box, the second written out of turn with the third.
CharacterCheck KawaWithSwap(const QRectF& box)
{
    CharacterCheck check;
    check.expected = u"川"_qs;
    check.verdict = CheckVerdict::StrokeFault;
    check.cell = box;
    check.answerStrokes = TemplateInBox(u"川"_qs, box);
    check.writtenAs = {0, 2, 1};
    check.outOfOrder = {false, true, true};
    check.reversed = {false, false, false};
    check.writtenCount = 3;
    return check;
}

} // namespace

void TestHandwritingCheck::answerStrokesNumberTheFaultsInRed()
{
    const QRectF box(20, 20, 150, 150);
    CCheckMarksOverlay* overlay = m_check->Overlay();
    overlay->SetChecks({KawaWithSwap(box)});
    QVERIFY(overlay->StrokeNumberRects().isEmpty()); // off until asked for
    const QImage before = m_sheet->grab().toImage();
    QCOMPARE(CountColor(before, box.toRect(), CCheckMarksOverlay::kAnswerColor), 0);

    m_check->ToggleAnswerStrokes();
    QVERIFY(m_check->AnswerStrokesShown());
    const QList<QList<QRectF>> numbers = overlay->StrokeNumberRects();
    QCOMPARE(numbers.size(), 1);
    QCOMPARE(numbers.first().size(), 3);
    const QImage shown = m_sheet->grab().toImage();
    // Stroke 1 came in its turn: its number is blue; 2 and 3 were swapped:
    // red, with the number each should have had.
    QVERIFY(CountColor(shown, numbers[0][0].toRect(), CCheckMarksOverlay::kAnswerColor) > 10);
    QCOMPARE(CountColor(shown, numbers[0][0].toRect(), CCheckMarksOverlay::kWrongColor), 0);
    QVERIFY(CountColor(shown, numbers[0][1].toRect(), CCheckMarksOverlay::kWrongColor) > 10);
    QVERIFY(CountColor(shown, numbers[0][2].toRect(), CCheckMarksOverlay::kWrongColor) > 10);
    // The numbers stand where each stroke starts.
    QVERIFY(numbers[0][0].contains(KawaWithSwap(box).answerStrokes[0].p1()));

    m_check->ToggleAnswerStrokes();
    QVERIFY(!m_check->AnswerStrokesShown());
    const QImage hidden = m_sheet->grab().toImage();
    QCOMPARE(CountColor(hidden, numbers[0][0].toRect(), CCheckMarksOverlay::kAnswerColor), 0);
}

// Two strokes that start at one point (口's first two) keep their numbers
// apart, and a character without faults shows no red even when the one
// before it had some.
void TestHandwritingCheck::numbersStayApartAndOnlyFaultsAreRed()
{
    const QRectF first(20, 20, 150, 150);
    const QRectF second(200, 20, 150, 150);
    CharacterCheck kuchi = KawaWithSwap(second);
    kuchi.expected = u"口"_qs;
    kuchi.verdict = CheckVerdict::Correct;
    kuchi.answerStrokes = TemplateInBox(u"口"_qs, second);
    QCOMPARE(kuchi.answerStrokes.size(), 3);
    QVERIFY(QLineF(kuchi.answerStrokes[0].p1(), kuchi.answerStrokes[1].p1()).length() < 10);
    kuchi.writtenAs = {0, 1, 2};
    kuchi.outOfOrder = {false, false, false};
    kuchi.reversed = {false, false, false};
    CCheckMarksOverlay* overlay = m_check->Overlay();
    overlay->SetChecks({KawaWithSwap(first), kuchi});
    m_check->ToggleAnswerStrokes();
    const QList<QRectF> numbers = overlay->StrokeNumberRects().value(1);
    QCOMPARE(numbers.size(), 3);
    for (int a = 0; a < numbers.size(); ++a)
        for (int b = a + 1; b < numbers.size(); ++b)
            QVERIFY2(QLineF(numbers[a].center(), numbers[b].center()).length() >=
                         0.95 * numbers[a].width(),
                     qPrintable(QStringLiteral("numbers %1 and %2 overlap").arg(a + 1).arg(b + 1)));
    // Each still stands by its stroke's start.
    for (int s = 0; s < numbers.size(); ++s)
        QVERIFY(QLineF(numbers[s].center(), kuchi.answerStrokes[s].p1()).length() <
                2 * numbers[s].width());
    const QImage shown = m_sheet->grab().toImage();
    QVERIFY(CountColor(shown, first.toRect(), CCheckMarksOverlay::kWrongColor) > 10);
    QCOMPARE(CountColor(shown, second.adjusted(-20, -20, 20, 20).toRect(),
                        CCheckMarksOverlay::kWrongColor),
             0);
}

void TestHandwritingCheck::faultMarkNamesTheStrokes_data()
{
    QTest::addColumn<QList<bool>>("outOfOrder");
    QTest::addColumn<QList<bool>>("reversed");
    QTest::addColumn<int>("written");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("explains");
    QTest::newRow("swapped") << QList<bool>{false, true, true} << QList<bool>{false, false, false}
                             << 3 << u"2、3"_qs << u"書き順が違う画: 2、3画目"_qs;
    QTest::newRow("backwards") << QList<bool>{false, false, false}
                               << QList<bool>{true, false, false} << 3 << u"1"_qs
                               << u"向きが逆の画: 1画目"_qs;
    QTest::newRow("a stroke short")
        << QList<bool>{false, false, false} << QList<bool>{false, false, false} << 2 << u"画数"_qs
        << u"画数: 3画のところ2画"_qs;
}

void TestHandwritingCheck::faultMarkNamesTheStrokes()
{
    QFETCH(QList<bool>, outOfOrder);
    QFETCH(QList<bool>, reversed);
    QFETCH(int, written);
    QFETCH(QString, label);
    QFETCH(QString, explains);
    CharacterCheck check = KawaWithSwap(QRectF(20, 20, 120, 120));
    check.outOfOrder = outOfOrder;
    check.reversed = reversed;
    check.writtenCount = written;
    QCOMPARE(CCheckMarksOverlay::MarkLabel(check), label);
    QVERIFY2(CCheckMarksOverlay::Explanation(check).contains(explains),
             qPrintable(CCheckMarksOverlay::Explanation(check)));
    m_check->Overlay()->SetChecks({check});
    const QRect mark = m_check->Overlay()->MarkRects().first();
    // The label fits on the mark's plate, at a size that can be read.
    QVERIFY(mark.height() >= 22);
    QVERIFY(mark.width() > mark.height());
    QVERIFY(CountColor(m_sheet->grab().toImage(), mark, CCheckMarksOverlay::kFaultColor) > 20);
}

void TestHandwritingCheck::unwrittenCharacterGetsTheSameMarkWithAndWithoutBoxes()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    const QRectF first(20, 60, 100, 100), second(130, 60, 100, 100);
    QList<CharacterCheck> marks;
    for (const bool boxed : {true, false}) {
        m_sheet->m_boxes = boxed ? QList<QRectF>{first, second} : QList<QRectF>{};
        m_sheet->m_strokes = PlaceInCell(UnitKawa(), first);
        m_check->OnQuestionShown(u"川口"_qs);
        QSignalSpy shown(m_check.get(), &CHandwritingCheck::MarksShown);
        QVERIFY(m_check->RunCheck());
        QVERIFY(shown.wait(10000));
        const QList<CharacterCheck> checks = m_check->Overlay()->Checks();
        QCOMPARE(checks.size(), 2);
        QCOMPARE(checks[1].verdict, CheckVerdict::Missing);
        marks.append(checks[1]);
        QVERIFY(CCheckMarksOverlay::Explanation(checks[1]).contains(u"書かれていません"_qs));
        const QRect mark = m_check->Overlay()->MarkRects()[1];
        QVERIFY(m_sheet->rect().contains(mark));
        QVERIFY(CountColor(m_sheet->grab().toImage(), mark, CCheckMarksOverlay::kWrongColor) > 10);
    }
    QCOMPARE(CCheckMarksOverlay::MarkLabel(marks[0]), CCheckMarksOverlay::MarkLabel(marks[1]));
}

void TestHandwritingCheck::marksLeaveWhenTheQuestionShowsAgain()
{
    m_check->OnQuestionShown(u"川"_qs);
    m_check->Overlay()->SetChecks({KawaWithSwap(QRectF(20, 20, 120, 120))});
    m_check->OnQuestionSideShown();
    QVERIFY(!m_check->Overlay()->HasMarks());
    QVERIFY(!m_check->Overlay()->isVisible());
}

bool TestHandwritingCheck::WriteAndRest(const InkStrokes& unit, const QString& answer, int waitMs)
{
    const QRectF box(20, 20, 120, 120);
    m_sheet->m_boxes = {box};
    m_check->OnQuestionShown(answer);
    QSignalSpy loaded(m_check->Checker(), &CWritingChecker::ModelLoaded);
    m_check->OnWritingBegun();
    m_check->Checker()->LoadModel();
    if (m_check->Checker()->State() != CWritingChecker::ModelState::Ready && !loaded.wait(10000))
        return false;
    m_sheet->m_strokes = PlaceInCell(unit, box);
    QSignalSpy ready(m_check.get(), &CHandwritingCheck::CheckReady);
    m_check->ClearMarks();
    return ready.wait(waitMs) && m_check->HasCheckOfCurrentWriting();
}

void TestHandwritingCheck::answerAfterAPausePaintsTheCheckAtOnce()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    QVERIFY(WriteAndRest(UnitKawa(), u"川"_qs));
    // Checked while the pen rested, and not shown before the answer is.
    QVERIFY(!m_check->Overlay()->HasMarks());
    QSignalSpy shown(m_check.get(), &CHandwritingCheck::MarksShown);
    QSignalSpy checked(m_check->Checker(), &CWritingChecker::Checked);
    m_check->OnAnswerShown();
    // Painted before control went back to the event loop: no check ran.
    QCOMPARE(shown.size(), 1);
    QCOMPARE(m_check->Overlay()->Checks().value(0).verdict, CheckVerdict::Correct);
    // Back to the question and again to the answer: the writing is the same.
    m_check->OnQuestionSideShown();
    QVERIFY(!m_check->Overlay()->HasMarks());
    m_check->OnAnswerShown();
    QCOMPARE(shown.size(), 2);
    QVERIFY(m_check->Overlay()->HasMarks());
    QCOMPARE(checked.size(), 0);
}

void TestHandwritingCheck::changeAfterThePauseIsCheckedAgain_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("strokes");
    QTest::newRow("stroke added") << "add" << 4;
    QTest::newRow("stroke undone") << "undo" << 2;
    QTest::newRow("strictness changed") << "strictness" << 3;
    QTest::newRow("next question") << "question" << 3;
}

void TestHandwritingCheck::changeAfterThePauseIsCheckedAgain()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    QFETCH(QString, change);
    QFETCH(int, strokes);
    QVERIFY(WriteAndRest(UnitKawa(), u"川"_qs));
    InkStrokes& ink = m_sheet->m_strokes;
    if (change == u"add")
        ink.append(PlaceInCell(UnitIchi(), QRectF(20, 20, 120, 120)));
    else if (change == u"undo")
        ink.removeLast();
    else if (change == u"strictness")
        CHandwritingCheck::SetStrictness(CheckStrictness::Strict);
    else
        m_check->OnQuestionShown(u"川"_qs);
    // What the sheet says of a stroke added or undone; a changed strictness
    // or question leaves the ink as it is.
    if (change == u"add" || change == u"undo")
        m_check->ClearMarks();
    QVERIFY(!m_check->HasCheckOfCurrentWriting());
    QSignalSpy shown(m_check.get(), &CHandwritingCheck::MarksShown);
    m_check->OnAnswerShown();
    QCOMPARE(shown.size(), 0);
    QVERIFY(shown.wait(10000));
    // The marks are for the writing as it is when the answer shows.
    QCOMPARE(m_check->Overlay()->Checks().value(0).writtenCount, strokes);
    QVERIFY(m_check->HasCheckOfCurrentWriting());
}

void TestHandwritingCheck::nothingIsCheckedWhileWritingWhenTheCheckIsOff()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    Options::SetCheckWriting(false);
    QVERIFY(!WriteAndRest(UnitKawa(), u"川"_qs, 4 * CHandwritingCheck::kPauseMs));
    // 判定 still checks, on request.
    QSignalSpy shown(m_check.get(), &CHandwritingCheck::MarksShown);
    QVERIFY(m_check->RunCheck());
    QVERIFY(shown.wait(10000));
}

void TestHandwritingCheck::strictnessMenuStoresTheLevel()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    QMenu* menu = m_check->ContextMenuActions().last()->menu();
    QCOMPARE(menu->title(), u"判定の厳しさ"_qs);
    const QList<QAction*> levels = menu->actions();
    QCOMPARE(levels.size(), 3);
    m_check->UpdateActions();
    QVERIFY(levels[1]->isChecked()); // ふつう by default
    levels[2]->trigger();
    QCOMPARE(GetProfileInt(u"Settings"_qs, u"CheckStrictness"_qs, 1), 2);
    QCOMPARE(CHandwritingCheck::Strictness(), CheckStrictness::Strict);
    // A value the options dialog or an old version stored shows again.
    WriteProfileInt(u"Settings"_qs, u"CheckStrictness"_qs, 0);
    m_check->UpdateActions();
    QVERIFY(levels[0]->isChecked());
}

void TestHandwritingCheck::firstQuestionSaysWhereToWrite()
{
    m_check->OnQuestionShown(u"川"_qs);
    QTRY_VERIFY(m_check->IntroLabel());
    QLabel* intro = m_check->IntroLabel();
    QVERIFY(intro->isVisible());
    QVERIFY(intro->text().contains(u"書いて"_qs));
    if (m_check->IsOffered())
        QVERIFY(intro->text().contains(u"判定"_qs));
    QVERIFY(m_sheet->rect().contains(intro->geometry()));
    // The pen goes down: the line has done its work, for good.
    m_check->OnWritingBegun();
    QVERIFY(!m_check->IntroLabel());
    m_check->OnQuestionShown(u"口"_qs);
    QTest::qWait(20);
    QVERIFY(!m_check->IntroLabel());
    QCOMPARE(GetProfileInt(u"Settings"_qs, u"WritingIntroShown"_qs, 0), 1);
}

void TestHandwritingCheck::lineNeverStandsOverInk_data()
{
    QTest::addColumn<bool>("penDown");
    QTest::newRow("pen down before the line appeared") << true;
    QTest::newRow("ink on the sheet when the line is due") << false;
}

void TestHandwritingCheck::lineNeverStandsOverInk()
{
    QFETCH(bool, penDown);
    // The line appears once the event loop runs; the learner may be quicker.
    m_check->OnQuestionShown(u"川"_qs);
    m_sheet->m_strokes = UnitKawa();
    if (penDown)
        m_check->OnWritingBegun();
    QCoreApplication::processEvents();
    QVERIFY(!m_check->IntroLabel());
    if (penDown) {
        // Found where to write: later questions start on a plain sheet.
        m_sheet->m_strokes.clear();
        m_check->OnQuestionShown(u"口"_qs);
        QCoreApplication::processEvents();
        QVERIFY(!m_check->IntroLabel());
    }
}

void TestHandwritingCheck::strokeOrderFollowsTheQuestion()
{
    CStrokeOrderWindow* window = m_check->StrokeOrderWindow();
    QVERIFY(!window->isVisible());
    m_check->OnQuestionShown(u"川口"_qs);
    m_check->ShowStrokeOrder();
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QCOMPARE(window->Word(), u"川口"_qs);
    m_check->OnQuestionShown(u"合図(相図)する"_qs);
    QCOMPARE(window->Word(), u"合図する"_qs);
    // Asked the other way round the learner writes the reading; the window
    // still shows the word's strokes.
    m_check->OnQuestionShown(u"かわ"_qs, u"川"_qs);
    QCOMPARE(window->Word(), u"川"_qs);
    const bool hasFont = QFontDatabase::families().contains(CStrokeOrderWindow::kStrokeOrderFamily);
    QCOMPARE(window->HasStrokeOrderFont(), hasFont);
    if (hasFont)
        QCOMPARE(window->WordFont().families().value(0), CStrokeOrderWindow::kStrokeOrderFamily);
    // Non-modal: the drill window stays usable.
    QCOMPARE(window->windowModality(), Qt::NonModal);
}

void TestHandwritingCheck::strokeOrderWithoutItsFont()
{
    CStrokeOrderWindow window;
    window.SetStrokeOrderFontAvailable(false);
    window.SetWord(u"川"_qs);
    window.show();
    auto* note = window.findChild<QLabel*>(QStringLiteral("strokeOrderNote"));
    QVERIFY(note && note->isVisible());
    QVERIFY(note->text().contains(u"KanjiStrokeOrders"_qs));
    QVERIFY(!window.WordFont().families().contains(CStrokeOrderWindow::kStrokeOrderFamily));
    // Ink is drawn: the word is there in the normal font.
    const QImage picture = window.grab().toImage();
    QVERIFY(CountColor(picture, picture.rect(), Qt::black) > 100);
    window.SetStrokeOrderFontAvailable(true);
    QVERIFY(!note->isVisible());
}

void TestHandwritingCheck::strokeOrderWordGrowsWithTheWindow()
{
    CStrokeOrderWindow window;
    window.SetWord(u"川口"_qs);
    window.resize(300, 200);
    window.show();
    const int small = window.WordFont().pixelSize();
    window.resize(900, 500);
    QTest::qWait(10);
    const int large = window.WordFont().pixelSize();
    QVERIFY(large > small * 2);
    // Two characters fit across the window.
    QVERIFY(large * 2 <= window.width());
}

QTEST_MAIN(TestHandwritingCheck)
#include "tst_handwritingcheck.moc"

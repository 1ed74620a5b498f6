#include "common/FakeWordLists.h"
#include "common/InkBuilder.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "mainwnd/CCheckMarksOverlay.h"
#include "mainwnd/CHandwritingCheck.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CStrokeOrderWindow.h"
#include "mainwnd/CWriteView.h"
#include "platform/Profile.h"
#include "recognition/CWritingChecker.h"
#include "recognition/ModelLocation.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

// The writing check as the learner meets it in the main window: write,
// show the answer, read the marks; R, K and the sheet's menu.
class TestHandwritingWiring : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }
    void answerShowsTheVerdict_data();
    void answerShowsTheVerdict();
    void nextQuestionClearsTheMarks();
    void keyRChecksWhenTheAutomaticCheckIsOff();
    void keyKShowsTheStrokeOrder();
    void sheetMenuOffersTheCheck();
    void answerWithoutWritingChecksNothing();
    void modelIsReadAtTheFirstPenDown();
    void firstQuestionInTheWindowSaysWhereToWrite();

private:
    void Write(const InkStrokes& unit);
    void Press(Qt::Key key);
    CHandwritingCheck* Check() const { return m_frame->GetHandwritingCheck(); }

    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<MessageRecorder> m_messages;
    QString m_model;
};

void TestHandwritingWiring::initTestCase()
{
    m_model = FindHandwritingModel();
    // Every list asks the same word, so every question is 川.
    auto lists = std::make_shared<FakeWordLists>();
    for (int id = 501; id <= 506; ++id)
        lists->m_lists.insert(id, FakeWordLists::MakeList({QStringLiteral("川\tかわ")}));
    CDictionary::SetWordListSource(lists);
}

void TestHandwritingWiring::init()
{
    QDir(TestEnv::Instance().DataFolder()).removeRecursively();
    TestEnv::ClearSettings();
    CDictionary::ResetInstanceForTesting();
    m_messages = std::make_unique<MessageRecorder>();
    m_frame = std::make_unique<CMainFrame>();
    QVERIFY(m_frame->Create());
    m_frame->resize(900, 600);
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    QVERIFY(Check());
}

void TestHandwritingWiring::cleanup()
{
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("NoUnspec"), 0);
    m_frame->close();
    m_frame.reset();
    m_messages.reset();
    CDictionary::ResetInstanceForTesting();
}

void TestHandwritingWiring::Write(const InkStrokes& unit)
{
    CWriteView* view = m_frame->GetView();
    const QList<QRectF> boxes = view->GuideBoxes();
    const QRectF cell = boxes.isEmpty() ? QRectF(40, 40, 160, 160) : boxes.first();
    for (const InkStroke& stroke : PlaceInCell(unit, cell)) {
        const QList<InkPoint>& points = stroke.points;
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, points.first().pos.toPoint());
        for (int i = 1; i + 1 < points.size(); ++i)
            QTest::mouseMove(view, points[i].pos.toPoint());
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, points.last().pos.toPoint());
    }
}

void TestHandwritingWiring::Press(Qt::Key key)
{
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target ? target : m_frame.get(), key);
}

void TestHandwritingWiring::answerShowsTheVerdict_data()
{
    QTest::addColumn<int>("guide");
    QTest::addColumn<InkStrokes>("unit");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("recognised");
    const int box = CWriteView::kGuideBoxes;
    const int none = CWriteView::kGuideNone;
    QTest::newRow("kawa in its box")
        << box << UnitKawa() << int(CheckVerdict::Correct) << QString();
    QTest::newRow("san for kawa in its box")
        << box << UnitSan() << int(CheckVerdict::Wrong) << u"三"_qs;
    QTest::newRow("kawa without guide")
        << none << UnitKawa() << int(CheckVerdict::Correct) << QString();
    QTest::newRow("san for kawa without guide")
        << none << UnitSan() << int(CheckVerdict::Wrong) << u"三"_qs;
}

void TestHandwritingWiring::answerShowsTheVerdict()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    QFETCH(int, guide);
    QFETCH(InkStrokes, unit);
    QFETCH(int, verdict);
    QFETCH(QString, recognised);
    QCOMPARE(m_frame->GetSession().CurrentItem()->GetWord(), u"川"_qs);
    m_frame->GetView()->SetGuideMode(guide);
    QCOMPARE(m_frame->GetView()->GuideBoxes().size(), guide == CWriteView::kGuideBoxes ? 1 : 0);
    Write(unit);
    QVERIFY(m_frame->GetView()->Strokes().size() == unit.size());
    QSignalSpy shown(Check(), &CHandwritingCheck::MarksShown);
    Press(Qt::Key_A);
    QVERIFY(!m_frame->GetSession().IsQuestionSide());
    QVERIFY(shown.wait(10000));
    const QList<CharacterCheck> checks = Check()->Overlay()->Checks();
    QCOMPARE(checks.size(), 1);
    QCOMPARE(int(checks.first().verdict), verdict);
    QCOMPARE(checks.first().recognised, recognised);
    QVERIFY(Check()->Overlay()->isVisible());
    // Back to the question keeps the writing, and the marks go with the
    // answer; the check never files a mode by itself.
    const qint16 mode = m_frame->GetSession().CurrentItem()->m_nMode;
    Press(Qt::Key_A);
    QVERIFY(!Check()->Overlay()->HasMarks());
    QCOMPARE(m_frame->GetView()->Strokes().size(), unit.size());
    QCOMPARE(m_frame->GetSession().CurrentItem()->m_nMode, mode);
}

void TestHandwritingWiring::nextQuestionClearsTheMarks()
{
    Check()->Overlay()->SetChecks({{.expected = u"川"_qs,
                                    .recognised = u"川"_qs,
                                    .verdict = CheckVerdict::Correct,
                                    .cell = QRectF(40, 40, 160, 160)}});
    Press(Qt::Key_N);
    QVERIFY(!Check()->Overlay()->HasMarks());
    QVERIFY(!Check()->Overlay()->isVisible());
    // Wiping the writing (C) takes its marks too, and so does a new stroke.
    Write(UnitIchi());
    Check()->Overlay()->SetChecks({{.expected = u"川"_qs,
                                    .recognised = u"川"_qs,
                                    .verdict = CheckVerdict::Correct,
                                    .cell = QRectF(40, 40, 160, 160)}});
    Press(Qt::Key_C);
    QVERIFY(!Check()->Overlay()->HasMarks());
    Check()->Overlay()->SetChecks({{.expected = u"川"_qs,
                                    .recognised = u"川"_qs,
                                    .verdict = CheckVerdict::Correct,
                                    .cell = QRectF(40, 40, 160, 160)}});
    Write(UnitIchi());
    QVERIFY(!Check()->Overlay()->HasMarks());
}

void TestHandwritingWiring::keyRChecksWhenTheAutomaticCheckIsOff()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("CheckWriting"), 0);
    Write(UnitKawa());
    QSignalSpy shown(Check(), &CHandwritingCheck::MarksShown);
    Press(Qt::Key_A);
    QVERIFY(!shown.wait(1000));
    Press(Qt::Key_R);
    QVERIFY(shown.wait(10000));
    QCOMPARE(Check()->Overlay()->Checks().first().verdict, CheckVerdict::Correct);
}

void TestHandwritingWiring::keyKShowsTheStrokeOrder()
{
    CStrokeOrderWindow* window = Check()->StrokeOrderWindow();
    QVERIFY(!window->isVisible());
    Press(Qt::Key_K);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Word(), u"川"_qs);
    // The drill goes on in the main window while it is open.
    Press(Qt::Key_A);
    QVERIFY(!m_frame->GetSession().IsQuestionSide());
}

void TestHandwritingWiring::sheetMenuOffersTheCheck()
{
    auto* check = m_frame->findChild<QAction*>(QStringLiteral("checkWritingAction"));
    auto* automatic = m_frame->findChild<QAction*>(QStringLiteral("autoCheckAction"));
    auto* order = m_frame->findChild<QAction*>(QStringLiteral("strokeOrderAction"));
    QVERIFY(check && automatic && order);
    const QList<QAction*> sheetActions = m_frame->GetView()->ContextMenu()->actions();
    QVERIFY(sheetActions.contains(check) && sheetActions.contains(automatic) &&
            sheetActions.contains(order));
    QCOMPARE(check->isEnabled(), !m_model.isEmpty());
    automatic->trigger();
    QCOMPARE(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("CheckWriting"), 1), 0);
    order->trigger();
    QVERIFY(Check()->StrokeOrderWindow()->isVisible());
}

void TestHandwritingWiring::answerWithoutWritingChecksNothing()
{
    QSignalSpy checked(Check()->Checker(), &CWritingChecker::Checked);
    Press(Qt::Key_A);
    QTest::qWait(300);
    QCOMPARE(checked.size(), 0);
    QVERIFY(!Check()->Overlay()->HasMarks());
}

// The model's memory is not taken from learners who do not write: it is
// read when the pen first goes down, while the first question is still
// being written.
void TestHandwritingWiring::modelIsReadAtTheFirstPenDown()
{
    if (m_model.isEmpty())
        QSKIP("The Japanese handwriting model is not installed");
    CWritingChecker* checker = Check()->Checker();
    QTest::qWait(1500); // the first question has been on screen a while
    QCOMPARE(checker->State(), CWritingChecker::ModelState::NotLoaded);
    QSignalSpy loaded(checker, &CWritingChecker::ModelLoaded);
    CWriteView* view = m_frame->GetView();
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    QVERIFY(checker->State() != CWritingChecker::ModelState::NotLoaded);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(120, 60));
    QVERIFY(loaded.wait(10000));
    QCOMPARE(checker->State(), CWritingChecker::ModelState::Ready);
}

void TestHandwritingWiring::firstQuestionInTheWindowSaysWhereToWrite()
{
    // A fresh profile: the window's first question carries the line (the
    // question side shown with it must not take it away).
    QLabel* intro = Check()->IntroLabel();
    QVERIFY(intro);
    QVERIFY(intro->isVisible());
    QVERIFY(intro->text().contains(u"ここに答えを"_qs));
    // Gone the moment the pen goes down, before any event is handled.
    QTest::mousePress(m_frame->GetView(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    QVERIFY(!intro->isVisible());
    QTest::mouseRelease(m_frame->GetView(), Qt::LeftButton, Qt::NoModifier, QPoint(120, 60));
    QVERIFY(!Check()->IntroLabel());
}

QTEST_MAIN(TestHandwritingWiring)
#include "tst_handwritingwiring.moc"

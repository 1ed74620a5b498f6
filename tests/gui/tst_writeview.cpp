#include "common/SheetInk.h"
#include "common/TestEnv.h"
#include "mainwnd/CWriteView.h"
#include "platform/Options.h"
#include "platform/Profile.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointingDevice>
#include <QSignalSpy>
#include <QTabletEvent>
#include <QTest>
#include <climits>
#include <cmath>

using namespace SheetInk;

// The functions named hiDpi* check the sheet on a screen scaled to 200%:
// the buffer holds device pixels and the ink is drawn at that resolution,
// not blown up. The scale is the process's, so ctest runs them again as
// tst_writeview_200 with QT_SCALE_FACTOR=2; at 100% they are skipped.
#define SkipUnlessAt200()                                                                          \
    if (!qFuzzyCompare(qApp->devicePixelRatio(), 2.0))                                             \
    QSKIP("checked by tst_writeview_200, on a screen scaled to 200%")

// The writing canvas: its back buffer, strokes and erasing.
class TestWriteView : public QObject {
    Q_OBJECT

private slots:
    void init() { TestEnv::ClearSettings(); }

    void bufferGrowth_data()
    {
        QTest::addColumn<QList<QSize>>("sizes");
        QTest::addColumn<QSize>("buffer");
        QTest::newRow("first size") << QList<QSize>{{400, 300}} << QSize(400, 300);
        QTest::newRow("small growth") << QList<QSize>{{400, 300}, {650, 480}} << QSize(650, 480);
        QTest::newRow("wider only") << QList<QSize>{{400, 300}, {800, 300}} << QSize(800, 300);
        QTest::newRow("never shrinks") << QList<QSize>{{400, 300}, {100, 100}} << QSize(400, 300);
        QTest::newRow("taller only") << QList<QSize>{{400, 300}, {400, 600}} << QSize(400, 600);
        QTest::newRow("shrunk, then wider")
            << QList<QSize>{{400, 300}, {100, 100}, {500, 200}} << QSize(500, 300);
    }
    void bufferGrowth()
    {
        QFETCH(QList<QSize>, sizes);
        QFETCH(QSize, buffer);
        CWriteView view;
        QVERIFY(ShowAt(view, sizes.first()));
        for (const QSize& size : sizes) {
            view.resize(size);
            QTRY_COMPARE(view.size(), size);
        }
        QVERIFY(!view.GetBackBuffer().isNull());
        QCOMPARE(view.GetBackBuffer().size(), buffer);
    }

    void writingSurvivesResize()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        Stroke(&view, QPoint(20, 50), QPoint(250, 50));
        const QImage before = view.grab().toImage();
        view.resize(100, 80);
        view.resize(1200, 900); // a new, larger buffer
        QTRY_COMPARE(view.size(), QSize(1200, 900));
        const QImage after = view.grab().toImage();
        QCOMPARE(after.copy(0, 0, 300, 200), before);
        QVERIFY(!HasInk(after, QRect(300, 0, 900, 900)));
    }

    void screenEqualsBuffer()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        Stroke(&view, QPoint(10, 10), QPoint(280, 180));
        Stroke(&view, QPoint(280, 10), QPoint(10, 180));
        QCOMPARE(view.grab().toImage().convertToFormat(QImage::Format_RGB32),
                 view.GetBackBuffer().copy(0, 0, 300, 200));
    }

    void strokeWidth_data()
    {
        QTest::addColumn<int>("setting"); // -1: not stored
        QTest::addColumn<int>("width");
        QTest::newRow("default") << -1 << 6;
        QTest::newRow("thin") << 3 << 3;
        QTest::newRow("standard") << 6 << 6;
        QTest::newRow("thick") << 12 << 12;
        QTest::newRow("unlisted value used as is") << 9 << 9;
    }
    void strokeWidth()
    {
        QFETCH(int, setting);
        QFETCH(int, width);
        if (setting >= 0)
            WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("StrokeWidth"), setting);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        Stroke(&view, QPoint(50, 100), QPoint(250, 100));
        const QImage image = view.GetBackBuffer();
        QVERIFY(qAbs(InkAcross(image, 150, 60, 140) - width) < 0.75);
        // Round ends reach beyond the end point by about half the width.
        QVERIFY(image.pixelColor(50 - width / 2 + 1, 100) != kGround);
        QCOMPARE(image.pixelColor(50 - width / 2 - 2, 100), kGround);
    }

    void widthIsReadOncePerStroke()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 60));
        QTest::mouseMove(&view, QPoint(120, 60));
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("StrokeWidth"), 12);
        QTest::mouseMove(&view, QPoint(260, 60));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(260, 60));
        Stroke(&view, QPoint(20, 140), QPoint(260, 140));
        const QImage image = view.GetBackBuffer();
        // A stroke keeps the width it began with; the next one takes the new.
        QVERIFY(qAbs(InkAcross(image, 70, 30, 90) - 6) < 0.75);
        QVERIFY(qAbs(InkAcross(image, 200, 30, 90) - 6) < 0.75);
        QVERIFY(qAbs(InkAcross(image, 200, 110, 170) - 12) < 0.75);
    }

    void dragOutsideStaysOneLine()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QSignalSpy strokes(&view, &CWriteView::StrokeBegun);
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QTest::mouseMove(&view, QPoint(100, -50));
        QTest::mouseMove(&view, QPoint(200, 100));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
        QCOMPARE(strokes.count(), 1);
        QVERIFY(!view.IsDrawing());
        const QImage image = view.grab().toImage();
        QVERIFY(HasInk(image, QRect(97, 0, 6, 3)));  // clipped at the top edge
        QVERIFY(HasInk(image, QRect(130, 0, 6, 3))); // where it comes back in
        QVERIFY(HasInk(image, QRect(195, 95, 10, 10)));
    }

    void eachStrokeSignalsOnce()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QSignalSpy strokes(&view, &CWriteView::StrokeBegun);
        Stroke(&view, QPoint(10, 10), QPoint(100, 10));
        Stroke(&view, QPoint(10, 50), QPoint(100, 50));
        QCOMPARE(strokes.count(), 2);
        // A move without the button draws nothing.
        view.Erase();
        QTest::mouseMove(&view, QPoint(150, 150));
        QTest::mouseMove(&view, QPoint(250, 150));
        QVERIFY(!HasInk(view.GetBackBuffer(), QRect(0, 0, 300, 200)));
    }

    void eraseWipesAtOnce()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        Stroke(&view, QPoint(10, 10), QPoint(290, 190));
        QVERIFY(HasInk(view.grab().toImage(), view.rect()));
        view.Erase();
        const QImage image = view.grab().toImage();
        QVERIFY(!HasInk(image, view.rect()));
        QCOMPARE(image.pixelColor(150, 100), kGround);
    }

    void pressureSetsTheWidth_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<qreal>("pressure");
        QTest::addColumn<qreal>("width");
        QTest::newRow("full pressure, full width") << 6 << 1.0 << 6.0;
        QTest::newRow("half pressure") << 6 << 0.5 << 4.5;
        QTest::newRow("lightest touch, half width") << 6 << 0.0 << 3.0;
        QTest::newRow("thick pen, light touch") << 12 << 0.0 << 6.0;
        QTest::newRow("pressure beyond 1 is 1") << 12 << 1.7 << 12.0;
    }
    void pressureSetsTheWidth()
    {
        QFETCH(int, setting);
        QFETCH(qreal, pressure);
        QFETCH(qreal, width);
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("StrokeWidth"), setting);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QSignalSpy strokes(&view, &CWriteView::StrokeBegun);
        const QPointingDevice* pen = QPointingDevice::primaryPointingDevice();
        auto send = [&](QEvent::Type type, const QPointF& point, Qt::MouseButton button,
                        Qt::MouseButtons buttons) {
            QTabletEvent event(type, pen, point, view.mapToGlobal(point), pressure, 0, 0, 0, 0, 0,
                               Qt::NoModifier, button, buttons);
            QApplication::sendEvent(&view, &event);
            QVERIFY(event.isAccepted());
        };
        send(QEvent::TabletPress, QPointF(50, 100), Qt::LeftButton, Qt::LeftButton);
        send(QEvent::TabletMove, QPointF(150, 100), Qt::NoButton, Qt::LeftButton);
        send(QEvent::TabletMove, QPointF(250, 100), Qt::NoButton, Qt::LeftButton);
        send(QEvent::TabletRelease, QPointF(250, 100), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(strokes.count(), 1);
        QVERIFY(!view.IsDrawing());
        QCOMPARE(view.Strokes().size(), 1);
        QCOMPARE(view.Strokes().first().points.first().pressure, pressure);
        QVERIFY2(qAbs(InkAcross(view.GetBackBuffer(), 200, 60, 140) - width) < 0.5,
                 qPrintable(QString::number(InkAcross(view.GetBackBuffer(), 200, 60, 140))));
    }

    void strokeWidthIsBounded_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<int>("width");
        QTest::newRow("most negative") << int(INT_MIN) << 1;
        QTest::newRow("negative") << -5 << 1;
        QTest::newRow("zero") << 0 << 1;
        QTest::newRow("largest") << int(INT_MAX) << 100;
        QTest::newRow("just above the bound") << 101 << 100;
        QTest::newRow("at the bound") << 100 << 100;
    }
    void strokeWidthIsBounded()
    {
        QFETCH(int, setting);
        QFETCH(int, width);
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("StrokeWidth"), setting);
        QCOMPARE(Options::StrokeWidth(), width);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(400, 300)));
        Stroke(&view, QPoint(20, 150), QPoint(380, 150));
        QVERIFY(qAbs(InkAcross(view.GetBackBuffer(), 200, 0, 300) - width) < 0.75);
    }

    // One outline per stroke: thick ink made of many short pieces is as
    // even along its length as a single line, with no darker joints.
    void evenInkAlongAStroke_data()
    {
        QTest::addColumn<QPoint>("step");
        QTest::addColumn<qreal>("width");
        QTest::newRow("level") << QPoint(1, 0) << 12.0;
        QTest::newRow("diagonal") << QPoint(1, 1) << 12.0 * M_SQRT2;
        QTest::newRow("level, coarse steps") << QPoint(7, 0) << 12.0;
    }
    void evenInkAlongAStroke()
    {
        QFETCH(QPoint, step);
        QFETCH(qreal, width);
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("StrokeWidth"), 12);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 300)));
        QPoint at(20, 20);
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, at);
        while (at.x() < 260) {
            at += step;
            QTest::mouseMove(&view, at);
        }
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, at);
        const QImage image = view.GetBackBuffer();
        qreal least = 1e9;
        qreal most = 0;
        for (int x = 60; x < 220; ++x) {
            const qreal ink = InkAcross(image, x, 0, 300);
            least = qMin(least, ink);
            most = qMax(most, ink);
        }
        QVERIFY2(most - least < 0.05, qPrintable(QStringLiteral("%1 to %2").arg(least).arg(most)));
        QVERIFY(qAbs(least - width) < 0.75);
    }

    // The pieces drawn while writing add up to exactly the picture drawn
    // from the strokes afterwards, so nothing is left half-blended at the
    // edges of the rectangles repainted on the way.
    void liveInkEqualsRedrawFromStrokes_data()
    {
        QTest::addColumn<QList<QPoint>>("points");
        QTest::addColumn<int>("width");
        QList<QPoint> dense;
        for (int x = 20; x < 280; x += 2)
            dense << QPoint(x, 100 + int(30 * std::sin(x / 25.0)));
        QList<QPoint> loop;
        for (int k = 0; k <= 60; ++k)
            loop << QPoint(150 + int(80 * std::cos(k / 6.0)), 100 + int(60 * std::sin(k / 4.0)));
        QTest::newRow("dense wave") << dense << 12;
        QTest::newRow("self-crossing loop") << loop << 20;
        QTest::newRow("hairpin")
            << QList<QPoint>{{40, 20}, {150, 180}, {156, 184}, {162, 180}, {260, 20}} << 16;
        QTest::newRow("dot") << QList<QPoint>{{150, 100}} << 30;
        // Thousands of pieces crossing one another: the ink near a new piece
        // is found through the stroke's bounds tree.
        QList<QPoint> scribble;
        for (int k = 0; k < 3000; ++k)
            scribble << QPoint(150 + int(90 * std::cos(k / 9.0) * std::sin(k / 400.0)),
                               100 + int(70 * std::sin(k / 13.0)));
        QTest::newRow("long scribble over itself") << scribble << 9;
        QTest::newRow("thin") << dense << 1;
    }
    void liveInkEqualsRedrawFromStrokes()
    {
        QFETCH(QList<QPoint>, points);
        QFETCH(int, width);
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("StrokeWidth"), width);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, points.first());
        for (const QPoint& point : points)
            QTest::mouseMove(&view, point);
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, points.last());
        Stroke(&view, QPoint(10, 190), QPoint(290, 10));
        const QImage live = view.GetBackBuffer().copy();
        QVERIFY(HasInk(live, QRect(points.first() - QPoint(1, 1), QSize(3, 3))));
        view.SetGuideMode(view.GetGuideMode()); // draws the whole sheet anew
        QVERIFY(view.GetBackBuffer() == live);
    }

    // A slow hand reports whole pixels that zigzag about the line it drew;
    // the ink follows the line, not the zigzag.
    void slowGentleSlopeStaysStraight_data()
    {
        QTest::addColumn<int>("run"); // pixels across for one pixel down
        QTest::newRow("1 in 3") << 3;
        QTest::newRow("1 in 4") << 4;
        QTest::newRow("1 in 7") << 7;
    }
    void slowGentleSlopeStaysStraight()
    {
        QFETCH(int, run);
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("StrokeWidth"), 12);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        auto at = [run](int x) { return QPoint(x, 40 + qRound((x - 20) / double(run))); };
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, at(20));
        for (int x = 21; x <= 280; ++x)
            QTest::mouseMove(&view, at(x));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, at(280));
        const QImage image = view.GetBackBuffer();
        double worst = 0;
        for (int x = 60; x < 240; ++x) {
            double ink = 0;
            double moment = 0;
            for (int y = 0; y < 200; ++y) {
                const double shade =
                    (kGround.red() - image.pixelColor(x, y).red()) / double(kGround.red());
                ink += shade;
                moment += shade * (y + 0.5);
            }
            const double ideal = 40.5 + (x + 0.5 - 20.5) / run;
            worst = qMax(worst, qAbs(moment / ink - ideal));
        }
        QVERIFY2(worst < 0.2, qPrintable(QString::number(worst)));
    }

    void strokesAsData()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QSignalSpy changed(&view, &CWriteView::StrokesChanged);
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
        QTest::mouseMove(&view, QPoint(40, 20));
        QCOMPARE(view.Strokes().size(), 1); // the stroke being written shows
        QCOMPARE(changed.count(), 0);       // but is not finished
        QTest::mouseMove(&view, QPoint(40, 60));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(40, 60));
        QCOMPARE(changed.count(), 1);
        Stroke(&view, QPoint(100, 100), QPoint(200, 150));
        QCOMPARE(changed.count(), 2);
        const InkStrokes& strokes = view.Strokes();
        QCOMPARE(strokes.size(), 2);
        const QList<InkPoint>& first = strokes.first().points;
        QCOMPARE(first.size(), 3); // the release where the last move was adds nothing
        QCOMPARE(first[0].pos, QPointF(10.5, 20.5));
        QCOMPARE(first[1].pos, QPointF(40.5, 20.5));
        QCOMPARE(first[2].pos, QPointF(40.5, 60.5));
        for (const InkPoint& point : first)
            QCOMPARE(point.pressure, 1.0);
        QVERIFY(first[0].time <= first[1].time && first[1].time <= first[2].time);
        QCOMPARE(strokes[1].bounds(), QRectF(QPointF(100.5, 100.5), QPointF(200.5, 150.5)));
        view.Undo();
        QCOMPARE(changed.count(), 3);
        view.Erase();
        QCOMPARE(changed.count(), 4);
        QVERIFY(view.Strokes().isEmpty());
    }

    // Each letter is a step: 1 to 3 write the stroke of that number, u
    // undoes, r redoes, e erases, q starts a new question. The sheet must
    // look, and hold the strokes, exactly as after the expected steps.
    void undoRedo_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("guide");
        QTest::newRow("undo takes back the last stroke") << "12u"
                                                         << "1" << 0;
        QTest::newRow("over a cross guide") << "12u"
                                            << "1" << 1;
        QTest::newRow("over box guides") << "12u"
                                         << "1" << 2;
        QTest::newRow("redo brings it back") << "12ur"
                                             << "12" << 1;
        QTest::newRow("undo to the empty sheet") << "123uuu"
                                                 << "" << 2;
        QTest::newRow("one undo too many") << "1uu"
                                           << "" << 0;
        QTest::newRow("redo in order") << "123uurr"
                                       << "123" << 1;
        QTest::newRow("a new stroke clears the redo list") << "12u3r"
                                                           << "13" << 0;
        QTest::newRow("one undo brings back the erased writing") << "12eu"
                                                                 << "12" << 1;
        QTest::newRow("redo erases again") << "12eur"
                                           << "" << 1;
        QTest::newRow("then stroke by stroke") << "12euu"
                                               << "1" << 0;
        QTest::newRow("undo past an erase") << "12e3uu"
                                            << "12" << 2;
        QTest::newRow("erasing a clean sheet is no step") << "1eeu"
                                                          << "1" << 0;
        QTest::newRow("erasing clears the redo list") << "12ue3r"
                                                      << "3" << 0;
        QTest::newRow("a new question has nothing to undo") << "12qu"
                                                            << "" << 2;
        QTest::newRow("a new question has nothing to redo") << "12uqr"
                                                            << "" << 1;
    }
    void undoRedo()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        QFETCH(int, guide);
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("GuideMode"), guide);
        auto run = [](CWriteView& view, const QString& letters) {
            view.SetAnswerWord(QStringLiteral("漢字"));
            for (const QChar c : letters) {
                if (c == u'1')
                    Stroke(&view, QPoint(30, 40), QPoint(260, 160));
                else if (c == u'2')
                    Stroke(&view, QPoint(40, 170), QPoint(250, 30)); // crosses 1
                else if (c == u'3')
                    Stroke(&view, QPoint(150, 10), QPoint(150, 190));
                else if (c == u'u')
                    view.Undo();
                else if (c == u'r')
                    view.Redo();
                else if (c == u'e')
                    view.Erase();
                else if (c == u'q')
                    view.SetAnswerWord(QStringLiteral("学校"));
            }
        };
        CWriteView done;
        CWriteView wanted;
        for (CWriteView* view : {&done, &wanted}) {
            view->resize(300, 200);
            view->show();
            QVERIFY(QTest::qWaitForWindowExposed(view));
        }
        run(done, steps);
        run(wanted, expected);
        QCOMPARE(done.Strokes().size(), wanted.Strokes().size());
        for (int k = 0; k < done.Strokes().size(); ++k)
            QCOMPARE(done.Strokes()[k].bounds(), wanted.Strokes()[k].bounds());
        QVERIFY(done.GetBackBuffer() == wanted.GetBackBuffer());
        QVERIFY(done.grab().toImage() == wanted.grab().toImage());
    }

    void undoIsIgnoredWhileWriting()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        Stroke(&view, QPoint(10, 10), QPoint(100, 10));
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(10, 50));
        QTest::mouseMove(&view, QPoint(100, 50));
        QVERIFY(!view.CanUndo());
        view.Undo();
        QCOMPARE(view.Strokes().size(), 2);
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
        QVERIFY(view.CanUndo());
    }

    void eraseWhileWriting()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QSignalSpy begun(&view, &CWriteView::StrokeBegun);
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 50));
        QTest::mouseMove(&view, QPoint(100, 50));
        view.Erase();
        QVERIFY(!HasInk(view.GetBackBuffer(), QRect(10, 40, 60, 20)));
        QTest::mouseMove(&view, QPoint(100, 150));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 150));
        // The line goes on from where the pen was, without counting again.
        QCOMPARE(begun.count(), 1);
        QCOMPARE(view.Strokes().size(), 1);
        QCOMPARE(view.Strokes().first().points.first().pos, QPointF(100.5, 50.5));
        QVERIFY(HasInk(view.GetBackBuffer(), QRect(95, 90, 10, 20)));
        view.Undo(); // the rest of the line
        QVERIFY(view.Strokes().isEmpty());
        view.Undo(); // the erase
        QCOMPARE(view.Strokes().size(), 1);
        QVERIFY(HasInk(view.GetBackBuffer(), QRect(10, 40, 60, 20)));
    }

    void guideBoxes_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("boxes");
        QTest::newRow("one character") << QStringLiteral("山") << QSize(500, 300) << 1;
        QTest::newRow("two characters") << QStringLiteral("学校") << QSize(500, 300) << 2;
        QTest::newRow("six characters") << QStringLiteral("一朝一夕の話") << QSize(500, 300) << 6;
        QTest::newRow("six characters, tall view")
            << QStringLiteral("一朝一夕の話") << QSize(300, 600) << 6;
        QTest::newRow("alternative in parentheses left out")
            << QStringLiteral("合図(相図)する") << QSize(500, 300) << 4;
        QTest::newRow("full-width parentheses")
            << QStringLiteral("青（蒼）") << QSize(500, 300) << 1;
        QTest::newRow("a character beyond 16 bits is one box")
            << QStringLiteral("𠮟る") << QSize(500, 300) << 2;
        QTest::newRow("no word, no boxes") << QString() << QSize(500, 300) << 0;
    }
    void guideBoxes()
    {
        QFETCH(QString, word);
        QFETCH(QSize, size);
        QFETCH(int, boxes);
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("GuideMode"), 2);
        CWriteView view;
        QVERIFY(ShowAt(view, size));
        view.SetAnswerWord(word);
        const QList<QRectF> cells = view.GuideBoxes();
        QCOMPARE(cells.size(), boxes);
        if (boxes == 0)
            return;
        const QRectF all = cells.first().united(cells.last());
        for (int k = 0; k < boxes; ++k) {
            QCOMPARE(cells[k].width(), cells[k].height());
            QCOMPARE(cells[k].size(), cells.first().size());
            if (k > 0)
                QCOMPARE(cells[k].left(), cells[k - 1].right());
        }
        QVERIFY(all.left() > 0 && all.top() > 0);
        QVERIFY(all.right() < size.width() && all.bottom() < size.height());
        // Centred, and as large as the view allows.
        QVERIFY(qAbs(all.left() - (size.width() - all.right())) <= 1);
        QVERIFY(qAbs(all.top() - (size.height() - all.bottom())) <= 1);
        QVERIFY(all.width() > size.width() * 0.8 || all.height() > size.height() * 0.8);
        // The boxes are drawn, in the guide colour, on the ground.
        const QImage image = view.GetBackBuffer();
        const QPointF corner = cells.last().topRight();
        QCOMPARE(image.pixelColor(corner.toPoint()), view.m_crGuide);
        QCOMPARE(image.pixelColor(cells.first().center().toPoint()), kGround);
        // A box follows the view's size.
        view.resize(size * 2);
        QTRY_COMPARE(view.size(), size * 2);
        QVERIFY(view.GuideBoxes().first().width() > cells.first().width());
    }

    // The cross is drawn per character, in each square the boxes would
    // take: its lines cross at every square's centre, none runs down the
    // sheet's middle between two squares, none past the squares.
    void crossPerCharacter_data()
    {
        QTest::addColumn<QString>("word");
        QTest::newRow("two characters") << QStringLiteral("学校");
        QTest::newRow("four characters") << QStringLiteral("一朝一夕");
    }
    void crossPerCharacter()
    {
        QFETCH(QString, word);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(500, 300)));
        view.SetAnswerWord(word);
        view.SetGuideMode(2);
        const QList<QRectF> cells = view.GuideBoxes();
        QCOMPARE(cells.size(), int(word.size()));
        view.SetGuideMode(1);
        const QImage image = view.GetBackBuffer();
        const QColor guide = view.m_crGuide;
        for (const QRectF& cell : cells) {
            const QPoint centre(qRound(cell.center().x()), qRound(cell.center().y()));
            QCOMPARE(image.pixelColor(centre), guide);
            int upright = 0;
            for (int y = int(cell.top()) + 2; y < int(cell.bottom()) - 2; ++y)
                upright += image.pixelColor(centre.x(), y) == guide;
            QVERIFY2(upright > cell.height() / 2, qPrintable(QString::number(upright)));
        }
        // Between two squares, off the level line, only ground.
        const int between = qRound(cells.first().right());
        const int level = qRound(cells.first().center().y());
        for (int y = int(cells.first().top()) + 2; y < level - 4; ++y)
            QCOMPARE(image.pixelColor(between, y), kGround);
        // Nothing beyond the first and the last square.
        for (int x = 0; x < int(cells.first().left()) - 1; ++x)
            QCOMPARE(image.pixelColor(x, level), kGround);
        for (int x = int(cells.last().right()) + 2; x < image.width(); ++x)
            QCOMPARE(image.pixelColor(x, level), kGround);
    }

    void guidesLieBeneathTheInk()
    {
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("GuideMode"), 1);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        view.SetAnswerWord(QStringLiteral("山"));
        const QImage clean = view.GetBackBuffer();
        QCOMPARE(clean.pixelColor(152, 100), view.m_crGuide); // the level line
        QCOMPARE(clean.pixelColor(152, 99), kGround);         // one pixel thin
        QCOMPARE(clean.pixelColor(152, 101), kGround);
        QCOMPARE(clean.pixelColor(150, 52), view.m_crGuide); // the upright one
        QCOMPARE(clean.pixelColor(151, 52), kGround);
        Stroke(&view, QPoint(20, 100), QPoint(280, 100));
        QCOMPARE(view.GetBackBuffer().pixelColor(152, 100), view.m_crPen);
        view.Undo();
        QVERIFY(view.GetBackBuffer() == clean);
        Stroke(&view, QPoint(20, 100), QPoint(280, 100));
        view.Erase();
        QVERIFY(view.GetBackBuffer() == clean);
    }

    void guideSetting_data()
    {
        QTest::addColumn<int>("stored"); // -1: not stored
        QTest::addColumn<int>("mode");
        QTest::newRow("none by default") << -1 << 0;
        QTest::newRow("cross") << 1 << 1;
        QTest::newRow("boxes") << 2 << 2;
        QTest::newRow("unknown value") << 3 << 0;
        QTest::newRow("negative value") << -7 << 0;
    }
    void guideSetting()
    {
        QFETCH(int, stored);
        QFETCH(int, mode);
        if (stored != -1)
            WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("GuideMode"), stored);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        view.SetAnswerWord(QStringLiteral("学校"));
        QCOMPARE(view.GetGuideMode(), mode);
        QCOMPARE(view.GuideBoxes().size(), mode == 2 ? 2 : 0);
        // The menu shows it, and a choice there is stored at once.
        QMenu* menu = view.ContextMenu();
        QList<QAction*> guides;
        for (QAction* action : menu->actions())
            if (action->isCheckable())
                guides << action;
        QCOMPARE(guides.size(), 3);
        view.ContextMenu()->popup(QPoint(0, 0));
        menu->hide();
        QVERIFY(guides[mode]->isChecked());
        const int other = (mode + 1) % 3;
        guides[other]->trigger();
        QCOMPARE(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("GuideMode"), -1), other);
        QCOMPARE(view.GetGuideMode(), other);
        QCOMPARE(view.GuideBoxes().size(), other == 2 ? 2 : 0);
        CWriteView again;
        QCOMPARE(again.GetGuideMode(), other);
    }

    void contextMenu()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QMenu* menu = view.ContextMenu();
        QList<QAction*> actions = menu->actions();
        QVERIFY(actions.size() >= 7);
        QCOMPARE(actions[0]->text(), QStringLiteral("元に戻す(&Z)"));
        QCOMPARE(actions[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(actions[1]->text(), QStringLiteral("やり直し(&Y)"));
        QCOMPARE(actions[1]->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                      QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
        QCOMPARE(actions[2]->text(), QStringLiteral("消去(&C)"));
        QCOMPARE(actions[2]->shortcut(), QKeySequence(QStringLiteral("C")));
        QVERIFY(actions[3]->isSeparator());

        // A right click opens it with the steps that can be taken.
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(50, 50),
                                view.mapToGlobal(QPoint(50, 50)));
        QApplication::sendEvent(&view, &click);
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(!actions[0]->isEnabled());
        QVERIFY(!actions[1]->isEnabled());
        menu->hide();
        Stroke(&view, QPoint(10, 10), QPoint(100, 100));
        QApplication::sendEvent(&view, &click);
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(actions[0]->isEnabled());
        actions[0]->trigger();
        menu->hide();
        QVERIFY(view.Strokes().isEmpty());
        QApplication::sendEvent(&view, &click);
        QVERIFY(actions[1]->isEnabled());
        actions[1]->trigger();
        menu->hide();
        QCOMPARE(view.Strokes().size(), 1);
        actions[2]->trigger();
        QVERIFY(view.Strokes().isEmpty());

        // Others add their actions after a separator of their own.
        QAction extra(QStringLiteral("判定"));
        view.AddContextActions({&extra});
        actions = menu->actions();
        QCOMPARE(actions.last(), &extra);
        QVERIFY(actions[actions.size() - 2]->isSeparator());
    }

    void menuEndsAStrokeInProgress()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(10, 50));
        QTest::mouseMove(&view, QPoint(100, 50));
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(100, 50),
                                view.mapToGlobal(QPoint(100, 50)));
        QApplication::sendEvent(&view, &click);
        QVERIFY(!view.IsDrawing());
        view.ContextMenu()->hide();
        QCOMPARE(view.Strokes().size(), 1);
        QVERIFY(view.CanUndo());
    }

    // A pen left down for minutes gives one stroke no longer than the bound:
    // the stroke ends there as if the pen had been lifted, and the pen
    // writes again after it is lifted.
    void strokeEndsAtItsBound()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        QSignalSpy changed(&view, &CWriteView::StrokesChanged);
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        for (qsizetype k = 1; k < CWriteView::kMaxStrokePoints + 500; ++k)
            QTest::mouseMove(&view, QPoint(20 + int(k % 250), 20 + int(k / 250 % 150)));
        QCOMPARE(view.Strokes().size(), 1);
        QCOMPARE(view.Strokes().first().points.size(), CWriteView::kMaxStrokePoints);
        QVERIFY(!view.IsDrawing());
        QCOMPARE(changed.count(), 1);
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(270, 170));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(view.Strokes().first().points.size(), CWriteView::kMaxStrokePoints);
        Stroke(&view, QPoint(10, 190), QPoint(290, 190));
        QCOMPARE(view.Strokes().size(), 2);
        QCOMPARE(view.Strokes().last().points.size(), 3);
    }

    // Strokes beyond the bound of a question write nothing until undo or
    // erase makes room.
    void strokesOfAQuestionAreBounded()
    {
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        for (qsizetype k = 0; k < CWriteView::kMaxStrokes + 5; ++k) {
            const QPoint at(10 + int(k % 28) * 10, 10 + int(k / 28) * 15);
            QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, at);
        }
        QCOMPARE(view.Strokes().size(), CWriteView::kMaxStrokes);
        QVERIFY(!view.IsDrawing());
        view.Undo();
        Stroke(&view, QPoint(10, 190), QPoint(290, 190));
        QCOMPARE(view.Strokes().size(), CWriteView::kMaxStrokes);
        QCOMPARE(view.Strokes().last().points.size(), 3);
    }

    void unsizedViewIgnoresStrokes()
    {
        CWriteView view;
        QVERIFY(view.GetBackBuffer().isNull());
        view.Erase(); // nothing to erase, and no failure
        QSignalSpy strokes(&view, &CWriteView::StrokeBegun);
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        QCOMPARE(strokes.count(), 1);
        QVERIFY(view.GetBackBuffer().isNull());
    }

    void hiDpiBufferHoldsDevicePixels()
    {
        SkipUnlessAt200();
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(400, 300)));
        QCOMPARE(view.devicePixelRatioF(), 2.0);
        QCOMPARE(view.GetBackBuffer().size(), QSize(800, 600));
        Stroke(&view, QPoint(20, 150), QPoint(380, 150));
        // Six logical pixels are twelve device pixels across.
        QVERIFY(qAbs(InkAcross(view.GetBackBuffer(), 400, 200, 400) - 12) < 0.75);
        const QImage screen = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(screen.size(), QSize(800, 600));
        QVERIFY(screen == view.GetBackBuffer().copy(0, 0, 800, 600));
    }

    void hiDpiInkIsDrawnAtFullResolution()
    {
        SkipUnlessAt200();
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 300)));
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 40));
        for (int x = 20; x <= 280; x += 13)
            QTest::mouseMove(&view, QPoint(x, 40 + (x - 20) * 3 / 5));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(280, 196));
        // A picture drawn at 100% and doubled has every aligned 2×2 block in
        // one colour; a slanted edge drawn at 200% has many that are not.
        const QImage image = view.GetBackBuffer();
        int mixed = 0;
        for (int y = 0; y < 600; y += 2)
            for (int x = 0; x < 600; x += 2) {
                const QRgb c = image.pixel(x, y);
                if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c ||
                    image.pixel(x + 1, y + 1) != c)
                    ++mixed;
            }
        QVERIFY2(mixed > 200, qPrintable(QString::number(mixed)));
    }

    void hiDpiLiveInkEqualsRedrawFromStrokes()
    {
        SkipUnlessAt200();
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("GuideMode"), 2);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        view.SetAnswerWord(QStringLiteral("学校"));
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        for (int k = 0; k <= 60; ++k)
            QTest::mouseMove(&view, QPoint(150 + int(80 * std::cos(k / 6.0)),
                                           100 + int(60 * std::sin(k / 4.0))));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(150, 100));
        const QImage live = view.GetBackBuffer().copy();
        view.SetGuideMode(view.GetGuideMode()); // draws the whole sheet anew
        QVERIFY(view.GetBackBuffer() == live);
    }

    void hiDpiGuidesAreWholeDevicePixels()
    {
        SkipUnlessAt200();
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("GuideMode"), 1);
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(300, 200)));
        view.SetAnswerWord(QStringLiteral("山"));
        const QImage image = view.GetBackBuffer();
        // The level line through the middle: two device pixels, no blur.
        QCOMPARE(image.pixelColor(304, 198), kGround);
        QCOMPARE(image.pixelColor(304, 199), view.m_crGuide);
        QCOMPARE(image.pixelColor(304, 200), view.m_crGuide);
        QCOMPARE(image.pixelColor(304, 201), kGround);
    }

    void hiDpiWritingSurvivesResizeAtScale()
    {
        SkipUnlessAt200();
        CWriteView view;
        QVERIFY(ShowAt(view, QSize(200, 150)));
        Stroke(&view, QPoint(10, 10), QPoint(190, 140));
        const QImage before = view.grab().toImage();
        view.resize(900, 700);
        QTRY_COMPARE(view.size(), QSize(900, 700));
        QCOMPARE(view.GetBackBuffer().size(), QSize(1800, 1400));
        QVERIFY(view.grab().toImage().copy(0, 0, 400, 300) == before);
    }
};

QTEST_MAIN(TestWriteView)
#include "tst_writeview.moc"

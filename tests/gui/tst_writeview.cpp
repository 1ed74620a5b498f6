#include "common/TestEnv.h"
#include "mainwnd/CWriteView.h"
#include "platform/Profile.h"

#include <QPointingDevice>
#include <QSignalSpy>
#include <QTabletEvent>
#include <QTest>

namespace {

const QColor kGround(240, 230, 210);

// Ink across a column: each pixel counts by how much darker than the ground
// it is, so an anti-aliased line of width w sums to about w.
double InkAcross(const QImage& image, int x, int y0, int y1)
{
    double ink = 0;
    for (int y = y0; y < y1; ++y)
        ink += (kGround.red() - image.pixelColor(x, y).red()) / double(kGround.red());
    return ink;
}

bool HasInk(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != kGround)
                return true;
    return false;
}

void Stroke(QWidget* view, const QPoint& from, const QPoint& to)
{
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
}

} // namespace

// The writing canvas: its back buffer, strokes and erasing.
class TestWriteView : public QObject {
    Q_OBJECT

private slots:
    void init() { TestEnv::ClearSettings(); }

    void bufferGrowth_data()
    {
        QTest::addColumn<QList<QSize>>("sizes");
        QTest::addColumn<QSize>("buffer");
        QTest::newRow("first size") << QList<QSize>{{400, 300}} << QSize(700, 500);
        QTest::newRow("small growth fits the slack")
            << QList<QSize>{{400, 300}, {650, 480}} << QSize(700, 500);
        QTest::newRow("wider than the buffer")
            << QList<QSize>{{400, 300}, {800, 300}} << QSize(1100, 700);
        QTest::newRow("never shrinks") << QList<QSize>{{400, 300}, {100, 100}} << QSize(700, 500);
        QTest::newRow("taller only") << QList<QSize>{{400, 300}, {400, 600}} << QSize(1000, 800);
    }
    void bufferGrowth()
    {
        QFETCH(QList<QSize>, sizes);
        QFETCH(QSize, buffer);
        CWriteView view;
        view.resize(sizes.first());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (const QSize& size : sizes) {
            view.resize(size);
            QTRY_COMPARE(view.size(), size);
        }
        QVERIFY(view.GetBackBuffer());
        QCOMPARE(view.GetBackBuffer()->size(), buffer);
    }

    void writingSurvivesResize()
    {
        CWriteView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        Stroke(&view, QPoint(20, 50), QPoint(250, 50));
        const QImage before = view.grab().toImage();
        view.resize(100, 80);
        view.resize(1200, 900); // beyond the slack: a new, larger buffer
        QTRY_COMPARE(view.size(), QSize(1200, 900));
        const QImage after = view.grab().toImage();
        QCOMPARE(after.copy(0, 0, 300, 200), before);
        QVERIFY(!HasInk(after, QRect(300, 0, 900, 900)));
    }

    void screenEqualsBuffer()
    {
        CWriteView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        Stroke(&view, QPoint(10, 10), QPoint(280, 180));
        Stroke(&view, QPoint(280, 10), QPoint(10, 180));
        QCOMPARE(view.grab().toImage().convertToFormat(QImage::Format_RGB32),
                 view.GetBackBuffer()->copy(0, 0, 300, 200));
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
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        Stroke(&view, QPoint(50, 100), QPoint(250, 100));
        const QImage image = *view.GetBackBuffer();
        QVERIFY(qAbs(InkAcross(image, 150, 60, 140) - width) < 0.75);
        // Round ends reach beyond the end point by about half the width.
        QVERIFY(image.pixelColor(50 - width / 2 + 1, 100) != kGround);
        QCOMPARE(image.pixelColor(50 - width / 2 - 2, 100), kGround);
    }

    void widthIsReadAtEverySegment()
    {
        CWriteView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 100));
        QTest::mouseMove(&view, QPoint(120, 100));
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("StrokeWidth"), 12);
        QTest::mouseMove(&view, QPoint(260, 100));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(260, 100));
        const QImage image = *view.GetBackBuffer();
        QVERIFY(qAbs(InkAcross(image, 70, 60, 140) - 6) < 0.75);
        QVERIFY(qAbs(InkAcross(image, 200, 60, 140) - 12) < 0.75);
    }

    void dragOutsideStaysOneLine()
    {
        CWriteView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
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
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy strokes(&view, &CWriteView::StrokeBegun);
        Stroke(&view, QPoint(10, 10), QPoint(100, 10));
        Stroke(&view, QPoint(10, 50), QPoint(100, 50));
        QCOMPARE(strokes.count(), 2);
        // A move without the button draws nothing.
        view.Erase();
        QTest::mouseMove(&view, QPoint(150, 150));
        QTest::mouseMove(&view, QPoint(250, 150));
        QVERIFY(!HasInk(*view.GetBackBuffer(), QRect(0, 0, 300, 200)));
    }

    void eraseWipesAtOnce()
    {
        CWriteView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        Stroke(&view, QPoint(10, 10), QPoint(290, 190));
        QVERIFY(HasInk(view.grab().toImage(), view.rect()));
        view.Erase();
        const QImage image = view.grab().toImage();
        QVERIFY(!HasInk(image, view.rect()));
        QCOMPARE(image.pixelColor(150, 100), kGround);
    }

    void penTabletWritesLikeTheMouse()
    {
        CWriteView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy strokes(&view, &CWriteView::StrokeBegun);
        const QPointingDevice* pen = QPointingDevice::primaryPointingDevice();
        auto send = [&](QEvent::Type type, const QPointF& point, Qt::MouseButton button,
                        Qt::MouseButtons buttons) {
            QTabletEvent event(type, pen, point, view.mapToGlobal(point), 0.5, 0, 0, 0, 0, 0,
                               Qt::NoModifier, button, buttons);
            QApplication::sendEvent(&view, &event);
            QVERIFY(event.isAccepted());
        };
        send(QEvent::TabletPress, QPointF(50, 100), Qt::LeftButton, Qt::LeftButton);
        send(QEvent::TabletMove, QPointF(150, 100), Qt::NoButton, Qt::LeftButton);
        send(QEvent::TabletRelease, QPointF(250, 100), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(strokes.count(), 1);
        QVERIFY(!view.IsDrawing());
        QVERIFY(qAbs(InkAcross(*view.GetBackBuffer(), 200, 60, 140) - 6) < 0.75);
    }

    void unsizedViewIgnoresStrokes()
    {
        CWriteView view;
        QVERIFY(!view.GetBackBuffer());
        view.Erase(); // nothing to erase, and no failure
        QSignalSpy strokes(&view, &CWriteView::StrokeBegun);
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        QCOMPARE(strokes.count(), 1);
        QVERIFY(!view.GetBackBuffer());
    }
};

QTEST_MAIN(TestWriteView)
#include "tst_writeview.moc"

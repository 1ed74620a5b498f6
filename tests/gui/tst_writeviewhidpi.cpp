#include "common/SheetInk.h"
#include "common/TestEnv.h"
#include "mainwnd/CWriteView.h"
#include "platform/Profile.h"

#include <QApplication>
#include <QTest>
#include <cmath>

using namespace SheetInk;

// The writing sheet on a screen scaled to 200%: the buffer holds device
// pixels and the ink is drawn at that resolution, not blown up.
class TestWriteViewHiDpi : public QObject {
    Q_OBJECT

private slots:
    void init() { TestEnv::ClearSettings(); }

    void bufferHoldsDevicePixels()
    {
        CWriteView view;
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.devicePixelRatioF(), 2.0);
        QCOMPARE(view.GetBackBuffer().size(), QSize(800, 600));
        Stroke(&view, QPoint(20, 150), QPoint(380, 150));
        // Six logical pixels are twelve device pixels across.
        QVERIFY(qAbs(InkAcross(view.GetBackBuffer(), 400, 200, 400) - 12) < 0.75);
        const QImage screen = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(screen.size(), QSize(800, 600));
        QVERIFY(screen == view.GetBackBuffer().copy(0, 0, 800, 600));
    }

    void inkIsDrawnAtFullResolution()
    {
        CWriteView view;
        view.resize(300, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
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

    void liveInkEqualsRedrawFromStrokes()
    {
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("GuideMode"), 2);
        CWriteView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
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

    void guidesAreWholeDevicePixels()
    {
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("GuideMode"), 1);
        CWriteView view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.SetAnswerWord(QStringLiteral("山"));
        const QImage image = view.GetBackBuffer();
        // The level line through the middle: two device pixels, no blur.
        QCOMPARE(image.pixelColor(304, 198), kGround);
        QCOMPARE(image.pixelColor(304, 199), view.m_crGuide);
        QCOMPARE(image.pixelColor(304, 200), view.m_crGuide);
        QCOMPARE(image.pixelColor(304, 201), kGround);
    }

    void writingSurvivesResizeAtScale()
    {
        CWriteView view;
        view.resize(200, 150);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        Stroke(&view, QPoint(10, 10), QPoint(190, 140));
        const QImage before = view.grab().toImage();
        view.resize(900, 700);
        QTRY_COMPARE(view.size(), QSize(900, 700));
        QCOMPARE(view.GetBackBuffer().size(), QSize(1800, 1400));
        QVERIFY(view.grab().toImage().copy(0, 0, 400, 300) == before);
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestWriteViewHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_writeviewhidpi.moc"

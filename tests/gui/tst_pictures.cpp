#include "common/TestEnv.h"
#include "platform/Bitmaps.h"
#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

// The pictures drawn at run time and the dialog-unit arithmetic the layouts
// are built on.
class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void modePicture_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("width");
        QTest::addColumn<QColor>("border");
        QTest::addColumn<QColor>("top");
        QTest::addColumn<QColor>("bottom");
        const struct {
            int id;
            QColor border, top, bottom;
        } rows[] = {
            {kPictureModeKnown, QColor(189, 193, 163), QColor(255, 255, 230),
             QColor(240, 240, 215)},
            {kPictureModeLearned, QColor(60, 136, 231), QColor(180, 220, 253),
             QColor(100, 184, 255)},
            {kPictureModeLearning, QColor(229, 176, 50), QColor(253, 228, 178),
             QColor(255, 199, 93)},
            {kPictureModeNoLearn, QColor(230, 52, 52), QColor(254, 178, 179), QColor(255, 94, 95)},
            {kPictureModeOff, QColor(146, 146, 146), QColor(217, 217, 217), QColor(178, 178, 178)},
        };
        for (const auto& row : rows) {
            QTest::addRow("%d wide", row.id) << row.id << 90 << row.border << row.top << row.bottom;
            QTest::addRow("%d narrow", row.id + 1)
                << row.id + 1 << 62 << row.border << row.top << row.bottom;
        }
    }
    void modePicture()
    {
        QFETCH(int, id);
        QFETCH(int, width);
        QFETCH(QColor, border);
        QFETCH(QColor, top);
        QFETCH(QColor, bottom);
        const QImage image = LoadBitmapImage(id);
        QCOMPARE(image.size(), QSize(width, 30));
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(width - 1, 0), QPoint(0, 29), QPoint(width - 1, 29)})
            QCOMPARE(image.pixelColor(corner), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(1, 0), border);
        QCOMPARE(image.pixelColor(0, 15), border);
        QCOMPARE(image.pixelColor(width - 1, 15), border);
        QCOMPARE(image.pixelColor(width / 2, 1), top);
        QCOMPARE(image.pixelColor(width / 2, 28), bottom);
    }

    void smallPictures_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("key");
        for (int id : {kPictureSquareKnown, kPictureSquareLearned, kPictureSquareLearning,
                       kPictureSquareNoLearn, kPictureListMarker, kPictureSearchBar,
                       kPictureOptions, kPictureHelp, kPictureSwap})
            QTest::addRow("%d", id) << id << QSize(24, 24) << QColor(255, 0, 0);
        QTest::newRow("170 cross") << int(kPictureExit) << QSize(24, 24) << QColor(255, 255, 255);
    }
    void smallPictures()
    {
        QFETCH(int, id);
        QFETCH(QSize, size);
        QFETCH(QColor, key);
        const QImage image = LoadBitmapImage(id);
        QCOMPARE(image.size(), size);
        QCOMPARE(GetTransparentColor(id), key);
        // The ground is the key colour and something else is drawn on it.
        QCOMPARE(image.pixelColor(0, 0), key);
        int drawn = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                drawn += image.pixelColor(x, y) != key;
        QVERIFY2(drawn > 40, qPrintable(QString::number(drawn)));
        // Cutting the key away leaves exactly the drawn pixels.
        const QImage masked = LoadBitmap(id).toImage().convertToFormat(QImage::Format_ARGB32);
        int opaque = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                opaque += qAlpha(masked.pixel(x, y)) != 0;
        QCOMPARE(opaque, drawn);
    }

    void chartBar()
    {
        const QImage image = LoadBitmapImage(kPictureChartBar);
        QCOMPARE(image.size(), QSize(48, 48));
        QCOMPARE(image.pixelColor(10, 0), QColor(204, 227, 222));
        QCOMPARE(image.pixelColor(10, 47), QColor(131, 251, 187));
        // Every row is of one colour.
        for (int y = 0; y < 48; ++y)
            QCOMPARE(image.pixelColor(47, y), image.pixelColor(0, y));
        const QColor middle = image.pixelColor(0, 23);
        QVERIFY(qAbs(middle.green() - 185) <= 8 && middle.red() <= 10);
    }

    // At 150% and 200% every picture is drawn anew with more pixels, not the
    // 1x picture blown up, so it stays sharp; and it is drawn only once.
    void pictureAtRatio_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("logicalSize");
        for (const qreal ratio : {1.5, 2.0}) {
            for (const int id :
                 {kPictureModeKnown, kPictureFilterKnown, kPictureModeOff, kPictureSquareKnown,
                  kPictureListMarker, kPictureSearchBar, kPictureOptions, kPictureHelp,
                  kPictureSwap, kPictureExit, kPictureChartBar}) {
                const bool filter = (id - kPictureModeKnown) % 2 != 0;
                const QSize size = id < kPictureSquareKnown ? QSize(filter ? 62 : 90, 30)
                                   : id == kPictureChartBar ? QSize(48, 48)
                                                            : QSize(24, 24);
                QTest::addRow("%d at %g", id, ratio) << id << ratio << size;
            }
        }
    }
    void pictureAtRatio()
    {
        QFETCH(int, id);
        QFETCH(qreal, ratio);
        QFETCH(QSize, logicalSize);
        const QImage image = LoadBitmapImage(id, ratio);
        QCOMPARE(image.size(), (QSizeF(logicalSize) * ratio).toSize());
        QCOMPARE(image.devicePixelRatio(), ratio);
        QCOMPARE(image.deviceIndependentSize().toSize(), logicalSize);
        QCOMPARE(LoadBitmapImage(id, ratio).constBits(), image.constBits());

        // A blown-up 1x picture at 200% is made of uniform 2 x 2 blocks.
        if (ratio == 2.0) {
            int uneven = 0;
            for (int y = 0; y + 1 < image.height(); y += 2)
                for (int x = 0; x + 1 < image.width(); x += 2) {
                    const QRgb p = image.pixel(x, y);
                    uneven += image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p ||
                              image.pixel(x + 1, y + 1) != p;
                }
            QVERIFY2(uneven > 0, "the 200% picture is the 1x one blown up");
        }

        // The transparent colour is cut away at every ratio, and only it.
        const QColor key = GetTransparentColor(id);
        const QPixmap pixmap = LoadBitmap(id, key, ratio);
        QCOMPARE(pixmap.devicePixelRatio(), ratio);
        QCOMPARE(LoadBitmap(id, key, ratio).cacheKey(), pixmap.cacheKey());
        const QImage cut = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        int keyed = 0;
        int clear = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                keyed += image.pixelColor(x, y) == key;
                clear += qAlpha(cut.pixel(x, y)) == 0;
            }
        QCOMPARE(clear, keyed);
    }

    // The mode pictures keep a border and cut corners of one 1x pixel.
    void modePictureEdgeAtDoubleRatio()
    {
        const QImage image = LoadBitmapImage(kPictureModeLearned, 2);
        const QColor border = LoadBitmapImage(kPictureModeLearned).pixelColor(1, 0);
        for (const QPoint p : {QPoint(0, 0), QPoint(1, 1), QPoint(179, 59), QPoint(178, 0)})
            QCOMPARE(image.pixelColor(p), QColor(255, 0, 0));
        for (const QPoint p : {QPoint(2, 0), QPoint(2, 1), QPoint(0, 30), QPoint(1, 30),
                               QPoint(179, 30), QPoint(90, 59)})
            QCOMPARE(image.pixelColor(p), border);
        QVERIFY(image.pixelColor(90, 2) != border);
    }

    void unknownPicture()
    {
        QVERIFY(LoadBitmapImage(999).isNull());
        QVERIFY(LoadBitmap(999).isNull());
    }

    void icons()
    {
        QVERIFY(!LoadIcon(kPictureProgramIcon).isNull());
        QVERIFY(!LoadIcon(kPictureHistoryIcon).isNull());
        QVERIFY(LoadIcon(129).isNull());
        QCOMPARE(LoadIcon(kPictureProgramIcon).pixmap(32).size(), QSize(32, 32));
    }

    // The icons decode their PNGs only when a size is asked for; what they
    // give must still be the stored picture, or the nearest one scaled.
    void iconSizes_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("given");
        const int program = kPictureProgramIcon;
        const int dialog = kPictureHistoryIcon;
        QTest::newRow("program, exact") << program << 32 << 32 << 32;
        QTest::newRow("program, between sizes") << program << 20 << 22 << 20;
        QTest::newRow("program, above the largest") << program << 300 << 256 << 256;
        QTest::newRow("program, below the smallest") << program << 8 << 16 << 8;
        QTest::newRow("dialog, exact") << dialog << 48 << 48 << 48;
        QTest::newRow("dialog, between sizes") << dialog << 40 << 48 << 40;
    }

    void iconSizes()
    {
        QFETCH(int, id);
        QFETCH(int, asked);
        QFETCH(int, stored);
        QFETCH(int, given);
        const QIcon icon = LoadIcon(id);
        const QSize askedSize(asked, asked);
        QCOMPARE(icon.actualSize(askedSize), QSize(given, given));
        const QImage got = icon.pixmap(askedSize, 1.0)
                               .toImage()
                               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        // Scaled as Qt's own icons scale a stored pixmap.
        QPixmap expected(QStringLiteral(":/icons/%1/%2").arg(id).arg(stored));
        QVERIFY(!expected.isNull());
        if (stored != given)
            expected =
                expected.scaled(given, given, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(got, expected.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    void iconOffersEveryStoredSize()
    {
        const QList<QSize> sizes = LoadIcon(kPictureProgramIcon).availableSizes();
        QCOMPARE(sizes.size(), 8);
        for (const int side : {16, 22, 24, 32, 48, 64, 128, 256})
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        QCOMPARE(LoadIcon(kPictureHistoryIcon).availableSizes().size(), 5);
        // A greyed icon is still drawn, from the same picture.
        QVERIFY(
            !LoadIcon(kPictureProgramIcon).pixmap(QSize(32, 32), 1.0, QIcon::Disabled).isNull());
        QVERIFY(LoadIcon(kPictureProgramIcon).availableSizes(QIcon::Disabled).isEmpty());
    }

    void mulDiv_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("c");
        QTest::addColumn<int>("expected");
        QTest::newRow("exact") << 8 << 6 << 4 << 12;
        QTest::newRow("half rounds up") << 1 << 6 << 4 << 2;
        QTest::newRow("below half") << 1 << 5 << 4 << 1;
        QTest::newRow("negative half rounds away") << -1 << 6 << 4 << -2;
        QTest::newRow("zero divisor") << 5 << 5 << 0 << 0;
        QTest::newRow("no overflow") << 2000000000 << 3 << 4 << 1500000000;
    }
    void mulDiv()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, c);
        QFETCH(int, expected);
        QCOMPARE(MulDiv(a, b, c), expected);
    }

    void mapDialogRect_data()
    {
        QTest::addColumn<QRect>("dlu");
        QTest::addColumn<QRect>("pixels");
        // Base units 6 x 13, the classic dialog font.
        QTest::newRow("origin box") << QRect(0, 0, 100, 100) << QRect(0, 0, 150, 163);
        QTest::newRow("mode button") << QRect(18, 18, 60, 18) << QRect(27, 29, 90, 30);
        QTest::newRow("edges rounded apart") << QRect(1, 1, 1, 1) << QRect(2, 2, 1, 1);
    }
    void mapDialogRect()
    {
        QFETCH(QRect, dlu);
        QFETCH(QRect, pixels);
        DialogBaseUnits units;
        units.m_nBaseX = 6;
        units.m_nBaseY = 13;
        QCOMPARE(MapDialogRect(units, dlu), pixels);
    }

    void baseUnitsFollowTheFont()
    {
        const QFont font = GetDialogFont(QStringLiteral("MS Shell Dlg"), 8);
        const DialogBaseUnits small = GetDialogBaseUnits(font);
        QFont large = font;
        large.setPointSize(16);
        const DialogBaseUnits big = GetDialogBaseUnits(large);
        QVERIFY(small.m_nBaseX > 0 && small.m_nBaseY > 0);
        QVERIFY(big.m_nBaseX > small.m_nBaseX);
        QVERIFY(big.m_nBaseY > small.m_nBaseY);
        QCOMPARE(MapDialogRect(font, QRect(0, 0, 4, 8)).size(),
                 QSize(small.m_nBaseX, small.m_nBaseY));
    }

    void missingFaceFallsBackToJapanese()
    {
        const QString face = ResolveJapaneseFace(QStringLiteral("ＭＳ Ｐゴシック"));
        QVERIFY(QFontDatabase::hasFamily(face));
        QVERIFY(QFontDatabase::writingSystems(face).contains(QFontDatabase::Japanese));
        const QFont font = GetDialogFont(QStringLiteral("MS Shell Dlg"), 8);
        QVERIFY(QFontMetrics(font).inFont(QChar(0x6F22))); // 漢
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"

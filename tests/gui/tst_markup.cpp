#include "common/TestEnv.h"
#include "mainwnd/CPanelDialogBar.h"
#include "platform/Profile.h"
#include "widgets/MarkupDrawing.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QTest>

namespace {

QFont TestFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    return font;
}

// Draws the text on black with a white pen and returns the image.
QImage Draw(const QString& text, const QRect& rect, bool singleLine, QColor* penAfter = nullptr)
{
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(TestFont());
    painter.setPen(Qt::white);
    DrawMarkupText(painter, text, TextRect::FromQRect(rect), singleLine);
    if (penAfter)
        *penAfter = painter.pen().color();
    return image;
}

// Colours drawn in a column range, ignoring the anti-aliased edges.
QSet<QRgb> ColoursIn(const QImage& image, int x0, int x1)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = x0; x < x1; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == qRgb(255, 255, 255) || pixel == kMarkupRed || pixel == kMarkupGreen)
                colours.insert(pixel & 0xFFFFFF);
        }
    return colours;
}

} // namespace

// Measuring and drawing markup text, and the question panel built on it.
class TestMarkup : public QObject {
    Q_OBJECT

private slots:
    void init() { TestEnv::ClearSettings(); }

    void tags_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::addColumn<char>("tag");
        QTest::newRow("red") << QStringLiteral("<R>") << 0 << 'R';
        QTest::newRow("lower green") << QStringLiteral("a<g>") << 1 << 'G';
        QTest::newRow("normal") << QStringLiteral("<N>") << 0 << 'N';
        QTest::newRow("unknown letter") << QStringLiteral("<X>") << 0 << '\0';
        QTest::newRow("cut short") << QStringLiteral("<R") << 0 << '\0';
        QTest::newRow("not at a bracket") << QStringLiteral("R>") << 0 << '\0';
    }
    void tags()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(char, tag);
        QCOMPARE(MarkupTagAt(text, index), tag);
    }

    void measure_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limitChars"); // line width in characters of "M"
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("widthChars");
        QTest::newRow("fits") << QStringLiteral("MMMM") << 10 << 1 << 4;
        QTest::newRow("tags take no room") << QStringLiteral("MM<R>MM<N>") << 10 << 1 << 4;
        QTest::newRow("wraps") << QStringLiteral("MMMMMM") << 4 << 2 << 3;
        // The right edge reaching the limit already breaks the line.
        QTest::newRow("exact fit breaks") << QStringLiteral("MMMM") << 4 << 2 << 3;
        QTest::newRow("three lines") << QStringLiteral("MMMMMMM") << 3 << 4 << 2;
    }
    void measure()
    {
        QFETCH(QString, text);
        QFETCH(int, limitChars);
        QFETCH(int, lines);
        QFETCH(int, widthChars);
        const QFontMetrics metrics(TestFont());
        const int m = metrics.horizontalAdvance(QLatin1Char('M'));
        TextRect rect{10, 5, 10 + limitChars * m, 0};
        MeasureMarkupText(metrics, text, rect);
        QCOMPARE(rect.left, 10);
        QCOMPARE(rect.top, 5);
        QCOMPARE(rect.right, 10 + widthChars * m);
        QCOMPARE(rect.bottom, 5 + lines * metrics.height());
    }

    void characterWiderThanLineStopsMeasuring()
    {
        const QFontMetrics metrics(TestFont());
        const int m = metrics.horizontalAdvance(QLatin1Char('M'));
        TextRect rect{0, 0, m - 1, 0};
        MeasureMarkupText(metrics, QStringLiteral("MM"), rect);
        QCOMPARE(rect.right, 0);
        QCOMPARE(rect.bottom, 0);
    }

    void colours_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("upper case") << QStringLiteral("ab<R>cd<N>ef");
        QTest::newRow("lower case") << QStringLiteral("ab<r>cd<n>ef");
    }
    void colours()
    {
        QFETCH(QString, text);
        const QFontMetrics metrics(TestFont());
        const int ab = metrics.horizontalAdvance(QStringLiteral("ab"));
        const int abcd = metrics.horizontalAdvance(QStringLiteral("abcd"));
        const int all = metrics.horizontalAdvance(QStringLiteral("abcdef"));
        const QImage image = Draw(text, QRect(0, 0, 400, 100), false);
        QCOMPARE(ColoursIn(image, 0, ab - 1), QSet<QRgb>{0xFFFFFF});
        QCOMPARE(ColoursIn(image, ab + 1, abcd - 1), QSet<QRgb>{kMarkupRed & 0xFFFFFF});
        QCOMPARE(ColoursIn(image, abcd + 1, all), QSet<QRgb>{0xFFFFFF});
    }

    void greenRunAndUnclosedRun()
    {
        QColor penAfter;
        const QImage image = Draw(QStringLiteral("<G>ab"), QRect(0, 0, 400, 100), false, &penAfter);
        QCOMPARE(ColoursIn(image, 0, 400), QSet<QRgb>{kMarkupGreen & 0xFFFFFF});
        QCOMPARE(penAfter, QColor(Qt::white));
    }

    void lonelyBracketIsDrawn()
    {
        const QImage withBracket = Draw(QStringLiteral("<Z>"), QRect(0, 0, 400, 100), false);
        QVERIFY(!ColoursIn(withBracket, 0, 400).isEmpty());
    }

    void wrapsIntoTheNextLine()
    {
        const QFontMetrics metrics(TestFont());
        const int m = metrics.horizontalAdvance(QLatin1Char('M'));
        const QImage image = Draw(QStringLiteral("MMM"), QRect(0, 0, 2 * m, 100), false);
        auto rowHasInk = [&image](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < 400; ++x)
                    if (image.pixel(x, y) != qRgb(0, 0, 0))
                        return true;
            return false;
        };
        QVERIFY(rowHasInk(0, metrics.height()));
        QVERIFY(rowHasInk(metrics.height(), 2 * metrics.height()));
        QVERIFY(!rowHasInk(2 * metrics.height(), 100));
    }

    void singleLine_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("row high enough") << 40 << true;
        QTest::newRow("row too low") << 10 << false;
    }
    void singleLine()
    {
        QFETCH(int, height);
        QFETCH(bool, drawn);
        const QImage image = Draw(QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM"),
                                  QRect(0, 50, 100, height), true);
        QCOMPARE(!ColoursIn(image, 0, 400).isEmpty(), drawn);
        // Cut off, never wrapped: nothing below the row.
        QVERIFY(ColoursIn(image.copy(0, 50 + height, 400, 200 - 50 - height), 0, 400).isEmpty());
        QVERIFY(ColoursIn(image, 100, 400).isEmpty());
    }

    void panelFontFallsBackToJapanese()
    {
        CPanelDialogBar panel;
        panel.CreateTextFont();
        const QFontInfo info(panel.m_fontPanel);
        QVERIFY(QFontDatabase::writingSystems(info.family()).contains(QFontDatabase::Japanese));
        QVERIFY(QFontMetrics(panel.m_fontPanel).inFont(QChar(0x6F22)));
        // 36 points at the screen's resolution.
        QCOMPARE(panel.m_fontPanel.pixelSize(), (360 * panel.logicalDpiY() + 360) / 720);
    }

    void panelFontFromSettings()
    {
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("FontPoint"), 12);
        WriteProfileString(QStringLiteral("Settings"), QStringLiteral("FontFace"),
                           QStringLiteral("DejaVu Serif"));
        CPanelDialogBar panel;
        panel.CreateTextFont();
        QCOMPARE(QFontInfo(panel.m_fontPanel).family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(panel.m_fontPanel.pixelSize(), (120 * panel.logicalDpiY() + 360) / 720);
    }

    void panelHeightFollowsLines()
    {
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("FontPoint"), 20);
        CPanelDialogBar panel;
        panel.CreateTextFont();
        const QFontMetrics metrics(panel.m_fontPanel);
        const QString text = QStringLiteral("<G>ちゅうちょ<N>する");
        const int textWidth = metrics.horizontalAdvance(QStringLiteral("ちゅうちょする"));
        panel.resize(textWidth + 100, 50);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.SetText(text);
        QCOMPARE(panel.height(), metrics.height() + 20);
        QCOMPARE(panel.m_rcText.left, (panel.width() - panel.m_rcText.Width()) / 2);

        // Narrower than the text: two lines, and back.
        panel.resize(textWidth / 2 + 40, panel.height());
        QCOMPARE(panel.height(), 2 * metrics.height() + 20);
        panel.resize(textWidth + 100, panel.height());
        QCOMPARE(panel.height(), metrics.height() + 20);
    }

    void panelPaintsTextOnDarkGround()
    {
        CPanelDialogBar panel;
        panel.CreateTextFont();
        panel.resize(600, 100);
        const QImage empty = panel.grab().toImage();
        QCOMPARE(empty.pixelColor(5, 5), QColor(12, 16, 20));
        panel.SetText(QStringLiteral("<R>遁<N>走"));
        const QImage image = panel.grab().toImage();
        QCOMPARE(image.pixelColor(2, 2), QColor(12, 16, 20));
        bool red = false;
        bool white = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                red = red || image.pixel(x, y) == kMarkupRed;
                white = white || image.pixel(x, y) == qRgb(255, 255, 255);
            }
        QVERIFY(red);
        QVERIFY(white);
    }
};

QTEST_MAIN(TestMarkup)
#include "tst_markup.moc"

#include "platform/Bitmaps.h"

#include "platform/DialogUnits.h"
#include "platform/ResourceIds.h"
#include "platform/SizedIconEngine.h"

#include <QDir>
#include <QGuiApplication>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QtMath>
#include <algorithm>

namespace {

struct ModePicture {
    QRgb m_border;
    QRgb m_top;
    QRgb m_middle;
    QRgb m_bottom;
};

// Cream, light blue, orange, pink and grey: the mode and filter pictures of
// Known, Learned, Learning and NoLearn, then the two not chosen.
constexpr ModePicture kModePictures[] = {
    {qRgb(189, 193, 163), qRgb(255, 255, 230), qRgb(247, 247, 222), qRgb(240, 240, 215)},
    {qRgb(60, 136, 231), qRgb(180, 220, 253), qRgb(138, 201, 255), qRgb(100, 184, 255)},
    {qRgb(229, 176, 50), qRgb(253, 228, 178), qRgb(255, 212, 133), qRgb(255, 199, 93)},
    {qRgb(230, 52, 52), qRgb(254, 178, 179), qRgb(255, 134, 135), qRgb(255, 94, 95)},
    {qRgb(146, 146, 146), qRgb(217, 217, 217), qRgb(196, 196, 196), qRgb(178, 178, 178)},
};

int Mix(int from, int to, int step, int steps)
{
    return steps <= 0 ? from : from + (to - from) * step / steps;
}

QRgb MixRgb(QRgb from, QRgb to, int step, int steps)
{
    return qRgb(Mix(qRed(from), qRed(to), step, steps), Mix(qGreen(from), qGreen(to), step, steps),
                Mix(qBlue(from), qBlue(to), step, steps));
}

// Row colour of a three-stop vertical gradient over `rows` rows.
QRgb GradientRow(QRgb top, QRgb middle, QRgb bottom, int row, int rows)
{
    const int half = (rows - 1) / 2;
    if (row <= half)
        return MixRgb(top, middle, row, half);
    return MixRgb(middle, bottom, row - half, rows - 1 - half);
}

QImage NewOpaque(int width, int height, QRgb fill)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// The border is one pixel of the 1x picture, so `ratio` pixels (at least one)
// at higher ratios; the corners cut away are as large.
QImage DrawModePicture(const ModePicture& picture, int width, int height, qreal ratio)
{
    const int w = qRound(width * ratio);
    const int h = qRound(height * ratio);
    const int edge = qMax(1, qRound(ratio));
    QImage image = NewOpaque(w, h, picture.m_border);
    for (int y = edge; y < h - edge; ++y) {
        const QRgb colour =
            GradientRow(picture.m_top, picture.m_middle, picture.m_bottom, y - edge, h - 2 * edge);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line + edge, line + w - edge, 0xFF000000 | colour);
    }
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(w - edge, 0), QPoint(0, h - edge), QPoint(w - edge, h - edge)}) {
        for (int dy = 0; dy < edge; ++dy)
            for (int dx = 0; dx < edge; ++dx)
                image.setPixel(corner + QPoint(dx, dy), kKeyRed);
    }
    return image;
}

// Draws with anti-aliasing on a transparent ground, then flattens onto the
// key colour: a pixel that is mostly covered keeps its colour, the rest
// becomes the key, so the colour key leaves no fringe of the key colour.
// The drawing is in the 1x picture's coordinates, scaled to the ratio, so
// the picture is drawn anew at every ratio instead of being blown up.
template <typename Paint> QImage DrawKeyed(int logicalSize, qreal ratio, QRgb key, Paint paint)
{
    const int size = qRound(logicalSize * ratio);
    QImage canvas(size, size, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(ratio, ratio);
        paint(painter);
    }
    QImage image = NewOpaque(size, size, key);
    // Straight through the scan lines: pixel()/setPixel() per pixel cost more
    // than the drawing itself, and these pictures are made during start-up.
    for (int y = 0; y < size; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = from[x];
            if (qAlpha(pixel) < 128)
                continue;
            QRgb opaque = qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel));
            if (opaque == key) // the key colour itself would vanish
                opaque = qRgb(qRed(key) == 255 ? 254 : qRed(key), qGreen(key), qBlue(key));
            to[x] = opaque;
        }
    }
    return image;
}

QImage DrawModeSquare(const ModePicture& picture, qreal ratio)
{
    return DrawKeyed(24, ratio, kKeyRed, [&](QPainter& painter) {
        QLinearGradient gradient(0, 4, 0, 20);
        gradient.setColorAt(0, QColor(picture.m_top));
        gradient.setColorAt(0.5, QColor(picture.m_middle));
        gradient.setColorAt(1, QColor(picture.m_bottom));
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(QColor(picture.m_border), 1));
        painter.setBrush(gradient);
        painter.drawRect(4, 4, 15, 15);
    });
}

QImage DrawMarkerArrow(qreal ratio)
{
    return DrawKeyed(24, ratio, kKeyRed, [](QPainter& painter) {
        QPainterPath arrow;
        arrow.moveTo(3, 9);
        arrow.lineTo(12, 9);
        arrow.lineTo(12, 4);
        arrow.lineTo(21, 12);
        arrow.lineTo(12, 20);
        arrow.lineTo(12, 15);
        arrow.lineTo(3, 15);
        arrow.closeSubpath();
        painter.setPen(QPen(QColor(0, 110, 40), 1.2));
        painter.setBrush(QColor(40, 180, 70));
        painter.drawPath(arrow);
    });
}

QImage DrawMagnifier(qreal ratio)
{
    return DrawKeyed(24, ratio, kKeyRed, [](QPainter& painter) {
        painter.setPen(QPen(QColor(90, 70, 50), 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
        painter.setPen(QPen(QColor(60, 60, 70), 2.2));
        painter.setBrush(QColor(200, 228, 250));
        painter.drawEllipse(QPointF(9.5, 9.5), 6.5, 6.5);
    });
}

QImage DrawGear(qreal ratio)
{
    return DrawKeyed(24, ratio, kKeyRed, [](QPainter& painter) {
        QPainterPath gear;
        const QPointF centre(12, 12);
        const int teeth = 8;
        for (int i = 0; i < teeth * 4; ++i) {
            const double angle = (i - 0.5) * M_PI * 2 / (teeth * 4);
            const double radius = (i % 4 < 2) ? 10.5 : 7.5;
            const QPointF point = centre + QPointF(radius * qCos(angle), radius * qSin(angle));
            if (i == 0)
                gear.moveTo(point);
            else
                gear.lineTo(point);
        }
        gear.closeSubpath();
        gear.addEllipse(centre, 3.2, 3.2);
        gear.setFillRule(Qt::OddEvenFill);
        painter.setPen(QPen(QColor(60, 64, 72), 1));
        painter.setBrush(QColor(150, 156, 168));
        painter.drawPath(gear);
    });
}

QImage DrawQuestionDisc(qreal ratio)
{
    return DrawKeyed(24, ratio, kKeyRed, [](QPainter& painter) {
        QLinearGradient gradient(0, 2, 0, 22);
        gradient.setColorAt(0, QColor(110, 170, 255));
        gradient.setColorAt(1, QColor(20, 80, 200));
        painter.setPen(QPen(QColor(10, 50, 140), 1));
        painter.setBrush(gradient);
        painter.drawEllipse(QPointF(12, 12), 10.5, 10.5);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(16);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
    });
}

QImage DrawSwapTriangles(qreal ratio)
{
    return DrawKeyed(24, ratio, kKeyRed, [](QPainter& painter) {
        painter.setPen(QPen(QColor(30, 90, 30), 1));
        painter.setBrush(QColor(70, 170, 70));
        painter.drawPolygon(QPolygonF({QPointF(1.5, 12), QPointF(10.5, 4), QPointF(10.5, 20)}));
        painter.drawPolygon(QPolygonF({QPointF(22.5, 12), QPointF(13.5, 4), QPointF(13.5, 20)}));
    });
}

QImage DrawCross(qreal ratio)
{
    return DrawKeyed(24, ratio, kKeyWhite, [](QPainter& painter) {
        painter.setPen(QPen(QColor(210, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(5, 5), QPointF(19, 19));
        painter.drawLine(QPointF(19, 5), QPointF(5, 19));
    });
}

QImage DrawChartBar(qreal ratio)
{
    const int size = qRound(48 * ratio);
    QImage image = NewOpaque(size, size, 0);
    for (int y = 0; y < size; ++y) {
        const QRgb colour =
            GradientRow(qRgb(204, 227, 222), qRgb(0, 185, 99), qRgb(131, 251, 187), y, size);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line, line + size, 0xFF000000 | colour);
    }
    return image;
}

QImage CreateBitmap(int id, qreal ratio)
{
    // Mode pictures come in pairs, the wide button's and the filter's.
    if (id >= kPictureModeKnown && id <= kPictureFilterOff) {
        const ModePicture& picture = kModePictures[(id - kPictureModeKnown) / 2];
        const bool button = (id - kPictureModeKnown) % 2 == 0;
        return DrawModePicture(picture, button ? 90 : 62, 30, ratio);
    }
    if (id >= kPictureSquareKnown && id <= kPictureSquareNoLearn) {
        // Known, Learned, Learning, NoLearn share the colours of the buttons.
        return DrawModeSquare(kModePictures[id - kPictureSquareKnown], ratio);
    }
    switch (id) {
    case kPictureListMarker:
        return DrawMarkerArrow(ratio);
    case kPictureSearchBar:
        return DrawMagnifier(ratio);
    case kPictureOptions:
        return DrawGear(ratio);
    case kPictureHelp:
        return DrawQuestionDisc(ratio);
    case kPictureSwap:
        return DrawSwapTriangles(ratio);
    case kPictureExit:
        return DrawCross(ratio);
    case kPictureChartBar:
        return DrawChartBar(ratio);
    default:
        return {};
    }
}

// Ratios as cache keys: 1.5 and 1.4999999 are the same screen.
int RatioKey(qreal ratio)
{
    return qRound(ratio * 100);
}

qreal ScreenRatio()
{
    // The highest ratio of the screens: on one screen the exact one, and on
    // mixed screens a picture is shrunk on the lower one rather than blown
    // up, and blurred, on the higher one.
    return qGuiApp ? qMax<qreal>(1, qGuiApp->devicePixelRatio()) : 1;
}

} // namespace

QImage LoadBitmapImage(int id, qreal ratio)
{
    if (ratio <= 0)
        ratio = 1;
    // Drawn once per picture and ratio.
    static QHash<QPair<int, int>, QImage> cache;
    const QPair<int, int> key(id, RatioKey(ratio));
    auto found = cache.constFind(key);
    if (found == cache.constEnd()) {
        QImage image = CreateBitmap(id, ratio);
        image.setDevicePixelRatio(ratio);
        found = cache.insert(key, image);
    }
    return *found;
}

QImage LoadBitmapImage(int id)
{
    return LoadBitmapImage(id, 1);
}

QColor GetTransparentColor(int id)
{
    return QColor::fromRgb(id == kPictureExit ? kKeyWhite : kKeyRed);
}

QPixmap LoadBitmap(int id, const QColor& transparent, qreal ratio)
{
    if (ratio <= 0)
        ratio = 1;
    const QString cacheKey = QStringLiteral("velmarik-bitmap-%1-%2-%3")
                                 .arg(id)
                                 .arg(transparent.rgb(), 8, 16, QLatin1Char('0'))
                                 .arg(RatioKey(ratio));
    QPixmap pixmap;
    if (QPixmapCache::find(cacheKey, &pixmap))
        return pixmap;
    const QImage image = LoadBitmapImage(id, ratio);
    if (image.isNull())
        return {};
    // The colour key becomes alpha once here, so painting needs no mask.
    QImage cut = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent.rgb() | 0xFF000000;
    for (int y = 0; y < cut.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(cut.scanLine(y));
        for (int x = 0; x < cut.width(); ++x) {
            if ((line[x] | 0xFF000000) == key)
                line[x] = 0;
        }
    }
    pixmap = QPixmap::fromImage(cut);
    pixmap.setDevicePixelRatio(ratio);
    QPixmapCache::insert(cacheKey, pixmap);
    return pixmap;
}

QPixmap LoadBitmap(int id, const QColor& transparent)
{
    return LoadBitmap(id, transparent, ScreenRatio());
}

QPixmap LoadBitmap(int id)
{
    return LoadBitmap(id, GetTransparentColor(id));
}

QIcon LoadIcon(int id)
{
    if (id != kPictureProgramIcon && id != kPictureHistoryIcon)
        return {};
    // The PNGs rendered at build time from the SVG drawings that are also
    // installed for the desktop, so the window and the menu show one icon.
    static QHash<int, QIcon> cache;
    auto found = cache.constFind(id);
    if (found == cache.constEnd())
        found = cache.insert(id, QIcon(new SizedIconEngine(QStringLiteral(":/icons/%1").arg(id))));
    return *found;
}

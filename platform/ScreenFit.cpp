#include "platform/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// Enough of the window to see it and drag it back by its top.
constexpr int kMinVisible = 48;

QSize LargestAvailableSize()
{
    QSize largest;
    for (const QScreen* screen : QGuiApplication::screens())
        largest = largest.expandedTo(screen->availableGeometry().size());
    return largest;
}

} // namespace

QSize FitSizeToScreens(const QSize& stored, const QSize& minimum, const QSize& fallback)
{
    QSize size = (stored.width() > 0 && stored.height() > 0) ? stored : fallback;
    const QSize largest = LargestAvailableSize();
    if (largest.isValid())
        size = size.boundedTo(largest);
    return size.expandedTo(minimum);
}

QPoint FitPositionToScreens(const QPoint& stored, const QSize& size)
{
    // In 64 bits: a stored position near the ends of int would overflow the
    // window's far edge.
    const qint64 left = stored.x();
    const qint64 top = stored.y();
    const qint64 right = left + size.width();
    const qint64 bottom = top + size.height();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        const qint64 width =
            qMin<qint64>(right, area.x() + area.width()) - qMax<qint64>(left, area.x());
        const qint64 height =
            qMin<qint64>(bottom, area.y() + area.height()) - qMax<qint64>(top, area.y());
        if (width >= qMin(kMinVisible, size.width()) && height >= qMin(kMinVisible, size.height()))
            return stored;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return stored;
    const QRect area = primary->availableGeometry();
    // A window larger than the area keeps its top left corner on it.
    return QPoint(area.x() + qMax(0, (area.width() - size.width()) / 2),
                  area.y() + qMax(0, (area.height() - size.height()) / 2));
}

QPoint KeepOnScreen(const QRect& frame)
{
    const QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return frame.topLeft();
    const QRect area = screen->availableGeometry();
    // The far edges first, so that the top left corner wins for a window
    // larger than the area.
    int x = qMin(frame.x(), area.x() + area.width() - frame.width());
    int y = qMin(frame.y(), area.y() + area.height() - frame.height());
    x = qMax(x, area.x());
    y = qMax(y, area.y());
    return QPoint(x, y);
}

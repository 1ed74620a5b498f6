#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QTest>
#include <QWidget>

// Reading ink off the writing sheet's pictures, and writing on it with the
// mouse, for the sheet's tests.
namespace SheetInk {

inline const QColor kGround(240, 230, 210);

// Shows the sheet at its size and waits for it to be on the screen.
inline bool ShowAt(QWidget& sheet, const QSize& size)
{
    sheet.resize(size);
    sheet.show();
    return QTest::qWaitForWindowExposed(&sheet);
}

// Ink across a column: each pixel counts by how much darker than the ground
// it is, so an anti-aliased line of width w sums to about w.
inline double InkAcross(const QImage& image, int x, int y0, int y1)
{
    double ink = 0;
    for (int y = y0; y < y1; ++y)
        ink += (kGround.red() - image.pixelColor(x, y).red()) / double(kGround.red());
    return ink;
}

inline bool HasInk(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != kGround)
                return true;
    return false;
}

// One stroke from `from` to `to` through their midpoint.
inline void Stroke(QWidget* view, const QPoint& from, const QPoint& to)
{
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
}

} // namespace SheetInk

// The writing sheet at 3840×2160: the cost of one stroke segment against
// copying the whole back buffer (what every segment used to cost), the
// same at the end of a stroke of 9,000 positions (it must not grow with the
// stroke), the cost of undoing one stroke out of 30, and the memory a
// question's strokes take. Run by hand; it prints its figures and the targets they must meet.

#include "mainwnd/CWriteView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const QSize kSheet(3840, 2160);

// The median of runs of f, in microseconds.
template <typename F> double MedianMicros(int runs, F f)
{
    std::vector<double> times;
    times.reserve(runs);
    QElapsedTimer timer;
    for (int k = 0; k < runs; ++k) {
        timer.start();
        f(k);
        times.push_back(timer.nsecsElapsed() / 1000.0);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

// A handwritten-looking stroke: a wavy line of n positions 4 to 6 pixels
// apart, starting at origin.
QList<QPoint> WavyStroke(const QPoint& origin, int n, int seed)
{
    QList<QPoint> points;
    for (int k = 0; k < n; ++k)
        points << origin + QPoint(k * 5, int(40 * std::sin((k + seed) / 9.0)));
    return points;
}

// A stroke that keeps to the sheet however long it is: rows 5 pixels a
// step, 24 pixels apart, drawn to and fro.
QList<QPoint> Serpentine(const QPoint& origin, int n)
{
    constexpr int kRow = 700;
    QList<QPoint> points;
    for (int k = 0; k < n; ++k) {
        const int row = k / kRow;
        const int step = row % 2 == 0 ? k % kRow : kRow - 1 - k % kRow;
        points << origin + QPoint(step * 5, row * 24 + int(3 * std::sin(k / 7.0)));
    }
    return points;
}

void Write(CWriteView& view, const QList<QPoint>& points)
{
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, points.first());
    for (qsizetype k = 1; k < points.size(); ++k)
        QTest::mouseMove(&view, points[k]);
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, points.last());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);

    CWriteView view;
    view.resize(kSheet);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        std::fprintf(stderr, "the sheet was never shown\n");
        return 1;
    }
    QCoreApplication::processEvents();
    const QImage& buffer = view.GetBackBuffer();
    std::printf("sheet %dx%d, back buffer %dx%d\n", kSheet.width(), kSheet.height(), buffer.width(),
                buffer.height());

    // A segment without a rectangle of its own: the whole buffer copied to
    // the screen.
    QImage screen(buffer.size(), QImage::Format_RGB32);
    const double copy = MedianMicros(31, [&](int) {
        QPainter painter(&screen);
        painter.drawImage(0, 0, buffer);
    });

    // Segments of one long stroke, each a mouse move, with and without the
    // paint of the rectangle it touched.
    const QList<QPoint> long1 = WavyStroke(QPoint(100, 600), 700, 0);
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, long1.first());
    const double segment = MedianMicros(300, [&](int k) { QTest::mouseMove(&view, long1[1 + k]); });
    const double segmentPainted = MedianMicros(300, [&](int k) {
        QTest::mouseMove(&view, long1[301 + k]);
        QCoreApplication::processEvents();
    });
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, long1[601]);
    std::printf("long stroke: %lld positions\n",
                static_cast<long long>(view.Strokes().value(0).points.size()));
    view.SetAnswerWord(QString());

    const QList<QPoint> longest = Serpentine(QPoint(100, 1200), 9300);
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, longest.first());
    for (int k = 1; k < 9000; ++k)
        QTest::mouseMove(&view, longest[k]);
    const double segmentLate =
        MedianMicros(300, [&](int k) { QTest::mouseMove(&view, longest[9000 + k]); });
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, longest.last());
    std::printf("longest stroke: %lld positions\n",
                static_cast<long long>(view.Strokes().value(0).points.size()));
    view.SetAnswerWord(QString());

    // A question of 30 strokes of 200 positions each, spread over the sheet.
    for (int s = 0; s < 30; ++s)
        Write(view, WavyStroke(QPoint(100 + (s % 3) * 1200, 150 + (s / 3) * 200), 200, s));
    QCoreApplication::processEvents();
    const qsizetype bytes = view.StrokeMemory();
    qsizetype points = 0;
    for (const InkStroke& stroke : view.Strokes())
        points += stroke.points.size();
    std::printf("question: %lld strokes, %lld positions\n",
                static_cast<long long>(view.Strokes().size()), static_cast<long long>(points));
    // Undo the last stroke (and paint what it uncovered), then bring it
    // back untimed for the next run.
    std::vector<double> undos;
    QElapsedTimer timer;
    for (int k = 0; k < 51; ++k) {
        view.Redo();
        QCoreApplication::processEvents();
        timer.start();
        view.Undo();
        QCoreApplication::processEvents();
        undos.push_back(timer.nsecsElapsed() / 1000.0);
    }
    std::nth_element(undos.begin(), undos.begin() + 25, undos.end());
    const double undoOne = undos[25];
    // The figures count only if the undo really took the ink away.
    const QPoint last =
        WavyStroke(QPoint(100 + (29 % 3) * 1200, 150 + (29 / 3) * 200), 200, 29)[100];
    const bool gone = buffer.pixelColor(last) == view.m_crBack;
    view.Redo();
    const bool back = buffer.pixelColor(last) == view.m_crPen;
    if (!gone || !back || view.Strokes().size() != 30) {
        std::fprintf(stderr, "undo or redo did not change the sheet\n");
        return 1;
    }

    std::printf("whole-buffer copy:                  %9.1f us\n", copy);
    std::printf("one segment (event, drawing):       %9.1f us  (target < 200)\n", segment);
    std::printf("one segment, touched area painted:  %9.1f us\n", segmentPainted);
    std::printf("one segment after 9,000 positions:  %9.1f us\n", segmentLate);
    std::printf("late / early segment:               %9.2f x   (target < 2)\n",
                segmentLate / segment);
    std::printf("copy / segment:                     %9.1f x   (target >= 20)\n", copy / segment);
    std::printf("copy / painted segment:             %9.1f x\n", copy / segmentPainted);
    std::printf("undo of 1 stroke of 30, painted:    %9.1f us  (target < 5000)\n", undoOne);
    std::printf("strokes of the question in memory:  %9lld bytes (target < 1048576)\n",
                static_cast<long long>(bytes));
    const bool met = segment < 200 && copy / segment >= 20 && segmentLate / segment < 2 &&
                     undoOne < 5000 && bytes < 1048576;
    std::printf("%s\n", met ? "all targets met" : "TARGETS MISSED");
    return met ? 0 : 2;
}

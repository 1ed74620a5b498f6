// Renders an SVG drawing into square PNGs, one per size, so the installed
// icons and the window icon come from the same drawing:
//   velmarik_render_icon DRAWING.svg OUTPUT-PATTERN SIZE...
// where OUTPUT-PATTERN holds "%1" for the size, e.g. "hicolor/%1x%1/apps/x.png".
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[])
{
    // No window is shown; rendering needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: %s DRAWING.svg OUTPUT-PATTERN SIZE...\n", argv[0]);
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    for (qsizetype k = 3; k < args.size(); ++k) {
        bool ok = false;
        const int size = args.at(k).toInt(&ok);
        if (!ok || size <= 0 || size > 4096) {
            std::fprintf(stderr, "bad size %s\n", qPrintable(args.at(k)));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            renderer.render(&painter, QRectF(0, 0, size, size));
        }
        const QString path = args.at(2).arg(size);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

// The start-up benchmark's baseline: a bare Qt main window with one label,
// built from Qt alone.

#include "StartupProbe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    StartupProbe::FirstPaint filter("QLabel");
    app.installEventFilter(&filter);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("よみ"), &window));
    window.show();
    return app.exec();
}

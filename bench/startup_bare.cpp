// The yardstick of the start-up benchmark: a bare Qt main window with one
// label, a program of its own that links Qt Widgets and nothing of ours.

#include "StartupProbe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    StartupProbe::FirstPaint probe("QLabel", {});
    app.installEventFilter(&probe);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("よみ"), &window));
    window.show();
    return app.exec();
}

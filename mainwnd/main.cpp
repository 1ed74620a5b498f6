#include "platform/AppData.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InitProgramIdentity();
    QLabel label(QStringLiteral("Velmarik"));
    label.show();
    return app.exec();
}

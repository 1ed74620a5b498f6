#include "platform/GuiMessageBox.h"

#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

void InstallGuiMessageBox()
{
    SetMessageBoxHandler([](const QString& text, MessageButtons buttons) {
        QMessageBox::StandardButtons shown = QMessageBox::Ok;
        QMessageBox::StandardButton preferred = QMessageBox::Ok;
        if (buttons == MessageButtons::OkCancel) {
            shown = QMessageBox::Ok | QMessageBox::Cancel;
        } else if (buttons == MessageButtons::YesNoCancel) {
            shown = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            preferred = QMessageBox::Yes;
        }
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmarik"), text, shown,
                        QApplication::activeWindow());
        box.setDefaultButton(preferred);
        switch (box.exec()) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDCANCEL;
        }
    });
}

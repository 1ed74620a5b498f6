#include "platform/GuiMessageBox.h"

#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

void InstallGuiMessageBox()
{
    SetMessageBoxHandler([](const QString& text, MessageButtons buttons) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmarik"), text,
                        buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                            : QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setDefaultButton(QMessageBox::Ok);
        return box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
    });
}

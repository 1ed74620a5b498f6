#include "dialogs/FileChooser.h"

#include <QFileDialog>

namespace {

FileChooser& TestChooser()
{
    static FileChooser chooser;
    return chooser;
}

} // namespace

QString ChooseFile(QWidget* parent, FileChoice choice, const QString& caption,
                   const QString& filter, const QString& suggested)
{
    if (TestChooser())
        return TestChooser()(choice, suggested);
    if (choice == FileChoice::Folder)
        return QFileDialog::getExistingDirectory(parent, caption, suggested);
    if (choice == FileChoice::Open)
        return QFileDialog::getOpenFileName(parent, caption, suggested, filter);
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

void SetFileChooserForTesting(FileChooser chooser)
{
    TestChooser() = std::move(chooser);
}

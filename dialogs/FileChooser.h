#pragma once

#include <QString>
#include <functional>

class QWidget;

// The file dialogs of the study-data commands. Tests cannot drive the
// platform's file dialog, so they name the file instead.
enum class FileChoice { Open, Save, Folder };

// The chosen path; empty when the learner cancelled. `suggested` is the
// path a save dialog starts with (a folder dialog, the folder it shows).
QString ChooseFile(QWidget* parent, FileChoice choice, const QString& caption,
                   const QString& filter, const QString& suggested = QString());

// Tests only: answers every later ChooseFile; an empty function restores
// the dialog.
using FileChooser = std::function<QString(FileChoice choice, const QString& suggested)>;
void SetFileChooserForTesting(FileChooser chooser);

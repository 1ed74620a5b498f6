#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// What the command line asks for. Without an action the program starts as
// usual; anything it does not know, a stray file name from a launcher or an
// option of the window system, is ignored.
struct CommandLineRequest {
    enum class Action {
        Start,      // open the window
        Exit,       // --help, --version or a mistake: end with m_nExitCode
        Export,     // --export FILE
        ImportList, // --import-list FILE [--name NAME]
        Restore,    // --restore FILE
    };
    Action m_action = Action::Start;
    int m_nExitCode = 0;
    QString m_strFile;
    QString m_strName; // --name: the new list's name; empty for the file's
};

// --help and --version print to `out`; a mistake (an option without its
// file, two actions at once, --name without --import-list) prints to `err`.
CommandLineRequest ParseCommandLine(const QStringList& arguments, QTextStream& out,
                                    QTextStream& err);
// The same on main()'s arguments, printing to standard output and error. It
// needs no application object, so it works without a display.
CommandLineRequest ParseCommandLine(int argc, char** argv);

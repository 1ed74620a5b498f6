#pragma once

#include <QStringList>

class QTextStream;

// The program takes no arguments. --help and --version print to `out` and
// give the exit code (0); anything else, a stray file name from a launcher
// or an option we do not know, is ignored and gives -1: start the program.
int HandleCommandLine(const QStringList& arguments, QTextStream& out);
// The same on main()'s arguments, printing to standard output. It needs no
// application object, so --help and --version work without a display.
int HandleCommandLine(int argc, char** argv);

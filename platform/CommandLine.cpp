#include "platform/CommandLine.h"

#include "platform/VersionInfo.h"

#include <QCommandLineParser>
#include <QTextStream>

int HandleCommandLine(const QStringList& arguments, QTextStream& out)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    // Unknown options make parse() return false, but the known ones are still
    // recognised; the program has nothing to say about the rest.
    parser.parse(arguments);

    if (parser.isSet(help)) {
        out << "Usage: velmarik [--help] [--version]\n"
               "\n"
               "Velmarik: 漢字の書き取り練習 (a drill for writing Japanese kanji by hand).\n"
               "The program takes no other arguments; its interface is in Japanese.\n"
               "\n"
               "Options:\n"
               "  -h, --help     Show this help and exit.\n"
               "  -v, --version  Show the version and exit.\n";
        out.flush();
        return 0;
    }
    if (parser.isSet(version)) {
        out << GetProductNameAndVersion() << '\n';
        out.flush();
        return 0;
    }
    return -1;
}

int HandleCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int k = 0; k < argc; ++k)
        arguments << QString::fromLocal8Bit(argv[k]);
    QTextStream out(stdout);
    return HandleCommandLine(arguments, out);
}

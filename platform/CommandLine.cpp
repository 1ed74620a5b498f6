#include "platform/CommandLine.h"

#include "platform/VersionInfo.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

const char kHelp[] = "Usage: velmarik [--help] [--version]\n"
                     "       velmarik --export FILE\n"
                     "       velmarik --import-list FILE [--name NAME]\n"
                     "       velmarik --restore FILE\n"
                     "\n"
                     "Velmarik: 漢字の書き取り練習 (a drill for writing Japanese kanji by hand).\n"
                     "Without options it opens its window; its interface is in Japanese.\n"
                     "\n"
                     "Options:\n"
                     "  -h, --help            Show this help and exit.\n"
                     "  -v, --version         Show the version and exit.\n"
                     "  --export FILE         Write everything the learner owns (learning modes,\n"
                     "                        counts, history, lists of one's own, settings) into\n"
                     "                        FILE, a zip of CSV files. While the program runs,\n"
                     "                        the running copy writes it, unsaved changes too.\n"
                     "  --import-list FILE    Make a list of one's own from FILE: tab- or\n"
                     "                        comma-separated word, reading and note, or an Anki\n"
                     "                        deck's plain-text export.\n"
                     "  --name NAME           The name of the list --import-list makes (the\n"
                     "                        file's name without its extension by default).\n"
                     "  --restore FILE        Restore an export, after a backup of the current\n"
                     "                        state into backups/ in the data folder.\n"
                     "\n"
                     "--import-list and --restore refuse while the program runs. Each prints\n"
                     "what it did, or why not, and exits with 0 on success and 1 on failure.\n";

} // namespace

CommandLineRequest ParseCommandLine(const QStringList& arguments, QTextStream& out,
                                    QTextStream& err)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption exportTo(QStringLiteral("export"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption importList(QStringLiteral("import-list"), QString(),
                                        QStringLiteral("FILE"));
    const QCommandLineOption name(QStringLiteral("name"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption restore(QStringLiteral("restore"), QString(), QStringLiteral("FILE"));
    parser.addOptions({help, version, exportTo, importList, name, restore});

    CommandLineRequest request;
    const auto fail = [&](const QString& message) {
        err << "velmarik: " << message << "\nTry 'velmarik --help'.\n";
        err.flush();
        request = CommandLineRequest();
        request.m_action = CommandLineRequest::Action::Exit;
        request.m_nExitCode = 2;
        return request;
    };
    // Unknown options make parse() fail, but the known ones are still
    // recognised. An option takes the next argument as its value whatever
    // it is, so only the last one can go without.
    parser.parse(arguments);
    for (const QCommandLineOption* option : {&exportTo, &importList, &name, &restore}) {
        if (arguments.size() > 1 &&
            arguments.last() == QStringLiteral("--") + option->names().first())
            return fail(QStringLiteral("--%1 needs a %2.")
                            .arg(option->names().first(), option->valueName()));
    }

    if (parser.isSet(help)) {
        out << kHelp;
        out.flush();
        request.m_action = CommandLineRequest::Action::Exit;
        return request;
    }
    if (parser.isSet(version)) {
        out << GetProductNameAndVersion() << '\n';
        out.flush();
        request.m_action = CommandLineRequest::Action::Exit;
        return request;
    }
    int actions = 0;
    for (const QCommandLineOption* option : {&exportTo, &importList, &restore}) {
        if (!parser.isSet(*option))
            continue;
        ++actions;
        if (parser.values(*option).size() > 1)
            return fail(QStringLiteral("--%1 takes one file.").arg(option->names().first()));
    }
    if (actions > 1)
        return fail(QStringLiteral("--export, --import-list and --restore do not go together."));
    if (parser.isSet(name) && !parser.isSet(importList))
        return fail(QStringLiteral("--name belongs to --import-list."));
    if (parser.isSet(exportTo)) {
        request.m_action = CommandLineRequest::Action::Export;
        request.m_strFile = parser.value(exportTo);
    } else if (parser.isSet(importList)) {
        request.m_action = CommandLineRequest::Action::ImportList;
        request.m_strFile = parser.value(importList);
        request.m_strName = parser.value(name);
    } else if (parser.isSet(restore)) {
        request.m_action = CommandLineRequest::Action::Restore;
        request.m_strFile = parser.value(restore);
    }
    if (request.m_action != CommandLineRequest::Action::Start && request.m_strFile.isEmpty())
        return fail(QStringLiteral("The file name is empty."));
    return request;
}

CommandLineRequest ParseCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int k = 0; k < argc; ++k)
        arguments << QString::fromLocal8Bit(argv[k]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return ParseCommandLine(arguments, out, err);
}

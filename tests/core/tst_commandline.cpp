#include "platform/CommandLine.h"

#include <QTest>
#include <QTextStream>

using Action = CommandLineRequest::Action;
Q_DECLARE_METATYPE(CommandLineRequest::Action)

// Without an action the program starts; --help and --version end it early;
// the data actions carry their file, and a mistake ends with code 2.
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("output");
        const QString version = QStringLiteral("Velmarik 2.0\n");
        QTest::newRow("none") << QStringList() << Action::Start << 0 << QString() << QString()
                              << QString();
        QTest::newRow("--version")
            << QStringList{"--version"} << Action::Exit << 0 << QString() << QString() << version;
        QTest::newRow("-v") << QStringList{"-v"} << Action::Exit << 0 << QString() << QString()
                            << version;
        QTest::newRow("unknown option ignored") << QStringList{"--geometry=1x1"} << Action::Start
                                                << 0 << QString() << QString() << QString();
        QTest::newRow("file name ignored") << QStringList{"words.txt"} << Action::Start << 0
                                           << QString() << QString() << QString();
        QTest::newRow("version after an unknown option")
            << QStringList{"--frobnicate", "--version"} << Action::Exit << 0 << QString()
            << QString() << version;
        QTest::newRow("export") << QStringList{"--export", "out.zip"} << Action::Export << 0
                                << "out.zip" << QString() << QString();
        QTest::newRow("export with =") << QStringList{"--export=a b.zip"} << Action::Export << 0
                                       << "a b.zip" << QString() << QString();
        QTest::newRow("import") << QStringList{"--import-list", "w.csv"} << Action::ImportList << 0
                                << "w.csv" << QString() << QString();
        QTest::newRow("import with a name")
            << QStringList{"--import-list", "w.csv", "--name", "第3課"} << Action::ImportList << 0
            << "w.csv"
            << "第3課" << QString();
        QTest::newRow("name first") << QStringList{"--name", "n", "--import-list", "w.csv"}
                                    << Action::ImportList << 0 << "w.csv"
                                    << "n" << QString();
        QTest::newRow("restore") << QStringList{"--restore", "in.zip", "--geometry=1x1"}
                                 << Action::Restore << 0 << "in.zip" << QString() << QString();
        QTest::newRow("help wins") << QStringList{"--restore", "in.zip", "--help"} << Action::Exit
                                   << 0 << QString() << QString() << QString();
    }
    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(int, exitCode);
        QFETCH(QString, file);
        QFETCH(QString, name);
        QFETCH(QString, output);
        QString printed;
        QString errors;
        QTextStream out(&printed);
        QTextStream err(&errors);
        const CommandLineRequest request =
            ParseCommandLine(QStringList{"velmarik"} + arguments, out, err);
        QCOMPARE(request.m_action, action);
        QCOMPARE(request.m_nExitCode, exitCode);
        QCOMPARE(request.m_strFile, file);
        QCOMPARE(request.m_strName, name);
        if (!output.isEmpty() || !printed.startsWith(QStringLiteral("Usage:")))
            QCOMPARE(printed, output);
        QCOMPARE(errors, QString());
    }

    void mistakes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("export without a file") << QStringList{"--export"};
        QTest::newRow("import without a file") << QStringList{"--import-list"};
        QTest::newRow("name without a value") << QStringList{"--import-list", "w", "--name"};
        QTest::newRow("two actions") << QStringList{"--export", "a", "--restore", "b"};
        QTest::newRow("one action twice") << QStringList{"--export", "a", "--export", "b"};
        QTest::newRow("name alone") << QStringList{"--name", "n"};
        QTest::newRow("empty file name") << QStringList{"--restore", ""};
    }
    void mistakes()
    {
        QFETCH(QStringList, arguments);
        QString printed;
        QString errors;
        QTextStream out(&printed);
        QTextStream err(&errors);
        const CommandLineRequest request =
            ParseCommandLine(QStringList{"velmarik"} + arguments, out, err);
        QCOMPARE(request.m_action, Action::Exit);
        QCOMPARE(request.m_nExitCode, 2);
        QVERIFY(errors.startsWith(QStringLiteral("velmarik: ")));
        QCOMPARE(printed, QString());
    }

    void help_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("long") << QStringLiteral("--help");
        QTest::newRow("short") << QStringLiteral("-h");
    }
    void help()
    {
        QFETCH(QString, option);
        QString printed;
        QString errors;
        QTextStream out(&printed);
        QTextStream err(&errors);
        const CommandLineRequest request =
            ParseCommandLine({QStringLiteral("velmarik"), option}, out, err);
        QCOMPARE(request.m_action, Action::Exit);
        QCOMPARE(request.m_nExitCode, 0);
        QVERIFY(printed.startsWith(QStringLiteral("Usage: velmarik")));
        for (const char* name :
             {"--version", "--export FILE", "--import-list FILE", "--name NAME", "--restore FILE"})
            QVERIFY2(printed.contains(QLatin1String(name)), name);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

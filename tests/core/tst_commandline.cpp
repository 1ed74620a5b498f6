#include "platform/CommandLine.h"

#include <QTest>
#include <QTextStream>

// The program takes no arguments: only --help and --version end it early.
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        const QString version = QStringLiteral("Velmarik 2.0\n");
        QTest::newRow("none") << QStringList() << -1 << QString();
        QTest::newRow("--version") << QStringList{"--version"} << 0 << version;
        QTest::newRow("-v") << QStringList{"-v"} << 0 << version;
        QTest::newRow("unknown option ignored") << QStringList{"--geometry=1x1"} << -1 << QString();
        QTest::newRow("file name ignored") << QStringList{"words.txt"} << -1 << QString();
        QTest::newRow("version after an unknown option")
            << QStringList{"--frobnicate", "--version"} << 0 << version;
        QTest::newRow("version after a file name")
            << QStringList{"words.txt", "--version"} << 0 << version;
    }
    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QString printed;
        QTextStream out(&printed);
        QCOMPARE(HandleCommandLine(QStringList{"velmarik"} + arguments, out), exitCode);
        QCOMPARE(printed, output);
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
        QTextStream out(&printed);
        QCOMPARE(HandleCommandLine({QStringLiteral("velmarik"), option}, out), 0);
        QVERIFY(printed.startsWith(QStringLiteral("Usage: velmarik")));
        QVERIFY(printed.contains(QStringLiteral("--version")));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

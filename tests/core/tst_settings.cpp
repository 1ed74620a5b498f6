#include "common/TestEnv.h"
#include "platform/Profile.h"

#include <QFile>
#include <QStandardPaths>
#include <QTest>

// The settings store: defaults at every read, the two locations, and what
// lands in the file.
class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init() { TestEnv::ClearSettings(); }

    void missingValuesGiveTheCallersDefault_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("defaultValue");
        QTest::newRow("FontPoint") << "Settings"
                                   << "FontPoint" << 36;
        QTest::newRow("StrokeWidth") << "Settings"
                                     << "StrokeWidth" << 6;
        QTest::newRow("WinLeft") << ""
                                 << "WinLeft" << int(0x80000000);
        QTest::newRow("MainRight") << ""
                                   << "MainRight" << 1;
    }
    void missingValuesGiveTheCallersDefault()
    {
        QFETCH(QString, section);
        QFETCH(QString, name);
        QFETCH(int, defaultValue);
        QCOMPARE(GetProfileInt(section, name, defaultValue), defaultValue);
        QCOMPARE(GetProfileString(section, name, "fallback"), QStringLiteral("fallback"));
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -7;
        QTest::newRow("lowest") << int(0x80000000);
        QTest::newRow("highest") << 0x7fffffff;
    }
    void valuesRoundTrip()
    {
        QFETCH(int, value);
        QVERIFY(WriteProfileInt("Settings", "ProbFreq", value));
        QCOMPARE(GetProfileInt("Settings", "ProbFreq", 100), value);
    }

    void sectionsAreSeparate()
    {
        WriteProfileInt("Settings", "PrefKanji", 2);
        QCOMPARE(GetProfileInt("", "PrefKanji", 0), 0);
        WriteProfileInt("", "PrefKanji", 1);
        QCOMPARE(GetProfileInt("Settings", "PrefKanji", 0), 2);
        QCOMPARE(GetProfileInt("", "PrefKanji", 0), 1);
    }

    void stringsKeepJapanese()
    {
        const QString face = QStringLiteral("ＭＳ Ｐゴシック");
        QVERIFY(WriteProfileString("Settings", "FontFace", face));
        QCOMPARE(GetProfileString("Settings", "FontFace", ""), face);
        WriteProfileString("Settings", "FontFace", "");
        QCOMPARE(GetProfileString("Settings", "FontFace", "x"), QString());
    }

    void textThatIsNoNumberReadsAsMissing()
    {
        WriteProfileString("Settings", "FontPoint", "large");
        QCOMPARE(GetProfileInt("Settings", "FontPoint", 36), 36);
    }

    // Reads keep one settings object; whatever changed the store since must
    // still show at the next read.
    void readsSeeChangesMadeElsewhere_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("expected");
        QTest::newRow("another object, not yet synced") << "object" << 48;
        QTest::newRow("another process rewrote the file") << "file" << 50;
        QTest::newRow("file removed") << "remove" << 36;
        QTest::newRow("settings cleared") << "clear" << 36;
    }
    void readsSeeChangesMadeElsewhere()
    {
        QFETCH(QString, how);
        QFETCH(int, expected);
        QVERIFY(WriteProfileInt("Settings", "FontPoint", 12));
        QCOMPARE(GetProfileInt("Settings", "FontPoint", 36), 12);
        QSettings other(QSettings::NativeFormat, QSettings::UserScope, "Quillmoor", "Velmarik");
        const QString path = other.fileName();
        if (how == "object") {
            other.setValue("Settings/FontPoint", 48);
        } else if (how == "file") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("[Settings]\nFontPoint=50\nFontFace=Other\n");
            file.close();
        } else if (how == "remove") {
            QVERIFY(QFile::remove(path));
        } else {
            TestEnv::ClearSettings();
        }
        QCOMPARE(GetProfileInt("Settings", "FontPoint", 36), expected);
        if (how == "file")
            QCOMPARE(GetProfileString("Settings", "FontFace", ""), QStringLiteral("Other"));
    }

    void storedInTheUsersConfigFolder()
    {
        WriteProfileInt("Settings", "QAMode", 1);
        WriteProfileInt("", "WinZoom", 1);
        const QString path =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            "/Quillmoor/Velmarik.conf";
        QVERIFY2(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("[Settings]"));
        QVERIFY(text.contains("QAMode=1"));
        QVERIFY(text.contains("WinZoom=1"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

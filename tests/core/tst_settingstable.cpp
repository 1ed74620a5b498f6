#include "common/TestEnv.h"
#include "platform/Settings.h"
#include "text/WebSearch.h"

#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(const IntSetting*)

// The table of settings: the names, places and defaults stored files and
// older versions rely on, and reads through an entry that still go to the
// store each time.
class TestSettingsTable : public QObject {
    Q_OBJECT

private slots:
    void init() { TestEnv::ClearSettings(); }

    void everySettingOnce()
    {
        QSet<QString> keys;
        for (const IntSetting* setting : Setting::kIntSettings)
            keys.insert(QString::fromUtf16(setting->m_section) + u'/' +
                        QString::fromUtf16(setting->m_name));
        for (const StringSetting* setting : Setting::kStringSettings)
            keys.insert(QString::fromUtf16(setting->m_section) + u'/' +
                        QString::fromUtf16(setting->m_name));
        QCOMPARE(keys.size(), 29);
    }

    void intDefaults_data()
    {
        QTest::addColumn<const IntSetting*>("setting");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("defaultValue");
        const auto row = [](const IntSetting& setting, const char* section, const char* name,
                            int value) {
            QTest::newRow(name) << &setting << QString::fromLatin1(section)
                                << QString::fromLatin1(name) << value;
        };
        row(Setting::FontPoint, "Settings", "FontPoint", 36);
        row(Setting::HyogaiRed, "Settings", "HyogaiRed", 0);
        row(Setting::StrokeWidth, "Settings", "StrokeWidth", 6);
        row(Setting::ProbFreq, "Settings", "ProbFreq", 100);
        row(Setting::PrefKanji, "Settings", "PrefKanji", 0);
        row(Setting::QAMode, "Settings", "QAMode", 0);
        row(Setting::NoUnspec, "Settings", "NoUnspec", 0);
        row(Setting::ClearHistory, "Settings", "ClearHistory", 0);
        row(Setting::ReviewFirst, "Settings", "ReviewFirst", 0);
        row(Setting::NewPerDay, "Settings", "NewPerDay", 20);
        row(Setting::WinLeft, "", "WinLeft", int(0x80000000));
        row(Setting::WinTop, "", "WinTop", int(0x80000000));
        row(Setting::WinWidth, "", "WinWidth", int(0x80000000));
        row(Setting::WinHeight, "", "WinHeight", int(0x80000000));
        row(Setting::WinZoom, "", "WinZoom", 0);
        row(Setting::MainRight, "", "MainRight", 1);
        row(Setting::HistViewKnown, "", "HistViewKnown", 0);
        row(Setting::HistViewLearned, "", "HistViewLearned", 0);
        row(Setting::HistViewLearning, "", "HistViewLearning", 0);
        row(Setting::HistViewNoLearn, "", "HistViewNoLearn", 0);
        row(Setting::HistViewUnspec, "", "HistViewUnspec", 0);
        row(Setting::HWinWidth, "", "HWinWidth", 0);
        row(Setting::HWinHeight, "", "HWinHeight", 0);
        row(Setting::HistoryAction, "", "HistoryAction", 0);
        row(Setting::SearchAction, "", "SearchAction", 0);
        row(Setting::SSDlgWidth, "", "SSDlgWidth", 0);
        row(Setting::SSDlgHeight, "", "SSDlgHeight", 0);
    }
    void intDefaults()
    {
        QFETCH(const IntSetting*, setting);
        QFETCH(QString, section);
        QFETCH(QString, name);
        QFETCH(int, defaultValue);
        QCOMPARE(GetProfileInt(*setting), defaultValue);
        // The entry names the same value as the section and name do.
        WriteProfileInt(section, name, 77);
        QCOMPARE(GetProfileInt(*setting), 77);
        QVERIFY(WriteProfileInt(*setting, -5));
        QCOMPARE(GetProfileInt(section, name, 0), -5);
    }

    void stringDefaults()
    {
        QCOMPARE(GetProfileString(Setting::FontFace), QString());
        QCOMPARE(GetProfileString(Setting::SearchURL), QString::fromLatin1(kDefaultSearchUrl));
        QVERIFY(WriteProfileString(Setting::FontFace, QStringLiteral("ＭＳ 明朝")));
        QCOMPARE(GetProfileString("Settings", "FontFace", ""), QStringLiteral("ＭＳ 明朝"));
    }

    void everyReadGoesToTheStore()
    {
        QCOMPARE(GetProfileInt(Setting::QAMode), 0);
        // Written behind the entry's back, as another window would.
        WriteProfileInt("Settings", "QAMode", 1);
        QCOMPARE(GetProfileInt(Setting::QAMode), 1);
        TestEnv::ClearSettings();
        QCOMPARE(GetProfileInt(Setting::QAMode), 0);
    }
};

QTEST_GUILESS_MAIN(TestSettingsTable)
#include "tst_settingstable.moc"

#include "common/TestEnv.h"
#include "mainwnd/CPanelDialogBar.h"
#include "platform/DialogUnits.h"
#include "platform/Profile.h"

#include <QTest>
#include <climits>

namespace {

const QString kSettings = QStringLiteral("Settings");

} // namespace

// Stored values that no dialog of the program would write: the windows
// read them back within sane bounds instead of trusting them.
class TestStoredSettings : public QObject {
    Q_OBJECT

private slots:
    void init() { TestEnv::ClearSettings(); }

    void fontPointIsBounded_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("used");
        QTest::newRow("largest int") << INT_MAX << 100;
        QTest::newRow("smallest int") << INT_MIN << 10;
        QTest::newRow("negative") << -36 << 10;
        QTest::newRow("zero") << 0 << 10;
        QTest::newRow("just above the range") << 101 << 100;
        QTest::newRow("lowest in range") << 10 << 10;
        QTest::newRow("default") << 36 << 36;
        QTest::newRow("highest in range") << 100 << 100;
    }
    void fontPointIsBounded()
    {
        QFETCH(int, stored);
        QFETCH(int, used);
        WriteProfileInt(kSettings, QStringLiteral("FontPoint"), stored);
        CPanelDialogBar panel;
        panel.CreateTextFont();
        QCOMPARE(panel.m_fontPanel.pixelSize(), MulDiv(used * 10, panel.logicalDpiY(), 720));
    }

    void overlongFontFaceIsTheDefault()
    {
        CPanelDialogBar reference;
        reference.CreateTextFont();
        WriteProfileString(kSettings, QStringLiteral("FontFace"),
                           QString(200000, QLatin1Char('M')));
        CPanelDialogBar panel;
        panel.CreateTextFont();
        QCOMPARE(panel.m_fontPanel.family(), reference.m_fontPanel.family());
    }
};

QTEST_MAIN(TestStoredSettings)
#include "tst_storedsettings.moc"

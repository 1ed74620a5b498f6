#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "dialogs/CHistoryDialog.h"
#include "dialogs/CStudyStateDialog.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CPanelDialogBar.h"
#include "platform/DialogUnits.h"
#include "platform/Options.h"
#include "platform/Profile.h"
#include "study/CDictionary.h"

#include <QDir>
#include <QScreen>
#include <QTest>
#include <climits>

namespace {

const QString kSettings = QStringLiteral("Settings");

QRect Available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// -1 in a row stands for the screen's available width or height.
QSize OnScreen(const QSize& size)
{
    return QSize(size.width() < 0 ? Available().width() : size.width(),
                 size.height() < 0 ? Available().height() : size.height());
}

} // namespace

// Stored values that no dialog of the program would write: the windows
// read them back within sane bounds instead of trusting them.
class TestStoredSettings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        auto lists = std::make_shared<FakeWordLists>();
        for (int id = 501; id <= 506; ++id)
            lists->m_lists.insert(id,
                                  FakeWordLists::MakeList({QStringLiteral("山%1\tやま").arg(id)}));
        CDictionary::SetWordListSource(lists);
    }
    void init()
    {
        TestEnv::ClearSettings();
        QDir(TestEnv::Instance().DataFolder()).removeRecursively();
        CDictionary::ResetInstanceForTesting();
    }
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    void mainWindowPlacement_data()
    {
        // Left and top as stored, width and height as stored: a QRect would
        // compute its right edge, which overflows for the far rows.
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QSize>("extent");
        QTest::addColumn<QSize>("size"); // expected; 0 x 0: the first-start size
        QTest::addColumn<bool>("moved"); // onto the primary screen, centred
        QTest::newRow("sane") << QPoint(50, 40) << QSize(640, 480) << QSize(640, 480) << false;
        QTest::newRow("largest size")
            << QPoint(0, 0) << QSize(INT_MAX, INT_MAX) << QSize(-1, -1) << false;
        QTest::newRow("too wide") << QPoint(0, 0) << QSize(100000, 400) << QSize(-1, 400) << false;
        QTest::newRow("negative size")
            << QPoint(10, 10) << QSize(-640, -480) << QSize(0, 0) << false;
        QTest::newRow("zero height") << QPoint(10, 10) << QSize(640, 0) << QSize(0, 0) << false;
        QTest::newRow("smallest size")
            << QPoint(10, 10) << QSize(INT_MIN + 1, INT_MIN + 1) << QSize(0, 0) << false;
        QTest::newRow("far right")
            << QPoint(INT_MAX, 10) << QSize(500, 400) << QSize(500, 400) << true;
        QTest::newRow("far left") << QPoint(INT_MIN + 1, 10) << QSize(500, 400) << QSize(500, 400)
                                  << true;
        QTest::newRow("far below")
            << QPoint(10, 100000) << QSize(500, 400) << QSize(500, 400) << true;
        QTest::newRow("just above")
            << QPoint(10, -400) << QSize(500, 400) << QSize(500, 400) << true;
        QTest::newRow("mostly off the left edge")
            << QPoint(-450, 10) << QSize(500, 400) << QSize(500, 400) << false;
    }
    static void StorePlacement(const QPoint& at, const QSize& extent)
    {
        WriteProfileInt(QString(), QStringLiteral("WinLeft"), at.x());
        WriteProfileInt(QString(), QStringLiteral("WinTop"), at.y());
        WriteProfileInt(QString(), QStringLiteral("WinWidth"), extent.width());
        WriteProfileInt(QString(), QStringLiteral("WinHeight"), extent.height());
    }
    void mainWindowPlacement()
    {
        QFETCH(QPoint, at);
        QFETCH(QSize, extent);
        QFETCH(QSize, size);
        QFETCH(bool, moved);
        StorePlacement(at, extent);
        CMainFrame firstStart;
        if (size == QSize(0, 0)) {
            TestEnv::ClearSettings();
            QVERIFY(firstStart.Create());
            size = firstStart.size();
            init();
            StorePlacement(at, extent);
        }
        size = OnScreen(size);
        CMainFrame frame;
        QVERIFY(frame.Create());
        QCOMPARE(frame.size(), size);
        if (moved) {
            QRect expected(QPoint(), size);
            expected.moveCenter(Available().center());
            QCOMPARE(frame.pos(), expected.topLeft());
        } else {
            QCOMPARE(frame.pos(), at);
        }
    }

    // The dialogs store their outer size; a bad one is fitted likewise.
    void dialogSizes_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<QString>("expect"); // "stored", "screen" or "own" size
        const struct {
            const char* m_pszName;
            const char* m_pszKey;
        } dialogs[] = {{"history", "HWin"}, {"study state", "SSDlg"}};
        for (const auto& d : dialogs) {
            const QString key = QString::fromLatin1(d.m_pszKey);
            QTest::addRow("%s, sane", d.m_pszName) << key << QSize(420, 330) << "stored";
            QTest::addRow("%s, largest", d.m_pszName) << key << QSize(INT_MAX, INT_MAX) << "screen";
            QTest::addRow("%s, wider than the screen", d.m_pszName)
                << key << QSize(100000, 330) << "screen";
            QTest::addRow("%s, negative height", d.m_pszName) << key << QSize(420, -330) << "own";
            QTest::addRow("%s, smallest height", d.m_pszName)
                << key << QSize(420, INT_MIN) << "own";
        }
    }
    void dialogSizes()
    {
        QFETCH(QString, dialog);
        QFETCH(QSize, stored);
        QFETCH(QString, expect);
        MessageRecorder messages;
        const auto open = [&dialog]() -> std::unique_ptr<QDialog> {
            if (dialog == QStringLiteral("HWin"))
                return std::make_unique<CHistoryDialog>(nullptr);
            return std::make_unique<CStudyStateDialog>(nullptr);
        };
        QSize own;
        {
            auto first = open();
            first->show();
            QVERIFY(QTest::qWaitForWindowExposed(first.get()));
            own = first->size();
            first->reject();
        }
        WriteProfileInt(QString(), dialog + QStringLiteral("Width"), stored.width());
        WriteProfileInt(QString(), dialog + QStringLiteral("Height"), stored.height());
        auto shown = open();
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        const QSize size = shown->size();
        QVERIFY(size.width() >= shown->minimumWidth());
        QVERIFY(size.height() >= shown->minimumHeight());
        if (expect == QStringLiteral("own")) {
            QCOMPARE(size, own);
        } else if (expect == QStringLiteral("screen")) {
            QVERIFY2(size.width() <= Available().width() && size.height() <= Available().height(),
                     qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
            QVERIFY(size.width() >= Available().width() - 16); // as wide as it can be
        } else {
            // The stored size is the outer one; the frame is the platform's.
            const QSize outer = shown->frameGeometry().size();
            QVERIFY(qAbs(outer.width() - stored.width()) <= 8);
            QVERIFY(qAbs(outer.height() - stored.height()) <= 8);
        }
    }

    // A large stored size centred on a small or half-hidden owner would
    // stand partly off the screen: the history dialog is kept whole on it,
    // and a sane one still opens centred on its owner.
    void historyDialogStaysOnScreen_data()
    {
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<bool>("centred"); // on the owner, as it fits
        const QRect area = Available();
        QTest::newRow("largest, owner in the corner")
            << QRect(area.topLeft(), QSize(400, 300)) << QSize(INT_MAX, INT_MAX) << false;
        QTest::newRow("larger than the owner, owner in the corner")
            << QRect(area.topLeft(), QSize(300, 200)) << area.size() * 9 / 10 << false;
        QTest::newRow("owner half off the bottom right")
            << QRect(area.bottomRight() - QPoint(100, 80), QSize(400, 300)) << QSize(420, 330)
            << false;
        QTest::newRow("owner above the screen")
            << QRect(area.left() + 100, area.top() - 250, 400, 300) << QSize(420, 330) << false;
        QTest::newRow("sane") << QRect(area.center() - QPoint(200, 150), QSize(400, 300))
                              << QSize(300, 220) << true;
    }
    void historyDialogStaysOnScreen()
    {
        QFETCH(QRect, owner);
        QFETCH(QSize, stored);
        QFETCH(bool, centred);
        MessageRecorder messages;
        WriteProfileInt(QString(), QStringLiteral("HWinWidth"), stored.width());
        WriteProfileInt(QString(), QStringLiteral("HWinHeight"), stored.height());
        QWidget window;
        window.setGeometry(owner);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CHistoryDialog dialog(&window);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QRect placed = dialog.frameGeometry();
        QVERIFY2(Available().contains(placed), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                              .arg(placed.x())
                                                              .arg(placed.y())
                                                              .arg(placed.width())
                                                              .arg(placed.height())));
        if (centred)
            QVERIFY((placed.center() - window.frameGeometry().center()).manhattanLength() <= 2);
    }

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

    void overlongFontFaceIsTheDefault_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("face");
        const QString longest(255, QLatin1Char('M'));
        QTest::newRow("unset") << QString() << QStringLiteral("ＭＳ Ｐゴシック");
        QTest::newRow("a face") << QStringLiteral("IPAPGothic") << QStringLiteral("IPAPGothic");
        QTest::newRow("255 characters") << longest << longest;
        QTest::newRow("256 characters")
            << QString(256, QLatin1Char('M')) << QStringLiteral("ＭＳ Ｐゴシック");
        QTest::newRow("200,000 characters")
            << QString(200000, QLatin1Char('M')) << QStringLiteral("ＭＳ Ｐゴシック");
    }
    void overlongFontFaceIsTheDefault()
    {
        QFETCH(QString, stored);
        QFETCH(QString, face);
        WriteProfileString(kSettings, QStringLiteral("FontFace"), stored);
        QCOMPARE(Options::PanelFace(), face);
        CPanelDialogBar panel;
        panel.CreateTextFont();
        QCOMPARE(panel.m_fontPanel.family(), ResolveJapaneseFace(face));
    }
};

QTEST_MAIN(TestStoredSettings)
#include "tst_storedsettings.moc"

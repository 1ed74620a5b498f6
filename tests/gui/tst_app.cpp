#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/StudyData.h"
#include "common/TestEnv.h"
#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CPanelDialogBar.h"
#include "mainwnd/CVelmarikApp.h"
#include "platform/HelpService.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "widgets/CSearchDialogBar.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

// Start-up and exit of the application object.
class TestApp : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWordLists> m_lists;
    std::unique_ptr<MessageRecorder> m_messages;
    CVelmarikApp* App() const { return CVelmarikApp::Instance(); }

private slots:
    void initTestCase()
    {
        QVERIFY(App());
        m_lists = std::make_shared<FakeWordLists>();
        for (int id = 501; id <= 506; ++id)
            m_lists->m_lists.insert(
                id, FakeWordLists::MakeList({QStringLiteral("山川%1\tやまかわ").arg(id)}));
        CDictionary::SetWordListSource(m_lists);
        m_messages = std::make_unique<MessageRecorder>();
    }
    void init() { StudyData::Fresh(); }
    void cleanup()
    {
        App()->ExitInstance(0);
        CDictionary::ResetInstanceForTesting();
    }
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    void identity()
    {
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Quillmoor"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Velmarik"));
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("2.0"));
    }

    // The application object loads Qt's Japanese for the standard buttons.
    void standardButtonsInJapanese()
    {
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
        QCOMPARE(QGuiApplication::desktopFileName(),
                 QStringLiteral("io.github.quillmoor.Velmarik"));
    }

    void firstRunDefaults()
    {
        QVERIFY(App()->InitInstance());
        CMainFrame* frame = App()->GetMainWnd();
        QVERIFY(frame);
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QCOMPARE(frame->windowTitle(), QStringLiteral("Velmarik"));
        QVERIFY(!frame->isMaximized());
        QVERIFY(frame->IsMainBarRight());
        QVERIFY(!frame->GetSearchBar()->isVisible());
        QCOMPARE(frame->GetMainBar()->geometry().right(), frame->width() - 1);
        QVERIFY(frame->GetSession().CurrentItem());
        QVERIFY(QFontMetrics(frame->GetPanelBar()->m_fontPanel).inFont(QChar(0x5C71))); // 山
    }

    void startState_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("show");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<bool>("minimized");
        QTest::newRow("zoom, normal start") << 1 << int(CVelmarikApp::kShowUnset) << true << false;
        QTest::newRow("zoom, default start")
            << 1 << int(CVelmarikApp::kShowDefault) << true << false;
        QTest::newRow("zoom, minimised start")
            << 1 << int(CVelmarikApp::kShowMinimized) << false << true;
        QTest::newRow("no zoom") << 0 << int(CVelmarikApp::kShowNormal) << false << false;
    }
    void startState()
    {
        QFETCH(int, zoom);
        QFETCH(int, show);
        QFETCH(bool, maximized);
        QFETCH(bool, minimized);
        WriteProfileInt(QString(), QStringLiteral("WinZoom"), zoom);
        QVERIFY(App()->InitInstance(show));
        CMainFrame* frame = App()->GetMainWnd();
        QTRY_COMPARE(frame->isMaximized(), maximized);
        QCOMPARE(frame->isMinimized(), minimized);
    }

    void maximisedStateIsSaved()
    {
        WriteProfileInt(QString(), QStringLiteral("WinZoom"), 1);
        QVERIFY(App()->InitInstance());
        QTRY_VERIFY(App()->GetMainWnd()->isMaximized());
        App()->GetMainWnd()->close();
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("WinZoom"), -1), 1);
    }

    void helpContents_data()
    {
        QTest::addColumn<bool>("button");
        QTest::newRow("F1") << false;
        QTest::newRow("help button") << true;
    }
    void helpContents()
    {
        QFETCH(bool, button);
        QList<HelpCommand> requests;
        const HelpHandler previous =
            SetHelpHandler([&requests](HelpCommand command, quint32) { requests << command; });
        QVERIFY(App()->InitInstance());
        CMainFrame* frame = App()->GetMainWnd();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        if (button)
            QTest::mouseClick(
                frame->GetMainBar()->findChild<QPushButton*>(QString::number(kIdHelpButton)),
                Qt::LeftButton);
        else
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        SetHelpHandler(previous);
        QCOMPARE(requests, QList<HelpCommand>{HelpCommand::Contents});
    }

    void guiFontIsMadeOnce()
    {
        const QFont& font = App()->GetGuiFont();
        QCOMPARE(&App()->GetGuiFont(), &font);
        QVERIFY(QFontDatabase::writingSystems(QFontInfo(font).family())
                    .contains(QFontDatabase::Japanese));
    }

    void exitEndsTheStudyData()
    {
        QVERIFY(App()->InitInstance());
        QVERIFY(CDictionary::GetInstance());
        QCOMPARE(App()->ExitInstance(7), 7);
        QVERIFY(!App()->GetMainWnd());
        QVERIFY(!CDictionary::GetInstance()); // no late access makes a new one
    }
};

int main(int argc, char** argv)
{
    CVelmarikApp app(argc, argv);
    TestApp test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_app.moc"

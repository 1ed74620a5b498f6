#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/ModalAnswerer.h"
#include "common/StudyData.h"
#include "common/TestEnv.h"
#include "dialogs/COptionDialog.h"
#include "dialogs/CStudyStateDialog.h"
#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CPanelDialogBar.h"
#include "platform/Clock.h"
#include "platform/DialogUnits.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

} // namespace

// The main window opens the options and study-state dialogs and takes up
// what the options dialog changed.
class TestDialogWiring : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;

    QPushButton* BarButton(int id) const
    {
        return m_frame->GetMainBar()->findChild<QPushButton*>(QString::number(id));
    }

    void Press(Qt::Key key)
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : m_frame.get(), key);
    }

private slots:
    void initTestCase()
    {
        auto lists = std::make_shared<FakeWordLists>();
        lists->m_lists.insert(501, FakeWordLists::MakeList({QStringLiteral("学校\tがっこう"),
                                                            QStringLiteral("漢字\tかんじ")}));
        for (int id = 502; id <= 506; ++id)
            lists->m_lists.insert(id, FakeWordLists::MakeList({QStringLiteral("山\tやま")}));
        CDictionary::SetWordListSource(lists);
    }

    void init()
    {
        StudyData::Fresh();
        m_frame = std::make_unique<CMainFrame>();
        QVERIFY(m_frame->Create());
        m_frame->resize(900, 600);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }

    void cleanup()
    {
        if (m_frame)
            m_frame->close();
        m_frame.reset();
        CDictionary::ResetInstanceForTesting();
    }

    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    void opensDialogs_data()
    {
        QTest::addColumn<int>("key"); // 0: click the bar's button instead
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("title");
        QTest::newRow("key O") << int(Qt::Key_O) << 0 << "オプション";
        QTest::newRow("gear button") << 0 << int(kIdOptionsButton) << "オプション";
        QTest::newRow("key U") << int(Qt::Key_U) << 0 << "最近100日間の書き取り回数";
        QTest::newRow("counter button") << 0 << int(kIdTodayCount) << "最近100日間の書き取り回数";
    }
    void opensDialogs()
    {
        QFETCH(int, key);
        QFETCH(int, button);
        QFETCH(QString, title);
        QString seen;
        ModalAnswerer<> answerer([&](QDialog* dialog) {
            seen = dialog->windowTitle();
            dialog->reject();
        });
        if (key)
            Press(Qt::Key(key));
        else
            QTest::mouseClick(BarButton(button), Qt::LeftButton);
        QCOMPARE(seen, title);
    }

    void dueCountBesideTheCount()
    {
        CDictionary* dic = CDictionary::GetInstance();
        const qint64 now = CurrentTime();
        dic->RateItem(0, ReviewRating::Again);
        dic->RateItem(1, ReviewRating::Easy);
        SetCurrentTimeForTesting(now + 3 * 86400);
        m_frame->GetSession().ShowDueCount();
        SetCurrentTimeForTesting(std::nullopt);
        // The one answered wrongly is due, the easy one is not yet.
        const QLabel* due = m_frame->GetMainBar()->DueCountLabel();
        QCOMPARE(due->text(), QStringLiteral("復習 1"));
        QCOMPARE(due->toolTip(), QStringLiteral("今日の復習: 1"));
        QCOMPARE(due->accessibleName(), due->toolTip());
        QVERIFY(due->isVisible());
        // Beside the count, and not in the tab order.
        const QRect count = BarButton(kIdTodayCount)->geometry();
        QVERIFY(due->geometry().top() >= count.bottom());
        QVERIFY(due->geometry().right() < count.left());
        QCOMPARE(due->focusPolicy(), Qt::NoFocus);
    }

    void clearingShowsOnTheMainBar()
    {
        CDictionary* dic = CDictionary::GetInstance();
        CDictionary::CItem* item = m_frame->GetSession().CurrentItem();
        QVERIFY(item);
        item->m_nMode = Learned;
        m_frame->GetSession().ShowCurrentModeOnBar();
        dic->m_nTotalCount = 30;
        dic->m_mapDayCount.insert(MakeDayKey(GetStudyDate()), 8);
        m_frame->GetMainBar()->ShowTodayCount();
        QCOMPARE(BarButton(kIdTodayCount)->text(), QStringLiteral("8"));

        MessageRecorder messages;
        ModalAnswerer<> answerer([](QDialog* dialog) {
            dialog->findChild<QCheckBox*>(QString::number(kIdClearFirst + 1))->setChecked(true);
            dialog->findChild<QCheckBox*>(QString::number(kIdClearCounts))->setChecked(true);
            dialog->accept();
        });
        Press(Qt::Key_O);
        QCOMPARE(messages.Texts().size(), 1);
        QCOMPARE(item->m_nMode, qint16(Unspec));
        QCOMPARE(BarButton(kIdTodayCount)->text(), QStringLiteral("0"));
        // The bar shows the cleared mode, and leaving the question keeps it.
        QVERIFY(m_frame->GetMainBar()->m_btnMode[4]->m_bChecked);
        QVERIFY(!m_frame->GetMainBar()->m_btnMode[1]->m_bChecked);
        m_frame->GetSession().CommitMode();
        QCOMPARE(item->m_nMode, qint16(Unspec));
    }

    void fontChangeIsTakenUp()
    {
        ModalAnswerer<> answerer([](QDialog* dialog) {
            dialog->findChild<QLineEdit*>(QString::number(kIdFontPoint))
                ->setText(QStringLiteral("60"));
            dialog->accept();
        });
        Press(Qt::Key_O);
        QCOMPARE(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("FontPoint"), 0), 60);
        CPanelDialogBar* panel = m_frame->GetPanelBar();
        QCOMPARE(panel->m_fontPanel.pixelSize(), MulDiv(600, panel->logicalDpiY(), 720));
    }
};

QTEST_MAIN(TestDialogWiring)
#include "tst_dialogwiring.moc"

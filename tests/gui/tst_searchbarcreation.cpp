#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/ModalAnswerer.h"
#include "common/TestEnv.h"
#include "dialogs/COptionDialog.h"
#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CPanelDialogBar.h"
#include "mainwnd/CWriteView.h"
#include "platform/Profile.h"
#include "study/CDictionary.h"
#include "widgets/CSearchDialogBar.h"

#include <QApplication>
#include <QDir>
#include <QTest>

// The search bar is built when it is first asked for; once built it must
// stand where it stood when the frame built it with the other children.
class TestSearchBarCreation : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWordLists> m_lists;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<CMainFrame> m_frame;

    // The frame's direct child that holds w.
    QWidget* ChildOf(QWidget* w) const
    {
        while (w && w->parentWidget() != m_frame.get())
            w = w->parentWidget();
        return w;
    }

private slots:
    void initTestCase()
    {
        m_lists = std::make_shared<FakeWordLists>();
        for (int id = 501; id <= 506; ++id)
            m_lists->m_lists.insert(id, FakeWordLists::MakeList({QStringLiteral("山\tやま")}));
        CDictionary::SetWordListSource(m_lists);
        m_messages = std::make_unique<MessageRecorder>();
    }
    void init()
    {
        QDir(TestEnv::Instance().DataFolder()).removeRecursively();
        TestEnv::ClearSettings();
        CDictionary::ResetInstanceForTesting();
    }
    void cleanup()
    {
        m_frame.reset();
        CDictionary::ResetInstanceForTesting();
    }
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    void builtOnFirstUse_data()
    {
        QTest::addColumn<int>("mainRight");
        QTest::newRow("main bar right") << 1;
        QTest::newRow("main bar left") << 0;
    }
    void builtOnFirstUse()
    {
        QFETCH(int, mainRight);
        WriteProfileInt(QString(), QStringLiteral("MainRight"), mainRight);
        m_frame = std::make_unique<CMainFrame>();
        QVERIFY(m_frame->Create());
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QVERIFY(!m_frame->findChild<CSearchDialogBar*>());

        m_frame->OnToggleSearchBar();
        CSearchDialogBar* bar = m_frame->findChild<CSearchDialogBar*>();
        QVERIFY(bar);
        QCOMPARE(m_frame->GetSearchBar(), bar);
        QVERIFY(bar->isVisible());
        QVERIFY(bar->hasFocus() || bar->isAncestorOf(QApplication::focusWidget()));

        // Docked on the side the main bar leaves free, beside the panel and
        // the canvas, none of them overlapping.
        const QRect search = bar->geometry();
        const QRect main = m_frame->GetMainBar()->geometry();
        QCOMPARE(search.height(), m_frame->height());
        if (mainRight)
            QCOMPARE(search.left(), 0);
        else
            QCOMPARE(search.right(), m_frame->width() - 1);
        for (QWidget* other : {static_cast<QWidget*>(m_frame->GetMainBar()),
                               static_cast<QWidget*>(m_frame->GetPanelBar()),
                               static_cast<QWidget*>(m_frame->GetView())})
            QVERIFY2(!search.intersects(other->geometry()), other->metaObject()->className());
        QVERIFY(!main.intersects(search));

        // Stacked between the main bar and the panel, as built in that order.
        const QObjectList children = m_frame->children();
        QVERIFY(children.indexOf(m_frame->GetMainBar()) < children.indexOf(bar));
        QVERIFY(children.indexOf(bar) < children.indexOf(m_frame->GetPanelBar()));

        // Tab reaches each child's controls together, the search bar's right
        // after the main bar's.
        QList<QWidget*> order;
        QWidget* w = m_frame.get();
        do {
            w = w->nextInFocusChain();
            QWidget* child = ChildOf(w);
            if (child && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() &&
                (order.isEmpty() || order.constLast() != child))
                order << child;
        } while (w != m_frame.get());
        if (order.size() > 1 && order.constFirst() == order.constLast())
            order.removeLast(); // the chain is a ring
        QCOMPARE(order.count(bar), 1);
        QCOMPARE(order.count(m_frame->GetMainBar()), 1);
        QCOMPARE(order.indexOf(bar), order.indexOf(m_frame->GetMainBar()) + 1);

        m_frame->OnToggleSearchBar();
        QVERIFY(!bar->isVisible());
        QCOMPARE(m_frame->findChildren<CSearchDialogBar*>().size(), 1);
        QCOMPARE(m_frame->GetView()->width() + main.width(), m_frame->width());
    }

    // The options dialog repaints the search bar's list after clearing
    // modes; with no search bar built yet there is nothing to repaint.
    void modesClearedBeforeTheBarIsBuilt()
    {
        m_frame = std::make_unique<CMainFrame>();
        QVERIFY(m_frame->Create());
        m_frame->show();
        {
            ModalAnswerer<COptionDialog> answer([](COptionDialog* dialog) {
                emit dialog->ModesCleared();
                dialog->reject();
            });
            m_frame->OnOptions();
        }
        QVERIFY(!m_frame->findChild<CSearchDialogBar*>());
        m_frame->OnToggleSearchBar();
        QVERIFY(m_frame->GetSearchBar()->isVisible());
    }
};

QTEST_MAIN(TestSearchBarCreation)
#include "tst_searchbarcreation.moc"

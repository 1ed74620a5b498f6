#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/ModalAnswerer.h"
#include "common/StudyData.h"
#include "common/TestEnv.h"
#include "dialogs/CActionDialog.h"
#include "dialogs/CModeSelectDialog.h"
#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CMainFrame.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "widgets/ItemActionRunner.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

CDictionary* Dic()
{
    return CDictionary::GetInstance();
}

} // namespace

// The action and mode-selection dialogs and the item actions.
class TestDialogs : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWordLists> m_lists;
    std::unique_ptr<MessageRecorder> m_messages;

private slots:
    void initTestCase()
    {
        m_lists = std::make_shared<FakeWordLists>();
        QStringList items;
        for (int i = 0; i < 8; ++i)
            items << QStringLiteral("語%1\tご%1").arg(i);
        for (int id = 501; id <= 506; ++id)
            m_lists->m_lists.insert(
                id, FakeWordLists::MakeList(id == 501 ? items
                                                      : QStringList{QStringLiteral("山\tやま")}));
        CDictionary::SetWordListSource(m_lists);
        m_messages = std::make_unique<MessageRecorder>();
    }
    void init()
    {
        StudyData::Fresh();
        Dic()->EnsureLoaded();
    }
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    void comboTexts()
    {
        const QStringList texts = GetItemActionTexts();
        QCOMPARE(texts.size(), kItemActionCount);
        QCOMPARE(texts.at(AskEachTime), QStringLiteral("その場で動作選択"));
        QCOMPARE(texts.at(SetLearned), QStringLiteral("「覚えた」\u3000に変更"));
        QCOMPARE(texts.at(CycleMode), QStringLiteral("モード順次変更"));
    }

    void actionDialogButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("caption");
        QTest::newRow("dictation")
            << int(kIdStartDictation) << int(StartDictation) << QStringLiteral("書き取りを開始");
        QTest::newRow("web") << int(kIdWebSearch) << int(WebSearch)
                             << QStringLiteral("語句をネット検索");
        QTest::newRow("known") << int(kIdModeFirst) << int(SetKnown)
                               << QStringLiteral("「知ってる」に変更");
        QTest::newRow("learned") << kIdModeFirst + 1 << int(SetLearned)
                                 << QStringLiteral("「覚えた」に変更");
        QTest::newRow("learning") << kIdModeFirst + 2 << int(SetLearning)
                                  << QStringLiteral("「覚えたい」に変更");
        QTest::newRow("no learn") << kIdModeFirst + 3 << int(SetNoLearn)
                                  << QStringLiteral("「覚えない」に変更");
        QTest::newRow("unspec") << kIdModeFirst + 4 << int(SetUnspec)
                                << QStringLiteral("「指定なし」に変更");
    }
    void actionDialogButtons()
    {
        QFETCH(int, button);
        QFETCH(int, action);
        QFETCH(QString, caption);
        QWidget owner;
        owner.show();
        QString focused;
        QString text;
        ModalAnswerer<CActionDialog> answerer([&](CActionDialog* dialog) {
            focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
            auto* target = dialog->findChild<QPushButton*>(QString::number(button));
            text = target->text();
            QTest::mouseClick(target, Qt::LeftButton);
        });
        QCOMPARE(AskForItemAction(&owner, 0), action);
        QCOMPARE(focused, QString::number(kIdStartDictation));
        QCOMPARE(text, caption);
    }

    // The dialog says which item it acts on, above its buttons.
    void actionDialogNamesItsItem()
    {
        QWidget owner;
        owner.show();
        const CDictionary::CItem* item = Dic()->GetItem(1);
        QString subject;
        bool above = false;
        ModalAnswerer<CActionDialog> answerer([&](CActionDialog* dialog) {
            const auto* label = dialog->findChild<QLabel*>(QStringLiteral("subject"));
            const auto* first = dialog->findChild<QPushButton*>(QString::number(kIdStartDictation));
            subject = label && label->isVisible() ? label->text() : QString();
            above = label && label->geometry().bottom() < first->geometry().top();
            dialog->reject();
        });
        QCOMPARE(AskForItemAction(&owner, 1), int(AskEachTime));
        QVERIFY2(subject.contains(item->GetWord()), qPrintable(subject));
        QVERIFY2(subject.contains(item->GetReading()), qPrintable(subject));
        QVERIFY(above);
    }

    void actionDialogClosed()
    {
        QWidget owner;
        owner.show();
        // Where the key goes: to the focused button, as the keyboard sends it.
        ModalAnswerer<CActionDialog> answerer([](CActionDialog* dialog) {
            QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Escape);
        });
        QCOMPARE(AskForItemAction(&owner, 0), int(AskEachTime));
        // And the answer carries out nothing.
        qint16 cached = -1;
        const int mode = Dic()->GetItem(0)->m_nMode;
        QVERIFY(!CarryOutItemAction(AskEachTime, 0, cached, &owner, {}));
        QCOMPARE(int(Dic()->GetItem(0)->m_nMode), mode);
    }

    void modeSelectDialog_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("mode");
        QTest::newRow("known") << int(kIdModeFirst) << int(Known);
        QTest::newRow("learned") << kIdModeFirst + 1 << int(Learned);
        QTest::newRow("learning") << kIdModeFirst + 2 << int(Learning);
        QTest::newRow("no learn") << kIdModeFirst + 3 << int(NoLearn);
        QTest::newRow("left unspecified") << kIdModeFirst + 4 << int(Unspec);
    }
    void modeSelectDialog()
    {
        QFETCH(int, button);
        QFETCH(int, mode);
        CModeSelectDialog dialog(nullptr);
        bool allChecked = false;
        QString focused;
        ModalAnswerer<CModeSelectDialog> answerer([&](CModeSelectDialog* shown) {
            allChecked = true;
            for (const CModeButton* b : shown->m_btnMode)
                allChecked = allChecked && b->m_bChecked && !b->m_bmpOn.isNull();
            focused = shown->focusWidget() ? shown->focusWidget()->objectName() : QString();
            QTest::mouseClick(shown->findChild<QPushButton*>(QString::number(button)),
                              Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_nMode, mode);
        QVERIFY(allChecked);
        QCOMPARE(focused, QString::number(kIdModeFirst));
        QVERIFY(!dialog.IsResizable());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("どのモードにしますか？"));
    }

    // The question stands in the dialog too, above the buttons: a title this
    // long is cut short by some window managers.
    void modeSelectDialogAsksInside()
    {
        CModeSelectDialog dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QLabel* question = nullptr;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->isVisible() && label->text() == QStringLiteral("どのモードにしますか？"))
                question = label;
        }
        QVERIFY(question);
        QVERIFY(question->geometry().bottom() < dialog.m_btnMode[0]->geometry().top());
        QVERIFY(question->width() >= question->sizeHint().width());
        dialog.reject();
    }

    void modeActions_data()
    {
        QTest::addColumn<int>("startMode");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("endMode");
        QTest::addColumn<bool>("averageCount"); // else the count is kept
        QTest::newRow("set known") << int(Unspec) << int(SetKnown) << true << int(Known) << false;
        QTest::newRow("already known")
            << int(Known) << int(SetKnown) << false << int(Known) << false;
        QTest::newRow("set learning")
            << int(Known) << int(SetLearning) << true << int(Learning) << false;
        QTest::newRow("set unspec")
            << int(Learned) << int(SetUnspec) << true << int(Unspec) << true;
        QTest::newRow("cycle unspec")
            << int(Unspec) << int(CycleMode) << true << int(Known) << false;
        QTest::newRow("cycle known")
            << int(Known) << int(CycleMode) << true << int(Learned) << false;
        QTest::newRow("cycle learned")
            << int(Learned) << int(CycleMode) << true << int(Learning) << false;
        QTest::newRow("cycle learning")
            << int(Learning) << int(CycleMode) << true << int(NoLearn) << false;
        QTest::newRow("cycle no learn")
            << int(NoLearn) << int(CycleMode) << true << int(Unspec) << true;
        QTest::newRow("cycle invalid mode") << 7 << int(CycleMode) << false << 7 << false;
        QTest::newRow("dictation is the owner's")
            << int(Unspec) << int(StartDictation) << false << int(Unspec) << false;
        QTest::newRow("unknown code") << int(Unspec) << 9 << false << int(Unspec) << false;
    }
    void modeActions()
    {
        QFETCH(int, startMode);
        QFETCH(int, action);
        QFETCH(bool, changed);
        QFETCH(int, endMode);
        QFETCH(bool, averageCount);
        // Items 1 to 3 are Unspec with ask counts 4, 6 and 8: average 6.
        for (int i = 1; i <= 3; ++i)
            Dic()->GetItem(i)->m_nAskCount = qint16(2 + 2 * i);
        for (int i = 4; i < Dic()->GetTotalItemCount(); ++i)
            Dic()->GetItem(i)->m_nMode = Known;
        CDictionary::CItem* item = Dic()->GetItem(0);
        item->m_nMode = qint16(startMode);
        item->m_nAskCount = 20;
        item->m_bDirty = 0;
        qint16 cached = -1;
        int repaints = 0;
        QCOMPARE(CarryOutItemAction(action, 0, cached, nullptr, [&repaints] { ++repaints; }),
                 changed);
        QCOMPARE(int(item->m_nMode), endMode);
        QCOMPARE(repaints, changed ? 1 : 0);
        QCOMPARE(bool(item->m_bDirty), changed);
        QCOMPARE(item->m_nAskCount, averageCount ? qint16(6) : qint16(20));
        QCOMPARE(cached, averageCount ? qint16(6) : qint16(-1));
    }

    void cachedAverageIsReused()
    {
        for (int i = 0; i < Dic()->GetTotalItemCount(); ++i) {
            Dic()->GetItem(i)->m_nMode = Known;
            Dic()->GetItem(i)->m_nAskCount = 0;
        }
        Dic()->GetItem(5)->m_nMode = Unspec;
        Dic()->GetItem(5)->m_nAskCount = 10;
        qint16 cached = -1;
        QVERIFY(CarryOutModeAction(SetUnspec, 0, cached, {}));
        QCOMPARE(Dic()->GetItem(0)->m_nAskCount, qint16(10));
        // The Unspec items change meanwhile; the owner keeps its value.
        Dic()->GetItem(5)->m_nAskCount = 30;
        QVERIFY(CarryOutModeAction(SetUnspec, 1, cached, {}));
        QCOMPARE(Dic()->GetItem(1)->m_nAskCount, qint16(10));
        qint16 fresh = -1;
        QVERIFY(CarryOutModeAction(SetUnspec, 2, fresh, {}));
        QVERIFY(fresh != 10);
    }

    void webSearchAction()
    {
        QStringList words;
        const WebSearchHandler previous =
            SetWebSearchHandler([&words](const QString& word, QWidget*) { words << word; });
        qint16 cached = -1;
        QVERIFY(CarryOutItemAction(WebSearch, 3, cached, nullptr, {}));
        QCOMPARE(words, QStringList{QStringLiteral("語3")});
        SetWebSearchHandler(previous);
    }

    void currentItemUpdatesTheBar()
    {
        CMainFrame frame;
        QVERIFY(frame.Create());
        frame.show();
        const int current = Dic()->GetCurrentHistoryItem();
        QVERIFY(current >= 0);
        CMainDialogBar* bar = frame.GetMainBar();
        const int other = (current + 1) % Dic()->GetTotalItemCount();
        const qint16 otherMode = Dic()->GetItem(other)->m_nMode;
        qint16 cached = -1;
        // What a list owner does with a change: tell the frame.
        int changes = 0;
        auto changeOf = [&](int index) {
            return [&frame, &changes, index] {
                ++changes;
                frame.GetSession().OnItemModeChanged(index);
            };
        };
        // Another item: the bar stays as it is.
        QVERIFY(CarryOutModeAction(otherMode == Learning ? SetKnown : SetLearning, other, cached,
                                   changeOf(other)));
        QCOMPARE(changes, 1);
        QCOMPARE(bar->GetCheckedModeButton(), kIdModeFirst + 4);
        // The current question's item: the bar follows at once.
        QVERIFY(CarryOutModeAction(SetNoLearn, current, cached, changeOf(current)));
        QCOMPARE(changes, 2);
        QCOMPARE(bar->GetCheckedModeButton(), kIdModeFirst + 3);
        // Already so: nothing changes, nothing is reported.
        bar->SelectModeButton(Unspec);
        QVERIFY(!CarryOutModeAction(SetNoLearn, current, cached, changeOf(current)));
        QCOMPARE(changes, 2);
        QCOMPARE(bar->GetCheckedModeButton(), kIdModeFirst + 4);
        bar->SelectModeButton(NoLearn);
        frame.close();
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

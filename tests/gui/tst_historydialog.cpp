#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/ModalAnswerer.h"
#include "common/TestEnv.h"
#include "dialogs/CHistoryDialog.h"
#include "mainwnd/CMainFrame.h"
#include "platform/DialogUnits.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ItemActions.h"
#include "widgets/CHistoryListBox.h"
#include "widgets/WebSearchOpener.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

// Items 0 to 9, "語N", with modes Unspec, Learned, Learning, NoLearn, Known
// repeating (7 is Learning); history [0, 1, 2, 3, 4, 2, 7] at position 3.
const QList<int> kHistory = {0, 1, 2, 3, 4, 2, 7};
constexpr int kCurrentPos = 3;

std::shared_ptr<FakeWordLists> MakeLists()
{
    auto lists = std::make_shared<FakeWordLists>();
    QStringList items;
    for (int i = 0; i < 10; ++i)
        items << QStringLiteral("語%1\tご%1").arg(i);
    lists->m_lists.insert(501, FakeWordLists::MakeList(items));
    for (int id = 502; id <= 506; ++id)
        lists->m_lists.insert(id, FakeWordLists::MakeList({}));
    return lists;
}

// Makes the item a leech: lapsed eight times.
void MakeLeech(int index)
{
    ReviewState state;
    state.m_dStability = 1;
    state.m_dDifficulty = 9;
    state.m_nReviews = 12;
    state.m_nLapses = 8;
    CDictionary::GetInstance()->m_reviews.Put(index, state, false);
}

} // namespace

class TestHistoryDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MessageRecorder> m_messages;
    QStringList m_urls;

    CDictionary* Dictionary() const { return CDictionary::GetInstance(); }
    // The history positions of the rows, top to bottom.
    static QList<int> RowKeys(const CHistoryDialog& dialog)
    {
        QList<int> keys;
        for (int r = 0; r < dialog.m_listHistory->count(); ++r)
            keys << dialog.m_listHistory->GetRowKey(r);
        return keys;
    }
    static int SelectedRow(const CHistoryDialog& dialog)
    {
        const auto selected = dialog.m_listHistory->selectedItems();
        return selected.isEmpty() ? -1 : dialog.m_listHistory->row(selected.first());
    }

private slots:
    void initTestCase()
    {
        m_messages = std::make_unique<MessageRecorder>();
        CDictionary::SetWordListSource(MakeLists());
        SetUrlOpener([this](const QString& url) {
            m_urls << url;
            return true;
        });
        InstallWebSearch();
    }
    void cleanupTestCase() { CDictionary::ResetInstanceForTesting(); }
    void init()
    {
        TestEnv::ClearSettings();
        m_urls.clear();
        CDictionary::ResetInstanceForTesting();
        CDictionary* dictionary = Dictionary();
        dictionary->EnsureLoaded();
        for (int i = 0; i < 10; ++i)
            dictionary->GetItem(i)->m_nMode = qint16(i % 5);
        for (int index : kHistory)
            dictionary->m_history.append(CDictionary::CHistInfo{index, 1});
        dictionary->m_nHistPos = kCurrentPos;
        dictionary->LoadHistoryFilter();
    }

    void filters_data()
    {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("selected");
        QTest::newRow("none: everything, newest first")
            << QStringList{} << QList<int>{6, 5, 4, 3, 2, 1, 0} << 3;
        QTest::newRow("覚えたい only, an item twice")
            << QStringList{QString::number(kIdFilterFirst + 2)} << QList<int>{6, 5, 2} << 0;
        QTest::newRow("覚えない shows the current row")
            << QStringList{QString::number(kIdFilterFirst + 3)} << QList<int>{3} << 0;
        QTest::newRow("知ってる and 指定なし")
            << QStringList{QString::number(kIdFilterFirst), QString::number(kIdFilterFirst + 4)}
            << QList<int>{4, 0} << 0;
        QTest::newRow("on and off again")
            << QStringList{QString::number(kIdFilterFirst + 1), QString::number(kIdFilterFirst + 1)}
            << QList<int>{6, 5, 4, 3, 2, 1, 0} << 3;
    }
    void filters()
    {
        QFETCH(QStringList, buttons);
        QFETCH(QList<int>, rows);
        QFETCH(int, selected);
        CHistoryDialog dialog(nullptr);
        for (const QString& name : buttons)
            QTest::mouseClick(dialog.findChild<CModeButton*>(name), Qt::LeftButton);
        QCOMPARE(RowKeys(dialog), rows);
        QCOMPARE(SelectedRow(dialog), selected);
        QCOMPARE(dialog.m_listHistory->m_nMarkerKey, kCurrentPos);
        // The filter is the study data's, kept in the settings.
        const QStringList names = {"HistViewKnown", "HistViewLearned", "HistViewLearning",
                                   "HistViewNoLearn", "HistViewUnspec"};
        const int flags[] = {Dictionary()->m_bViewKnown, Dictionary()->m_bViewLearned,
                             Dictionary()->m_bViewLearning, Dictionary()->m_bViewNoLearn,
                             Dictionary()->m_bViewUnspec};
        for (int k = 0; k < 5; ++k) {
            const int on = buttons.count(QString::number(kIdFilterFirst + k)) % 2;
            QCOMPARE(GetProfileInt(QString(), names.at(k), -1),
                     buttons.contains(QString::number(kIdFilterFirst + k)) ? on : -1);
            QCOMPARE(flags[k], on);
            QCOMPARE(int(dialog.m_btnMode[k]->m_bChecked), on);
        }
    }

    void leechFilter_data()
    {
        // 2 (覚えたい, asked twice) and 3 are leeches, 7 lapsed fewer times.
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<bool>("byKey"); // Alt+L rather than a click
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("leeches only") << QStringList{} << false << QList<int>{5, 3, 2};
        QTest::newRow("by its key") << QStringList{} << true << QList<int>{5, 3, 2};
        QTest::newRow("leeches among 覚えたい")
            << QStringList{QString::number(kIdFilterFirst + 2)} << false << QList<int>{5, 2};
        QTest::newRow("leeches among 知ってる")
            << QStringList{QString::number(kIdFilterFirst)} << false << QList<int>{};
    }
    void leechFilter()
    {
        QFETCH(QStringList, buttons);
        QFETCH(bool, byKey);
        QFETCH(QList<int>, rows);
        MakeLeech(2);
        MakeLeech(3);
        ReviewState few;
        few.m_nReviews = 10;
        few.m_nLapses = 7;
        Dictionary()->m_reviews.Put(7, few, false);
        CHistoryDialog dialog(nullptr);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (const QString& name : buttons)
            QTest::mouseClick(dialog.findChild<CModeButton*>(name), Qt::LeftButton);
        auto* leeches = dialog.findChild<QCheckBox*>(QString::number(kIdLeechFilter));
        QVERIFY(leeches);
        // On the box itself: the row is wider than its caption.
        const QPoint box(leeches->height() / 2, leeches->height() / 2);
        if (byKey)
            QTest::keyClick(&dialog, Qt::Key_L, Qt::AltModifier);
        else
            QTest::mouseClick(leeches, Qt::LeftButton, {}, box);
        QTRY_VERIFY(leeches->isChecked()); // a key clicks after a moment
        QCOMPARE(RowKeys(dialog), rows);
        // Off again: the mode filters alone.
        QTest::mouseClick(leeches, Qt::LeftButton, {}, box);
        QVERIFY(!leeches->isChecked());
        QList<int> positions;
        Dictionary()->GetFilteredHistory(positions);
        std::reverse(positions.begin(), positions.end());
        QCOMPARE(RowKeys(dialog), positions);
    }

    void buttonsShowTheStoredFilter()
    {
        WriteProfileInt(QString(), QStringLiteral("HistViewNoLearn"), 1);
        Dictionary()->LoadHistoryFilter();
        CHistoryDialog dialog(nullptr);
        QVERIFY(dialog.m_btnMode[3]->m_bChecked);
        QVERIFY(!dialog.m_btnMode[0]->m_bChecked);
        QCOMPARE(RowKeys(dialog), QList<int>{3});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("出題履歴"));
        QVERIFY(!dialog.windowIcon().isNull());
    }

    void startDictation_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("shown"); // -1: nothing shown
        QTest::newRow("current row only closes") << 3 << kCurrentPos << -1;
        QTest::newRow("newest row") << 0 << 6 << 7;
        QTest::newRow("oldest row") << 6 << 0 << 0;
    }
    void startDictation()
    {
        QFETCH(int, row);
        QFETCH(int, position);
        QFETCH(int, shown);
        CHistoryDialog dialog(nullptr);
        dialog.m_comboAction->setCurrentIndex(StartDictation);
        dialog.m_listHistory->setCurrentRow(row);
        QSignalSpy show(&dialog, &CHistoryDialog::ShowQuestionRequested);
        dialog.show();
        dialog.Execute();
        QCOMPARE(Dictionary()->m_nHistPos, position);
        QCOMPARE(show.count(), shown < 0 ? 0 : 1);
        if (shown >= 0) {
            QCOMPARE(show.at(0).at(0).toInt(), shown);
            QCOMPARE(show.at(0).at(1).toBool(), false);
        }
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void spaceAndDoubleClickExecute_data()
    {
        QTest::addColumn<int>("key"); // 0: double click
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("Enter through the default button") << int(Qt::Key_Return);
        QTest::newRow("double click") << 0;
    }
    void spaceAndDoubleClickExecute()
    {
        QFETCH(int, key);
        CHistoryDialog dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.m_comboAction->setCurrentIndex(SetKnown);
        CHistoryListBox* list = dialog.m_listHistory;
        list->setCurrentRow(1); // position 5, item 2 (Learning)
        if (key) {
            QTest::keyClick(list, Qt::Key(key));
        } else {
            const QPoint centre = list->visualItemRect(list->item(1)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        }
        QCOMPARE(int(Dictionary()->GetItem(2)->m_nMode), int(Known));
        QVERIFY(dialog.isVisible());
    }

    void modeChangeKeepsTheRowUntilRefilled()
    {
        CHistoryDialog dialog(nullptr);
        QTest::mouseClick(dialog.findChild<CModeButton*>(QString::number(kIdFilterFirst + 2)),
                          Qt::LeftButton);
        QCOMPARE(RowKeys(dialog), (QList<int>{6, 5, 2}));
        dialog.m_comboAction->setCurrentIndex(CycleMode); // Learning -> NoLearn
        dialog.m_listHistory->setCurrentRow(1);
        dialog.Execute();
        QCOMPARE(int(Dictionary()->GetItem(2)->m_nMode), int(NoLearn));
        QCOMPARE(RowKeys(dialog), (QList<int>{6, 5, 2}));
        dialog.FillList();
        QCOMPARE(RowKeys(dialog), QList<int>{6});
    }

    void webSearchKeepsTheDialogOpen()
    {
        CHistoryDialog dialog(nullptr);
        dialog.show();
        dialog.m_comboAction->setCurrentIndex(WebSearch);
        dialog.m_listHistory->setCurrentRow(0); // item 7
        dialog.Execute();
        QCOMPARE(m_urls, QStringList{QStringLiteral("https://www.google.com/search?q=%e8%aa%9e7")});
        QVERIFY(dialog.isVisible());
    }

    void actionChoiceIsStored()
    {
        {
            CHistoryDialog dialog(nullptr);
            QCOMPARE(dialog.m_comboAction->currentIndex(), 0);
            dialog.m_comboAction->setFocus();
            QTest::keyClick(dialog.m_comboAction, Qt::Key_Down);
            QCOMPARE(GetProfileInt(QString(), QStringLiteral("HistoryAction"), -1), 1);
        }
        CHistoryDialog again(nullptr);
        QCOMPARE(again.m_comboAction->currentIndex(), 1);
        WriteProfileInt(QString(), QStringLiteral("HistoryAction"), -3);
        CHistoryDialog outside(nullptr);
        QCOMPARE(outside.m_comboAction->currentIndex(), -1);
        outside.m_listHistory->setCurrentRow(0);
        outside.show();
        outside.Execute();
        QVERIFY(outside.isVisible());
    }

    void emptyHistoryListsNothing()
    {
        Dictionary()->ClearHistory();
        CHistoryDialog dialog(nullptr);
        QCOMPARE(dialog.m_listHistory->count(), 0);
        dialog.m_comboAction->setCurrentIndex(StartDictation);
        QSignalSpy show(&dialog, &CHistoryDialog::ShowQuestionRequested);
        dialog.show();
        dialog.Execute();
        QVERIFY(dialog.isVisible());
        QCOMPARE(show.count(), 0);
    }

    void sizeIsKeptAndBounded()
    {
        QSize closedAt;
        {
            CHistoryDialog dialog(nullptr);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            const QRect units = MapDialogRect(&dialog, QRect(0, 0, 100, 100));
            QCOMPARE(dialog.minimumSize(),
                     QSize(192 * units.width() / 100, 84 * units.height() / 100));
            dialog.resize(10, 10);
            QCOMPARE(dialog.size(), dialog.minimumSize());
            dialog.resize(520, 610);
            // The layout keeps the list 6 units from the sides, 40 from the top
            // (below the filters) and 30 from the bottom.
            QCOMPARE(dialog.m_listHistory->geometry(),
                     QRect(6 * units.width() / 100, 40 * units.height() / 100,
                           520 - 12 * units.width() / 100, 610 - 70 * units.height() / 100));
            closedAt = dialog.frameGeometry().size();
            dialog.reject();
        }
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("HWinWidth"), 0), closedAt.width());
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("HWinHeight"), 0), closedAt.height());
        CHistoryDialog again(nullptr);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.frameGeometry().size(), closedAt);
    }

    void frameOpensTheDialogAndShowsTheChosenQuestion()
    {
        CMainFrame frame;
        QVERIFY(frame.Create()); // asks a new question: position 7
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        ModalAnswerer<CHistoryDialog> answerer([](CHistoryDialog* dialog) {
            dialog->m_comboAction->setCurrentIndex(StartDictation);
            dialog->m_listHistory->setCurrentRow(dialog->m_listHistory->count() - 1); // oldest
            dialog->Execute();
        });
        frame.GetSession().OpenHistory();
        QCOMPARE(answerer.Seen(), 1);
        QCOMPARE(Dictionary()->m_nHistPos, 0);
        QCOMPARE(frame.GetSession().CurrentItem(), Dictionary()->GetItem(0));
    }
};

QTEST_MAIN(TestHistoryDialog)
#include "tst_historydialog.moc"

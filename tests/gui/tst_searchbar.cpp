#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/ModalAnswerer.h"
#include "common/TestEnv.h"
#include "dialogs/CActionDialog.h"
#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CMainFrame.h"
#include "platform/DialogUnits.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/ItemActions.h"
#include "widgets/CSearchDialogBar.h"
#include "widgets/CSearchListBox.h"
#include "widgets/WebSearchOpener.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// Global indices 0 to 9 of the small lists.
const QStringList kWords = {
    QStringLiteral("漢字\tかんじ"),           // 0
    QStringLiteral("感心\tかんしん"),         // 1
    QStringLiteral("蚊\tか"),                 // 2
    QStringLiteral("遁走する\tとんそうする"), // 3
    QStringLiteral("本当\tほんとう"),         // 4
    QStringLiteral("日本\tにほん"),           // 5
    QStringLiteral("愛敬(愛嬌)\tあいきょう"), // 6
    QStringLiteral("火山\tかざん"),           // 7
    QStringLiteral("本\tもと"),               // 8: only the word holds 本
    QStringLiteral("簡単\tかんたん"),         // 9
};

std::shared_ptr<FakeWordLists> MakeLists(const QStringList& first, const QStringList& second = {})
{
    auto lists = std::make_shared<FakeWordLists>();
    lists->m_lists.insert(501, FakeWordLists::MakeList(first));
    lists->m_lists.insert(502, FakeWordLists::MakeList(second));
    for (int id = 503; id <= 506; ++id)
        lists->m_lists.insert(id, FakeWordLists::MakeList({}));
    return lists;
}

// count items "課N" read "かN".
QStringList ManyKa(int count)
{
    QStringList items;
    for (int i = 0; i < count; ++i)
        items << QStringLiteral("課%1\tか%1").arg(i);
    return items;
}

CDictionary::CItem* Item(int index)
{
    return CDictionary::GetInstance()->GetItem(index);
}

} // namespace

class TestSearchBar : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<CSearchDialogBar> m_bar;
    QStringList m_urls;
    UrlOpener m_previousOpener;

    void UseLists(const QStringList& first, const QStringList& second = {})
    {
        m_bar.reset();
        CDictionary::ResetInstanceForTesting();
        CDictionary::SetWordListSource(MakeLists(first, second));
        m_bar = std::make_unique<CSearchDialogBar>();
        m_bar->SetActionAsker(&AskForItemAction); // as the frame does
        m_bar->InitBar();
        m_bar->resize(m_bar->sizeHint());
        m_bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_bar.get()));
    }
    QLineEdit* Edit() const { return m_bar->findChild<QLineEdit*>(QString::number(kIdSearchText)); }
    QString Status() const
    {
        return m_bar->findChild<QLabel*>(QString::number(kIdSearchStatus))->text();
    }
    QStringList Rows() const
    {
        QStringList rows;
        for (int r = 0; r < m_bar->m_wndList->count(); ++r)
            rows << m_bar->m_wndList->item(r)->text();
        return rows;
    }
    // Types the text as keystrokes, then lets the timer fire.
    void Search(const QString& keys)
    {
        QTest::keyClicks(Edit(), keys);
        QVERIFY(m_bar->SearchTimer().isActive());
        m_bar->OnTimer();
    }
    void SelectRow(int row)
    {
        m_bar->m_wndList->setCurrentRow(row);
        QVERIFY(m_bar->m_wndList->item(row)->isSelected());
    }
    void ChooseAction(int action) { m_bar->m_wndAction->setCurrentIndex(action); }

private slots:
    void initTestCase()
    {
        m_messages = std::make_unique<MessageRecorder>();
        m_previousOpener = SetUrlOpener([this](const QString& url) {
            m_urls << url;
            return true;
        });
        InstallWebSearch();
    }
    void cleanupTestCase()
    {
        m_bar.reset();
        SetUrlOpener(std::move(m_previousOpener));
        CDictionary::ResetInstanceForTesting();
    }
    void init()
    {
        TestEnv::ClearSettings();
        QDir(TestEnv::Instance().DataFolder()).removeRecursively();
        m_messages->Clear();
        m_urls.clear();
        UseLists(kWords);
    }

    void romajiStartsTheTimerOnlyWhenTheKanaChange()
    {
        QTest::keyClick(Edit(), Qt::Key_K);
        QCOMPARE(m_bar->Search().Query(), QString());
        QVERIFY(!m_bar->SearchTimer().isActive());

        QTest::keyClick(Edit(), Qt::Key_A);
        QCOMPARE(m_bar->Search().Query(), QStringLiteral("か"));
        QVERIFY(m_bar->SearchTimer().isActive());
        QCOMPARE(m_bar->SearchTimer().interval(), 1000);
        m_bar->OnTimer();
        QVERIFY(!m_bar->SearchTimer().isActive());
        QCOMPARE(m_bar->Search().LastQuery(), QStringLiteral("か"));

        QTest::keyClick(Edit(), Qt::Key_N);
        QCOMPARE(m_bar->Search().Query(), QStringLiteral("か"));
        QVERIFY(!m_bar->SearchTimer().isActive());

        QTest::keyClick(Edit(), Qt::Key_J);
        QCOMPARE(m_bar->Search().Query(), QStringLiteral("かん"));
        QVERIFY(m_bar->SearchTimer().isActive());
    }

    void eachChangeBeforeTheSearchRestartsTheInterval()
    {
        QTest::keyClicks(Edit(), QStringLiteral("ka"));
        QVERIFY(m_bar->SearchTimer().isActive());
        QTest::qWait(100);
        const int before = m_bar->SearchTimer().remainingTime();
        QTest::keyClicks(Edit(), QStringLiteral("nji"));
        QVERIFY(m_bar->SearchTimer().isActive());
        QVERIFY2(m_bar->SearchTimer().remainingTime() > before + 50,
                 "the interval starts again at the last keystroke");
        m_bar->OnTimer();
        QCOMPARE(Rows(), QStringList{QStringLiteral("漢字")});
    }

    void fiveHundredResultsForceAFullSearch()
    {
        UseLists(ManyKa(600));
        Search(QStringLiteral("ka"));
        QCOMPARE(m_bar->Search().Results().size(), 500);
        QCOMPARE(Status(), QStringLiteral("検索結果が多すぎます (500個まで表示)"));
        QCOMPARE(m_bar->m_wndList->count(), 500);

        // Narrowing would only keep 課5 and 課50 to 課59 from the first 500.
        Search(QStringLiteral("5"));
        QCOMPARE(m_bar->Search().Results().size(), 111);
        QCOMPARE(Status(), QStringLiteral("111 個見つかりました"));
        QVERIFY(m_bar->Search().Results().contains(599));
    }

    void filterToggles_data()
    {
        QTest::addColumn<QList<int>>("commands");
        QTest::addColumn<int>("fullSearch");
        QTest::addColumn<bool>("timer");
        QTest::newRow("first filter on narrows") << QList<int>{kCmdSearchFilterKnown} << 0 << true;
        QTest::newRow("second filter on searches all")
            << QList<int>{kCmdSearchFilterKnown, kCmdSearchFilterKnown + 1} << 1 << true;
        QTest::newRow("one of two off narrows")
            << QList<int>{kCmdSearchFilterKnown, kCmdSearchFilterKnown + 1,
                          kCmdSearchFilterKnown + 1}
            << 0 << true;
        QTest::newRow("last filter off searches all")
            << QList<int>{kCmdSearchFilterKnown + 4, kCmdSearchFilterKnown + 4} << 1 << true;
        QTest::newRow("other ids do nothing")
            << QList<int>{kCmdSwapSides, kCmdSearchAction} << 1 << false;
    }
    void filterToggles()
    {
        QFETCH(QList<int>, commands);
        QFETCH(int, fullSearch);
        QFETCH(bool, timer);
        for (int id : commands)
            m_bar->ToggleModeFilter(id);
        QCOMPARE(int(m_bar->Search().FullSearchNext()), fullSearch);
        QCOMPARE(m_bar->SearchTimer().isActive(), timer);
    }

    void filterButtonsFlipTheirFilter_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("mode");
        QTest::newRow("知ってる") << QString::number(kIdFilterFirst) << int(Known);
        QTest::newRow("覚えた") << QString::number(kIdFilterFirst + 1) << int(Learned);
        QTest::newRow("覚えたい") << QString::number(kIdFilterFirst + 2) << int(Learning);
        QTest::newRow("覚えない") << QString::number(kIdFilterFirst + 3) << int(NoLearn);
        QTest::newRow("指定なし") << QString::number(kIdFilterFirst + 4) << int(Unspec);
    }
    void filterButtonsFlipTheirFilter()
    {
        QFETCH(QString, button);
        QFETCH(int, mode);
        for (int i = 0; i < 10; ++i)
            Item(i)->m_nMode = qint16(i % 5);
        auto* modeButton = m_bar->findChild<CModeButton*>(button);
        QVERIFY(modeButton);
        QTest::mouseClick(modeButton, Qt::LeftButton);
        QVERIFY(modeButton->m_bChecked);
        m_bar->OnTimer();
        QCOMPARE(m_bar->Search().Results().size(), 2);
        for (int index : std::as_const(m_bar->Search().Results()))
            QCOMPARE(int(Item(index)->m_nMode), mode);

        QTest::mouseClick(modeButton, Qt::LeftButton);
        QVERIFY(!modeButton->m_bChecked);
        m_bar->OnTimer();
        QVERIFY(m_bar->Search().Results().isEmpty());
        QCOMPARE(Status(), QString());
        QCOMPARE(m_bar->m_wndList->count(), 0);
    }

    void statusTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("status");
        QTest::newRow("kana") << QStringLiteral("honn")
                              << QStringList{QStringLiteral("日本"), QStringLiteral("本当")}
                              << QStringLiteral("2 個見つかりました");
        QTest::newRow("kanji only in the word")
            << QStringLiteral("本")
            << QStringList{QStringLiteral("日本"), QStringLiteral("本当"), QStringLiteral("本")}
            << QStringLiteral("3 個見つかりました");
        QTest::newRow("nothing") << QStringLiteral("zuzu") << QStringList{}
                                 << QStringLiteral("見つかりませんでした");
        QTest::newRow("one") << QStringLiteral("愛嬌") << QStringList{QStringLiteral("愛敬(愛嬌)")}
                             << QStringLiteral("1 個見つかりました");
    }
    void statusTexts()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        QFETCH(QString, status);
        Edit()->setText(text);
        QVERIFY(m_bar->SearchTimer().isActive());
        m_bar->OnTimer();
        QCOMPARE(Rows(), rows);
        QCOMPARE(Status(), status);
        for (int r = 0; r < rows.size(); ++r)
            QCOMPARE(Item(m_bar->m_wndList->GetRowItem(r))->GetWord(), rows.at(r));
    }

    void executeFromEveryEntryPoint_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("double click") << QStringLiteral("dblclick");
        QTest::newRow("Enter") << QStringLiteral("enter");
        QTest::newRow("Space") << QStringLiteral("space");
        QTest::newRow("実行") << QStringLiteral("button");
        QTest::newRow("key G through the frame's command") << QStringLiteral("command");
    }
    void executeFromEveryEntryPoint()
    {
        QFETCH(QString, entry);
        Search(QStringLiteral("kann"));
        // かんしん sorts before かんじ: し is U+3057, じ U+3058.
        QCOMPARE(Rows(), (QStringList{QStringLiteral("感心"), QStringLiteral("漢字"),
                                      QStringLiteral("簡単")}));
        ChooseAction(SetNoLearn);
        SelectRow(1);
        CSearchListBox* list = m_bar->m_wndList;
        if (entry == u"dblclick") {
            const QPoint centre = list->visualItemRect(list->item(1)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        } else if (entry == u"enter") {
            QTest::keyClick(list, Qt::Key_Return);
        } else if (entry == u"space") {
            QTest::keyClick(list, Qt::Key_Space);
        } else if (entry == u"button") {
            QTest::mouseClick(m_bar->findChild<QPushButton*>(QString::number(kIdExecute)),
                              Qt::LeftButton);
        } else {
            m_bar->ExecuteAction(); // key G, run by the frame
        }
        QCOMPARE(int(Item(0)->m_nMode), int(NoLearn));
        QCOMPARE(int(Item(1)->m_nMode), int(Unspec));
        QCOMPARE(int(Item(9)->m_nMode), int(Unspec));
    }

    void executeNeedsARowAndAnAction()
    {
        Search(QStringLiteral("kann"));
        ChooseAction(SetKnown);
        m_bar->ExecuteAction(); // no row selected
        for (int i = 0; i < 10; ++i)
            QCOMPARE(int(Item(i)->m_nMode), int(Unspec));
        SelectRow(0);
        ChooseAction(-1);
        m_bar->ExecuteAction();
        QCOMPARE(int(Item(0)->m_nMode), int(Unspec));
    }

    void startDictationAppendsToTheHistory()
    {
        Search(QStringLiteral("honn"));
        ChooseAction(StartDictation);
        SelectRow(1); // 本当
        QSignalSpy show(m_bar.get(), &CSearchDialogBar::ShowQuestionRequested);
        const int before = CDictionary::GetInstance()->GetHistoryCount();
        m_bar->ExecuteAction();
        QCOMPARE(CDictionary::GetInstance()->GetHistoryCount(), before + 1);
        QCOMPARE(CDictionary::GetInstance()->GetCurrentHistoryItem(), 4);
        QCOMPARE(show.count(), 1);
        QCOMPARE(show.at(0).at(0).toInt(), 4);
        QCOMPARE(show.at(0).at(1).toBool(), true);
        QCOMPARE(Rows().size(), 2); // the results stay
    }

    void webSearchSendsTheWordWithItsParentheses()
    {
        Search(QStringLiteral("aikyou"));
        ChooseAction(WebSearch);
        SelectRow(0);
        m_bar->ExecuteAction();
        QCOMPARE(
            m_urls,
            QStringList{QStringLiteral(
                "https://www.google.com/search?q=%e6%84%9b%e6%95%ac%28%e6%84%9b%e5%ac%8c%29")});
    }

    void modeChangeKeepsTheRowUntilTheNextSearch()
    {
        m_bar->ToggleModeFilter(kCmdSearchFilterKnown + 4); // 指定なし
        m_bar->OnTimer();
        Search(QStringLiteral("kann"));
        QCOMPARE(Rows().size(), 3);
        ChooseAction(CycleMode);
        SelectRow(0);
        m_bar->ExecuteAction();
        QCOMPARE(int(Item(1)->m_nMode), int(Known));
        QCOMPARE(Rows().size(), 3);
        QVERIFY(Rows().contains(QStringLiteral("感心")));
        // The next search, after the filter went off and on again, drops it.
        m_bar->ToggleModeFilter(kCmdSearchFilterKnown + 4);
        m_bar->ToggleModeFilter(kCmdSearchFilterKnown + 4);
        m_bar->OnTimer();
        QCOMPARE(Rows(), (QStringList{QStringLiteral("漢字"), QStringLiteral("簡単")}));
    }

    void unspecActionsReuseTheCachedAverage()
    {
        for (int i = 0; i < 10; ++i)
            Item(i)->m_nAskCount = qint16(i == 5 ? 10 : 4);
        Item(0)->m_nMode = Known;
        Item(1)->m_nMode = Known;
        Search(QStringLiteral("kann"));
        ChooseAction(SetUnspec);
        SelectRow(0);
        m_bar->ExecuteAction();
        const qint16 first = Item(0)->m_nAskCount;
        QCOMPARE(m_bar->m_nUnspecAskCount, first);
        Item(5)->m_nAskCount = 30000; // the average of Unspec items moves
        SelectRow(1);
        m_bar->ExecuteAction();
        QCOMPARE(Item(1)->m_nAskCount, first);
    }

    void askEachTime_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("mode");
        QTest::newRow("closed") << QString() << int(Unspec);
        QTest::newRow("覚えた") << QString::number(kIdModeFirst + 1) << int(Learned);
        QTest::newRow("覚えない") << QString::number(kIdModeFirst + 3) << int(NoLearn);
    }
    void askEachTime()
    {
        QFETCH(QString, button);
        QFETCH(int, mode);
        Search(QStringLiteral("kann"));
        ChooseAction(AskEachTime);
        SelectRow(2);
        QString subject;
        ModalAnswerer<CActionDialog> answerer([&](CActionDialog* dialog) {
            if (const auto* label = dialog->findChild<QLabel*>(QStringLiteral("subject")))
                subject = label->text();
            if (button.isEmpty())
                dialog->reject();
            else
                dialog->findChild<QPushButton*>(button)->click();
        });
        m_bar->ExecuteAction();
        QCOMPARE(answerer.Seen(), 1);
        // The dialog names the row's item.
        QVERIFY2(subject.startsWith(Item(9)->GetWord()), qPrintable(subject));
        QCOMPARE(int(Item(9)->m_nMode), mode);
        QCOMPARE(CDictionary::GetInstance()->GetHistoryCount(), 0);
    }

    void actionChoiceIsStoredAtOnce()
    {
        // The nine item actions, then the three on the study data.
        QCOMPARE(m_bar->m_wndAction->count(), 12);
        QCOMPARE(m_bar->m_wndAction->currentIndex(), 0);
        m_bar->m_wndAction->setFocus();
        QTest::keyClick(m_bar->m_wndAction, Qt::Key_Down);
        QTest::keyClick(m_bar->m_wndAction, Qt::Key_Down);
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("SearchAction"), 0), 2);
        UseLists(kWords);
        QCOMPARE(m_bar->m_wndAction->currentIndex(), 2);
    }

    void storedActionOutsideTheTableSelectsNothing()
    {
        WriteProfileInt(QString(), QStringLiteral("SearchAction"), 12);
        UseLists(kWords);
        QCOMPARE(m_bar->m_wndAction->currentIndex(), -1);
        Search(QStringLiteral("kann"));
        SelectRow(0);
        m_bar->ExecuteAction();
        QCOMPARE(int(Item(0)->m_nMode), int(Unspec));
        QVERIFY(m_urls.isEmpty());
    }

    void findRowOfItem()
    {
        Search(QStringLiteral("kann"));
        QCOMPARE(m_bar->FindRowOfItem(1), 0);
        QCOMPARE(m_bar->FindRowOfItem(0), 1);
        QCOMPARE(m_bar->FindRowOfItem(9), 2);
        QCOMPARE(m_bar->FindRowOfItem(4), -1);
        QCOMPARE(m_bar->FindRowOfItem(-1), -1);
    }

    void leechesOnlyBox()
    {
        // 蚊 and 火山 are leeches: lapsed eight times.
        ReviewState leech;
        leech.m_nReviews = 8;
        leech.m_nLapses = 8;
        CDictionary::GetInstance()->EnsureLoaded();
        for (int index : {2, 7})
            CDictionary::GetInstance()->m_reviews.Put(index, leech, false);
        auto* box = m_bar->findChild<QCheckBox*>(QString::number(kIdLeechFilter));
        QVERIFY(box);
        Search(QStringLiteral("ka"));
        QCOMPARE(Rows().size(), 5);
        // Alt+L, the key the box shows.
        m_bar->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_bar.get()));
        QTest::keyClick(Edit(), Qt::Key_L, Qt::AltModifier);
        QTRY_VERIFY(box->isChecked()); // a key clicks after a moment
        QVERIFY(m_bar->SearchTimer().isActive());
        m_bar->OnTimer();
        QCOMPARE(Rows(), (QStringList{QStringLiteral("蚊"), QStringLiteral("火山")}));
        QCOMPARE(Status(), QStringLiteral("2 個見つかりました"));
        // With nothing typed it lists every leech.
        Edit()->clear();
        m_bar->OnTimer();
        QCOMPARE(Rows(), (QStringList{QStringLiteral("蚊"), QStringLiteral("火山")}));
        box->setChecked(false);
        m_bar->OnTimer();
        QVERIFY(Rows().isEmpty());
    }

    void layoutFollowsTheSize()
    {
        m_bar->resize(400, 600);
        const QRect units = MapDialogRect(m_bar.get(), QRect(0, 0, 100, 100));
        const int bx = units.width();
        const int by = units.height();
        QCOMPARE(m_bar->m_wndList->geometry(),
                 QRect(bx * 6 / 100, by * 82 / 100, 400 - bx * 12 / 100, 600 - by * 112 / 100));
        QCOMPARE(m_bar->m_wndAction->geometry().topLeft(),
                 QPoint(bx * 6 / 100, 600 - by * 21 / 100));
        QCOMPARE(m_bar->m_wndAction->width(), 400 - bx * 78 / 100);
        auto* execute = m_bar->findChild<QPushButton*>(QString::number(kIdExecute));
        QCOMPARE(execute->pos(), QPoint(400 - bx * 66 / 100, 600 - by * 24 / 100));
        // The edit box keeps its template place.
        QCOMPARE(Edit()->geometry(), MapDialogRect(m_bar.get(), QRect(6, 18, 180, 14)));
    }

    void focusGoesToTheEditBox()
    {
        m_bar->activateWindow();
        m_bar->setFocus();
        QTRY_VERIFY(Edit()->hasFocus());
    }

    void frameRunsTheBarsRequests()
    {
        m_bar.reset();
        auto frame = std::make_unique<CMainFrame>();
        QVERIFY(frame->Create());
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        CSearchDialogBar* bar = frame->GetSearchBar();
        QVERIFY(!bar->isVisibleTo(frame.get()));
        frame->OnToggleSearchBar();
        QVERIFY(bar->isVisibleTo(frame.get()));

        auto* edit = bar->findChild<QLineEdit*>(QString::number(kIdSearchText));
        edit->setText(QStringLiteral("honn"));
        bar->OnTimer();
        QCOMPARE(bar->m_wndList->count(), 2);
        bar->m_wndList->setCurrentRow(0);
        bar->m_wndAction->setCurrentIndex(StartDictation);
        QVERIFY(frame->OnCmdMsg(kCmdSearchAction));
        QVERIFY(frame->GetSession().CurrentItem());
        QCOMPARE(frame->GetSession().CurrentItem()->GetWord(), QStringLiteral("日本"));
        QCOMPARE(CDictionary::GetInstance()->GetCurrentHistoryItem(), 5);

        // The current item's mode changed in the list shows on the main bar.
        bar->m_wndAction->setCurrentIndex(SetLearning);
        bar->ExecuteAction();
        QCOMPARE(int(frame->GetMainBar()->GetCheckedMode()), int(Learning));

        // Ctrl+2 reaches the filter while the bar is visible.
        QVERIFY(frame->OnCmdMsg(kCmdSearchFilterKnown + 1));
        QVERIFY(bar->Search().Filter(1)); // 覚えた

        QTest::mouseClick(bar->findChild<QPushButton*>(QString::number(kIdCloseSearch)),
                          Qt::LeftButton);
        QVERIFY(!bar->isVisibleTo(frame.get()));
        // Hidden, the frame no longer passes the filter commands on.
        frame->OnCmdMsg(kCmdSearchFilterKnown + 1);
        QVERIFY(bar->Search().Filter(1)); // 覚えた
        frame.reset();
    }
};

QTEST_MAIN(TestSearchBar)
#include "tst_searchbar.moc"

#include "common/MessageRecorder.h"
#include "common/ModalAnswerer.h"
#include "common/StudyData.h"
#include "dialogs/CModeSelectDialog.h"
#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CPanelDialogBar.h"
#include "mainwnd/CStrokeOrderWindow.h"
#include "mainwnd/CWriteView.h"
#include "platform/DialogUnits.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "widgets/CModeButton.h"
#include "widgets/CSearchDialogBar.h"
#include "widgets/ItemActionRunner.h"

#include <QDir>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace {

const QString kSettings = QStringLiteral("Settings");

// The main bar's mode buttons, in button order.
constexpr int kKnownButton = kIdModeFirst;
constexpr int kLearnedButton = kIdModeFirst + 1;
constexpr int kLearningButton = kIdModeFirst + 2;
constexpr int kNoLearnButton = kIdModeFirst + 3;
constexpr int kUnspecButton = kIdModeFirst + 4;

CDictionary* Dic()
{
    return CDictionary::GetInstance();
}

// Answers the mode prompt with a button id, or 0 to close it.
void AnswerModePrompt(CModeSelectDialog* dialog, int answer)
{
    if (answer == 0)
        dialog->reject();
    else
        QTest::mouseClick(dialog->findChild<QPushButton*>(QString::number(answer)), Qt::LeftButton);
}

using ModePromptAnswerer = ModalAnswerer<CModeSelectDialog>;

// A frame whose dialog hooks report that they ran; the options dialog
// answers as the test asks.
class HookedFrame : public CMainFrame {
public:
    int m_nHistory = 0;
    int m_nOptions = 0;
    int m_nStudyState = 0;
    bool m_bFontChanged = false;
    bool m_bRedChanged = false;

protected:
    void RunHistoryDialog() override { ++m_nHistory; }
    bool RunOptionsDialog(bool& fontChanged, bool& redChanged) override
    {
        ++m_nOptions;
        fontChanged = m_bFontChanged;
        redChanged = m_bRedChanged;
        return true;
    }
    void RunStudyStateDialog() override { ++m_nStudyState; }
};

} // namespace

// The main window as the drill's screen: its keys, buttons and dialogs reach
// the session's steps, what the session shows reaches the bars, the panel and
// the sheet, and the children are laid out. The drill's own rules are the
// session's and are tested there (tst_drillsession).
class TestMainFrame : public QObject {
    Q_OBJECT

private:
    StudyData m_data;
    std::unique_ptr<CMainFrame> m_frame;

    void StartFrame(const QSize& size = QSize(900, 600), bool hooked = false)
    {
        if (hooked)
            m_frame = std::make_unique<HookedFrame>();
        else
            m_frame = std::make_unique<CMainFrame>();
        QVERIFY(m_frame->Create());
        m_frame->resize(size);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }
    // Closes without the mode prompt, which only some tests want to see.
    void CloseFrame()
    {
        WriteProfileInt(kSettings, QStringLiteral("NoUnspec"), 0);
        if (m_frame)
            m_frame->close();
        m_frame.reset();
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : m_frame.get(), key, modifiers);
    }
    CMainDialogBar* Bar() const { return m_frame->GetMainBar(); }
    QPushButton* Button(int id) const
    {
        return Bar()->findChild<QPushButton*>(QString::number(id));
    }
    int TodayShown() const { return Button(kIdTodayCount)->text().toInt(); }
    CDictionary::CItem* Current() const { return Dic()->GetItem(Dic()->GetCurrentHistoryItem()); }
    int CheckedButton() const
    {
        int checked = -1;
        for (int k = 0; k < 5; ++k)
            if (Bar()->m_btnMode[k]->m_bChecked)
                checked = (checked == -1) ? kIdModeFirst + k : -2;
        return checked;
    }
    void Stroke()
    {
        CWriteView* view = m_frame->GetView();
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
        QTest::mouseMove(view, QPoint(60, 60));
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(90, 60));
    }

private slots:
    void initTestCase()
    {
        m_data.Use({{QStringLiteral("遁走する\tとんそうする"), QStringLiteral("学校\tがっこう"),
                     QStringLiteral("漢字\tかんじ"), QStringLiteral("山川\tやまかわ")},
                    {QStringLiteral("花火\tはなび"), QStringLiteral("電車\tでんしゃ")},
                    {QStringLiteral("青空\tあおぞら")},
                    {QStringLiteral("手紙\tてがみ")},
                    {QStringLiteral("読書\tどくしょ")},
                    {QStringLiteral("海辺\tうみべ")}});
    }
    void init() { StudyData::Fresh(); }
    void cleanup()
    {
        CloseFrame();
        CDictionary::ResetInstanceForTesting();
    }

    void firstStartAsksANewQuestion()
    {
        MessageRecorder messages;
        StartFrame();
        QCOMPARE(Dic()->GetHistoryCount(), 1);
        QCOMPARE(Dic()->m_nHistPos, 0);
        CDictionary::CItem* item = Current();
        QVERIFY(item);
        QCOMPARE(m_frame->GetSession().CurrentItem(), item);
        QCOMPARE(m_frame->GetPanelBar()->m_strPanelText, item->GetQuestionText());
        QCOMPARE(Button(kIdAnswer)->text(), QStringLiteral("答え"));
        QCOMPARE(CheckedButton(), kUnspecButton);
        QVERIFY(!Button(kIdBack)->isEnabled());
        QCOMPARE(TodayShown(), 0);
        QCOMPARE(QApplication::focusWidget(), Button(kIdAnswer));
        QVERIFY(messages.Texts().isEmpty());
    }

    // Each of the inputs that count a dictation reaches the count, and the
    // bar shows it.
    void inputsThatCount_data()
    {
        QTest::addColumn<QString>("steps"); // A answer, S stroke, digits modes
        QTest::addColumn<int>("count");
        QTest::newRow("nothing") << QString() << 0;
        QTest::newRow("answer key") << QStringLiteral("A") << 1;
        QTest::newRow("stroke") << QStringLiteral("S") << 1;
        QTest::newRow("mode key") << QStringLiteral("3") << 1;
        QTest::newRow("answer twice") << QStringLiteral("AA") << 1;
    }
    void inputsThatCount()
    {
        QFETCH(QString, steps);
        QFETCH(int, count);
        StartFrame();
        for (const QChar step : steps) {
            if (step == QLatin1Char('A'))
                Press(Qt::Key_A);
            else if (step == QLatin1Char('S'))
                Stroke();
            else
                Press(Qt::Key(Qt::Key_0 + step.digitValue()));
        }
        QCOMPARE(TodayShown(), count);
        QCOMPARE(Dic()->GetTodayCount(), count);
        QCOMPARE(Dic()->IsCurrentAnswered(0), count);
    }

    // N and B reach the steps; the bar's mode buttons and "←戻る" follow
    // the question shown.
    void nextAndBackKeys()
    {
        StartFrame();
        const int first = Dic()->GetCurrentHistoryItem();
        Press(Qt::Key_3); // 覚えたい
        QCOMPARE(CheckedButton(), kLearningButton);
        Press(Qt::Key_N);
        QCOMPARE(Dic()->GetHistoryCount(), 2);
        QCOMPARE(CheckedButton(), kUnspecButton);
        QVERIFY(Button(kIdBack)->isEnabled());
        QCOMPARE(m_frame->GetPanelBar()->m_strPanelText, Current()->GetQuestionText());

        Press(Qt::Key_B);
        QCOMPARE(m_frame->GetSession().CurrentItem(), Dic()->GetItem(first));
        QCOMPARE(m_frame->GetPanelBar()->m_strPanelText, Dic()->GetItem(first)->GetQuestionText());
        QCOMPARE(CheckedButton(), kLearningButton);
        QVERIFY(!Button(kIdBack)->isEnabled());
    }

    // The answer button names what its next press shows, and the panel shows
    // the side the session turned to, in the direction the settings give.
    void answerCaption_data()
    {
        QTest::addColumn<int>("qaMode");
        QTest::addColumn<QString>("answerSide");
        QTest::newRow("reading asked") << 0 << QStringLiteral("読み");
        QTest::newRow("word asked") << 1 << QStringLiteral("漢字");
        QTest::newRow("other value acts as 0") << 2 << QStringLiteral("読み");
    }
    void answerCaption()
    {
        QFETCH(int, qaMode);
        QFETCH(QString, answerSide);
        WriteProfileInt(kSettings, QStringLiteral("QAMode"), qaMode);
        StartFrame();
        CDictionary::CItem* item = m_frame->GetSession().CurrentItem();
        QCOMPARE(m_frame->GetPanelBar()->m_strPanelText,
                 qaMode == 1 ? item->GetWord() : item->GetQuestionText());
        QCOMPARE(Button(kIdAnswer)->text(), QStringLiteral("答え"));
        Press(Qt::Key_A);
        QCOMPARE(Button(kIdAnswer)->text(), answerSide);
        QCOMPARE(m_frame->GetPanelBar()->m_strPanelText,
                 qaMode == 1 ? item->GetQuestionText() : item->GetWord());
        Press(Qt::Key_A);
        QCOMPARE(Button(kIdAnswer)->text(), QStringLiteral("答え"));
        // The stored red marking reaches the word side.
        WriteProfileInt(kSettings, QStringLiteral("HyogaiRed"), 1);
        Press(Qt::Key_A);
        if (qaMode == 1)
            Press(Qt::Key_A);
        QCOMPARE(m_frame->GetPanelBar()->m_strPanelText, item->GetAnswerMarkup());
    }

    void writingAndErasing()
    {
        StartFrame();
        const QColor ground(240, 230, 210);
        auto inked = [this, ground] {
            const QImage image = m_frame->GetView()->grab().toImage();
            for (int y = 20; y < 80; ++y)
                for (int x = 20; x < 100; ++x)
                    if (image.pixelColor(x, y) != ground)
                        return true;
            return false;
        };
        Stroke();
        QCOMPARE(TodayShown(), 1); // the first stroke counts the dictation
        QVERIFY(inked());
        Press(Qt::Key_A);
        QVERIFY(inked()); // the answer keeps the writing
        Press(Qt::Key_C);
        QVERIFY(!inked());
        Stroke();
        QTest::mouseClick(Button(kIdErase), Qt::LeftButton);
        QVERIFY(!inked());
        Stroke();
        Press(Qt::Key_N);
        QVERIFY(!inked()); // a new question wipes it
    }

    // The session's question reaches the mode prompt, which shows all five
    // modes in colour, and its answer reaches the session.
    void noUnspecPrompt_data()
    {
        QTest::addColumn<int>("answer"); // 0 cancel, else a button id
        QTest::addColumn<bool>("moves");
        QTest::addColumn<int>("mode");
        QTest::newRow("cancel stays") << 0 << false << int(Unspec);
        QTest::newRow("learned") << kLearnedButton << true << int(Learned);
    }
    void noUnspecPrompt()
    {
        QFETCH(int, answer);
        QFETCH(bool, moves);
        QFETCH(int, mode);
        WriteProfileInt(kSettings, QStringLiteral("NoUnspec"), 1);
        StartFrame();
        CDictionary::CItem* item = m_frame->GetSession().CurrentItem();
        {
            // Not answered yet: no prompt.
            auto unasked = ModePromptAnswerer::None();
            Press(Qt::Key_B);
        }
        Press(Qt::Key_A);
        QWidget* focus = QApplication::focusWidget();
        bool allChecked = false;
        ModePromptAnswerer answerer([&](CModeSelectDialog* dialog) {
            allChecked = std::all_of(dialog->m_btnMode.begin(), dialog->m_btnMode.end(),
                                     [](const CModeButton* button) { return button->m_bChecked; });
            AnswerModePrompt(dialog, answer);
        });
        Press(Qt::Key_N);
        QCOMPARE(answerer.Seen(), 1);
        QVERIFY(allChecked);
        QTRY_COMPARE(QApplication::focusWidget(), focus);
        QCOMPARE(Dic()->GetHistoryCount(), moves ? 2 : 1);
        QCOMPARE(m_frame->GetSession().CurrentItem() == item, !moves);
        QCOMPARE(int(item->m_nMode), mode);
    }

    void noUnspecPromptOnEveryWayOut_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("next") << int(kIdNext);
        QTest::newRow("back") << int(kIdBack);
        QTest::newRow("history") << int(kIdHistory);
        QTest::newRow("close") << int(kIdExitButton);
    }
    void noUnspecPromptOnEveryWayOut()
    {
        QFETCH(int, button);
        WriteProfileInt(kSettings, QStringLiteral("NoUnspec"), 1);
        StartFrame();
        Press(Qt::Key_3);
        Press(Qt::Key_N); // a second question, so that "back" has somewhere to go
        Press(Qt::Key_A);
        ModePromptAnswerer answerer([](CModeSelectDialog* dialog) { dialog->reject(); });
        QTest::mouseClick(Button(button), Qt::LeftButton);
        QTRY_COMPARE(answerer.Seen(), 1);
        QVERIFY(m_frame->isVisible()); // cancelled: nothing happened
        QCOMPARE(Dic()->m_nHistPos, 1);
    }

    void filterIndicator()
    {
        WriteProfileInt(QString(), QStringLiteral("HistViewLearned"), 1);
        WriteProfileInt(QString(), QStringLiteral("HistViewNoLearn"), 1);
        StartFrame();
        const QImage image = Bar()->grab().toImage();
        auto centre = [&](int k) { return image.pixelColor(Bar()->GetFilterSquare(k).center()); };
        QCOMPARE(centre(1), QColor(180, 220, 253));
        QCOMPARE(centre(3), QColor(254, 178, 179));
        QCOMPARE(centre(0), Bar()->palette().color(QPalette::Window));
        QCOMPARE(centre(2), Bar()->palette().color(QPalette::Window));
        QVERIFY(Bar()->GetFilterSquare(4).bottom() < Button(kIdBack)->geometry().top());
    }

    void modeKeysAndArrows_data()
    {
        QTest::addColumn<int>("start"); // focused button
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<int>("focus");   // afterwards
        QTest::addColumn<int>("checked"); // afterwards
        QTest::newRow("tab leaves the group")
            << kUnspecButton << int(Qt::Key_Tab) << false << int(kIdWebSearch) << kUnspecButton;
        QTest::newRow("tab from a middle member")
            << kLearnedButton << int(Qt::Key_Tab) << false << int(kIdWebSearch) << kUnspecButton;
        QTest::newRow("shift tab leaves backwards") << kLearningButton << int(Qt::Key_Backtab)
                                                    << true << int(kIdExitButton) << kUnspecButton;
        QTest::newRow("shift tab enters at checked")
            << int(kIdWebSearch) << int(Qt::Key_Backtab) << true << kUnspecButton << kUnspecButton;
        QTest::newRow("tab wraps into group")
            << int(kIdExitButton) << int(Qt::Key_Tab) << false << kUnspecButton << kUnspecButton;
        QTest::newRow("tab between buttons")
            << int(kIdNext) << int(Qt::Key_Tab) << false << int(kIdAnswer) << kUnspecButton;
        QTest::newRow("right from last wraps")
            << kUnspecButton << int(Qt::Key_Right) << false << kKnownButton << kKnownButton;
        QTest::newRow("left from first wraps")
            << kKnownButton << int(Qt::Key_Left) << false << kUnspecButton << kUnspecButton;
        QTest::newRow("down moves on")
            << kLearnedButton << int(Qt::Key_Down) << false << kLearningButton << kLearningButton;
        QTest::newRow("up moves back")
            << kNoLearnButton << int(Qt::Key_Up) << false << kLearningButton << kLearningButton;
        QTest::newRow("left next to group swallowed")
            << int(kIdWebSearch) << int(Qt::Key_Left) << false << int(kIdWebSearch)
            << kUnspecButton;
    }
    void modeKeysAndArrows()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(int, focus);
        QFETCH(int, checked);
        StartFrame();
        Button(start)->setFocus();
        QCOMPARE(QApplication::focusWidget(), Button(start));
        Press(Qt::Key(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::number(focus));
        QCOMPARE(CheckedButton(), checked);
        QCOMPARE(TodayShown(), 0); // arrows neither count nor commit
        QCOMPARE(m_frame->GetSession().CurrentItem()->m_nMode, qint16(Unspec));
    }

    void arrowChoiceIsCommittedByNext()
    {
        StartFrame();
        CDictionary::CItem* item = m_frame->GetSession().CurrentItem();
        Button(kUnspecButton)->setFocus();
        Press(Qt::Key_Right);
        QCOMPARE(CheckedButton(), kKnownButton);
        QCOMPARE(item->m_nMode, qint16(Unspec));
        Press(Qt::Key_N);
        QCOMPARE(item->m_nMode, qint16(Known));
    }

    void modeButtonsCountAndSelect()
    {
        StartFrame();
        QTest::mouseClick(Button(kLearningButton), Qt::LeftButton);
        QCOMPARE(CheckedButton(), kLearningButton);
        QCOMPARE(TodayShown(), 1);
        QTest::mouseClick(Button(kNoLearnButton), Qt::LeftButton);
        QCOMPARE(CheckedButton(), kNoLearnButton);
        QCOMPARE(TodayShown(), 1);
        // The item keeps its mode until the question is left.
        QCOMPARE(m_frame->GetSession().CurrentItem()->m_nMode, qint16(Unspec));
    }

    void xClosesAndSaves()
    {
        StartFrame();
        const int index = Dic()->GetCurrentHistoryItem();
        Press(Qt::Key_2); // 覚えた, chosen for the last question only
        Press(Qt::Key_X);
        QVERIFY(!m_frame->isVisible());
        m_frame.reset();
        const QDir folder(TestEnv::Instance().DataFolder());
        QVERIFY(folder.exists(QStringLiteral("histdata.dat")));
        QVERIFY(folder.exists(QStringLiteral("miscdata.dat")));
        QVERIFY(GetProfileInt(QString(), QStringLiteral("WinWidth"), 0) > 0);
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("MainRight"), -1), 1);
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("WinZoom"), -1), 0);
        // What a new start reads back.
        CDictionary::ResetInstanceForTesting();
        QCOMPARE(Dic()->GetHistoryCount(), 1);
        QCOMPARE(Dic()->GetItem(index)->m_nMode, qint16(Learned));
        QCOMPARE(Dic()->GetItem(index)->m_nAskCount, qint16(1));
        QCOMPARE(Dic()->GetTodayCount(), 1);
    }

    void strokeOrderPlaceBeside_data()
    {
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QPoint>("place");
        const QRect screen(0, 0, 1366, 728);
        QTest::newRow("room on the right") << QRect(0, 50, 600, 500) << QPoint(600, 50);
        QTest::newRow("room on the left only") << QRect(700, 50, 600, 500) << QPoint(200, 50);
        QTest::newRow("no room: over the owner, inside the screen")
            << QRect(200, 50, 900, 500) << QPoint(866, 50);
        QTest::newRow("owner low on the screen") << QRect(0, 600, 600, 500) << QPoint(600, 428);
    }
    void strokeOrderPlaceBeside()
    {
        QFETCH(QRect, owner);
        QFETCH(QPoint, place);
        QCOMPARE(CStrokeOrderWindow::PlaceBeside(owner, QSize(500, 300), QRect(0, 0, 1366, 728)),
                 place);
    }

    // The stroke-order window opens beside the main window, as a tool window
    // above it, with glyphs large enough for their numbers; the drill's keys
    // pressed in it go to the main window.
    void strokeOrderWindowBesideTheDrill()
    {
        StartFrame(QSize(300, 420));
        m_frame->move(0, 0);
        m_frame->resize(m_frame->minimumSize());
        QTRY_COMPARE(m_frame->size(), m_frame->minimumSize());
        auto* action = m_frame->findChild<QAction*>(QStringLiteral("strokeOrderAction"));
        QVERIFY(action);
        action->trigger();
        auto* window = m_frame->findChild<CStrokeOrderWindow*>(QStringLiteral("strokeOrderWindow"));
        QVERIFY(window);
        QTRY_VERIFY(window->isVisible());
        QCOMPARE(window->windowFlags() & Qt::Tool, Qt::Tool);
        const QRect available = window->screen()->availableGeometry();
        QVERIFY(available.contains(window->frameGeometry()));
        const QSize readable = window->ReadableSize(available);
        if (m_frame->frameGeometry().width() + readable.width() <= available.width())
            QVERIFY(!window->frameGeometry().intersects(m_frame->frameGeometry()));
        if (readable.width() < available.width())
            QVERIFY2(window->WordFont().pixelSize() >= CStrokeOrderWindow::kReadableGlyph,
                     qPrintable(QString::number(window->WordFont().pixelSize())));
        const int asked = Dic()->GetHistoryCount();
        QTest::keyClick(window, Qt::Key_N);
        QCOMPARE(Dic()->GetHistoryCount(), asked + 1);
        QTest::keyClick(window, Qt::Key_B);
        QVERIFY(window->isVisible());
        window->close();
    }

    // Opening the search bar widens the window by the bar where the screen
    // has room, on the bar's side, so the sheet keeps its size and place;
    // closing gives the width back. Without room the sheet narrows, and its
    // writing shows in full again once the bar is closed.
    void searchBarWidensTheWindow_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("grows");
        QTest::newRow("room on the bar's side") << 340 << 440 << true;
        QTest::newRow("at the screen's edge") << 0 << 440 << true;
        QTest::newRow("no room") << 0 << 780 << false;
    }
    void searchBarWidensTheWindow()
    {
        QFETCH(int, left);
        QFETCH(int, width);
        QFETCH(bool, grows);
        StartFrame(QSize(width, 420));
        m_frame->move(left, 0);
        QTRY_COMPARE(m_frame->geometry().size(), QSize(width, 420));
        CWriteView* view = m_frame->GetView();
        const QSize sheet = view->size();
        const QPoint sheetAt = view->mapToGlobal(QPoint(0, 0));
        // A stroke along the sheet's right edge.
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(sheet.width() - 30, 40));
        QTest::mouseMove(view, QPoint(sheet.width() - 30, 120));
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(sheet.width() - 30, 120));
        const QImage written = view->grab().toImage();

        Press(Qt::Key_S);
        const int bar = m_frame->GetSearchBar()->width();
        QVERIFY(bar > 0);
        if (grows) {
            QTRY_COMPARE(m_frame->width(), width + bar);
            QCOMPARE(view->size(), sheet);
            if (left >= bar)
                QCOMPARE(view->mapToGlobal(QPoint(0, 0)), sheetAt);
        } else {
            QTRY_VERIFY(view->width() < sheet.width());
        }
        QVERIFY(m_frame->frameGeometry().right() <= m_frame->screen()->availableGeometry().right());

        Press(Qt::Key_Escape);
        Press(Qt::Key_S);
        QTRY_COMPARE(m_frame->width(), width);
        QTRY_COMPARE(view->size(), sheet);
        QCOMPARE(view->grab().toImage(), written);
    }

    // The search text lets go of the keys: Escape gives them back to the
    // drill and keeps the text, so does a press on the sheet; Return
    // searches without the wait.
    void searchBoxLetsGoOfTheKeys_data()
    {
        QTest::addColumn<bool>("byEscape"); // else a press on the sheet
        QTest::newRow("Escape") << true;
        QTest::newRow("press on the sheet") << false;
    }
    void searchBoxLetsGoOfTheKeys()
    {
        QFETCH(bool, byEscape);
        StartFrame();
        Press(Qt::Key_S);
        auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(edit);
        QTest::keyClicks(edit, QStringLiteral("kan"));
        CSearchDialogBar* bar = m_frame->GetSearchBar();
        QVERIFY(bar->SearchTimer().isActive());
        Press(Qt::Key_Return);
        QVERIFY(!bar->SearchTimer().isActive());
        QVERIFY(!bar->Search().Results().isEmpty());
        QVERIFY(QApplication::focusWidget() == edit);

        if (byEscape)
            Press(Qt::Key_Escape);
        else
            Stroke();
        QVERIFY(QApplication::focusWidget() != edit);
        QCOMPARE(edit->text(), QStringLiteral("kan"));
        QVERIFY(bar->isVisible());
        const int asked = Dic()->GetHistoryCount();
        Press(Qt::Key_N);
        QCOMPARE(Dic()->GetHistoryCount(), asked + 1);
        QCOMPARE(edit->text(), QStringLiteral("kan"));
        Press(Qt::Key_2);
        QCOMPARE(CheckedButton(), 1001);
    }

    // Every entry of the sheet's menu, its submenus' too, has an access key
    // no other entry of its menu has; an entry with a one-letter key is
    // picked by that letter.
    void sheetMenuAccessKeys()
    {
        StartFrame();
        QMenu* menu = m_frame->GetView()->ContextMenu();
        menu->popup(QPoint(0, 0));
        menu->hide();
        const QRegularExpression key(QStringLiteral("(?<!&)&([^&])"));
        std::function<void(QMenu*)> check = [&](QMenu* shown) {
            QSet<QString> seen;
            for (const QAction* action : shown->actions()) {
                if (action->isSeparator())
                    continue;
                const QString text = action->text();
                const QRegularExpressionMatch match = key.match(text);
                QVERIFY2(match.hasMatch(), qPrintable(text));
                const QString letter = match.captured(1).toUpper();
                QVERIFY2(!seen.contains(letter), qPrintable(text));
                seen.insert(letter);
                const QKeySequence shortcut = action->shortcut();
                if (shortcut.count() == 1 && shortcut[0].keyboardModifiers() == Qt::NoModifier)
                    QCOMPARE(letter, shortcut.toString());
                if (action->menu())
                    check(action->menu());
            }
        };
        check(menu);
        const auto* judge = m_frame->findChild<QAction*>(QStringLiteral("checkWritingAction"));
        QVERIFY(judge && judge->text().contains(QStringLiteral("(&R)")));
    }

    void ctrlQCloses_data()
    {
        QTest::addColumn<bool>("typing");
        QTest::newRow("on the bar") << false;
        QTest::newRow("while typing a search") << true;
    }
    void ctrlQCloses()
    {
        QFETCH(bool, typing);
        WriteProfileInt(kSettings, QStringLiteral("NoUnspec"), 1);
        StartFrame();
        Press(Qt::Key_A);
        if (typing) {
            Press(Qt::Key_S);
            QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        }
        {
            // The same sequence as the close box: the prompt may keep it open.
            ModePromptAnswerer answerer([](CModeSelectDialog* dialog) { dialog->reject(); });
            Press(Qt::Key_Q, Qt::ControlModifier);
            QCOMPARE(answerer.Seen(), 1);
        }
        QVERIFY(m_frame->isVisible());
        ModePromptAnswerer answerer([](CModeSelectDialog* dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton*>(QString::number(kLearnedButton)),
                              Qt::LeftButton);
        });
        Press(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!m_frame->isVisible());
        QCOMPARE(Current()->m_nMode, qint16(Learned)); // committed before the save
        QVERIFY(QDir(TestEnv::Instance().DataFolder()).exists(QStringLiteral("histdata.dat")));
    }

    // Each button without a caption says what it does and which key does
    // the same; the key named is the one that runs the button's command.
    void pictureButtonTips_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("tip");
        QTest::newRow("search bar") << int(kIdSearchBarButton) << QStringLiteral("検索バー (S)");
        QTest::newRow("options") << int(kIdOptionsButton) << QStringLiteral("オプション (O)");
        QTest::newRow("help") << int(kIdHelpButton) << QStringLiteral("ヘルプ (F1)");
        QTest::newRow("swap") << int(kIdSwapButton) << QStringLiteral("左右を入れ替え (E)");
        QTest::newRow("exit") << int(kIdExitButton) << QStringLiteral("終了 (X)");
        QTest::newRow("count") << int(kIdTodayCount)
                               << QStringLiteral("今日の書き取り回数 — 学習状況 (U)");
    }
    void pictureButtonTips()
    {
        QFETCH(int, id);
        QFETCH(QString, tip);
        StartFrame();
        QCOMPARE(Button(id)->toolTip(), tip);
        QCOMPARE(Button(id)->accessibleName(), tip);
        const qsizetype open = tip.lastIndexOf(u'(');
        const QKeySequence key(tip.mid(open + 1, tip.size() - open - 2));
        QCOMPARE(key.count(), 1);
        const QKeyEvent press(QEvent::KeyPress, key[0].key(), key[0].keyboardModifiers());
        QVERIFY(m_frame->TranslateAccelerator(&press) != 0);
        QCOMPARE(m_frame->TranslateAccelerator(&press), CMainDialogBar::CommandOfControl(id));
    }

    void crossButtonCloses()
    {
        StartFrame();
        QTest::mouseClick(Button(kIdExitButton), Qt::LeftButton);
        QTRY_VERIFY(!m_frame->isVisible());
    }

    // The stored option reaches the session's end.
    void clearHistoryOnClose()
    {
        WriteProfileInt(kSettings, QStringLiteral("ClearHistory"), 1);
        StartFrame();
        Press(Qt::Key_N);
        CloseFrame();
        CDictionary::ResetInstanceForTesting();
        QCOMPARE(Dic()->GetHistoryCount(), 0);
    }

    void sessionEndSavesWithoutPrompt()
    {
        WriteProfileInt(kSettings, QStringLiteral("NoUnspec"), 1);
        StartFrame();
        const int index = Dic()->GetCurrentHistoryItem();
        Press(Qt::Key_4);
        {
            auto answerer = ModePromptAnswerer::None();
            m_frame->OnQueryEndSession();
        }
        QVERIFY(QDir(TestEnv::Instance().DataFolder()).exists(QStringLiteral("histdata.dat")));
        m_frame.reset(); // the session ends without a close
        CDictionary::ResetInstanceForTesting();
        QCOMPARE(Dic()->GetItem(index)->m_nMode, qint16(NoLearn));
    }

    void xTypesIntoAnEditableBox()
    {
        StartFrame();
        Press(Qt::Key_S);
        CSearchDialogBar* search = m_frame->GetSearchBar();
        QVERIFY(search->isVisible());
        auto* edit = new QLineEdit(search);
        edit->setGeometry(5, 5, 100, 20);
        edit->show();
        edit->setFocus();
        Press(Qt::Key_X);
        Press(Qt::Key_N);
        Press(Qt::Key_3);
        QCOMPARE(edit->text(), QStringLiteral("xn3"));
        QVERIFY(m_frame->isVisible());
        QCOMPARE(Dic()->GetHistoryCount(), 1);
        QCOMPARE(CheckedButton(), kUnspecButton);
        // Ctrl combinations still run their commands; a read-only box
        // passes every key on.
        edit->setReadOnly(true);
        Press(Qt::Key_N);
        QCOMPARE(Dic()->GetHistoryCount(), 2);
    }

    void keypadDigitsChooseModes()
    {
        StartFrame();
        Press(Qt::Key_1, Qt::KeypadModifier);
        QCOMPARE(CheckedButton(), kKnownButton);
        Press(Qt::Key_4, Qt::KeypadModifier);
        QCOMPARE(CheckedButton(), kNoLearnButton);
        Press(Qt::Key_3, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(CheckedButton(), kNoLearnButton);
    }

    void dialogKeysReachTheirSteps()
    {
        StartFrame(QSize(900, 600), true);
        auto* frame = static_cast<HookedFrame*>(m_frame.get());
        QStringList words;
        const WebSearchHandler previous =
            SetWebSearchHandler([&words](const QString& word, QWidget*) { words << word; });
        const int index = Dic()->GetCurrentHistoryItem();
        Press(Qt::Key_3);
        Press(Qt::Key_H); // the history dialog writes the mode first
        QCOMPARE(frame->m_nHistory, 1);
        QCOMPARE(Dic()->GetItem(index)->m_nMode, qint16(Learning));
        Press(Qt::Key_U);
        QCOMPARE(frame->m_nStudyState, 1);
        Press(Qt::Key_T);
        QCOMPARE(words, QStringList{m_frame->GetSession().CurrentItem()->GetWord()});
        Press(Qt::Key_O);
        QCOMPARE(frame->m_nOptions, 1);
        QCOMPARE(QApplication::focusWidget(), Button(kIdAnswer)); // given back after each
        SetWebSearchHandler(previous);
    }

    void optionsRebuildThePanel_data()
    {
        QTest::addColumn<bool>("font");
        QTest::addColumn<bool>("red");
        QTest::addColumn<bool>("answerSide");
        QTest::addColumn<int>("pixels");  // -1: unchanged
        QTest::addColumn<bool>("marked"); // panel shows the answer markup
        QTest::newRow("font on the question") << true << false << false << 24 << false;
        QTest::newRow("font on the answer") << true << true << true << 24 << true;
        QTest::newRow("red on the answer") << false << true << true << -1 << true;
        QTest::newRow("nothing changed") << false << false << true << -1 << false;
    }
    void optionsRebuildThePanel()
    {
        QFETCH(bool, font);
        QFETCH(bool, red);
        QFETCH(bool, answerSide);
        QFETCH(int, pixels);
        QFETCH(bool, marked);
        StartFrame(QSize(900, 600), true);
        auto* frame = static_cast<HookedFrame*>(m_frame.get());
        CPanelDialogBar* panel = m_frame->GetPanelBar();
        const int before = panel->m_fontPanel.pixelSize();
        if (answerSide)
            Press(Qt::Key_A);
        const QString shown = panel->m_strPanelText;
        // What the options dialog would have stored.
        WriteProfileInt(kSettings, QStringLiteral("FontPoint"), 18);
        WriteProfileInt(kSettings, QStringLiteral("HyogaiRed"), 1);
        frame->m_bFontChanged = font;
        frame->m_bRedChanged = red;
        Press(Qt::Key_O);
        QCOMPARE(panel->m_fontPanel.pixelSize(),
                 pixels < 0 ? before : (pixels * panel->logicalDpiY() + 48) / 96);
        CDictionary::CItem* item = m_frame->GetSession().CurrentItem();
        if (marked)
            QCOMPARE(panel->m_strPanelText, item->GetAnswerMarkup());
        else if (!font)
            QCOMPARE(panel->m_strPanelText, shown);
        else
            QCOMPARE(panel->m_strPanelText, item->GetQuestionText());
        QCOMPARE(m_frame->GetSession().IsQuestionSide(), !answerSide);
    }

    void optionsWithoutCurrentItem()
    {
        Dic()->EnsureLoaded();
        for (int i = 0; i < Dic()->GetTotalItemCount(); ++i)
            Dic()->GetItem(i)->SetMode(Known, -1);
        MessageRecorder messages;
        StartFrame(QSize(900, 600), true);
        auto* frame = static_cast<HookedFrame*>(m_frame.get());
        QVERIFY(!m_frame->GetSession().CurrentItem());
        frame->m_bFontChanged = true;
        frame->m_bRedChanged = true;
        Press(Qt::Key_O);
        QCOMPARE(frame->m_nOptions, 1);
        QVERIFY(m_frame->GetPanelBar()->m_strPanelText.isEmpty());
    }

    void ctrlDigitWithSearchBarHidden()
    {
        StartFrame();
        QVERIFY(!m_frame->GetSearchBar()->isVisible());
        Press(Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(CheckedButton(), kUnspecButton); // not the plain 3
        QCOMPARE(TodayShown(), 0);
        Press(Qt::Key_N, Qt::ShiftModifier);
        QCOMPARE(Dic()->GetHistoryCount(), 1); // accelerators want plain keys
    }

    void layout_data()
    {
        QTest::addColumn<QSize>("size");
        // Tall enough for the bar's template, wide enough for both bars and a
        // canvas: a shorter window squeezes the bar and a narrower one widens
        // when the search bar opens (the layout test covers both).
        QTest::newRow("small") << QSize(700, 540);
        QTest::newRow("large") << QSize(1200, 800);
    }
    void layout()
    {
        QFETCH(QSize, size);
        StartFrame(size);
        QTRY_COMPARE(m_frame->size(), size);
        const QRect bar = Bar()->geometry();
        const QRect panel = m_frame->GetPanelBar()->geometry();
        const QRect view = m_frame->GetView()->geometry();
        QCOMPARE(bar.right(), size.width() - 1);
        QCOMPARE(bar.height(), size.height());
        QCOMPARE(panel.topLeft(), QPoint(0, 0));
        QCOMPARE(panel.right(), bar.left() - 1);
        QCOMPARE(view.top(), panel.bottom() + 1);
        QCOMPARE(view.bottom(), size.height() - 1);
        QCOMPARE(view.width(), panel.width());
        // The picture buttons sit in two rows at the bottom of the bar.
        const QRect units = MapDialogRect(Bar(), QRect(0, 0, 100, 100));
        const QRect cross = Button(kIdExitButton)->geometry();
        QCOMPARE(cross.top(), size.height() - 30 * units.height() / 100);
        QCOMPARE(Button(kIdSearchBarButton)->geometry().top(),
                 size.height() - 60 * units.height() / 100);
        QCOMPARE(Button(kIdSwapButton)->geometry().left(), 6 * units.width() / 100);
        QCOMPARE(cross.width(), (bar.width() - 16 * units.width() / 100) / 3);

        Press(Qt::Key_S); // the search bar on the other side
        const QRect search = m_frame->GetSearchBar()->geometry();
        QCOMPARE(search.left(), 0);
        QCOMPARE(search.height(), size.height());
        QCOMPARE(m_frame->GetPanelBar()->geometry().left(), search.right() + 1);
        QCOMPARE(m_frame->GetView()->geometry().left(), search.right() + 1);
        // The search bar took the focus into its text box, where E and S
        // type letters; its side-swap and magnifier buttons still work.
        Button(kIdSwapButton)->click(); // sides swapped
        QCOMPARE(Bar()->geometry().left(), 0);
        QCOMPARE(m_frame->GetSearchBar()->geometry().right(), size.width() - 1);
        Button(kIdSearchBarButton)->click();
        QVERIFY(!m_frame->GetSearchBar()->isVisible());
        QCOMPARE(QApplication::focusWidget(), Button(kIdAnswer)); // back to the bar's control
        QCOMPARE(m_frame->GetView()->geometry().right(), size.width() - 1);
    }

    void panelGrowsWhenNarrowed()
    {
        WriteProfileInt(kSettings, QStringLiteral("FontPoint"), 48);
        StartFrame(QSize(1000, 600));
        CPanelDialogBar* panel = m_frame->GetPanelBar();
        const int line = QFontMetrics(panel->m_fontPanel).height();
        QCOMPARE(panel->height(), line + 20);
        const int textWidth = panel->m_rcText.Width();
        // One pixel short of the whole line: the last character wraps.
        m_frame->resize(Bar()->width() + 20 + textWidth - 1, 600);
        QTRY_COMPARE(panel->height(), 2 * line + 20);
        QCOMPARE(m_frame->GetView()->geometry().top(), 2 * line + 20);
        m_frame->resize(1000, 600);
        QTRY_COMPARE(panel->height(), line + 20);
        QCOMPARE(m_frame->GetView()->geometry().top(), line + 20);
    }

    void panelTextFromElsewhereIsLaidOut()
    {
        WriteProfileInt(kSettings, QStringLiteral("FontPoint"), 48);
        StartFrame(QSize(900, 600));
        CPanelDialogBar* panel = m_frame->GetPanelBar();
        const int line = QFontMetrics(panel->m_fontPanel).height();
        QCOMPARE(m_frame->GetView()->geometry().top(), line + 20);
        // Not through the drill: only the panel's layout request tells the
        // frame that the canvas has to move.
        panel->SetText(QString(40, QChar(0x5C71)));
        QVERIFY(panel->GetBarHeight() > 2 * line);
        QTRY_COMPARE(m_frame->GetView()->geometry().top(), panel->GetBarHeight());
        QCOMPARE(panel->height(), panel->GetBarHeight());
    }

    // The bar runs nothing itself: each control asks for its command, and
    // only the frame carries commands out.
    void barControlsAskForTheirCommands_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("command");
        QTest::newRow("知ってる") << kKnownButton << int(kCmdModeKnown);
        QTest::newRow("指定なし") << kUnspecButton << kCmdModeKnown + 4;
        QTest::newRow("ネット") << int(kIdWebSearch) << int(kCmdWebSearch);
        QTest::newRow("count") << int(kIdTodayCount) << int(kCmdStudyState);
        QTest::newRow("履歴") << int(kIdHistory) << int(kCmdHistory);
        QTest::newRow("次へ") << int(kIdNext) << int(kCmdNext);
        QTest::newRow("答え") << int(kIdAnswer) << int(kCmdAnswer);
        QTest::newRow("消去") << int(kIdErase) << int(kCmdErase);
        QTest::newRow("search bar") << int(kIdSearchBarButton) << int(kCmdToggleSearch);
        QTest::newRow("options") << int(kIdOptionsButton) << int(kCmdOptions);
        QTest::newRow("help") << int(kIdHelpButton) << int(kCmdHelpIndex);
        QTest::newRow("swap") << int(kIdSwapButton) << int(kCmdSwapSides);
        QTest::newRow("cross, after its click") << int(kIdExitButton) << int(kCmdExit);
    }
    void barControlsAskForTheirCommands()
    {
        QFETCH(int, id);
        QFETCH(int, command);
        CMainDialogBar bar;
        bar.InitBar();
        bar.show();
        QSignalSpy asked(&bar, &CMainDialogBar::CommandRequested);
        const int historyBefore = Dic()->GetHistoryCount();
        auto* button = bar.findChild<QPushButton*>(QString::number(id));
        button->setEnabled(true);
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE(asked.size(), 1);
        QCOMPARE(asked.at(0).at(0).toInt(), command);
        QCOMPARE(Dic()->GetHistoryCount(), historyBefore);
        QCOMPARE(Dic()->GetTodayCount(), 0);
    }

    void placementRestored()
    {
        WriteProfileInt(QString(), QStringLiteral("WinLeft"), 40);
        WriteProfileInt(QString(), QStringLiteral("WinTop"), 30);
        WriteProfileInt(QString(), QStringLiteral("WinWidth"), 700);
        WriteProfileInt(QString(), QStringLiteral("WinHeight"), 500);
        WriteProfileInt(QString(), QStringLiteral("MainRight"), 0);
        m_frame = std::make_unique<CMainFrame>();
        QVERIFY(m_frame->Create());
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QCOMPARE(m_frame->size(), QSize(700, 500));
        QCOMPARE(m_frame->pos(), QPoint(40, 30));
        QVERIFY(!m_frame->IsMainBarRight());
        QCOMPARE(Bar()->geometry().left(), 0);
        m_frame->move(60, 50);
        CloseFrame();
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("WinLeft"), 0), 60);
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("WinTop"), 0), 50);
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("WinWidth"), 0), 700);
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("MainRight"), -1), 0);
    }

    void noMoreQuestions()
    {
        // Every item known already: nothing to ask at the start.
        Dic()->EnsureLoaded();
        for (int i = 0; i < Dic()->GetTotalItemCount(); ++i)
            Dic()->GetItem(i)->SetMode(Known, -1);
        Dic()->Save();
        CDictionary::ResetInstanceForTesting();
        MessageRecorder messages;
        StartFrame();
        QCOMPARE(messages.Texts(), QStringList{QStringLiteral("No more quesions")});
        QVERIFY(!m_frame->GetSession().CurrentItem());
        QVERIFY(m_frame->GetPanelBar()->m_strPanelText.isEmpty());
        Press(Qt::Key_A); // nothing to turn over
        Press(Qt::Key_1);
        Press(Qt::Key_T);
        QVERIFY(m_frame->GetPanelBar()->m_strPanelText.isEmpty());
        QCOMPARE(Button(kIdAnswer)->text(), QStringLiteral("答え"));
        Press(Qt::Key_N);
        QCOMPARE(messages.Texts().size(), 2);
        CloseFrame();
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"

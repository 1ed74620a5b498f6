#include "common/MessageRecorder.h"
#include "common/StudyData.h"
#include "platform/Profile.h"
#include "study/CItem.h"
#include "study/DrillFrontend.h"
#include "study/DrillOptions.h"
#include "study/DrillSession.h"

#include <QTest>
#include <deque>
#include <functional>

namespace {

CDictionary* Dic()
{
    return StudyData::Dic();
}

// The options as plain values the test sets, read by the drill at each use.
struct PlainOptions : DrillOptions {
    bool ReverseAsking() const override { return m_bReverse; }
    bool ShowHyogaiInRed() const override { return m_bRed; }
    bool RequireMode() const override { return m_bRequireMode; }
    int PreferredKanji() const override { return m_nPreferredKanji; }
    bool ClearHistoryOnExit() const override { return m_bClearHistory; }

    bool m_bReverse = false;
    bool m_bRed = false;
    bool m_bRequireMode = false;
    int m_nPreferredKanji = 0;
    bool m_bClearHistory = false;
};

// Writes down every order the drill gives, in order, and answers its
// questions from what the test set.
class RecordingFrontend : public DrillFrontend {
public:
    void ShowPanelText(const QString& markup) override
    {
        m_strPanel = markup;
        m_log << QStringLiteral("panel");
    }
    void ShowModeOnBar(LearnMode mode) override
    {
        m_nBarMode = mode;
        m_log << QStringLiteral("mode %1").arg(int(mode));
    }
    void ShowAnswerCaption(bool questionSide) override
    {
        m_bCaptionQuestion = questionSide;
        m_log << (questionSide ? QStringLiteral("caption question")
                               : QStringLiteral("caption answer"));
    }
    void EraseWriting() override { m_log << QStringLiteral("erase"); }
    void ShowTodayCount(int count) override
    {
        m_nToday = count;
        m_log << QStringLiteral("today %1").arg(count);
    }
    void SetBackEnabled(bool enabled) override
    {
        m_bBack = enabled;
        m_log << QStringLiteral("back %1").arg(enabled ? 1 : 0);
    }
    std::optional<LearnMode> AskForMode() override
    {
        m_log << QStringLiteral("ask");
        ++m_nAsked;
        if (m_answers.empty())
            return std::nullopt;
        const std::optional<LearnMode> answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    bool IsItemListed(int itemIndex) const override { return m_listed.contains(itemIndex); }
    void RepaintListedItem(int itemIndex) override
    {
        m_log << QStringLiteral("repaint %1").arg(itemIndex);
    }
    void ShowHistory() override
    {
        m_log << QStringLiteral("history");
        if (m_onHistory)
            m_onHistory();
    }
    void SavePlacement() override { m_log << QStringLiteral("placement"); }

    QStringList TakeLog() { return std::exchange(m_log, {}); }

    QStringList m_log;
    QString m_strPanel;
    int m_nBarMode = -1;
    bool m_bCaptionQuestion = false;
    int m_nToday = -1;
    bool m_bBack = true;
    int m_nAsked = 0;
    std::deque<std::optional<LearnMode>> m_answers; // empty: cancel
    QList<int> m_listed;
    std::function<void()> m_onHistory; // what the learner does in the history list
};

} // namespace

// The drill loop without a window: start, ask, count, answer, file under a
// mode, go on or back, and save at the end.
class TestDrillSession : public QObject {
    Q_OBJECT

private:
    StudyData m_data;
    PlainOptions m_options;
    std::unique_ptr<RecordingFrontend> m_screen;
    std::unique_ptr<DrillSession> m_session;

    void Begin()
    {
        m_screen = std::make_unique<RecordingFrontend>();
        m_session = std::make_unique<DrillSession>(*Dic(), m_options, *m_screen);
        m_session->Start();
    }
    // The end of one run of the program and the start of the next.
    void Restart()
    {
        m_session->End(false);
        StudyData::Reload();
        Begin();
    }
    CDictionary::CItem* Current() const { return m_session->CurrentItem(); }
    // Steps as letters: A answer, S stroke, N next, B back, digits 1 to 5
    // the mode buttons in bar order.
    void Run(const QString& steps)
    {
        const LearnMode modes[] = {Known, Learned, Learning, NoLearn, Unspec};
        for (const QChar step : steps) {
            switch (step.unicode()) {
            case 'A':
                m_session->ToggleAnswer();
                break;
            case 'S':
                m_session->CountDictation();
                break;
            case 'N':
                m_session->Next();
                break;
            case 'B':
                m_session->Back();
                break;
            default:
                m_session->ChooseMode(modes[step.digitValue() - 1]);
                break;
            }
        }
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
    void init()
    {
        StudyData::Fresh();
        m_options = PlainOptions();
    }
    void cleanup()
    {
        m_session.reset();
        m_screen.reset();
        StudyData::Fresh();
    }

    void firstStartAsksANewQuestion()
    {
        MessageRecorder messages;
        Begin();
        QCOMPARE(Dic()->GetHistoryCount(), 1);
        QCOMPARE(Dic()->m_nHistPos, 0);
        CDictionary::CItem* item = Dic()->GetItem(Dic()->GetCurrentHistoryItem());
        QVERIFY(item);
        QCOMPARE(Current(), item);
        QCOMPARE(item->m_nAskCount, qint16(1));
        QVERIFY(item->m_bDirty);
        QVERIFY(m_session->IsQuestionSide());
        // The count first; the question's steps in their order; the back
        // button once the question stands (and again at the end of start).
        QCOMPARE(m_screen->TakeLog(), QStringList({"today 0", "panel", "erase", "caption question",
                                                   "mode 0", "back 0", "back 0"}));
        QCOMPARE(m_screen->m_strPanel, item->GetQuestionText());
        QVERIFY(messages.Texts().isEmpty());
    }

    void restart_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("sameQuestion");
        QTest::newRow("nothing done: asked again") << QString() << true;
        QTest::newRow("answer shown: a new one") << QStringLiteral("A") << false;
        QTest::newRow("a stroke: a new one") << QStringLiteral("S") << false;
        QTest::newRow("a mode: a new one") << QStringLiteral("4") << false;
    }
    void restart()
    {
        QFETCH(QString, steps);
        QFETCH(bool, sameQuestion);
        Begin();
        const int first = Dic()->GetCurrentHistoryItem();
        Run(steps);
        Restart();
        QCOMPARE(Dic()->GetHistoryCount(), sameQuestion ? 1 : 2);
        QCOMPARE(Dic()->GetCurrentHistoryItem() == first, sameQuestion);
        // Asked again after a restart is not asked anew.
        QCOMPARE(Current()->m_nAskCount, qint16(1));
        QCOMPARE(m_screen->m_nToday, sameQuestion ? 0 : 1);
    }

    void oneCountPerQuestion_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("count");
        QTest::newRow("nothing") << QString() << 0;
        QTest::newRow("answer twice") << QStringLiteral("AA") << 1;
        QTest::newRow("stroke then answer") << QStringLiteral("SA") << 1;
        QTest::newRow("mode then stroke") << QStringLiteral("3S") << 1;
        QTest::newRow("two modes") << QStringLiteral("34") << 1;
        QTest::newRow("two questions") << QStringLiteral("ANSA3") << 2;
        QTest::newRow("back to a counted one") << QStringLiteral("ANBAS") << 1;
        QTest::newRow("everything") << QStringLiteral("SSA3A1") << 1;
    }
    void oneCountPerQuestion()
    {
        QFETCH(QString, steps);
        QFETCH(int, count);
        Begin();
        Run(steps);
        QCOMPARE(Dic()->GetTodayCount(), count);
        QCOMPARE(m_screen->m_nToday, count);
    }

    void sides_data()
    {
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<bool>("red");
        QTest::addColumn<QStringList>("shown"); // Q question text, W word, M markup
        QTest::newRow("reading asked") << false << false << QStringList{"Q", "W", "Q", "W"};
        QTest::newRow("reading asked, red") << false << true << QStringList{"Q", "M", "Q", "M"};
        QTest::newRow("word asked") << true << false << QStringList{"W", "Q", "W", "Q"};
        QTest::newRow("word asked, red") << true << true << QStringList{"M", "Q", "M", "Q"};
    }
    void sides()
    {
        QFETCH(bool, reverse);
        QFETCH(bool, red);
        QFETCH(QStringList, shown);
        m_options.m_bReverse = reverse;
        m_options.m_bRed = red;
        // A word with a kanji outside the standard table, so the markup
        // differs from the word.
        Dic()->EnsureLoaded();
        Dic()->AddToHistory(0);
        Begin();
        CDictionary::CItem* item = Current();
        QCOMPARE(item, Dic()->GetItem(0));
        QVERIFY(item->GetAnswerMarkup() != item->GetWord());
        const auto text = [item](const QString& code) {
            return code == u"Q"   ? item->GetQuestionText()
                   : code == u"W" ? item->GetWord()
                                  : item->GetAnswerMarkup();
        };
        // What is written answers the question side, whichever shows.
        QCOMPARE(m_session->AnswerText(), reverse ? item->GetReading() : item->GetWord());
        for (int k = 0; k < shown.size(); ++k) {
            QCOMPARE(m_screen->m_strPanel, text(shown.at(k)));
            QCOMPARE(m_session->IsQuestionSide(), k % 2 == 0);
            QCOMPARE(m_screen->m_bCaptionQuestion, k % 2 == 0);
            // The rebuild after an options change shows the same side.
            m_session->RefreshPanelText();
            QCOMPARE(m_screen->m_strPanel, text(shown.at(k)));
            m_session->ToggleAnswer();
        }
    }

    // An option changed while a question stands counts from the next step.
    void optionsAreReadAtEachUse()
    {
        Begin();
        CDictionary::CItem* item = Current();
        m_session->ToggleAnswer();
        QCOMPARE(m_screen->m_strPanel, item->GetWord());
        m_options.m_bRed = true;
        m_session->ToggleAnswer();
        QCOMPARE(m_screen->m_strPanel, item->GetQuestionText());
        m_session->ToggleAnswer();
        QCOMPARE(m_screen->m_strPanel, item->GetAnswerMarkup());
        m_options.m_bReverse = true;
        m_session->Next();
        QCOMPARE(m_screen->m_strPanel, Current()->GetAnswerMarkup());
    }

    void preferredKanjiReachesTheChoice_data()
    {
        QTest::addColumn<int>("preference");
        QTest::addColumn<bool>("nonStandard"); // the word asked has a kanji outside the table
        QTest::newRow("standard kanji") << 1 << false;
        QTest::newRow("other kanji") << 2 << true;
    }
    void preferredKanjiReachesTheChoice()
    {
        QFETCH(int, preference);
        QFETCH(bool, nonStandard);
        // 遁 is the lists' one kanji outside the table; all nine items are
        // tried, so the preference decides.
        m_options.m_nPreferredKanji = preference;
        for (int k = 0; k < 5; ++k) {
            StudyData::Fresh();
            Begin();
            QCOMPARE(Current() == Dic()->GetItem(0), nonStandard);
        }
    }

    void modeIsWrittenWhenTheQuestionIsLeft_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("mode");
        QTest::newRow("kept until next") << QStringLiteral("3N") << int(Learning);
        QTest::newRow("last choice counts") << QStringLiteral("314N") << int(NoLearn);
        QTest::newRow("kept until back") << QStringLiteral("N2B") << int(Unspec);
        QTest::newRow("none chosen") << QStringLiteral("AN") << int(Unspec);
    }
    void modeIsWrittenWhenTheQuestionIsLeft()
    {
        QFETCH(QString, steps);
        QFETCH(int, mode);
        Begin();
        CDictionary::CItem* first = Current();
        Run(steps.left(steps.size() - 1));
        QCOMPARE(first->m_nMode, qint16(Unspec)); // held, not written yet
        Run(steps.right(1));
        QCOMPARE(int(first->m_nMode), mode);
    }

    void arrowChoiceIsWrittenWithoutCounting()
    {
        Begin();
        CDictionary::CItem* first = Current();
        m_session->SetPendingMode(Known);
        QCOMPARE(m_session->PendingMode(), Known);
        QCOMPARE(Dic()->GetTodayCount(), 0);
        m_session->Next();
        QCOMPARE(first->m_nMode, qint16(Known));
        QCOMPARE(m_screen->m_nBarMode, int(Unspec)); // the new question's mode
    }

    void backToUnspecTakesTheAverageAskCount()
    {
        Dic()->EnsureLoaded();
        Dic()->GetItem(1)->m_nAskCount = 6;
        Dic()->GetItem(2)->m_nAskCount = 2;
        Dic()->GetItem(0)->m_nMode = Learning;
        Dic()->GetItem(0)->m_nAskCount = 30;
        Dic()->AddToHistory(0);
        Begin();
        QCOMPARE(Current(), Dic()->GetItem(0));
        QCOMPARE(m_screen->m_nBarMode, int(Learning));
        const qint16 average = Dic()->GetAverageUnspecCount();
        m_session->ChooseMode(Unspec);
        m_session->CommitMode();
        QCOMPARE(Dic()->GetItem(0)->m_nMode, qint16(Unspec));
        QCOMPARE(Dic()->GetItem(0)->m_nAskCount, average);
        QVERIFY(average < 30);
    }

    void askCountStopsAtItsMaximum_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("below") << 32766 << 32767;
        QTest::newRow("at the top") << 32767 << 32767;
    }
    void askCountStopsAtItsMaximum()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        Dic()->EnsureLoaded();
        Dic()->GetItem(3)->m_nAskCount = qint16(before);
        Begin();
        m_session->ShowQuestion(3, true);
        QCOMPARE(int(Dic()->GetItem(3)->m_nAskCount), after);
    }

    void listedItemGetsItsModeAtOnce()
    {
        Begin();
        const int index = Dic()->GetCurrentHistoryItem();
        m_screen->TakeLog();
        m_session->ChooseMode(Learned);
        QCOMPARE(Current()->m_nMode, qint16(Unspec)); // not listed: held
        QCOMPARE(m_screen->TakeLog(), QStringList({"mode 1", "today 1"}));
        m_screen->m_listed = {index};
        m_session->ChooseMode(NoLearn);
        QCOMPARE(Current()->m_nMode, qint16(NoLearn));
        QCOMPARE(m_screen->TakeLog(),
                 QStringList({"mode 3", QStringLiteral("repaint %1").arg(index)}));
    }

    void modeChangedElsewhereShowsForTheCurrentItemOnly()
    {
        Begin();
        const int index = Dic()->GetCurrentHistoryItem();
        const int other = (index + 1) % Dic()->GetTotalItemCount();
        Dic()->GetItem(other)->SetMode(Known, -1);
        m_session->OnItemModeChanged(other);
        QCOMPARE(m_screen->m_nBarMode, int(Unspec));
        Dic()->GetItem(index)->SetMode(NoLearn, -1);
        m_session->OnItemModeChanged(index);
        QCOMPARE(m_screen->m_nBarMode, int(NoLearn));
        QCOMPARE(m_session->PendingMode(), NoLearn);
    }

    void noUnspecPrompt_data()
    {
        QTest::addColumn<bool>("requireMode");
        QTest::addColumn<QString>("before"); // steps before "next"
        QTest::addColumn<int>("answer");     // -1 cancel
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<int>("mode"); // of the question left
        QTest::newRow("cancel stays") << true << "A" << -1 << 1 << false << int(Unspec);
        QTest::newRow("known") << true << "A" << int(Known) << 1 << true << int(Known);
        QTest::newRow("learned") << true << "A" << int(Learned) << 1 << true << int(Learned);
        QTest::newRow("left unspecified") << true << "A" << int(Unspec) << 1 << true << int(Unspec);
        QTest::newRow("not answered yet") << true << "" << -1 << 0 << true << int(Unspec);
        QTest::newRow("a mode chosen") << true << "2" << -1 << 0 << true << int(Learned);
        QTest::newRow("setting off") << false << "A" << -1 << 0 << true << int(Unspec);
    }
    void noUnspecPrompt()
    {
        QFETCH(bool, requireMode);
        QFETCH(QString, before);
        QFETCH(int, answer);
        QFETCH(int, asked);
        QFETCH(bool, moves);
        QFETCH(int, mode);
        m_options.m_bRequireMode = requireMode;
        Begin();
        CDictionary::CItem* item = Current();
        Run(before);
        if (answer >= 0)
            m_screen->m_answers.push_back(LearnMode(answer));
        Run(QStringLiteral("N"));
        QCOMPARE(m_screen->m_nAsked, asked);
        QCOMPARE(Dic()->GetHistoryCount(), moves ? 2 : 1);
        QCOMPARE(Current() == item, !moves);
        QCOMPARE(int(item->m_nMode), mode);
    }

    // Next, back, the history and a close all ask first; a cancel runs
    // nothing, a choice is written before the step goes on.
    void everyWayOutAsksFirst_data()
    {
        QTest::addColumn<char>("way");
        QTest::newRow("next") << 'N';
        QTest::newRow("back") << 'B';
        QTest::newRow("history") << 'H';
        QTest::newRow("close") << 'C';
    }
    void everyWayOutAsksFirst()
    {
        QFETCH(char, way);
        m_options.m_bRequireMode = true;
        Begin();
        Run(QStringLiteral("3N")); // a second question, so that "back" has somewhere to go
        Run(QStringLiteral("A"));
        CDictionary::CItem* item = Current();
        int modeWhenShown = -1;
        m_screen->m_onHistory = [&] { modeWhenShown = item->m_nMode; };
        const auto step = [this, way] {
            switch (way) {
            case 'N':
                return m_session->Next();
            case 'B':
                return m_session->Back();
            case 'H':
                return m_session->OpenHistory();
            default:
                return m_session->End(true);
            }
        };
        m_screen->TakeLog();
        QVERIFY(!step()); // cancelled
        QCOMPARE(m_screen->TakeLog(), QStringList{"ask"});
        QCOMPARE(Dic()->m_nHistPos, 1);
        QCOMPARE(Current(), item);

        m_screen->m_answers.push_back(Learned);
        QVERIFY(step());
        QCOMPARE(m_screen->m_nAsked, 2);
        QCOMPARE(item->m_nMode, qint16(Learned));
        const QStringList log = m_screen->TakeLog();
        QCOMPARE(log.contains(QStringLiteral("history")), way == 'H');
        QCOMPARE(log.contains(QStringLiteral("placement")), way == 'C');
        if (way == 'H')
            QCOMPARE(modeWhenShown, int(Learned)); // written before the list opened
        QCOMPARE(Dic()->m_nHistPos, way == 'N' ? 2 : way == 'B' ? 0 : 1);
        if (way == 'C') {
            StudyData::Reload();
            QCOMPARE(Dic()->GetItem(Dic()->GetCurrentHistoryItem())->m_nMode, qint16(Learned));
        }
    }

    // The desktop's session end saves at once: nobody is there to answer.
    void sessionEndNeverAsks()
    {
        m_options.m_bRequireMode = true;
        Begin();
        const int index = Dic()->GetCurrentHistoryItem();
        Run(QStringLiteral("A"));
        QVERIFY(m_session->End(false));
        QCOMPARE(m_screen->m_nAsked, 0);
        m_session->SetPendingMode(NoLearn);
        QVERIFY(m_session->End(false));
        StudyData::Reload();
        QCOMPARE(Dic()->GetItem(index)->m_nMode, qint16(NoLearn));
        QCOMPARE(Dic()->GetTodayCount(), 1);
    }

    // Back and forward again show the records as they were, without
    // asking anything anew.
    void backAndForthRevisitTheRecords()
    {
        Begin();
        const int first = Dic()->GetCurrentHistoryItem();
        Run(QStringLiteral("3N"));
        const int second = Dic()->GetCurrentHistoryItem();
        QVERIFY(second != first);
        QCOMPARE(m_screen->m_nBarMode, int(Unspec));
        QVERIFY(m_screen->m_bBack);
        Run(QStringLiteral("B"));
        QCOMPARE(Dic()->m_nHistPos, 0);
        QCOMPARE(Current(), Dic()->GetItem(first));
        QCOMPARE(Current()->m_nAskCount, qint16(1));
        QCOMPARE(m_screen->m_nBarMode, int(Learning)); // the mode written when it was left
        QCOMPARE(m_screen->m_strPanel, Current()->GetQuestionText());
        QVERIFY(!m_screen->m_bBack);
        Run(QStringLiteral("N"));
        QCOMPARE(Dic()->GetHistoryCount(), 2);
        QCOMPARE(Dic()->GetCurrentHistoryItem(), second);
        QCOMPARE(Dic()->GetItem(second)->m_nAskCount, qint16(1));
    }

    void historyFilterOnNextAndBack()
    {
        WriteProfileInt(QString(), QStringLiteral("HistViewKnown"), 1);
        Dic()->LoadHistoryFilter();
        Begin();
        // Five questions: Known, NoLearn, Known, Unspec, and the last one
        // (no 覚えたい, which the choice may ask again at once).
        QList<int> asked;
        for (const QChar mode : QStringLiteral("1415")) {
            asked << Dic()->GetCurrentHistoryItem();
            Run(mode);
            Run(QStringLiteral("N"));
        }
        asked << Dic()->GetCurrentHistoryItem();
        QCOMPARE(Dic()->GetHistoryCount(), 5);
        QVERIFY(m_screen->m_bBack);
        Run(QStringLiteral("B"));
        QCOMPARE(Dic()->m_nHistPos, 2);
        Run(QStringLiteral("B"));
        QCOMPARE(Dic()->m_nHistPos, 0);
        QVERIFY(!m_screen->m_bBack); // nothing earlier passes
        QCOMPARE(Dic()->GetItem(asked.first())->m_nAskCount, qint16(1));
        Run(QStringLiteral("N"));
        QCOMPARE(Dic()->m_nHistPos, 2);
        // No Known record ahead: to the last one, which is unanswered.
        Run(QStringLiteral("N"));
        QCOMPARE(Dic()->m_nHistPos, 4);
        QCOMPARE(Dic()->GetCurrentHistoryItem(), asked.last());
        QCOMPARE(Dic()->GetHistoryCount(), 5);
        // Answered now: the next step asks a new question.
        Run(QStringLiteral("AN"));
        QCOMPARE(Dic()->GetHistoryCount(), 6);
    }

    void noMoreQuestions()
    {
        Dic()->EnsureLoaded();
        for (int i = 0; i < Dic()->GetTotalItemCount(); ++i)
            Dic()->GetItem(i)->SetMode(Known, -1);
        MessageRecorder messages;
        Begin();
        QCOMPARE(messages.Texts(), QStringList{QStringLiteral("No more quesions")});
        QVERIFY(!Current());
        m_screen->TakeLog();
        // Nothing to turn over, rebuild, commit or prompt for.
        Run(QStringLiteral("A1"));
        m_session->RefreshPanelText();
        m_session->CommitMode();
        QVERIFY(m_screen->m_strPanel.isEmpty());
        QCOMPARE(m_screen->TakeLog(), QStringList({"mode 4"}));
        Run(QStringLiteral("N"));
        QCOMPARE(messages.Texts().size(), 2);
    }

    void historyRecordWithoutItem()
    {
        // A record that names no item (a list that got shorter, say).
        Dic()->EnsureLoaded();
        Dic()->AddToHistory(2);
        Dic()->m_history.append(CDictionary::CHistInfo{9999, 0});
        Dic()->m_nHistPos = 1;
        MessageRecorder messages;
        Begin();
        QVERIFY(!Current());
        Run(QStringLiteral("A3B")); // back to the real record
        QCOMPARE(Current(), Dic()->GetItem(2));
        Run(QStringLiteral("N")); // forward passes over the empty record to a new question
        QCOMPARE(Dic()->GetHistoryCount(), 3);
        QCOMPARE(Current(), Dic()->GetItem(Dic()->GetHistoryRecord(2).m_nIndex));
        QVERIFY(messages.Texts().isEmpty());
    }

    void exitSave_data()
    {
        QTest::addColumn<bool>("clearHistory");
        QTest::addColumn<int>("records");
        QTest::newRow("history kept") << false << 2;
        QTest::newRow("history emptied") << true << 0;
    }
    void exitSave()
    {
        QFETCH(bool, clearHistory);
        QFETCH(int, records);
        m_options.m_bClearHistory = clearHistory;
        Begin();
        const int first = Dic()->GetCurrentHistoryItem();
        Run(QStringLiteral("2N4"));
        const int second = Dic()->GetCurrentHistoryItem();
        QVERIFY(m_session->End(false));
        QCOMPARE(m_screen->TakeLog().last(), QStringLiteral("placement"));
        StudyData::Reload();
        QCOMPARE(Dic()->GetHistoryCount(), records);
        QCOMPARE(Dic()->GetItem(first)->m_nMode, qint16(Learned));
        QCOMPARE(Dic()->GetItem(second)->m_nMode, qint16(NoLearn));
        QCOMPARE(Dic()->GetTodayCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestDrillSession)
#include "tst_drillsession.moc"

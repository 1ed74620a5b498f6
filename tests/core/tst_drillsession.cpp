#include "common/MessageRecorder.h"
#include "common/StudyData.h"
#include "platform/Profile.h"
#include "study/CItem.h"
#include "study/DrillFrontend.h"
#include "study/DrillSession.h"

#include <QTest>
#include <deque>

namespace {

const QString kSettings = QStringLiteral("Settings");

CDictionary* Dic()
{
    return StudyData::Dic();
}

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
};

} // namespace

// The drill loop without a window: start, ask, count, answer, file under a
// mode, go on or back, and save at the end.
class TestDrillSession : public QObject {
    Q_OBJECT

private:
    StudyData m_data;
    std::unique_ptr<RecordingFrontend> m_screen;
    std::unique_ptr<DrillSession> m_session;

    void Begin()
    {
        m_screen = std::make_unique<RecordingFrontend>();
        m_session = std::make_unique<DrillSession>(*m_screen);
        m_session->Start();
    }
    // The end of one run of the program and the start of the next.
    void Restart()
    {
        m_session->CommitMode();
        m_session->ExitSave();
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
                if (!m_session->PromptForMode())
                    m_session->NextQuestion();
                break;
            case 'B':
                if (!m_session->PromptForMode())
                    m_session->PreviousQuestion();
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
    void init() { StudyData::Fresh(); }
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
        QTest::addColumn<int>("qaMode");
        QTest::addColumn<int>("red");
        QTest::addColumn<QStringList>("shown"); // Q question text, W word, M markup
        QTest::newRow("reading asked") << 0 << 0 << QStringList{"Q", "W", "Q", "W"};
        QTest::newRow("reading asked, red") << 0 << 1 << QStringList{"Q", "M", "Q", "M"};
        QTest::newRow("word asked") << 1 << 0 << QStringList{"W", "Q", "W", "Q"};
        QTest::newRow("word asked, red") << 1 << 1 << QStringList{"M", "Q", "M", "Q"};
        QTest::newRow("other value acts as 0") << 2 << 0 << QStringList{"Q", "W", "Q", "W"};
    }
    void sides()
    {
        QFETCH(int, qaMode);
        QFETCH(int, red);
        QFETCH(QStringList, shown);
        WriteProfileInt(kSettings, QStringLiteral("QAMode"), qaMode);
        WriteProfileInt(kSettings, QStringLiteral("HyogaiRed"), red);
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
        m_session->NextQuestion();
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
        QTest::addColumn<int>("noUnspec");
        QTest::addColumn<QString>("before"); // steps before "next"
        QTest::addColumn<int>("answer");     // -1 cancel
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<int>("mode"); // of the question left
        QTest::newRow("cancel stays") << 1 << "A" << -1 << 1 << false << int(Unspec);
        QTest::newRow("known") << 1 << "A" << int(Known) << 1 << true << int(Known);
        QTest::newRow("left unspecified") << 1 << "A" << int(Unspec) << 1 << true << int(Unspec);
        QTest::newRow("not answered yet") << 1 << "" << -1 << 0 << true << int(Unspec);
        QTest::newRow("a mode chosen") << 1 << "2" << -1 << 0 << true << int(Learned);
        QTest::newRow("setting off") << 0 << "A" << -1 << 0 << true << int(Unspec);
        QTest::newRow("other value is off") << 2 << "A" << -1 << 0 << true << int(Unspec);
    }
    void noUnspecPrompt()
    {
        QFETCH(int, noUnspec);
        QFETCH(QString, before);
        QFETCH(int, answer);
        QFETCH(int, asked);
        QFETCH(bool, moves);
        QFETCH(int, mode);
        WriteProfileInt(kSettings, QStringLiteral("NoUnspec"), noUnspec);
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
        QTest::addColumn<int>("clearHistory");
        QTest::addColumn<int>("records");
        QTest::newRow("history kept") << 0 << 2;
        QTest::newRow("history emptied") << 1 << 0;
    }
    void exitSave()
    {
        QFETCH(int, clearHistory);
        QFETCH(int, records);
        WriteProfileInt(kSettings, QStringLiteral("ClearHistory"), clearHistory);
        Begin();
        const int first = Dic()->GetCurrentHistoryItem();
        Run(QStringLiteral("2N4"));
        const int second = Dic()->GetCurrentHistoryItem();
        m_session->CommitMode();
        m_session->ExitSave();
        StudyData::Reload();
        QCOMPARE(Dic()->GetHistoryCount(), records);
        QCOMPARE(Dic()->GetItem(first)->m_nMode, qint16(Learned));
        QCOMPARE(Dic()->GetItem(second)->m_nMode, qint16(NoLearn));
        QCOMPARE(Dic()->GetTodayCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestDrillSession)
#include "tst_drillsession.moc"

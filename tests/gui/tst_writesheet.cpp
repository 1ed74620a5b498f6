#include "common/FakeWordLists.h"
#include "common/TestEnv.h"
#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CWriteView.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "text/KanaConversion.h"
#include "widgets/CSearchDialogBar.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

const QString kSettings = QStringLiteral("Settings");

CDictionary* Dic()
{
    return CDictionary::GetInstance();
}

} // namespace

// The writing sheet inside the main window: its keys, the dictation count
// and the guide boxes of the question shown.
class TestWriteSheet : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeWordLists> m_lists;
    std::unique_ptr<CMainFrame> m_frame;

    void StartFrame()
    {
        m_frame = std::make_unique<CMainFrame>();
        QVERIFY(m_frame->Create());
        m_frame->resize(900, 600);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : m_frame.get(), key, modifiers);
    }
    CWriteView* View() const { return m_frame->GetView(); }
    int TodayShown() const
    {
        return m_frame->GetMainBar()
            ->findChild<QPushButton*>(QString::number(kIdTodayCount))
            ->text()
            .toInt();
    }
    void Stroke(int y)
    {
        QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, QPoint(30, y));
        QTest::mouseMove(View(), QPoint(120, y + 10));
        QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, QPoint(200, y));
    }

private slots:
    void initTestCase()
    {
        m_lists = std::make_shared<FakeWordLists>();
        m_lists->m_lists.insert(501, FakeWordLists::MakeList({
                                         QStringLiteral("合図(相図)する\tあいずする"),
                                         QStringLiteral("学校\tがっこう"),
                                         QStringLiteral("山\tやま"),
                                         QStringLiteral("一朝一夕の話\tいっちょういっせきのはなし"),
                                     }));
        m_lists->m_lists.insert(502, FakeWordLists::MakeList({QStringLiteral("花火\tはなび")}));
        m_lists->m_lists.insert(503, FakeWordLists::MakeList({QStringLiteral("青空\tあおぞら")}));
        m_lists->m_lists.insert(504, FakeWordLists::MakeList({QStringLiteral("手紙\tてがみ")}));
        m_lists->m_lists.insert(505, FakeWordLists::MakeList({QStringLiteral("読書\tどくしょ")}));
        m_lists->m_lists.insert(506, FakeWordLists::MakeList({QStringLiteral("海辺\tうみべ")}));
        CDictionary::SetWordListSource(m_lists);
    }
    void init()
    {
        QDir(TestEnv::Instance().DataFolder()).removeRecursively();
        TestEnv::ClearSettings();
        CDictionary::ResetInstanceForTesting();
    }
    void cleanup()
    {
        if (m_frame)
            m_frame->close();
        m_frame.reset();
        CDictionary::ResetInstanceForTesting();
    }
    void cleanupTestCase() { CDictionary::SetWordListSource(nullptr); }

    void undoAndRedoKeys_data()
    {
        QTest::addColumn<QList<QKeyCombination>>("keys");
        QTest::addColumn<int>("strokes");
        const QKeyCombination undo(Qt::ControlModifier, Qt::Key_Z);
        const QKeyCombination redo(Qt::ControlModifier, Qt::Key_Y);
        const QKeyCombination redoShift(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
        const QKeyCombination erase(Qt::NoModifier, Qt::Key_C);
        QTest::newRow("Ctrl+Z") << QList<QKeyCombination>{undo} << 1;
        QTest::newRow("Ctrl+Z twice") << QList<QKeyCombination>{undo, undo} << 0;
        QTest::newRow("Ctrl+Y") << QList<QKeyCombination>{undo, undo, redo} << 1;
        QTest::newRow("Ctrl+Shift+Z") << QList<QKeyCombination>{undo, redoShift} << 2;
        QTest::newRow("C, then Ctrl+Z") << QList<QKeyCombination>{erase, undo} << 2;
        QTest::newRow("C, Ctrl+Z, Ctrl+Y") << QList<QKeyCombination>{erase, undo, redo} << 0;
    }
    void undoAndRedoKeys()
    {
        QFETCH(QList<QKeyCombination>, keys);
        QFETCH(int, strokes);
        StartFrame();
        Stroke(40);
        Stroke(80);
        for (const QKeyCombination key : keys)
            Press(key.key(), key.keyboardModifiers());
        QCOMPARE(View()->Strokes().size(), strokes);
    }

    void ctrlZInTheSearchBoxUndoesTyping()
    {
        StartFrame();
        Stroke(40);
        Press(Qt::Key_S);
        auto* edit = m_frame->GetSearchBar()->findChild<QLineEdit*>(QString::number(kIdSearchText));
        QVERIFY(edit);
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QTest::keyClicks(edit, QStringLiteral("abc"));
        const QString typed = edit->text();
        QVERIFY(!typed.isEmpty());
        Press(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(edit->text() != typed);
        QCOMPARE(View()->Strokes().size(), 1);
        Press(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(edit->text(), typed);
        QCOMPARE(View()->Strokes().size(), 1);
        // A box that cannot be typed into leaves the keys to the sheet.
        edit->setReadOnly(true);
        Press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), typed);
        QCOMPARE(View()->Strokes().size(), 0);
    }

    void undoKeepsTheDictationCounted()
    {
        StartFrame();
        QCOMPARE(TodayShown(), 0);
        Stroke(40);
        QCOMPARE(TodayShown(), 1);
        QVERIFY(Dic()->IsCurrentAnswered(0));
        Press(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(View()->Strokes().isEmpty());
        QCOMPARE(TodayShown(), 1);
        QCOMPARE(Dic()->GetTodayCount(), 1);
        QVERIFY(Dic()->IsCurrentAnswered(0));
        // Writing again on the same question counts nothing more.
        Stroke(40);
        QCOMPARE(TodayShown(), 1);
        Press(Qt::Key_C);
        Press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(TodayShown(), 1);
    }

    void aNewQuestionStartsAFreshSheet()
    {
        WriteProfileInt(kSettings, QStringLiteral("GuideMode"), 2);
        StartFrame();
        for (int question = 0; question < 4; ++question) {
            const CDictionary::CItem* item = m_frame->GetSession().CurrentItem();
            QVERIFY(item);
            const QString word = RemoveParenthesized(item->GetWord());
            QCOMPARE(View()->GuideBoxes().size(), word.toUcs4().size());
            QVERIFY(View()->Strokes().isEmpty());
            QVERIFY(!View()->CanUndo());
            Stroke(40);
            Press(Qt::Key_A); // the answer keeps the writing
            QCOMPARE(View()->Strokes().size(), 1);
            Press(Qt::Key_A);
            Press(Qt::Key_N);
        }
    }

    void boxesForTheReadingWhenItIsTheAnswer()
    {
        WriteProfileInt(kSettings, QStringLiteral("GuideMode"), 2);
        WriteProfileInt(kSettings, QStringLiteral("QAMode"), 1);
        StartFrame();
        const CDictionary::CItem* item = m_frame->GetSession().CurrentItem();
        QVERIFY(item);
        QCOMPARE(View()->GuideBoxes().size(),
                 RemoveParenthesized(item->GetReading()).toUcs4().size());
    }

    void menuKeyOpensTheSheetMenu()
    {
        StartFrame();
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus && focus != View());
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(2, 2),
                              focus->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(focus, &key);
        QTRY_VERIFY(View()->ContextMenu()->isVisible());
        View()->ContextMenu()->hide();
        // A click with the right button elsewhere in the window does not.
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2),
                                focus->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(focus, &click);
        QVERIFY(!View()->ContextMenu()->isVisible());
    }
};

QTEST_MAIN(TestWriteSheet)
#include "tst_writesheet.moc"

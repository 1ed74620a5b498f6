#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/ModalAnswerer.h"
#include "common/StudyData.h"
#include "common/TestEnv.h"
#include "dialogs/COptionDialog.h"
#include "dialogs/CSpinButtonCtrl.h"
#include "platform/HelpService.h"
#include "platform/Options.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/FsrsScheduler.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kSettings = QStringLiteral("Settings");
// Returned for a setting the dialog did not write.
constexpr int kUnset = -12345;
const QString kUnsetText = QStringLiteral("<unset>");

// The families the dialog is given instead of the installed ones.
const QStringList kReportedFamilies = {
    QStringLiteral("IPAGothic"),  QStringLiteral("@IPAGothic"),
    QStringLiteral("Arial"),      QStringLiteral("arial"),
    QStringLiteral("IPAPGothic"), QStringLiteral("Droid Sans Fallback"),
    QStringLiteral("IPAGothic"),  QStringLiteral("@Droid Sans Fallback"),
};

const QString kConfirmation = QStringLiteral("チェックした学習状況をクリアしてもよろしいですか？");

} // namespace

class TestOptionDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<COptionDialog> m_dialog;
    int m_nModesCleared = 0;
    int m_nCountsCleared = 0;

    // Twenty items in the first list, the other five lists empty.
    static void UseLists()
    {
        auto lists = std::make_shared<FakeWordLists>();
        QStringList items;
        for (int i = 0; i < 20; ++i)
            items << QStringLiteral("語%1\tご%1").arg(i);
        lists->m_lists.insert(501, FakeWordLists::MakeList(items));
        for (int id = 502; id <= 506; ++id)
            lists->m_lists.insert(id, FakeWordLists::MakeList({}));
        CDictionary::SetWordListSource(lists);
    }

    // Items 0.. get the modes in order, as many of each as asked.
    static void SetModes(int known, int learned, int learning, int noLearn)
    {
        CDictionary* dic = CDictionary::GetInstance();
        dic->EnsureLoaded();
        int index = 0;
        const auto assign = [&](int count, qint16 mode) {
            for (int k = 0; k < count; ++k)
                dic->GetItem(index++)->m_nMode = mode;
        };
        assign(known, Known);
        assign(learned, Learned);
        assign(learning, Learning);
        assign(noLearn, NoLearn);
    }

    static int CountMode(int mode)
    {
        CDictionary* dic = CDictionary::GetInstance();
        dic->EnsureLoaded();
        dic->RecountModes();
        return dic->CountInMode(mode);
    }

    COptionDialog* Open()
    {
        m_dialog = std::make_unique<COptionDialog>();
        connect(m_dialog.get(), &COptionDialog::ModesCleared, this, [this] { ++m_nModesCleared; });
        connect(m_dialog.get(), &COptionDialog::DictationCountsCleared, this,
                [this] { ++m_nCountsCleared; });
        m_dialog->show();
        return m_dialog.get();
    }

    template <typename T> T* Control(int id) const
    {
        T* control = m_dialog->findChild<T*>(QString::number(id));
        if (!control)
            qFatal("control %d missing", id);
        return control;
    }

    void ClickOk() { QTest::mouseClick(Control<QPushButton>(1), Qt::LeftButton); }

    static QStringList Rows(const QComboBox* combo)
    {
        QStringList rows;
        for (int row = 0; row < combo->count(); ++row)
            rows << combo->itemText(row);
        return rows;
    }

    static void LoseFocus(QWidget* widget)
    {
        QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(widget, &event);
    }

private slots:
    void initTestCase()
    {
        COptionDialog::SetFontFamilySourceForTesting([] { return kReportedFamilies; });
    }

    void cleanupTestCase()
    {
        COptionDialog::SetFontFamilySourceForTesting(nullptr);
        CDictionary::SetWordListSource(nullptr);
        CDictionary::ResetInstanceForTesting();
    }

    void init()
    {
        StudyData::Fresh();
        UseLists();
        m_nModesCleared = m_nCountsCleared = 0;
    }

    void cleanup() { m_dialog.reset(); }

    void fontListLeavesOutVerticalFacesAndRepeats()
    {
        Open();
        QCOMPARE(Rows(m_dialog->m_comboFont),
                 QStringList({QStringLiteral(" （指定なし）"), QStringLiteral("Arial"),
                              QStringLiteral("arial"), QStringLiteral("Droid Sans Fallback"),
                              QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")}));
    }

    void storedFontFace_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("storedAfterOk");
        QTest::addColumn<bool>("fontChanged");
        QTest::newRow("empty") << ""
                               << " （指定なし）"
                               << "" << false;
        QTest::newRow("exact") << "IPAGothic"
                               << "IPAGothic"
                               << "IPAGothic" << false;
        QTest::newRow("prefix, other case") << "ipap"
                                            << "IPAPGothic"
                                            << "IPAPGothic" << true;
        QTest::newRow("prefix of two") << "IPA"
                                       << "IPAGothic"
                                       << "IPAGothic" << true;
        QTest::newRow("not installed") << "MS Mincho"
                                       << ""
                                       << "" << true;
    }
    void storedFontFace()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, storedAfterOk);
        QFETCH(bool, fontChanged);
        WriteProfileString(kSettings, QStringLiteral("FontFace"), stored);
        Open();
        QCOMPARE(m_dialog->m_comboFont->currentText(), shown);
        QCOMPARE(m_dialog->m_comboFont->currentIndex() == -1, shown.isEmpty());
        ClickOk();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QCOMPARE(GetProfileString(kSettings, QStringLiteral("FontFace"), kUnsetText),
                 storedAfterOk);
        QCOMPARE(m_dialog->m_bFontChanged, fontChanged);
        QVERIFY(!m_dialog->m_bRedChanged);
    }

    void choosingNoFaceStoresEmpty()
    {
        WriteProfileString(kSettings, QStringLiteral("FontFace"), QStringLiteral("Arial"));
        Open();
        m_dialog->m_comboFont->setCurrentIndex(0);
        ClickOk();
        QCOMPARE(GetProfileString(kSettings, QStringLiteral("FontFace"), kUnsetText), QString());
        QVERIFY(m_dialog->m_bFontChanged);
    }

    void storedChoices_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("control");
        QTest::addColumn<int>("stored"); // kUnset: nothing stored
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("storedAfterOk");
        QTest::newRow("pen default")
            << "StrokeWidth" << int(kIdStrokeWidth) << kUnset << "標準" << 6;
        QTest::newRow("pen thin") << "StrokeWidth" << int(kIdStrokeWidth) << 3 << "細い" << 3;
        QTest::newRow("pen thick") << "StrokeWidth" << int(kIdStrokeWidth) << 12 << "太い" << 12;
        QTest::newRow("pen 9") << "StrokeWidth" << int(kIdStrokeWidth) << 9 << "標準" << 6;
        QTest::newRow("freq default")
            << "ProbFreq" << int(kIdFrequency) << kUnset << "1/100" << 100;
        QTest::newRow("freq 200") << "ProbFreq" << int(kIdFrequency) << 200 << "1/200" << 200;
        QTest::newRow("freq 10") << "ProbFreq" << int(kIdFrequency) << 10 << "1/10" << 10;
        QTest::newRow("freq 7") << "ProbFreq" << int(kIdFrequency) << 7 << "1/100" << 100;
        QTest::newRow("pref default")
            << "PrefKanji" << int(kIdPreferredKanji) << kUnset << "優先なし" << 0;
        QTest::newRow("pref 2") << "PrefKanji" << int(kIdPreferredKanji) << 2 << "表外漢字を優先"
                                << 2;
        QTest::newRow("pref 7") << "PrefKanji" << int(kIdPreferredKanji) << 7 << "優先なし" << 0;
        QTest::newRow("pref -1") << "PrefKanji" << int(kIdPreferredKanji) << -1 << "優先なし" << 0;
        QTest::newRow("qa 1") << "QAMode" << int(kIdQAMode) << 1 << "漢字→読み" << 1;
        QTest::newRow("qa 2") << "QAMode" << int(kIdQAMode) << 2 << "読み→漢字" << 0;
        QTest::newRow("unspec 1") << "NoUnspec" << int(kIdNoUnspec) << 1 << "他のモードを指定" << 1;
        QTest::newRow("unspec 5") << "NoUnspec" << int(kIdNoUnspec) << 5 << "指定なしのまま" << 0;
        QTest::newRow("strictness default")
            << "CheckStrictness" << int(kIdCheckStrictness) << kUnset << "ふつう" << 1;
        QTest::newRow("strictness 0")
            << "CheckStrictness" << int(kIdCheckStrictness) << 0 << "やさしい" << 0;
        QTest::newRow("strictness 2")
            << "CheckStrictness" << int(kIdCheckStrictness) << 2 << "きびしい" << 2;
        QTest::newRow("strictness 9")
            << "CheckStrictness" << int(kIdCheckStrictness) << 9 << "ふつう" << 1;
        QTest::newRow("reviews default")
            << "ReviewFirst" << int(kIdReviewFirst) << kUnset << "通常の出題" << 0;
        QTest::newRow("reviews first")
            << "ReviewFirst" << int(kIdReviewFirst) << 1 << "復習を優先" << 1;
        QTest::newRow("reviews 3")
            << "ReviewFirst" << int(kIdReviewFirst) << 3 << "通常の出題" << 0;
    }
    void storedChoices()
    {
        QFETCH(QString, name);
        QFETCH(int, control);
        QFETCH(int, stored);
        QFETCH(QString, shown);
        QFETCH(int, storedAfterOk);
        if (stored != kUnset)
            WriteProfileInt(kSettings, name, stored);
        Open();
        QCOMPARE(Control<QComboBox>(control)->currentText(), shown);
        ClickOk();
        QCOMPARE(GetProfileInt(kSettings, name, kUnset), storedAfterOk);
    }

    void choiceListsInOrder()
    {
        Open();
        QCOMPARE(
            Rows(Control<QComboBox>(kIdStrokeWidth)),
            QStringList({QStringLiteral("細い"), QStringLiteral("標準"), QStringLiteral("太い")}));
        QCOMPARE(
            Rows(Control<QComboBox>(kIdFrequency)),
            QStringList({QStringLiteral("1/200"), QStringLiteral("1/100"), QStringLiteral("1/50"),
                         QStringLiteral("1/20"), QStringLiteral("1/10")}));
        QCOMPARE(Rows(Control<QComboBox>(kIdPreferredKanji)),
                 QStringList({QStringLiteral("優先なし"), QStringLiteral("常用漢字を優先"),
                              QStringLiteral("表外漢字を優先")}));
    }

    void changedChoicesAreStored()
    {
        Open();
        Control<QComboBox>(kIdStrokeWidth)->setCurrentIndex(2);
        Control<QComboBox>(kIdFrequency)->setCurrentIndex(3);
        Control<QComboBox>(kIdPreferredKanji)->setCurrentIndex(1);
        Control<QComboBox>(kIdQAMode)->setCurrentIndex(1);
        Control<QComboBox>(kIdNoUnspec)->setCurrentIndex(1);
        Control<QCheckBox>(kIdClearHistory)->setChecked(true);
        ClickOk();
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("StrokeWidth"), kUnset), 12);
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("ProbFreq"), kUnset), 20);
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("PrefKanji"), kUnset), 1);
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("QAMode"), kUnset), 1);
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("NoUnspec"), kUnset), 1);
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("ClearHistory"), kUnset), 1);
    }

    void okWithoutChanges()
    {
        Open();
        ClickOk();
        QVERIFY(!m_dialog->m_bFontChanged);
        QVERIFY(!m_dialog->m_bRedChanged);
        // The font and the red marking are written only when they change ...
        QCOMPARE(GetProfileString(kSettings, QStringLiteral("FontFace"), kUnsetText), kUnsetText);
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FontPoint"), kUnset), kUnset);
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("HyogaiRed"), kUnset), kUnset);
        // ... the rest at every OK.
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("ClearHistory"), kUnset), 0);
        QCOMPARE(GetProfileString(kSettings, QStringLiteral("SearchURL"), kUnsetText),
                 Options::DefaultSearchUrl());
    }

    void cancelStoresNothing()
    {
        Open();
        m_dialog->m_comboFont->setCurrentIndex(2);
        Control<QLineEdit>(kIdFontPoint)->setText(QStringLiteral("50"));
        Control<QCheckBox>(kIdHyogaiRed)->setChecked(true);
        Control<QComboBox>(kIdStrokeWidth)->setCurrentIndex(0);
        Control<QCheckBox>(kIdClearHistory)->setChecked(true);
        Control<QCheckBox>(kIdClearCounts)->setChecked(true);
        QTest::mouseClick(Control<QPushButton>(2), Qt::LeftButton);
        QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
        QVERIFY(QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmoor", "Velmarik")
                    .allKeys()
                    .isEmpty());
    }

    void fontPointClamp_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("clamped");
        QTest::newRow("empty") << ""
                               << "10";
        QTest::newRow("above") << "150"
                               << "100";
        QTest::newRow("leading zero") << "036"
                                      << "36";
        QTest::newRow("below") << "5"
                               << "10";
        QTest::newRow("low end") << "10"
                                 << "10";
        QTest::newRow("high end") << "100"
                                  << "100";
        QTest::newRow("huge") << "99999999999999999999"
                              << "100";
        QTest::newRow("digits then letters") << "42pt"
                                             << "42";
    }
    void fontPointClamp()
    {
        QFETCH(QString, typed);
        QFETCH(QString, clamped);
        Open();
        QLineEdit* edit = Control<QLineEdit>(kIdFontPoint);
        edit->setText(typed);
        LoseFocus(edit);
        QCOMPARE(edit->text(), clamped);
        // OK clamps again, whatever was typed since.
        edit->setText(typed);
        ClickOk();
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FontPoint"), kUnset),
                 clamped == "36" ? kUnset : clamped.toInt());
        QCOMPARE(m_dialog->m_bFontChanged, clamped != "36");
    }

    void storedFontPointShownUnclamped()
    {
        WriteProfileInt(kSettings, QStringLiteral("FontPoint"), 250);
        Open();
        QCOMPARE(Control<QLineEdit>(kIdFontPoint)->text(), QStringLiteral("250"));
        ClickOk();
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FontPoint"), kUnset), 100);
        QVERIFY(m_dialog->m_bFontChanged);
    }

    void arrowKeysStepWithinRange_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        QTest::newRow("up") << "36" << int(Qt::Key_Up) << "37";
        QTest::newRow("down") << "36" << int(Qt::Key_Down) << "35";
        QTest::newRow("up at top") << "100" << int(Qt::Key_Up) << "100";
        QTest::newRow("down at bottom") << "10" << int(Qt::Key_Down) << "10";
        QTest::newRow("up from above") << "150" << int(Qt::Key_Up) << "100";
    }
    void arrowKeysStepWithinRange()
    {
        QFETCH(QString, start);
        QFETCH(int, key);
        QFETCH(QString, after);
        Open();
        QLineEdit* edit = Control<QLineEdit>(kIdFontPoint);
        edit->setText(start);
        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(edit->text(), after);
    }

    void sizeChangeSetsOnlyFontFlag()
    {
        Open();
        Control<QLineEdit>(kIdFontPoint)->setText(QStringLiteral("40"));
        ClickOk();
        QVERIFY(m_dialog->m_bFontChanged);
        QVERIFY(!m_dialog->m_bRedChanged);
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("FontPoint"), kUnset), 40);
    }

    void redMarking_data()
    {
        QTest::addColumn<int>("stored"); // kUnset: nothing stored
        QTest::addColumn<bool>("shownChecked");
        QTest::addColumn<bool>("check");
        QTest::addColumn<bool>("redChanged");
        QTest::addColumn<int>("storedAfterOk");
        QTest::newRow("turned on") << kUnset << false << true << true << 1;
        QTest::newRow("turned off") << 1 << true << false << true << 0;
        QTest::newRow("left on, odd value kept") << 5 << true << true << false << 5;
        QTest::newRow("left off") << kUnset << false << false << false << kUnset;
    }
    void redMarking()
    {
        QFETCH(int, stored);
        QFETCH(bool, shownChecked);
        QFETCH(bool, check);
        QFETCH(bool, redChanged);
        QFETCH(int, storedAfterOk);
        if (stored != kUnset)
            WriteProfileInt(kSettings, QStringLiteral("HyogaiRed"), stored);
        Open();
        QCOMPARE(Control<QCheckBox>(kIdHyogaiRed)->isChecked(), shownChecked);
        Control<QCheckBox>(kIdHyogaiRed)->setChecked(check);
        ClickOk();
        QCOMPARE(m_dialog->m_bRedChanged, redChanged);
        QVERIFY(!m_dialog->m_bFontChanged);
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("HyogaiRed"), kUnset), storedAfterOk);
    }

    void searchUrl_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("storedAfterOk");
        const QString def = Options::DefaultSearchUrl();
        QTest::newRow("emptied") << "https://example.org/search?q="
                                 << "" << def;
        QTest::newRow("own url") << ""
                                 << "https://example.org/search?q="
                                 << "https://example.org/search?q=";
    }
    void searchUrl()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QString, storedAfterOk);
        if (!stored.isEmpty())
            WriteProfileString(kSettings, QStringLiteral("SearchURL"), stored);
        Open();
        QCOMPARE(Control<QLineEdit>(kIdSearchUrl)->text(),
                 stored.isEmpty() ? Options::DefaultSearchUrl() : stored);
        Control<QLineEdit>(kIdSearchUrl)->setText(typed);
        ClickOk();
        QCOMPARE(GetProfileString(kSettings, QStringLiteral("SearchURL"), kUnsetText),
                 storedAfterOk);
    }

    void clearingCaptionsShowCounts()
    {
        SetModes(3, 12, 2, 1);
        CDictionary::GetInstance()->m_nTotalCount = 4711;
        Open();
        QCOMPARE(Control<QCheckBox>(kIdClearFirst)->text(),
                 QStringLiteral("すべての「知ってる」をクリア(&1) （現在 3 個）"));
        QCOMPARE(Control<QCheckBox>(kIdClearFirst + 1)->text(),
                 QStringLiteral("すべての「覚えた」をクリア(&2) （現在 12 個）"));
        QCOMPARE(Control<QCheckBox>(kIdClearFirst + 2)->text(),
                 QStringLiteral("すべての「覚えたい」をクリア(&3) （現在 2 個）"));
        QCOMPARE(Control<QCheckBox>(kIdClearFirst + 3)->text(),
                 QStringLiteral("すべての「覚えない」をクリア(&4) （現在 1 個）"));
        QCOMPARE(Control<QCheckBox>(kIdClearCounts)->text(),
                 QStringLiteral("書き取り回数をクリア(&5) （現在 4711 回）"));
        for (int id = kIdClearFirst; id <= kIdClearCounts; ++id)
            QVERIFY(!Control<QCheckBox>(id)->isChecked());
    }

    void refusedConfirmationKeepsDialogOpen()
    {
        SetModes(0, 12, 0, 0);
        MessageRecorder messages;
        messages.SetNextAnswer(IDCANCEL);
        Open();
        Control<QComboBox>(kIdStrokeWidth)->setCurrentIndex(2);
        Control<QCheckBox>(kIdClearFirst + 1)->setChecked(true);
        ClickOk();
        QCOMPARE(messages.Texts(), QStringList({kConfirmation}));
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(GetProfileInt(kSettings, QStringLiteral("StrokeWidth"), kUnset), kUnset);
        QCOMPARE(CountMode(Learned), 12);
        QVERIFY(Control<QCheckBox>(kIdClearFirst + 1)->isChecked());
        QCOMPARE(Control<QComboBox>(kIdStrokeWidth)->currentIndex(), 2);
        QCOMPARE(m_nModesCleared, 0);
    }

    void clearingModes_data()
    {
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<QList<int>>("remaining"); // Known, Learned, Learning, NoLearn
        QTest::newRow("learned only") << QList<int>{kIdClearFirst + 1} << QList<int>{3, 0, 2, 1};
        QTest::newRow("known only") << QList<int>{kIdClearFirst} << QList<int>{0, 12, 2, 1};
        QTest::newRow("learning and no-learn")
            << QList<int>{kIdClearFirst + 2, kIdClearFirst + 3} << QList<int>{3, 12, 0, 0};
        QTest::newRow("all four") << QList<int>{kIdClearFirst, kIdClearFirst + 1, kIdClearFirst + 2,
                                                kIdClearFirst + 3}
                                  << QList<int>{0, 0, 0, 0};
    }
    void clearingModes()
    {
        QFETCH(QList<int>, checked);
        QFETCH(QList<int>, remaining);
        SetModes(3, 12, 2, 1);
        CDictionary::GetInstance()->m_nTotalCount = 9;
        MessageRecorder messages;
        Open();
        for (int id : checked)
            Control<QCheckBox>(id)->setChecked(true);
        ClickOk();
        QCOMPARE(messages.Texts(), QStringList({kConfirmation}));
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        const int modes[] = {Known, Learned, Learning, NoLearn};
        for (int k = 0; k < 4; ++k)
            QCOMPARE(CountMode(modes[k]), remaining.at(k));
        QCOMPARE(CDictionary::GetInstance()->GetTotalCount(), 9);
        QCOMPARE(m_nModesCleared, 1);
        QCOMPARE(m_nCountsCleared, 0);

        // Saved at once: a fresh load sees the cleared modes.
        CDictionary::ResetInstanceForTesting();
        for (int k = 0; k < 4; ++k)
            QCOMPARE(CountMode(modes[k]), remaining.at(k));
    }

    void clearingCounts()
    {
        SetModes(3, 12, 2, 1);
        CDictionary* dic = CDictionary::GetInstance();
        dic->m_nTotalCount = 50;
        dic->m_mapDayCount.insert(MakeDayKey(GetStudyDate()), 7);
        MessageRecorder messages;
        Open();
        Control<QCheckBox>(kIdClearCounts)->setChecked(true);
        ClickOk();
        QCOMPARE(messages.Texts(), QStringList({kConfirmation}));
        QCOMPARE(dic->GetTotalCount(), 0);
        QCOMPARE(dic->GetTodayCount(), 0);
        QCOMPARE(m_nCountsCleared, 1);
        QCOMPARE(m_nModesCleared, 0);
        QCOMPARE(CountMode(Learned), 12);

        CDictionary::ResetInstanceForTesting();
        QCOMPARE(CDictionary::GetInstance()->GetTotalCount(), 0);
    }

    void resettingReviews_data()
    {
        // 語0 to 語3 in the first list, 語4 and 語5 in the second; all but
        // 語2 were reviewed, 語1 and 語5 are 覚えた.
        QTest::addColumn<QString>("scope");
        QTest::addColumn<bool>("clearLearned");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("counted"); // the caption's count
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("every item") << "すべての語" << false << int(IDOK) << 5 << QList<int>{};
        QTest::newRow("the second list")
            << "リスト「dic1_std2」の語" << false << int(IDOK) << 2 << QList<int>{0, 1, 3};
        QTest::newRow("a list without reviews")
            << "リスト「dic1_std3」の語" << false << int(IDOK) << 0 << QList<int>{0, 1, 3, 4, 5};
        QTest::newRow("覚えた") << "「覚えた」の語" << false << int(IDOK) << 2
                                << QList<int>{0, 3, 4};
        // The items the learner saw as 覚えた, though OK also makes them
        // 指定なし.
        QTest::newRow("覚えた, cleared too")
            << "「覚えた」の語" << true << int(IDOK) << 2 << QList<int>{0, 3, 4};
        QTest::newRow("refused") << "すべての語" << true << int(IDCANCEL) << 5
                                 << QList<int>{0, 1, 3, 4, 5};
    }
    void resettingReviews()
    {
        QFETCH(QString, scope);
        QFETCH(bool, clearLearned);
        QFETCH(int, answer);
        QFETCH(int, counted);
        QFETCH(QList<int>, kept);
        auto lists = std::make_shared<FakeWordLists>();
        lists->m_lists.insert(
            501, FakeWordLists::MakeList({u"語0\tご"_s, u"語1\tご"_s, u"語2\tご"_s, u"語3\tご"_s}));
        lists->m_lists.insert(502, FakeWordLists::MakeList({u"語4\tご"_s, u"語5\tご"_s}));
        CDictionary::SetWordListSource(lists);
        CDictionary* dic = CDictionary::GetInstance();
        for (int index : {0, 1, 3, 4, 5})
            dic->RateItem(index, ReviewRating::Good);
        dic->GetItem(1)->SetMode(Learned, -1);
        dic->GetItem(5)->SetMode(Learned, -1);
        dic->Save();

        int forgotten = 0;
        MessageRecorder messages;
        messages.SetNextAnswer(answer);
        Open();
        connect(m_dialog.get(), &COptionDialog::ReviewsForgotten, this, [&] { ++forgotten; });
        auto* scopes = Control<QComboBox>(kIdForgetScope);
        const int row = scopes->findText(scope);
        QVERIFY(row >= 0);
        // The learner picks what to forget; that checks the box.
        scopes->setCurrentIndex(row);
        emit scopes->activated(row);
        QVERIFY(Control<QCheckBox>(kIdForgetReviews)->isChecked());
        QCOMPARE(Control<QCheckBox>(kIdForgetReviews)->text(),
                 u"復習の記録を消去(&6) （現在 %1 語）"_s.arg(counted));
        Control<QCheckBox>(kIdClearFirst + 1)->setChecked(clearLearned);
        ClickOk();

        const QString question = scope + u"の復習の記録を消去してもよろしいですか？"_s;
        QCOMPARE(messages.Texts(),
                 QStringList{clearLearned ? kConfirmation + u"\r\n"_s + question : question});
        QCOMPARE(m_dialog->isVisible(), answer != IDOK);
        QCOMPARE(forgotten, answer == IDOK ? 1 : 0);
        // Saved at once: a fresh load sees what is left.
        CDictionary::ResetInstanceForTesting();
        QList<int> left;
        for (int index = 0; index < 6; ++index) {
            if (CDictionary::GetInstance()->GetReviewState(index))
                left << index;
        }
        QCOMPARE(left, kept);
        QCOMPARE(CountMode(Learned), clearLearned && answer == IDOK ? 0 : 2);
    }

    void resetScopesFollowTheLists()
    {
        Open();
        const QStringList rows = Rows(Control<QComboBox>(kIdForgetScope));
        QCOMPARE(rows.size(), 1 + 6 + 5);
        QCOMPARE(rows.first(), u"すべての語"_s);
        QCOMPARE(rows.at(1), u"リスト「dic1_std1」の語"_s);
        QCOMPARE(rows.last(), u"「指定なし」の語"_s);
        // Nothing checked: OK forgets nothing and asks nothing.
        MessageRecorder messages;
        CDictionary::GetInstance()->RateItem(3, ReviewRating::Again);
        ClickOk();
        QVERIFY(messages.Texts().isEmpty());
        QVERIFY(CDictionary::GetInstance()->GetReviewState(3));
    }

    void nothingCheckedAsksNothing()
    {
        MessageRecorder messages;
        Open();
        ClickOk();
        QVERIFY(messages.Texts().isEmpty());
        QCOMPARE(m_nModesCleared + m_nCountsCleared, 0);
        // Nothing was cleared, so nothing was written.
        QVERIFY(!QFile::exists(TestEnv::Instance().DataFolder() + QStringLiteral("dic1_std1.dat")));
    }

    void helpButtonOpensOptionsTopic()
    {
        QList<quint32> contexts;
        const HelpHandler previous = SetHelpHandler([&](HelpCommand command, quint32 context) {
            contexts << (command == HelpCommand::Context ? context : 0u);
        });
        Open();
        QTest::mouseClick(Control<QPushButton>(9), Qt::LeftButton);
        QTest::keyClick(m_dialog.get(), Qt::Key_F1);
        SetHelpHandler(previous);
        QCOMPARE(contexts, QList<quint32>({0x20084u, 0x20084u}));
    }

    void aboutButtonOpensVersionDialog()
    {
        Open();
        QString title;
        ModalAnswerer<> answerer([&](QDialog* modal) {
            title = modal->windowTitle();
            modal->close();
        });
        QTest::mouseClick(Control<QPushButton>(kIdAboutButton), Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("バージョン情報"));
        QVERIFY(m_dialog->isVisible());
    }
};

QTEST_MAIN(TestOptionDialog)
#include "tst_optiondialog.moc"

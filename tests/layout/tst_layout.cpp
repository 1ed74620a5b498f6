#include "common/TestEnv.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CActionDialog.h"
#include "dialogs/CDataFolderDialog.h"
#include "dialogs/CHistoryDialog.h"
#include "dialogs/CImportPreviewDialog.h"
#include "dialogs/CModeSelectDialog.h"
#include "dialogs/COptionDialog.h"
#include "dialogs/COwnListsDialog.h"
#include "dialogs/CStudyStateDialog.h"
#include "mainwnd/CCheckMarksOverlay.h"
#include "mainwnd/CHandwritingCheck.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CWriteView.h"
#include "platform/DialogUnits.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "platform/TextFit.h"
#include "recognition/CStrokeTemplates.h"
#include "recognition/StrokeMatch.h"
#include "recognition/WritingCheck.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/DrillSession.h"
#include "widgets/CSearchDialogBar.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

// Every visible control of every window, with the Japanese font and the
// screen scale this run was started with (ctest runs it with the IPA fonts
// and with Noto Sans CJK JP, at 100%, 150% and 200%): no control overlaps
// another, none sticks out of its window, and every text fits its control.
namespace {

QString Name(const QWidget* w)
{
    return QStringLiteral("%1 \"%2\" (%3)")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
        .arg(w->property("text").toString().isEmpty() ? w->property("title").toString()
                                                      : w->property("text").toString());
}

QString Shown(QString text)
{
    // "漢字のフォント(&F)" shows as "漢字のフォント(F)"; "&&" as "&".
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

int TextWidth(const QWidget* w, const QString& text)
{
    return w->fontMetrics().horizontalAdvance(Shown(text));
}

// A control whose inside is Qt's business: we look at it, not into it.
bool IsLeaf(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLabel*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractScrollArea*>(w);
}

QList<QWidget*> VisibleChildren(const QWidget* parent)
{
    QList<QWidget*> children;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisibleTo(parent) && !child->isWindow() && !child->geometry().isEmpty())
            children.append(child);
    }
    return children;
}

// Where the text of one control does not fit, a description; else empty.
QString TextFault(const QWidget* w)
{
    const QFontMetrics fm = w->fontMetrics();
    const QSize size = w->size();
    QString need;
    const auto check = [&](bool fits, const QString& what) {
        if (!fits)
            need += what + QLatin1Char(' ');
    };
    if (auto* button = qobject_cast<const QPushButton*>(w)) {
        if (button->text().isEmpty()) {
            // A picture button: the 24 x 24 picture inside the frame.
            const int frame = 2 * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
            check(size.width() >= 24 + frame && size.height() >= 24 + frame,
                  QStringLiteral("picture needs %1x%1").arg(24 + frame));
        } else {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            option.rect = button->rect();
            const QRect inside =
                w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w);
            check(TextWidth(w, button->text()) <= inside.width(),
                  QStringLiteral("text %1 > %2 wide")
                      .arg(TextWidth(w, button->text()))
                      .arg(inside.width()));
            check(fm.height() <= inside.height(),
                  QStringLiteral("text %1 > %2 high").arg(fm.height()).arg(inside.height()));
        }
    } else if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
        check(w->sizeHint().width() <= size.width(),
              QStringLiteral("needs %1 wide").arg(w->sizeHint().width()));
        check(fm.height() <= size.height(), QStringLiteral("needs %1 high").arg(fm.height()));
    } else if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (!label->pixmap().isNull()) {
            check(label->pixmap().deviceIndependentSize().toSize().width() <= size.width() &&
                      label->pixmap().deviceIndependentSize().toSize().height() <= size.height(),
                  QStringLiteral("picture larger than the label"));
        } else if (label->wordWrap()) {
            check(label->heightForWidth(size.width()) <= size.height(),
                  QStringLiteral("wrapped text needs %1 high")
                      .arg(label->heightForWidth(size.width())));
        } else if (!label->text().isEmpty()) {
            const QSize hint = label->sizeHint();
            check(hint.width() <= size.width(), QStringLiteral("needs %1 wide").arg(hint.width()));
            check(fm.height() <= size.height(), QStringLiteral("needs %1 high").arg(fm.height()));
        }
    } else if (auto* group = qobject_cast<const QGroupBox*>(w)) {
        check(TextWidth(w, group->title()) + fm.averageCharWidth() <= size.width(),
              QStringLiteral("title needs %1 wide").arg(TextWidth(w, group->title())));
    } else if (auto* combo = qobject_cast<const QComboBox*>(w)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.rect = combo->rect();
        option.editable = combo->isEditable();
        const QRect field = w->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, w);
        for (int k = 0; k < combo->count(); ++k) {
            const int width = fm.horizontalAdvance(combo->itemText(k));
            check(width <= field.width(), QStringLiteral("item \"%1\" %2 > %3 wide")
                                              .arg(combo->itemText(k))
                                              .arg(width)
                                              .arg(field.width()));
        }
        check(fm.height() <= field.height(), QStringLiteral("needs %1 high").arg(fm.height()));
    } else if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w)) {
        check(w->minimumSizeHint().height() <= size.height(),
              QStringLiteral("needs %1 high").arg(w->minimumSizeHint().height()));
        if (qobject_cast<const QAbstractSpinBox*>(w))
            check(w->minimumSizeHint().width() <= size.width(),
                  QStringLiteral("needs %1 wide").arg(w->minimumSizeHint().width()));
    } else if (auto* view = qobject_cast<const QAbstractItemView*>(w)) {
        // At least one row must show.
        const int frame = 2 * view->frameWidth();
        check(fm.height() + frame <= size.height(),
              QStringLiteral("shows no row: %1 high").arg(size.height()));
    }
    return need.isEmpty() ? QString() : Name(w) + QStringLiteral(": ") + need.trimmed();
}

// A group box frames the controls that lie inside it: they are siblings of
// it, so they may overlap its frame, though not its title.
bool FramedBy(const QWidget* group, const QWidget* control)
{
    auto* box = qobject_cast<const QGroupBox*>(group);
    if (!box)
        return false;
    QRect inside = box->geometry();
    inside.setTop(inside.top() + box->fontMetrics().height());
    return inside.contains(control->geometry());
}

void CollectFaults(const QWidget* parent, QStringList& faults)
{
    const QList<QWidget*> children = VisibleChildren(parent);
    const QRect area = parent->rect();
    for (qsizetype i = 0; i < children.size(); ++i) {
        const QWidget* a = children.at(i);
        if (!area.contains(a->geometry()))
            faults << QStringLiteral("%1 at (%2,%3 %4x%5) sticks out of %6 (%7x%8)")
                          .arg(Name(a))
                          .arg(a->x())
                          .arg(a->y())
                          .arg(a->width())
                          .arg(a->height())
                          .arg(Name(parent))
                          .arg(area.width())
                          .arg(area.height());
        for (qsizetype j = i + 1; j < children.size(); ++j) {
            const QWidget* b = children.at(j);
            if (a->geometry().intersects(b->geometry()) && !FramedBy(a, b) && !FramedBy(b, a))
                faults << QStringLiteral("%1 overlaps %2").arg(Name(a), Name(b));
        }
        const QString text = TextFault(a);
        if (!text.isEmpty())
            faults << text;
        if (!IsLeaf(a))
            CollectFaults(a, faults);
    }
}

QStringList LayoutFaults(const QWidget* window)
{
    QStringList faults;
    CollectFaults(window, faults);
    return faults;
}

// With VELMARIK_LAYOUT_SHOTS set, the windows are saved there as PNGs.
void SaveShot(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("VELMARIK_LAYOUT_SHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const QString font = qEnvironmentVariable("VELMARIK_LAYOUT_FONT", QStringLiteral("default"));
    window->grab().save(QDir(folder).filePath(QStringLiteral("%1-%2-%3.png")
                                                  .arg(name, font)
                                                  .arg(qRound(window->devicePixelRatioF() * 100))));
}

// The largest window of the test: 4K at this scale.
QSize FourK()
{
    const qreal ratio = qApp->devicePixelRatio();
    return QSize(qRound(3840 / ratio), qRound(2160 / ratio));
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;

    void StartFrame()
    {
        m_frame = std::make_unique<CMainFrame>();
        QVERIFY(m_frame->Create());
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

private slots:
    void initTestCase()
    {
        TestEnv::ClearSettings();
        const QString font = qEnvironmentVariable("VELMARIK_LAYOUT_FONT");
        const QString face = ResolveJapaneseFace(QStringLiteral("MS Shell Dlg"));
        if (font == QLatin1String("ipa"))
            QVERIFY2(face.startsWith(QLatin1String("IPA")), qPrintable(face));
        else if (font == QLatin1String("noto"))
            QCOMPARE(face, QStringLiteral("Noto Sans CJK JP"));
        qInfo("Japanese face %s at %g%% on a screen of %dx%d", qPrintable(face),
              qApp->devicePixelRatio() * 100, qApp->primaryScreen()->geometry().width(),
              qApp->primaryScreen()->geometry().height());
    }

    void cleanup()
    {
        if (m_frame) {
            WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("NoUnspec"), 0);
            m_frame->close();
            m_frame.reset();
        }
        TestEnv::ClearSettings();
        CDictionary::ResetInstanceForTesting();
    }

    // The checker itself: a clipped caption and an overlap are found.
    void checkerFindsFaults()
    {
        QWidget window;
        window.resize(200, 100);
        auto* narrow = new QPushButton(QStringLiteral("ネット検索のURL"), &window);
        narrow->setGeometry(0, 0, 20, 30);
        auto* other = new QPushButton(QStringLiteral("OK"), &window);
        other->setGeometry(10, 10, 100, 30);
        auto* outside = new QLabel(QStringLiteral("はみ出し"), &window);
        outside->setGeometry(150, 80, 100, 30);
        window.show();
        const QString faults = LayoutFaults(&window).join(QLatin1Char('\n'));
        QVERIFY2(faults.contains(QStringLiteral("text")), qPrintable(faults));
        QVERIFY2(faults.contains(QStringLiteral("overlaps")), qPrintable(faults));
        QVERIFY2(faults.contains(QStringLiteral("sticks out")), qPrintable(faults));

        other->setGeometry(30, 0, 100, 30);
        narrow->setGeometry(0, 40, 150, 30);
        outside->setGeometry(0, 70, 150, 30);
        QVERIFY2(LayoutFaults(&window).isEmpty(),
                 qPrintable(LayoutFaults(&window).join(QLatin1Char('\n'))));
    }

    // A clipped caption takes the free room to its right, and no more: up to
    // the next control on its row, or the window's margin; a group box
    // around it widens along when it has the room.
    void captionsWiden_data()
    {
        QTest::addColumn<int>("neighbourX"); // -1: no neighbour on the row
        QTest::addColumn<bool>("inGroup");
        QTest::addColumn<bool>("fits");
        QTest::newRow("free row") << -1 << false << true;
        QTest::newRow("neighbour far") << 380 << false << true;
        QTest::newRow("neighbour near") << 60 << false << false;
        QTest::newRow("in a group box") << -1 << true << true;
        QTest::newRow("group box with a near neighbour") << 70 << true << false;
    }
    void captionsWiden()
    {
        QFETCH(int, neighbourX);
        QFETCH(bool, inGroup);
        QFETCH(bool, fits);
        QWidget window;
        window.setFont(GetDialogFont(QStringLiteral("MS Shell Dlg"), 8));
        window.resize(400, 120);
        QGroupBox* group = nullptr;
        if (inGroup) {
            group = new QGroupBox(QStringLiteral("枠"), &window);
            group->setGeometry(10, 10, 50, 60);
        }
        auto* caption =
            new QCheckBox(QStringLiteral("毎回アプリ終了時に出題履歴をクリア(&C)"), &window);
        caption->setGeometry(20, 30, 30, 20);
        QPushButton* neighbour = nullptr;
        if (neighbourX >= 0) {
            neighbour = new QPushButton(QStringLiteral("OK"), &window);
            neighbour->setGeometry(neighbourX, 25, 15, 30);
        }
        FitCaptionWidths(&window);
        QCOMPARE(caption->width() >= caption->sizeHint().width(), fits);
        QVERIFY(caption->width() > 30);
        QCOMPARE(caption->geometry().topLeft(), QPoint(20, 30));
        QCOMPARE(caption->height(), 20);
        if (neighbour)
            QVERIFY(caption->geometry().right() < neighbour->x());
        QVERIFY(caption->geometry().right() < window.width());
        if (group) {
            QVERIFY(group->geometry().contains(caption->geometry()));
            if (neighbour)
                QVERIFY(group->geometry().right() < neighbour->x());
        }
    }

    void mainWindow_data()
    {
        QTest::addColumn<QSize>("size"); // empty: the minimum size
        QTest::addColumn<bool>("searchBar");
        for (const bool search : {false, true}) {
            const char* bar = search ? "with search bar" : "without search bar";
            QTest::addRow("minimum, %s", bar) << QSize() << search;
            QTest::addRow("900x680, %s", bar) << QSize(900, 680) << search;
            QTest::addRow("1280x800, %s", bar) << QSize(1280, 800) << search;
            QTest::addRow("4K, %s", bar) << FourK() << search;
        }
    }
    void mainWindow()
    {
        QFETCH(QSize, size);
        QFETCH(bool, searchBar);
        StartFrame();
        CSearchDialogBar* bar = m_frame->GetSearchBar();
        if (searchBar) {
            m_frame->OnCmdMsg(kCmdToggleSearch);
            // Results and the longest status line the bar shows.
            QTest::keyClicks(bar->findChild<QLineEdit*>(), QStringLiteral("ka"));
            bar->OnTimer();
            QCOMPARE(bar->Search().Results().size(), 500);
            QCOMPARE(bar->findChild<QLabel*>(QString::number(kIdSearchStatus))->text(),
                     QStringLiteral("検索結果が多すぎます (500個まで表示)"));
        }
        QCOMPARE(bar->isVisible(), searchBar);
        const QSize minimum = m_frame->minimumSize();
        QVERIFY2(minimum.width() > 0 && minimum.height() > 0, "the window has no minimum size");
        if (size.isEmpty())
            qInfo("minimum size %dx%d", minimum.width(), minimum.height());
        m_frame->resize(size.isEmpty() ? minimum : size.expandedTo(minimum));
        QTRY_COMPARE(m_frame->size(), size.isEmpty() ? minimum : size.expandedTo(minimum));
        const QStringList faults = LayoutFaults(m_frame.get());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        if (size == QSize(900, 680) || size.isEmpty())
            SaveShot(m_frame.get(), QStringLiteral("main%1%2")
                                        .arg(searchBar ? QStringLiteral("-search") : QString(),
                                             size.isEmpty() ? QStringLiteral("-min") : QString()));
    }

    // The answer side with the writing check's marks under a word whose
    // characters got each verdict in turn, and the answer's strokes laid
    // over them, numbered, with the faulty ones red.
    void mainWindowWithMarks()
    {
        StartFrame();
        m_frame->resize(QSize(900, 680).expandedTo(m_frame->minimumSize()));
        // A word of dense characters, where the numbers crowd most.
        CDictionary* dic = CDictionary::GetInstance();
        int dense = -1;
        for (int g = 0; g < dic->GetTotalItemCount() && dense < 0; ++g) {
            const QStringList characters = CharactersToCheck(dic->GetItem(g)->GetWord());
            if (characters.size() == 3 &&
                std::all_of(characters.cbegin(), characters.cend(), [](const QString& c) {
                    return CStrokeTemplates::Find(c).StrokeCount() >= 11;
                }))
                dense = g;
        }
        QVERIFY(dense >= 0);
        DrillSession& session = m_frame->GetSession();
        QVERIFY(session.ShowQuestion(dense, true));
        session.ToggleAnswer();
        QVERIFY(!session.IsQuestionSide());
        const QStringList characters = CharactersToCheck(session.CurrentItem()->GetWord());
        QVERIFY(!characters.isEmpty());
        const QWidget* view = m_frame->GetView();
        const qreal side = qMin(view->height() * 0.6, view->width() * 0.9 / characters.size());
        QList<CharacterCheck> checks;
        for (int i = 0; i < characters.size(); ++i) {
            CharacterCheck check;
            check.expected = characters[i];
            check.cell = QRectF(view->width() * 0.05 + i * side, view->height() * 0.1, side, side);
            const BoxPlacement place{side, check.cell.left(), side, check.cell.top()};
            for (const QLineF& line : CStrokeTemplates::Find(characters[i]).strokes)
                check.answerStrokes.append(place.Map(line));
            const int strokes = int(check.answerStrokes.size());
            check.writtenCount = strokes;
            for (int k = 0; k < strokes; ++k)
                check.writtenAs.append(k);
            check.outOfOrder = QList<bool>(strokes, false);
            check.reversed = QList<bool>(strokes, false);
            check.verdict = i % 3 == 0   ? CheckVerdict::Correct
                            : i % 3 == 1 ? CheckVerdict::StrokeFault
                                         : CheckVerdict::Wrong;
            if (check.verdict == CheckVerdict::StrokeFault && strokes >= 2) {
                std::swap(check.writtenAs[0], check.writtenAs[1]);
                check.outOfOrder[0] = check.outOfOrder[1] = true;
                check.reversed.last() = true;
            }
            if (check.verdict == CheckVerdict::Wrong)
                check.recognised = QStringLiteral("未");
            checks.append(check);
        }
        CHandwritingCheck* writing = m_frame->GetHandwritingCheck();
        writing->Overlay()->SetChecks(checks);
        writing->SetAnswerStrokesShown(true);
        QVERIFY(writing->Overlay()->ShowsAnswer());
        QCOMPARE(writing->Overlay()->MarkRects().size(), characters.size());
        const QStringList faults = LayoutFaults(m_frame.get());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        SaveShot(m_frame.get(), QStringLiteral("main-marks"));
    }

    void dialog_data()
    {
        using Make = std::function<QDialog*(QWidget*)>;
        QTest::addColumn<Make>("make");
        QTest::addColumn<QString>("name");
        QTest::newRow("about") << Make([](QWidget* p) { return new CAboutDlg(p); })
                               << QStringLiteral("about");
        QTest::newRow("options") << Make([](QWidget* p) { return new COptionDialog(p); })
                                 << QStringLiteral("options");
        QTest::newRow("study state") << Make([](QWidget* p) { return new CStudyStateDialog(p); })
                                     << QStringLiteral("studystate");
        QTest::newRow("history") << Make([](QWidget* p) { return new CHistoryDialog(p); })
                                 << QStringLiteral("history");
        QTest::newRow("mode select") << Make([](QWidget* p) { return new CModeSelectDialog(p); })
                                     << QStringLiteral("modeselect");
        QTest::newRow("action") << Make([](QWidget* p) {
            return new CActionDialog(p, QStringLiteral("一朝一夕に成し遂げる（いっちょういっせきに"
                                                       "なしとげる）"));
        }) << QStringLiteral("action");
        QTest::newRow("word lists")
            << Make([](QWidget* p) { return new COwnListsDialog(*CDictionary::GetInstance(), p); })
            << QStringLiteral("wordlists");
        QTest::newRow("data folder") << Make([](QWidget* p) {
            return new CDataFolderDialog(*CDictionary::GetInstance(), p);
        }) << QStringLiteral("datafolder");
        QTest::newRow("import preview") << Make([](QWidget* p) {
            // Rows of each kind: taken, refused for several reasons, uncoloured.
            static QTemporaryDir folder;
            const QString path = folder.filePath(QStringLiteral("教科書 第3課.txt"));
            QFile file(path);
            if (file.open(QIODevice::WriteOnly)) {
                file.write(QStringLiteral("漢字\tかんじ\t漢 = Han\n書く\tかく\nひらがな\tひらがな\n"
                                          "食べる\tのむ\n読む\tyomu\n漢字\tかんじ\n")
                               .toUtf8());
            }
            file.close();
            return new CImportPreviewDialog(path, ReadWordListFile(path),
                                            QStringLiteral("教科書 第3課"), {}, p);
        }) << QStringLiteral("importpreview");
    }
    void dialog()
    {
        using Make = std::function<QDialog*(QWidget*)>;
        QFETCH(Make, make);
        QFETCH(QString, name);
        StartFrame();
        std::unique_ptr<QDialog> dialog(make(m_frame.get()));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        const QSize start = dialog->size();
        // On a real screen's size every part of it can be reached: it is no
        // larger than the room the screen gives windows, and lies within it.
        // (The bare offscreen screen is smaller than any in use.)
        const QRect available = dialog->screen()->availableGeometry();
        QVERIFY2(qEnvironmentVariableIsEmpty("VELMARIK_LAYOUT_SCREEN") ||
                     (dialog->frameGeometry().width() <= available.width() &&
                      dialog->frameGeometry().height() <= available.height()),
                 qPrintable(QStringLiteral("%1x%2 on a screen with room for %3x%4")
                                .arg(dialog->frameGeometry().width())
                                .arg(dialog->frameGeometry().height())
                                .arg(available.width())
                                .arg(available.height())));
        if (!qEnvironmentVariableIsEmpty("VELMARIK_LAYOUT_SCREEN"))
            QTRY_VERIFY(available.contains(dialog->frameGeometry()));
        QStringList faults = LayoutFaults(dialog.get());
        // Controls shown in a scroll area to fit the screen are looked at
        // there.
        if (const auto* fit = dialog->findChild<QAbstractScrollArea*>(QStringLiteral("screenFit")))
            faults += LayoutFaults(fit->findChild<QWidget*>(QStringLiteral("screenFitContent")));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        SaveShot(dialog.get(), name);

        if (dialog->minimumSize() == dialog->maximumSize())
            return; // fixed size
        QVERIFY2(!dialog->minimumSize().isEmpty(), "a resizable dialog needs a minimum size");
        for (const QSize size : {dialog->minimumSize(), FourK()}) {
            dialog->resize(size);
            QTRY_COMPARE(dialog->size(), size);
            faults = LayoutFaults(dialog.get());
            QVERIFY2(faults.isEmpty(),
                     qPrintable(QStringLiteral("at %1x%2:\n").arg(size.width()).arg(size.height()) +
                                faults.join(QLatin1Char('\n'))));
        }
        dialog->resize(start);
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"

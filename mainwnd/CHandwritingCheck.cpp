#include "mainwnd/CHandwritingCheck.h"

#include "mainwnd/CCheckMarksOverlay.h"
#include "mainwnd/CStrokeOrderWindow.h"
#include "platform/Options.h"
#include "platform/Settings.h"
#include "recognition/CWritingChecker.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QTimer>
#include <QWidget>

CHandwritingCheck::CHandwritingCheck(QWidget* sheet, StrokesSource strokes, BoxesSource boxes,
                                     const QStringList& modelCandidates, QObject* parent)
    : QObject(parent), m_strokes(std::move(strokes)), m_boxes(std::move(boxes)), m_pSheet(sheet)
{
    m_pChecker = new CWritingChecker(modelCandidates, this);
    m_pOverlay = new CCheckMarksOverlay(sheet);
    // A window of its own that stays with the main window and closes with it.
    m_pStrokeOrder = new CStrokeOrderWindow(sheet->window());

    m_pCheckAction = new QAction(QStringLiteral("判定"), this);
    m_pCheckAction->setObjectName(QStringLiteral("checkWritingAction"));
    m_pCheckAction->setShortcut(Qt::Key_R);
    m_pCheckAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_pCheckAction, &QAction::triggered, this, [this] { RunCheck(); });

    m_pAutoAction = new QAction(QStringLiteral("答えを表示したら自動で判定"), this);
    m_pAutoAction->setObjectName(QStringLiteral("autoCheckAction"));
    m_pAutoAction->setCheckable(true);
    connect(m_pAutoAction, &QAction::toggled, this, [](bool on) { Options::SetCheckWriting(on); });

    m_pStrokeOrderAction = new QAction(QStringLiteral("書き順"), this);
    m_pStrokeOrderAction->setObjectName(QStringLiteral("strokeOrderAction"));
    m_pStrokeOrderAction->setShortcut(Qt::Key_K);
    m_pStrokeOrderAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_pStrokeOrderAction, &QAction::triggered, this, &CHandwritingCheck::ShowStrokeOrder);

    m_pAnswerAction = new QAction(QStringLiteral("見本を重ねる"), this);
    m_pAnswerAction->setObjectName(QStringLiteral("answerStrokesAction"));
    m_pAnswerAction->setCheckable(true);
    m_pAnswerAction->setShortcut(Qt::Key_M);
    m_pAnswerAction->setShortcutContext(Qt::WidgetShortcut);
    m_pAnswerAction->setToolTip(
        QStringLiteral("判定のあと、答えの字の画を書いた字の上に番号と向きつきで重ねます"));
    connect(m_pAnswerAction, &QAction::toggled, this, &CHandwritingCheck::SetAnswerStrokesShown);

    m_pStrictnessMenu = new QMenu(QStringLiteral("判定の厳しさ"), sheet);
    m_pStrictnessMenu->setObjectName(QStringLiteral("strictnessMenu"));
    m_pStrictness = new QActionGroup(this);
    const struct {
        const char* m_pszText;
        CheckStrictness m_level;
    } levels[] = {{"やさしい（書き順は問わない）", CheckStrictness::Lenient},
                  {"ふつう", CheckStrictness::Normal},
                  {"きびしい", CheckStrictness::Strict}};
    for (const auto& level : levels) {
        QAction* action = m_pStrictnessMenu->addAction(QString::fromUtf8(level.m_pszText));
        action->setCheckable(true);
        action->setData(int(level.m_level));
        m_pStrictness->addAction(action);
    }
    connect(m_pStrictness, &QActionGroup::triggered, this, [this](QAction* action) {
        SetStrictness(StrictnessFromSetting(action->data().toInt()));
        // Marks on the sheet were judged the old way: judge again.
        if (m_pOverlay->HasMarks())
            RunCheck();
    });

    m_pPause = new QTimer(this);
    m_pPause->setSingleShot(true);
    m_pPause->setInterval(kPauseMs);
    connect(m_pPause, &QTimer::timeout, this, &CHandwritingCheck::CheckWhileWriting);

    sheet->installEventFilter(this);
    connect(m_pChecker, &CWritingChecker::Checked, this, &CHandwritingCheck::OnChecked);
    connect(m_pChecker, &CWritingChecker::ModelLoaded, this, &CHandwritingCheck::UpdateActions);
    UpdateActions();
}

CHandwritingCheck::~CHandwritingCheck()
{
    delete m_pStrokeOrder;
}

bool CHandwritingCheck::IsOffered() const
{
    return m_pChecker->IsAvailable();
}

CheckStrictness CHandwritingCheck::Strictness()
{
    return StrictnessFromSetting(Options::CheckStrictness());
}

void CHandwritingCheck::SetStrictness(CheckStrictness strictness)
{
    Options::SetCheckStrictness(int(strictness));
}

QList<QAction*> CHandwritingCheck::ContextMenuActions() const
{
    // The check box shows the stored setting, which the options may have
    // changed since the menu was last open.
    const QSignalBlocker blocker(m_pAutoAction);
    m_pAutoAction->setChecked(Options::CheckWriting());
    return {m_pCheckAction, m_pAutoAction, m_pStrokeOrderAction, m_pAnswerAction,
            m_pStrictnessMenu->menuAction()};
}

void CHandwritingCheck::UpdateActions()
{
    const bool offered = IsOffered();
    m_pCheckAction->setEnabled(offered);
    m_pAutoAction->setEnabled(offered);
    m_pAnswerAction->setEnabled(offered);
    m_pStrictnessMenu->setEnabled(offered);
    const QSignalBlocker blocker(m_pAutoAction);
    m_pAutoAction->setChecked(Options::CheckWriting());
    const int level = int(Strictness());
    for (QAction* action : m_pStrictness->actions())
        action->setChecked(action->data().toInt() == level);
    if (!offered)
        m_pOverlay->Clear();
}

void CHandwritingCheck::OnQuestionShown(const QString& answer, const QString& word)
{
    m_strWord = answer;
    m_strStrokeOrderWord = word.isEmpty() ? answer : word;
    m_pChecker->SetQuestion(++m_nSerial);
    m_pPause->stop();
    ForgetChecks();
    m_pOverlay->Clear();
    if (m_pStrokeOrder)
        m_pStrokeOrder->SetWord(m_strStrokeOrderWord);
    // After the window's first paint: the line's text layout is no part of
    // what the learner waits for at start. Only on a blank sheet of the
    // question it was meant for: writing begun in the meantime has taken
    // its place, and the line must never stand over ink.
    if (GetProfileInt(Setting::WritingIntroShown) == 0)
        QTimer::singleShot(0, this, [this, serial = m_nSerial] {
            if (serial == m_nSerial && GetProfileInt(Setting::WritingIntroShown) == 0 &&
                (!m_strokes || m_strokes().isEmpty()))
                ShowIntro();
        });
}

void CHandwritingCheck::OnAnswerShown()
{
    HideIntro();
    if (Options::CheckWriting())
        RunCheck();
}

void CHandwritingCheck::OnQuestionSideShown()
{
    // The writing stays as it was: a check of it is still good for the
    // next time the answer shows.
    m_bShowWhenChecked = false;
    m_pOverlay->Clear();
}

void CHandwritingCheck::OnWritingBegun()
{
    // The learner has found where to write, whether or not the line had
    // appeared yet.
    WriteProfileInt(Setting::WritingIntroShown, 1);
    HideIntro();
    // The writing is about to change: checking it now would be wasted.
    m_pPause->stop();
}

void CHandwritingCheck::ShowIntro()
{
    if (!m_pSheet)
        return;
    if (!m_pIntro) {
        m_pIntro = new QLabel(m_pSheet);
        m_pIntro->setObjectName(QStringLiteral("writingIntro"));
        m_pIntro->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_pIntro->setAlignment(Qt::AlignCenter);
        m_pIntro->setWordWrap(true);
        m_pIntro->hide();
        // A palette, not a style sheet: the style sheet machinery costs the
        // start-up megabytes.
        QPalette palette = m_pIntro->palette();
        palette.setColor(QPalette::WindowText, QColor(0x6b, 0x5a, 0x3c));
        m_pIntro->setPalette(palette);
    }
    m_pIntro->setText(IsOffered() ? QStringLiteral("ここに答えをマウスかペンで書いてください。"
                                                   "「答え」を押すと、書いた字を答えの字と書き順に"
                                                   "照らして判定します。")
                                  : QStringLiteral("ここに答えをマウスかペンで書いてください。"));
    PlaceIntro();
}

void CHandwritingCheck::HideIntro()
{
    if (!m_pIntro)
        return;
    // Seen once is enough: later questions start on a plain sheet.
    WriteProfileInt(Setting::WritingIntroShown, 1);
    // Gone from the sheet now, not when the event loop next runs: the pen
    // is already down.
    m_pIntro->hide();
    m_pIntro->deleteLater();
    m_pIntro = nullptr;
}

void CHandwritingCheck::PlaceIntro()
{
    if (!m_pIntro || !m_pSheet)
        return;
    // Near the top, clear of where the characters go; on a sheet too small
    // for it the line waits until the sheet grows.
    const QRect area = m_pSheet->rect();
    const int margin = qMax(8, area.width() / 20);
    const int width = area.width() - 2 * margin;
    const int height = width > 0 ? m_pIntro->heightForWidth(width) : -1;
    const bool fits = width > 0 && height > 0 && margin / 2 + height <= area.height() / 2;
    if (fits)
        m_pIntro->setGeometry(margin, margin / 2, width, height);
    m_pIntro->setVisible(fits);
}

bool CHandwritingCheck::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pSheet && event->type() == QEvent::Resize)
        PlaceIntro();
    return QObject::eventFilter(watched, event);
}

void CHandwritingCheck::SetAnswerStrokesShown(bool shown)
{
    const QSignalBlocker blocker(m_pAnswerAction);
    m_pAnswerAction->setChecked(shown);
    m_pOverlay->SetShowAnswer(shown);
}

void CHandwritingCheck::ToggleAnswerStrokes()
{
    SetAnswerStrokesShown(!AnswerStrokesShown());
}

bool CHandwritingCheck::AnswerStrokesShown() const
{
    return m_pOverlay->ShowsAnswer();
}

CHandwritingCheck::CheckInput CHandwritingCheck::CurrentInput() const
{
    return {m_strokes ? m_strokes() : InkStrokes(), m_boxes ? m_boxes() : QList<QRectF>(),
            Strictness()};
}

bool CHandwritingCheck::HasCheckOfCurrentWriting() const
{
    return m_bChecked && m_checked == CurrentInput();
}

bool CHandwritingCheck::RunCheck()
{
    if (m_strWord.isEmpty())
        return false;
    const CheckInput input = CurrentInput();
    if (input.strokes.isEmpty())
        return false;
    if (!IsOffered()) {
        // Once: the learner who writes and sees no marks is told why.
        m_pChecker->ReportModelProblem();
        return false;
    }
    m_pPause->stop();
    if (m_bChecked && m_checked == input) {
        ShowMarks(m_checks);
        return true;
    }
    m_bShowWhenChecked = true;
    if (m_bRunning && m_running == input)
        return true;
    m_bShowWhenChecked = StartCheck(input);
    return m_bShowWhenChecked;
}

bool CHandwritingCheck::StartCheck(const CheckInput& input)
{
    if (!m_pChecker->Check(m_nSerial, input.strokes, m_strWord, input.boxes, input.strictness))
        return false;
    m_running = input;
    m_bRunning = true;
    return true;
}

void CHandwritingCheck::CheckWhileWriting()
{
    if (m_strWord.isEmpty() || !Options::CheckWriting() || !IsOffered())
        return;
    // A problem with the model is told when the learner asks for the
    // answer, not in the middle of a stroke.
    if (m_pChecker->HasProblemToReport())
        return;
    if (m_pChecker->State() == CWritingChecker::ModelState::Loading) {
        m_pPause->start();
        return;
    }
    if (m_pChecker->State() != CWritingChecker::ModelState::Ready)
        return;
    const CheckInput input = CurrentInput();
    if (input.strokes.isEmpty() || (m_bChecked && m_checked == input) ||
        (m_bRunning && m_running == input))
        return;
    StartCheck(input);
}

void CHandwritingCheck::ClearMarks()
{
    // A check still running was for the writing as it was; the question
    // stays, so its serial moves on to drop that result.
    m_pChecker->SetQuestion(++m_nSerial);
    ForgetChecks();
    m_pOverlay->Clear();
    if (Options::CheckWriting() && IsOffered() && !m_strWord.isEmpty())
        m_pPause->start();
}

void CHandwritingCheck::ForgetChecks()
{
    m_bRunning = false;
    m_bChecked = false;
    m_bShowWhenChecked = false;
    m_checks.clear();
}

void CHandwritingCheck::ShowStrokeOrder()
{
    if (!m_pStrokeOrder)
        return;
    m_pStrokeOrder->SetWord(m_strStrokeOrderWord);
    m_pStrokeOrder->show();
    m_pStrokeOrder->raise();
}

void CHandwritingCheck::OnChecked(quint64 serial, const QList<CharacterCheck>& checks)
{
    if (serial != m_nSerial || !m_bRunning)
        return;
    m_bRunning = false;
    m_checked = m_running;
    m_checks = checks;
    m_bChecked = true;
    emit CheckReady();
    if (m_bShowWhenChecked) {
        m_bShowWhenChecked = false;
        ShowMarks(checks);
    }
}

void CHandwritingCheck::ShowMarks(const QList<CharacterCheck>& checks)
{
    m_pOverlay->SetChecks(checks);
    emit MarksShown();
}

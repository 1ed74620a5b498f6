#include "mainwnd/CHandwritingCheck.h"

#include "mainwnd/CCheckMarksOverlay.h"
#include "mainwnd/CStrokeOrderWindow.h"
#include "platform/Options.h"
#include "recognition/CWritingChecker.h"

#include <QAction>
#include <QWidget>

CHandwritingCheck::CHandwritingCheck(QWidget* sheet, StrokesSource strokes, BoxesSource boxes,
                                     const QStringList& modelCandidates, QObject* parent)
    : QObject(parent), m_strokes(std::move(strokes)), m_boxes(std::move(boxes))
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

QList<QAction*> CHandwritingCheck::ContextMenuActions() const
{
    // The check box shows the stored setting, which the options may have
    // changed since the menu was last open.
    const QSignalBlocker blocker(m_pAutoAction);
    m_pAutoAction->setChecked(Options::CheckWriting());
    return {m_pCheckAction, m_pAutoAction, m_pStrokeOrderAction};
}

void CHandwritingCheck::UpdateActions()
{
    const bool offered = IsOffered();
    m_pCheckAction->setEnabled(offered);
    m_pAutoAction->setEnabled(offered);
    const QSignalBlocker blocker(m_pAutoAction);
    m_pAutoAction->setChecked(Options::CheckWriting());
    if (!offered)
        m_pOverlay->Clear();
}

void CHandwritingCheck::OnQuestionShown(const QString& answer, const QString& word)
{
    m_strWord = answer;
    m_strStrokeOrderWord = word.isEmpty() ? answer : word;
    m_pChecker->SetQuestion(++m_nSerial);
    m_pOverlay->Clear();
    if (m_pStrokeOrder)
        m_pStrokeOrder->SetWord(m_strStrokeOrderWord);
}

void CHandwritingCheck::OnAnswerShown()
{
    if (Options::CheckWriting())
        RunCheck();
}

bool CHandwritingCheck::RunCheck()
{
    if (m_strWord.isEmpty())
        return false;
    const InkStrokes strokes = m_strokes ? m_strokes() : InkStrokes();
    if (strokes.isEmpty())
        return false;
    if (!IsOffered()) {
        // Once: the learner who writes and sees no marks is told why.
        m_pChecker->ReportModelProblem();
        return false;
    }
    const QList<QRectF> boxes = m_boxes ? m_boxes() : QList<QRectF>();
    return m_pChecker->Check(m_nSerial, strokes, m_strWord, boxes);
}

void CHandwritingCheck::ClearMarks()
{
    // A check still running was for the writing as it was; the question
    // stays, so its serial moves on to drop that result.
    m_pChecker->SetQuestion(++m_nSerial);
    m_pOverlay->Clear();
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
    if (serial != m_nSerial)
        return;
    m_pOverlay->SetChecks(checks);
    emit MarksShown();
}

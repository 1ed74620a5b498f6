#pragma once

#include "mainwnd/CStrokeOrderWindow.h"
#include "recognition/InkStroke.h"
#include "recognition/ModelLocation.h"
#include "recognition/WritingCheck.h"

#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <functional>

class CCheckMarksOverlay;
class CWritingChecker;
class QAction;
class QActionGroup;
class QMenu;
class QTimer;
class QWidget;

// The writing check as the drill sees it. The frame tells it when a
// question and when its answer is shown; it reads the sheet's strokes and
// guide boxes, runs the check off the user-interface thread when the
// answer shows (setting "CheckWriting", section "Settings", default 1) or
// when asked (R, 判定), draws the verdicts over the sheet and drops them at
// the next question or when the question side shows again. The answer's
// strokes can be laid over the writing (M, 見本); how strictly the writing
// is judged is the setting "CheckStrictness". On the first question of a
// fresh profile a line on the sheet says where to write and that the
// writing is checked. It also keeps the stroke-order window (K, 書き順) on
// the current answer. The check only advises: it never files a mode.
//
// While the learner writes, the writing is checked in the background once
// the pen has rested for kPauseMs, and the result is kept without being
// shown: when the answer is shown for that same writing, its marks are
// painted at once. Any stroke added or undone since makes that result
// stale, and the answer waits for a check of the writing as it is.
class CHandwritingCheck : public QObject {
    Q_OBJECT
public:
    using StrokesSource = std::function<InkStrokes()>;
    using BoxesSource = std::function<QList<QRectF>()>;

    // How long the pen rests before the writing is checked in the
    // background.
    static constexpr int kPauseMs = 300;

    CHandwritingCheck(QWidget* sheet, StrokesSource strokes, BoxesSource boxes,
                      const QStringList& modelCandidates = HandwritingModelCandidates(),
                      QObject* parent = nullptr);
    ~CHandwritingCheck() override;

    // False when no model could be found or read: the check is not offered.
    bool IsOffered() const;
    static CheckStrictness Strictness();
    static void SetStrictness(CheckStrictness strictness);

    // A question is shown: the marks go, the stroke order follows. answer is
    // what the learner writes (the word, or its reading when the drill asks
    // the other way round); the stroke order shows word, or answer when word
    // is empty.
    void OnQuestionShown(const QString& answer, const QString& word = {});
    // The answer is shown: checks the writing when the automatic check is on.
    void OnAnswerShown();
    // The question side shows again: the marks go with the answer.
    void OnQuestionSideShown();
    // The learner put the pen down.
    void OnWritingBegun();
    // Checks the current writing now; false when there is nothing to check
    // or no model.
    bool RunCheck();
    // The writing changed or was wiped: its marks no longer apply, and it is
    // checked again once the pen rests.
    void ClearMarks();
    // Whether a finished check of the writing as it is now is at hand, so
    // that showing the answer paints its marks without waiting.
    bool HasCheckOfCurrentWriting() const;
    void ShowStrokeOrder();
    // Lays the answer's strokes over the writing, or takes them away.
    void SetAnswerStrokesShown(bool shown);
    void ToggleAnswerStrokes();
    bool AnswerStrokesShown() const;
    // The line that tells a new learner where to write; null once gone.
    QLabel* IntroLabel() const { return m_pIntro; }

    // 判定, the automatic check box, 書き順, 見本 and the strictness
    // submenu, for the sheet's context menu.
    QList<QAction*> ContextMenuActions() const;
    // Brings the actions up to date: the check box to the stored setting
    // (the options may change it), 判定 to whether a model is there. Call it
    // before the menu opens.
    void UpdateActions();

    CCheckMarksOverlay* Overlay() const { return m_pOverlay; }
    CStrokeOrderWindow* StrokeOrderWindow() const { return m_pStrokeOrder; }
    CWritingChecker* Checker() const { return m_pChecker; }

signals:
    // The marks of a finished check are on the sheet.
    void MarksShown();
    // A check of the writing finished, whether its marks show or are kept
    // for the answer.
    void CheckReady();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What a check was asked about: the same writing, boxes and strictness
    // give the same marks.
    struct CheckInput {
        InkStrokes strokes;
        QList<QRectF> boxes;
        CheckStrictness strictness = CheckStrictness::Normal;

        bool operator==(const CheckInput&) const = default;
    };

    CheckInput CurrentInput() const;
    bool StartCheck(const CheckInput& input);
    void CheckWhileWriting();
    void ShowMarks(const QList<CharacterCheck>& checks);
    void ForgetChecks();
    void OnChecked(quint64 serial, const QList<CharacterCheck>& checks);
    void ShowIntro();
    void HideIntro();
    void PlaceIntro();

    StrokesSource m_strokes;
    BoxesSource m_boxes;
    CWritingChecker* m_pChecker = nullptr;
    CCheckMarksOverlay* m_pOverlay = nullptr;
    QPointer<CStrokeOrderWindow> m_pStrokeOrder;
    QAction* m_pCheckAction = nullptr;
    QAction* m_pAutoAction = nullptr;
    QAction* m_pStrokeOrderAction = nullptr;
    QAction* m_pAnswerAction = nullptr;
    QMenu* m_pStrictnessMenu = nullptr;
    QActionGroup* m_pStrictness = nullptr;
    QPointer<QWidget> m_pSheet;
    QPointer<QLabel> m_pIntro;
    QString m_strWord;
    QString m_strStrokeOrderWord;
    quint64 m_nSerial = 0;
    QTimer* m_pPause = nullptr;
    // The check running for the current serial, and the last one finished
    // for it with its result.
    CheckInput m_running;
    bool m_bRunning = false;
    CheckInput m_checked;
    QList<CharacterCheck> m_checks;
    bool m_bChecked = false;
    // The marks are to show as soon as the running check is in.
    bool m_bShowWhenChecked = false;
};

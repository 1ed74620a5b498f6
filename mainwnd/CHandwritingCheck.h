#pragma once

#include "mainwnd/CStrokeOrderWindow.h"
#include "recognition/InkStroke.h"
#include "recognition/ModelLocation.h"
#include "recognition/WritingCheck.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <functional>

class CCheckMarksOverlay;
class CWritingChecker;
class QAction;
class QWidget;

// The writing check as the drill sees it. The frame tells it when a
// question and when its answer is shown; it reads the sheet's strokes and
// guide boxes, runs the check off the user-interface thread when the
// answer shows (setting "CheckWriting", section "Settings", default 1) or
// when asked (R, 判定), draws the verdicts over the sheet and drops them at
// the next question. It also keeps the stroke-order window (K, 書き順) on
// the current answer. The check only advises: it never files a mode.
class CHandwritingCheck : public QObject {
    Q_OBJECT
public:
    using StrokesSource = std::function<InkStrokes()>;
    using BoxesSource = std::function<QList<QRectF>()>;

    CHandwritingCheck(QWidget* sheet, StrokesSource strokes, BoxesSource boxes,
                      const QStringList& modelCandidates = HandwritingModelCandidates(),
                      QObject* parent = nullptr);
    ~CHandwritingCheck() override;

    // False when no model could be found or read: the check is not offered.
    bool IsOffered() const;

    // A question is shown: the marks go, the stroke order follows. answer is
    // what the learner writes (the word, or its reading when the drill asks
    // the other way round); the stroke order shows word, or answer when word
    // is empty.
    void OnQuestionShown(const QString& answer, const QString& word = {});
    // The answer is shown: checks the writing when the automatic check is on.
    void OnAnswerShown();
    // Checks the current writing now; false when there is nothing to check
    // or no model.
    bool RunCheck();
    // The writing changed or was wiped: its marks no longer apply.
    void ClearMarks();
    void ShowStrokeOrder();

    // 判定, the automatic check box and 書き順, for the sheet's context menu.
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

private:
    void OnChecked(quint64 serial, const QList<CharacterCheck>& checks);

    StrokesSource m_strokes;
    BoxesSource m_boxes;
    CWritingChecker* m_pChecker = nullptr;
    CCheckMarksOverlay* m_pOverlay = nullptr;
    QPointer<CStrokeOrderWindow> m_pStrokeOrder;
    QAction* m_pCheckAction = nullptr;
    QAction* m_pAutoAction = nullptr;
    QAction* m_pStrokeOrderAction = nullptr;
    QString m_strWord;
    QString m_strStrokeOrderWord;
    quint64 m_nSerial = 0;
};

#pragma once

#include "study/CDictionary.h"

#include <QHash>
#include <QKeyCombination>
#include <QWidget>

class CHandwritingCheck;
class CMainDialogBar;
class CPanelDialogBar;
class CSearchDialogBar;
class CWriteView;
class QSessionManager;

// The program's one top-level window. It lays out the canvas, the main
// control bar, the search bar and the question panel, owns the drill state
// (the current item and whether its question or its answer shows) and
// carries out every step of the drill. The keyboard reaches the steps
// through one accelerator table; the bar's buttons reach the same steps.
class CMainFrame : public QWidget {
    Q_OBJECT
public:
    // Command ids of the accelerator table and the framework.
    enum Command : int {
        kCmdModeKnown = 32771, // to 32775: Known, Learned, Learning, NoLearn, Unspec
        kCmdWebSearch = 32776,
        kCmdStudyState = 32777,
        kCmdHistory = 32778,
        kCmdPrevious = 32779,
        kCmdNext = 32780,
        kCmdAnswer = 32781,
        kCmdToggleSearch = 32782,
        kCmdOptions = 32783,
        kCmdSwapSides = 32784,
        kCmdSearchFilterKnown = 32785, // to 32789
        kCmdSearchAction = 32790,
        kCmdCheckWriting = 32791,
        kCmdStrokeOrder = 32792,
        kCmdErase = 57632,
        kCmdExit = 57665,
        kCmdHelpIndex = 57666,
    };
    // Bar alignments.
    enum Align : int { kAlignLeft = 0x1000, kAlignTop = 0x2000, kAlignRight = 0x4000 };

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The frame of the running program, null when there is none.
    static CMainFrame* GetMainFrame();

    // Creates the children and asks the first question. Placement comes
    // from the settings; false when the frame cannot be set up.
    bool Create();

    CWriteView* GetView() const { return m_wndView; }
    CMainDialogBar* GetMainBar() const { return m_wndMainBar; }
    CSearchDialogBar* GetSearchBar() const { return m_wndSearchBar; }
    CPanelDialogBar* GetPanelBar() const { return m_wndPanelBar; }
    CHandwritingCheck* GetHandwritingCheck() const { return m_pHandwriting; }
    CDictionary::CItem* GetCurrentItem() const { return m_pCurItem; }
    bool IsQuestionSide() const { return m_bQuestionSide; }
    bool IsMainBarRight() const { return m_nMainBarAlign == kAlignRight; }

    // Gives each visible bar its strip and the canvas the rest.
    void RecalcLayout();

    // Routes a command to the canvas, the main bar, the search bar while
    // visible, the frame and the application. False when nobody took it.
    bool OnCmdMsg(int id);
    // The command bound to a key press, or 0.
    int TranslateAccelerator(const QKeyEvent* event) const;

    // Drill steps. ShowQuestion returns false, changing nothing but the
    // commit, when the index has no item.
    bool ShowQuestion(int itemIndex, bool isNew);
    void ShowCurrentModeOnBar();
    void CommitMode();
    bool PromptForMode();
    void NextQuestion();
    void PreviousQuestion();
    void ReshowCurrentQuestion();
    void ToggleAnswer();
    void OpenHistoryDialog();

    void OnWebSearch();
    void OnStudyState();
    void OnOptions();
    void OnToggleSearchBar();
    void OnSwapSides();

    // The log-off or shutdown query: saves without prompting.
    void OnQueryEndSession();
    void SaveWindowPlacement();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The dialogs that come with the dialogs library open here; until they
    // are built nothing opens, and the options report no change.
    virtual void RunHistoryDialog();
    virtual bool RunOptionsDialog(bool& fontChanged, bool& redChanged);
    virtual void RunStudyStateDialog();

private:
    bool PreTranslateKey(QWidget* target, QKeyEvent* event);
    bool OnFrameCommand(int id);
    // The panel text of the current item for a side.
    QString WordSideText() const;
    QString QuestionSideText() const;
    void RebuildPanelText();
    void ExitSave();
    void RestorePlacement();
    void LayoutChildren();

    CWriteView* m_wndView = nullptr;
    CMainDialogBar* m_wndMainBar = nullptr;
    CSearchDialogBar* m_wndSearchBar = nullptr;
    CPanelDialogBar* m_wndPanelBar = nullptr;
    CHandwritingCheck* m_pHandwriting = nullptr;
    bool m_bQuestionSide = true;
    CDictionary::CItem* m_pCurItem = nullptr;

    int m_nMainBarAlign = kAlignRight;
    int m_nSearchBarAlign = kAlignLeft;
    bool m_bCreated = false;
    bool m_bClosed = false; // the exit save ran; later close requests pass
    bool m_bFirstShow = true;
    bool m_bInRecalc = false;
    bool m_bRecalcAgain = false;
    QHash<int, int> m_accelerators; // key combination -> command
};

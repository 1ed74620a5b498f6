#pragma once

#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/DrillFrontend.h"
#include "study/DrillSession.h"
#include "study/StoredDrillOptions.h"

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
// control bar, the search bar and the question panel, owns the drill session
// and shows it: the frame is the session's frontend. Every command, from a
// key of the accelerator table or a control of a bar, is run here, the
// drill's by the session; the children only report what the learner did.
class CMainFrame : public QWidget, public DrillFrontend {
    Q_OBJECT
public:
    // Bar alignments.
    enum Align : int { kAlignLeft = 0x1000, kAlignTop = 0x2000, kAlignRight = 0x4000 };

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Creates the children and asks the first question. Placement comes
    // from the settings; false when the frame cannot be set up.
    bool Create();

    CWriteView* GetView() const { return m_wndView; }
    CMainDialogBar* GetMainBar() const { return m_wndMainBar; }
    // The search bar is built when it is first needed: most sessions never
    // open it, and building it was a good part of the start-up.
    CSearchDialogBar* GetSearchBar();
    CPanelDialogBar* GetPanelBar() const { return m_wndPanelBar; }
    CHandwritingCheck* GetHandwritingCheck() const { return m_pHandwriting; }
    DrillSession& GetSession() { return m_session; }
    bool IsMainBarRight() const { return m_nMainBarAlign == kAlignRight; }

    // Gives each visible bar its strip and the canvas the rest.
    void RecalcLayout();

    // Runs a command: the search bar's only while it is visible, help
    // through the application. False for an id that is no command.
    bool OnCmdMsg(int id);
    // The command bound to a key press, or 0.
    int TranslateAccelerator(const QKeyEvent* event) const;

    void OnWebSearch();
    void OnStudyState();
    void OnOptions();
    void OnToggleSearchBar();
    void OnSwapSides();

    // The log-off or shutdown query: saves without prompting.
    void OnQueryEndSession();

protected:
    // The session's frontend.
    void ShowPanelText(const QString& markup) override;
    void ShowModeOnBar(LearnMode mode) override;
    void ShowAnswerCaption(bool questionSide) override;
    void EraseWriting() override;
    void ShowTodayCount(int count) override;
    void SetBackEnabled(bool enabled) override;
    std::optional<LearnMode> AskForMode() override;
    bool IsItemListed(int itemIndex) const override;
    void RepaintListedItem(int itemIndex) override;
    void ShowHistory() override;
    void SavePlacement() override;

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The modal dialogs, run here so that tests can stand in for them.
    virtual void RunHistoryDialog();
    virtual bool RunOptionsDialog(bool& fontChanged, bool& redChanged);
    virtual void RunStudyStateDialog();

private:
    bool PreTranslateKey(QWidget* target, QKeyEvent* event);
    // Opening the search bar widens the window by the bar where the screen
    // has room, so the sheet keeps its width; closing it takes that back.
    void GrowForSearchBar(bool opening);
    // A press on the writing sheet gives the keys back to the drill.
    void TakeFocusForSheet(QWidget* pressed);
    bool OnFrameCommand(int id);
    void RestorePlacement();
    // True when the panel asked for another height while being placed.
    bool LayoutChildren();
    void SetMinimumFrameSize();

    CWriteView* m_wndView = nullptr;
    CMainDialogBar* m_wndMainBar = nullptr;
    CSearchDialogBar* m_wndSearchBar = nullptr;
    CPanelDialogBar* m_wndPanelBar = nullptr;
    CHandwritingCheck* m_pHandwriting = nullptr;
    StoredDrillOptions m_options;
    DrillSession m_session{*CDictionary::GetInstance(), m_options, *this};

    int m_nMainBarAlign = kAlignRight;
    int m_nSearchBarAlign = kAlignLeft;
    // What opening the search bar added to the window's width, taken back
    // when it closes; 0 when the window had no room to grow.
    int m_nSearchBarGrowth = 0;
    bool m_bCreated = false;
    bool m_bClosed = false; // the exit save ran; later close requests pass
    bool m_bFirstShow = true;
    bool m_bInRecalc = false;
    bool m_bRecalcAgain = false;
    QHash<int, int> m_accelerators; // key combination -> command
};

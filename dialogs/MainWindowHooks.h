#pragma once

#include <QFont>
#include <functional>

// The dialogs call back into the main window through these, so that they run
// without one (in tests, or before the frame exists). The main frame fills
// them in when it is created; an empty hook does nothing.
struct MainWindowHooks {
    // The main bar's mode buttons show the current question's mode again.
    std::function<void()> m_showCurrentModeOnBar;
    // The search bar's result list redraws its mode squares.
    std::function<void()> m_repaintSearchList;
    // The main bar shows today's dictation count again.
    std::function<void()> m_showTodayCount;
    // The application's shared user-interface font.
    std::function<QFont()> m_getGuiFont;
};

MainWindowHooks& GetMainWindowHooks();

void CallShowCurrentModeOnBar();
void CallRepaintSearchList();
void CallShowTodayCount();
// The system's message font when no application font is hooked in.
QFont CallGetGuiFont();

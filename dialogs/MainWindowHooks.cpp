#include "dialogs/MainWindowHooks.h"

#include "mainwnd/CMainDialogBar.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CVelmarikApp.h"
#include "text/CSearchDialogBar.h"

#include <QApplication>

MainWindowHooks& GetMainWindowHooks()
{
    static MainWindowHooks hooks;
    return hooks;
}

void CallShowCurrentModeOnBar()
{
    if (const auto& hook = GetMainWindowHooks().m_showCurrentModeOnBar)
        hook();
    else if (CMainFrame* frame = CMainFrame::GetMainFrame())
        frame->ShowCurrentModeOnBar();
}

void CallRepaintSearchList()
{
    if (const auto& hook = GetMainWindowHooks().m_repaintSearchList) {
        hook();
    } else if (CMainFrame* frame = CMainFrame::GetMainFrame()) {
        // Repainting the bar repaints the result list inside it.
        if (CSearchDialogBar* bar = frame->GetSearchBar())
            bar->update();
    }
}

void CallShowTodayCount()
{
    if (const auto& hook = GetMainWindowHooks().m_showTodayCount)
        hook();
    else if (CMainFrame* frame = CMainFrame::GetMainFrame())
        frame->GetMainBar()->ShowTodayCount();
}

QFont CallGetGuiFont()
{
    if (const auto& hook = GetMainWindowHooks().m_getGuiFont)
        return hook();
    if (CVelmarikApp* app = CVelmarikApp::Instance())
        return app->GetGuiFont();
    return QApplication::font("QMessageBox");
}

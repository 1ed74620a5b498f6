#include "mainwnd/CVelmarikApp.h"

#include "mainwnd/CMainFrame.h"
#include "platform/AppData.h"
#include "platform/Bitmaps.h"
#include "platform/DialogUnits.h"
#include "platform/GuiFont.h"
#include "platform/GuiMessageBox.h"
#include "platform/HelpService.h"
#include "platform/Settings.h"
#include "platform/Version.h"
#include "study/CDictionary.h"
#include "text/WebSearchOpener.h"

CVelmarikApp::CVelmarikApp(int& argc, char** argv) : QApplication(argc, argv)
{
    InitProgramIdentity();
    setApplicationVersion(QStringLiteral(VELMARIK_PRODUCT_VERSION));
    setApplicationDisplayName(QStringLiteral("Velmarik"));
}

CVelmarikApp::~CVelmarikApp() = default;

CVelmarikApp* CVelmarikApp::Instance()
{
    return qobject_cast<CVelmarikApp*>(QCoreApplication::instance());
}

bool CVelmarikApp::InitInstance(int showCommand)
{
    InstallGuiMessageBox();
    InstallWebSearch();
    setWindowIcon(LoadIcon(kPictureProgramIcon));
    if (showCommand == kShowNormal || showCommand == kShowCmdShow || showCommand == kShowDefault ||
        showCommand == kShowUnset) {
        if (GetProfileInt(Setting::WinZoom) != 0)
            showCommand = kShowMaximized;
    }
    m_pMainWnd = std::make_unique<CMainFrame>();
    if (!m_pMainWnd->Create()) {
        m_pMainWnd.reset();
        return false;
    }
    switch (showCommand) {
    case kShowMaximized:
        m_pMainWnd->showMaximized();
        break;
    case kShowMinimized:
    case kShowCmdMinNoActive:
    case kShowCmdMinimizedNoActive:
        m_pMainWnd->showMinimized();
        break;
    default:
        m_pMainWnd->show();
        break;
    }
    m_pMainWnd->activateWindow();
    return true;
}

int CVelmarikApp::ExitInstance(int exitCode)
{
    m_pMainWnd.reset();
    CDictionary::DestroyInstance();
    ReleaseGuiFont();
    return exitCode;
}

const QFont& CVelmarikApp::GetGuiFont()
{
    return ::GetGuiFont();
}

void CVelmarikApp::OnHelpIndex()
{
    ShowHelpContents();
}

#include "mainwnd/CVelmarikApp.h"

#include "mainwnd/CMainFrame.h"
#include "platform/AppData.h"
#include "platform/Bitmaps.h"
#include "platform/DialogUnits.h"
#include "platform/GuiFont.h"
#include "platform/GuiMessageBox.h"
#include "platform/HelpService.h"
#include "platform/MessageBox.h"
#include "platform/Options.h"
#include "platform/ProcessSignals.h"
#include "platform/QtTranslation.h"
#include "platform/SingleInstance.h"
#include "platform/StateWriteGuard.h"
#include "platform/Version.h"
#include "study/CDictionary.h"
#include "widgets/WebSearchOpener.h"

#include <QDir>

CVelmarikApp::CVelmarikApp(int& argc, char** argv) : QApplication(argc, argv)
{
    InitProgramIdentity();
    setApplicationVersion(QStringLiteral(VELMARIK_PRODUCT_VERSION));
    setApplicationDisplayName(QStringLiteral("Velmarik"));
    IgnoreFileSizeSignal();
    m_pTermination = new CTerminationSignals(this);
    connect(m_pTermination, &CTerminationSignals::Received, this,
            &CVelmarikApp::OnTerminationSignal);
    // Lets the desktop match our windows to the installed entry and its icon.
    setDesktopFileName(QStringLiteral("io.github.quillmoor.Velmarik"));
    InstallQtTranslation();
}

CVelmarikApp::~CVelmarikApp() = default;

CVelmarikApp* CVelmarikApp::Instance()
{
    return qobject_cast<CVelmarikApp*>(QCoreApplication::instance());
}

bool CVelmarikApp::HandOverToRunningCopy(int& exitCode)
{
    // A folder failure is shown as a message box, like the one the first
    // load would show.
    InstallGuiMessageBox();
    QString folder;
    if (!GetAppDataFolder(folder))
        return false;
    m_pSingleInstance = new CSingleInstance(this);
    connect(m_pSingleInstance, &CSingleInstance::ActivationRequested, this,
            &CVelmarikApp::RaiseMainWindow);
    switch (m_pSingleInstance->ClaimFolder(folder)) {
    case CSingleInstance::Claim::kFirst:
        return false;
    case CSingleInstance::Claim::kUnavailable: {
        // No other copy answered, but one may run unseen: writing the state
        // files could overwrite its progress. Each save tries the lock again.
        CSingleInstance* instance = m_pSingleInstance;
        SetStateWriteGuard([instance] { return instance->RetryLock(); });
        ShowMessageBox(
            QStringLiteral("データフォルダーにロックファイルを作れませんでした。") +
            m_pSingleInstance->LockFailure() +
            QStringLiteral("\r\nほかに Velmarik が動いていないことを確かめられないため、"
                           "空きができて書き込めるようになるまで、学習の記録は保存されません。"
                           "\r\n") +
            QDir::toNativeSeparators(folder));
        return false;
    }
    case CSingleInstance::Claim::kOtherRunning:
        break;
    }
    if (m_pSingleInstance->ActivateRunningCopy(folder, m_nHandOverTimeoutMs)) {
        exitCode = 0;
    } else {
        // The other copy holds the lock but does not answer: running beside
        // it would still cost one of the two its progress.
        ShowMessageBox(
            QStringLiteral("Velmarik はすでに動いていますが、応答がありません。\r\n"
                           "動いている Velmarik を終了してから、もう一度起動してください。"));
        exitCode = 1;
    }
    return true;
}

void CVelmarikApp::RaiseMainWindow()
{
    if (!m_pMainWnd)
        return;
    if (m_pMainWnd->isMinimized())
        m_pMainWnd->setWindowState(m_pMainWnd->windowState() & ~Qt::WindowMinimized);
    m_pMainWnd->show();
    m_pMainWnd->raise();
    m_pMainWnd->activateWindow();
}

int CVelmarikApp::Run()
{
    int handOverCode = 0;
    if (HandOverToRunningCopy(handOverCode))
        return handOverCode;
    if (!InitInstance())
        return ExitInstance(1);
    return ExitInstance(exec());
}

bool CVelmarikApp::InitInstance(int showCommand)
{
    InstallGuiMessageBox();
    InstallWebSearch();
    setWindowIcon(LoadIcon(kPictureProgramIcon));
    if (showCommand == kShowNormal || showCommand == kShowCmdShow || showCommand == kShowDefault ||
        showCommand == kShowUnset) {
        if (Options::StartMaximised())
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
    if (m_bTerminationPending) {
        m_bTerminationPending = false;
        QMetaObject::invokeMethod(this, &CVelmarikApp::OnTerminationSignal, Qt::QueuedConnection);
    }
    return true;
}

int CVelmarikApp::ExitInstance(int exitCode)
{
    m_pMainWnd.reset();
    CDictionary::DestroyInstance();
    ReleaseGuiFont();
    // The lock goes last: the exit save is done by now.
    SetStateWriteGuard(nullptr);
    delete m_pSingleInstance;
    m_pSingleInstance = nullptr;
    return exitCode;
}

const QFont& CVelmarikApp::GetGuiFont()
{
    return ::GetGuiFont();
}

void CVelmarikApp::OnTerminationSignal()
{
    // A save failure's message box runs an event loop in which a repeated
    // signal arrives; the first one does the work.
    if (m_bTerminating)
        return;
    if (!m_pMainWnd || !m_pMainWnd->isVisible()) {
        // Still starting (a message box of the load may be open): the
        // request waits for the main loop, where the frame exists.
        m_bTerminationPending = true;
        exit(0);
        return;
    }
    m_bTerminating = true;
    m_pMainWnd->OnQueryEndSession();
    m_bTerminating = false;
    // Leaves every event loop, an open dialog's too.
    exit(0);
}

void CVelmarikApp::OnHelpIndex()
{
    ShowHelpContents();
}

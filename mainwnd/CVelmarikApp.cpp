#include "mainwnd/CVelmarikApp.h"

#include "mainwnd/CMainFrame.h"
#include "platform/AppData.h"
#include "platform/Bitmaps.h"
#include "platform/DataFolderClaim.h"
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
#include "study/StudyCommands.h"
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
    // Never a fresh profile in place of data on a drive that is not there.
    if (!ResolveMissingDataFolder()) {
        exitCode = 1;
        return true;
    }
    QString folder;
    if (!GetAppDataFolder(folder))
        return false;
    m_pSingleInstance = NewSingleInstance();
    switch (m_pSingleInstance->ClaimFolder(folder)) {
    case CSingleInstance::Claim::kFirst:
        InstallDataFolderClaimer();
        return false;
    case CSingleInstance::Claim::kUnavailable: {
        // No other copy answered, but one may run unseen: writing the state
        // files could overwrite its progress. Each save tries the lock again.
        CSingleInstance* instance = m_pSingleInstance;
        SetStateWriteGuard([instance] { return instance->RetryLock(); });
        InstallDataFolderClaimer();
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

CSingleInstance* CVelmarikApp::NewSingleInstance()
{
    auto* instance = new CSingleInstance(this);
    connect(instance, &CSingleInstance::ActivationRequested, this, &CVelmarikApp::RaiseMainWindow);
    instance->SetExportHandler(
        [this](const QString& file, QString& reply) { return ExportForCommandLine(file, reply); });
    return instance;
}

void CVelmarikApp::InstallDataFolderClaimer()
{
    DataFolderClaimer claimer;
    claimer.m_claim = [this](const QString& folder, QString& error) {
        if (!m_pSingleInstance->HoldsLock() && !m_pSingleInstance->RetryLock()) {
            error = QStringLiteral("ほかに Velmarik が動いていないことを確かめられないため、"
                                   "今は学習データを移せません。");
            return false;
        }
        delete m_pIncomingInstance;
        m_pIncomingInstance = NewSingleInstance();
        if (m_pIncomingInstance->ClaimFolder(folder) == CSingleInstance::Claim::kFirst)
            return true;
        const QString failure = m_pIncomingInstance->LockFailure();
        delete m_pIncomingInstance;
        m_pIncomingInstance = nullptr;
        error = failure.isEmpty()
                    ? QStringLiteral("そのフォルダーは、ほかに動いている Velmarik が使っています。")
                    : QStringLiteral("そのフォルダーにロックファイルを作れません。") + failure;
        return false;
    };
    claimer.m_settle = [this](bool moved) {
        if (!m_pIncomingInstance)
            return;
        CSingleInstance* dropped = moved ? m_pSingleInstance : m_pIncomingInstance;
        if (moved) {
            m_pSingleInstance = m_pIncomingInstance;
            // The guard of a copy that could not lock the old folder asked
            // that folder's lock; this one holds the new folder's.
            SetStateWriteGuard(nullptr);
        }
        m_pIncomingInstance = nullptr;
        delete dropped;
    };
    SetDataFolderClaimer(std::move(claimer));
}

bool CVelmarikApp::ExportForCommandLine(const QString& file, QString& reply)
{
    if (!QDir::isAbsolutePath(file)) {
        reply = QStringLiteral("書き出し先は絶対パスで指定してください。");
        return false;
    }
    // The learner's last choice belongs in the export too.
    if (m_pMainWnd)
        m_pMainWnd->GetSession().CommitMode();
    QString error;
    const std::optional<QString> done = WriteStudyExport(*CDictionary::GetInstance(), file, error);
    reply = done ? *done : QStringLiteral("学習データを書き出せませんでした。\r\n") + error;
    return done.has_value();
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
    SetDataFolderClaimer({});
    delete m_pIncomingInstance;
    m_pIncomingInstance = nullptr;
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

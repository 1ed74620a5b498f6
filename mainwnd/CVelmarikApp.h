#pragma once

#include "platform/ResourceIds.h"

#include <QApplication>
#include <QFont>
#include <memory>

class CMainFrame;
class CSingleInstance;
class CTerminationSignals;

// The process's application object: program identity, the main frame, one
// shared user-interface font, the help contents, and the end of the study
// data at exit.
class CVelmarikApp : public QApplication {
    Q_OBJECT
public:
    // Show commands as the process start may request them.
    enum ShowCommand : int {
        kShowUnset = kShowCmdUnset,
        kShowNormal = kShowCmdNormal,
        kShowMinimized = kShowCmdMinimized,
        kShowMaximized = kShowCmdMaximized,
        kShowDefault = kShowCmdDefault,
    };

    CVelmarikApp(int& argc, char** argv);
    ~CVelmarikApp() override;

    static CVelmarikApp* Instance();

    // One copy per user: when another copy already runs for the same data
    // folder, asks it to come to the front and returns true with the exit
    // code for this one. Without a data folder every start runs, as ever;
    // a chosen folder that is gone asks the learner first (and quitting
    // there returns true with exit code 1).
    bool HandOverToRunningCopy(int& exitCode);
    // Tests wait less for a copy that does not answer.
    void SetHandOverTimeoutForTesting(int ms) { m_nHandOverTimeoutMs = ms; }

    // The program's run as its main starts it: hands over to a running copy,
    // or shows the main frame and runs until it closes. The exit code.
    int Run();

    // Creates and shows the main frame; false when it cannot be created.
    bool InitInstance(int showCommand = kShowUnset);
    // Ends the study data (without saving) and returns the exit code.
    int ExitInstance(int exitCode);

    CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }
    // The message-box font, made on first use.
    const QFont& GetGuiFont();
    void OnHelpIndex();

private:
    // SIGTERM, SIGINT and SIGHUP end the program like a session end: the
    // placement and the study data are saved, no prompt is shown.
    void OnTerminationSignal();
    void RaiseMainWindow();
    // A command-line --export started beside this copy: the export of what
    // this copy holds, the pending mode included.
    bool ExportForCommandLine(const QString& file, QString& reply);
    // A single-instance object for the folder, wired to this copy.
    CSingleInstance* NewSingleInstance();
    // The claim on the data folder follows a move of the data.
    void InstallDataFolderClaimer();

    std::unique_ptr<CMainFrame> m_pMainWnd;
    CTerminationSignals* m_pTermination = nullptr;  // child
    CSingleInstance* m_pSingleInstance = nullptr;   // child, holds the lock until exit
    CSingleInstance* m_pIncomingInstance = nullptr; // child, the new folder's during a move
    int m_nHandOverTimeoutMs = 20000;
    bool m_bTerminating = false;
    bool m_bTerminationPending = false; // a signal came before the frame was shown
};

#pragma once

#include "platform/ResourceIds.h"

#include <QApplication>
#include <QFont>
#include <memory>

class CMainFrame;

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

    // Creates and shows the main frame; false when it cannot be created.
    bool InitInstance(int showCommand = kShowUnset);
    // Ends the study data (without saving) and returns the exit code.
    int ExitInstance(int exitCode);

    CMainFrame* GetMainWnd() const { return m_pMainWnd.get(); }
    // The message-box font, made on first use.
    const QFont& GetGuiFont();
    void OnHelpIndex();

private:
    std::unique_ptr<CMainFrame> m_pMainWnd;
};

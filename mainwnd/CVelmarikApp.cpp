#include "mainwnd/CVelmarikApp.h"

#include "mainwnd/CMainFrame.h"
#include "platform/AppData.h"
#include "platform/Bitmaps.h"
#include "platform/DialogUnits.h"
#include "platform/GuiMessageBox.h"
#include "platform/HelpService.h"
#include "platform/Profile.h"
#include "platform/QtTranslation.h"
#include "platform/Version.h"
#include "study/CDictionary.h"
#include "text/WebSearchOpener.h"

#include <QFontDatabase>
#include <QFontInfo>

CVelmarikApp::CVelmarikApp(int& argc, char** argv) : QApplication(argc, argv)
{
    InitProgramIdentity();
    setApplicationVersion(QStringLiteral(VELMARIK_PRODUCT_VERSION));
    setApplicationDisplayName(QStringLiteral("Velmarik"));
    // Lets the desktop match our windows to the installed entry and its icon.
    setDesktopFileName(QStringLiteral("io.github.quillmoor.Velmarik"));
    InstallQtTranslation();
}

CVelmarikApp::~CVelmarikApp()
{
    delete m_pMainWnd;
}

CVelmarikApp* CVelmarikApp::Instance()
{
    return qobject_cast<CVelmarikApp*>(QCoreApplication::instance());
}

bool CVelmarikApp::InitInstance(int showCommand)
{
    InstallGuiMessageBox();
    InstallWebSearch();
    setWindowIcon(LoadIcon(128));
    if (showCommand == kShowNormal || showCommand == 5 || showCommand == kShowDefault ||
        showCommand == kShowUnset) {
        if (GetProfileInt(QString(), QStringLiteral("WinZoom"), 0) != 0)
            showCommand = kShowMaximized;
    }
    m_pMainWnd = new CMainFrame;
    if (!m_pMainWnd->Create()) {
        delete m_pMainWnd;
        m_pMainWnd = nullptr;
        return false;
    }
    switch (showCommand) {
    case kShowMaximized:
        m_pMainWnd->showMaximized();
        break;
    case kShowMinimized:
    case 6:
    case 7:
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
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    CDictionary::DestroyInstance();
    m_font.reset();
    return exitCode;
}

const QFont& CVelmarikApp::GetGuiFont()
{
    if (!m_font) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        // The chart writes Japanese dates and numbers; a face without
        // Japanese glyphs gives way to one that has them.
        const QString face = QFontInfo(font).family();
        if (!QFontDatabase::writingSystems(face).contains(QFontDatabase::Japanese))
            font.setFamily(ResolveJapaneseFace(QString()));
        m_font = font;
    }
    return *m_font;
}

void CVelmarikApp::OnHelpIndex()
{
    ShowHelpContents();
}

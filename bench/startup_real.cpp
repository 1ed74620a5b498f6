// The program as it starts for the learner (its main's run), up
// to the first painted question. In the resident mode it then drills 200
// questions by the keys' commands, without writing, so no check runs.

#include "StartupProbe.h"
#include "mainwnd/CMainFrame.h"
#include "mainwnd/CVelmarikApp.h"
#include "platform/ResourceIds.h"

int main(int argc, char** argv)
{
    CVelmarikApp app(argc, argv);
    StartupProbe::FirstPaint probe("CPanelDialogBar", [&app] {
        CMainFrame* frame = app.GetMainWnd();
        for (int question = 0; question < 200 && frame; ++question) {
            frame->OnCmdMsg(kCmdAnswer);
            QCoreApplication::processEvents();
            frame->OnCmdMsg(kCmdNext);
            QCoreApplication::processEvents();
        }
    });
    app.installEventFilter(&probe);
    return app.Run();
}

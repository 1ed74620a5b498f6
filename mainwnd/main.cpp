#include "mainwnd/CVelmarikApp.h"
#include "platform/CommandLine.h"

int main(int argc, char* argv[])
{
    if (const int code = HandleCommandLine(argc, argv); code >= 0)
        return code;
    CVelmarikApp app(argc, argv);
    int handOverCode = 0;
    if (app.HandOverToRunningCopy(handOverCode))
        return handOverCode;
    if (!app.InitInstance())
        return app.ExitInstance(1);
    return app.ExitInstance(app.exec());
}

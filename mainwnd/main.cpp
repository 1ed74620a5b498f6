#include "mainwnd/CVelmarikApp.h"

int main(int argc, char* argv[])
{
    CVelmarikApp app(argc, argv);
    int handOverCode = 0;
    if (app.HandOverToRunningCopy(handOverCode))
        return handOverCode;
    if (!app.InitInstance())
        return app.ExitInstance(1);
    return app.ExitInstance(app.exec());
}

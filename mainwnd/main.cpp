#include "mainwnd/CVelmarikApp.h"

int main(int argc, char* argv[])
{
    CVelmarikApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitInstance(1);
    return app.ExitInstance(app.exec());
}

#include "mainwnd/CVelmarikApp.h"
#include "platform/CommandLine.h"

int main(int argc, char* argv[])
{
    if (const int code = HandleCommandLine(argc, argv); code >= 0)
        return code;
    CVelmarikApp app(argc, argv);
    return app.Run();
}

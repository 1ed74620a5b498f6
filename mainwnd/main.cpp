#include "mainwnd/CVelmarikApp.h"
#include "mainwnd/StudyDataCommand.h"
#include "platform/CommandLine.h"

int main(int argc, char* argv[])
{
    const CommandLineRequest request = ParseCommandLine(argc, argv);
    if (request.m_action == CommandLineRequest::Action::Exit)
        return request.m_nExitCode;
    if (request.m_action != CommandLineRequest::Action::Start)
        return RunStudyDataCommand(argc, argv, request);
    CVelmarikApp app(argc, argv);
    return app.Run();
}

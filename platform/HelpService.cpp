#include "platform/HelpService.h"

#include "platform/CHelpViewer.h"

namespace {

HelpHandler& CurrentHandler()
{
    static HelpHandler handler;
    return handler;
}

void Dispatch(HelpCommand command, quint32 context)
{
    if (const HelpHandler& handler = CurrentHandler()) {
        handler(command, context);
        return;
    }
    CHelpViewer::ShowPage(command == HelpCommand::Contents ? CHelpViewer::ContentsPage()
                                                           : CHelpViewer::PageForContext(context));
}

} // namespace

void ShowHelpContents()
{
    Dispatch(HelpCommand::Contents, 0);
}

void ShowHelpContext(quint32 context)
{
    Dispatch(HelpCommand::Context, context);
}

HelpHandler SetHelpHandler(HelpHandler handler)
{
    HelpHandler previous = std::move(CurrentHandler());
    CurrentHandler() = std::move(handler);
    return previous;
}

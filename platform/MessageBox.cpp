#include "platform/MessageBox.h"

#include <QTextStream>

namespace {

MessageBoxHandler& CurrentHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

} // namespace

int ShowMessageBox(const QString& text, MessageButtons buttons)
{
    const MessageBoxHandler& handler = CurrentHandler();
    if (handler)
        return handler(text, buttons);
    QTextStream(stderr) << "Velmarik: " << text << Qt::endl;
    // Nobody to ask: a choice among three is not made for the learner.
    return buttons == MessageButtons::YesNoCancel ? IDCANCEL : IDOK;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(CurrentHandler());
    CurrentHandler() = std::move(handler);
    return previous;
}

#pragma once

#include <QtGlobal>
#include <functional>

// The help the program asks for: the contents, or the topic of a dialog,
// whose context is kHelpResourceBase plus the dialog's template id.
inline constexpr quint32 kHelpResourceBase = 0x20000;

enum class HelpCommand { Contents, Context };

using HelpHandler = std::function<void(HelpCommand command, quint32 context)>;

void ShowHelpContents();
void ShowHelpContext(quint32 context);

// Installs a handler and returns the previous one; an empty handler restores
// the help viewer.
HelpHandler SetHelpHandler(HelpHandler handler);

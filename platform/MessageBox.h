#pragma once

#include <QString>
#include <functional>

// Every message the program shows the learner goes through here. The GUI
// routes it to a QMessageBox captioned "Velmarik"; tests install a recorder.
enum class MessageButtons { Ok, OkCancel, YesNoCancel };

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

using MessageBoxHandler = std::function<int(const QString& text, MessageButtons buttons)>;

// Shows the text and returns IDOK or IDCANCEL, or with YesNoCancel IDYES,
// IDNO or IDCANCEL.
int ShowMessageBox(const QString& text, MessageButtons buttons = MessageButtons::Ok);

// Installs a handler and returns the previous one. An empty handler restores
// the default, which writes the text to standard error and answers IDOK.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

#pragma once

// Loads Qt's own Japanese messages (qtbase_ja from Qt's translations folder)
// into the application, so the standard buttons and dialogs Qt draws read
// 「OK」「キャンセル」 like the rest of the program. Needs the application
// object; a second call does nothing. False when the messages are missing,
// and Qt's English stays.
bool InstallQtTranslation();

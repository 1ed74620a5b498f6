#pragma once

#include <QString>
#include <functional>

class QWidget;

// The code shown in the failure message when the browser cannot be started:
// the platform reports no reason beyond "no application took the URL", which
// is what this code (SE_ERR_NOASSOC) means to the learner's helpers.
inline constexpr int kBrowserStartFailure = 31;

// "SearchURL" (read at every call) followed by the encoded word.
QString GetWebSearchUrl(const QString& word);

// Opens the learner's browser on the web search for the word; a failure is
// shown in a message box.
void OpenWebSearch(const QString& word, QWidget* parent);

// Makes OpenWebSearch the program's web search for the item actions.
void InstallWebSearch();

// Hands a URL to the browser; true when it was started. Tests install one
// that records the URL; an empty one restores the desktop's browser.
using UrlOpener = std::function<bool(const QString& url)>;
UrlOpener SetUrlOpener(UrlOpener opener);

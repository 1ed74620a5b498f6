#include "widgets/WebSearchOpener.h"

#include "platform/MessageBox.h"
#include "platform/Options.h"
#include "text/WebSearch.h"
#include "widgets/ItemActionRunner.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

bool OpenWithDesktop(const QString& url)
{
    // The query is already percent-encoded and must reach the browser as it
    // stands: QUrl would rewrite the escapes in upper case and decode some
    // of them ("%2d" becomes "-"), so the desktop's opener gets the text
    // itself where there is one.
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty())
        return QProcess::startDetached(opener, {url});
#endif
    return QDesktopServices::openUrl(QUrl::fromEncoded(url.toUtf8(), QUrl::TolerantMode));
}

UrlOpener& CurrentOpener()
{
    static UrlOpener opener;
    return opener;
}

} // namespace

QString GetWebSearchUrl(const QString& word)
{
    return Options::SearchUrl() + EncodeQuery(word);
}

void OpenWebSearch(const QString& word, QWidget*)
{
    const QString url = GetWebSearchUrl(word);
    const UrlOpener& opener = CurrentOpener();
    const bool started = opener ? opener(url) : OpenWithDesktop(url);
    if (!started)
        ShowMessageBox(
            QStringLiteral("ブラウザを起動できませんでした。(%1)").arg(kBrowserStartFailure));
}

void InstallWebSearch()
{
    SetWebSearchHandler(&OpenWebSearch);
}

UrlOpener SetUrlOpener(UrlOpener opener)
{
    UrlOpener previous = std::move(CurrentOpener());
    CurrentOpener() = std::move(opener);
    return previous;
}

#include "text/WebSearchOpener.h"

#include "dialogs/ItemActions.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "text/WebSearch.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

bool OpenWithDesktop(const QString& url)
{
    // The query is already percent-encoded; the URL must reach the browser
    // as it stands.
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
    const QString prefix = GetProfileString(QStringLiteral("Settings"), QStringLiteral("SearchURL"),
                                            QString::fromLatin1(kDefaultSearchUrl));
    return prefix + EncodeQuery(word);
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

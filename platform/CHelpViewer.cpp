#include "platform/CHelpViewer.h"

#include "platform/HelpService.h"

#include <QGuiApplication>
#include <QPointer>

namespace {

QPointer<CHelpViewer> g_viewer;

struct TopicPage {
    int m_nTemplateId;
    const char* m_pszPage;
};

// Dialogs with a help page of their own, by template id.
constexpr TopicPage kTopicPages[] = {
    {132, "options.html"},
};

} // namespace

CHelpViewer::CHelpViewer()
{
    setAttribute(Qt::WA_DeleteOnClose);
    // The help belongs to the main window: it neither keeps the program
    // running once that closed nor stays on screen after it.
    setAttribute(Qt::WA_QuitOnClose, false);
    connect(qGuiApp, &QGuiApplication::lastWindowClosed, this, &QWidget::close);
    setWindowTitle(QStringLiteral("Velmarik ヘルプ"));
    setOpenExternalLinks(true);
    resize(560, 600);
}

QUrl CHelpViewer::ContentsPage()
{
    return QUrl(QStringLiteral("qrc:/help/index.html"));
}

QUrl CHelpViewer::PageForContext(quint32 context)
{
    for (const TopicPage& topic : kTopicPages) {
        if (context == kHelpResourceBase + static_cast<quint32>(topic.m_nTemplateId))
            return QUrl(QStringLiteral("qrc:/help/") + QLatin1String(topic.m_pszPage));
    }
    return ContentsPage();
}

CHelpViewer* CHelpViewer::ShowPage(const QUrl& page)
{
    if (!g_viewer)
        g_viewer = new CHelpViewer;
    g_viewer->setSource(page);
    g_viewer->show();
    g_viewer->raise();
    g_viewer->activateWindow();
    return g_viewer;
}

CHelpViewer* CHelpViewer::Instance()
{
    return g_viewer;
}

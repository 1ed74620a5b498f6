#pragma once

#include <QTextBrowser>
#include <QUrl>

// A window of its own that shows the help pages compiled into the program.
// One viewer serves the whole process; asking for a page raises it.
class CHelpViewer : public QTextBrowser {
    Q_OBJECT
public:
    static QUrl ContentsPage();
    // The page of a help context; unknown contexts show the contents.
    static QUrl PageForContext(quint32 context);
    // Shows the page in the viewer, creating the viewer on first use.
    static CHelpViewer* ShowPage(const QUrl& page);
    // The viewer, or null before the first page was asked for.
    static CHelpViewer* Instance();

private:
    CHelpViewer();
};

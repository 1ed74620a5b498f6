#include "platform/AppData.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"

#include <QApplication>
#include <QListWidget>

// Until the drill window exists the program lists its word lists, so that a
// start shows what was loaded.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InitProgramIdentity();
    CDictionary* dictionary = CDictionary::GetInstance();
    dictionary->EnsureLoaded();
    QListWidget window;
    window.setWindowTitle(QStringLiteral("Velmarik"));
    for (int i = 0; i < dictionary->GetSize(); ++i) {
        const CDictionary::CDicFile* list = dictionary->GetAt(i);
        window.addItem(QStringLiteral("%1: %2").arg(list->m_strName).arg(list->m_items.size()));
    }
    window.resize(320, 200);
    window.show();
    const int result = app.exec();
    CDictionary::DestroyInstance();
    return result;
}

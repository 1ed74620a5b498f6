#include "platform/GuiFont.h"

#include "platform/DialogUnits.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QList>
#include <optional>

namespace {

std::optional<QFont>& SharedFont()
{
    static std::optional<QFont> font;
    return font;
}

} // namespace

const QFont& GetGuiFont()
{
    std::optional<QFont>& shared = SharedFont();
    if (!shared) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        // The chart writes Japanese dates and numbers; a face without
        // Japanese glyphs gives way to one that has them.
        const QString face = QFontInfo(font).family();
        if (!QFontDatabase::writingSystems(face).contains(QFontDatabase::Japanese))
            font.setFamily(ResolveJapaneseFace(QString()));
        shared = font;
    }
    return *shared;
}

void ReleaseGuiFont()
{
    SharedFont().reset();
}

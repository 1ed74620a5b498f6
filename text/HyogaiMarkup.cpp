#include "text/HyogaiMarkup.h"

#include "platform/Ideograph.h"
#include "text/JoyoKanjiTable.h"

#include <string_view>

namespace {

bool IsJoyoKanji(QChar c)
{
    for (const char16_t* part : JoyoKanjiTable) {
        if (std::u16string_view(part).find(c.unicode()) != std::u16string_view::npos)
            return true;
    }
    return false;
}

} // namespace

bool IsHyogaiKanji(QChar c)
{
    return IsIdeograph(c) && !IsJoyoKanji(c);
}

bool ContainsHyogai(const QString& text)
{
    for (QChar c : text) {
        if (IsHyogaiKanji(c))
            return true;
    }
    return false;
}

QString WrapInTag(const QString& tag, const QString& text)
{
    return QLatin1Char('<') + tag + QLatin1Char('>') + text + QStringLiteral("<N>");
}

QString MarkHyogai(const QString& text)
{
    QString result;
    qsizetype plainStart = 0;
    qsizetype runStart = -1;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (IsHyogaiKanji(text.at(i))) {
            if (runStart == -1) {
                result += QStringView(text).mid(plainStart, i - plainStart);
                runStart = i;
            }
        } else if (runStart != -1) {
            result += WrapInTag(QStringLiteral("R"), text.mid(runStart, i - runStart));
            plainStart = i;
            runStart = -1;
        }
    }
    if (runStart != -1)
        result += WrapInTag(QStringLiteral("R"), text.mid(runStart));
    else
        result += QStringView(text).mid(plainStart);
    return result;
}

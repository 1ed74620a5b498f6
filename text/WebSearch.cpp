#include "text/WebSearch.h"

#include <QByteArray>

QString EncodeQuery(const QString& word)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const QByteArray utf8 = word.toUtf8();
    QString result;
    result.reserve(utf8.size() * 3);
    for (char ch : utf8) {
        const auto byte = static_cast<unsigned char>(ch);
        if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= 'a' && byte <= 'z')) {
            result += QLatin1Char(ch);
        } else if (byte == ' ') {
            result += QLatin1Char('+');
        } else {
            result += QLatin1Char('%');
            result += QLatin1Char(kHex[byte >> 4]);
            result += QLatin1Char(kHex[byte & 0x0F]);
        }
    }
    return result;
}

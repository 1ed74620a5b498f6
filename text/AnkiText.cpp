#include "text/AnkiText.h"

#include <QHash>

namespace {

// The names of the tags that end a line or a block: they part words.
bool SeparatesWords(QStringView tag)
{
    static const QStringList kNames{
        QStringLiteral("br"), QStringLiteral("div"), QStringLiteral("p"), QStringLiteral("li"),
        QStringLiteral("tr"), QStringLiteral("td"),  QStringLiteral("hr")};
    qsizetype k = tag.startsWith(u'/') ? 1 : 0;
    qsizetype end = k;
    while (end < tag.size() && tag.at(end).isLetterOrNumber())
        ++end;
    const QString name = tag.sliced(k, end - k).toString().toLower();
    return kNames.contains(name);
}

QString StripTags(const QString& text)
{
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const QChar c = text.at(pos);
        const bool opensTag =
            c == u'<' && pos + 1 < text.size() &&
            (text.at(pos + 1).isLetter() || text.at(pos + 1) == u'/' || text.at(pos + 1) == u'!');
        const qsizetype close = opensTag ? text.indexOf(u'>', pos + 1) : -1;
        if (close < 0) {
            out += c;
            ++pos;
            continue;
        }
        if (SeparatesWords(QStringView(text).sliced(pos + 1, close - pos - 1)))
            out += u' ';
        pos = close + 1;
    }
    return out;
}

QString DecodeReferences(const QString& text)
{
    static const QHash<QString, QChar> kNamed{
        {QStringLiteral("nbsp"), u' '}, {QStringLiteral("amp"), u'&'},
        {QStringLiteral("lt"), u'<'},   {QStringLiteral("gt"), u'>'},
        {QStringLiteral("quot"), u'"'}, {QStringLiteral("apos"), u'\''},
    };
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const QChar c = text.at(pos);
        const qsizetype semi = c == u'&' ? text.indexOf(u';', pos + 1) : -1;
        // References are short; a far semicolon belongs to other text.
        if (semi < 0 || semi - pos > 10) {
            out += c;
            ++pos;
            continue;
        }
        const QStringView name = QStringView(text).sliced(pos + 1, semi - pos - 1);
        char32_t code = 0;
        bool ok = false;
        if (name.startsWith(u"#x") || name.startsWith(u"#X"))
            code = name.sliced(2).toUInt(&ok, 16);
        else if (name.startsWith(u'#'))
            code = name.sliced(1).toUInt(&ok, 10);
        else if (const auto it = kNamed.constFind(name.toString()); it != kNamed.constEnd()) {
            code = it->unicode();
            ok = true;
        }
        // A NUL, a surrogate or a value past Unicode is no character.
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out += c;
            ++pos;
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        pos = semi + 1;
    }
    return out;
}

QString RemoveSoundReferences(QString text)
{
    for (qsizetype at; (at = text.indexOf(QStringLiteral("[sound:"))) >= 0;) {
        const qsizetype close = text.indexOf(u']', at);
        if (close < 0)
            break;
        text.remove(at, close - at + 1);
    }
    return text;
}

// Anki's own rule: a base is the run of characters other than a space and
// '>' right before '[', with one white-space character before it swallowed.
QString ResolveFurigana(const QString& text, bool keepReading)
{
    QString out;
    qsizetype copied = 0;
    for (qsizetype open = text.indexOf(u'['); open >= 0; open = text.indexOf(u'[', open + 1)) {
        const qsizetype close = text.indexOf(u']', open + 2);
        if (close < 0)
            break;
        qsizetype base = open;
        while (base > copied && !text.at(base - 1).isSpace() && text.at(base - 1) != u'>')
            --base;
        if (base == open)
            continue;
        qsizetype from = base;
        if (from > copied && text.at(from - 1).isSpace())
            --from;
        out += QStringView(text).sliced(copied, from - copied);
        out += keepReading ? QStringView(text).sliced(open + 1, close - open - 1)
                           : QStringView(text).sliced(base, open - base);
        copied = close + 1;
        open = close;
    }
    out += QStringView(text).sliced(copied);
    return out;
}

} // namespace

QString PlainAnkiField(const QString& field)
{
    return RemoveSoundReferences(DecodeReferences(StripTags(field))).simplified();
}

QString FuriganaBase(const QString& text)
{
    return ResolveFurigana(text, false);
}

QString FuriganaReading(const QString& text)
{
    return ResolveFurigana(text, true);
}

bool HasFurigana(const QString& text)
{
    return FuriganaBase(text) != text;
}

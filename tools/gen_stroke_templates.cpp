// Builds the writing check's stroke templates: every character's strokes as
// start and end points, in writing order, in a 256-unit box.
//   velmarik_gen_stroke_templates KANJI.json KANA.txt OUTPUT
// KANJI.json is KanjiVG's data as Debian's python3-kanjidraw ships it
// ({"<stroke count>": {"<kanji>": [[x1, y1, x2, y2], ...]}}); KANA.txt is our
// own table of hiragana and katakana (see the file). The output is read by
// recognition/CStrokeTemplates, which describes its layout.
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSaveFile>
#include <QtEndian>
#include <array>
#include <cstdio>

namespace {

using Stroke = std::array<quint8, 4>;
using Strokes = QList<Stroke>;

bool Fail(const QString& message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    return false;
}

bool ToUnit(double value, quint8* out)
{
    if (!(value >= 0 && value <= 255))
        return false;
    *out = quint8(qRound(value));
    return true;
}

bool ReadKanji(const QString& path, QMap<char32_t, Strokes>& templates)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("cannot read %1").arg(path));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject())
        return Fail(QStringLiteral("%1: %2").arg(path, error.errorString()));
    const QJsonObject byCount = document.object();
    for (auto group = byCount.begin(); group != byCount.end(); ++group) {
        const QJsonObject characters = group.value().toObject();
        for (auto entry = characters.begin(); entry != characters.end(); ++entry) {
            const QList<uint> code = entry.key().toUcs4();
            if (code.size() != 1)
                return Fail(QStringLiteral("%1: bad character %2").arg(path, entry.key()));
            Strokes strokes;
            for (const QJsonValue& value : entry.value().toArray()) {
                const QJsonArray points = value.toArray();
                Stroke stroke{};
                if (points.size() != 4)
                    return Fail(QStringLiteral("%1: bad stroke in %2").arg(path, entry.key()));
                for (int k = 0; k < 4; ++k)
                    if (!ToUnit(points[k].toDouble(-1), &stroke[k]))
                        return Fail(QStringLiteral("%1: bad point in %2").arg(path, entry.key()));
                strokes.append(stroke);
            }
            if (strokes.isEmpty() || strokes.size() != group.key().toInt())
                return Fail(QStringLiteral("%1: %2 strokes for %3 under %4")
                                .arg(path)
                                .arg(strokes.size())
                                .arg(entry.key(), group.key()));
            templates.insert(char32_t(code.first()), strokes);
        }
    }
    return true;
}

// Small kana stand in the lower left of the box, at about two thirds size.
Strokes Small(const Strokes& base)
{
    Strokes out;
    for (const Stroke& s : base) {
        Stroke t{};
        for (int k = 0; k < 4; ++k)
            t[k] = quint8(k % 2 == 0 ? 25 + s[k] * 0.65 : 80 + s[k] * 0.65);
        out.append(t);
    }
    return out;
}

bool ReadKana(const QString& path, QMap<char32_t, Strokes>& templates)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return Fail(QStringLiteral("cannot read %1").arg(path));
    // The two dakuten ticks and the handakuten ring, in the upper right.
    const Strokes dakuten{{195, 20, 208, 55}, {222, 15, 235, 50}};
    const Strokes handakuten{{214, 22, 210, 24}};
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString where = QStringLiteral("%1:%2").arg(path).arg(lineNumber);
        const QStringList fields = line.split(u'\t');
        const QList<uint> code = fields.value(0).toUcs4();
        if (fields.size() != 2 || code.size() != 1)
            return Fail(where + QStringLiteral(": expected CHAR<TAB>STROKES"));
        if (templates.contains(char32_t(code.first())))
            return Fail(where + QStringLiteral(": %1 given twice").arg(fields[0]));
        const QStringList words = fields[1].split(u' ', Qt::SkipEmptyParts);
        Strokes strokes;
        if (words.size() == 2 && words[0].toUcs4().size() == 1) {
            const auto base = templates.constFind(char32_t(words[0].toUcs4().first()));
            if (base == templates.constEnd())
                return Fail(where + QStringLiteral(": %1 is not given before").arg(words[0]));
            if (words[1] == u"dakuten")
                strokes = *base + dakuten;
            else if (words[1] == u"handakuten")
                strokes = *base + handakuten;
            else if (words[1] == u"small")
                strokes = Small(*base);
            else
                return Fail(where + QStringLiteral(": unknown form %1").arg(words[1]));
        } else {
            for (const QString& part : fields[1].split(u';')) {
                const QStringList numbers = part.split(u' ', Qt::SkipEmptyParts);
                Stroke stroke{};
                if (numbers.size() != 4)
                    return Fail(where + QStringLiteral(": a stroke needs four numbers"));
                for (int k = 0; k < 4; ++k) {
                    bool ok = false;
                    const int value = numbers[k].toInt(&ok);
                    if (!ok || !ToUnit(value, &stroke[k]))
                        return Fail(where + QStringLiteral(": bad number %1").arg(numbers[k]));
                }
                strokes.append(stroke);
            }
        }
        templates.insert(char32_t(code.first()), strokes);
    }
    return true;
}

void Append32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: %s KANJI.json KANA.txt OUTPUT\n", argv[0]);
        return 2;
    }
    QMap<char32_t, Strokes> templates;
    if (!ReadKanji(args[1], templates) || !ReadKana(args[2], templates))
        return 1;

    QByteArray out("VSTK");
    out.append(char(1)).append(char(0)).append(char(0)).append(char(0));
    Append32(out, quint32(templates.size()));
    quint32 first = 0;
    for (auto it = templates.cbegin(); it != templates.cend(); ++it) {
        Append32(out, quint32(it.key()));
        Append32(out, first << 8 | quint32(it.value().size()));
        first += quint32(it.value().size());
    }
    for (const Strokes& strokes : std::as_const(templates))
        for (const Stroke& stroke : strokes)
            out.append(reinterpret_cast<const char*>(stroke.data()), 4);

    QSaveFile file(args[3]);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[3]));
        return 1;
    }
    return 0;
}

#include "recognition/CStrokeTemplates.h"

#include <QResource>
#include <QtEndian>
#include <cstring>

namespace {

constexpr qsizetype kHeaderSize = 12;
constexpr qsizetype kEntrySize = 8;
constexpr qreal kBoxUnits = 256;

struct Table {
    const uchar* entries = nullptr;
    const uchar* strokes = nullptr;
    quint32 count = 0;
    quint32 strokeCount = 0;
};

Table Load()
{
    Table table;
    const QResource resource(QStringLiteral(":/strokes/templates.bin"));
    // Built without compression; a compressed one would have to be copied
    // out, which the data is kept small enough not to need.
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression)
        return table;
    const uchar* data = resource.data();
    const qint64 size = resource.size();
    if (size < kHeaderSize || std::memcmp(data, "VSTK\1\0\0\0", 8) != 0)
        return table;
    const quint32 count = qFromLittleEndian<quint32>(data + 8);
    if (qint64(count) > (size - kHeaderSize) / kEntrySize)
        return table;
    const qint64 strokeBytes = size - kHeaderSize - qint64(count) * kEntrySize;
    if (strokeBytes % 4 != 0)
        return table;
    table.entries = data + kHeaderSize;
    table.strokes = table.entries + qsizetype(count) * kEntrySize;
    table.count = count;
    table.strokeCount = quint32(strokeBytes / 4);
    return table;
}

const Table& Templates()
{
    static const Table table = Load();
    return table;
}

char32_t CodeOf(const QString& character)
{
    const QList<uint> code = character.toUcs4();
    return code.size() == 1 ? char32_t(code.first()) : 0;
}

// The entry of a code point, or null.
const uchar* EntryOf(char32_t code)
{
    const Table& table = Templates();
    if (code == 0 || table.count == 0)
        return nullptr;
    quint32 lo = 0, hi = table.count;
    while (lo < hi) {
        const quint32 mid = lo + (hi - lo) / 2;
        const uchar* entry = table.entries + qsizetype(mid) * kEntrySize;
        const quint32 key = qFromLittleEndian<quint32>(entry);
        if (key == code)
            return entry;
        if (key < code)
            lo = mid + 1;
        else
            hi = mid;
    }
    return nullptr;
}

} // namespace

StrokeTemplate CStrokeTemplates::Find(const QString& character)
{
    StrokeTemplate found;
    const uchar* entry = EntryOf(CodeOf(character));
    if (!entry)
        return found;
    const Table& table = Templates();
    const quint32 packed = qFromLittleEndian<quint32>(entry + 4);
    const quint32 first = packed >> 8;
    const quint32 count = packed & 0xff;
    if (first + count > table.strokeCount)
        return found;
    found.strokes.reserve(count);
    for (quint32 s = 0; s < count; ++s) {
        const uchar* p = table.strokes + qsizetype(first + s) * 4;
        found.strokes.append(
            QLineF(p[0] / kBoxUnits, p[1] / kBoxUnits, p[2] / kBoxUnits, p[3] / kBoxUnits));
    }
    return found;
}

bool CStrokeTemplates::Has(const QString& character)
{
    return EntryOf(CodeOf(character)) != nullptr;
}

int CStrokeTemplates::CharacterCount()
{
    return int(Templates().count);
}

QStringList CStrokeTemplates::WithStrokeCount(int count)
{
    QStringList found;
    const Table& table = Templates();
    for (quint32 k = 0; k < table.count; ++k) {
        const uchar* entry = table.entries + qsizetype(k) * kEntrySize;
        if (int(qFromLittleEndian<quint32>(entry + 4) & 0xff) != count)
            continue;
        const char32_t code = qFromLittleEndian<quint32>(entry);
        found.append(QString::fromUcs4(&code, 1));
    }
    return found;
}

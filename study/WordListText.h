#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringList>

#include <cstring>

// Calls take(line) for every item line of a word list's UTF-8 text: the
// lines up to each CR LF, from the start of the text, without the empty ones
// and the group headers ("#"). Text after the last CR LF is no line. The
// split works on the bytes: CR and LF never occur inside an encoded
// character, and the decoder ends a broken sequence at them, so the lines
// are those of the decoded text.
template <typename F> void ForEachItemLine(QByteArrayView text, F&& take)
{
    if (text.isEmpty())
        return; // data() may be null, which memchr must never be given
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* start = begin;
    for (const char* cr = start;
         (cr = static_cast<const char*>(std::memchr(cr, '\r', static_cast<size_t>(end - cr))));) {
        if (cr + 1 == end)
            return;
        if (cr[1] != '\n') {
            ++cr; // a lone CR belongs to its line
            continue;
        }
        if (cr > start && *start != '#')
            take(QByteArrayView(start, cr - start));
        start = cr += 2;
    }
}

// Decodes item lines one by one, without a decoded copy of the whole text.
// A byte-order mark is not removed: it becomes part of the first line.
// Stateless: a broken sequence at a line's end stays in that line.
inline QStringDecoder ItemLineDecoder()
{
    return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                      QStringConverter::Flag::Stateless);
}

// The item texts of a word list, as the loader makes items of its lines.
QStringList ListItemTexts(const QByteArray& listText);

#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// The encodings a word list from another program comes in.
enum class TextEncoding { Utf8, Utf16LE, Utf16BE, ShiftJis };

// What the bytes of a file look like as text.
struct TextDetection {
    enum class Outcome {
        Sure,    // m_encoding is the encoding
        Unsure,  // several encodings read the bytes; the learner should choose
        NotText, // no encoding reads them, or they hold binary data
    };
    Outcome m_outcome = Outcome::NotText;
    TextEncoding m_encoding = TextEncoding::Utf8;
    // Every encoding that reads the bytes without a fault, likeliest first;
    // m_encoding is the first of them.
    QList<TextEncoding> m_candidates;
};

// Looks at a byte-order mark first; without one, at the bytes themselves:
// UTF-16 puts a zero byte beside every ASCII character, and a Japanese text
// decoded with the wrong one of UTF-8 and Shift_JIS is rarely free of faults
// and even more rarely made of Japanese characters.
TextDetection DetectTextEncoding(QByteArrayView bytes);

// The text in that encoding, without a byte-order mark; nullopt when the
// bytes are not valid in it (a broken sequence, a lone surrogate, a NUL).
std::optional<QString> DecodeText(QByteArrayView bytes, TextEncoding encoding);

// The encoding's name as the learner knows it: "UTF-8", "UTF-16", "Shift_JIS".
QString TextEncodingName(TextEncoding encoding);

#include "text/TextDecoding.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// How much of a text is looked at to judge how Japanese it reads.
constexpr qsizetype kSampleSize = 1 << 20;
// Below this share of characters that a Japanese word list is made of, a
// decoding is no text at all; candidates closer than the margin are a
// matter for the learner.
constexpr double kLeastPlausible = 0.5;
constexpr double kSureMargin = 0.25;

bool StartsWith(QByteArrayView bytes, const char* prefix, qsizetype size)
{
    return bytes.size() >= size && bytes.first(size) == QByteArrayView(prefix, size);
}

// A lone surrogate in decoded text: the bytes were no valid UTF-16.
bool HasLoneSurrogate(const QString& text)
{
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text.at(k);
        if (c.isHighSurrogate()) {
            if (k + 1 >= text.size() || !text.at(k + 1).isLowSurrogate())
                return true;
            ++k;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

// The share of the text's characters that a Japanese word list is made of:
// printable ASCII and the separators, kana, kanji, Japanese punctuation and
// full-width forms. A decoding with the wrong encoding gives rare kanji,
// half-width katakana, control characters and letters of other scripts.
double Plausibility(QStringView text)
{
    text = text.first(std::min(text.size(), kSampleSize));
    if (text.isEmpty())
        return 1.0;
    double score = 0;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if ((c >= 0x20 && c < 0x7F) || c == u'\t' || c == u'\r' || c == u'\n')
            score += 1;
        else if (c >= 0x3000 && c <= 0x30FF) // punctuation, kana
            score += 1;
        else if (c >= 0x4E00 && c <= 0x9FFF) // the common kanji block
            score += 1;
        else if (c >= 0xFF01 && c <= 0xFF5E) // full-width forms
            score += 1;
        else if (c >= 0xFF61 && c <= 0xFF9F) // half-width katakana: rare, but real
            score += 0.25;
    }
    return score / double(text.size());
}

// A UTF-16 text without a byte-order mark shows itself by its zero bytes:
// every ASCII character, and a word list has a separator in every row,
// brings one, always on the same side of its code unit.
std::optional<TextEncoding> Utf16ByZeroBytes(QByteArrayView bytes, bool& anyZero)
{
    qsizetype even = 0;
    qsizetype odd = 0;
    for (qsizetype k = 0; k < bytes.size(); ++k) {
        if (bytes[k] == 0)
            ++(k % 2 ? odd : even);
    }
    anyZero = even + odd > 0;
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    const qsizetype units = bytes.size() / 2;
    const auto pattern = [&](qsizetype along, qsizetype across) {
        return along * 20 >= units && across * 10 <= along;
    };
    if (pattern(odd, even))
        return TextEncoding::Utf16LE;
    if (pattern(even, odd))
        return TextEncoding::Utf16BE;
    return std::nullopt;
}

struct Candidate {
    TextEncoding m_encoding;
    double m_dScore;
};

TextDetection Decide(QList<Candidate> candidates)
{
    TextDetection detection;
    // Stable: among equals the earlier encoding, UTF-8 first, stays first.
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const Candidate& a, const Candidate& b) { return a.m_dScore > b.m_dScore; });
    candidates.removeIf([](const Candidate& c) { return c.m_dScore < kLeastPlausible; });
    if (candidates.isEmpty())
        return detection;
    for (const Candidate& c : std::as_const(candidates))
        detection.m_candidates.append(c.m_encoding);
    detection.m_encoding = candidates.first().m_encoding;
    const bool clear = candidates.size() == 1 ||
                       candidates.at(0).m_dScore - candidates.at(1).m_dScore >= kSureMargin;
    detection.m_outcome = clear ? TextDetection::Outcome::Sure : TextDetection::Outcome::Unsure;
    return detection;
}

} // namespace

std::optional<QString> DecodeText(QByteArrayView bytes, TextEncoding encoding)
{
    QString text;
    bool fault = false;
    switch (encoding) {
    case TextEncoding::Utf8: {
        if (StartsWith(bytes, kUtf8Bom, 3))
            bytes = bytes.sliced(3);
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = decoder.decode(bytes);
        fault = decoder.hasError();
        break;
    }
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const bool little = encoding == TextEncoding::Utf16LE;
        if (StartsWith(bytes, little ? "\xFF\xFE" : "\xFE\xFF", 2))
            bytes = bytes.sliced(2);
        if (bytes.size() % 2 != 0)
            return std::nullopt;
        QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        text = decoder.decode(bytes);
        fault = decoder.hasError() || HasLoneSurrogate(text);
        break;
    }
    case TextEncoding::ShiftJis: {
        QStringDecoder decoder("Shift_JIS", QStringConverter::Flag::Stateless);
        if (!decoder.isValid())
            return std::nullopt;
        text = decoder.decode(bytes);
        fault = decoder.hasError();
        break;
    }
    }
    // A NUL is no character of any text file.
    if (fault || text.contains(QChar(u'\0')))
        return std::nullopt;
    return text;
}

TextDetection DetectTextEncoding(QByteArrayView bytes)
{
    const auto only = [&](TextEncoding encoding) {
        const std::optional<QString> text = DecodeText(bytes, encoding);
        return Decide(text ? QList<Candidate>{{encoding, Plausibility(*text)}}
                           : QList<Candidate>{});
    };
    // A byte-order mark names the encoding; what the text says is then a
    // matter for the rows, not for the encoding.
    const auto marked = [&](TextEncoding encoding) {
        TextDetection detection;
        if (DecodeText(bytes, encoding)) {
            detection.m_outcome = TextDetection::Outcome::Sure;
            detection.m_encoding = encoding;
            detection.m_candidates = {encoding};
        }
        return detection;
    };
    if (StartsWith(bytes, kUtf8Bom, 3))
        return marked(TextEncoding::Utf8);
    if (StartsWith(bytes, "\xFF\xFE", 2))
        return marked(TextEncoding::Utf16LE);
    if (StartsWith(bytes, "\xFE\xFF", 2))
        return marked(TextEncoding::Utf16BE);

    bool anyZero = false;
    if (const std::optional<TextEncoding> utf16 = Utf16ByZeroBytes(bytes, anyZero))
        return only(*utf16);
    if (anyZero)
        return {}; // zero bytes in no pattern: binary data

    QList<Candidate> candidates;
    const std::optional<QString> utf8 = DecodeText(bytes, TextEncoding::Utf8);
    if (utf8) {
        // Plain ASCII reads the same in both; UTF-8 is then simply right.
        if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
            return only(TextEncoding::Utf8);
        candidates.append({TextEncoding::Utf8, Plausibility(*utf8)});
    }
    if (const std::optional<QString> sjis = DecodeText(bytes, TextEncoding::ShiftJis))
        candidates.append({TextEncoding::ShiftJis, Plausibility(*sjis)});
    return Decide(candidates);
}

QString TextEncodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16");
    case TextEncoding::ShiftJis:
        return QStringLiteral("Shift_JIS");
    }
    return QString();
}

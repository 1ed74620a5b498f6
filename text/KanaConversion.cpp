#include "text/KanaConversion.h"

#include "platform/Ideograph.h"
#include "text/HyogaiMarkup.h"

#include <iterator>

namespace {

// Position k of one converts to position k of the other.
constexpr char16_t kKatakana[] =
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン"
    u"ァィゥェォッャュョガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポ";
constexpr char16_t kHiragana[] =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    u"ぁぃぅぇぉっゃゅょがぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ";
static_assert(std::size(kKatakana) == 81 && std::size(kHiragana) == 81);

bool IsOpenParen(QChar c)
{
    return c == u'(' || c == u'（';
}

bool IsCloseParen(QChar c)
{
    return c == u')' || c == u'）';
}

} // namespace

QString KatakanaToHiragana(const QString& text)
{
    const QStringView katakana(kKatakana, std::size(kKatakana) - 1);
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (c == u'ヴ') {
            result += QStringView(u"う゛");
            continue;
        }
        const qsizetype k = katakana.indexOf(c);
        result += k >= 0 ? QChar(kHiragana[k]) : c;
    }
    return result;
}

QString RemoveParenthesized(const QString& text)
{
    int depth = 0;
    QString result;
    for (QChar c : text) {
        if (IsOpenParen(c))
            ++depth;
        else if (IsCloseParen(c))
            --depth;
        else if (depth <= 0)
            result += c;
    }
    return result;
}

bool IsKanjiLike(QChar c)
{
    return c == u'々' || IsIdeograph(c);
}

qsizetype NextKanaRun(const QString& word, qsizetype from, QString& run)
{
    const qsizetype n = word.size();
    qsizetype start = qMax<qsizetype>(from, 0);
    while (start < n && IsKanjiLike(word.at(start)))
        ++start;
    if (start >= n)
        return -1;
    qsizetype end = start + 1;
    while (end < n && !IsKanjiLike(word.at(end)))
        ++end;
    run = word.mid(start, end - start);
    return start;
}

qsizetype FindKanaRun(const QString& reading, qsizetype from, QString& key)
{
    const qsizetype n = key.size();
    const qsizetype last = reading.size() - n;
    if (n < 1 || from < 0 || from > last)
        return -1;
    int depth = 0;
    // The first opening parenthesis after from. It is kept after the
    // parentheses close: that is what carries an alternative reading to the
    // next kana run.
    qsizetype parenStart = -1;
    for (qsizetype pos = from; pos <= last; ++pos) {
        const QChar c = reading.at(pos);
        if (IsOpenParen(c)) {
            ++depth;
            if (parenStart == -1)
                parenStart = pos;
        } else if (IsCloseParen(c)) {
            --depth;
        } else if (depth >= 1) {
            continue;
        } else if (QStringView(reading).mid(pos, n) == key) {
            if (parenStart == -1)
                return pos;
            key = reading.mid(parenStart, pos - parenStart) + key;
            return parenStart;
        }
    }
    return -1;
}

QString MarkReading(const QString& word, qsizetype wordPos, const QString& reading,
                    qsizetype readingPos, const QString& tag)
{
    QString run;
    const qsizetype c = NextKanaRun(word, wordPos, run);
    if (c >= 0) {
        const qsizetype m = run.size();
        // A kana run that does not open the word follows kanji, and kanji
        // stand for at least one character of the reading.
        const qsizetype skip = c > 0 ? 1 : 0;
        const qsizetype d = FindKanaRun(reading, readingPos + skip, run);
        if (d >= 0) {
            QString result;
            if (d > readingPos)
                result = WrapInTag(tag, reading.mid(readingPos, d - readingPos));
            result += run;
            result += MarkReading(word, c + m, reading, d + run.size(), tag);
            return result;
        }
    }

    const QString rest = reading.mid(readingPos);
    if (rest.isEmpty())
        return QString();
    qsizetype k = 0;
    while (k < rest.size() && !IsOpenParen(rest.at(k)))
        ++k;
    if (k == rest.size())
        return WrapInTag(tag, rest);
    if (k == 0)
        return rest;
    return WrapInTag(tag, rest.left(k)) + rest.mid(k);
}

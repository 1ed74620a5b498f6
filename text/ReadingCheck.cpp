#include "text/ReadingCheck.h"

#include "text/KanaConversion.h"

#include <algorithm>

namespace {

bool IsOpenParen(QChar c)
{
    return c == u'(' || c == u'（';
}

bool IsCloseParen(QChar c)
{
    return c == u')' || c == u'）';
}

bool IsHiraganaLike(QChar c)
{
    const char16_t u = c.unicode();
    // ぁ to ゖ, the voiced sound marks (ヴ becomes "う゛"), ゝ, ゞ and ー.
    return (u >= 0x3041 && u <= 0x3096) || (u >= 0x309B && u <= 0x309E) || u == 0x30FC;
}

} // namespace

std::optional<QString> ReadingInHiragana(const QString& reading)
{
    const QString hiragana = KatakanaToHiragana(reading);
    int depth = 0;
    bool anyKana = false;
    for (QChar c : hiragana) {
        if (IsOpenParen(c)) {
            // Alternatives do not nest in a reading.
            if (++depth > 1)
                return std::nullopt;
        } else if (IsCloseParen(c)) {
            if (--depth < 0)
                return std::nullopt;
        } else if (IsHiraganaLike(c)) {
            anyKana = anyKana || depth == 0;
        } else {
            return std::nullopt;
        }
    }
    if (depth != 0 || !anyKana)
        return std::nullopt;
    return hiragana;
}

bool HasKanji(const QString& word)
{
    return std::any_of(word.cbegin(), word.cend(), [](QChar c) { return IsKanjiLike(c); });
}

bool ReadingFitsWord(const QString& word, const QString& reading)
{
    // The question text is made from this form of the word.
    const QString w = KatakanaToHiragana(RemoveParenthesized(word));
    qsizetype a = 0;
    qsizetype b = 0;
    for (;;) {
        QString run;
        const qsizetype c = NextKanaRun(w, a, run);
        if (c < 0)
            break;
        const qsizetype length = run.size();
        const qsizetype skip = c > 0 ? 1 : 0;
        const qsizetype d = FindKanaRun(reading, b + skip, run);
        if (d < 0)
            return false;
        // Kana that open the word open the reading too: nothing before them
        // would have kanji to stand for.
        if (c == 0 && d != 0)
            return false;
        a = c + length;
        b = d + run.size();
    }
    const QStringView rest = QStringView(reading).sliced(b);
    if (a < w.size()) // the word ends in kanji: they need a reading
        return !rest.isEmpty() && !IsOpenParen(rest.front());
    // The word ends in kana: what follows can only be an alternative.
    return rest.isEmpty() || IsOpenParen(rest.front());
}

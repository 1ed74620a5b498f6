#include "text/RomajiConversion.h"

namespace {

constexpr qsizetype kLongestKey = 2;

bool IsAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

QChar ToLowerAscii(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + 0x20)) : c;
}

bool IsN(QChar c)
{
    return c == u'n' || c == u'N';
}

bool KeyMatches(const char16_t* key, QStringView pending)
{
    qsizetype i = 0;
    for (; key[i] != 0; ++i) {
        if (i >= pending.size() || ToLowerAscii(pending[i]) != QChar(key[i]))
            return false;
    }
    return i == pending.size();
}

// The kana for pending followed by the vowel, or null.
const char16_t* LookUp(QStringView pending, int vowel)
{
    if (pending.size() > kLongestKey)
        return nullptr;
    for (const RomajiRow& row : RomajiTable) {
        if (KeyMatches(row.key, pending))
            return row.kana[vowel];
    }
    return nullptr;
}

} // namespace

const RomajiRow RomajiTable[kRomajiRowCount] = {
    {u"", {u"あ", u"い", u"う", u"え", u"お"}},
    {u"k", {u"か", u"き", u"く", u"け", u"こ"}},
    {u"s", {u"さ", u"し", u"す", u"せ", u"そ"}},
    {u"t", {u"た", u"ち", u"つ", u"て", u"と"}},
    {u"n", {u"な", u"に", u"ぬ", u"ね", u"の"}},
    {u"h", {u"は", u"ひ", u"ふ", u"へ", u"ほ"}},
    {u"m", {u"ま", u"み", u"む", u"め", u"も"}},
    {u"y", {u"や", u"い", u"ゆ", u"いぇ", u"よ"}},
    {u"r", {u"ら", u"り", u"る", u"れ", u"ろ"}},
    {u"w", {u"わ", u"うぃ", u"う", u"うぇ", u"を"}},
    {u"l", {u"ぁ", u"ぃ", u"ぅ", u"ぇ", u"ぉ"}},
    {u"x", {u"ぁ", u"ぃ", u"ぅ", u"ぇ", u"ぉ"}},
    {u"f", {u"ふぁ", u"ふぃ", u"ふ", u"ふぇ", u"ふぉ"}},
    {u"q", {u"くぁ", u"くぃ", u"く", u"くぇ", u"くぉ"}},
    {u"g", {u"が", u"ぎ", u"ぐ", u"げ", u"ご"}},
    {u"z", {u"ざ", u"じ", u"ず", u"ぜ", u"ぞ"}},
    {u"j", {u"じゃ", u"じ", u"じゅ", u"じぇ", u"じょ"}},
    {u"d", {u"だ", u"ぢ", u"づ", u"で", u"ど"}},
    {u"b", {u"ば", u"び", u"ぶ", u"べ", u"ぼ"}},
    {u"p", {u"ぱ", u"ぴ", u"ぷ", u"ぺ", u"ぽ"}},
    {u"v", {u"う゛ぁ", u"う゛ぃ", u"う゛", u"う゛ぇ", u"う゛ぉ"}},
    {u"kw", {u"くぁ", nullptr, nullptr, nullptr, nullptr}},
    {u"ky", {u"きゃ", u"きぃ", u"きゅ", u"きぇ", u"きょ"}},
    {u"sh", {u"しゃ", u"し", u"しゅ", u"しぇ", u"しょ"}},
    {u"sy", {u"しゃ", u"し", u"しゅ", u"しぇ", u"しょ"}},
    {u"th", {u"てゃ", u"てぃ", u"てゅ", u"てぇ", u"てょ"}},
    {u"ts", {u"つぁ", u"つぃ", u"つ", u"つぇ", u"つぉ"}},
    {u"tw", {nullptr, nullptr, u"とぅ", nullptr, nullptr}},
    {u"ty", {u"ちゃ", u"ちぃ", u"ちゅ", u"ちぇ", u"ちょ"}},
    {u"ch", {u"ちゃ", u"ち", u"ちゅ", u"ちぇ", u"ちょ"}},
    {u"cy", {u"ちゃ", u"ちぃ", u"ちゅ", u"ちぇ", u"ちょ"}},
    {u"ny", {u"にゃ", u"にぃ", u"にゅ", u"にぇ", u"にょ"}},
    {u"hy", {u"ひゃ", u"ひぃ", u"ひゅ", u"ひぇ", u"ひょ"}},
    {u"fy", {u"ふゃ", u"ふぃ", u"ふゅ", u"ふぇ", u"ふょ"}},
    {u"my", {u"みゃ", u"みぃ", u"みゅ", u"みぇ", u"みょ"}},
    {u"ry", {u"りゃ", u"りぃ", u"りゅ", u"りぇ", u"りょ"}},
    {u"ly", {u"ゃ", u"ぃ", u"ゅ", u"ぇ", u"ょ"}},
    {u"lt", {nullptr, nullptr, u"っ", nullptr, nullptr}},
    {u"xt", {nullptr, nullptr, u"っ", nullptr, nullptr}},
    {u"gw", {u"ぐぁ", nullptr, nullptr, nullptr, nullptr}},
    {u"gy", {u"ぎゃ", u"ぎぃ", u"ぎゅ", u"ぎぇ", u"ぎょ"}},
    {u"zy", {u"じゃ", u"じぃ", u"じゅ", u"じぇ", u"じょ"}},
    {u"jy", {u"じゃ", u"じぃ", u"じゅ", u"じぇ", u"じょ"}},
    {u"dh", {u"でゃ", u"でぃ", u"でゅ", u"でぇ", u"でょ"}},
    {u"dw", {nullptr, nullptr, u"どぅ", nullptr, nullptr}},
    {u"dy", {u"ぢゃ", u"ぢぃ", u"ぢゅ", u"ぢぇ", u"ぢょ"}},
    {u"by", {u"びゃ", u"びぃ", u"びゅ", u"びぇ", u"びょ"}},
    {u"py", {u"ぴゃ", u"ぴぃ", u"ぴゅ", u"ぴぇ", u"ぴょ"}},
};

int VowelIndex(QChar c)
{
    switch (ToLowerAscii(c).unicode()) {
    case u'a':
        return 0;
    case u'i':
        return 1;
    case u'u':
        return 2;
    case u'e':
        return 3;
    case u'o':
        return 4;
    default:
        return -1;
    }
}

QString RomajiToKana(const QString& text)
{
    QString result;
    QString pending; // consonant letters waiting for a vowel, as typed
    result.reserve(text.size());
    for (QChar c : text) {
        if (!IsAsciiLetter(c)) {
            result += c;
            continue;
        }

        const int vowel = VowelIndex(c);
        if (vowel >= 0) {
            // No key is longer than two letters, so all but the last two
            // pending letters would fail the lookup one after another and
            // pass through unconverted: move them in one go, which keeps a
            // long run of consonants linear.
            if (pending.size() > kLongestKey) {
                result += QStringView(pending).left(pending.size() - kLongestKey);
                pending.remove(0, pending.size() - kLongestKey);
            }
            for (;;) {
                if (const char16_t* kana = LookUp(pending, vowel)) {
                    result += QStringView(kana);
                    pending.clear();
                    break;
                }
                // The empty key has every vowel, so this ends.
                result += pending.at(0);
                pending.remove(0, 1);
            }
            continue;
        }

        if (pending.isEmpty()) {
            pending = c;
        } else if (ToLowerAscii(c) == ToLowerAscii(pending.back())) {
            result += QStringView(pending).chopped(1);
            if (IsN(c)) {
                result += u'ん';
                pending.clear();
            } else {
                result += u'っ';
                pending = c;
            }
        } else if (IsN(pending.back())) {
            if (c == u'y' || c == u'Y') {
                pending += c;
            } else {
                result += QStringView(pending).chopped(1);
                result += u'ん';
                pending = c;
            }
        } else {
            pending += c;
        }
    }
    return result;
}

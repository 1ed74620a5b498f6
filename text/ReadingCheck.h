#pragma once

#include <QString>
#include <optional>

// The reading as the word lists write it: hiragana, the prolonged sound
// mark and alternatives in parentheses. Katakana become hiragana; nullopt
// when anything else is left (kanji, letters, spaces, an empty reading,
// parentheses that do not pair up).
std::optional<QString> ReadingInHiragana(const QString& reading);

// Whether the word holds a kanji (or the iteration mark): a word of a list
// is written with kanji.
bool HasKanji(const QString& word);

// Whether the question text can colour the word's kanji in the reading: every
// kana run of the word (without its alternatives, katakana as hiragana) is
// found in the reading, in order, with reading text for every kanji stretch
// and none left over beside the kana that open or close the word.
bool ReadingFitsWord(const QString& word, const QString& reading);

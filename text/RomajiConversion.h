#pragma once

#include <QChar>
#include <QString>

// One row of the romaji table: a key of consonant letters (lower case, at
// most two letters) and the kana for the vowels a, i, u, e and o; null where
// the combination has no kana.
struct RomajiRow {
    const char16_t* key;
    const char16_t* kana[5];
};

inline constexpr int kRomajiRowCount = 48;
extern const RomajiRow RomajiTable[kRomajiRowCount];

// 0 to 4 for the vowels a, i, u, e, o in either case; -1 for anything else.
int VowelIndex(QChar c);

// The text with its romaji turned into hiragana. Everything but ASCII letters
// is copied as it stands; letters that form no kana pass through in the case
// they were typed; letters still waiting for a vowel at the end are dropped,
// so "ka" and "kan" both give "か".
QString RomajiToKana(const QString& text);

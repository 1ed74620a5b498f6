#pragma once

#include <QString>

// The katakana of the text in hiragana. ヴ becomes "う゛" (with the spacing
// voiced sound mark U+309B); ー, ヮ, ヰ, ヱ, ヵ, ヶ, ヽ, ヾ, ・ and half-width
// katakana stay as they are, like every other code unit.
QString KatakanaToHiragana(const QString& text);

// The text without its parenthesised parts and without the parentheses
// themselves; ASCII and full-width parentheses are alike. The nesting depth is
// a plain counter, so an unmatched ")" lets the following text survive, and an
// unclosed "(" drops the rest of the text.
QString RemoveParenthesized(const QString& text);

// Kanji-like: an ideograph or the iteration mark 々. A kana run is a maximal
// run of code units of a word that are not kanji-like.
bool IsKanjiLike(QChar c);

// The start of the first kana run at or after from, with its text in run;
// -1 (run untouched) when there is none.
qsizetype NextKanaRun(const QString& word, qsizetype from, QString& run);

// The position of key in the reading at or after from, outside parentheses,
// or -1. When a parenthesised alternative reading lies between from and the
// match, key is extended to start at that parenthesis and its position is
// returned instead, so that the alternative travels, unmarked, with the run.
qsizetype FindKanaRun(const QString& reading, qsizetype from, QString& key);

// The reading from readingPos on, with the stretches that stand for the kanji
// of the word from wordPos on wrapped in tag; the kana runs of the word are
// matched in the reading and left unmarked.
QString MarkReading(const QString& word, qsizetype wordPos, const QString& reading,
                    qsizetype readingPos, const QString& tag);

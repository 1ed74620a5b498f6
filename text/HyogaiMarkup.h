#pragma once

#include <QChar>
#include <QString>

// Markup text: "<R>" opens a run of kanji outside the Jōyō table, "<G>" a run
// of a reading that stands for kanji, "<N>" closes the run. Producers write
// the tags in upper case, always as a pair around at least one character, and
// never nest them. There is no escape: the word lists contain no "<".

// An ideograph that is not in the Jōyō table.
bool IsHyogaiKanji(QChar c);
// Whether the text contains a hyogai kanji. Parenthesised parts count; the
// caller removes them where they should not.
bool ContainsHyogai(const QString& text);
// "<" tag ">" text "<N>".
QString WrapInTag(const QString& tag, const QString& text);
// The text with every maximal run of hyogai kanji wrapped in "<R>" and "<N>".
QString MarkHyogai(const QString& text);

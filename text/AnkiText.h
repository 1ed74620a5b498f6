#pragma once

#include <QString>

// The text of a field as Anki exports it, made plain: HTML tags out (a line
// break or a block becomes a space), character references decoded, sound
// references ("[sound:…]") removed, white space collapsed and trimmed.
QString PlainAnkiField(const QString& field);

// Anki writes furigana after the text they belong to, in brackets: "日本[に
// ほん]語[ご]", a space ending the text before a base ("食[た]べ 物[もの]").
// FuriganaBase keeps the bases ("日本語"), FuriganaReading puts the
// furigana in their place ("にほんご"); text without brackets stays as it is.
QString FuriganaBase(const QString& text);
QString FuriganaReading(const QString& text);
// Whether the text holds furigana in brackets.
bool HasFurigana(const QString& text);

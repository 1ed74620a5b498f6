#pragma once

#include <QChar>

// Whether one UTF-16 code unit is an ideograph: the CJK Unified Ideographs
// (U+4E00 to U+9FFF, every Jōyō kanji among them), Extension A (U+3400 to
// U+4DBF), the CJK Compatibility Ideographs (U+F900 to U+FAFF), and the
// ideographic closing mark 〆 (U+3006) and number zero 〇 (U+3007), which the
// Unicode Ideographic property includes and which stand in words like kanji.
// The iteration mark 々 (U+3005) is not an ideograph by itself; the reading
// display treats it as kanji by its own rule. A surrogate code unit is half a
// character and never an ideograph, so kanji outside the BMP are not
// recognised.
bool IsIdeograph(QChar c);

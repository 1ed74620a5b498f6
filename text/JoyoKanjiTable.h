#pragma once

// The 2,136 kanji of the Jōyō Kanji table (2010), in reading order: 53
// strings of 40 characters and a last one of 16, every character one UTF-16
// code unit in U+4E00 to U+9FFF. The table holds the widespread forms 叱 填
// 剥 頬 in place of the printed forms 𠮟 塡 剝 頰, which are not members.
inline constexpr int kJoyoKanjiStringCount = 54;
inline constexpr int kJoyoKanjiCount = 2136;

extern const char16_t* const JoyoKanjiTable[kJoyoKanjiStringCount];

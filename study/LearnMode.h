#pragma once

#include <QtGlobal>

// A learning mode, 16 bits in memory and in the learning-mode files. Only 0 to
// 4 are valid; new items are Unspec.
enum LearnMode : qint16 {
    Unspec = 0,   // 指定なし
    Learned = 1,  // 覚えた
    Learning = 2, // 覚えたい
    NoLearn = 3,  // 覚えない
    Known = 4,    // 知ってる
};

inline constexpr int kLearnModeCount = 5;

inline bool IsValidMode(int mode)
{
    return mode >= 0 && mode < kLearnModeCount;
}

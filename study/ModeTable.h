#pragma once

#include "platform/ResourceIds.h"
#include "platform/Settings.h"
#include "study/LearnMode.h"

// The five learning modes as every row of five buttons shows them: the main
// bar, the mode prompt, the search bar's and the history's filters, and the
// squares of the lists.
struct ModeInfo {
    LearnMode m_nMode;
    const char16_t* m_caption;
    quint32 m_rgbColour;                // 0xRRGGBB, the filter indicator's square
    int m_nPictureOn;                   // a chosen mode button
    int m_nFilterPictureOn;             // a chosen filter button
    int m_nListPicture;                 // the square in the lists; 0: none
    const IntSetting* m_pFilterSetting; // the history filter's setting
};

// In button order.
inline constexpr ModeInfo kModeTable[kLearnModeCount] = {
    {Known, u"知ってる", 0xFFFFE6, kPictureModeKnown, kPictureFilterKnown, kPictureSquareKnown,
     &Setting::HistViewKnown},
    {Learned, u"覚えた", 0xB4DCFD, kPictureModeLearned, kPictureFilterLearned,
     kPictureSquareLearned, &Setting::HistViewLearned},
    {Learning, u"覚えたい", 0xFDE4B2, kPictureModeLearning, kPictureFilterLearning,
     kPictureSquareLearning, &Setting::HistViewLearning},
    {NoLearn, u"覚えない", 0xFEB2B3, kPictureModeNoLearn, kPictureFilterNoLearn,
     kPictureSquareNoLearn, &Setting::HistViewNoLearn},
    {Unspec, u"指定なし", 0xFFFFE6, kPictureModeKnown, kPictureFilterKnown, 0,
     &Setting::HistViewUnspec},
};

// The button position of a mode, -1 for a value that is no mode.
inline constexpr int ButtonOfMode(int mode)
{
    for (int k = 0; k < kLearnModeCount; ++k) {
        if (kModeTable[k].m_nMode == mode)
            return k;
    }
    return -1;
}

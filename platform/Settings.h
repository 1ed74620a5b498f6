#pragma once

#include "platform/Profile.h"

#include <QString>
#include <climits>

// Every setting the program reads or writes, with its section ("" is the
// application key itself) and the default a missing value reads as. The
// profile functions take an entry and still go to the store at every call:
// nothing here holds a value.
struct IntSetting {
    const char16_t* m_section;
    const char16_t* m_name;
    int m_nDefault;
};

struct StringSetting {
    const char16_t* m_section;
    const char16_t* m_name;
    const char16_t* m_default;
};

namespace Setting {

// The learner's options.
inline constexpr StringSetting FontFace{u"Settings", u"FontFace", u""};
inline constexpr IntSetting FontPoint{u"Settings", u"FontPoint", 36};
inline constexpr IntSetting HyogaiRed{u"Settings", u"HyogaiRed", 0};
inline constexpr IntSetting StrokeWidth{u"Settings", u"StrokeWidth", 6};
inline constexpr IntSetting ProbFreq{u"Settings", u"ProbFreq", 100};
inline constexpr IntSetting PrefKanji{u"Settings", u"PrefKanji", 0};
inline constexpr IntSetting QAMode{u"Settings", u"QAMode", 0};
inline constexpr IntSetting NoUnspec{u"Settings", u"NoUnspec", 0};
inline constexpr StringSetting SearchURL{u"Settings", u"SearchURL",
                                         u"https://www.google.com/search?q="};
inline constexpr IntSetting ClearHistory{u"Settings", u"ClearHistory", 0};
// The lists the question choice leaves out, by file name, separated by
// commas; the lists that are not named are asked.
inline constexpr StringSetting ListsOff{u"Settings", u"ListsOff", u""};
// The writing sheet's guide and the check of what was written.
inline constexpr IntSetting GuideMode{u"Settings", u"GuideMode", 0};
inline constexpr IntSetting CheckWriting{u"Settings", u"CheckWriting", 1};
// How strictly the writing check judges: 0 やさしい, 1 ふつう, 2 きびしい.
inline constexpr IntSetting CheckStrictness{u"Settings", u"CheckStrictness", 1};
// The word lists' signature file as last written, with the folder it was
// written for: it stands in when the file and its copy are both lost.
inline constexpr StringSetting StateSignatures{u"State", u"Signatures", u""};
// The folder the learner keeps the data in instead of the usual one; empty
// for the usual one. A path of this computer, so it stays out of exports.
inline constexpr StringSetting DataFolder{u"Storage", u"DataFolder", u""};
// 1 once the first question has said where to write and what is checked.
inline constexpr IntSetting WritingIntroShown{u"Settings", u"WritingIntroShown", 0};
// 1: items due for review are asked first, then a few new ones a day.
inline constexpr IntSetting ReviewFirst{u"Settings", u"ReviewFirst", 0};
// Items begun a study day at most, while reviews come first.
inline constexpr IntSetting NewPerDay{u"Settings", u"NewPerDay", 20};

// Window geometry and view state. INT_MIN leaves the choice to the window
// system.
inline constexpr IntSetting WinLeft{u"", u"WinLeft", INT_MIN};
inline constexpr IntSetting WinTop{u"", u"WinTop", INT_MIN};
inline constexpr IntSetting WinWidth{u"", u"WinWidth", INT_MIN};
inline constexpr IntSetting WinHeight{u"", u"WinHeight", INT_MIN};
inline constexpr IntSetting WinZoom{u"", u"WinZoom", 0};
inline constexpr IntSetting MainRight{u"", u"MainRight", 1};
inline constexpr IntSetting HistViewKnown{u"", u"HistViewKnown", 0};
inline constexpr IntSetting HistViewLearned{u"", u"HistViewLearned", 0};
inline constexpr IntSetting HistViewLearning{u"", u"HistViewLearning", 0};
inline constexpr IntSetting HistViewNoLearn{u"", u"HistViewNoLearn", 0};
inline constexpr IntSetting HistViewUnspec{u"", u"HistViewUnspec", 0};
inline constexpr IntSetting HWinWidth{u"", u"HWinWidth", 0};
inline constexpr IntSetting HWinHeight{u"", u"HWinHeight", 0};
inline constexpr IntSetting HistoryAction{u"", u"HistoryAction", 0};
inline constexpr IntSetting SearchAction{u"", u"SearchAction", 0};
inline constexpr IntSetting SSDlgWidth{u"", u"SSDlgWidth", 0};
inline constexpr IntSetting SSDlgHeight{u"", u"SSDlgHeight", 0};

inline constexpr const IntSetting* kIntSettings[] = {
    &FontPoint,        &HyogaiRed,       &StrokeWidth,    &ProbFreq,      &PrefKanji,
    &QAMode,           &NoUnspec,        &ClearHistory,   &GuideMode,     &CheckWriting,
    &ReviewFirst,      &NewPerDay,       &WinLeft,        &WinTop,        &WinWidth,
    &WinHeight,        &WinZoom,         &MainRight,      &HistViewKnown, &HistViewLearned,
    &HistViewLearning, &HistViewNoLearn, &HistViewUnspec, &HWinWidth,     &HWinHeight,
    &HistoryAction,    &SearchAction,    &SSDlgWidth,     &SSDlgHeight,
};
inline constexpr const StringSetting* kStringSettings[] = {&FontFace, &SearchURL, &ListsOff};

} // namespace Setting

inline int GetProfileInt(const IntSetting& setting)
{
    return GetProfileInt(QString::fromUtf16(setting.m_section), QString::fromUtf16(setting.m_name),
                         setting.m_nDefault);
}

inline bool WriteProfileInt(const IntSetting& setting, int value)
{
    return WriteProfileInt(QString::fromUtf16(setting.m_section),
                           QString::fromUtf16(setting.m_name), value);
}

inline QString GetProfileString(const StringSetting& setting)
{
    return GetProfileString(QString::fromUtf16(setting.m_section),
                            QString::fromUtf16(setting.m_name),
                            QString::fromUtf16(setting.m_default));
}

inline bool WriteProfileString(const StringSetting& setting, const QString& value)
{
    return WriteProfileString(QString::fromUtf16(setting.m_section),
                              QString::fromUtf16(setting.m_name), value);
}

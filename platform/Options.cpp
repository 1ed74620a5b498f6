#include "platform/Options.h"

#include "platform/Settings.h"

#include <QtGlobal>

namespace {

// No installed family has a name this long; matching one against the font
// system costs seconds, so it counts as no face chosen.
constexpr qsizetype kMaxFaceLength = 255;

bool IsOn(const IntSetting& setting)
{
    return GetProfileInt(setting) != 0;
}

// Only 1 turns these on; every other stored value leaves them off.
bool IsOne(const IntSetting& setting)
{
    return GetProfileInt(setting) == 1;
}

void WriteFlag(const IntSetting& setting, bool on)
{
    WriteProfileInt(setting, on ? 1 : 0);
}

int Within(const IntSetting& setting, int low, int high, int otherwise)
{
    const int value = GetProfileInt(setting);
    return (value >= low && value <= high) ? value : otherwise;
}

} // namespace

namespace Options {

QString PanelFace()
{
    const QString face = StoredFontFace();
    if (face.isEmpty() || face.size() > kMaxFaceLength)
        return QStringLiteral("ＭＳ Ｐゴシック");
    return face;
}

QString StoredFontFace()
{
    return GetProfileString(Setting::FontFace);
}

void SetFontFace(const QString& face)
{
    WriteProfileString(Setting::FontFace, face);
}

int FontPoints()
{
    return qBound(kMinFontPoints, StoredFontPoints(), kMaxFontPoints);
}

int StoredFontPoints()
{
    return GetProfileInt(Setting::FontPoint);
}

void SetFontPoints(int points)
{
    WriteProfileInt(Setting::FontPoint, points);
}

bool ShowHyogaiInRed()
{
    return IsOn(Setting::HyogaiRed);
}

void SetShowHyogaiInRed(bool on)
{
    WriteFlag(Setting::HyogaiRed, on);
}

int StrokeWidth()
{
    return qBound(kMinStrokeWidth, GetProfileInt(Setting::StrokeWidth), kMaxStrokeWidth);
}

void SetStrokeWidth(int width)
{
    WriteProfileInt(Setting::StrokeWidth, width);
}

int LearningFrequency()
{
    return GetProfileInt(Setting::ProbFreq);
}

void SetLearningFrequency(int frequency)
{
    WriteProfileInt(Setting::ProbFreq, frequency);
}

int PreferredKanji()
{
    return Within(Setting::PrefKanji, 0, 2, 0);
}

void SetPreferredKanji(int preference)
{
    WriteProfileInt(Setting::PrefKanji, preference);
}

bool ReverseAsking()
{
    return IsOne(Setting::QAMode);
}

void SetReverseAsking(bool on)
{
    WriteFlag(Setting::QAMode, on);
}

bool RequireMode()
{
    return IsOne(Setting::NoUnspec);
}

void SetRequireMode(bool on)
{
    WriteFlag(Setting::NoUnspec, on);
}

QString SearchUrl()
{
    return GetProfileString(Setting::SearchURL);
}

QString DefaultSearchUrl()
{
    return QString::fromUtf16(Setting::SearchURL.m_default);
}

void SetSearchUrl(const QString& url)
{
    WriteProfileString(Setting::SearchURL, url.isEmpty() ? DefaultSearchUrl() : url);
}

QStringList ListsOff()
{
    return GetProfileString(Setting::ListsOff).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

void SetListsOff(const QStringList& names)
{
    WriteProfileString(Setting::ListsOff, names.join(QLatin1Char(',')));
}

bool ClearHistoryOnExit()
{
    return IsOn(Setting::ClearHistory);
}

void SetClearHistoryOnExit(bool on)
{
    WriteFlag(Setting::ClearHistory, on);
}

bool ReviewFirst()
{
    return IsOne(Setting::ReviewFirst);
}

void SetReviewFirst(bool on)
{
    WriteFlag(Setting::ReviewFirst, on);
}

int NewPerDay()
{
    return Within(Setting::NewPerDay, 0, 1000, Setting::NewPerDay.m_nDefault);
}

void SetNewPerDay(int count)
{
    WriteProfileInt(Setting::NewPerDay, count);
}

int GuideMode()
{
    return Within(Setting::GuideMode, 0, 2, 0);
}

void SetGuideMode(int mode)
{
    WriteProfileInt(Setting::GuideMode, mode);
}

bool CheckWriting()
{
    return IsOn(Setting::CheckWriting);
}

void SetCheckWriting(bool on)
{
    WriteFlag(Setting::CheckWriting, on);
}

int CheckStrictness()
{
    return Within(Setting::CheckStrictness, 0, 2, 1);
}

void SetCheckStrictness(int level)
{
    WriteProfileInt(Setting::CheckStrictness, level);
}

bool MainBarOnRight()
{
    return IsOn(Setting::MainRight);
}

void SetMainBarOnRight(bool on)
{
    WriteFlag(Setting::MainRight, on);
}

bool StartMaximised()
{
    return IsOn(Setting::WinZoom);
}

void SetStartMaximised(bool on)
{
    WriteFlag(Setting::WinZoom, on);
}

} // namespace Options

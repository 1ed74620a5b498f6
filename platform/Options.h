#pragma once

#include <QString>
#include <QStringList>

// What each of the learner's options means to the program. Every call reads
// the store (platform/Settings.h) again, so a value the options dialog wrote
// takes effect at its next use; a stored value outside an option's range is
// taken as said here, wherever it is read.
namespace Options {

// The question panel's font size, as the options dialog's spin box offers it.
inline constexpr int kMinFontPoints = 10;
inline constexpr int kMaxFontPoints = 100;
// Pen widths that draw something sensible: below a pixel the ink vanishes,
// and a pen wider than a screen only floods the sheet.
inline constexpr int kMinStrokeWidth = 1;
inline constexpr int kMaxStrokeWidth = 100;

// The face the question panel asks for: the stored one, or "ＭＳ Ｐゴシック"
// when none is stored.
QString PanelFace();
// The face as stored; empty when none was chosen.
QString StoredFontFace();
void SetFontFace(const QString& face);

// Within kMinFontPoints to kMaxFontPoints.
int FontPoints();
// As stored, for the dialog that edits it.
int StoredFontPoints();
void SetFontPoints(int points);

// Answers colour the kanji outside the standard table.
bool ShowHyogaiInRed();
void SetShowHyogaiInRed(bool on);

// Within kMinStrokeWidth to kMaxStrokeWidth.
int StrokeWidth();
void SetStrokeWidth(int width);

// About one question in this many comes from the items to be memorised; 0
// or less asks them always.
int LearningFrequency();
void SetLearningFrequency(int frequency);

// 0 no preference, 1 words with standard kanji only, 2 words with others;
// any other stored value is 0.
int PreferredKanji();
void SetPreferredKanji(int preference);

// The word is asked and its reading answers it; only a stored 1 says so.
bool ReverseAsking();
void SetReverseAsking(bool on);

// An answered question is not left at 指定なし without the learner being
// asked for a mode; only a stored 1 says so.
bool RequireMode();
void SetRequireMode(bool on);

// The prefix of the web search's URL, to which the encoded word is added.
QString SearchUrl();
QString DefaultSearchUrl();
// An empty prefix stores the default.
void SetSearchUrl(const QString& url);

// The word lists the question choice leaves out, by file name; the lists
// not named are asked. Empty names are no list.
QStringList ListsOff();
void SetListsOff(const QStringList& names);

// The history is emptied each time the program closes.
bool ClearHistoryOnExit();
void SetClearHistoryOnExit(bool on);

// Items due for review are asked first, then a few new ones a study day;
// only a stored 1 says so.
bool ReviewFirst();
void SetReviewFirst(bool on);
// The new items a study day while reviews come first: 0 to 1000, any other
// stored value is 20.
int NewPerDay();
void SetNewPerDay(int count);

// The writing sheet's guide: 0 none, 1 a cross, 2 a box per character; any
// other stored value is 0.
int GuideMode();
void SetGuideMode(int mode);

// What was written is checked when the answer is shown.
bool CheckWriting();
void SetCheckWriting(bool on);

// How strictly the writing is judged: 0 やさしい, 1 ふつう, 2 きびしい; any
// other stored value is 1.
int CheckStrictness();
void SetCheckStrictness(int level);

// The main bar stands at the right edge, the search bar at the left.
bool MainBarOnRight();
void SetMainBarOnRight(bool on);

// The window opens maximised.
bool StartMaximised();
void SetStartMaximised(bool on);

} // namespace Options

#include "study/CDictionary.h"
#include "study/CItem.h"

#include "platform/Clock.h"
#include "platform/Options.h"
#include "platform/ResourceIds.h"
#include "platform/Settings.h"
#include "study/StudyDay.h"
#include "text/HyogaiMarkup.h"
#include "text/KanaConversion.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

namespace {

constexpr int kMaxTries = 30;
// The tries in the Unspec pool are spread over about a tenth of its items.
constexpr int kUnspecSpread = 300;
constexpr int kNeverSeen = std::numeric_limits<int>::max();

quint32 g_randomState = 0;

// The C library's classic linear congruential generator: 0 to 32767.
int DrawRandom()
{
    g_randomState = g_randomState * 214013u + 2531011u;
    return static_cast<int>((g_randomState >> 16) & 0x7FFF);
}

quint32 ReverseBits(quint32 value)
{
    quint32 reversed = 0;
    for (int bit = 0; bit < 32; ++bit) {
        reversed = (reversed << 1) | (value & 1u);
        value >>= 1;
    }
    return reversed;
}

// The best item seen so far in one scan of a pool.
struct Candidate {
    int lastSeen = kNeverSeen;      // latest history position, -1 when not in the history
    qint16 askCount = kMaxAskCount; // meaningful only while lastSeen is -1
    int index = -1;                 // -1 while nothing is held
};

} // namespace

void SeedQuestionRandom()
{
    // The tick count's low bits change fastest; reversed, they reach the
    // high bits, which are the ones the generator hands out.
    g_randomState = ReverseBits(GetTickCount());
}

void SetQuestionRandomState(quint32 state)
{
    g_randomState = state;
}

quint32 GetQuestionRandomState()
{
    return g_randomState;
}

namespace {

int LatestHistoryPos(const QList<CDictionary::CHistInfo>& history, int index)
{
    for (qsizetype pos = history.size() - 1; pos >= 0; --pos) {
        if (history.at(pos).m_nIndex == index)
            return static_cast<int>(pos);
    }
    return -1;
}

// Offers an item to a candidate; true when nothing better can follow: an item
// not in the history that was never asked (or has a count of 0 or less).
bool Offer(Candidate& candidate, int index, const CDictionary::CItem& item,
           const QList<CDictionary::CHistInfo>& history)
{
    const int h = LatestHistoryPos(history, index);
    if (candidate.lastSeen == -1) {
        if (h == -1 && item.m_nAskCount < candidate.askCount) {
            candidate.askCount = item.m_nAskCount;
            candidate.index = index;
            return candidate.askCount <= 0;
        }
        return false;
    }
    if (h < candidate.lastSeen) {
        candidate.lastSeen = h;
        candidate.index = index;
        if (h == -1) {
            candidate.askCount = item.m_nAskCount;
            return candidate.askCount <= 0;
        }
    }
    return false;
}

} // namespace

namespace {

// Which items a choice may take; null for every item.
using ItemFilter = std::function<bool(int index)>;

// Items looked at in one pool when a filter passes over some: the tries
// still end at kMaxTries, but never after more than this many items.
constexpr int kMaxProbes = 300;

// The Learning pool's pick: the item asked longest ago among those tried;
// ask counts play no part here.
int ChooseLearning(CDictionary& dic, int l, const std::vector<bool>& asked, const ItemFilter* admit)
{
    int best = kNeverSeen;
    int result = -1;
    int p = DrawRandom() % l;
    const int tries = qMin(l, kMaxTries);
    const int probes = admit ? qMin(l, kMaxProbes) : tries;
    for (int t = 0, probe = 0; t < tries && probe < probes; ++probe) {
        const int g = dic.GetNthInMode(Learning, p, asked);
        if (++p == l)
            p = 0;
        if (admit && !(*admit)(g))
            continue;
        ++t;
        const int h = LatestHistoryPos(dic.m_history, g);
        if (h < best) {
            best = h;
            result = g;
            if (h == -1)
                return g;
        }
    }
    return result;
}

int ChooseUnspec(CDictionary& dic, int u, int prefKanji, const std::vector<bool>& asked,
                 const ItemFilter* admit)
{
    Candidate any;
    Candidate standard;    // words whose kanji outside parentheses are all in the table
    Candidate nonStandard; // words with a kanji outside the table, parentheses included
    int p = DrawRandom() % u;
    const int tries = qMin(u, kMaxTries);
    const int probes = admit ? qMin(u, kMaxProbes) : tries;
    const int step = qMax(u / kUnspecSpread, 1);
    bool done = false;
    for (int t = 0, probe = 0; t < tries && probe < probes; ++probe) {
        const int g = dic.GetNthInMode(Unspec, p, asked);
        p += step;
        if (p >= u)
            p -= u;
        if (admit && !(*admit)(g))
            continue;
        ++t;
        const CDictionary::CItem* item = dic.GetItem(g);
        if (!item)
            continue;
        if (prefKanji == 1 || prefKanji == 2) {
            const QString word = item->GetWord();
            const bool preferred =
                prefKanji == 1 ? !ContainsHyogai(RemoveParenthesized(word)) : ContainsHyogai(word);
            Candidate& wanted = prefKanji == 1 ? standard : nonStandard;
            if (preferred && Offer(wanted, g, *item, dic.m_history))
                return g;
            // Once the fallback holds an item nothing can beat, it is
            // left alone.
            if (!done)
                done = Offer(any, g, *item, dic.m_history);
        } else if (Offer(any, g, *item, dic.m_history)) {
            return g;
        }
    }
    if (prefKanji == 1 && standard.index != -1)
        return standard.index;
    if (prefKanji == 2 && nonStandard.index != -1)
        return nonStandard.index;
    return any.index;
}

// The present choice among the items the filter admits. Without a filter
// it is exactly the choice the drill has always made; with one, a pool
// that offers nothing gives way to the other.
int ChooseFromPools(CDictionary& dic, int prefKanji, const ItemFilter* admit)
{
    dic.EnsureLoaded();
    dic.RecountModes();
    const std::vector<bool> asked = dic.ListsAsked();
    const int u = dic.CountInMode(Unspec, asked);
    const int l = dic.CountInMode(Learning, asked);
    if (u == 0 && l == 0)
        return -1;

    bool learningPool = u == 0;
    if (u > 0 && l > 0) {
        // About one question in f comes from the Learning items while there
        // are many Unspec ones; with fewer than f items in all, the pools
        // come up in proportion to their sizes. An f of 0 or below, like any
        // f not above l, always takes the Learning pool.
        const int f = Options::LearningFrequency();
        if (l >= f) {
            learningPool = true;
        } else {
            const int r = DrawRandom() % (u + l >= f ? f : u + l);
            learningPool = r < l;
        }
    }
    const int chosen = learningPool ? ChooseLearning(dic, l, asked, admit)
                                    : ChooseUnspec(dic, u, prefKanji, asked, admit);
    if (chosen >= 0 || !admit)
        return chosen;
    if (learningPool)
        return u > 0 ? ChooseUnspec(dic, u, prefKanji, asked, admit) : -1;
    return l > 0 ? ChooseLearning(dic, l, asked, admit) : -1;
}

} // namespace

int CDictionary::SelectNextQuestion(int prefKanji)
{
    return ChooseFromPools(*this, prefKanji, nullptr);
}

int CDictionary::SelectReviewQuestion(int prefKanji)
{
    EnsureLoaded();
    EnsureReviewsCurrent();
    const qint32 today = GetStudyDay();
    // The tie among the most overdue is broken as the present choice
    // breaks it: an item not in the history first, the lowest ask count
    // among those, else the item asked longest ago.
    // Items of the lists the learner switched off stay due, not asked.
    const std::vector<bool> asked = ListsAsked();
    std::vector<int> firstOfList;
    for (int i = 0; i < GetSize(); ++i)
        firstOfList.push_back(ListBase(i));
    const auto inAskedList = [&](int g) {
        const auto next = std::upper_bound(firstOfList.cbegin(), firstOfList.cend(), g);
        const size_t list = size_t(next - firstOfList.cbegin()) - 1;
        return next != firstOfList.cbegin() && list < asked.size() && asked[list];
    };
    const QList<int> tied = m_reviews.EarliestDue(today, kMaxTries, inAskedList);
    Candidate best;
    for (int g : tied) {
        const CItem* item = ItemAt(g);
        if (!item)
            continue;
        if (Offer(best, g, *item, m_history))
            return g;
    }
    if (best.index >= 0)
        return best.index;

    const int newPerDay = Options::NewPerDay();
    if (m_reviews.NewCount(today) >= newPerDay)
        return -1;
    const ItemFilter isNew = [this](int g) { return !m_reviews.HasRecord(g); };
    return ChooseFromPools(*this, prefKanji, &isNew);
}

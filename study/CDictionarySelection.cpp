#include "study/CDictionary.h"
#include "study/CItem.h"

#include "platform/Clock.h"
#include "platform/Options.h"
#include "platform/ResourceIds.h"
#include "text/HyogaiMarkup.h"
#include "text/KanaConversion.h"

#include <limits>

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

int CDictionary::SelectNextQuestion(int prefKanji)
{
    EnsureLoaded();
    RecountModes();
    const std::vector<bool> asked = ListsAsked();
    const int u = CountInMode(Unspec, asked);
    const int l = CountInMode(Learning, asked);
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

    if (learningPool) {
        // The item asked longest ago among those tried; ask counts play no
        // part here.
        int best = kNeverSeen;
        int result = -1;
        int p = DrawRandom() % l;
        const int tries = qMin(l, kMaxTries);
        for (int t = 0; t < tries; ++t) {
            const int g = GetNthInMode(Learning, p, asked);
            const int h = LatestHistoryPos(m_history, g);
            if (h < best) {
                best = h;
                result = g;
                if (h == -1)
                    return g;
            }
            if (++p == l)
                p = 0;
        }
        return result;
    }

    Candidate any;
    Candidate standard;    // words whose kanji outside parentheses are all in the table
    Candidate nonStandard; // words with a kanji outside the table, parentheses included
    int p = DrawRandom() % u;
    const int tries = qMin(u, kMaxTries);
    const int step = qMax(u / kUnspecSpread, 1);
    bool done = false;
    for (int t = 0; t < tries; ++t) {
        const int g = GetNthInMode(Unspec, p, asked);
        if (const CItem* item = GetItem(g)) {
            if (prefKanji == 1 || prefKanji == 2) {
                const QString word = item->GetWord();
                const bool preferred = prefKanji == 1 ? !ContainsHyogai(RemoveParenthesized(word))
                                                      : ContainsHyogai(word);
                Candidate& wanted = prefKanji == 1 ? standard : nonStandard;
                if (preferred && Offer(wanted, g, *item, m_history))
                    return g;
                // Once the fallback holds an item nothing can beat, it is
                // left alone.
                if (!done)
                    done = Offer(any, g, *item, m_history);
            } else if (Offer(any, g, *item, m_history)) {
                return g;
            }
        }
        p += step;
        if (p >= u)
            p -= u;
    }
    if (prefKanji == 1 && standard.index != -1)
        return standard.index;
    if (prefKanji == 2 && nonStandard.index != -1)
        return nonStandard.index;
    return any.index;
}

#pragma once

#include "study/LearnMode.h"
#include "study/ReviewStore.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CStateWriter;
class CWordListSource;
struct StateSnapshot;
struct StateWriteOutcome;
struct StudyStateReading;

// The study data: the word lists with their items, each item's learning mode
// and ask count, the question history and the dictation counts. One object
// per process, reached through GetInstance; it loads itself at the first
// operation that needs data and writes what changed in Save.
class CDictionary {
public:
    class CDicFile;
    class CItem;

    // One question-history record.
    class CHistInfo {
    public:
        qint32 m_nIndex = 0;    // global index of the item asked
        qint32 m_bAnswered = 0; // 1 once the question was counted as a dictation
    };

    static CDictionary* GetInstance();
    // Destroys the object without saving; GetInstance is not called again.
    static void DestroyInstance();
    // Tests only: destroys the object and lets GetInstance make a new one.
    static void ResetInstanceForTesting();
    // Tests only: the word lists that later loads read (null: the built-in ones).
    static void SetWordListSource(std::shared_ptr<const CWordListSource> source);

    CDictionary();
    ~CDictionary();
    CDictionary(const CDictionary&) = delete;
    CDictionary& operator=(const CDictionary&) = delete;

    // The lists, in list order.
    int GetSize() const { return static_cast<int>(m_lists.size()); }
    CDicFile* GetAt(int list) const { return m_lists.at(static_cast<size_t>(list)).get(); }

    // Items and modes (CDictionary.cpp).
    void EnsureLoaded();
    CItem* GetItem(int index);
    int GetTotalItemCount();
    void RecountModes();
    int CountInMode(int mode) const;
    int GetNthInMode(int mode, int n) const;
    // The lists the question choice draws from: all but those the learner
    // switched off ("ListsOff"). The two above over those lists only; an
    // empty mask stands for all lists.
    std::vector<bool> ListsAsked() const;
    int CountInMode(int mode, const std::vector<bool>& lists) const;
    int GetNthInMode(int mode, int n, const std::vector<bool>& lists) const;
    qint16 GetAverageUnspecCount();
    // Files the item under the mode. A move to 指定なし gives the item the
    // average ask count of the 指定なし items; any other move keeps its
    // count. False, changing nothing, for the item's own mode.
    bool SetItemMode(CItem& item, LearnMode mode);
    // The same with the average a list owner took at its first move to
    // 指定なし and reuses after the 指定なし items changed; -1 until then,
    // and filled in here.
    bool SetItemMode(CItem& item, LearnMode mode, qint16& unspecAverage);
    void ClearModes(bool learned, bool learning, bool noLearn, bool known);
    // With `also`, only the items it admits are found.
    void Search(const QString& text, bool unspec, bool learned, bool learning, bool noLearn,
                bool known, QList<int>& results, const std::function<bool(int)>& also = {});

    // Distinct kanji over all words, computed once.
    int GetDistinctKanjiCount();

    // Loading is EnsureLoaded; it and the saves are in
    // CDictionaryStateFiles.cpp. Save writes at once, after a background
    // write that still runs: the files end with what Save wrote.
    void Save();
    // Takes what changed and writes it on a thread of its own; false, doing
    // nothing, while an earlier background write is not collected yet or
    // when nothing is to be written.
    bool StartBackgroundSave();
    bool IsBackgroundSaveRunning() const { return m_pWriter != nullptr; }
    // Collects a background write once it is done (with `wait`, waits for
    // it): what it could not write is dirty again, and its failures are
    // shown. Its outcome, or none when there was none to collect.
    std::optional<StateWriteOutcome> FinishBackgroundSave(bool wait);

    // Question selection (CDictionarySelection.cpp); prefKanji 0 none, 1
    // standard kanji, 2 others.
    int SelectNextQuestion(int prefKanji);

    // History and dictation counts (CDictionaryHistory.cpp). Every operation
    // loads the study data first, so that nothing done before the load is
    // overwritten by it.
    void AddToHistory(int index);
    int GetCurrentHistoryItem();
    int IsCurrentAnswered(int defaultValue);
    int GetPrevHistoryPos();
    int GetNextHistoryPos();
    void SetHistoryPos(int pos);
    int GetHistoryCount();
    // A copy of the record; index -1 for a position outside the records.
    CHistInfo GetHistoryRecord(int pos);
    void ClearHistory();
    void LoadHistoryFilter();
    // The history filter's flag of the mode (m_bViewKnown and the others);
    // 0 for a value that is no mode.
    int ViewFlag(int mode) const;
    void GetFilteredHistory(QList<int>& positions);

    // Dictation counts.
    int RecordDictation();
    int GetTodayCount();
    int AddTodayCount();
    int GetDayCount(int dayKey);
    int GetTotalCount();
    void ClearDictationCounts();
    // Drops the day counts outside the last 100 study days.
    void PruneDayCounts();

    // Reviews. Days are study days: today is GetStudyDay().
    // The learner rated the item on today's study day.
    void RateItem(int index, ReviewRating rating);
    // The item was left without a rating: it is not offered as due again
    // today.
    void DeferReview(int index);
    // The learner will not memorise the item: it comes due no more until
    // its mode leaves 覚えない.
    void SuspendReview(int index);
    // The choice with reviews first: the most overdue item, ties broken as
    // the present choice breaks them; else, while fewer items than
    // "NewPerDay" were begun today, a new item as the present choice would
    // pick it among the items never reviewed. -1 when there is neither.
    int SelectReviewQuestion(int prefKanji);
    // Items not suspended that are due by the study day `daysAhead` days
    // from today (0: today, overdue items included), in the lists asked.
    int GetDueCount(int daysAhead);
    // The reviews of the last `days` study days of items reviewed before.
    ReviewStore::Retention GetRetention(int days);
    // Lapsed ReviewStore::kLeechLapses times or more: a leech.
    bool IsLeech(int index);
    std::optional<ReviewState> GetReviewState(int index);
    // Forget the review state: of every item (with the day's count of new
    // items and the tallies), of the items of one list, of the items now in
    // one learning mode.
    void ForgetAllReviews();
    void ForgetListReviews(int list);
    void ForgetModeReviews(int mode);
    // Which of the three a reset from the options takes.
    struct ReviewScope {
        enum Kind { AllItems, OneList, OneMode };
        Kind m_kind = AllItems;
        int m_nWhich = 0; // the list's place, or the mode
    };
    void ForgetReviews(const ReviewScope& scope);
    // The items with a review record that the scope takes.
    int CountReviews(const ReviewScope& scope);
    // After the lists' items moved (a list of one's own read again or
    // deleted): each record goes to the item `place` gives for its old
    // index, or is dropped where that is -1; the reviews are saved again.
    void MoveReviews(const std::function<int(int)>& place);

    std::vector<std::unique_ptr<CDicFile>> m_lists;
    int m_nKanjiCount = 0; // 0: not computed yet
    int m_nTotalCount = 0;
    QHash<int, int> m_mapDayCount; // day key -> dictations that study day
    int m_bMiscDirty = 0;
    QList<CHistInfo> m_history; // oldest first
    int m_nHistPos = -1;
    int m_bHistDirty = 0;
    int m_bViewKnown = 0;
    int m_bViewLearned = 0;
    int m_bViewLearning = 0;
    int m_bViewNoLearn = 0;
    int m_bViewUnspec = 0;
    ReviewStore m_reviews;
    // State files this run must not write: they await a carry-over that
    // could not be written, or nothing says which lists they are for.
    QSet<QString> m_heldStateFiles;

private:
    // m_nHistPos when it names a record, else -1: a position read from a
    // file may lie outside the records and then names none.
    int CurrentPos() const;
    bool HasHistoryFilter() const;
    // A record whose index has no item passes no filter.
    bool PassesHistoryFilter(int pos) const;
    // The item of a global index without loading; null past the end.
    CItem* ItemAt(int index) const;
    void LoadList(const CWordListSource& source, int resourceId, const QString& name,
                  const QString& folder, const StudyStateReading& reading);
    // The lists of one's own, after the built-in ones.
    void LoadOwnLists(const QString& folder, const StudyStateReading& reading);
    void LoadMisc(const QString& folder);
    void LoadHistory(const QString& folder, const StudyStateReading& reading);
    void LoadReviews(const QString& folder, const StudyStateReading& reading);
    QByteArray ReviewFileContent() const;
    // The global index of the first item of a list.
    int ListBase(int list) const;
    // The store covers every item and knows which are suspended; the lists
    // tell it of each move into or out of 覚えない from then on.
    void EnsureReviewsCurrent();
    bool m_bReviewModesStale = true;
    // Nothing when nothing may be written now; empty when nothing changed.
    std::optional<StateSnapshot> TakeSaveSnapshot();
    void ApplySaveOutcome(const StateSnapshot& snapshot, const StateWriteOutcome& outcome,
                          bool report);
    std::optional<StateWriteOutcome> CollectBackgroundSave(bool wait, bool report);

    std::unique_ptr<CStateWriter> m_pWriter; // the background write, until collected
};

// A study day runs from 03:00 to 03:00 local time (CDictionaryHistory.cpp).
// GetStudyDate is the time value of 00:00 local time on the current study
// date.
qint64 GetStudyDate();
// year * 10000 + month * 100 + day of the local date of t.
int MakeDayKey(qint64 t);

// The random source of question selection (CDictionarySelection.cpp).
void SeedQuestionRandom();
void SetQuestionRandomState(quint32 state); // tests replay known sequences
quint32 GetQuestionRandomState();

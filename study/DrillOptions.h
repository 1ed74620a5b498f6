#pragma once

// The learner's options as the drill reads them, each at its use: a change
// made while a question stands counts from the next step. The program reads
// them from the settings (StoredDrillOptions); tests hand in plain values.
class DrillOptions {
public:
    virtual ~DrillOptions() = default;

    // The word is asked and its reading answers it.
    virtual bool ReverseAsking() const = 0;
    // The word side colours the kanji outside the standard table.
    virtual bool ShowHyogaiInRed() const = 0;
    // An answered question is not left at 指定なし without asking for a mode.
    virtual bool RequireMode() const = 0;
    // 0 no preference, 1 words with standard kanji only, 2 words with others.
    virtual int PreferredKanji() const = 0;
    // The history is emptied at the end of the session.
    virtual bool ClearHistoryOnExit() const = 0;
    // Items due for review come first, then the day's new ones.
    virtual bool ReviewsFirst() const { return false; }
};

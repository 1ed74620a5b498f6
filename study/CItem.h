#pragma once

#include "study/CDictionary.h"

// One question: a word-list line (word, TAB, reading) with its learning mode
// and ask count.
class CDictionary::CItem {
public:
    // The learning mode, read and assigned like the 16-bit value it is. An
    // assignment also tells the list that holds the item, so the list's mode
    // counts stay true without a scan of its items, whoever changes the mode.
    class ModeField {
    public:
        ModeField() = default;
        // A copy is a plain value: it sits in no list.
        ModeField(const ModeField& other) : m_nValue(other.m_nValue) {}
        // Assigning its own value to itself changes nothing, in the list too.
        // NOLINTNEXTLINE(bugprone-unhandled-self-assignment)
        ModeField& operator=(const ModeField& other) { return *this = other.m_nValue; }
        ModeField& operator=(qint16 mode);
        operator qint16() const { return m_nValue; }

    private:
        friend class CDicFile;
        qint16 m_nValue = Unspec;
        int m_nPos = -1;             // the item's position in that list
        CDicFile* m_pList = nullptr; // the list that counts this item, if any
    };

    explicit CItem(QString line) : m_strText(std::move(line)) {}

    QString GetText() const { return m_strText; }
    // Before the first TAB; empty without a TAB.
    QString GetWord() const;
    // After the first TAB; the whole text without a TAB.
    QString GetReading() const;
    // False, changing nothing, for an invalid mode or the current one. A
    // negative ask count keeps the item's count.
    bool SetMode(qint16 mode, qint16 askCount);

    // The word with runs of kanji outside the standard table marked.
    QString GetAnswerMarkup() const;
    // The reading with the stretches that stand for kanji marked.
    QString GetQuestionText() const;

    QString m_strText;
    qint16 m_nAskCount = 0; // 0 to 32767
    int m_bDirty = 0;       // ask count or mode changed since load or write
    ModeField m_nMode;      // a LearnMode value
};

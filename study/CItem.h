#pragma once

#include "study/CDictionary.h"

// One question: a word-list line (word, TAB, reading) with its learning mode
// and ask count.
class CDictionary::CItem {
public:
    explicit CItem(const QString& line) : m_strText(line) {}

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
    qint16 m_nMode = Unspec;
    int m_bDirty = 0;       // ask count or mode changed since load or write
};

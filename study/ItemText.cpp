#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include "platform/Ideograph.h"
#include "text/HyogaiMarkup.h"
#include "text/KanaConversion.h"

#include <QSet>

QString CDictionary::CItem::GetAnswerMarkup() const
{
    return MarkHyogai(GetWord());
}

QString CDictionary::CItem::GetQuestionText() const
{
    if (m_bPlainQuestion)
        return GetReading();
    // The word's alternatives in parentheses are not in the reading's main
    // part, and the readings are hiragana: match what remains in hiragana.
    const QString word = KatakanaToHiragana(RemoveParenthesized(GetWord()));
    return MarkReading(word, 0, GetReading(), 0, QStringLiteral("G"));
}

int CDictionary::GetDistinctKanjiCount()
{
    if (m_nKanjiCount > 0)
        return m_nKanjiCount;
    EnsureLoaded();
    QSet<char16_t> kanji;
    kanji.reserve(4001);
    for (const auto& list : m_lists) {
        for (const CItem& item : list->m_items) {
            for (QChar c : item.GetWord()) {
                if (IsIdeograph(c))
                    kanji.insert(c.unicode());
            }
        }
    }
    // A count of 0 means nothing was loaded yet, so it is not kept.
    m_nKanjiCount = static_cast<int>(kanji.size());
    return m_nKanjiCount;
}

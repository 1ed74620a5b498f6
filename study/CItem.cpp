#include "study/CItem.h"

#include "text/HyogaiMarkup.h"
#include "text/KanaConversion.h"

QString CDictionary::CItem::GetWord() const
{
    const qsizetype tab = m_strText.indexOf(QLatin1Char('\t'));
    return tab < 0 ? QString() : m_strText.left(tab);
}

QString CDictionary::CItem::GetReading() const
{
    const qsizetype tab = m_strText.indexOf(QLatin1Char('\t'));
    return tab < 0 ? m_strText : m_strText.mid(tab + 1);
}

bool CDictionary::CItem::SetMode(qint16 mode, qint16 askCount)
{
    if (!IsValidMode(mode) || mode == m_nMode)
        return false;
    m_nMode = mode;
    if (askCount >= 0)
        m_nAskCount = askCount;
    m_bDirty = 1;
    return true;
}

QString CDictionary::CItem::GetAnswerMarkup() const
{
    return MarkHyogai(GetWord());
}

QString CDictionary::CItem::GetQuestionText() const
{
    // The word's alternatives in parentheses are not in the reading's main
    // part, and the readings are hiragana: match what remains in hiragana.
    const QString word = KatakanaToHiragana(RemoveParenthesized(GetWord()));
    return MarkReading(word, 0, GetReading(), 0, QStringLiteral("G"));
}

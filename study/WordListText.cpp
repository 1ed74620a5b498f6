#include "study/WordListText.h"

QStringList ListItemTexts(const QByteArray& listText)
{
    QStringDecoder decoder = ItemLineDecoder();
    QStringList items;
    ForEachItemLine(listText, [&](QByteArrayView line) { items.append(decoder.decode(line)); });
    return items;
}

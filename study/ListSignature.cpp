#include "study/ListSignature.h"

#include "study/WordListText.h"

#include <QCryptographicHash>
#include <QUtf8StringView>

ListSignature MakeListSignature(const QStringList& itemTexts)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString& text : itemTexts) {
        hash.addData(text.toUtf8());
        hash.addData(QByteArrayView("\n", 1));
    }
    return {static_cast<qint32>(itemTexts.size()), hash.result().toHex()};
}

ListSignature SignatureOfListText(const QByteArray& listText)
{
    // Valid UTF-8 decodes and encodes back to the same bytes, so the lines
    // can be hashed as they are: at every start this saves decoding the
    // lists a second time.
    if (!QUtf8StringView(listText).isValidUtf8())
        return MakeListSignature(ListItemTexts(listText));
    QCryptographicHash hash(QCryptographicHash::Sha1);
    qint32 count = 0;
    ForEachItemLine(listText, [&](QByteArrayView line) {
        hash.addData(line);
        hash.addData(QByteArrayView("\n", 1));
        ++count;
    });
    return {count, hash.result().toHex()};
}

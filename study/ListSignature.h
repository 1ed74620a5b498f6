#pragma once

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

// One version of a word list as its records see it: the number of items and
// a hash of their texts in order. Group headers and empty lines take no
// record, so regrouping a list changes nothing.
struct ListSignature {
    qint32 m_nCount = -1; // -1: unknown
    QByteArray m_hash;    // hex SHA-1 of the item texts, each followed by LF

    bool operator==(const ListSignature&) const = default;
};

ListSignature MakeListSignature(const QStringList& itemTexts);
// MakeListSignature(ListItemTexts(listText)), without decoding the text
// when it is valid UTF-8.
ListSignature SignatureOfListText(const QByteArray& listText);

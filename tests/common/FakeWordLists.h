#pragma once

#include "study/CWordListSource.h"

#include <QHash>
#include <QStringList>

// Word lists held in memory, by resource id; an id without an entry is a
// missing list.
class FakeWordLists : public CWordListSource {
public:
    std::optional<QByteArray> Load(int resourceId) const override
    {
        const auto it = m_lists.constFind(resourceId);
        if (it == m_lists.constEnd())
            return std::nullopt;
        return *it;
    }

    // A list of one group: a header, the item lines, an empty line.
    static QByteArray MakeList(const QStringList& items, int group = 5)
    {
        QString text = QStringLiteral("#%1\r\n").arg(group);
        for (const QString& item : items)
            text += item + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
        return text.toUtf8();
    }

    QHash<int, QByteArray> m_lists;
};

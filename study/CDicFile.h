#pragma once

#include "study/CDictionary.h"

// One word list with its items in line order.
class CDictionary::CDicFile {
public:
    explicit CDicFile(const QString& name) : m_strName(name) {}
    ~CDicFile();
    CDicFile(const CDicFile&) = delete;
    CDicFile& operator=(const CDicFile&) = delete;

    void RecountModes();
    void ClearDirty();
    // The learning-mode file: the list name followed by ".dat".
    QString GetFileName() const { return m_strName + QStringLiteral(".dat"); }

    QString m_strName;
    QList<CItem*> m_items;               // owned
    int m_nModeCount[kLearnModeCount] = {}; // valid right after RecountModes
};

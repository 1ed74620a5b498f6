#include "study/CDicFile.h"

#include "study/CItem.h"

CDictionary::CDicFile::~CDicFile()
{
    qDeleteAll(m_items);
}

void CDictionary::CDicFile::RecountModes()
{
    std::fill(std::begin(m_nModeCount), std::end(m_nModeCount), 0);
    for (const CItem* item : std::as_const(m_items)) {
        if (IsValidMode(item->m_nMode))
            ++m_nModeCount[item->m_nMode];
    }
}

void CDictionary::CDicFile::ClearDirty()
{
    for (CItem* item : std::as_const(m_items))
        item->m_bDirty = 0;
}

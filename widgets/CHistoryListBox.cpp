#include "widgets/CHistoryListBox.h"

#include "study/CDictionary.h"

CHistoryListBox::CHistoryListBox(QWidget* parent) : CItemListBox(parent) {}

int CHistoryListBox::GetRowKey(int row) const
{
    return GetRowData(row);
}

int CHistoryListBox::GetRowItem(int row) const
{
    const int pos = GetRowKey(row);
    CDictionary* dictionary = CDictionary::GetInstance();
    if (pos < 0 || pos >= dictionary->GetHistoryCount())
        return -1;
    return dictionary->GetHistoryRecord(pos).m_nIndex;
}

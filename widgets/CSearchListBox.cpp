#include "widgets/CSearchListBox.h"

CSearchListBox::CSearchListBox(QWidget* parent) : CItemListBox(parent) {}

int CSearchListBox::GetRowKey(int) const
{
    return -1;
}

int CSearchListBox::GetRowItem(int row) const
{
    return GetRowData(row);
}

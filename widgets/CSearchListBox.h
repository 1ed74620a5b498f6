#pragma once

#include "widgets/CItemListBox.h"

// The rows of the search bar: each row's item data is a global index. Its
// rows have no marker key, so it never shows the marker.
class CSearchListBox : public CItemListBox {
    Q_OBJECT
public:
    explicit CSearchListBox(QWidget* parent = nullptr);

    int GetRowKey(int row) const override;
    int GetRowItem(int row) const override;
};

#pragma once

#include "widgets/CItemListBox.h"

// The rows of the history dialog: each row's item data is a history position.
class CHistoryListBox : public CItemListBox {
    Q_OBJECT
public:
    explicit CHistoryListBox(QWidget* parent = nullptr);

    int GetRowKey(int row) const override;
    int GetRowItem(int row) const override;
};

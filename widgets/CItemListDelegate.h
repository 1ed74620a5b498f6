#pragma once

#include <QStyledItemDelegate>

class CItemListBox;

// Paints the rows of a CItemListBox: background in the colours of the
// selection and focus state, marker, word or answer markup, mode square,
// focus rectangle. The row's item and whether to mark hyogai kanji in red
// come from its index (CItemListBox::Role); the list gives the palette, the
// font and the pictures.
class CItemListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CItemListDelegate(CItemListBox* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Text and background of a row.
    struct RowColors {
        QColor m_text;
        QColor m_background;
    };
    static RowColors ChooseColors(const QPalette& palette, bool enabled, bool selected,
                                  bool listHasFocus);

private:
    CItemListBox* m_pList = nullptr;
};

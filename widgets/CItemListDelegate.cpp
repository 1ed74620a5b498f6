#include "widgets/CItemListDelegate.h"

#include "study/CItem.h"
#include "widgets/CItemListBox.h"
#include "widgets/MarkupDrawing.h"

#include <QApplication>
#include <QPainter>
#include <QPen>
#include <QStyle>

namespace {

const QColor kLeechColour(230, 120, 0);

} // namespace

CItemListDelegate::CItemListDelegate(CItemListBox* list) : QStyledItemDelegate(list), m_pList(list)
{
}

CItemListDelegate::RowColors CItemListDelegate::ChooseColors(const QPalette& palette, bool enabled,
                                                             bool selected, bool listHasFocus)
{
    // System colours do not change with the window's activation, so the
    // active group is used throughout.
    const auto colour = [&palette](QPalette::ColorRole role) {
        return palette.color(QPalette::Active, role);
    };
    if (!enabled)
        return {palette.color(QPalette::Disabled, QPalette::Text), colour(QPalette::Button)};
    if (selected && listHasFocus)
        return {colour(QPalette::HighlightedText), colour(QPalette::Highlight)};
    if (selected)
        return {colour(QPalette::ButtonText), colour(QPalette::Button)};
    return {colour(QPalette::Text), colour(QPalette::Base)};
}

void CItemListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    if (index.row() < 0)
        return;
    const QRect rect = option.rect;
    const RowColors colours =
        ChooseColors(m_pList->palette(), m_pList->isEnabled(),
                     option.state.testFlag(QStyle::State_Selected), m_pList->hasFocus());

    painter->save();
    painter->fillRect(rect, colours.m_background);

    const QList<QPixmap>& images = m_pList->GetImageList();
    if (index.data(CItemListBox::MarkerRole).toBool() && !images.isEmpty())
        painter->drawPixmap(rect.left(), rect.top() + 2, images.at(0));

    // A row without an item (a history position that has gone) shows its
    // background and marker only.
    const auto* item = index.data(CItemListBox::ItemRole).value<const CDictionary::CItem*>();
    if (item) {
        const bool red = index.data(CItemListBox::RedMarkupRole).toBool();
        const QString text = red ? item->GetAnswerMarkup() : item->GetWord();
        const int right = rect.left() + rect.width();
        const bool leech = index.data(CItemListBox::LeechRole).toBool();
        const int textRight =
            right - CItemListBox::kImageSize - (leech ? CItemListBox::kImageSize / 3 + 4 : 0);
        const TextRect textRect{rect.left() + CItemListBox::kImageSize, rect.top(), textRight,
                                rect.top() + rect.height()};
        painter->setFont(m_pList->font());
        painter->setPen(colours.m_text);
        DrawMarkupText(*painter, text, textRect, true);

        if (leech) {
            // Left of the square, where the text has already given way.
            painter->setPen(Qt::NoPen);
            painter->setBrush(kLeechColour);
            const int d = CItemListBox::kImageSize / 3;
            painter->drawEllipse(right - CItemListBox::kImageSize - d - 2,
                                 rect.top() + (rect.height() - d) / 2, d, d);
        }
        const int picture = CItemListBox::ImageOfMode(item->m_nMode);
        if (picture > 0 && picture < images.size())
            painter->drawPixmap(right - CItemListBox::kImageSize, rect.top() + 2,
                                images.at(picture));
    }

    if (option.state.testFlag(QStyle::State_HasFocus)) {
        // A dotted outline only: some styles fill their focus frame, which
        // would tint the row and its pictures.
        painter->setPen(QPen(colours.m_text, 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize CItemListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), CItemListBox::kRowHeight);
}

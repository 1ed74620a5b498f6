#include "widgets/CItemListBox.h"

#include "platform/Bitmaps.h"
#include "platform/Options.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/LearnMode.h"
#include "study/ModeTable.h"
#include "widgets/CItemListDelegate.h"

#include <QPainter>
#include <QPen>
#include <QResizeEvent>

namespace {

// A row that answers the painter's roles from its list at the time it is
// asked; the item data it stores itself.
class CItemRow : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;

    QVariant data(int role) const override
    {
        const auto* list = qobject_cast<const CItemListBox*>(listWidget());
        if (list && role > Qt::UserRole)
            return list->RowRole(list->row(this), role);
        if (list && role == Qt::ToolTipRole &&
            list->RowRole(list->row(this), CItemListBox::LeechRole).toBool())
            return QStringLiteral("何度も忘れている項目");
        return QListWidgetItem::data(role);
    }
};

} // namespace

CItemListBox::CItemListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

CItemListBox::~CItemListBox() = default;

void CItemListBox::InitList()
{
    m_bRedMarkup = Options::ShowHyogaiInRed();
    setItemDelegate(new CItemListDelegate(this));
    m_imageList.clear();
    // Red is the transparent colour of the marker and the squares.
    m_imageList.append(LoadBitmap(kPictureListMarker, QColor(255, 0, 0)));
    for (const ModeInfo& mode : kModeTable) {
        if (mode.m_nListPicture)
            m_imageList.append(LoadBitmap(mode.m_nListPicture, QColor(255, 0, 0)));
    }
    doItemsLayout();
}

void CItemListBox::InvalidateRow(int row)
{
    if (QListWidgetItem* rowItem = item(row))
        viewport()->update(visualItemRect(rowItem));
}

int CItemListBox::AddRow(const QString& text, int data)
{
    auto* rowItem = new CItemRow(text);
    rowItem->setData(Qt::UserRole, data);
    addItem(rowItem);
    return count() - 1;
}

int CItemListBox::GetRowData(int row) const
{
    const QListWidgetItem* rowItem = item(row);
    if (!rowItem)
        return -1;
    bool ok = false;
    const int data = rowItem->data(Qt::UserRole).toInt(&ok);
    return ok ? data : -1;
}

QVariant CItemListBox::RowRole(int row, int role) const
{
    switch (role) {
    case ItemRole: {
        const int index = GetRowItem(row);
        const CDictionary::CItem* rowItem =
            index >= 0 ? CDictionary::GetInstance()->GetItem(index) : nullptr;
        return QVariant::fromValue(rowItem);
    }
    case RedMarkupRole:
        return m_bRedMarkup;
    case MarkerRole:
        return m_nMarkerKey >= 0 && GetRowKey(row) == m_nMarkerKey;
    case LeechRole: {
        const int index = GetRowItem(row);
        return index >= 0 && CDictionary::GetInstance()->IsLeech(index);
    }
    default:
        return {};
    }
}

int CItemListBox::ImageOfMode(int mode)
{
    // After the marker, the squares in button order; 指定なし has none.
    const int button = ButtonOfMode(mode);
    if (button < 0 || !kModeTable[button].m_nListPicture)
        return -1;
    return button + 1;
}

void CItemListBox::paintEvent(QPaintEvent* event)
{
    m_bRedMarkup = Options::ShowHyogaiInRed();
    QListWidget::paintEvent(event);
    // An empty list still shows where the keyboard focus is.
    if (count() == 0 && hasFocus()) {
        QPainter painter(viewport());
        painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(0, 0, viewport()->width() - 1, kRowHeight - 1);
    }
}

void CItemListBox::resizeEvent(QResizeEvent* event)
{
    QListWidget::resizeEvent(event);
    // The squares sit at the right edge: every row moves with it.
    viewport()->update();
}

#include "widgets/CItemListBox.h"

#include "platform/Bitmaps.h"
#include "platform/ResourceIds.h"
#include "study/LearnMode.h"
#include "study/ModeTable.h"
#include "widgets/CItemListDelegate.h"

#include <QPainter>
#include <QPen>
#include <QResizeEvent>

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
    auto* rowItem = new QListWidgetItem(text);
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

#include "dialogs/CChartListCtrl.h"

#include "platform/Bitmaps.h"
#include "platform/GuiFont.h"
#include "platform/ResourceIds.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

constexpr int kCountRole = Qt::UserRole;

// Rows are at least twice as tall as the date text.
class ChartRowDelegate : public QStyledItemDelegate {
public:
    explicit ChartRowDelegate(CChartListCtrl* chart) : QStyledItemDelegate(chart), m_pChart(chart)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(m_pChart->RowHeight(size.height()));
        return size;
    }

private:
    CChartListCtrl* m_pChart;
};

} // namespace

CChartListCtrl::CChartListCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("date"), QStringLiteral("ct")});
    setHeaderHidden(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Fixed);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setItemDelegate(new ChartRowDelegate(this));
}

CChartListCtrl::~CChartListCtrl() = default;

void CChartListCtrl::InitChart()
{
    setFont(GetGuiFont());
    const QSize size = QFontMetrics(font()).size(Qt::TextSingleLine, QStringLiteral("00/00 (--)"));
    m_cxDate = size.width();
    m_cyDate = size.height();
    m_bmpBar = LoadBitmapImage(kPictureChartBar);
}

int CChartListCtrl::RowHeight(int defaultHeight) const
{
    return std::max(defaultHeight, 2 * m_cyDate);
}

int CChartListCtrl::ScrollBarWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
}

void CChartListCtrl::AddRow(const QString& date, int count)
{
    auto* item = new QTreeWidgetItem(this);
    item->setText(0, date);
    item->setData(0, kCountRole, count);
}

int CChartListCtrl::GetRowCount(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kCountRole).toInt() : 0;
}

void CChartListCtrl::UpdateChartColumnWidth()
{
    int width = viewport()->width();
    if (!verticalScrollBar()->isVisibleTo(this))
        width -= ScrollBarWidth();
    width -= DateColumnWidth();
    // A column width travels as 16 bits.
    setColumnWidth(1, std::clamp(width, 0, 0x7FFF));
}

bool CChartListCtrl::viewportEvent(QEvent* event)
{
    const bool result = QTreeWidget::viewportEvent(event);
    // The client area changes with the list's size and with its scroll bar.
    if (event->type() == QEvent::Resize)
        UpdateChartColumnWidth();
    return result;
}

void CChartListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    const QRect r(-horizontalOffset(), option.rect.top(), header()->length(), option.rect.height());
    DrawItem(*painter, r, index.row());
}

void CChartListCtrl::DrawItem(QPainter& painter, const QRect& r, int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    painter.save();
    painter.setFont(font());
    const QColor text = palette().color(QPalette::Text);
    int left = r.left();
    for (int column = 0; column < columnCount(); ++column) {
        const int width = columnWidth(column);
        const QRect cell(left, r.top(), width, r.height());
        left += width;
        if (column == 0) {
            // Row i is i days before row 0; the base carries 105 = 15 weeks
            // so the value never goes negative over the rows.
            const int weekday = (m_nWeekdayBase - row) % 7;
            QColor color = text;
            if (weekday == 0)
                color = QColor(255, 0, 0);
            else if (weekday == 6)
                color = QColor(0, 0, 255);
            painter.setPen(color);
            painter.drawText(cell.adjusted(2, 0, -2, 0),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item->text(0));
            continue;
        }
        const int h = r.height();
        const int scale = std::max(m_nMaxCount, 10);
        const int margin = h / 4;
        const int cellRight = cell.left() + cell.width();
        painter.fillRect(cell, palette().color(QPalette::Base));
        const int sw = painter.fontMetrics().horizontalAdvance(QString::number(scale));
        const int count = item->data(0, kCountRole).toInt();
        // A column narrower than the scale's text leaves no room for a bar;
        // a negative length would draw it mirrored over the dates.
        const qint64 room = std::max(0, cellRight - sw - 2 * margin - cell.left() - 1);
        const int barLength = static_cast<int>(room * std::max(count, 0) / scale);
        if (count > 0 && barLength > 0 && !m_bmpBar.isNull()) {
            const int barHeight = h / 2;
            painter.drawImage(
                QRect(cell.left() + 1, r.top() + (h - barHeight) / 2, barLength, barHeight),
                m_bmpBar);
        }
        const int textLeft = cell.left() + 1 + margin + barLength;
        painter.setPen(text);
        painter.drawText(QRect(textLeft, r.top(), cellRight - textLeft, h),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::number(count));
        painter.setPen(QPen(palette().color(QPalette::Dark), 1));
        const int bottom = r.top() + h - 1;
        painter.drawLine(cell.left(), r.top(), cell.left(), bottom);
        painter.drawLine(cell.left(), bottom, cellRight - 1, bottom);
    }
    painter.restore();
}

#pragma once

#include <QImage>
#include <QTreeWidget>

// A list of one row per study day without a header: column 0 the date
// (Sundays red, Saturdays blue), column 1 a bar as long as the day's
// dictation count, followed by the count. The rows draw themselves and never
// look selected.
class CChartListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CChartListCtrl(QWidget* parent = nullptr);
    ~CChartListCtrl() override;

    // Takes the application's font, measures the date text and loads the bar.
    void InitChart();

    // Appends a row; the count travels with the row, not as its text.
    void AddRow(const QString& date, int count);
    int GetRowCount(int row) const;

    // Column 1 ends where a vertical scroll bar would begin, whether one is
    // shown or not, so the bars keep their scale when rows are scrolled.
    void UpdateChartColumnWidth();

    // Paints one row: r is the row's rectangle, the columns lie side by side
    // in it from its left edge.
    void DrawItem(QPainter& painter, const QRect& r, int row) const;

    // The widest a row's text needs to be for the date column.
    int DateColumnWidth() const { return m_cxDate * 3 / 2; }
    int ScrollBarWidth() const;
    // Twice the date text's height, or the list's own row height when taller.
    int RowHeight(int defaultHeight) const;

    QImage m_bmpBar;
    int m_nMaxCount = 0;       // the largest count among the rows
    int m_nWeekdayBase = -1;   // weekday of row 0 (0 Sunday) plus 105
    int m_cxDate = 0;          // size of "00/00 (--)" in the chart's font
    int m_cyDate = 0;

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    bool viewportEvent(QEvent* event) override;
};

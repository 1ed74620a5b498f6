#pragma once

#include <QList>
#include <QListWidget>
#include <QPixmap>

class QPaintEvent;
class QResizeEvent;

// An owner-drawn list of items: each row shows the item's word (the hyogai
// kanji in red when the learner asked for that), its learning mode as a
// square at the right and, for the row whose key equals m_nMarkerKey, an
// arrow at the left; a leech (an item lapsed again and again) has an orange
// mark beside its square and says so in its tooltip. Subclasses say what a row stands for. The rows
// keep the order in which the owner adds them; the row's string is never drawn. The painter reads
// all of it from the row's model index (the roles below), which looks the item up when asked, so a
// mode change shows at the next repaint; "HyogaiRed" is read once at each repaint.
class CItemListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CItemListBox(QWidget* parent = nullptr);
    ~CItemListBox() override;

    static constexpr int kRowHeight = 28;
    static constexpr int kImageSize = 24;

    // What a row's index holds besides its string and item data.
    enum Role {
        // const CDictionary::CItem*, null for a row without an item.
        ItemRole = Qt::UserRole + 1,
        // bool: the word is drawn as the answer markup, hyogai kanji in red.
        RedMarkupRole,
        // bool: the row shows the marker.
        MarkerRole,
        // bool: the item is a leech, forgotten again and again.
        LeechRole,
    };
    // The value of one of those roles for a row.
    QVariant RowRole(int row, int role) const;

    // Row height, pictures and the row painter; once, after construction.
    void InitList();
    // Redraws the row, after its item changed mode.
    void InvalidateRow(int row);

    // The row's marker key, compared with m_nMarkerKey.
    virtual int GetRowKey(int row) const = 0;
    // The global index of the row's item, -1 when there is none.
    virtual int GetRowItem(int row) const = 0;

    // Appends a row with the given string and item data; its row number.
    int AddRow(const QString& text, int data);
    // The item data of the row, -1 for a row that does not exist.
    int GetRowData(int row) const;

    // Marker, then the squares of Known, Learned, Learning and NoLearn.
    const QList<QPixmap>& GetImageList() const { return m_imageList; }
    // The picture index of a mode's square, -1 for Unspec (no square).
    static int ImageOfMode(int mode);

    int m_nMarkerKey = -1;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QList<QPixmap> m_imageList;
    bool m_bRedMarkup = false;
};

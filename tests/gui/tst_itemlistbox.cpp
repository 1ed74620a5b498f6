#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/Bitmaps.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/StudyDay.h"
#include "widgets/CHistoryListBox.h"
#include "widgets/CItemListDelegate.h"
#include "widgets/CSearchListBox.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace {

std::shared_ptr<FakeWordLists> MakeLists()
{
    auto lists = std::make_shared<FakeWordLists>();
    lists->m_lists.insert(501, FakeWordLists::MakeList({
                                   QStringLiteral("遁走する\tとんそうする"), // 0: 遁 is hyogai
                                   QStringLiteral("本当\tほんとう"),         // 1
                                   QStringLiteral("日本\tにほん"),           // 2
                               }));
    for (int id = 502; id <= 506; ++id)
        lists->m_lists.insert(id, FakeWordLists::MakeList({}));
    return lists;
}

// A point of the picture that is not cut away, near its middle.
QPoint OpaquePoint(const QImage& picture)
{
    for (int d = 0; d < 12; ++d) {
        for (const QPoint p :
             {QPoint(12 + d, 12), QPoint(12 - d, 12), QPoint(12, 12 + d), QPoint(12, 12 - d)}) {
            if (picture.pixel(p) != kKeyRed)
                return p;
        }
    }
    return QPoint(12, 12);
}

bool IsReddish(QRgb c)
{
    return qRed(c) > 200 && qRed(c) - qGreen(c) > 60 && qRed(c) - qBlue(c) > 60;
}

int CountReddish(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += IsReddish(image.pixel(x, y)) ? 1 : 0;
    return count;
}

} // namespace

class TestItemListBox : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MessageRecorder> m_messages;

    static void Fill(CItemListBox& list, const QList<int>& data)
    {
        list.InitList();
        list.resize(300, 150);
        for (int value : data)
            list.AddRow(QStringLiteral("row"), value);
        // Rows are laid out once the list is on screen.
        if (!list.parentWidget()) {
            list.show();
            QVERIFY(QTest::qWaitForWindowExposed(&list));
        }
    }
    static QImage Grab(CItemListBox& list)
    {
        return list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static QRect RowRect(CItemListBox& list, int row)
    {
        return list.visualItemRect(list.item(row));
    }
    // The picture's pixel, drawn at `origin` of the list.
    static bool ShowsPicture(const QImage& grabbed, int id, const QPoint& origin)
    {
        const QImage picture = LoadBitmapImage(id).convertToFormat(QImage::Format_RGB32);
        const QPoint p = OpaquePoint(picture);
        return grabbed.pixel(origin + p) == picture.pixel(p);
    }

private slots:
    void initTestCase()
    {
        m_messages = std::make_unique<MessageRecorder>();
        CDictionary::SetWordListSource(MakeLists());
    }
    void init()
    {
        TestEnv::ClearSettings();
        CDictionary::ResetInstanceForTesting();
    }

    void rowsAre28PixelsHigh()
    {
        CSearchListBox list;
        Fill(list, {0, 1, 2});
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        for (int row = 0; row < 3; ++row)
            QCOMPARE(RowRect(list, row), QRect(0, 28 * row, list.viewport()->width(), 28));
    }

    void modeSquareAtTheRight_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("picture"); // 0: none
        QTest::newRow("知ってる") << int(Known) << int(kPictureSquareKnown);
        QTest::newRow("覚えた") << int(Learned) << int(kPictureSquareLearned);
        QTest::newRow("覚えたい") << int(Learning) << int(kPictureSquareLearning);
        QTest::newRow("覚えない") << int(NoLearn) << int(kPictureSquareNoLearn);
        QTest::newRow("指定なし has none") << int(Unspec) << 0;
    }
    void modeSquareAtTheRight()
    {
        QFETCH(int, mode);
        QFETCH(int, picture);
        CDictionary::GetInstance()->GetItem(1)->m_nMode = qint16(mode);
        CSearchListBox list;
        Fill(list, {0, 1});
        const QImage image = Grab(list);
        const QRect row = RowRect(list, 1);
        const QPoint origin(row.left() + row.width() - 24, row.top() + 2);
        for (int id = kPictureSquareKnown; id <= kPictureSquareNoLearn; ++id)
            QCOMPARE(ShowsPicture(image, id, origin), id == picture);
        // Row 0 is Unspec: its corner shows the background.
        const QPoint corner = RowRect(list, 0).topRight() + QPoint(-12, 14);
        QCOMPARE(QColor(image.pixel(corner)), list.palette().color(QPalette::Base));
    }

    void squaresFollowTheRightEdge()
    {
        CDictionary::GetInstance()->GetItem(0)->m_nMode = Known;
        CSearchListBox list;
        Fill(list, {0});
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.resize(420, 150);
        QTRY_COMPARE(RowRect(list, 0).width(), list.viewport()->width());
        const QRect row = RowRect(list, 0);
        QVERIFY(ShowsPicture(Grab(list), kPictureSquareKnown,
                             QPoint(row.left() + row.width() - 24, row.top() + 2)));
    }

    void markerOnlyOnTheCurrentHistoryRow()
    {
        CDictionary* dictionary = CDictionary::GetInstance();
        for (int index : {0, 1, 2})
            dictionary->AddToHistory(index);
        dictionary->SetHistoryPos(1);
        CHistoryListBox list;
        Fill(list, {2, 1, 0});
        list.m_nMarkerKey = 1;
        const QImage image = Grab(list);
        for (int row = 0; row < 3; ++row) {
            const QRect rect = RowRect(list, row);
            QCOMPARE(ShowsPicture(image, kPictureListMarker, QPoint(rect.left(), rect.top() + 2)),
                     row == 1);
        }
        QCOMPARE(list.GetRowItem(0), 2);
        QCOMPARE(list.GetRowKey(0), 2);
    }

    void searchListNeverShowsTheMarker()
    {
        CSearchListBox list;
        Fill(list, {0, 1});
        list.m_nMarkerKey = 0;
        QCOMPARE(list.GetRowKey(0), -1);
        const QImage image = Grab(list);
        for (int row = 0; row < 2; ++row) {
            const QRect rect = RowRect(list, row);
            QVERIFY(!ShowsPicture(image, kPictureListMarker, QPoint(rect.left(), rect.top() + 2)));
        }
    }

    void historyRowOutsideTheHistoryHasNoItem_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("negative") << -1;
        QTest::newRow("past the end") << 2;
    }
    void historyRowOutsideTheHistoryHasNoItem()
    {
        QFETCH(int, position);
        CDictionary* dictionary = CDictionary::GetInstance();
        dictionary->AddToHistory(0);
        dictionary->AddToHistory(1);
        CHistoryListBox list;
        Fill(list, {position});
        QCOMPARE(list.GetRowItem(0), -1);
        Grab(list); // draws background only, without failing
    }

    void rowsHandThePainterTheirItem()
    {
        CDictionary* dictionary = CDictionary::GetInstance();
        dictionary->AddToHistory(0);
        dictionary->AddToHistory(2);
        CHistoryListBox list;
        Fill(list, {1, 5});
        list.m_nMarkerKey = 1;
        const auto role = [&list](int row, int role) {
            return list.model()->index(row, 0).data(role);
        };
        using Item = const CDictionary::CItem*;
        QCOMPARE(role(0, CItemListBox::ItemRole).value<Item>(), dictionary->GetItem(2));
        QCOMPARE(role(1, CItemListBox::ItemRole).value<Item>(), nullptr); // a gone position
        QVERIFY(role(0, CItemListBox::MarkerRole).toBool());
        QVERIFY(!role(1, CItemListBox::MarkerRole).toBool());
        QCOMPARE(role(0, Qt::UserRole).toInt(), 1); // the row's own data stays
        // The flag follows the setting from the next repaint on.
        QVERIFY(!role(0, CItemListBox::RedMarkupRole).toBool());
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("HyogaiRed"), 1);
        Grab(list);
        QVERIFY(role(0, CItemListBox::RedMarkupRole).toBool());
    }

    void leechesAreMarked()
    {
        CDictionary* dictionary = CDictionary::GetInstance();
        dictionary->EnsureLoaded();
        const qint32 today = GetStudyDay();
        // Seven lapses is not yet a leech; eight is.
        dictionary->m_reviews.Put(0, {3.0, 5.0, today + 2, today - 1, 12, 7}, false);
        dictionary->m_reviews.Put(1, {3.0, 5.0, today + 2, today - 1, 12, 8}, false);
        for (int index : {0, 1, 2})
            dictionary->AddToHistory(index);
        CSearchListBox search;
        CHistoryListBox history;
        for (CItemListBox* list :
             {static_cast<CItemListBox*>(&search), static_cast<CItemListBox*>(&history)}) {
            // The history list shows positions 0 to 2, the search list items.
            Fill(*list, {0, 1, 2});
            const QImage image = Grab(*list);
            for (int row = 0; row < 3; ++row) {
                const bool leech = row == 1;
                const QModelIndex index = list->model()->index(row, 0);
                QCOMPARE(index.data(CItemListBox::LeechRole).toBool(), leech);
                QCOMPARE(index.data(Qt::ToolTipRole).toString().isEmpty(), !leech);
                const QRect rect = RowRect(*list, row);
                int orange = 0;
                for (int x = rect.right() - 40; x <= rect.right(); ++x) {
                    const QColor c(image.pixel(x, rect.center().y()));
                    orange += c.red() > 200 && c.green() > 90 && c.green() < 150 && c.blue() < 60;
                }
                QCOMPARE(orange > 0, leech);
            }
        }
    }

    void hyogaiRedShowsAtTheNextRepaint()
    {
        CSearchListBox list;
        QFont font = list.font();
        font.setPointSize(16);
        list.setFont(font);
        Fill(list, {0});
        const QRect row = RowRect(list, 0);
        QCOMPARE(CountReddish(Grab(list), row), 0);
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("HyogaiRed"), 1);
        const QImage red = Grab(list);
        QVERIFY(CountReddish(red, row) > 10);
        // Only the first character, 遁, is red.
        QCOMPARE(CountReddish(
                     red, QRect(row.left() + 24 +
                                    QFontMetrics(font).horizontalAdvance(QStringLiteral("遁")) + 1,
                                row.top(), 200, row.height())),
                 0);
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("HyogaiRed"), 0);
        QCOMPARE(CountReddish(Grab(list), row), 0);
    }

    void colours_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("focus");
        QTest::addColumn<int>("text");
        QTest::addColumn<int>("background");
        QTest::newRow("selected with focus")
            << true << true << true << int(QPalette::HighlightedText) << int(QPalette::Highlight);
        QTest::newRow("selected, focus elsewhere")
            << true << true << false << int(QPalette::ButtonText) << int(QPalette::Button);
        QTest::newRow("not selected")
            << true << false << true << int(QPalette::Text) << int(QPalette::Base);
        QTest::newRow("disabled") << false << true << true << -1 << int(QPalette::Button);
    }
    void colours()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, selected);
        QFETCH(bool, focus);
        QFETCH(int, text);
        QFETCH(int, background);
        QPalette palette;
        palette.setColor(QPalette::Highlight, QColor(1, 2, 3));
        palette.setColor(QPalette::HighlightedText, QColor(4, 5, 6));
        palette.setColor(QPalette::Button, QColor(7, 8, 9));
        palette.setColor(QPalette::ButtonText, QColor(10, 11, 12));
        palette.setColor(QPalette::Base, QColor(13, 14, 15));
        palette.setColor(QPalette::Text, QColor(16, 17, 18));
        palette.setColor(QPalette::Disabled, QPalette::Text, QColor(19, 20, 21));
        const auto colours = CItemListDelegate::ChooseColors(palette, enabled, selected, focus);
        const QColor expectedText =
            text < 0 ? QColor(19, 20, 21) : palette.color(QPalette::ColorRole(text));
        QCOMPARE(colours.m_text, expectedText);
        QCOMPARE(colours.m_background, palette.color(QPalette::ColorRole(background)));
    }

    void selectedRowWithoutFocusUsesButtonColours()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QLineEdit(&window);
        auto* list = new CSearchListBox(&window);
        layout->addWidget(other);
        layout->addWidget(list);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Fill(*list, {1, 2});
        list->setCurrentRow(0);
        window.activateWindow();
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        // Between the word and the right edge, clear of the focus rectangle.
        const QPoint inside = RowRect(*list, 0).topRight() + QPoint(-40, 6);
        QCOMPARE(QColor(Grab(*list).pixel(inside)),
                 list->palette().color(QPalette::Active, QPalette::Button));
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        QCOMPARE(QColor(Grab(*list).pixel(inside)),
                 list->palette().color(QPalette::Active, QPalette::Highlight));
    }
};

QTEST_MAIN(TestItemListBox)
#include "tst_itemlistbox.moc"

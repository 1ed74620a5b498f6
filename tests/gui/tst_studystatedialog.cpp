#include "common/FakeWordLists.h"
#include "common/StudyData.h"
#include "common/TestEnv.h"
#include "dialogs/CChartListCtrl.h"
#include "dialogs/CStudyStateDialog.h"
#include "platform/Clock.h"
#include "platform/DialogUnits.h"
#include "platform/HelpService.h"
#include "platform/Profile.h"
#include "study/CDictionary.h"

#include <QDir>
#include <QFontMetrics>
#include <QLocale>
#include <QScrollBar>
#include <QTest>
#include <ctime>
#include <memory>

namespace {

void SetTimeZone(const char* zone)
{
    qputenv("TZ", zone);
    tzset();
}

qint64 LocalTime(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::LocalTime)
        .toSecsSinceEpoch();
}

int Key(int year, int month, int day)
{
    return year * 10000 + month * 100 + day;
}

bool IsRed(QRgb p)
{
    return qRed(p) > 150 && qGreen(p) < 110 && qBlue(p) < 110;
}

bool IsBlue(QRgb p)
{
    return qBlue(p) > 150 && qRed(p) < 110 && qGreen(p) < 110;
}

bool IsBarGreen(QRgb p)
{
    return qGreen(p) > qRed(p) + 50 && qGreen(p) > qBlue(p) + 20;
}

} // namespace

class TestStudyStateDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CStudyStateDialog> m_dialog;

    CChartListCtrl* Chart() const { return m_dialog->m_chart; }

    // Opens the dialog at the given local time with the given counts per day
    // key already in the study data.
    void Open(qint64 now, const QHash<int, int>& counts = {}, QSize size = QSize())
    {
        SetCurrentTimeForTesting(now);
        CDictionary* dic = CDictionary::GetInstance();
        dic->EnsureLoaded();
        dic->m_mapDayCount = counts;
        m_dialog = std::make_unique<CStudyStateDialog>();
        if (size.isValid())
            m_dialog->resize(size);
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    }

    QString RowText(int row) const { return Chart()->topLevelItem(row)->text(0); }
    QRect RowRect(int row) const { return Chart()->visualItemRect(Chart()->topLevelItem(row)); }

    // The length of the green run that starts one pixel into column 1, on
    // the row's middle line.
    int MeasureBar(const QImage& image, int row) const
    {
        const QRect rect = RowRect(row);
        const int y = rect.top() + rect.height() / 2;
        int x = Chart()->columnWidth(0) + 1;
        int length = 0;
        while (x + length < image.width() && IsBarGreen(image.pixel(x + length, y)))
            ++length;
        return length;
    }

    // Which colours the date text of a row is drawn in.
    void DateColours(const QImage& image, int row, bool& red, bool& blue) const
    {
        const QRect rect =
            RowRect(row).intersected(QRect(0, 0, Chart()->columnWidth(0), image.height()));
        red = blue = false;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                red = red || IsRed(image.pixel(x, y));
                blue = blue || IsBlue(image.pixel(x, y));
            }
        }
    }

private slots:
    void initTestCase()
    {
        SetTimeZone("Asia/Tokyo");
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        auto lists = std::make_shared<FakeWordLists>();
        for (int id = 501; id <= 506; ++id)
            lists->m_lists.insert(id, FakeWordLists::MakeList({QStringLiteral("山\tやま")}));
        CDictionary::SetWordListSource(lists);
    }

    void cleanupTestCase()
    {
        SetCurrentTimeForTesting(std::nullopt);
        CDictionary::SetWordListSource(nullptr);
        CDictionary::ResetInstanceForTesting();
    }

    void init() { StudyData::Fresh(); }

    void cleanup() { m_dialog.reset(); }

    void rowDates_data()
    {
        QTest::addColumn<qint64>("now");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        const qint64 halfPastTwo = LocalTime(2026, 3, 10, 2, 30);
        const qint64 three = LocalTime(2026, 3, 10, 3, 0);
        const qint64 newYear = LocalTime(2026, 1, 1, 12, 0);
        QTest::newRow("02:30 is still the day before") << halfPastTwo << 0 << "03/09 (月)";
        QTest::newRow("02:30, next row") << halfPastTwo << 1 << "03/08 (日)";
        QTest::newRow("03:00 starts the day") << three << 0 << "03/10 (火)";
        QTest::newRow("last of the hundred") << three << 99 << "12/01 (月)";
        QTest::newRow("new year") << newYear << 0 << "01/01 (木)";
        QTest::newRow("old year") << newYear << 1 << "12/31 (水)";
    }
    void rowDates()
    {
        QFETCH(qint64, now);
        QFETCH(int, row);
        QFETCH(QString, text);
        Open(now);
        QCOMPARE(Chart()->topLevelItemCount(), 100);
        QCOMPARE(RowText(row), text);
    }

    void rowsCarryTheDayCounts()
    {
        QHash<int, int> counts;
        counts.insert(Key(2026, 3, 9), 17);
        counts.insert(Key(2025, 12, 1), 4);
        counts.insert(Key(2025, 11, 30), 999); // the 101st day is not listed
        counts.insert(Key(2026, 3, 11), 888);  // nor is tomorrow
        Open(LocalTime(2026, 3, 10, 12, 0), counts);
        QCOMPARE(Chart()->topLevelItemCount(), 100);
        QCOMPARE(Chart()->GetRowCount(0), 0);
        QCOMPARE(Chart()->GetRowCount(1), 17);
        QCOMPARE(Chart()->GetRowCount(99), 4);
        QCOMPARE(Chart()->m_nMaxCount, 17);
    }

    void daysStepOverSummerTime()
    {
        // In Berlin 2026-03-29 has 23 hours; it must not drop out.
        SetTimeZone("Europe/Berlin");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QHash<int, int> counts;
        counts.insert(Key(2026, 3, 29), 6);
        Open(LocalTime(2026, 3, 31, 12, 0), counts);
        const QStringList expected = {"03/31 (火)", "03/30 (月)", "03/29 (日)", "03/28 (土)"};
        QStringList shown;
        for (int row = 0; row < expected.size(); ++row)
            shown << RowText(row);
        const int count = Chart()->GetRowCount(2);
        const QString autumn = RowText(99);
        SetTimeZone("Asia/Tokyo");
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        QCOMPARE(shown, expected);
        QCOMPARE(count, 6);
        QCOMPARE(autumn, QStringLiteral("12/22 (月)"));
    }

    // The window is Japanese, so is its weekday, in any locale of the
    // process.
    void weekdayIsJapaneseInAnyLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    }
    void weekdayIsJapaneseInAnyLocale()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        Open(LocalTime(2025, 12, 10, 12, 0));
        const QString first = RowText(0);
        const QString second = RowText(1);
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        QCOMPARE(first, QStringLiteral("12/10 (水)"));
        QCOMPARE(second, QStringLiteral("12/09 (火)"));
    }

    void weekendColours()
    {
        // Tall enough to show two weeks of rows.
        Open(LocalTime(2026, 3, 10, 12, 0), {}, QSize(500, 900));
        const QImage image = Chart()->viewport()->grab().toImage();
        int rows = 0;
        for (int row = 0; row < 15; ++row) {
            if (!Chart()->viewport()->rect().contains(RowRect(row)))
                break;
            ++rows;
            const int weekday = QDate(2026, 3, 10).addDays(-row).dayOfWeek() % 7;
            bool red = false;
            bool blue = false;
            DateColours(image, row, red, blue);
            QVERIFY2(red == (weekday == 0), qPrintable(RowText(row)));
            QVERIFY2(blue == (weekday == 6), qPrintable(RowText(row)));
        }
        QVERIFY(rows >= 14);
    }

    void barLengths_data()
    {
        QTest::addColumn<QList<int>>("counts"); // of rows 0, 1, ...
        QTest::newRow("5 on the smallest scale") << QList<int>{5};
        QTest::newRow("10 fills the scale") << QList<int>{10, 3};
        QTest::newRow("largest fills") << QList<int>{40, 20, 1};
        QTest::newRow("zero draws no bar") << QList<int>{0, 7};
        QTest::newRow("three digits") << QList<int>{250, 125, 0};
    }
    void barLengths()
    {
        QFETCH(QList<int>, counts);
        QHash<int, int> days;
        for (int row = 0; row < counts.size(); ++row) {
            const QDate date = QDate(2026, 3, 10).addDays(-row);
            days.insert(Key(date.year(), date.month(), date.day()), counts.at(row));
        }
        Open(LocalTime(2026, 3, 10, 12, 0), days);
        const QImage image = Chart()->viewport()->grab().toImage();
        const int scale = qMax(10, *std::max_element(counts.cbegin(), counts.cend()));
        const int h = RowRect(0).height();
        const int margin = h / 4;
        const int sw = QFontMetrics(Chart()->font()).horizontalAdvance(QString::number(scale));
        const int room = Chart()->columnWidth(1) - sw - 2 * margin - 1;
        QVERIFY(room > 100);
        for (int row = 0; row < counts.size(); ++row)
            QCOMPARE(MeasureBar(image, row), room * counts.at(row) / scale);
    }

    void halfScaleIsHalfTheRoom()
    {
        QHash<int, int> days;
        days.insert(Key(2026, 3, 10), 5);
        days.insert(Key(2026, 3, 9), 10);
        Open(LocalTime(2026, 3, 10, 12, 0), days);
        const QImage image = Chart()->viewport()->grab().toImage();
        const int full = MeasureBar(image, 1);
        QVERIFY(full > 100);
        QCOMPARE(MeasureBar(image, 0), full / 2);
    }

    void rowHeightIsTwiceTheDateText()
    {
        Open(LocalTime(2026, 3, 10, 12, 0));
        const QSize date =
            QFontMetrics(Chart()->font()).size(Qt::TextSingleLine, QStringLiteral("00/00 (--)"));
        QCOMPARE(RowRect(0).height(), 2 * date.height());
        QCOMPARE(Chart()->columnWidth(0), date.width() * 3 / 2);
    }

    void chartFillsTheDialogWithMargins_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("template") << QSize();
        QTest::newRow("wide") << QSize(800, 300);
        QTest::newRow("narrow") << QSize(300, 500);
    }
    void chartFillsTheDialogWithMargins()
    {
        QFETCH(QSize, size);
        Open(LocalTime(2026, 3, 10, 12, 0), {}, size);
        const QRect units = MapDialogRect(m_dialog.get(), QRect(0, 0, 100, 100));
        const int a = units.width();
        const int b = units.height();
        const QRect expected(6 * a / 100, 6 * b / 100, m_dialog->width() - 12 * a / 100,
                             m_dialog->height() - 12 * b / 100);
        QCOMPARE(Chart()->geometry(), expected);
        // The bars end where a vertical scroll bar begins.
        QVERIFY(Chart()->verticalScrollBar()->isVisible());
        QCOMPARE(Chart()->columnWidth(0) + Chart()->columnWidth(1), Chart()->viewport()->width());
    }

    void columnLeavesRoomForAbsentScrollBar()
    {
        Open(LocalTime(2026, 3, 10, 12, 0), {}, QSize(500, 5000));
        if (Chart()->verticalScrollBar()->isVisible())
            QSKIP("the platform did not make the dialog tall enough for every row");
        QCOMPARE(Chart()->columnWidth(0) + Chart()->columnWidth(1),
                 Chart()->viewport()->width() - Chart()->ScrollBarWidth());
    }

    void sizeIsSavedAndRestored()
    {
        Open(LocalTime(2026, 3, 10, 12, 0));
        const QSize templateSize = m_dialog->size();
        m_dialog->resize(640, 420);
        m_dialog->reject();
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("SSDlgWidth"), 0), 640);
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("SSDlgHeight"), 0), 420);

        Open(LocalTime(2026, 3, 10, 12, 0));
        QCOMPARE(m_dialog->size(), QSize(640, 420));
        QVERIFY(m_dialog->size() != templateSize);
        m_dialog->accept();
        QCOMPARE(GetProfileInt(QString(), QStringLiteral("SSDlgWidth"), 0), 640);
    }

    void nonPositiveStoredWidthKeepsTemplateSize_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -5;
    }
    void nonPositiveStoredWidthKeepsTemplateSize()
    {
        QFETCH(int, width);
        CStudyStateDialog probe;
        const QSize templateSize = probe.size();
        WriteProfileInt(QString(), QStringLiteral("SSDlgWidth"), width);
        WriteProfileInt(QString(), QStringLiteral("SSDlgHeight"), 700);
        Open(LocalTime(2026, 3, 10, 12, 0));
        QCOMPARE(m_dialog->size(), templateSize);
        QCOMPARE(Chart()->columnWidth(0) + Chart()->columnWidth(1), Chart()->viewport()->width());
    }

    void f1OpensHelpContents()
    {
        QList<HelpCommand> commands;
        const HelpHandler previous =
            SetHelpHandler([&](HelpCommand command, quint32) { commands << command; });
        Open(LocalTime(2026, 3, 10, 12, 0));
        QTest::keyClick(m_dialog.get(), Qt::Key_F1);
        SetHelpHandler(previous);
        QCOMPARE(commands, QList<HelpCommand>({HelpCommand::Contents}));
    }
};

QTEST_MAIN(TestStudyStateDialog)
#include "tst_studystatedialog.moc"

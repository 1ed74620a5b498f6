#include "platform/ColumnSqueeze.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<SqueezeItem>)

namespace {

// A bar like the main one: a group box with a title framing three buttons,
// then two buttons side by side, then one alone.
QList<SqueezeItem> Bar()
{
    QList<SqueezeItem> items;
    items.append({QRect(10, 10, 120, 150), 0, -1, 20}); // group box, 0
    for (int k = 0; k < 3; ++k)
        items.append({QRect(20, 36 + 40 * k, 100, 36), 26, 0, 0}); // 1..3
    items.append({QRect(10, 180, 55, 36), 26, -1, 0});             // 4
    items.append({QRect(75, 180, 55, 36), 26, -1, 0});             // 5
    items.append({QRect(30, 232, 80, 48), 26, -1, 0});             // 6
    return items;
}

} // namespace

class TestColumnSqueeze : public QObject {
    Q_OBJECT

private slots:
    void templateKeptUnsqueezed()
    {
        const QList<SqueezeItem> items = Bar();
        const QList<QRect> rects = SqueezeColumn(items, 1);
        for (qsizetype i = 0; i < items.size(); ++i)
            QCOMPARE(rects.at(i), items.at(i).m_rcNatural);
        QCOMPARE(SqueezedBottom(items, 1), 280);
    }

    void squeezed_data()
    {
        QTest::addColumn<double>("scale");
        for (const double scale : {0.9, 0.7, 0.5, 0.3, 0.1})
            QTest::addRow("%g", scale) << scale;
    }
    void squeezed()
    {
        QFETCH(double, scale);
        const QList<SqueezeItem> items = Bar();
        const QList<QRect> rects = SqueezeColumn(items, scale);
        QVERIFY(SqueezedBottom(items, scale) < 280);
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QRect& r = rects.at(i);
            // Left and width stay; captions keep their least height.
            QCOMPARE(r.left(), items.at(i).m_rcNatural.left());
            QCOMPARE(r.width(), items.at(i).m_rcNatural.width());
            QVERIFY(r.height() >= items.at(i).m_nMinHeight);
            for (qsizetype j = i + 1; j < items.size(); ++j) {
                if (items.at(j).m_nFrame == i || items.at(i).m_nFrame == j)
                    continue;
                QVERIFY2(!r.intersects(rects.at(j)),
                         qPrintable(QStringLiteral("%1 overlaps %2").arg(i).arg(j)));
            }
        }
        // The group box keeps its title clear and frames its buttons.
        QVERIFY(rects.at(1).top() >= rects.at(0).top() + 20);
        for (int k = 1; k <= 3; ++k)
            QVERIFY(rects.at(0).contains(rects.at(k)));
        // Buttons side by side stay on one row, below the group box.
        QCOMPARE(rects.at(4).top(), rects.at(5).top());
        QVERIFY(rects.at(4).top() > rects.at(0).bottom());
        QVERIFY(rects.at(6).top() > rects.at(4).bottom());
    }

    // Less room never gives a taller column.
    void monotonic()
    {
        const QList<SqueezeItem> items = Bar();
        int previous = 0;
        for (int step = 1; step <= 20; ++step) {
            const int bottom = SqueezedBottom(items, step / 20.0);
            QVERIFY(bottom >= previous);
            previous = bottom;
        }
    }
};

QTEST_GUILESS_MAIN(TestColumnSqueeze)
#include "tst_columnsqueeze.moc"

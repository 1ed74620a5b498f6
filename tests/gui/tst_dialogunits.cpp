#include "common/TestEnv.h"

#include "platform/DialogUnits.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QTest>

// Base units and faces are remembered per font; a font that differs in any
// way that changes its metrics must still get its own.
class TestDialogUnits : public QObject {
    Q_OBJECT

private slots:
    void unitsFollowEveryFontChange_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<int>("pixels"); // 0: sized in points
        QTest::newRow("9 pt") << 9 << false << false << 0;
        QTest::newRow("9 pt bold") << 9 << true << false << 0;
        QTest::newRow("9 pt italic") << 9 << false << true << 0;
        QTest::newRow("20 pt") << 20 << false << false << 0;
        QTest::newRow("36 pt") << 36 << false << false << 0;
        QTest::newRow("30 px") << 0 << false << false << 30;
    }
    void unitsFollowEveryFontChange()
    {
        QFETCH(int, points);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(int, pixels);
        QFont font(ResolveJapaneseFace(QString()));
        // The plain 9-point font is measured first, so every other row
        // would get its units if the cache looked at the family alone.
        QFont plain = font;
        plain.setPointSize(9);
        GetDialogBaseUnits(plain);
        if (pixels > 0)
            font.setPixelSize(pixels);
        else
            font.setPointSize(points);
        font.setBold(bold);
        font.setItalic(italic);

        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        for (int pass = 0; pass < 2; ++pass) {
            const DialogBaseUnits units = GetDialogBaseUnits(font);
            QCOMPARE(units.m_nBaseX, (width / 26 + 1) / 2);
            QCOMPARE(units.m_nBaseY, metrics.height());
        }
    }

    void facesResolveAsTheFontDatabaseSays_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<bool>("installed");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("Windows face") << QStringLiteral("MS UI Gothic") << false;
        QTest::newRow("unknown") << QStringLiteral("No Such Face 1234") << false;
        // Whatever the machine has: the first face the database lists, by its
        // family name alone and with a foundry.
        QString family = QFontDatabase::families().value(0);
        family.truncate(family.indexOf(QStringLiteral(" [")));
        const bool any = QFontDatabase::hasFamily(family);
        QTest::newRow("installed") << family << any;
        QTest::newRow("installed, with a foundry") << family + QStringLiteral(" [Foundry]") << any;
        // The database ignores what follows a foundry's bracket.
        QTest::newRow("text after a foundry")
            << family + QStringLiteral(" [Foundry] Other") << false;
    }
    void facesResolveAsTheFontDatabaseSays()
    {
        QFETCH(QString, face);
        QFETCH(bool, installed);
        const QString unknown = QStringLiteral("No Such Face 1234");
        const QString fallback = ResolveJapaneseFace(unknown);
        // The fallback is installed and offers Japanese, or there is none.
        QVERIFY(fallback == unknown ||
                (QFontDatabase::hasFamily(fallback) &&
                 QFontDatabase::writingSystems(fallback).contains(QFontDatabase::Japanese)));
        const QString resolved = ResolveJapaneseFace(face);
        QCOMPARE(resolved, installed || fallback == unknown ? face : fallback);
        QCOMPARE(ResolveJapaneseFace(face), resolved);
        // One face resolved must not answer for another.
        QCOMPARE(ResolveJapaneseFace(face + QStringLiteral(" Other")), fallback);
    }
};

QTEST_MAIN(TestDialogUnits)
#include "tst_dialogunits.moc"

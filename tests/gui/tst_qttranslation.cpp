#include "platform/QtTranslation.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

// Qt's standard buttons speak Japanese like the rest of the program.
class TestQtTranslation : public QObject {
    Q_OBJECT

private:
    static QString ButtonText(QMessageBox::StandardButton which)
    {
        QMessageBox box;
        box.setStandardButtons(which);
        return box.button(which)->text().remove(QLatin1Char('&'));
    }

private slots:
    // Runs first: without the translation Qt's buttons are English, so the
    // Japanese texts below really come from loading it.
    void englishBeforeLoading()
    {
        QCOMPARE(ButtonText(QMessageBox::Cancel), QStringLiteral("Cancel"));
    }

    void messageBoxButtons_data()
    {
        QTest::addColumn<int>("button");
        // Japanese shows the mnemonic after the word, as "(&Y)".
        QTest::addColumn<QString>("text");
        QTest::newRow("OK") << int(QMessageBox::Ok) << QStringLiteral("OK");
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QStringLiteral("キャンセル");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << QStringLiteral("はい(Y)");
        QTest::newRow("No") << int(QMessageBox::No) << QStringLiteral("いいえ(N)");
    }
    void messageBoxButtons()
    {
        QFETCH(int, button);
        QFETCH(QString, text);
        QVERIFY2(InstallQtTranslation(), "qtbase_ja missing: install qt6-translations-l10n");
        QCOMPARE(ButtonText(QMessageBox::StandardButton(button)), text);
    }

    void dialogButtonBox()
    {
        QVERIFY(InstallQtTranslation());
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')),
                 QStringLiteral("キャンセル"));
    }

    // Loading again must not stack a second translator.
    void loadsOnce()
    {
        QVERIFY(InstallQtTranslation());
        QVERIFY(InstallQtTranslation());
        QCOMPARE(qApp->findChildren<QTranslator*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    }
};

QTEST_MAIN(TestQtTranslation)
#include "tst_qttranslation.moc"

#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "platform/Profile.h"
#include "widgets/ItemActionRunner.h"
#include "widgets/WebSearchOpener.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestWebSearchOpener : public QObject {
    Q_OBJECT

private:
    QStringList m_urls;
    bool m_bStarts = true;

private slots:
    void initTestCase()
    {
        SetUrlOpener([this](const QString& url) {
            m_urls << url;
            return m_bStarts;
        });
    }
    void init()
    {
        TestEnv::ClearSettings();
        m_urls.clear();
        m_bStarts = true;
    }

    void urls_data()
    {
        QTest::addColumn<QString>("searchUrl"); // empty: not set
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("url");
        QTest::newRow("default engine")
            << QString() << QStringLiteral("愛想")
            << QStringLiteral("https://www.google.com/search?q=%e6%84%9b%e6%83%b3");
        QTest::newRow("parentheses encoded")
            << QString() << QStringLiteral("愛敬(愛嬌)")
            << QStringLiteral(
                   "https://www.google.com/search?q=%e6%84%9b%e6%95%ac%28%e6%84%9b%e5%ac%8c%29");
        QTest::newRow("space and punctuation")
            << QString() << QStringLiteral("A-1 x.y")
            << QStringLiteral("https://www.google.com/search?q=A%2d1+x%2ey");
        QTest::newRow("empty word opens the prefix")
            << QString() << QString() << QStringLiteral("https://www.google.com/search?q=");
        QTest::newRow("another engine")
            << QStringLiteral("https://duckduckgo.com/search?q=") << QStringLiteral("蚊")
            << QStringLiteral("https://duckduckgo.com/search?q=%e8%9a%8a");
    }
    void urls()
    {
        QFETCH(QString, searchUrl);
        QFETCH(QString, word);
        QFETCH(QString, url);
        if (!searchUrl.isEmpty())
            WriteProfileString(QStringLiteral("Settings"), QStringLiteral("SearchURL"), searchUrl);
        MessageRecorder messages;
        OpenWebSearch(word, nullptr);
        QCOMPARE(m_urls, QStringList{url});
        QVERIFY(messages.Texts().isEmpty());
    }

    void changedSettingTakesEffectAtTheNextSearch()
    {
        OpenWebSearch(QStringLiteral("a"), nullptr);
        WriteProfileString(QStringLiteral("Settings"), QStringLiteral("SearchURL"),
                           QStringLiteral("https://search.example/search?q="));
        OpenWebSearch(QStringLiteral("a"), nullptr);
        QCOMPARE(m_urls, (QStringList{QStringLiteral("https://www.google.com/search?q=a"),
                                      QStringLiteral("https://search.example/search?q=a")}));
    }

    void failureIsReported()
    {
        m_bStarts = false;
        MessageRecorder messages;
        OpenWebSearch(QStringLiteral("a"), nullptr);
        QCOMPARE(messages.Texts(),
                 QStringList{QStringLiteral("ブラウザを起動できませんでした。(31)")});
    }

    // What the desktop's opener receives: the escapes exactly as encoded,
    // lower-case and undecoded.
    void desktopOpenerGetsTheUrlAsEncoded_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("query");
        QTest::newRow("kanji") << QStringLiteral("愛想") << QStringLiteral("%e6%84%9b%e6%83%b3");
        QTest::newRow("parentheses")
            << QStringLiteral("愛敬(愛嬌)")
            << QStringLiteral("%e6%84%9b%e6%95%ac%28%e6%84%9b%e5%ac%8c%29");
        QTest::newRow("unreserved punctuation")
            << QStringLiteral("A-1_x.y~z") << QStringLiteral("A%2d1%5fx%2ey%7ez");
    }
    void desktopOpenerGetsTheUrlAsEncoded()
    {
        QFETCH(QString, word);
        QFETCH(QString, query);
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        const QString received = bin.filePath(QStringLiteral("received"));
        // A stand-in for the desktop's opener that writes down its argument.
        QFile script(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" '" +
                     received.toUtf8() + "'\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ':' + path);
        const UrlOpener recorder = SetUrlOpener({});
        MessageRecorder messages;
        OpenWebSearch(word, nullptr);
        SetUrlOpener(recorder);
        qputenv("PATH", path);
        QVERIFY(messages.Texts().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(received), 20000);
        QFile got(received);
        QVERIFY(got.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(got.readAll()),
                 QStringLiteral("https://www.google.com/search?q=") + query);
    }

    void itemActionsReachTheOpener()
    {
        RequestWebSearch(QStringLiteral("b"), nullptr);
        QVERIFY(m_urls.isEmpty()); // nothing installed yet
        InstallWebSearch();
        RequestWebSearch(QStringLiteral("b"), nullptr);
        QCOMPARE(m_urls, QStringList{QStringLiteral("https://www.google.com/search?q=b")});
    }
};

QTEST_MAIN(TestWebSearchOpener)
#include "tst_websearchopener.moc"

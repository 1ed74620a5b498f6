#include "common/MessageRecorder.h"
#include "common/TestEnv.h"
#include "dialogs/ItemActions.h"
#include "platform/Profile.h"
#include "text/WebSearchOpener.h"

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

#include "common/FakeWordLists.h"
#include "common/MessageRecorder.h"
#include "common/StudyData.h"
#include "common/TestEnv.h"
#include "dialogs/CAboutDlg.h"
#include "platform/ResourceIds.h"
#include "platform/VersionInfo.h"
#include "study/CDictionary.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <memory>

class TestAboutDialog : public QObject {
    Q_OBJECT

private:
    // The texts of the version, the question count and the kanji count once
    // the dialog is open.
    static QStringList OpenAndRead()
    {
        CAboutDlg dialog;
        dialog.show();
        QStringList texts;
        for (const int id : {kIdVersion, kIdQuestionCount, kIdKanjiCount}) {
            const auto* label = dialog.findChild<QLabel*>(QString::number(id));
            texts << (label ? label->text() : QStringLiteral("<missing>"));
        }
        return texts;
    }

    static void UseLists(const QHash<int, QStringList>& lists)
    {
        auto source = std::make_shared<FakeWordLists>();
        for (auto it = lists.cbegin(); it != lists.cend(); ++it)
            source->m_lists.insert(it.key(), FakeWordLists::MakeList(it.value()));
        CDictionary::SetWordListSource(source);
    }

private slots:
    void init() { StudyData::Fresh(); }

    void cleanupTestCase()
    {
        SetProductVersionForTesting(QStringLiteral("Velmarik"), QStringLiteral("2.0"));
        CDictionary::SetWordListSource(nullptr);
        CDictionary::ResetInstanceForTesting();
    }

    void figures_data()
    {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QString>("questions");
        QTest::addColumn<QString>("kanji");
        QTest::newRow("two lists")
            << QStringList{"愛想\tあいそ", "愛敬\tあいきょう", "本\tほん"}
            << QStringList{"山道\tやまみち", "ひらがな\tひらがな"} << "問題数 ： 5 問"
            << "漢字数 ： 6 種類";
        QTest::newRow("no kanji") << QStringList{"かな\tかな"} << QStringList{} << "問題数 ： 1 問"
                                  << "漢字数 ： 0 種類";
    }
    void figures()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QString, questions);
        QFETCH(QString, kanji);
        UseLists({{501, first}, {502, second}, {503, {}}, {504, {}}, {505, {}}, {506, {}}});
        const QStringList texts = OpenAndRead();
        QCOMPARE(texts.at(0), QStringLiteral("Velmarik 2.0"));
        QCOMPARE(texts.at(1), questions);
        QCOMPARE(texts.at(2), kanji);
    }

    void missingListContributesNothing()
    {
        // Only the first list exists; the others are reported and skipped.
        UseLists({{501, {"学校\tがっこう"}}});
        MessageRecorder messages;
        const QStringList texts = OpenAndRead();
        QCOMPARE(messages.Texts().size(), 5);
        QCOMPARE(texts.at(1), QStringLiteral("問題数 ： 1 問"));
        QCOMPARE(texts.at(2), QStringLiteral("漢字数 ： 2 種類"));
    }

    void builtInLists()
    {
        CDictionary::SetWordListSource(nullptr);
        // Every line of the six files that is neither empty nor a group line.
        int items = 0;
        for (const char* name :
             {"dic1_std1", "dic1_std2", "dic1_std3", "dic1_std4", "dic1_std5", "dic2_std"}) {
            QFile file(QStringLiteral(VELMARIK_SOURCE_DIR "/resources/wordlists/%1.txt")
                           .arg(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            for (const QByteArray& line : file.readAll().split('\n')) {
                const QByteArray trimmed = line.trimmed();
                if (!trimmed.isEmpty() && !trimmed.startsWith('#'))
                    ++items;
            }
        }
        QVERIFY(items > 0);
        const QStringList first = OpenAndRead();
        QCOMPARE(first.at(1), QStringLiteral("問題数 ： %1 問").arg(items));
        QVERIFY(first.at(2).startsWith(QStringLiteral("漢字数 ： ")));
        QVERIFY(first.at(2) != QStringLiteral("漢字数 ： 0 種類"));
        // Opened again, the count is the one computed the first time.
        QCOMPARE(OpenAndRead().at(2), first.at(2));
    }

    void unreadableVersionShowsQuestionMark()
    {
        UseLists({{501, {"本\tほん"}}, {502, {}}, {503, {}}, {504, {}}, {505, {}}, {506, {}}});
        SetProductVersionForTesting(QString(), QString());
        const QString shown = OpenAndRead().at(0);
        SetProductVersionForTesting(QStringLiteral("Velmarik"), QStringLiteral("2.0"));
        QCOMPARE(shown, QStringLiteral("?"));
    }

    void captionAndSourceLine()
    {
        UseLists({{501, {}}, {502, {}}, {503, {}}, {504, {}}, {505, {}}, {506, {}}});
        CAboutDlg dialog;
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("バージョン情報"));
        QStringList texts;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("語句データ: EDRDG JMdict/EDICT (CC BY-SA 4.0)")));
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"

#include "common/MessageRecorder.h"
#include "common/ModalAnswerer.h"
#include "common/StudyData.h"
#include "dialogs/CImportPreviewDialog.h"
#include "dialogs/COptionDialog.h"
#include "dialogs/COwnListsDialog.h"
#include "dialogs/FileChooser.h"
#include "mainwnd/CMainFrame.h"
#include "platform/Profile.h"
#include "platform/ResourceIds.h"
#include "platform/Settings.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/WordListImport.h"
#include "widgets/CSearchDialogBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QList<QStringList> kBuiltIn{
    {u"一\tいち"_s, u"二\tに"_s, u"三\tさん"_s},
    {u"食べる\tたべる"_s, u"日本\tにほん"_s},
};
constexpr int kBuiltInLists = 6;

CDictionary* Dic()
{
    return StudyData::Dic();
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

// "line: text" for every row of a table, its first column the line.
QStringList TableRows(const QTreeWidget* table, int column)
{
    QStringList rows;
    for (int k = 0; k < table->topLevelItemCount(); ++k) {
        const QTreeWidgetItem* item = table->topLevelItem(k);
        rows << item->text(0) + u": "_s + item->text(column);
    }
    return rows;
}

QString Words()
{
    QStringList words;
    for (int k = 0; k < Dic()->GetTotalItemCount(); ++k)
        words << Dic()->GetItem(k)->GetWord();
    return words.join(u' ');
}

// The files of the data folder, the staging folder's included, with their
// contents: a step that changes nothing leaves them all as they were.
QHash<QString, QByteArray> DataFiles()
{
    QHash<QString, QByteArray> files;
    QDir folder(TestEnv::Instance().DataFolder());
    for (const QString& name : folder.entryList(QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    }
    return files;
}

// Picks `path` in the next file dialogs while it lives.
class ChosenFile {
public:
    explicit ChosenFile(const QString& path)
    {
        SetFileChooserForTesting([path](FileChoice, const QString&) { return path; });
    }
    ~ChosenFile() { SetFileChooserForTesting({}); }
    ChosenFile(const ChosenFile&) = delete;
    ChosenFile& operator=(const ChosenFile&) = delete;
};

} // namespace

// The windows that reach the lists of one's own, the export and the
// restore: what they show before anything changes, and that a cancel at any
// point changes nothing.
class TestStudyDataDialogs : public QObject {
    Q_OBJECT

    StudyData m_data;
    QTemporaryDir m_files;

private slots:
    void init()
    {
        StudyData::Fresh();
        m_data.Use(kBuiltIn);
        Dic()->EnsureLoaded();
    }

    // The preview lists every row it will not take with its line and the
    // reason, and takes the uncoloured words only when asked.
    void preview_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("taken");   // line: word
        QTest::addColumn<QStringList>("refused"); // line: reason
        QTest::addColumn<QStringList>("takenUncoloured");

        QTest::newRow("tsv with faults")
            << u"漢字\tかんじ\nひらがな\tひらがな\n書く\tkaku\n漢字\tかんじ\n"_s.toUtf8()
            << QStringList{u"1: 漢字"_s}
            << QStringList{u"2: 語句に漢字がありません"_s, u"3: 読みがかなではありません"_s,
                           u"4: 1 行目と同じ語句です"_s}
            << QStringList{u"1: 漢字"_s};
        QTest::newRow("csv with an uncoloured word")
            << u"書く,かく\r\n食べる,のむ\r\n"_s.toUtf8() << QStringList{u"1: 書く"_s}
            << QStringList{u"2: 読みが語句のかなと合わないため、色分けできません"_s}
            << QStringList{u"1: 書く"_s, u"2: 食べる"_s};
        QTest::newRow("anki export")
            << u"#separator:tab\n#html:true\n<b>漢字</b>[かんじ]\tかんじ\n"_s.toUtf8()
            << QStringList{u"3: 漢字"_s} << QStringList() << QStringList{u"3: 漢字"_s};
    }
    void preview()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, taken);
        QFETCH(QStringList, refused);
        QFETCH(QStringList, takenUncoloured);
        const QString path = WriteFile(m_files, u"words.txt"_s, file);
        const QHash<QString, QByteArray> before = DataFiles();

        CImportPreviewDialog dialog(path, ReadWordListFile(path), u"words"_s, {}, nullptr);
        QCOMPARE(TableRows(dialog.m_pTaken, 1), taken);
        QStringList refusedReasons = TableRows(dialog.m_pRefused, 1);
        QCOMPARE(refusedReasons, refused);
        QCOMPARE(dialog.Rows().size(), taken.size());
        QCOMPARE(dialog.m_pUncoloured->isVisibleTo(&dialog), takenUncoloured != taken);

        dialog.m_pUncoloured->setChecked(true);
        QCOMPARE(TableRows(dialog.m_pTaken, 1), takenUncoloured);
        QCOMPARE(dialog.Rows().size(), takenUncoloured.size());
        QCOMPARE(dialog.m_pRefused->topLevelItemCount(),
                 refused.size() - (takenUncoloured.size() - taken.size()));
        // Looking changes nothing.
        QCOMPARE(DataFiles(), before);
        QCOMPARE(Dic()->GetSize(), kBuiltInLists);
    }

    // No name, no import: the list would be nameless in every window.
    void previewNeedsANameAndRows()
    {
        const QString path =
            WriteFile(m_files, u"x.txt"_s, u"漢字\tかんじ\nかな\tかな\n"_s.toUtf8());
        CImportPreviewDialog dialog(path, ReadWordListFile(path), u"x"_s, {}, nullptr);
        QVERIFY(dialog.m_pTake->isEnabled());
        dialog.m_pName->setText(u"  "_s);
        QVERIFY(!dialog.m_pTake->isEnabled());
        dialog.m_pName->setText(u"新しい"_s);
        QVERIFY(dialog.m_pTake->isEnabled());

        const QString none = WriteFile(m_files, u"none.txt"_s, u"かな\tかな\n"_s.toUtf8());
        CImportPreviewDialog empty(none, ReadWordListFile(none), u"none"_s, {}, nullptr);
        QVERIFY(!empty.m_pTake->isEnabled());
    }

    // A list made, renamed, imported again and deleted through the dialog;
    // each cancel leaves the files as they were.
    void listsDialogRoundTrip()
    {
        const QString first =
            WriteFile(m_files, u"first.tsv"_s, u"漢字\tかんじ\n書く\tかく\n"_s.toUtf8());
        COwnListsDialog dialog(*Dic(), nullptr);
        QCOMPARE(dialog.m_pLists->topLevelItemCount(), kBuiltInLists);
        {
            const QHash<QString, QByteArray> before = DataFiles();
            const ChosenFile chosen(first);
            const ModalAnswerer<CImportPreviewDialog> cancel(
                [](CImportPreviewDialog* preview) { preview->reject(); });
            dialog.OnImport();
            QCOMPARE(DataFiles(), before);
            QVERIFY(!dialog.m_bListsChanged);
        }
        {
            const ChosenFile chosen(first);
            const ModalAnswerer<CImportPreviewDialog> take([](CImportPreviewDialog* preview) {
                preview->m_pName->setText(u"教科書"_s);
                preview->accept();
            });
            dialog.OnImport();
        }
        QVERIFY(dialog.m_bListsChanged);
        QCOMPARE(dialog.m_pLists->topLevelItemCount(), kBuiltInLists + 1);
        QCOMPARE(dialog.m_pLists->topLevelItem(kBuiltInLists)->text(0), u"教科書"_s);
        QCOMPARE(Words(), u"一 二 三 食べる 日本 漢字 書く"_s);
        // The new list is selected, so its buttons work at once.
        QVERIFY(dialog.m_pRename->isEnabled());

        {
            const ModalAnswerer<QInputDialog> rename([](QInputDialog* input) {
                input->setTextValue(u"  第一課 "_s);
                input->accept();
            });
            dialog.OnRename();
        }
        QCOMPARE(dialog.m_pLists->topLevelItem(kBuiltInLists)->text(0), u"第一課"_s);

        Dic()->GetItem(5)->SetMode(Learned, -1); // 漢字
        const QString second = WriteFile(m_files, u"second.tsv"_s,
                                         u"書く\tかく\n漢字\tかんじ\n読む\tよむ\n"_s.toUtf8());
        {
            const ChosenFile chosen(second);
            QString summary;
            const ModalAnswerer<CImportPreviewDialog> take([&summary](CImportPreviewDialog* p) {
                summary = p->m_pSummary->text();
                p->accept();
            });
            dialog.OnReimport();
            QVERIFY2(summary.contains(u"1 語はそのまま引き継ぎ"_s), qPrintable(summary));
        }
        QCOMPARE(Words(), u"一 二 三 食べる 日本 書く 漢字 読む"_s);
        QCOMPARE(Dic()->GetItem(6)->m_nMode, qint16(Learned));

        {
            MessageRecorder messages;
            messages.SetNextAnswer(IDCANCEL);
            const QHash<QString, QByteArray> before = DataFiles();
            dialog.OnDelete();
            QCOMPARE(messages.Texts().size(), 1);
            QVERIFY(messages.Texts().first().contains(u"「第一課」"_s));
            QCOMPARE(DataFiles(), before);
            QCOMPARE(Dic()->GetSize(), kBuiltInLists + 1);
        }
        {
            MessageRecorder messages;
            dialog.OnDelete();
        }
        QCOMPARE(dialog.m_pLists->topLevelItemCount(), kBuiltInLists);
        QCOMPARE(Words(), u"一 二 三 食べる 日本"_s);
        StudyData::Reload();
        QCOMPARE(Words(), u"一 二 三 食べる 日本"_s);
    }

    // A file that is no word list is refused before any preview.
    void badFilesAreRefusedWithAMessage_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray() << u"ファイルが空です。"_s;
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                << u"テキストファイルとして読めません"_s;
        QTest::newRow("too large")
            << QByteArray(kMaxImportFileSize + 1, 'a') << u"ファイルが大きすぎます"_s;
    }
    void badFilesAreRefusedWithAMessage()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        const QString path = WriteFile(m_files, u"bad.txt"_s, file);
        const QHash<QString, QByteArray> before = DataFiles();
        COwnListsDialog dialog(*Dic(), nullptr);
        MessageRecorder messages;
        const ChosenFile chosen(path);
        const auto none = ModalAnswerer<CImportPreviewDialog>::None();
        dialog.OnImport();
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY2(messages.Texts().first().contains(message), qPrintable(messages.Texts().first()));
        QCOMPARE(DataFiles(), before);
        QVERIFY(!dialog.m_bListsChanged);
    }

    // The switches keep "ListsOff"; the last list that is asked stays on.
    void switchPerList()
    {
        COwnListsDialog dialog(*Dic(), nullptr);
        dialog.m_pLists->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        QCOMPARE(GetProfileString(Setting::ListsOff), u"dic1_std1"_s);
        QCOMPARE(Dic()->ListsAsked().at(0), false);
        for (int k = 1; k < kBuiltInLists - 1; ++k)
            dialog.m_pLists->topLevelItem(k)->setCheckState(0, Qt::Unchecked);
        MessageRecorder messages;
        dialog.m_pLists->topLevelItem(kBuiltInLists - 1)->setCheckState(0, Qt::Unchecked);
        QCOMPARE(messages.Texts().size(), 1);
        QCOMPARE(dialog.m_pLists->topLevelItem(kBuiltInLists - 1)->checkState(0), Qt::Checked);
        QCOMPARE(Dic()->ListsAsked().back(), true);
        dialog.m_pLists->topLevelItem(0)->setCheckState(0, Qt::Checked);
        QCOMPARE(Dic()->ListsAsked().at(0), true);
        QVERIFY(!GetProfileString(Setting::ListsOff).contains(u"dic1_std1"_s));
    }

    // The built-in lists are shown by names a learner reads, each its own;
    // the file name is left to the tooltip.
    void builtInListsShowTheirTitles()
    {
        COwnListsDialog dialog(*Dic(), nullptr);
        QSet<QString> titles;
        for (int k = 0; k < kBuiltInLists; ++k) {
            const QTreeWidgetItem* row = dialog.m_pLists->topLevelItem(k);
            const QString file = Dic()->GetAt(k)->m_strName;
            QVERIFY2(!row->text(0).contains(u"dic"_s), qPrintable(row->text(0)));
            QVERIFY(!row->text(0).isEmpty());
            QVERIFY2(row->toolTip(0).contains(file), qPrintable(row->toolTip(0)));
            titles.insert(row->text(0));
        }
        QCOMPARE(titles.size(), kBuiltInLists);
        QCOMPARE(dialog.m_pLists->topLevelItem(5)->text(0), u"四字熟語"_s);
    }

    // The search bar's action list reaches the three commands without a
    // selected result, and keeps the choice like the item actions.
    void searchBarActions_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("signal");
        QTest::newRow("lists") << int(CSearchDialogBar::kActionOwnLists)
                               << QByteArray(SIGNAL(OwnListsRequested()));
        QTest::newRow("export") << int(CSearchDialogBar::kActionExport)
                                << QByteArray(SIGNAL(ExportRequested()));
        QTest::newRow("restore") << int(CSearchDialogBar::kActionRestore)
                                 << QByteArray(SIGNAL(RestoreRequested()));
    }
    void searchBarActions()
    {
        QFETCH(int, row);
        QFETCH(QByteArray, signal);
        WriteProfileInt(Setting::SearchAction, row);
        CSearchDialogBar bar;
        bar.InitBar();
        QCOMPARE(bar.m_wndAction->currentIndex(), row);
        QSignalSpy spy(&bar, signal.constData());
        bar.ExecuteAction();
        QCOMPARE(spy.count(), 1);
    }

    // Export, then changes, then the restore: the state of the export comes
    // back, the drill goes on with an item of the restored lists, and the
    // state that was replaced is in a backup.
    void exportAndRestoreThroughTheFrame()
    {
        CMainFrame frame;
        QVERIFY(frame.Create());
        frame.show();
        // The drill's own item goes through the main bar, so that the
        // commits before the export and the restore keep what is set.
        const int asked = Dic()->GetCurrentHistoryItem();
        const int other = (asked + 1) % Dic()->GetTotalItemCount();
        frame.GetSession().ChooseMode(Known);
        const QString archive = m_files.filePath(u"export.zip"_s);
        {
            MessageRecorder messages;
            const ChosenFile chosen(archive);
            frame.OnExportStudyData();
            QCOMPARE(messages.Texts().size(), 1);
            QVERIFY2(messages.Texts().first().contains(u"書き出しました"_s),
                     qPrintable(messages.Texts().first()));
        }
        QVERIFY(QFile::exists(archive));
        QCOMPARE(Dic()->GetItem(asked)->m_nMode, qint16(Known));

        frame.GetSession().ChooseMode(NoLearn);
        Dic()->GetItem(other)->SetMode(Learning, -1);
        const QDir backups(TestEnv::Instance().DataFolder() + u"/backups"_s);
        {
            // Refused at the question: nothing changes.
            MessageRecorder messages;
            messages.SetNextAnswer(IDCANCEL);
            const ChosenFile chosen(archive);
            frame.OnRestoreStudyData();
            QCOMPARE(messages.Texts().size(), 1);
            QVERIFY(messages.Texts().first().contains(u"読み込む内容"_s));
            QCOMPARE(Dic()->GetItem(asked)->m_nMode, qint16(NoLearn));
            QCOMPARE(backups.entryList({u"before-restore-*"_s}).size(), 0);
        }
        {
            MessageRecorder messages;
            const ChosenFile chosen(archive);
            frame.OnRestoreStudyData();
            QCOMPARE(messages.Texts().size(), 2);
            QVERIFY2(messages.Texts().last().contains(u"を読み込みました"_s),
                     qPrintable(messages.Texts().last()));
        }
        QCOMPARE(Dic()->GetItem(asked)->m_nMode, qint16(Known));
        QCOMPARE(Dic()->GetItem(other)->m_nMode, qint16(Unspec));
        // The drill's item is one of the loaded lists, not one of before.
        CDictionary::CItem* current = frame.GetSession().CurrentItem();
        QVERIFY(current);
        bool found = false;
        for (int k = 0; k < Dic()->GetTotalItemCount(); ++k)
            found = found || Dic()->GetItem(k) == current;
        QVERIFY(found);
        QVERIFY(frame.GetSession().Next());
        frame.GetSession().ChooseMode(Learned);
        QVERIFY(frame.GetSession().Next());
        QCOMPARE(backups.entryList({u"before-restore-*"_s}).size(), 1);
        WriteProfileInt(Setting::NoUnspec, 0);
        frame.close();
    }

    // A damaged archive is refused before the question, with nothing changed.
    void damagedArchiveIsRefused()
    {
        const QString path =
            WriteFile(m_files, u"broken.zip"_s, QByteArray("PK\x03\x04broken", 10));
        Dic()->GetItem(0)->SetMode(Learned, -1);
        Dic()->Save();
        const QHash<QString, QByteArray> before = DataFiles();
        CMainFrame frame;
        QVERIFY(frame.Create());
        MessageRecorder messages;
        const ChosenFile chosen(path);
        frame.OnRestoreStudyData();
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY(!messages.Texts().first().contains(u"読み込む内容"_s));
        QCOMPARE(DataFiles(), before);
        QCOMPARE(Dic()->GetItem(0)->m_nMode, qint16(Learned));
    }

    // A restore from the options dialog closes it without storing its
    // controls, which show the settings from before the restore.
    void restoreFromOptionsKeepsRestoredSettings()
    {
        WriteProfileInt(Setting::FontPoint, 40);
        const QString archive = m_files.filePath(u"options.zip"_s);
        {
            MessageRecorder messages;
            const ChosenFile chosen(archive);
            COptionDialog options(nullptr);
            options.show();
            options.findChild<QPushButton*>(QString::number(kIdExportData))->click();
            options.reject();
        }
        WriteProfileInt(Setting::FontPoint, 20);

        COptionDialog options(nullptr);
        options.show();
        QSignalSpy replaced(&options, &COptionDialog::StudyDataReplaced);
        MessageRecorder messages;
        const ChosenFile chosen(archive);
        options.findChild<QPushButton*>(QString::number(kIdRestoreData))->click();
        QCOMPARE(replaced.count(), 1);
        QVERIFY(!options.isVisible());
        QCOMPARE(GetProfileInt(Setting::FontPoint), 40);
    }
};

QTEST_MAIN(TestStudyDataDialogs)
#include "tst_studydatadialogs.moc"

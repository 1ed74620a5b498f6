#include "common/MessageRecorder.h"
#include "common/StudyData.h"
#include "dialogs/CDataFolderDialog.h"
#include "dialogs/FileChooser.h"
#include "platform/AppData.h"
#include "platform/DataFolderClaim.h"
#include "platform/Profile.h"
#include "platform/Settings.h"
#include "study/CItem.h"
#include "study/DataFolderMove.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QList<QStringList> kLists{{u"一\tいち"_s, u"二\tに"_s, u"三\tさん"_s}};

// Records what the dialog asks of the copy's claim on its folder.
struct ClaimLog {
    QStringList m_claimed;
    QList<bool> m_settled;
    QString m_strRefusal; // a claim fails with it when set
};

void InstallClaimer(ClaimLog& log)
{
    DataFolderClaimer claimer;
    claimer.m_claim = [&log](const QString& folder, QString& error) {
        log.m_claimed << folder;
        error = log.m_strRefusal;
        return log.m_strRefusal.isEmpty();
    };
    claimer.m_settle = [&log](bool moved) { log.m_settled << moved; };
    SetDataFolderClaimer(std::move(claimer));
}

} // namespace

// The data folder's dialog: choosing a folder, the questions it asks and the
// claim on the folder that moves with the data.
class TestDataFolderDialog : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        StudyData::Fresh();
        m_data.Use(kLists);
        m_target = std::make_unique<QTemporaryDir>();
        QVERIFY(m_target->isValid());
        StudyData::Dic()->GetItem(1)->SetMode(Known, -1);
    }
    void cleanup()
    {
        SetFileChooserForTesting({});
        SetDataFolderClaimer({});
    }

    void changeMovesTheDataAndTheClaim()
    {
        ClaimLog log;
        InstallClaimer(log);
        CDataFolderDialog dialog(*StudyData::Dic(), nullptr);
        QCOMPARE(dialog.m_pFolder->text(),
                 QDir::toNativeSeparators(CleanFolderPath(TestEnv::Instance().DataFolder())));
        QVERIFY(!dialog.m_pDefault->isEnabled());
        SetFileChooserForTesting([this](FileChoice choice, const QString&) {
            return choice == FileChoice::Folder ? m_target->path() : QString();
        });
        MessageRecorder messages;
        dialog.m_pChange->click();

        // Asked first, then told where the data went.
        QCOMPARE(messages.Texts().size(), 2);
        QVERIFY(messages.Texts().at(0).contains(QDir::toNativeSeparators(m_target->path())));
        QCOMPARE(log.m_claimed, QStringList{m_target->path()});
        QCOMPARE(log.m_settled, QList<bool>{true});
        QCOMPARE(ChosenDataFolder(), CleanFolderPath(m_target->path()));
        QCOMPARE(dialog.m_pFolder->text(), QDir::toNativeSeparators(m_target->path()));
        QVERIFY(dialog.m_pDefault->isEnabled());
        QVERIFY(!dialog.m_bDataReplaced);
        // The unsaved mode went along.
        StudyData::Reload();
        QCOMPARE(int(StudyData::Dic()->GetItem(1)->m_nMode), int(Known));
    }

    void refusedOrDeclinedChangesNothing_data()
    {
        QTest::addColumn<QString>("refusal"); // of the claim
        QTest::addColumn<int>("answer");      // to the question
        QTest::addColumn<int>("claims");
        QTest::newRow("declined") << QString() << IDCANCEL << 0;
        QTest::newRow("another copy runs there")
            << u"そのフォルダーは使われています。"_s << IDOK << 1;
    }
    void refusedOrDeclinedChangesNothing()
    {
        QFETCH(QString, refusal);
        QFETCH(int, answer);
        QFETCH(int, claims);
        ClaimLog log;
        log.m_strRefusal = refusal;
        InstallClaimer(log);
        CDataFolderDialog dialog(*StudyData::Dic(), nullptr);
        MessageRecorder messages;
        messages.SetNextAnswer(answer);
        QVERIFY(!dialog.MoveTo(m_target->path()));
        QCOMPARE(log.m_claimed.size(), claims);
        QCOMPARE(log.m_settled, QList<bool>());
        QCOMPARE(ChosenDataFolder(), QString());
        QCOMPARE(StateFilesIn(m_target->path()), QStringList());
        if (!refusal.isEmpty())
            QVERIFY(messages.Texts().last().contains(refusal));
    }

    // The files found in the chosen folder taken: the study data in memory
    // is theirs afterwards, and the opener is told to start the drill again.
    void theFilesFoundThereReplaceTheData()
    {
        // Another copy's state in the chosen folder: item 2 known too.
        StudyData::Dic()->GetItem(2)->SetMode(Known, -1);
        StudyData::Dic()->Save();
        QVERIFY(
            MoveDataFolder(TestEnv::Instance().DataFolder(), m_target->path(), KeptSet::kCurrent)
                .m_bMoved);
        // This copy starts afresh in the usual folder and learns item 0.
        WriteProfileString(Setting::DataFolder, QString());
        StudyData::Reload();
        StudyData::Dic()->GetItem(0)->SetMode(Learned, -1);

        CDataFolderDialog dialog(*StudyData::Dic(), nullptr);
        MessageRecorder messages;
        messages.SetNextAnswer(IDYES); // use the files there
        QVERIFY(dialog.MoveTo(m_target->path()));
        QVERIFY(dialog.m_bDataReplaced);
        QCOMPARE(int(StudyData::Dic()->GetItem(0)->m_nMode), int(Unspec));
        QCOMPARE(int(StudyData::Dic()->GetItem(2)->m_nMode), int(Known));
        QVERIFY(messages.Texts().last().contains(u"set-aside-"_s));
    }

private:
    StudyData m_data;
    std::unique_ptr<QTemporaryDir> m_target;
};

QTEST_MAIN(TestDataFolderDialog)
#include "tst_datafolderdialog.moc"

#include "common/MessageRecorder.h"
#include "common/StudyData.h"

#include "platform/AppData.h"
#include "platform/Profile.h"
#include "platform/Settings.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/DataFolderMove.h"
#include "study/OwnListFile.h"
#include "study/OwnLists.h"
#include "study/StudyBackup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QList<QStringList> kLists{
    {u"一\tいち"_s, u"二\tに"_s, u"三\tさん"_s, u"日本\tにほん"_s},
    {u"食べる\tたべる"_s, u"本懐\tほんかい"_s},
};

using FileSet = QMap<QString, QByteArray>;

QString Default()
{
    return TestEnv::Instance().DataFolder();
}

// The study-state files of the folder with their bytes.
FileSet SetOf(const QString& folder)
{
    FileSet set;
    for (const QString& name : StateFilesIn(folder)) {
        QFile file(folder + u'/' + name);
        set.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?"));
    }
    return set;
}

// Everything in the folder, state files or not, as paths inside it.
QStringList EverythingIn(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

void WriteIn(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(folder + u'/' + name).path());
    QFile file(folder + u'/' + name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The learner's state in the usual folder: modes, history, counts, a list of
// one's own and a daily backup.
void MakeState()
{
    CDictionary* dic = StudyData::Dic();
    dic->GetItem(0)->SetMode(Known, -1);
    dic->GetItem(4)->SetMode(Learning, -1);
    dic->AddToHistory(4);
    dic->m_nTotalCount = 12;
    dic->m_bMiscDirty = 1;
    dic->Save();
    QString error;
    QVERIFY2(AddOwnList(*dic, u"教科書"_s, {{u"漢字"_s, u"かんじ"_s, QString()}}, error),
             qPrintable(error));
    QVERIFY2(WriteDailyBackup(*dic, Default(), error), qPrintable(error));
}

// Another copy's files, as a second computer syncing the folder leaves them:
// other modes, and a backup of its own.
FileSet MakeTheirSet()
{
    CDictionary* dic = StudyData::Dic();
    dic->GetItem(2)->SetMode(NoLearn, -1);
    dic->GetItem(3)->SetMode(Learned, -1);
    dic->Save();
    FileSet set = SetOf(Default());
    set.insert(u"backups/velmarik-2026-01-01.zip"_s, QByteArray("theirs"));
    return set;
}

void PutSet(const QString& folder, const FileSet& set)
{
    for (auto it = set.begin(); it != set.end(); ++it)
        WriteIn(folder, it.key(), it.value());
}

QString SetAsideIn(const QString& folder)
{
    const QStringList found = QDir(folder).entryList({u"set-aside-*"_s}, QDir::Dirs);
    return found.size() == 1 ? folder + u'/' + found.first() : QString();
}

QString Modes()
{
    QString text;
    CDictionary* dic = StudyData::Dic();
    for (int k = 0; k < dic->GetTotalItemCount(); ++k)
        text += QString::number(dic->GetItem(k)->m_nMode);
    return text + u'/' + QString::number(dic->GetHistoryCount()) + u'/' +
           QString::number(dic->GetTotalCount());
}

} // namespace

// Moving the study data into a folder of the learner's choice, and the
// refusals, the choice of which set to keep and a kill at every step.
class TestDataFolderMove : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        StudyData::Fresh();
        m_data.Use(kLists);
        m_target = std::make_unique<QTemporaryDir>();
        QVERIFY(m_target->isValid());
        m_theirs = MakeTheirSet();
        m_theirModes = Modes();
        StudyData::Fresh();
        MakeState();
        m_before = SetOf(Default());
        m_modes = Modes();
    }
    void cleanup() { SetDataFolderMoveStopForTesting(-1); }

    void everyFileMovesAndTheDataFolderFollows()
    {
        QVERIFY(std::any_of(m_before.keyBegin(), m_before.keyEnd(),
                            [](const QString& name) { return name.startsWith(u"backups/"_s); }));
        QVERIFY(m_before.contains(u"ownlists.csv"_s));
        const DataFolderMoveResult moved = MoveDataFolder(Default(), Target(), KeptSet::kCurrent);
        QVERIFY2(moved.m_bMoved, qPrintable(moved.m_strError));
        QCOMPARE(moved.m_strError, QString());
        QCOMPARE(ChosenDataFolder(), Target());
        QString folder;
        QVERIFY(GetAppDataFolder(folder));
        QCOMPARE(folder, Target() + u'/');
        QCOMPARE(SetOf(Target()), m_before);
        QCOMPARE(SetOf(Default()), FileSet());
        QStringList everything = QStringList(m_before.keys()) << u"backups"_s;
        everything.sort();
        QCOMPARE(EverythingIn(Target()), everything);

        // A new start reads the moved files; the next save writes there.
        StudyData::Reload();
        QCOMPARE(Modes(), m_modes);
        StudyData::Dic()->GetItem(1)->SetMode(NoLearn, -1);
        StudyData::Dic()->Save();
        QVERIFY(SetOf(Target()).value(u"dic1_std1.dat"_s) != m_before.value(u"dic1_std1.dat"_s));
        QCOMPARE(SetOf(Default()), FileSet());

        // And back to the usual place, which the setting then names as none.
        const FileSet now = SetOf(Target());
        QVERIFY(MoveDataFolder(Target(), Default(), KeptSet::kCurrent).m_bMoved);
        QCOMPARE(ChosenDataFolder(), QString());
        QCOMPARE(SetOf(Default()), now);
        QCOMPARE(EverythingIn(Target()), QStringList());
    }

    void refusedFolders_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("verdict");
        QTest::newRow("gone") << u"/nonexistent/velmarik"_s << int(DataFolderCheck::kMissing);
        QTest::newRow("relative") << u"sync"_s << int(DataFolderCheck::kMissing);
        QTest::newRow("a file") << u"FILE"_s << int(DataFolderCheck::kMissing);
        // No file can be made in /proc, whoever runs the test.
        QTest::newRow("not writable") << u"/proc"_s << int(DataFolderCheck::kNotWritable);
        QTest::newRow("inside the current one")
            << u"INSIDE"_s << int(DataFolderCheck::kInsideCurrent);
        QTest::newRow("the current one") << u"CURRENT"_s << int(DataFolderCheck::kSame);
    }
    void refusedFolders()
    {
        QFETCH(QString, target);
        QFETCH(int, verdict);
        if (target == u"FILE"_s) {
            target = Target() + u"/plain.txt"_s;
            WriteIn(Target(), u"plain.txt"_s, "x");
        } else if (target == u"INSIDE"_s) {
            target = Default() + u"sync"_s;
            QVERIFY(QDir().mkpath(target));
        } else if (target == u"CURRENT"_s) {
            target = Default();
        }
        const DataFolderCheck check = CheckDataFolder(Default(), target);
        QCOMPARE(int(check.m_verdict), verdict);
        QVERIFY(!check.m_strReason.isEmpty());

        const DataFolderMoveResult moved = MoveDataFolder(Default(), target, KeptSet::kCurrent);
        QVERIFY(!moved.m_bMoved);
        QCOMPARE(moved.m_strError, check.m_strReason);
        QCOMPARE(ChosenDataFolder(), QString());
        QCOMPARE(SetOf(Default()), m_before);
        QVERIFY(!QFile::exists(Default() + u"datafolder-move.txt"_s));
    }

    // A folder that holds another copy's files: the learner's choice stays
    // in use, and the other set is kept whole beside it.
    void anotherCopysFilesAreKeptAside_data()
    {
        QTest::addColumn<bool>("keepTheirs");
        QTest::newRow("keep the current set") << false;
        QTest::newRow("keep the set found there") << true;
    }
    void anotherCopysFilesAreKeptAside()
    {
        QFETCH(bool, keepTheirs);
        PutSet(Target(), m_theirs);
        WriteIn(Target(), u"notes.txt"_s, "the learner's own file");
        QCOMPARE(int(CheckDataFolder(Default(), Target()).m_verdict),
                 int(DataFolderCheck::kHoldsOtherSet));

        const DataFolderMoveResult moved =
            MoveDataFolder(Default(), Target(), keepTheirs ? KeptSet::kTheirs : KeptSet::kCurrent);
        QVERIFY2(moved.m_bMoved, qPrintable(moved.m_strError));
        QCOMPARE(moved.m_strSetAside, SetAsideIn(Target()));
        QVERIFY(!moved.m_strSetAside.isEmpty());
        QCOMPARE(ChosenDataFolder(), Target());
        QCOMPARE(SetOf(Target()), keepTheirs ? m_theirs : m_before);
        FileSet aside;
        const QString asideName = QFileInfo(moved.m_strSetAside).fileName();
        for (const QString& name : EverythingIn(moved.m_strSetAside))
            if (QFileInfo(moved.m_strSetAside + u'/' + name).isFile())
                aside.insert(name, SetOfFile(moved.m_strSetAside + u'/' + name));
        QCOMPARE(aside, keepTheirs ? m_before : m_theirs);
        QVERIFY(!asideName.isEmpty());
        QCOMPARE(SetOf(Default()), FileSet());
        // Nothing that is not the program's own is moved or removed.
        QCOMPARE(SetOfFile(Target() + u"/notes.txt"_s), QByteArray("the learner's own file"));
    }

    // A kill at any step leaves one complete set in the folder the settings
    // name, and the next start puts the other folder in order.
    void killDuringTheMove_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("kind"); // 0 an empty target, 1 keep current, 2 keep theirs
        for (int which = 0; which < 3; ++which)
            for (int steps = 0; steps <= 40; ++steps)
                QTest::addRow("case %d, stopped after %d steps", which, steps) << steps << which;
    }
    void killDuringTheMove()
    {
        QFETCH(int, steps);
        QFETCH(int, kind);
        if (kind > 0)
            PutSet(Target(), m_theirs);
        const KeptSet keep = kind == 2 ? KeptSet::kTheirs : KeptSet::kCurrent;
        SetDataFolderMoveStopForTesting(steps);
        const DataFolderMoveResult moved = MoveDataFolder(Default(), Target(), keep);
        SetDataFolderMoveStopForTesting(-1);
        const bool committed = !ChosenDataFolder().isEmpty();
        QCOMPARE(moved.m_bMoved, committed);
        if (steps == 0)
            QCOMPARE(EverythingIn(Target()).isEmpty(), kind == 0);
        if (steps == 40) // the last row runs the move to its end
            QVERIFY(moved.m_bMoved && !QFile::exists(Target() + u"/datafolder-move.txt"_s));

        // The next start.
        MessageRecorder messages;
        StudyData::Reload();
        StudyData::Dic()->EnsureLoaded();
        QCOMPARE(messages.Texts(), QStringList());
        QString folder;
        QVERIFY(GetAppDataFolder(folder));
        if (!committed) {
            QCOMPARE(folder, Default());
            QCOMPARE(Modes(), m_modes);
            QCOMPARE(SetOf(Default()), m_before);
            // The chosen folder is as it was.
            QCOMPARE(SetOf(Target()), kind > 0 ? m_theirs : FileSet());
            QCOMPARE(SetAsideIn(Target()), QString());
            QVERIFY(!QFile::exists(Target() + u"/datafolder-move.txt"_s));
        } else {
            QCOMPARE(folder, Target() + u'/');
            QCOMPARE(SetOf(Target()), kind == 2 ? m_theirs : m_before);
            QCOMPARE(Modes(), kind == 2 ? m_theirModes : m_modes);
            QCOMPARE(SetOf(Default()), FileSet());
            QCOMPARE(SetAsideIn(Target()).isEmpty(), kind == 0);
            QVERIFY(!QFile::exists(Target() + u"/datafolder-move.txt"_s));
        }
        QVERIFY(!QFile::exists(Default() + u"datafolder-move.txt"_s));
    }

    // A journal lies in a folder that others may write: one that names a
    // file that is not a state file, or one outside the folder, removes
    // nothing.
    void aPlantedJournalRemovesNothing_data()
    {
        QTest::addColumn<QString>("named");
        QTest::newRow("not a state file") << u"notes.txt"_s;
        QTest::newRow("out of the folder") << u"../outside/miscdata.dat"_s;
        QTest::newRow("absolute") << u"ABSOLUTE"_s;
        QTest::newRow("a hidden way up") << u"backups/../../outside/miscdata.dat"_s;
    }
    void aPlantedJournalRemovesNothing()
    {
        QFETCH(QString, named);
        const QString source = Target() + u"/source"_s;
        const QString victim = Target() + u"/outside/miscdata.dat"_s;
        WriteIn(source, u"notes.txt"_s, "the learner's");
        WriteIn(Target(), u"outside/miscdata.dat"_s, "the learner's");
        if (named == u"ABSOLUTE"_s)
            named = victim;
        const QByteArray hash =
            QCryptographicHash::hash("the learner's", QCryptographicHash::Sha256).toHex();
        const QByteArray journal = "velmarik data folder move 1\nsource\t" +
                                   source.toUtf8().toPercentEncoding() + "\ntarget\t" +
                                   CleanFolderPath(Default()).toUtf8().toPercentEncoding() +
                                   "\naside\t\ncopy\t" + named.toUtf8().toPercentEncoding() +
                                   "\tmiscdata.dat\t" + hash + "\ncommitted\nend\n";
        WriteIn(Default(), u"datafolder-move.txt"_s, journal);
        FinishDataFolderMove(Default());
        QCOMPARE(SetOfFile(source + u"/notes.txt"_s), QByteArray("the learner's"));
        QCOMPARE(SetOfFile(victim), QByteArray("the learner's"));
        QCOMPARE(SetOf(Default()), m_before);
    }

    // A chosen folder that is gone is never taken for an empty profile.
    void aMissingFolderLoadsAndSavesNothing()
    {
        const QString gone = Target() + u"/unmounted"_s;
        WriteProfileString(Setting::DataFolder, gone);
        MessageRecorder messages;
        StudyData::Reload();
        StudyData::Dic()->EnsureLoaded();
        QCOMPARE(StudyData::Dic()->GetSize(), 0);
        StudyData::Dic()->Save();
        QVERIFY(!QFileInfo::exists(gone));
        QCOMPARE(messages.Texts().size(), 1); // said once, however often it is asked
        QVERIFY(messages.Texts().first().contains(QDir::toNativeSeparators(gone)));
    }

    void aMissingFolderAsksAtStart_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("mountedMeanwhile");
        QTest::addColumn<bool>("runs");
        QTest::addColumn<bool>("stillChosen");
        QTest::newRow("looked for again, there now") << IDYES << true << true << true;
        QTest::newRow("back to the usual folder") << IDNO << false << true << false;
        QTest::newRow("quit") << IDCANCEL << false << false << true;
    }
    void aMissingFolderAsksAtStart()
    {
        QFETCH(int, answer);
        QFETCH(bool, mountedMeanwhile);
        QFETCH(bool, runs);
        QFETCH(bool, stillChosen);
        const QString gone = Target() + u"/unmounted"_s;
        WriteProfileString(Setting::DataFolder, gone);
        int asked = 0;
        const MessageBoxHandler previous =
            SetMessageBoxHandler([&](const QString& text, MessageButtons buttons) {
                ++asked;
                if (buttons != MessageButtons::YesNoCancel ||
                    !text.contains(QDir::toNativeSeparators(gone)))
                    return IDCANCEL;
                if (mountedMeanwhile)
                    QDir().mkpath(gone);
                return asked > 1 ? IDCANCEL : answer;
            });
        const bool ran = ResolveMissingDataFolder();
        SetMessageBoxHandler(previous);
        QCOMPARE(ran, runs);
        QCOMPARE(asked, 1);
        QCOMPARE(ChosenDataFolder(), stillChosen ? gone : QString());
        // Nothing of the chosen folder is made up.
        QCOMPARE(QFileInfo::exists(gone), mountedMeanwhile);
    }

private:
    QString Target() const { return CleanFolderPath(m_target->path()); }
    static QByteArray SetOfFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    StudyData m_data;
    std::unique_ptr<QTemporaryDir> m_target;
    FileSet m_before;
    QString m_modes;
    FileSet m_theirs;
    QString m_theirModes;
};

QTEST_GUILESS_MAIN(TestDataFolderMove)
#include "tst_datafoldermove.moc"

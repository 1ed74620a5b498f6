#include "study/DataFolderMove.h"

#include "platform/AppData.h"
#include "platform/ContentHash.h"
#include "platform/FileFailure.h"
#include "platform/SaveFile.h"
#include "platform/Settings.h"
#include "platform/StagedFiles.h"
#include "study/CWordListSource.h"
#include "study/KeptSignatures.h"
#include "study/OwnListFile.h"
#include "study/OwnLists.h"
#include "study/StagedCarryOver.h"
#include "study/StateFileFormat.h"
#include "study/StudyBackup.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <optional>

namespace {

const QString kJournalName = QStringLiteral("datafolder-move.txt");
const QByteArray kJournalHeader = QByteArrayLiteral("velmarik data folder move 1");

int g_stopAfter = -1;
int g_done = 0;
bool g_stopped = false;

void ResetSteps()
{
    g_done = 0;
    g_stopped = false;
}

// One file operation; false once a test's limit is reached, and from then on
// nothing more is done, as after a kill.
bool Step()
{
    if (g_stopped || (g_stopAfter >= 0 && g_done >= g_stopAfter)) {
        g_stopped = true;
        return false;
    }
    ++g_done;
    return true;
}

QString Canonical(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return CleanFolderPath(canonical.isEmpty() ? folder : canonical);
}

bool SameFolder(const QString& a, const QString& b)
{
    return Canonical(a) == Canonical(b);
}

QString In(const QString& folder, const QString& relative)
{
    return CleanFolderPath(folder) + QLatin1Char('/') + relative;
}

// The file's hash; empty when it cannot be read.
QByteArray HashOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Sha256Hex(file.readAll());
}

struct CopiedFile {
    QString m_strFrom; // inside the source
    QString m_strTo;   // inside the target
    QByteArray m_hash;
};

// What a move does, written into both folders before it changes anything.
struct Journal {
    QString m_strSource;
    QString m_strTarget;
    QString m_strAside;     // inside the target; empty when nothing is set aside
    QStringList m_setAside; // the target's own files, moved into m_strAside
    QList<CopiedFile> m_copies;
    bool m_bCommitted = false; // written into the target's journal after the commit

    QString AsideOf(const QString& relative) const
    {
        return m_strAside + QLatin1Char('/') + relative;
    }
};

QByteArray Encoded(const QString& text)
{
    return text.toUtf8().toPercentEncoding();
}

QString Decoded(const QByteArray& field)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(field));
}

QByteArray EncodeJournal(const Journal& journal)
{
    QByteArray text = kJournalHeader + '\n';
    text += "source\t" + Encoded(journal.m_strSource) + '\n';
    text += "target\t" + Encoded(journal.m_strTarget) + '\n';
    text += "aside\t" + Encoded(journal.m_strAside) + '\n';
    for (const QString& name : journal.m_setAside)
        text += "setaside\t" + Encoded(name) + '\n';
    for (const CopiedFile& copy : journal.m_copies)
        text += "copy\t" + Encoded(copy.m_strFrom) + '\t' + Encoded(copy.m_strTo) + '\t' +
                copy.m_hash + '\n';
    if (journal.m_bCommitted)
        text += "committed\n";
    text += "end\n";
    return text;
}

// Empty source on anything that is not a whole journal of ours.
Journal DecodeJournal(const QByteArray& bytes)
{
    Journal journal;
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 3 || lines.first() != kJournalHeader || !bytes.endsWith("end\n"))
        return {};
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        const QByteArray& kind = fields.first();
        if (kind == "source" && fields.size() == 2)
            journal.m_strSource = Decoded(fields[1]);
        else if (kind == "target" && fields.size() == 2)
            journal.m_strTarget = Decoded(fields[1]);
        else if (kind == "aside" && fields.size() == 2)
            journal.m_strAside = Decoded(fields[1]);
        else if (kind == "setaside" && fields.size() == 2)
            journal.m_setAside << Decoded(fields[1]);
        else if (kind == "copy" && fields.size() == 4)
            journal.m_copies << CopiedFile{Decoded(fields[1]), Decoded(fields[2]), fields[3]};
        else if (kind == "committed")
            journal.m_bCommitted = true;
    }
    if (journal.m_strTarget.isEmpty())
        return {};
    return journal;
}

// The sub-folders of the program's own, taken whole.
QStringList OwnSubFolders()
{
    return {kBackupFolderName, kStateStagingFolder, QFileInfo(StagingFolder(QString())).fileName()};
}

// A path the program itself may have put into a journal: a state file's
// name, or a file in one of its own sub-folders. A journal lies in a folder
// others may write (a synced one), so one that names anything else, above
// all a path that leads out of the folder, is not acted on.
bool IsStatePath(const QString& path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path ||
        path.split(u'/').contains(QStringLiteral("..")))
        return false;
    const QStringList parts = path.split(u'/');
    if (parts.size() == 1)
        return path.endsWith(QStringLiteral(".dat")) || path.endsWith(QStringLiteral(".csv")) ||
               path.endsWith(QStringLiteral(".sig"));
    return OwnSubFolders().contains(parts.first());
}

bool IsSound(const Journal& journal)
{
    if (!journal.m_strAside.isEmpty() &&
        (!journal.m_strAside.startsWith(QStringLiteral("set-aside-")) ||
         journal.m_strAside.contains(u'/') || journal.m_strAside.contains(QStringLiteral(".."))))
        return false;
    const auto inTarget = [&](const QString& path) {
        const QString prefix = journal.m_strAside + QLatin1Char('/');
        return IsStatePath(path) || (!journal.m_strAside.isEmpty() && path.startsWith(prefix) &&
                                     IsStatePath(path.mid(prefix.size())));
    };
    return std::all_of(journal.m_setAside.begin(), journal.m_setAside.end(), IsStatePath) &&
           std::all_of(journal.m_copies.begin(), journal.m_copies.end(),
                       [&](const CopiedFile& copy) {
                           return IsStatePath(copy.m_strFrom) && inTarget(copy.m_strTo);
                       });
}

std::optional<Journal> ReadJournal(const QString& folder)
{
    QFile file(In(folder, kJournalName));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // No journal of ours comes near this size.
    const Journal journal = DecodeJournal(file.read(16 << 20));
    if (journal.m_strSource.isEmpty() || !IsSound(journal))
        return std::nullopt;
    return journal;
}

bool WriteJournal(const QString& folder, const Journal& journal, QString& error)
{
    if (!Step())
        return false;
    FileFailure failure;
    if (WriteWholeFile(In(folder, kJournalName), EncodeJournal(journal), failure))
        return true;
    error = DescribeException(failure);
    return false;
}

bool RemoveFile(const QString& path)
{
    if (!QFile::exists(path))
        return true;
    return Step() && QFile::remove(path);
}

// Removes the empty folders under the folder's sub-folder, and it too when
// it is empty then.
void RemoveEmptyFolders(const QString& folder)
{
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    QStringList found;
    while (it.hasNext())
        found << it.next();
    // Deepest first.
    std::sort(found.begin(), found.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& path : found)
        QDir().rmdir(path);
    QDir().rmdir(folder);
}

// After the commit: the originals go. False when the source cannot be
// reached now; the target's journal then stays for a later start.
bool Complete(const QString& target, Journal journal)
{
    QString error;
    if (!journal.m_bCommitted) {
        journal.m_bCommitted = true;
        if (!WriteJournal(target, journal, error))
            return false;
    }
    if (!QFileInfo(journal.m_strSource).isDir())
        return false;
    // The source's journal goes first: once the originals begin to go, no
    // start may take the move for one to undo.
    if (!RemoveFile(In(journal.m_strSource, kJournalName)))
        return false;
    for (const CopiedFile& copy : journal.m_copies) {
        const QString original = In(journal.m_strSource, copy.m_strFrom);
        // A file changed since it was copied is not the copy's to replace.
        if (QFile::exists(original) && HashOfFile(original) == copy.m_hash && !RemoveFile(original))
            return false;
    }
    if (g_stopped)
        return false;
    for (const QString& sub : OwnSubFolders())
        RemoveEmptyFolders(In(journal.m_strSource, sub));
    QFile signatures(In(target, kSignatureFileName));
    if (signatures.open(QIODevice::ReadOnly))
        KeepSignaturesInSettings(In(target, QString()), signatures.readAll());
    return RemoveFile(In(target, kJournalName));
}

// Before the commit: the target is put back as it was.
bool Rollback(const QString& source, const Journal& journal)
{
    if (!QFileInfo(journal.m_strTarget).isDir())
        return false;
    const std::optional<Journal> inTarget = ReadJournal(journal.m_strTarget);
    // No journal there: the move stopped before it touched the target, or
    // it was finished from there. Committed: the learner went back to this
    // folder afterwards, and what the target holds is theirs now.
    if (!inTarget || inTarget->m_bCommitted || !SameFolder(inTarget->m_strSource, source))
        return RemoveFile(In(source, kJournalName));
    for (const CopiedFile& copy : journal.m_copies) {
        const QString placed = In(journal.m_strTarget, copy.m_strTo);
        // Where the target's own file had not been set aside yet, the file
        // there is still the target's.
        const bool ours = !journal.m_setAside.contains(copy.m_strTo) ||
                          QFile::exists(In(journal.m_strTarget, journal.AsideOf(copy.m_strTo)));
        if (ours && QFile::exists(placed) && HashOfFile(placed) == copy.m_hash &&
            !RemoveFile(placed))
            return false;
    }
    for (const QString& name : journal.m_setAside) {
        const QString aside = In(journal.m_strTarget, journal.AsideOf(name));
        const QString home = In(journal.m_strTarget, name);
        if (QFile::exists(aside) && !QFile::exists(home)) {
            if (!Step())
                return false;
            QDir().mkpath(QFileInfo(home).path());
            QFile::rename(aside, home);
        }
    }
    if (!journal.m_strAside.isEmpty())
        RemoveEmptyFolders(In(journal.m_strTarget, journal.m_strAside));
    for (const QString& sub : OwnSubFolders())
        RemoveEmptyFolders(In(journal.m_strTarget, sub));
    return RemoveFile(In(journal.m_strTarget, kJournalName)) &&
           RemoveFile(In(source, kJournalName));
}

void FinishIn(const QString& folder)
{
    const std::optional<Journal> journal = ReadJournal(folder);
    if (!journal)
        return;
    if (SameFolder(folder, journal->m_strTarget))
        Complete(folder, *journal);
    else if (SameFolder(folder, journal->m_strSource))
        Rollback(folder, *journal);
}

QString SetAsideName(const QString& target)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = QStringLiteral("set-aside-") + stamp;
    for (int n = 2; QFileInfo::exists(In(target, name)); ++n)
        name = QStringLiteral("set-aside-%1-%2").arg(stamp).arg(n);
    return name;
}

bool CopyInto(const QString& target, const CopiedFile& copy, const QByteArray& bytes,
              QString& error)
{
    if (!Step())
        return false;
    const QString path = In(target, copy.m_strTo);
    FileFailure failure;
    if (!QDir().mkpath(QFileInfo(path).path())) {
        error = QStringLiteral("フォルダーを作れません: ") + QDir::toNativeSeparators(path);
        return false;
    }
    if (!WriteWholeFile(path, bytes, failure)) {
        error =
            QDir::toNativeSeparators(path) + QStringLiteral("\r\n") + DescribeException(failure);
        return false;
    }
    // What reached the disk is read back: a sync folder or a failing drive
    // may keep something else.
    if (HashOfFile(path) != copy.m_hash) {
        error = QDir::toNativeSeparators(path) +
                QStringLiteral("\r\n書き込んだ内容を読み返すと、元のファイルと違っていました。");
        return false;
    }
    return true;
}

} // namespace

QStringList StateFilesIn(const QString& folder)
{
    QStringList names{kMiscFileName,      kHistoryFileName,       kReviewFileName,
                      kSignatureFileName, kSignatureCopyFileName, kOwnListsFileName};
    for (const WordListInfo& info : kWordLists)
        names << QString::fromLatin1(info.m_pszName) + QStringLiteral(".dat");
    for (const OwnListName& list :
         ReadOwnListNames(StoredFile::Read(In(folder, kOwnListsFileName)).m_bytes))
        names << list.m_strList + QStringLiteral(".csv") << list.m_strList + QStringLiteral(".dat");
    QStringList found;
    for (const QString& name : names)
        if (QFileInfo(In(folder, name)).isFile() && !found.contains(name))
            found << name;
    const QDir dir(folder);
    for (const QString& sub : OwnSubFolders()) {
        QDirIterator it(In(folder, sub), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << dir.relativeFilePath(it.next());
    }
    return found;
}

DataFolderCheck CheckDataFolder(const QString& current, const QString& target)
{
    const auto verdict = [](DataFolderCheck::Verdict kind, const QString& reason) {
        return DataFolderCheck{kind, reason};
    };
    if (target.isEmpty() || !QDir::isAbsolutePath(target) || !QFileInfo(target).isDir())
        return verdict(DataFolderCheck::kMissing, QStringLiteral("そのフォルダーはありません。"));
    const QString from = Canonical(current);
    const QString to = Canonical(target);
    if (from == to)
        return verdict(DataFolderCheck::kSame,
                       QStringLiteral("学習データはすでにそのフォルダーにあります。"));
    if (to.startsWith(from + QLatin1Char('/')))
        return verdict(DataFolderCheck::kInsideCurrent,
                       QStringLiteral("今のデータフォルダーの中のフォルダーには移せません。"));
    QTemporaryFile probe(In(to, QStringLiteral(".velmarik-probe-XXXXXX")));
    if (!probe.open())
        return verdict(DataFolderCheck::kNotWritable,
                       QStringLiteral("そのフォルダーには書き込めません。") + probe.errorString());
    if (!StateFilesIn(to).isEmpty())
        return verdict(
            DataFolderCheck::kHoldsOtherSet,
            QStringLiteral("そのフォルダーには、ほかの Velmarik の学習データがあります。"));
    return {};
}

DataFolderMoveResult MoveDataFolder(const QString& current, const QString& target, KeptSet keep)
{
    ResetSteps();
    DataFolderMoveResult result;
    // A move out of here that a kill cut short is undone first, so that its
    // copies are not taken for another copy's files.
    FinishIn(current);
    const DataFolderCheck check = CheckDataFolder(current, target);
    if (check.m_verdict != DataFolderCheck::kUsable &&
        check.m_verdict != DataFolderCheck::kHoldsOtherSet) {
        result.m_strError = check.m_strReason;
        return result;
    }

    Journal journal;
    journal.m_strSource = Canonical(current);
    journal.m_strTarget = Canonical(target);
    const bool other = check.m_verdict == DataFolderCheck::kHoldsOtherSet;
    if (other) {
        journal.m_strAside = SetAsideName(journal.m_strTarget);
        result.m_strSetAside = In(journal.m_strTarget, journal.m_strAside);
        if (keep == KeptSet::kCurrent)
            journal.m_setAside = StateFilesIn(journal.m_strTarget);
    }
    QList<QByteArray> contents;
    for (const QString& name : StateFilesIn(journal.m_strSource)) {
        QFile file(In(journal.m_strSource, name));
        if (!file.open(QIODevice::ReadOnly)) {
            result.m_strError = QDir::toNativeSeparators(file.fileName()) + QStringLiteral("\r\n") +
                                DescribeException(FileFailure::FromDevice(file));
            return result;
        }
        contents << file.readAll();
        const QString to = other && keep == KeptSet::kTheirs ? journal.AsideOf(name) : name;
        journal.m_copies << CopiedFile{name, to, Sha256Hex(contents.last())};
    }

    const auto undo = [&](const QString& error) {
        if (!g_stopped)
            Rollback(journal.m_strSource, journal);
        result.m_strError = error;
        return result;
    };
    QString error;
    if (!WriteJournal(journal.m_strSource, journal, error)) {
        result.m_strError = error;
        return result;
    }
    if (!WriteJournal(journal.m_strTarget, journal, error))
        return undo(error);
    for (const QString& name : journal.m_setAside) {
        if (!Step())
            return result;
        const QString aside = In(journal.m_strTarget, journal.AsideOf(name));
        if (!QDir().mkpath(QFileInfo(aside).path()) ||
            !QFile::rename(In(journal.m_strTarget, name), aside))
            return undo(QStringLiteral("そのフォルダーのファイルを別のフォルダーに移せません: ") +
                        QDir::toNativeSeparators(In(journal.m_strTarget, name)));
    }
    for (qsizetype i = 0; i < journal.m_copies.size(); ++i)
        if (!CopyInto(journal.m_strTarget, journal.m_copies.at(i), contents.at(i), error))
            return g_stopped ? result : undo(error);

    // The commit: from this write on, the target's files are the ones used.
    if (!Step())
        return result;
    const QString value =
        SameFolder(journal.m_strTarget, DefaultAppDataFolder()) ? QString() : journal.m_strTarget;
    if (!WriteProfileString(Setting::DataFolder, value) || ChosenDataFolder() != value)
        return undo(QStringLiteral("設定を保存できません。"));
    result.m_bMoved = true;
    if (!Complete(journal.m_strTarget, journal) && !g_stopped)
        result.m_strError =
            QStringLiteral("元のフォルダーのファイルは、次の起動のときに片付けます。\r\n") +
            QDir::toNativeSeparators(journal.m_strSource);
    return result;
}

void FinishDataFolderMove(const QString& folder)
{
    ResetSteps();
    FinishIn(folder);
}

void SetDataFolderMoveStopForTesting(int steps)
{
    g_stopAfter = steps;
}

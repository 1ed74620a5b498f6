#include "platform/StagedFiles.h"

#include "platform/FileFailure.h"
#include "platform/FolderSync.h"
#include "platform/KillSteps.h"
#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

const QString kCommitFileName = QStringLiteral("commit.txt");
const QByteArray kCommitHeader = QByteArrayLiteral("velmarik-staged\t1");

int g_stopAfter = -1;

// A plain file name in the folder, nothing that leads elsewhere.
bool IsPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != u"." &&
           name != u"..";
}

struct CommitList {
    QStringList m_moves;
    QStringList m_removals;
};

QByteArray FormatCommit(const CommitList& list)
{
    QByteArray text = kCommitHeader + '\n';
    for (const QString& name : list.m_moves)
        text += "move\t" + name.toUtf8() + '\n';
    for (const QString& name : list.m_removals)
        text += "remove\t" + name.toUtf8() + '\n';
    return text;
}

bool ParseCommit(const QByteArray& text, CommitList& list)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first() != kCommitHeader)
        return false;
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const QByteArray& line = lines.at(k);
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0)
            continue;
        const QString name = QString::fromUtf8(line.mid(tab + 1));
        if (!IsPlainName(name))
            return false;
        if (line.left(tab) == "move")
            list.m_moves << name;
        else if (line.left(tab) == "remove")
            list.m_removals << name;
    }
    return true;
}

bool Finish(const QString& folder, const QString& stagingName, KillSteps& steps)
{
    QDir staging(folder + stagingName);
    if (!staging.exists())
        return true;
    QFile commit(staging.filePath(kCommitFileName));
    CommitList list;
    if (!commit.open(QIODevice::ReadOnly))
        return staging.removeRecursively(); // never committed: nothing changed
    const bool parsed = ParseCommit(commit.readAll(), list);
    commit.close();
    if (!parsed)
        return false; // a commit file we cannot read: leave it for a person
    // Every step can be repeated: a moved file is no longer staged, a
    // removed one no longer there.
    for (const QString& name : std::as_const(list.m_moves)) {
        if (!QFile::exists(staging.filePath(name)))
            continue;
        if (!steps.Next())
            return false;
        if (std::rename(QFile::encodeName(staging.filePath(name)).constData(),
                        QFile::encodeName(folder + name).constData()) != 0)
            return false;
        // Each rename is made durable before the next: a power cut must
        // not leave a later file in place and an earlier one not.
        SyncFolderOf(folder + name);
    }
    for (const QString& name : std::as_const(list.m_removals)) {
        if (!QFile::exists(folder + name))
            continue;
        if (!steps.Next())
            return false;
        if (!QFile::remove(folder + name))
            return false;
    }
    if (!list.m_removals.isEmpty())
        SyncFolderOf(folder + list.m_removals.first());
    if (!steps.Next())
        return false;
    // The commit file goes last: until then a restart finishes the change.
    if (!QFile::remove(staging.filePath(kCommitFileName)))
        return false;
    staging.removeRecursively();
    return true;
}

} // namespace

bool CommitStagedFiles(const QString& folder, const QString& stagingName,
                       const StagedChange& change, QString& error)
{
    KillSteps steps(g_stopAfter);
    QDir staging(folder + stagingName);
    if (!staging.removeRecursively() || !QDir().mkpath(staging.path())) {
        error = QStringLiteral("Cannot create the folder ") + staging.path();
        return false;
    }
    CommitList list;
    for (auto it = change.m_writes.cbegin(); it != change.m_writes.cend(); ++it) {
        if (!IsPlainName(it.key())) {
            error = QStringLiteral("Bad file name: ") + it.key();
            staging.removeRecursively();
            return false;
        }
        FileFailure failure;
        if (!steps.Next())
            return false;
        if (!WriteWholeFile(staging.filePath(it.key()), it.value(), failure)) {
            error = DescribeException(failure);
            staging.removeRecursively();
            return false;
        }
        list.m_moves << it.key();
    }
    for (const QString& name : change.m_removals) {
        if (!IsPlainName(name) || change.m_writes.contains(name)) {
            error = QStringLiteral("Bad file name: ") + name;
            staging.removeRecursively();
            return false;
        }
        list.m_removals << name;
    }
    // Each staged file's name is durable already; the staging folder's own
    // name in the data folder must be too, or a power cut could lose a
    // committed change.
    SyncFolderOf(staging.path());
    FileFailure failure;
    if (!steps.Next())
        return false;
    if (!WriteWholeFile(staging.filePath(kCommitFileName), FormatCommit(list), failure)) {
        error = DescribeException(failure);
        staging.removeRecursively();
        return false;
    }
    if (!Finish(folder, stagingName, steps)) {
        error = QStringLiteral("The change was not completed; it is completed at the next start.");
        return false;
    }
    return true;
}

bool FinishStagedFiles(const QString& folder, const QString& stagingName)
{
    KillSteps steps(g_stopAfter);
    return Finish(folder, stagingName, steps);
}

void SetStagedFilesStopForTesting(int steps)
{
    g_stopAfter = steps;
}

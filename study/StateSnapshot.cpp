#include "study/StateSnapshot.h"

#include "platform/SaveFile.h"
#include "study/StateFileFormat.h"

namespace {

std::function<void(const QString&)>& WriteObserver()
{
    static std::function<void(const QString&)> observer;
    return observer;
}

bool WriteStateFile(const QString& folder, const QString& name, const QByteArray& content,
                    std::optional<FileFailure>& failed)
{
    if (const auto& observer = WriteObserver())
        observer(name);
    FileFailure failure;
    if (WriteWholeFile(folder + name, content, failure))
        return true;
    failed = failure;
    return false;
}

} // namespace

void StateSnapshot::SetWriteObserverForTesting(std::function<void(const QString&)> observer)
{
    WriteObserver() = std::move(observer);
}

StateWriteOutcome StateSnapshot::Write() const
{
    StateWriteOutcome outcome;
    for (const ListFile& list : m_lists) {
        if (!WriteStateFile(m_strFolder, list.m_strFileName, list.m_content, outcome.m_listFailure))
            break;
        ++outcome.m_nListsWritten;
    }
    outcome.m_bListsSaved = !m_lists.empty() && outcome.m_nListsWritten == m_lists.size();
    if (m_misc)
        outcome.m_bMiscSaved =
            WriteStateFile(m_strFolder, kMiscFileName, *m_misc, outcome.m_miscFailure);
    if (m_bHistory)
        outcome.m_bHistorySaved =
            WriteStateFile(m_strFolder, kHistoryFileName, HistoryFileContent(m_nHistPos, m_history),
                           outcome.m_historyFailure);
    return outcome;
}

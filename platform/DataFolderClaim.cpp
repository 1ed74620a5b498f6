#include "platform/DataFolderClaim.h"

namespace {

DataFolderClaimer& Installed()
{
    static DataFolderClaimer claimer;
    return claimer;
}

} // namespace

void SetDataFolderClaimer(DataFolderClaimer claimer)
{
    Installed() = std::move(claimer);
}

bool ClaimNewDataFolder(const QString& folder, QString& error)
{
    const DataFolderClaimer& claimer = Installed();
    return !claimer.m_claim || claimer.m_claim(folder, error);
}

void SettleDataFolderClaim(bool moved)
{
    const DataFolderClaimer& claimer = Installed();
    if (claimer.m_settle)
        claimer.m_settle(moved);
}

#pragma once

#include <QString>
#include <functional>

// The running copy's claim on its data folder (the lock file and the socket
// a later start asks) moves with the data. Before a move the copy claims
// the new folder beside the old one, so that a start at any moment finds
// it, whichever folder the settings name; after the move it keeps one.
struct DataFolderClaimer {
    // Claims the folder too; false, with the reason, when another copy
    // holds it or it cannot be locked.
    std::function<bool(const QString& folder, QString& error)> m_claim;
    // Keeps the new claim and lets the old one go (`moved`), or the reverse.
    std::function<void(bool moved)> m_settle;
};

// Installed by the copy that holds its folder; without one (the command
// line, tests) a claim succeeds and settling does nothing.
void SetDataFolderClaimer(DataFolderClaimer claimer);
bool ClaimNewDataFolder(const QString& folder, QString& error);
void SettleDataFolderClaim(bool moved);

#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <memory>

class QLockFile;
class QSocketNotifier;

// One running copy per user. The copy that holds the lock file in the data
// folder runs; a later start asks it, over a Unix socket in the user's
// runtime folder, to bring its window to the front and then ends, so that
// two copies never load and overwrite the same state files. Plain sockets
// keep the network library, and the ones it loads, out of the start.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        kFirst,        // this copy holds the lock and listens for later starts
        kOtherRunning, // another copy holds the lock
        kUnavailable,  // no lock could be had (no folder, no rights): run anyway
    };

    explicit CSingleInstance(QObject* parent = nullptr);
    ~CSingleInstance() override;

    // Takes the lock file in the folder; a lock left by a copy that no longer
    // runs is taken over.
    Claim ClaimFolder(const QString& folder);
    // Asks the copy that holds the folder's lock to show its window; true
    // once it answered. A copy that is still starting is given the time.
    bool ActivateRunningCopy(const QString& folder, int timeoutMs = 20000);

    // The socket's path for a data folder.
    static QString ServerName(const QString& folder);

signals:
    // A later start asked this copy to come to the front.
    void ActivationRequested();

private:
    bool Listen(const QString& path);
    void OnNewConnection();
    void OnClientReadable(int fd);
    void DropClient(int fd);

    std::unique_ptr<QLockFile> m_lock;
    int m_nServer = -1;
    QByteArray m_serverPath; // unlinked when this copy ends
    QSocketNotifier* m_pServerNotifier = nullptr;
    struct Client {
        QSocketNotifier* m_pNotifier = nullptr;
        QByteArray m_received;
    };
    QHash<int, Client> m_clients;
};

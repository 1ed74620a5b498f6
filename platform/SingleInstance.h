#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <memory>

class QLockFile;
class QSocketNotifier;
class QTimer;

// One running copy per user. The copy that holds the lock file in the data
// folder runs; a later start asks it, over a Unix socket in the user's
// runtime folder, to bring its window to the front and then ends, so that
// two copies never load and overwrite the same state files. A copy that
// answers on the socket runs, with or without the lock: that is how a copy
// that found no room for its lock file is still seen by the next start.
// Plain sockets keep the network library, and the ones it loads, out of the
// start.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        kFirst,        // this copy holds the lock and listens for later starts
        kOtherRunning, // another copy holds the lock or answers on the socket
        kUnavailable,  // no lock could be had (no folder, no rights, no room):
                       // no other copy answered, but this one is not sure to
                       // be the only one
    };

    // A request longer than this is not one of ours.
    static constexpr qsizetype kMaxRequestLength = 64;
    // How long a client may take to send its request.
    static constexpr int kRequestTimeoutMs = 5000;

    explicit CSingleInstance(QObject* parent = nullptr);
    ~CSingleInstance() override;

    // Takes the lock file in the folder. A lock is taken over when its
    // holder is provably not a running copy: nothing holds the file's lock
    // and no copy answers on the socket (an empty or garbled file, one of
    // another host, one naming a process that is gone or is this one).
    Claim ClaimFolder(const QString& folder);
    // After kUnavailable: tries the lock again; true once this copy holds it.
    bool RetryLock();
    bool HoldsLock() const;
    // Why the last claim could not lock the folder, for the learner.
    QString LockFailure() const { return m_strLockFailure; }

    // Asks the copy that holds the folder's lock to show its window; true
    // once it answered. A copy that is still starting is given the time.
    bool ActivateRunningCopy(const QString& folder, int timeoutMs = 20000);

    // The socket's path for a data folder.
    static QString ServerName(const QString& folder);

    // Tests shorten the time a silent client is kept.
    void SetRequestTimeoutForTesting(int ms) { m_nRequestTimeoutMs = ms; }

signals:
    // A later start asked this copy to come to the front.
    void ActivationRequested();

private:
    bool TryLock();
    // Listens on the folder's socket; false when another copy answers there.
    bool Listen();
    void StopListening();
    void OnNewConnection();
    void OnClientReadable(int fd);
    void DropClient(int fd);

    QString m_strFolder;
    QString m_strLockFailure;
    std::unique_ptr<QLockFile> m_lock;
    int m_nServer = -1;
    QByteArray m_serverPath; // unlinked when this copy stops listening
    QSocketNotifier* m_pServerNotifier = nullptr;
    struct Client {
        QSocketNotifier* m_pNotifier = nullptr;
        QTimer* m_pDeadline = nullptr;
        QByteArray m_received;
    };
    QHash<int, Client> m_clients;
    int m_nRequestTimeoutMs = kRequestTimeoutMs;
};

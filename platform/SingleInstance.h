#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

// One running copy per user. The copy that holds the lock file in the data
// folder runs; a later start asks it, over a local socket, to bring its
// window to the front and then ends, so that two copies never load and
// overwrite the same state files.
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

    // Asks the copy that holds the folder's lock to write the export of its
    // study data into `file`, an absolute path: the copy holds what is not
    // saved yet, and reading its files beside it could meet a save. True
    // once it answered; `written` and `reply` are its answer (the summary,
    // or why it could not).
    bool ExportFromRunningCopy(const QString& folder, const QString& file, bool& written,
                               QString& reply, int timeoutMs = 60000);

    // The running copy's side: writes the export and says how it went.
    using ExportHandler = std::function<bool(const QString& file, QString& reply)>;
    void SetExportHandler(ExportHandler handler) { m_exportHandler = std::move(handler); }

    // The local socket's name for a data folder.
    static QString ServerName(const QString& folder);

signals:
    // A later start asked this copy to come to the front.
    void ActivationRequested();

private:
    void OnNewConnection();
    // Sends one request line and waits for the answer line; empty when
    // there was none.
    QByteArray Ask(const QString& folder, const QByteArray& request, int timeoutMs);

    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_pServer = nullptr;
    ExportHandler m_exportHandler;
};

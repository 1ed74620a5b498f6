#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

namespace {

const QString kLockFileName = QStringLiteral("velmarik.lock");
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QByteArray kShowAnswer = QByteArrayLiteral("shown\n");

// Socket paths are limited to about 100 bytes on Unix.
constexpr qsizetype kMaxSocketPath = 100;

} // namespace

CSingleInstance::CSingleInstance(QObject* parent) : QObject(parent) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::ServerName(const QString& folder)
{
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(folder).toUtf8(), QCryptographicHash::Sha1);
    const QString name = QStringLiteral("velmarik-") + QString::fromLatin1(hash.toHex().left(16));
    // The user's runtime folder is private to them; the temporary folder,
    // Qt's place for a bare name, is shared.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        const QString path = QDir(runtime).filePath(name);
        if (path.toUtf8().size() < kMaxSocketPath)
            return path;
    }
    return name;
}

CSingleInstance::Claim CSingleInstance::ClaimFolder(const QString& folder)
{
    if (folder.isEmpty())
        return Claim::kUnavailable;
    m_lock = std::make_unique<QLockFile>(QDir(folder).filePath(kLockFileName));
    // Only a holder that no longer runs makes a lock stale, however long a
    // session lasts.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        const bool held = m_lock->error() == QLockFile::LockFailedError;
        m_lock.reset();
        return held ? Claim::kOtherRunning : Claim::kUnavailable;
    }

    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = ServerName(folder);
    // With the lock ours, a socket of the same name was left by a copy that
    // ended without closing it.
    if (!m_pServer->listen(name)) {
        QLocalServer::removeServer(name);
        m_pServer->listen(name);
    }
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    return Claim::kFirst;
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() != kShowRequest) {
                socket->disconnectFromServer();
                return;
            }
            emit ActivationRequested();
            socket->write(kShowAnswer);
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}

bool CSingleInstance::ActivateRunningCopy(const QString& folder, int timeoutMs)
{
    const QString name = ServerName(folder);
    QElapsedTimer elapsed;
    elapsed.start();
    do {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(1000)) {
            socket.write(kShowRequest);
            socket.waitForBytesWritten(1000);
            while (!socket.canReadLine() && elapsed.elapsed() < timeoutMs &&
                   socket.state() == QLocalSocket::ConnectedState)
                socket.waitForReadyRead(500);
            if (socket.canReadLine() && socket.readLine() == kShowAnswer)
                return true;
        }
        // The running copy takes its lock before it listens.
        QThread::msleep(100);
    } while (elapsed.elapsed() < timeoutMs);
    return false;
}

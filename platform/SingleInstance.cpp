#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString kLockFileName = QStringLiteral("velmarik.lock");
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QByteArray kShowAnswer = QByteArrayLiteral("shown\n");

// Socket paths are limited to about 100 bytes on Unix.
constexpr qsizetype kMaxSocketPath = 100;
// A listening copy accepts at once, however busy it is; a socket left by a
// copy that ended refuses at once.
constexpr int kProbeTimeoutMs = 1000;

// Whether a copy listens on the socket: a running copy, maybe too busy to
// answer yet.
bool SomeoneListens(const QString& name)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    const bool connected = socket.waitForConnected(kProbeTimeoutMs);
    socket.abort();
    return connected;
}

// Only for file systems without locks: whether the process a lock file
// names may be a copy of this program run by this user. Not when it is
// this process (the id came back after a restart), another user's or gone
// (kill refuses), or another program that was given the id.
bool NamedProcessMayBeACopy(qint64 pid)
{
    if (pid <= 0 || pid == QCoreApplication::applicationPid())
        return false;
    if (::kill(pid_t(pid), 0) != 0)
        return false;
    const QString program = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    return program.isEmpty() || QFileInfo(program).fileName() ==
                                    QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

// Whether the lock file's holder may still run. A copy holds the file's
// own lock for as long as it lives, and the system lets it go when the
// copy ends however it ended; what the file says (process id, host name)
// counts only where the file system has no locks.
bool HolderMayRun(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false; // gone, or unreadable and so not a copy's
    const int locked = ::flock(fd, LOCK_SH | LOCK_NB);
    const int error = errno;
    ::close(fd); // lets our shared lock go with it
    if (locked == 0)
        return false;
    if (error == EWOULDBLOCK)
        return true;
    qint64 pid = 0;
    QString host;
    QString application;
    if (!QLockFile(path).getLockInfo(&pid, &host, &application))
        return false; // empty or garbled: no copy finished writing it
    // Another host name: a copy there, if any, is not ours to ask; the file
    // is most likely a copied home folder's or from before a rename.
    if (host != QSysInfo::machineHostName())
        return false;
    return NamedProcessMayBeACopy(pid);
}

QString DescribeLockError(QLockFile::LockError error)
{
    switch (error) {
    case QLockFile::PermissionError:
        return QStringLiteral("書き込みが許されていません。");
    case QLockFile::LockFailedError:
        return QStringLiteral("同じ名前のファイルを置き換えられません。");
    default:
        return QStringLiteral("ディスクの空きが足りないか、書き込めません。");
    }
}

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

bool CSingleInstance::HoldsLock() const
{
    return m_lock && m_lock->isLocked();
}

bool CSingleInstance::TryLock()
{
    const QString path = QDir(m_strFolder).filePath(kLockFileName);
    auto lock = std::make_unique<QLockFile>(path);
    // Only a holder that no longer runs makes a lock stale, however long a
    // session lasts.
    lock->setStaleLockTime(0);
    bool locked = lock->tryLock(0);
    if (!locked && lock->error() == QLockFile::LockFailedError && !HolderMayRun(path))
        locked = lock->removeStaleLockFile() && lock->tryLock(0);
    if (!locked) {
        m_strLockFailure = DescribeLockError(lock->error());
        return false;
    }
    m_lock = std::move(lock);
    m_strLockFailure.clear();
    return true;
}

CSingleInstance::Claim CSingleInstance::ClaimFolder(const QString& folder)
{
    if (folder.isEmpty())
        return Claim::kUnavailable;
    m_strFolder = folder;
    const QString path = QDir(folder).filePath(kLockFileName);
    // A copy that listens runs, whatever its lock file looks like; one that
    // holds the file's lock but is not listening yet is still starting.
    if (QFileInfo::exists(path) && (SomeoneListens(ServerName(folder)) || HolderMayRun(path)))
        return Claim::kOtherRunning;
    const bool locked = TryLock();
    // A copy that found no room for its lock file still listens; so may
    // one that took the lock in the moment since we looked.
    if (!Listen()) {
        m_lock.reset();
        return Claim::kOtherRunning;
    }
    if (!locked && QFileInfo::exists(path) && HolderMayRun(path)) {
        m_pServer->close(); // the holder is the one to answer
        return Claim::kOtherRunning;
    }
    return locked ? Claim::kFirst : Claim::kUnavailable;
}

bool CSingleInstance::RetryLock()
{
    if (HoldsLock())
        return true;
    return !m_strFolder.isEmpty() && TryLock();
}

bool CSingleInstance::Listen()
{
    if (!m_pServer) {
        m_pServer = new QLocalServer(this);
        m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    }
    const QString name = ServerName(m_strFolder);
    // Qt puts a private socket in place by renaming it over whatever is
    // there, a listening copy's socket too: look first.
    if (SomeoneListens(name))
        return false;
    if (!m_pServer->listen(name)) {
        // Left by a copy that ended without closing it.
        QLocalServer::removeServer(name);
        m_pServer->listen(name);
    }
    return true;
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        // Nothing beyond the longest request is read from a client, and a
        // client is kept only for the time a request takes to send.
        socket->setReadBufferSize(kMaxRequestLength + 1);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnRequestData(socket); });
        QTimer::singleShot(m_nRequestTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            OnRequestData(socket);
    }
}

void CSingleInstance::OnRequestData(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= kMaxRequestLength) {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    // One request per client.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (socket->readLine(kMaxRequestLength + 1) != kShowRequest) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    emit ActivationRequested();
    socket->write(kShowAnswer);
    socket->flush();
    socket->disconnectFromServer();
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

#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString kLockFileName = QStringLiteral("velmarik.lock");
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QByteArray kShowAnswer = QByteArrayLiteral("shown\n");

// Fills the address; false when the path does not fit a socket address.
bool MakeAddress(const QByteArray& path, sockaddr_un& address)
{
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || path.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

// Waits until the descriptor can be read or written; false on time-out.
bool WaitFor(int fd, short events, int timeoutMs)
{
    pollfd entry{fd, events, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Whether a copy listens on the socket: a running copy, maybe too busy to
// answer yet. A listener's backlog takes the connection at once however
// busy it is, or is full; a socket left by a copy that ended refuses.
bool SomeoneListens(const QString& path)
{
    sockaddr_un address{};
    if (!MakeAddress(QFile::encodeName(path), address))
        return false;
    const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.Get() < 0)
        return false;
    int connected = 0;
    do {
        connected =
            ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } while (connected != 0 && errno == EINTR);
    return connected == 0 || errno == EAGAIN || errno == EINPROGRESS;
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

CSingleInstance::~CSingleInstance()
{
    StopListening();
}

QString CSingleInstance::ServerName(const QString& folder)
{
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(folder).toUtf8(), QCryptographicHash::Sha1);
    const QString name = QStringLiteral("velmarik-") + QString::fromLatin1(hash.toHex().left(16));
    // The user's runtime folder is private to them; the temporary folder is
    // shared, so the socket there is made private by its mode.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    sockaddr_un address{};
    if (!runtime.isEmpty()) {
        const QString path = QDir(runtime).filePath(name);
        if (MakeAddress(QFile::encodeName(path), address))
            return path;
    }
    return QDir(QDir::tempPath()).filePath(name);
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
        StopListening(); // the holder is the one to answer
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
    const QString path = ServerName(m_strFolder);
    if (SomeoneListens(path))
        return false;
    sockaddr_un address{};
    const QByteArray encoded = QFile::encodeName(path);
    // Without a socket later starts cannot hand over, but no other copy
    // answers either: this one runs all the same.
    if (m_nServer >= 0 || !MakeAddress(encoded, address))
        return true;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return true;
    // Others get no access from the moment the socket exists.
    const mode_t oldMask = ::umask(0077);
    int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    if (bound != 0 && errno == EADDRINUSE) {
        // Nobody listens there: left by a copy that ended without removing
        // it.
        ::unlink(encoded.constData());
        bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    }
    ::umask(oldMask);
    if (bound != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return true;
    }
    m_nServer = fd;
    m_serverPath = encoded;
    m_pServerNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_pServerNotifier, &QSocketNotifier::activated, this,
            &CSingleInstance::OnNewConnection);
    return true;
}

void CSingleInstance::StopListening()
{
    while (!m_clients.isEmpty())
        DropClient(m_clients.constBegin().key());
    delete m_pServerNotifier;
    m_pServerNotifier = nullptr;
    if (m_nServer >= 0) {
        ::close(m_nServer);
        ::unlink(m_serverPath.constData());
        m_nServer = -1;
    }
}

void CSingleInstance::OnNewConnection()
{
    for (;;) {
        const int fd = ::accept4(m_nServer, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        Client client;
        client.m_pNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(client.m_pNotifier, &QSocketNotifier::activated, this,
                [this, fd] { OnClientReadable(fd); });
        // A client is kept only for the time a request takes to send.
        client.m_pDeadline = new QTimer(this);
        client.m_pDeadline->setSingleShot(true);
        connect(client.m_pDeadline, &QTimer::timeout, this, [this, fd] { DropClient(fd); });
        client.m_pDeadline->start(m_nRequestTimeoutMs);
        m_clients.insert(fd, client);
    }
}

void CSingleInstance::OnClientReadable(int fd)
{
    auto it = m_clients.find(fd);
    if (it == m_clients.end())
        return;
    // Nothing beyond the longest request is read from a client.
    char buffer[kMaxRequestLength + 1];
    const ssize_t got = ::read(fd, buffer, sizeof(buffer) - size_t(it->m_received.size()));
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got <= 0) {
        DropClient(fd);
        return;
    }
    it->m_received.append(buffer, got);
    if (!it->m_received.contains('\n')) {
        if (it->m_received.size() > kMaxRequestLength)
            DropClient(fd);
        return;
    }
    if (it->m_received == kShowRequest) {
        emit ActivationRequested();
        // A short answer into an empty socket buffer; a client that left
        // meanwhile only loses it.
        (void)::send(fd, kShowAnswer.constData(), size_t(kShowAnswer.size()), MSG_NOSIGNAL);
    }
    DropClient(fd);
}

void CSingleInstance::DropClient(int fd)
{
    const auto it = m_clients.constFind(fd);
    if (it == m_clients.constEnd())
        return;
    const Client client = *it;
    m_clients.erase(it);
    delete client.m_pNotifier;
    // Deleted later: this may run from the deadline's own timeout.
    client.m_pDeadline->stop();
    client.m_pDeadline->deleteLater();
    ::close(fd);
}

bool CSingleInstance::ActivateRunningCopy(const QString& folder, int timeoutMs)
{
    sockaddr_un address{};
    if (!MakeAddress(QFile::encodeName(ServerName(folder)), address))
        return false;
    QElapsedTimer elapsed;
    elapsed.start();
    const auto remaining = [&] { return int(qMax<qint64>(0, timeoutMs - elapsed.elapsed())); };
    do {
        const Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (socket.Get() >= 0 &&
            ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) ==
                0 &&
            ::send(socket.Get(), kShowRequest.constData(), size_t(kShowRequest.size()),
                   MSG_NOSIGNAL) == kShowRequest.size()) {
            QByteArray answer;
            while (!answer.contains('\n') && answer.size() <= kMaxRequestLength &&
                   WaitFor(socket.Get(), POLLIN, qMin(500, remaining()))) {
                char buffer[kMaxRequestLength];
                const ssize_t got = ::read(socket.Get(), buffer, sizeof(buffer));
                if (got <= 0)
                    break;
                answer.append(buffer, got);
            }
            if (answer == kShowAnswer)
                return true;
        }
        // The running copy takes its lock before it listens.
        QThread::msleep(100);
    } while (remaining() > 0);
    return false;
}

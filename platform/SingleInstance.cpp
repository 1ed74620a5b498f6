#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString kLockFileName = QStringLiteral("velmarik.lock");
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QByteArray kShowAnswer = QByteArrayLiteral("shown\n");

// A request longer than this is no request of ours.
constexpr qsizetype kMaxRequest = 64;

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

} // namespace

CSingleInstance::CSingleInstance(QObject* parent) : QObject(parent) {}

CSingleInstance::~CSingleInstance()
{
    for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it) {
        delete it->m_pNotifier;
        ::close(it.key());
    }
    delete m_pServerNotifier;
    if (m_nServer >= 0) {
        ::close(m_nServer);
        ::unlink(m_serverPath.constData());
    }
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
    // Without a socket later starts cannot hand over, but this copy holds
    // the lock and runs all the same.
    Listen(ServerName(folder));
    return Claim::kFirst;
}

bool CSingleInstance::Listen(const QString& path)
{
    sockaddr_un address{};
    const QByteArray encoded = QFile::encodeName(path);
    if (!MakeAddress(encoded, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Others get no access from the moment the socket exists.
    const mode_t oldMask = ::umask(0077);
    int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    if (bound != 0 && errno == EADDRINUSE) {
        // With the lock ours, the socket was left by a copy that ended
        // without removing it.
        ::unlink(encoded.constData());
        bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    }
    ::umask(oldMask);
    if (bound != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return false;
    }
    m_nServer = fd;
    m_serverPath = encoded;
    m_pServerNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_pServerNotifier, &QSocketNotifier::activated, this,
            &CSingleInstance::OnNewConnection);
    return true;
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
        m_clients.insert(fd, client);
    }
}

void CSingleInstance::OnClientReadable(int fd)
{
    auto it = m_clients.find(fd);
    if (it == m_clients.end())
        return;
    char buffer[kMaxRequest];
    const ssize_t got = ::read(fd, buffer, sizeof(buffer));
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got <= 0) {
        DropClient(fd);
        return;
    }
    it->m_received.append(buffer, got);
    if (!it->m_received.contains('\n')) {
        if (it->m_received.size() > kMaxRequest)
            DropClient(fd);
        return;
    }
    const bool show = it->m_received == kShowRequest;
    if (show) {
        emit ActivationRequested();
        // A short answer into an empty socket buffer; a client that left
        // meanwhile only loses it.
        (void)::send(fd, kShowAnswer.constData(), size_t(kShowAnswer.size()), MSG_NOSIGNAL);
    }
    DropClient(fd);
}

void CSingleInstance::DropClient(int fd)
{
    const Client client = m_clients.take(fd);
    delete client.m_pNotifier;
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
            while (!answer.contains('\n') && answer.size() <= kMaxRequest &&
                   WaitFor(socket.Get(), POLLIN, qMin(500, remaining()))) {
                char buffer[kMaxRequest];
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

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
// "export <file>", answered by "exported <summary>" or "failed <reason>";
// the texts percent-encoded, so that each stays on its line.
const QByteArray kExportRequest = QByteArrayLiteral("export ");
const QByteArray kExportedAnswer = QByteArrayLiteral("exported ");
const QByteArray kFailedAnswer = QByteArrayLiteral("failed ");
// A request is one short line; anything longer is no request of ours.
constexpr qint64 kMaxRequestLine = 16 * 1024;

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
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestLine)
                    socket->disconnectFromServer();
                return;
            }
            const QByteArray line = socket->readLine(kMaxRequestLine);
            if (line == kShowRequest) {
                emit ActivationRequested();
                socket->write(kShowAnswer);
            } else if (line.startsWith(kExportRequest) && line.endsWith('\n') && m_exportHandler) {
                const QString file = QString::fromUtf8(
                    QByteArray::fromPercentEncoding(line.mid(kExportRequest.size()).chopped(1)));
                QString reply;
                const bool written = !file.isEmpty() && m_exportHandler(file, reply);
                socket->write((written ? kExportedAnswer : kFailedAnswer) +
                              reply.toUtf8().toPercentEncoding() + '\n');
            }
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

QByteArray CSingleInstance::Ask(const QString& folder, const QByteArray& request, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(ServerName(folder));
    if (!socket.waitForConnected(1000))
        return {};
    socket.write(request);
    socket.waitForBytesWritten(1000);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!socket.canReadLine() && elapsed.elapsed() < timeoutMs &&
           socket.state() == QLocalSocket::ConnectedState)
        socket.waitForReadyRead(500);
    return socket.canReadLine() ? socket.readLine(kMaxRequestLine) : QByteArray();
}

bool CSingleInstance::ExportFromRunningCopy(const QString& folder, const QString& file,
                                            bool& written, QString& reply, int timeoutMs)
{
    const QByteArray answer =
        Ask(folder, kExportRequest + file.toUtf8().toPercentEncoding() + '\n', timeoutMs);
    for (const QByteArray& kind : {kExportedAnswer, kFailedAnswer}) {
        if (answer.startsWith(kind) && answer.endsWith('\n')) {
            written = kind == kExportedAnswer;
            reply = QString::fromUtf8(
                QByteArray::fromPercentEncoding(answer.mid(kind.size()).chopped(1)));
            return true;
        }
    }
    return false;
}

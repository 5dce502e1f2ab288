#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace tw {

namespace {

const QByteArray kReopen = QByteArrayLiteral("reopen\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");
// Pause between two tries while the running copy is not listening yet.
constexpr int kRetryMs = 50;
// Room left in a socket path (108 bytes with its NUL) for the name.
constexpr qsizetype kLongestFolder = 60;

} // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& name, QObject* parent)
    : QObject(parent)
    , m_path(QDir::isAbsolutePath(name) ? name : folder() + u'/' + name)
{
}

SingleInstanceGuard::~SingleInstanceGuard()
{
    // The socket goes before the lock: whoever takes the lock next finds no listener of ours.
    delete m_server;
    m_server = nullptr;
}

QString SingleInstanceGuard::defaultName()
{
    // Per user, and short enough for a socket path.
    const QByteArray home = QDir::homePath().toUtf8();
    return QStringLiteral("tidewell-")
        + QString::fromLatin1(QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(16));
}

QString SingleInstanceGuard::folder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (runtime.startsWith('/') && runtime.size() <= kLongestFolder && ::stat(runtime.constData(), &st) == 0
        && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0)
        return QFile::decodeName(runtime);
    return QDir::tempPath();
}

bool SingleInstanceGuard::claim()
{
    if (m_lock && m_lock->isLocked())
        return true;
    m_lock = std::make_unique<QLockFile>(lockPath());
    // Stale only when its owner is gone, never by age: the running copy holds it for days.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() != QLockFile::LockFailedError) {
        // No lock can be had here (a read-only temporary folder): the program still runs, unguarded.
        m_lock.reset();
        m_primary = true;
        return true;
    }
    // Our own pid: no live copy. Removing takes the file's own lock first,
    // so a copy of another PID namespace that still holds it keeps it.
    qint64 owner = 0;
    if (m_lock->getLockInfo(&owner, nullptr, nullptr) && owner == QCoreApplication::applicationPid()
        && m_lock->removeStaleLockFile() && m_lock->tryLock(0))
        return true;
    m_lock.reset();
    return false;
}

void SingleInstanceGuard::listen()
{
    m_primary = true;
    if (m_server)
        return;
    // Holding the lock, a socket file that is left must be a crashed copy's.
    QLocalServer::removeServer(m_path);
    auto server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_path)) {
        // Without the socket the program still runs; later launches find no one to hand over to.
        delete server;
        return;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstanceGuard::readRequest);
}

SingleInstanceGuard::Handover SingleInstanceGuard::handOver(int timeoutMs)
{
    ++m_attempts;
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(std::max(1, timeoutMs)))
        return Handover::unreachable;
    socket.write(kReopen);
    if (!socket.waitForBytesWritten(std::max(1, timeoutMs)) && socket.bytesToWrite() > 0)
        return Handover::unreachable;
    // A busy copy reads it when its event loop runs again: wait for its word.
    QDeadlineTimer deadline(std::max(1, timeoutMs));
    m_waiting = true;
    struct Done {
        std::atomic<bool>& flag;
        ~Done() { flag = false; }
    } done{m_waiting};
    QByteArray answer;
    while (!answer.contains('\n') && socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired()) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            continue;
        answer += socket.readAll();
    }
    answer += socket.readAll();
    if (answer.startsWith(kDone))
        return Handover::answered;
    // Still connected without an answer: the request waits in the copy's queue.
    return socket.state() == QLocalSocket::ConnectedState ? Handover::sent : Handover::unreachable;
}

bool SingleInstanceGuard::tryBecomePrimary()
{
    if (m_primary)
        return true;
    const QDeadlineTimer patience(m_patienceMs);
    for (;;) {
        if (claim()) {
            listen();
            return true;
        }
        // Another copy holds the lock: it runs, or it is starting and listens soon.
        const int left = int(std::max<qint64>(1, patience.remainingTime()));
        switch (handOver(left)) {
        case Handover::answered:
        case Handover::sent:
            return false;
        case Handover::unreachable:
            break;
        }
        if (patience.hasExpired()) {
            // A copy holds the lock and never listened: leave it alone rather than run twice.
            return false;
        }
        QThread::msleep(std::min<qint64>(kRetryMs, std::max<qint64>(1, patience.remainingTime())));
    }
}

void SingleInstanceGuard::readRequest()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() != kReopen)
                    continue;
                // The answer follows the request's handling.
                emit reopenRequested();
                socket->write(kDone);
                socket->flush();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle();
    }
}

} // namespace tw

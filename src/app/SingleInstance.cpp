#include "app/SingleInstance.h"

#include "platform/PrivateFolder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <sys/un.h>

#include <algorithm>

namespace tw {

namespace {

const QByteArray kReopen = QByteArrayLiteral("reopen\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");
// Pause between two tries while the running copy is not listening yet.
constexpr int kRetryMs = 50;
// The longest socket path QLocalServer takes: a byte short of the system's
// (sun_path with its NUL).
constexpr qsizetype kLongestSocketPath = qsizetype(sizeof(sockaddr_un::sun_path)) - 2;

using privatefolder::Entry;
using privatefolder::Kind;

} // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& name, std::vector<Folder> folders, QObject* parent)
    : QObject(parent)
    , m_name(name)
    , m_folders(std::move(folders))
{
    m_passedOver.assign(m_folders.size(), false);
    m_folder = m_folders.size();
    for (std::size_t i = 0; i < m_folders.size() && m_path.isEmpty(); ++i)
        m_path = placeIn(i);
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

std::vector<SingleInstanceGuard::Folder> SingleInstanceGuard::defaultFolders()
{
    std::vector<Folder> folders;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/'))
        folders.push_back({QFile::decodeName(runtime), false});
    // Named for the user, not the home folder: accounts may share one (HOME=/).
    const QString own = QStringLiteral("tidewell-runtime-%1").arg(privatefolder::userId());
    folders.push_back({QDir::tempPath() + u'/' + own, true});
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (QDir::isAbsolutePath(cache))
        folders.push_back({cache + u'/' + own, true});
    return folders;
}

QString SingleInstanceGuard::placeIn(std::size_t index) const
{
    const Folder& folder = m_folders[index];
    const QString path = folder.path + u'/' + m_name;
    if (m_passedOver[index] || !QDir::isAbsolutePath(folder.path)
        || QFile::encodeName(path).size() > kLongestSocketPath)
        return {};
    if (!(folder.make ? privatefolder::make(folder.path) : privatefolder::isPrivate(folder.path)))
        return {};
    // A lock or a socket file that another account made is not ours to believe or remove.
    if (privatefolder::entry(path + QStringLiteral(".lock"), Kind::file) == Entry::foreign
        || privatefolder::entry(path, Kind::socket) == Entry::foreign)
        return {};
    return path;
}

void SingleInstanceGuard::passOver()
{
    if (m_folder < m_folders.size())
        m_passedOver[m_folder] = true;
    m_folder = m_folders.size();
    m_path.clear();
}

bool SingleInstanceGuard::claim()
{
    if (m_primary || (m_lock && m_lock->isLocked()))
        return true;
    for (m_folder = 0; m_folder < m_folders.size(); ++m_folder) {
        m_path = placeIn(m_folder);
        if (m_path.isEmpty())
            continue;
        m_lock = std::make_unique<QLockFile>(lockPath());
        // Stale only when its owner is gone, never by age: the running copy holds it for days.
        m_lock->setStaleLockTime(0);
        if (m_lock->tryLock(0))
            return true;
        if (m_lock->error() != QLockFile::LockFailedError) {
            // No lock can be made here (a read-only folder): the next folder may hold it.
            m_lock.reset();
            continue;
        }
        // Our own pid: no live copy. Removing takes the file's own lock first,
        // so a copy of another PID namespace that still holds it keeps it.
        qint64 owner = 0;
        if (m_lock->getLockInfo(&owner, nullptr, nullptr) && owner == QCoreApplication::applicationPid()
            && m_lock->removeStaleLockFile() && m_lock->tryLock(0))
            return true;
        m_lock.reset();
        // A copy of ours holds it when the file is ours; it is waited for here.
        if (privatefolder::entry(lockPath(), Kind::file) == Entry::ours)
            return false;
    }
    // Nowhere to hold the lock: the program still runs, unguarded.
    m_path.clear();
    if (!m_saidAlone) {
        m_saidAlone = true;
        QStringList tried;
        for (const Folder& folder : m_folders)
            tried << folder.path;
        qWarning("No private folder of this user's can hold the single-instance lock (tried: %s); "
                 "running without it, so a later launch will not find this copy.",
                 qUtf8Printable(tried.join(QStringLiteral(", "))));
    }
    m_primary = true;
    return true;
}

bool SingleInstanceGuard::listen()
{
    m_primary = true;
    if (m_server || !m_lock)
        return true;
    // Holding the lock, a socket file of ours that is left must be a crashed copy's.
    if (privatefolder::entry(m_path, Kind::socket) == Entry::ours)
        QLocalServer::removeServer(m_path);
    // No access options: the folder keeps others out, and Qt would bind them
    // at a longer temporary path and rename it over whatever has the name.
    auto server = new QLocalServer(this);
    if (!server->listen(m_path)) {
        // Without the socket the program still runs; later launches find no one to hand over to.
        qWarning("Cannot listen at %s: %s", qUtf8Printable(m_path), qUtf8Printable(server->errorString()));
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstanceGuard::readRequest);
    return true;
}

SingleInstanceGuard::Handover SingleInstanceGuard::handOver(int timeoutMs)
{
    ++m_attempts;
    switch (privatefolder::entry(m_path, Kind::socket)) {
    case Entry::missing:
        return Handover::unreachable;
    case Entry::foreign:
        return Handover::stranger;
    case Entry::ours:
        break;
    }
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(std::max(1, timeoutMs)))
        return Handover::unreachable;
    // A listener that is not of this user's hears nothing from us, and its word counts for nothing.
    if (!privatefolder::peerIsUs(socket.socketDescriptor())) {
        socket.abort();
        return Handover::stranger;
    }
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
            if (listen())
                return true;
            // A folder that holds the lock but not the socket: the next one may hold both.
            m_lock.reset();
            m_primary = false;
            passOver();
            continue;
        }
        // Another copy holds the lock: it runs, or it is starting and listens soon.
        const int left = int(std::max<qint64>(1, patience.remainingTime()));
        switch (handOver(left)) {
        case Handover::answered:
        case Handover::sent:
            return false;
        case Handover::stranger:
            passOver();
            continue;
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

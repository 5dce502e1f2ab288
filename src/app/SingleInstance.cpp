#include "app/SingleInstance.h"

#include "platform/LocalListener.h"
#include "platform/PrivateFolder.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace tw {

namespace {

const QByteArray kReopen = QByteArrayLiteral("reopen\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");
// Pause between two tries while the running copy is not listening yet.
constexpr int kRetryMs = 50;

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
    for (std::size_t i = 0; i < m_folders.size() && !m_dir; ++i)
        placeIn(i);
}

SingleInstanceGuard::~SingleInstanceGuard()
{
    // The socket goes before the lock: whoever takes the lock next finds no listener of ours.
    if (m_listener) {
        delete m_listener;
        m_listener = nullptr;
        m_dir->remove(m_name);
    }
    m_dir.reset();
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

QString SingleInstanceGuard::socketPath() const
{
    return m_dir ? m_dir->path() + u'/' + m_name : QString();
}

QString SingleInstanceGuard::lockPath() const
{
    return m_dir ? m_dir->path() + u'/' + lockName() : QString();
}

bool SingleInstanceGuard::placeIn(std::size_t index)
{
    m_dir.reset();
    const Folder& folder = m_folders[index];
    if (m_passedOver[index] || !QDir::isAbsolutePath(folder.path))
        return false;
    auto dir = privatefolder::Folder::open(folder.path, folder.make);
    if (!dir)
        return false;
    if (m_folderChecked)
        m_folderChecked();
    // A lock or a socket file that another account made is not ours to believe or remove.
    if (dir->entry(lockName(), Kind::file) == Entry::foreign || dir->entry(m_name, Kind::socket) == Entry::foreign)
        return false;
    m_dir = std::move(dir);
    return true;
}

void SingleInstanceGuard::passOver()
{
    if (m_folder < m_folders.size())
        m_passedOver[m_folder] = true;
    m_folder = m_folders.size();
    m_dir.reset();
}

bool SingleInstanceGuard::claim()
{
    if (m_primary || (m_dir && m_dir->isLocked()))
        return true;
    for (m_folder = 0; m_folder < m_folders.size(); ++m_folder) {
        if (!placeIn(m_folder))
            continue;
        switch (m_dir->lock(lockName())) {
        case privatefolder::Folder::Lock::taken:
            return true;
        case privatefolder::Folder::Lock::held:
            // A live copy of ours holds it; it is waited for here.
            return false;
        case privatefolder::Folder::Lock::unusable:
            // No lock can be made here (a read-only folder): the next folder may hold it.
            continue;
        }
    }
    // Nowhere to hold the lock: the program still runs, unguarded.
    m_dir.reset();
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
    if (m_listener || !m_dir)
        return true;
    // Holding the lock, a socket file of ours that is left must be a crashed copy's.
    if (m_dir->entry(m_name, Kind::socket) == Entry::ours)
        m_dir->remove(m_name);
    const QByteArray address = m_dir->through(m_name);
    auto listener = std::make_unique<LocalListener>(this);
    const bool bound = !address.isEmpty() && listener->listen(address, socketPath());
    const int error = errno;
    // Bound by the folder's path, the socket must be the one in the folder opened.
    if (!bound || m_dir->entry(m_name, Kind::socket) != Entry::ours) {
        // Without the socket the program still runs; later launches find no one to hand over to.
        const char* why =
            bound || address.isEmpty() ? "its path no longer names the folder checked" : std::strerror(error);
        qWarning("Cannot listen at %s: %s%s", qUtf8Printable(socketPath()), why,
                 privatefolder::Folder::descriptorsShown()
                     ? ""
                     : " (/proc is not there: the socket is reached by the folder's path, not its descriptor)");
        listener.reset();
        if (!bound && m_dir->entry(m_name, Kind::socket) == Entry::ours)
            m_dir->remove(m_name);
        return false;
    }
    m_listener = listener.release();
    connect(m_listener, &LocalListener::accepted, this, &SingleInstanceGuard::serve);
    return true;
}

SingleInstanceGuard::Handover SingleInstanceGuard::handOver(int timeoutMs)
{
    ++m_attempts;
    switch (m_dir->entry(m_name, Kind::socket)) {
    case Entry::missing:
        return Handover::unreachable;
    case Entry::foreign:
        return Handover::stranger;
    case Entry::ours:
        break;
    }
    const QByteArray address = m_dir->through(m_name);
    if (address.isEmpty())
        return Handover::unreachable;
    QLocalSocket socket;
    socket.connectToServer(QFile::decodeName(address));
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

void SingleInstanceGuard::serve(qintptr fd)
{
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd)) {
        ::close(int(fd));
        delete socket;
        return;
    }
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

} // namespace tw

#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace tw {

namespace {

const QByteArray kReopen = QByteArrayLiteral("reopen\n");
constexpr int kTimeoutMs = 1000;

} // namespace

SingleInstanceGuard::SingleInstanceGuard(QString name, QObject* parent)
    : QObject(parent)
    , m_name(std::move(name))
{
}

SingleInstanceGuard::~SingleInstanceGuard() = default;

QString SingleInstanceGuard::defaultName()
{
    // Per user, and short enough for a socket path.
    const QByteArray home = QDir::homePath().toUtf8();
    return QStringLiteral("tidewell-")
        + QString::fromLatin1(QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(16));
}

bool SingleInstanceGuard::tryBecomePrimary()
{
    if (m_server)
        return true;
    {
        QLocalSocket socket;
        socket.connectToServer(m_name);
        if (socket.waitForConnected(kTimeoutMs)) {
            socket.write(kReopen);
            socket.waitForBytesWritten(kTimeoutMs);
            socket.disconnectFromServer();
            return false;
        }
    }
    // Nobody answered: a socket left by a crashed copy is stale.
    QLocalServer::removeServer(m_name);
    auto server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_name)) {
        // Without the socket the program still runs, only unguarded.
        delete server;
        return true;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstanceGuard::readRequest);
    return true;
}

void SingleInstanceGuard::readRequest()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            if (socket->canReadLine() && socket->readLine() == kReopen)
                emit reopenRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle();
    }
}

} // namespace tw

#include "support/LocalHttpServer.h"

#include <QPointer>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <array>
#include <stdexcept>
#include <utility>

namespace tw::test {

namespace {
constexpr qsizetype kMaxRequestBytes = 64 * 1024;
constexpr qint64 kEndlessLimit = 64 << 20;

quint32 crc32(const QByteArray& data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (const char b : data)
        c = table[(c ^ quint8(b)) & 0xFF] ^ (c >> 8);
    return ~c;
}

QByteArray littleEndian(quint32 v)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
    return out;
}

} // namespace

// qCompress gives a size, a zlib header, the deflate stream and a checksum;
// gzip wants its own header and trailer around the stream.
QByteArray gzip(const QByteArray& data)
{
    const QByteArray zlib = qCompress(data, 9);
    return QByteArray::fromHex("1f8b0800000000000003") + zlib.mid(6, zlib.size() - 10) + littleEndian(crc32(data)) +
           littleEndian(quint32(data.size()));
}

// What the server knows of one connection.
struct LocalHttpServer::Connection {
    QByteArray buffer;     // received, not yet taken as a request
    bool pending = false;  // a request waits for its answer
    bool open = true;      // takes another request
};

LocalHttpServer::LocalHttpServer() : m_server(std::make_unique<QTcpServer>()) { listen(); }

LocalHttpServer::LocalHttpServer(const QSslConfiguration& tls)
{
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(tls);
    m_server = std::move(server);
    listen();
}

void LocalHttpServer::listen()
{
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("cannot listen on 127.0.0.1");
    // A TLS connection is pending once its handshake is done.
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &LocalHttpServer::accept);
}

QUrl LocalHttpServer::base() const
{
    const bool tls = qobject_cast<QSslServer*>(m_server.get());
    return QUrl(QStringLiteral("%1://127.0.0.1:%2").arg(tls ? "https" : "http").arg(m_server->serverPort()));
}

QUrl LocalHttpServer::url(const QString& pathAndQuery) const
{
    return QUrl(base().toString() + pathAndQuery);
}

void LocalHttpServer::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        ++m_connections;
        auto c = std::make_shared<Connection>();
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, c] {
            if (c->pending) {
                c->pending = false;
                --m_inFlight;
                ++m_closedUnanswered;
            }
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, c] {
            c->buffer += socket->readAll();
            takeRequest(socket, c);
        });
    }
}

void LocalHttpServer::takeRequest(QTcpSocket* socket, const std::shared_ptr<Connection>& c)
{
    if (c->pending || !c->open)
        return;
    const qsizetype end = c->buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        if (c->buffer.size() > kMaxRequestBytes)
            socket->abort();
        return;
    }
    const QList<QByteArray> lines = c->buffer.left(end).split('\n');
    c->buffer.remove(0, end + 4);
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    RecordedRequest r;
    r.method = requestLine.value(0);
    const QByteArray target = requestLine.value(1);
    const qsizetype q = target.indexOf('?');
    r.path = QString::fromUtf8(q < 0 ? target : target.left(q));
    r.query = q < 0 ? QString() : QString::fromUtf8(target.mid(q + 1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            r.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    m_requests.push_back(r);
    c->pending = true;
    m_maxInFlight = std::max(m_maxInFlight, ++m_inFlight);
    const Reply fallback = m_routes.value(r.path, Reply::code(404, "not found"));
    const Reply reply = m_routes.value(r.path + QLatin1Char('?') + r.query, fallback);
    auto respond = [this, socket, reply, c] {
        if (!c->pending || socket->state() != QAbstractSocket::ConnectedState)
            return;
        c->pending = false;
        --m_inFlight;
        c->open = m_keepAlive && reply.mode == Reply::Mode::Answer;
        serve(socket, reply, c->open);
        takeRequest(socket, c);  // one may be waiting already
    };
    if (reply.mode == Reply::Mode::Hang)
        return;
    if (reply.held) {
        m_held.push_back([alive = QPointer<QTcpSocket>(socket), respond] {
            if (alive)
                respond();
        });
        return;
    }
    if (reply.delayMs > 0 && reply.mode != Reply::Mode::Trickle)
        QTimer::singleShot(reply.delayMs, socket, respond);
    else
        respond();
}

void LocalHttpServer::releaseHeld()
{
    for (const std::function<void()>& respond : std::exchange(m_held, {}))
        respond();
}

void LocalHttpServer::serve(QTcpSocket* socket, const Reply& reply, bool keepAlive)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " X\r\nContent-Type: " + reply.contentType +
                      (keepAlive ? "\r\n" : "\r\nConnection: close\r\n") + reply.extraHeaders;
    switch (reply.mode) {
    case Reply::Mode::Answer:
    case Reply::Mode::Truncate: {
        const qsizetype announced = reply.mode == Reply::Mode::Answer ? reply.body.size() : reply.body.size() * 10 + 10;
        socket->write(head + "Content-Length: " + QByteArray::number(announced) + "\r\n\r\n" + reply.body);
        if (!keepAlive)
            socket->disconnectFromHost();
        return;
    }
    case Reply::Mode::Endless: {
        socket->write(head + "\r\n");
        auto sent = std::make_shared<qint64>(0);
        const QByteArray chunk(256 * 1024, 'x');
        auto more = [socket, sent, chunk] {
            while (socket->bytesToWrite() < 1024 * 1024 && *sent < kEndlessLimit) {
                socket->write(chunk);
                *sent += chunk.size();
            }
            if (*sent >= kEndlessLimit)
                socket->disconnectFromHost();
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
        return;
    }
    case Reply::Mode::Trickle: {
        socket->write(head + "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n");
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, sent, body = reply.body] {
            if (*sent < body.size())
                socket->write(body.mid((*sent)++, 1));
            else
                timer->stop();
        });
        timer->start(std::max(1, reply.delayMs));
        return;
    }
    case Reply::Mode::Raw:
        socket->write(reply.body);
        socket->disconnectFromHost();
        return;
    case Reply::Mode::Hang:
        return;
    }
}

} // namespace tw::test

#pragma once

#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class QSslConfiguration;

namespace tw::test {

struct RecordedRequest {
    QByteArray method;
    QString path;
    QString query;                         // as sent, still percent-encoded
    QHash<QByteArray, QByteArray> headers; // names in lower case
};

// What the server does with a request for a path.
struct Reply {
    enum class Mode {
        Answer,    // status, headers and body, after delayMs
        Hang,      // reads the request and never answers
        Truncate,  // announces more body than it sends, then closes
        Endless,   // a 200 whose body does not end (bounded at 64 MiB)
        Trickle,   // announces the body, then sends it one byte every delayMs
        Raw,       // sends body as the whole response, status line and headers included, then closes
    };
    Mode mode = Mode::Answer;
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/xml";
    QByteArray extraHeaders;  // raw "Name: value\r\n" lines
    int delayMs = 0;
    bool held = false;  // answers only when the server releases its held requests

    static Reply ok(QByteArray body, QByteArray type = "text/xml") { return {Mode::Answer, 200, body, type}; }
    static Reply code(int code, QByteArray body = {}) { return {Mode::Answer, code, body}; }
    static Reply of(Mode mode) { return {mode}; }
    // Exactly these bytes on the wire, then the connection closes.
    static Reply raw(QByteArray response) { return {Mode::Raw, 0, response}; }
    // A 200 whose body claims to be gzip-encoded.
    static Reply gzipped(QByteArray body) { return {Mode::Answer, 200, body, "text/xml", "Content-Encoding: gzip\r\n"}; }
    // reply, once the test lets it go.
    static Reply heldBack(Reply reply)
    {
        reply.held = true;
        return reply;
    }
};

// data as a gzip member.
QByteArray gzip(const QByteArray& data);

// A small HTTP/1.1 server on 127.0.0.1 for the tests: one request per
// connection unless kept alive, unknown paths answer 404. Runs on the test's
// event loop. A request through a proxy is routed by its whole address
// ("http://host/path").
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    LocalHttpServer();
    // Over TLS with the given certificate and key.
    explicit LocalHttpServer(const QSslConfiguration& tls);

    // Answers (Answer mode) leave the connection open for the next request.
    void setKeepAlive(bool keepAlive) { m_keepAlive = keepAlive; }

    QUrl base() const;
    QUrl url(const QString& pathAndQuery) const;
    // A route with a query ("/lookup?a=b") wins over its bare path.
    void route(const QString& path, Reply reply) { m_routes.insert(path, std::move(reply)); }

    const std::vector<RecordedRequest>& requests() const { return m_requests; }
    int maxInFlight() const { return m_maxInFlight; }  // most requests waiting for their answer at once
    int inFlight() const { return m_inFlight; }
    int closedUnanswered() const { return m_closedUnanswered; }  // connections the client dropped first
    int heldCount() const { return int(m_held.size()); }
    int connections() const { return m_connections; }  // accepted so far
    // Answers every held request.
    void releaseHeld();

private:
    struct Connection;
    void listen();
    void accept();
    void takeRequest(class QTcpSocket* socket, const std::shared_ptr<Connection>& c);
    // keepAlive: the connection takes another request after this answer.
    void serve(class QTcpSocket* socket, const Reply& reply, bool keepAlive);

    std::unique_ptr<QTcpServer> m_server;
    bool m_keepAlive = false;
    int m_connections = 0;
    QHash<QString, Reply> m_routes;
    std::vector<RecordedRequest> m_requests;
    int m_inFlight = 0;
    int m_maxInFlight = 0;
    int m_closedUnanswered = 0;
    std::vector<std::function<void()>> m_held;
};

} // namespace tw::test

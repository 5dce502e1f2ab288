#include "platform/HostServices.h"

#include <QPointer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <zlib.h>

#include <optional>

namespace tw::host {

namespace {

// A larger answer, before or after decompression, is cut off and reported
// as a failed transfer.
constexpr qint64 kMaxBodyBytes = 32 << 20;
constexpr qsizetype kMaxHeadBytes = 64 * 1024;
constexpr int kMaxRedirects = 10;

// The body of a finished exchange, decoded; an error text when it is not whole.
struct Decoded {
    QByteArray body;
    QString error;
};

// gzip (one or more members), zlib or raw deflate, read to their ends.
Decoded inflateAll(const QByteArray& in, bool gzip)
{
    const auto run = [&](int windowBits) -> Decoded {
        z_stream z{};
        if (inflateInit2(&z, windowBits) != Z_OK)
            return {{}, QStringLiteral("The compressed answer could not be read")};
        QByteArray out;
        char buffer[64 * 1024];
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        z.avail_in = uInt(in.size());
        int status = Z_OK;
        while (status != Z_STREAM_END) {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            status = inflate(&z, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END)
                break;
            out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
            if (out.size() > kMaxBodyBytes) {
                inflateEnd(&z);
                return {{}, QStringLiteral("Response too large")};
            }
            if (status == Z_OK && z.avail_in == 0 && z.avail_out != 0)
                break;  // the input ended inside the stream
            // Members of a gzip body follow one another.
            if (status == Z_STREAM_END && gzip && z.avail_in > 0) {
                inflateReset(&z);
                status = Z_OK;
            }
        }
        const bool whole = status == Z_STREAM_END && z.avail_in == 0;
        inflateEnd(&z);
        if (!whole)
            return {{}, QStringLiteral("The compressed answer is damaged or incomplete")};
        return {out, {}};
    };
    if (gzip)
        return run(16 + MAX_WBITS);
    // "deflate" is meant to be a zlib stream; some servers send it raw.
    Decoded d = run(MAX_WBITS);
    return d.error.isEmpty() ? d : run(-MAX_WBITS);
}

// Reads a chunked body as it arrives: each call goes on from where the
// last one stopped, taking whole chunks only.
class Unchunker {
public:
    enum class State { More, Done, Broken };

    State feed(const QByteArray& data)
    {
        for (;;) {
            const qsizetype eol = data.indexOf("\r\n", m_pos);
            if (eol < 0)
                return data.size() - m_pos > 1024 ? State::Broken : State::More;
            if (m_trailers) {
                // Trailer lines, up to an empty one.
                m_pos = eol + 2;
                if (eol == m_lineStart)
                    return State::Done;
                m_lineStart = m_pos;
                continue;
            }
            const auto size = chunkSize(data.mid(m_pos, eol - m_pos));
            if (!size || m_body.size() + *size > kMaxBodyBytes)
                return State::Broken;
            if (*size == 0) {
                m_trailers = true;
                m_pos = m_lineStart = eol + 2;
                continue;
            }
            const qsizetype start = eol + 2;
            if (data.size() - start < *size + 2)
                return State::More;
            if (data[start + *size] != '\r' || data[start + *size + 1] != '\n')
                return State::Broken;
            m_body.append(data.constData() + start, *size);
            m_pos = start + *size + 2;
        }
    }

    const QByteArray& body() const { return m_body; }

private:
    // Hex digits, then perhaps extensions after ';'.
    static std::optional<qint64> chunkSize(QByteArray line)
    {
        if (const qsizetype ext = line.indexOf(';'); ext >= 0)
            line.truncate(ext);
        line = line.trimmed();
        if (line.isEmpty() || line.size() > 15)
            return std::nullopt;
        qint64 n = 0;
        for (const char c : line) {
            const int d = c >= '0' && c <= '9' ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (d < 0)
                return std::nullopt;
            n = n * 16 + d;
        }
        return n;
    }

    qsizetype m_pos = 0;
    qsizetype m_lineStart = 0;
    bool m_trailers = false;
    QByteArray m_body;
};

// One GET and its redirects, over HTTP/1.1 with a connection of its own.
// The body is framed by its length, its chunks or the end of the
// connection, and each of those must come out whole.
class Exchange final : public QObject {
public:
    Exchange(QUrl url, std::chrono::milliseconds timeout, QByteArray userAgent,
             std::function<void(const HttpResponse&)> done)
        : m_url(std::move(url)), m_userAgent(std::move(userAgent)), m_done(std::move(done))
    {
        // The whole request, not only each silence, has to fit in the timeout.
        QTimer::singleShot(std::max<qint64>(1, timeout.count()), this,
                           [this] { fail(QStringLiteral("Request timed out")); });
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_finished)
                    connectTo(m_url);
            },
            Qt::QueuedConnection);
    }

private:
    enum class Framing { Length, Chunked, Close, None };

    void connectTo(const QUrl& url)
    {
        if (m_socket) {
            m_socket->disconnect(this);
            m_socket->abort();
            m_socket->deleteLater();
        }
        m_in.clear();
        m_headDone = m_closed = false;
        m_headers.clear();
        m_unchunker = Unchunker();
        const bool tls = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
        QTcpSocket* socket = tls ? new QSslSocket(this) : new QTcpSocket(this);
        m_socket = socket;
        connect(socket, &QTcpSocket::readyRead, this, [this] { read(); });
        connect(socket, &QTcpSocket::disconnected, this, [this] { closed(); });
        connect(socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
            if (e == QAbstractSocket::RemoteHostClosedError)
                closed();
            else
                fail(m_socket->errorString());
        });
        QByteArray target = url.path(QUrl::FullyEncoded).toUtf8();
        if (!target.startsWith('/'))
            target.prepend('/');
        if (url.hasQuery())
            target += '?' + url.query(QUrl::FullyEncoded).toUtf8();
        const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " +
                                   url.authority(QUrl::FullyEncoded | QUrl::RemoveUserInfo).toUtf8() +
                                   "\r\nUser-Agent: " + m_userAgent +
                                   "\r\nAccept-Encoding: gzip, deflate\r\nConnection: close\r\n\r\n";
        const QString host = url.host(QUrl::FullyEncoded);
        if (tls) {
            auto* ssl = static_cast<QSslSocket*>(socket);
            connect(ssl, &QSslSocket::encrypted, this, [ssl, request] { ssl->write(request); });
            ssl->connectToHostEncrypted(host, quint16(url.port(443)));
        } else {
            connect(socket, &QTcpSocket::connected, this, [socket, request] { socket->write(request); });
            socket->connectToHost(host, quint16(url.port(80)));
        }
    }

    void closed()
    {
        m_closed = true;
        read();
    }

    // Takes what arrived; completes or fails the exchange once the framing
    // tells the body is whole, or the connection ended before that.
    void read()
    {
        if (m_finished || !m_socket)
            return;
        m_in += m_socket->readAll();
        if (m_in.size() > kMaxBodyBytes + kMaxHeadBytes)
            return fail(QStringLiteral("Response too large"));
        if (!m_headDone && !readHead()) {
            if (m_closed && !m_finished)
                fail(QStringLiteral("Connection closed before an answer"));
            return;
        }
        switch (m_framing) {
        case Framing::None:
            return complete({});
        case Framing::Length:
            if (m_in.size() >= m_length)
                return complete(m_in.left(m_length));
            if (m_closed)
                return fail(QStringLiteral("Transfer ended early: %1 of %2 bytes").arg(m_in.size()).arg(m_length));
            return;
        case Framing::Chunked:
            switch (m_unchunker.feed(m_in)) {
            case Unchunker::State::Done:
                return complete(m_unchunker.body());
            case Unchunker::State::Broken:
                return fail(QStringLiteral("Broken chunked encoding"));
            case Unchunker::State::More:
                if (m_closed)
                    return fail(QStringLiteral("Transfer ended early: the chunked body did not end"));
                return;
            }
            return;
        case Framing::Close:
            if (m_closed)
                return complete(m_in);
            return;
        }
    }

    // The status line and the headers; false while they are incomplete or
    // when the exchange has ended.
    bool readHead()
    {
        for (;;) {
            const qsizetype end = m_in.indexOf("\r\n\r\n");
            if (end < 0) {
                if (m_in.size() > kMaxHeadBytes)
                    fail(QStringLiteral("Malformed HTTP response"));
                return false;
            }
            const QList<QByteArray> lines = m_in.left(end).split('\n');
            const QList<QByteArray> status = lines.value(0).trimmed().split(' ');
            bool ok = false;
            m_status = status.value(1).toInt(&ok);
            if (!status.value(0).startsWith("HTTP/1.") || !ok || m_status < 100 || m_status > 599) {
                fail(QStringLiteral("Malformed HTTP response"));
                return false;
            }
            m_in.remove(0, end + 4);
            if (m_status < 200)
                continue;  // an interim answer; the real one follows
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    m_headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            break;
        }
        m_headDone = true;
        const QByteArray transfer = m_headers.value("transfer-encoding").toLower();
        if (m_status == 204 || m_status == 304) {
            m_framing = Framing::None;
        } else if (!transfer.isEmpty() && transfer != "identity") {
            if (transfer != "chunked") {
                fail(QStringLiteral("Unsupported transfer encoding"));
                return false;
            }
            m_framing = Framing::Chunked;
        } else if (m_headers.contains("content-length")) {
            bool ok = false;
            m_length = m_headers.value("content-length").toLongLong(&ok);
            if (!ok || m_length < 0) {
                fail(QStringLiteral("Malformed HTTP response"));
                return false;
            }
            if (m_length > kMaxBodyBytes) {
                fail(QStringLiteral("Response too large"));
                return false;
            }
            m_framing = Framing::Length;
        } else {
            m_framing = Framing::Close;
        }
        return true;
    }

    void complete(const QByteArray& raw)
    {
        if (m_finished)
            return;
        if (m_status >= 300 && m_status < 400 && m_status != 304 && m_headers.contains("location")) {
            const QUrl next = m_url.resolved(QUrl::fromEncoded(m_headers.value("location")));
            const QString scheme = next.scheme().toLower();
            if (++m_redirects > kMaxRedirects)
                return fail(QStringLiteral("Too many redirects"));
            if (!next.isValid() || next.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
                (scheme == QLatin1String("http") && m_url.scheme().toLower() == QLatin1String("https")))
                return fail(QStringLiteral("Redirect refused"));
            m_url = next;
            return connectTo(m_url);
        }
        const QByteArray encoding = m_headers.value("content-encoding").toLower();
        Decoded d{raw, {}};
        if (encoding == "gzip" || encoding == "x-gzip")
            d = inflateAll(raw, true);
        else if (encoding == "deflate")
            d = inflateAll(raw, false);
        else if (!encoding.isEmpty() && encoding != "identity")
            d = {{}, QStringLiteral("Unsupported content encoding")};
        if (!d.error.isEmpty())
            return fail(d.error);
        HttpResponse r;
        r.status = m_status;
        r.body = d.body;
        finish(r);
    }

    void fail(const QString& why)
    {
        HttpResponse r;
        r.transportError = true;
        r.status = m_headDone ? m_status : 0;
        r.errorText = why;
        finish(r);
    }

public:
    // Ends the exchange without an answer.
    void cancel()
    {
        m_finished = true;
        stop();
    }

private:
    void stop()
    {
        if (m_socket) {
            m_socket->disconnect(this);
            m_socket->abort();
        }
        deleteLater();
    }

    void finish(const HttpResponse& r)
    {
        if (m_finished)
            return;
        m_finished = true;
        stop();
        // Last: done may abort its call, or start another.
        const auto done = std::move(m_done);
        done(r);
    }

    QUrl m_url;
    QByteArray m_userAgent;
    std::function<void(const HttpResponse&)> m_done;
    QPointer<QTcpSocket> m_socket;
    QByteArray m_in;
    bool m_headDone = false;
    bool m_closed = false;
    bool m_finished = false;
    int m_status = 0;
    int m_redirects = 0;
    QHash<QByteArray, QByteArray> m_headers;
    Framing m_framing = Framing::Close;
    qint64 m_length = 0;
    Unchunker m_unchunker;
};

// Abort ends the exchange: its socket closes and done is never called.
class ExchangeCall final : public HttpCall {
public:
    explicit ExchangeCall(Exchange* exchange) : m_exchange(exchange) {}
    void abort() override
    {
        if (m_exchange)
            m_exchange->cancel();
    }

private:
    QPointer<Exchange> m_exchange;
};

// A request that was refused before it was sent; its answer is still
// delivered from the event loop.
class RefusedCall final : public HttpCall {
public:
    explicit RefusedCall(QObject* context) : m_context(context) {}
    void abort() override { delete m_context.data(); }

private:
    QPointer<QObject> m_context;
};

// Used from the thread that created it (the GUI thread). Only http and https
// are fetched; no cookies are sent or kept, nothing is cached.
class HostHttpClient final : public HttpClient {
public:
    std::shared_ptr<HttpCall> get(const QUrl& url, std::chrono::milliseconds timeout, const QByteArray& userAgent,
                                  std::function<void(const HttpResponse&)> done) override
    {
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
            url.host().isEmpty()) {
            auto* context = new QObject(&m_owner);
            HttpResponse r;
            r.transportError = true;
            r.errorText = QStringLiteral("Unsupported URL");
            QMetaObject::invokeMethod(
                context,
                [context, r, done = std::move(done)] {
                    context->deleteLater();
                    done(r);
                },
                Qt::QueuedConnection);
            return std::make_shared<RefusedCall>(context);
        }
        auto* exchange = new Exchange(url, timeout, userAgent, std::move(done));
        exchange->setParent(&m_owner);
        return std::make_shared<ExchangeCall>(exchange);
    }

private:
    QObject m_owner;  // exchanges still running when the client goes
};

} // namespace

std::unique_ptr<HttpClient> makeHttpClient() { return std::make_unique<HostHttpClient>(); }

} // namespace tw::host

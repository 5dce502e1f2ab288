#include "platform/HostServices.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace tw::host {

namespace {

// A larger answer is cut off and reported as a failed transfer.
constexpr qint64 kMaxBodyBytes = 32 << 20;

// Our handlers are connected through a receiver of their own: disconnecting
// every signal of the reply would also cut the abort off from the network thread.
class ReplyCall final : public HttpCall {
public:
    ReplyCall(QNetworkReply* reply, QObject* receiver) : m_reply(reply), m_receiver(receiver) {}
    void abort() override
    {
        delete m_receiver.data();
        if (m_reply) {
            m_reply->abort();
            m_reply->deleteLater();
        }
    }

private:
    QPointer<QNetworkReply> m_reply;
    QPointer<QObject> m_receiver;
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

// Failures of the transfer itself: the network, a proxy, the protocol, a
// timeout or an abort. The other errors only echo an HTTP status.
bool isTransportError(QNetworkReply::NetworkError error)
{
    const int code = int(error);
    return (code >= 1 && code < 200) || (code >= 300 && code < 400);
}

// Used from the thread that created it (the GUI thread). Only http and https
// are fetched; no cookies are sent or kept.
class QtHttpClient final : public HttpClient {
public:
    std::shared_ptr<HttpCall> get(const QUrl& url, std::chrono::milliseconds timeout, const QByteArray& userAgent,
                                  std::function<void(const HttpResponse&)> done) override
    {
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
            url.host().isEmpty()) {
            auto* context = new QObject(&m_nam);
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

        QNetworkRequest request(url);
        request.setRawHeader("User-Agent", userAgent);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        QNetworkReply* reply = m_nam.get(request);
        auto* receiver = new QObject(reply);
        // Why we cut the transfer ourselves, if we did.
        auto cut = std::make_shared<QString>();
        auto cutOff = [reply, cut](const QString& why) {
            if (cut->isEmpty()) {
                *cut = why;
                reply->abort();
            }
        };
        // The whole request, not only each silence, has to fit in the timeout.
        QTimer::singleShot(std::max<qint64>(1, timeout.count()), receiver,
                           [cutOff] { cutOff(QStringLiteral("Request timed out")); });
        QObject::connect(reply, &QNetworkReply::downloadProgress, receiver, [cutOff](qint64 received, qint64) {
            if (received > kMaxBodyBytes)
                cutOff(QStringLiteral("Response too large"));
        });
        QObject::connect(reply, &QNetworkReply::finished, receiver, [reply, cut, done = std::move(done)] {
            HttpResponse r;
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            r.status = status.isValid() ? status.toInt() : 0;
            // An HTTP error status still carries an answer. Any other error
            // (a transfer that broke off, even after the status line, or a
            // body that does not decompress) leaves none.
            const QNetworkReply::NetworkError error = reply->error();
            r.transportError = !cut->isEmpty() ||
                               (error != QNetworkReply::NoError && (r.status < 400 || isTransportError(error)));
            if (!r.transportError)
                r.body = reply->readAll();
            r.errorText = cut->isEmpty() ? reply->errorString() : *cut;
            reply->deleteLater();
            done(r);
        });
        return std::make_shared<ReplyCall>(reply, receiver);
    }

private:
    QNetworkAccessManager m_nam;
};

} // namespace

std::unique_ptr<HttpClient> makeHttpClient() { return std::make_unique<QtHttpClient>(); }

} // namespace tw::host

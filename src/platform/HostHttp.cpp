#include "platform/HostServices.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace tw::host {

namespace {

class ReplyCall final : public HttpCall {
public:
    explicit ReplyCall(QNetworkReply* reply) : m_reply(reply) {}
    void abort() override
    {
        if (m_reply) {
            m_reply->disconnect();
            m_reply->abort();
            m_reply->deleteLater();
        }
    }

private:
    QPointer<QNetworkReply> m_reply;
};

// Used from the thread that created it (the GUI thread).
class QtHttpClient final : public HttpClient {
public:
    std::shared_ptr<HttpCall> get(const QUrl& url, std::chrono::milliseconds timeout, const QByteArray& userAgent,
                                  std::function<void(const HttpResponse&)> done) override
    {
        QNetworkRequest request(url);
        request.setRawHeader("User-Agent", userAgent);
        request.setTransferTimeout(int(timeout.count()));
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
        QNetworkReply* reply = m_nam.get(request);
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, done = std::move(done)] {
            HttpResponse r;
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            r.status = status.isValid() ? status.toInt() : 0;
            r.body = reply->readAll();
            // An HTTP error status still carries an answer; only transport
            // failures (no status at all) count as such.
            r.transportError = reply->error() != QNetworkReply::NoError && r.status == 0;
            r.errorText = reply->errorString();
            reply->deleteLater();
            done(r);
        });
        return std::make_shared<ReplyCall>(reply);
    }

private:
    QNetworkAccessManager m_nam;
};

} // namespace

std::unique_ptr<HttpClient> makeHttpClient() { return std::make_unique<QtHttpClient>(); }

} // namespace tw::host

#include "platform/HostServices.h"

#include "platform/Delivery.h"
#include "platform/HttpTransport.h"
#include "platform/TransferModule.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>

#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tw::host {

namespace {

using http::failed;

// Loaded once per process, by the first transfer thread that needs it. A
// process out of file descriptors is no verdict on the module: that failure
// is not kept, and the next transfer thread tries again.
http::Module transferModule()
{
    static std::mutex mutex;
    static std::optional<http::Module> kept;
    const std::lock_guard lock(mutex);
    if (kept)
        return *kept;
    http::Module module = http::loadModule();
    if (!module.outOfDescriptors)
        kept = module;
    return module;
}

// A client's transfers, on a thread of its own started with its first
// request: the thread loads the transfer module (libcurl and what it
// brings), then runs the module's transport until the end. Requests made
// meanwhile wait here; without the module, each fails. When the module
// could not be loaded for want of file descriptors, those waiting fail and
// the next request starts the thread again.
class TransferThread {
public:
    TransferThread(HttpClientOptions options, http::Finished finished)
        : m_options(std::move(options))
        , m_finished(std::move(finished))
        , m_thread([this] { run(); })
    {
    }

    // Ends every transfer at once; their answers never come.
    ~TransferThread()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
            if (m_transport)
                m_transport->stop();
        }
        m_thread.join();
        m_transport.reset();
    }

    TransferThread(const TransferThread&) = delete;
    TransferThread& operator=(const TransferThread&) = delete;

    void start(http::Request request)
    {
        QString why;
        {
            const std::lock_guard lock(m_mutex);
            if (m_transport)
                return m_transport->start(std::move(request));
            if (!m_broken) {
                if (m_reload) {
                    // Ended, or ending once it has failed those that waited.
                    m_reload = false;
                    m_thread.join();
                    m_thread = std::thread([this] { run(); });
                }
                m_waiting.push_back(std::move(request));
                return;
            }
            why = *m_broken;
        }
        m_finished(request.id, failed(why));
    }

    void cancel(quint64 id)
    {
        const std::lock_guard lock(m_mutex);
        if (m_transport)
            m_transport->cancel(id);
        else
            std::erase_if(m_waiting, [id](const http::Request& r) { return r.id == id; });
    }

private:
    void run()
    {
        const http::Module module = transferModule();
        std::unique_ptr<http::Transport> transport(module.make ? module.make(m_options, m_finished) : nullptr);
        std::vector<http::Request> unserved;
        {
            const std::lock_guard lock(m_mutex);
            if (m_stopping) {
                m_transport = std::move(transport);
                return;
            }
            if (!transport) {
                if (module.outOfDescriptors)
                    m_reload = true;
                else
                    m_broken = module.error;
                unserved.swap(m_waiting);
            } else {
                for (http::Request& request : m_waiting)
                    transport->start(std::move(request));
                m_waiting.clear();
                m_transport = std::move(transport);
            }
        }
        for (const http::Request& request : unserved)
            m_finished(request.id, failed(module.error));
        // Set once, here, and reset only after the thread has ended.
        if (m_transport)
            m_transport->run();
    }

    const HttpClientOptions m_options;
    const http::Finished m_finished;
    std::mutex m_mutex;
    std::unique_ptr<http::Transport> m_transport;  // once loaded
    std::optional<QString> m_broken;                // why there is no transport; set once
    bool m_reload = false;                          // run() ended without a verdict
    std::vector<http::Request> m_waiting;           // until then
    bool m_stopping = false;
    std::thread m_thread;  // last: starts once the rest is built
};

class HostHttpClient;

// Abort drops the answer and ends the transfer; done is never called.
class TransferCall final : public HttpCall {
public:
    TransferCall(HostHttpClient* client, quint64 id) : m_client(client), m_id(id) {}
    void abort() override;

private:
    QPointer<HostHttpClient> m_client;
    quint64 m_id;
};

// Used from the GUI thread, which it never makes wait: the transfers run on
// their own thread, started with the first request and ended when the
// client goes or the application quits. Only http and https are fetched; no
// cookies are sent or kept, nothing is cached on disk.
class HostHttpClient final : public QObject, public HttpClient {
public:
    explicit HostHttpClient(HttpClientOptions options) : m_options(std::move(options))
    {
        if (QCoreApplication* app = QCoreApplication::instance())
            connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_transfers.reset(); });
    }

    ~HostHttpClient() override { m_transfers.reset(); }

    std::shared_ptr<HttpCall> get(const QUrl& url, std::chrono::milliseconds timeout, const QByteArray& userAgent,
                                  std::function<void(const HttpResponse&)> done) override
    {
        const quint64 id = ++m_lastId;
        m_pending.insert(id, std::move(done));
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
            url.host().isEmpty()) {
            Delivery(this).post([this, id, r = failed(QStringLiteral("Unsupported URL"))] { deliver(id, r); });
        } else {
            if (!m_transfers)
                m_transfers = std::make_unique<TransferThread>(
                    m_options, [delivery = Delivery(this), this](quint64 done, const HttpResponse& r) {
                        delivery.post([this, done, r] { deliver(done, r); });
                    });
            m_transfers->start({id, url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment),
                                std::chrono::steady_clock::now() + timeout, userAgent});
        }
        return std::make_shared<TransferCall>(this, id);
    }

    void abort(quint64 id)
    {
        if (m_pending.remove(id) && m_transfers)
            m_transfers->cancel(id);
    }

private:
    void deliver(quint64 id, const HttpResponse& r)
    {
        // Taken first: done may start another request or abort one.
        if (const auto done = m_pending.take(id))
            done(r);
    }

    const HttpClientOptions m_options;
    QHash<quint64, std::function<void(const HttpResponse&)>> m_pending;  // requests whose answer is still due
    quint64 m_lastId = 0;
    std::unique_ptr<TransferThread> m_transfers;
};

void TransferCall::abort()
{
    if (m_client)
        m_client->abort(m_id);
}

} // namespace

std::unique_ptr<HttpClient> makeHttpClient(HttpClientOptions options)
{
    return std::make_unique<HostHttpClient>(std::move(options));
}

} // namespace tw::host

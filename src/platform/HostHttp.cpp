#include "platform/HostServices.h"

#include "platform/Delivery.h"
#include "platform/HttpTransport.h"
#include "platform/TransferModule.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace tw::host {

namespace {

using http::failed;
using Clock = std::chrono::steady_clock;

QString notStarted(const QString& shortage)
{
    return QStringLiteral("The HTTP component could not be started: %1").arg(shortage);
}

// A client's transfers, on a thread of its own that makes the module's
// transport and runs it until the end. Requests made meanwhile wait here.
// A transport that could not be made (no memory for libcurl) fails them and
// every later one: the client then makes another.
class TransferThread {
public:
    // Throws std::system_error or std::bad_alloc when no thread can be made.
    TransferThread(http::MakeTransport make, HttpClientOptions options, http::Finished finished)
        : m_make(make)
        , m_options(std::move(options))
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

    // Whether the transport could not be made.
    bool ended() const
    {
        const std::lock_guard lock(m_mutex);
        return m_ended;
    }

    void start(http::Request request)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (m_transport)
                return m_transport->start(std::move(request));
            if (!m_ended)
                return m_waiting.push_back(std::move(request));
        }
        m_finished(request.id, failed(notStarted(http::outOfMemory())));
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
        std::unique_ptr<http::Transport> transport;
        try {
            transport.reset(m_make(m_options, m_finished));
        } catch (const std::bad_alloc&) {
        }
        std::vector<http::Request> unserved;
        {
            const std::lock_guard lock(m_mutex);
            if (m_stopping) {
                m_transport = std::move(transport);
                return;
            }
            if (transport) {
                for (http::Request& request : m_waiting)
                    transport->start(std::move(request));
                m_waiting.clear();
                m_transport = std::move(transport);
            } else {
                m_ended = true;
                unserved.swap(m_waiting);
            }
        }
        for (const http::Request& request : unserved)
            m_finished(request.id, failed(notStarted(http::outOfMemory())));
        // Set once, here, and reset only after the thread has ended.
        if (m_transport)
            m_transport->run();
    }

    const http::MakeTransport m_make;
    const HttpClientOptions m_options;
    const http::Finished m_finished;
    mutable std::mutex m_mutex;
    std::unique_ptr<http::Transport> m_transport;  // once made
    bool m_ended = false;                          // it could not be made
    std::vector<http::Request> m_waiting;          // until then
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

// Used from the GUI thread, which it never makes wait: the module is loaded
// on a thread of its own, and the transfers run on a thread of the client's,
// started once the module is there and ended when the client goes or the
// application quits. Every request is answered by its deadline, counted
// from when it was made: the module's loading and its checks included. A
// shortage (memory, a thread, descriptors) fails the requests it meets and
// is tried again by the next. Only http and https are fetched; no cookies
// are sent or kept, nothing is cached on disk.
class HostHttpClient final : public QObject, public HttpClient {
public:
    explicit HostHttpClient(HttpClientOptions options) : m_options(std::move(options))
    {
        m_expiry.setSingleShot(true);
        m_expiry.setTimerType(Qt::PreciseTimer);
        connect(&m_expiry, &QTimer::timeout, this, [this] { expire(); });
        if (QCoreApplication* app = QCoreApplication::instance())
            connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_transfers.reset(); });
    }

    ~HostHttpClient() override { m_transfers.reset(); }

    std::shared_ptr<HttpCall> get(const QUrl& url, std::chrono::milliseconds timeout, const QByteArray& userAgent,
                                  std::function<void(const HttpResponse&)> done) override
    {
        const quint64 id = ++m_lastId;
        const Clock::time_point deadline = Clock::now() + timeout;
        auto call = std::make_shared<TransferCall>(this, id);
        const QString scheme = url.scheme().toLower();
        try {
            m_pending.insert(id, {std::move(done), deadline});
            if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
                url.host().isEmpty())
                failLater(id, QStringLiteral("Unsupported URL"));
            else
                send({id, url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment), deadline, userAgent});
            arm();
        } catch (const std::bad_alloc&) {
            failLater(id, notStarted(http::outOfMemory()));
        }
        return call;
    }

    void abort(quint64 id)
    {
        if (!m_pending.remove(id))
            return;
        std::erase_if(m_waiting, [id](const http::Request& r) { return r.id == id; });
        if (m_transfers)
            m_transfers->cancel(id);
    }

private:
    struct Pending {
        std::function<void(const HttpResponse&)> done;
        Clock::time_point deadline;
    };

    // To the transfer thread, or to wait with the others for the module and
    // a thread to run it on.
    void send(http::Request request)
    {
        if (m_transfers && m_transfers->ended())
            m_transfers.reset();
        if (m_transfers)
            return m_transfers->start(std::move(request));
        m_waiting.push_back(std::move(request));
        http::requestModule([delivery = Delivery(this), lost = m_lost, this](const http::Module& module) {
            postBack(delivery, *lost, [this, module] { moduleReady(module); });
        });
    }

    void moduleReady(const http::Module& module)
    {
        std::vector<http::Request> waiting;
        waiting.swap(m_waiting);
        std::erase_if(waiting, [this](const http::Request& r) { return !m_pending.contains(r.id); });
        if (waiting.empty())
            return;
        QString why = module.error;
        if (module.make && !m_transfers) {
            try {
                m_transfers = std::make_unique<TransferThread>(
                    module.make, m_options,
                    [delivery = Delivery(this), lost = m_lost, this](quint64 done, const HttpResponse& r) {
                        postBack(delivery, *lost, [this, done, r] { deliver(done, r); });
                    });
            } catch (const std::system_error&) {
                why = notStarted(http::noThread());
            } catch (const std::bad_alloc&) {
                why = notStarted(http::outOfMemory());
            }
        }
        for (http::Request& request : waiting) {
            if (m_transfers)
                m_transfers->start(std::move(request));
            else
                deliver(request.id, failed(why));
        }
    }

    // Fails every request whose deadline has come: while the module loads,
    // with what its load waits for.
    void expire()
    {
        const Clock::time_point now = Clock::now();
        std::vector<quint64> due;
        for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
            if (it->deadline <= now)
                due.push_back(it.key());
        const QString loading = http::loadUnderWay();
        const bool lost = m_lost->exchange(false);
        for (const quint64 id : due) {
            const bool waited = std::erase_if(m_waiting, [id](const http::Request& r) { return r.id == id; }) > 0;
            if (!waited && m_transfers)
                m_transfers->cancel(id);
            QString why = QStringLiteral("Request timed out");
            if (waited && !loading.isEmpty())
                why = QStringLiteral("The HTTP component could not be loaded in time: %1").arg(loading);
            else if (lost)
                why = QStringLiteral("Request timed out: %1").arg(http::outOfMemory());
            deliver(id, failed(why));
        }
        arm();
    }

    // The expiry timer, for the first deadline to come.
    void arm()
    {
        if (m_pending.isEmpty())
            return m_expiry.stop();
        Clock::time_point first = Clock::time_point::max();
        for (const Pending& pending : std::as_const(m_pending))
            first = std::min(first, pending.deadline);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now());
        m_expiry.start(std::max<std::chrono::milliseconds>(left, std::chrono::milliseconds(0)));
    }

    void failLater(quint64 id, const QString& why)
    {
        postBack(Delivery(this), *m_lost, [this, id, r = failed(why)] { deliver(id, r); });
    }

    // Posts work back to the client's thread, from any. Out of memory, what
    // it carried is lost: lost is set, and the requests still due are
    // answered at their deadline, saying what was short.
    template <typename Work>
    static void postBack(const Delivery& delivery, std::atomic<bool>& lost, Work&& work)
    {
        try {
            delivery.post(std::forward<Work>(work));
        } catch (const std::bad_alloc&) {
            lost = true;
        }
    }

    void deliver(quint64 id, const HttpResponse& r)
    {
        // Taken first: done may start another request or abort one.
        if (const auto done = m_pending.take(id).done)
            done(r);
    }

    const HttpClientOptions m_options;
    QHash<quint64, Pending> m_pending;  // requests whose answer is still due
    std::vector<http::Request> m_waiting;  // for the module and a thread to run it on
    quint64 m_lastId = 0;
    QTimer m_expiry;
    // An answer could not be posted for want of memory; shared with the
    // threads that post, which may outlive the client.
    const std::shared_ptr<std::atomic<bool>> m_lost = std::make_shared<std::atomic<bool>>(false);
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

#pragma once

// One row's check in flight and where its requests go.

#include "engine/updates/UpdateModels.h"
#include "platform/AwaitedRun.h"
#include "platform/Platform.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

namespace tw {

// Where and how update requests go. Tests point the lookup at a local server
// and shorten the timeout.
struct UpdateRequestOptions {
    QUrl lookupBase = QUrl(QStringLiteral("https://itunes.apple.com"));
    std::chrono::milliseconds timeout = std::chrono::seconds(12);
};

inline const QByteArray kUpdateUserAgent = QByteArrayLiteral("Sweepline/1.0");

class UpdateCheck;
using UpdateDone = std::function<void(const UpdateAvailability&)>;

namespace appcast {
std::unique_ptr<UpdateCheck> checkSparkle(const Platform& p, const AppUpdateItem& item,
                                          const UpdateRequestOptions& options, UpdateDone done);
}
namespace appstore {
std::unique_ptr<UpdateCheck> checkAppStore(const Platform& p, const AppUpdateItem& item,
                                           const UpdateRequestOptions& options, UpdateDone done);
}

// One row's check in flight. File reads and parsing run on the thread pool,
// the request on the thread that started the check; done is called once on
// that thread, never synchronously from the starting call, and never after
// cancel() or destruction. done must not destroy the check.
class UpdateCheck {
public:
    using Done = UpdateDone;
    explicit UpdateCheck(Done done);
    ~UpdateCheck();  // cancels, then waits for a running file read
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    void cancel();

private:
    // The two sources build their checks from the steps below.
    friend std::unique_ptr<UpdateCheck> appcast::checkSparkle(const Platform&, const AppUpdateItem&,
                                                           const UpdateRequestOptions&, UpdateDone);
    friend std::unique_ptr<UpdateCheck> appstore::checkAppStore(const Platform&, const AppUpdateItem&,
                                                                const UpdateRequestOptions&, UpdateDone);
    // Runs work() on the pool, then then(result) on the starting thread
    // unless the check has ended by then.
    template <typename Work, typename Then>
    void onPool(Work work, Then then, bool readsFiles)
    {
        startStep([work = std::move(work), then = std::move(then)]() mutable -> std::function<void()> {
            return [then, result = work()] { then(result); };
        }, readsFiles);
    }
    // A step's pool part, which returns its part on the starting thread.
    using Step = std::function<std::function<void()>()>;
    void startStep(Step step, bool readsFiles);
    // Requests url and turns the answer into the result on the pool.
    void fetch(HttpClient& http, const QUrl& url, std::chrono::milliseconds timeout,
               std::function<UpdateAvailability(const HttpResponse&)> read);
    void finish(const UpdateAvailability& result);
    void finishLater(const UpdateAvailability& result);
    bool ended() const { return !m_done; }  // finished or cancelled

    std::unique_ptr<QObject> m_context;  // the steps' results come back while it lives
    std::shared_ptr<HttpCall> m_call;
    AwaitedRun m_fileRead;
    Done m_done;
};

} // namespace tw

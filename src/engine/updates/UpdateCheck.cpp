#include "engine/updates/UpdateCheck.h"

namespace tw {

UpdateCheck::UpdateCheck(Done done)
    : m_context(std::make_unique<QObject>())
    , m_done(std::move(done))
{
}

UpdateCheck::~UpdateCheck()
{
    cancel();
    // The file read reaches the platform, which may not outlive this check.
    m_fileRead.wait();
}

void UpdateCheck::cancel()
{
    m_done = nullptr;
    if (auto call = std::move(m_call))
        call->abort();
}

void UpdateCheck::startStep(Step step, bool readsFiles)
{
    if (ended())
        return;
    AwaitedRun run(m_context.get(), std::move(step), [this](const std::function<void()>& then) {
        if (!ended())
            then();
    });
    // A file read is awaited on destruction.
    if (readsFiles)
        m_fileRead = std::move(run);
}

void UpdateCheck::fetch(HttpClient& http, const QUrl& url, std::chrono::milliseconds timeout,
                        std::function<UpdateAvailability(const HttpResponse&)> read)
{
    if (ended())
        return;
    m_call = http.get(url, timeout, kUpdateUserAgent, [this, read = std::move(read)](const HttpResponse& response) {
        onPool([response, read] { return read(response); },
               [this](const UpdateAvailability& result) { finish(result); }, false);
    });
}

void UpdateCheck::finish(const UpdateAvailability& result)
{
    if (ended())
        return;
    m_call.reset();
    const Done done = std::exchange(m_done, nullptr);
    done(result);
}

void UpdateCheck::finishLater(const UpdateAvailability& result)
{
    QMetaObject::invokeMethod(m_context.get(), [this, result] { finish(result); }, Qt::QueuedConnection);
}

} // namespace tw

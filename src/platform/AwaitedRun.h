#pragma once

// Pool work whose end can be awaited, for owners that must wait for it when
// they go (a Delivery cannot be awaited). The result is stored, then the
// future finishes; whoever has seen it finished takes the result.

#include "platform/ThreadPool.h"

#include <QFuture>
#include <QPromise>

#include <memory>
#include <optional>

namespace tw {

template <typename T>
class AwaitedRun {
public:
    // Nothing runs: finished, without a result.
    AwaitedRun() = default;
    // Starts work() on the engine pool.
    template <typename F>
    explicit AwaitedRun(F work)
    {
        QPromise<void> promise;
        m_future = promise.future();
        promise.start();
        startOnPool([promise = std::move(promise), work = std::move(work), slot = m_slot]() mutable {
            slot->emplace(work());
            sanitizer::handOver(slot.get());
            promise.finish();
        });
    }

    // For a QFutureWatcher.
    const QFuture<void>& future() const { return m_future; }
    // Once finished: the result, or nothing when the work never ran.
    std::optional<T> take()
    {
        sanitizer::takeOver(m_slot.get());
        return std::exchange(*m_slot, std::nullopt);
    }
    // Waits for the end; what the work did is then seen by this thread.
    void wait()
    {
        m_future.waitForFinished();
        sanitizer::takeOver(m_slot.get());
    }

private:
    std::shared_ptr<std::optional<T>> m_slot = std::make_shared<std::optional<T>>();
    QFuture<void> m_future;
};

} // namespace tw

#pragma once

// runInBackground whose work its owner can also wait for, as an owner must
// whose work reads what goes with it; a Delivery alone cannot be awaited.

#include "platform/Delivery.h"

#include <QFuture>
#include <QPromise>

#include <memory>

namespace tw {

class AwaitedRun {
public:
    // Nothing runs: finished.
    AwaitedRun() = default;
    // As runInBackground(context, work, then, priority). The run ends once
    // work() has returned, or when the pool drops it unrun.
    template <typename Work, typename Then>
    AwaitedRun(QObject* context, Work work, Then then, int priority = 0)
    {
        QPromise<void> end;
        m_end = end.future();
        end.start();
        runInBackground(
            context,
            [work = std::move(work), end = std::move(end), seen = m_seen]() mutable {
                auto result = work();
                sanitizer::handOver(seen.get());
                end.finish();
                return result;
            },
            std::move(then), priority);
    }

    bool isFinished() const { return m_end.isFinished(); }
    // Waits for the end; what the work did is then seen by this thread.
    void wait()
    {
        m_end.waitForFinished();
        sanitizer::takeOver(m_seen.get());
    }

private:
    QFuture<void> m_end;
    std::shared_ptr<char> m_seen = std::make_shared<char>();  // where the sanitizer sees the end cross
};

} // namespace tw

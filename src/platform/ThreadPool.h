#pragma once

#include <QThreadPool>

#include <functional>
#include <memory>

namespace tw {

// The pool every engine runs its background work on. Qt's raster painting
// hands large fills to the global pool and waits for them, so scans must not
// occupy that one.
QThreadPool& enginePool();

// Work started on the engine pool that its starter waits for. Whichever
// comes first runs it: a pool thread, or wait() itself when no thread has
// taken it yet, so a busy pool never stalls the waiter.
class PoolTask {
public:
    explicit PoolTask(std::function<void()> work, int priority = 0);
    PoolTask(PoolTask&&) = default;
    PoolTask& operator=(PoolTask&&) = delete;
    ~PoolTask();  // waits

    void wait();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// Runs work(0) ... work(count - 1) with at most width calls at a time, on
// the calling thread and pool threads; returns when every call has ended.
// width 0: as many as the pool has threads, and the caller.
void parallelFor(size_t count, const std::function<void(size_t)>& work, size_t width = 0);

} // namespace tw

#include "platform/ThreadPool.h"

#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <latch>
#include <memory>
#include <vector>

namespace tw {

QThreadPool& enginePool()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(QThread::idealThreadCount());
        keepThreads(*p);
        return p;
    }();
    return *pool;
}

namespace {

// Holds a thread of the pool until every thread of it holds one.
class Warm final : public QRunnable {
public:
    explicit Warm(std::shared_ptr<std::latch> started) : m_started(std::move(started)) {}
    void run() override
    {
        sanitizer::takeOver(this);
        m_started->arrive_and_wait();
    }

private:
    std::shared_ptr<std::latch> m_started;
};

} // namespace

void keepThreads(QThreadPool& pool)
{
    pool.setExpiryTimeout(-1);
    // As many jobs as threads, each held until all run: each has a thread.
    const int count = pool.maxThreadCount();
    const auto started = std::make_shared<std::latch>(count);
    for (int k = 0; k < count; ++k) {
        auto* job = new Warm(started);
        sanitizer::handOver(job);
        pool.start(job);
    }
}

void keepPoolThreads()
{
    enginePool();
    keepThreads(*QThreadPool::globalInstance());
}

void waitForEnginePool()
{
    enginePool().waitForDone();
    sanitizer::takeOver(&enginePool());
}

struct PoolTask::State {
    std::function<void()> work;
    std::atomic<bool> claimed{false};
    QSemaphore done;

    bool claim() { return !claimed.exchange(true, std::memory_order_acq_rel); }
};

PoolTask::PoolTask(std::function<void()> work, int priority)
    : m_state(std::make_shared<State>())
{
    m_state->work = std::move(work);
    // The pool's copy of the state outlives this object when wait() ran the
    // work itself; it then finds the work claimed and does nothing.
    startOnPool(
        [state = m_state] {
            if (state->claim()) {
                state->work();
                sanitizer::handOver(state.get());
                state->done.release();
            }
        },
        priority);
}

PoolTask::~PoolTask()
{
    wait();
}

void PoolTask::wait()
{
    if (!m_state)
        return;
    if (m_state->claim())
        m_state->work();
    else {
        m_state->done.acquire();
        sanitizer::takeOver(m_state.get());
    }
    m_state.reset();
}

void parallelFor(size_t count, const std::function<void(size_t)>& work, size_t width)
{
    if (count == 0)
        return;
    if (width == 0)
        width = size_t(enginePool().maxThreadCount()) + 1;
    std::atomic<size_t> next{0};
    auto drain = [&] {
        for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;)
            work(i);
    };
    std::vector<PoolTask> helpers;
    helpers.reserve(std::min(width, count) - 1);
    for (size_t h = 1; h < std::min(width, count); ++h)
        helpers.emplace_back(drain);
    drain();
    for (PoolTask& helper : helpers)
        helper.wait();
}

} // namespace tw

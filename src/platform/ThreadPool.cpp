#include "platform/ThreadPool.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tw {

namespace {

using namespace std::chrono_literals;

// What a warm-up made of a pool's threads. Qt counts a thread it could not
// make (the account's task limit reached, the address space full) as busy
// for good and drops the job it was for: the pool runs on the threads it
// has, and its own waitForDone never returns.
struct Kept {
    int asked = 0;
    std::atomic<int> made{0};
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    std::chrono::steady_clock::time_point opened;

    // Waits until started says so, or a second after the warm-up was
    // started: a thread that was made takes its job at once.
    template <typename Started>
    void awaitStarts(Started started)
    {
        std::unique_lock lock(mutex);
        changed.wait_until(lock, opened + 1s, started);
    }
    // Until every job of the warm-up runs.
    void settle()
    {
        awaitStarts([this] { return made.load() == asked; });
    }
    // The threads the pool counts as busy but never made (once settled).
    int missing() const { return asked - made.load(); }
    // Waits until no job runs on the threads there are.
    void waitForIdle(QThreadPool& pool) const
    {
        while (pool.activeThreadCount() > missing())
            std::this_thread::sleep_for(1ms);
    }
};

// Holds a thread of the pool until every job of the warm-up was given one.
class Warm final : public QRunnable {
public:
    explicit Warm(std::shared_ptr<Kept> kept) : m_kept(std::move(kept)) {}
    void run() override
    {
        sanitizer::takeOver(this);
        std::unique_lock lock(m_kept->mutex);
        ++m_kept->made;
        m_kept->changed.notify_all();
        m_kept->changed.wait(lock, [this] { return m_kept->open; });
    }

private:
    std::shared_ptr<Kept> m_kept;
};

std::shared_ptr<Kept> warm(QThreadPool& pool)
{
    pool.setExpiryTimeout(-1);
    auto kept = std::make_shared<Kept>();
    kept->asked = pool.maxThreadCount();
    // The pool makes a thread for each job as it is started, since none of
    // the earlier ones is free: each job has a thread, or one that could
    // not be made.
    for (int k = 0; k < kept->asked; ++k) {
        auto* job = new Warm(kept);
        sanitizer::handOver(job);
        pool.start(job);
    }
    const std::lock_guard lock(kept->mutex);
    kept->open = true;
    kept->opened = std::chrono::steady_clock::now();
    kept->changed.notify_all();
    return kept;
}

// Never destroyed: pool threads may still start work as the process ends.
std::shared_ptr<Kept>* keptEngine = nullptr;
std::shared_ptr<Kept>* keptGlobal = nullptr;

// Qt's end waits for its global pool, for good when it is short of a
// thread. Run after everything of the program but the process's own end;
// the program never ends its event loop with another status.
void endWithoutWaitingForMissingThreads()
{
    if (!keptGlobal)
        return;
    (*keptGlobal)->settle();
    if ((*keptGlobal)->missing() == 0)
        return;
    (*keptGlobal)->waitForIdle(*QThreadPool::globalInstance());
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

} // namespace

QThreadPool& enginePool()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(QThread::idealThreadCount());
        keptEngine = new std::shared_ptr<Kept>(warm(*p));
        return p;
    }();
    return *pool;
}

void keepThreads(QThreadPool& pool)
{
    warm(pool);
}

void keepPoolThreads()
{
    enginePool();
    if (keptGlobal)
        return;
    keptGlobal = new std::shared_ptr<Kept>(warm(*QThreadPool::globalInstance()));
    qAddPostRoutine(&endWithoutWaitingForMissingThreads);
}

void waitForEnginePool()
{
    QThreadPool& pool = enginePool();
    // Right after the warm-up its threads may not have started yet.
    (*keptEngine)->settle();
    if ((*keptEngine)->missing() > 0)
        (*keptEngine)->waitForIdle(pool);
    else
        pool.waitForDone();
    sanitizer::takeOver(&pool);
}

void startOnEnginePool(QRunnable* job, int priority)
{
    QThreadPool& pool = enginePool();
    Kept& kept = **keptEngine;
    // A thread that was made takes its warm-up job at once; one that was not never does.
    if (kept.made.load() == 0)
        kept.awaitStarts([&] { return kept.made.load() > 0; });
    // A pool with no thread would keep the job queued for good.
    if (kept.made.load() > 0) {
        pool.start(job, priority);
        return;
    }
    job->run();
    delete job;
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

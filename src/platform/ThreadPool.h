#pragma once

#include <QRunnable>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace tw {

// Qt is not built with ThreadSanitizer: what it hands from one thread to
// another (a pool job, a posted event, a semaphore) it orders with futexes
// the sanitizer cannot see. These say where our objects cross; elsewhere
// they are nothing.
namespace sanitizer {
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
inline void handOver(void* object) { __tsan_release(object); }
inline void takeOver(void* object) { __tsan_acquire(object); }
#else
inline void handOver(void*) {}
inline void takeOver(void*) {}
#endif
} // namespace sanitizer

// The pool every engine runs its background work on, its threads made at
// once and kept (keepThreads). Qt's raster painting hands large fills to the
// global pool and waits for them, so scans must not occupy that one.
QThreadPool& enginePool();

// Makes every thread the pool may run and keeps them for good. A Qt thread
// makes a wake-up descriptor as it starts and aborts the program without
// one, so a pool that made its threads again after they idled would end a
// program that is out of descriptors. Costs a parked thread per thread (the
// stack pages it touched, an event dispatcher, one eventfd). The threads
// start within a millisecond or so (the caller does not wait). When the
// system cannot make them all (the task limit reached, the address space
// full) the pool runs on those it has: Qt counts a thread it could not make
// as busy for good, so later work never needs a new one. Not from a thread
// of the pool itself.
void keepThreads(QThreadPool& pool);

// keepThreads for the pools the program runs work on: the engine pool and
// Qt's global pool, to which its painting hands large fills. Once, at
// start-up, while descriptors are free. Qt's end would wait for good for a
// global pool short of a thread: the process then ends once its work has.
void keepPoolThreads();

// Waits until every job on the engine pool has ended; what they did is then
// in the sanitizer's sight too. The pool's threads end with it (Qt's
// waitForDone), unless it is short of one: for the end of the program, and
// tests.
void waitForEnginePool();

// Starts job (deleted once run) on the engine pool; where the pool has no
// thread at all (a second after its warm-up, none has started), runs it at
// once.
void startOnEnginePool(QRunnable* job, int priority);

// A pool job that owns a (possibly move-only) callable; QThreadPool's own
// wrapper would want to copy it. Destroyed where it ran, once it has.
template <typename F>
class PoolJob final : public QRunnable {
public:
    explicit PoolJob(F f) : m_f(std::move(f)) {}
    ~PoolJob() override
    {
        m_f.reset();
        sanitizer::handOver(&enginePool());
    }
    void run() override
    {
        sanitizer::takeOver(this);
        (*m_f)();
    }

private:
    std::optional<F> m_f;
};

// Starts work on the engine pool; what it holds crosses to the pool thread
// in the sanitizer's sight too.
template <typename F>
void startOnPool(F work, int priority = 0)
{
    auto* job = new PoolJob<F>(std::move(work));
    sanitizer::handOver(job);
    startOnEnginePool(job, priority);
}

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

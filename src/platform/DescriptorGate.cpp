#include "platform/DescriptorGate.h"

#include <atomic>
#include <condition_variable>
#include <unistd.h>

namespace tw::descriptors {

namespace {

// A waiter wakes on a close of ours, and at least this often for the
// descriptors given back unannounced (by a waiter, or elsewhere).
constexpr std::chrono::milliseconds kPoll{20};

std::mutex g_lock;
std::condition_variable g_wake;
std::condition_variable g_counted;  // a wait came alive or ended
std::atomic<unsigned long> g_progress{0};  // descriptors of ours done with
std::atomic<int> g_waiting{0};   // in next(), to be woken
std::atomic<int> g_waits{0};     // alive
std::atomic<int> g_begun{0};     // ever
std::atomic<long long> g_patienceMs{10'000};
std::atomic<Monotonic> g_clock{nullptr};
// Written by a signal handler: a lock-free store is all it may do.
std::atomic<bool> g_ended{false};
static_assert(std::atomic<bool>::is_always_lock_free);
// Whose turn it is to try again, among the waiters.
std::mutex g_turn;
thread_local NoWait* t_noWait = nullptr;

std::chrono::nanoseconds now()
{
    const Monotonic clock = g_clock.load();
    return clock ? clock() : std::chrono::steady_clock::now().time_since_epoch();
}

} // namespace

void close(int fd)
{
    ::close(fd);
    // Read-only while nobody waits: walks side by side share no written line.
    if (g_waits.load(std::memory_order_relaxed) == 0)
        return;
    g_progress.fetch_add(1);
    if (g_waiting.load() > 0) {
        const std::lock_guard lock(g_lock);
        g_wake.notify_all();
    }
}

std::chrono::milliseconds patience()
{
    return std::chrono::milliseconds(g_patienceMs.load());
}

void setPatience(std::chrono::milliseconds patience)
{
    g_patienceMs.store(patience.count());
}

void setClock(Monotonic monotonic)
{
    g_clock.store(monotonic);
}

void endWaits()
{
    g_ended.store(true, std::memory_order_relaxed);
}

bool awaitWaits(int count, std::chrono::milliseconds within)
{
    std::unique_lock lock(g_lock);
    return g_counted.wait_for(lock, within, [&] { return g_waits.load() == count; });
}

bool awaitWaitsBegun(int count, std::chrono::milliseconds within)
{
    std::unique_lock lock(g_lock);
    return g_counted.wait_for(lock, within, [&] { return g_begun.load() >= count; });
}

NoWait::NoWait() : m_outer(t_noWait)
{
    t_noWait = this;
}

NoWait::~NoWait()
{
    t_noWait = m_outer;
}

Wait::Wait() : m_turn(g_turn, std::defer_lock), m_seenProgress(g_progress.load()), m_lastProgress(now())
{
    const std::lock_guard lock(g_lock);
    g_waits.fetch_add(1);
    g_begun.fetch_add(1);
    g_counted.notify_all();
}

Wait::~Wait()
{
    const std::lock_guard lock(g_lock);
    g_waits.fetch_sub(1);
    g_counted.notify_all();
}

bool Wait::next()
{
    if (m_turn.owns_lock())
        m_turn.unlock();
    if (t_noWait) {
        t_noWait->m_ranOut = true;
        return false;
    }
    const auto ended = [] { return g_ended.load(std::memory_order_relaxed); };
    if (ended())
        return false;
    g_waiting.fetch_add(1);
    {
        std::unique_lock lock(g_lock);
        g_wake.wait_for(lock, kPoll, [&] { return g_progress.load() != m_seenProgress; });
    }
    g_waiting.fetch_sub(1);
    if (ended())
        return false;
    const unsigned long progress = g_progress.load();
    const auto at = now();
    if (progress != m_seenProgress) {
        m_seenProgress = progress;
        m_lastProgress = at;
    } else if (at - m_lastProgress >= patience()) {
        return false;
    }
    m_turn.lock();
    return true;
}

} // namespace tw::descriptors

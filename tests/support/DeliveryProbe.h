#pragma once

#include <atomic>
#include <thread>
#include <utility>

namespace tw::test {

// Counts where tracked objects ran and ended, against the thread that made the log.
class DestructionLog {
public:
    DestructionLog() : m_home(std::this_thread::get_id()) {}

    int made() const { return m_made.load(); }
    int ran() const { return m_ran.load(); }
    int ranElsewhere() const { return m_ranElsewhere.load(); }
    int destroyed() const { return m_destroyed.load(); }
    int destroyedElsewhere() const { return m_destroyedElsewhere.load(); }
    int ranTwice() const { return m_ranTwice.load(); }

private:
    friend class Tracked;
    bool home() const { return std::this_thread::get_id() == m_home; }

    const std::thread::id m_home;
    std::atomic<int> m_made{0}, m_ran{0}, m_ranElsewhere{0}, m_destroyed{0}, m_destroyedElsewhere{0}, m_ranTwice{0};
};

// An object whose end the log counts; a moved-from one is a husk that counts
// nothing. Its own count of runs, written where it runs and read where it
// ends, lets ThreadSanitizer see an end on another thread.
class Tracked {
public:
    explicit Tracked(DestructionLog& log) : m_log(&log) { ++log.m_made; }
    Tracked(Tracked&& other) noexcept : m_log(std::exchange(other.m_log, nullptr)), m_runs(other.m_runs) {}
    Tracked& operator=(Tracked&&) = delete;
    Tracked(const Tracked&) = delete;
    ~Tracked()
    {
        if (!m_log)
            return;
        if (m_runs > 1)
            ++m_log->m_ranTwice;
        ++m_log->m_destroyed;
        if (!m_log->home())
            ++m_log->m_destroyedElsewhere;
    }

    void ran() const
    {
        ++m_runs;
        ++m_log->m_ran;
        if (!m_log->home())
            ++m_log->m_ranElsewhere;
    }

private:
    DestructionLog* m_log;
    mutable int m_runs = 0;
};

} // namespace tw::test

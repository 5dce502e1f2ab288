#pragma once

// A forked child that runs out of file descriptors on purpose, under a limit
// of open files the test process does not share. Under the sanitizers, a
// test file that checks dynamic types while starved needs
// -fno-sanitize=vptr (tests/CMakeLists.txt): the check opens a pipe.

#include "platform/DescriptorGate.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace tw::test {

using Figures = std::vector<std::int64_t>;

// Takes every descriptor the limit leaves but `free`, into held.
inline void exhaust(std::vector<int>& held, int free, int probe)
{
    for (int fd; (fd = ::dup(probe)) >= 0;)
        held.push_back(fd);
    for (int k = 0; k < free && !held.empty(); ++k) {
        ::close(held.back());
        held.pop_back();
    }
}

// Gives n of held back.
inline void giveBack(std::vector<int>& held, int n)
{
    for (int k = 0; k < n && !held.empty(); ++k) {
        ::close(held.back());
        held.pop_back();
    }
}

// Runs body in a forked child under a limit of `limit` open files; body
// takes them with exhaustTo (into held). Its figures come back through a
// pipe; none when the child failed (an abort included) or took too long.
inline Figures inChild(rlim_t limit, const std::function<Figures(const std::function<void(int free)>& exhaustTo,
                                                                 std::vector<int>& held)>& body)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(120);  // a wait that never ends fails the test
        for (int fd = 3; fd < 4096; ++fd)
            if (fd != ends[1])
                ::close(fd);
        struct rlimit r;
        ::getrlimit(RLIMIT_NOFILE, &r);
        r.rlim_cur = limit;
        if (::setrlimit(RLIMIT_NOFILE, &r) != 0)
            ::_exit(2);
        std::vector<int> held;
        const Figures out = body([&](int free) { exhaust(held, free, ends[1]); }, held);
        giveBack(held, int(held.size()));
        for (const std::int64_t v : out)
            if (::write(ends[1], &v, sizeof v) != ssize_t(sizeof v))
                ::_exit(3);
        ::_exit(0);
    }
    ::close(ends[1]);
    Figures out;
    std::int64_t v;
    while (::read(ends[0], &v, sizeof v) == ssize_t(sizeof v))
        out.push_back(v);
    ::close(ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "child ended with status " << status;
        return {};
    }
    return out;
}

// A thread that runs work once told to go, started before the descriptors
// run out.
class Held {
public:
    explicit Held(std::function<void()> work)
        : m_thread([this, work = std::move(work)] {
              m_go.wait(false);
              work();
          })
    {
    }
    void go()
    {
        m_go = true;
        m_go.notify_one();
    }
    void join() { m_thread.join(); }

private:
    std::atomic<bool> m_go{false};
    std::thread m_thread;
};

// The clock of the descriptor gate's patience while it lives, moved only by
// the test (from any thread): a wait outlasts any patience until it moves.
class GateClock {
public:
    GateClock() { descriptors::setClock(read); }
    ~GateClock() { descriptors::setClock(nullptr); }
    GateClock(const GateClock&) = delete;
    GateClock& operator=(const GateClock&) = delete;
    void advance(std::chrono::nanoseconds by) const { s_steady += by.count(); }

private:
    static std::chrono::nanoseconds read() { return std::chrono::nanoseconds(s_steady.load()); }
    static inline std::atomic<std::int64_t> s_steady{0};
};

} // namespace tw::test

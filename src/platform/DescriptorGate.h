#pragma once

// What the walks and listings do when the process runs out of file
// descriptors (EMFILE, ENFILE): wait for one to come back and go on, rather
// than leave a folder out as if it were empty. One gate for the process:
// whatever of ours closes a descriptor wakes whoever waits for one.

#include <cerrno>
#include <chrono>
#include <mutex>

namespace tw::descriptors {

inline bool exhausted(int error)
{
    return error == EMFILE || error == ENFILE;
}

// Closes fd, done with (a folder walked, a file read), and wakes the
// waiters: one of ours came back. Descriptors given up only to make room
// are closed plainly: the waiters find them when they look again.
void close(int fd);

// How long a wait lasts while nothing of ours gives a descriptor back
// (ten seconds unless set; a test may set it shorter).
std::chrono::milliseconds patience();
void setPatience(std::chrono::milliseconds patience);
// The clock the patience runs on, a monotonic reading (the steady clock
// while none is set; a test sets a fake one).
using Monotonic = std::chrono::nanoseconds (*)();
void setClock(Monotonic monotonic);

// Ends every wait for good, for quitting: one under way gives up within a
// poll (20 ms), a later one at once. Safe in a signal handler.
void endWaits();

// Blocks until exactly `count` waits are under way, for at most `within`;
// false if that did not come about (a test holds the process out of
// descriptors until walks wait, or until they stop).
bool awaitWaits(int count, std::chrono::milliseconds within);
// The same until `count` waits have begun since the process started: one
// that ends as the next begins is never missed.
bool awaitWaitsBegun(int count, std::chrono::milliseconds within);

// While one lives, a wait on its thread gives up at once, and ranOut() says
// that one was wanted: the monitor's pass, which is skipped rather than kept
// waiting.
class NoWait {
public:
    NoWait();
    ~NoWait();
    NoWait(const NoWait&) = delete;
    NoWait& operator=(const NoWait&) = delete;

    bool ranOut() const { return m_ranOut; }

private:
    friend class Wait;
    NoWait* m_outer;
    bool m_ranOut = false;
};

// One wait for a descriptor, retried as often as it takes. Hold nothing
// that could be given up while waiting: then walks that wait never keep one
// another waiting.
class Wait {
public:
    Wait();
    ~Wait();
    Wait(const Wait&) = delete;
    Wait& operator=(const Wait&) = delete;

    // Returns once one of ours has been closed since the last try, or after
    // a short while (descriptors freed elsewhere come back unannounced);
    // then the caller tries again, alone among the waiters, until it calls
    // next() again or the wait ends. False once the patience has run out
    // with nothing of ours given back, or the waits have ended: the caller
    // gives up.
    bool next();

private:
    std::unique_lock<std::mutex> m_turn;
    unsigned long m_seenProgress = 0;
    std::chrono::nanoseconds m_lastProgress;
};

// fd = open(); waited for and tried again while it fails for want of a
// descriptor. -1 with errno as open left it when it fails otherwise or the
// patience runs out.
template <typename Open>
int opened(Open&& open)
{
    int fd = open();
    if (fd >= 0 || !exhausted(errno))
        return fd;
    Wait wait;
    while (fd < 0 && exhausted(errno)) {
        if (!wait.next()) {
            errno = EMFILE;
            return -1;
        }
        fd = open();
    }
    return fd;
}

} // namespace tw::descriptors

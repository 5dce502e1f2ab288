// SIGTERM, SIGINT and SIGHUP end the event loop as Quit does, and what
// follows it ends the background work: a move waiting for an administrator's
// password is withdrawn, and work waiting for a file descriptor gives up,
// instead of keeping the program from ending.

#include "app/QuitOnSignal.h"
#include "app/SweeplineApp.h"
#include "platform/DescriptorGate.h"
#include "platform/Services.h"
#include "platform/ThreadPool.h"
#include "support/ProgramHarness.h"
#include "support/Starved.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutex>
#include <QTest>
#include <QTimer>
#include <QWaitCondition>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <csignal>
#include <cstring>
#include <optional>
#include <string>

using namespace tw;

namespace {

constexpr int kDeadlineMs = 20'000;

// An administrator's move that waits for a password until the requests end,
// or, when nothing ends them, gives up after the deadline as something else.
struct WaitingAdmin final : AdminRunner {
    QMutex mutex;
    QWaitCondition changed;
    bool ended = false;
    std::atomic<bool> asked{false};

    Status moveIntoTrash(const QString&, const QString&, const QString&) override
    {
        const QMutexLocker lock(&mutex);
        asked = true;
        const QDeadlineTimer deadline(kDeadlineMs);
        while (!ended && changed.wait(&mutex, deadline)) {
        }
        if (!ended)
            return Error{kScriptErrorDomain, 1, QStringLiteral("never withdrawn")};
        return Error{kScriptErrorDomain, -128, QStringLiteral("User canceled.")};
    }
    void endRequests() override
    {
        const QMutexLocker lock(&mutex);
        ended = true;
        changed.wakeAll();
    }
};

// The signal's own handling, ignored meanwhile so that a signal nobody
// catches ends the wait instead of the test program.
struct IgnoredMeanwhile {
    int signal;
    struct sigaction was {};
    explicit IgnoredMeanwhile(int s) : signal(s)
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(signal, &ignore, &was);
    }
    ~IgnoredMeanwhile() { ::sigaction(signal, &was, nullptr); }
};

} // namespace

class SignalQuit : public ::testing::TestWithParam<int> {};

TEST_P(SignalQuit, EndsTheLoopAndWithdrawsAWaitingPasswordPrompt)
{
    const int signal = GetParam();
    const IgnoredMeanwhile ignored(signal);
    WaitingAdmin admin;
    std::optional<Status> outcome;
    // Nothing on the pool outlives what it writes to, whatever fails below.
    struct Drain {
        WaitingAdmin& admin;
        ~Drain()
        {
            admin.endRequests();
            waitForEnginePool();
        }
    } drain{admin};
    {
        QuitOnSignal quit;
        ASSERT_TRUE(quit.isActive());
        // A removal on the engine pool, waiting for the password.
        startOnPool([&] { outcome = admin.moveIntoTrash("/t", "/s", "/t/s"); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return admin.asked.load(); }, kDeadlineMs));

        QTimer::singleShot(0, [signal] { ::raise(signal); });
        QTimer::singleShot(kDeadlineMs, [] { QCoreApplication::exit(1); });
        EXPECT_EQ(QCoreApplication::exec(), 0);
    }
    {
        // The signal ended the waits for a file descriptor, for good (in
        // this test program too): one begun now gives up at once.
        descriptors::Wait wait;
        EXPECT_FALSE(wait.next());
    }
    SweeplineApp::windDown(admin);
    ASSERT_TRUE(outcome.has_value());  // it ended before the wind-down returned
    ASSERT_FALSE(outcome->ok());
    EXPECT_EQ(outcome->error().code, -128);  // withdrawn as a cancelled prompt
}

TEST(Quit, CtrlQEndsEveryWaitForADescriptor)
{
    // Quit from the window, no signal: what follows the event loop ends the
    // wait of work on the engine pool for a descriptor, on a gate clock that
    // never runs its patience out. Should it not, a watchdog ends the waits
    // after the deadline and the test fails.
    test::Program p;
    MainWindow* window = p.startShown();
    const test::GateClock frozen;
    std::atomic<bool> waiting{false};
    startOnPool([&] {
        descriptors::Wait wait;
        waiting = true;
        while (wait.next()) {
        }
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.load(); }, kDeadlineMs));
    QTimer::singleShot(0, [window] { QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier); });
    QTimer::singleShot(kDeadlineMs, [] { QCoreApplication::exit(1); });
    ASSERT_EQ(QCoreApplication::exec(), 0);

    std::mutex mutex;
    std::condition_variable woundDown;
    bool done = false, rescued = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!woundDown.wait_for(lock, std::chrono::milliseconds(kDeadlineMs), [&] { return done; })) {
            rescued = true;
            descriptors::endWaits();
        }
    });
    SweeplineApp::windDown(*p.fake.admin);
    {
        const std::lock_guard lock(mutex);
        done = true;
    }
    woundDown.notify_all();
    watchdog.join();
    EXPECT_FALSE(rescued);
}

INSTANTIATE_TEST_SUITE_P(EachSignal, SignalQuit, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(sigabbrev_np(info.param)); });

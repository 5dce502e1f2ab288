#pragma once

#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QSemaphore>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>

namespace tw::test {

// Holds every launchctl call (a startup scan's listing, a switch's bootout)
// until released, and counts the scans; launchd answers as before once
// through. The fake's answer is put back when the gate goes.
struct StartupScanGate {
    FakePlatform& fake;
    QSemaphore open;
    std::atomic<int> reached{0};
    std::function<Result<ProcessOutput>(const QStringList&)> before;

    explicit StartupScanGate(FakePlatform& fake) : fake(fake)
    {
        QMutexLocker lock(&fake.launchd.mutex);
        before = fake.launchd.answer;
        fake.launchd.answer = [this](const QStringList& arguments) {
            ++reached;
            if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
                open.acquire();
                open.release();  // once open, it stays open
            }
            return before ? before(arguments) : Result<ProcessOutput>(Error::unavailable());
        };
    }
    ~StartupScanGate()
    {
        release();
        QMutexLocker lock(&fake.launchd.mutex);  // no scan is inside the gate past this
        fake.launchd.answer = before;
    }
    void release()
    {
        if (open.available() == 0)
            open.release();
    }
    // How many calls reached the gate so far.
    int arrived() const { return reached.load(); }
    // How many scans reached launchd; not while one is held.
    int scans()
    {
        QMutexLocker lock(&fake.launchd.mutex);
        return int(std::count_if(fake.launchd.calls.cbegin(), fake.launchd.calls.cend(),
                                 [](const QStringList& a) { return a == QStringList{QStringLiteral("list")}; }));
    }
};

// Holds the next startup scan at the login-item listing, once it has read
// the launch folders, until released; the other scans go through.
struct StartupListingGate {
    struct Gates {
        std::atomic<bool> armed{true};
        QSemaphore arrived, open;
    };
    FakePlatform& fake;
    std::shared_ptr<Gates> gates = std::make_shared<Gates>();

    explicit StartupListingGate(FakePlatform& fake) : fake(fake)
    {
        QMutexLocker lock(&fake.loginItems.mutex);
        fake.loginItems.hold = [g = gates] {
            if (g->armed.exchange(false)) {
                g->arrived.release();
                g->open.acquire();
            }
        };
    }
    ~StartupListingGate()
    {
        release();
        QMutexLocker lock(&fake.loginItems.mutex);
        fake.loginItems.hold = nullptr;
    }
    // Waits until a scan is held; false when none comes.
    bool reached() { return gates->arrived.tryAcquire(1, 60000); }
    void release() { gates->open.release(); }
};

// Wraps a loader so that the next scan run through it, once it has read
// what it lists, waits there until released; the other scans go through.
struct LoaderGate {
    struct Gates {
        std::atomic<bool> armed{true};
        QSemaphore arrived, open;
    };
    std::shared_ptr<Gates> gates = std::make_shared<Gates>();

    ~LoaderGate() { release(); }
    template <typename Loader>
    auto wrap(Loader loader) const
    {
        return [g = gates, loader](const auto&... arguments) {
            auto items = loader(arguments...);
            if (g->armed.exchange(false)) {
                g->arrived.release();
                g->open.acquire();
            }
            return items;
        };
    }
    // Waits until a scan is held; false when none comes.
    bool reached() { return gates->arrived.tryAcquire(1, 60000); }
    void release() { gates->open.release(); }
};

// Holds every move into the Trash at the fake until released, so that a
// removal stays open on its pool thread; the moves go on as before once
// through. The fake's hold is taken away when the gate goes.
struct TrashGate {
    struct Gates {
        QSemaphore open;
        QSemaphore arrived;
    };
    FakePlatform& fake;
    std::shared_ptr<Gates> gates = std::make_shared<Gates>();

    explicit TrashGate(FakePlatform& fake) : fake(fake)
    {
        QMutexLocker lock(&fake.trash->mutex);
        fake.trash->hold = [g = gates] {
            g->arrived.release();
            // A move on the GUI thread would hold the test itself: it is counted and let through.
            if (QThread::currentThread() == QCoreApplication::instance()->thread())
                return;
            g->open.acquire();
            g->open.release();  // once open, it stays open
        };
    }
    ~TrashGate()
    {
        release();
        QMutexLocker lock(&fake.trash->mutex);
        fake.trash->hold = nullptr;
    }
    void release()
    {
        if (gates->open.available() == 0)
            gates->open.release();
    }
    // How many moves reached the gate so far.
    int arrived() const { return gates->arrived.available(); }
};

// Holds every thread of the engine pool until released, so that whatever is
// queued to the pool meanwhile waits: a transient state held open.
struct PoolGate {
    struct Gates {
        QSemaphore held;
        QSemaphore open;
    };
    const int threads = enginePool().maxThreadCount();
    std::shared_ptr<Gates> gates = std::make_shared<Gates>();
    bool holding = false;
    bool released = false;

    PoolGate()
    {
        for (int i = 0; i < threads; ++i)
            enginePool().start([g = gates] {
                g->held.release();
                g->open.acquire();
            });
        holding = gates->held.tryAcquire(threads, 60000);
    }
    ~PoolGate() { release(); }
    void release()
    {
        if (!std::exchange(released, true))
            gates->open.release(threads);
    }
};

} // namespace tw::test

#pragma once

#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"

#include <QMutexLocker>
#include <QSemaphore>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

namespace tw::test {

// Holds every startup scan in its launchd listing until released, and counts
// them; launchd answers as before once through. The fake's answer is put back
// when the gate goes.
struct StartupScanGate {
    FakePlatform& fake;
    QSemaphore open;
    std::function<Result<ProcessOutput>(const QStringList&)> before;

    explicit StartupScanGate(FakePlatform& fake) : fake(fake)
    {
        QMutexLocker lock(&fake.launchd.mutex);
        before = fake.launchd.answer;
        fake.launchd.answer = [this](const QStringList& arguments) {
            open.acquire();
            open.release();  // once open, it stays open
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
    // How many scans reached launchd; not while one is held.
    int scans()
    {
        QMutexLocker lock(&fake.launchd.mutex);
        return int(std::count_if(fake.launchd.calls.cbegin(), fake.launchd.calls.cend(),
                                 [](const QStringList& a) { return a == QStringList{QStringLiteral("list")}; }));
    }
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

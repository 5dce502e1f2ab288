#include "engine/inventory/RemovalLane.h"
#include "platform/ThreadPool.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace tw;

TEST(RemovalLane, OneChangeAtATimeInOrderEachAppliedBeforeItsAskerHears)
{
    RemovalLane lane;
    QSignalSpy busy(&lane, &RemovalLane::busyChanged);
    QObject asker;
    QSemaphore open;
    std::atomic<int> running{0}, most{0};
    std::atomic<bool> offGui{true};
    QStringList log;
    for (int i = 0; i < 3; ++i) {
        lane.run<int>(
            [&, i] {
                most = std::max(most.load(), ++running);
                offGui = offGui && QThread::currentThread() != QCoreApplication::instance()->thread();
                if (i == 0)
                    open.acquire();  // the first holds the rest back
                --running;
                return i;
            },
            [&](int& outcome) {
                log << QStringLiteral("apply %1").arg(outcome);
                outcome *= 10;
            },
            {&asker, [&](const int& outcome) { log << QStringLiteral("told %1").arg(outcome); }});
    }
    EXPECT_TRUE(lane.isBusy());
    EXPECT_EQ(busy.count(), 1);
    // Nothing is applied while the first is held, and the GUI thread goes on.
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.isEmpty());
    open.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lane.isBusy(); }, 60000));
    EXPECT_EQ(log, (QStringList{"apply 0", "told 0", "apply 1", "told 10", "apply 2", "told 20"}));
    EXPECT_EQ(most.load(), 1);
    EXPECT_TRUE(offGui.load());
    ASSERT_EQ(busy.count(), 2);
    EXPECT_FALSE(busy.last().first().toBool());
}

TEST(RemovalLane, AGoneAskerHearsNothingAndAGoneLaneAppliesNothing)
{
    QSemaphore open;
    int applied = 0, told = 0;
    auto lane = std::make_unique<RemovalLane>();
    auto asker = std::make_unique<QObject>();
    lane->run<int>([] { return 1; }, [&](int&) { ++applied; }, {asker.get(), [&](const int&) { ++told; }});
    asker.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lane->isBusy(); }, 60000));
    EXPECT_EQ(applied, 1);  // the engine's lists follow the moves even so
    EXPECT_EQ(told, 0);

    // The engine goes while its change is held on the pool (the program quits).
    lane->run<int>(
        [&] {
            open.acquire();
            return 2;
        },
        [&](int&) { ++applied; }, {});
    lane.reset();
    open.release();
    waitForEnginePool();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(applied, 1);
}

#include "platform/AwaitedRun.h"
#include "platform/Delivery.h"
#include "support/DeliveryProbe.h"
#include "support/ScanGates.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSemaphore>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

using namespace tw;
using tw::test::DestructionLog;
using tw::test::Tracked;

namespace {

constexpr int kDeadlineMs = 60'000;

// Posts from several threads at once, each post a fresh tracked object.
void postFromThreads(const Delivery& delivery, DestructionLog& log, int threads, int each)
{
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t)
        posters.emplace_back([&] {
            for (int i = 0; i < each; ++i)
                delivery.post([tracked = Tracked(log)] { tracked.ran(); });
        });
    for (std::thread& t : posters)
        t.join();
}

} // namespace

TEST(Delivery, PostedWorkRunsAndIsDestroyedOnTheGuiThreadOnly)
{
    // Qt's queued call shares its functor with the poster until the post
    // returns: when the GUI thread runs it first, the poster destroyed it.
    // Many small posts from busy threads while the GUI thread drains.
    constexpr int kThreads = 6, kEach = 50000;
    DestructionLog log;
    QObject context;
    const Delivery delivery(&context);
    std::thread posting([&] { postFromThreads(delivery, log, kThreads, kEach); });
    // The GUI thread drains without pause, as a busy program's does.
    const QDeadlineTimer deadline(kDeadlineMs);
    while (log.destroyed() < kThreads * kEach && !deadline.hasExpired())
        QCoreApplication::processEvents();
    posting.join();
    ASSERT_EQ(log.destroyed(), kThreads * kEach);
    EXPECT_EQ(log.ran(), kThreads * kEach);
    EXPECT_EQ(log.ranTwice(), 0);
    EXPECT_EQ(log.ranElsewhere(), 0);
    EXPECT_EQ(log.destroyedElsewhere(), 0);

    // Posted from the GUI thread itself, in order.
    std::vector<int> order;
    for (int i = 0; i < 5; ++i)
        delivery.post([&order, i] { order.push_back(i); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 5; }, kDeadlineMs));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(Delivery, WorkForAContextThatIsGoneIsDestroyedUnrunOnTheGuiThread)
{
    constexpr int kThreads = 4, kEach = 500;
    DestructionLog log;
    auto context = std::make_unique<QObject>();
    const Delivery delivery(context.get());
    postFromThreads(delivery, log, kThreads, kEach);
    context.reset();
    // The work was queued before the context went: it is dropped when its turn comes.
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.destroyed() == kThreads * kEach; }, kDeadlineMs));
    EXPECT_EQ(log.ran(), 0);
    EXPECT_EQ(log.destroyedElsewhere(), 0);
    // And so is work posted after.
    postFromThreads(delivery, log, 1, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.destroyed() == kThreads * kEach + 10; }, kDeadlineMs));
    EXPECT_EQ(log.ran(), 0);
    EXPECT_EQ(log.destroyedElsewhere(), 0);
}

TEST(Delivery, BackgroundResultsAndTheirHandlersEndOnTheGuiThread)
{
    constexpr int kJobs = 400;
    DestructionLog log;
    QObject context;
    int handled = 0;
    for (int i = 0; i < kJobs; ++i)
        runInBackground(
            &context, [&log] { return Tracked(log); },
            [&handled, keep = Tracked(log)](Tracked result) {
                keep.ran();
                result.ran();
                ++handled;
            });
    // Each job: the object its handler holds, and its result.
    ASSERT_TRUE(QTest::qWaitFor([&] { return handled == kJobs && log.destroyed() == 2 * kJobs; }, kDeadlineMs));
    EXPECT_EQ(log.ranElsewhere(), 0);
    EXPECT_EQ(log.destroyedElsewhere(), 0);

    // A context gone before the results come back: neither handler nor
    // result runs, both are destroyed on the GUI thread.
    DestructionLog dropped;
    auto gone = std::make_unique<QObject>();
    std::atomic<bool> release{false};
    for (int i = 0; i < 8; ++i)
        runInBackground(
            gone.get(),
            [&dropped, &release] {
                while (!release.load())
                    std::this_thread::yield();
                return Tracked(dropped);
            },
            [keep = Tracked(dropped)](Tracked) { keep.ran(); });
    gone.reset();
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return dropped.destroyed() == 16; }, kDeadlineMs));
    EXPECT_EQ(dropped.ran(), 0);
    EXPECT_EQ(dropped.destroyedElsewhere(), 0);
}

TEST(Delivery, WorkLeftWhenTheApplicationEndsIsDestroyedOnItsThreadOrNever)
{
    // A program of its own: it quits while threads post, ends its
    // application object, and posts on past that.
    QProcess probe;
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(QStringLiteral(TIDEWELL_DELIVERY_PROBE), {});
    ASSERT_TRUE(probe.waitForFinished(kDeadlineMs)) << probe.readAll().toStdString();
    const QByteArray out = probe.readAll();
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << out.toStdString();
    EXPECT_EQ(probe.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("destroyed elsewhere 0")) << out.toStdString();
    EXPECT_TRUE(out.contains("ran elsewhere 0")) << out.toStdString();
}

TEST(AwaitedRun, TheResultComesBackOnceAfterTheEndAndARunDroppedUnrunHasNone)
{
    QObject context;
    const Delivery delivery(&context);
    // Whatever was sent before has then run or been dropped.
    const auto drained = [&] {
        bool reached = false;
        delivery.post([&reached] { reached = true; });
        return QTest::qWaitFor([&] { return reached; }, kDeadlineMs);
    };
    QSemaphore go;
    std::vector<QString> results;
    AwaitedRun run(
        &context,
        [&] {
            go.acquire();
            return QStringLiteral("done");
        },
        [&](QString result) { results.push_back(result); });
    EXPECT_FALSE(run.isFinished());
    go.release();
    run.wait();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, kDeadlineMs));
    ASSERT_TRUE(drained());
    EXPECT_EQ(results, std::vector<QString>{QStringLiteral("done")});

    // The pool drops a job it has not started: its waiters still wake.
    tw::test::PoolGate gate;
    ASSERT_TRUE(gate.holding);
    bool cameBack = false;
    AwaitedRun dropped(&context, [] { return 1; }, [&](int) { cameBack = true; });
    enginePool().clear();
    dropped.wait();
    EXPECT_TRUE(dropped.isFinished());
    ASSERT_TRUE(drained());
    EXPECT_FALSE(cameBack);
}

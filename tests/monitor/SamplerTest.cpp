#include "monitor/SystemMonitor.h"
#include "support/MonitorFakes.h"
#include "support/ProcTree.h"

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tw;
using tw::test::FixtureProcess;

namespace {

constexpr std::uint64_t kGiB = 1ull << 30;
const std::uint64_t kPage = std::uint64_t(::sysconf(_SC_PAGESIZE));

// The host readers over a fixture root, with a fixed machine size and clock rate.
struct FixtureReaders final : LinuxProcReaders {
    using LinuxProcReaders::LinuxProcReaders;
    int activeProcessorCount() override { return 4; }
    std::uint64_t physicalMemory() override { return 16 * kGiB; }
    double processTicksPerSecond() override { return 100; }
};

// A monitor over a fixture root; the clock moves only in pass().
struct Sampler {
    test::ProcTree tree;
    FixtureReaders host{tree.root()};
    test::FakeIdentity identity;
    test::FakeMonitorClock clock;
    std::unique_ptr<SystemMonitor> monitor;

    SystemMonitor& start()
    {
        monitor = std::make_unique<SystemMonitor>(SystemMonitor::Sources{&host, &identity, &clock});
        return *monitor;
    }
    const SystemSnapshot& pass(double seconds = 1.0)
    {
        clock.advance(seconds);
        monitor->sample();
        return monitor->snapshot();
    }
};

QStringList names(const QList<LiveProcess>& rows)
{
    QStringList out;
    for (const LiveProcess& p : rows)
        out << p.name;
    return out;
}

const LiveProcess* row(const QList<LiveProcess>& rows, std::int32_t pid)
{
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const LiveProcess& p) { return p.pid == pid; });
    return it == rows.end() ? nullptr : &*it;
}

} // namespace

TEST(Sampler, StartsIdleAndTheFirstPassHasNoSharesOrRates)
{
    const SystemSnapshot initial;
    EXPECT_EQ(initial.cpuIdle, 100);
    EXPECT_EQ(initial.cpuPercent, 0);
    EXPECT_EQ(initial.diskName, "Macintosh HD");
    EXPECT_EQ(initial.diskMediaName, "Macintosh HD");
    EXPECT_EQ(initial.machineName, "Mac");
    EXPECT_EQ(initial.marketingTitle, "Mac");
    EXPECT_EQ(initial.updatedAt.date().year(), 1);
    EXPECT_EQ(initial.coreCount, activeProcessorCount());
    EXPECT_GT(initial.memoryTotal, 0u);
    EXPECT_EQ(initial.batteryHealth, 0);

    Sampler t;
    t.tree.setCpu(100, 0, 100, 800);
    t.tree.setDisk("sda", 1000, 2000);
    t.tree.setInterface("eth0", 5000, 6000);
    t.tree.setProcess({1, "launchd", 500, 500, 3, 100});
    t.identity.identity.chip = "Apple M2";
    const SystemSnapshot& s = t.start().snapshot();
    EXPECT_EQ(s.cpuIdle, 100);
    EXPECT_EQ(s.cpuHistory, QList<double>{0});
    EXPECT_EQ(s.coreCount, 4);
    EXPECT_EQ(s.memoryTotal, 16 * kGiB);
    EXPECT_EQ(s.updatedAt, t.clock.wall);
    EXPECT_EQ(s.uptime, 3600);  // the fixture booted an hour before the clock's start
    EXPECT_EQ(s.load15, 0.10);
    EXPECT_EQ(s.appMemory, 6 * kGiB);
    EXPECT_EQ(s.diskReadTotal, 1000u * 512);
    EXPECT_EQ(s.diskReadPerSec, 0);
    EXPECT_EQ(s.networkInPerSec, 0);
    ASSERT_EQ(s.topProcesses.size(), 1);
    EXPECT_EQ(s.topProcesses[0], (LiveProcess{1, "launchd", 0, 100 * kPage}));
    EXPECT_EQ(s.chipName, "Apple M2");
}

TEST(Sampler, ProcessorPercentagesComeFromTickDifferences)
{
    Sampler t;
    t.tree.setCpu(100, 0, 100, 800);
    t.start();
    struct Step {
        std::uint64_t user, nice, system, idle, iowait, irq;
        double cpuUser, cpuSystem, cpuIdle;
    };
    const Step steps[] = {
        {130, 10, 120, 840, 0, 0, 40, 20, 40},   // 30 + 10 nice, 20 system, 40 idle of 100
        {130, 10, 120, 840, 0, 0, 40, 20, 40},   // no ticks at all: kept
        {140, 10, 130, 500, 0, 0, 40, 20, 40},   // idle went back: kept
        {150, 10, 130, 590, 0, 0, 10, 0, 90},    // measured from the backward reading
        {150, 10, 140, 590, 30, 10, 0, 40, 60},  // interrupts count as system, waiting as idle
    };
    QList<double> history{0};
    for (const Step& step : steps) {
        t.tree.setCpu(step.user, step.nice, step.system, step.idle, step.iowait, step.irq);
        const SystemSnapshot& s = t.pass();
        SCOPED_TRACE(step.idle);
        EXPECT_DOUBLE_EQ(s.cpuUser, step.cpuUser);
        EXPECT_DOUBLE_EQ(s.cpuSystem, step.cpuSystem);
        EXPECT_DOUBLE_EQ(s.cpuIdle, step.cpuIdle);
        EXPECT_DOUBLE_EQ(s.cpuPercent, step.cpuUser + step.cpuSystem);
        history << s.cpuPercent;
        EXPECT_EQ(s.cpuHistory, history);
    }

    // A pass without processor counters changes none of the percentages.
    t.tree.remove("/proc/stat");
    const SystemSnapshot before = t.monitor->snapshot();
    const SystemSnapshot& s = t.pass();
    EXPECT_EQ(s.cpuPercent, before.cpuPercent);
    EXPECT_EQ(s.cpuIdle, before.cpuIdle);
    EXPECT_EQ(s.uptime, 0);
}

TEST(Sampler, HistoryKeepsTheLastSixtyPassesOldestFirst)
{
    Sampler t;
    t.start();
    for (std::uint64_t k = 1; k <= 60; ++k) {
        // k busy ticks out of 100 in pass k
        t.tree.setCpu(k * (k + 1) / 2, 0, 0, 100 * k - k * (k + 1) / 2);
        const SystemSnapshot& s = t.pass();
        EXPECT_DOUBLE_EQ(s.cpuPercent, double(k));
        if (k == 59) {
            EXPECT_EQ(s.cpuHistory.size(), 60);
            EXPECT_EQ(s.cpuHistory.front(), 0);
        }
    }
    const QList<double>& history = t.monitor->snapshot().cpuHistory;
    ASSERT_EQ(history.size(), 60);
    EXPECT_DOUBLE_EQ(history.front(), 1);
    EXPECT_DOUBLE_EQ(history.back(), 60);
}

TEST(Sampler, RatesAndSharesNeedAReadingMoreThanAFifthOfASecondOld)
{
    Sampler t;
    t.tree.setDisk("sda", 0, 0);
    t.tree.setInterface("eth0", 0, 0);
    t.tree.setProcess({7, "worker", 0, 0, 1, 1});
    t.start();

    struct Step {
        double after;
        std::uint64_t sectors, bytesIn, ticks;
        double readRate, inRate, share;
    };
    const Step steps[] = {
        {1.0, 2, 500, 50, 1024, 500, 50},    // 50 ticks of 1/100 s in 1 s
        {0.2, 100, 10000, 150, 1024, 500, 0}, // too soon: rates kept, shares 0, readings replaced
        {0.5, 110, 10500, 175, 10240, 1000, 50},
    };
    for (const Step& step : steps) {
        t.tree.setDisk("sda", step.sectors, 0);
        t.tree.setInterface("eth0", step.bytesIn, 0);
        t.tree.setProcess({7, "worker", step.ticks, 0, 1, 1});
        const SystemSnapshot& s = t.pass(step.after);
        SCOPED_TRACE(step.sectors);
        EXPECT_EQ(s.diskReadTotal, step.sectors * 512);
        EXPECT_DOUBLE_EQ(s.diskReadPerSec, step.readRate);
        EXPECT_DOUBLE_EQ(s.networkInPerSec, step.inRate);
        ASSERT_EQ(s.topProcesses.size(), 1);
        EXPECT_NEAR(s.topProcesses[0].cpuPercent, step.share, 1e-9);
    }
}

TEST(Sampler, ListsTopProcessesByShareAndByMemoryWithStableTies)
{
    Sampler t;
    // pid, name, ticks of the second pass, resident pages
    const std::tuple<std::int32_t, QByteArray, std::uint64_t, std::uint64_t> table[] = {
        {300, "Web Content (1)", 20, 50}, {12, "kernel_task", 0, 10},  {40, "a) b (c", 20, 50},
        {41, "mds", 5, 70},               {42, "idle one", 0, 60},     {43, "idle two", 0, 60},
        {44, "idle three", 0, 10},        {45, "idle four", 0, 10},    {46, "idle five", 0, 10},
        {47, "idle six", 0, 10},          {48, "", 500, 900},
    };
    for (const auto& [pid, name, ticks, pages] : table)
        t.tree.setProcess({pid, name, 0, 0, 2, pages});
    t.start();
    for (const auto& [pid, name, ticks, pages] : table)
        t.tree.setProcess({pid, name, ticks / 2, ticks - ticks / 2, 2, pages});
    const SystemSnapshot& s = t.pass();

    EXPECT_EQ(s.processCount, 11);  // the nameless one counts
    EXPECT_EQ(s.threadCount, 22);
    EXPECT_EQ(names(s.topProcesses), (QStringList{"a) b (c", "Web Content (1)", "mds", "kernel_task", "idle one",
                                                  "idle two", "idle three", "idle four"}));
    EXPECT_EQ(names(s.topMemoryProcesses),
              (QStringList{"mds", "idle one", "idle two", "a) b (c", "Web Content (1)", "kernel_task"}));
    EXPECT_DOUBLE_EQ(s.topProcesses[0].cpuPercent, 20);
    EXPECT_EQ(s.topMemoryProcesses[0].memory, 70 * kPage);

    // A vanished process leaves; a reused pid with smaller times gets no absurd share.
    t.tree.removeProcess(300);
    t.tree.setProcess({40, "new owner", 1, 0, 1, 5});
    t.tree.setProcess({41, "mds", 10, 10, 2, 70});
    const SystemSnapshot& next = t.pass();
    EXPECT_EQ(next.processCount, 10);
    EXPECT_EQ(row(next.topProcesses, 300), nullptr);
    EXPECT_DOUBLE_EQ(row(next.topProcesses, 41)->cpuPercent, 15);
    ASSERT_NE(row(next.topProcesses, 40), nullptr);
    EXPECT_EQ(row(next.topProcesses, 40)->cpuPercent, 0);
    EXPECT_EQ(names(next.topProcesses).front(), "mds");
}

TEST(Sampler, FailedReadingsKeepTheLastGoodValuesAndRatesResumeFromThem)
{
    Sampler t;
    t.tree.setCpu(0, 0, 0, 0);
    t.tree.setDisk("sda", 0, 0);
    t.tree.setInterface("eth0", 0, 0);
    t.start();
    t.tree.setCpu(50, 0, 0, 50);
    t.tree.setDisk("sda", 100, 200);
    t.tree.setInterface("eth0", 1000, 2000);
    const SystemSnapshot good = t.pass();
    ASSERT_EQ(good.diskReadPerSec, 51200);
    ASSERT_EQ(good.networkOutPerSec, 2000);

    for (const char* file : {"/proc/stat", "/proc/loadavg", "/proc/meminfo", "/proc/diskstats", "/proc/net/dev"})
        t.tree.remove(file);
    const SystemSnapshot& failed = t.pass();
    EXPECT_EQ(failed.cpuPercent, good.cpuPercent);
    EXPECT_EQ(failed.load1, good.load1);
    EXPECT_EQ(failed.memoryUsed, good.memoryUsed);
    EXPECT_EQ(failed.appMemory, good.appMemory);
    EXPECT_EQ(failed.diskReadTotal, good.diskReadTotal);
    EXPECT_EQ(failed.diskReadPerSec, good.diskReadPerSec);
    EXPECT_EQ(failed.networkInPerSec, good.networkInPerSec);
    EXPECT_EQ(failed.networkOutPerSec, good.networkOutPerSec);

    // Back again: measured against the last good reading, two seconds ago, not against zero.
    t.tree.setCpu(60, 0, 0, 90);
    t.tree.setDisk("sda", 300, 200);
    t.tree.setInterface("eth0", 3000, 2000);
    const SystemSnapshot& back = t.pass();
    EXPECT_DOUBLE_EQ(back.cpuPercent, 20);
    EXPECT_DOUBLE_EQ(back.diskReadPerSec, 200 * 512 / 2.0);
    EXPECT_DOUBLE_EQ(back.diskWritePerSec, 0);
    EXPECT_DOUBLE_EQ(back.networkInPerSec, 1000);

    // Counters that went back give no rate for that pass, and count from there on.
    t.tree.setDisk("sda", 10, 10);
    EXPECT_EQ(t.pass().diskReadPerSec, 0);
    t.tree.setDisk("sda", 20, 10);
    EXPECT_DOUBLE_EQ(t.pass().diskReadPerSec, 10 * 512);
}

TEST(Sampler, NetworkRatesAddEachInterfaceOwnGrowth)
{
    constexpr std::uint64_t kHuge = 1'000'000'000'000;
    Sampler t;
    t.tree.setInterface("lo", 0, 0);
    t.tree.setInterface("eth0", 1000, 1000);
    t.tree.setInterface("wlan0", 1000, 1000);
    t.start();
    struct Step {
        const char* change;
        std::function<void(test::ProcTree&)> apply;
        double in;
    };
    const Step steps[] = {
        {"both grow; loopback does not count",
         [](test::ProcTree& p) { p.setInterface("lo", kHuge, kHuge); p.setInterface("eth0", 1100, 1000); p.setInterface("wlan0", 1200, 1000); },
         300},
        {"a new interface brings its whole total",
         [](test::ProcTree& p) { p.setInterface("docker0", kHuge, kHuge); p.setInterface("eth0", 1150, 1000); }, 50},
        {"an interface vanishes",
         [](test::ProcTree& p) { p.removeInterface("wlan0"); p.setInterface("eth0", 1160, 1000); p.setInterface("docker0", kHuge + 5, kHuge); },
         15},
        {"a counter is reset", [](test::ProcTree& p) { p.setInterface("eth0", 10, 1000); p.setInterface("docker0", kHuge + 25, kHuge); },
         20},
    };
    for (const Step& step : steps) {
        step.apply(t.tree);
        EXPECT_DOUBLE_EQ(t.pass().networkInPerSec, step.in) << step.change;
    }
}

TEST(Sampler, PublishesOncePerPass)
{
    Sampler t;
    t.start();
    QSignalSpy spy(t.monitor.get(), &SystemMonitor::snapshotChanged);
    QList<QDateTime> seen;
    QObject::connect(t.monitor.get(), &SystemMonitor::snapshotChanged,
                     [&] { seen << t.monitor->snapshot().updatedAt; });
    for (int i = 0; i < 3; ++i)
        t.pass();
    EXPECT_EQ(spy.count(), 3);
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen.back(), t.clock.wall);  // the whole pass is published at once
    EXPECT_LT(seen.front(), seen.back());
}

TEST(Sampler, VolumeIdentityAndBatteryComeFromTheirReaders)
{
    Sampler t;
    t.identity.identity.marketingTitle = "MacBook Pro (14-inch, 2023)";
    t.identity.identity.modelYear = 2023;
    t.identity.ssdName = "APPLE SSD AP1024Z";
    t.start();
    const SystemSnapshot& first = t.monitor->snapshot();
    EXPECT_EQ(first.diskName, "Macintosh HD");  // the fixture has no labelled root volume
    EXPECT_EQ(first.diskMediaName, "Macintosh HD");
    EXPECT_GT(first.diskTotal, 0u);
    EXPECT_EQ(first.diskUsed + first.diskFree, first.diskTotal);
    EXPECT_EQ(first.marketingTitle, "MacBook Pro (14-inch, 2023)");
    EXPECT_EQ(first.modelYear, 2023);
    EXPECT_EQ(first.ssdProductName, "APPLE SSD AP1024Z");
    EXPECT_FALSE(first.batteryPresent);
    EXPECT_EQ(first.batteryHealth, 0);

    t.identity.diskProductName = "APPLE SSD AP1024Z Media";
    t.identity.battery = BatteryReading{80, 91, 120, true, 30.5};
    const SystemSnapshot& charged = t.pass();
    EXPECT_EQ(charged.diskMediaName, "APPLE SSD AP1024Z Media");
    EXPECT_TRUE(charged.batteryPresent);
    EXPECT_EQ(charged.batteryCharge, 80);
    EXPECT_EQ(charged.batteryCycleCount, 120);
    EXPECT_EQ(charged.batteryTemperatureC, 30.5);

    // A pass without a battery reading keeps the last figures but says it is absent.
    t.identity.battery.reset();
    const SystemSnapshot& gone = t.pass();
    EXPECT_FALSE(gone.batteryPresent);
    EXPECT_EQ(gone.batteryHealth, 91);
    EXPECT_TRUE(gone.batteryIsCharging);
}

TEST(Sampler, ReadsPlausibleValuesFromThisMachine)
{
    LinuxProcReaders host;
    test::FakeIdentity identity;
    SteadyMonitorClock clock;
    SystemMonitor monitor({&host, &identity, &clock});
    QThread::msleep(300);
    monitor.sample();
    const SystemSnapshot& s = monitor.snapshot();
    EXPECT_GE(s.cpuPercent, 0);
    EXPECT_LE(s.cpuPercent, 100);
    EXPECT_NEAR(s.cpuUser + s.cpuSystem + s.cpuIdle, 100, 1e-6);
    EXPECT_GE(s.coreCount, 1);
    EXPECT_GT(s.memoryUsed, 0u);
    EXPECT_LT(s.memoryUsed, s.memoryTotal);
    EXPECT_LT(s.memoryFree, s.memoryTotal);
    EXPECT_GT(s.processCount, 1);
    EXPECT_GE(s.threadCount, s.processCount);
    EXPECT_FALSE(s.topProcesses.isEmpty());
    EXPECT_LE(s.topProcesses.size(), 8);
    ASSERT_FALSE(s.topMemoryProcesses.isEmpty());
    EXPECT_LE(s.topMemoryProcesses.size(), 6);
    EXPECT_GT(s.topMemoryProcesses.front().memory, 0u);
    EXPECT_GT(s.diskTotal, 0u);
    EXPECT_LE(s.diskUsed, s.diskTotal);
    EXPECT_GT(s.uptime, 0);
    EXPECT_GE(s.load1, 0);
    EXPECT_GE(s.diskReadPerSec, 0);
    EXPECT_GE(s.networkInPerSec, 0);
}

TEST(Sampler, SharedMonitorSamplesAtOnceAndThenEverySecond)
{
    SystemMonitor& monitor = SystemMonitor::shared();
    EXPECT_EQ(&monitor, &SystemMonitor::shared());
    EXPECT_GT(monitor.snapshot().processCount, 0);
    EXPECT_GT(monitor.snapshot().updatedAt.date().year(), 2000);
    EXPECT_FALSE(monitor.snapshot().osVersion.isEmpty());  // the host's identity reader answers
    QSignalSpy spy(&monitor, &SystemMonitor::snapshotChanged);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(monitor.snapshot().cpuHistory.size(), 2);
}

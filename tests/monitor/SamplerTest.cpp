#include "support/HostMonitorParts.h"
#include "monitor/SystemMonitor.h"
#include "support/MonitorFakes.h"
#include "support/ProcTree.h"
#include "support/Starved.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
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
        {170, 5, 150, 620, 30, 10, 0, 40, 60},   // only nice went back, the rest grew: kept
        {180, 5, 150, 630, 30, 10, 50, 0, 50},   // measured from the backward reading
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
    test::SkippingMonitorClock clock;
    SystemMonitor monitor({&host, &identity, &clock});
    clock.skipped = std::chrono::seconds(1);
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
    // The program's monitor, built over the host as main builds it.
    test::FakePlatform fake;
    test::HostMonitorParts parts(fake);
    SystemMonitor& monitor = parts.startedMonitor();
    EXPECT_EQ(&monitor, &parts.startedMonitor());
    // The first pass runs on the pool at once.
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.passCount() >= 1; }, 10000));
    EXPECT_GT(monitor.snapshot().processCount, 0);
    EXPECT_GT(monitor.snapshot().updatedAt.date().year(), 2000);
    EXPECT_FALSE(monitor.snapshot().osVersion.isEmpty());  // the host's identity reader answers
    const std::uint64_t passes = monitor.passCount();
    QSignalSpy spy(&monitor, &SystemMonitor::snapshotChanged);
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(monitor.passCount(), passes + 1);
    EXPECT_EQ(monitor.snapshot().cpuHistory.size(), qsizetype(passes + 1));
}

TEST(Sampler, ImplausibleProcessTimesGiveNoShare)
{
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    Sampler t;  // four processors, 100 ticks a second
    t.tree.setProcess({7, "jumper", 0, 0, 1, 1});
    t.tree.setProcess({8, "reused", 100, 50, 1, 1});
    t.tree.setProcess({9, "busy", 0, 0, 8, 1});
    t.tree.setProcess({10, "too busy", 0, 0, 8, 1});
    t.start();
    // From 0 to the largest count; user time grew while system time went back
    // (a new process under an old pid); 3.5 processors; more than all four.
    t.tree.setProcess({7, "jumper", kMax, 0, 1, 1});
    t.tree.setProcess({8, "reused", 150, 10, 1, 1});
    t.tree.setProcess({9, "busy", 200, 150, 8, 1});
    t.tree.setProcess({10, "too busy", 300, 150, 8, 1});
    const SystemSnapshot& s = t.pass();
    ASSERT_EQ(s.topProcesses.size(), 4);
    EXPECT_EQ(row(s.topProcesses, 7)->cpuPercent, 0);
    EXPECT_EQ(row(s.topProcesses, 8)->cpuPercent, 0);
    EXPECT_DOUBLE_EQ(row(s.topProcesses, 9)->cpuPercent, 350);
    EXPECT_EQ(row(s.topProcesses, 10)->cpuPercent, 0);
    EXPECT_EQ(names(s.topProcesses).front(), "busy");

    // The next pass measures from the odd readings as usual.
    t.tree.setProcess({8, "reused", 160, 20, 1, 1});
    EXPECT_DOUBLE_EQ(row(t.pass().topProcesses, 8)->cpuPercent, 20);
}

TEST(Sampler, AProcessBusyOnEveryProcessorReadsAllOfThem)
{
    Sampler t;  // four processors, 100 ticks a second
    t.tree.setProcess({9, "render", 0, 0, 4, 1});
    t.start();
    // Spans whose exact share rounds above 400 % in floating point.
    std::uint64_t user = 0, system = 0;
    for (const int ms : {350, 410, 700, 1000, 2500}) {
        user += std::uint64_t(3 * ms / 10);
        system += std::uint64_t(ms / 10);
        t.tree.setProcess({9, "render", user, system, 4, 1});
        const SystemSnapshot& s = t.pass(ms / 1000.0);
        SCOPED_TRACE(ms);
        ASSERT_EQ(s.topProcesses.size(), 1);
        EXPECT_EQ(s.topProcesses[0].cpuPercent, 400);
    }
    // A tick over, as whole ticks give it, still reads as every processor;
    // a tenth of a processor over is a jump.
    user += 401;
    t.tree.setProcess({9, "render", user, system, 4, 1});
    EXPECT_EQ(t.pass().topProcesses[0].cpuPercent, 400);
    user += 410;
    t.tree.setProcess({9, "render", user, system, 4, 1});
    EXPECT_EQ(t.pass().topProcesses[0].cpuPercent, 0);
}

TEST(Sampler, ForgedMemoryFiguresAreNoReading)
{
    Sampler t;  // 16 GiB
    const SystemSnapshot good = t.start().snapshot();
    ASSERT_EQ(good.memoryUsed, 10 * kGiB);
    ASSERT_EQ(good.appMemory, 6 * kGiB);

    const char* forged[] = {
        // More free than there is memory, and application memory that adds
        // up past 2^64 with the wired bytes: 18,446,744,073,709,551,613 used.
        "MemTotal: 16777216 kB\nMemFree: 17179869184 kB\nBuffers: 0 kB\nCached: 0 kB\n"
        "AnonPages: 18014398509481983 kB\nUnevictable: 1021\n",
        // One kind larger than the whole: application, free, cached memory.
        "MemFree: 1024 kB\nBuffers: 0 kB\nCached: 0 kB\nAnonPages: 16777217 kB\n",
        "MemFree: 16777217 kB\nBuffers: 0 kB\nCached: 0 kB\nAnonPages: 1024 kB\n",
        "MemFree: 1024 kB\nBuffers: 0 kB\nCached: 16777217 kB\nAnonPages: 1024 kB\n",
        // Counts past 64 bits, in the file and once in bytes.
        "MemFree: 1024 kB\nBuffers: 0 kB\nCached: 0 kB\nAnonPages: 99999999999999999999 kB\n",
        "MemFree: 1024 kB\nBuffers: 0 kB\nCached: 18014398509481984 kB\nAnonPages: 1 kB\n",
        "MemFree: 1024 kB\nBuffers: 18446744073709551615\nCached: 1\nAnonPages: 1 kB\n",
        // What is in use, reckoned by kind, above the whole.
        "MemFree: 16777216 kB\nBuffers: 0 kB\nCached: 0 kB\nAnonPages: 8388608 kB\nUnevictable: 8388608 kB\n"
        "Zswap: 1 kB\n",
    };
    for (const char* text : forged) {
        t.tree.write("/proc/meminfo", text);
        const SystemSnapshot& s = t.pass();
        SCOPED_TRACE(text);
        EXPECT_EQ(s.memoryUsed, good.memoryUsed);
        EXPECT_EQ(s.appMemory, good.appMemory);
        EXPECT_EQ(s.memoryFree, good.memoryFree);
        EXPECT_EQ(s.cachedFiles, good.cachedFiles);
        EXPECT_EQ(s.memoryWired, good.memoryWired);
    }

    // Free and cached memory that leave nothing in use: in use is then what the kinds add up to.
    t.tree.write("/proc/meminfo", "MemFree: 10485760 kB\nBuffers: 0 kB\nCached: 6291456 kB\nAnonPages: 2097152 kB\n"
                                  "Unevictable: 1048576 kB\n");
    const SystemSnapshot& byKind = t.pass();
    EXPECT_EQ(byKind.memoryUsed, 3 * kGiB);
    EXPECT_EQ(byKind.memoryFree, 10 * kGiB);
}

TEST(Sampler, InterfacesAreMatchedByNameWhateverTheirOrder)
{
    Sampler t;
    const auto write = [&](const std::vector<std::tuple<const char*, int, int>>& rows) {
        QByteArray text = "Inter-|   Receive |  Transmit\n face |bytes packets|bytes packets\n";
        for (const auto& [name, in, out] : rows)
            text += QByteArray(name) + ": " + QByteArray::number(in) + " 0 0 0 0 0 0 0 " + QByteArray::number(out)
                    + " 0 0 0 0 0 0 0\n";
        t.tree.write("/proc/net/dev", text);
    };
    write({{"eth0", 1000, 0}, {"wlan0", 2000, 0}, {"tun0", 3000, 0}});
    t.start();
    // Reordered, one gone, one new.
    write({{"tun0", 3004, 0}, {"eth1", 999999, 0}, {"eth0", 1010, 0}});
    EXPECT_DOUBLE_EQ(t.pass().networkInPerSec, 14);
    write({{"tun0", 3005, 0}, {"eth1", 1000099, 0}, {"eth0", 1020, 0}});
    EXPECT_DOUBLE_EQ(t.pass().networkInPerSec, 111);
}

namespace {

// The fixture readers, recording on which thread each reading is taken and
// holding the process listing while the gate is shut.
class ProbedReaders final : public LinuxProcReaders {
public:
    using LinuxProcReaders::LinuxProcReaders;
    int activeProcessorCount() override { return note(), 4; }
    std::uint64_t physicalMemory() override { return note(), 16 * kGiB; }
    double processTicksPerSecond() override { return note(), 100; }
    KernelStat readKernelStat() override { return note(), LinuxProcReaders::readKernelStat(); }
    std::optional<LoadAverage> readLoad() override { return note(), LinuxProcReaders::readLoad(); }
    std::optional<MemoryReading> readMemory() override { return note(), LinuxProcReaders::readMemory(); }
    std::optional<DiskTotals> readDiskIO() override { return note(), LinuxProcReaders::readDiskIO(); }
    std::optional<VolumeReading> readVolume() override { return note(), LinuxProcReaders::readVolume(); }
    bool readNetwork(std::vector<InterfaceBytes>& out) override { return note(), LinuxProcReaders::readNetwork(out); }
    bool readProcesses(std::vector<ProcessSample>& out) override
    {
        note();
        ++listings;
        if (shut) {
            ++held;
            gate.acquire();
        }
        return LinuxProcReaders::readProcesses(out);
    }
    void open()
    {
        shut = false;
        gate.release();
    }

    std::atomic<int> reads{0}, readsOnGuiThread{0}, listings{0}, held{0};
    std::atomic<bool> shut{false};
    QSemaphore gate;

private:
    void note()
    {
        ++reads;
        if (QThread::currentThread() == qApp->thread())
            ++readsOnGuiThread;
    }
};

struct ProbedIdentity final : IdentityReader {
    std::atomic<int> readsOnGuiThread{0};
    test::FakeIdentity fake;
    void note()
    {
        if (QThread::currentThread() == qApp->thread())
            ++readsOnGuiThread;
    }
    HardwareIdentity readHardwareIdentity() override { return note(), fake.readHardwareIdentity(); }
    QString readSSDProductName() override { return note(), fake.readSSDProductName(); }
    std::optional<QString> ioRegistryDiskProductName() override { return note(), fake.ioRegistryDiskProductName(); }
    std::optional<BatteryReading> readBattery() override { return note(), fake.readBattery(); }
};

struct Probed {
    test::ProcTree tree;
    ProbedReaders host{tree.root()};
    ProbedIdentity identity;
    test::FakeMonitorClock clock;
    SystemMonitor monitor{{&host, &identity, &clock}, SystemMonitor::FirstPass::None};
    ~Probed()
    {
        // A pass held at the gate must end before the readers go.
        host.open();
    }
};

} // namespace

TEST(Sampler, TimerPassesReadOffTheGuiThread)
{
    Probed p;
    p.tree.setProcess({1, "launchd", 10, 10, 1, 1});
    p.monitor.setInterval(std::chrono::milliseconds(5));
    p.monitor.start();  // the first pass at once, then every interval
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.monitor.passCount() >= 3; }, 10000));
    const int reads = p.host.reads;  // ten readings a pass
    EXPECT_GE(reads, 30);
    EXPECT_EQ(p.host.readsOnGuiThread, 0);
    EXPECT_EQ(p.identity.readsOnGuiThread, 0);
    EXPECT_EQ(p.monitor.snapshot().processCount, 1);
    EXPECT_EQ(p.monitor.snapshot().coreCount, 4);
}

TEST(Sampler, PassesNeverOverlapAndSkippedTicksDoNotPileUp)
{
    Probed p;
    QSignalSpy published(&p.monitor, &SystemMonitor::snapshotChanged);
    p.host.shut = true;
    p.monitor.setInterval(std::chrono::milliseconds(5));
    p.monitor.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.host.held == 1; }, 10000));
    // Ticks keep coming while the pass is held: none starts another.
    EXPECT_FALSE(p.monitor.requestSample());
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.monitor.skippedTicks() >= 4; }, 10000));
    EXPECT_TRUE(p.monitor.isSampling());
    EXPECT_TRUE(published.isEmpty());
    EXPECT_EQ(p.host.listings, 1);

    // Let go: the held pass is published, then passes follow one at a time.
    p.host.open();
    ASSERT_TRUE(published.wait(10000));
    EXPECT_EQ(p.monitor.passCount(), 1u);
    EXPECT_EQ(p.monitor.snapshot().cpuHistory.size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.monitor.passCount() >= 3; }, 10000));
    EXPECT_EQ(p.monitor.snapshot().cpuHistory.size(), qsizetype(p.monitor.passCount()));
}

TEST(Sampler, ASamplePassWaitsForThePoolPassAndIsNotOverwrittenByIt)
{
    Probed p;
    QSignalSpy published(&p.monitor, &SystemMonitor::snapshotChanged);
    p.host.shut = true;
    ASSERT_TRUE(p.monitor.requestSample());
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.host.held == 1; }, 10000));
    p.host.open();
    p.monitor.sample();  // runs after the held pass, as the second
    EXPECT_EQ(published.size(), 1);
    EXPECT_EQ(p.monitor.snapshot().cpuHistory.size(), 2);
    // The pool pass's older result arrives later and is dropped.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p.monitor.isSampling(); }, 10000));
    EXPECT_EQ(published.size(), 1);
    EXPECT_EQ(p.monitor.snapshot().cpuHistory.size(), 2);
    EXPECT_EQ(p.host.listings, 2);
}

TEST(Sampler, ThousandsOfInterfacesAndDisksStillGiveRates)
{
    constexpr int kInterfaces = 12000, kDisks = 1000;  // each disk costs the fixture two inodes
    constexpr std::uint64_t kBase = 100'000'000'000;  // long lines: the tables pass 1 MiB
    Sampler t;
    const auto write = [&](std::uint64_t grown) {
        QByteArray net = "Inter-|   Receive |  Transmit\n face |bytes packets|bytes packets\n";
        QByteArray disks;
        for (int i = 0; i < kInterfaces; ++i) {
            const QByteArray in = QByteArray::number(kBase + std::uint64_t(i) + grown);
            net += "  veth" + QByteArray::number(i) + ": " + in + " 1234567890123456 0 0 0 0 0 0 " + in
                   + " 1234567890123456 0 0 0 0 0 0\n";
        }
        for (int i = 0; i < kDisks; ++i) {
            const QByteArray sectors = QByteArray::number(kBase + grown);
            disks += "   8       0 vd" + QByteArray::number(i) + " 100 5 " + sectors + " 40 200 6 " + sectors
                     + " 80 0 90 120\n";
        }
        ASSERT_GT(net.size(), 1 << 20);
        t.tree.write("/proc/net/dev", net);
        t.tree.write("/proc/diskstats", disks);
    };
    for (int i = 0; i < kDisks; ++i)
        t.tree.files().symlink("/sys/block/vd" + QString::number(i) + "/device", "../../../virtio1");
    write(0);
    t.start();
    write(1);
    const SystemSnapshot& s = t.pass();
    EXPECT_DOUBLE_EQ(s.networkInPerSec, kInterfaces);
    EXPECT_DOUBLE_EQ(s.networkOutPerSec, kInterfaces);
    EXPECT_DOUBLE_EQ(s.diskReadPerSec, kDisks * 512.0);
}

TEST(Sampler, APassOutOfDescriptorsIsSkippedWithoutWaitingAndTheNextPublishes)
{
    // With no descriptor free a pass waits for none (a wait here would give
    // up at its first look, so a pass that waited would publish what it
    // could not read): nothing is published and the history does not grow.
    // With descriptors back, the next pass shows every process.
    Sampler t;
    t.tree.setCpu(100, 0, 100, 800);
    t.tree.setProcess({1, "launchd", 500, 500, 3, 100});
    t.tree.setProcess({7, "Finder", 100, 100, 2, 50});
    const test::Figures seen = test::inChild(64, [&](const auto& exhaustTo, std::vector<int>& held) {
        descriptors::setPatience(std::chrono::milliseconds(0));
        const SystemMonitor& monitor = t.start();
        test::Figures out;
        const auto note = [&] {
            out.insert(out.end(), {std::int64_t(monitor.passCount()), monitor.snapshot().processCount,
                                   monitor.snapshot().cpuHistory.size()});
        };
        exhaustTo(0);
        t.pass();
        note();
        test::giveBack(held, int(held.size()));
        t.pass();
        note();
        return out;
    });
    EXPECT_EQ(seen, (test::Figures{1, 2, 1, 2, 2, 2}));
}

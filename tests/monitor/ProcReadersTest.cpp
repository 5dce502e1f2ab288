#include "platform/ProcReaders.h"
#include "support/ProcTree.h"

#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tw;
using tw::test::FixtureProcess;
using tw::test::ProcTree;

namespace {

const std::uint64_t kPage = std::uint64_t(::sysconf(_SC_PAGESIZE));

} // namespace

TEST(ProcReaders, ReadsProcessesAfterTheLastParenthesisInPidOrder)
{
    ProcTree tree;
    const FixtureProcess processes[] = {
        {912, "Web Content (2)", 40, 2, 12, 300},
        {7, "a) b (c", 1, 2, 3, 4},
        {88, "", 0, 0, 1, 0},
        {1000, "\xc3\x9c" "ber \xff", 5, 5, 1, 1},
    };
    for (const FixtureProcess& p : processes)
        tree.setProcess(p);
    tree.write("/proc/self/stat", "1 (self) S");             // not a pid
    tree.write("/proc/12abc/stat", "12 (x) S");              // not a pid either
    tree.write("/proc/50/stat", "50 (short) S 1 1 1 0 -1");  // too few fields
    tree.write("/proc/51/stat", "51 no parentheses S 1 1 1 0 -1 0 0 0 0 0 1 1 0 0 20 0 1 0 1 1 1");
    tree.files().mkdir("/proc/52");                          // gone before its stat was read
    tree.write("/proc/net/dev", "");

    LinuxProcReaders host(tree.root());
    std::vector<ProcessSample> out(9);  // longer than needed: it is reused and cut to size
    ASSERT_TRUE(host.readProcesses(out));
    ASSERT_EQ(out.size(), 4u);
    const std::int32_t pids[] = {7, 88, 912, 1000};
    for (std::size_t i = 0; i < 4; ++i) {
        const FixtureProcess& want = *std::find_if(std::begin(processes), std::end(processes),
                                                   [&](const FixtureProcess& p) { return p.pid == pids[i]; });
        EXPECT_EQ(out[i].pid, want.pid);
        EXPECT_EQ(out[i].name, want.name);
        EXPECT_EQ(out[i].userTicks, want.userTicks);
        EXPECT_EQ(out[i].systemTicks, want.systemTicks);
        EXPECT_EQ(out[i].threads, want.threads);
        EXPECT_EQ(out[i].resident, want.residentPages * kPage);
    }

    tree.remove("/proc");
    EXPECT_FALSE(host.readProcesses(out));
}

TEST(ProcReaders, KernelStatFoldsInterruptsIntoSystemAndWaitingIntoIdle)
{
    ProcTree tree;
    tree.setCpu(10, 2, 30, 400, 5, 1, 2, 3);
    tree.setBootTime(1712345678);
    LinuxProcReaders host(tree.root());
    KernelStat stat = host.readKernelStat();
    EXPECT_EQ(stat.cpu, (CpuTicks{10, 36, 405, 2}));
    EXPECT_EQ(stat.bootTime, 1712345678);

    // Old kernels print four counters; fewer is not a reading.
    const std::pair<const char*, std::optional<CpuTicks>> lines[] = {
        {"cpu 1 2 3 4\nbtime 5\n", CpuTicks{1, 3, 4, 2}},
        {"cpu 1 2 3\nbtime 5\n", std::nullopt},
        {"cpu x 2 3 4\n", std::nullopt},
        {"cpu0 1 2 3 4\n", std::nullopt},
        {"cpu 99999999999999999999999 0 0 0 1 1\n", CpuTicks{UINT64_MAX, 1, 1, 0}},
    };
    for (const auto& [text, ticks] : lines) {
        tree.write("/proc/stat", text);
        EXPECT_EQ(host.readKernelStat().cpu, ticks) << text;
    }
    tree.remove("/proc/stat");
    stat = host.readKernelStat();
    EXPECT_FALSE(stat.cpu);
    EXPECT_FALSE(stat.bootTime);
}

TEST(ProcReaders, MemoryAndLoadNeedTheirFieldsAndTakeTheRestAsZero)
{
    ProcTree tree;
    LinuxProcReaders host(tree.root());
    tree.write("/proc/meminfo", "MemTotal: 100 kB\nMemFree: 10 kB\nBuffers: 1 kB\nCached: 2 kB\nSReclaimable: 3 kB\n"
                                "AnonPages: 20 kB\nUnevictable: 4 kB\nZswap: 5 kB\nSwapTotal: 50 kB\nSwapFree: 30 kB\n");
    EXPECT_EQ(host.readMemory(), (MemoryReading{20 * 1024, 4 * 1024, 5 * 1024, 6 * 1024, 10 * 1024, 20 * 1024}));
    tree.write("/proc/meminfo", "MemFree: 10 kB\nBuffers: 0 kB\nCached: 2 kB\nAnonPages: 20 kB\nSwapTotal: 1 kB\n"
                                "SwapFree: 2 kB\n");
    EXPECT_EQ(host.readMemory(), (MemoryReading{20 * 1024, 0, 0, 2 * 1024, 10 * 1024, 0}));
    // A count past 64 bits, in the file or once in bytes, is no reading either.
    for (const char* broken : {"Buffers: 0 kB\nCached: 2 kB\nAnonPages: 20 kB\n", "MemFree: lots\n", "",
                               "MemFree: 10 kB\nBuffers: 0 kB\nCached: 2 kB\nAnonPages: 99999999999999999999\n",
                               "MemFree: 18014398509481984 kB\nBuffers: 0 kB\nCached: 2 kB\nAnonPages: 20 kB\n",
                               "MemFree: 10 kB\nBuffers: 18446744073709551615\nCached: 1\nAnonPages: 20 kB\n",
                               "MemFree: 10 kB\nBuffers: 0 kB\nCached: 2 kB\nAnonPages: 20 kB\n"
                               "SwapTotal: 18014398509481984 kB\nSwapFree: 0 kB\n"}) {
        tree.write("/proc/meminfo", broken);
        EXPECT_EQ(host.readMemory(), std::nullopt) << broken;
    }

    const std::pair<const char*, std::optional<LoadAverage>> loads[] = {
        {"1.50 2.25 0.00 2/300 77\n", LoadAverage{1.5, 2.25, 0}},
        {"1.50 2.25\n", std::nullopt},
        {"3 2 1\n", LoadAverage{3, 2, 1}},
        {"1,50 2,25 3,00 2/300 77\n", std::nullopt},
        {"nan 1 1 1/1 1\n", std::nullopt},
        {"-1 1 1 1/1 1\n", std::nullopt},
    };
    for (const auto& [text, load] : loads) {
        tree.write("/proc/loadavg", text);
        EXPECT_EQ(host.readLoad(), load) << text;
    }
}

TEST(ProcReaders, DiskTotalsCountWholeDisksOnly)
{
    ProcTree tree;
    LinuxProcReaders host(tree.root());
    EXPECT_EQ(host.readDiskIO(), std::nullopt);  // no whole disk at all
    tree.setDisk("sda", 10, 20);
    tree.setDisk("sda1", 10, 20, false);  // a partition
    tree.setDisk("loop0", 7, 7, false);   // virtual devices have no device link
    tree.setDisk("nvme0n1", 1, 2);
    tree.setDisk("..", 1000, 1000);
    tree.files().symlink("/sys/block/dm-0/device", "x");
    EXPECT_EQ(host.readDiskIO(), (DiskTotals{11 * 512, 22 * 512}));

    tree.write("/proc/diskstats", "   8 0 sda 1 2\n   8 16 sdb\n");
    EXPECT_EQ(host.readDiskIO(), std::nullopt);
    tree.remove("/proc/diskstats");
    EXPECT_EQ(host.readDiskIO(), std::nullopt);
}

TEST(ProcReaders, NetworkListsEveryInterfaceButLoopback)
{
    ProcTree tree;
    tree.setInterface("lo", 5, 5);
    tree.setInterface("eth0", 100, 200);
    tree.setInterface("wlp2s0", 300, 400);
    LinuxProcReaders host(tree.root());
    std::vector<InterfaceBytes> out(5);
    ASSERT_TRUE(host.readNetwork(out));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].name, "eth0");
    EXPECT_EQ(out[0].in, 100u);
    EXPECT_EQ(out[0].out, 200u);
    EXPECT_EQ(out[1].name, "wlp2s0");
    EXPECT_EQ(out[1].out, 400u);

    tree.write("/proc/net/dev", "Inter-|\n face |\n  eth0: 1 2 3\n");
    ASSERT_TRUE(host.readNetwork(out));
    EXPECT_TRUE(out.empty());
    tree.remove("/proc/net/dev");
    EXPECT_FALSE(host.readNetwork(out));
}

TEST(ProcReaders, VolumeLabelIsTheOneWhoseLinkLeadsToTheRootDevice)
{
    ProcTree tree;
    LinuxProcReaders host(tree.root());
    const auto mountedAt = [&](const QByteArray& source) {
        tree.write("/proc/self/mountinfo", "22 27 0:21 / /proc rw - proc proc rw\n"
                                           "27 1 8:2 / / rw,relatime - ext4 " + source + " rw\n"
                                           "30 27 8:3 / /home rw - ext4 /dev/sda3 rw\n");
    };
    tree.files().symlink("/dev/disk/by-label/Home", "../../sda3");
    tree.files().symlink("/dev/disk/by-label/Tide\\x20System", "../../sda2");
    tree.files().symlink("/dev/disk/by-label/Crypt", "../../dm-0");
    tree.files().symlink("/dev/mapper/root", "../dm-0");

    const std::pair<QByteArray, const char*> sources[] = {
        {"/dev/sda2", "Tide System"},
        {"/dev/mapper/root", "Crypt"},
        {"/dev/sdb1", ""},
        {"overlay", ""},
    };
    for (const auto& [source, label] : sources) {
        mountedAt(source);
        const auto volume = host.readVolume();
        ASSERT_TRUE(volume);
        EXPECT_EQ(volume->label, label) << source.constData();
        EXPECT_GT(volume->total, 0u);
        EXPECT_EQ(volume->used + volume->free, volume->total);
    }
    tree.remove("/proc/self/mountinfo");
    EXPECT_EQ(host.readVolume()->label, "");
}

namespace {

std::size_t openFiles()
{
    std::size_t n = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir))
            ++n;
        ::closedir(dir);
    }
    return n;
}

const ProcessSample* find(const std::vector<ProcessSample>& out, pid_t pid)
{
    const auto it = std::find_if(out.begin(), out.end(), [&](const ProcessSample& p) { return p.pid == pid; });
    return it == out.end() ? nullptr : &*it;
}

} // namespace

// The machine's own /proc: each process's file stays open, a re-read gives
// its current counters, and a process that ends lets go of its file.
TEST(ProcReaders, LiveProcKeepsProcessFilesOpenAndReadsThemAfresh)
{
    const std::size_t filesBefore = openFiles();
    {
        LinuxProcReaders host;
        if (!host.readsLiveProc())
            GTEST_SKIP() << "/proc is not the process file system here";
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::atomic<unsigned> spin{0};
            for (;;)
                spin.fetch_add(1, std::memory_order_relaxed);
        }
        std::vector<ProcessSample> out;
        ASSERT_TRUE(host.readProcesses(out));
        ASSERT_TRUE(find(out, child));
        ASSERT_TRUE(find(out, ::getpid()));
        EXPECT_EQ(host.keptProcessFiles(), out.size());
        EXPECT_TRUE(std::is_sorted(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; }));
        const std::uint64_t first = find(out, child)->userTicks + find(out, child)->systemTicks;

        // The spinning child's time grows in the file kept open.
        const auto grown = [&] {
            if (!host.readProcesses(out) || !find(out, child))
                return false;
            return find(out, child)->userTicks + find(out, child)->systemTicks > first;
        };
        static_cast<void>(QTest::qWaitFor(grown, 10000));  // the checks below say what it saw
        ASSERT_TRUE(find(out, child));
        EXPECT_GT(find(out, child)->userTicks + find(out, child)->systemTicks, first);

        ::kill(child, SIGKILL);
        ASSERT_EQ(::waitpid(child, nullptr, 0), child);
        ASSERT_TRUE(host.readProcesses(out));
        EXPECT_FALSE(find(out, child));
        EXPECT_EQ(host.keptProcessFiles(), out.size());

        // The mount table, read once and then only checked, gives what a first reading gives.
        const auto volume = host.readVolume();
        const auto again = host.readVolume();
        ASSERT_TRUE(volume && again);
        EXPECT_EQ(again->label, LinuxProcReaders().readVolume()->label);
        EXPECT_EQ(again->label, volume->label);
        // Whole disks remembered from the first table count as a fresh reader counts them.
        const auto disks = host.readDiskIO();
        const auto disksAgain = host.readDiskIO();
        const auto fresh = LinuxProcReaders().readDiskIO();
        ASSERT_EQ(disksAgain.has_value(), disks.has_value());
        ASSERT_EQ(fresh.has_value(), disks.has_value());
        if (disks) {
            EXPECT_GE(disksAgain->read, disks->read);
            EXPECT_GE(fresh->read, disksAgain->read);
        }
        EXPECT_TRUE(host.readKernelStat().cpu);
        EXPECT_TRUE(host.readKernelStat().cpu);
        EXPECT_TRUE(host.readMemory());
        EXPECT_TRUE(host.readLoad());
    }
    EXPECT_EQ(openFiles(), filesBefore);
}

TEST(ProcReaders, LiveProcBeyondTheKeptLimitStillReadsEveryProcessAndFixturesKeepNone)
{
    LinuxProcReaders limited("/", 3);
    if (!limited.readsLiveProc())
        GTEST_SKIP() << "/proc is not the process file system here";
    std::vector<ProcessSample> out;
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(limited.readProcesses(out));
        EXPECT_EQ(limited.keptProcessFiles(), std::min<std::size_t>(3, out.size()));
        // This process is listed however many files are kept (it is rarely among the first three pids).
        const ProcessSample* self = find(out, ::getpid());
        ASSERT_TRUE(self);
        EXPECT_GE(self->threads, 1);
        EXPECT_FALSE(self->name.isEmpty());
        EXPECT_GT(self->resident, 0u);
    }

    ProcTree tree;
    tree.setProcess({5, "five", 1, 1, 1, 1});
    LinuxProcReaders fixture(tree.root());
    EXPECT_FALSE(fixture.readsLiveProc());
    ASSERT_TRUE(fixture.readProcesses(out));
    EXPECT_EQ(fixture.keptProcessFiles(), 0u);
    // A fixture's file replaced between passes is read anew.
    tree.setProcess({5, "five", 9, 1, 1, 1});
    ASSERT_TRUE(fixture.readProcesses(out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].userTicks, 9u);
}

// One pass of the system monitor: over this machine's /proc against one
// `top -b -n 1` over the same processes (processor time of each, in the same
// run), and over a fixture root of 1,000 processes against the bare reads of
// their stat files. The GUI thread's processor time per timer tick, now that
// the pass runs on the pool. Passes over fixture roots of n processes, disks
// and network interfaces, at two sizes ten times apart, to show that a pass
// grows linearly.

#include "BenchSupport.h"
#include "monitor/SystemMonitor.h"
#include "platform/SafeRead.h"
#include "support/MonitorFakes.h"
#include "support/ProcTree.h"

#include <QEventLoop>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <map>

extern char** environ;

using namespace tw;

namespace {

double threadCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Runs `top -b -n 1` with its output discarded; returns its processor time
// (user and system) in seconds, or a negative value when it could not run.
double topCpuSeconds()
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char top[] = "top", batch[] = "-b", iterations[] = "-n", one[] = "1";
    char* argv[] = {top, batch, iterations, one, nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "top", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    if (spawned != 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct HostMonitor {
    LinuxProcReaders host;
    test::FakeIdentity identity;
    const std::unique_ptr<Clock> hostClock = host::makeClock();
    Clock& clock = *hostClock;
    SystemMonitor monitor{{&host, &identity, &clock}};
};

// Each iteration: one pass and one top; the counters are their processor
// times and the ratio of the two sums.
void BM_SampleAgainstTop(benchmark::State& state)
{
    HostMonitor m;
    double sampleCpu = 0, topCpu = 0;
    for (auto _ : state) {
        const double before = threadCpuSeconds();
        m.monitor.sample();
        sampleCpu += threadCpuSeconds() - before;
        const double top = topCpuSeconds();
        if (top < 0) {
            state.SkipWithError("top did not run");
            break;
        }
        topCpu += top;
    }
    const double n = double(state.iterations());
    state.counters["processes"] = m.monitor.snapshot().processCount;
    state.counters["sample_cpu_ms"] = sampleCpu / n * 1e3;
    state.counters["top_cpu_ms"] = topCpu / n * 1e3;
    state.counters["ratio"] = topCpu > 0 ? sampleCpu / topCpu : 0;
}
BENCHMARK(BM_SampleAgainstTop)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SampleThisMachine(benchmark::State& state)
{
    HostMonitor m;
    for (auto _ : state)
        m.monitor.sample();
    state.counters["processes"] = m.monitor.snapshot().processCount;
}
BENCHMARK(BM_SampleThisMachine)->Unit(benchmark::kMillisecond);

constexpr int kProcesses = 1000;

test::ProcTree& thousandProcesses()
{
    static test::ProcTree* tree = [] {
        auto* t = new test::ProcTree;
        for (std::int32_t pid = 1; pid <= kProcesses; ++pid)
            t->setProcess({pid, "process " + QByteArray::number(pid), std::uint64_t(pid) * 7, 50, 4, 1000});
        t->setDisk("nvme0n1", 123456, 654321);
        t->setDisk("nvme0n1p1", 1, 1, false);
        t->setInterface("en0", 1 << 30, 1 << 20);
        t->setInterface("lo", 5, 5);
        return t;
    }();
    return *tree;
}

void BM_SampleThousandProcesses(benchmark::State& state)
{
    LinuxProcReaders host(thousandProcesses().root());
    test::FakeIdentity identity;
    const std::unique_ptr<Clock> hostClock = host::makeClock();
    Clock& clock = *hostClock;
    SystemMonitor monitor({&host, &identity, &clock});
    for (auto _ : state)
        monitor.sample();
    if (monitor.snapshot().processCount != kProcesses)
        state.SkipWithError("wrong process count");
}
BENCHMARK(BM_SampleThousandProcesses)->Unit(benchmark::kMillisecond);

// The floor under the pass above: the same 1,000 stat files, read the same
// way (relative to the open process folder) and nothing else.
void BM_ReadThousandStatFiles(benchmark::State& state)
{
    const int folder = ::open(thousandProcesses().root() + "/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::vector<QByteArray> paths;
    for (int pid = 1; pid <= kProcesses; ++pid)
        paths.push_back(QByteArray::number(pid) + "/stat");
    QByteArray buffer;
    for (auto _ : state)
        for (const QByteArray& path : paths)
            benchmark::DoNotOptimize(readRegularFileAt(folder, path.constData(), buffer, 1 << 16));
    ::close(folder);
}
BENCHMARK(BM_ReadThousandStatFiles)->Unit(benchmark::kMillisecond);

// The GUI thread's processor time per tick over the 1,000 processes: the
// request, then the delivered snapshot published (the wall time includes
// waiting for the pool's pass). Before, the GUI thread ran the whole pass
// (BM_SampleThousandProcesses).
void BM_TickGuiThreadThousandProcesses(benchmark::State& state)
{
    LinuxProcReaders host(thousandProcesses().root());
    test::FakeIdentity identity;
    const std::unique_ptr<Clock> hostClock = host::makeClock();
    Clock& clock = *hostClock;
    SystemMonitor monitor({&host, &identity, &clock}, SystemMonitor::FirstPass::None);
    double gui = 0;
    for (auto _ : state) {
        const double before = threadCpuSeconds();
        const auto passes = monitor.passCount();
        monitor.requestSample();
        while (monitor.passCount() == passes)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        gui += threadCpuSeconds() - before;
    }
    state.counters["gui_cpu_us"] = gui / double(state.iterations()) * 1e6;
    if (monitor.snapshot().processCount != kProcesses)
        state.SkipWithError("wrong process count");
}
BENCHMARK(BM_TickGuiThreadThousandProcesses)->Unit(benchmark::kMillisecond)->UseRealTime();

// Fixture roots written in one go (the tree's setters rewrite the whole file each time).
test::ProcTree& scaledTree(char kind, int n)
{
    static std::map<std::pair<char, int>, test::ProcTree*> trees;
    test::ProcTree*& tree = trees[{kind, n}];
    if (tree)
        return *tree;
    tree = new test::ProcTree;
    if (kind == 'p') {
        for (std::int32_t pid = 1; pid <= n; ++pid)
            tree->setProcess({pid, "process " + QByteArray::number(pid), std::uint64_t(pid) * 7, 50, 4, 1000});
    } else if (kind == 'd') {
        QByteArray text;
        for (int i = 0; i < n; ++i) {
            const QByteArray name = "vd" + QByteArray::number(i);
            text += "   8       0 " + name + " 100 5 " + QByteArray::number(i) + " 40 200 6 " + QByteArray::number(i)
                    + " 80 0 90 120\n";
            tree->files().symlink("/sys/block/" + QString::fromUtf8(name) + "/device", "../../../virtio1");
        }
        tree->write("/proc/diskstats", text);
    } else {
        QByteArray text = "Inter-|   Receive |  Transmit\n face |bytes packets|bytes packets\n";
        for (int i = 0; i < n; ++i)
            text += "veth" + QByteArray::number(i) + ": " + QByteArray::number(i) + " 1 0 0 0 0 0 0 "
                    + QByteArray::number(i) + " 1 0 0 0 0 0 0\n";
        tree->write("/proc/net/dev", text);
    }
    return *tree;
}

void samplePasses(benchmark::State& state, char kind)
{
    const int n = int(state.range(0));
    LinuxProcReaders host(scaledTree(kind, n).root());
    test::FakeIdentity identity;
    test::FakeMonitorClock clock;  // a second between passes: rates and shares are measured
    SystemMonitor monitor({&host, &identity, &clock});
    for (auto _ : state) {
        clock.advance(1);
        monitor.sample();
    }
    state.counters["items"] = n;
}

void BM_PassProcesses(benchmark::State& state) { samplePasses(state, 'p'); }
BENCHMARK(BM_PassProcesses)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PassDisks(benchmark::State& state) { samplePasses(state, 'd'); }
BENCHMARK(BM_PassDisks)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PassInterfaces(benchmark::State& state) { samplePasses(state, 'n'); }
BENCHMARK(BM_PassInterfaces)->Arg(1200)->Arg(12000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The interfaces listed in the opposite order at every other pass, so that
// each is found by name.
void BM_PassInterfacesReordered(benchmark::State& state)
{
    const int n = int(state.range(0));
    test::ProcTree tree;
    QByteArray texts[2];
    for (int order = 0; order < 2; ++order) {
        texts[order] = "Inter-|   Receive |  Transmit\n face |bytes packets|bytes packets\n";
        for (int k = 0; k < n; ++k) {
            const int i = order ? n - 1 - k : k;
            texts[order] += "veth" + QByteArray::number(i) + ": " + QByteArray::number(i) + " 1 0 0 0 0 0 0 "
                            + QByteArray::number(i) + " 1 0 0 0 0 0 0\n";
        }
    }
    tree.write("/proc/net/dev", texts[0]);
    LinuxProcReaders host(tree.root());
    test::FakeIdentity identity;
    test::FakeMonitorClock clock;
    SystemMonitor monitor({&host, &identity, &clock});
    int pass = 0;
    for (auto _ : state) {
        state.PauseTiming();
        tree.write("/proc/net/dev", texts[++pass % 2]);
        clock.advance(1);
        state.ResumeTiming();
        monitor.sample();
    }
    state.counters["items"] = n;
}
BENCHMARK(BM_PassInterfacesReordered)->Arg(1200)->Arg(12000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

TIDEWELL_BENCHMARK_MAIN()

// One pass of the system monitor: over this machine's /proc against one
// `top -b -n 1` over the same processes (processor time of each, in the same
// run), and over a fixture root of 1,000 processes against the bare reads of
// their stat files.

#include "BenchSupport.h"
#include "monitor/SystemMonitor.h"
#include "platform/SafeRead.h"
#include "support/MonitorFakes.h"
#include "support/ProcTree.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

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
    SteadyMonitorClock clock;
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
    SteadyMonitorClock clock;
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

} // namespace

TIDEWELL_BENCHMARK_MAIN()

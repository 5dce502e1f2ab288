// One refresh of the System tab on the GUI thread: a snapshot whose live
// figures changed (texts, gauges, sparkline, process rows; layout unchanged),
// shown and painted, against building the tab and painting it the first time
// (the anchor, in the same run), and against a snapshot that changed nothing.

#include "BenchSupport.h"
#include "state/SharedState.h"
#include "state/Theme.h"
#include "monitor/SystemMonitor.h"
#include "monitor/SystemMonitorPermissions.h"
#include "support/FakePlatform.h"
#include "platform/ProductArt.h"
#include "support/MonitorFakes.h"
#include "support/SystemFakes.h"
#include "views/system/SystemMonitorWorkspace.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

using namespace tw;

namespace {

// Two snapshots of one machine a second apart: every live figure differs,
// the set of cards and rows does not.
SystemSnapshot pass(int n)
{
    SystemSnapshot s = test::macBookSnapshot();
    s.cpuPercent = 20 + n % 2 * 17.3;
    s.cpuUser = 12 + n % 2;
    s.cpuSystem = 6 + n % 2;
    s.cpuIdle = 100 - s.cpuUser - s.cpuSystem;
    s.load1 = 1.5 + n % 2 * 0.25;
    s.cpuHistory.clear();
    for (int i = 0; i < 60; ++i)
        s.cpuHistory << double((i * 7 + n) % 53);
    for (LiveProcess& p : s.topProcesses)
        p.cpuPercent += n % 2 * 1.3;
    s.memoryUsed += std::uint64_t(n % 2) * 300 * 1048576;
    s.diskReadPerSec = 1000 + n % 2 * 52000;
    s.networkInPerSec = 40000 + n % 2 * 1200;
    return s;
}

struct Rig {
    test::FakePlatform fake;
    SharedState state{fake.platform()};
    test::FakeIdentity identity;
    test::FakeMonitorClock clock;
    LinuxProcReaders host{fake.tree().hostRoot().toUtf8()};
    SystemMonitor monitor{{&host, &identity, &clock}};
    test::FakeAppService service;
    SystemMonitorPermissions permissions{service, fake.workspace};
    macproductimage::Sources pictures = {host::makeDrawnProductArt(), host::makeDesktopPictureSource(fake.fs()), fake.fs()};

    std::unique_ptr<SystemMonitorWorkspace> build()
    {
        auto view = std::make_unique<SystemMonitorWorkspace>(monitor, permissions, state.theme(), pictures);
        view->resize(912, 680);
        view->show();
        view->display(pass(0));
        QApplication::processEvents();
        return view;
    }
};

// Shows the snapshot, lays out and paints what changed.
void refresh(SystemMonitorWorkspace& view, const SystemSnapshot& s)
{
    view.display(s);
    QApplication::processEvents();
}

void BM_BuildAndFirstPaint(benchmark::State& state)
{
    Rig rig;
    for (auto _ : state) {
        auto view = rig.build();
        benchmark::DoNotOptimize(view.get());
    }
}

void BM_RefreshChangedSnapshot(benchmark::State& state)
{
    Rig rig;
    auto view = rig.build();
    const SystemSnapshot snapshots[] = {pass(1), pass(2)};
    for (int i = 0; i < 4; ++i)
        refresh(*view, snapshots[i % 2]);  // the picture and the first layouts are done
    int n = 0;
    for (auto _ : state)
        refresh(*view, snapshots[++n % 2]);
}

void BM_RefreshUnchangedSnapshot(benchmark::State& state)
{
    Rig rig;
    auto view = rig.build();
    const SystemSnapshot same = pass(1);
    refresh(*view, same);
    for (auto _ : state)
        refresh(*view, same);
}

} // namespace

BENCHMARK(BM_BuildAndFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RefreshChangedSnapshot)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_RefreshUnchangedSnapshot)->Unit(benchmark::kMicrosecond)->UseRealTime();

TIDEWELL_WIDGETS_BENCHMARK_MAIN()

// Discovery of 200 and 1,000 applications of 300 files each, against du and
// gdu over the same application folder, all in each iteration: CPU time
// (user + system) against `du -sk --apparent-size`, wall time against
// `gdu -n` (parallel). Targets: cpu_vs_du <= 1.2, wall_vs_gdu <= 0.35.
//
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIDEWELL_TESTS=OFF
//   cmake --build build-rel --target bench_discovery
//   taskset -c 4-7 build-rel/bench/bench_discovery --benchmark_filter=OverDu --benchmark_repetitions=5

#include "BenchSupport.h"
#include "engine/inventory/Discovery.h"
#include "engine/inventory/DiskSizes.h"
#include "support/FakePlatform.h"

#include <map>
#include <memory>

using namespace tw;

namespace {

// Applications of 300 files: 100 in Resources, 200 in 20 localisation
// folders; every tenth holds a nested updater of 12 files more.
std::unique_ptr<test::FakePlatform> makeFixture(int apps)
{
    auto fp = std::make_unique<test::FakePlatform>();
    for (int i = 0; i < apps; ++i) {
        test::BundleRecipe recipe;
        recipe.identifier = QStringLiteral("com.vendor%1.app%1").arg(i);
        recipe.name = QStringLiteral("Application %1").arg(i, 4, 10, QLatin1Char('0'));
        recipe.version = QStringLiteral("1.%1").arg(i);
        recipe.binaryPlist = i % 2;
        recipe.files = 100;
        recipe.fileSize = 512 + (i % 7) * 100;
        const QString bundle = QStringLiteral("/Applications/App%1.app").arg(i);
        fp->tree().makeApp(bundle, recipe);
        for (int f = 0; f < 200; ++f)
            fp->tree().writeSized(bundle + QStringLiteral("/Contents/Resources/lang%1.lproj/s%2.strings").arg(f / 10).arg(f),
                                  200 + f);
        if (i % 10 == 0) {
            test::BundleRecipe updater;
            updater.identifier = QStringLiteral("com.google.GoogleUpdater%1").arg(i);
            updater.name = QStringLiteral("GoogleUpdater %1").arg(i);
            updater.files = 12;
            fp->tree().makeApp(bundle + QStringLiteral("/Contents/Library/LaunchServices/GoogleUpdater.app"), updater);
        }
    }
    return fp;
}

test::FakePlatform& fixture(int apps)
{
    static std::map<int, std::unique_ptr<test::FakePlatform>> fixtures;
    auto& f = fixtures[apps];
    if (!f)
        f = makeFixture(apps);
    return *f;
}

size_t expectedCount(int apps) { return size_t(apps + (apps + 9) / 10); }

void BM_Discovery(benchmark::State& state)
{
    auto& p = fixture(int(state.range(0)));
    for (auto _ : state) {
        auto apps = tw::discovery::discoverInstalledApps(p);
        benchmark::DoNotOptimize(apps);
        if (apps.size() != expectedCount(int(state.range(0))))
            state.SkipWithError("wrong application count");
    }
}
BENCHMARK(BM_Discovery)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();

// Discovery, du and gdu one after another in each iteration, with their ratios.
void BM_DiscoveryOverDu(benchmark::State& state)
{
    const int count = int(state.range(0));
    auto& p = fixture(count);
    const QString folder = p.tree().host(QStringLiteral("/Applications"));
    bench::Cost discovery, du, gdu;
    for (auto _ : state) {
        size_t found = 0;
        discovery += bench::costOf([&] { found = tw::discovery::discoverInstalledApps(p).size(); });
        du += bench::costOfProcess(QStringLiteral("du"), {QStringLiteral("-sk"), QStringLiteral("--apparent-size"), folder});
        gdu += bench::costOfProcess(QStringLiteral("gdu"), {QStringLiteral("-n"), QStringLiteral("-p"), folder});
        if (found != expectedCount(count))
            state.SkipWithError("wrong application count");
    }
    bench::reportCosts(state, "discovery", discovery);
    bench::reportCosts(state, "du", du);
    bench::reportCosts(state, "gdu", gdu);
    state.counters["cpu_vs_du"] = bench::ratio(discovery.cpuMs, du.cpuMs);
    state.counters["wall_vs_du"] = bench::ratio(discovery.wallMs, du.wallMs);
    state.counters["wall_vs_gdu"] = bench::ratio(discovery.wallMs, gdu.wallMs);
}
BENCHMARK(BM_DiscoveryOverDu)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QuickDiskUsageLargeFolder(benchmark::State& state)
{
    auto& p = fixture(200);
    for (auto _ : state)
        benchmark::DoNotOptimize(tw::sizes::quickDiskUsage(p.fs(), QStringLiteral("/Applications")));
}
BENCHMARK(BM_QuickDiskUsageLargeFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

TIDEWELL_BENCHMARK_MAIN()

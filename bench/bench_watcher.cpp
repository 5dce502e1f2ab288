// The removal watcher's steady-state pass (run on the GUI thread every 4 s
// while detection is on) over 200 + 50 applications and a Trash of 30
// bundles, and the installed-identifier check a candidate costs.

#include "BenchSupport.h"
#include "engine/inventory/AppRemovalWatcher.h"
#include "support/FakePlatform.h"

using namespace tw;

namespace {

test::FakePlatform& fixture()
{
    static test::FakePlatform* p = [] {
        auto* fp = new test::FakePlatform;
        auto make = [&](const QString& folder, int i) {
            test::BundleRecipe recipe;
            recipe.identifier = QStringLiteral("com.vendor%1.app%1").arg(i);
            recipe.name = QStringLiteral("Application %1").arg(i, 3, 10, QLatin1Char('0'));
            recipe.binaryPlist = i % 2;
            recipe.files = 1;
            fp->tree().makeApp(folder + QStringLiteral("/App%1.app").arg(i), recipe);
        };
        for (int i = 0; i < 200; ++i)
            make(QStringLiteral("/Applications"), i);
        for (int i = 200; i < 250; ++i)
            make(fp->fs().home() + QStringLiteral("/Applications"), i);
        fp->tree().makeTrash();
        for (int i = 250; i < 280; ++i)
            make(fp->fs().trash(), i);
        return fp;
    }();
    return *p;
}

void BM_SteadyPass(benchmark::State& state)
{
    auto& p = fixture();
    bool detecting = false;
    RemovalWatcherHost host;
    host.detectionEnabled = [&] { return detecting; };
    host.offerPending = [] { return false; };
    AppRemovalWatcher watcher(p, host, {});
    watcher.start(nullptr);  // detection off while starting: no timer
    detecting = true;
    for (auto _ : state) {
        watcher.poll();
        benchmark::DoNotOptimize(watcher.knownApps().size());
    }
    if (watcher.knownApps().size() != 250)
        state.SkipWithError("wrong snapshot size");
}
BENCHMARK(BM_SteadyPass)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_InstalledBundleIds(benchmark::State& state)
{
    auto& p = fixture();
    for (auto _ : state) {
        auto ids = AppRemovalWatcher::installedBundleIds(p.fs());
        benchmark::DoNotOptimize(ids);
        if (ids.size() != 250)
            state.SkipWithError("wrong identifier count");
    }
}
BENCHMARK(BM_InstalledBundleIds)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

TIDEWELL_BENCHMARK_MAIN()

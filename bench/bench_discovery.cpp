// Discovery of 200 applications of 300 files each, against one
// `du -sk --apparent-size` over the same application folder.

#include "BenchSupport.h"
#include "engine/inventory/Discovery.h"
#include "engine/inventory/DiskSizes.h"
#include "support/FakePlatform.h"

using namespace tw;

namespace {

test::FakePlatform& fixture()
{
    static test::FakePlatform* p = [] {
        auto* fp = new test::FakePlatform;
        for (int i = 0; i < 200; ++i) {
            test::BundleRecipe recipe;
            recipe.identifier = QStringLiteral("com.vendor%1.app%1").arg(i);
            recipe.name = QStringLiteral("Application %1").arg(i, 3, 10, QLatin1Char('0'));
            recipe.version = QStringLiteral("1.%1").arg(i);
            recipe.binaryPlist = i % 2;
            recipe.files = 300;
            recipe.fileSize = 512 + (i % 7) * 100;
            fp->tree().makeApp(QStringLiteral("/Applications/App%1.app").arg(i), recipe);
        }
        return fp;
    }();
    return *p;
}

void BM_Discovery(benchmark::State& state)
{
    auto& p = fixture();
    for (auto _ : state) {
        auto apps = tw::discovery::discoverInstalledApps(p);
        benchmark::DoNotOptimize(apps);
        if (apps.size() != 200)
            state.SkipWithError("wrong application count");
    }
}
BENCHMARK(BM_Discovery)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DuApparent(benchmark::State& state)
{
    auto& p = fixture();
    const QString folder = p.tree().host(QStringLiteral("/Applications"));
    for (auto _ : state) {
        tw::bench::runDu({QStringLiteral("-sk"), QStringLiteral("--apparent-size"), folder});
    }
}
BENCHMARK(BM_DuApparent)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QuickDiskUsageLargeFolder(benchmark::State& state)
{
    auto& p = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(tw::sizes::quickDiskUsage(p.fs(), QStringLiteral("/Applications")));
}
BENCHMARK(BM_QuickDiskUsageLargeFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

TIDEWELL_BENCHMARK_MAIN()

// The update checker's work on the GUI thread (building the rows) and its
// parsers (run on the pool, one row at a time).

#include "engine/inventory/Models.h"
#include "engine/updates/FeedSamples.h"
#include "engine/updates/StoreLookup.h"
#include "engine/updates/UpdateFeed.h"
#include "engine/updates/UpdateRows.h"
#include "engine/updates/Versions.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include "BenchSupport.h"
#include <benchmark/benchmark.h>

using namespace tw;

namespace {

// n applications: a third with an update feed, a third from the App Store, the rest manual.
QList<AppInfoPtr> makeApps(test::FakePlatform& fp, int n)
{
    QList<AppInfoPtr> apps;
    for (int i = 0; i < n; ++i) {
        const QString name = QStringLiteral("App %1").arg(n - i);
        const QString path = QStringLiteral("/Applications/%1.app").arg(name);
        test::BundleRecipe recipe{QStringLiteral("com.example.app%1").arg(i), name, {}, QStringLiteral("1.%1").arg(i)};
        if (i % 3 == 0)
            recipe.extra.insert(QStringLiteral("SUFeedURL"), QStringLiteral("https://example.com/%1/appcast.xml").arg(i));
        for (int k = 0; k < 30; ++k)  // a realistic Info.plist size
            recipe.extra.insert(QStringLiteral("Key%1").arg(k), QStringLiteral("value %1").arg(k));
        recipe.files = 1;
        fp.tree().makeApp(path, recipe);
        if (i % 3 == 1)
            fp.tree().write(path + QStringLiteral("/Contents/_MASReceipt/receipt"), "receipt");
        apps << AppInfo::make(AppFields{name, recipe.identifier, path, {}, 0, false, recipe.version});
    }
    return apps;
}

// What checkAll does on the GUI thread: flatten, filter, copy the fields.
void BM_RowsOnGuiThread(benchmark::State& state)
{
    test::FakePlatform fp;
    const QList<AppInfoPtr> apps = makeApps(fp, int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(updaterows::rowsOf(apps));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RowsOnGuiThread)->Arg(100)->Arg(400)->Unit(benchmark::kMicrosecond);

// What runs on the pool: the receipt and Info.plist of every row, then the sort.
void BM_CompleteRows(benchmark::State& state)
{
    test::FakePlatform fp;
    const QList<AppUpdateItem> listed = updaterows::rowsOf(makeApps(fp, int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(updaterows::completeRows(fp.platform(), listed));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CompleteRows)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_ParseAppcast(benchmark::State& state)
{
    const QString text = test::publishedFeed(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(appcast::parseSparkleAppcast(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_ParseAppcast)->Arg(1)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

// Package names after an address that never closes: 150, 300 and 600 thousand characters.
void BM_ParseBacktrackingFeed(benchmark::State& state)
{
    const QString text = test::backtrackingFeed(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(appcast::parseSparkleAppcast(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_ParseBacktrackingFeed)->Arg(150'000)->Arg(300'000)->Arg(600'000)->Unit(benchmark::kMicrosecond);

// A megabyte without item tags and without any version: every pattern scans it all.
void BM_ParseGarbage(benchmark::State& state)
{
    QString text;
    while (text.size() < 1'000'000)
        text += QStringLiteral("<p url=\"x\">sparkle: lorem ipsum url = \"a.b\" dolor</p>\n");
    for (auto _ : state)
        benchmark::DoNotOptimize(appcast::parseSparkleAppcast(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_ParseGarbage)->Unit(benchmark::kMillisecond);

void BM_LookupAnswer(benchmark::State& state)
{
    QByteArray body = R"({"resultCount":1,"results":[{"trackId":497799835,"version":"14.2","description":")";
    body += QByteArray(4000, 'd') + R"(","bundleId":"com.apple.dt.Xcode"}]})";
    const HttpResponse response{false, 200, body, {}};
    for (auto _ : state)
        benchmark::DoNotOptimize(appstore::appStoreResult(response, QStringLiteral("14.1")));
}
BENCHMARK(BM_LookupAnswer)->Unit(benchmark::kMicrosecond);

void BM_CompareVersions(benchmark::State& state)
{
    const QString a = QStringLiteral("2.14.3-beta.2 (build 4411)"), b = QStringLiteral("2.14.3");
    for (auto _ : state)
        benchmark::DoNotOptimize(versions::isVersion(a, b));
}
BENCHMARK(BM_CompareVersions);

} // namespace

TIDEWELL_BENCHMARK_MAIN()

// The leftover-size prefetch for 200, 1,000 and 5,000 applications against a
// generated home Library that grows with them (about 25 entries per
// application), beside one `du -sk` over that Library in each iteration; the
// target is a prefetch of at most twice du's time (wall and CPU).
//
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIDEWELL_TESTS=OFF
//   cmake --build build-rel --target bench_prefetch
//   taskset -c 4-7 build-rel/bench/bench_prefetch --benchmark_filter=OverDu --benchmark_repetitions=5

#include "engine/inventory/LeftoverFinder.h"
#include "engine/inventory/LeftoverSearchCache.h"
#include "engine/inventory/Prefetch.h"
#include "support/MacTree.h"

#include <QElapsedTimer>

#include "BenchSupport.h"

#include <map>
#include <memory>

using tw::test::MacTree;

namespace {

// The host's own services over a generated tree (no Spotlight here, the
// privacy databases read with SQLite). Without the databases, as on this host
// and on a Mac that has not given the program access to them, the count
// reads nothing.
struct Fixture {
    MacTree tree;
    std::unique_ptr<tw::HostPlatform> host;
    std::vector<tw::prefetch::Query> queries;
    int libraryEntries = 0;

    Fixture(int apps, bool privacyDatabases)
    {
        MacTree& t = tree;
        const QString L = t.library();
        std::vector<tw::test::PrivacyGrant> userGrants, systemGrants;
        for (int i = 0; i < apps; ++i) {
            const QString id = QString("com.vendor%1.app%2").arg(i % 37).arg(i);
            const QString name = QString("Application %1").arg(i);
            queries.push_back({id, name, "/Applications/" + name + ".app"});
            for (int f = 0; f < 6; ++f)
                t.writeSized(L + "/Caches/" + id + QString("/Cache.db-%1").arg(f), 700 * (f + 1));
            for (int f = 0; f < 3; ++f)
                t.writeSized(L + "/Caches/" + id + QString("/fsCachedData/%1").arg(f), 4000);
            t.writeSized(L + "/Preferences/" + id + ".plist", 900);
            for (int f = 0; f < 3; ++f)
                t.writeSized(L + "/Application Support/" + name + QString("/state-%1.json").arg(f), 2500);
            if (i % 3 == 0)
                t.writeSized(L + "/Containers/" + id + "/Data/Library/Preferences/" + id + ".plist", 600);
            if (i % 2 == 0)
                t.writeSized(L + "/Saved Application State/" + id + ".savedState/windows.plist", 300);
            if (i % 4 == 0)
                t.writeSized(L + "/HTTPStorages/" + id + "/httpstorages.sqlite", 8000);
            if (i % 5 == 0) {
                t.writeSized(L + "/Logs/" + name + "/main.log", 12000);
                t.mkdir(L + "/Group Containers/ABCDE" + QString::number(10000 + i) + "." + id);
                t.writeSized(L + "/Preferences/ByHost/" + id + ".0A1B2C3D.plist", 200);
            }
            if (i % 7 == 0)
                t.writeSized(L + "/Caches/Vendor" + QString::number(i % 37) + "/" + id + "/data", 1500);
            if (i % 3 == 1)
                userGrants.push_back({id, "kTCCServiceCamera", 2});
            if (i % 4 == 1)
                systemGrants.push_back({id, "kTCCServiceAccessibility", 2});
        }
        // Files of applications that are not in the list, and of the system.
        for (int i = 0; i < apps * 5 / 4; ++i) {
            const QString other = QString("com.apple.component%1").arg(i);
            t.writeSized(L + "/Caches/" + other + "/Cache.db", 1000);
            t.writeSized(L + "/Preferences/" + other + ".plist", 500);
            if (i % 2 == 0)
                t.writeSized(L + "/Application Support/" + other + "/data", 700);
            if (i % 5 == 0)
                t.writeSized(L + "/Containers/" + other + "/Data/x", 100);
        }
        if (privacyDatabases) {
            t.makePrivacyDatabase(t.home() + "/Library/Application Support/com.apple.TCC/TCC.db", userGrants);
            t.makePrivacyDatabase("/Library/Application Support/com.apple.TCC/TCC.db", systemGrants);
        }
        t.mkdir("/private/var/folders/zz/abcdefg/C/com.vendor1.app1");
        t.mkdir("/private/var/folders/zz/abcdefg/T");

        host = std::make_unique<tw::HostPlatform>(tw::FileSystem(t.hostRoot(), t.home()));
        t.fs().walk(L, tw::Hidden::Include, [&](const QString&, const tw::DirEntry&, int) {
            ++libraryEntries;
            return tw::FileSystem::Visit::Continue;
        });
    }

    std::int64_t prefetch() const
    {
        std::atomic<std::int64_t> total{0};
        tw::prefetch::prefetchLeftovers(host->platform(), queries, nullptr, [&](size_t, tw::prefetch::Figures r) {
            for (const tw::LeftoverItem& item : r.leftovers)
                total += item.size;
        });
        return total;
    }

    QString hostLibrary() { return tree.host(tree.library()); }
};

std::map<std::pair<int, bool>, std::unique_ptr<Fixture>> g_fixtures;

// The generated trees go away with the application object.
void dropFixtures()
{
    g_fixtures.clear();
}

Fixture& fixture(bool privacyDatabases = false, int apps = 200)
{
    auto& f = g_fixtures[{apps, privacyDatabases}];
    if (!f) {
        if (g_fixtures.size() == 1)
            qAddPostRoutine(dropFixtures);
        f = std::make_unique<Fixture>(apps, privacyDatabases);
    }
    return *f;
}

// Argument 1: with both privacy databases present.
void BM_Prefetch200Apps(benchmark::State& state)
{
    Fixture& f = fixture(state.range(0) != 0);
    std::int64_t bytes = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(bytes = f.prefetch());
    state.counters["library_entries"] = f.libraryEntries;
    state.counters["leftover_bytes"] = double(bytes);
}
BENCHMARK(BM_Prefetch200Apps)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DuOverLibrary(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString lib = f.hostLibrary();
    for (auto _ : state)
        tw::bench::runDu({"-sk", lib});
    state.counters["library_entries"] = f.libraryEntries;
}
BENCHMARK(BM_DuOverLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();

// The parts, one application after another on one thread.
void BM_FindLeftoversSequential(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        tw::LeftoverSearchCache cache(f.host->fs());
        for (const auto& q : f.queries)
            benchmark::DoNotOptimize(
                tw::leftovers::findLeftovers(f.host->platform(), q.bundleId, q.name, std::nullopt, q.appPath, &cache));
    }
}
BENCHMARK(BM_FindLeftoversSequential)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PrivacyCountSequential(benchmark::State& state)
{
    Fixture& f = fixture(true);
    for (auto _ : state)
        for (const auto& q : f.queries)
            benchmark::DoNotOptimize(tw::prefetch::privacyPermissionCount(f.host->platform(), q.bundleId, q.appPath));
}
BENCHMARK(BM_PrivacyCountSequential)->Unit(benchmark::kMillisecond)->UseRealTime();

// Both in each iteration, and their ratios (the target is at most 2).
// Arguments: the number of applications; 1 with both privacy databases.
void BM_PrefetchOverDu(benchmark::State& state)
{
    Fixture& f = fixture(state.range(1) != 0, int(state.range(0)));
    const QString lib = f.hostLibrary();
    tw::bench::Cost prefetch, du;
    for (auto _ : state) {
        prefetch += tw::bench::costOf([&] { benchmark::DoNotOptimize(f.prefetch()); });
        du += tw::bench::costOfProcess(QStringLiteral("du"), {"-sk", lib});
    }
    tw::bench::reportCosts(state, "prefetch", prefetch);
    tw::bench::reportCosts(state, "du", du);
    state.counters["library_entries"] = f.libraryEntries;
    state.counters["ratio"] = tw::bench::ratio(prefetch.wallMs, du.wallMs);
    state.counters["cpu_ratio"] = tw::bench::ratio(prefetch.cpuMs, du.cpuMs);
}
BENCHMARK(BM_PrefetchOverDu)
    ->Args({200, 0})
    ->Args({200, 1})
    ->Args({1000, 0})
    ->Args({5000, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

TIDEWELL_BENCHMARK_MAIN()

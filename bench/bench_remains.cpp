// The remains scan of a home Library of about 5,000 entries with 200 known
// applications, against one `du -sk` child process over the same Library.

#include "engine/cleaner/Remains.h"
#include "support/FakePlatform.h"

#include "BenchSupport.h"
#include <benchmark/benchmark.h>

using namespace tw;

namespace {

constexpr int kApps = 200;

struct Fixture {
    test::FakePlatform fp;
    QSet<QString> ids;
    QSet<QString> names;
    int entries = 0;
};

Fixture& fixture()
{
    static Fixture* f = [] {
        auto* f = new Fixture;
        test::MacTree& t = f->fp.tree();
        const QString lib = t.library();
        for (int i = 0; i < kApps; ++i) {
            const QString id = QStringLiteral("com.vendor%1.app%1").arg(i);
            const QString name = QStringLiteral("Application %1").arg(i);
            f->ids.insert(id);
            f->names.insert(name);
            t.writeSized(lib + "/Preferences/" + id + ".plist", 700 + i);
            for (int k = 0; k < 8; ++k)
                t.writeSized(lib + "/Application Support/" + id + QStringLiteral("/store%1.db").arg(k), 3000);
            for (int k = 0; k < 5; ++k)
                t.writeSized(lib + "/Caches/" + id + QStringLiteral("/blob%1").arg(k), 9000);
            if (i % 2 == 0)
                for (int k = 0; k < 4; ++k)
                    t.writeSized(lib + "/Containers/" + id + QStringLiteral("/Data/f%1").arg(k), 2000);
            t.writeSized(lib + "/Logs/" + name + ".log", 1500);
            t.writeSized(lib + "/Saved Application State/" + id + ".savedState/windows.plist", 600);
        }
        // Files of applications that are gone.
        for (int i = 0; i < 60; ++i)
            t.writeSized(lib + QStringLiteral("/Preferences/org.gone%1.tool.plist").arg(i), 900);
        for (int i = 0; i < 40; ++i)
            for (int k = 0; k < 10; ++k)
                t.writeSized(lib + QStringLiteral("/Application Support/Gone Tool %1/part%2").arg(i).arg(k), 5000);
        // The platform's own.
        for (int i = 0; i < 40; ++i)
            t.writeSized(lib + QStringLiteral("/Preferences/com.apple.service%1.plist").arg(i), 400);
        for (int i = 0; i < 10; ++i)
            for (int k = 0; k < 5; ++k)
                t.writeSized(lib + QStringLiteral("/Application Support/com.apple.daemon%1/f%2").arg(i).arg(k), 1000);

        f->fp.fs().walk(lib, Hidden::Include, [&](const QString&, const DirEntry&, int) {
            ++f->entries;
            return FileSystem::Visit::Continue;
        });
        return f;
    }();
    return *f;
}

void BM_RemainsScan(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        auto items = tw::remains::findOrphans(f.fp.platform(), f.ids, f.names);
        if (items.size() != 100)
            state.SkipWithError("unexpected number of remains");
        benchmark::DoNotOptimize(items);
    }
    state.counters["entries"] = f.entries;
}
BENCHMARK(BM_RemainsScan)->Unit(benchmark::kMillisecond)->UseRealTime();

// Nothing installed: every application's files are remains and get measured.
void BM_RemainsScanNothingKnown(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        auto items = tw::remains::findOrphans(f.fp.platform(), {}, {});
        benchmark::DoNotOptimize(items);
    }
    state.counters["entries"] = f.entries;
}
BENCHMARK(BM_RemainsScanNothingKnown)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DuLibrary(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString lib = f.fp.tree().host(f.fp.tree().library());
    for (auto _ : state) {
        tw::bench::runDu({QStringLiteral("-sk"), lib});
    }
    state.counters["entries"] = f.entries;
}
BENCHMARK(BM_DuLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

TIDEWELL_BENCHMARK_MAIN()

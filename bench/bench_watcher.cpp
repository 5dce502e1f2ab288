// The removal watcher's idle tick (nothing changed) over 200 + 50
// applications and a Trash of 30 bundles: what the GUI thread paid per tick
// when it read everything itself (both folders listed, every Info.plist
// parsed, the Trash listed), what the pool's read costs now that unchanged
// Info.plists are only stat'ed, and what the GUI thread still pays (posting
// the read, applying its result). The anchor is a plain listing of the same
// folders and a stat of every Info.plist with POSIX calls, in the same run.
// Also the installed-identifier check a candidate costs.

#include "BenchSupport.h"
#include "engine/inventory/AppRemovalWatcher.h"
#include "support/FakePlatform.h"

#include <QEventLoop>

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

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
        // Ticks long after the files changed: their stats are trusted.
        fp->clock.current = QDateTime::currentDateTimeUtc().addDays(1);
        return fp;
    }();
    return *p;
}

double threadCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Anchor: list both application folders and the Trash, stat each bundle's Info.plist.
void BM_AnchorListAndStat(benchmark::State& state)
{
    auto& p = fixture();
    const QByteArray folders[] = {p.fs().toHost(QStringLiteral("/Applications")),
                                  p.fs().toHost(p.fs().home() + QStringLiteral("/Applications")),
                                  p.fs().toHost(p.fs().trash())};
    int bundles = 0;
    for (auto _ : state) {
        bundles = 0;
        for (const QByteArray& folder : folders) {
            DIR* dir = ::opendir(folder.constData());
            while (const dirent* e = dir ? ::readdir(dir) : nullptr) {
                const QByteArray name(e->d_name);
                if (!name.endsWith(".app") || folder == folders[2])
                    continue;
                struct stat st;
                const QByteArray plist = folder + '/' + name + "/Contents/Info.plist";
                bundles += ::stat(plist.constData(), &st) == 0;
            }
            if (dir)
                ::closedir(dir);
        }
    }
    if (bundles != 250)
        state.SkipWithError("wrong bundle count");
}
BENCHMARK(BM_AnchorListAndStat)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Before: the tick's reads as the GUI thread made them, every Info.plist parsed.
void BM_IdleTickParsingEverything(benchmark::State& state)
{
    auto& p = fixture();
    for (auto _ : state) {
        const auto snapshot = AppRemovalWatcher::scanApplicationFolders(p.fs());
        benchmark::DoNotOptimize(AppRemovalWatcher::appsInTrash(p.fs()));
        if (snapshot.size() != 250)
            state.SkipWithError("wrong snapshot size");
    }
}
BENCHMARK(BM_IdleTickParsingEverything)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Now: the pool's read of an idle tick, with the previous read's cache.
void BM_IdleTickRead(benchmark::State& state)
{
    auto& p = fixture();
    const WatcherDisk disk(p.fs());
    AppRemovalWatcher::DiskRead first =
        AppRemovalWatcher::readDisk(disk, {}, p.clock.current, AppRemovalWatcher::ReadKind::Rebuild, {}, {});
    QSet<QString> seen;
    for (const QString& app : std::as_const(first.trash))
        seen.insert(app.section(QLatin1Char('/'), -1).toLower());
    AppRemovalWatcher::MetaCache cache = std::move(first.cache);
    for (auto _ : state) {
        AppRemovalWatcher::DiskRead read =
            AppRemovalWatcher::readDisk(disk, cache, p.clock.current, AppRemovalWatcher::ReadKind::Poll, first.folders,
                                        seen);
        if (read.folders.size() != 250 || read.installed)
            state.SkipWithError("not an idle tick");
        cache = std::move(read.cache);
    }
}
BENCHMARK(BM_IdleTickRead)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Now: the GUI thread's processor time per idle tick (poll, then the
// delivered result applied); the wall time includes waiting for the pool.
void BM_IdleTickGuiThread(benchmark::State& state)
{
    auto& p = fixture();
    bool detecting = false;
    RemovalWatcherHost host;
    host.detectionEnabled = [&] { return detecting; };
    host.offerPending = [] { return false; };
    AppRemovalWatcher watcher(p, host, {});
    watcher.start(nullptr);  // detection off while starting: no timer
    while (!watcher.isReady())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    detecting = true;
    double gui = 0;
    for (auto _ : state) {
        const double before = threadCpuSeconds();
        watcher.poll();
        while (watcher.isReading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        gui += threadCpuSeconds() - before;
    }
    state.counters["gui_cpu_us"] = gui / double(state.iterations()) * 1e6;
    if (watcher.knownApps().size() != 250)
        state.SkipWithError("wrong snapshot size");
}
BENCHMARK(BM_IdleTickGuiThread)->Unit(benchmark::kMicrosecond)->UseRealTime();

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

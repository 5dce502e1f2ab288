// Leftover-size prefetch and privacy permission count.

#include "engine/inventory/Prefetch.h"

#include "engine/inventory/LeftoverFinder.h"
#include "engine/inventory/LeftoverSearchCache.h"
#include "platform/ThreadPool.h"

#include <QSet>

#include <atomic>
#include <memory>

namespace tw::prefetch {

int privacyPermissionCount(const Platform& p, const QString& bundleId, const QString&)
{
    const QString idLower = bundleId.toLower();
    if (idLower.isEmpty())
        return 0;
    const QString tcc = QStringLiteral("/Library/Application Support/com.apple.TCC/TCC.db");
    const FileSystem& fs = p.fs();
    QSet<QString> services;
    for (const QString& db : {fs.home() + tcc, tcc}) {
        if (!fs.isReadable(db))
            continue;
        // A database that cannot be read counts nothing.
        const Result<QStringList> granted = p.privacy().grantedServices(db, idLower);
        if (!granted)
            continue;
        for (const QString& service : *granted)
            for (const QString& line : service.split(u'\n'))
                if (const QString name = line.trimmed(); !name.isEmpty())
                    services.insert(name);
    }
    return int(services.size());
}

void prefetchLeftovers(const Platform& p, const std::vector<Query>& queries,
                       const std::function<bool(size_t)>& skipSearch,
                       const std::function<void(size_t, Figures)>& done)
{
    if (queries.empty())
        return;
    const size_t n = queries.size();
    std::vector<Figures> results(n);
    // A record is reported once both its leftovers and its count are in.
    std::unique_ptr<std::atomic<int>[]> parts(new std::atomic<int>[n]);
    for (size_t i = 0; i < n; ++i)
        parts[i].store(0, std::memory_order_relaxed);
    auto partDone = [&](size_t i) {
        if (parts[i].fetch_add(1, std::memory_order_acq_rel) == 1 && done)
            done(i, std::move(results[i]));
    };

    // The privacy databases answer one query at a time best, so the counts
    // are taken in a task of their own while the leftovers are searched.
    PoolTask counts([&] {
        for (size_t i = 0; i < n; ++i) {
            results[i].privacyPermissionCount = privacyPermissionCount(p, queries[i].bundleId, queries[i].appPath);
            partDone(i);
        }
    });

    // Every search of this prefetch reads each folder and measures each
    // leftover once. At most four records are searched at any time, and a
    // search starts as soon as another ends: no batch waits for its slowest.
    constexpr size_t kMaxSearches = 4;
    LeftoverSearchCache cache(p.fs());
    cache.prepare(p.fs().home());
    parallelFor(n, [&](size_t i) {
        const Query& q = queries[i];
        if (!skipSearch || !skipSearch(i))
            results[i].leftovers = leftovers::findLeftovers(p, q.bundleId, q.name, std::nullopt, q.appPath, &cache);
        partDone(i);
    }, kMaxSearches);
    counts.wait();
}

} // namespace tw::prefetch

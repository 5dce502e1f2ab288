// Leftover-size prefetch and privacy permission count.

#include "engine/inventory/AppScanner.h"
#include "platform/ThreadPool.h"
#include "engine/inventory/LeftoverSearchCache.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <thread>

namespace tw {

int AppScanner::privacyPermissionCount(const Platform& p, const QString& bundleId, const QString&)
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
        const auto granted = p.privacy().grantedServices(db, idLower);
        if (!granted)
            continue;
        for (const QString& service : *granted)
            for (const QString& line : service.split(u'\n'))
                if (const QString name = line.trimmed(); !name.isEmpty())
                    services.insert(name);
    }
    return int(services.size());
}

namespace {

// Waits until value differs from old: batches follow each other closely, so
// the thread first spins a little before it sleeps.
void awaitChange(const std::atomic<size_t>& value, size_t old)
{
    for (int spin = 0; spin < 4000; ++spin) {
        if (value.load(std::memory_order_acquire) != old)
            return;
        std::this_thread::yield();
    }
    value.wait(old, std::memory_order_acquire);
}

// Runs work(i) for i in [0, count) in consecutive batches of width items:
// the items of one batch run at the same time, on the calling thread and
// width - 1 helper threads kept for the whole run, and every item of a batch
// ends before the next batch starts.
void runInBatches(size_t count, size_t width, const std::function<void(size_t)>& work)
{
    if (count == 0)
        return;
    const size_t helpers = std::min(width, count) - 1;
    const size_t batches = (count + width - 1) / width;
    std::atomic<size_t> generation{0};  // the batch being run, from 1; batches + 1 ends the helpers
    std::atomic<size_t> remaining{0};   // threads still busy with the current batch
    auto finishOne = [&] {
        if (remaining.fetch_sub(1, std::memory_order_acq_rel) == 1)
            remaining.notify_one();
    };
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t w = 1; w <= helpers; ++w) {
        threads.emplace_back([&, w] {
            size_t seen = 0;
            for (;;) {
                awaitChange(generation, seen);
                seen = generation.load(std::memory_order_acquire);
                if (seen > batches)
                    return;
                if (const size_t i = (seen - 1) * width + w; i < count)
                    work(i);
                finishOne();
            }
        });
    }
    for (size_t b = 1; b <= batches; ++b) {
        remaining.store(helpers + 1, std::memory_order_release);
        generation.store(b, std::memory_order_release);
        generation.notify_all();
        work((b - 1) * width);
        finishOne();
        for (size_t r; (r = remaining.load(std::memory_order_acquire)) != 0;)
            awaitChange(remaining, r);
    }
    generation.store(batches + 1, std::memory_order_release);
    generation.notify_all();
    for (std::thread& t : threads)
        t.join();
}

// Runs work(i) for i in [0, count) on the calling thread and width - 1
// helper threads, each taking the next item when it is free.
void runInParallel(size_t count, size_t width, const std::function<void(size_t)>& work)
{
    std::atomic<size_t> next{0};
    auto drain = [&] {
        for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;)
            work(i);
    };
    std::vector<std::thread> threads;
    for (size_t w = 1; w < std::min(width, count); ++w)
        threads.emplace_back(drain);
    drain();
    for (std::thread& t : threads)
        t.join();
}

} // namespace

void AppScanner::prefetchLeftovers(const Platform& p, const std::vector<LeftoverQuery>& queries,
                                   const std::function<bool(size_t)>& skipSearch,
                                   const std::function<void(size_t, PrefetchResult)>& done)
{
    if (queries.empty())
        return;
    const size_t n = queries.size();
    std::vector<PrefetchResult> results(n);
    // A record is reported once both its leftovers and its count are in.
    std::unique_ptr<std::atomic<int>[]> parts(new std::atomic<int>[n]);
    for (size_t i = 0; i < n; ++i)
        parts[i].store(0, std::memory_order_relaxed);
    auto partDone = [&](size_t i) {
        if (parts[i].fetch_add(1, std::memory_order_acq_rel) == 1 && done)
            done(i, std::move(results[i]));
    };

    // The privacy databases answer one query at a time best, so the counts
    // are taken on a lane of their own while the leftovers are searched.
    std::thread counts([&] {
        for (size_t i = 0; i < n; ++i) {
            results[i].privacyPermissionCount = privacyPermissionCount(p, queries[i].bundleId, queries[i].appPath);
            partDone(i);
        }
    });

    // Every search of this prefetch reads each folder and measures each
    // leftover once; at most four records are searched at any time.
    LeftoverSearchCache cache(p.fs());
    cache.prepare(p.fs().home(), [](size_t count, const std::function<void(size_t)>& task) {
        runInParallel(count, 4, task);
    });
    runInBatches(n, 4, [&](size_t i) {
        const LeftoverQuery& q = queries[i];
        if (!skipSearch || !skipSearch(i))
            results[i].leftovers = findLeftovers(p, q.bundleId, q.name, std::nullopt, q.appPath, &cache);
        partDone(i);
    });
    counts.join();
}

void AppScanner::prefetchLeftoverSizes(const QList<AppInfoPtr>& apps)
{
    // Group rows take their figures from their members.
    auto records = std::make_shared<std::vector<AppInfoPtr>>();
    for (const AppInfoPtr& a : apps) {
        if (!a)
            continue;
        if (a->isGroup())
            records->insert(records->end(), a->members().begin(), a->members().end());
        else
            records->push_back(a);
    }
    if (records->empty())
        return;
    std::vector<LeftoverQuery> queries;
    queries.reserve(records->size());
    for (const AppInfoPtr& r : *records)
        queries.push_back({r->bundleIdentifier(), r->name(), r->path()});

    QPointer<AppScanner> self(this);
    const Platform* p = &m_platform;
    enginePool().start(
        [self, p, records, queries = std::move(queries)] {
            // A record a single-application scan has claimed keeps the leftovers
            // that scan publishes (and the user's choices among them).
            auto claimed = [&](size_t i) { return (*records)[i]->hasSingleLeftoverScan(); };
            prefetchLeftovers(*p, queries, claimed, [&](size_t i, PrefetchResult r) {
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, held = (*records)[i], r = std::move(r)]() mutable {
                        // Let go here: the posting thread may drop the call later.
                        const AppInfoPtr app = std::move(held);
                        if (!app->hasSingleLeftoverScan()) {
                            QList<LeftoverPtr> list = LeftoverFile::makeAll(r.leftovers);
                            for (const LeftoverPtr& l : list)
                                l->setOwner(app);
                            app->setLeftovers(std::move(list));
                        }
                        app->setPrivacyPermissionCount(r.privacyPermissionCount);
                        if (self)
                            emit self->leftoversPrefetched();
                    },
                    Qt::QueuedConnection);
            });
            // The records are let go on the GUI thread, in the call itself.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, held = std::move(*records)]() mutable {
                    std::vector<AppInfoPtr>().swap(held);
                    if (self)
                        emit self->prefetchFinished();
                },
                Qt::QueuedConnection);
        },
        0);
}

} // namespace tw

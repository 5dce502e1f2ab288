// Leftover-size prefetch and privacy permission count.

#include "engine/inventory/AppScanner.h"
#include "engine/inventory/LeftoverSearchCache.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

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

void AppScanner::prefetchLeftovers(const Platform& p, const std::vector<LeftoverQuery>& queries,
                                   const std::function<bool(size_t)>& skipSearch,
                                   const std::function<void(size_t, PrefetchResult)>& done)
{
    // Every search of this prefetch reads each folder and measures each
    // leftover once.
    LeftoverSearchCache cache(p.fs());
    for (size_t start = 0; start < queries.size(); start += 4) {
        std::vector<size_t> batch;
        for (size_t i = start; i < std::min(queries.size(), start + 4); ++i)
            batch.push_back(i);
        QtConcurrent::blockingMap(batch, [&](size_t i) {
            const LeftoverQuery& q = queries[i];
            PrefetchResult r;
            if (!skipSearch || !skipSearch(i))
                r.leftovers = findLeftovers(p, q.bundleId, q.name, std::nullopt, q.appPath, &cache);
            r.privacyPermissionCount = privacyPermissionCount(p, q.bundleId, q.appPath);
            if (done)
                done(i, std::move(r));
        });
    }
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
    QThreadPool::globalInstance()->start(
        [self, p, records, queries = std::move(queries)] {
            // A record a single-application scan has claimed keeps the leftovers
            // that scan publishes (and the user's choices among them).
            auto claimed = [&](size_t i) { return (*records)[i]->hasSingleLeftoverScan(); };
            prefetchLeftovers(*p, queries, claimed, [&](size_t i, PrefetchResult r) {
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, app = (*records)[i], r = std::move(r)] {
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
            // The records are let go on the GUI thread.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, held = std::move(*records)] {
                    if (self)
                        emit self->prefetchFinished();
                },
                Qt::QueuedConnection);
        },
        0);
}

} // namespace tw

// The scanner object: its published list and the scans that fill it.

#include "engine/inventory/AppScanner.h"

#include "engine/inventory/Discovery.h"
#include "engine/inventory/LeftoverFinder.h"
#include "engine/inventory/Prefetch.h"
#include "platform/Delivery.h"

#include <algorithm>
#include <memory>

namespace tw {

namespace {

// Makes the leftover records of items, owned by app, and publishes them.
void attachLeftovers(const AppInfoPtr& app, const std::vector<LeftoverItem>& items)
{
    QList<LeftoverPtr> list = LeftoverFile::makeAll(items);
    for (const LeftoverPtr& l : list)
        l->setOwner(app);
    app->setLeftovers(std::move(list));
}

} // namespace

AppScanner::AppScanner(const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
{
    connect(&m_removals, &RemovalLane::busyChanged, this, &AppScanner::removingChanged);
}

void AppScanner::setApps(QList<AppInfoPtr> apps)
{
    m_apps = std::move(apps);
    emit appsChanged();
}

void AppScanner::setScanning(bool scanning, const QString& progress)
{
    if (m_isScanning != scanning) {
        m_isScanning = scanning;
        emit scanningChanged();
    }
    if (m_scanProgress != progress) {
        m_scanProgress = progress;
        emit scanProgressChanged();
    }
}

void AppScanner::scanInstalledApps(Completion<QList<AppInfoPtr>> then)
{
    setScanning(true, QStringLiteral("Scanning all applications…"));
    runInBackground(
        this, [p = &m_platform] { return discovery::discoverInstalledApps(*p); },
        [this, then = std::move(then)](std::vector<AppDraft> drafts) {
            QList<AppInfoPtr> apps;
            apps.reserve(qsizetype(drafts.size()));
            for (const AppDraft& d : drafts)
                apps.append(AppInfo::fromDraft(d));
            setApps(apps);
            setScanning(false, QString());
            prefetchLeftoverSizes(apps);
            then(apps);
        });
}

void AppScanner::scanLeftovers(const AppInfoPtr& app)
{
    if (!app)
        return;
    app->markSingleLeftoverScan();
    app->setScanningLeftovers(true);
    // The worker holds the record weakly; the records are made and attached
    // on the GUI thread.
    runInBackground(
        this,
        [p = &m_platform, id = app->bundleIdentifier(), name = app->name(), bundle = app->path()] {
            return leftovers::findLeftovers(*p, id, name, std::nullopt, bundle);
        },
        [weak = std::weak_ptr<AppInfo>(app)](std::vector<LeftoverItem> items) {
            if (const AppInfoPtr app = weak.lock()) {
                attachLeftovers(app, items);
                app->setScanningLeftovers(false);
            }
        },
        1);  // ahead of the prefetch
}

void AppScanner::prefetchLeftoverSizes(const QList<AppInfoPtr>& apps)
{
    // Group rows take their figures from their members. The workers get the
    // queries, weak references and the records' claim flags, never the records.
    struct Target {
        std::weak_ptr<AppInfo> app;
        AppInfo::ScanClaim claim;
    };
    auto targets = std::make_shared<std::vector<Target>>();
    std::vector<prefetch::Query> queries;
    auto add = [&](const AppInfoPtr& r) {
        targets->push_back({r, r->singleLeftoverScanClaim()});
        queries.push_back({r->bundleIdentifier(), r->name(), r->path()});
    };
    for (const AppInfoPtr& a : apps) {
        if (!a)
            continue;
        if (a->isGroup())
            std::for_each(a->members().begin(), a->members().end(), add);
        else
            add(a);
    }
    if (queries.empty())
        return;

    startOnPool([delivery = Delivery(this), self = this, p = &m_platform, targets, queries] {
        // A record a single-application scan has claimed keeps the leftovers
        // that scan publishes (and the user's choices among them).
        auto claimed = [&](size_t i) { return (*targets)[i].claim->load(std::memory_order_acquire); };
        prefetch::prefetchLeftovers(*p, queries, claimed, [&](size_t i, prefetch::Figures r) {
            delivery.post([self, weak = (*targets)[i].app, r = std::move(r)] {
                const AppInfoPtr app = weak.lock();
                if (!app)
                    return;
                if (!app->hasSingleLeftoverScan())
                    attachLeftovers(app, r.leftovers);
                app->setPrivacyPermissionCount(r.privacyPermissionCount);
                emit self->leftoversPrefetched();
            });
        });
        delivery.post([self] { emit self->prefetchFinished(); });
    });
}

} // namespace tw

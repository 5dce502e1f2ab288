#include "engine/inventory/AppRemovalWatcher.h"

#include "engine/inventory/AppScanner.h"
#include "engine/inventory/Discovery.h"
#include "engine/inventory/KnownApplications.h"
#include "engine/inventory/Models.h"
#include "platform/Delivery.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"

#include <QGuiApplication>

namespace tw {

AppRemovalWatcher::AppRemovalWatcher(const Platform& platform, RemovalWatcherHost host, LeftoverSearch search,
                                     QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_host(std::move(host))
    , m_search(std::move(search))
{
    m_timer.setInterval(m_pollInterval);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AppRemovalWatcher::poll);
}

AppRemovalWatcher::~AppRemovalWatcher() = default;

void AppRemovalWatcher::setPollInterval(std::chrono::milliseconds interval)
{
    m_pollInterval = interval;
    m_timer.setInterval(interval);
}

// ---- Readers -----------------------------------------------------------------

std::pair<QString, QString> AppRemovalWatcher::readAppMeta(const FileSystem& fs, const QString& bundle)
{
    QString name;
    QString bundleId;
    if (const auto info = plist::readDictionary(fs, bundle + QStringLiteral("/Contents/Info.plist"))) {
        bundleId = plist::string(*info, QStringLiteral("CFBundleIdentifier")).value_or(QString());
        // An empty name is no name.
        for (const char* key : {"CFBundleName", "CFBundleDisplayName"}) {
            name = plist::string(*info, QLatin1String(key)).value_or(QString());
            if (!name.isEmpty())
                break;
        }
    }
    if (name.isEmpty())
        name = path::baseName(bundle);
    return {name, bundleId};
}

AppRemovalWatcher::Snapshot AppRemovalWatcher::scanApplicationFolders(const FileSystem& fs)
{
    Snapshot snapshot;
    for (const QString& folder : {QStringLiteral("/Applications"), fs.home() + QStringLiteral("/Applications")}) {
        const auto entries = fs.list(folder, Hidden::Skip);
        if (!entries)
            continue;
        for (const DirEntry& e : *entries) {
            if (!path::isAppBundle(e.name))
                continue;
            const QString bundle = path::standardized(path::join(folder, e.name));
            const auto [name, bundleId] = readAppMeta(fs, bundle);
            snapshot.insert(bundle, TrackedApp{bundle, name, bundleId});
        }
    }
    return snapshot;
}

QStringList AppRemovalWatcher::appsInTrash(const FileSystem& fs)
{
    QStringList apps;
    const QString trash = fs.trash();
    if (const auto entries = fs.list(trash, Hidden::Include))
        for (const DirEntry& e : *entries)
            if (path::isAppBundle(e.name))
                apps << path::join(trash, e.name);
    return apps;
}

QSet<QString> AppRemovalWatcher::installedBundleIds(const FileSystem& fs)
{
    QSet<QString> ids;
    auto add = [&](const QString& bundle) {
        const QString id = readAppMeta(fs, bundle).second.toLower();
        if (!id.isEmpty())
            ids.insert(id);
    };
    for (const discovery::ListedEntry& e : discovery::listApplicationFolders(fs)) {
        if (!e.isFolder)
            add(e.path);
        for (const QString& bundle : e.folderApps)
            add(bundle);
    }
    return ids;
}

// ---- Lifecycle ------------------------------------------------------------------

void AppRemovalWatcher::start(AppScanner* scanner)
{
    m_scanner = scanner;
    rebuildSnapshot();
    m_isReady = true;
    restartTimerIfNeeded();
    if (!m_activation) {
        if (auto app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            m_activation = connect(app, &QGuiApplication::applicationStateChanged, this,
                                   [this](Qt::ApplicationState state) {
                                       if (state == Qt::ApplicationActive)
                                           QMetaObject::invokeMethod(this, &AppRemovalWatcher::poll,
                                                                     Qt::QueuedConnection);
                                   });
    }
}

void AppRemovalWatcher::rebuildSnapshot()
{
    const FileSystem& fs = m_platform.fs();
    m_knownApps = scanApplicationFolders(fs);
    m_seenTrashApps.clear();
    for (const QString& app : appsInTrash(fs))
        m_seenTrashApps.insert(path::lastComponent(app).toLower());
}

void AppRemovalWatcher::restartTimerIfNeeded()
{
    m_timer.stop();
    if (m_host.detectionEnabled && m_host.detectionEnabled())
        m_timer.start();
}

void AppRemovalWatcher::stopTimer()
{
    m_timer.stop();
}

void AppRemovalWatcher::suppress(const QString& bundleId)
{
    const QString id = bundleId.toLower();
    if (id.isEmpty())
        return;
    m_suppressedBundleIds.insert(id);
    // A later suppress of the same identifier does not extend this window.
    QTimer::singleShot(m_suppressionDelay, this, [this, id] { m_suppressedBundleIds.remove(id); });
}

void AppRemovalWatcher::noteOurUninstall(const QString& path, const QString& bundleId)
{
    suppress(bundleId);
    m_knownApps.remove(path::standardized(path));
    m_seenTrashApps.insert(path::lastComponent(path).toLower());
}

// ---- Detection pass --------------------------------------------------------------

bool AppRemovalWatcher::stillInstalled(const QString& bundleIdLower, std::optional<QSet<QString>>& installed) const
{
    if (bundleIdLower.isEmpty())
        return false;
    if (!installed)
        installed = installedBundleIds(m_platform.fs());
    return installed->contains(bundleIdLower);
}

void AppRemovalWatcher::poll()
{
    ++m_pollCount;
    const bool detecting = m_host.detectionEnabled && m_host.detectionEnabled();
    const bool pending = m_host.offerPending && m_host.offerPending();
    if (!m_isReady || !detecting || pending)
        return;

    const FileSystem& fs = m_platform.fs();
    Snapshot current = scanApplicationFolders(fs);
    QStringList gone;
    for (auto it = m_knownApps.cbegin(); it != m_knownApps.cend(); ++it)
        if (!current.contains(it.key()))
            gone << it.key();
    // Read only when a candidate turns up.
    std::optional<QSet<QString>> installed;

    for (const QString& app : appsInTrash(fs)) {
        const QString leaf = path::lastComponent(app).toLower();
        if (m_seenTrashApps.contains(leaf))
            continue;
        m_seenTrashApps.insert(leaf);
        const auto [name, identifier] = readAppMeta(fs, app);
        const QString id = identifier.toLower();
        if (!id.isEmpty() && m_suppressedBundleIds.contains(id))
            continue;
        if (id.isEmpty()) {
            // Without an identifier only a match with a known application counts.
            const QString nameLower = name.toLower();
            const bool known = std::any_of(m_knownApps.cbegin(), m_knownApps.cend(), [&](const TrackedApp& t) {
                return t.bundleId.toLower() == id || t.name.toLower() == nameLower;
            });
            if (!known)
                continue;
        }
        // A trashed copy of an application that is still installed leaves
        // nothing behind: its files belong to the live copy.
        if (stillInstalled(id, installed))
            continue;
        offerCleanup(name, identifier, app);
        m_knownApps = std::move(current);
        return;
    }

    for (const QString& path : gone) {
        const TrackedApp record = m_knownApps.value(path);
        const QString id = record.bundleId.toLower();
        if (m_suppressedBundleIds.contains(id))
            continue;
        // Renamed or moved, not removed.
        if (stillInstalled(id, installed))
            continue;
        offerCleanup(record.name, record.bundleId, std::nullopt);
        m_knownApps = std::move(current);
        return;
    }

    m_knownApps = std::move(current);
}

void AppRemovalWatcher::offerCleanup(const QString& name, const QString& bundleId,
                                     const std::optional<QString>& trashPath)
{
    // The pass has already passed over suppressed identifiers.
    emit offerAttemptStarted(name, bundleId);
    runInBackground(
        this,
        [p = &m_platform, search = m_search, name, bundleId, trashPath] {
            return search ? search(*p, bundleId, name, trashPath) : std::vector<LeftoverItem>();
        },
        [this, name, bundleId, trashPath](std::vector<LeftoverItem> items) {
            if (!items.empty() && m_host.publishOffer) {
                RemainCleanupOffer offer;
                offer.appName = name;
                offer.bundleIdentifier = bundleId;
                offer.trashedAppPath = trashPath;
                offer.leftovers = LeftoverFile::makeAll(items);
                m_host.publishOffer(std::move(offer));
            }
            refreshRemainsScan();
            emit offerAttemptFinished();
        });
}

void AppRemovalWatcher::refreshRemainsScan()
{
    if (!m_scanner || !m_host.rescanRemains)
        return;
    const KnownApplications known = knownApplications(m_scanner->apps());
    m_host.rescanRemains(known.bundleIds, known.names);
    m_scanner->scanInstalledApps();
}

} // namespace tw

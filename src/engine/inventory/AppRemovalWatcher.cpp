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

// ---- Reads of the disk -----------------------------------------------------------

std::optional<std::vector<DirEntry>> WatcherDisk::list(const QString& folder, Hidden hidden) const
{
    return m_fs.list(folder, hidden);
}

std::optional<FileStat> WatcherDisk::infoPlistStat(const QString& bundle) const
{
    return m_fs.stat(bundle + QStringLiteral("/Contents/Info.plist"), Links::Follow);
}

std::pair<QString, QString> WatcherDisk::readMeta(const QString& bundle) const
{
    return AppRemovalWatcher::readAppMeta(m_fs, bundle);
}

QStringList WatcherDisk::installedBundles() const
{
    QStringList bundles;
    for (const discovery::ListedEntry& e : discovery::listApplicationFolders(m_fs)) {
        if (!e.isFolder)
            bundles << e.path;
        bundles << e.folderApps;
    }
    return bundles;
}

namespace {

using Meta = std::pair<QString, QString>;

qint64 msecs(const std::optional<QDateTime>& t)
{
    return t ? t->toMSecsSinceEpoch() : 0;
}

// Bundle metadata through the cache of the previous read: a bundle whose
// Info.plist stat is unchanged is not parsed again, unless that stat was
// taken while the file could still change within the same tick of its
// clock. `fresh` collects the entries this read used.
class MetaLookup {
public:
    MetaLookup(const WatcherDisk& disk, const AppRemovalWatcher::MetaCache& old, const QDateTime& readAt = {})
        : m_disk(disk), m_old(old), m_readAt(readAt)
    {
    }

    Meta operator()(const QString& bundle)
    {
        if (const auto it = m_fresh.constFind(bundle); it != m_fresh.cend())
            return {it->name, it->bundleId};
        AppRemovalWatcher::PlistStamp stamp;
        if (const auto st = m_disk.infoPlistStat(bundle)) {
            stamp = {true, st->type, st->size, st->device, st->inode, msecs(st->modified), msecs(st->changed)};
        }
        if (const auto it = m_old.constFind(bundle); it != m_old.cend() && it->settled && it->stamp == stamp) {
            m_fresh.insert(bundle, *it);
            return {it->name, it->bundleId};
        }
        const bool settled = m_readAt.isValid() &&
                             stamp.changed < m_readAt.toMSecsSinceEpoch() - AppRemovalWatcher::kSettled.count();
        auto [name, bundleId] = m_disk.readMeta(bundle);
        m_fresh.insert(bundle, {stamp, name, bundleId, settled});
        return {std::move(name), std::move(bundleId)};
    }

    AppRemovalWatcher::MetaCache take() { return std::move(m_fresh); }

private:
    const WatcherDisk& m_disk;
    const AppRemovalWatcher::MetaCache& m_old;
    QDateTime m_readAt;
    AppRemovalWatcher::MetaCache m_fresh;
};

AppRemovalWatcher::Snapshot scanFolders(const WatcherDisk& disk, MetaLookup& meta)
{
    AppRemovalWatcher::Snapshot snapshot;
    for (const QString& folder : {QStringLiteral("/Applications"), disk.fs().home() + QStringLiteral("/Applications")}) {
        const auto entries = disk.list(folder, Hidden::Skip);
        if (!entries)
            continue;
        for (const DirEntry& e : *entries) {
            if (!path::isAppBundle(e.name))
                continue;
            const QString bundle = path::standardized(path::join(folder, e.name));
            const auto [name, bundleId] = meta(bundle);
            snapshot.insert(bundle, AppRemovalWatcher::TrackedApp{bundle, name, bundleId});
        }
    }
    return snapshot;
}

QStringList trashApps(const WatcherDisk& disk)
{
    QStringList apps;
    const QString trash = disk.fs().trash();
    if (const auto entries = disk.list(trash, Hidden::Include))
        for (const DirEntry& e : *entries)
            if (path::isAppBundle(e.name))
                apps << path::join(trash, e.name);
    return apps;
}

QSet<QString> installedIds(const WatcherDisk& disk, MetaLookup& meta)
{
    QSet<QString> ids;
    for (const QString& bundle : disk.installedBundles()) {
        const QString id = meta(bundle).second.toLower();
        if (!id.isEmpty())
            ids.insert(id);
    }
    return ids;
}

} // namespace

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
    const WatcherDisk disk(fs);
    const MetaCache none;
    MetaLookup meta(disk, none);
    return scanFolders(disk, meta);
}

QStringList AppRemovalWatcher::appsInTrash(const FileSystem& fs)
{
    return trashApps(WatcherDisk(fs));
}

QSet<QString> AppRemovalWatcher::installedBundleIds(const FileSystem& fs)
{
    const WatcherDisk disk(fs);
    const MetaCache none;
    MetaLookup meta(disk, none);
    return installedIds(disk, meta);
}

AppRemovalWatcher::DiskRead AppRemovalWatcher::readDisk(const WatcherDisk& disk, const MetaCache& cache,
                                                        const QDateTime& readAt, ReadKind kind, const Snapshot& known,
                                                        const QSet<QString>& seen)
{
    MetaLookup meta(disk, cache, readAt);
    DiskRead read;
    read.folders = scanFolders(disk, meta);
    read.trash = trashApps(disk);
    if (kind == ReadKind::Poll) {
        // The installed identifiers are read only when a candidate has an identifier to look up.
        bool lookUp = false;
        for (const QString& app : std::as_const(read.trash)) {
            if (seen.contains(path::lastComponent(app).toLower()))
                continue;
            const Meta m = meta(app);
            lookUp = lookUp || !m.second.isEmpty();
            read.trashMeta.insert(app, m);
        }
        for (auto it = known.cbegin(); it != known.cend() && !lookUp; ++it)
            lookUp = !read.folders.contains(it.key()) && !it->bundleId.isEmpty();
        if (lookUp)
            read.installed = installedIds(disk, meta);
    }
    read.cache = meta.take();
    return read;
}

// ---- Lifecycle ------------------------------------------------------------------

void AppRemovalWatcher::start(AppScanner* scanner)
{
    m_scanner = scanner;
    m_readyOnSnapshot = true;
    rebuildSnapshot();
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
    ++m_pollEpoch;  // a pass under way read the old state
    if (m_reading)
        m_rebuildQueued = true;
    else
        startRead(ReadKind::Rebuild);
}

void AppRemovalWatcher::restartTimerIfNeeded()
{
    m_timer.stop();
    if (m_host.detectionEnabled && m_host.detectionEnabled())
        m_timer.start();
}

void AppRemovalWatcher::stop()
{
    m_timer.stop();
    ++m_pollEpoch;
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
    const QString bundle = path::standardized(path);
    const QString leaf = path::lastComponent(path).toLower();
    m_knownApps.remove(bundle);
    m_seenTrashApps.insert(leaf);
    // A read that began before the move still sees the bundle in its folder.
    m_ourRemovals.insert(bundle, leaf);
    QTimer::singleShot(m_suppressionDelay, this, [this, bundle, leaf] {
        if (m_ourRemovals.value(bundle) == leaf)
            m_ourRemovals.remove(bundle);
    });
}

// ---- Reads and passes --------------------------------------------------------------

void AppRemovalWatcher::startRead(ReadKind kind)
{
    if (!m_disk)
        m_disk = std::make_shared<WatcherDisk>(m_platform.fs());
    m_reading = true;
    runInBackground(
        this,
        [disk = m_disk, cache = std::move(m_cache), readAt = m_platform.clock().now(), kind, known = m_knownApps,
         seen = m_seenTrashApps] { return readDisk(*disk, cache, readAt, kind, known, seen); },
        [this, kind, epoch = m_pollEpoch](DiskRead read) { finishRead(kind, epoch, std::move(read)); });
    m_cache.clear();
}

void AppRemovalWatcher::finishRead(ReadKind kind, quint64 epoch, DiskRead read)
{
    m_reading = false;
    m_cache = std::move(read.cache);
    if (kind == ReadKind::Rebuild)
        applySnapshot(read);
    else if (epoch == m_pollEpoch)
        applyPoll(read);
    if (m_rebuildQueued) {
        m_rebuildQueued = false;
        startRead(ReadKind::Rebuild);
    }
    if (kind == ReadKind::Rebuild)
        emit snapshotRebuilt();
    else
        emit pollDelivered();
}

void AppRemovalWatcher::applySnapshot(DiskRead& read)
{
    for (auto it = m_ourRemovals.cbegin(); it != m_ourRemovals.cend(); ++it)
        read.folders.remove(it.key());
    m_knownApps = std::move(read.folders);
    m_seenTrashApps.clear();
    for (const QString& app : std::as_const(read.trash))
        m_seenTrashApps.insert(path::lastComponent(app).toLower());
    for (const QString& leaf : std::as_const(m_ourRemovals))
        m_seenTrashApps.insert(leaf);
    if (m_readyOnSnapshot)
        m_isReady = true;
}

bool AppRemovalWatcher::poll()
{
    ++m_pollCount;
    const bool detecting = m_host.detectionEnabled && m_host.detectionEnabled();
    const bool pending = m_host.offerPending && m_host.offerPending();
    if (!m_isReady || !detecting || pending || m_reading)
        return false;
    startRead(ReadKind::Poll);
    return true;
}

void AppRemovalWatcher::applyPoll(DiskRead& read)
{
    // The state may have changed while the read ran: judged as a pass starting now.
    const bool detecting = m_host.detectionEnabled && m_host.detectionEnabled();
    const bool pending = m_host.offerPending && m_host.offerPending();
    if (!m_isReady || !detecting || pending)
        return;

    Snapshot current = std::move(read.folders);
    for (auto it = m_ourRemovals.cbegin(); it != m_ourRemovals.cend(); ++it)
        current.remove(it.key());
    QStringList gone;
    for (auto it = m_knownApps.cbegin(); it != m_knownApps.cend(); ++it)
        if (!current.contains(it.key()))
            gone << it.key();
    const auto stillInstalled = [&](const QString& idLower) {
        return !idLower.isEmpty() && read.installed && read.installed->contains(idLower);
    };

    for (const QString& app : std::as_const(read.trash)) {
        const QString leaf = path::lastComponent(app).toLower();
        if (m_seenTrashApps.contains(leaf))
            continue;
        m_seenTrashApps.insert(leaf);
        const auto meta = read.trashMeta.constFind(app);
        if (meta == read.trashMeta.cend())
            continue;  // not read: it was seen when the read began
        const auto& [name, identifier] = *meta;
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
        if (stillInstalled(id))
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
        if (stillInstalled(id))
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
    // The remains are looked for with the list this scan publishes: the one
    // held now may still have the application just removed, whose files
    // would then belong to an installed application.
    m_scanner->scanInstalledApps({this, [this](const QList<AppInfoPtr>& apps) {
        const KnownApplications known = knownApplications(apps);
        m_host.rescanRemains(known.bundleIds, known.names);
    }});
}

} // namespace tw

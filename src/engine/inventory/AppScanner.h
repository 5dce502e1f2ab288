#pragma once

#include "engine/inventory/Models.h"
#include "platform/Platform.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

namespace tw {

class LeftoverSearchCache;

// A library folder the leftover finder lists, with the category label of what
// it finds there.
struct SearchRoot {
    QString base;
    QString label;
    friend bool operator==(const SearchRoot&, const SearchRoot&) = default;
};

// The application inventory: discovery, record building, sizes, leftovers,
// ownership and safety rules, and the uninstall. Lives on the GUI thread; the
// static operations are pure or read the disk only through the platform, and
// may run on any thread.
class AppScanner : public QObject {
    Q_OBJECT
public:
    explicit AppScanner(const Platform& platform, QObject* parent = nullptr);

    const Platform& platform() const { return m_platform; }

    // Published state.
    const QList<AppInfoPtr>& apps() const { return m_apps; }
    void setApps(QList<AppInfoPtr> apps);
    bool isScanning() const { return m_isScanning; }
    const QString& scanProgress() const { return m_scanProgress; }

    // ---- Discovery ----------------------------------------------------
    // Starts a discovery in the background and returns at once.
    void scanInstalledApps();
    static std::vector<AppDraft> discoverInstalledApps(const Platform& p);
    static QStringList findNotableNestedApps(const FileSystem& fs, const QString& bundle);
    static std::vector<AppDraft> applyFamilyGroups(std::vector<AppDraft> list);
    static AppDraft makeGroup(const QString& name, std::vector<AppDraft> members);
    static const QStringList& applicationFolders(const QString& home);
    // An entry of an application folder: a bundle, or a plain folder with
    // the bundles directly inside it (folders without any are left out).
    struct ListedEntry {
        QString path;
        bool isFolder = false;
        QStringList folderApps;
    };
    static std::vector<ListedEntry> listApplicationFolders(const FileSystem& fs);

    // ---- Record building ----------------------------------------------
    static AppDraft buildAppInfo(const Platform& p, const QString& bundle, bool fastSize);
    static bool isBuiltInOrSystemApp(const QString& path, const QString& bundleId);
    static std::optional<QDateTime> resolvedLastUsed(const Platform& p, const QString& bundle);

    // ---- Disk usage -----------------------------------------------------
    static std::int64_t quickDiskUsage(const FileSystem& fs, const QString& path);
    static std::int64_t directorySize(const FileSystem& fs, const QString& path);

    // ---- Document types -------------------------------------------------
    static QStringList documentTypeExtensions(const FileSystem& fs, const QString& bundle);

    // ---- Leftover-size prefetch and privacy permissions -------------------
    // Fills every application's leftovers and permission count in the
    // background, four applications at a time; returns at once.
    void prefetchLeftoverSizes(const QList<AppInfoPtr>& apps);
    static int privacyPermissionCount(const Platform& p, const QString& bundleId, const QString& appPath);
    struct LeftoverQuery {
        QString bundleId;
        QString name;
        QString appPath;
    };
    struct PrefetchResult {
        std::vector<LeftoverItem> leftovers;
        int privacyPermissionCount = 0;
    };
    // The prefetch's work, from the calling thread: the leftover searches in
    // consecutive batches of four run in parallel, sharing one listing cache,
    // while the permission counts are taken one after another beside them.
    // done runs on a worker thread as each query's figures are complete;
    // skipSearch(i) true leaves the leftovers of query i unsearched (its
    // count is still taken).
    static void prefetchLeftovers(const Platform& p, const std::vector<LeftoverQuery>& queries,
                                  const std::function<bool(size_t)>& skipSearch,
                                  const std::function<void(size_t, PrefetchResult)>& done);
signals:
    // One prefetched application's figures arrived; the prefetch ended.
    void leftoversPrefetched();
    void prefetchFinished();

public:
    // ---- Leftover finder ------------------------------------------------
    // cache: listings and sizes shared between searches (one is made for
    // this search when none is given).
    static std::vector<LeftoverItem> findLeftovers(const Platform& p, const QString& bundleId, const QString& name,
                                                   const std::optional<std::vector<SearchRoot>>& roots,
                                                   const std::optional<QString>& excludeAppPath,
                                                   LeftoverSearchCache* cache = nullptr);
    // Runs the finder for one application in the background and publishes
    // its leftovers (owned by it) on the GUI thread.
    void scanLeftovers(const AppInfoPtr& app);
    static std::vector<LeftoverItem> pruneNestedLeftovers(std::vector<LeftoverItem> items);
    static const QStringList& leftoverCategoryOrder();

    // ---- Ownership rules --------------------------------------------------
    static bool leafOwned(const QString& name, const QString& bundleIdLower, const QString& nameLower,
                          const QString& nameCompact);
    static bool isOwnedByApp(const QString& path, const QString& bundleIdLower, const QString& nameLower,
                             const QString& nameCompact);
    static QStringList leftoverNameAliases(const QString& name);
    static bool groupContainerMatches(const QString& name, const QString& bundleId);

    // ---- Search roots and special locations -------------------------------
    static std::vector<SearchRoot> searchRoots(const QString& home);
    static std::vector<SearchRoot> knownSupportExtras(const FileSystem& fs, const QString& bundleId,
                                                      const QString& name, const QString& lib);
    static QStringList varFolderEntries(const FileSystem& fs, const QString& bundleIdLower);
    static QStringList nestedBundleFolders(const FileSystem& fs, const QString& folder,
                                           const QString& bundleIdLower, int depth);
    static QStringList spotlightExactHits(const Platform& p, const QString& bundleId);

    // ---- Removal safety -------------------------------------------------
    static bool isSafeToRemove(const FileSystem& fs, const QString& path);

    // ---- Uninstall ------------------------------------------------------
    static bool isUserAppBundle(const QString& home, const QString& path);
    // What an uninstall did: the error that stopped it (a refused bundle or
    // a failed bundle move), the paths that left their place and the
    // selected ones that stayed.
    struct UninstallResult {
        std::optional<Error> error;
        QStringList moved;
        QStringList failed;
    };
    // Moves the bundle (when asked) and the selected, safe and owned
    // leftovers into the Trash. Runs on the GUI thread and may block on the
    // administrator prompt.
    UninstallResult uninstall(const AppInfoPtr& app, const QList<LeftoverPtr>& leftovers, bool removeBundle);
    // Told first by every uninstall (the removal watcher's noteOurUninstall).
    void setUninstallObserver(std::function<void(const QString& path, const QString& bundleId)> observer)
    {
        m_uninstallObserver = std::move(observer);
    }

signals:
    void appsChanged();
    void scanningChanged();
    void scanProgressChanged();

private:
    void setScanning(bool scanning, const QString& progress);

    const Platform& m_platform;
    QList<AppInfoPtr> m_apps;
    bool m_isScanning = false;
    QString m_scanProgress;
    std::function<void(const QString&, const QString&)> m_uninstallObserver;
};

} // namespace tw

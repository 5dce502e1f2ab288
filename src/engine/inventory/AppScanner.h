#pragma once

// The application inventory's engine object: the published list of
// applications, the asynchronous scans that fill it and the uninstall. The
// rules it applies live in their own headers: Discovery.h, AppRecord.h,
// LeftoverFinder.h, OwnershipRules.h, SearchRoots.h, SafetyTest.h,
// Prefetch.h, DiskSizes.h.

#include "engine/inventory/Models.h"
#include "platform/Platform.h"

#include <QObject>

#include <functional>

namespace tw {

// Whether an uninstall moves the application's bundle too.
enum class BundleRemoval { Keep, MoveToTrash };

// Lives on the GUI thread; the scans run on the engine pool and publish here.
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

    // Starts a discovery in the background and returns at once; the
    // prefetch follows the published list.
    void scanInstalledApps();
    // Fills every application's leftovers and permission count in the
    // background, four applications at a time; returns at once.
    void prefetchLeftoverSizes(const QList<AppInfoPtr>& apps);
    // Runs the finder for one application in the background and publishes
    // its leftovers (owned by it) on the GUI thread.
    void scanLeftovers(const AppInfoPtr& app);

    // What an uninstall did: the error that stopped it (a refused bundle or
    // a failed bundle move), the paths that left their place and the
    // selected ones that stayed.
    struct UninstallResult {
        Status status;
        QStringList moved;
        QStringList failed;
    };
    // Moves the bundle (when asked) and the selected, safe and owned
    // leftovers into the Trash. Runs on the GUI thread and may block on the
    // administrator prompt.
    UninstallResult uninstall(const AppInfoPtr& app, const QList<LeftoverPtr>& leftovers, BundleRemoval bundle);
    // Told first by every uninstall (the removal watcher's noteOurUninstall).
    void setUninstallObserver(std::function<void(const QString& path, const QString& bundleId)> observer)
    {
        m_uninstallObserver = std::move(observer);
    }

signals:
    void appsChanged();
    void scanningChanged();
    void scanProgressChanged();
    // One prefetched application's figures arrived; the prefetch ended.
    void leftoversPrefetched();
    void prefetchFinished();

private:
    void setScanning(bool scanning, const QString& progress);

    const Platform& m_platform;
    QList<AppInfoPtr> m_apps;
    bool m_isScanning = false;
    QString m_scanProgress;
    std::function<void(const QString&, const QString&)> m_uninstallObserver;
};

} // namespace tw

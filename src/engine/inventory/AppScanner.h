#pragma once

// The application inventory's engine object: the published list of
// applications, the asynchronous scans that fill it and the uninstall. The
// rules it applies live in their own headers: Discovery.h, AppRecord.h,
// LeftoverFinder.h, OwnershipRules.h, SearchRoots.h, SafetyTest.h,
// Prefetch.h, DiskSizes.h.

#include "engine/inventory/Models.h"
#include "engine/inventory/RemovalLane.h"
#include "engine/inventory/RemovalReport.h"
#include "platform/Platform.h"

#include <QObject>
#include <QSet>
#include <QUuid>

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

    // Published state. Only the engine changes the list (setApps is for
    // seeding it in tests and benchmarks); every change is announced once.
    const QList<AppInfoPtr>& apps() const { return m_apps; }
    void setApps(QList<AppInfoPtr> apps);
    bool isScanning() const { return m_isScanning; }
    const QString& scanProgress() const { return m_scanProgress; }

    // Starts a discovery in the background and returns at once; the
    // prefetch follows the published list, and then hears that list.
    void scanInstalledApps(Completion<QList<AppInfoPtr>> then = {});
    // Fills every application's leftovers and permission count in the
    // background, four applications at a time; returns at once.
    void prefetchLeftoverSizes(const QList<AppInfoPtr>& apps);
    // Runs the finder for one application in the background and publishes
    // its leftovers (owned by it) on the GUI thread.
    void scanLeftovers(const AppInfoPtr& app);

    // Moves the bundle (when asked) and the selected, safe and owned
    // leftovers into the Trash, then updates the list once: a bundle that
    // moved takes its application out of the list and out of every group (a
    // group it leaves empty goes too); with the bundle kept only the
    // leftovers that moved leave the application. A refused or failed bundle
    // stops the uninstall (the report's status) and changes no list. Returns
    // at once: the records are read now, the application is quit and the
    // files moved on the engine pool (one removal at a time), and the list is
    // updated on the GUI thread before then hears the report.
    void uninstall(const AppInfoPtr& app, const QList<LeftoverPtr>& leftovers, BundleRemoval bundle,
                   Completion<RemovalReport> then = {});
    // Uninstalls a list entry whole: each member of a group (or the entry
    // itself), in order, with its bundle and its ticked leftovers, stopping
    // at the first member that fails. The members that went leave the list
    // and their group in one announced change; the group stays while a
    // member remains. The status is the failed member's. Returns at once, as
    // uninstall does.
    void uninstallEntry(const AppInfoPtr& entry, Completion<RemovalReport> then = {});
    // An uninstall runs or waits (from any view).
    bool isRemoving() const { return m_removals.isBusy(); }
    // The list update that follows an uninstall's moves (what uninstall
    // does after them): true when the application left the list.
    bool applyUninstall(const AppInfoPtr& target, BundleRemoval bundle, const RemovalReport& report);
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
    void removingChanged(bool removing);

private:
    // Tells the observer of an uninstall of these bundles.
    void noteUninstall(const QString& path, const QString& bundleId) const;
    // Takes the applications out of the list and out of every group, in one announced change.
    void dropApplications(const QSet<QUuid>& gone);
    void setScanning(bool scanning, const QString& progress);

    const Platform& m_platform;
    QList<AppInfoPtr> m_apps;
    bool m_isScanning = false;
    QString m_scanProgress;
    std::function<void(const QString&, const QString&)> m_uninstallObserver;
    RemovalLane m_removals;
};

} // namespace tw

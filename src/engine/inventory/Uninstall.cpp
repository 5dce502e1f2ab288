// One confirmed uninstall: the bundle and the chosen leftovers into the
// Trash, and the list brought in line with what moved.

#include "engine/inventory/AppScanner.h"

#include "engine/inventory/OwnershipRules.h"
#include "engine/inventory/PrivilegedTrash.h"
#include "engine/inventory/SafetyTest.h"

#include <QSet>

#include <algorithm>

namespace tw {

RemovalReport AppScanner::moveToTrash(const AppInfoPtr& app, const QList<LeftoverPtr>& leftovers, BundleRemoval bundle)
{
    RemovalReport report;
    if (!app)
        return report;
    if (m_uninstallObserver)
        m_uninstallObserver(app->path(), app->bundleIdentifier());

    if (bundle == BundleRemoval::MoveToTrash) {
        if (!safety::isUserAppBundleOnDisk(m_platform.fs(), app->path())) {
            report.status = Error{kAppErrorDomain, 1, QStringLiteral("Refusing to remove a protected or system application.")};
            return report;
        }
        privilegedtrash::quitRunningApp(m_platform, app->path());
        if (Status moved = privilegedtrash::moveToTrash(m_platform, app->path()); !moved) {
            report.failures << RemovalFailure{app->path(), {}, moved.error()};
            report.status = std::move(moved);
            return report;
        }
        report.moved << app->path();
    }

    const QString bundleIdLower = app->bundleIdentifier().toLower();
    const QString nameLower = app->name().toLower();
    const QString nameCompact = QString(nameLower).remove(u' ');
    for (const LeftoverPtr& leftover : leftovers) {
        if (!leftover || !leftover->isSelected())
            continue;
        const QString& p = leftover->path();
        // A leftover that cannot go stays; the report says which and why.
        if (!safety::isSafeToRemove(m_platform.fs(), p))
            report.failures << RemovalFailure{p, {}, removal::refused()};
        else if (!ownership::isOwnedByApp(p, bundleIdLower, nameLower, nameCompact))
            report.failures << RemovalFailure{p, {}, removal::notOwned()};
        else if (const Status moved = privilegedtrash::moveToTrash(m_platform, p); !moved)
            report.failures << RemovalFailure{p, {}, moved.error()};
        else
            report.moved << p;
    }
    return report;
}

RemovalReport AppScanner::uninstall(const AppInfoPtr& app, const QList<LeftoverPtr>& leftovers, BundleRemoval bundle)
{
    RemovalReport report = moveToTrash(app, leftovers, bundle);
    applyUninstall(app, bundle, report);
    return report;
}

bool AppScanner::applyUninstall(const AppInfoPtr& target, BundleRemoval bundle, const RemovalReport& report)
{
    // A stopped uninstall leaves the lists as they were, also for anything
    // moved before the failure.
    if (!target || !report.status.ok())
        return false;
    if (bundle == BundleRemoval::MoveToTrash) {
        dropApplications({target});
        return true;
    }
    // Only what left the disk leaves the list; a skipped or failed file stays, still ticked.
    const QSet<QString> moved(report.moved.begin(), report.moved.end());
    QList<LeftoverPtr> kept = target->leftovers();
    kept.removeIf([&](const LeftoverPtr& l) { return l->isSelected() && moved.contains(l->path()); });
    target->setLeftovers(std::move(kept));
    emit appsChanged();
    return false;
}

RemovalReport AppScanner::uninstallEntry(const AppInfoPtr& entry)
{
    RemovalReport all;
    if (!entry)
        return all;
    const std::vector<AppInfoPtr> targets = entry->isGroup() ? entry->members() : std::vector<AppInfoPtr>{entry};
    QList<AppInfoPtr> gone;
    for (const AppInfoPtr& target : targets) {
        RemovalReport one = moveToTrash(target, target->selectedLeftovers(), BundleRemoval::MoveToTrash);
        all.moved << one.moved;
        all.failures << one.failures;
        if (!one.status.ok()) {
            all.status = std::move(one.status);
            break;
        }
        gone << target;
    }
    if (!gone.isEmpty())
        dropApplications(gone);
    return all;
}

void AppScanner::dropApplications(const QList<AppInfoPtr>& gone)
{
    QSet<QUuid> ids;
    for (const AppInfoPtr& app : gone)
        ids.insert(app->id());
    // A group loses the members' sizes (never below zero) and, left without
    // members, the list.
    QSet<const AppInfo*> emptied;
    bool changed = false;
    for (const AppInfoPtr& entry : std::as_const(m_apps)) {
        if (!entry || !entry->isGroup())
            continue;
        std::vector<AppInfoPtr> members = entry->members();
        std::int64_t size = entry->appSize();
        const auto kept = std::remove_if(members.begin(), members.end(), [&](const AppInfoPtr& m) {
            if (!ids.contains(m->id()))
                return false;
            size -= m->appSize();
            return true;
        });
        if (kept == members.end())
            continue;
        members.erase(kept, members.end());
        changed = true;
        entry->setAppSize(std::max<std::int64_t>(0, size));
        if (members.empty())
            emptied.insert(entry.get());
        entry->setMembers(std::move(members));
    }
    if (m_apps.removeIf([&](const AppInfoPtr& a) { return a && (ids.contains(a->id()) || emptied.contains(a.get())); }) > 0)
        changed = true;
    if (changed)
        emit appsChanged();
}

} // namespace tw

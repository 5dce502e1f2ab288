// One confirmed uninstall: the bundle and the chosen leftovers into the
// Trash, and the list brought in line with what moved.

#include "engine/inventory/AppScanner.h"

#include "engine/inventory/OwnershipRules.h"
#include "engine/inventory/PrivilegedTrash.h"
#include "engine/inventory/SafetyTest.h"

#include <QSet>

#include <algorithm>
#include <optional>

namespace tw {

namespace {

// What one application's uninstall works from, read from its records on the
// GUI thread: the moves never touch a record.
struct UninstallTarget {
    QUuid id;
    QString path;
    QString bundleId;
    QString name;
    QStringList leftovers;  // the selected ones, in list order
};

UninstallTarget targetOf(const AppInfo& app, const QList<LeftoverPtr>& leftovers)
{
    UninstallTarget t{app.id(), app.path(), app.bundleIdentifier(), app.name(), {}};
    for (const LeftoverPtr& leftover : leftovers)
        if (leftover && leftover->isSelected())
            t.leftovers << leftover->path();
    return t;
}

// The moves of one uninstall; any thread. Quits the application first (and
// waits the pause after it) when its bundle goes.
RemovalReport moveToTrash(const Platform& platform, const UninstallTarget& app, BundleRemoval bundle)
{
    RemovalReport report;
    const FileSystem& fs = platform.fs();
    if (bundle == BundleRemoval::MoveToTrash && safety::isUserAppBundle(fs.home(), app.path)
        && !fs.existsNoFollow(app.path)) {
        // Moved by a change queued before this one: nothing to refuse.
        report.gone << app.path;
    } else if (bundle == BundleRemoval::MoveToTrash) {
        if (!safety::isUserAppBundleOnDisk(fs, app.path)) {
            report.status = Error{kAppErrorDomain, 1, QStringLiteral("Refusing to remove a protected or system application.")};
            return report;
        }
        privilegedtrash::quitRunningApp(platform, app.path);
        const Result<Trashed> moved = privilegedtrash::moveToTrash(platform, app.path);
        report.add(app.path, moved);
        if (!moved) {
            report.status = moved.error();
            return report;
        }
    }

    const QString bundleIdLower = app.bundleId.toLower();
    const QString nameLower = app.name.toLower();
    const QString nameCompact = QString(nameLower).remove(u' ');
    for (const QString& p : app.leftovers) {
        // A leftover that cannot go stays; the report says which and why.
        if (!safety::isSafeToRemove(fs, p))
            report.failures << RemovalFailure{p, {}, removal::refused()};
        else if (!fs.existsNoFollow(p))
            report.gone << p;
        else if (!ownership::isOwnedByApp(p, bundleIdLower, nameLower, nameCompact))
            report.failures << RemovalFailure{p, {}, removal::notOwned()};
        else
            report.add(p, privilegedtrash::moveToTrash(platform, p));
    }
    return report;
}

} // namespace

void AppScanner::noteUninstall(const QString& path, const QString& bundleId) const
{
    if (m_uninstallObserver)
        m_uninstallObserver(path, bundleId);
}

void AppScanner::uninstall(const AppInfoPtr& app, const QList<LeftoverPtr>& leftovers, BundleRemoval bundle,
                           Completion<RemovalReport> then)
{
    std::optional<UninstallTarget> target;
    if (app) {
        target = targetOf(*app, leftovers);
        noteUninstall(target->path, target->bundleId);
    }
    m_removals.run<RemovalReport>(
        [p = &m_platform, target, bundle] { return target ? moveToTrash(*p, *target, bundle) : RemovalReport{}; },
        [this, record = std::weak_ptr<AppInfo>(app), target, bundle](RemovalReport& report) {
            // Told again once the bundle has gone: a prompt may have outlasted the first notice.
            if (target && report.moved.contains(target->path))
                noteUninstall(target->path, target->bundleId);
            applyUninstall(record.lock(), bundle, report);
        },
        std::move(then));
}

bool AppScanner::applyUninstall(const AppInfoPtr& target, BundleRemoval bundle, const RemovalReport& report)
{
    // A stopped uninstall leaves the lists as they were, also for anything
    // moved before the failure.
    if (!target || !report.status.ok())
        return false;
    if (bundle == BundleRemoval::MoveToTrash) {
        dropApplications({target->id()});
        return true;
    }
    // Only what left the disk leaves the list (also when its tick changed
    // while it moved); a skipped or failed file stays, still ticked.
    QSet<QString> moved(report.moved.begin(), report.moved.end());
    moved.unite(QSet<QString>(report.gone.begin(), report.gone.end()));
    QList<LeftoverPtr> kept = target->leftovers();
    kept.removeIf([&](const LeftoverPtr& l) { return moved.contains(l->path()); });
    target->setLeftovers(std::move(kept));
    emit appsChanged();
    return false;
}

void AppScanner::uninstallEntry(const AppInfoPtr& entry, Completion<RemovalReport> then)
{
    QList<UninstallTarget> targets;
    if (entry) {
        for (const AppInfoPtr& member : entry->isGroup() ? entry->members() : std::vector<AppInfoPtr>{entry}) {
            targets << targetOf(*member, member->selectedLeftovers());
            noteUninstall(targets.back().path, targets.back().bundleId);
        }
    }
    m_removals.run<RemovalReport>(
        [p = &m_platform, targets] {
            RemovalReport all;
            for (const UninstallTarget& target : targets) {
                RemovalReport one = moveToTrash(*p, target, BundleRemoval::MoveToTrash);
                all.moved << one.moved;
                all.failures << one.failures;
                all.gone << one.gone;
                if (!one.status.ok()) {
                    all.status = std::move(one.status);
                    break;
                }
            }
            return all;
        },
        [this, targets](RemovalReport& report) {
            QSet<QUuid> gone;
            for (const UninstallTarget& target : targets) {
                if (report.moved.contains(target.path) || report.gone.contains(target.path)) {
                    noteUninstall(target.path, target.bundleId);
                    gone.insert(target.id);
                }
            }
            if (!gone.isEmpty())
                dropApplications(gone);
        },
        std::move(then));
}

void AppScanner::dropApplications(const QSet<QUuid>& ids)
{
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

#include "views/applications/UninstallRules.h"

#include "state/L10n.h"
#include "engine/inventory/ByteFormat.h"

#include <QSet>

#include <algorithm>

namespace tw::apps {

AppInfoPtr uninstallTarget(const AppInfoPtr& app, const AppInfoPtr& selectedApp)
{
    if (!app || !app->isGroup())
        return app;
    const auto& members = app->members();
    if (selectedApp && !selectedApp->isGroup()) {
        for (const AppInfoPtr& m : members)
            if (m->id() == selectedApp->id())
                return selectedApp;
    }
    const auto ticked = std::find_if(members.begin(), members.end(), [](const AppInfoPtr& m) { return m->isSelected(); });
    return ticked != members.end() ? *ticked : members.front();
}

UninstallConfirmation uninstallConfirmation(const AppInfo& target)
{
    const qsizetype count = target.selectedLeftovers().size();
    const QString size = ByteFormat::string(target.totalReclaimableSize());
    QString message = QStringLiteral("Uninstall ") + target.name() + u'?';
    // The text says what moves: the application only when its bundle is ticked.
    if (!target.removeAppBundle())
        return {std::move(message), L10n::t(QStringLiteral("apps.uninstall_files_only"), qlonglong(count), size)};
    return {std::move(message), QStringLiteral("Move the app and ") + QString::number(count)
                                    + QStringLiteral(" related file(s) to the Trash, freeing ") + size + u'.'};
}

namespace {

// Takes the target out of every group; a group loses the member's size and,
// when it is left without members, the list.
void removeFromGroups(QList<AppInfoPtr>& apps, const AppInfo& target)
{
    QSet<const AppInfo*> emptied;
    for (const AppInfoPtr& entry : std::as_const(apps)) {
        if (!entry || !entry->isGroup())
            continue;
        std::vector<AppInfoPtr> members = entry->members();
        const auto gone = std::remove_if(members.begin(), members.end(),
                                         [&](const AppInfoPtr& m) { return m->id() == target.id(); });
        if (gone == members.end())
            continue;
        members.erase(gone, members.end());
        entry->setAppSize(std::max<std::int64_t>(0, entry->appSize() - target.appSize()));
        if (members.empty())
            emptied.insert(entry.get());
        entry->setMembers(std::move(members));
    }
    apps.removeIf([&](const AppInfoPtr& a) { return a && (a->id() == target.id() || emptied.contains(a.get())); });
}

} // namespace

bool applyUninstall(AppScanner& scanner, const AppInfoPtr& target, const AppScanner::UninstallResult& result)
{
    if (!target)
        return false;
    if (target->removeAppBundle()) {
        QList<AppInfoPtr> apps = scanner.apps();
        removeFromGroups(apps, *target);
        scanner.setApps(std::move(apps));
        return true;
    }
    // Only what left the disk leaves the list; a skipped or failed file stays, still ticked.
    const QSet<QString> moved(result.moved.begin(), result.moved.end());
    QList<LeftoverPtr> kept = target->leftovers();
    kept.removeIf([&](const LeftoverPtr& l) { return l->isSelected() && moved.contains(l->path()); });
    target->setLeftovers(std::move(kept));
    scanner.setApps(scanner.apps());
    return false;
}

} // namespace tw::apps

#include "engine/updates/UpdateRows.h"

#include "engine/inventory/Models.h"
#include "engine/updates/UpdateFeed.h"
#include "platform/Collation.h"

#include <QSet>

#include <functional>
#include <vector>

namespace tw::updaterows {

namespace {

// The applications, with each group replaced by its members.
std::vector<AppInfoPtr> flatten(const QList<AppInfoPtr>& apps)
{
    std::vector<AppInfoPtr> out;
    std::function<void(const AppInfoPtr&)> add = [&](const AppInfoPtr& app) {
        if (!app)
            return;
        if (app->isGroup()) {
            for (const AppInfoPtr& member : app->members())
                add(member);
        } else {
            out.push_back(app);
        }
    };
    for (const AppInfoPtr& app : apps)
        add(app);
    return out;
}

} // namespace

UpdateChannel detectChannel(const Platform& p, const QString& bundle)
{
    if (p.fs().exists(bundle + QStringLiteral("/Contents/_MASReceipt/receipt")))
        return UpdateChannel::appStore;
    if (appcast::sparkleFeedURL(p, bundle))
        return UpdateChannel::sparkle;
    return UpdateChannel::manual;
}

QList<AppUpdateItem> rowsOf(const QList<AppInfoPtr>& apps)
{
    QList<AppUpdateItem> rows;
    QSet<QString> seen;
    for (const AppInfoPtr& app : flatten(apps)) {
        // One row per bundle, even when the list names it twice.
        if (app->isSystemApp() || seen.contains(app->path()))
            continue;
        seen.insert(app->path());
        AppUpdateItem row;
        row.appPath = app->path();
        row.name = app->name();
        row.bundleIdentifier = app->bundleIdentifier();
        row.icon = app->icon();
        row.installedVersion = app->version();
        rows << row;
    }
    return rows;
}

QList<AppUpdateItem> completeRows(const Platform& p, QList<AppUpdateItem> rows)
{
    for (AppUpdateItem& row : rows)
        row.channel = detectChannel(p, row.appPath);
    NameOrder().stableSort(rows, [](const AppUpdateItem& row) -> const QString& { return row.name; });
    return rows;
}

QString summaryText(const QList<AppUpdateItem>& items)
{
    int failed = 0;
    for (const AppUpdateItem& item : items) {
        if (item.availability.isActionable())
            return QString();
        if (item.availability.is(UpdateAvailability::Kind::failed))
            ++failed;
    }
    if (failed == 0)
        return QStringLiteral("All your apps are up to date.");
    if (failed == 1)
        return QStringLiteral("1 app could not be checked.");
    return QStringLiteral("%1 apps could not be checked.").arg(failed);
}

} // namespace tw::updaterows

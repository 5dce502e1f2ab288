#include "engine/inventory/KnownApplications.h"

#include "engine/inventory/Models.h"

namespace tw {

KnownApplications knownApplications(const QList<AppInfoPtr>& apps)
{
    KnownApplications known;
    auto add = [&](const AppInfoPtr& app) {
        if (!app)
            return;
        known.bundleIds.insert(app->bundleIdentifier());
        known.names.insert(app->name());
    };
    for (const AppInfoPtr& app : apps) {
        if (app && app->isGroup()) {
            for (const AppInfoPtr& member : app->members())
                add(member);
        } else {
            add(app);
        }
    }
    return known;
}

} // namespace tw

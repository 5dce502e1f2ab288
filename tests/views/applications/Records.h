#pragma once

// Application records built in memory for the Applications tab's tests.

#include "engine/inventory/AppScanner.h"
#include "engine/inventory/ByteFormat.h"
#include "support/Collect.h"
#include "support/Printers.h"

#include <QDateTime>

#include <optional>

namespace tw::test {

struct AppSpec {
    QString name;
    QString id;
    std::int64_t size = 1000;
    std::optional<QDateTime> lastUsed = std::nullopt;
    QString path = {};  // "/Applications/<name>.app" when empty
};

inline AppInfoPtr makeApp(const AppSpec& s)
{
    AppFields f;
    f.name = s.name;
    f.bundleIdentifier = s.id;
    f.path = s.path.isEmpty() ? QStringLiteral("/Applications/") + s.name + QStringLiteral(".app") : s.path;
    f.appSize = s.size;
    f.lastUsed = s.lastUsed;
    return AppInfo::make(f);
}

// A group whose own size is the sum of its members', as discovery makes it.
inline AppInfoPtr makeGroup(const QString& name, std::vector<AppInfoPtr> members)
{
    AppFields f;
    f.name = name;
    f.bundleIdentifier = QStringLiteral("group.") + (members.empty() ? name : members.front()->bundleIdentifier());
    f.path = QStringLiteral("/Applications/") + name;
    for (const AppInfoPtr& m : members)
        f.appSize += m->appSize();
    AppInfoPtr g = AppInfo::make(f);
    g->setMembers(std::move(members));
    return g;
}

// Leftovers owned by app, ticked unless said otherwise.
inline LeftoverPtr addLeftover(const AppInfoPtr& app, const QString& path, std::int64_t size, bool selected = true,
                               const QString& kind = QStringLiteral("Caches"))
{
    auto l = LeftoverFile::make({path, size, kind});
    l->setIsSelected(selected);
    l->setOwner(app);
    QList<LeftoverPtr> list = app->leftovers();
    list.append(l);
    app->setLeftovers(list);
    return l;
}

inline QDateTime utc(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
}

inline QStringList names(const QList<AppInfoPtr>& apps)
{
    return collect(apps, [](const AppInfoPtr& a) { return a->name(); });
}

} // namespace tw::test

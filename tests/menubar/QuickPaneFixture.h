#pragma once

// Contents for the quick panes over the menu bar rig: applications in the
// fake tree (a group, a system one), leftovers, update feeds and an App Store
// answer, startup items.

#include "engine/inventory/ByteFormat.h"
#include "menubar/MenuBarRig.h"
#include "support/Collect.h"

namespace tw::test::panes {

inline const QString kTrash = QStringLiteral("/Users/tester/.Trash");

// A record of an application bundle made in the tree, with its icon; a
// system application under /System/.
inline AppInfoPtr bundle(FakePlatform& fake, const QString& name, std::int64_t size = 1'000'000,
                         const QVariantMap& info = {}, const QString& folder = QStringLiteral("/Applications"))
{
    BundleRecipe recipe;
    recipe.identifier = QStringLiteral("com.example.") + QString(name).remove(u' ').toLower();
    recipe.name = name;
    recipe.version = QStringLiteral("1.0");
    recipe.extra = info;
    AppFields f;
    f.name = name;
    f.bundleIdentifier = recipe.identifier;
    f.path = fake.tree().makeApp(folder + u'/' + name + QStringLiteral(".app"), recipe);
    f.icon = IconRef::fileIcon(f.path);
    f.version = recipe.version;
    f.appSize = size;
    f.isSystemApp = folder.startsWith(QStringLiteral("/System/"));
    return AppInfo::make(f);
}

// A group whose own size is the sum of its members', as discovery makes it.
inline AppInfoPtr group(const QString& name, std::vector<AppInfoPtr> members)
{
    AppFields f;
    f.name = name;
    f.bundleIdentifier = members.front()->bundleIdentifier();
    f.path = members.front()->path();
    f.icon = members.front()->icon();
    for (const AppInfoPtr& m : members)
        f.appSize += m->appSize();
    AppInfoPtr g = AppInfo::make(f);
    g->setMembers(std::move(members));
    return g;
}

// A leftover file of app written into the tree with content, ticked or not.
inline LeftoverPtr leftover(FakePlatform& fake, const AppInfoPtr& app, const QString& relative, bool ticked = true)
{
    const QString path = fake.tree().library() + u'/' + relative;
    const QByteArray content = (app->name() + u':' + relative).toUtf8();
    fake.tree().write(path, content);
    auto l = LeftoverFile::make({path, content.size(), QStringLiteral("Caches")});
    l->setIsSelected(ticked);
    l->setOwner(app);
    QList<LeftoverPtr> list = app->leftovers();
    list.append(l);
    app->setLeftovers(list);
    return l;
}

inline QByteArray feed(const QByteArray& version)
{
    return "<rss><channel><item><sparkle:shortVersionString>" + version
        + "</sparkle:shortVersionString><enclosure url=\"https://example.com/get-" + version
        + ".zip\" length=\"1\"/></item></channel></rss>";
}

inline QStringList names(const QList<AppInfoPtr>& apps)
{
    return collect(apps, [](const AppInfoPtr& a) { return a->name(); });
}

} // namespace tw::test::panes

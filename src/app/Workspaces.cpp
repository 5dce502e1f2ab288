#include "app/Workspaces.h"

#include <QHash>

namespace tw {

namespace WorkspaceFactories {

namespace {
QHash<SidebarTab, Factory>& table()
{
    static QHash<SidebarTab, Factory> factories;
    return factories;
}
} // namespace

void set(SidebarTab tab, Factory factory)
{
    if (factory)
        table().insert(tab, std::move(factory));
    else
        table().remove(tab);
}

Factory get(SidebarTab tab)
{
    return table().value(tab);
}

} // namespace WorkspaceFactories

} // namespace tw

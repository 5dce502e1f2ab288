#include "menubar/QuickPanes.h"

#include <QHash>

namespace tw::QuickPanes {

namespace {
QHash<SidebarTab, Factory>& table()
{
    static QHash<SidebarTab, Factory> t;
    return t;
}
} // namespace

void set(SidebarTab tab, Factory factory)
{
    table().insert(tab, std::move(factory));
}

Factory get(SidebarTab tab)
{
    return table().value(tab);
}

} // namespace tw::QuickPanes

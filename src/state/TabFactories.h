#pragma once

#include "state/NavigationTypes.h"

#include <QHash>

#include <functional>

class QWidget;

namespace tw {

// The makers of what each tab shows, one per tab, for one kind of
// environment: the main window's workspaces and the side panel's quick panes
// each have one. A tab without a maker shows its placeholder. GUI thread only.
template <typename Environment>
class TabFactories {
public:
    using Factory = std::function<QWidget*(const Environment&)>;

    // An empty factory removes the tab's.
    static void set(SidebarTab tab, Factory factory)
    {
        if (factory)
            table().insert(tab, std::move(factory));
        else
            table().remove(tab);
    }
    static Factory get(SidebarTab tab) { return table().value(tab); }

private:
    static QHash<SidebarTab, Factory>& table()
    {
        static QHash<SidebarTab, Factory> factories;
        return factories;
    }
};

} // namespace tw

#pragma once

#include "state/NavigationTypes.h"
#include "views/kit/WorkspaceChrome.h"

namespace tw {

// Stands in for a tab whose own workspace has not been built yet: the
// workspace frame with the product title and empty columns. A tab leaves it
// by adding its line to registerWorkspaces (src/app/RegisterWorkspaces.cpp).
class PendingWorkspace : public WorkspaceChrome {
    Q_OBJECT
public:
    explicit PendingWorkspace(SidebarTab tab, QWidget* parent = nullptr);
    SidebarTab tab() const { return m_tab; }

private:
    SidebarTab m_tab;
};

} // namespace tw

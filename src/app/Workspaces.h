#pragma once

#include "state/NavigationTypes.h"
#include "views/kit/WorkspaceEnvironment.h"

#include <functional>

class QWidget;

namespace tw {

// The makers of the tabs' workspaces; a tab without one shows a
// PendingWorkspace. Filled once by registerWorkspaces.
namespace WorkspaceFactories {
using Factory = std::function<QWidget*(const WorkspaceEnvironment&)>;
void set(SidebarTab tab, Factory factory);
Factory get(SidebarTab tab);
} // namespace WorkspaceFactories

// Registers every tab's workspace, one line per tab
// (src/app/RegisterWorkspaces.cpp). The program's entry type calls it before
// it makes a window; calling it again changes nothing.
void registerWorkspaces();

} // namespace tw

#pragma once

#include "state/NavigationTypes.h"
#include "state/TabFactories.h"
#include "monitor/MacProductImage.h"
#include "views/kit/WorkspaceEnvironment.h"

#include <functional>

namespace tw {

class SystemMonitor;
class SystemMonitorPermissions;

// The makers of the tabs' workspaces; a tab without one shows a
// PendingWorkspace. Filled by registerWorkspaces.
using WorkspaceFactories = TabFactories<WorkspaceEnvironment>;

// What the System tab is made with besides the environment; all of it
// outlives the tab's workspaces.
struct SystemTabParts {
    std::function<SystemMonitor&()> monitor;  // started by its first call
    SystemMonitorPermissions* permissions = nullptr;
    macproductimage::Sources pictures;
};

// Registers every tab's workspace, one line per tab
// (src/app/RegisterWorkspaces.cpp), the System tab's over the given parts.
// The program's entry type calls it before it makes a window; a later call
// replaces the System tab's parts and changes nothing else.
void registerWorkspaces(SystemTabParts system);

} // namespace tw

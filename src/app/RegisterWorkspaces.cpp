#include "app/Workspaces.h"

#include "state/Theme.h"
#include "monitor/SystemMonitor.h"
#include "monitor/SystemMonitorPermissions.h"
#include "views/applications/ApplicationsWorkspace.h"
#include "views/extensions/ExtensionsWorkspace.h"
#include "views/network/NetworkWorkspace.h"
#include "views/startup/StartupWorkspace.h"
#include "views/system/SystemMonitorWorkspace.h"
#include "views/theme/ThemeWorkspace.h"
#include "views/updates/UpdatesWorkspace.h"

namespace tw {

void registerWorkspaces(SystemTabParts system)
{
    const auto set = &WorkspaceFactories::set;
    set(SidebarTab::applications, [](const WorkspaceEnvironment& env) { return new ApplicationsWorkspace(env); });
    set(SidebarTab::startup, [](const WorkspaceEnvironment& env) { return new StartupWorkspace(env); });
    set(SidebarTab::extensions, [](const WorkspaceEnvironment& env) { return new ExtensionsWorkspace(env); });
    set(SidebarTab::theme, [](const WorkspaceEnvironment& env) { return new ThemeWorkspace(env.theme); });
    set(SidebarTab::updates, [](const WorkspaceEnvironment& env) { return new UpdatesWorkspace(env); });
    set(SidebarTab::network, [](const WorkspaceEnvironment& env) { return new NetworkWorkspace(env); });
    set(SidebarTab::system, [system = std::move(system)](const WorkspaceEnvironment& env) {
        return new SystemMonitorWorkspace(system.monitor(), *system.permissions, env.theme, system.pictures);
    });
}

} // namespace tw

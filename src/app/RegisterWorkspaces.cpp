#include "app/Workspaces.h"

#include "state/Theme.h"
#include "monitor/SystemMonitor.h"
#include "monitor/SystemMonitorPermissions.h"
#include "platform/Platform.h"
#include "views/applications/ApplicationsWorkspace.h"
#include "views/extensions/ExtensionsWorkspace.h"
#include "views/network/NetworkWorkspace.h"
#include "views/startup/StartupWorkspace.h"
#include "views/system/SystemMonitorWorkspace.h"
#include "views/theme/ThemeWorkspace.h"
#include "views/updates/UpdatesWorkspace.h"

namespace tw {

void registerWorkspaces()
{
    using WorkspaceFactories::set;
    set(SidebarTab::applications, [](const WorkspaceEnvironment& env) { return new ApplicationsWorkspace(env); });
    set(SidebarTab::startup, [](const WorkspaceEnvironment& env) { return new StartupWorkspace(env); });
    set(SidebarTab::extensions, [](const WorkspaceEnvironment& env) { return new ExtensionsWorkspace(env); });
    set(SidebarTab::theme, [](const WorkspaceEnvironment& env) { return new ThemeWorkspace(env.theme); });
    set(SidebarTab::updates, [](const WorkspaceEnvironment& env) { return new UpdatesWorkspace(env); });
    set(SidebarTab::network, [](const WorkspaceEnvironment& env) { return new NetworkWorkspace(env); });
    set(SidebarTab::system, [](const WorkspaceEnvironment& env) {
        return new SystemMonitorWorkspace(SystemMonitor::shared(), SystemMonitorPermissions::shared(env.platform),
                                          env.theme, MacProductImage::hostSources(env.platform.fs()));
    });
}

} // namespace tw

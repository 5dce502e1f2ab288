#include "app/Workspaces.h"
#include "views/network/NetworkWorkspace.h"
#include "views/theme/ThemeWorkspace.h"
#include "views/updates/UpdatesWorkspace.h"

namespace tw {

void registerWorkspaces()
{
    using WorkspaceFactories::set;
    set(SidebarTab::theme, [](const WorkspaceEnvironment& env) { return new ThemeWorkspace(env.theme); });
    set(SidebarTab::updates, [](const WorkspaceEnvironment& env) { return new UpdatesWorkspace(env); });
    set(SidebarTab::network, [](const WorkspaceEnvironment& env) { return new NetworkWorkspace(env); });
}

} // namespace tw

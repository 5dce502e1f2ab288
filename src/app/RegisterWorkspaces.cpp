#include "app/Workspaces.h"
#include "views/applications/ApplicationsWorkspace.h"
#include "views/extensions/ExtensionsWorkspace.h"
#include "views/theme/ThemeWorkspace.h"

namespace tw {

void registerWorkspaces()
{
    using WorkspaceFactories::set;
    set(SidebarTab::applications, [](const WorkspaceEnvironment& env) { return new ApplicationsWorkspace(env); });
    set(SidebarTab::extensions, [](const WorkspaceEnvironment& env) { return new ExtensionsWorkspace(env); });
    set(SidebarTab::theme, [](const WorkspaceEnvironment& env) { return new ThemeWorkspace(env.theme); });
}

} // namespace tw

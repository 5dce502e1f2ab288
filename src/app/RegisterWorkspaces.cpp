#include "app/Workspaces.h"
#include "views/theme/ThemeWorkspace.h"

namespace tw {

void registerWorkspaces()
{
    using WorkspaceFactories::set;
    set(SidebarTab::theme, [](const WorkspaceEnvironment& env) { return new ThemeWorkspace(env.theme); });
}

} // namespace tw

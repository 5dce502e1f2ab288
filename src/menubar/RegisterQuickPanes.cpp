#include "menubar/QuickPanes.h"
#include "menubar/SystemMonitorCompact.h"

namespace tw {

void registerQuickPanes()
{
    using QuickPanes::set;
    set(SidebarTab::system, [](const QuickPaneEnvironment& env) { return new SystemMonitorCompact(env.monitor); });
}

} // namespace tw

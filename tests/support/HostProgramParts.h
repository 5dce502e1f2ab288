#pragma once

#include "app/SweeplineApp.h"
#include "app/Workspaces.h"
#include "support/HostMonitorParts.h"

namespace tw::test {

// What main hands the program, built the same way over a fake platform.
// Outlives the program it is handed to.
struct HostProgramParts : HostMonitorParts {
    using HostMonitorParts::HostMonitorParts;
    ~HostProgramParts()
    {
        if (registered)
            WorkspaceFactories::set(SidebarTab::system, {});
    }

    ProgramParts parts(ProgramParts::Hooks hooks = {})
    {
        return {&monitor, &permissions, pictures(), &host.statusArea(), std::move(hooks)};
    }
    SystemTabParts systemTab()
    {
        return {[this]() -> SystemMonitor& { return startedMonitor(); }, &permissions, pictures()};
    }
    // Registers every workspace, the System tab's over these parts until they go.
    void registerWorkspaces()
    {
        tw::registerWorkspaces(systemTab());
        registered = true;
    }
    bool registered = false;
};

} // namespace tw::test

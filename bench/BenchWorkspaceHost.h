#pragma once

// What a workspace needs to run in a benchmark: a fake platform, the shared
// state, the engines and a prompter that answers nothing.

#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "state/SharedState.h"
#include "support/FakePlatform.h"
#include "support/FakePrompter.h"
#include "views/kit/WorkspaceEnvironment.h"

namespace tw::bench {

struct WorkspaceHost {
    test::FakePlatform fake;
    SharedState state{fake.platform()};
    AppScanner scanner{fake.platform()};
    SystemCleaner cleaner{fake.platform()};
    test::FakePrompter prompter;

    WorkspaceEnvironment env()
    {
        return {scanner, cleaner, state.navigation(), state.theme(), fake.platform(), prompter};
    }
};

} // namespace tw::bench

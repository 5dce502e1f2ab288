#pragma once

#include "monitor/HardwareIdentityReader.h"
#include "monitor/MacProductImage.h"
#include "monitor/SystemMonitor.h"
#include "monitor/SystemMonitorPermissions.h"
#include "platform/Platform.h"
#include "support/FakePlatform.h"

namespace tw::test {

// The monitor and its companions built as main builds them, over a fake
// platform: the host platform over the fake's file system gives the
// machine's readers, the autostart entry (in the fake home), the pictures
// and the status area; the fake gives the workspace.
struct HostMonitorParts {
    explicit HostMonitorParts(const FakePlatform& fake)
        : host(fake.fs())
        , identity({&host.hardware(), &host.profiler(), &host.platform().clock(),
                    [this] { return host.builtInDisplayDiagonal(); }, nullptr})
        , monitor({&host.procReaders(), &identity, &host.platform().clock()}, SystemMonitor::FirstPass::None)
        , permissions(host.autostart(), fake.platform().workspace())
    {
    }
    HostMonitorParts(const HostMonitorParts&) = delete;
    HostMonitorParts& operator=(const HostMonitorParts&) = delete;

    HostPlatform host;
    HardwareIdentityReader identity;
    SystemMonitor monitor;
    SystemMonitorPermissions permissions;

    // The monitor, sampling from the first call on.
    SystemMonitor& startedMonitor()
    {
        monitor.start();
        return monitor;
    }
    macproductimage::Sources pictures() const { return {host.productArt(), host.desktopPictures(), host.fs()}; }
};

} // namespace tw::test

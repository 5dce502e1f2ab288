#pragma once

#include "monitor/IdentityReader.h"
#include "platform/ProcReaders.h"

#include <chrono>

namespace tw::test {

// Identity, disk product name and battery as a test sets them.
struct FakeIdentity final : IdentityReader {
    HardwareIdentity identity{QStringLiteral("Mac"), QStringLiteral("Mac")};
    QString ssdName;
    std::optional<QString> diskProductName;
    std::optional<BatteryReading> battery;
    HardwareIdentity readHardwareIdentity() override { return identity; }
    QString readSSDProductName() override { return ssdName; }
    std::optional<QString> ioRegistryDiskProductName() override { return diskProductName; }
    std::optional<BatteryReading> readBattery() override { return battery; }
};

// Wall and monotonic time that move only when the test moves them.
struct FakeMonitorClock final : MonitorClock {
    QDateTime wall = QDateTime::fromSecsSinceEpoch(1700003600, Qt::UTC);
    std::chrono::nanoseconds steady = std::chrono::hours(1);
    void advance(double seconds)
    {
        const auto step = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(seconds));
        steady += step;
        wall = wall.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(step).count());
    }
    QDateTime now() override { return wall; }
    std::chrono::nanoseconds monotonic() override { return steady; }
};

// The host's clocks with the monotonic one moved on by hand, so that a
// second pass measures its rates over a span the test chooses instead of
// waiting it out.
struct SkippingMonitorClock final : MonitorClock {
    SteadyMonitorClock host;
    std::chrono::nanoseconds skipped{0};
    QDateTime now() override { return host.now(); }
    std::chrono::nanoseconds monotonic() override { return host.monotonic() + skipped; }
};

} // namespace tw::test

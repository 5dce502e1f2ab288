#pragma once

#include "monitor/IdentityReader.h"
#include "platform/HostServices.h"
#include "platform/ProcReaders.h"
#include "platform/Services.h"

#include <chrono>
#include <memory>

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
struct FakeMonitorClock final : Clock {
    QDateTime wall = QDateTime::fromSecsSinceEpoch(1700003600, Qt::UTC);
    std::chrono::nanoseconds steady = std::chrono::hours(1);
    void advance(double seconds)
    {
        const auto step = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(seconds));
        steady += step;
        wall = wall.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(step).count());
    }
    QDateTime now() const override { return wall; }
    std::chrono::nanoseconds monotonic() const override { return steady; }
    void sleep(std::chrono::milliseconds d) override { advance(std::chrono::duration<double>(d).count()); }
};

// The host's clocks with the monotonic one moved on by hand, so that a
// second pass measures its rates over a span the test chooses instead of
// waiting it out.
struct SkippingMonitorClock final : Clock {
    std::unique_ptr<Clock> system = host::makeClock();
    std::chrono::nanoseconds skipped{0};
    QDateTime now() const override { return system->now(); }
    std::chrono::nanoseconds monotonic() const override { return system->monotonic() + skipped; }
    void sleep(std::chrono::milliseconds d) override { system->sleep(d); }
};

} // namespace tw::test

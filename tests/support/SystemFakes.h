#pragma once

#include "monitor/SystemSnapshot.h"
#include "platform/MainAppService.h"
#include "platform/ProductArt.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QStringList>

namespace tw::test {

inline const QString kLoginItemsAddress =
    QStringLiteral("x-apple.systempreferences:com.apple.LoginItems-Settings.extension");
inline const QString kPrivacyAddress = QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy");

// The login-item service as the Mac has it: registration succeeds (and
// enables) or fails as told; the status is whatever the system holds.
struct FakeAppService final : MainAppService {
    ItemStatus current = ItemStatus::notRegistered;
    std::optional<Error> failure;
    QStringList addresses{kLoginItemsAddress, kPrivacyAddress};
    int registrations = 0;
    int statusReads = 0;

    tw::Status registerItem() override
    {
        ++registrations;
        if (failure)
            return *failure;
        current = ItemStatus::enabled;
        return {};
    }
    ItemStatus status() override
    {
        ++statusReads;
        return current;
    }
    QStringList settingsAddresses() override { return addresses; }
};

// Product art as a test declares it; records the device model codes asked for.
struct FakeArt final : ProductArt {
    QHash<QString, QString> deviceTypes;  // model code -> type
    QSet<QString> declared;
    std::optional<QString> colour;
    QStringList asked;
    QImage picture;

    std::optional<QString> deviceModelType(const QString& code) override
    {
        asked << code;
        return deviceTypes.contains(code) ? std::optional<QString>(deviceTypes.value(code)) : std::nullopt;
    }
    bool isDeclared(const QString& type) override { return declared.contains(type); }
    QImage icon(const QString&) override { return picture; }
    std::optional<QString> enclosureColorAnswer() override { return colour; }
};

// A desktop picture path that counts how often it is asked for.
struct CountingDesktop final : DesktopPictureSource {
    std::optional<QString> path;
    int calls = 0;
    std::optional<QString> mainScreenPicture() override
    {
        ++calls;
        return path;
    }
};

constexpr std::uint64_t kGiB = 1073741824ull;

// A MacBook Pro with a battery, half-full memory under medium pressure.
inline SystemSnapshot macBookSnapshot()
{
    SystemSnapshot s;
    s.cpuPercent = 37.4;
    s.cpuUser = 12.34;
    s.cpuSystem = 5.5;
    s.cpuIdle = 82.16;
    s.load1 = 1.5;
    s.load5 = 2;
    s.load15 = 2.25;
    s.processCount = 402;
    s.threadCount = 1820;
    s.cpuHistory = {10, 20, 40};
    for (int i = 0; i < 8; ++i)
        s.topProcesses.append({200 + i, QStringLiteral("worker %1").arg(i), 40.0 - i, std::uint64_t(i + 1) * kGiB / 4});
    s.topMemoryProcesses = s.topProcesses.mid(0, 3);
    s.memoryTotal = 16 * kGiB;
    s.memoryUsed = 8 * kGiB;
    s.memoryCompressed = 4 * kGiB;
    s.memoryWired = 2 * kGiB;
    s.appMemory = 5 * kGiB;
    s.cachedFiles = 3 * kGiB;
    s.swapUsed = 0;
    s.diskTotal = 2000000000000ull;
    s.diskUsed = 500000000000ull;
    s.diskFree = 1500000000000ull;
    s.marketingTitle = QStringLiteral("MacBook Pro (14-inch, 2021)");
    s.modelYear = 2021;
    s.machineModel = QStringLiteral(" a2442\n");
    s.modelIdentifier = QStringLiteral("MacBookPro18,3");
    s.chipName = QStringLiteral("Apple M1 Pro");
    s.graphicsName = QStringLiteral("Apple M1 Pro (14-core GPU)");
    s.serialNumber = QStringLiteral("C02G8XXXQ6L4");
    s.osVersion = QStringLiteral("macOS 14.5 (23F79)");
    s.releaseDate = QStringLiteral("October 2021");
    s.manufactureDate = QStringLiteral("2021-11-08");
    s.origin = QStringLiteral("Shanghai, China");
    s.ssdProductName = QStringLiteral("APPLE SSD AP1024R");
    s.diskMediaName = QStringLiteral("Macintosh HD");
    s.batteryPresent = true;
    s.batteryCharge = 84;
    s.batteryHealth = 91.6;
    s.batteryCycleCount = 123;
    s.batteryTemperatureC = 31.4;
    return s;
}

} // namespace tw::test

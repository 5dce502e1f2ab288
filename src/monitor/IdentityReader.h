#pragma once

#include <QString>

#include <optional>

namespace tw {

// What the machine is, as the monitor shows it.
struct HardwareIdentity {
    QString machineName;
    QString marketingTitle;
    std::optional<int> modelYear;
    QString modelNumber;   // "A2442", or empty
    QString identifier;    // "MacBookPro18,3"
    QString chip;
    QString graphics;
    QString serial;
    QString osVersion;
    QString releaseDate;
    QString manufactureDate;
    QString origin;
    friend bool operator==(const HardwareIdentity&, const HardwareIdentity&) = default;
};

struct BatteryReading {
    double charge = 0;      // percent
    double health = 0;      // percent
    int cycles = 0;
    bool charging = false;
    std::optional<double> temperatureC;
    friend bool operator==(const BatteryReading&, const BatteryReading&) = default;
};

// The identity, storage-name and battery readers the one-second sample asks.
// Implementations cache their costly sources; none of them fails: what
// cannot be read comes back empty or absent.
class IdentityReader {
public:
    virtual ~IdentityReader() = default;
    virtual HardwareIdentity readHardwareIdentity() = 0;
    virtual QString readSSDProductName() = 0;                  // empty when none is found
    virtual std::optional<QString> ioRegistryDiskProductName() = 0;
    virtual std::optional<BatteryReading> readBattery() = 0;
};

} // namespace tw

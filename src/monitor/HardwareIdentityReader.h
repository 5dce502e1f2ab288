#pragma once

#include "monitor/IdentityReader.h"
#include "monitor/MacHardwareCatalog.h"
#include "platform/HostHardware.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace tw {

class Clock;

struct IdentitySources {
    HostHardware* host = nullptr;
    ProfilerRunner* profiler = nullptr;
    Clock* clock = nullptr;
    std::function<std::optional<double>()> mainDisplayDiagonal;  // inches; none when empty
    const machardwarecatalog::DivadaTables* tables = nullptr;    // the shipped lists when null
};

// The machine's identity, SSD name and battery from the host's readers. The
// profiler's answers are kept 30 seconds (one date for every data type; a
// failed run is not kept), a found SSD name 60 seconds. Not thread-safe: one
// caller at a time.
class HardwareIdentityReader final : public IdentityReader {
public:
    explicit HardwareIdentityReader(IdentitySources sources);

    HardwareIdentity readHardwareIdentity() override;
    QString readSSDProductName() override;
    std::optional<QString> ioRegistryDiskProductName() override;
    std::optional<BatteryReading> readBattery() override;

    // The profiler's items for a data type; nullopt when it failed or its
    // answer is not a dictionary holding an array of dictionaries under the type.
    std::optional<QList<QVariantMap>> runSystemProfilerJSON(const QString& type);
    std::optional<QString> nvmeSSDModelFromProfiler();
    std::optional<QString> sataSSDModelFromProfiler();

    // "A" and 3 to 5 digits, after trimming and upper-casing.
    static bool isAppleANumber(const QString& text);
    static bool isRealAppleSSDProductName(const QString& name);
    static std::optional<QString> preferAppleSSD(const QStringList& candidates);
    // A product name from one registry entry's properties.
    static std::optional<QString> registryProductName(const QVariantMap& properties);
    // The first accepted product name of the chain's first 12 entries.
    static std::optional<QString> productNameFromIORegistry(const RegistryChain& chain);
    static std::optional<QString> profilerStorageModel(const QVariantMap& item);
    static std::optional<BatteryReading> batteryFrom(const QVariantMap& properties);

private:
    QString composeOsVersion();
    void takeHardwareOverview(HardwareIdentity& id, const QString& brand);

    IdentitySources m;
    QHash<QString, QList<QVariantMap>> m_profilerCache;
    QDateTime m_profilerCacheDate;  // invalid: never
    std::optional<QString> m_ssdProductCache;
    QDateTime m_ssdProductCacheDate;
};

} // namespace tw

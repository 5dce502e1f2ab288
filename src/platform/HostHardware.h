#pragma once

// What the host tells about its hardware: the readers behind the monitor's
// machine identity, storage name and battery. The Linux implementations read
// a root folder ("/" for the machine itself, a fixture tree in tests).

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace tw {

struct OsVersion {
    QString product;  // "macOS", "Debian GNU/Linux"
    QString version;  // "14.5", "12"; may be empty
    QString build;    // "23F79", the kernel release; may be empty
};

// The platform entry of the machine's board.
struct PlatformExpert {
    QString model;   // the model identifier ("MacBookPro18,3"); may be empty
    QString serial;  // empty when unreadable
};

// A storage medium's registry properties followed by its ancestors' (nearest
// first), with the keys the registry uses: "BSD Name", "Whole", "Model",
// "Product Name", "Model Name", "Device Characteristics".
using RegistryChain = std::vector<QVariantMap>;

// Not thread-safe: one caller at a time.
class HostHardware {
public:
    virtual ~HostHardware() = default;
    virtual OsVersion osVersion() = 0;
    virtual std::optional<PlatformExpert> platformExpert() = 0;
    virtual std::optional<QString> processorBrand() = 0;
    virtual std::optional<QString> hostName() = 0;
    // The storage media in registry order.
    virtual std::vector<RegistryChain> storageMedia() = 0;
    // The battery's registry properties ("BatteryInstalled", "CurrentCapacity",
    // "AppleRawMaxCapacity", "DesignCapacity", "CycleCount", "IsCharging",
    // "Temperature" in hundredths of a degree); nullopt without a battery.
    virtual std::optional<QVariantMap> batteryProperties() = 0;
};

// The system profiler: its JSON answer for one data type ("SPHardwareDataType",
// "SPDisplaysDataType", "SPNVMeDataType", "SPSerialATADataType").
class ProfilerRunner {
public:
    virtual ~ProfilerRunner() = default;
    // nullopt when the tool could not run or had to be ended.
    virtual std::optional<QByteArray> run(const QString& dataType) = 0;
};

// The diagonal of a display of the given physical size, when both sides
// exceed 10 mm.
std::optional<double> diagonalInches(double widthMm, double heightMm);

namespace host {

std::unique_ptr<HostHardware> makeHostHardware(const QString& root = QStringLiteral("/"));
// The profiler tool under the root when there is one, else the sysfs stand-in.
std::unique_ptr<ProfilerRunner> makeProfilerRunner(const QString& root = QStringLiteral("/"));
// Runs `program dataType -json`; a run that outlasts the limit is ended and fails.
std::unique_ptr<ProfilerRunner> makeCommandProfilerRunner(const QString& program,
                                                          std::chrono::milliseconds limit = std::chrono::seconds(10));
// The profiler's JSON made from sysfs: graphics from /sys/class/drm, NVMe
// models from /sys/class/nvme, SATA models from /sys/block.
std::unique_ptr<ProfilerRunner> makeSysfsProfilerRunner(const QString& root = QStringLiteral("/"));

// The diagonal of the machine's built-in panel: a display on an internal
// connector (eDP, LVDS, DSI) under /sys/class/drm whose EDID gives its
// physical size. None without one (a desktop, a virtual machine).
std::optional<double> builtInDisplayDiagonalInches(const QString& root = QStringLiteral("/"));

} // namespace host
} // namespace tw
